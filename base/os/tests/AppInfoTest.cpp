#include <os/AppInfo.h>

#include <gtest/gtest.h>

#include <string>
#include <sys/stat.h>
#include <unistd.h>

using os::AppInfo;

namespace {

class AppInfoTest : public ::testing::Test {
protected:
  void SetUp() override
  {
    AppInfo::set("print", "Tessaro", "jextest", nullptr, nullptr);
  }
};

std::string ipc(const char* name, int64_t pid, int instance)
{
  return AppInfo::userIpcPath(name, "1000", nullptr, pid, instance).get();
}

} // namespace

TEST_F(AppInfoTest, IpcPathSuffixes)
{
  EXPECT_EQ(ipc("agent", 0, -1), "/tmp/.jextest-1000/print.agent");
  EXPECT_EQ(ipc("agent", 123, -1), "/tmp/.jextest-1000/print.agent.123");
  EXPECT_EQ(ipc("agent", 123, 0), "/tmp/.jextest-1000/print.agent.123.0");
  EXPECT_EQ(ipc("agent", 0, 2), "/tmp/.jextest-1000/print.agent.0.2");
  EXPECT_EQ(ipc("agent", 0, 0), "/tmp/.jextest-1000/print.agent");
  EXPECT_EQ(ipc("", 0, -1), "/tmp/.jextest-1000/print.");
  EXPECT_EQ(ipc("agent", -1, -1),
            "/tmp/.jextest-1000/print.agent." + std::to_string(getpid()));
  EXPECT_EQ(std::string(
                AppInfo::userIpcPath("agent", "7", "other", 0, -1).get()),
            "/tmp/.jextest-7/other.agent");
  // With a uid text nothing is created.
  struct stat st;
  EXPECT_NE(stat("/tmp/.jextest-1000", &st), 0);
}

TEST_F(AppInfoTest, OwnTmpDirIsCreatedPrivate)
{
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

TEST_F(AppInfoTest, FieldsAndFallbacks)
{
  EXPECT_STREQ(AppInfo::getCompany(), "Tessaro");
  EXPECT_STREQ(AppInfo::getGroup(true), "");
  EXPECT_STREQ(AppInfo::getDisplayName(), "print");
  AppInfo::setDisplayName("Printer");
  EXPECT_STREQ(AppInfo::getDisplayName(), "Printer");
  AppInfo::set("print", nullptr, "jextest", "os_no_such_key", "Printer");
  EXPECT_STREQ(AppInfo::getDisplayName(), "Missing translation");
  EXPECT_STREQ(AppInfo::getCompany(true), "");
  const char* before = AppInfo::getApp();
  AppInfo::setApp("print");
  EXPECT_EQ(AppInfo::getApp(), before); // equal text keeps the copy
}

TEST_F(AppInfoTest, UnsetFieldsAreFatal)
{
  EXPECT_DEATH(AppInfo::getGroup(), "emptyIfUnset \\|\\| group");
  EXPECT_DEATH(AppInfo::setApp(nullptr), "'a'");
  EXPECT_DEATH(AppInfo::setGroup(nullptr), "'g'");
  EXPECT_DEATH(
      {
        AppInfo::set("x", nullptr, nullptr, nullptr, nullptr);
        AppInfo::userTmpDir("1");
      },
      "emptyIfUnset \\|\\| pathComp");
}
