#include <plat/hex.h>

#include <plat/Exception.h>

#include <gtest/gtest.h>

#include <cstring>
#include <utility>

using namespace plat;

TEST(hex, Decode)
{
  MBuf<unsigned char> buf;
  ASSERT_TRUE(tryHexDecode("00ffA5", buf));
  ASSERT_EQ(buf.size(), 3u);
  EXPECT_EQ(memcmp(buf.data(), "\x00\xff\xa5", 3), 0);

  ASSERT_TRUE(tryHexDecode("", buf));
  EXPECT_TRUE(buf.empty());
  EXPECT_EQ(buf.data(), nullptr);

  for (const char* bad : {"abc", "0g", "0 ", "+1", "\xc3\xa9"}) {
    tryHexDecode("12", buf);
    EXPECT_FALSE(tryHexDecode(bad, buf)) << bad;
    EXPECT_TRUE(buf.empty()) << bad;
  }
  tryHexDecode("12", buf);
  try {
    hexDecode("abc", buf);
    FAIL() << "no exception";
  } catch (Exception& e) {
    EXPECT_STREQ(e.message(), "Bad hex string");
  }
  EXPECT_TRUE(buf.empty());
}

TEST(hex, EncodeRoundTrip)
{
  const unsigned char bytes[] = {0x00, 0x01, 0x7f, 0x80, 0xfe, 0xff};
  String text = hexEncode(bytes, sizeof(bytes));
  EXPECT_EQ(text, "00017f80feff");
  MBuf<unsigned char> back;
  hexDecode(text.c_str(), back);
  ASSERT_EQ(back.size(), sizeof(bytes));
  EXPECT_EQ(memcmp(back.data(), bytes, sizeof(bytes)), 0);
  EXPECT_EQ(hexEncode(nullptr, 0), "");
}

TEST(hex, ConstantTimeCompareAndWipe)
{
  unsigned char a[4] = {1, 2, 3, 4};
  unsigned char b[4] = {1, 2, 3, 4};
  EXPECT_TRUE(constTimeEqual(a, b, 4));
  b[3] = 5;
  EXPECT_FALSE(constTimeEqual(a, b, 4));
  EXPECT_TRUE(constTimeEqual(a, b, 3));
  EXPECT_TRUE(constTimeEqual(a, b, 0));
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
  EXPECT_EQ(b[2], 7);

  b.resize(5);
  ASSERT_EQ(b.size(), 5u);
  EXPECT_EQ(memcmp(b.data(), "\x09\x08\x07\x00\x00", 5), 0);
  b.resize(1);
  EXPECT_EQ(b[0], 9);

  MBuf<unsigned char> c(std::move(b));
  EXPECT_TRUE(b.empty());
  EXPECT_EQ(c.size(), 1u);
  unsigned char* raw = c.release();
  EXPECT_EQ(raw[0], 9);
  free(raw);
  EXPECT_TRUE(c.empty());

  MBuf<uint32_t> words(2);
  EXPECT_EQ(words[0] | words[1], 0u);
}
