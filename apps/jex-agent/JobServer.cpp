#include "JobServer.h"

#include <io/FdManager.h>
#include <io/IoHandler.h>
#include <io/UnixIo.h>
#include <os/SocketUtil.h>
#include <plat/DString.h>
#include <plat/Exception.h>
#include <plat/LogSrc.h>
#include <plat/Timer.h>
#include <rdr/Exception.h>

#include <cerrno>
#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace agent {

namespace {

plat::StaticLogSrc vlog("JobServer");

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

// One hand-off in progress. The connection (os::UnixIo) deletes itself once
// shut down and tells this object, which then deletes itself too.
class JobServer::Connection : public io::IoHandler,
                              private plat::Timer::Callback {
public:
  Connection(JobServer& server, os::UnixIo* io)
      : server_(server), io_(io), timer_(this)
  {
    timer_.start(server.timeoutMs_);
    io_->setHandler(this);
  }
  ~Connection() override
  {
    // Dropped by the server itself: the connection is still ours to close.
    if (io_) {
      io_->setHandler(nullptr);
      delete io_;
    }
  }

  void readable(io::Io& io) override
  {
    rdr::InStream& in = io.getInStream();
    in.setCheckpoint();
    plat::DString path;
    try {
      in.readString32(path, MaxPathLength);
    } catch (const rdr::BlockException&) {
      throw; // the rest arrives later
    } catch (const rdr::StringTooLongException&) {
      drop("refused: the path it sent is longer than 4096 bytes");
      return;
    } catch (const rdr::EndOfStream&) {
      drop("closed before sending a whole path");
      return;
    }
    std::string p(path.c_str(), path.length());
    drop(nullptr);
    server_.onPath_(p);
  }

  void shutdownComplete(io::Io&) override
  {
    io_ = nullptr; // deletes itself right after this
    server_.finished(this);
  }

private:
  bool timerCallback(plat::Timer*) override
  {
    drop("refused: sent nothing within the time-out");
    return false;
  }

  void drop(const char* why)
  {
    if (why)
      vlog->error("%s: %s", io_->getName(), why);
    timer_.stop();
    if (!io_->isShuttingDown())
      io_->shutdown(false, true);
  }

  JobServer& server_;
  os::UnixIo* io_;
  plat::Timer timer_;
};

JobServer::JobServer(const std::string& path, uid_t uid, int timeoutMs,
                     PathHandler onPath, io::FdManager& mgr)
    : path_(path), uid_(uid), timeoutMs_(timeoutMs), onPath_(std::move(onPath)),
      mgr_(&mgr), fd_(-1)
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

JobServer::~JobServer()
{
  for (Connection* c : std::set<Connection*>(conns_))
    delete c;
  if (mgr_)
    mgr_->unregisterHandler(this);
  close(fd_);
  unlink(path_.c_str());
}

bool JobServer::answering(const std::string& path)
{
  try {
    int fd = os::unixConnect(path.c_str(), 0, false);
    close(fd);
    return true;
  } catch (const plat::Exception&) {
    return false;
  }
}

void JobServer::readable()
{
  int fd = accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
  if (fd < 0) {
    if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)
      vlog->error("accept: %s", strerror(errno));
    return;
  }
  // select cannot wait on descriptors from 1024 on.
  if (fd >= 1024) {
    vlog->error("refused a connection: too many open");
    close(fd);
    return;
  }
  uid_t peer;
  try {
    peer = os::getPeerEuid(fd);
  } catch (const plat::Exception& e) {
    vlog->error("refused a connection: %s", e.message());
    close(fd);
    return;
  }
  if (peer != uid_) {
    vlog->error("refused a connection from uid %u", unsigned(peer));
    close(fd);
    return;
  }
  try {
    conns_.insert(new Connection(*this, new os::UnixIo(path_.c_str(), fd)));
  } catch (const plat::Exception& e) {
    vlog->error("cannot serve a connection: %s", e.message());
  }
}

void JobServer::finished(Connection* c)
{
  conns_.erase(c);
  delete c;
}

} // namespace agent
