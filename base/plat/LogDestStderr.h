// plat::LogDestStderr: the "stderr" log destination.
//
// Each message becomes one line on standard error, "<source>: <text>\n",
// written with a single write() so that lines of concurrent threads never
// interleave. A program run by CUPS turns on the message-kind prefix, so
// that its log lines land in CUPS's error log with the right severity:
//
//   level <= 0        "ERROR: "
//   level 1 to 29     "WARNING: "
//   level 30          "INFO: "
//   level above 30    "DEBUG: "
//
// One process-wide instance, created by instance() (which registers the
// name, so call it before parsing a "Log" routing) and never destroyed.
// Lines longer than 4096 bytes are cut. write() never throws.
#pragma once

#include <plat/LogDest.h>

#include <atomic>

namespace plat {

class LogDestStderr : public LogDest {
public:
  static LogDestStderr& instance();

  void write(int level, const char* srcName, const char* text) override;

  // Whether each line starts with the CUPS message kind of its level.
  void setCupsPrefix(bool on) { cupsPrefix_ = on; }
  // The prefix for a level, "ERROR: " to "DEBUG: ".
  static const char* cupsPrefix(int level);

private:
  LogDestStderr();
  std::atomic<bool> cupsPrefix_;
};

} // namespace plat
