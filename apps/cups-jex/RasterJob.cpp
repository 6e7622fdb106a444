#include "RasterJob.h"

#include "CupsPixelBuffer.h"
#include "CupsRasterFns.h"
#include "PageHeader.h"

#include <plat/Exception.h>
#include <rdr/FileOutStream.h>
#include <rfb/TransPixelBuffer.h>
#include <rfbenc/PageEncoder.h>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace cupsraster {

namespace {

// Closes the job's descriptor unless it is standard input.
class InputFd {
public:
  explicit InputFd(const char* path) : fd_(0)
  {
    if (path && path[0]) {
      fd_ = open(path, O_RDONLY | O_CLOEXEC);
      if (fd_ == -1)
        throw plat::SystemExceptionFmt("open(\"%s\", O_RDONLY)", errno, path);
    }
  }
  ~InputFd()
  {
    if (fd_ != 0)
      close(fd_);
  }
  InputFd(const InputFd&) = delete;
  InputFd& operator=(const InputFd&) = delete;
  int fd() const { return fd_; }

private:
  int fd_;
};

} // namespace

void convertRasterJob(const char* inputPath, const char* basePath,
                      std::vector<plat::String>& pages)
{
  InputFd input(inputPath);

  cups_raster_t* raster = cupsraster::cupsRasterOpen(input.fd(),
                                                     CUPS_RASTER_READ);
  if (!raster) {
    throw plat::ExceptionFmt("cupsRasterOpen('%s') failed",
                             inputPath ? inputPath : "[stdin]");
  }

  CupsPixelBuffer page(raster);
  for (int n = 0; page.nextPage(); n++) {
    plat::String name = plat::String::format("%s-%d.zrle", basePath, n);
    rdr::FileOutStream file(name.c_str());

    const cups_page_header_t& h = page.header();
    writePageHeader(file, makePageHeader((int32_t)h.cupsWidth,
                                         (int32_t)h.cupsHeight,
                                         h.HWResolution[0], h.HWResolution[1],
                                         h.PageSize[0], h.PageSize[1]));

    rfb::TransPixelBuffer native;
    native.setPF(rfb::PixelFormat::nativeRgb888());
    native.setPixelBuffer(&page);
    rfb::encodePage(file, native);
    file.flush();

    pages.push_back(name);
  }
}

} // namespace cupsraster
