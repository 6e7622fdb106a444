#include "TestStreams.h"

#include <plat/String.h>
#include <rdr/MemOutStream.h>
#include <rdr/NullOutStream.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

using rdrtest::thrownMessage;

namespace {

std::vector<uint8_t> bytesOf(const rdr::MemOutStream& out) {
  return std::vector<uint8_t>(out.data(), out.data() + out.length());
}

TEST(OutStream, StringForms) {
  rdr::MemOutStream out;
  out.writeString("abc", -1);
  out.writeString("ab\0cd", 5);
  EXPECT_EQ(bytesOf(out), (std::vector<uint8_t>{0, 0, 0, 3, 'a', 'b', 'c',
                                                 0, 0, 0, 2, 'a', 'b'}));

  rdr::MemOutStream out8;
  std::string longText(300, 'x');
  longText[254] = 'y';
  longText[255] = 'z';
  out8.writeString8(longText.c_str());
  ASSERT_EQ(out8.length(), 256u);
  EXPECT_EQ(out8.data()[0], 255);
  EXPECT_EQ(out8.data()[255], 'y');
}

TEST(OutStream, TypedWritesBigEndian) {
  rdr::MemOutStream out(1);
  out.writeU8(1);
  out.writeU16(0x0203);
  out.writeU32(0x04050607);
  out.writeS16(-2);
  out.pad(2);
  EXPECT_EQ(bytesOf(out),
            (std::vector<uint8_t>{1, 2, 3, 4, 5, 6, 7, 0xff, 0xfe, 0, 0}));
}

TEST(OutStream, TextAppenders) {
  rdr::MemOutStream out(4);
  out.appendText("ab");
  EXPECT_EQ(out.length(), 2u);
  EXPECT_EQ(out.data()[2], 0);
  // Longer than the window: the window is enlarged and formatting repeated.
  std::string big(1000, 'q');
  out.appendFormat("[%s|%d]", big.c_str(), 42);
  out.appendChar(0xe9, 2);
  out.appendChar('!');
  std::string expect = "ab[" + big + "|42]\xc3\xa9\xc3\xa9!";
  ASSERT_EQ(out.length(), expect.size());
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(out.data())), expect);
  EXPECT_EQ(thrownMessage<plat::Exception>([&] { out.appendChar(0x110000); }),
            "Unicode out of range");
}

TEST(MemOutStream, MaximumSizeKeepsWhatItHad) {
  rdr::MemOutStream out(4, 10);
  out.writeBytes("01234567", 8);
  out.writeBytes("89", 2);
  EXPECT_EQ(out.length(), 10u);
  EXPECT_EQ(out.spaceAvailable(), 0u);
  rdr::MemOutStream out2(4, 10);
  out2.writeBytes("01234567", 8);
  try {
    out2.writeBytes("abc", 3);
    FAIL();
  } catch (rdr::OutStreamFull& e) {
    EXPECT_STREQ(e.message(), "OutStream full");
    EXPECT_STREQ(e.typeName(), "OutStreamFull");
  }
  EXPECT_EQ(out2.length(), 8u);
  EXPECT_EQ(memcmp(out2.data(), "01234567", 8), 0);
  EXPECT_THROW(out2.writeU32(1), rdr::OutStreamFull);
  // The terminator always fits, even at the maximum.
  out.terminate();
  EXPECT_EQ(out.length(), 11u);
  EXPECT_EQ(out.data()[10], 0);
}

TEST(MemOutStream, GrowthFromNothing) {
  rdr::MemOutStream out(0, 0);
  EXPECT_EQ(out.data(), nullptr);
  out.writeBytes("hello", 5);
  EXPECT_EQ(out.getEnd() - out.data(), 5);
  out.writeU8('!');
  EXPECT_GE(out.getEnd() - out.data(), 10);
  out.terminate();
  out.terminate();
  EXPECT_EQ(out.length(), 7u);
  uint8_t* block = out.takeBuffer();
  EXPECT_STREQ(reinterpret_cast<char*>(block), "hello!");
  free(block);
  EXPECT_EQ(out.length(), 0u);
  out.writeU16(0x4142);
  EXPECT_EQ(out.length(), 2u);
  plat::String text;
  out.toString(text);
  EXPECT_STREQ(text.c_str(), "AB");
  EXPECT_EQ(out.data(), nullptr);
}

