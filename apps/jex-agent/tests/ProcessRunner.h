// Runs a program built for the target as a child process, for the backend's
// process-level tests, and collects its output and exit status.
#pragma once

#include <plat/Exception.h>

#include <cerrno>
#include <cstdlib>
#include <sstream>
#include <string>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace jextest {

struct ProcessResult {
  std::string out, err;
  int status = -1; // exit status, or -1 when ended by a signal
};

// Runs argv (argv[0] looked up in PATH) with the test's environment changed
// by env ("NAME=value" sets, a bare "NAME" removes) and input on standard
// input; blocks until it exits. The child's alarm survives exec, so a hung
// child is ended after timeoutSec. Standard streams are memory files rather
// than pipes: nothing to poll, and a child that stops reading cannot block.
inline ProcessResult runProcess(const std::vector<std::string>& argv,
                                const std::vector<std::string>& env = {},
                                const std::string& input = "",
                                unsigned timeoutSec = 60)
{
  int fds[3];
  for (int& fd : fds) {
    fd = memfd_create("jextest", MFD_CLOEXEC);
    if (fd < 0)
      throw plat::SystemException("memfd_create", errno);
  }
  if (pwrite(fds[0], input.data(), input.size(), 0) != (ssize_t)input.size())
    throw plat::SystemException("pwrite", errno);
  std::vector<char*> args;
  for (const std::string& a : argv)
    args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);

  // The tests are single-threaded, so setenv after fork is safe enough.
  pid_t pid = fork();
  if (pid == 0) {
    for (int i = 0; i < 3; i++)
      dup2(fds[i], i);
    for (const std::string& e : env) {
      size_t eq = e.find('=');
      if (eq == std::string::npos)
        unsetenv(e.c_str());
      else
        setenv(e.substr(0, eq).c_str(), e.c_str() + eq + 1, 1);
    }
    alarm(timeoutSec);
    execvp(args[0], args.data());
    _exit(127);
  }
  ProcessResult r;
  int status = 0;
  while (pid > 0 && waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  if (pid > 0 && WIFEXITED(status))
    r.status = WEXITSTATUS(status);
  for (std::string* s : {&r.out, &r.err}) {
    int fd = fds[s == &r.out ? 1 : 2];
    char buf[4096];
    ssize_t n;
    for (off_t at = 0; (n = pread(fd, buf, sizeof(buf), at)) > 0; at += n)
      s->append(buf, (size_t)n);
  }
  for (int fd : fds)
    close(fd);
  return r;
}

// The argv that starts a program built for the target: the cross build's
// emulator words (JEX_EMULATOR, space separated), the binary, then args.
inline std::vector<std::string>
targetCommand(const std::string& binary,
              const std::vector<std::string>& args = {})
{
  std::vector<std::string> argv;
#ifdef JEX_EMULATOR
  std::istringstream words(JEX_EMULATOR);
  for (std::string w; words >> w;)
    argv.push_back(w);
#endif
  argv.push_back(binary);
  argv.insert(argv.end(), args.begin(), args.end());
  return argv;
}

#ifdef JEX_BINARY
// Runs the backend with args.
inline ProcessResult runJex(const std::vector<std::string>& args,
                            const std::vector<std::string>& env,
                            const std::string& input = "")
{
  return runProcess(targetCommand(JEX_BINARY, args), env, input);
}
#endif

} // namespace jextest
