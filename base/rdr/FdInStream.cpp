#include <rdr/FdInStream.h>

#include <rdr/FdWait.h>

#include <cerrno>
#include <unistd.h>
#include <utility>

namespace rdr {

FdInStream::FdInStream(int fd_, int bufSize)
    : BufferedNonBlockableInStream(bufSize), timeoutMs(-1), fd(fd_),
      ownFd(false), timedOut(false)
{
}

FdInStream::FdInStream(FdInStream&& other) noexcept
    : BufferedNonBlockableInStream(std::move(other)),
      timeoutMs(other.timeoutMs), fd(std::exchange(other.fd, -1)),
      ownFd(other.ownFd), timedOut(other.timedOut)
{
}

FdInStream::~FdInStream()
{
  if (ownFd && fd >= 0)
    close(fd);
}

size_t FdInStream::fillBuffer(uint8_t* dest, size_t maxLen)
{
  if (timedOut)
    throw plat::TimedOut();
  for (;;) {
    ssize_t n = read(fd, dest, maxLen);
    if (n > 0)
      return size_t(n);
    if (n == 0)
      throw EndOfStream("End of IO stream");
    if (errno == EINTR)
      continue;
    if (errno != EAGAIN)
      throw plat::SystemException("read", errno);
    if (nonBlocking)
      return 0;
    if (!waitForFd(fd, false, timeoutMs))
      throw plat::TimedOut();
  }
}

} // namespace rdr
