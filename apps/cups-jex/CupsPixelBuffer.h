// The current page of a CUPS raster stream as a read-only pixel buffer.
//
// The encoder pulls a page band by band through getPixelsR; the buffer reads
// raster lines only as they are asked for and keeps only the band being
// served, so memory stays at one band of rows whatever the page size. Rows
// must be asked for from top to bottom: a rectangle inside the current band
// is served again from the cache, one below it starts a new band, and one
// that starts above the band's end is an error (plat::AssertionFail).
//
// The CUPS imaging library is reached only through the run-time wrappers of
// CupsRasterFns.h. Accepted pages, 8 bits per colour: chunked RGB (device
// RGB, sRGB, Adobe RGB) and grey (luminance W or SW, and K, its inverse),
// which is expanded; the buffer always serves the three bytes red, green,
// blue of each pixel.
#pragma once

#include <rfb/PixelBuffer.h>

#include <cups/raster.h>

#include <cstdint>
#include <vector>

namespace cupsraster {

class CupsPixelBuffer : public rfb::PixelBuffer {
public:
  // Takes the raster handle; the destructor closes it.
  explicit CupsPixelBuffer(cups_raster_t* raster);
  ~CupsPixelBuffer() override;
  CupsPixelBuffer(const CupsPixelBuffer&) = delete;
  CupsPixelBuffer& operator=(const CupsPixelBuffer&) = delete;

  // Reads and drops what is left of the current page, then the next page
  // header. True when a page is now current, false at the end of the job.
  // Throws JobError (StatusCancelJob) for a page of another pixel format or
  // a header whose sizes do not agree with each other or exceed 32767
  // pixels a side.
  bool nextPage();

  // Pointer into the band cache; *stride is the page width in pixels.
  // Reads raster lines as needed (blocks on the raster's descriptor). Throws
  // JobError "Unexpected end of CUPS page data" on a short line.
  const uint8_t* getPixelsR(const rfb::Rect& r, int* stride) override;

  const cups_page_header_t& header() const { return header_; }

private:
  enum Grey { NotGrey, Luminance, Inverted };
  // Reads the next line into a cache row of red, green, blue.
  void readLine(uint8_t* dst);

  cups_page_header_t header_;
  cups_raster_t* raster_;
  bool pageOpen_;
  Grey grey_;
  std::vector<uint8_t> cache_;
  std::vector<uint8_t> line_; // a grey line before expansion
  rfb::Rect cacheRect_;
  int nextLine_;
};

} // namespace cupsraster
