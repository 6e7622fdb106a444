#include "SpoolDir.h"

#include "../../../base/plat/tests/TestUtil.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

// Each way a spool directory can be unsafe is refused with its own reason
// and the owner found; a missing one is made private.
TEST(SpoolDir, RefusesWhatOthersCouldReach)
{
  testutil::TempDir tmp;
  const std::string dir = tmp.file("dir"), link = tmp.file("link"),
                    file = tmp.file("file"), open = tmp.file("open");
  mkdir(dir.c_str(), 0700);
  mkdir(open.c_str(), 0700);
  chmod(open.c_str(), 0755);
  symlink(dir.c_str(), link.c_str());
  close(creat(file.c_str(), 0600));
  const std::string me = "owner: uid " + std::to_string(getuid());
  const struct {
    std::string path;
    uid_t uid;
    const char* reason;
  } cases[] = {{link, getuid(), "it is a symbolic link"},
               {file, getuid(), "it is not a directory"},
               {dir, getuid() + 1, "it belongs to another user"},
               {open, getuid(), "other users have access to it (mode 0755)"}};
  for (const auto& c : cases) {
    try {
      agent::SpoolDir d(c.path, c.uid);
      ADD_FAILURE() << c.path << " accepted";
    } catch (agent::UnsafeDir& e) {
      const std::string message = e.message();
      EXPECT_NE(message.find(c.reason), std::string::npos) << message;
      EXPECT_NE(message.find(me), std::string::npos) << message;
    }
  }
  const std::string fresh = tmp.file("fresh");
  EXPECT_GE(agent::SpoolDir(fresh, getuid()).fd(), 0);
  struct stat st;
  ASSERT_EQ(stat(fresh.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
}
