#include <io/Endpoint.h>
#include <loc/Localize.h>

#include <gtest/gtest.h>

#include <string>

TEST(Endpoint, ParseTable)
{
  loc::Localize::setLanguage("en_US");
  const char* bad = "Invalid endpoint: port not correctly specified";
  struct {
    const char* text;
    int defaultPort, threshold;
    bool wantPort;
    const char* result; // "host port", or the error text
  } cases[] = {
      {"host:1", 100, 50, true, "host 101"},
      {"host::1", 100, 50, true, "host 1"},
      {"host:50", 100, 50, true, "host 50"},
      {"host:0", 100, 50, true, "host 100"},
      {":2", 100, 50, true, "localhost 102"},
      {"[::1]:5", 100, 0, true, "::1 5"},
      {"", -1, 0, true, "Invalid endpoint: empty host and/or port"},
      {"[]:5", 100, 0, true, "Invalid endpoint: empty host and/or port"},
      {"[::1", 100, 0, true, "Invalid endpoint: unmatched \"[\" in host"},
      {"host:65536", 100, 50, true, bad},
      {"host::0", 100, 50, true, bad},
      {"host:12x", 100, 50, true, bad},
      {"host:5", 100, 0, false, bad},
      {"host", -1, 0, true, bad},
      {"a]b", 100, 0, true, "Invalid endpoint"},
      {"%4g", 0, 0, false, "Invalid endpoint: incorrect % escape"},
  };
  for (const auto& c : cases) {
    plat::String host("unchanged");
    int port = -1;
    std::string got;
    try {
      if (c.text[0] == '%')
        io::unescapeEndpoint(c.text);
      io::parseEndpoint(c.text, &host, c.wantPort ? &port : nullptr,
                        c.defaultPort, c.threshold);
      got = std::string(host.c_str()) + " " + std::to_string(port);
    } catch (const io::EndpointInvalid& e) {
      got = e.message();
    }
    EXPECT_EQ(c.result, got) << c.text;
  }
  EXPECT_STREQ("[::1]:1", io::formatEndpoint("::1", 101, 100, 50).c_str());
  EXPECT_STREQ("a%2Fb c", io::escapeEndpoint("a/b c").c_str());
  EXPECT_STREQ("a/b:", io::unescapeEndpoint("a%2fb%3A").c_str());
}
