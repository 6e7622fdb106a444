// A session agent for the backend's process tests: a forked child that
// becomes an unprivileged account, listens on that account's agent socket
// (/tmp/.jex-<uid>/print.<name>) and hands back, through a pipe, every byte
// the backend sent on one connection. With readNothing it accepts and then
// never reads, until the test ends it.
#pragma once

#include <plat/Exception.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <pwd.h>
#include <string>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

namespace jextest {

// The unprivileged account the tests deliver to, or null.
inline const passwd* agentAccount()
{
  return getpwnam("nobody");
}

class TestAgent {
public:
  TestAgent(uid_t uid, gid_t gid, const std::string& name, bool readNothing)
  {
    path_ = "/tmp/.jex-" + std::to_string(uid) + "/print." + name;
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0)
      throw plat::SystemException("pipe2", errno);
    pid_ = fork();
    if (pid_ < 0)
      throw plat::SystemException("fork", errno);
    if (pid_ == 0) {
      ::close(fds[0]);
      _exit(child(uid, gid, fds[1], readNothing));
    }
    ::close(fds[1]);
    fd_ = fds[0];
    char c = 0;
    if (read(fd_, &c, 1) != 1 || c != 'L')
      throw plat::Exception("test agent did not start");
  }
  ~TestAgent()
  {
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    if (fd_ >= 0)
      ::close(fd_);
  }

  const std::string& path() const { return path_; }

  // Everything the backend sent, once it closed the connection; blocks up
  // to 30 seconds.
  std::string received()
  {
    std::string bytes;
    char buf[4096];
    ssize_t n;
    for (pollfd p = {fd_, POLLIN, 0};
         poll(&p, 1, 30000) > 0 && (n = read(fd_, buf, sizeof(buf))) > 0;)
      bytes.append(buf, (size_t)n);
    return bytes;
  }

private:
  int child(uid_t uid, gid_t gid, int out, bool readNothing)
  {
    if (setgroups(1, &gid) != 0 || setgid(gid) != 0 || setuid(uid) != 0)
      return 10;
    std::string dir = path_.substr(0, path_.rfind('/'));
    if (mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST)
      return 11;
    sockaddr_un addr;
    memset(&addr, 0, sizeof(addr));
    addr.sun_family = AF_UNIX;
    strncpy(addr.sun_path, path_.c_str(), sizeof(addr.sun_path) - 1);
    unlink(path_.c_str());
    int s = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (s < 0 || bind(s, (sockaddr*)&addr, sizeof(addr)) != 0 ||
        listen(s, 4) != 0)
      return 12;
    if (write(out, "L", 1) != 1)
      return 13;
    int c = accept(s, nullptr, nullptr);
    unlink(path_.c_str());
    if (c < 0)
      return 14;
    if (readNothing) {
      pause();
      return 0;
    }
    char buf[4096];
    ssize_t n;
    while ((n = read(c, buf, sizeof(buf))) > 0) {
      if (write(out, buf, (size_t)n) != n)
        return 15;
    }
    return 0;
  }

  std::string path_;
  pid_t pid_ = -1;
  int fd_ = -1;
};

} // namespace jextest
