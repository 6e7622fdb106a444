#include "SocketTestUtil.h"

#include <os/SocketUtil.h>
#include <plat/Exception.h>

#include <gtest/gtest.h>

#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <string>
#include <sys/resource.h>

using testutil::FdGuard;
using testutil::Listener;
using testutil::TempDir;
using testutil::openDescriptorCount;

namespace {

bool isCloexec(int fd)
{
  int flags = fcntl(fd, F_GETFD);
  return flags >= 0 && (flags & FD_CLOEXEC);
}

// A path of exactly len bytes inside dir.
std::string pathOfLength(const TempDir& dir, size_t len)
{
  std::string p = dir.path() + "/";
  p.append(len - p.size(), 's');
  return p;
}

template <typename F> int systemErrorOf(F f, std::string* message = nullptr)
{
  try {
    f();
  } catch (const plat::SystemException& e) {
    if (message)
      *message = e.message();
    return e.err();
  }
  return 0;
}

} // namespace

TEST(SocketUtil, UnixConnectPathLengthLimit)
{
  TempDir dir;
  std::string ok = pathOfLength(dir, 107);
  Listener l(ok);
  ASSERT_TRUE(l.ok());
  FdGuard c(os::unixConnect(ok.c_str(), 0, false));
  EXPECT_GE(c.get(), 0);
  EXPECT_TRUE(isCloexec(c.get()));

  int before = openDescriptorCount();
  std::string msg;
  std::string tooLong = pathOfLength(dir, 108);
  EXPECT_EQ(ENAMETOOLONG, systemErrorOf([&] {
              os::unixConnect(tooLong.c_str(), 0, false);
            }, &msg));
  EXPECT_EQ(0u, msg.rfind("UnixIo: ", 0)) << msg;
  EXPECT_EQ(before, openDescriptorCount());
}

TEST(SocketUtil, UnixConnectFailureLeaksNothing)
{
  TempDir dir;
  std::string missing = dir.path() + "/missing";
  std::string notListening = dir.path() + "/bound";
  Listener bound(notListening, false);
  ASSERT_TRUE(bound.ok());

  int before = openDescriptorCount();
  std::string msg;
  EXPECT_EQ(ENOENT, systemErrorOf([&] {
              os::unixConnect(missing.c_str(), 0, false);
            }, &msg));
  EXPECT_EQ(0u, msg.rfind("connect: ", 0)) << msg;
  EXPECT_EQ(ECONNREFUSED, systemErrorOf([&] {
              os::unixConnect(notListening.c_str(), 0, true);
            }));
  EXPECT_EQ(before, openDescriptorCount());
}

TEST(SocketUtil, EveryCreatedDescriptorIsCloseOnExec)
{
  FdGuard s(os::createSocket(AF_UNIX, SOCK_STREAM, 0));
  ASSERT_GE(s.get(), 0);
  EXPECT_TRUE(isCloexec(s.get()));

  int fds[2];
  os::createSocketPair(fds);
  FdGuard a(fds[0]), b(fds[1]);
  EXPECT_TRUE(isCloexec(a.get()));
  EXPECT_TRUE(isCloexec(b.get()));

  os::createPipe(fds);
  FdGuard r(fds[0]), w(fds[1]);
  EXPECT_TRUE(isCloexec(r.get()));
  EXPECT_TRUE(isCloexec(w.get()));

  FdGuard d(os::dupDescriptor(r.get()));
  EXPECT_TRUE(isCloexec(d.get()));

  // The target starts out inheritable and must not stay so.
  FdGuard target(dup(w.get()));
  ASSERT_FALSE(isCloexec(target.get()));
  EXPECT_EQ(target.get(), os::dupDescriptorTo(r.get(), target.get()));
  EXPECT_TRUE(isCloexec(target.get()));
  EXPECT_EQ(EINVAL, systemErrorOf([&] {
              os::dupDescriptorTo(r.get(), r.get());
            }));

  EXPECT_TRUE(os::setInheritable(d.get(), true, false));
  EXPECT_FALSE(isCloexec(d.get()));

  // closeOnFailure on a bad descriptor reports the original error.
  errno = 0;
  EXPECT_FALSE(os::setInheritable(-1, false, true));
  EXPECT_EQ(EBADF, errno);
}

