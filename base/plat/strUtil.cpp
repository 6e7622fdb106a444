#include <plat/strUtil.h>

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <new>
#include <strings.h>

namespace plat {

size_t strLen(const char* s)
{
  return s ? strlen(s) : 0;
}

size_t strBoundedLen(const char* s, size_t n)
{
  return s ? strnlen(s, n) : 0;
}

char* strDup(const char* s)
{
  if (!s)
    return nullptr;
  char* d = strdup(s);
  if (!d)
    throw std::bad_alloc();
  return d;
}

void strToUpper(char* s)
{
  for (; s && *s; s++)
    *s = (char)toupper((unsigned char)*s);
}

void strToLower(char* s)
{
  for (; s && *s; s++)
    *s = (char)tolower((unsigned char)*s);
}

char* strSkipSpace(char* s)
{
  while (s && (*s == ' ' || *s == '\t' || *s == '\r' || *s == '\n'))
    s++;
  return s;
}

const char* strSkipSpace(const char* s)
{
  return strSkipSpace(const_cast<char*>(s));
}

bool strStartsWith(const char* text, const char* prefix)
{
  if (!prefix)
    return true;
  if (!text)
    return !prefix[0];
  return strncmp(text, prefix, strlen(prefix)) == 0;
}

bool strStartsWithNoCase(const char* text, const char* prefix)
{
  if (!prefix)
    return true;
  if (!text)
    return !prefix[0];
  return strncasecmp(text, prefix, strlen(prefix)) == 0;
}

std::set<String> strSplitSet(const char* text, char sep)
{
  std::set<String> pieces;
  if (!text)
    return pieces;
  for (;;) {
    const char* end = strchr(text, sep);
    size_t n = end ? (size_t)(end - text) : strlen(text);
    if (n)
      pieces.insert(String(text, n));
    if (!end)
      return pieces;
    text = end + 1;
  }
}

String strInsertEvery(const char* text, size_t k, char sep)
{
  if (!text)
    return String();
  size_t n = strlen(text);
  if (k == 0 || n <= k)
    return String(text);
  size_t seps = (n - 1) / k;
  char* out = static_cast<char*>(malloc(n + seps + 1));
  if (!out)
    throw std::bad_alloc();
  char* o = out;
  for (size_t i = 0; i < n; i++) {
    if (i && i % k == 0)
      *o++ = sep;
    *o++ = text[i];
  }
  *o = '\0';
  return String::adopting(out);
}

bool strHasCharBefore(const char* begin, const char* end, char c)
{
  for (const char* p = begin; p && p < end; p++) {
    if (*p == c)
      return true;
  }
  return false;
}

} // namespace plat
