#include <io/Endpoint.h>
#include <loc/Localize.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

TEST(Endpoint, ParseTable)
{
  loc::Localize::setLanguage("en_US");
  struct Case {
    const char* text;
    int defaultPort, threshold;
    bool wantPort;
    const char* result; // "host port", or the English error text
  } cases[] = {
      {"host:1", 100, 50, true, "host 101"},
      {"host::1", 100, 50, true, "host 1"},
      {"host:50", 100, 50, true, "host 50"},
      {"host:0", 100, 50, true, "host 100"},
      {":2", 100, 50, true, "localhost 102"},
      {"", 100, 50, true, "localhost 100"},
      {"[::1]:5", 100, 0, true, "::1 5"},
      {"[::1]", 100, 0, false, "::1 -1"},
      {"", -1, 0, true, "Invalid endpoint: empty host and/or port"},
      {"[]:5", 100, 0, true, "Invalid endpoint: empty host and/or port"},
      {"[::1", 100, 0, true, "Invalid endpoint: unmatched \"[\" in host"},
      {"host:65536", 100, 50, true,
       "Invalid endpoint: port not correctly specified"},
      {"host::0", 100, 50, true,
       "Invalid endpoint: port not correctly specified"},
      {"host:12x", 100, 50, true,
       "Invalid endpoint: port not correctly specified"},
      {"host:", 100, 50, true,
       "Invalid endpoint: port not correctly specified"},
      {"host:5", 100, 0, false,
       "Invalid endpoint: port not correctly specified"},
      {"host", -1, 0, true, "Invalid endpoint: port not correctly specified"},
      {"a]b", 100, 0, true, "Invalid endpoint"},
      {"[a[b]", 100, 0, true, "Invalid endpoint"},
      {"[::1]x", 100, 0, true, "Invalid endpoint"},
  };
  for (const Case& c : cases) {
    plat::String host("unchanged");
    int port = -1;
    std::string got;
    try {
      io::parseEndpoint(c.text, &host, c.wantPort ? &port : nullptr,
                        c.defaultPort, c.threshold);
      got = std::string(host.c_str()) + " " + std::to_string(port);
    } catch (const io::EndpointInvalid& e) {
      EXPECT_STREQ("EndpointInvalid", e.typeName());
      EXPECT_STREQ("unchanged", host.c_str()) << c.text;
      got = e.message();
    }
    EXPECT_EQ(c.result, got) << c.text;
  }
}

TEST(Endpoint, FormatAndEscape)
{
  EXPECT_STREQ("[::1]:1", io::formatEndpoint("::1", 101, 100, 50).c_str());
  EXPECT_STREQ("h::160", io::formatEndpoint("h", 160, 100, 50).c_str());
  EXPECT_STREQ("h", io::formatEndpoint("h", 100, 100, 50).c_str());
  EXPECT_STREQ("h:7", io::formatEndpoint("h", 7, 100, 0).c_str());
  EXPECT_STREQ("::1", io::stripBrackets("[::1]").c_str());
  EXPECT_THROW(io::stripBrackets("[::1"), io::EndpointInvalid);

  EXPECT_STREQ("a%2Fb c", io::escapeEndpoint("a/b c").c_str());
  EXPECT_STREQ("%25%3A~\xc3\xa9", io::escapeEndpoint("%:~\xc3\xa9").c_str());
  EXPECT_STREQ("a/b:", io::unescapeEndpoint("a%2fb%3A").c_str());
  loc::Localize::setLanguage("de_DE");
  for (const char* bad : {"%", "%4", "%4g", "%00"}) {
    try {
      io::unescapeEndpoint(bad);
      ADD_FAILURE() << bad;
    } catch (const io::EndpointInvalid& e) {
      // The localised text, its "%%" shown as one '%'.
      EXPECT_NE(nullptr, strstr(e.message(), "fehlerhafte %-Maskierung"))
          << e.message();
    }
  }
  loc::Localize::setLanguage("en_US");
}
