#include "DeviceUri.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct Parsed {
  bool ok;
  std::string format;
  uint32_t uid;
  std::string name;
};

Parsed parse(const char* uri)
{
  plat::String format("old"), name("old");
  uint32_t uid = 7;
  bool ok = parseDeviceUri(uri, &format, &uid, &name);
  return {ok, format.c_str(), uid, name.c_str()};
}

} // namespace

TEST(DeviceUri, Accepts)
{
  Parsed p = parse("jex:/ZRLE/1000@agent/extra/more");
  EXPECT_TRUE(p.ok);
  EXPECT_EQ(p.format, "ZRLE");
  EXPECT_EQ(p.uid, 1000u);
  EXPECT_EQ(p.name, "agent");

  p = parse("jex:/PS/-1@x");
  EXPECT_TRUE(p.ok);
  EXPECT_EQ(p.uid, 4294967295u);
  EXPECT_EQ(parse("jex:/PS/4294967295@x").uid, 4294967295u);
  EXPECT_EQ(parse("jex:/PS/-2147483648@x").uid, 2147483648u);

  p = parse("jex:/PDF/5@");
  EXPECT_TRUE(p.ok);
  EXPECT_EQ(p.name, "");

  // The format is checked by the job run, not here.
  p = parse("jex://5@a");
  EXPECT_TRUE(p.ok);
  EXPECT_EQ(p.format, "");
  EXPECT_EQ(parse("jex:/PS/5@a@b").name, "a@b");
}

TEST(DeviceUri, RefusesWithoutTouchingOutputs)
{
  const char* bad[] = {
      "jex:/ZRLE/1000",            // no "@"
      "jex:/ZRLE",                 // no "/" after the format
      "jex:/ZRLE/@agent",          // empty uid
      "jex:/ZRLE/4294967296@a",    // too large
      "jex:/ZRLE/-2147483649@a",   // too small
      "jex:/ZRLE/1x@a",            // not all number
      "jex:/ZRLE/1-2@a",
      "jex:ZRLE/1000@a",           // no "/" after the scheme
      "ipp://host/1000@a",
      "",
  };
  for (const char* uri : bad) {
    Parsed p = parse(uri);
    EXPECT_FALSE(p.ok) << uri;
    EXPECT_EQ(p.format, "old") << uri;
    EXPECT_EQ(p.uid, 7u) << uri;
    EXPECT_EQ(p.name, "old") << uri;
  }
  EXPECT_FALSE(parseDeviceUri(nullptr, nullptr, nullptr, nullptr));
}

TEST(DeviceUri, OptionalOutputsAndUnchangedText)
{
  uint32_t uid = 0;
  EXPECT_TRUE(parseDeviceUri("jex:/PS/42@a", nullptr, &uid, nullptr));
  EXPECT_EQ(uid, 42u);

  plat::String name("agent");
  const char* before = name.get();
  EXPECT_TRUE(parseDeviceUri("jex:/PS/42@agent", nullptr, nullptr, &name));
  EXPECT_EQ(name.get(), before); // same text: the copy is kept
  EXPECT_TRUE(parseDeviceUri("jex:/PS/42@other", nullptr, nullptr, &name));
  EXPECT_STREQ(name.get(), "other");
}
