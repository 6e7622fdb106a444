#include "CupsPixelBuffer.h"

#include "CupsRasterFns.h"

#include <plat/Assert.h>
#include <plat/Exception.h>

#include <cstdio>
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

// Page sizes travel in 16-bit fields of the page data, and a band of a
// larger page would not be "one band of rows" any more.
const uint32_t MaxPageSide = 65535;
// Generous room for padded lines, but no absurd allocation from a bad
// header.
const uint32_t MaxBytesPerLine = 1u << 24;

} // namespace

CupsPixelBuffer::CupsPixelBuffer(cups_raster_t* raster)
    : rfb::PixelBuffer(rasterRgbFormat(), rfb::Rect()), raster_(raster),
      pageOpen_(false), nextLine_(0)
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
  if (header_.cupsBitsPerColor != 8 || header_.cupsBitsPerPixel != 24 ||
      colorSpace != CUPS_CSPACE_RGB) {
    fprintf(stderr,
            "Page has unsupported pixel-format:\ncupsBitsPerColor: %d\n"
            "cupsBitsPerPixel: %d\ncupsColorSpace: %d\n",
            (int)header_.cupsBitsPerColor, (int)header_.cupsBitsPerPixel,
            (int)colorSpace);
    return false;
  }

  // The header comes from the job: check the sizes against each other
  // before they decide any allocation.
  if (header_.cupsWidth > MaxPageSide || header_.cupsHeight > MaxPageSide ||
      header_.cupsBytesPerLine < (uint64_t)header_.cupsWidth * 3 ||
      header_.cupsBytesPerLine > MaxBytesPerLine) {
    throw plat::ExceptionFmt(
        "Invalid CUPS page header: %ux%u pixels, %u bytes per line",
        header_.cupsWidth, header_.cupsHeight, header_.cupsBytesPerLine);
  }

  format = rasterRgbFormat();
  rect = rfb::Rect(0, 0, (int)header_.cupsWidth, (int)header_.cupsHeight);
  return true;
}

void CupsPixelBuffer::readLine(uint8_t* dst)
{
  unsigned n =
      cupsraster::cupsRasterReadPixels(raster_, dst, header_.cupsBytesPerLine);
  if (n != header_.cupsBytesPerLine)
    throw plat::Exception("Unexpected end of CUPS page data");
  nextLine_++;
}

const uint8_t* CupsPixelBuffer::getPixelsR(const rfb::Rect& r, int* stride)
{
  if (r.isEmpty())
    return cache_.data();

  int width = (int)header_.cupsWidth;
  *stride = width;
  int bpp = (int)header_.cupsBitsPerPixel / 8;
  size_t rowBytes = (size_t)width * bpp;

  if (cacheRect_.encloses(r)) {
    return cache_.data() +
           bpp * (r.tl.x + (size_t)width * (r.tl.y - cacheRect_.tl.y));
  }

  PLAT_ASSERT_THROW(r.tl.y >= cacheRect_.br.y);

  cacheRect_ = rfb::Rect(0, r.tl.y, width, r.br.y);
  // Every line is read whole at its row position: the library may deliver
  // more than rowBytes per line, and that padding is overwritten by the
  // next row.
  size_t bandHeight = (size_t)cacheRect_.height();
  cache_.resize((bandHeight - 1) * rowBytes + header_.cupsBytesPerLine);

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
