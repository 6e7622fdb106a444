#include <plat/String.h>

#include <plat/DString.h>
#include <plat/strUtil.h>

#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>

namespace plat {

String::String(const char* text) : s_(strDup(text)) {}

String::String(const char* text, size_t len) : s_(nullptr)
{
  if (!text)
    return;
  size_t n = strnlen(text, len);
  s_ = static_cast<char*>(malloc(n + 1));
  if (!s_)
    throw std::bad_alloc();
  memcpy(s_, text, n);
  s_[n] = '\0';
}

String::String(const String& other) : s_(strDup(other.s_)) {}

String::~String()
{
  free(s_);
}

String& String::operator=(const String& other)
{
  if (this != &other)
    adopt(strDup(other.s_));
  return *this;
}

String& String::operator=(String&& other) noexcept
{
  if (this != &other) {
    free(s_);
    s_ = other.s_;
    other.s_ = nullptr;
  }
  return *this;
}

String& String::operator=(const char* text)
{
  // Copy first: text may point into our own buffer.
  adopt(strDup(text));
  return *this;
}

void String::adopt(char* owned)
{
  if (owned == s_)
    return;
  free(s_);
  s_ = owned;
}

String String::adopting(char* owned)
{
  String s;
  s.s_ = owned;
  return s;
}

char* String::release()
{
  char* s = s_;
  s_ = nullptr;
  return s;
}

String String::format(const char* fmt, ...)
{
  DString d;
  va_list ap;
  va_start(ap, fmt);
  d.appendFormatV(fmt, ap);
  va_end(ap);
  // A DString that stayed empty has no buffer, but the result of
  // formatting is always a value.
  if (d.capacity() == 0)
    return String("");
  return adopting(d.release());
}

size_t String::length() const
{
  return s_ ? strlen(s_) : 0;
}

void String::clear()
{
  free(s_);
  s_ = nullptr;
}

void String::swap(String& other) noexcept
{
  std::swap(s_, other.s_);
}

int String::compare(const char* a, const char* b)
{
  if (!a || !b)
    return (a ? 1 : 0) - (b ? 1 : 0);
  return strcmp(a, b);
}

} // namespace plat
