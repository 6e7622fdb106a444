#include <rfb/FullFramePixelBuffer.h>
#include <rfb/ManagedPixelBuffer.h>

#include <plat/Exception.h>

#include "../../plat/tests/TestUtil.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

using namespace rfb;
using testutil::thrownMessage;

TEST(Rect, IntersectAndRegionRoundTrip)
{
  EXPECT_EQ(Rect(0, 0, 10, 10).intersect(Rect(5, 5, 20, 20)),
            Rect(5, 5, 10, 10));
  Rect apart = Rect(0, 0, 10, 10).intersect(Rect(20, 30, 40, 50));
  EXPECT_TRUE(apart.isEmpty());
  EXPECT_EQ(apart.tl, apart.br); // empty result never crosses over
  EXPECT_EQ(Rect(RgnRect(Rect(0, -40000, 40000, 10))),
            Rect(0, -32768, 32767, 10));
}

TEST(FullFramePixelBuffer, AddressingAtNonZeroOrigin)
{
  std::vector<uint8_t> mem(4 * 20 * 10);
  FullFramePixelBuffer pb(PixelFormat::rgb888(), Rect(100, 50, 110, 60),
                          nullptr, mem.data(), 20);
  int stride = 0;
  EXPECT_EQ(pb.getPixelsRW(Rect(100, 50, 102, 52), &stride), mem.data());
  EXPECT_EQ(stride, 20);
  EXPECT_EQ(pb.getPixelsRW(Rect(103, 52, 104, 53), nullptr),
            mem.data() + 4 * (3 + 20 * 2));

  // Empty requests are not checked, wherever they are.
  EXPECT_EQ(pb.getPixelsRW(Rect(500, 500, 500, 600), &stride), nullptr);

  std::string msg = thrownMessage<plat::AssertionFail>(
      [&] { pb.getPixelsRW(Rect(105, 55, 111, 56), &stride); });
  EXPECT_NE(msg.find(": getPixelsRW out of bounds: 105,55 to 111,56 outside "
                     "100,50 to 110,60"),
            std::string::npos)
      << msg;

  // A view shares memory and takes its rect from the intersection.
  FullFramePixelBuffer view(pb, Rect(104, 40, 200, 53));
  EXPECT_EQ(view.getRect(), Rect(104, 50, 110, 53));
  EXPECT_EQ(view.getPixelsRW(view.getRect(), &stride), mem.data() + 4 * 4);
  view.setPixel(105, 51, 0xabcdef);
  EXPECT_EQ(pb.getPixel(105, 51), 0xabcdefu);
}

TEST(FullFramePixelBuffer, PixelAccessBySize)
{
  uint8_t mem[3 * 4] = {};
  PixelFormat pf24(24, 24, false, true, 255, 255, 255, 0, 8, 16);
  FullFramePixelBuffer pb(pf24, Rect(0, 0, 4, 1), nullptr, mem);
  pb.setPixel(1, 0, 0x112233);
  EXPECT_EQ(mem[3], 0x33); // least significant byte first
  EXPECT_EQ(mem[5], 0x11);
  EXPECT_EQ(pb.getPixel(1, 0), 0x112233u);

  uint16_t mem16[4] = {};
  FullFramePixelBuffer pb16(PixelFormat::rgb565(), Rect(0, 0, 4, 1), nullptr,
                            reinterpret_cast<uint8_t*>(mem16));
  pb16.setPixel(2, 0, 0xf81f);
  EXPECT_EQ(mem16[2], 0xf81f);
  EXPECT_EQ(pb16.getPixel(2, 0), 0xf81fu);
}

TEST(WritablePixelBuffer, Drawing)
{
  ManagedPixelBuffer pb(PixelFormat::rgb222(), 8, 6);
  pb.fillRect(Rect(-3, -3, 2, 2), 9); // clipped to the buffer
  EXPECT_EQ(pb.getPixel(1, 1), 9u);
  EXPECT_EQ(pb.getPixel(2, 1), 0u);

  pb.fillRect(pb.getRect(), 0);
  pb.drawOutline(Rect(1, 1, 7, 5), 1, 3);
  EXPECT_EQ(pb.getPixel(6, 4), 3u);
  EXPECT_EQ(pb.getPixel(5, 3), 0u);

  pb.fillRect(pb.getRect(), 0);
  pb.drawLine(Point(-2, -1), Point(9, 4), 7); // ends outside, clipped
  // One pixel per column, within half a pixel of the ideal line.
  for (int x = 0; x < 8; x++) {
    int count = 0, at = -1;
    for (int y = 0; y < 6; y++)
      if (pb.getPixel(x, y) == 7u) {
        count++;
        at = y;
      }
    EXPECT_EQ(count, 1) << x;
    double ideal = -1 + 5.0 * (x + 2) / 11;
    EXPECT_LE(std::abs(at - ideal), 0.5) << x;
  }
}

TEST(ManagedPixelBuffer, ResizeAndFormat)
{
  ManagedPixelBuffer pb(PixelFormat::rgb888(), 4, 3);
  EXPECT_EQ(pb.capacity(), 48u);
  pb.setPixel(1, 1, 0x123456);
  const uint8_t* before = pb.getPixelsR(Rect(0, 0, 1, 1), nullptr);
  pb.setSize(4, 3);
  EXPECT_EQ(pb.getPixelsR(Rect(0, 0, 1, 1), nullptr), before);
  EXPECT_EQ(pb.getPixel(1, 1), 0x123456u);

  pb.setKeepContents(true);
  pb.setSize(2, 5);
  EXPECT_EQ(pb.getPixel(1, 1), 0x123456u);
  EXPECT_EQ(pb.getPixel(1, 4), 0u);

  // A smaller format reuses the memory: capacity never shrinks there.
  pb.setPF(PixelFormat::rgb565());
  EXPECT_EQ(pb.capacity(), 40u);
  pb.setSize(0, 0);
  EXPECT_EQ(pb.capacity(), 0u);
}

TEST(ManagedPixelBuffer, GrowthBeyond16BitCoordinatesFails)
{
  ManagedPixelBuffer pb(PixelFormat::rgb222(), 4, 4);
  std::string msg =
      thrownMessage<plat::AssertionFail>([&] { pb.setSize(40000, 1); });
  EXPECT_NE(msg.find("'Rect(RgnRect(rect)) == rect'"), std::string::npos)
      << msg;
  EXPECT_EQ(pb.getRect(), Rect(0, 0, 4, 4)); // old state kept
}
