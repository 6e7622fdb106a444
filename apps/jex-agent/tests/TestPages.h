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
};

// Reads a PNG file as RGB; an empty result when it cannot.
inline Png readPng(const std::string& path)
{
  Png p;
  png_image img{};
  img.version = PNG_IMAGE_VERSION;
  if (png_image_begin_read_from_file(&img, path.c_str())) {
    img.format = PNG_FORMAT_RGB;
    p.rgb.resize(PNG_IMAGE_SIZE(img));
    if (png_image_finish_read(&img, nullptr, p.rgb.data(), 0, nullptr))
      p.width = img.width, p.height = img.height;
  }
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
