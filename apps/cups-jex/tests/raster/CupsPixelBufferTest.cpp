// The band cache of the raster page buffer: what it reads, when, and what it
// refuses.

#include "FakeRaster.h"

#include "CupsPixelBuffer.h"
#include "CupsRasterFns.h"

#include <plat/Exception.h>

#include <gtest/gtest.h>

#include <fcntl.h>

using namespace rastertest;

namespace {

// Opens a scripted stream through the double, logging its calls.
class FakeJob {
public:
  explicit FakeJob(const FakeStream& s)
  {
    in = jextest::writeFile(dir.file("job.raster"), s.bytes);
    log = dir.file("calls.log");
    setenv("FAKE_CUPSIMAGE_LOG", log.c_str(), 1);
    fd = open(in.c_str(), O_RDONLY | O_CLOEXEC);
    raster = cupsraster::cupsRasterOpen(fd, CUPS_RASTER_READ);
  }
  ~FakeJob()
  {
    unsetenv("FAKE_CUPSIMAGE_LOG");
    close(fd);
  }
  int reads() const { return (int)jextest::readFile(log).size(); }

  TempDir dir;
  std::string in, log;
  int fd;
  cups_raster_t* raster;
};

uint32_t rgbAt(const uint8_t* p)
{
  return (uint32_t)p[0] << 16 | (uint32_t)p[1] << 8 | p[2];
}

} // namespace

TEST(CupsPixelBuffer, ServesBandsInOrderFromTheCacheAndDropsUnreadLines)
{
  FakeStream s;
  s.addPage(rgbHeader(20, 200, 20 * 3 + 5), 0);
  s.addPage(rgbHeader(16, 3), 1);
  FakeJob job(s);
  ASSERT_TRUE(job.raster);
  cupsraster::CupsPixelBuffer pb(job.raster);
  ASSERT_TRUE(pb.nextPage());
  EXPECT_EQ(pb.getRect(), rfb::Rect(0, 0, 20, 200));

  int stride = 0;
  pb.getPixelsR(rfb::Rect(2, 2, 2, 4), &stride); // empty: reads nothing
  EXPECT_EQ(job.reads(), 0);
  const uint8_t* p = pb.getPixelsR(rfb::Rect(0, 10, 20, 74), &stride);
  EXPECT_EQ(stride, 20);
  EXPECT_EQ(rgbAt(p), pixelValue(0, 0, 10));
  EXPECT_EQ(rgbAt(p + 3 * (stride * 63 + 19)), pixelValue(0, 19, 73));
  EXPECT_EQ(job.reads(), 74); // 10 skipped, 64 in the band

  // Inside the band again: no read.
  p = pb.getPixelsR(rfb::Rect(5, 40, 9, 50), &stride);
  EXPECT_EQ(rgbAt(p), pixelValue(0, 5, 40));
  EXPECT_EQ(job.reads(), 74);

  // Above the band's end: refused.
  EXPECT_THROW(pb.getPixelsR(rfb::Rect(0, 60, 20, 80), &stride),
               plat::AssertionFail);

  // The next page starts after the lines of this one nobody asked for.
  ASSERT_TRUE(pb.nextPage());
  EXPECT_EQ(pb.getRect(), rfb::Rect(0, 0, 16, 3));
  p = pb.getPixelsR(rfb::Rect(0, 0, 16, 3), &stride);
  EXPECT_EQ(rgbAt(p + 3 * (16 * 2 + 15)), pixelValue(1, 15, 2));
  EXPECT_FALSE(pb.nextPage());
}
