#include "Listener.h"

#include <io/FdManager.h>
#include <io/UnixIo.h>
#include <os/SocketUtil.h>
#include <plat/Exception.h>
#include <plat/LogSrc.h>

#include <cerrno>
#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace agent {

namespace {

sockaddr_un socketAddress(const std::string& path)
{
  sockaddr_un addr;
  memset(&addr, 0, sizeof(addr));
  addr.sun_family = AF_UNIX;
  if (path.size() >= sizeof(addr.sun_path))
    throw plat::SystemException("UnixIo", ENAMETOOLONG);
  memcpy(addr.sun_path, path.c_str(), path.size() + 1);
  return addr;
}

} // namespace

Listener::Listener(const std::string& path, uid_t uid, AcceptHandler onAccept,
                   io::FdManager& mgr, plat::LogSrc& log)
    : path_(path), uid_(uid), onAccept_(std::move(onAccept)), mgr_(&mgr),
      log_(log), fd_(-1)
{
  sockaddr_un addr = socketAddress(path);
  fd_ = os::createSocket(AF_UNIX, SOCK_STREAM, 0);
  if (fd_ < 0)
    throw plat::SystemException("socket", errno);
  unlink(path.c_str());
  if (bind(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) != 0 ||
      listen(fd_, 64) != 0) {
    int err = errno;
    close(fd_);
    throw plat::SystemExceptionFmt("bind(%s)", err, path.c_str());
  }
  os::setBlocking(fd_, false);
  mgr_->registerHandler(this);
  mgr_->setInterests(this, true, false);
}

Listener::~Listener()
{
  if (mgr_)
    mgr_->unregisterHandler(this);
  close(fd_);
  unlink(path_.c_str());
}

bool Listener::answering(const std::string& path)
{
  try {
    int fd = os::unixConnect(path.c_str(), 0, false);
    close(fd);
    return true;
  } catch (const plat::Exception&) {
    return false;
  }
}

void Listener::readable()
{
  int fd = accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
  if (fd < 0) {
    if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)
      log_.error("accept: %s", strerror(errno));
    return;
  }
  // select cannot wait on descriptors from 1024 on.
  if (fd >= 1024) {
    log_.error("refused a connection: too many open");
    close(fd);
    return;
  }
  uid_t peer;
  try {
    peer = os::getPeerEuid(fd);
  } catch (const plat::Exception& e) {
    log_.error("refused a connection: %s", e.message());
    close(fd);
    return;
  }
  if (peer != uid_) {
    log_.error("refused a connection from uid %u", unsigned(peer));
    close(fd);
    return;
  }
  try {
    onAccept_(new os::UnixIo(path_.c_str(), fd));
  } catch (const plat::Exception& e) {
    log_.error("cannot serve a connection: %s", e.message());
  }
}

} // namespace agent
