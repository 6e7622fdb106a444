#include <plat/LogDest.h>

#include <plat/LogState.h>

#include <strings.h>

namespace plat {

void LogState::unlinkDest(LogDest* d)
{
  LogState& st = get();
  for (LogDest** pp = &st.dests; *pp; pp = &(*pp)->next_) {
    if (*pp == d) {
      *pp = d->next_;
      break;
    }
  }
  for (LogSrc* s = st.sources; s; s = s->next_) {
    if (s->dests_ && s->dests_->erase(d))
      s->recomputeLevel();
  }
  for (size_t i = 0; i < st.elements.size();) {
    if (st.elements[i].dest == d)
      st.elements.erase(st.elements.begin() + i);
    else
      i++;
  }
}

LogDest::LogDest(const char* name)
    : name_(name), next_(nullptr), level_(LogSrc::LevelAll)
{
  if (!name_)
    return;
  LogState& st = LogState::get();
  std::lock_guard<std::mutex> lock(st.mutex);
  next_ = st.dests;
  st.dests = this;
}

LogDest::~LogDest()
{
  LogState& st = LogState::get();
  std::lock_guard<std::mutex> lock(st.mutex);
  LogState::unlinkDest(this);
}

bool LogDest::accepts(int) const
{
  return true;
}

LogDest* LogDest::find(const char* name)
{
  LogState& st = LogState::get();
  std::lock_guard<std::mutex> lock(st.mutex);
  for (LogDest* d = st.dests; d; d = d->next_) {
    if (name && strcasecmp(d->name_, name) == 0)
      return d;
  }
  return nullptr;
}

std::vector<std::string> LogDest::names()
{
  return LogState::namesOf(&LogState::dests);
}

void LogDest::printNames(FILE* out)
{
  LogState::printNames(out, names());
}

} // namespace plat
