// Runs a program as a child process and collects what it writes, for the
// process-level tests of the backend.
//
//   ProcessResult r = ProcessRunner(jexCommand({"1", "u", "t", "1", ""}))
//                         .unsetEnv("DEVICE_URI")
//                         .stdinData("...")
//                         .run();
//
// The child gets the given argv (argv[0] is looked up in PATH when it has
// no '/'), a copy of the test's environment with the requested changes (or
// only the set variables after clearEnv()), the given bytes on standard
// input and optionally another working directory. run() blocks until the
// child has exited and both output pipes are closed, or until the time-out,
// when the child is killed. Every descriptor and the child are released
// even when run() throws (plat::SystemException for pipe, fork or exec
// failures).
#pragma once

#include <plat/Exception.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <map>
#include <poll.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>
#include <vector>

extern char** environ;

namespace jextest {

struct ProcessResult {
  std::string out;        // bytes written to standard output
  std::string err;        // bytes written to standard error
  int status = -1;        // exit status, or -1 when ended by a signal
  int signal = 0;         // the terminating signal, or 0
  bool timedOut = false;  // killed by run() after the time-out
};

class ProcessRunner {
public:
  explicit ProcessRunner(std::vector<std::string> argv) : argv_(std::move(argv)) {}

  ProcessRunner& clearEnv() { inheritEnv_ = false; return *this; }
  ProcessRunner& setEnv(const std::string& name, const std::string& value)
  { env_[name] = {true, value}; return *this; }
  ProcessRunner& unsetEnv(const std::string& name)
  { env_[name] = {false, ""}; return *this; }
  ProcessRunner& stdinData(std::string data) { stdin_ = std::move(data); return *this; }
  ProcessRunner& workDir(std::string dir) { dir_ = std::move(dir); return *this; }
  ProcessRunner& timeout(int seconds) { timeout_ = seconds; return *this; }

  ProcessResult run() const;

private:
  // A descriptor closed on destruction.
  struct Fd {
    int fd = -1;
    Fd() = default;
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    ~Fd() { close(); }
    void close() { if (fd >= 0) ::close(fd); fd = -1; }
  };
  struct Pipe {
    Fd r, w;
    Pipe()
    {
      int fds[2];
      if (pipe2(fds, O_CLOEXEC) < 0)
        throw plat::SystemException("pipe2", errno);
      r.fd = fds[0];
      w.fd = fds[1];
    }
  };
  // Kills and reaps a child that run() did not wait for.
  struct Child {
    pid_t pid = -1;
    ~Child()
    {
      if (pid > 0) {
        kill(pid, SIGKILL);
        while (waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {}
      }
    }
  };
  // Blocks SIGPIPE for the calling thread while feeding standard input, so
  // that a child which stops reading cannot kill the test.
  struct SigpipeBlock {
    sigset_t old;
    SigpipeBlock()
    {
      sigset_t set;
      sigemptyset(&set);
      sigaddset(&set, SIGPIPE);
      pthread_sigmask(SIG_BLOCK, &set, &old);
    }
    ~SigpipeBlock()
    {
      sigset_t set;
      sigemptyset(&set);
      sigaddset(&set, SIGPIPE);
      timespec zero{0, 0};
      while (sigtimedwait(&set, nullptr, &zero) > 0) {}
      pthread_sigmask(SIG_SETMASK, &old, nullptr);
    }
  };

  std::vector<std::string> environment() const;

