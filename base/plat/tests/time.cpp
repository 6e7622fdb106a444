#include <plat/time.h>

#include <plat/Exception.h>

#include <gtest/gtest.h>

#include <string>

using namespace plat;

namespace {

std::string parseError(const char* text)
{
  try {
    parseIsoTime(text);
  } catch (const Exception& e) {
    return e.message();
  }
  return "accepted";
}

struct tm makeTm(int y, int mon, int d, int h, int mi, int s)
{
  struct tm tm = {};
  tm.tm_year = y - 1900, tm.tm_mon = mon - 1, tm.tm_mday = d;
  tm.tm_hour = h, tm.tm_min = mi, tm.tm_sec = s;
  return tm;
}

} // namespace

TEST(MonotonicTime, ReplacementClockGetsBoundAndReportsJump)
{
  struct Fake : MonotonicClock {
    int64_t seenBound = 0;
    int64_t now(int64_t bound, bool* jumped) override
    {
      seenBound = bound;
      *jumped = true;
      return 42;
    }
  } fake;
  setMonotonicClock(&fake);
  bool jumped = false;
  EXPECT_EQ(monotonicNowBounded(1000, &jumped), 42);
  EXPECT_TRUE(jumped);
  EXPECT_EQ(fake.seenBound, 1000);
  EXPECT_EQ(monotonicNow(), 42);
  setMonotonicClock(nullptr);
  monotonicNowBounded(1000, &jumped);
  EXPECT_FALSE(jumped);
}

TEST(CalendarTime, Epochs)
{
  EXPECT_EQ(calendarFromTm(makeTm(1601, 1, 1, 0, 0, 0)), 0);
  EXPECT_EQ(calendarFromTm(makeTm(1601, 1, 2, 0, 0, 0)), 864000000000LL);
  EXPECT_EQ(calendarFromTm(makeTm(1970, 1, 1, 0, 0, 0)),
            11644473600LL * 10000000);
  EXPECT_EQ(calendarFromUnix(0), 11644473600LL * 10000000);
  EXPECT_EQ(unixFromCalendar(calendarFromUnix(1700000000)), 1700000000);
}

TEST(CalendarTime, InvalidComponentsAndSaturation)
{
  try {
    calendarFromTm(makeTm(2023, 2, 29, 0, 0, 0));
    FAIL();
  } catch (const Exception& e) {
    EXPECT_STREQ(e.message(), "invalid date (2023-02-29T00:00:00)");
  }
  EXPECT_NO_THROW(calendarFromTm(makeTm(2024, 2, 29, 23, 59, 59)));
  EXPECT_EQ(calendarFromTm(makeTm(40000, 1, 1, 0, 0, 0)), INT64_MAX);
  EXPECT_EQ(calendarFromTm(makeTm(-40000, 1, 1, 0, 0, 0)), INT64_MIN);
}

TEST(CalendarTime, Format)
{
  char buf[64] = "old text";
  struct tm tm = makeTm(2024, 3, 5, 7, 8, 9);
  int64_t t = calendarFromTm(tm) + 7 * 10000;
  formatTime(buf, sizeof(buf), tm, t, false);
  EXPECT_STREQ(buf, "2024-03-05T07:08:09");
  formatTime(buf, sizeof(buf), tm, t, true);
  EXPECT_STREQ(buf, "2024-03-05T07:08:09.007");
  formatTimeWithOffset(buf, sizeof(buf), tm, t, false, -(5 * 3600 + 30 * 60));
  EXPECT_STREQ(buf, "2024-03-05T07:08:09-05:30");
  formatTimeWithOffset(buf, sizeof(buf), tm, t, false, 3600);
  EXPECT_STREQ(buf, "2024-03-05T07:08:09+01:00");
  tm.tm_year = 2147481748;
  formatTime(buf, sizeof(buf), tm, t, true);
  EXPECT_STREQ(buf, "<date error>");
}

TEST(CalendarTimeDeathTest, OffsetOfAYearIsFatal)
{
  char buf[64];
  struct tm tm = makeTm(2024, 3, 5, 7, 8, 9);
  EXPECT_DEATH(
      formatTimeWithOffset(buf, sizeof(buf), tm, 0, false, 365 * 86400),
      "offSecs < 365 ?\\* ?86400");
}

TEST(IsoTime, Accepts)
{
  const int64_t z = calendarFromTm(makeTm(2024, 3, 5, 7, 8, 9));
  const int64_t hour = 3600LL * 10000000;
  struct {
    const char* text;
    int64_t expected;
  } cases[] = {
      {"2024-03-05T07:08:09Z", z},
      {"2024-03-05T07:08:09", z},
      {"2024-3-5T07:08:09Z", z},
      {"2024-03-05T07:08:09+01:00", z - hour},
      {"2024-03-05T07:08:09+0100", z - hour},
      {"2024-03-05T07:08:09+01", z - hour},
      {"2024-03-05T07:08:09-02:30", z + hour * 5 / 2},
      {"2024-03-05T07:08:09+00:00", z},
      {"2024-03-05T07:08:09.5Z", z + 5000000},
      {"2024-03-05T07:08:09.000000100000", z + 1},
      {"2024-03-05T07:08:09.25+01:00", z - hour + 2500000},
      {"0001-01-01T00:00:00Z", calendarFromTm(makeTm(1, 1, 1, 0, 0, 0))},
  };
  for (auto& c : cases)
    EXPECT_EQ(parseIsoTime(c.text), c.expected) << c.text;
}

TEST(IsoTime, Refuses)
{
  const char* bad[] = {
      "2024-03-05T07:08:09-00:00", // zero offset written with '-'
      "2024-03-05T07:08:09-0000",
      "2024-03-05T07:08:09-00",
      "2024-03-05T07:08:09.1234567890123Z", // 13 fraction digits
      "2024-03-05T07:08:09.Z",
      "2024-03-05T07:08:09Zx",
      "2024-03-05T7:08:09Z",
      "2024-03-05T07:08:090Z",
      "2024-03-05 07:08:09Z",
      "2024-03-05T07:08Z",
      "2024/03/05T07:08:09Z",
      "0000-03-05T07:08:09Z",
      "10000-03-05T07:08:09Z",
      "2024-0x3-05T07:08:09Z",
      "2024-03-05T07:08:09+1:00",
      "2024-03-05T07:08:09+01:0",
      "2024-03-05T07:08:09 ",
      "",
  };
  for (const char* text : bad)
    EXPECT_EQ(parseError(text), std::string("invalid date (") + text + ")");
  // Components that are no calendar date name the date they describe.
  EXPECT_EQ(parseError("2023-02-29T00:00:00Z"),
            "invalid date (2023-02-29T00:00:00)");
  EXPECT_EQ(parseError("2023-01-01T24:00:00Z"),
            "invalid date (2023-01-01T24:00:00)");
}
