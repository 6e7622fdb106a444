#include <plat/parseNum.h>

#include <plat/Exception.h>
#include <plat/strUtil.h>

#include <cerrno>
#include <cstdlib>
#include <limits>
#include <type_traits>

namespace plat {

namespace {

const char* const Failed32 = "Failed to parse integer";
const char* const FailedS64 = "Failed to parse S64 integer";
const char* const FailedU64 = "Failed to parse U64 integer";

long callStrtol(const char* s, char** e, int b)
{
  return strtol(s, e, b);
}
unsigned long callStrtoul(const char* s, char** e, int b)
{
  return strtoul(s, e, b);
}
long long callStrtoll(const char* s, char** e, int b)
{
  return strtoll(s, e, b);
}
unsigned long long callStrtoull(const char* s, char** e, int b)
{
  return strtoull(s, e, b);
}

// One family's tryParse: runs the C library conversion for type C with
// errno saved around it. Fails when nothing was consumed, when the value
// saturated (ERANGE with C's limit), when it lies outside T (C is wider
// than T where long has 64 bits) and, for the unsigned families, when the
// consumed text holds a '-': strtoul and friends would accept "-1" and wrap
// it.
template <typename T, typename C>
bool tryParseAs(T& value, const char*& pos, int base,
                C (*conv)(const char*, char**, int))
{
  value = 0;
  if (!pos)
    return false;
  // For a base it refuses the C library leaves the end pointer untouched
  // (sanitizer interceptors store garbage there), so refuse it first.
  if (base != 0 && (base < 2 || base > 36))
    return false;
  int saved = errno;
  errno = 0;
  char* end = nullptr;
  C v = conv(pos, &end, base);
  bool ok =
      end != pos && !(errno == ERANGE && (v == std::numeric_limits<C>::min() ||
                                          v == std::numeric_limits<C>::max()));
  errno = saved;
  if (ok && !std::is_signed<C>::value && strHasCharBefore(pos, end, '-'))
    ok = false;
  // Only compiled where C is wider: elsewhere the comparisons would be
  // flagged as always false.
  if constexpr (sizeof(C) > sizeof(T)) {
    if (ok && v > C(std::numeric_limits<T>::max()))
      ok = false;
    if constexpr (std::is_signed<T>::value) {
      if (ok && v < C(std::numeric_limits<T>::min()))
        ok = false;
    }
  }
  if (!ok)
    return false;
  value = (T)v;
  pos = end;
  return true;
}

// The throwing forms, over one family's tryParse.
template <typename T>
T parseNextWith(bool (*tryParse)(T&, const char*&, int), const char*& pos,
                int base, const char* message)
{
  T v;
  if (!tryParse(v, pos, base))
    throw BadNum(message);
  return v;
}

template <typename T>
T parseWholeWith(bool (*tryParse)(T&, const char*&, int), const char* text,
                 int base, T min, T max, const char* message)
{
  T v;
  const char* p = text;
  if (!tryParse(v, p, base) || *p != '\0' || v < min || v > max)
    throw BadNum(message);
  return v;
}

} // namespace

bool tryParseS32(int32_t& value, const char*& pos, int base)
{
  return tryParseAs(value, pos, base, callStrtol);
}

bool tryParseU32(uint32_t& value, const char*& pos, int base)
{
  return tryParseAs(value, pos, base, callStrtoul);
}

bool tryParseS64(int64_t& value, const char*& pos, int base)
{
  return tryParseAs(value, pos, base, callStrtoll);
}

bool tryParseU64(uint64_t& value, const char*& pos, int base)
{
  return tryParseAs(value, pos, base, callStrtoull);
}

int32_t parseS32Next(const char*& pos, int base)
{
  return parseNextWith(tryParseS32, pos, base, Failed32);
}

uint32_t parseU32Next(const char*& pos, int base)
{
  return parseNextWith(tryParseU32, pos, base, Failed32);
}

int64_t parseS64Next(const char*& pos, int base)
{
  return parseNextWith(tryParseS64, pos, base, FailedS64);
}

uint64_t parseU64Next(const char*& pos, int base)
{
  return parseNextWith(tryParseU64, pos, base, FailedU64);
}

int32_t parseS32(const char* text, int base, int32_t min, int32_t max,
                 const char* message)
{
  return parseWholeWith(tryParseS32, text, base, min, max,
                        message ? message : Failed32);
}

uint32_t parseU32(const char* text, int base, uint32_t min, uint32_t max,
                  const char* message)
{
  return parseWholeWith(tryParseU32, text, base, min, max,
                        message ? message : Failed32);
}

int64_t parseS64(const char* text, int base)
{
  return parseWholeWith(tryParseS64, text, base,
                        std::numeric_limits<int64_t>::min(),
                        std::numeric_limits<int64_t>::max(), FailedS64);
}

uint64_t parseU64(const char* text, int base)
{
  return parseWholeWith(tryParseU64, text, base, uint64_t(0),
                        std::numeric_limits<uint64_t>::max(), FailedU64);
}

} // namespace plat