  std::vector<std::string> argv_;
  bool inheritEnv_ = true;
  std::map<std::string, std::pair<bool, std::string>> env_;
  std::string stdin_;
  std::string dir_;
  int timeout_ = 60;
};

inline std::vector<std::string> ProcessRunner::environment() const
{
  std::map<std::string, std::string> vars;
  if (inheritEnv_) {
    for (char** e = environ; e && *e; e++) {
      const char* eq = strchr(*e, '=');
      if (eq)
        vars[std::string(*e, (size_t)(eq - *e))] = eq + 1;
    }
  }
  for (auto& kv : env_) {
    if (kv.second.first)
      vars[kv.first] = kv.second.second;
    else
      vars.erase(kv.first);
  }
  std::vector<std::string> out;
  for (auto& kv : vars)
    out.push_back(kv.first + "=" + kv.second);
  return out;
}

inline ProcessResult ProcessRunner::run() const
{
  if (argv_.empty())
    throw plat::Exception("ProcessRunner: empty argv");

  // Everything the child needs is prepared before fork: only
  // async-signal-safe calls happen between fork and exec.
  std::vector<std::string> envStrings = environment();
  std::vector<char*> argv, envp;
  for (auto& a : argv_)
    argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  for (auto& e : envStrings)
    envp.push_back(const_cast<char*>(e.c_str()));
  envp.push_back(nullptr);

  Pipe in, out, err, execErr;
  SigpipeBlock sigpipeBlock;
  Child child;
  child.pid = fork();
  if (child.pid < 0)
    throw plat::SystemException("fork", errno);
  if (child.pid == 0) {
    dup2(in.r.fd, 0);
    dup2(out.w.fd, 1);
    dup2(err.w.fd, 2);
    signal(SIGPIPE, SIG_DFL);
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    int e = 0;
    if (!dir_.empty() && chdir(dir_.c_str()) < 0)
      e = errno;
    if (!e) {
      execvpe(argv[0], argv.data(), envp.data());
      e = errno;
    }
    ssize_t ignored = write(execErr.w.fd, &e, sizeof(e));
    (void)ignored;
    _exit(127);
  }
  in.r.close();
  out.w.close();
  err.w.close();
  execErr.w.close();

  // The error pipe closes on a successful exec, or carries errno.
  int execErrno = 0;
  ssize_t n;
  while ((n = read(execErr.r.fd, &execErrno, sizeof(execErrno))) < 0 &&
         errno == EINTR) {}
  if (n == (ssize_t)sizeof(execErrno))
    throw plat::SystemExceptionFmt("exec(%s)", execErrno, argv[0]);

  ProcessResult result;
  if (stdin_.empty())
    in.w.close();
  else
    fcntl(in.w.fd, F_SETFL, fcntl(in.w.fd, F_GETFL) | O_NONBLOCK);
  size_t written = 0;

  timespec start;
  clock_gettime(CLOCK_MONOTONIC, &start);
  while (out.r.fd >= 0 || err.r.fd >= 0) {
    pollfd fds[3];
    int nfds = 0;
    Fd* owners[3];
    std::string* sinks[3];
    for (auto& p : {std::make_pair(&out.r, &result.out),
                    std::make_pair(&err.r, &result.err)}) {
      if (p.first->fd >= 0) {
        fds[nfds] = {p.first->fd, POLLIN, 0};
        owners[nfds] = p.first;
        sinks[nfds++] = p.second;
      }
    }
    if (in.w.fd >= 0) {
      fds[nfds] = {in.w.fd, POLLOUT, 0};
      owners[nfds] = &in.w;
      sinks[nfds++] = nullptr;
    }

    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    long elapsedMs = (now.tv_sec - start.tv_sec) * 1000 +
                     (now.tv_nsec - start.tv_nsec) / 1000000;
    long leftMs = timeout_ * 1000L - elapsedMs;
    if (leftMs <= 0) {
      result.timedOut = true;
      kill(child.pid, SIGKILL);
      break;
    }
    int r = poll(fds, (nfds_t)nfds, (int)leftMs);
    if (r < 0) {
      if (errno == EINTR)
        continue;
      throw plat::SystemException("poll", errno);
    }
    for (int i = 0; i < nfds; i++) {
      if (!fds[i].revents)
        continue;
      if (!sinks[i]) {
        ssize_t w = write(in.w.fd, stdin_.data() + written, stdin_.size() - written);
        if (w > 0)
          written += (size_t)w;
        // EPIPE: the child closed its input; the rest is dropped.
        if ((w < 0 && errno != EAGAIN && errno != EINTR) ||
            written == stdin_.size())
          in.w.close();
        continue;
      }
      char buf[4096];
      ssize_t got = read(owners[i]->fd, buf, sizeof(buf));
      if (got > 0)
        sinks[i]->append(buf, (size_t)got);
      else if (got == 0 || (errno != EINTR && errno != EAGAIN))
        owners[i]->close();
    }
  }
  in.w.close();

  int status = 0;
  pid_t pid = child.pid;
  while (waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR)
      throw plat::SystemException("waitpid", errno);
  }
  child.pid = -1;
  if (WIFEXITED(status)) {
    result.status = WEXITSTATUS(status);
  } else if (WIFSIGNALED(status)) {
    result.signal = WTERMSIG(status);
  }
  return result;
}

// The argv that starts a program built for the target: the cross build's
// emulator command (JEX_EMULATOR, words separated by spaces; empty
// natively), the binary, then args.
inline std::vector<std::string> targetCommand(const std::string& binary,
                                              const std::vector<std::string>& args = {})
{
  std::vector<std::string> argv;
#ifdef JEX_EMULATOR
  std::string emulator = JEX_EMULATOR;
  size_t pos = 0;
  while (pos < emulator.size()) {
    size_t space = emulator.find(' ', pos);
    if (space == std::string::npos)
      space = emulator.size();
    if (space > pos)
      argv.push_back(emulator.substr(pos, space - pos));
    pos = space + 1;
  }
#endif
  argv.push_back(binary);
  argv.insert(argv.end(), args.begin(), args.end());
  return argv;
}

#ifdef JEX_BINARY
// The argv that starts the backend with the given arguments.
inline std::vector<std::string> jexCommand(const std::vector<std::string>& args = {})
{
  return targetCommand(JEX_BINARY, args);
}
#endif

} // namespace jextest
