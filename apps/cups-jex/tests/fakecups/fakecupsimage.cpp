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
// When FAKE_CUPSIMAGE_LOG names a file, every call appends one line to it.

#include "fakecupsimage.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

struct _cups_raster_s {
  int fd;
};

namespace {

__attribute__((format(printf, 1, 2)))
void logCall(const char* fmt, ...)
{
  const char* path = getenv("FAKE_CUPSIMAGE_LOG");
  if (!path || !*path)
    return;
  FILE* f = fopen(path, "a");
  if (!f)
    return;
  va_list ap;
  va_start(ap, fmt);
  vfprintf(f, fmt, ap);
  va_end(ap);
  fputc('\n', f);
  fclose(f);
}

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
  logCall("open %u mode %u", (unsigned)fd, (unsigned)mode);
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
    logCall("header end");
    return 0;
  }
  logCall("header %ux%u", h->cupsWidth, h->cupsHeight);
  return 1;
}

unsigned cupsRasterReadPixels(cups_raster_t* r, unsigned char* p,
                              unsigned len)
{
  unsigned n = readFull(r->fd, p, len);
  logCall("pixels %u -> %u", len, n);
  return n;
}

void cupsRasterClose(cups_raster_t* r)
{
  logCall("close");
  free(r);
}

} // extern "C"
