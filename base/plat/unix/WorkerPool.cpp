#include <plat/unix/WorkerPool.h>

#include <csignal>

namespace plat {

class WorkerPool::Worker : public Thread {
public:
  explicit Worker(WorkerPool& pool) : Thread("WorkerPool"), pool_(pool) {}
  ~Worker() override { join(); }

  void run() override
  {
    MutexLock l(pool_.mutex_);
    for (;;) {
      while (!pool_.stopping_ && pool_.queue_.empty())
        pool_.jobReady_.wait(pool_.mutex_, -1);
      if (pool_.stopping_)
        return;
      pool_.runOne(pool_.queue_.begin());
    }
  }

private:
  WorkerPool& pool_;
};

WorkerPool::WorkerPool(int workers)
{
  for (int i = 0; i < workers; i++)
    threads_.emplace_back(new Worker(*this));
  // Threads inherit the creator's mask; blocking around their start leaves
  // no moment at which a worker could take a signal.
  sigset_t all, old;
  sigfillset(&all);
  for (int sig : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT})
    sigdelset(&all, sig);
  pthread_sigmask(SIG_BLOCK, &all, &old);
  for (auto& t : threads_)
    t->start();
  pthread_sigmask(SIG_SETMASK, &old, nullptr);
}

WorkerPool::~WorkerPool()
{
  {
    MutexLock l(mutex_);
    stopping_ = true;
    queue_.clear();
    jobReady_.broadcast();
  }
  threads_.clear();
}

void WorkerPool::post(std::function<void()> job, bool workersOnly)
{
  MutexLock l(mutex_);
  queue_.push_back(Job{std::move(job), workersOnly});
  jobReady_.signal();
}

void WorkerPool::wait(const std::function<bool()>& done)
{
  while (!done()) {
    auto job = queue_.begin();
    while (job != queue_.end() && job->workersOnly)
      ++job;
    if (job == queue_.end())
      progress_.wait(mutex_, -1);
    else
      runOne(job);
  }
}

void WorkerPool::notify()
{
  progress_.broadcast();
}

void WorkerPool::runOne(std::deque<Job>::iterator at)
{
  std::function<void()> job = std::move(at->run);
  queue_.erase(at);
  {
    MutexUnlock u(mutex_);
    job();
    // The job's captures may own memory or state; they go before the lock
    // is taken again.
    job = nullptr;
  }
  progress_.broadcast();
}

} // namespace plat
