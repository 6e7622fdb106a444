#include <rdr/FdOutStream.h>

#include <plat/LogSrc.h>
#include <rdr/FdWait.h>

#include <cerrno>
#include <sys/socket.h>
#include <unistd.h>

namespace rdr {

static plat::StaticLogSrc vlog("FdOutStream");

FdOutStream::Callback::~Callback() {}

FdOutStream::FdOutStream(int fd_, int maxSize)
    : BufferedLazyOutStream(16384, maxSize), fd(fd_), ownFd(false),
      callback(nullptr)
{
}

FdOutStream::~FdOutStream()
{
  callback = nullptr;
  try {
    flushBuffer(false);
  } catch (plat::Exception&) {
  }
  if (ownFd && fd >= 0)
    close(fd);
}

bool FdOutStream::shutdownWrite()
{
  if (pendingBytes() == 0 && shutdown(fd, SHUT_WR) < 0)
    throw plat::SystemException("shutdown(SHUT_WR)", errno);
  if (callback)
    callback->shutdownRequested(this);
  return true;
}

size_t FdOutStream::writeBuffer(const uint8_t* data, size_t len, bool wait)
{
  PLAT_ASSERT(!wait || doesThrowErrors());
  size_t count;
  for (;;) {
    ssize_t n = write(fd, data, len);
    if (n >= 0) {
      count = size_t(n);
      break;
    }
    if (errno == EINTR)
      continue;
    if (errno == EAGAIN) {
      if (!wait) {
        count = 0;
        break;
      }
      if (!waitForFd(fd, true, writeTimeout))
        throw plat::TimedOut();
      continue;
    }
    plat::SystemException e("write", errno);
    if (doesThrowErrors())
      throw e;
    vlog->info("%s", e.message());
    return 0;
  }
  if (callback)
    callback->writeAttempted(this, count == 0);
  return count;
}

} // namespace rdr
