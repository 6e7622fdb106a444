#include "JobError.h"

JobError::JobError(JobStatus status, const char* format, ...) : status_(status)
{
  va_list ap;
  va_start(ap, format);
  appendFormatV(format, ap);
  va_end(ap);
}
