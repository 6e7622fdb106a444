#include <plat/Assert.h>

#include <plat/ConfigParameter.h>
#include <plat/LogSrc.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <execinfo.h>

namespace plat {

namespace {

// Process-wide and never cleared: once any thread is in the handler, any
// further failure aborts without output.
volatile char assertionInProgress = 0;

void (*flushHook)() = nullptr;

// Function-local statics: an assertion or a warning may come from any
// static constructor, before this file's statics exist.
LogSrc& assertionLog()
{
  static StaticLogSrc src("Assertion");
  return *src;
}

BoolParameter& badUtf8AssertParam()
{
  static BoolParameter param(
      "_BadUtf8Assert",
      "Make bad UTF-8 cause an assertion failure for debugging", false, true);
  return param;
}

// Both exist from start-up even when unused, so that help and the Log
// routing see them.
LogSrc& assertionLogInit = assertionLog();
BoolParameter& badUtf8AssertInit = badUtf8AssertParam();

// Routes one line to the "Assertion" log source at level 0.
void logAssertion(const char* format, ...)
    __attribute__((format(printf, 1, 2)));
void logAssertion(const char* format, ...)
{
  va_list ap;
  va_start(ap, format);
  assertionLog().logV(LogSrc::LevelError, format, ap);
  va_end(ap);
}

enum { MaxFrames = 62 };

} // namespace

void setAssertionFlushHook(void (*flush)())
{
  flushHook = flush;
}

void assertionHandler(const AssertionFail& e)
{
  if (assertionInProgress)
    abort();
  assertionInProgress = 1;

  fprintf(stderr, "%s\n", e.message());
  try {
    logAssertion("%s", e.message());

    void* frames[MaxFrames];
    int n = backtrace(frames, MaxFrames);
    if (n >= 2) {
      char** symbols = backtrace_symbols(frames, n);
      if (symbols) {
        // Frame 0 is this function.
        for (int i = 1; i < n; i++) {
          char line[512];
          snprintf(line, sizeof(line), "%2d %s", i, symbols[i]);
          logAssertion("stacktrace: %s", line);
        }
        free(symbols);
      }
    }
    if (flushHook)
      flushHook();
  } catch (...) {
  }
  abort();
}

void fatalAssertion(const char* expr, const char* file, int line)
{
  assertionHandler(AssertionFail(expr, file, line));
}

void fatalAssertionDetail(const char* expr, const char* file, int line,
                          const char* format, ...)
{
  AssertionFail e(expr, file, line);
  va_list ap;
  va_start(ap, format);
  e.addDetailV(format, ap);
  va_end(ap);
  assertionHandler(e);
}

bool badUtf8Asserts()
{
  return badUtf8AssertParam();
}

void warning(const Exception& e)
{
  try {
    logAssertion("Warning: %s", e.message());
  } catch (...) {
  }
}

} // namespace plat
