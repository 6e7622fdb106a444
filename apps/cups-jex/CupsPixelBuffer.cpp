#include "CupsPixelBuffer.h"

#include "CupsRasterFns.h"

#include "JobError.h"

#include <plat/Assert.h>
#include <plat/Exception.h>
#include <rfb/PageFileFormat.h>

#include <algorithm>
#include <cstring>

namespace cupsraster {

namespace {

// Red, green, blue bytes in memory order.
const rfb::PixelFormat& rasterRgbFormat()
{
  static const rfb::PixelFormat pf(24, 24, false, true, 255, 255, 255, 0, 8,
                                   16);
  return pf;
}

// A page larger than the page file can hold would be written and then be
// unreadable.
const uint32_t MaxPageSide = rfb::pagefile::MaxPageSide;
// Generous room for padded lines, but no absurd allocation from a bad
// header.
const uint32_t MaxBytesPerLine = 1u << 24;

} // namespace

CupsPixelBuffer::CupsPixelBuffer(cups_raster_t* raster)
    : rfb::PixelBuffer(rasterRgbFormat(), rfb::Rect()), raster_(raster),
      pageOpen_(false), grey_(NotGrey), nextLine_(0)
{
  memset(&header_, 0, sizeof(header_));
}

CupsPixelBuffer::~CupsPixelBuffer()
{
  try {
    cupsraster::cupsRasterClose(raster_);
  } catch (...) {
    // A handle exists only if the library was bound, so this cannot throw
    // in practice; a destructor must not let it out anyway.
  }
}

bool CupsPixelBuffer::nextPage()
{
  if (pageOpen_) {
    cache_.resize(header_.cupsBytesPerLine);
    for (; nextLine_ < (int)header_.cupsHeight; nextLine_++)
      (void)cupsraster::cupsRasterReadPixels(raster_, cache_.data(),
                                             header_.cupsBytesPerLine);
    pageOpen_ = false;
  }

  if (!cupsraster::cupsRasterReadHeader(raster_, &header_))
    return false;

  pageOpen_ = true;
  cacheRect_ = rfb::Rect();
  nextLine_ = 0;

  // The colour space is whatever number the job put there, which need not
  // be one of the enumeration's values (loading such an enum is undefined):
  // read it as the integer it is stored as.
  static_assert(sizeof(header_.cupsColorSpace) == sizeof(int32_t),
                "cups_cspace_t is stored as 32 bits");
  int32_t colorSpace;
  memcpy(&colorSpace, &header_.cupsColorSpace, sizeof(colorSpace));
  int32_t order;
  memcpy(&order, &header_.cupsColorOrder, sizeof(order));
  const uint32_t bits = header_.cupsBitsPerPixel;
  bool rgb = bits == 24 && order == CUPS_ORDER_CHUNKED &&
             (colorSpace == CUPS_CSPACE_RGB || colorSpace == CUPS_CSPACE_SRGB ||
              colorSpace == CUPS_CSPACE_ADOBERGB);
  bool grey = bits == 8 &&
              (colorSpace == CUPS_CSPACE_W || colorSpace == CUPS_CSPACE_SW ||
               colorSpace == CUPS_CSPACE_K);
  if (header_.cupsBitsPerColor != 8 || !(rgb || grey)) {
    throw JobError(StatusCancelJob,
                   "Page has unsupported pixel-format: cupsBitsPerColor %u, "
                   "cupsBitsPerPixel %u, cupsColorSpace %d, cupsColorOrder %d",
                   header_.cupsBitsPerColor, bits, (int)colorSpace, (int)order);
  }
  grey_ = grey ? (colorSpace == CUPS_CSPACE_K ? Inverted : Luminance) : NotGrey;

  // The header comes from the job: check the sizes against each other
  // before they decide any allocation.
  if (header_.cupsWidth > MaxPageSide || header_.cupsHeight > MaxPageSide ||
      header_.cupsBytesPerLine < (uint64_t)header_.cupsWidth * (bits / 8) ||
      header_.cupsBytesPerLine > MaxBytesPerLine) {
    throw JobError(StatusCancelJob,
                   "Invalid CUPS page header: %ux%u pixels, %u bytes per line",
                   header_.cupsWidth, header_.cupsHeight,
                   header_.cupsBytesPerLine);
  }

  format = rasterRgbFormat();
  rect = rfb::Rect(0, 0, (int)header_.cupsWidth, (int)header_.cupsHeight);
  return true;
}

void CupsPixelBuffer::readLine(uint8_t* dst)
{
  uint8_t* into = grey_ == NotGrey ? dst : line_.data();
  unsigned n =
      cupsraster::cupsRasterReadPixels(raster_, into, header_.cupsBytesPerLine);
  if (n != header_.cupsBytesPerLine)
    throw JobError(StatusCancelJob, "Unexpected end of CUPS page data");
  nextLine_++;
  if (grey_ == NotGrey)
    return;
  const uint8_t flip = grey_ == Inverted ? 0xff : 0;
  for (uint32_t x = 0; x < header_.cupsWidth; x++)
    memset(dst + 3 * x, line_[x] ^ flip, 3);
}

const uint8_t* CupsPixelBuffer::getPixelsR(const rfb::Rect& r, int* stride)
{
  if (r.isEmpty())
    return cache_.data();

  int width = (int)header_.cupsWidth;
  *stride = width;
  const int bpp = 3; // the cache always holds red, green, blue
  size_t rowBytes = (size_t)width * bpp;

  if (cacheRect_.encloses(r)) {
    return cache_.data() +
           bpp * (r.tl.x + (size_t)width * (r.tl.y - cacheRect_.tl.y));
  }

  PLAT_ASSERT_THROW(r.tl.y >= cacheRect_.br.y);

  cacheRect_ = rfb::Rect(0, r.tl.y, width, r.br.y);
  // An RGB line is read whole at its row position: the library may deliver
  // more than rowBytes per line, and that padding is overwritten by the
  // next row. A grey line is read aside and expanded into its row.
  size_t bandHeight = (size_t)cacheRect_.height();
  size_t lastRow = grey_ == NotGrey ? header_.cupsBytesPerLine : rowBytes;
  // Lines above the band are read into the cache and dropped.
  cache_.resize(std::max((bandHeight - 1) * rowBytes + lastRow,
                         (size_t)header_.cupsBytesPerLine));
  line_.resize(grey_ == NotGrey ? 0 : header_.cupsBytesPerLine);

  while (nextLine_ < r.tl.y) {
    (void)cupsraster::cupsRasterReadPixels(raster_, cache_.data(),
                                           header_.cupsBytesPerLine);
    nextLine_++;
  }
  for (size_t i = 0; i < bandHeight; i++)
    readLine(cache_.data() + i * rowBytes);

  return cache_.data() + bpp * r.tl.x;
}

} // namespace cupsraster
