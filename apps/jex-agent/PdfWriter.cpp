#include "PdfWriter.h"

#include <plat/Exception.h>

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <unistd.h>

namespace agent {

namespace {

FILE* openFd(int fd)
{
  FILE* f = fdopen(fd, "wb");
  if (!f) {
    int err = errno;
    close(fd);
    throw plat::SystemException("fdopen", err);
  }
  return f;
}

std::string fmt(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string fmt(const char* format, ...)
{
  char buf[512];
  va_list ap;
  va_start(ap, format);
  vsnprintf(buf, sizeof(buf), format, ap);
  va_end(ap);
  return buf;
}

// A page side in points from tenths of a millimetre.
double points(uint32_t pixels, uint32_t tenthsMm)
{
  return tenthsMm ? tenthsMm * 72.0 / 254.0 : double(pixels);
}

} // namespace

PdfWriter::PdfWriter(int fd, int level)
    : out_(openFd(fd)), zlib_(nullptr, 0, level), offsets_(2, 0), pages_(0),
      rowBytes_(0), imageStart_(0)
{
  // The second line's high bytes mark the file as binary for transfers.
  text("%PDF-1.4\n%\xe2\xe3\xcf\xd3\n");
  beginObject(1);
  text("<< /Type /Catalog /Pages 2 0 R >>\nendobj\n");
}

PdfWriter::~PdfWriter() {}

void PdfWriter::text(const std::string& s)
{
  out_.writeBytes(s.data(), s.size());
}

void PdfWriter::beginObject(unsigned number)
{
  if (offsets_.size() < number)
    offsets_.resize(number, 0);
  offsets_[number - 1] = out_.length();
  text(fmt("%u 0 obj\n", number));
}

void PdfWriter::beginPage(uint32_t width, uint32_t height, uint32_t physWidth,
                          uint32_t physHeight)
{
  unsigned page = 3 + 4 * pages_++;
  double w = points(width, physWidth), h = points(height, physHeight);
  beginObject(page);
  text(fmt("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 %.2f %.2f]\n"
           "   /Resources << /XObject << /Im0 %u 0 R >> >>\n"
           "   /Contents %u 0 R >>\nendobj\n",
           w, h, page + 2, page + 1));
  std::string content = fmt("q %.2f 0 0 %.2f 0 0 cm /Im0 Do Q\n", w, h);
  beginObject(page + 1);
  text(fmt("<< /Length %zu >>\nstream\n", content.size()) + content +
       "endstream\nendobj\n");
  beginObject(page + 2);
  text(fmt("<< /Type /XObject /Subtype /Image /Width %u /Height %u\n"
           "   /ColorSpace /DeviceRGB /BitsPerComponent 8\n"
           "   /Filter /FlateDecode /Length %u 0 R >>\nstream\n",
           width, height, page + 3));
  imageStart_ = out_.length();
  rowBytes_ = size_t(width) * 3;
  zlib_.setUnderlying(&out_);
}

void PdfWriter::writeRow(const uint8_t* rgb)
{
  zlib_.writeBytes(rgb, rowBytes_);
}

void PdfWriter::endPage()
{
  zlib_.finishStream();
  size_t length = out_.length() - imageStart_;
  text("\nendstream\nendobj\n");
  beginObject(3 + 4 * (pages_ - 1) + 3);
  text(fmt("%zu\nendobj\n", length));
}

void PdfWriter::finish()
{
  beginObject(2);
  std::string kids;
  for (unsigned i = 0; i < pages_; i++)
    kids += fmt("%u 0 R ", 3 + 4 * i);
  text("<< /Type /Pages /Kids [ " + kids + "] /Count " +
       std::to_string(pages_) + " >>\nendobj\n");
  size_t xref = out_.length();
  text(fmt("xref\n0 %zu\n0000000000 65535 f \n", offsets_.size() + 1));
  // Each entry is exactly 20 bytes, its end of line included.
  for (size_t off : offsets_)
    text(fmt("%010zu 00000 n \n", off));
  text(fmt("trailer\n<< /Size %zu /Root 1 0 R >>\nstartxref\n%zu\n%%%%EOF\n",
           offsets_.size() + 1, xref));
  out_.flush();
  if (fflush(out_.getFile()) != 0 || fsync(fileno(out_.getFile())) != 0)
    throw plat::SystemException("write", errno);
}

} // namespace agent
