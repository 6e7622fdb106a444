// Helpers for the process tests of the backend and the agent: files, child
// processes run from memory files, and local test accounts.
#pragma once

#include "../../../base/plat/tests/TestUtil.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <dirent.h>
#include <grp.h>
#include <pwd.h>
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

using testutil::readFile;
using testutil::TempDir;

inline std::string writeFile(const std::string& path, const std::string& data)
{
  std::ofstream(path, std::ios::binary) << data;
  return path;
}

inline bool exists(const std::string& path)
{
  struct stat st;
  return stat(path.c_str(), &st) == 0;
}

// The names in dir that start with prefix, without "." and "..".
// readdir64: the 32-bit readdir fails with EOVERFLOW on hosts with 64-bit
// directory offsets (armhf under an emulator).
inline std::set<std::string> listDir(const std::string& dir,
                                     const std::string& prefix = "")
{
  std::set<std::string> names;
  if (DIR* d = opendir(dir.c_str())) {
    while (dirent64* e = readdir64(d)) {
      std::string n = e->d_name;
      if (n != "." && n != ".." && n.compare(0, prefix.size(), prefix) == 0)
        names.insert(n);
    }
    closedir(d);
  }
  return names;
}

// A stream socket connected to path, or -1.
inline int connectTo(const std::string& path)
{
  sockaddr_un addr = {AF_UNIX, {}};
  strncpy(addr.sun_path, path.c_str(), sizeof(addr.sun_path) - 1);
  int s = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  return connect(s, (sockaddr*)&addr, sizeof(addr)) == 0 ? s : (close(s), -1);
}

// The hand-off message: a big-endian length (the path's own by default),
// then the path.
inline std::string handOff(const std::string& path, uint32_t len = ~0u)
{
  if (len == ~0u)
    len = uint32_t(path.size());
  return std::string{char(len >> 24), char(len >> 16), char(len >> 8),
                     char(len)} +
         path;
}

struct ProcessResult {
  std::string out, err;
  int status; // exit status, or 128 + the signal that ended it
};

inline int exitStatus(int st)
{
  return WIFEXITED(st) ? WEXITSTATUS(st) : 128 + WTERMSIG(st);
}

struct Account {
  std::string name, uid;
  uid_t id;
  gid_t gid;
};

// Switches a child to account a for good; false when it could not.
inline bool becomeAccount(const Account& a)
{
  return setgroups(0, nullptr) == 0 && setgid(a.gid) == 0 && setuid(a.id) == 0;
}

// A child with memory files as standard streams (it cannot block on them),
// run as account `as` when given, ended by its alarm (which survives exec)
// if it hangs for a minute and killed if the test leaves it running.
struct Process {
  Process(const std::vector<std::string>& argv, const std::string& input,
          const Account* as = nullptr)
  {
    int in = memfd_create("in", MFD_CLOEXEC);
    EXPECT_EQ(pwrite(in, input.data(), input.size(), 0), (ssize_t)input.size());
    for (int& fd : out)
      fd = memfd_create("out", MFD_CLOEXEC);
    if ((pid = fork()) == 0) {
      dup2(in, 0);
      dup2(out[0], 1);
      dup2(out[1], 2);
      if (as && !becomeAccount(*as))
        _exit(126);
      std::vector<char*> args;
      for (const std::string& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
      args.push_back(nullptr);
      alarm(60);
      execvp(args[0], args.data());
      _exit(127);
    }
    close(in);
  }
  ~Process()
  {
    if (pid > 0) {
      kill(pid, SIGKILL);
      wait();
    }
  }
  // Standard output (0) or error (1) so far.
  std::string stream(int i) const
  {
    return readFile("/proc/self/fd/" + std::to_string(out[i]));
  }
  ProcessResult wait()
  {
    int st = 0;
    waitpid(pid, &st, 0);
    pid = -1;
    ProcessResult r = {stream(0), stream(1), exitStatus(st)};
    close(out[0]);
    close(out[1]);
    return r;
  }

  pid_t pid;
  int out[2];
};

inline ProcessResult run(const std::vector<std::string>& argv,
                         const std::string& input = "")
{
  return Process(argv, input).wait();
}

// env(1) with env ("NAME=value" sets, a bare NAME, listed first, removes), the
// cross build's emulator words, the binary built for the target, then args.
inline std::vector<std::string>
targetCommand(const std::string& binary, const std::vector<std::string>& args,
              const std::vector<std::string>& env = {})
{
  std::vector<std::string> argv = {"env"};
  for (const std::string& e : env) {
    if (e.find('=') == std::string::npos)
      argv.push_back("-u");
    argv.push_back(e);
  }
  std::istringstream words(JEX_EMULATOR);
  for (std::string w; words >> w;)
    argv.push_back(w);
  argv.push_back(binary);
  argv.insert(argv.end(), args.begin(), args.end());
  return argv;
}

// useradd and userdel of other test programs hold the account files for a
// while: retry.
inline void retry(const std::vector<std::string>& command)
{
  for (int i = 0; i < 20 && run(command).status != 0; i++)
    usleep(200000);
}

// Two local accounts named after this process (CTest runs test programs
// side by side: none may delete another's), removed at exit. Empty unless
// root and useradd succeeds.
inline const std::vector<Account>& testAccounts(const std::string& prefix)
{
  static std::vector<Account> accounts;
  static bool made = false;
  if (!made && geteuid() == 0) {
    made = true;
    for (const char* suffix : {"a", "b"}) {
      std::string name = prefix + std::to_string(getpid()) + suffix;
      retry({"useradd", "-r", "-M", "-N", "-s", "/usr/sbin/nologin", name});
      if (const passwd* pw = getpwnam(name.c_str()))
        accounts.push_back(
            {name, std::to_string(pw->pw_uid), pw->pw_uid, pw->pw_gid});
    }
    atexit([] {
      for (const Account& a : accounts)
        retry({"userdel", a.name});
    });
  }
  return accounts;
}

// Runs f in a child process as account a; returns its exit status.
template <class F> int runAs(const Account& a, F f)
{
  pid_t pid = fork();
  if (pid == 0)
    _exit(becomeAccount(a) ? f() : 126);
  int st = 0;
  waitpid(pid, &st, 0);
  return exitStatus(st);
}

} // namespace jextest
