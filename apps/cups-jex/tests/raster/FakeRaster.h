// Scripted raster streams for the test double of the CUPS imaging library
// (tests/fakecups).
#pragma once

#include "TestFiles.h"
#include "fakecups/fakecupsimage.h"

#include <cstdint>
#include <cstring>
#include <string>

namespace rastertest {

using jextest::TempDir;

// The colour of pixel (x, y) of page n, as red, green, blue.
inline void pixelAt(int n, int x, int y, uint8_t rgb[3])
{
  rgb[0] = (uint8_t)(x * 7 + n);
  rgb[1] = (uint8_t)(y * 3);
  rgb[2] = (uint8_t)((x ^ y) & 0xf0);
}

// pixelAt as a 0xRRGGBB value.
inline uint32_t pixelValue(int n, int x, int y)
{
  uint8_t rgb[3];
  pixelAt(n, x, y, rgb);
  return (uint32_t)rgb[0] << 16 | (uint32_t)rgb[1] << 8 | rgb[2];
}

inline cups_page_header_t rgbHeader(unsigned w, unsigned h,
                                    unsigned bytesPerLine = 0)
{
  cups_page_header_t hdr;
  memset(&hdr, 0, sizeof(hdr));
  hdr.HWResolution[0] = hdr.HWResolution[1] = 300;
  hdr.PageSize[0] = 595;
  hdr.PageSize[1] = 842;
  hdr.cupsWidth = w;
  hdr.cupsHeight = h;
  hdr.cupsBitsPerColor = 8;
  hdr.cupsBitsPerPixel = 24;
  hdr.cupsBytesPerLine = bytesPerLine ? bytesPerLine : w * 3;
  hdr.cupsColorSpace = CUPS_CSPACE_RGB;
  return hdr;
}

class FakeStream {
public:
  // A page whose lines hold pixelAt(n, ...) followed by padding bytes 0xee.
  // keepLines < height cuts the stream inside the page.
  void addPage(const cups_page_header_t& h, int n, int keepLines = -1)
  {
    addHeader(h);
    for (int y = 0; y < (keepLines < 0 ? (int)h.cupsHeight : keepLines); y++) {
      std::string line(h.cupsBytesPerLine, '\xee');
      for (unsigned x = 0; x < h.cupsWidth; x++)
        pixelAt(n, (int)x, y, (uint8_t*)&line[x * 3]);
      bytes += line;
    }
  }
  void addHeader(const cups_page_header_t& h)
  {
    bytes += FAKE_CUPS_PAGE_TAG + std::string((const char*)&h, sizeof(h));
  }

  std::string bytes;
};

} // namespace rastertest
