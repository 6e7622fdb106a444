#include <io/Endpoint.h>

#include <loc/Localize.h>
#include <plat/DString.h>
#include <plat/hex.h>

#include <cstring>

namespace io {

EndpointInvalid::EndpointInvalid(const char* msgId)
{
  // format() rather than text(): it also turns the table's "%%" into '%'.
  append(loc::Localize::format(msgId).c_str());
  setTypeName("EndpointInvalid");
}

namespace {

// Reads the decimal digits from p to the end of the text; -1 when there are
// none, or something else follows. Values past 65535 stay above it.
long portNumber(const char* p)
{
  if (!*p)
    return -1;
  long n = 0;
  for (; *p; p++) {
    if (*p < '0' || *p > '9')
      return -1;
    if (n <= 65536)
      n = n * 10 + (*p - '0');
  }
  return n;
}

bool keptByEscape(unsigned char c)
{
  return c >= 128 || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
         (c >= '0' && c <= '9') || (c && strchr(" !$&'()*+,-.;=_~", c));
}

} // namespace

void parseEndpoint(const char* text, plat::String* host, int* port,
                   int defaultPort, int threshold)
{
  if (!*text && defaultPort < 0)
    throw EndpointInvalid("io_error_endpoint_empty");

  plat::String h;
  const char* rest;
  if (text[0] == '[') {
    const char* close = strchr(text, ']');
    if (!close)
      throw EndpointInvalid("io_error_endpoint_bracket");
    if (close == text + 1)
      throw EndpointInvalid("io_error_endpoint_empty");
    h = plat::String(text + 1, size_t(close - text - 1));
    rest = close + 1;
  } else {
    rest = strchr(text, ':');
    if (!rest)
      rest = text + strlen(text);
    h = plat::String(text, size_t(rest - text));
  }
  if (strpbrk(h.c_str(), "[]"))
    throw EndpointInvalid("io_error_endpoint_general");

  long p = defaultPort;
  if (*rest) {
    if (rest[0] != ':')
      throw EndpointInvalid("io_error_endpoint_general");
    bool absolute = rest[1] == ':';
    p = portNumber(rest + (absolute ? 2 : 1));
    if (p < 0 || !port)
      throw EndpointInvalid("io_error_endpoint_badport");
    if (!absolute && p < threshold)
      p += defaultPort;
  }
  if (port && (p < 1 || p > 65535))
    throw EndpointInvalid("io_error_endpoint_badport");

  if (host)
    *host = h.empty() ? plat::String("localhost") : h;
  if (port)
    *port = int(p);
}

plat::String formatEndpoint(const char* host, int port, int defaultPort,
                            int threshold)
{
  plat::String h = formatHost(host);
  if (port == defaultPort)
    return h;
  if (threshold > 0 &&
      !(port >= defaultPort && (long)port < (long)defaultPort + threshold))
    return plat::String::format("%s::%d", h.c_str(), port);
  int shown = threshold > 0 ? port - defaultPort : port;
  return plat::String::format("%s:%d", h.c_str(), shown);
}

plat::String formatHost(const char* host)
{
  if (host[0] != '[' && strchr(host, ':'))
    return plat::String::format("[%s]", host);
  return plat::String(host);
}

plat::String stripBrackets(const char* host)
{
  if (host[0] != '[')
    return plat::String(host);
  size_t len = strlen(host);
  if (len < 2 || host[len - 1] != ']')
    throw EndpointInvalid("io_error_endpoint_bracket");
  return plat::String(host + 1, len - 2);
}

plat::String escapeEndpoint(const char* text)
{
  plat::DString out;
  for (const char* p = text; *p; p++) {
    unsigned char c = static_cast<unsigned char>(*p);
    if (keptByEscape(c))
      out.append(p, 1);
    else
      out.appendFormat("%%%.2X", c);
  }
  return plat::String(out.c_str());
}

plat::String unescapeEndpoint(const char* text)
{
  plat::DString out;
  for (const char* p = text; *p; p++) {
    if (*p != '%') {
      out.append(p, 1);
      continue;
    }
    const char pair[3] = {p[1], p[1] ? p[2] : '\0', '\0'};
    plat::MBuf<unsigned char> byte;
    if (!plat::tryHexDecode(pair, byte) || byte.size() != 1 || !byte[0])
      throw EndpointInvalid("io_error_endpoint_badescape");
    out.append(reinterpret_cast<const char*>(&byte[0]), 1);
    p += 2;
  }
  return plat::String(out.c_str());
}

} // namespace io
