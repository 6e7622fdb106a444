#include <plat/time.h>

#include <plat/Assert.h>
#include <plat/BoundedText.h>
#include <plat/Exception.h>

#include <atomic>
#include <cstdlib>
#include <cstring>

namespace plat {

namespace {

std::atomic<MonotonicClock*> replacementClock{nullptr};

int64_t readClock(clockid_t id)
{
  struct timespec ts;
  bool gotMonoTime = clock_gettime(id, &ts) == 0;
  PLAT_ASSERT(gotMonoTime);
  return int64_t(ts.tv_sec) * TimeUnitsPerSec + ts.tv_nsec / 100;
}

struct SystemClock {
  clockid_t id;
  int64_t origin;

  SystemClock()
  {
    // The coarse clock is far cheaper to read; it is good enough for
    // timers as long as it ticks at least every millisecond.
    struct timespec res;
    if (clock_getres(CLOCK_MONOTONIC_COARSE, &res) == 0 &&
        int64_t(res.tv_sec) * TimeUnitsPerSec + res.tv_nsec / 100 <=
            TimeUnitsPerMs)
      id = CLOCK_MONOTONIC_COARSE;
    else
      id = CLOCK_MONOTONIC;
    origin = readClock(id);
  }
};

const SystemClock& systemClock()
{
  static const SystemClock clock; // thread-safe one-time set-up
  return clock;
}

// Seconds from 1601-01-01 to 1970-01-01.
constexpr int64_t UnixEpochSecs = 11644473600LL;
constexpr int64_t MaxDays = 10675200;

// Days since 1970-01-01 of a proleptic Gregorian date (month 1 to 12).
int64_t daysFromCivil(int64_t y, int m, int d)
{
  y -= m <= 2;
  int64_t era = (y >= 0 ? y : y - 399) / 400;
  int64_t yoe = y - era * 400;
  int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

bool isLeap(int64_t y)
{
  return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

int daysInMonth(int64_t y, int m)
{
  static const int days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && isLeap(y) ? 29 : days[m - 1];
}

[[noreturn]] void invalidDate(const char* text)
{
  throw Exception(Exception::fmt, "invalid date (%s)", text);
}

// A field that must be a non-empty run of decimal digits; at most 9 so
// that it fits an int.
bool parseDigits(const char* begin, const char* end, int* out)
{
  if (begin >= end || end - begin > 9)
    return false;
  int v = 0;
  for (const char* p = begin; p < end; p++) {
    if (*p < '0' || *p > '9')
      return false;
    v = v * 10 + (*p - '0');
  }
  *out = v;
  return true;
}

} // namespace

void setMonotonicClock(MonotonicClock* clock)
{
  replacementClock.store(clock);
}

int64_t monotonicNow()
{
  bool jumped;
  return monotonicNowBounded(NoTimeBound, &jumped);
}

int64_t monotonicNowBounded(int64_t upperBound, bool* jumped)
{
  *jumped = false;
  MonotonicClock* clock = replacementClock.load();
  if (clock)
    return clock->now(upperBound, jumped);
  const SystemClock& sys = systemClock();
  return readClock(sys.id) - sys.origin;
}

int64_t calendarFromTm(const struct tm& tm)
{
  int64_t year = int64_t(tm.tm_year) + 1900;
  int mon = tm.tm_mon + 1;
  if (mon < 1 || mon > 12 || tm.tm_mday < 1 ||
      tm.tm_mday > daysInMonth(year, mon) || tm.tm_hour < 0 ||
      tm.tm_hour > 23 || tm.tm_min < 0 || tm.tm_min > 59 || tm.tm_sec < 0 ||
      tm.tm_sec > 59) {
    throw Exception(
        Exception::fmt, "invalid date (%04lld-%02d-%02dT%02d:%02d:%02d)",
        (long long)year, mon, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec);
  }
  int64_t days = daysFromCivil(year, mon, tm.tm_mday) +
                 daysFromCivil(1970, 1, 1) - daysFromCivil(1601, 1, 1);
  if (days >= MaxDays)
    return INT64_MAX;
  if (days <= -MaxDays)
    return INT64_MIN;
  int64_t secs = int64_t(tm.tm_hour) * 3600 + tm.tm_min * 60 + tm.tm_sec;
  int64_t result;
  if (__builtin_add_overflow(days * TimeUnitsPerDay, secs * TimeUnitsPerSec,
                             &result))
    return days > 0 ? INT64_MAX : INT64_MIN;
  return result;
}

int64_t calendarFromUnix(time_t t)
{
  return (int64_t(t) + UnixEpochSecs) * TimeUnitsPerSec;
}

time_t unixFromCalendar(int64_t instant)
{
  int64_t secs = instant / TimeUnitsPerSec;
  if (instant < 0 && instant % TimeUnitsPerSec)
    secs--; // floor, so that times before 1601 stay in their second
  return time_t(secs - UnixEpochSecs);
}

void formatTime(char* out, size_t outSize, const struct tm& tm, int64_t instant,
                bool withMs)
{
  out[0] = '\0';
  // tm_year + 1900 must not overflow an int.
  if (tm.tm_year > 2147481747) {
    boundedAppend(out, outSize, "<date error>");
    return;
  }
  boundedAppendFormat(out, outSize, "%04d-%02d-%02dT%02d:%02d:%02d",
                      tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour,
                      tm.tm_min, tm.tm_sec);
  if (withMs)
    boundedAppendFormat(out, outSize, ".%03d",
                        int((instant / TimeUnitsPerMs) % 1000));
}

void formatTimeWithOffset(char* out, size_t outSize, const struct tm& tm,
                          int64_t instant, bool withMs, long offSecs)
{
  PLAT_ASSERT(offSecs < 365 * 86400 && offSecs > -365 * 86400);
  formatTime(out, outSize, tm, instant, withMs);
  char sign = offSecs < 0 ? '-' : '+';
  long a = offSecs < 0 ? -offSecs : offSecs;
  boundedAppendFormat(out, outSize, "%c%02d:%02d", sign, int(a / 3600),
                      int(a / 60 % 60));
}

void formatLocalTime(char* out, size_t outSize, int64_t instant, bool withMs)
{
  time_t t = unixFromCalendar(instant);
  struct tm tm;
  if (!localtime_r(&t, &tm)) {
    out[0] = '\0';
    boundedAppend(out, outSize, "<date error>");
    return;
  }
  formatTimeWithOffset(out, outSize, tm, instant, withMs, tm.tm_gmtoff);
}

int64_t parseIsoTime(const char* text)
{
  // Cut the text at its separators: Y-M-DTh:m:s
  const char* dash1 = strchr(text, '-');
  const char* dash2 = dash1 ? strchr(dash1 + 1, '-') : nullptr;
  const char* tee = dash2 ? strchr(dash2 + 1, 'T') : nullptr;
  const char* colon1 = tee ? strchr(tee + 1, ':') : nullptr;
  const char* colon2 = colon1 ? strchr(colon1 + 1, ':') : nullptr;
  if (!colon2)
    invalidDate(text);
  const char* secs = colon2 + 1;
  const char* secsEnd = secs + strcspn(secs, ".Z+-");

  int year, mon, day, hour, min, sec;
  if (colon1 - (tee + 1) != 2 || colon2 - (colon1 + 1) != 2 ||
      secsEnd - secs != 2 || !parseDigits(text, dash1, &year) ||
      !parseDigits(dash1 + 1, dash2, &mon) ||
      !parseDigits(dash2 + 1, tee, &day) ||
      !parseDigits(tee + 1, colon1, &hour) ||
      !parseDigits(colon1 + 1, colon2, &min) ||
      !parseDigits(secs, secsEnd, &sec) || year < 1 || year > 9999)
    invalidDate(text);

  const char* p = secsEnd;
  int64_t fraction = 0;
  if (*p == '.') {
    const char* digits = p + 1;
    const char* end = digits + strcspn(digits, "Z+-");
    size_t n = end - digits;
    if (n < 1 || n > 12)
      invalidDate(text);
    uint64_t value = 0, scale = 1;
    for (const char* q = digits; q < end; q++) {
      if (*q < '0' || *q > '9')
        invalidDate(text);
      value = value * 10 + (*q - '0');
      scale *= 10;
    }
    // 12 digits times 10^7 still fits 64 unsigned bits.
    fraction = int64_t(value * TimeUnitsPerSec / scale);
    p = end;
  }

  int64_t offset = 0;
  if (*p == 'Z') {
    if (p[1] != '\0')
      invalidDate(text);
  } else if (*p == '+' || *p == '-') {
    const char* z = p + 1;
    size_t n = strlen(z);
    int oh = 0, om = 0;
    bool ok;
    if (n == 2)
      ok = parseDigits(z, z + 2, &oh);
    else if (n == 4)
      ok = parseDigits(z, z + 2, &oh) && parseDigits(z + 2, z + 4, &om);
    else if (n == 5)
      ok = z[2] == ':' && parseDigits(z, z + 2, &oh) &&
           parseDigits(z + 3, z + 5, &om);
    else
      ok = false;
    if (!ok || oh > 23 || om > 59)
      invalidDate(text);
    offset = (int64_t(oh) * 3600 + om * 60) * TimeUnitsPerSec;
    if (*p == '-') {
      // "-00:00" conventionally means "offset unknown": not an instant.
      if (offset == 0)
        invalidDate(text);
      offset = -offset;
    }
  } else if (*p != '\0') {
    invalidDate(text);
  }

  struct tm tm;
  memset(&tm, 0, sizeof(tm));
  tm.tm_year = year - 1900;
  tm.tm_mon = mon - 1;
  tm.tm_mday = day;
  tm.tm_hour = hour;
  tm.tm_min = min;
  tm.tm_sec = sec;
  return calendarFromTm(tm) + fraction - offset;
}

} // namespace plat
