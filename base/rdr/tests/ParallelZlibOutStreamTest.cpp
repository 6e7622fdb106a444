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

// Whatever the sizes of the writes, the number of workers and where the
// flushes fall, the output inflates to the input: every chunk's dictionary
// is the data right before it, across flushes too.
TEST(ParallelZlibOutStream, InflatesToTheInput)
{
  for (size_t total : {size_t(1), Chunk - 1, Chunk, Chunk * 7 + 5}) {
    for (int workers : {1, 2, 3}) {
      for (size_t flushEvery : {size_t(0), Chunk / 3 + 1}) {
        SCOPED_TRACE(testing::Message() << total << " bytes, " << workers
                                        << " workers, flush " << flushEvery);
        Bytes in = sample(total);
        rdr::MemOutStream mem;
        rdr::ParallelZlibOutStream z(&mem, workers, 6, Chunk);
        for (size_t pos = 0; pos < total;) {
          size_t n = std::min(total - pos, flushEvery ? flushEvery : total);
          z.writeBytes(in.data() + pos, n);
          pos += n;
          if (flushEvery)
            z.flushCompressed();
        }
        z.flushCompressed();
        EXPECT_EQ(z.length(), total);
        ASSERT_GE(mem.length(), 6u);
        const uint8_t* tail = mem.data() + mem.length() - 4;
        EXPECT_EQ(Bytes(tail, tail + 4), Bytes({0, 0, 0xff, 0xff}));
        EXPECT_EQ(inflateSynced(mem, total), in);
      }
    }
  }
}

// The stream starts like the single-threaded one, is not much larger, and
// a flush with nothing new emits nothing.
TEST(ParallelZlibOutStream, ComparesWithTheSingleStream)
{
  Bytes in = sample(Chunk * 40);
  for (int level : {-1, 1, 9}) {
    rdr::MemOutStream one, many;
    rdr::ZlibOutStream z1(&one, 0, level);
    z1.writeBytes(in.data(), in.size());
    z1.flushCompressed();
    {
      rdr::ParallelZlibOutStream zn(&many, 2, level, Chunk * 8);
      zn.writeBytes(in.data(), in.size());
      zn.flushCompressed();
      size_t len = many.length();
      zn.flushCompressed();
      EXPECT_EQ(many.length(), len);
    }
    EXPECT_EQ(Bytes(one.data(), one.data() + 2),
              Bytes(many.data(), many.data() + 2));
    EXPECT_LE(many.length(), one.length() * 101 / 100) << level;
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
  rdr::ParallelZlibOutStream z(nullptr, 1, 6, Chunk);
  EXPECT_EQ(thrownMessage<plat::Exception>([&] { z.check(Chunk + 1); }),
            "ParallelZlibOutStream overrun: max itemSize exceeded");
}
