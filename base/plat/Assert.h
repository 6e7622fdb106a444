// Assertions, the assertion handler and the warning operation.
//
//   PLAT_ASSERT(cond)                  fatal: report and abort()
//   PLAT_ASSERT_DETAIL(cond, fmt, ...) fatal, with ": <detail>" added
//   PLAT_ASSERT_THROW(cond)            throws plat::AssertionFail
//
// All three capture the condition's source text, __FILE__ and __LINE__. A
// fatal assertion hands a plat::AssertionFail to assertionHandler(), which
// writes the message to stderr, logs it with a stack trace on the
// "Assertion" log source, flushes the IPC log destination and aborts. A
// second failure while the handler runs aborts at once, silently.
#pragma once

#include <plat/Exception.h>

#define PLAT_ASSERT(cond)                                                      \
  do {                                                                         \
    if (__builtin_expect(!(cond), 0))                                          \
      ::plat::fatalAssertion(#cond, __FILE__, __LINE__);                       \
  } while (0)

#define PLAT_ASSERT_DETAIL(cond, ...)                                          \
  do {                                                                         \
    if (__builtin_expect(!(cond), 0))                                          \
      ::plat::fatalAssertionDetail(#cond, __FILE__, __LINE__, __VA_ARGS__);    \
  } while (0)

#define PLAT_ASSERT_THROW(cond)                                                \
  do {                                                                         \
    if (__builtin_expect(!(cond), 0))                                          \
      throw ::plat::AssertionFail(#cond, __FILE__, __LINE__);                  \
  } while (0)

namespace plat {

// Never returns. See the file comment for what it does.
[[noreturn]] void assertionHandler(const AssertionFail& e);

[[noreturn]] void fatalAssertion(const char* expr, const char* file, int line);
[[noreturn]] void fatalAssertionDetail(const char* expr, const char* file,
                                       int line, const char* format, ...)
    __attribute__((format(printf, 4, 5)));

// Logs "Warning: <message>" on the "Assertion" log source at level 0.
// Never throws.
void warning(const Exception& e);

// The IPC log destination registers its flush here so that the handler can
// push queued messages to their reader before aborting. Null clears it.
void setAssertionFlushHook(void (*flush)());

// Whether a plat::BadUtf8 must become a fatal assertion (the _BadUtf8Assert
// debugging parameter).
bool badUtf8Asserts();

} // namespace plat
