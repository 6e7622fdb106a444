#include <plat/TimerManager.h>

#include <plat/Assert.h>
#include <plat/LogSrc.h>
#include <plat/time.h>

#include <climits>

namespace plat {

namespace {

thread_local TimerManager* thrInst = nullptr;

// How far past the first expiry a replacement clock may read before the
// reading counts as a jump.
constexpr int64_t JumpBound = 240 * int64_t(TimeUnitsPerSec);

StaticLogSrc vlog("TimerManager");

} // namespace

TimerManager::TimerManager(bool nested)
    : head_(nullptr), tail_(nullptr), running_(nullptr), runningStopped_(false),
      observer_(nullptr), previous_(thrInst)
{
  PLAT_ASSERT(nested || !thrInst);
  thrInst = this;
}

TimerManager::~TimerManager()
{
  PLAT_ASSERT(thrInst == this);
  while (head_)
    unschedule(head_);
  while (!due_.empty()) {
    Timer* t = due_.popFront();
    if (t) {
      t->due_ = false;
      t->manager_ = nullptr;
    }
  }
  thrInst = previous_;
}

TimerManager* TimerManager::current()
{
  PLAT_ASSERT(thrInst);
  return thrInst;
}

TimerManager* TimerManager::currentOrNull()
{
  return thrInst;
}

void TimerManager::insert(Timer* t)
{
  // Behind every timer due no later than t; searching from the tail finds
  // the place at once for the usual case of a timer later than the rest.
  Timer* after = tail_;
  while (after && after->expiry_ > t->expiry_)
    after = after->prev_;
  t->prev_ = after;
  t->next_ = after ? after->next_ : head_;
  if (t->next_)
    t->next_->prev_ = t;
  else
    tail_ = t;
  if (after)
    after->next_ = t;
  else
    head_ = t;
}

void TimerManager::unlink(Timer* t)
{
  if (t->prev_)
    t->prev_->next_ = t->next_;
  else
    head_ = t->next_;
  if (t->next_)
    t->next_->prev_ = t->prev_;
  else
    tail_ = t->prev_;
  t->next_ = t->prev_ = nullptr;
}

void TimerManager::schedule(Timer* t, int intervalMs)
{
  bool jumped;
  int64_t now = checkedNow(&jumped);
  t->interval_ = intervalMs;
  t->expiry_ = now + int64_t(intervalMs) * TimeUnitsPerMs;
  t->manager_ = this;
  insert(t);
  if (head_ == t)
    notify(now);
}

void TimerManager::stopRunning(Timer* t)
{
  if (running_ == t)
    runningStopped_ = true;
}

void TimerManager::unschedule(Timer* t)
{
  if (t->due_) {
    // Leave a hole in the queue; process() skips it.
    for (uint32_t i = 0; i < due_.size(); i++) {
      if (due_[i] == t)
        due_[i] = nullptr;
    }
    t->due_ = false;
  } else {
    unlink(t);
  }
  t->manager_ = nullptr;
}

int64_t TimerManager::checkedNow(bool* jumped)
{
  int64_t bound = head_ ? head_->expiry_ + JumpBound : NoTimeBound;
  int64_t now = monotonicNowBounded(bound, jumped);
  if (*jumped) {
    vlog->status(now < bound ? "Time has jumped forwards - restarting timers"
                             : "Time has moved backwards - restarting timers");
    Timer* t = head_;
    head_ = tail_ = nullptr;
    while (t) {
      Timer* next = t->next_;
      t->next_ = t->prev_ = nullptr;
      t->expiry_ = now + int64_t(t->interval_) * TimeUnitsPerMs;
      insert(t);
      t = next;
    }
  }
  return now;
}

int TimerManager::sleepTimeFrom(int64_t now) const
{
  if (!head_)
    return -1;
  int64_t ms = (head_->expiry_ - now + TimeUnitsPerMs - 1) / TimeUnitsPerMs;
  if (ms < 0)
    return 0;
  if (ms > INT_MAX)
    return INT_MAX;
  return int(ms);
}

int TimerManager::sleepTimeMs()
{
  bool jumped;
  return sleepTimeFrom(checkedNow(&jumped));
}

void TimerManager::notify(int64_t now)
{
  if (observer_)
    observer_->sleepTimeChanged(sleepTimeFrom(now));
}

void TimerManager::process()
{
  bool jumped;
  int64_t now = checkedNow(&jumped);
  while (head_ && head_->expiry_ <= now) {
    Timer* t = head_;
    unlink(t);
    t->due_ = true;
    due_.pushBack(t);
  }

  while (!due_.empty()) {
    Timer* t = due_.popFront();
    if (!t)
      continue;
    t->due_ = false;
    t->manager_ = nullptr;
    running_ = t;
    runningStopped_ = false;
    bool again;
    try {
      again = t->cb_->timerCallback(t);
    } catch (...) {
      running_ = nullptr;
      throw;
    }
    running_ = nullptr;
    if (!again || runningStopped_ || t->manager_)
      continue;
    int64_t interval = int64_t(t->interval_) * TimeUnitsPerMs;
    int64_t expiry = t->expiry_ + interval;
    // A late timer runs once, not once for every interval it missed.
    if (jumped || now >= expiry)
      expiry = now + interval;
    t->expiry_ = expiry;
    t->manager_ = this;
    insert(t);
  }
  notify(now);
}

} // namespace plat
