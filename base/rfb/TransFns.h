// Pixel translation functions, used by TransPixelBuffer.
//
// Two kinds:
//  - byte shuffles, for true-colour pairs whose channels are whole bytes and
//    differ only in their order (the backend's 24-to-32-bit road is one);
//  - one table-driven family over input and output sizes of 8, 16, 24 and
//    32 bits: each input channel indexes its own table whose entries are
//    already in output position, and the output pixel is their sum (their
//    OR for true colour, where the entries occupy disjoint bits).
// Pixels of 8, 16 and 32 bits are native integers; 24-bit pixels are three
// bytes, least significant first. Every access goes through memcpy or
// bytes, so rows need no alignment.
#pragma once

#include <rfb/PixelFormat.h>

#include <cstdint>
#include <memory>

namespace rfb {

class ColorCubeOrth;

// Translates w x h pixels; strides are in pixels of their own side.
typedef void (*ShuffleFn)(const uint8_t* in, int inStride, uint8_t* out,
                          int outStride, int w, int h);

// The shuffle that turns `in` into `out`, or null when none applies. Both
// formats must already be native-endian true colour with byte channels.
ShuffleFn findShuffle(const PixelFormat& in, const PixelFormat& out);

// Channel tables for the table-driven family. Owns its memory.
class TransTables {
public:
  // Tables from native-endian true colour `in` to true colour `out`. Entry
  // i of a channel is round(i * outMax / inMax) in the output channel's
  // place, byte-swapped for a big-endian output. Throws std::bad_alloc.
  void buildTrueColour(const PixelFormat& in, const PixelFormat& out);
  // Tables from native-endian true colour `in` to indices of `cube`, in
  // an output colour-map format `out`.
  void buildToCube(const PixelFormat& in, const PixelFormat& out,
                   const ColorCubeOrth& cube);

  // Translates w x h pixels of inBpp bits to outBpp bits.
  void translate(const uint8_t* in, int inStride, uint8_t* out, int outStride,
                 int w, int h) const;

  // The member of the family for a pair of sizes.
  typedef void (*Fn)(const TransTables& t, const uint8_t* in, int inStride,
                     uint8_t* out, int outStride, int w, int h);

  const void* table[3] = {nullptr, nullptr, nullptr}; // red, green, blue
  uint32_t inMax[3] = {0, 0, 0};
  int inShift[3] = {0, 0, 0};

private:
  template <class Entry>
  void build(const PixelFormat& in, const PixelFormat& out,
             const ColorCubeOrth* cube);

  std::unique_ptr<uint8_t[]> mem;
  Fn fn = nullptr;
};

} // namespace rfb
