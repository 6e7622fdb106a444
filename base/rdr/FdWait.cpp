#include <rdr/FdWait.h>

#include <plat/Exception.h>
#include <plat/time.h>

#include <cerrno>
#include <sys/select.h>

namespace rdr {

bool waitForFd(int fd, bool forWrite, int timeoutMs)
{
  // FD_SET on a descriptor past the set's size would write out of bounds.
  if (fd >= FD_SETSIZE)
    throw plat::SystemException("select", EMFILE);

  const int64_t deadline =
      timeoutMs >= 0 ? plat::monotonicNow() + timeoutMs * plat::TimeUnitsPerMs
                     : 0;
  int64_t waitMs = timeoutMs;
  for (;;) {
    fd_set fds;
    FD_ZERO(&fds);
    FD_SET(fd, &fds);
    struct timeval tv;
    struct timeval* tvp = nullptr;
    if (waitMs >= 0) {
      // One extra millisecond so that a coarse wake-up never ends the wait
      // before its time.
      int64_t ms = waitMs > 0 ? waitMs + 1 : 0;
      tv.tv_sec = time_t(ms / 1000);
      tv.tv_usec = suseconds_t((ms % 1000) * 1000);
      tvp = &tv;
    }
    int n = select(fd + 1, forWrite ? nullptr : &fds, forWrite ? &fds : nullptr,
                   nullptr, tvp);
    if (n > 0)
      return true;
    if (n == 0)
      return false;
    if (errno != EINTR)
      throw plat::SystemException("select", errno);
    if (timeoutMs >= 0) {
      int64_t left = deadline - plat::monotonicNow();
      left = (left + plat::TimeUnitsPerMs - 1) / plat::TimeUnitsPerMs;
      waitMs = left < 0 ? 0 : left > 2147483647 ? 2147483647 : left;
    }
  }
}

} // namespace rdr
