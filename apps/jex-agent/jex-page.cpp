// jex-page: converts one page file to PNG, or shows its header.
//
//   jex-page PAGE.zrle OUT.png
//   jex-page --info PAGE.zrle

#include "FileUtil.h"
#include "PageOutput.h"
#include "PngWriter.h"

#include <plat/Exception.h>
#include <rdr/FileInStream.h>
#include <rfbdec/PageReader.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

int main(int argc, char** argv)
{
  bool info = argc == 3 && !strcmp(argv[1], "--info");
  if (argc != 3 || (!info && argv[1][0] == '-')) {
    fputs("usage: jex-page PAGE.zrle OUT.png\n"
          "       jex-page --info PAGE.zrle\n",
          stderr);
    return 2;
  }
  const char* in = info ? argv[2] : argv[1];
  try {
    rdr::FileInStream file(in);
    rfb::PageReader page(file);
    const rfb::PageFile::Header& h = page.header();
    if (info) {
      printf("size %u x %u pixels\n"
             "physical size %.1f x %.1f mm\n"
             "paper %u\n",
             h.width, h.height, h.physWidth / 10.0, h.physHeight / 10.0,
             h.paperCode);
      return 0;
    }
    const char* out = argv[2];
    agent::FdGuard fd(
        open(out, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
    if (fd.get() < 0)
      throw plat::SystemExceptionFmt("open(%s)", errno, out);
    try {
      agent::PngWriter png(fd.get(), h.width, h.height, h.physWidth,
                           h.physHeight);
      agent::renderPage(page, &png, nullptr);
      if (close(fd.release()) != 0)
        throw plat::SystemException("close", errno);
    } catch (...) {
      unlink(out);
      throw;
    }
  } catch (const plat::Exception& e) {
    fprintf(stderr, "jex-page: %s: %s\n", in, e.message());
    return 1;
  }
  return 0;
}
