#include <plat/Timer.h>

#include <plat/TimerManager.h>

namespace plat {

Timer::Timer(Callback* cb)
    : next_(nullptr), prev_(nullptr), expiry_(0), interval_(0), cb_(cb),
      manager_(nullptr), due_(false)
{
}

Timer::~Timer()
{
  stop();
}

void Timer::start(int intervalMs)
{
  if (manager_)
    manager_->unschedule(this);
  TimerManager::current()->schedule(this, intervalMs);
}

void Timer::stop()
{
  if (manager_)
    manager_->unschedule(this);
  // Stopped from inside its own callback: it must stay stopped even when
  // the callback asks to run again.
  if (TimerManager* m = TimerManager::currentOrNull())
    m->stopRunning(this);
}

} // namespace plat
