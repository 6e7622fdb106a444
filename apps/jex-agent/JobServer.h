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

#include "Listener.h"

#include <functional>
#include <set>
#include <string>
#include <sys/types.h>

namespace agent {

class JobServer {
public:
  enum { MaxPathLength = 4096 };
  typedef std::function<void(const std::string& manifestPath)> PathHandler;

  // Listens on path (see Listener) and registers with mgr. onPath runs on
  // mgr's thread.
  JobServer(const std::string& path, uid_t uid, int timeoutMs,
            PathHandler onPath, io::FdManager& mgr);
  // Stops listening, drops hand-offs in progress and removes the socket
  // file.
  ~JobServer();
  JobServer(const JobServer&) = delete;
  JobServer& operator=(const JobServer&) = delete;

  // Hand-offs connected and not yet finished.
  size_t connections() const { return conns_.size(); }

private:
  class Connection;
  friend class Connection;

  void finished(Connection* c);

  int timeoutMs_;
  PathHandler onPath_;
  std::set<Connection*> conns_;
  // Last: its callback uses the members above.
  Listener listener_;
};

} // namespace agent
