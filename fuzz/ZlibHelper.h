// Compression for the targets that feed the ZRLE decoder: the fuzzer's
// bytes become the decoder's uncompressed tile data, so that mutations
// reach the tile parser instead of dying in zlib's checks.
#pragma once

#include <zlib.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace jexfuzz {

// One zlib stream: each compress() appends its bytes to out up to a
// sync-flush point, as the encoder's rectangles end.
class Deflater {
public:
  Deflater()
  {
    if (deflateInit(&zs_, 1) != Z_OK)
      abort();
  }
  ~Deflater() { deflateEnd(&zs_); }
  Deflater(const Deflater&) = delete;
  Deflater& operator=(const Deflater&) = delete;

  void compress(const uint8_t* data, size_t len, std::vector<uint8_t>& out)
  {
    zs_.next_in = const_cast<Bytef*>(data);
    zs_.avail_in = uInt(len);
    uint8_t buf[4096];
    do {
      zs_.next_out = buf;
      zs_.avail_out = sizeof(buf);
      deflate(&zs_, Z_SYNC_FLUSH);
      out.insert(out.end(), buf, buf + (sizeof(buf) - zs_.avail_out));
    } while (zs_.avail_out == 0 || zs_.avail_in > 0);
  }

private:
  z_stream zs_{};
};

} // namespace jexfuzz
