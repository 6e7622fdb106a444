#include "DeviceUri.h"

#include <gtest/gtest.h>

#include <string>

TEST(DeviceUri, AcceptsOrRefusesWithoutTouchingOutputs)
{
  struct Case {
    const char* uri;
    bool ok;
    const char* format;
    uint32_t uid;
    const char* name;
  } cases[] = {
      {"jex:/ZRLE/1000@agent/extra/more", true, "ZRLE", 1000, "agent"},
      {"jex:/PS/-1@x", true, "PS", 4294967295u, "x"},
      {"jex:/PS/4294967295@x", true, "PS", 4294967295u, "x"},
      {"jex:/PS/-2147483648@x", true, "PS", 2147483648u, "x"},
      {"jex:/PDF/5@", true, "PDF", 5, ""},
      {"jex://5@a", true, "", 5, "a"}, // the format is checked by the job run
      {"jex:/PS/5@a@b", true, "PS", 5, "a@b"},
      // Refused: the outputs keep their old values.
      {"jex:/ZRLE/1000", false, "old", 7, "old"},   // no "@"
      {"jex:/ZRLE", false, "old", 7, "old"},        // no "/" after the format
      {"jex:/ZRLE/@agent", false, "old", 7, "old"}, // empty uid
      {"jex:/ZRLE/4294967296@a", false, "old", 7, "old"},  // too large
      {"jex:/ZRLE/-2147483649@a", false, "old", 7, "old"}, // too small
      {"jex:/ZRLE/1x@a", false, "old", 7, "old"},          // not all number
      {"jex:/ZRLE/1-2@a", false, "old", 7, "old"},
      {"jex:ZRLE/1000@a", false, "old", 7, "old"}, // no "/" after the scheme
      {"ipp://host/1000@a", false, "old", 7, "old"},
      {"", false, "old", 7, "old"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.uri);
    plat::String format("old"), name("old");
    uint32_t uid = 7;
    EXPECT_EQ(parseDeviceUri(c.uri, &format, &uid, &name), c.ok);
    EXPECT_STREQ(format.c_str(), c.format);
    EXPECT_EQ(uid, c.uid);
    EXPECT_STREQ(name.c_str(), c.name);
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
