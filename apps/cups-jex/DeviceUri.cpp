#include "DeviceUri.h"

#include <plat/Exception.h>
#include <plat/parseNum.h>

#include <cstring>

namespace {

// Returns the text from *cursor up to the next sep, which it overwrites
// with a NUL, and moves *cursor behind it; without a sep it returns the
// rest and the cursor becomes null; with a null cursor it returns null.
char* splitNext(char** cursor, char sep)
{
  char* start = *cursor;
  if (!start)
    return nullptr;
  char* end = strchr(start, sep);
  if (end) {
    *end = '\0';
    *cursor = end + 1;
  } else {
    *cursor = nullptr;
  }
  return start;
}

void deliver(plat::String* out, const char* text)
{
  if (out && *out != text)
    *out = text;
}

} // namespace

bool parseDeviceUri(const char* uri, plat::String* format, uint32_t* uid,
                    plat::String* name)
{
  if (!uri || strncmp(uri, "jex:/", 5) != 0)
    return false;

  plat::String copy(uri);
  char* cursor = copy.buf();
  splitNext(&cursor, '/'); // "jex:"
  char* formatText = splitNext(&cursor, '/');
  char* uidText = splitNext(&cursor, '@');
  char* nameText = splitNext(&cursor, '/');
  if (!nameText)
    return false;

  // Digits only: no sign, no blanks. 0 would deliver the job as root and
  // 4294967295 is the "no uid" of the system calls.
  if (!uidText[0] || strspn(uidText, "0123456789") != strlen(uidText))
    return false;
  uint32_t uidValue;
  try {
    uidValue = plat::parseU32(uidText, 10);
  } catch (const plat::BadNum&) {
    return false;
  }
  if (uidValue == 0 || uidValue == UINT32_MAX)
    return false;

  if (uid)
    *uid = uidValue;
  deliver(format, formatText);
  deliver(name, nameText);
  return true;
}
