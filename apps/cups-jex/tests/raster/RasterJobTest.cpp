// Raster pages through the test double of the CUPS imaging library, read
// back with the independent page decoder.

#include "FakeRaster.h"

#include "JexTest.h"
#include "JobError.h"
#include "JobFileSet.h"
#include "RasterJob.h"

#include <os/PrivateDir.h>
#include <rfb/ManagedPixelBuffer.h>
#include <rfbdec/PageFile.h>

#include <filesystem>

using namespace rastertest;

namespace {

// What converting a stream in a private directory gave: the pages, or the
// failure's status and message.
struct Converted {
  std::vector<plat::String> pages;
  int status = 0;
  std::string text;           // the failure, or "|" and the pixels of each page
  std::set<std::string> left; // files in the directory afterwards
};

Converted convert(const FakeStream& s)
{
  char dir[] = "/tmp/jex-rastertest-XXXXXX";
  mkdtemp(dir);
  std::string in = jextest::writeFile(std::string(dir) + ".raster", s.bytes);
  int fd = open(in.c_str(), O_RDONLY | O_CLOEXEC);
  Converted c;
  {
    JobFileSet files;
    files.setDir(os::openPrivateDir(dir, geteuid()), dir);
    try {
      cupsraster::convertRasterJob(fd, "job", files, "7", c.pages);
      for (const plat::String& p : c.pages)
        files.release(strrchr(p.c_str(), '/') + 1);
    } catch (JobError& e) {
      c.status = e.status();
      c.text = e.message();
      c.pages.clear();
    }
  }
  close(fd);
  c.left = jextest::listDir(dir);
  for (const plat::String& p : c.pages) {
    rfb::PageFile page = rfb::PageFile::load(p.c_str());
    rfb::ManagedPixelBuffer pb(rfb::PageFile::pixelFormat(),
                               (int)page.header().width,
                               (int)page.header().height);
    page.decode(pb);
    c.text += "|";
    for (int y = 0; y < pb.height(); y++)
      for (int x = 0; x < pb.width(); x++)
        c.text += std::to_string(pb.getPixel(x, y)) + ",";
  }
  std::filesystem::remove_all(dir);
  unlink(in.c_str());
  return c;
}

// The pixel text convert() gives for page n of w x h in a colour space.
std::string expected(int n, int w, int h, cups_cspace_t space)
{
  std::string text = "|";
  for (int y = 0; y < h; y++) {
    for (int x = 0; x < w; x++) {
      uint32_t r = sample(n, x, y, 0), g = sample(n, x, y, 1),
               b = sample(n, x, y, 2);
      if (space == CUPS_CSPACE_K)
        r = g = b = 255 - r;
      else if (space == CUPS_CSPACE_W || space == CUPS_CSPACE_SW)
        g = b = r;
      text += std::to_string(r << 16 | g << 8 | b) + ",";
    }
  }
  return text;
}

} // namespace

TEST(RasterJob, ColourAndGreyPagesDecodePixelExactly)
{
  FakeStream s;
  s.addPage(header(65, 65, CUPS_CSPACE_RGB), 0);
  s.addPage(header(70, 130, CUPS_CSPACE_SRGB, 70 * 3 + 13), 1); // padded
  s.addPage(header(9, 3, CUPS_CSPACE_ADOBERGB), 2);
  s.addPage(header(67, 70, CUPS_CSPACE_W, 67 + 5), 3);
  s.addPage(header(5, 66, CUPS_CSPACE_SW), 4);
  s.addPage(header(8, 2, CUPS_CSPACE_K), 5);
  Converted c = convert(s);
  ASSERT_EQ(c.status, 0) << c.text;
  ASSERT_EQ(c.pages.size(), 6u);
  EXPECT_EQ(c.text, expected(0, 65, 65, CUPS_CSPACE_RGB) +
                        expected(1, 70, 130, CUPS_CSPACE_SRGB) +
                        expected(2, 9, 3, CUPS_CSPACE_ADOBERGB) +
                        expected(3, 67, 70, CUPS_CSPACE_W) +
                        expected(4, 5, 66, CUPS_CSPACE_SW) +
                        expected(5, 8, 2, CUPS_CSPACE_K));
}

TEST(RasterJob, PagesItCannotConvertFailTheJobAndLeaveNothing)
{
  cups_page_header_t cmyk = header(8, 8, CUPS_CSPACE_CMYK);
  cmyk.cupsBitsPerPixel = 32;
  cups_page_header_t banded = header(8, 8, CUPS_CSPACE_RGB);
  banded.cupsColorOrder = CUPS_ORDER_BANDED;
  struct Case {
    cups_page_header_t second;
    int keepLines;
    std::string failure;
  } cases[] = {
      {cmyk, -1,
       "Page has unsupported pixel-format: cupsBitsPerColor 8, "
       "cupsBitsPerPixel 32, cupsColorSpace 6, cupsColorOrder 0"},
      {banded, -1,
       "Page has unsupported pixel-format: cupsBitsPerColor 8, "
       "cupsBitsPerPixel 24, cupsColorSpace 1, cupsColorOrder 1"},
      {header(32768, 1, CUPS_CSPACE_W), 0,
       "Invalid CUPS page header: 32768x1 pixels, 32768 bytes per line"},
      {header(10, 100, CUPS_CSPACE_RGB), 70,
       "Unexpected end of CUPS page data"},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.failure);
    FakeStream s;
    s.addPage(header(8, 8, CUPS_CSPACE_RGB), 0);
    s.addPage(k.second, 1, k.keepLines);
    Converted c = convert(s);
    EXPECT_EQ(c.status, StatusCancelJob);
    EXPECT_EQ(c.text, k.failure);
    EXPECT_EQ(c.left, std::set<std::string>());
  }
}
