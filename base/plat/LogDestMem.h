// plat::LogDestMem: keeps the messages that no destination took.
//
// Until logging is configured (LogSrc::finishStartup()), every message
// without a destination ends up here, so that it can be replayed into the
// destinations a later "Log" routing names. The store is limited: the
// 501st message is replaced by the notice "Too many messages, discarding
// further ones" (level 0, source "LogDestMem") and further ones are
// discarded, until messages are dropped.
//
// One process-wide instance, created on first use (usable during static
// initialisation) and never destroyed. All operations lock its mutex; none
// throws except std::bad_alloc from write's copies (swallowed).
#pragma once

#include <plat/LogDest.h>

#include <mutex>
#include <string>
#include <vector>

namespace plat {

class LogDestMem : public LogDest {
public:
  enum { MaxMessages = 500 };

  struct Message {
    int level;
    std::string src;
    std::string text;
  };

  static LogDestMem& instance();

  // Ignored while replaying (the replayed writes must not come back).
  void write(int level, const char* srcName, const char* text) override;

  // Writes every stored message of level <= level to dest, in order, framed
  // by (level, "LogDestMem", "Start replaying stored messages") and
  // "Finished replaying stored messages". Nothing is written when no
  // message qualifies. The store is unchanged. dest must not write back
  // into this destination from another thread while this runs.
  void replay(LogDest& dest, int level);
  // Removes every stored message of level <= level.
  void dropUpTo(int level);
  void clear();

  // A copy of the store (tests, diagnostics).
  std::vector<Message> messages() const;

  LogDestMem();

private:
  // Recursive: a destination being replayed into may log, and its message
  // comes back here (where it is ignored while replaying).
  mutable std::recursive_mutex mutex_;
  std::vector<Message> store_;
  bool replaying_;
};

} // namespace plat
