#include "TestStreams.h"

#include <plat/DString.h>
#include <rdr/MemInStream.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

using rdrtest::ChunkInStream;

namespace {

// A message of mixed items, so that every typed reader crosses refills.
std::vector<uint8_t> mixedMessage() {
  std::vector<uint8_t> v;
  for (int i = 0; i < 40; i++) {
    v.push_back(uint8_t(i));                                 // U8
    v.push_back(0x12); v.push_back(uint8_t(i));              // U16
    v.push_back(0xde); v.push_back(0xad); v.push_back(0xbe); // U32
    v.push_back(uint8_t(i));
  }
  return v;
}

void readMixed(rdr::InStream& in) {
  for (int i = 0; i < 40; i++) {
    ASSERT_EQ(in.readU8(), i);
    ASSERT_EQ(in.readU16(), 0x1200 + i);
    ASSERT_EQ(in.readU32(), 0xdeadbe00u + uint32_t(i));
  }
}

struct Sizes {
  int bufSize;
  size_t chunk;
};

class BufferedReadTest : public ::testing::TestWithParam<Sizes> {};

TEST_P(BufferedReadTest, TypedReadsAcrossRefills) {
  ChunkInStream in(mixedMessage(), GetParam().chunk, GetParam().bufSize);
  readMixed(in);
  EXPECT_EQ(in.pos(), 40 * 7);
  EXPECT_THROW(in.readU8(), rdr::EndOfStream);
}

INSTANTIATE_TEST_SUITE_P(Sizes, BufferedReadTest,
                         ::testing::Values(Sizes{1, 1}, Sizes{2, 1},
                                           Sizes{2, 2}, Sizes{3, 2},
                                           Sizes{7, 5}, Sizes{-1, 3},
                                           Sizes{-1, 100000}));

TEST(InStream, U32SplitOverTwoRefills) {
  // The first refill ends two bytes into the value.
  ChunkInStream in({0xaa, 0x01, 0x02, 0x03, 0x04}, 3);
  EXPECT_EQ(in.readU8(), 0xaa);
  EXPECT_EQ(in.readU32(), 0x01020304u);
  EXPECT_EQ(in.fills(), 2u);
}

TEST(InStream, WouldBlockReturnsToCheckpoint) {
  ChunkInStream in({9, 1, 2, 3, 4, 5, 6}, 2);
  in.setNonBlocking(true);
  in.setAvailable(3);
  EXPECT_EQ(in.readU8(), 9);
  in.setCheckpoint();
  EXPECT_EQ(in.readU8(), 1);
  EXPECT_THROW(in.readU32(), rdr::BlockException);
  EXPECT_EQ(in.pos(), 1);
  EXPECT_EQ(in.readU8(), 1);
  EXPECT_EQ(in.check(false, 4), 0);
  EXPECT_EQ(in.pos(), 1);

  // More data arrives: the retried message parses from its start.
  in.setAvailable(7);
  EXPECT_EQ(in.readU16(), 0x0102);
  EXPECT_EQ(in.readU32(), 0x03040506u);
}

TEST(InStream, BufferFullOfCheckpointedData) {
  ChunkInStream in(rdrtest::pattern(10), 10, 4);
  in.setNonBlocking(true);
  in.skip(4);
  EXPECT_EQ(rdrtest::thrownMessage<plat::Exception>([&] { in.readU8(); }),
            "InStream overrun: buffer size exceeded");
}

TEST(InStream, RewindAndReposition) {
  const uint8_t data[] = {1, 2, 3, 4, 5, 6};
  rdr::MemInStream in(data, sizeof(data));
  in.skip(2);
  in.setCheckpoint();
  in.skip(3);
  in.reposition(2);
  EXPECT_EQ(in.readU8(), 3);
  in.reposition(4);
  EXPECT_EQ(in.readU8(), 5);
  EXPECT_EQ(rdrtest::thrownMessage<plat::Exception>([&] { in.reposition(1); }),
            "Can't reposition before checkpoint");

  ChunkInStream blocking({1, 2}, 1);
  EXPECT_EQ(
      rdrtest::thrownMessage<plat::Exception>([&] { blocking.rewind(); }),
      "Attempt to rewind a non-rewindable stream");
}

TEST(InStream, MemEndAndItems) {
  const uint8_t data[] = {1, 2, 3, 4, 5, 6, 7};
  rdr::MemInStream in(data, sizeof(data));
  size_t n = 10;
  const uint8_t* p = in.getItems(2, &n, true);
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(n, 3u);
  EXPECT_EQ(p, data);
  EXPECT_FALSE(in.atEnd());
  EXPECT_EQ(in.readU8(), 7);
  EXPECT_TRUE(in.atEnd());
  try {
    in.readU16();
    FAIL();
  } catch (rdr::EndOfStream& e) {
    EXPECT_STREQ(e.message(), "End of in-memory input stream");
    EXPECT_STREQ(e.typeName(), "EndOfStream");
  }
}

TEST(InStream, ReadBytesPtrCopiesAcrossRefills) {
  auto data = rdrtest::pattern(1000);
  for (int bufSize : {1, 2, 17, -1}) {
    ChunkInStream in(data, 13, bufSize);
    uint8_t temp[300];
    in.skip(100);
    const uint8_t* p = in.readBytesPtr(temp, 300);
    EXPECT_EQ(memcmp(p, data.data() + 100, 300), 0) << bufSize;
    std::vector<uint8_t> rest(600);
    in.readBytes(rest.data(), rest.size());
    EXPECT_EQ(memcmp(rest.data(), data.data() + 400, 600), 0) << bufSize;
    EXPECT_EQ(in.pos(), 1000);
  }
}

std::vector<uint8_t> bytes(const std::string& s) {
  return std::vector<uint8_t>(s.begin(), s.end());
}

TEST(ReadLine, LineEndsAndStreamEnd) {
  ChunkInStream in(bytes(std::string("a\r\nb\n\nc\rd", 9)), 2, 3);
  plat::DString line;
  bool nul = true;
  EXPECT_TRUE(in.readLine(line, 0, &nul));
  EXPECT_STREQ(line.c_str(), "a");
  EXPECT_FALSE(nul);
  in.readLine(line);
  EXPECT_STREQ(line.c_str(), "b");
  in.readLine(line);
  EXPECT_STREQ(line.c_str(), "");
  // The last line has no line feed; the end of the stream ends it.
  in.readLine(line);
  EXPECT_STREQ(line.c_str(), "cd");
  EXPECT_THROW(in.readLine(line), rdr::EndOfStream);
}

TEST(ReadLine, NulAndRepair) {
  ChunkInStream in(bytes(std::string("x\0y\n\xc3\x28z\n", 8)), 100);
  plat::DString line;
  bool nul = false;
  EXPECT_TRUE(in.readLine(line, 0, &nul));
  EXPECT_TRUE(nul);
  EXPECT_EQ(memcmp(line.buf(), "x\0y", 4), 0);
  EXPECT_FALSE(in.readLine(line, 0, nullptr, true));
  EXPECT_STREQ(line.c_str(), "\xef\xbf\xbd(z");
}

TEST(ReadLine, LengthLimit) {
  for (int maxLen : {0, 5}) {
    size_t limit = maxLen ? size_t(maxLen) : 0x40000;
    std::string text = std::string(limit, 'p') + "\n" +
                       std::string(limit + 1, 'q') + "\nrest\n";
    ChunkInStream in(bytes(text), 4096, 1000);
    plat::DString line;
    in.readLine(line, maxLen);
    EXPECT_EQ(size_t(line.length()), limit);
    EXPECT_EQ(rdrtest::thrownMessage<rdr::StringTooLongException>(
                  [&] { in.readLine(line, maxLen); }),
              "String exceeds maximum length");
  }
}

TEST(ReadString, LengthPrefixed) {
  const uint8_t data[] = {2, 'h', 'i', 0, 0, 0, 3, 'a', 'b', 'c',
                          0, 0, 1, 0, 'x'};
  rdr::MemInStream in(data, sizeof(data));
  plat::DString s;
  in.readString8(s);
  EXPECT_STREQ(s.c_str(), "hi");
  in.readString32(s, 3);
  EXPECT_STREQ(s.c_str(), "abc");
  int before = in.pos();
  EXPECT_THROW(in.readString32(s, 255), rdr::StringTooLongException);
  EXPECT_EQ(in.pos(), before + 4);
  EXPECT_EQ(in.readU8(), 'x');
}

} // namespace
