#include <os/PasswdEntry.h>
#include <os/UserSwitch.h>

#include <plat/Exception.h>

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <functional>
#include <sched.h>
#include <string>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

using os::PasswdEntry;

namespace {

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

TEST(PasswdEntry, MissingAccountMessages)
{
  PasswdEntry e(true);
  auto error = [](const std::function<void()>& lookup) -> std::string {
    try {
      lookup();
    } catch (const plat::SystemException& ex) {
      return std::string(ex.message()) + " [" + ex.typeName() + "]";
    }
    return "found";
  };
  EXPECT_EQ("getpwuid(3999999): account not found [System-0]",
            error([&] { e.lookupByUid(3999999); }));
  EXPECT_EQ("getpwnam(no-such-user-xyz): account not found [System-0]",
            error([&] { e.lookupByName("no-such-user-xyz"); }));
  EXPECT_EQ("getpwnam(<null>): null name [System-22]",
            error([&] { e.lookupByName(nullptr); }));
}

// A record larger than the first buffer, from a private copy of the user
// database mounted over the real one in a child process.
TEST(PasswdEntryDeathTest, LargeRecordGrowsTheBuffer)
{
  if (geteuid() != 0 || !canUnshareMounts())
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
        _exit(ok && e.bufferSize() == 4096 ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
  unlink(path);
}

// Switching to root as root passes its own checks; switching on leaves only
// the account's group and no way back, and trying to go back ends the
// process naming the call that failed.
TEST(UserSwitchDeathTest, SwitchLeavesExactlyTheAccountsGroup)
{
  if (geteuid() != 0)
    GTEST_SKIP() << "switching to another user needs root";
  PasswdEntry root(true), nobody(true);
  root.lookupByUid(0);
  nobody.lookupByName("nobody");
  EXPECT_EXIT(
      {
        os::switchToUser(root);
        os::switchToUser(nobody);
        gid_t groups[8];
        int n = getgroups(8, groups);
        bool ok = n == 1 && groups[0] == nobody.gid() &&
                  getuid() == nobody.uid() && geteuid() == nobody.uid() &&
                  getgid() == nobody.gid() && getegid() == nobody.gid() &&
                  setuid(0) != 0;
        _exit(ok ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
  EXPECT_EXIT(
      {
        os::switchToUser(nobody);
        os::switchToUser(root);
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
  if (geteuid() == 0) {
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
