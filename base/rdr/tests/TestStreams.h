// Scripted sources and sinks for driving the refill and drain paths of the
// buffered streams in tests, and a reader of compressed output.
#pragma once

#include "../../plat/tests/TestUtil.h"
#include "ChunkInStream.h"

#include <rdr/BufferedOutStream.h>
#include <rdr/MemOutStream.h>

#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace rdrtest {

// Collects what it is given, taking at most `chunk` bytes per call. While
// `blocked`, a call without wait takes nothing.
class ChunkOutStream : public rdr::BufferedLazyOutStream {
public:
  ChunkOutStream(int bufSize, int maxSize, size_t chunk)
      : BufferedLazyOutStream(bufSize, maxSize), chunk_(chunk)
  {
  }

  std::vector<uint8_t> sunk;
  bool blocked = false;

protected:
  size_t writeBuffer(const uint8_t* data, size_t len, bool wait) override
  {
    if (blocked && !wait)
      return 0;
    size_t n = std::min(len, chunk_);
    sunk.insert(sunk.end(), data, data + n);
    return n;
  }

private:
  size_t chunk_;
};

using testutil::thrownMessage;

inline std::vector<uint8_t> bytesOf(const rdr::MemOutStream& out)
{
  return std::vector<uint8_t>(out.data(), out.data() + out.length());
}

inline std::vector<uint8_t> pattern(size_t n)
{
  std::vector<uint8_t> v(n);
  for (size_t i = 0; i < n; i++)
    v[i] = uint8_t(i * 7 + i / 251);
  return v;
}

// Inflates all of data, a zlib stream (raw: without header) that need not
// be finished: encoders end their output at sync-flush points.
inline std::vector<uint8_t> inflateAll(const uint8_t* data, size_t len,
                                       bool raw = false)
{
  z_stream zs{};
  EXPECT_EQ(inflateInit2(&zs, raw ? -15 : 15), Z_OK);
  std::vector<uint8_t> out;
  uint8_t buf[4096];
  zs.next_in = const_cast<uint8_t*>(data);
  zs.avail_in = uInt(len);
  do {
    zs.next_out = buf;
    zs.avail_out = sizeof(buf);
    int rc = inflate(&zs, Z_SYNC_FLUSH);
    EXPECT_TRUE(rc == Z_OK || rc == Z_STREAM_END || rc == Z_BUF_ERROR) << rc;
    out.insert(out.end(), buf, buf + (sizeof(buf) - zs.avail_out));
    if (rc != Z_OK)
      break;
  } while (zs.avail_in > 0 || zs.avail_out == 0);
  EXPECT_EQ(zs.avail_in, 0u);
  inflateEnd(&zs);
  return out;
}

} // namespace rdrtest
