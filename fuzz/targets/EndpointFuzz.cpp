// Endpoint text: what parseEndpoint accepts comes back unchanged through
// formatEndpoint, outputs are untouched on failure, and escaping round
// trips. Refusals are io::EndpointInvalid only.
#include "../FuzzCheck.h"
#include "../FuzzInput.h"
#include "../FuzzTargets.h"

#include <io/Endpoint.h>

#include <cstring>
#include <string>

namespace jexfuzz {

int fuzz_endpoint(const uint8_t* data, size_t size)
{
  FuzzInput in(data, size);
  int defaultPort = in.range(-1, 70000);
  int threshold = in.flag() ? 0 : in.range(0, 70000);
  std::string text = in.rest().c_str(); // as a C caller would pass it

  plat::String host("untouched"), again;
  int port = -7, againPort = -1;
  try {
    io::parseEndpoint(text.c_str(), &host, &port, defaultPort, threshold);
    FUZZ_CHECK(!strpbrk(host.c_str(), "[]") && port >= 1 && port <= 65535);
    plat::String formatted =
        io::formatEndpoint(host.c_str(), port, defaultPort, threshold);
    io::parseEndpoint(formatted.c_str(), &again, &againPort, defaultPort,
                      threshold);
    FUZZ_CHECK(again == host && againPort == port);
  } catch (const io::EndpointInvalid&) {
    FUZZ_CHECK(host == "untouched" && port == -7);
  }

  plat::String escaped = io::escapeEndpoint(text.c_str());
  FUZZ_CHECK(!strpbrk(escaped.c_str(), "/:[]@?#\"<>"));
  FUZZ_CHECK(io::unescapeEndpoint(escaped.c_str()) == text.c_str());
  return 0;
}

} // namespace jexfuzz
