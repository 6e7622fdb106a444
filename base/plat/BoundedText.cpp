#include <plat/BoundedText.h>

#include <cstdio>
#include <cstring>

namespace plat {

size_t utf8TailTrim(char* text, size_t len)
{
  // Only the last 4 bytes can hold the start of a sequence that is cut by
  // the terminator at text[len].
  size_t lowest = len > 4 ? len - 4 : 0;
  for (size_t i = len; i > lowest; i--) {
    unsigned char c = (unsigned char)text[i - 1];
    if ((c & 0xc0) == 0x80)
      continue; // continuation byte: keep looking back
    if (c < 0x80)
      break; // ASCII: nothing is cut
    size_t need = 0;
    if ((c & 0xe0) == 0xc0)
      need = 2;
    else if ((c & 0xf0) == 0xe0)
      need = 3;
    else if ((c & 0xf8) == 0xf0)
      need = 4;
    if (need != 0 && (i - 1) + need > len) {
      text[i - 1] = '\0';
      return i - 1;
    }
    break;
  }
  text[len] = '\0';
  return len;
}

void boundedAppend(char* dst, size_t dstSize, const char* src, long srcLen)
{
  if (!src || dstSize == 0)
    return;
  size_t cur = strnlen(dst, dstSize - 1);
  size_t n = srcLen < 0 ? strlen(src) : strnlen(src, (size_t)srcLen);
  size_t room = dstSize - 1 - cur;
  if (n <= room) {
    memcpy(dst + cur, src, n);
    dst[cur + n] = '\0';
    return;
  }
  memcpy(dst + cur, src, room);
  dst[dstSize - 1] = '\0';
  utf8TailTrim(dst, dstSize - 1);
}

void boundedAppendFormatV(char* dst, size_t dstSize, const char* fmt,
                          va_list ap)
{
  if (dstSize == 0)
    return;
  size_t cur = strnlen(dst, dstSize - 1);
  size_t room = dstSize - cur;
  int n = vsnprintf(dst + cur, room, fmt, ap);
  dst[dstSize - 1] = '\0';
  if (n < 0)
    utf8TailTrim(dst, strlen(dst));
  else if ((size_t)n >= room)
    utf8TailTrim(dst, dstSize - 1);
}

void boundedAppendFormat(char* dst, size_t dstSize, const char* fmt, ...)
{
  va_list ap;
  va_start(ap, fmt);
  boundedAppendFormatV(dst, dstSize, fmt, ap);
  va_end(ap);
}

} // namespace plat
