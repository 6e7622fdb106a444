#include <rfb/ColorCubeOrth.h>
#include <rfb/FullFramePixelBuffer.h>
#include <rfb/ManagedPixelBuffer.h>
#include <rfb/TransPixelBuffer.h>

#include <plat/Exception.h>

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

using namespace rfb;

namespace {

// The raster reader's page format: red, green, blue as consecutive bytes.
PixelFormat rgbBytes24()
{
  PixelFormat pf = PixelFormat::bgr888();
  pf.bpp = 24;
  pf.makeNativeEndian();
  return pf;
}

// Reads one pixel of any size from translated output, as getPixel would.
uint32_t pixelAt(const uint8_t* p, int bytes)
{
  uint32_t v = 0;
  for (int i = bytes - 1; i >= 0; i--)
    v = v << 8 | p[i];
  return v;
}

} // namespace

TEST(TransPixelBuffer, RasterBytesBecomeNativeRgb888)
{
  // Odd width and an offset start make rows and the 4-pixel blocks
  // unaligned. (Every channel of every size pair is checked below.)
  const int w = 7, h = 3;
  std::vector<uint8_t> mem(1 + w * h * 3);
  uint8_t* page = mem.data() + 1;
  for (int i = 0; i < w * h * 3; i++)
    page[i] = uint8_t(i * 37 + 11);
  FullFramePixelBuffer src(rgbBytes24(), Rect(0, 0, w, h), nullptr, page);

  TransPixelBuffer tpb;
  tpb.setPF(PixelFormat::nativeRgb888());
  tpb.setPixelBuffer(&src);
  ASSERT_TRUE(tpb.translating());
  std::vector<uint32_t> out(w * h);
  tpb.getImage(out.data(), tpb.getRect());
  for (int i = 0; i < w * h; i++) {
    const uint8_t* p = page + 3 * i;
    EXPECT_EQ(out[i], uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2]) << i;
  }

  // getPixelsR hands out a translated scratch copy of a sub-rectangle.
  int stride;
  const uint8_t* px = tpb.getPixelsR(Rect(1, 1, 6, 3), &stride);
  EXPECT_EQ(stride, 5);
  uint32_t v;
  memcpy(&v, px + 4 * (stride + 2), 4);
  EXPECT_EQ(v, out[2 * w + 3]);
}

TEST(TransPixelBuffer, SinglePixelConversions)
{
  const struct {
    PixelFormat from, to;
    uint8_t in[8];
    int w;
    uint32_t out[2];
  } cases[] = {
      // Alpha travels with the channel swap.
      {PixelFormat::argb8888(),
       PixelFormat::nativeAbgr8888(),
       {0x33, 0x22, 0x11, 0x80},
       1,
       {0x80332211u}},
      // Five-bit channels scale to eight bits with rounding.
      {PixelFormat::rgb555(),
       PixelFormat::rgb888(),
       {0x00, 0x7e, 0x1f, 0x04},
       2,
       {255u << 16 | 132u << 8, 8u << 16 | 255u}},
  };
  for (const auto& c : cases) {
    uint8_t mem[8];
    memcpy(mem, c.in, sizeof(mem));
    FullFramePixelBuffer src(c.from, Rect(0, 0, c.w, 1), nullptr, mem);
    TransPixelBuffer tpb;
    tpb.setPF(c.to);
    tpb.setPixelBuffer(&src);
    uint32_t out[2] = {};
    tpb.getImage(out, Rect(0, 0, c.w, 1));
    for (int i = 0; i < c.w; i++)
      EXPECT_EQ(out[i], c.out[i]) << i;
  }
}

