#include "TestStreams.h"

#include <rdr/FramedInStream.h>
#include <rdr/FramedOutStream.h>
#include <rdr/MemInStream.h>
#include <rdr/MemOutStream.h>

#include <gtest/gtest.h>

using rdrtest::thrownMessage;

namespace {

TEST(FramedOutStream, SmallEmptyAndFlushedMessages)
{
  rdr::MemOutStream mem;
  rdr::OutStreamV4 out(&mem);
  out.startMsg();
  out.writeBytes("hello", 5);
  out.endMsg();
  out.startMsg();
  out.endMsg();
  out.startMsg();
  out.writeU16(0x4142);
  out.flush();
  out.flush(); // an empty frame is dropped
  out.writeU8(0x43);
  out.endMsg();
  EXPECT_EQ(rdrtest::bytesOf(mem),
            (std::vector<uint8_t>{0x80, 5, 'h', 'e', 'l', 'l', 'o', 0x80, 0, 0,
                                  2, 0x41, 0x42, 0x80, 1, 0x43}));
  EXPECT_EQ(thrownMessage<rdr::FrameException>([&] { out.writeU8(1); }),
            "FramedOutStream::endFrame: not in frame");
  out.startMsg();
  EXPECT_EQ(thrownMessage<rdr::FrameException>([&] { out.startMsg(); }),
            "FramedOutStream::startMsg: already in msg");
}

TEST(FramedInStream, ReadsFramesAndSkipsEmptyOnes)
{
  const uint8_t data[] = {0, 0, 0x80, 3,    'a', 'b', 'c',
                          0, 1, 'x',  0x80, 1,   'y'};
  rdr::MemInStream mem(data, sizeof(data));
  rdr::InStreamV4 in(&mem);
  EXPECT_TRUE(in.startMsg());
  EXPECT_EQ(in.readU8(), 'a');
  EXPECT_EQ(in.readU16(), 0x6263);
  EXPECT_TRUE(in.atEnd());
  EXPECT_THROW(in.readU8(), rdr::EndOfMsg);
  in.endMsg();
  EXPECT_TRUE(in.startMsg());
  EXPECT_EQ(thrownMessage<rdr::FrameException>([&] { in.endMsg(); }),
            "FramedInStream::endMsg: data left in msg");
  EXPECT_EQ(in.readU16(), 0x7879); // spans two frames
  in.endMsg();
}

// A big message and a short one, arriving a byte at a time.
TEST(FramedInStream, NonBlockingSourceRetriesFromCheckpoint)
{
  auto data = rdrtest::pattern(65536);
  rdr::MemOutStream mem;
  rdr::OutStreamV4 out(&mem);
  out.startMsg();
  out.writeBytes(data.data(), data.size());
  out.endMsg();
  auto wire = rdrtest::bytesOf(mem);
  for (uint8_t b : {0x80, 4, 1, 2, 3, 4})
    wire.push_back(b);
  rdrtest::ChunkInStream src(wire, 1);
  src.setNonBlocking(true);
  rdr::InStreamV4 in(&src);
  rdr::MemOutStream copy;
  size_t avail = 0, blocks = 0;
  uint32_t tail = 0;
  // The event loop: a byte arrives, the reader runs until it would block.
  while (!tail) {
    src.setAvailable(++avail);
    try {
      while (!tail && in.startMsg(false)) {
        if (copy.length() < data.size())
          in.copyMsgTo(&copy);
        else
          tail = in.readU32();
        in.endMsg();
      }
    } catch (rdr::BlockException&) {
      blocks++;
    }
  }
  EXPECT_EQ(rdrtest::bytesOf(copy), data);
  EXPECT_EQ(tail, 0x01020304u);
  EXPECT_GT(blocks, 60000u);
}

} // namespace
