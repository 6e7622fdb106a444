// The layout of one pixel in memory.
//
// A PixelFormat gives a pixel's size (`bpp`), its number of significant
// bits (`depth`), the byte order of multi-byte pixels and either the
// position and width of each colour channel (true colour) or that the pixel
// is a colour-map index. It is a plain value: copy and compare it freely.
//
// A pixel value is the integer formed from the pixel's bytes in the order
// `bigEndian` names; a channel is that value shifted right by the channel's
// shift and masked with its max. The channel fields mean something only in
// true colour; an alphaMax of 0 means there is no alpha channel.
//
// The well-known formats are process-wide constants built on first use
// (thread-safe) and read-only afterwards.
#pragma once

#include <cstdint>

namespace rdr {
class InStream;
class OutStream;
} // namespace rdr

namespace rfb {

class PixelFormat {
public:
  // Room print() needs, terminator included.
  enum { PrintSize = 128 };

  // 8 bpp, depth 8, true colour: red 7 at 0, green 7 at 3, blue 3 at 6
  // (the format "bgr233" names).
  PixelFormat();
  PixelFormat(int bpp, int depth, bool bigEndian, bool trueColour, int redMax,
              int greenMax, int blueMax, int redShift, int greenShift,
              int blueShift, int alphaMax = 0, int alphaShift = 0);

  // bpp 8/16/24/32, 1 <= depth <= bpp, colour-map depth at most 8, and in
  // true colour every channel's bits (counted set bits of its max) fit
  // above its shift.
  bool isValid() const;
  // Readable as a native integer on the (little-endian) target.
  bool isNativeEndian() const { return bpp == 8 || !bigEndian; }
  // Field equality, ignoring byte order at 8 bpp and the channel fields of
  // colour-map formats.
  bool equal(const PixelFormat& other) const;
  bool operator==(const PixelFormat& o) const { return equal(o); }
  bool operator!=(const PixelFormat& o) const { return !equal(o); }
  // Every channel (alpha included) is at most 8 bits and starts on a byte
  // boundary.
  bool hasByteChannels() const;
  // Rewrites a big-endian format as the little-endian format describing the
  // same bytes in memory. Returns false, changing nothing, when a
  // multi-byte format's channels are not whole bytes.
  bool makeNativeEndian();

  // The 16-byte wire form. Both throw what the stream throws and block as
  // the stream does. read() drops the alpha fields unless alphaMax is set
  // and depth counts every channel bit, alpha included.
  void write(rdr::OutStream& os) const;
  void read(rdr::InStream& is);

  // Sets the format from a short name: "palN" (N 1..8) or "rgbXYZ" /
  // "bgrXYZ" with digits 1..9 giving channel widths from the most
  // significant channel down; the prefix is case-insensitive. Returns false
  // on a bad name (trueColour may already have been set by then).
  bool parse(const char* name);
  // Writes a description such as "depth 24 (32 bpp) little-endian rgb888"
  // into buf, a buffer of PrintSize bytes, truncating if needed.
  void print(char* buf) const;

  // Well-known formats, all little-endian and without alpha unless named.
  static const PixelFormat& rgb888(); // 32 bpp, red 16 green 8 blue 0
  static const PixelFormat& bgr888(); // 32 bpp, red 0 green 8 blue 16
  static const PixelFormat& rgb565();
  static const PixelFormat& rgb555();
  static const PixelFormat& rgb222();
  static const PixelFormat& rgb111();
  static const PixelFormat& colourMap8(); // 8-bit colour-map index
  static const PixelFormat& argb8888();   // rgb888 with alpha 255 at 24
  // makeNativeEndian() forms of the 32-bit formats; on the little-endian
  // target they equal their sources.
  static const PixelFormat& nativeRgb888();
  static const PixelFormat& nativeArgb8888();
  static const PixelFormat& nativeBgr888();
  static const PixelFormat& nativeAbgr8888();

  uint8_t bpp;
  uint8_t depth;
  bool bigEndian;
  bool trueColour;
  uint16_t redMax;
  uint16_t greenMax;
  uint16_t blueMax;
  uint16_t alphaMax;
  uint8_t redShift;
  uint8_t greenShift;
  uint8_t blueShift;
  uint8_t alphaShift;
};

} // namespace rfb
