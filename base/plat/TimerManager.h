// The per-thread scheduler of plat::Timer objects.
//
// Each thread may have one current TimerManager; the event loop of that
// thread calls process() after each wake-up and sleeps at most as long as
// the manager's sleep observer was last told. Pending timers are kept in a
// list sorted by expiry; timers with equal expiry run in the order they were
// started. All times are monotonic time (plat/time.h).
//
// Not thread-safe: a manager and its timers are used only by the thread
// that created the manager.
#pragma once

#include <plat/CircularVector.h>
#include <plat/Timer.h>

#include <cstdint>

namespace plat {

class TimerManager {
public:
  // Told how long the event loop may sleep before process() must run.
  class SleepObserver {
  public:
    virtual ~SleepObserver() {}
    // ms is the time until the first pending timer, rounded up to whole
    // milliseconds (0 .. INT32_MAX), or -1 when no timer is pending.
    virtual void sleepTimeChanged(int ms) = 0;
  };

  // Becomes the calling thread's current manager. A thread that already has
  // one is a fatal assertion unless nested is true; a nested manager
  // remembers the previous one and restores it when destroyed.
  explicit TimerManager(bool nested = false);
  // Must be the thread's current manager (fatal assertion otherwise).
  // Unschedules every timer still pending.
  virtual ~TimerManager();
  TimerManager(const TimerManager&) = delete;
  TimerManager& operator=(const TimerManager&) = delete;

  // The calling thread's manager; a fatal assertion when it has none.
  static TimerManager* current();
  // The calling thread's manager or null.
  static TimerManager* currentOrNull();

  // Observer (not owned, may be null) told of every change of the time
  // until the first pending timer.
  void setSleepObserver(SleepObserver* observer) { observer_ = observer; }

  // Runs every due timer's callback and reschedules those that ask for it
  // (see Timer::Callback). Exceptions from a callback propagate; the timers
  // that were due after it stay due and run at the next call.
  void process();

  // Milliseconds until the first pending timer (rounded up, clamped to
  // 0 .. INT32_MAX), or -1 when none is pending.
  int sleepTimeMs();

  bool hasPending() const { return head_ != nullptr; }

private:
  friend class Timer;

  void schedule(Timer* t, int intervalMs);
  void unschedule(Timer* t);
  // Notes that t, not scheduled, was stopped; matters while its callback
  // runs.
  void stopRunning(Timer* t);
  void insert(Timer* t);
  void unlink(Timer* t);
  // Reads the clock, restarting every pending timer when it jumped.
  int64_t checkedNow(bool* jumped);
  int sleepTimeFrom(int64_t now) const;
  void notify(int64_t now);

  Timer* head_;
  Timer* tail_;
  // The timer whose callback is running, and whether it was stopped from
  // inside the callback (then its return value no longer counts).
  Timer* running_;
  bool runningStopped_;
  CircularVector<Timer*> due_;
  SleepObserver* observer_;
  TimerManager* previous_;
};

} // namespace plat
