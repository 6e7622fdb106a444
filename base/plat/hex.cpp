#include <plat/hex.h>

#include <plat/Exception.h>

#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>

namespace plat {

namespace {

int nibble(char c)
{
  if (c >= '0' && c <= '9')
    return c - '0';
  if (c >= 'a' && c <= 'f')
    return c - 'a' + 10;
  if (c >= 'A' && c <= 'F')
    return c - 'A' + 10;
  return -1;
}

} // namespace

bool tryHexDecode(const char* text, MBuf<unsigned char>& out)
{
  out.clear();
  size_t len = text ? strlen(text) : 0;
  uint64_t count = len / 2; // wide: size_t may be 32 bits
  if (len % 2 != 0 || count > UINT32_MAX)
    return false;
  MBuf<unsigned char> bytes((uint32_t)(len / 2), out.wipes());
  for (size_t i = 0; i < len / 2; i++) {
    int hi = nibble(text[2 * i]);
    int lo = nibble(text[2 * i + 1]);
    if (hi < 0 || lo < 0)
      return false;
    bytes[(uint32_t)i] = (unsigned char)(hi << 4 | lo);
  }
  out = std::move(bytes);
  return true;
}

void hexDecode(const char* text, MBuf<unsigned char>& out)
{
  if (!tryHexDecode(text, out))
    throw Exception("Bad hex string");
}

String hexEncode(const void* data, size_t n)
{
  static const char digits[] = "0123456789abcdef";
  char* out = static_cast<char*>(malloc(2 * n + 1));
  if (!out)
    throw std::bad_alloc();
  const unsigned char* p = static_cast<const unsigned char*>(data);
  for (size_t i = 0; i < n; i++) {
    out[2 * i] = digits[p[i] >> 4];
    out[2 * i + 1] = digits[p[i] & 15];
  }
  out[2 * n] = '\0';
  return String::adopting(out);
}

void wipe(void* p, size_t n)
{
  // Stores through a volatile pointer are observable behaviour, so the
  // loop survives even right before free().
  volatile unsigned char* v = static_cast<volatile unsigned char*>(p);
  for (size_t i = 0; i < n; i++)
    v[i] = 0;
}

bool constTimeEqual(const void* a, const void* b, size_t n)
{
  const volatile unsigned char* x =
      static_cast<const volatile unsigned char*>(a);
  const volatile unsigned char* y =
      static_cast<const volatile unsigned char*>(b);
  unsigned char diff = 0;
  for (size_t i = 0; i < n; i++)
    diff |= (unsigned char)(x[i] ^ y[i]);
  return diff == 0;
}

} // namespace plat