TEST(TransPixelBuffer, EveryPairOfSizesAgreesWithChannelDefinition)
{
  PixelFormat formats[] = {
      PixelFormat::rgb222(),
      PixelFormat::rgb565(),
      rgbBytes24(),
      PixelFormat::rgb888(),
      PixelFormat(16, 16, true, true, 31, 63, 31, 0, 5, 11),
      PixelFormat(32, 24, true, true, 255, 255, 255, 8, 16, 24)};
  std::mt19937 rng(7);
  for (const PixelFormat& in : formats)
    for (const PixelFormat& out : formats) {
      char a[PixelFormat::PrintSize], b[PixelFormat::PrintSize];
      in.print(a);
      out.print(b);
      const int w = 9, h = 2, inB = in.bpp / 8, outB = out.bpp / 8;
      std::vector<uint8_t> inMem(w * h * inB), outMem(w * h * outB);
      for (auto& c : inMem)
        c = uint8_t(rng());
      FullFramePixelBuffer src(in, Rect(0, 0, w, h), nullptr, inMem.data());
      TransPixelBuffer tpb;
      tpb.setPF(out);
      PixelFormat nin(in);
      if (!nin.makeNativeEndian()) {
        // Big-endian input with channels that are not whole bytes.
        if (in != out) {
          EXPECT_THROW(tpb.setPixelBuffer(&src), plat::AssertionFail) << a;
        }
        continue;
      }
      tpb.setPixelBuffer(&src);
      tpb.getImage(outMem.data(), Rect(0, 0, w, h));

      for (int i = 0; i < w * h; i++) {
        uint32_t ip = pixelAt(&inMem[i * inB], inB);
        uint32_t op = pixelAt(&outMem[i * outB], outB);
        if (out.bigEndian && outB > 1)
          op = outB == 2 ? __builtin_bswap16(uint16_t(op))
                         : __builtin_bswap32(op);
        // Compare at the narrower of the two channel widths.
        auto check = [&](int inMax, int inShift, int outMax, int outShift) {
          int maxBoth = inMax < outMax ? inMax : outMax;
          int vi =
              int(((ip >> inShift) & unsigned(inMax)) * maxBoth * 2 + inMax) /
              (2 * inMax);
          int vo = int(((op >> outShift) & unsigned(outMax)) * maxBoth * 2 +
                       outMax) /
                   (2 * outMax);
          EXPECT_EQ(vi, vo) << a << " -> " << b << " pixel " << i;
        };
        check(nin.redMax, nin.redShift, out.redMax, out.redShift);
        check(nin.greenMax, nin.greenShift, out.greenMax, out.greenShift);
        check(nin.blueMax, nin.blueShift, out.blueMax, out.blueShift);
      }
    }
}

TEST(TransPixelBuffer, ColourCubeOutput)
{
  uint32_t pix[3] = {0x000000, 0xffffff, 0xff8000};
  FullFramePixelBuffer src(PixelFormat::rgb888(), Rect(0, 0, 3, 1), nullptr,
                           reinterpret_cast<uint8_t*>(pix));
  TransPixelBuffer tpb;
  tpb.setPF(PixelFormat::colourMap8());
  tpb.setPixelBuffer(&src);
  ASSERT_NE(tpb.getColourMap(), nullptr);
  ASSERT_TRUE(tpb.getColourMap()->isOrthogonal());
  uint8_t out[3];
  tpb.getImage(out, Rect(0, 0, 3, 1));
  int r, g, b;
  tpb.getColourMap()->lookup(out[1], &r, &g, &b);
  EXPECT_EQ(r + g + b, 3 * 65535);
  tpb.getColourMap()->lookup(out[2], &r, &g, &b);
  EXPECT_EQ(r, 65535);
  EXPECT_EQ(b, 0);
  EXPECT_GT(g, 20000);
  EXPECT_LT(g, 45000);

  // A caller's map must be a cube.
  struct Flat : ColourMap {
    void lookup(int, int* r, int* g, int* b) const override
    {
      *r = *g = *b = 0;
    }
  } flat;
  EXPECT_THROW(tpb.setColourMap(&flat), plat::AssertionFail);
}
