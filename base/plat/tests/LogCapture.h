// A named log destination that records what the sources routed to it
// write, for tests that check log lines. Routes with the given
// routing while it exists and restores the default routing after.
#pragma once

#include <plat/LogDest.h>
#include <plat/LogSrc.h>

#include <mutex>
#include <string>
#include <vector>

class LogCapture : public plat::LogDest {
public:
  // destName must be a static text that routing routes to.
  LogCapture(const char* destName, const char* routing) : LogDest(destName)
  {
    plat::LogSrc::setLogSpec(routing);
  }
  ~LogCapture() override { plat::LogSrc::setLogSpec(nullptr); }

  void write(int level, const char*, const char* text) override
  {
    std::lock_guard<std::mutex> l(m_);
    lines_.push_back(std::to_string(level) + " " + text);
  }

  // "<level> <text>" for each message, in order.
  std::vector<std::string> lines()
  {
    std::lock_guard<std::mutex> l(m_);
    return lines_;
  }
  void clear()
  {
    std::lock_guard<std::mutex> l(m_);
    lines_.clear();
  }

private:
  std::mutex m_;
  std::vector<std::string> lines_;
};
