#include "JobFileSet.h"

#include "TestFiles.h"

#include <gtest/gtest.h>

#include <cstring>

TEST(JobFileSet, KeepsOneEntryPerNameAndIgnoresAbsentErase)
{
  JobFileSet set;
  set.insert(strdup("b"));
  set.insert(strdup("a"));
  set.insert(strdup("b")); // the duplicate copy is freed
  set.insert(nullptr);
  set.insert(nullptr);
  set.insert(strdup(""));
  EXPECT_EQ(set.size(), 4u); // null, "", "a", "b"
  EXPECT_TRUE(set.contains(nullptr));
  EXPECT_TRUE(set.contains(""));
  EXPECT_TRUE(set.contains("a"));

  set.erase("zzz");
  EXPECT_EQ(set.size(), 4u);
  set.erase("b");
  EXPECT_FALSE(set.contains("b"));
  set.erase(nullptr);
  EXPECT_FALSE(set.contains(nullptr));
  EXPECT_TRUE(set.contains("")); // null and "" are different entries
  EXPECT_EQ(set.size(), 2u);

  const char* names[] = {"x", nullptr, "a", "x"};
  set.insertCopies(names, 4);
  EXPECT_EQ(set.size(), 4u); // "", "a", "x" and null again
}

TEST(JobFileSet, DestructorRemovesExactlyTheRegisteredFiles)
{
  jextest::TempDir dir;
  for (const char* name : {"kept", "erased", "registered-1", "registered-2"})
    jextest::writeFile(dir.file(name), "");
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
  EXPECT_EQ(jextest::listDir(dir.path),
            (std::set<std::string>{"erased", "kept"}));
}
