// agent::DeliveryQueue: delivers jobs on a thread of its own, in arrival
// order, so that the event loop keeps answering while pages are converted.
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace agent {

class SpoolJob;

class DeliveryQueue {
public:
  // deliver runs on the queue's thread for each job; done (may be empty)
  // runs there after it, with the job about to be destroyed.
  typedef std::function<void(SpoolJob&)> JobFn;
  DeliveryQueue(JobFn deliver, JobFn done);
  // As drain().
  ~DeliveryQueue();
  DeliveryQueue(const DeliveryQueue&) = delete;
  DeliveryQueue& operator=(const DeliveryQueue&) = delete;

  void push(std::unique_ptr<SpoolJob> job);
  // Delivers every job queued so far, then ends the thread. Blocks.
  void drain();

private:
  void run();

  JobFn deliver_, done_;
  std::mutex mutex_;
  std::condition_variable cond_;
  std::deque<std::unique_ptr<SpoolJob>> jobs_;
  bool stopping_;
  std::thread thread_;
};

} // namespace agent
