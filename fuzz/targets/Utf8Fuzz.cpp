// UTF-8 decoding, validation and repair: what each promises about the
// others, on both the bounded and the NUL-terminated forms.
#include "../FuzzCheck.h"
#include "../FuzzInput.h"
#include "../FuzzTargets.h"

#include <plat/DString.h>
#include <plat/Exception.h>
#include <plat/utf8.h>

#include <cstring>
#include <string>

namespace jexfuzz {

namespace {

bool forbidden(uint32_t cp)
{
  return (cp >= 0xd800 && cp <= 0xdfff) || (cp >= 0xfdd0 && cp <= 0xfdef) ||
         (cp & 0xfffe) == 0xfffe;
}

void roundTrip(uint32_t cp)
{
  char buf[5] = {};
  int n = 0;
  try {
    n = plat::utf8Encode(cp, buf);
  } catch (plat::Exception&) {
    FUZZ_CHECK(cp >= 0x110000);
    return;
  }
  FUZZ_CHECK(cp < 0x110000 && n >= 1 && n <= 4);
  const char* p = buf;
  uint32_t back = plat::utf8Decode(p, buf + n);
  FUZZ_CHECK(p == buf + n);
  FUZZ_CHECK(back == (forbidden(cp) ? plat::Utf8Invalid : cp));
}

} // namespace

int fuzz_utf8(const uint8_t* data, size_t size)
{
  FuzzInput in(data, size);
  roundTrip(in.u32());
  size_t maxBytes = in.u16();
  std::string text = in.rest();
  const char* s = text.data();
  const char* end = s + text.size();

  // Decoding steps forward by 1 to 4 bytes, never past the end, and the
  // text is valid exactly when no step fails. Latin-1 gives one byte a step.
  size_t steps = 0;
  bool allValid = true;
  for (const char* p = s; p < end; steps++) {
    const char* before = p;
    uint32_t cp = plat::utf8Decode(p, end);
    FUZZ_CHECK(p > before && p <= end && p - before <= 4);
    if (cp == plat::Utf8Invalid)
      allValid = false;
    else
      FUZZ_CHECK(cp <= 0x10ffff && !forbidden(cp));
  }
  FUZZ_CHECK(plat::utf8Valid(s, end) == allValid);
  size_t latinLen = 0;
  plat::String latin = plat::utf8ToLatin1(s, end, &latinLen);
  FUZZ_CHECK(latinLen == steps);

  // The NUL-terminated forms see the text up to its first NUL.
  const char* cEnd = s + strlen(s);
  FUZZ_CHECK(plat::utf8Valid(s) == plat::utf8Valid(s, cEnd));
  plat::String repaired = plat::utf8Repair(s);
  FUZZ_CHECK(plat::utf8Valid(repaired.c_str()));
  FUZZ_CHECK(strcmp(repaired.c_str(), plat::utf8Repair(s, cEnd).c_str()) == 0);
  if (plat::utf8Valid(s))
    FUZZ_CHECK(strcmp(repaired.c_str(), s) == 0);
  FUZZ_CHECK(plat::utf8Width(s) == plat::utf8Width(s, cEnd));

  // A byte limit cuts the repaired text between two characters.
  plat::String cut = plat::utf8Repair(s, maxBytes);
  size_t cutLen = strlen(cut.c_str());
  FUZZ_CHECK(cutLen <= maxBytes);
  FUZZ_CHECK(strncmp(cut.c_str(), repaired.c_str(), cutLen) == 0);
  FUZZ_CHECK(plat::utf8Valid(cut.c_str()));
  if (cutLen < strlen(repaired.c_str())) {
    const char* next = repaired.c_str() + cutLen;
    plat::utf8Decode(next);
    FUZZ_CHECK(size_t(next - repaired.c_str()) > maxBytes);
  }

  plat::DString d(s);
  bool wasValid = d.makeValid();
  FUZZ_CHECK(wasValid == plat::utf8Valid(s));
  FUZZ_CHECK(strcmp(d.c_str(), repaired.c_str()) == 0);
  return 0;
}

} // namespace jexfuzz
