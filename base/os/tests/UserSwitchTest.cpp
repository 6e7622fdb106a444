#include <os/PasswdEntry.h>
#include <os/UserSwitch.h>

#include <plat/Exception.h>

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <grp.h>
#include <sched.h>
#include <string>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

using os::PasswdEntry;

namespace {

std::string lookupError(const char* name, uid_t uid)
{
  try {
    PasswdEntry e(true);
    if (name)
      e.lookupByName(name);
    else if (uid != uid_t(-1))
      e.lookupByUid(uid);
    else
      e.lookupByName(nullptr);
  } catch (const plat::SystemException& ex) {
    return std::string(ex.message()) + " [" + ex.typeName() + "]";
  }
  return "found";
}

// The account every switch test moves to.
const char* const Unprivileged = "nobody";

bool isRoot()
{
  return geteuid() == 0;
}

// Whether a child process may make a private mount namespace.
bool canUnshareMounts()
{
  pid_t pid = fork();
  if (pid == 0)
    _exit(unshare(CLONE_NEWNS) == 0 ? 0 : 1);
  int status;
  return waitpid(pid, &status, 0) == pid && WIFEXITED(status) &&
         WEXITSTATUS(status) == 0;
}

} // namespace

TEST(PasswdEntry, LookupByUidAndByName)
{
  PasswdEntry e(true);
  e.lookupByUid(0);
  EXPECT_TRUE(e.found());
  EXPECT_STREQ(e.name(), "root");
  EXPECT_EQ(e.bufferSize(), 1024u);
  e.lookupByName("root");
  EXPECT_EQ(e.uid(), 0u);
  EXPECT_EQ(e.gid(), 0u);
}

TEST(PasswdEntry, MissingAccounts)
{
  EXPECT_EQ(lookupError(nullptr, 3999999),
            "getpwuid(3999999): account not found [System-0]");
  EXPECT_EQ(lookupError("no-such-user-xyz", 0),
            "getpwnam(no-such-user-xyz): account not found [System-0]");
  EXPECT_EQ(lookupError(nullptr, uid_t(-1)),
            "getpwnam(<null>): null name [System-22]");
}

// A record larger than the first buffer, from a private copy of the user
// database mounted over the real one in a child process.
TEST(PasswdEntryDeathTest, LargeRecordGrowsTheBuffer)
{
  if (!isRoot() || !canUnshareMounts())
    GTEST_SKIP() << "mounting a test user database needs root and a "
                    "private mount namespace";
  char path[] = "/tmp/passwd-test-XXXXXX";
  int fd = mkstemp(path);
  ASSERT_GE(fd, 0);
  std::string gecos(3000, 'g');
  std::string line = "bigrec:x:4321:4321:" + gecos + ":/home/big:/bin/sh\n";
  ASSERT_EQ(write(fd, line.data(), line.size()), ssize_t(line.size()));
  close(fd);
  EXPECT_EXIT(
      {
        if (unshare(CLONE_NEWNS) != 0 ||
            mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            mount(path, "/etc/passwd", nullptr, MS_BIND, nullptr) != 0) {
          fprintf(stderr, "no private mounts\n");
          _exit(3);
        }
        PasswdEntry e(true);
        e.lookupByName("bigrec");
        bool ok = e.uid() == 4321 && e.bufferSize() == 4096 &&
                  std::string(e.pw().pw_gecos) == gecos;
        e.lookupByUid(4321); // starts again from 1024 bytes
        ok = ok && e.bufferSize() == 4096;
        _exit(ok ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
  unlink(path);
}

TEST(UserSwitchDeathTest, SwitchLeavesExactlyTheAccountsGroup)
{
  if (!isRoot())
    GTEST_SKIP() << "switching to another user needs root";
  EXPECT_EXIT(
      {
        PasswdEntry e(true);
        e.lookupByName(Unprivileged);
        os::switchToUser(e);
        gid_t groups[8];
        int n = getgroups(8, groups);
        bool ok = n == 1 && groups[0] == e.gid() && getuid() == e.uid() &&
                  geteuid() == e.uid() && getgid() == e.gid() &&
                  getegid() == e.gid() && setuid(0) != 0;
        _exit(ok ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
}

TEST(UserSwitchDeathTest, SwitchToRootAsRootPasses)
{
  if (!isRoot())
    GTEST_SKIP() << "needs to run as root";
  EXPECT_EXIT(
      {
        PasswdEntry e(true);
        e.lookupByUid(0);
        os::switchToUser(e);
        _exit(0);
      },
      ::testing::ExitedWithCode(0), "");
}

TEST(UserSwitchDeathTest, FailedSwitchExitsWithCallName)
{
  if (!isRoot())
    GTEST_SKIP() << "needs to run as root to drop privilege first";
  EXPECT_EXIT(
      {
        PasswdEntry root(true);
        PasswdEntry nobody(true);
        root.lookupByUid(0);
        nobody.lookupByName(Unprivileged);
        os::switchToUser(nobody);
        os::switchToUser(root); // no way back
        _exit(0);
      },
      ::testing::ExitedWithCode(1), "^setgid\\(\\): Operation not permitted");
}

TEST(UserSwitchDeathTest, IdentityChecks)
{
  uid_t me = getuid();
  EXPECT_EXIT(os::checkSwitchedIdentity(me + 1, gid_t(-1)),
              ::testing::KilledBySignal(SIGABRT), "^Unexpected uid\n");
  EXPECT_EXIT(os::checkSwitchedIdentity(me, getgid() + 1),
              ::testing::ExitedWithCode(1), "^Unexpected gid\n");
  if (isRoot()) {
    // A saved uid that still allows going back is refused too.
    auto keepSavedUid = [] {
      if (setresuid(0, 0, 65534) != 0)
        _exit(3);
      os::checkSwitchedIdentity(0, gid_t(-1));
    };
    EXPECT_EXIT(keepSavedUid(), ::testing::KilledBySignal(SIGABRT),
                "^Unexpected uid\n");
  }
  os::checkSwitchedIdentity(me, getgid());
  os::checkSwitchedIdentity(me, gid_t(-1));
}
