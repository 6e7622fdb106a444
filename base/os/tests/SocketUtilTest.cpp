#include "SocketTestUtil.h"

#include <os/SocketUtil.h>
#include <plat/Exception.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <string>
#include <sys/resource.h>

using testutil::FdGuard;
using testutil::Listener;
using testutil::openDescriptorCount;
using testutil::TempDir;

namespace {

bool isCloexec(int fd)
{
  int flags = fcntl(fd, F_GETFD);
  return flags >= 0 && (flags & FD_CLOEXEC);
}

template <typename F> std::string systemError(F f)
{
  return testutil::thrownMessage<plat::SystemException>(f);
}

rlim_t softDescriptorLimit()
{
  struct rlimit lim;
  getrlimit(RLIMIT_NOFILE, &lim);
  return lim.rlim_cur;
}

bool sigpipeIgnored()
{
  struct sigaction sa;
  sigaction(SIGPIPE, nullptr, &sa);
  return sa.sa_handler == SIG_IGN;
}

// Starts from the given soft limit, creates the first socket and reports the
// soft limit the one-time set-up left through the exit status (in units of
// 64, to fit); 1 and 2 are failures.
[[noreturn]] void runSetupFrom(rlim_t soft)
{
  struct rlimit lim;
  getrlimit(RLIMIT_NOFILE, &lim);
  lim.rlim_max = std::max(lim.rlim_max, soft);
  lim.rlim_cur = soft;
  signal(SIGPIPE, SIG_DFL);
  if (setrlimit(RLIMIT_NOFILE, &lim) != 0 ||
      os::createSocket(AF_UNIX, SOCK_STREAM, 0) < 0 || !sigpipeIgnored())
    _exit(1);
  rlim_t after = softDescriptorLimit();
  os::restoreForExec(true);
  if (softDescriptorLimit() != soft || sigpipeIgnored())
    _exit(2);
  _exit(static_cast<int>(after / 64));
}

} // namespace

// 107 bytes is the longest path that fits with its terminator; failures of
// every kind leave no descriptor behind.
TEST(SocketUtil, UnixConnectPathLimitAndFailures)
{
  TempDir dir;
  std::string longest = dir.path() + "/";
  longest.append(107 - longest.size(), 's');
  Listener l(longest);
  ASSERT_TRUE(l.ok());
  FdGuard c(os::unixConnect(longest.c_str(), 0, false));
  EXPECT_GE(c.get(), 0);
  EXPECT_TRUE(isCloexec(c.get()));

  Listener bound(dir.path() + "/bound", false);
  ASSERT_TRUE(bound.ok());
  struct {
    std::string path, message;
  } cases[] = {
      {longest + "s", "UnixIo: File name too long (36)"},
      {dir.path() + "/missing", "connect: No such file or directory (2)"},
      {dir.path() + "/bound", "connect: Connection refused (111)"},
  };
  int before = openDescriptorCount();
  for (const auto& c : cases)
    EXPECT_EQ(c.message,
              systemError([&] { os::unixConnect(c.path.c_str(), 0, true); }));
  EXPECT_EQ(before, openDescriptorCount());
}

TEST(SocketUtil, EveryCreatedDescriptorIsCloseOnExec)
{
  int sp[2], pp[2];
  os::createSocketPair(sp);
  os::createPipe(pp);
  FdGuard s(os::createSocket(AF_UNIX, SOCK_STREAM, 0)), a(sp[0]), b(sp[1]),
      r(pp[0]), w(pp[1]), d(os::dupDescriptor(pp[0]));
  for (const FdGuard* g : {&s, &a, &b, &r, &w, &d})
    EXPECT_TRUE(isCloexec(g->get())) << g->get();

  // The target starts out inheritable and must not stay so.
  FdGuard target(dup(w.get()));
  ASSERT_FALSE(isCloexec(target.get()));
  EXPECT_EQ(target.get(), os::dupDescriptorTo(r.get(), target.get()));
  EXPECT_TRUE(isCloexec(target.get()));
  EXPECT_EQ("dup2: Invalid argument (22)",
            systemError([&] { os::dupDescriptorTo(r.get(), r.get()); }));

  // setBlocking replaces the status flags rather than adding to them.
  ASSERT_EQ(0, fcntl(w.get(), F_SETFL, O_APPEND));
  os::setBlocking(w.get(), false);
  EXPECT_EQ(O_NONBLOCK, fcntl(w.get(), F_GETFL) & (O_NONBLOCK | O_APPEND));
  os::setBlocking(w.get(), true);
  EXPECT_EQ(0, fcntl(w.get(), F_GETFL) & (O_NONBLOCK | O_APPEND));

  // Failures name the call; closeOnFailure keeps the original errno.
  EXPECT_EQ("setBlocking: Bad file descriptor (9)",
            systemError([] { os::setBlocking(-1, true); }));
  errno = 0;
  EXPECT_FALSE(os::setInheritable(-1, false, true));
  EXPECT_EQ(EBADF, errno);
  EXPECT_EQ("getPeerEuid: Socket operation on non-socket (88)",
            systemError([&] { os::getPeerEuid(r.get()); }));
}

TEST(SocketUtil, PeerCredentialsAndEscapedName)
{
  TempDir dir;
  std::string path = dir.path() + "/a b%c#\xc3\xa9~";
  Listener l(path);
  ASSERT_TRUE(l.ok());
  FdGuard c(os::unixConnect(path.c_str(), 0, false)), s(l.accept());

  char name[os::UnixPeerNameSize];
  EXPECT_EQ("[unix:" + dir.path() + "/a b%25c%23\xc3\xa9~]",
            std::string(os::getUnixPeerName(c.get(), name)));
  // The accepting end's peer is unnamed.
  EXPECT_STREQ("", os::getUnixPeerName(s.get(), name));

  EXPECT_EQ(geteuid(), os::getPeerEuid(s.get()));
  EXPECT_EQ("namedPipeCredCheck: uid mismatch", testutil::thrownMessage([&] {
              os::namedPipeCredCheck(s.get(), geteuid() + 1);
            }));
}

// The set-up changes process-wide state, so each case runs in a fresh copy
// of the test program where nothing has created a socket yet.
TEST(SocketSetupDeathTest, LowersHighDescriptorLimitOnly)
{
  if (geteuid() != 0)
    GTEST_SKIP() << "raising the hard descriptor limit needs root";
#ifndef JEX_TEST_EMULATED
  GTEST_FLAG_SET(death_test_style, "threadsafe");
#endif
  // (The emulated program cannot exec itself; a fork is fresh enough when
  // ctest runs this test alone in its own process.)
  EXPECT_EXIT(runSetupFrom(4096), ::testing::ExitedWithCode(1024 / 64), "");
  EXPECT_EXIT(runSetupFrom(256), ::testing::ExitedWithCode(256 / 64), "");
}
