// The header at the start of every page file (layout:
// rfb/PageFileFormat.h).
#pragma once

#include <rfb/PageFileFormat.h>

#include <cstdint>

namespace rdr {
class OutStream;
}

namespace cupsraster {

struct PageHeader {
  uint32_t width;
  uint32_t height;
  uint32_t physWidth;
  uint32_t physHeight;
  uint32_t paperCode;
};

enum { PageHeaderSize = rfb::pagefile::HeaderSize, PaperCodeLargest = 4 };

// The paper code for a page of the given size in points: the first row of
// the program's paper table that holds the page, or 4 when none does.
uint32_t paperCode(uint32_t widthPt, uint32_t heightPt);

// Tenths of a millimetre for a pixel count at a resolution, rounded half up.
uint32_t tenthsOfMm(int32_t pixels, uint32_t dpi);

// Fills the header of a raster page. The raster's resolutions arrive as
// (HWResolution[0], HWResolution[1]); the width is measured with the second
// and the height with the first, which is what session agents expect.
PageHeader makePageHeader(int32_t width, int32_t height, uint32_t hwRes0,
                          uint32_t hwRes1, uint32_t pageWidthPt,
                          uint32_t pageHeightPt);

// Writes the header words in their file order.
void writePageHeader(rdr::OutStream& os, const PageHeader& h);

} // namespace cupsraster
