#include "PageOutput.h"

#include "PdfWriter.h"
#include "PngWriter.h"

#include <rfbdec/PageReader.h>

#include <cstring>
#include <vector>

namespace agent {

void renderPage(rfb::PageReader& page, PngWriter* png, PdfWriter* pdf)
{
  const rfb::PageFile::Header& h = page.header();
  if (pdf)
    pdf->beginPage(h.width, h.height, h.physWidth, h.physHeight);
  std::vector<uint8_t> row(size_t(h.width) * 3);
  page.decodeBands([&](int, int rows, const uint8_t* pixels) {
    for (int y = 0; y < rows; y++) {
      const uint8_t* src = pixels + size_t(y) * h.width * 4;
      uint8_t* dst = row.data();
      for (uint32_t x = 0; x < h.width; x++, src += 4, dst += 3) {
        // Native-endian 32-bit pixels: red in bits 16-23, blue in 0-7.
        uint32_t p;
        memcpy(&p, src, 4);
        dst[0] = uint8_t(p >> 16);
        dst[1] = uint8_t(p >> 8);
        dst[2] = uint8_t(p);
      }
      if (png)
        png->writeRow(row.data());
      if (pdf)
        pdf->writeRow(row.data());
    }
  });
  if (png)
    png->finish();
  if (pdf)
    pdf->endPage();
}

} // namespace agent
