// agent::JobServer: the agent's listening socket and the hand-offs it
// serves, on the calling thread's event loop.
//
// A hand-off is one connection on which a client sends a 4-byte big-endian
// length and that many bytes of a manifest path, then closes. Only
// connections whose peer runs as the agent's own uid are served; a path
// longer than MaxPathLength, a client that closes early and one that has
// not sent its path within the time-out are dropped with a log line. Any
// number of hand-offs may be in progress; none blocks another.
#pragma once

#include <io/FdHandler.h>

#include <functional>
#include <set>
#include <string>
#include <sys/types.h>

namespace io {
class FdManager;
}

namespace agent {

class JobServer : private io::FdHandler {
public:
  enum { MaxPathLength = 4096 };
  typedef std::function<void(const std::string& manifestPath)> PathHandler;

  // Listens on path (an existing socket file there is replaced: see
  // answering()) and registers with mgr. onPath runs on mgr's thread.
  // Throws plat::SystemException for "socket", "bind", "listen".
  JobServer(const std::string& path, uid_t uid, int timeoutMs,
            PathHandler onPath, io::FdManager& mgr);
  // Stops listening, drops hand-offs in progress and removes the socket
  // file.
  ~JobServer() override;
  JobServer(const JobServer&) = delete;
  JobServer& operator=(const JobServer&) = delete;

  // Whether something accepts connections on path now.
  static bool answering(const std::string& path);

  // Hand-offs connected and not yet finished.
  size_t connections() const { return conns_.size(); }

private:
  class Connection;
  friend class Connection;

  void readable() override;
  void writable() override {}
  void managerDestroyed() override { mgr_ = nullptr; }
  int getFd() const override { return fd_; }
  void finished(Connection* c);

  std::string path_;
  uid_t uid_;
  int timeoutMs_;
  PathHandler onPath_;
  io::FdManager* mgr_;
  int fd_;
  std::set<Connection*> conns_;
};

} // namespace agent
