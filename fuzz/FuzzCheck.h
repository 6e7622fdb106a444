// Checks of the fuzz targets' own expectations (round trips, agreement of
// two implementations, postconditions of a parser).
//
// A failed check must be a crash for the fuzzer, which only notices
// crashes, but a test failure naming the input for the corpus replay test,
// which goes on to the next input. So the failure goes through a handler:
// by default it prints the check and aborts; the replay test installs one
// that throws CheckFailed.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <stdexcept>

namespace jexfuzz {

class CheckFailed : public std::logic_error {
public:
  using std::logic_error::logic_error;
};

// Called with "file:line: condition"; must not return. Null restores the
// default.
typedef void (*CheckFailureHandler)(const char* what);

inline void abortOnFailure(const char* what)
{
  fprintf(stderr, "fuzz check failed: %s\n", what);
  abort();
}

inline CheckFailureHandler checkFailureHandler = abortOnFailure;

inline void setCheckFailureHandler(CheckFailureHandler h)
{
  checkFailureHandler = h ? h : abortOnFailure;
}

[[noreturn]] inline void checkFailed(const char* file, int line,
                                     const char* cond)
{
  char what[512];
  snprintf(what, sizeof(what), "%s:%d: %s", file, line, cond);
  checkFailureHandler(what);
  abort(); // a handler that returned
}

} // namespace jexfuzz

#define FUZZ_CHECK(cond)                                                       \
  do {                                                                         \
    if (!(cond))                                                               \
      ::jexfuzz::checkFailed(__FILE__, __LINE__, #cond);                       \
  } while (0)
