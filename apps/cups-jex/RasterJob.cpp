#include "RasterJob.h"

#include "CupsPixelBuffer.h"
#include "CupsRasterFns.h"
#include "JobError.h"
#include "JobFile.h"
#include "PageHeader.h"

#include <rfb/TransPixelBuffer.h>
#include <rfbenc/PageEncoder.h>

namespace cupsraster {

void convertRasterJob(int fd, const char* inputName, JobFileSet& files,
                      const char* jobId, std::vector<plat::String>& pages)
{
  cups_raster_t* raster = cupsraster::cupsRasterOpen(fd, CUPS_RASTER_READ);
  if (!raster) {
    throw JobError(StatusCancelJob, "cupsRasterOpen('%s') failed", inputName);
  }

  CupsPixelBuffer page(raster);
  for (int n = 0; page.nextPage(); n++) {
    plat::String name = plat::String::format("jex-%s-%d.zrle", jobId, n);
    JobFile file(files, name.c_str());

    const cups_page_header_t& h = page.header();
    writePageHeader(file,
                    makePageHeader((int32_t)h.cupsWidth, (int32_t)h.cupsHeight,
                                   h.HWResolution[0], h.HWResolution[1],
                                   h.PageSize[0], h.PageSize[1]));

    rfb::TransPixelBuffer native;
    native.setPF(rfb::PixelFormat::nativeRgb888());
    native.setPixelBuffer(&page);
    rfb::encodePage(file, native, rfb::encoderThreads);
    file.finish();

    pages.push_back(file.path());
  }
}

} // namespace cupsraster
