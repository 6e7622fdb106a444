#include "PngWriter.h"

#include "FileUtil.h"

#include <plat/Exception.h>

#include <png.h>

#include <cerrno>
#include <csetjmp>
#include <cstring>

namespace agent {

// libpng reports errors by longjmp to the setjmp of the call in progress:
// every entry point sets one, and no object with a destructor lives in
// between. The error text is kept here and thrown after the jump.
struct PngWriter::State {
  png_structp png = nullptr;
  png_infop info = nullptr;
  int fd;
  int writeErrno = 0;
  char error[200] = "";
};

namespace {

void onError(png_structp png, png_const_charp msg)
{
  auto* s = static_cast<PngWriter::State*>(png_get_error_ptr(png));
  snprintf(s->error, sizeof(s->error), "%s", msg);
  png_longjmp(png, 1);
}

void onWarning(png_structp, png_const_charp) {}

void onWrite(png_structp png, png_bytep data, png_size_t len)
{
  auto* s = static_cast<PngWriter::State*>(png_get_io_ptr(png));
  try {
    writeAll(s->fd, data, len);
  } catch (const plat::SystemException& e) {
    s->writeErrno = e.err();
  }
  // Outside the handler: the jump must not leave a C++ exception behind.
  if (s->writeErrno)
    png_error(png, "write failed");
}

void onFlush(png_structp) {}

[[noreturn]] void fail(const PngWriter::State* s)
{
  if (s->writeErrno)
    throw plat::SystemException("write", s->writeErrno);
  throw plat::ExceptionFmt("PNG: %s", s->error);
}

} // namespace

uint32_t PngWriter::pixelsPerMetre(uint32_t pixels, uint32_t tenthsMm)
{
  if (tenthsMm == 0)
    return 0;
  return uint32_t((uint64_t(pixels) * 10000 + tenthsMm / 2) / tenthsMm);
}

PngWriter::PngWriter(int fd, uint32_t width, uint32_t height,
                     uint32_t physWidth, uint32_t physHeight, int level)
    : s_(new State)
{
  s_->fd = fd;
  s_->png =
      png_create_write_struct(PNG_LIBPNG_VER_STRING, s_, onError, onWarning);
  if (s_->png)
    s_->info = png_create_info_struct(s_->png);
  if (!s_->info) {
    png_destroy_write_struct(&s_->png, nullptr);
    delete s_;
    throw plat::Exception("PNG: out of memory");
  }
  uint32_t ppmX = pixelsPerMetre(width, physWidth);
  uint32_t ppmY = pixelsPerMetre(height, physHeight);
  if (setjmp(png_jmpbuf(s_->png))) {
    State failed = *s_;
    png_destroy_write_struct(&s_->png, &s_->info);
    delete s_;
    fail(&failed);
  }
  png_set_write_fn(s_->png, s_, onWrite, onFlush);
  png_set_compression_level(s_->png, level);
  // One filter instead of trying all five per row: rows of printed pages
  // are mostly flat, and the adaptive choice costs more than it saves.
  png_set_filter(s_->png, PNG_FILTER_TYPE_BASE, PNG_FILTER_SUB);
  png_set_IHDR(s_->png, s_->info, width, height, 8, PNG_COLOR_TYPE_RGB,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  if (ppmX && ppmY)
    png_set_pHYs(s_->png, s_->info, ppmX, ppmY, PNG_RESOLUTION_METER);
  png_write_info(s_->png, s_->info);
}

PngWriter::~PngWriter()
{
  if (s_) {
    png_destroy_write_struct(&s_->png, &s_->info);
    delete s_;
  }
}

void PngWriter::writeRow(const uint8_t* rgb)
{
  if (setjmp(png_jmpbuf(s_->png)))
    fail(s_);
  png_write_row(s_->png, rgb);
}

void PngWriter::finish()
{
  if (setjmp(png_jmpbuf(s_->png)))
    fail(s_);
  png_write_end(s_->png, nullptr);
}

} // namespace agent
