#include "TestStreams.h"

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

} // namespace
