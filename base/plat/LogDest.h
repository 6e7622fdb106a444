// plat::LogDest: where log messages go.
//
// A destination receives (level, source name, text) from the sources the
// "Log" parameter routes to it (LogSrc.h). A destination with a name
// joins the process-wide list of named destinations, which is what the
// routing's "<target>" part is looked up in; an unnamed one (the
// memory destination) is reached only directly.
//
// Implementations protect their own state: write() is called from any
// thread, concurrently, and must not throw. Destinations normally live for
// the whole process (function-local statics); destroying one removes it
// from the list and from every source.
#pragma once

#include <atomic>
#include <cstdio>
#include <string>
#include <vector>

namespace plat {

class LogDest {
public:
  // name must be a static text, or null for an unnamed destination.
  explicit LogDest(const char* name = nullptr);
  virtual ~LogDest();

  // Delivers one message; text is already escaped and NUL-terminated.
  virtual void write(int level, const char* srcName, const char* text) = 0;
  // Whether messages at this level are wanted at all. Admits every level
  // unless overridden.
  virtual bool accepts(int level) const;

  const char* name() const { return name_; }
  // The destination's own limit, combined with each source's configured
  // level (initially 2147483647). Call LogSrc::recomputeAllLevels() after
  // changing it.
  int level() const { return level_; }
  void setLevel(int level) { level_ = level; }

  // The first named destination whose name matches case-insensitively, or
  // null.
  static LogDest* find(const char* name);
  // Every destination name, in list order (newest first).
  static std::vector<std::string> names();
  // Writes every destination name, one "  %s\n" line each, in list order.
  static void printNames(FILE* out);

private:
  friend class LogSrc;
  friend struct LogState;

  const char* name_;
  LogDest* next_;
  std::atomic<int> level_;
};

} // namespace plat
