#include "JobFileSet.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <set>
#include <string>
#include <unistd.h>

namespace {

// A private directory under /tmp, removed with its files at the end.
class TempDir {
public:
  TempDir()
  {
    char templ[] = "/tmp/jexfs-test-XXXXXX";
    if (!mkdtemp(templ))
      abort();
    path_ = templ;
  }
  ~TempDir()
  {
    for (auto& name : list())
      unlink((path_ + "/" + name).c_str());
    rmdir(path_.c_str());
  }
  std::string file(const char* name) const { return path_ + "/" + name; }
  void create(const char* name) const
  {
    int fd = open(file(name).c_str(), O_CREAT | O_WRONLY | O_CLOEXEC, 0600);
    ASSERT_GE(fd, 0);
    close(fd);
  }
  std::set<std::string> list() const
  {
    std::set<std::string> names;
    // readdir64: 32-bit readdir fails with EOVERFLOW on hosts with 64-bit
    // directory offsets (an armhf build under an emulator).
    DIR* d = opendir(path_.c_str());
    if (!d) {
      ADD_FAILURE() << "opendir " << path_ << ": " << strerror(errno);
      return names;
    }
    errno = 0;
    while (dirent64* e = readdir64(d)) {
      if (strcmp(e->d_name, ".") != 0 && strcmp(e->d_name, "..") != 0)
        names.insert(e->d_name);
    }
    if (errno)
      ADD_FAILURE() << "readdir " << path_ << ": " << strerror(errno);
    closedir(d);
    return names;
  }

private:
  std::string path_;
};

} // namespace

TEST(JobFileSet, KeepsOneEntryPerNameAndIgnoresAbsentErase)
{
  JobFileSet set;
  set.insert(strdup("b"));
  set.insert(strdup("a"));
  set.insert(strdup("b"));            // the duplicate copy is freed
  set.insert(nullptr);
  set.insert(nullptr);
  set.insert(strdup(""));
  EXPECT_EQ(set.size(), 4u);           // null, "", "a", "b"
  EXPECT_TRUE(set.contains(nullptr));
  EXPECT_TRUE(set.contains(""));
  EXPECT_TRUE(set.contains("a"));

  set.erase("zzz");
  EXPECT_EQ(set.size(), 4u);
  set.erase("b");
  EXPECT_FALSE(set.contains("b"));
  set.erase(nullptr);
  EXPECT_FALSE(set.contains(nullptr));
  EXPECT_TRUE(set.contains(""));       // null and "" are different entries
  EXPECT_EQ(set.size(), 2u);

  const char* names[] = {"x", nullptr, "a", "x"};
  set.insertCopies(names, 4);
  EXPECT_EQ(set.size(), 4u);           // "", "a", "x" and null again
}

TEST(JobFileSet, DestructorRemovesExactlyTheRegisteredFiles)
{
  TempDir dir;
  for (const char* name : {"kept", "erased", "registered-1", "registered-2"})
    dir.create(name);
  {
    JobFileSet set;
    set.insert(strdup(dir.file("registered-2").c_str()));
    set.insert(strdup(dir.file("registered-1").c_str()));
    set.insert(strdup(dir.file("erased").c_str()));
    set.insert(strdup(dir.file("never-created").c_str()));
    set.insert(nullptr);
    set.insert(strdup(""));
    set.erase(dir.file("erased").c_str());
  }
  EXPECT_EQ(dir.list(), (std::set<std::string>{"erased", "kept"}));
}
