// agent::LogServer: the agent's control socket, print.NAME.ctl beside the
// print socket, through which one follower at a time (jex-log) reads the
// agent's log as it is written.
//
// The follower speaks the protocol of the "ipc" log destination
// (io/LogDestIpc.h): it sends "setLogLevel" and then receives one "logMsg"
// per message. Until its level has arrived everything is queued, so it gets
// messages above its level too and drops them itself. A second follower is
// sent "logRefused" (no body) and closed; only the agent's own uid is
// served at all.
//
// Every source routes to "ipc" for the whole run (prepareRouting()); what
// reaches it is decided by the destination's own level, shut (-1) while no
// follower is attached, so nothing queues up for nobody. Opening and
// shutting that level is safe while other threads log, changing the
// routing would not be. The destination is process-wide: one LogServer at a
// time.
#pragma once

#include "Listener.h"

#include <io/MsgIpc.h>

#include <string>

namespace agent {

class LogServer : private io::MsgIpc::MsgFilter {
public:
  static constexpr const char* RefusedMsg = "logRefused";

  // Adds "every source to ipc" to the routing of the "Log" parameter, with
  // the destination shut. Call once, before any other thread logs.
  static void prepareRouting();

  // Listens on path (see Listener) on mgr, the calling thread's manager.
  LogServer(const std::string& path, uid_t uid, io::FdManager& mgr);
  // Sends what is queued, shuts the destination, closes the follower's
  // connection and removes the socket file.
  ~LogServer() override;
  LogServer(const LogServer&) = delete;
  LogServer& operator=(const LogServer&) = delete;

private:
  void accept(os::UnixIo* io);
  // MsgFilter: the follower left or was dropped.
  void disconnected(io::MsgIpc& ipc) override;

  std::string name_;
  io::MsgIpc ipc_;
  // Last: stops accepting before the channel goes.
  Listener listener_;
};

} // namespace agent
