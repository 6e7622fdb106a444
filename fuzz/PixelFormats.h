// Pixel formats the ZRLE targets choose from by one input byte: every
// bpp the decoder takes, both byte orders, CPIXEL layouts of three bytes
// (low and high) and of whole pixels, and a colour map.
#pragma once

#include <rfb/PixelFormat.h>

#include <cstdint>

namespace jexfuzz {

inline rfb::PixelFormat zrleFormat(uint8_t choice)
{
  switch (choice % 9) {
  case 0: return rfb::PixelFormat::nativeRgb888();
  case 1: return rfb::PixelFormat::bgr888();
  case 2: return rfb::PixelFormat::argb8888();
  case 3: return rfb::PixelFormat::rgb565();
  case 4: return rfb::PixelFormat::rgb555();
  case 5: return rfb::PixelFormat(); // bgr233
  case 6: return rfb::PixelFormat::colourMap8();
  // big-endian 32-bit, colour in the high three bytes
  case 7: return rfb::PixelFormat(32, 24, true, true, 255, 255, 255, 24, 16, 8);
  // big-endian rgb565
  default: return rfb::PixelFormat(16, 16, true, true, 31, 63, 31, 11, 5, 0);
  }
}

// The bits of a pixel value that carry colour.
inline uint32_t significantBits(const rfb::PixelFormat& pf)
{
  if (!pf.trueColour)
    return (1u << pf.depth) - 1;
  return uint32_t(pf.redMax) << pf.redShift |
         uint32_t(pf.greenMax) << pf.greenShift |
         uint32_t(pf.blueMax) << pf.blueShift |
         (pf.alphaMax ? uint32_t(pf.alphaMax) << pf.alphaShift : 0);
}

// A pixel value as the format stores it in memory, and back.
inline void storePixel(const rfb::PixelFormat& pf, uint32_t v, uint8_t* out)
{
  int n = pf.bpp / 8;
  for (int i = 0; i < n; i++)
    out[pf.bigEndian ? n - 1 - i : i] = uint8_t(v >> (8 * i));
}

inline uint32_t loadPixel(const rfb::PixelFormat& pf, const uint8_t* in)
{
  int n = pf.bpp / 8;
  uint32_t v = 0;
  for (int i = 0; i < n; i++)
    v |= uint32_t(in[pf.bigEndian ? n - 1 - i : i]) << (8 * i);
  return v;
}

} // namespace jexfuzz