struct BufSizes {
  int bufSize;
  int maxSize;
  size_t chunk;
};

class BufferedWriteTest : public ::testing::TestWithParam<BufSizes> {};

TEST_P(BufferedWriteTest, EveryByteReachesTheSinkInOrder) {
  const BufSizes& s = GetParam();
  rdrtest::ChunkOutStream out(s.bufSize, s.maxSize, s.chunk);
  auto data = rdrtest::pattern(70000);
  std::vector<uint8_t> expect;
  size_t at = 0;
  for (int round = 0; at < data.size(); round++) {
    size_t n = std::min(data.size() - at, size_t(round % 5 == 4 ? 20000 : 3));
    if (out.maxBufferSize() >= 4 && round % 3 == 1) {
      uint32_t v = 0x01020304u * uint32_t(round);
      out.writeU32(v);
      for (int sh = 24; sh >= 0; sh -= 8)
        expect.push_back(uint8_t(v >> sh));
    }
    out.writeBytes(data.data() + at, n);
    expect.insert(expect.end(), data.begin() + at, data.begin() + at + n);
    at += n;
    if (round % 50 == 0)
      out.flush();
  }
  EXPECT_EQ(out.length(), expect.size());
  out.flush();
  EXPECT_EQ(out.pendingBytes(), 0u);
  EXPECT_EQ(out.sunk, expect);
  EXPECT_EQ(out.length(), expect.size());
}

INSTANTIATE_TEST_SUITE_P(Sizes, BufferedWriteTest,
                         ::testing::Values(BufSizes{1, 1, 1},
                                           BufSizes{2, 2, 1},
                                           BufSizes{5, 5, 3},
                                           BufSizes{1, 64, 7},
                                           BufSizes{-1, -1, 1000},
                                           BufSizes{-1, 0, 100000}));

TEST(BufferedOutStream, GrowsWhileTheSinkIsBlocked) {
  rdrtest::ChunkOutStream out(16384, 1 << 20, 1 << 20);
  out.blocked = true;
  auto data = rdrtest::pattern(100000);
  out.writeBytes(data.data(), data.size());
  EXPECT_TRUE(out.sunk.empty());
  EXPECT_EQ(out.bufferSize(), 131072u);
  // The writer never gets more than 16384 bytes beyond the pending data.
  EXPECT_LE(size_t(out.getEnd() - out.getPtr()), 16384u);
  EXPECT_EQ(out.pendingBytes(), 100000u);
  EXPECT_EQ(out.spaceAvailable(), (1u << 20) - 100000u);
  EXPECT_FALSE(out.flushBuffer(false));
  out.lazyFlush(false);
  EXPECT_EQ(out.sunk, data);
  EXPECT_EQ(out.pendingBytes(), 0u);
}

TEST(BufferedOutStream, WaitsAtTheMaximum) {
  rdrtest::ChunkOutStream out(4, 8, 3);
  out.blocked = true;
  auto data = rdrtest::pattern(20);
  out.writeBytes(data.data(), data.size());
  EXPECT_EQ(out.bufferSize(), 8u);
  out.flush();
  EXPECT_EQ(out.sunk, data);
}

TEST(BufferedOutStream, Limits) {
  rdrtest::ChunkOutStream small(4, 8, 8);
  EXPECT_EQ(thrownMessage<plat::Exception>([&] { small.check(9); }),
            "BufferedOutStream overrun: buffer size exceeded");
  rdrtest::ChunkOutStream none(0, 0, 8);
  EXPECT_THROW(none.writeU8(1), rdr::OutStreamFull);
}

TEST(NullOutStream, CountsWithoutKeeping) {
  rdr::NullOutStream out;
  std::vector<uint8_t> big(5000, 1);
  for (int i = 0; i < 3000; i++)
    out.writeU8(uint8_t(i));
  out.writeBytes(big.data(), big.size());
  out.writeU32(7);
  EXPECT_EQ(out.length(), 8004u);
  EXPECT_EQ(out.spaceAvailable(), rdr::OutStream::Unlimited);
}

} // namespace
