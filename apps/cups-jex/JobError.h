// A job failure that tells CUPS what to do with the job, through the exit
// status: the other plat::Exceptions leave that to the queue's policy.
#pragma once

#include <plat/Exception.h>

enum JobStatus {
  StatusFailed = 1, // the queue's error policy decides
  // The job can never print; the queue goes on. (CUPS reads 4 as "stop the
  // printer".)
  StatusCancelJob = 5,
  StatusRetryJob = 6, // the agent is not there; retry later, others first
};

class JobError : public plat::Exception {
public:
  JobError(JobStatus status, const char* format, ...)
      __attribute__((format(printf, 3, 4)));
  JobStatus status() const { return status_; }

private:
  JobStatus status_;
};
