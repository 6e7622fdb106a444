// agent::Listener: a listening Unix-domain socket on the calling thread's
// event loop that serves one uid only. Connections from any other uid, and
// those whose peer cannot be identified, are closed with a log line before
// anyone sees them.
#pragma once

#include <io/FdHandler.h>

#include <functional>
#include <string>
#include <sys/types.h>

namespace io {
class FdManager;
}
namespace os {
class UnixIo;
}
namespace plat {
class LogSrc;
}

namespace agent {

class Listener : private io::FdHandler {
public:
  // Takes ownership of the accepted connection (no handler attached).
  typedef std::function<void(os::UnixIo* io)> AcceptHandler;

  // Listens on path (an existing socket file there is replaced: see
  // answering()) and registers with mgr; refusals are logged on log.
  // Throws plat::SystemException for "socket", "bind", "listen".
  Listener(const std::string& path, uid_t uid, AcceptHandler onAccept,
           io::FdManager& mgr, plat::LogSrc& log);
  // Stops listening and removes the socket file.
  ~Listener() override;
  Listener(const Listener&) = delete;
  Listener& operator=(const Listener&) = delete;

  // Whether something accepts connections on path now.
  static bool answering(const std::string& path);

  const std::string& path() const { return path_; }

private:
  void readable() override;
  void writable() override {}
  void managerDestroyed() override { mgr_ = nullptr; }
  int getFd() const override { return fd_; }

  std::string path_;
  uid_t uid_;
  AcceptHandler onAccept_;
  io::FdManager* mgr_;
  plat::LogSrc& log_;
  int fd_;
};

} // namespace agent
