// Endpoints in text: a host and a port, with a shorthand for ports
// relative to a default, and the escaping used to show endpoint text.
//
// Grammar (defaultPort < 0: there is none; threshold 0: no relative ports):
//   host           the default port
//   host:N         N, or defaultPort + N when N < threshold
//   host::N        N
//   [v6host]...    brackets around a host that holds ':'
// An empty host means "localhost". Ports are decimal, 1 to 65535. A host
// never holds '[' or ']' itself.
//
// Failures throw io::EndpointInvalid with the localised text of one of the
// io_error_endpoint_* messages.
#pragma once

#include <plat/Exception.h>
#include <plat/String.h>

namespace io {

class EndpointInvalid : public plat::Exception {
public:
  // msgId: the id of the text in the I/O message table.
  explicit EndpointInvalid(const char* msgId);
};

// Parses text into *host and, when port is given, *port; neither is changed
// on failure. A caller that gives no port refuses text that names one.
void parseEndpoint(const char* text, plat::String* host, int* port,
                   int defaultPort, int threshold);

// The text parseEndpoint() reads back as host and port: the default port is
// left out, a port from defaultPort up to below defaultPort + threshold is
// written relative to it.
plat::String formatEndpoint(const char* host, int port, int defaultPort,
                            int threshold);

// host in brackets when it is an IPv6 literal (holds ':' and does not
// start with '['), else host.
plat::String formatHost(const char* host);

// host without the brackets of "[...]". Throws for a '[' without its ']'.
plat::String stripBrackets(const char* host);

// text with every byte escaped as "%XX" (upper-case hex) except letters,
// digits, bytes from 128 and the characters  !$&'()*+,-.;=_~
plat::String escapeEndpoint(const char* text);

// Decodes every "%XX" (hex digits of either case). Throws for a '%' not
// followed by two hex digits and for "%00", which no text can hold.
plat::String unescapeEndpoint(const char* text);

} // namespace io
