// A CUPS raster job as the backend reads it: the stream goes through the
// CUPS imaging library (bound at run time) into CupsPixelBuffer, and each
// page through the translation to native rgb888 into the page encoder and
// the page-file header, as the raster conversion does. Only
// plat::Exception may come out. The library itself is not instrumented:
// this target is about what the backend does with the headers and lines
// the library hands over.
#include "../FuzzCheck.h"
#include "../FuzzTargets.h"

#include <CupsPixelBuffer.h>
#include <CupsRasterFns.h>
#include <PageHeader.h>

#include <plat/Exception.h>
#include <rdr/MemOutStream.h>
#include <rfb/TransPixelBuffer.h>
#include <rfbenc/PageEncoder.h>

#include <sys/mman.h>
#include <unistd.h>

#include <cstdio>

namespace jexfuzz {

namespace {

// A descriptor reading the input from its start.
int inputFd(const uint8_t* data, size_t size)
{
  int fd = memfd_create("raster", MFD_CLOEXEC);
  if (fd < 0) {
    FILE* f = tmpfile(); // no memfd (old kernels, some emulators)
    if (!f)
      return -1;
    fd = dup(fileno(f));
    fclose(f);
  }
  size_t done = 0;
  while (done < size) {
    ssize_t n = write(fd, data + done, size - done);
    if (n <= 0)
      break;
    done += size_t(n);
  }
  lseek(fd, 0, SEEK_SET);
  return fd;
}

// Pages larger than this are only read in part: encoding a page of 65535 x
// 65535 that the raster compresses to a few bytes is legitimate work, just
// too slow to fuzz.
const uint64_t MaxEncodedPixels = 1 << 18;

} // namespace

int fuzz_cupsRaster(const uint8_t* data, size_t size)
{
  int fd = inputFd(data, size);
  if (fd < 0)
    return 0;
  cups_raster_t* raster = cupsraster::cupsRasterOpen(fd, CUPS_RASTER_READ);
  if (raster) {
    cupsraster::CupsPixelBuffer page(raster);
    try {
      for (int n = 0; n < 4 && page.nextPage(); n++) {
        const cups_page_header_t& h = page.header();
        cupsraster::PageHeader ph = cupsraster::makePageHeader(
            (int32_t)h.cupsWidth, (int32_t)h.cupsHeight, h.HWResolution[0],
            h.HWResolution[1], h.PageSize[0], h.PageSize[1]);
        FUZZ_CHECK(ph.width == h.cupsWidth && ph.height == h.cupsHeight);
        rfb::Rect r = page.getRect();
        if (uint64_t(r.width()) * uint64_t(r.height()) <= MaxEncodedPixels) {
          rfb::TransPixelBuffer native;
          native.setPF(rfb::PixelFormat::nativeRgb888());
          native.setPixelBuffer(&page);
          rdr::MemOutStream out;
          rfb::encodePage(out, native);
        } else if (!r.isEmpty()) {
          int stride;
          int rows = r.height() < 16 ? r.height() : 16;
          page.getPixelsR(rfb::Rect(0, 0, r.width(), rows), &stride);
          FUZZ_CHECK(stride == r.width());
        }
      }
    } catch (plat::Exception&) {
    }
  }
  close(fd);
  return 0;
}

} // namespace jexfuzz
