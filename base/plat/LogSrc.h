// Named log sources and the routing of their messages.
//
// A module logs through a static plat::LogSrc object, one per module or
// topic. Every message carries a level; smaller is more important. The
// system uses four levels, each with its own call:
//
//   0    error()   failures and warnings
//   30   status()  noteworthy events
//   100  info()    details, such as configuration changes
//   110  debug()   chatter, such as defaults being set
//
// Declaring a source and logging (printf-style, no trailing newline):
//
//   static plat::StaticLogSrc vlog("FdOutStream");
//   vlog->error("write failed: %s", e.message());
//   vlog->debug("flushed %d bytes", n);
//   vlog->log(42, "any level");
//
// Which sources reach which destinations (plat::LogDest), and up to which
// level, is set by the "Log" parameter, a comma-separated list of
// "<log>:<target>:<level>" elements: a source-name pattern ('*' matches any
// run of characters, case-insensitive), a destination name and a level.
// Until the program calls LogSrc::finishStartup(), every message is
// formatted and, when no destination takes it, kept in the memory
// destination (LogDestMem.h) to be replayed into destinations configured
// later. After it, a message above its source's level costs one
// comparison and its arguments are not formatted.
//
// Texts are cut to 4095 bytes at a UTF-8 boundary; control characters and
// invalid UTF-8 bytes are escaped with '~' (see escapeText()).
//
// Logging never throws for a well-formed call and may be used from any
// thread; applying a routing must not race with logging.
//
// Static initialisation: a source's constructor may run before or after any
// other static constructor (the process-wide lists are created on first
// use), but a source must be constructed before it is used; logging on a
// source whose constructor has not run is a fatal assertion
// ("constructed"). If another file's static constructor may log on your
// source, make it a function-local static:
//
//   plat::LogSrc& fooLog() { static plat::StaticLogSrc s("Foo"); return *s; }
//
// Module sources are declared as plat::StaticLogSrc (below) rather than as
// plain LogSrc objects: a static source is then never destroyed, so static
// destructors and threads still running while the process exits can keep
// logging on it.
#pragma once

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <map>
#include <new>
#include <string>
#include <vector>

namespace plat {

class LogDest;
class StringParameter;

class LogSrc {
public:
  enum : int {
    LevelError = 0,
    LevelStatus = 30,
    LevelInfo = 100,
    LevelDebug = 110,
    LevelNone = -1,        // admits nothing
    LevelAll = 2147483647, // admits everything
  };

  // name must be a static text. Joins the process-wide source list and
  // takes the destinations the current routing gives it.
  explicit LogSrc(const char* name);
  // Leaves the source list and drops the destinations.
  virtual ~LogSrc();

  const char* name() const { return name_; }
  // The highest level this source admits (-1: none).
  int level() const { return level_.load(std::memory_order_relaxed); }
  // Whether a message at this level would be formatted at all.
  bool enabled(int level) const;

  void log(int level, const char* format, ...)
      __attribute__((format(printf, 3, 4)));
  void logV(int level, const char* format, va_list ap)
      __attribute__((format(printf, 3, 0)));
  void error(const char* format, ...) __attribute__((format(printf, 2, 3)));
  void status(const char* format, ...) __attribute__((format(printf, 2, 3)));
  void info(const char* format, ...) __attribute__((format(printf, 2, 3)));
  void debug(const char* format, ...) __attribute__((format(printf, 2, 3)));

  // Delivers an already formatted text: escaped, then written to every
  // destination that takes this level, else to the memory destination.
  void write(int level, const char* text);

  // Sets level() from the destinations: the largest, over them, of the
  // smaller of the pair's configured level and the destination's level; -1
  // when there are none.
  virtual void recomputeLevel();

  // The destinations and their configured levels (tests, diagnostics).
  // Read without a lock: do not call while a routing is applied.
  std::map<LogDest*, int> destinations() const;

  // Sets the override routing, which takes precedence over the "Log"
  // parameter (null: use the parameter), then applies the routing.
  static void setLogSpec(const char* routing);
  // Applies the override routing, or the "Log" parameter's value:
  // every source drops its destinations, the elements are matched against
  // the source names, levels are recomputed, stored messages are replayed
  // into the destinations of "*" elements and the memory destination drops
  // what is now delivered. Bad elements are reported on stderr ("Failed to
  // parse log param element: '%s'" or "No LogDest found: '%s'") and
  // skipped. Never throws except std::bad_alloc.
  static void applyLogSpec();
  // Marks logging as configured (once; later calls do nothing) and empties
  // the memory destination.
  static void finishStartup();
  static bool configured();
  // Every source recomputes its level (after a destination changed its own).
  static void recomputeAllLevels();
  // Every source name, in list order (newest first).
  static std::vector<std::string> names();
  // Writes every source name, one "  %s\n" line each, in list order.
  static void printNames(FILE* out);

  // Whether pattern matches name: '*' matches any run of characters, any
  // other character itself ignoring ASCII case.
  static bool patternMatches(const char* pattern, const char* name);
  // Appends text to out with every byte outside 32 to 125 escaped: '~'
  // becomes "~~", a control character c becomes "~^" and c ^ 64, valid
  // UTF-8 from 128 up is kept, and each byte b of an invalid sequence
  // becomes '~', then 'M' when b >= 128, then for c = b & 127 either '^'
  // and c ^ 64 (c < 33 or c == 127) or '-' and c.
  static void escapeText(const char* text, std::string& out);

  // The "Log" parameter (created on first use).
  static StringParameter& logParam();

private:
  friend class LogDest;
  friend struct LogState;

  const char* name_;
  std::atomic<int> level_;
  // Allocated when the first destination is added; read without a lock.
  std::map<LogDest*, int>* dests_;
  LogSrc* next_;
  char constructed_;
};

// A log source for the whole run of the program, for objects of static
// storage duration only: constructed with the other static objects, never
// destroyed. Its storage starts zeroed, so use before
// construction still meets the "constructed" assertion. Use it through ->
// or *:
//
//   static plat::StaticLogSrc vlog("FdOutStream");
//   vlog->error("write failed: %s", e.message());
class StaticLogSrc {
public:
  explicit StaticLogSrc(const char* name) { new (storage_) LogSrc(name); }
  StaticLogSrc(const StaticLogSrc&) = delete;
  StaticLogSrc& operator=(const StaticLogSrc&) = delete;

  LogSrc* operator->() { return get(); }
  LogSrc& operator*() { return *get(); }

private:
  LogSrc* get() { return std::launder(reinterpret_cast<LogSrc*>(storage_)); }

  alignas(LogSrc) unsigned char storage_[sizeof(LogSrc)];
};

} // namespace plat
