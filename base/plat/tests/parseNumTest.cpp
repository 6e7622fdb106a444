#include <plat/parseNum.h>

#include <plat/Exception.h>

#include "TestUtil.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>

using namespace plat;
using testutil::thrownMessage;

TEST(parseNum, TryFormsMovePastTheNumberOrLeaveEverything)
{
  const char* p = " 12x";
  int32_t s = -1;
  EXPECT_TRUE(tryParseS32(s, p));
  EXPECT_EQ(s, 12);
  EXPECT_STREQ(p, "x");
  p = "x12";
  EXPECT_FALSE(tryParseS32(s, p));
  EXPECT_STREQ(p, "x12");
  uint32_t u;
  p = "0x1F,";
  EXPECT_TRUE(tryParseU32(u, p, 0) && u == 31u);
  // A '-' after the number is trailing text, not part of it.
  p = "5-";
  EXPECT_TRUE(tryParseU32(u, p) && u == 5u);
  int64_t v;
  p = "99999999999999999999";
  errno = EINTR;
  EXPECT_FALSE(tryParseS64(v, p));
  EXPECT_EQ(errno, EINTR);
}

TEST(parseNum, LimitsSignsAndMessages)
{
  EXPECT_EQ(parseS32("-2147483648"), INT32_MIN);
  EXPECT_EQ(parseU32("4294967295"), UINT32_MAX);
  EXPECT_EQ(parseS64("-9223372036854775808"), INT64_MIN);
  EXPECT_EQ(parseU64("18446744073709551615"), UINT64_MAX);
  EXPECT_EQ(parseS32("-3", 10, -3, 3), -3);
  const char* p = "12x";
  EXPECT_EQ(parseS32Next(p), 12);
  EXPECT_STREQ(p, "x");

  const char* const Int = "Failed to parse integer";
  EXPECT_EQ(thrownMessage<BadNum>([] { parseS32("2147483648"); }), Int);
  EXPECT_EQ(thrownMessage<BadNum>([] { parseS32("12 "); }), Int);
  EXPECT_EQ(thrownMessage<BadNum>([] { parseU32(" -0"); }), Int);
  EXPECT_EQ(thrownMessage<BadNum>([] { parseU32("6", 10, 7, 9); }), Int);
  EXPECT_EQ(thrownMessage<BadNum>([] { parseS64("9223372036854775808"); }),
            "Failed to parse S64 integer");
  EXPECT_EQ(thrownMessage<BadNum>([] {
              const char* q = "-";
              parseS64Next(q);
            }),
            "Failed to parse S64 integer");
  EXPECT_EQ(thrownMessage<BadNum>([] { parseU64("18446744073709551616"); }),
            "Failed to parse U64 integer");
  EXPECT_EQ(thrownMessage<BadNum>(
                [] { parseS32("4", 10, -3, 3, "port out of range"); }),
            "port out of range");
}
