#include "FuzzCheck.h"

#include <cstdio>
#include <cstdlib>

namespace jexfuzz {

namespace {

void abortOnFailure(const char* what)
{
  fprintf(stderr, "fuzz check failed: %s\n", what);
  abort();
}

CheckFailureHandler handler = abortOnFailure;

} // namespace

void setCheckFailureHandler(CheckFailureHandler h)
{
  handler = h ? h : abortOnFailure;
}

void checkFailed(const char* file, int line, const char* cond)
{
  char what[512];
  snprintf(what, sizeof(what), "%s:%d: %s", file, line, cond);
  handler(what);
  abort();  // a handler that returned
}

} // namespace jexfuzz
