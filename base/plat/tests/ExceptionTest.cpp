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
  std::string two = a253 + "a\xc3\xa9" + tail;
  EXPECT_EQ(Exception(two.c_str()).message(), a253 + "a");
  std::string three = a253 + "\xe2\x82\xac" + tail;
  EXPECT_EQ(ExceptionFmt("%s", three.c_str()).message(), a253);
  // A character that ends exactly at byte 255 is kept.
  std::string fits = a253 + "\xc3\xa9" + tail;
  EXPECT_EQ(Exception(fits.c_str()).message(), a253 + "\xc3\xa9");
}

TEST(Exception, Messages)
{
  EXPECT_STREQ(SystemException("", 0).message(), "Success (0)");
  SystemException badf("setBlocking", EBADF);
  EXPECT_EQ(std::string(badf.message()),
            std::string("setBlocking: ") + strerror(EBADF) + " (9)");
  EXPECT_STREQ(badf.typeName(), "System-9");
  EXPECT_STREQ(SystemException("op", 12345).message(),
               "op: Unknown error (12345)");
  errno = EACCES;
  StdlibException s("mkdir %d", 7);
  EXPECT_EQ(std::string(s.message()),
            std::string("mkdir 7: ") + strerror(EACCES) + " (13)");

  AssertionFail a("x > 0", "dir/File.cpp", 42);
  a.addDetail("value %d", -1);
  EXPECT_STREQ(a.message(),
               "Assertion 'x > 0' failed at dir/File.cpp:42: value -1");
  EXPECT_STREQ(DynamicFnLoadFailed("libfoo.so.2", "fooOpen").message(),
               "Function fooOpen not found in libfoo.so.2 library");
}
