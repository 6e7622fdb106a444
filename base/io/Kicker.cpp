#include <io/Kicker.h>

#include <io/FdManager.h>
#include <os/SocketUtil.h>
#include <plat/Assert.h>

#include <errno.h>
#include <unistd.h>

namespace io {

Kicker::Kicker(Callback* cb, FdManager* mgr)
    : cb_(cb), mgr_(mgr ? mgr : FdManager::current()), readFd_(-1), writeFd_(-1)
{
  PLAT_ASSERT(mgr_);
  int fds[2];
  os::createPipe(fds);
  readFd_ = fds[0];
  writeFd_ = fds[1];
  try {
    // Neither end may block: the reader drains until empty, and a writer
    // that finds the pipe full has nothing to add.
    os::setBlocking(readFd_, false);
    os::setBlocking(writeFd_, false);
  } catch (...) {
    close(readFd_);
    close(writeFd_);
    throw;
  }
  mgr_->registerHandler(this);
  mgr_->setInterests(this, true, false);
}

Kicker::~Kicker()
{
  if (mgr_)
    mgr_->unregisterHandler(this);
  close(readFd_);
  close(writeFd_);
}

void Kicker::kick()
{
  const char byte = 0;
  ssize_t r;
  do {
    r = write(writeFd_, &byte, 1);
  } while (r < 0 && errno == EINTR);
}

void Kicker::readable()
{
  char buf[64];
  ssize_t r;
  do {
    r = read(readFd_, buf, sizeof(buf));
  } while (r > 0 || (r < 0 && errno == EINTR));
  if (cb_)
    cb_->kicked();
}

} // namespace io
