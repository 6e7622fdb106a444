#include "TestStreams.h"

#include <rdr/MemOutStream.h>
#include <rdr/ParallelZlibOutStream.h>

#include <gtest/gtest.h>

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

} // namespace

// Whatever the sizes, workers and flushes, the output inflates to the
// input: every chunk's dictionary is the data right before it, across
// flushes too. A flush with nothing new emits nothing.
TEST(ParallelZlibOutStream, InflatesToTheInput)
{
  int workers = 0;
  for (size_t total : {size_t(1), Chunk, Chunk * 7 + 5}) {
    for (size_t flushEvery : {total, Chunk / 3 + 1, size_t(50000)}) {
      workers = workers % 3 + 1;
      SCOPED_TRACE(std::to_string(total) + " flush " +
                   std::to_string(flushEvery));
      Bytes in = sample(total);
      rdr::MemOutStream mem;
      rdr::ParallelZlibOutStream z(&mem, workers, 6, Chunk);
      for (size_t pos = 0; pos < total; pos += flushEvery) {
        z.writeBytes(in.data() + pos, std::min(total - pos, flushEvery));
        z.flushCompressed();
      }
      const size_t len = mem.length();
      z.flushCompressed();
      EXPECT_EQ(mem.length(), len);
      EXPECT_EQ(rdrtest::inflateAll(mem.data(), mem.length()), in);
    }
  }
}
