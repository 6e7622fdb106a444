#include <plat/parseNum.h>

#include <plat/Exception.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <string>

using namespace plat;

namespace {

template <typename F>
std::string badNumMessage(F f)
{
  try {
    f();
  } catch (BadNum& e) {
    return e.message();
  }
  return "(no exception)";
}

} // namespace

TEST(parseNum, TryFormsMovePastTheNumberOrLeaveEverything)
{
  const char* p = " 12x";
  int32_t s = -1;
  EXPECT_TRUE(tryParseS32(s, p));
  EXPECT_EQ(s, 12);
  EXPECT_STREQ(p, "x");

  p = "x12";
  s = -1;
  EXPECT_FALSE(tryParseS32(s, p));
  EXPECT_EQ(s, 0);
  EXPECT_STREQ(p, "x12");

  p = "0x1F,";
  uint32_t u;
  EXPECT_TRUE(tryParseU32(u, p, 0));
  EXPECT_EQ(u, 31u);
  p = "017";
  EXPECT_TRUE(tryParseU32(u, p, 0));
  EXPECT_EQ(u, 15u);

  p = nullptr;
  EXPECT_FALSE(tryParseS32(s, p));
}

TEST(parseNum, Limits)
{
  const char* p;
  int32_t s;
  uint32_t u;
  int64_t sl;
  uint64_t ul;
  p = "2147483647";  EXPECT_TRUE(tryParseS32(s, p));  EXPECT_EQ(s, INT32_MAX);
  p = "-2147483648"; EXPECT_TRUE(tryParseS32(s, p));  EXPECT_EQ(s, INT32_MIN);
  p = "2147483648";  EXPECT_FALSE(tryParseS32(s, p));
  p = "-2147483649"; EXPECT_FALSE(tryParseS32(s, p));
  p = "4294967295";  EXPECT_TRUE(tryParseU32(u, p));  EXPECT_EQ(u, UINT32_MAX);
  p = "4294967296";  EXPECT_FALSE(tryParseU32(u, p));
  p = "9223372036854775807";  EXPECT_TRUE(tryParseS64(sl, p));
  EXPECT_EQ(sl, INT64_MAX);
  p = "-9223372036854775808"; EXPECT_TRUE(tryParseS64(sl, p));
  EXPECT_EQ(sl, INT64_MIN);
  p = "9223372036854775808";  EXPECT_FALSE(tryParseS64(sl, p));
  p = "18446744073709551615"; EXPECT_TRUE(tryParseU64(ul, p));
  EXPECT_EQ(ul, UINT64_MAX);
  p = "18446744073709551616"; EXPECT_FALSE(tryParseU64(ul, p));
}

TEST(parseNum, UnsignedParsersRefuseMinus)
{
  const char* p = "-1";
  uint32_t u;
  uint64_t ul;
  EXPECT_FALSE(tryParseU32(u, p));
  EXPECT_FALSE(tryParseU64(ul, p));
  p = " -0";
  EXPECT_FALSE(tryParseU32(u, p));
  EXPECT_THROW(parseU32("-1"), BadNum);
  EXPECT_THROW(parseU64("-1"), BadNum);
  // A '-' after the number is trailing text, not part of it.
  p = "5-";
  EXPECT_TRUE(tryParseU32(u, p));
  EXPECT_EQ(u, 5u);
}

TEST(parseNum, CursorAndWholeTextForms)
{
  const char* p = "12x";
  EXPECT_EQ(parseS32Next(p), 12);
  EXPECT_STREQ(p, "x");
  EXPECT_EQ(parseS32(" 12"), 12);
  EXPECT_EQ(parseS64("-5000000000"), -5000000000LL);
  EXPECT_EQ(parseU64("ff", 16), 255u);

  EXPECT_EQ(badNumMessage([] { parseS32("12x"); }), "Failed to parse integer");
  EXPECT_EQ(badNumMessage([] { parseS32("12 "); }), "Failed to parse integer");
  EXPECT_EQ(badNumMessage([] { parseU32(""); }), "Failed to parse integer");
  EXPECT_EQ(badNumMessage([] { parseS64("1e3"); }),
            "Failed to parse S64 integer");
  EXPECT_EQ(badNumMessage([] { parseU64("x"); }),
            "Failed to parse U64 integer");
  EXPECT_EQ(badNumMessage([] { const char* q = "-"; parseS64Next(q); }),
            "Failed to parse S64 integer");
  EXPECT_EQ(badNumMessage([] { const char* q = "q"; parseU32Next(q); }),
            "Failed to parse integer");
}

TEST(parseNum, WholeTextRangeAndMessage)
{
  EXPECT_EQ(parseS32("-3", 10, -3, 3), -3);
  EXPECT_EQ(parseU32("7", 10, 7, 7), 7u);
  EXPECT_EQ(badNumMessage([] { parseS32("4", 10, -3, 3, "port out of range"); }),
            "port out of range");
  EXPECT_EQ(badNumMessage([] { parseU32("6", 10, 7, 9); }),
            "Failed to parse integer");
  EXPECT_EQ(badNumMessage([] { parseU32("x", 10, 0, 9, "bad width"); }),
            "bad width");
}

TEST(parseNum, ErrnoIsPreserved)
{
  const char* p = "99999999999999999999";
  int64_t v;
  errno = EINTR;
  EXPECT_FALSE(tryParseS64(v, p));
  EXPECT_EQ(errno, EINTR);
  errno = 0;
  p = "5";
  EXPECT_TRUE(tryParseS64(v, p));
  EXPECT_EQ(errno, 0);
}
