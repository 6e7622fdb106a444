#include <plat/hex.h>

#include <plat/Exception.h>

#include "TestUtil.h"

#include <gtest/gtest.h>

#include <cstring>
#include <utility>

using namespace plat;

TEST(hex, DecodeEncodeAndRefusals)
{
  const unsigned char bytes[] = {0x00, 0x7f, 0x80, 0xff};
  String text = hexEncode(bytes, sizeof(bytes));
  EXPECT_EQ(text, "007f80ff");
  MBuf<unsigned char> back;
  ASSERT_TRUE(tryHexDecode("007F80fF", back));
  ASSERT_EQ(back.size(), sizeof(bytes));
  EXPECT_EQ(memcmp(back.data(), bytes, sizeof(bytes)), 0);

  // A refused text leaves the buffer empty, not half written.
  for (const char* bad : {"abc", "0g", "+1"}) {
    tryHexDecode("12", back);
    EXPECT_FALSE(tryHexDecode(bad, back)) << bad;
    EXPECT_TRUE(back.empty()) << bad;
  }
  EXPECT_EQ(testutil::thrownMessage([&] { hexDecode("abc", back); }),
            "Bad hex string");
}

TEST(hex, ConstantTimeCompareAndWipe)
{
  unsigned char a[4] = {1, 2, 3, 4};
  unsigned char b[4] = {1, 2, 3, 5};
  EXPECT_FALSE(constTimeEqual(a, b, 4));
  EXPECT_TRUE(constTimeEqual(a, b, 3));
  wipe(a, 3);
  EXPECT_EQ(a[0] | a[1] | a[2], 0);
  EXPECT_EQ(a[3], 4);
}

TEST(MBuf, CopyResizeAndOwnership)
{
  const unsigned char bytes[] = {9, 8, 7};
  MBuf<unsigned char> a(bytes, 3, true);
  MBuf<unsigned char> b(a);
  EXPECT_TRUE(b.wipes());
  EXPECT_NE(a.data(), b.data());
  b.resize(5);
  EXPECT_EQ(memcmp(b.data(), "\x09\x08\x07\x00\x00", 5), 0);
  MBuf<unsigned char> c(std::move(b));
  EXPECT_TRUE(b.empty());
  unsigned char* raw = c.release();
  EXPECT_EQ(raw[0], 9);
  free(raw);
}
