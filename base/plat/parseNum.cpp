#include <plat/parseNum.h>

#include <plat/Exception.h>
#include <plat/strUtil.h>

#include <cerrno>
#include <climits>
#include <cstdlib>

namespace plat {

namespace {

const char* const Failed32 = "Failed to parse integer";

// Runs one C library conversion with errno saved around it. Fails when
// nothing was consumed or the value saturated (ERANGE with the limit), and,
// for the unsigned families, when the consumed text holds a '-': strtoul
// and friends would accept "-1" and wrap it. On success pos moves past the
// number.
template <typename T>
bool convert(T& value, const char*& pos, int base,
             T (*conv)(const char*, char**, int), T lo, T hi, bool refuseMinus)
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
  T v = conv(pos, &end, base);
  bool ok = end != pos && !(errno == ERANGE && (v == lo || v == hi));
  errno = saved;
  if (ok && refuseMinus && strHasCharBefore(pos, end, '-'))
    ok = false;
  if (!ok)
    return false;
  value = v;
  pos = end;
  return true;
}

long callStrtol(const char* s, char** e, int b) { return strtol(s, e, b); }
unsigned long callStrtoul(const char* s, char** e, int b) { return strtoul(s, e, b); }
long long callStrtoll(const char* s, char** e, int b) { return strtoll(s, e, b); }
unsigned long long callStrtoull(const char* s, char** e, int b) { return strtoull(s, e, b); }

} // namespace

bool tryParseS32(int32_t& value, const char*& pos, int base)
{
  // long is 64 bits on some targets, so the 32-bit range is checked here.
  long v;
  const char* p = pos;
  // Widened first: where long has 32 bits a direct comparison would be
  // flagged as always false.
  int64_t wide = 0;
  if (!convert<long>(v, p, base, callStrtol, LONG_MIN, LONG_MAX, false) ||
      (wide = v) < INT32_MIN || wide > INT32_MAX) {
    value = 0;
    return false;
  }
  value = (int32_t)v;
  pos = p;
  return true;
}

bool tryParseU32(uint32_t& value, const char*& pos, int base)
{
  unsigned long v;
  const char* p = pos;
  uint64_t wide = 0;
  if (!convert<unsigned long>(v, p, base, callStrtoul, 0UL, ULONG_MAX, true) ||
      (wide = v) > UINT32_MAX) {
    value = 0;
    return false;
  }
  value = (uint32_t)v;
  pos = p;
  return true;
}

bool tryParseS64(int64_t& value, const char*& pos, int base)
{
  long long v;
  const char* p = pos;
  if (!convert<long long>(v, p, base, callStrtoll, LLONG_MIN, LLONG_MAX,
                          false)) {
    value = 0;
    return false;
  }
  value = (int64_t)v;
  pos = p;
  return true;
}

bool tryParseU64(uint64_t& value, const char*& pos, int base)
{
  unsigned long long v;
  const char* p = pos;
  if (!convert<unsigned long long>(v, p, base, callStrtoull, 0ULL, ULLONG_MAX,
                                   true)) {
    value = 0;
    return false;
  }
  value = (uint64_t)v;
  pos = p;
  return true;
}

int32_t parseS32Next(const char*& pos, int base)
{
  int32_t v;
  if (!tryParseS32(v, pos, base))
    throw BadNum(Failed32);
  return v;
}

uint32_t parseU32Next(const char*& pos, int base)
{
  uint32_t v;
  if (!tryParseU32(v, pos, base))
    throw BadNum(Failed32);
  return v;
}

int64_t parseS64Next(const char*& pos, int base)
{
  int64_t v;
  if (!tryParseS64(v, pos, base))
    throw BadNum("Failed to parse S64 integer");
  return v;
}

uint64_t parseU64Next(const char*& pos, int base)
{
  uint64_t v;
  if (!tryParseU64(v, pos, base))
    throw BadNum("Failed to parse U64 integer");
  return v;
}

int32_t parseS32(const char* text, int base, int32_t min, int32_t max,
                 const char* message)
{
  int32_t v;
  const char* p = text;
  if (!tryParseS32(v, p, base) || *p != '\0' || v < min || v > max)
    throw BadNum(message ? message : Failed32);
  return v;
}

uint32_t parseU32(const char* text, int base, uint32_t min, uint32_t max,
                  const char* message)
{
  uint32_t v;
  const char* p = text;
  if (!tryParseU32(v, p, base) || *p != '\0' || v < min || v > max)
    throw BadNum(message ? message : Failed32);
  return v;
}

int64_t parseS64(const char* text, int base)
{
  int64_t v;
  const char* p = text;
  if (!tryParseS64(v, p, base) || *p != '\0')
    throw BadNum("Failed to parse S64 integer");
  return v;
}

uint64_t parseU64(const char* text, int base)
{
  uint64_t v;
  const char* p = text;
  if (!tryParseU64(v, p, base) || *p != '\0')
    throw BadNum("Failed to parse U64 integer");
  return v;
}

} // namespace plat
