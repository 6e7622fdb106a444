// A job failure that tells CUPS what to do with the job, through the exit
// status: the other plat::Exceptions leave that to the queue's policy.
#pragma once

#include <plat/Exception.h>

enum JobStatus {
  StatusFailed = 1,    // the queue's error policy decides
  StatusCancelJob = 4, // the job can never print; the queue goes on
  StatusRetryJob = 6,  // the agent is not there; retry later, others first
};

class JobError : public plat::Exception {
public:
  JobError(JobStatus status, const char* format, ...)
      __attribute__((format(printf, 3, 4)));
  JobStatus status() const { return status_; }

private:
  JobStatus status_;
};
