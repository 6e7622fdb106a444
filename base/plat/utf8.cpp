#include <plat/utf8.h>

#include <plat/Exception.h>

#include <cstdlib>
#include <cstring>
#include <new>
#include <wchar.h>

namespace plat {

namespace {

const char ReplacementChar[] = "\xef\xbf\xbd"; // U+FFFD

bool isContinuation(unsigned char c)
{
  return (c & 0xc0) == 0x80;
}

// end may be null: the text is then NUL-terminated, and the NUL ends a
// sequence because it is not a continuation byte.
uint32_t decode(const char*& p, const char* end)
{
  const unsigned char* s = reinterpret_cast<const unsigned char*>(p);
  unsigned char lead = *s;
  if (lead < 0x80) {
    p++;
    return lead;
  }
  int need;
  uint32_t cp;
  if ((lead & 0xe0) == 0xc0) {
    need = 2;
    cp = lead & 0x1f;
  } else if ((lead & 0xf0) == 0xe0) {
    need = 3;
    cp = lead & 0x0f;
  } else if ((lead & 0xf8) == 0xf0) {
    need = 4;
    cp = lead & 0x07;
  } else {
    p++; // stray continuation or 0xf8..0xff
    return Utf8Invalid;
  }
  bool fits = !end || end - p >= need;
  int i = 1;
  for (; i < need; i++) {
    if (end && p + i >= end)
      break;
    if (!isContinuation(s[i]))
      break;
    cp = (cp << 6) | (s[i] & 0x3f);
  }
  p += i;
  if (!fits || i < need)
    return Utf8Invalid;

  static const uint32_t shortest[5] = {0, 0, 0x80, 0x800, 0x10000};
  if (cp < shortest[need] || cp > 0x10ffff)
    return Utf8Invalid;
  if ((cp >= 0xd800 && cp <= 0xdfff) || (cp >= 0xfdd0 && cp <= 0xfdef) ||
      (cp & 0xfffe) == 0xfffe)
    return Utf8Invalid;
  return cp;
}

bool valid(const char* s, const char* end)
{
  if (!s)
    return true;
  while (end ? s < end : *s != '\0') {
    if (decode(s, end) == Utf8Invalid)
      return false;
  }
  return true;
}

// Runs over the text once to size the result and once to fill it, so the
// cost stays linear in the text length.
size_t repairPass(const char* s, const char* end, size_t maxBytes, char* out)
{
  size_t used = 0;
  while ((!end || s < end) && *s != '\0') {
    const char* start = s;
    uint32_t cp = decode(s, end);
    const char* bytes = start;
    size_t n = (size_t)(s - start);
    if (cp == Utf8Invalid) {
      bytes = ReplacementChar;
      n = 3;
    }
    if (n > maxBytes - used)
      break;
    if (out)
      memcpy(out + used, bytes, n);
    used += n;
  }
  return used;
}

String repair(const char* s, const char* end, size_t maxBytes)
{
  if (!s)
    return String("");
  size_t n = repairPass(s, end, maxBytes, nullptr);
  char* out = static_cast<char*>(malloc(n + 1));
  if (!out)
    throw std::bad_alloc();
  repairPass(s, end, maxBytes, out);
  out[n] = '\0';
  return String::adopting(out);
}

size_t width(const char* s, const char* end)
{
  size_t total = 0;
  if (!s)
    return 0;
  while (end ? s < end : true) {
    if (*s == '\0')
      break;
    uint32_t cp = decode(s, end);
    if (cp == Utf8Invalid)
      break;
    int w = wcwidth((wchar_t)cp);
    total += w < 0 ? 1 : (size_t)w;
  }
  return total;
}

String toLatin1(const char* s, const char* end, size_t* len)
{
  size_t inLen = !s ? 0 : end ? (size_t)(end - s) : strlen(s);
  // Every character yields one byte, so the input length is enough.
  char* out = static_cast<char*>(malloc(inLen + 1));
  if (!out)
    throw std::bad_alloc();
  size_t n = 0;
  const char* stop = s ? s + inLen : s;
  while (s < stop) {
    uint32_t cp = decode(s, stop);
    if (cp < 256)
      out[n++] = (char)cp;
    else if (cp == 0x20ac)
      out[n++] = (char)0x80;
    else
      out[n++] = '?';
  }
  out[n] = '\0';
  if (len)
    *len = n;
  return String::adopting(out);
}

} // namespace

uint32_t utf8Decode(const char*& p, const char* end)
{
  return decode(p, end);
}

uint32_t utf8Decode(const char*& p)
{
  return decode(p, nullptr);
}

bool utf8Valid(const char* s, const char* end)
{
  return valid(s, end);
}

bool utf8Valid(const char* s)
{
  return valid(s, nullptr);
}

String utf8Repair(const char* s, const char* end, size_t maxBytes)
{
  return repair(s, end, maxBytes);
}

String utf8Repair(const char* s, size_t maxBytes)
{
  return repair(s, nullptr, maxBytes);
}

size_t utf8Width(const char* s, const char* end)
{
  return width(s, end);
}

size_t utf8Width(const char* s)
{
  return width(s, nullptr);
}

int utf8Encode(uint32_t cp, char out[4])
{
  if (cp < 0x80) {
    out[0] = (char)cp;
    return 1;
  }
  if (cp < 0x800) {
    out[0] = (char)(0xc0 | (cp >> 6));
    out[1] = (char)(0x80 | (cp & 0x3f));
    return 2;
  }
  if (cp < 0x10000) {
    out[0] = (char)(0xe0 | (cp >> 12));
    out[1] = (char)(0x80 | ((cp >> 6) & 0x3f));
    out[2] = (char)(0x80 | (cp & 0x3f));
    return 3;
  }
  if (cp < 0x110000) {
    out[0] = (char)(0xf0 | (cp >> 18));
    out[1] = (char)(0x80 | ((cp >> 12) & 0x3f));
    out[2] = (char)(0x80 | ((cp >> 6) & 0x3f));
    out[3] = (char)(0x80 | (cp & 0x3f));
    return 4;
  }
  throw Exception("Unicode out of range");
}

String utf8ToLatin1(const char* s, const char* end, size_t* len)
{
  return toLatin1(s, end, len);
}

String utf8ToLatin1(const char* s, size_t* len)
{
  return toLatin1(s, nullptr, len);
}

} // namespace plat
