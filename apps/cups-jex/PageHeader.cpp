#include "PageHeader.h"

#include <rdr/OutStream.h>

namespace cupsraster {

namespace {

struct PaperRow {
  uint32_t code, maxWidth, maxHeight;
};

// Searched in order; limits in points. The codes are the paper numbers
// session agents print with (1 Letter, 5 Legal, 8 A3, 9 A4, 11 A5, 27 DL,
// ...); the limits are ours, rounded up so that a page a little larger than
// its nominal size still finds its paper.
const PaperRow paperTable[] = {
    {27, 312, 624},  {31, 323, 459}, {11, 420, 595}, {28, 459, 649},
    {13, 516, 729},  {10, 538, 781}, {2, 552, 730},  {9, 595, 842},
    {1, 612, 792},   {5, 612, 1008}, {30, 649, 918}, {42, 709, 1001},
    {12, 729, 1032}, {3, 792, 1224}, {8, 842, 1191}, {4, 1224, 792},
};

} // namespace

uint32_t paperCode(uint32_t widthPt, uint32_t heightPt)
{
  for (const PaperRow& row : paperTable) {
    if (row.maxWidth >= widthPt && row.maxHeight >= heightPt)
      return row.code;
  }
  return PaperCodeLargest;
}

uint32_t tenthsOfMm(int32_t pixels, uint32_t dpi)
{
  // The header comes from the job: a zero resolution or an absurd size must
  // not turn into an undefined float-to-integer conversion.
  if (dpi == 0 || pixels <= 0)
    return 0;
  double v = pixels * 254.0 / dpi + 0.5;
  return v >= 4294967295.0 ? 4294967295u : (uint32_t)v;
}

PageHeader makePageHeader(int32_t width, int32_t height, uint32_t hwRes0,
                          uint32_t hwRes1, uint32_t pageWidthPt,
                          uint32_t pageHeightPt)
{
  PageHeader h;
  h.width = (uint32_t)width;
  h.height = (uint32_t)height;
  h.physWidth = tenthsOfMm(width, hwRes1);
  h.physHeight = tenthsOfMm(height, hwRes0);
  h.paperCode = paperCode(pageWidthPt, pageHeightPt);
  return h;
}

void writePageHeader(rdr::OutStream& os, const PageHeader& h)
{
  using namespace rfb::pagefile;
  uint32_t words[HeaderWords];
  words[WordWidth] = h.width;
  words[WordHeight] = h.height;
  words[WordPhysWidth] = h.physWidth;
  words[WordPhysHeight] = h.physHeight;
  words[WordPaperCode] = h.paperCode;
  words[WordConstant] = ConstantValue;
  for (uint32_t w : words)
    os.writeU32(w);
}

} // namespace cupsraster
