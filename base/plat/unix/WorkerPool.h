// plat::WorkerPool: a few threads that run queued jobs in the order they
// were posted, shared by the parts of one task (a page's tile encoding and
// its compression, say) so that the task uses a fixed number of threads.
//
// A thread that must wait for the pool's work does not idle: wait() runs
// queued jobs on the calling thread until its condition holds. The pool's
// mutex guards the queue, and owners use it for the state their jobs share,
// so that a condition and the jobs that make it true need no second lock.
//
// Workers block every asynchronous signal (not the fault signals), so that
// signals meant for the process reach the threads that created the pool.
// Jobs must not throw: an owner catches its jobs' failures and hands them
// to its own thread.
#pragma once

#include <plat/unix/Threading.h>

#include <deque>
#include <functional>
#include <memory>
#include <vector>

namespace plat {

class WorkerPool {
public:
  // Starts `workers` threads; with 0, jobs run only inside wait().
  explicit WorkerPool(int workers);
  // Drops the jobs not started yet, then waits for the running ones and
  // joins the workers. Owners drain their own jobs first (see wait()).
  ~WorkerPool();
  WorkerPool(const WorkerPool&) = delete;
  WorkerPool& operator=(const WorkerPool&) = delete;

  // Queues a job. Takes the mutex itself; may be called with it held. A
  // job for workers only is never run inside wait(): a long job that waits
  // for others must not be started by a thread they may be waiting for.
  void post(std::function<void()> job, bool workersOnly = false);

  // With mutex() held (once): until done() holds, runs the oldest queued
  // job that is not for workers only, with the mutex released, or sleeps
  // until a job ends or notify(). done() is called with the mutex held.
  void wait(const std::function<bool()>& done);
  // Wakes the threads in wait(); call after changing, under mutex(), what
  // their conditions look at other than through a job's end.
  void notify();

  Mutex& mutex() { return mutex_; }
  int workers() const { return int(threads_.size()); }

private:
  class Worker;
  struct Job {
    std::function<void()> run;
    bool workersOnly;
  };
  // Runs and removes the job at `at`, with the mutex (held) released.
  void runOne(std::deque<Job>::iterator at);

  Mutex mutex_;
  Condition jobReady_; // workers wait for a job
  Condition progress_; // wait() waits for a job's end
  std::deque<Job> queue_;
  bool stopping_ = false;
  std::vector<std::unique_ptr<Worker>> threads_;
};

} // namespace plat
