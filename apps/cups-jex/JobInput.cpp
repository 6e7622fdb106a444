#include "JobInput.h"

#include <plat/Exception.h>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

JobInput::JobInput(const char* path) : fd_(0)
{
  if (path) {
    fd_ = open(path, O_RDONLY | O_CLOEXEC);
    if (fd_ == -1)
      throw plat::SystemExceptionFmt("open(\"%s\", O_RDONLY)", errno, path);
  }
}

JobInput::~JobInput()
{
  if (fd_ > 0)
    close(fd_);
}
