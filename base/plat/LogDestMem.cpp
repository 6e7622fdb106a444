#include <plat/LogDestMem.h>

namespace plat {

namespace {
const char selfName[] = "LogDestMem";
}

LogDestMem::LogDestMem() : LogDest(nullptr), replaying_(false) {}

LogDestMem& LogDestMem::instance()
{
  // Never destroyed: messages may arrive from static destructors.
  static LogDestMem* mem = new LogDestMem;
  return *mem;
}

void LogDestMem::write(int level, const char* srcName, const char* text)
{
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  if (replaying_)
    return;
  if (store_.size() < (size_t)MaxMessages)
    store_.push_back({level, srcName ? srcName : "", text ? text : ""});
  else if (store_.size() == (size_t)MaxMessages)
    store_.push_back(
        {0, selfName, "Too many messages, discarding further ones"});
}

void LogDestMem::replay(LogDest& dest, int level)
{
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  replaying_ = true;
  bool started = false;
  for (const Message& m : store_) {
    if (m.level > level)
      continue;
    if (!started) {
      dest.write(level, selfName, "Start replaying stored messages");
      started = true;
    }
    dest.write(m.level, m.src.c_str(), m.text.c_str());
  }
  if (started)
    dest.write(level, selfName, "Finished replaying stored messages");
  replaying_ = false;
}

void LogDestMem::dropUpTo(int level)
{
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  std::vector<Message> kept;
  for (Message& m : store_) {
    if (m.level > level)
      kept.push_back(std::move(m));
  }
  store_.swap(kept);
}

void LogDestMem::clear()
{
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  store_.clear();
}

std::vector<LogDestMem::Message> LogDestMem::messages() const
{
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  return store_;
}

} // namespace plat
