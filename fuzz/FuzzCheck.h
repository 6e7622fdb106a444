// Checks of the fuzz targets' own expectations (round trips, agreement of
// two implementations, postconditions of a parser).
//
// A failed check must be a crash for the fuzzer, which only notices
// crashes, but a test failure naming the input for the corpus replay test,
// which goes on to the next input. So the failure goes through a handler:
// by default it prints the check and aborts; the replay test installs one
// that throws CheckFailed.
#pragma once

#include <stdexcept>

namespace jexfuzz {

class CheckFailed : public std::logic_error {
public:
  using std::logic_error::logic_error;
};

// Called with "file:line: condition"; must not return.
typedef void (*CheckFailureHandler)(const char* what);
void setCheckFailureHandler(CheckFailureHandler handler);
[[noreturn]] void checkFailed(const char* file, int line, const char* cond);

} // namespace jexfuzz

#define FUZZ_CHECK(cond)                                        \
  do {                                                          \
    if (!(cond))                                                \
      ::jexfuzz::checkFailed(__FILE__, __LINE__, #cond);        \
  } while (0)
