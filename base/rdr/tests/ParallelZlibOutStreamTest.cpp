#include <rdr/MemOutStream.h>
#include <rdr/ParallelZlibOutStream.h>
#include <rdr/ZlibOutStream.h>

#include <gtest/gtest.h>
#include <zlib.h>

#include <vector>

using Bytes = std::vector<uint8_t>;

namespace {

const size_t Chunk = 4096;

// Runs alternating with a block of noise that recurs at distances under
// and over one chunk, so that matches reach into the dictionaries.
Bytes sample(size_t n)
{
  Bytes v(n);
  for (size_t i = 0; i < n; i++)
    v[i] = uint8_t(i / 3000 % 2 ? i / 3000 : (i % 1500) * 2654435761u >> 13);
  return v;
}

// Inflates a zlib stream that stops at a sync-flush point, all of it.
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
        SCOPED_TRACE(testing::Message() << total << " bytes, level " << level
                                        << ", flush " << flushEvery);
        Bytes in = sample(total);
        rdr::MemOutStream mem, single;
        rdr::ParallelZlibOutStream z(&mem, 1 + (level + 1) % 3, level, Chunk);
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
