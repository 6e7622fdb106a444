#include "TestStreams.h"

#include <rdr/MemOutStream.h>
#include <rdr/ZlibOutStream.h>

#include <gtest/gtest.h>

using rdrtest::inflateAll;
using rdrtest::thrownMessage;

namespace {

// A sync flush makes everything written inflatable, for zlib and raw
// streams and buffers from the smallest to the default.
TEST(ZlibOutStream, SyncFlushInflatesToWhatWasWritten)
{
  auto noise = rdrtest::pattern(50000);
  for (int bufSize : {6, 64, 0}) {
    for (bool raw : {false, true}) {
      SCOPED_TRACE(testing::Message() << bufSize << (raw ? " raw" : ""));
      rdr::MemOutStream mem(1); // small, so that output room runs short too
      rdr::ZlibOutStream z(&mem, bufSize, 6, raw);
      std::vector<uint8_t> expect;
      for (int i = 0; i < 300; i++) {
        z.writeU32(uint32_t(i));
        z.writeU8(uint8_t(i));
        for (int sh = 24; sh >= 0; sh -= 8)
          expect.push_back(uint8_t(i >> sh));
        expect.push_back(uint8_t(i));
        if (i % 100 == 7) {
          z.writeBytes(noise.data(), noise.size());
          expect.insert(expect.end(), noise.begin(), noise.end());
        }
      }
      EXPECT_EQ(z.length(), expect.size());
      z.flush();
      EXPECT_EQ(inflateAll(mem.data(), mem.length(), raw), expect);
    }
  }
}

TEST(ZlibOutStream, Failures)
{
  rdr::ZlibOutStream z(nullptr, 8);
  z.writeBytes("12345678", 8); // fits: nothing is compressed yet
  EXPECT_EQ(thrownMessage<plat::Exception>([&] { z.writeU8(9); }),
            "ZlibOutStream: no underlying stream");
  rdr::MemOutStream mem;
  rdr::ZlibOutStream small(&mem, 3);
  EXPECT_EQ(thrownMessage<plat::Exception>([&] { small.writeU32(1); }),
            "ZlibOutStream overrun: max itemSize exceeded");
  EXPECT_EQ(thrownMessage<plat::Exception>(
                [&] { rdr::ZlibOutStream bad(&mem, 0, 42); }),
            "ZlibOutStream: deflateInit failed");
}

} // namespace
