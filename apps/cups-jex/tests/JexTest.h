// Helpers of the backend's process tests: child processes, files, and a
// session agent running as a test account.
#pragma once

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <grp.h>
#include <iterator>
#include <poll.h>
#include <set>
#include <sstream>
#include <string>
#include <sys/mman.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace jextest {

inline std::string readFile(const std::string& path)
{
  std::ifstream f(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(f), {}};
}

inline std::string writeFile(const std::string& path, const std::string& data)
{
  std::ofstream(path, std::ios::binary) << data;
  return path;
}

// The names in dir that start with prefix. readdir64: the 32-bit readdir
// fails with EOVERFLOW on hosts with 64-bit directory offsets (armhf under
// an emulator).
inline std::set<std::string> listDir(const std::string& dir,
                                     const std::string& prefix)
{
  std::set<std::string> names;
  if (DIR* d = opendir(dir.c_str())) {
    while (dirent64* e = readdir64(d)) {
      if (strncmp(e->d_name, prefix.c_str(), prefix.size()) == 0)
        names.insert(e->d_name);
    }
    closedir(d);
  }
  return names;
}

// A stream socket connected to path, or -1.
inline int connectTo(const std::string& path)
{
  sockaddr_un addr = {};
  addr.sun_family = AF_UNIX;
  strncpy(addr.sun_path, path.c_str(), sizeof(addr.sun_path) - 1);
  int s = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  return connect(s, (sockaddr*)&addr, sizeof(addr)) == 0 ? s : (close(s), -1);
}

struct ProcessResult {
  std::string out, err;
  int status = -1; // exit status, or 128 + the signal that ended it
};

// A child process writing to memory files (a child that stops reading
// cannot block), reading a memory file or a pipe the test feeds. The alarm
// survives exec: a hung child is ended by SIGALRM after a minute.
class Process {
public:
  Process(const std::vector<std::string>& argv,
          const std::vector<std::string>& env, const std::string& input,
          bool feedByPipe = false)
  {
    int in[2] = {memfd_create("in", MFD_CLOEXEC), -1};
    if (feedByPipe)
      pipe2(in, O_CLOEXEC);
    else if (pwrite(in[0], input.data(), input.size(), 0) < 0)
      ADD_FAILURE() << "pwrite";
    for (int& fd : out_)
      fd = memfd_create("out", MFD_CLOEXEC);
    pid = fork();
    if (pid == 0) {
      dup2(in[0], 0);
      dup2(out_[0], 1);
      dup2(out_[1], 2);
      for (const std::string& e : env) {
        size_t eq = e.find('=');
        if (eq == std::string::npos)
          unsetenv(e.c_str());
        else
          setenv(e.substr(0, eq).c_str(), e.c_str() + eq + 1, 1);
      }
      std::vector<char*> args;
      for (const std::string& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
      args.push_back(nullptr);
      alarm(60);
      execvp(args[0], args.data());
      _exit(127);
    }
    close(in[0]);
    feed_ = in[1];
  }
  ~Process()
  {
    if (pid > 0)
      wait();
    close(out_[0]);
    close(out_[1]);
  }

  void feed(const std::string& bytes)
  {
    if (write(feed_, bytes.data(), bytes.size()) != (ssize_t)bytes.size())
      ADD_FAILURE() << "feeding the child: " << strerror(errno);
  }
  void closeInput()
  {
    if (feed_ >= 0)
      close(feed_);
    feed_ = -1;
  }
  ProcessResult wait()
  {
    closeInput();
    int st = 0;
    while (waitpid(pid, &st, 0) < 0 && errno == EINTR) {
    }
    pid = -1;
    ProcessResult r;
    r.status = WIFEXITED(st) ? WEXITSTATUS(st) : 128 + WTERMSIG(st);
    char buf[4096];
    ssize_t n;
    for (off_t at = 0; (n = pread(out_[0], buf, sizeof(buf), at)) > 0; at += n)
      r.out.append(buf, (size_t)n);
    for (off_t at = 0; (n = pread(out_[1], buf, sizeof(buf), at)) > 0; at += n)
      r.err.append(buf, (size_t)n);
    return r;
  }

  pid_t pid;

private:
  int out_[2];
  int feed_ = -1;
};

// The command that starts a program built for the target: the cross
// build's emulator words, the binary, then args.
inline std::vector<std::string> targetCommand(std::string binary,
                                              std::vector<std::string> args)
{
  std::vector<std::string> argv;
  std::istringstream words(JEX_EMULATOR);
  for (std::string w; words >> w;)
    argv.push_back(w);
  argv.push_back(binary);
  argv.insert(argv.end(), args.begin(), args.end());
  return argv;
}

inline ProcessResult run(const std::vector<std::string>& argv,
                         const std::vector<std::string>& env = {},
                         const std::string& input = "")
{
  return Process(argv, env, input).wait();
}

// A listener on path, in a child process running as uid/gid (which makes
// the socket's directory, 0700, if it is missing). Read: sends back through
// a pipe what one connection brought; NoRead: accepts and never reads;
// NoAccept: never accepts (backlog 0).
class TestAgent {
public:
  enum Mode { Read, NoRead, NoAccept };
  TestAgent(const std::string& path, uid_t uid, gid_t gid, Mode mode = Read)
  {
    int fds[2];
    pipe2(fds, O_CLOEXEC);
    if ((pid_ = fork()) == 0)
      _exit(child(path, uid, gid, fds[1], mode));
    close(fds[1]);
    fd_ = fds[0];
    char c = 0;
    if (read(fd_, &c, 1) != 1 || c != 'L')
      ADD_FAILURE() << "test agent did not start";
  }
  ~TestAgent()
  {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
    close(fd_);
  }

  // What the backend sent, once it closed the connection.
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
  static int child(const std::string& path, uid_t uid, gid_t gid, int out,
                   Mode mode)
  {
    if (setgroups(1, &gid) != 0 || setgid(gid) != 0 || setuid(uid) != 0)
      return 10;
    mkdir(path.substr(0, path.rfind('/')).c_str(), 0700);
    sockaddr_un addr = {};
    addr.sun_family = AF_UNIX;
    strncpy(addr.sun_path, path.c_str(), sizeof(addr.sun_path) - 1);
    int s = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    unlink(path.c_str());
    if (bind(s, (sockaddr*)&addr, sizeof(addr)) != 0 ||
        chmod(path.c_str(), 0777) != 0 ||
        listen(s, mode == NoAccept ? 0 : 4) != 0 || write(out, "L", 1) != 1)
      return 12;
    int c = mode == NoAccept ? -1 : accept(s, nullptr, nullptr);
    char buf[4096];
    for (ssize_t n; mode == Read && (n = read(c, buf, sizeof(buf))) > 0;) {
      if (write(out, buf, (size_t)n) != n)
        return 15;
    }
    while (mode != Read)
      pause();
    return 0;
  }

  pid_t pid_ = -1;
  int fd_ = -1;
};

} // namespace jextest
