// Hex decoding against encoding: a text that decodes encodes back to its
// lower-case form, and any bytes survive encoding and decoding.
#include "../FuzzCheck.h"
#include "../FuzzInput.h"
#include "../FuzzTargets.h"

#include <plat/Exception.h>
#include <plat/hex.h>

#include <cctype>
#include <cstring>
#include <string>

namespace jexfuzz {

int fuzz_hex(const uint8_t* data, size_t size)
{
  std::string text(reinterpret_cast<const char*>(data), size);
  const char* t = text.c_str(); // up to the first NUL
  size_t len = strlen(t);

  plat::MBuf<unsigned char> out;
  bool ok = plat::tryHexDecode(t, out);
  bool wellFormed = len % 2 == 0;
  for (size_t i = 0; i < len; i++)
    wellFormed = wellFormed && isxdigit((unsigned char)t[i]);
  FUZZ_CHECK(ok == wellFormed);
  if (ok) {
    FUZZ_CHECK(out.size() == len / 2);
    std::string lower(t);
    for (char& c : lower)
      c = char(tolower((unsigned char)c));
    FUZZ_CHECK(lower == plat::hexEncode(out.data(), out.size()).c_str());
  } else {
    FUZZ_CHECK(out.size() == 0);
  }
  plat::MBuf<unsigned char> thrown;
  try {
    plat::hexDecode(t, thrown);
    FUZZ_CHECK(ok);
  } catch (plat::Exception& e) {
    FUZZ_CHECK(!ok && strcmp(e.message(), "Bad hex string") == 0);
    FUZZ_CHECK(thrown.size() == 0);
  }

  // The raw bytes, NULs included, through encode and decode.
  plat::String enc = plat::hexEncode(data, size);
  plat::MBuf<unsigned char> back;
  FUZZ_CHECK(plat::tryHexDecode(enc.c_str(), back));
  FUZZ_CHECK(back.size() == size);
  FUZZ_CHECK(plat::constTimeEqual(back.data(), data, size));
  if (size > 0) {
    back[uint32_t(size / 2)] ^= 1;
    FUZZ_CHECK(!plat::constTimeEqual(back.data(), data, size));
  }
  return 0;
}

} // namespace jexfuzz
