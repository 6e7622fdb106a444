// jex-sample-raster: writes a sample CUPS raster job to standard output,
// through the real CUPS imaging library (the backend never links it).
//
//   jex-sample-raster [--pages N] [--size WxH] [--dpi D] [--paper letter|a4]
//                     [--spaces S,...]
//
// Defaults: 3 pages, 300 x 400 pixels at 100 dpi, A4 paper, RGB. Page n is
// in colour space n of the --spaces list, taken round: rgb, srgb, adobergb
// (24 bits), w, sw, k (8 bits: the pattern's red byte) or cmyk (32 bits:
// red, green, blue, 0).

#include "SamplePattern.h"

#include <cups/raster.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

struct SamplePage {
  unsigned width, height; // pixels
  unsigned dpi;           // both resolutions
  unsigned pageWidthPt, pageHeightPt;
  cups_cspace_t space;
};

const struct {
  const char* name;
  cups_cspace_t space;
  unsigned bytes; // per pixel
} spaces[] = {
    {"rgb", CUPS_CSPACE_RGB, 3},
    {"srgb", CUPS_CSPACE_SRGB, 3},
    {"adobergb", CUPS_CSPACE_ADOBERGB, 3},
    {"w", CUPS_CSPACE_W, 1},
    {"sw", CUPS_CSPACE_SW, 1},
    {"k", CUPS_CSPACE_K, 1},
    {"cmyk", CUPS_CSPACE_CMYK, 4},
};

bool writeSampleRaster(int fd, const SamplePage* pages, int count)
{
  cups_raster_t* r = cupsRasterOpen(fd, CUPS_RASTER_WRITE);
  if (!r)
    return false;
  bool ok = true;
  for (int n = 0; n < count && ok; n++) {
    const SamplePage& p = pages[n];
    cups_page_header2_t h;
    memset(&h, 0, sizeof(h));
    h.HWResolution[0] = h.HWResolution[1] = p.dpi;
    h.PageSize[0] = p.pageWidthPt;
    h.PageSize[1] = p.pageHeightPt;
    h.cupsWidth = p.width;
    h.cupsHeight = p.height;
    h.cupsBitsPerColor = 8;
    unsigned bpp = 3;
    for (const auto& s : spaces)
      bpp = s.space == p.space ? s.bytes : bpp;
    h.cupsBitsPerPixel = 8 * bpp;
    h.cupsBytesPerLine = p.width * bpp;
    h.cupsColorOrder = CUPS_ORDER_CHUNKED;
    h.cupsColorSpace = p.space;
    h.NumCopies = 1;
    if (!cupsRasterWriteHeader2(r, &h)) {
      ok = false;
      break;
    }
    std::vector<uint8_t> line(h.cupsBytesPerLine);
    for (unsigned y = 0; y < p.height && ok; y++) {
      for (unsigned x = 0; x < p.width; x++) {
        uint8_t rgb[3];
        jextools::samplePixel(n, x, y, rgb);
        memcpy(&line[x * bpp], rgb, bpp < 3 ? bpp : 3);
      }
      ok = cupsRasterWritePixels(r, line.data(), h.cupsBytesPerLine) ==
           h.cupsBytesPerLine;
    }
  }
  cupsRasterClose(r);
  return ok;
}

} // namespace

int main(int argc, char** argv)
{
  int pages = 3;
  unsigned w = 300, h = 400, dpi = 100, pw = 595, ph = 842;
  std::vector<cups_cspace_t> pageSpaces;
  for (int i = 1; i < argc; i++) {
    if (!strcmp(argv[i], "--pages") && i + 1 < argc)
      pages = atoi(argv[++i]);
    else if (!strcmp(argv[i], "--size") && i + 1 < argc &&
             sscanf(argv[i + 1], "%ux%u", &w, &h) == 2)
      i++;
    else if (!strcmp(argv[i], "--dpi") && i + 1 < argc)
      dpi = (unsigned)atoi(argv[++i]);
    else if (!strcmp(argv[i], "--paper") && i + 1 < argc) {
      const char* p = argv[++i];
      if (!strcmp(p, "letter")) {
        pw = 612;
        ph = 792;
      } else {
        pw = 595;
        ph = 842;
      }
    } else if (!strcmp(argv[i], "--spaces") && i + 1 < argc) {
      for (char* t = strtok(argv[++i], ","); t; t = strtok(nullptr, ",")) {
        for (const auto& s : spaces) {
          if (!strcmp(t, s.name))
            pageSpaces.push_back(s.space);
        }
      }
    } else {
      fprintf(stderr, "usage: jex-sample-raster [--pages N] [--size WxH]"
                      " [--dpi D] [--paper letter|a4] [--spaces S,...]\n");
      return 2;
    }
  }
  if (pageSpaces.empty())
    pageSpaces.push_back(CUPS_CSPACE_RGB);
  std::vector<SamplePage> list;
  for (int n = 0; n < pages; n++)
    list.push_back({w, h, dpi, pw, ph, pageSpaces[n % pageSpaces.size()]});
  if (!writeSampleRaster(1, list.data(), (int)list.size())) {
    fprintf(stderr, "jex-sample-raster: writing the raster failed\n");
    return 1;
  }
  return 0;
}
