#include "JobFile.h"

#include "JobFileSet.h"

#include <plat/Exception.h>

#include <cerrno>
#include <unistd.h>

JobFile::JobFile(JobFileSet& files, const char* name)
    : rdr::BufferedOutStream(-1), path_(files.path(name)),
      fd_(files.create(name))
{
}

JobFile::~JobFile()
{
  if (fd_ >= 0)
    close(fd_);
}

void JobFile::finish()
{
  flush();
  int fd = fd_;
  fd_ = -1;
  if (close(fd) != 0)
    throw plat::SystemExceptionFmt("close(%s)", errno, path_.c_str());
}

size_t JobFile::writeBuffer(const uint8_t* data, size_t len, bool)
{
  size_t done = 0;
  while (done < len) {
    ssize_t n = write(fd_, data + done, len - done);
    if (n < 0 && errno == EINTR)
      continue;
    if (n <= 0)
      throw plat::SystemExceptionFmt("write(%s)", n < 0 ? errno : EIO,
                                     path_.c_str());
    done += (size_t)n;
  }
  return done;
}
