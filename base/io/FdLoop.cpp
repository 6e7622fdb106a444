#include <io/FdLoop.h>

#include <io/FdHandler.h>
#include <plat/Exception.h>

#include <errno.h>
#include <sys/select.h>

namespace io {

namespace {

// Adds the descriptors of set to fds; returns the highest one seen so far.
int fillFdSet(const std::set<FdHandler*>& set, fd_set* fds, int maxFd)
{
  for (FdHandler* h : set) {
    int fd = h->getFd();
    if (fd < 0)
      continue;
    if (fd >= FD_SETSIZE)
      throw plat::SystemException("select", EMFILE);
    FD_SET(fd, fds);
    if (fd > maxFd)
      maxFd = fd;
  }
  return maxFd;
}

} // namespace

void FdLoop::waitAndProcess(int maxWaitMs)
{
  fd_set sets[3];
  for (fd_set& s : sets)
    FD_ZERO(&s);
  int maxFd = -1;
  for (int k = 0; k < 3; k++)
    maxFd = fillFdSet(interestSet(ReadyKind(k)), &sets[k], maxFd);

  int waitMs = hasReady() ? 0 : timerManager().sleepTimeMs();
  if (maxWaitMs >= 0 && (waitMs < 0 || maxWaitMs < waitMs))
    waitMs = maxWaitMs;
  struct timeval tv;
  struct timeval* tvp = nullptr;
  if (waitMs >= 0) {
    tv.tv_sec = waitMs / 1000;
    tv.tv_usec = (waitMs % 1000) * 1000;
    tvp = &tv;
  }

  int n = select(maxFd + 1, &sets[Read], &sets[Write], &sets[Exceptional], tvp);
  if (n < 0) {
    // A signal only ends the wait early; timers and readiness are looked at
    // again on the next round.
    if (errno != EINTR)
      throw plat::SystemException("select", errno);
    n = 0;
  }
  if (n > 0) {
    for (int k = 0; k < 3; k++) {
      for (FdHandler* h : interestSet(ReadyKind(k))) {
        int fd = h->getFd();
        if (fd >= 0 && FD_ISSET(fd, &sets[k]))
          addReady(h, ReadyKind(k));
      }
    }
  }
  processEvents();
}

} // namespace io
