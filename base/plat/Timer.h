// One-shot timers, optionally repeating, driven by the calling thread's
// TimerManager.
//
// A Timer belongs to one thread: it is started, stopped and run only on the
// thread whose TimerManager schedules it. Its callback runs from
// TimerManager::process(); returning true asks for it to run again one
// interval later.
#pragma once

#include <cstdint>

namespace plat {

class TimerManager;

class Timer {
public:
  class Callback {
  public:
    virtual ~Callback() {}
    // Called when timer expires. Return true to run it again after its
    // interval. The callback may start, stop or delete other timers, and
    // may restart or stop this one (then the return value is ignored).
    virtual bool timerCallback(Timer* timer) = 0;
  };

  // cb is not owned and must outlive the timer's scheduling.
  explicit Timer(Callback* cb);
  // Stops the timer.
  ~Timer();
  Timer(const Timer&) = delete;
  Timer& operator=(const Timer&) = delete;

  // Schedules the timer intervalMs milliseconds from now in the calling
  // thread's TimerManager, removing it first from wherever it was
  // scheduled. A thread without a TimerManager is a fatal assertion.
  void start(int intervalMs);
  // Unschedules the timer; does nothing when it is not scheduled.
  void stop();

  bool isStarted() const { return manager_ != nullptr; }
  int getInterval() const { return interval_; }
  // Monotonic time (see plat/time.h) at which the timer is due.
  int64_t getExpiry() const { return expiry_; }

private:
  friend class TimerManager;

  Timer* next_;
  Timer* prev_;
  int64_t expiry_;
  int32_t interval_;
  Callback* cb_;
  TimerManager* manager_;
  // Set while the timer sits in its manager's due queue.
  bool due_;
};

} // namespace plat
