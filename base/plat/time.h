// Clocks and calendar time.
//
// Two kinds of time are used:
//  - monotonic time: a signed 64-bit count of 100-nanosecond units since
//    the first reading in the process. The timer machinery counts in it.
//  - calendar instants: a signed 64-bit count of 100-nanosecond units since
//    1601-01-01T00:00:00 UTC (one day is 864000000000 units).
//
// Tests can replace the monotonic clock with one of their own that can also
// report that time jumped; the system clock never does.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>

namespace plat {

enum : int64_t {
  TimeUnitsPerMs = 10000,
  TimeUnitsPerSec = 10000000,
  TimeUnitsPerDay = 864000000000LL,
};

// Upper bound meaning "no bound" for monotonicNowBounded().
constexpr int64_t NoTimeBound = INT64_MAX;

// A monotonic clock installed in place of the system's, for tests.
class MonotonicClock {
public:
  virtual ~MonotonicClock() {}
  // Returns the current monotonic time. upperBound is the latest time the
  // caller expects to see (NoTimeBound when it has no expectation); set
  // *jumped when the clock moved discontinuously. Must not throw.
  virtual int64_t now(int64_t upperBound, bool* jumped) = 0;
};

// Installs clock (not owned; null restores the system clock). The clock is
// read from any thread, so install it before other threads read time.
void setMonotonicClock(MonotonicClock* clock);

// The current monotonic time. Never blocks, never throws; a failing system
// clock is a fatal assertion.
int64_t monotonicNow();

// As monotonicNow(), passing upperBound to a replacement clock and
// reporting its jump flag in *jumped (always false for the system clock).
int64_t monotonicNowBounded(int64_t upperBound, bool* jumped);

// Converts a broken-down UTC time (struct tm conventions: years since 1900,
// months 0 to 11) to a calendar instant. Throws plat::Exception
// "invalid date (YYYY-MM-DDTHH:MM:SS)" when it is not a valid calendar date
// and time; saturates to INT64_MIN/INT64_MAX far outside the range.
int64_t calendarFromTm(const struct tm& tm);

// Calendar instant for a time_t and back.
int64_t calendarFromUnix(time_t t);
time_t unixFromCalendar(int64_t instant);

// Writes "YYYY-MM-DDTHH:MM:SS" for tm into out (replacing its text; out is
// bounded to outSize bytes, always NUL-terminated). instant is the same
// moment as a calendar instant; with withMs set ".mmm" is added from it.
// A year that cannot be represented gives "<date error>".
void formatTime(char* out, size_t outSize, const struct tm& tm, int64_t instant,
                bool withMs);

// As formatTime() for a local broken-down time, followed by the offset from
// UTC as "+HH:MM" or "-HH:MM". An offset of a year or more is a fatal
// assertion.
void formatTimeWithOffset(char* out, size_t outSize, const struct tm& tm,
                          int64_t instant, bool withMs, long offSecs);

// Formats a calendar instant as local time with its UTC offset.
void formatLocalTime(char* out, size_t outSize, int64_t instant, bool withMs);

// Parses "YYYY-MM-DDTHH:MM:SS[.fraction][Z|+HH[:][MM]|-HH[:][MM]]" into a
// calendar instant; no zone means UTC. Throws plat::Exception
// "invalid date (<text>)" for a text it refuses.
int64_t parseIsoTime(const char* text);

} // namespace plat
