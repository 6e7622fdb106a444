#include <plat/time.h>

#include <plat/Exception.h>

#include "TestUtil.h"

#include <gtest/gtest.h>

#include <string>

using namespace plat;

namespace {

std::string parseError(const char* text)
{
  return testutil::thrownMessage([&] { parseIsoTime(text); });
}

struct tm makeTm(int y, int mon, int d, int h, int mi, int s)
{
  struct tm tm = {};
  tm.tm_year = y - 1900, tm.tm_mon = mon - 1, tm.tm_mday = d;
  tm.tm_hour = h, tm.tm_min = mi, tm.tm_sec = s;
  return tm;
}

} // namespace

TEST(CalendarTime, EpochsSaturationAndFormat)
{
  EXPECT_EQ(calendarFromTm(makeTm(1601, 1, 2, 0, 0, 0)), 864000000000LL);
  EXPECT_EQ(unixFromCalendar(calendarFromUnix(1700000000)), 1700000000);
  EXPECT_EQ(calendarFromTm(makeTm(40000, 1, 1, 0, 0, 0)), INT64_MAX);
  EXPECT_EQ(calendarFromTm(makeTm(-40000, 1, 1, 0, 0, 0)), INT64_MIN);

  char buf[64];
  struct tm tm = makeTm(2024, 3, 5, 7, 8, 9);
  int64_t t = calendarFromTm(tm) + 7 * 10000;
  formatTimeWithOffset(buf, sizeof(buf), tm, t, true, -(5 * 3600 + 30 * 60));
  EXPECT_STREQ(buf, "2024-03-05T07:08:09.007-05:30");
  tm.tm_year = 2147481748;
  formatTime(buf, sizeof(buf), tm, t, true);
  EXPECT_STREQ(buf, "<date error>");
}

TEST(IsoTime, AcceptsAndRefuses)
{
  const int64_t z = calendarFromTm(makeTm(2024, 3, 5, 7, 8, 9));
  const int64_t hour = 3600LL * 10000000;
  struct {
    const char* text;
    int64_t expected;
  } cases[] = {
      {"2024-3-5T07:08:09", z},
      {"2024-03-05T07:08:09+01", z - hour},
      {"2024-03-05T07:08:09-02:30", z + hour * 5 / 2},
      {"2024-03-05T07:08:09.000000100000", z + 1},
      {"2024-03-05T07:08:09.25+0100", z - hour + 2500000},
  };
  for (auto& c : cases)
    EXPECT_EQ(parseIsoTime(c.text), c.expected) << c.text;

  const char* bad[] = {
      "2024-03-05T07:08:09-00:00",          // zero offset written with '-'
      "2024-03-05T07:08:09.1234567890123Z", // 13 fraction digits
      "2024-03-05T07:08:09.Z",
      "2024-03-05T7:08:09Z",
      "0000-03-05T07:08:09Z",
      "2024-03-05T07:08:09+01:0",
  };
  for (const char* text : bad)
    EXPECT_EQ(parseError(text), std::string("invalid date (") + text + ")");
  // Components that are no calendar date name the date they describe.
  EXPECT_EQ(parseError("2023-02-29T00:00:00Z"),
            "invalid date (2023-02-29T00:00:00)");
}
