// Checks of the fuzz targets' own expectations. A failure must crash for the
// fuzzer, but be a test failure naming the input for the corpus replay,
// which sets checkFailuresThrow and goes on to the next input.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <stdexcept>

namespace jexfuzz {

class CheckFailed : public std::logic_error {
public:
  using std::logic_error::logic_error;
};

inline bool checkFailuresThrow = false;

[[noreturn]] inline void checkFailed(const char* file, int line,
                                     const char* cond)
{
  char what[512];
  snprintf(what, sizeof(what), "%s:%d: %s", file, line, cond);
  if (checkFailuresThrow)
    throw CheckFailed(what);
  fprintf(stderr, "fuzz check failed: %s\n", what);
  abort();
}

} // namespace jexfuzz

#define FUZZ_CHECK(cond)                                                       \
  do {                                                                         \
    if (!(cond))                                                               \
      ::jexfuzz::checkFailed(__FILE__, __LINE__, #cond);                       \
  } while (0)
