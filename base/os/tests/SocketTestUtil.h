// Test helpers for socket code: a Unix-domain socket bound in a private
// directory and a count of the process's open descriptors.
#pragma once

#include "../../plat/tests/TestUtil.h"

#include <dirent.h>
#include <string.h>
#include <string>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace testutil {

inline int openDescriptorCount()
{
  int n = 0;
  DIR* d = opendir("/proc/self/fd");
  if (!d)
    return -1;
  while (struct dirent* e = readdir(d))
    n += e->d_name[0] != '.';
  closedir(d);
  return n - 1; // the directory's own descriptor
}

// A listening (or, with listenToo false, merely bound) stream socket at
// path; the directory it lives in removes the socket file.
class Listener {
public:
  explicit Listener(const std::string& path, bool listenToo = true)
      : fd_(socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0))
  {
    struct sockaddr_un addr = {};
    addr.sun_family = AF_UNIX;
    memcpy(addr.sun_path, path.data(), path.size());
    if (bind(fd_.get(), reinterpret_cast<struct sockaddr*>(&addr),
             sizeof(addr)) != 0 ||
        (listenToo && listen(fd_.get(), 8) != 0))
      fd_.reset(-1);
  }
  bool ok() const { return fd_.get() >= 0; }
  // The accepted descriptor, close-on-exec, or -1.
  int accept() { return accept4(fd_.get(), nullptr, nullptr, SOCK_CLOEXEC); }

private:
  FdGuard fd_;
};

} // namespace testutil
