#include <rdr/OutStream.h>

#include <plat/utf8.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace rdr {

OutStream::OutStream() : ptr(nullptr), end(nullptr) {}

OutStream::~OutStream() {}

void OutStream::writeBytes(const void* data, size_t len)
{
  const uint8_t* in = static_cast<const uint8_t*>(data);
  while (len > 0) {
    size_t n = size_t(end - ptr);
    if (n == 0)
      n = overrun(1, len);
    n = std::min(n, len);
    memcpy(ptr, in, n);
    ptr += n;
    in += n;
    len -= n;
  }
}

void OutStream::flush() {}

OutStream* OutStream::bottomStream()
{
  return this;
}

size_t OutStream::pendingBytes()
{
  OutStream* bottom = bottomStream();
  if (bottom == this)
    return 0;
  return bottom->pendingBytes();
}

bool OutStream::shutdownWrite()
{
  return false;
}

void OutStream::setThrowErrors(bool) {}

void OutStream::pad(size_t n)
{
  while (n > 0) {
    size_t k = std::min(n, check(1, n));
    memset(ptr, 0, k);
    ptr += k;
    n -= k;
  }
}

static size_t textLength(const char* s, long len)
{
  if (!s)
    return 0;
  if (len < 0)
    return strlen(s);
  return strnlen(s, size_t(len));
}

void OutStream::writeString(const char* s, long len)
{
  size_t n = textLength(s, len);
  writeU32(uint32_t(n));
  writeBytes(s, n);
}

void OutStream::writeString8(const char* s)
{
  size_t n = std::min(strlen(s), size_t(255));
  writeU8(uint8_t(n));
  writeBytes(s, n);
}

void OutStream::terminateText()
{
  check(1);
  *ptr = 0;
}

void OutStream::appendText(const char* s, long len)
{
  writeBytes(s, textLength(s, len));
  terminateText();
}

void OutStream::appendFormat(const char* format, ...)
{
  va_list ap;
  va_start(ap, format);
  appendFormatV(format, ap);
  va_end(ap);
}

void OutStream::appendFormatV(const char* format, va_list ap)
{
  size_t estimate = strlen(format);
  for (;;) {
    // Room for the text and vsnprintf's terminator, which stays uncounted.
    if (size_t(end - ptr) < estimate + 1)
      check(estimate + 1);
    size_t room = size_t(end - ptr);
    va_list aq;
    va_copy(aq, ap);
    int r = vsnprintf(reinterpret_cast<char*>(ptr), room, format, aq);
    va_end(aq);
    if (r < 0) {
      estimate = estimate ? estimate * 2 : 64;
      continue;
    }
    if (size_t(r) < room) {
      ptr += r;
      return;
    }
    estimate = size_t(r);
  }
}

void OutStream::appendChar(uint32_t c, int n)
{
  char buf[4];
  size_t len = size_t(plat::utf8Encode(c, buf));
  for (int i = 0; i < n; i++)
    writeBytes(buf, len);
  terminateText();
}

} // namespace rdr
