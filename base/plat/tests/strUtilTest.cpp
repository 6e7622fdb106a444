#include <plat/strUtil.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

using namespace plat;

TEST(strUtil, NullSafeHelpers)
{
  // Bytes after the limit are never read.
  char unterminated[3] = {'x', 'y', 'z'};
  EXPECT_EQ(strBoundedLen(unterminated, 3), 3u);
  EXPECT_EQ(strBoundedLen(nullptr, 4), 0u);
  EXPECT_EQ(strLen(nullptr), 0u);
  EXPECT_EQ(strDup(nullptr), nullptr);
  char* d = strDup("copy");
  EXPECT_STREQ(d, "copy");
  free(d);
  char s[] = "MiXeD 1\xc3\xa9";
  strToUpper(s);
  EXPECT_STREQ(s, "MIXED 1\xc3\xa9"); // bytes above 127 untouched
  strToLower(s);
  EXPECT_STREQ(s, "mixed 1\xc3\xa9");
  EXPECT_STREQ(strSkipSpace("\v x"), "\v x"); // only " \t\r\n"
  EXPECT_TRUE(strStartsWithNoCase("FooBar", "fOO"));
  EXPECT_FALSE(strStartsWithNoCase(nullptr, "a"));
  EXPECT_EQ(strSkipSpace(static_cast<const char*>(nullptr)), nullptr);
  EXPECT_FALSE(strStartsWith("fo", "foo"));
}

TEST(strUtil, SplitInsertAndCharBefore)
{
  auto set = strSplitSet("b,a,,c,a,", ',');
  EXPECT_EQ(std::vector<String>(set.begin(), set.end()),
            (std::vector<String>{"a", "b", "c"}));
  EXPECT_TRUE(strSplitSet(nullptr, ',').empty());
  EXPECT_EQ(strInsertEvery("abcdefg", 2, ':'), "ab:cd:ef:g");
  EXPECT_EQ(strInsertEvery("abc", 0, ':'), "abc");
  EXPECT_TRUE(strInsertEvery(nullptr, 2, ':').isNull());
  const char* s = "12-4";
  EXPECT_FALSE(strHasCharBefore(s, s + 2, '-'));
  EXPECT_TRUE(strHasCharBefore(s, s + 3, '-'));
}
