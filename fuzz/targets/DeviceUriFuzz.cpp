// The device URI parser against the grammar, read directly: fields, uid
// range rules, and outputs left alone on failure.
#include "../FuzzCheck.h"
#include "../FuzzTargets.h"

#include <DeviceUri.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

namespace jexfuzz {

namespace {

struct Parsed {
  std::string format, name;
  uint32_t uid;
};

// Decimal digits only, 1 to 4294967294.
bool wholeNumber(const std::string& text, uint32_t& uid)
{
  if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos)
    return false;
  errno = 0;
  unsigned long long v = strtoull(text.c_str(), nullptr, 10);
  if (errno == ERANGE || v == 0 || v >= UINT32_MAX)
    return false;
  uid = uint32_t(v);
  return true;
}

bool reference(const std::string& uri, Parsed& p)
{
  if (uri.compare(0, 5, "jex:/") != 0)
    return false;
  size_t slash = uri.find('/', 5);
  if (slash == std::string::npos)
    return false;
  size_t at = uri.find('@', slash + 1);
  if (at == std::string::npos)
    return false;
  size_t nameEnd = uri.find('/', at + 1);
  p.format = uri.substr(5, slash - 5);
  p.name = uri.substr(at + 1, nameEnd == std::string::npos ? std::string::npos
                                                           : nameEnd - at - 1);
  return wholeNumber(uri.substr(slash + 1, at - slash - 1), p.uid);
}

} // namespace

int fuzz_deviceUri(const uint8_t* data, size_t size)
{
  std::string text(reinterpret_cast<const char*>(data), size);
  std::string uri = text.c_str(); // as the environment would hold it

  Parsed ref;
  bool refOk = reference(uri, ref);
  plat::String format("untouched"), name("untouched");
  uint32_t uid = 12345;
  bool ok = parseDeviceUri(uri.c_str(), &format, &uid, &name);
  FUZZ_CHECK(ok == refOk);
  if (ok) {
    FUZZ_CHECK(ref.format == format.c_str() && ref.name == name.c_str() &&
               ref.uid == uid);
  } else {
    FUZZ_CHECK(strcmp(format.c_str(), "untouched") == 0 &&
               strcmp(name.c_str(), "untouched") == 0 && uid == 12345);
  }
  // Every output may be left out.
  FUZZ_CHECK(parseDeviceUri(uri.c_str(), nullptr, nullptr, nullptr) == ok);
  return 0;
}

} // namespace jexfuzz
