#include "TestStreams.h"

#include <rdr/MemOutStream.h>
#include <rdr/ParallelZlibOutStream.h>
#include <rdr/ZlibOutStream.h>

#include <gtest/gtest.h>
#include <zlib.h>

using rdrtest::thrownMessage;
using Bytes = std::vector<uint8_t>;

namespace {

const size_t Chunk = 4096;

// Input whose matches reach across chunk boundaries: a block of noise
// repeated at distances under and over one chunk, with runs between.
Bytes sample(size_t n)
{
  Bytes noise = rdrtest::pattern(1500);
  for (size_t i = 0; i < noise.size(); i++)
    noise[i] ^= uint8_t((i * 2654435761u) >> 13);
  Bytes v;
  while (v.size() < n) {
    v.insert(v.end(), noise.begin(), noise.end());
    v.insert(v.end(), v.size() % 5000, uint8_t(v.size()));
  }
  v.resize(n);
  return v;
}

// Inflates a zlib stream that stops at a sync-flush point, checking that
// it is consumed exactly.
Bytes inflateSynced(const rdr::MemOutStream& s, size_t expectLen)
{
  z_stream zs{};
  EXPECT_EQ(inflateInit(&zs), Z_OK);
  Bytes out(expectLen + 1);
  zs.next_in = const_cast<uint8_t*>(s.data());
  zs.avail_in = uInt(s.length());
  zs.next_out = out.data();
  zs.avail_out = uInt(out.size());
  EXPECT_EQ(inflate(&zs, Z_SYNC_FLUSH), Z_OK);
  EXPECT_EQ(zs.avail_in, 0u);
  out.resize(out.size() - zs.avail_out);
  inflateEnd(&zs);
  return out;
}

} // namespace

// Whatever the sizes, levels, workers and flushes, the output starts like
// the single-threaded stream's, ends at a sync-flush point and inflates to
// the input: every chunk's dictionary is the data right before it, across
// flushes too. A flush with nothing new emits nothing.
TEST(ParallelZlibOutStream, InflatesToTheInput)
{
  for (size_t total : {size_t(1), Chunk, Chunk * 7 + 5}) {
    for (int level : {-1, 1, 9}) {
      for (size_t flushEvery : {total, Chunk / 3 + 1}) {
        const int workers = 1 + (level + 1) % 3;
        SCOPED_TRACE(testing::Message() << total << " bytes, level " << level
                                        << ", flush " << flushEvery);
        Bytes in = sample(total);
        rdr::MemOutStream mem, single;
        rdr::ParallelZlibOutStream z(&mem, workers, level, Chunk);
        for (size_t pos = 0; pos < total; pos += flushEvery) {
          z.writeBytes(in.data() + pos, std::min(total - pos, flushEvery));
          z.flushCompressed();
        }
        const size_t len = mem.length();
        z.flushCompressed();
        EXPECT_EQ(mem.length(), len);
        EXPECT_EQ(inflateSynced(mem, total), in);
        EXPECT_EQ(Bytes(mem.data() + len - 4, mem.data() + len),
                  Bytes({0, 0, 0xff, 0xff}));
        rdr::ZlibOutStream z1(&single, 0, level);
        z1.writeU8(0);
        z1.flushCompressed();
        EXPECT_EQ(Bytes(single.data(), single.data() + 2),
                  Bytes(mem.data(), mem.data() + 2));
      }
    }
  }
}

// A failing underlying stream stops the work: its exception reaches the
// writer, later calls fail the same way, and destruction does not hang.
TEST(ParallelZlibOutStream, UnderlyingFailureReachesTheWriter)
{
  Bytes in = sample(Chunk * 20);
  for (int workers : {1, 3}) {
    rdr::MemOutStream mem(16, 1000);
    rdr::ParallelZlibOutStream z(&mem, workers, 6, Chunk);
    EXPECT_EQ(thrownMessage<rdr::OutStreamFull>([&] {
                z.writeBytes(in.data(), in.size());
                z.flushCompressed();
              }),
              "OutStream full");
    EXPECT_EQ(thrownMessage<rdr::OutStreamFull>([&] { z.flushCompressed(); }),
              "OutStream full");
  }
}