TEST(SocketUtil, SetBlockingReplacesStatusFlags)
{
  int fds[2];
  os::createPipe(fds);
  FdGuard r(fds[0]), w(fds[1]);
  ASSERT_EQ(0, fcntl(w.get(), F_SETFL, O_APPEND));
  os::setBlocking(w.get(), false);
  EXPECT_EQ(O_NONBLOCK, fcntl(w.get(), F_GETFL) & (O_NONBLOCK | O_APPEND));
  os::setBlocking(w.get(), true);
  EXPECT_EQ(0, fcntl(w.get(), F_GETFL) & (O_NONBLOCK | O_APPEND));
  EXPECT_EQ(EBADF, systemErrorOf([] { os::setBlocking(-1, true); }));
}

TEST(SocketUtil, PeerCredentials)
{
  int fds[2];
  os::createSocketPair(fds);
  FdGuard a(fds[0]), b(fds[1]);
  EXPECT_EQ(geteuid(), os::getPeerEuid(a.get()));
  EXPECT_NO_THROW(os::namedPipeCredCheck(a.get(), geteuid()));
  try {
    os::namedPipeCredCheck(a.get(), geteuid() + 1);
    ADD_FAILURE() << "no exception";
  } catch (const plat::Exception& e) {
    EXPECT_STREQ("namedPipeCredCheck: uid mismatch", e.message());
  }

  os::createPipe(fds);
  FdGuard r(fds[0]), w(fds[1]);
  std::string msg;
  EXPECT_EQ(ENOTSOCK, systemErrorOf([&] { os::getPeerEuid(r.get()); }, &msg));
  EXPECT_EQ(0u, msg.rfind("getPeerEuid: ", 0)) << msg;
}

TEST(SocketUtil, PeerNameIsEscaped)
{
  TempDir dir;
  std::string path = dir.path() + "/a b%c#\xc3\xa9~";
  Listener l(path);
  ASSERT_TRUE(l.ok());
  FdGuard c(os::unixConnect(path.c_str(), 0, false));
  FdGuard s(l.accept());

  char name[os::UnixPeerNameSize];
  EXPECT_EQ("[unix:" + dir.path() + "/a b%25c%23\xc3\xa9~]",
            std::string(os::getUnixPeerName(c.get(), name)));
  // The accepting end's peer is unnamed.
  EXPECT_STREQ("", os::getUnixPeerName(s.get(), name));
  EXPECT_STREQ("", os::getUnixPeerName(-1, name));
}

// The one-time set-up changes process-wide state, so each case runs in a
// fresh copy of the test program where nothing has created a socket yet.
class SocketSetup : public ::testing::Test {
protected:
  void SetUp() override
  {
#ifndef JEX_TEST_EMULATED
    GTEST_FLAG_SET(death_test_style, "threadsafe");
#else
    // The emulated program cannot exec itself; a fork is fresh enough
    // when ctest runs this test alone in its own process.
#endif
  }

  // Starts from the given soft limit and reports the soft limit after the
  // set-up through the exit status (in units of 64, to fit).
  static void runSetupFrom(rlim_t soft)
  {
    struct rlimit lim;
    getrlimit(RLIMIT_NOFILE, &lim);
    if (lim.rlim_max < soft)
      lim.rlim_max = soft;
    lim.rlim_cur = soft;
    if (setrlimit(RLIMIT_NOFILE, &lim) != 0)
      _exit(1);
    signal(SIGPIPE, SIG_DFL);
    int fd = os::createSocket(AF_UNIX, SOCK_STREAM, 0);
    if (fd < 0)
      _exit(2);
    struct sigaction sa;
    sigaction(SIGPIPE, nullptr, &sa);
    if (sa.sa_handler != SIG_IGN)
      _exit(3);
    getrlimit(RLIMIT_NOFILE, &lim);
    rlim_t after = lim.rlim_cur;
    os::restoreForExec(true);
    getrlimit(RLIMIT_NOFILE, &lim);
    sigaction(SIGPIPE, nullptr, &sa);
    if (lim.rlim_cur != soft || sa.sa_handler != SIG_DFL)
      _exit(4);
    _exit(static_cast<int>(after / 64));
  }
};

TEST_F(SocketSetup, LowersHighDescriptorLimitOnly)
{
  if (geteuid() != 0)
    GTEST_SKIP() << "raising the hard descriptor limit needs root";
  EXPECT_EXIT(runSetupFrom(4096), ::testing::ExitedWithCode(1024 / 64), "");
  EXPECT_EXIT(runSetupFrom(256), ::testing::ExitedWithCode(256 / 64), "");
}
