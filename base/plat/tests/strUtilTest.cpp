#include <plat/strUtil.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <vector>

using namespace plat;

TEST(strUtil, LengthsAndDuplicates)
{
  EXPECT_EQ(strLen(nullptr), 0u);
  EXPECT_EQ(strLen("abc"), 3u);
  EXPECT_EQ(strBoundedLen(nullptr, 4), 0u);
  EXPECT_EQ(strBoundedLen("abcdef", 4), 4u);
  EXPECT_EQ(strBoundedLen("ab", 4), 2u);
  // Bytes after the limit are never read.
  char unterminated[3] = {'x', 'y', 'z'};
  EXPECT_EQ(strBoundedLen(unterminated, 3), 3u);

  EXPECT_EQ(strDup(nullptr), nullptr);
  char* d = strDup("copy");
  EXPECT_STREQ(d, "copy");
  free(d);
}

TEST(strUtil, CaseAndSpace)
{
  char s[] = "MiXeD 1\xc3\xa9";
  strToUpper(s);
  EXPECT_STREQ(s, "MIXED 1\xc3\xa9"); // bytes above 127 untouched
  strToLower(s);
  EXPECT_STREQ(s, "mixed 1\xc3\xa9");
  strToUpper(nullptr);

  EXPECT_STREQ(strSkipSpace(" \t\r\n x y"), "x y");
  EXPECT_STREQ(strSkipSpace("\v x"), "\v x"); // only the four listed
  EXPECT_EQ(strSkipSpace(static_cast<const char*>(nullptr)), nullptr);
}

TEST(strUtil, PrefixTests)
{
  EXPECT_TRUE(strStartsWith("foobar", "foo"));
  EXPECT_FALSE(strStartsWith("foobar", "Foo"));
  EXPECT_FALSE(strStartsWith("fo", "foo"));
  EXPECT_TRUE(strStartsWithNoCase("FooBar", "fOO"));
  EXPECT_FALSE(strStartsWithNoCase("FooBar", "bar"));
  EXPECT_TRUE(strStartsWithNoCase("x", nullptr));
  EXPECT_TRUE(strStartsWithNoCase(nullptr, ""));
  EXPECT_FALSE(strStartsWithNoCase(nullptr, "a"));
}

TEST(strUtil, SplitInsertAndCharBefore)
{
  auto set = strSplitSet("b,a,,c,a,", ',');
  EXPECT_EQ(std::vector<String>(set.begin(), set.end()),
            (std::vector<String>{"a", "b", "c"}));
  EXPECT_TRUE(strSplitSet("", ',').empty());
  EXPECT_TRUE(strSplitSet(nullptr, ',').empty());
  EXPECT_EQ(strSplitSet("noPolicy", ',').count("noPolicy"), 1u);

  EXPECT_EQ(strInsertEvery("abcdef", 2, ':'), "ab:cd:ef");
  EXPECT_EQ(strInsertEvery("abcdefg", 2, ':'), "ab:cd:ef:g");
  EXPECT_EQ(strInsertEvery("", 2, ':'), "");
  EXPECT_EQ(strInsertEvery("abc", 0, ':'), "abc");
  EXPECT_TRUE(strInsertEvery(nullptr, 2, ':').isNull());

  const char* s = "12-4";
  EXPECT_FALSE(strHasCharBefore(s, s + 2, '-'));
  EXPECT_TRUE(strHasCharBefore(s, s + 3, '-'));
  EXPECT_FALSE(strHasCharBefore(s, s, '1'));
}
