#include <plat/String.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <set>
#include <vector>

using plat::String;

TEST(String, NullIsDistinctFromEmptyAndSortsFirst)
{
  String null, empty("");
  EXPECT_EQ(null.get(), nullptr);
  EXPECT_STREQ(null.c_str(), "");
  EXPECT_NE(null, empty);
  EXPECT_TRUE(String(null).isNull()); // copying keeps null
  std::set<String> s{"b", "a", "B", "", String()};
  EXPECT_EQ(std::vector<String>(s.begin(), s.end()),
            (std::vector<String>{String(), "", "B", "a", "b"}));
}

TEST(String, OwnershipAndSelfAssignment)
{
  String a("abc");
  String b(a);
  b.buf()[1] = 'y';
  EXPECT_STREQ(a.get(), "abc");
  a = b;
  a = a.get() + 1; // assigning from its own text
  EXPECT_STREQ(a.get(), "yc");
  EXPECT_EQ(String("ab\0cd", 5), "ab");

  a.adopt(strdup("other"));
  char* raw = a.release();
  EXPECT_TRUE(a.isNull());
  EXPECT_STREQ(raw, "other");
  free(raw);
  EXPECT_FALSE(String::format("%s", "").isNull());
}
