#include "LogServer.h"

#include <io/Endpoint.h>
#include <io/LogDestIpc.h>
#include <io/UnixIo.h>
#include <plat/LogSrc.h>
#include <plat/StringParameter.h>

namespace agent {

namespace {

plat::StaticLogSrc vlog("LogServer");

// Sets the "ipc" destination's level; sources then follow it.
void setIpcLevel(int level)
{
  io::LogDestIpc::instance().setLevel(level);
  plat::LogSrc::recomputeAllLevels();
}

} // namespace

void LogServer::prepareRouting()
{
  io::LogDestIpc::instance().setLevel(plat::LogSrc::LevelNone);
  std::string routing = plat::LogSrc::logParam().getValue().c_str();
  if (!routing.empty())
    routing += ",";
  routing += "*:ipc:2147483647";
  plat::LogSrc::setLogSpec(routing.c_str());
}

LogServer::LogServer(const std::string& path, uid_t uid, io::FdManager& mgr)
    : name_(
          io::escapeEndpoint(path.substr(path.rfind('/') + 1).c_str()).c_str()),
      ipc_(io::MsgIpc::CloseOnBadControlName),
      listener_(
          path, uid, [this](os::UnixIo* io) { accept(io); }, mgr, *vlog)
{
  ipc_.setFilter(this);
  io::LogDestIpc::instance().setChannel(&ipc_);
}

LogServer::~LogServer()
{
  io::LogDestIpc& dest = io::LogDestIpc::instance();
  // The event loop may not run again to send it.
  dest.flush();
  setIpcLevel(plat::LogSrc::LevelNone);
  dest.setChannel(nullptr);
}

void LogServer::accept(os::UnixIo* io)
{
  if (ipc_.isConnected()) {
    vlog->error("%s: refused a second follower", ipc_.getName());
    // Event-driven, so that closing sends the refusal in the background.
    io::MsgIpc refusal(0, io, true);
    refusal.writeMsg(RefusedMsg);
    refusal.endMsg();
    return;
  }
  ipc_.acceptIo(io);
  ipc_.ipc().setName(name_.c_str());
  setIpcLevel(plat::LogSrc::LevelAll);
  vlog->status("%s: a follower reads the log", ipc_.getName());
}

void LogServer::disconnected(io::MsgIpc& ipc)
{
  setIpcLevel(plat::LogSrc::LevelNone);
  vlog->status("%s: the follower left", ipc.getName());
}

} // namespace agent
