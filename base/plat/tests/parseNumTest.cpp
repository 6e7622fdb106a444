#include <plat/parseNum.h>

#include <plat/Exception.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <string>

using namespace plat;

namespace {

template <typename F> std::string badNumMessage(F f)
{
  try {
    f();
  } catch (BadNum& e) {
    return e.message();
  }
  return "(no exception)";
}

template <typename T, bool (*Parse)(T&, const char*&, int)>
bool accepts(const char* text, T expected)
{
  T v;
  return Parse(v, text, 10) && v == expected;
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
  EXPECT_FALSE(tryParseS32(s, p));
  EXPECT_EQ(s, 0);
  EXPECT_STREQ(p, "x12");
  uint32_t u;
  p = "0x1F,";
  EXPECT_TRUE(tryParseU32(u, p, 0) && u == 31u);
  p = "017";
  EXPECT_TRUE(tryParseU32(u, p, 0) && u == 15u);
  // A '-' after the number is trailing text, not part of it.
  p = "5-";
  EXPECT_TRUE(tryParseU32(u, p) && u == 5u);
  p = nullptr;
  EXPECT_FALSE(tryParseS32(s, p));
}

TEST(parseNum, LimitsAndSigns)
{
  EXPECT_TRUE((accepts<int32_t, tryParseS32>("2147483647", INT32_MAX)));
  EXPECT_TRUE((accepts<int32_t, tryParseS32>("-2147483648", INT32_MIN)));
  EXPECT_FALSE((accepts<int32_t, tryParseS32>("2147483648", 0)));
  EXPECT_FALSE((accepts<int32_t, tryParseS32>("-2147483649", 0)));
  EXPECT_TRUE((accepts<uint32_t, tryParseU32>("4294967295", UINT32_MAX)));
  EXPECT_FALSE((accepts<uint32_t, tryParseU32>("4294967296", 0)));
  EXPECT_FALSE((accepts<uint32_t, tryParseU32>("-1", UINT32_MAX)));
  EXPECT_FALSE((accepts<uint32_t, tryParseU32>(" -0", 0)));
  EXPECT_TRUE(
      (accepts<int64_t, tryParseS64>("9223372036854775807", INT64_MAX)));
  EXPECT_TRUE(
      (accepts<int64_t, tryParseS64>("-9223372036854775808", INT64_MIN)));
  EXPECT_FALSE((accepts<int64_t, tryParseS64>("9223372036854775808", 0)));
  EXPECT_TRUE(
      (accepts<uint64_t, tryParseU64>("18446744073709551615", UINT64_MAX)));
  EXPECT_FALSE((accepts<uint64_t, tryParseU64>("18446744073709551616", 0)));
  EXPECT_FALSE((accepts<uint64_t, tryParseU64>("-1", UINT64_MAX)));
}

TEST(parseNum, CursorAndWholeTextForms)
{
  const char* p = "12x";
  EXPECT_EQ(parseS32Next(p), 12);
  EXPECT_STREQ(p, "x");
  EXPECT_EQ(parseS32(" 12"), 12);
  EXPECT_EQ(parseS64("-5000000000"), -5000000000LL);
  EXPECT_EQ(parseU64("ff", 16), 255u);
  EXPECT_EQ(parseS32("-3", 10, -3, 3), -3);

  const char* const Int = "Failed to parse integer";
  EXPECT_EQ(badNumMessage([] { parseS32("12x"); }), Int);
  EXPECT_EQ(badNumMessage([] { parseS32("12 "); }), Int);
  EXPECT_EQ(badNumMessage([] { parseU32(""); }), Int);
  EXPECT_EQ(badNumMessage([] { parseU32("-1"); }), Int);
  EXPECT_EQ(badNumMessage([] {
              const char* q = "q";
              parseU32Next(q);
            }),
            Int);
  EXPECT_EQ(badNumMessage([] { parseU32("6", 10, 7, 9); }), Int);
  EXPECT_EQ(badNumMessage([] { parseS64("1e3"); }),
            "Failed to parse S64 integer");
  EXPECT_EQ(badNumMessage([] {
              const char* q = "-";
              parseS64Next(q);
            }),
            "Failed to parse S64 integer");
  EXPECT_EQ(badNumMessage([] { parseU64("-1"); }),
            "Failed to parse U64 integer");
  EXPECT_EQ(
      badNumMessage([] { parseS32("4", 10, -3, 3, "port out of range"); }),
      "port out of range");
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
}
