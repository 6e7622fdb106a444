// Scripted raster streams for the test double of the CUPS imaging library
// (tests/fakecups).
#pragma once

#include "fakecups/fakecupsimage.h"

#include <cstdint>
#include <cstring>
#include <string>

namespace rastertest {

// The sample of pixel (x, y) of page n, channel c.
inline uint8_t sample(int n, int x, int y, int c)
{
  return (uint8_t)(c == 0 ? x * 7 + n : c == 1 ? y * 3 : (x ^ y) & 0xf0);
}

inline cups_page_header_t header(unsigned w, unsigned h, cups_cspace_t space,
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
  bool grey = space == CUPS_CSPACE_W || space == CUPS_CSPACE_SW ||
              space == CUPS_CSPACE_K;
  hdr.cupsBitsPerPixel = grey ? 8 : 24;
  hdr.cupsBytesPerLine = bytesPerLine ? bytesPerLine : w * (grey ? 1 : 3);
  hdr.cupsColorSpace = space;
  return hdr;
}

// Pages whose lines hold sample(n, ...) (channel 0 alone for grey),
// followed by padding bytes 0xee.
struct FakeStream {
  // keepLines < height cuts the stream inside the page.
  void addPage(const cups_page_header_t& h, int n, int keepLines = -1)
  {
    bytes += FAKE_CUPS_PAGE_TAG + std::string((const char*)&h, sizeof(h));
    unsigned bpp = h.cupsBitsPerPixel / 8;
    for (int y = 0; y < (keepLines < 0 ? (int)h.cupsHeight : keepLines); y++) {
      std::string line(h.cupsBytesPerLine, '\xee');
      for (unsigned x = 0; x < h.cupsWidth * bpp; x++)
        line[x] = (char)sample(n, (int)(x / bpp), y, (int)(x % bpp));
      bytes += line;
    }
  }

  std::string bytes;
};

} // namespace rastertest
