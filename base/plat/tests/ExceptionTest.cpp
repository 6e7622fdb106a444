#include <plat/Exception.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <string>

using namespace plat;

TEST(Exception, LongMessageIsCutWithoutSplittingACharacter)
{
  // Byte 255 would be the last one stored.
  const std::string a253(253, 'a'), tail(45, 'b');
  EXPECT_EQ(strlen(Exception(std::string(300, 'a').c_str()).message()), 255u);
  std::string two = a253 + "a\xc3\xa9" + tail;
  EXPECT_EQ(Exception(two.c_str()).message(), a253 + "a");
  std::string three = a253 + "\xe2\x82\xac" + tail;
  EXPECT_EQ(ExceptionFmt("%s", three.c_str()).message(), a253);
  // A character that ends exactly at byte 255 is kept.
  std::string fits = a253 + "\xc3\xa9" + tail;
  EXPECT_EQ(Exception(Exception::fmt, "%s", fits.c_str()).message(),
            a253 + "\xc3\xa9");
}

TEST(Exception, SystemErrorSuffix)
{
  SystemException ok("", 0);
  EXPECT_STREQ(ok.message(), "Success (0)");
  EXPECT_STREQ(ok.typeName(), "System-0");

  SystemException badf("setBlocking", EBADF);
  std::string expected =
      std::string("setBlocking: ") + strerror(EBADF) + " (9)";
  EXPECT_EQ(std::string(badf.message()), expected);
  EXPECT_STREQ(badf.typeName(), "System-9");
  EXPECT_EQ(badf.err(), EBADF);

  SystemException unknown("op", 12345);
  EXPECT_STREQ(unknown.message(), "op: Unknown error (12345)");
  EXPECT_STREQ(unknown.typeName(), "System-12345");

  SystemExceptionFmt f("open(\"%s\", O_RDONLY)", ENOENT, "/x");
  EXPECT_EQ(std::string(f.message()), std::string("open(\"/x\", O_RDONLY): ") +
                                          strerror(ENOENT) + " (2)");

  errno = EACCES;
  StdlibException s("mkdir %d", 7);
  EXPECT_EQ(s.err(), EACCES);
  EXPECT_EQ(std::string(s.message()),
            std::string("mkdir 7: ") + strerror(EACCES) + " (13)");
}

TEST(Exception, OtherKinds)
{
  AssertionFail a("x > 0", "dir/File.cpp", 42);
  EXPECT_STREQ(a.message(), "Assertion 'x > 0' failed at dir/File.cpp:42");
  EXPECT_STREQ(a.typeName(), "AssertionFail");
  a.addDetail("value %d", -1);
  EXPECT_STREQ(a.message(),
               "Assertion 'x > 0' failed at dir/File.cpp:42: value -1");

  DynamicFnLoadFailed d("libfoo.so.2", "fooOpen");
  EXPECT_STREQ(d.message(),
               "Function fooOpen not found in libfoo.so.2 library");
  EXPECT_STREQ(d.typeName(), "DynamicFnLoadFailed");

  EXPECT_STREQ(TimedOut().message(), "Timed out");
  EXPECT_STREQ(TimedOut().typeName(), "TimedOut");
  EXPECT_STREQ(BadNum("n").typeName(), "");
}
