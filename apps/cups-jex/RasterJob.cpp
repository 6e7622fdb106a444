#include "RasterJob.h"

#include "CupsPixelBuffer.h"
#include "CupsRasterFns.h"
#include "JobInput.h"
#include "PageHeader.h"

#include <plat/Exception.h>
#include <rdr/FileOutStream.h>
#include <rfb/TransPixelBuffer.h>
#include <rfbenc/PageEncoder.h>

namespace cupsraster {

void convertRasterJob(const char* inputPath, const char* basePath,
                      std::vector<plat::String>& pages)
{
  // An empty path reads standard input as well.
  JobInput input(inputPath && inputPath[0] ? inputPath : nullptr);

  cups_raster_t* raster =
      cupsraster::cupsRasterOpen(input.fd(), CUPS_RASTER_READ);
  if (!raster) {
    throw plat::ExceptionFmt("cupsRasterOpen('%s') failed",
                             inputPath ? inputPath : "[stdin]");
  }

  CupsPixelBuffer page(raster);
  for (int n = 0; page.nextPage(); n++) {
    plat::String name = plat::String::format("%s-%d.zrle", basePath, n);
    rdr::FileOutStream file(name.c_str());

    const cups_page_header_t& h = page.header();
    writePageHeader(file,
                    makePageHeader((int32_t)h.cupsWidth, (int32_t)h.cupsHeight,
                                   h.HWResolution[0], h.HWResolution[1],
                                   h.PageSize[0], h.PageSize[1]));

    rfb::TransPixelBuffer native;
    native.setPF(rfb::PixelFormat::nativeRgb888());
    native.setPixelBuffer(&page);
    rfb::encodePage(file, native, rfb::encoderThreads);
    file.flush();

    pages.push_back(name);
  }
}

} // namespace cupsraster
