// Page files and PNG reading for the agent's tests.
#pragma once

#include <SamplePattern.h>
#include <rdr/MemOutStream.h>
#include <rfb/ManagedPixelBuffer.h>
#include <rfb/PageFileFormat.h>
#include <rfbdec/PageFile.h>
#include <rfbenc/PageEncoder.h>

#include <png.h>

#include <cstring>

#include <string>
#include <vector>

namespace agenttest {

// The sample picture of page n, as the backend would write it: w x h pixels
// measuring physW x physH tenths of a millimetre.
inline std::string pageFile(int n, int w, int h, uint32_t physW = 0,
                            uint32_t physH = 0)
{
  rfb::ManagedPixelBuffer pb(rfb::PageFile::pixelFormat(), w, h);
  for (int y = 0; y < h; y++) {
    for (int x = 0; x < w; x++) {
      uint8_t c[3];
      jextools::samplePixel(n, unsigned(x), unsigned(y), c);
      pb.setPixel(x, y, uint32_t(c[0]) << 16 | uint32_t(c[1]) << 8 | c[2]);
    }
  }
  rdr::MemOutStream out;
  for (uint32_t word : {uint32_t(w), uint32_t(h), physW, physH, 9u,
                        uint32_t(rfb::pagefile::ConstantValue)})
    out.writeU32(word);
  rfb::encodePage(out, pb);
  return std::string(reinterpret_cast<const char*>(out.data()), out.length());
}

struct Png {
  unsigned width = 0, height = 0;
  std::vector<uint8_t> rgb;
  png_uint_32 ppmX = 0, ppmY = 0;
};

// Reads an RGB PNG file; an empty result when it cannot.
inline Png readPng(const std::string& path)
{
  Png p;
  FILE* f = fopen(path.c_str(), "rbe");
  if (!f)
    return p;
  png_structp png =
      png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png)) == 0) {
    png_init_io(png, f);
    png_read_info(png, info);
    int unit = 0;
    png_get_pHYs(png, info, &p.ppmX, &p.ppmY, &unit);
    p.width = png_get_image_width(png, info);
    p.height = png_get_image_height(png, info);
    p.rgb.resize(size_t(p.width) * p.height * 3);
    for (unsigned y = 0; y < p.height; y++)
      png_read_row(png, p.rgb.data() + size_t(y) * p.width * 3, nullptr);
  } else {
    p = Png();
  }
  png_destroy_read_struct(&png, &info, nullptr);
  fclose(f);
  return p;
}

// Pixels of page n's sample picture that the image does not match.
inline long wrongPixels(const Png& p, int n)
{
  long wrong = 0;
  for (unsigned y = 0; y < p.height; y++) {
    for (unsigned x = 0; x < p.width; x++) {
      uint8_t c[3];
      jextools::samplePixel(n, x, y, c);
      wrong += memcmp(c, &p.rgb[(size_t(y) * p.width + x) * 3], 3) != 0;
    }
  }
  return wrong;
}

} // namespace agenttest
