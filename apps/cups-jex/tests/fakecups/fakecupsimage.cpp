// A stand-in for the CUPS imaging library, built as libcupsimage.so.2 so
// that the backend binds it exactly as it binds the real one. It serves a
// scripted stream from the descriptor given to cupsRasterOpen:
//
//   repeat per page:  "PAGE"  cups_page_header_t (raw, native layout)
//                     the page's lines (any number of bytes)
//
// Reads deliver what the stream holds, so a stream cut short gives short
// reads. Headers are not searched for: a reader that leaves lines of a page
// unread finds pixel bytes where the next "PAGE" should be and sees the end
// of the job, which is what the tests want to notice.
//
// When FAKE_CUPSIMAGE_LOG names a file, every pixel read appends a byte to
// it, for tests that count reads.

#include "fakecupsimage.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

struct _cups_raster_s {
  int fd;
};

namespace {

unsigned readFull(int fd, void* buf, unsigned len)
{
  unsigned done = 0;
  while (done < len) {
    ssize_t n = read(fd, (char*)buf + done, len - done);
    if (n <= 0)
      break;
    done += (unsigned)n;
  }
  return done;
}

} // namespace

extern "C" {

cups_raster_t* cupsRasterOpen(int fd, cups_mode_t mode)
{
  if (fd < 0 || mode != CUPS_RASTER_READ)
    return nullptr;
  cups_raster_t* r = (cups_raster_t*)calloc(1, sizeof(cups_raster_t));
  if (r)
    r->fd = fd;
  return r;
}

unsigned cupsRasterReadHeader(cups_raster_t* r, cups_page_header_t* h)
{
  char tag[4];
  if (readFull(r->fd, tag, 4) != 4 || memcmp(tag, FAKE_CUPS_PAGE_TAG, 4) != 0 ||
      readFull(r->fd, h, sizeof(*h)) != sizeof(*h)) {
    return 0;
  }
  return 1;
}

unsigned cupsRasterReadPixels(cups_raster_t* r, unsigned char* p, unsigned len)
{
  if (const char* log = getenv("FAKE_CUPSIMAGE_LOG")) {
    if (FILE* f = fopen(log, "a")) {
      fputc('r', f);
      fclose(f);
    }
  }
  return readFull(r->fd, p, len);
}

void cupsRasterClose(cups_raster_t* r)
{
  free(r);
}

} // extern "C"
