#include "TestStreams.h"

#include <plat/String.h>
#include <rdr/MemOutStream.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

using rdrtest::thrownMessage;

namespace {

TEST(OutStream, TypedAndStringWrites)
{
  rdr::MemOutStream out(1);
  out.writeU8(1);
  out.writeU16(0x0203);
  out.writeU32(0x04050607);
  out.writeS16(-2);
  out.pad(2);
  out.writeString("abc", -1);
  out.writeString("ab\0cd", 5);
  EXPECT_EQ(rdrtest::bytesOf(out),
            (std::vector<uint8_t>{1,    2,   3, 4, 5, 6, 7,   0xff,
                                  0xfe, 0,   0, 0, 0, 0, 3,   'a',
                                  'b',  'c', 0, 0, 0, 2, 'a', 'b'}));

  rdr::MemOutStream out8; // writeString8 cuts at 255 bytes
  std::string longText(300, 'x');
  out8.writeString8(longText.c_str());
  EXPECT_EQ(out8.length(), 256u);
  EXPECT_EQ(out8.data()[0], 255);
}

TEST(OutStream, TextAppenders)
{
  rdr::MemOutStream out(4);
  out.appendText("ab");
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

TEST(MemOutStream, MaximumSizeKeepsWhatItHad)
{
  rdr::MemOutStream out(4, 10);
  out.writeBytes("01234567", 8);
  EXPECT_EQ(
      thrownMessage<rdr::OutStreamFull>([&] { out.writeBytes("abc", 3); }),
      "OutStream full");
  EXPECT_EQ(out.length(), 8u);
  EXPECT_EQ(memcmp(out.data(), "01234567", 8), 0);
  out.writeBytes("89", 2);
  out.terminate(); // the terminator always fits, even at the maximum
  out.terminate();
  EXPECT_EQ(out.length(), 11u);
  plat::String text;
  out.toString(text);
  EXPECT_STREQ(text.c_str(), "0123456789");
  out.writeU16(0x4142); // grows again from nothing
  EXPECT_EQ(out.length(), 2u);
}

// Every byte reaches the sink in order, for buffers of one byte, two, an odd
// size and the default, with typed writes, big writes and flushes mixed in.
TEST(BufferedOutStream, EveryByteReachesTheSinkInOrder)
{
  const struct {
    int bufSize, maxSize;
    size_t chunk;
  } cases[] = {{1, 1, 1}, {5, 5, 3}, {1, 64, 7}, {-1, 0, 100000}};
  auto data = rdrtest::pattern(70000);
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.bufSize << "/" << c.maxSize);
    rdrtest::ChunkOutStream out(c.bufSize, c.maxSize, c.chunk);
    std::vector<uint8_t> expect;
    for (size_t at = 0, round = 0; at < data.size(); round++) {
      size_t n = std::min(data.size() - at, size_t(round % 5 == 4 ? 20000 : 3));
      if (out.maxBufferSize() >= 4 && round % 3 == 1) {
        out.writeU32(0x01020304u * uint32_t(round));
        for (int sh = 24; sh >= 0; sh -= 8)
          expect.push_back(uint8_t((0x01020304u * uint32_t(round)) >> sh));
      }
      out.writeBytes(data.data() + at, n);
      expect.insert(expect.end(), data.begin() + at, data.begin() + at + n);
      at += n;
      if (round % 50 == 0)
        out.flush();
    }
    out.flush();
    EXPECT_EQ(out.pendingBytes(), 0u);
    EXPECT_EQ(out.sunk, expect);
    EXPECT_EQ(out.length(), expect.size());
  }
}

TEST(BufferedOutStream, GrowsWhileTheSinkIsBlocked)
{
  rdrtest::ChunkOutStream out(16384, 1 << 20, 1 << 20);
  out.blocked = true;
  auto data = rdrtest::pattern(100000);
  out.writeBytes(data.data(), data.size());
  EXPECT_TRUE(out.sunk.empty());
  EXPECT_EQ(out.bufferSize(), 131072u);
  // The writer never gets more than 16384 bytes beyond the pending data.
  EXPECT_LE(size_t(out.getEnd() - out.getPtr()), 16384u);
  EXPECT_FALSE(out.flushBuffer(false));
  out.lazyFlush(false);
  EXPECT_EQ(out.sunk, data);

  // At the maximum it waits for the sink instead.
  rdrtest::ChunkOutStream capped(4, 8, 3);
  capped.blocked = true;
  capped.writeBytes(data.data(), 20);
  EXPECT_EQ(capped.bufferSize(), 8u);
  capped.flush();
  EXPECT_EQ(capped.sunk, std::vector<uint8_t>(data.begin(), data.begin() + 20));
  EXPECT_EQ(thrownMessage<plat::Exception>([&] { capped.check(9); }),
            "BufferedOutStream overrun: buffer size exceeded");
}

} // namespace
