#include "JobServer.h"

#include <io/IoHandler.h>
#include <io/UnixIo.h>
#include <plat/DString.h>
#include <plat/Exception.h>
#include <plat/LogSrc.h>
#include <plat/Timer.h>
#include <rdr/Exception.h>

namespace agent {

namespace {

plat::StaticLogSrc vlog("JobServer");

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
    : timeoutMs_(timeoutMs), onPath_(std::move(onPath)),
      listener_(
          path, uid,
          [this](os::UnixIo* io) { conns_.insert(new Connection(*this, io)); },
          mgr, *vlog)
{
}

JobServer::~JobServer()
{
  for (Connection* c : std::set<Connection*>(conns_))
    delete c;
}

void JobServer::finished(Connection* c)
{
  conns_.erase(c);
  delete c;
}

} // namespace agent
