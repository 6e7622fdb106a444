// ISO-8601 parsing: refusals are plat::Exception only, and an accepted
// instant formats back to a text that parses to the same instant.
#include "../FuzzCheck.h"
#include "../FuzzTargets.h"

#include <plat/Exception.h>
#include <plat/time.h>

#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>

namespace jexfuzz {

namespace {

// Seconds from 1601-01-01 to 1970-01-01.
const int64_t UnixEpochSecs = 11644473600LL;

} // namespace

int fuzz_isoTime(const uint8_t* data, size_t size)
{
  std::string text(reinterpret_cast<const char*>(data), size);
  int64_t instant;
  try {
    instant = plat::parseIsoTime(text.c_str());
  } catch (plat::Exception& e) {
    FUZZ_CHECK(strncmp(e.message(), "invalid date (", 14) == 0);
    return 0;
  }

  // The instant as UTC text with a seven-digit fraction, then parsed again.
  int64_t secs = instant / plat::TimeUnitsPerSec;
  int64_t units = instant % plat::TimeUnitsPerSec;
  if (units < 0) {
    units += plat::TimeUnitsPerSec;
    secs--;
  }
  int64_t unixSecs = secs - UnixEpochSecs;
  time_t t = time_t(unixSecs);
  if (int64_t(t) != unixSecs)
    return 0; // beyond a 32-bit time_t
  struct tm tm;
  if (!gmtime_r(&t, &tm) || tm.tm_year + 1900 < 1 || tm.tm_year + 1900 > 9999)
    return 0; // a zone offset moved it out of the years a text can hold
  char buf[64];
  plat::formatTime(buf, sizeof(buf), tm, instant, false);
  snprintf(buf + strlen(buf), sizeof(buf) - strlen(buf), ".%07" PRId64 "Z",
           units);
  int64_t again = 0;
  try {
    again = plat::parseIsoTime(buf);
  } catch (plat::Exception&) {
    FUZZ_CHECK(!"the formatted instant was refused");
  }
  FUZZ_CHECK(again == instant);
  return 0;
}

} // namespace jexfuzz
