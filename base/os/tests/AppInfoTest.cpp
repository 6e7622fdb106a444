#include <os/AppInfo.h>

#include <gtest/gtest.h>

#include <string>
#include <sys/stat.h>
#include <unistd.h>

using os::AppInfo;

TEST(AppInfo, IpcPathSuffixes)
{
  AppInfo::set("print", "Tessaro", "jextest", nullptr, nullptr);
  const std::string dir = "/tmp/.jextest-1000/print.";
  struct {
    const char* name;
    int64_t pid;
    int instance;
    std::string expect;
  } cases[] = {
      {"agent", 0, 0, dir + "agent"},
      {"agent", 123, 0, dir + "agent.123.0"},
      {"agent", 0, 2, dir + "agent.0.2"},
      {"agent", -1, -1, dir + "agent." + std::to_string(getpid())},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.expect);
    EXPECT_EQ(
        c.expect,
        AppInfo::userIpcPath(c.name, "1000", nullptr, c.pid, c.instance).get());
  }
  // With a uid text nothing is created.
  struct stat st;
  EXPECT_NE(stat("/tmp/.jextest-1000", &st), 0);
}

// A directory someone else left open to others is tightened, and a missing
// one is created again.
TEST(AppInfo, OwnTmpDirIsCreatedPrivate)
{
  AppInfo::set("print", "Tessaro", "jextest", nullptr, nullptr);
  std::string expect = "/tmp/.jextest-" + std::to_string(geteuid());
  rmdir(expect.c_str());
  mode_t old = umask(0);
  ASSERT_EQ(mkdir(expect.c_str(), 0755), 0);
  umask(old);
  EXPECT_EQ(std::string(AppInfo::userTmpDir().get()), expect);
  struct stat st;
  ASSERT_EQ(stat(expect.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
  EXPECT_EQ(rmdir(expect.c_str()), 0);
  EXPECT_EQ(std::string(AppInfo::userTmpDir().get()), expect);
  EXPECT_EQ(rmdir(expect.c_str()), 0);
}

TEST(AppInfo, MissingTranslation)
{
  AppInfo::set("print", nullptr, "jextest", "os_no_such_key", "Printer");
  EXPECT_STREQ(AppInfo::getDisplayName(), "Missing translation");
}
