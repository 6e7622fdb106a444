#include "DeliveryQueue.h"

#include "SpoolJob.h"

#include <csignal>
#include <pthread.h>

namespace agent {

DeliveryQueue::DeliveryQueue(JobFn deliver, JobFn done)
    : deliver_(std::move(deliver)), done_(std::move(done)), stopping_(false)
{
  // Signals are the main thread's business: the worker starts with them
  // blocked.
  sigset_t all, old;
  sigfillset(&all);
  pthread_sigmask(SIG_BLOCK, &all, &old);
  thread_ = std::thread([this] { run(); });
  pthread_sigmask(SIG_SETMASK, &old, nullptr);
}

DeliveryQueue::~DeliveryQueue()
{
  drain();
}

void DeliveryQueue::push(std::unique_ptr<SpoolJob> job)
{
  std::lock_guard<std::mutex> lock(mutex_);
  jobs_.push_back(std::move(job));
  cond_.notify_one();
}

void DeliveryQueue::drain()
{
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
    cond_.notify_one();
  }
  if (thread_.joinable())
    thread_.join();
}

void DeliveryQueue::run()
{
  for (;;) {
    std::unique_ptr<SpoolJob> job;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      cond_.wait(lock, [this] { return stopping_ || !jobs_.empty(); });
      if (jobs_.empty())
        return;
      job = std::move(jobs_.front());
      jobs_.pop_front();
    }
    deliver_(*job);
    if (done_)
      done_(*job);
  }
}

} // namespace agent
