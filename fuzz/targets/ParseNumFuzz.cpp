// The integer parsers against the C library conversions they are built on,
// and the three forms of each family against one another.
#include "../FuzzCheck.h"
#include "../FuzzInput.h"
#include "../FuzzTargets.h"

#include <plat/Exception.h>
#include <plat/parseNum.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <string>

namespace jexfuzz {

namespace {

// What the whole family must do with text, from the wide C conversion:
// consumed something, no saturation, and no '-' for the unsigned ones.
template <typename T>
bool expected(const char* text, int base, bool isSigned, T& value,
              const char*& end)
{
  end = text;
  if (base != 0 && (base < 2 || base > 36))
    return false; // the C library would not even set e
  errno = 0;
  char* e = nullptr;
  bool ok;
  if (isSigned) {
    long long v = strtoll(text, &e, base);
    ok = e != text && !(errno == ERANGE && (v == LLONG_MIN || v == LLONG_MAX));
    value = T(v);
  } else {
    unsigned long long v = strtoull(text, &e, base);
    ok = e != text && !(errno == ERANGE && v == ULLONG_MAX);
    for (const char* p = text; ok && p < e; p++)
      ok = *p != '-';
    value = T(v);
  }
  end = e;
  return ok;
}

// One family: the try form, the cursor form and the whole-text form must
// agree with each other and with the reference; the value must lie in
// [lo, hi] (the family's range).
template <typename T, typename Wide>
void family(const char* text, int base, bool isSigned, Wide lo, Wide hi,
            bool (*tryForm)(T&, const char*&, int),
            T (*nextForm)(const char*&, int), T (*wholeForm)(const char*, int))
{
  Wide ref = 0;
  const char* refEnd = text;
  bool refOk =
      expected(text, base, isSigned, ref, refEnd) && ref >= lo && ref <= hi;

  errno = 4242;
  T v = 1;
  const char* pos = text;
  bool ok = tryForm(v, pos, base);
  FUZZ_CHECK(errno == 4242);
  FUZZ_CHECK(ok == refOk);
  if (ok) {
    FUZZ_CHECK(Wide(v) == ref && pos == refEnd);
  } else {
    FUZZ_CHECK(v == 0 && pos == text);
  }

  const char* pos2 = text;
  try {
    T v2 = nextForm(pos2, base);
    FUZZ_CHECK(ok && v2 == v && pos2 == pos);
  } catch (plat::BadNum&) {
    FUZZ_CHECK(!ok && pos2 == text);
  }

  try {
    T v3 = wholeForm(text, base);
    FUZZ_CHECK(ok && *pos == '\0' && v3 == v);
  } catch (plat::BadNum&) {
    FUZZ_CHECK(!ok || *pos != '\0');
  }
}

int32_t wholeS32(const char* t, int b)
{
  return plat::parseS32(t, b);
}
uint32_t wholeU32(const char* t, int b)
{
  return plat::parseU32(t, b);
}
int64_t wholeS64(const char* t, int b)
{
  return plat::parseS64(t, b);
}
uint64_t wholeU64(const char* t, int b)
{
  return plat::parseU64(t, b);
}

} // namespace

int fuzz_parseNum(const uint8_t* data, size_t size)
{
  FuzzInput in(data, size);
  // Bases 0 to 39: the valid ones and a few the C library refuses.
  int base = in.byte() % 40;
  int32_t lo = int32_t(in.u32()), hi = int32_t(in.u32());
  std::string text = in.rest(); // cut at an embedded NUL, as C sees it
  const char* t = text.c_str();

  family<int32_t, int64_t>(t, base, true, INT32_MIN, INT32_MAX,
                           plat::tryParseS32, plat::parseS32Next, wholeS32);
  family<uint32_t, uint64_t>(t, base, false, 0, UINT32_MAX, plat::tryParseU32,
                             plat::parseU32Next, wholeU32);
  family<int64_t, int64_t>(t, base, true, INT64_MIN, INT64_MAX,
                           plat::tryParseS64, plat::parseS64Next, wholeS64);
  family<uint64_t, uint64_t>(t, base, false, 0, UINT64_MAX, plat::tryParseU64,
                             plat::parseU64Next, wholeU64);

  // The 32-bit whole-text forms with a range from the input: the range is
  // checked on top of the parse, and the caller's message is the one thrown.
  int32_t s = 0;
  const char* pos = t;
  bool whole = plat::tryParseS32(s, pos, base) && *pos == '\0';
  try {
    int32_t v = plat::parseS32(t, base, lo, hi, "range");
    FUZZ_CHECK(whole && v == s && lo <= v && v <= hi);
  } catch (plat::BadNum& e) {
    FUZZ_CHECK(!whole || s < lo || s > hi);
    FUZZ_CHECK(std::string(e.message()) == "range");
  }
  uint32_t u = 0;
  pos = t;
  whole = plat::tryParseU32(u, pos, base) && *pos == '\0';
  try {
    uint32_t v = plat::parseU32(t, base, uint32_t(lo), uint32_t(hi));
    FUZZ_CHECK(whole && v == u && uint32_t(lo) <= v && v <= uint32_t(hi));
  } catch (plat::BadNum& e) {
    FUZZ_CHECK(!whole || u < uint32_t(lo) || u > uint32_t(hi));
    FUZZ_CHECK(std::string(e.message()) == "Failed to parse integer");
  }
  return 0;
}

} // namespace jexfuzz
