// Compression for the targets that feed the ZRLE decoder: the fuzzer's
// bytes become the decoder's uncompressed tile data, so that mutations
// reach the tile parser instead of dying in zlib's checks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace jexfuzz {

// One zlib stream. compress() appends the compressed form of its bytes to
// out, ending at a sync-flush point as the encoder's rectangles do (no
// final block); the first call's output starts with the zlib header, later
// calls continue the same stream.
class Deflater {
public:
  Deflater();
  ~Deflater();
  Deflater(const Deflater&) = delete;
  Deflater& operator=(const Deflater&) = delete;
  void compress(const uint8_t* data, size_t len, std::vector<uint8_t>& out);

private:
  struct State;
  State* s_;
};

} // namespace jexfuzz
