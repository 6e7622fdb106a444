#include <plat/DString.h>

#include <plat/Assert.h>
#include <plat/utf8.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <utility>

namespace plat {

namespace {

const int32_t MaxCapacity = 1 << 30;

// Length of up to len bytes of text (all when len < 0), stopping at a NUL.
int sourceLength(const char* text, int len)
{
  size_t n = len < 0 ? strlen(text) : strnlen(text, (size_t)len);
  if (n >= (size_t)MaxCapacity)
    throw std::bad_alloc();
  return (int)n;
}

} // namespace

DString::DString(const char* text, int len) : DString()
{
  append(text, len);
}

DString::DString(const DString& other) : DString()
{
  assign(other);
}

DString::DString(DString&& other) noexcept : buf_(other.buf_), cap_(other.cap_)
{
  other.buf_ = nullptr;
  other.cap_ = 0;
}

DString::~DString()
{
  free(buf_);
}

DString& DString::operator=(const DString& other)
{
  assign(other);
  return *this;
}

DString& DString::operator=(DString&& other) noexcept
{
  DString tmp(std::move(other));
  swap(tmp);
  return *this;
}

int DString::length() const
{
  return buf_ ? (int)strlen(buf_) : 0;
}

void DString::reserve(int n)
{
  if (n <= cap_)
    return;
  if (n > MaxCapacity)
    throw std::bad_alloc();
  int32_t cap = 8;
  while (cap < n)
    cap <<= 1;
  char* nb = static_cast<char*>(malloc((size_t)cap));
  if (!nb)
    throw std::bad_alloc();
  if (buf_) {
    memcpy(nb, buf_, strlen(buf_) + 1);
    free(buf_);
  } else {
    nb[0] = '\0';
  }
  nb[cap - 1] = '\0';
  buf_ = nb;
  cap_ = cap;
}

void DString::clear()
{
  if (buf_)
    buf_[0] = '\0';
}

char* DString::release()
{
  char* b = buf_;
  buf_ = nullptr;
  cap_ = 0;
  return b;
}

void DString::swap(DString& other) noexcept
{
  std::swap(buf_, other.buf_);
  std::swap(cap_, other.cap_);
}

void DString::assign(const DString& other)
{
  if (this == &other)
    return;
  assign(other.c_str());
}

void DString::assign(const char* text, int len)
{
  if (text && inside(text)) {
    DString tmp(text, len);
    swap(tmp);
    return;
  }
  clear();
  append(text, len);
}

void DString::append(const char* text, int len)
{
  if (!text)
    return;
  int n = sourceLength(text, len);
  if (n == 0)
    return;
  int cur = length();
  if ((int64_t)cur + n + 1 > MaxCapacity)
    throw std::bad_alloc();
  if (inside(text)) {
    // Growing would free the source.
    size_t off = (size_t)(text - buf_);
    reserve(cur + n + 1);
    memmove(buf_ + cur, buf_ + off, (size_t)n);
  } else {
    reserve(cur + n + 1);
    memcpy(buf_ + cur, text, (size_t)n);
  }
  buf_[cur + n] = '\0';
}

void DString::appendFormat(const char* fmt, ...)
{
  va_list ap;
  va_start(ap, fmt);
  appendFormatV(fmt, ap);
  va_end(ap);
}

void DString::appendFormatV(const char* fmt, va_list ap)
{
  int cur = length();
  int64_t estimate = (int64_t)strlen(fmt);
  for (;;) {
    if (cur + estimate + 1 > MaxCapacity)
      throw std::bad_alloc();
    reserve((int)(cur + estimate + 1));
    va_list aq;
    va_copy(aq, ap);
    int n = vsnprintf(buf_ + cur, (size_t)(cap_ - cur), fmt, aq);
    va_end(aq);
    if (n < 0) {
      buf_[cur] = '\0';
      estimate = estimate > 0 ? estimate * 2 : 64;
      continue;
    }
    if (n < cap_ - cur)
      return;
    buf_[cur] = '\0';
    estimate = n;
  }
}

void DString::appendCodePoint(uint32_t cp, int count)
{
  if (count < 1)
    return;
  char seq[4];
  int n = utf8Encode(cp, seq);
  int cur = length();
  if ((int64_t)cur + (int64_t)n * count + 1 > MaxCapacity)
    throw std::bad_alloc();
  reserve(cur + n * count + 1);
  char* p = buf_ + cur;
  for (int i = 0; i < count; i++, p += n)
    memcpy(p, seq, (size_t)n);
  *p = '\0';
}

void DString::splice(int start, int end, const char* text, int len)
{
  int cur = length();
  if (start < 0 || start > end || end > cur)
    return;
  if (text && inside(text)) {
    DString tmp(text, len);
    splice(start, end, tmp.c_str());
    return;
  }
  int n = text ? sourceLength(text, len) : 0;
  int64_t newLen = (int64_t)cur - (end - start) + n;
  if (newLen + 1 > MaxCapacity)
    throw std::bad_alloc();
  reserve((int)newLen + 1);
  memmove(buf_ + start + n, buf_ + end, (size_t)(cur - end) + 1);
  if (n)
    memcpy(buf_ + start, text, (size_t)n);
}

void DString::appendReplaceAll(const char* haystack, const char* needle,
                               const char* replacement)
{
  size_t findLen = needle ? strlen(needle) : 0;
  PLAT_ASSERT(findLen);
  if (!haystack)
    return;
  if (inside(haystack) || (replacement && inside(replacement))) {
    DString tmp;
    tmp.appendReplaceAll(haystack, needle, replacement);
    append(tmp.c_str());
    return;
  }
  const char* p = haystack;
  for (;;) {
    const char* hit = strstr(p, needle);
    if (!hit) {
      append(p);
      return;
    }
    append(p, (int)(hit - p));
    append(replacement);
    p = hit + findLen;
  }
}

void DString::replaceAll(const char* needle, const char* replacement)
{
  DString out;
  out.appendReplaceAll(c_str(), needle, replacement);
  swap(out);
}

bool DString::makeValid()
{
  if (utf8Valid(c_str()))
    return true;
  String fixed = utf8Repair(c_str());
  assign(fixed.c_str());
  return false;
}

void DString::wordWrap(int width, int indent)
{
  // Built in a std::string: appending to a DString measures its length
  // each time.
  std::string out;
  const char* p = c_str();
  int col = 0;
  bool afterNewline = false;
  for (;;) {
    const char* spaces = p;
    while (*p == ' ')
      p++;
    int nSpaces = afterNewline ? 0 : (int)(p - spaces);
    if (*p == '\0')
      break; // trailing spaces are dropped
    if (*p == '\n') {
      // A newline takes the place of all the spaces around it.
      out += '\n';
      col = 0;
      afterNewline = true;
      p++;
      continue;
    }
    afterNewline = false;
    const char* word = p;
    while (*p && *p != ' ' && *p != '\n')
      p++;
    int wordWidth = (int)utf8Width(word, p);
    if (col + nSpaces + wordWidth > width && col > 0) {
      out += '\n';
      out.append(indent > 0 ? (size_t)indent : 0, ' ');
      col = indent + wordWidth;
    } else {
      out.append((size_t)nSpaces, ' ');
      col += nSpaces + wordWidth;
    }
    out.append(word, (size_t)(p - word));
  }
  assign(out.c_str(), (int)out.size());
}

} // namespace plat
