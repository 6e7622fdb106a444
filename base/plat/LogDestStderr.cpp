#include <plat/LogDestStderr.h>

#include <cerrno>
#include <cstdio>
#include <unistd.h>

namespace plat {

LogDestStderr::LogDestStderr() : LogDest("stderr"), cupsPrefix_(false) {}

LogDestStderr& LogDestStderr::instance()
{
  // Never destroyed: static destructors may still log.
  static LogDestStderr* dest = new LogDestStderr;
  return *dest;
}

const char* LogDestStderr::cupsPrefix(int level)
{
  if (level <= 0)
    return "ERROR: ";
  if (level < 30)
    return "WARNING: ";
  if (level == 30)
    return "INFO: ";
  return "DEBUG: ";
}

void LogDestStderr::write(int level, const char* srcName, const char* text)
{
  // Formatted into a local buffer and written at once: stdio's stderr is
  // unbuffered and would split the line into several writes.
  char line[4096];
  int n = snprintf(line, sizeof(line) - 1, "%s%s: %s",
                   cupsPrefix_ ? cupsPrefix(level) : "", srcName ? srcName : "",
                   text ? text : "");
  if (n < 0)
    return;
  size_t len = (size_t)n < sizeof(line) - 1 ? (size_t)n : sizeof(line) - 2;
  line[len++] = '\n';
  const char* p = line;
  while (len > 0) {
    ssize_t w = ::write(STDERR_FILENO, p, len);
    if (w < 0 && errno == EINTR)
      continue;
    if (w <= 0)
      return;
    p += w;
    len -= (size_t)w;
  }
}

} // namespace plat
