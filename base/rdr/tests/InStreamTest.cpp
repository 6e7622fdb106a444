#include "TestStreams.h"

#include <plat/DString.h>
#include <rdr/MemInStream.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

using rdrtest::ChunkInStream;
using rdrtest::thrownMessage;

namespace {

std::vector<uint8_t> bytes(const std::string& s)
{
  return std::vector<uint8_t>(s.begin(), s.end());
}

// Typed reads and readBytesPtr() across refills, for buffers of one byte, two,
// an odd size and the default, fed in chunks that do not line up with them.
TEST(InStream, ReadsAcrossRefills)
{
  std::vector<uint8_t> mixed; // U8, U16, U32 items, so every reader splits
  for (int i = 0; i < 40; i++)
    for (uint8_t b : {uint8_t(i), uint8_t(0x12), uint8_t(i), uint8_t(0xde),
                      uint8_t(0xad), uint8_t(0xbe), uint8_t(i)})
      mixed.push_back(b);
  auto data = rdrtest::pattern(1000);
  const struct {
    int bufSize;
    size_t chunk;
  } cases[] = {{1, 1}, {2, 1}, {3, 2}, {17, 13}, {-1, 100000}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.bufSize << "/" << c.chunk);
    ChunkInStream in(mixed, c.chunk, c.bufSize);
    for (int i = 0; i < 40; i++) {
      ASSERT_EQ(in.readU8(), i);
      ASSERT_EQ(in.readU16(), 0x1200 + i);
      ASSERT_EQ(in.readU32(), 0xdeadbe00u + uint32_t(i));
    }
    EXPECT_THROW(in.readU8(), rdr::EndOfStream);
    EXPECT_EQ(thrownMessage<plat::Exception>([&] { in.rewind(); }),
              "Attempt to rewind a non-rewindable stream");

    ChunkInStream in2(data, c.chunk, c.bufSize);
    uint8_t temp[300];
    in2.skip(100);
    EXPECT_EQ(memcmp(in2.readBytesPtr(temp, 300), data.data() + 100, 300), 0);
    std::vector<uint8_t> rest(600);
    in2.readBytes(rest.data(), rest.size());
    EXPECT_EQ(memcmp(rest.data(), data.data() + 400, 600), 0);
  }
}

// Non-blocking retries from a checkpoint are covered with a real pipe in
// FdStreamTest; here only a buffer holding nothing but checkpointed data.
TEST(InStream, BufferFullOfCheckpointedData)
{
  ChunkInStream in(rdrtest::pattern(10), 10, 4);
  in.setNonBlocking(true);
  in.skip(4);
  EXPECT_EQ(thrownMessage<plat::Exception>([&] { in.readU8(); }),
            "InStream overrun: buffer size exceeded");
}

TEST(MemInStream, RepositionNotBeforeCheckpoint)
{
  const uint8_t data[] = {1, 2, 3, 4, 5, 6, 7};
  rdr::MemInStream in(data, sizeof(data));
  in.skip(2);
  in.setCheckpoint();
  in.skip(3);
  in.reposition(2);
  EXPECT_EQ(in.readU8(), 3);
  EXPECT_EQ(thrownMessage<plat::Exception>([&] { in.reposition(1); }),
            "Can't reposition before checkpoint");
}

TEST(ReadLine, LengthLimit)
{
  for (int maxLen : {0, 5}) { // 0: the default limit
    size_t limit = maxLen ? size_t(maxLen) : 0x40000;
    ChunkInStream in(bytes(std::string(limit, 'p') + "\n" +
                           std::string(limit + 1, 'q') + "\nrest\n"),
                     4096, 1000);
    plat::DString line;
    in.readLine(line, maxLen);
    EXPECT_EQ(size_t(line.length()), limit);
    EXPECT_EQ(thrownMessage<rdr::StringTooLongException>(
                  [&] { in.readLine(line, maxLen); }),
              "String exceeds maximum length");
  }
}

} // namespace
