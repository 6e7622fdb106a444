// convertRasterJob over the test double of the CUPS imaging library: page
// files decoded and compared pixel by pixel with what the stream held.

#include "FakeRaster.h"

#include "RasterJob.h"

#include <plat/Exception.h>
#include <rfb/ManagedPixelBuffer.h>
#include <rfbdec/PageFile.h>

#include <gtest/gtest.h>

using namespace rastertest;

namespace {

std::vector<plat::String> convert(TempDir& dir, const FakeStream& s)
{
  std::string in = jextest::writeFile(dir.file("job.raster"), s.bytes);
  std::vector<plat::String> pages;
  cupsraster::convertRasterJob(in.c_str(), dir.file("jex-7").c_str(), pages);
  return pages;
}

void expectPage(const plat::String& path, int n, unsigned w, unsigned h)
{
  rfb::PageFile page = rfb::PageFile::load(path.c_str());
  ASSERT_EQ(page.header().width, w);
  ASSERT_EQ(page.header().height, h);
  EXPECT_EQ(page.header().constant, 1u);
  rfb::ManagedPixelBuffer pb(rfb::PageFile::pixelFormat(), (int)w, (int)h);
  page.decode(pb);
  for (unsigned y = 0; y < h; y++) {
    for (unsigned x = 0; x < w; x++) {
      ASSERT_EQ(pb.getPixel((int)x, (int)y), pixelValue(n, (int)x, (int)y))
          << "page " << n << " at " << x << "," << y;
    }
  }
}

} // namespace

TEST(RasterJob, PagesDecodeToTheirSourcePixels)
{
  TempDir dir;
  FakeStream s;
  s.addPage(rgbHeader(65, 65), 0);
  s.addPage(rgbHeader(100, 1), 1);
  s.addPage(rgbHeader(130, 129), 2);
  s.addPage(rgbHeader(70, 67, 70 * 3 + 13), 3); // padded lines
  std::vector<plat::String> pages = convert(dir, s);
  ASSERT_EQ(pages.size(), 4u);
  EXPECT_EQ(pages[0], plat::String((dir.file("jex-7") + "-0.zrle").c_str()));
  EXPECT_EQ(pages[2], plat::String((dir.file("jex-7") + "-2.zrle").c_str()));
  expectPage(pages[0], 0, 65, 65);
  expectPage(pages[1], 1, 100, 1);
  expectPage(pages[2], 2, 130, 129);
  expectPage(pages[3], 3, 70, 67);
}

TEST(RasterJob, UnsupportedPageEndsTheJobQuietly)
{
  TempDir dir;
  FakeStream s;
  s.addPage(rgbHeader(8, 8), 0);
  cups_page_header_t grey = rgbHeader(8, 8);
  grey.cupsBitsPerPixel = 8;
  grey.cupsColorSpace = CUPS_CSPACE_W;
  grey.cupsBytesPerLine = 8;
  s.addHeader(grey);
  s.bytes.append(64, '\x80');
  s.addPage(rgbHeader(8, 8), 2);

  testing::internal::CaptureStderr();
  std::vector<plat::String> pages = convert(dir, s);
  std::string err = testing::internal::GetCapturedStderr();
  EXPECT_EQ(err, "Page has unsupported pixel-format:\ncupsBitsPerColor: 8\n"
                 "cupsBitsPerPixel: 8\ncupsColorSpace: 0\n");
  ASSERT_EQ(pages.size(), 1u);
  EXPECT_FALSE(jextest::exists(dir.file("jex-7-1.zrle")));
}

TEST(RasterJob, TruncatedPageThrowsAndLeavesItsFile)
{
  TempDir dir;
  FakeStream s;
  s.addPage(rgbHeader(10, 100), 0, 70);
  std::string in = jextest::writeFile(dir.file("job.raster"), s.bytes);
  std::vector<plat::String> pages;
  try {
    cupsraster::convertRasterJob(in.c_str(), dir.file("jex-7").c_str(), pages);
    FAIL() << "no exception";
  } catch (plat::Exception& e) {
    EXPECT_STREQ(e.message(), "Unexpected end of CUPS page data");
  }
  EXPECT_TRUE(pages.empty());
  EXPECT_TRUE(
      jextest::exists(dir.file("jex-7-0.zrle"))); // the caller removes it
}

TEST(RasterJob, ZeroPagesAndOpenFailures)
{
  TempDir dir;
  std::vector<plat::String> pages = convert(dir, FakeStream());
  EXPECT_TRUE(pages.empty());
  EXPECT_FALSE(jextest::exists(dir.file("jex-7-0.zrle")));

  try {
    cupsraster::convertRasterJob("/nonexistent/job", "/tmp/jex-x", pages);
    FAIL() << "no exception";
  } catch (plat::SystemException& e) {
    EXPECT_EQ(std::string(e.message())
                  .rfind("open(\"/nonexistent/job\", O_RDONLY): ", 0),
              0u);
    EXPECT_EQ(e.err(), ENOENT);
  }
}

TEST(RasterJob, InsaneHeaderIsRejectedBeforeAllocating)
{
  TempDir dir;
  FakeStream s;
  s.addHeader(rgbHeader(60000, 60000, 100)); // lines shorter than pixels
  EXPECT_THROW(convert(dir, s), plat::Exception);
  FakeStream t;
  t.addHeader(rgbHeader(70000, 10));
  EXPECT_THROW(convert(dir, t), plat::Exception);
}

TEST(RasterJob, HeaderWordsOnDisk)
{
  TempDir dir;
  FakeStream s;
  cups_page_header_t letter = rgbHeader(85, 110);
  letter.HWResolution[0] = 10;
  letter.HWResolution[1] = 20;
  letter.PageSize[0] = 612;
  letter.PageSize[1] = 792;
  s.addPage(letter, 0);
  std::vector<plat::String> pages = convert(dir, s);
  ASSERT_EQ(pages.size(), 1u);
  rfb::PageFile page = rfb::PageFile::load(pages[0].c_str());
  EXPECT_EQ(page.header().physWidth, 1080u);  // 85 * 254 / 20 = 1079.5
  EXPECT_EQ(page.header().physHeight, 2794u); // 110 * 254 / 10
  EXPECT_EQ(page.header().paperCode, 1u);
}
