#include <rfb/PixelFormat.h>

#include <rdr/MemInStream.h>
#include <rdr/MemOutStream.h>

#include <gtest/gtest.h>

#include <cstring>

using rfb::PixelFormat;

namespace {

PixelFormat viaWire(const uint8_t (&bytes)[16])
{
  rdr::MemInStream is(bytes, sizeof(bytes));
  PixelFormat pf;
  pf.read(is);
  return pf;
}

} // namespace

TEST(PixelFormat, Validity)
{
  EXPECT_TRUE(
      PixelFormat(24, 24, false, true, 255, 255, 255, 0, 8, 16).isValid());
  EXPECT_FALSE(PixelFormat(12, 12, false, true, 15, 15, 15, 0, 4, 8).isValid());
  EXPECT_FALSE(PixelFormat(16, 9, false, false, 0, 0, 0, 0, 0, 0).isValid());
  EXPECT_FALSE(PixelFormat(8, 8, false, true, 7, 7, 7, 0, 3, 6).isValid());
  // Set bits are counted, not the top bit: a sparse max squeezes through.
  EXPECT_TRUE(PixelFormat(8, 8, false, true, 0x81, 1, 1, 0, 6, 7).isValid());
}

TEST(PixelFormat, EqualityIgnoresByteOrderOnlyAt8bpp)
{
  PixelFormat a8 = PixelFormat::rgb222(), b8 = a8;
  b8.bigEndian = true;
  EXPECT_EQ(a8, b8);
  PixelFormat a16 = PixelFormat::rgb565(), b16 = a16;
  b16.bigEndian = true;
  EXPECT_NE(a16, b16);
  // Colour-map formats ignore their channel fields.
  PixelFormat m = PixelFormat::colourMap8();
  m.redMax = 99;
  m.blueShift = 3;
  EXPECT_EQ(m, PixelFormat::colourMap8());
}

TEST(PixelFormat, MakeNativeEndian)
{
  // Big-endian bytes in memory: pad, red, green, blue. Read little-endian,
  // red sits in byte 1.
  PixelFormat be(32, 24, true, true, 255, 255, 255, 16, 8, 0);
  ASSERT_TRUE(be.makeNativeEndian());
  EXPECT_FALSE(be.bigEndian);
  EXPECT_EQ(be.redShift, 8);
  EXPECT_EQ(be.greenShift, 16);
  EXPECT_EQ(be.blueShift, 24);

  PixelFormat beAlpha(32, 32, true, true, 255, 255, 255, 16, 8, 0, 255, 24);
  ASSERT_TRUE(beAlpha.makeNativeEndian());
  EXPECT_EQ(beAlpha.alphaShift, 0);

  PixelFormat be565 = PixelFormat::rgb565();
  be565.bigEndian = true;
  PixelFormat before = be565;
  EXPECT_FALSE(be565.makeNativeEndian());
  EXPECT_EQ(be565, before);
}

TEST(PixelFormat, WireFormRoundTripAndAlphaRule)
{
  rdr::MemOutStream os;
  PixelFormat::argb8888().write(os);
  ASSERT_EQ(os.length(), 16u);
  const uint8_t expect[16] = {32, 32,  0,  1, 0, 255, 0, 255,
                              0,  255, 16, 8, 0, 24,  0, 255};
  EXPECT_EQ(0, memcmp(os.data(), expect, 16));
  EXPECT_EQ(viaWire(expect), PixelFormat::argb8888());
  EXPECT_EQ(viaWire(expect).alphaShift, 24);

  // Depth 24 does not account for the alpha bits: alpha is dropped.
  uint8_t d24[16];
  memcpy(d24, expect, 16);
  d24[1] = 24;
  d24[2] = 7; // any non-zero byte means true
  PixelFormat pf = viaWire(d24);
  EXPECT_EQ(pf.alphaMax, 0);
  EXPECT_TRUE(pf.bigEndian);
}

// Names are parsed back only from developer-written settings; print() is
// what logs show, so one case per naming rule.
TEST(PixelFormat, NamesPrintedAndParsed)
{
  const struct {
    PixelFormat pf;
    const char* text;
  } cases[] = {
      {PixelFormat::rgb888(), "depth 24 (32 bpp) little-endian rgb888"},
      {PixelFormat::colourMap8(), "depth 8 (8 bpp) colour-map"},
      {PixelFormat(), "depth 8 (8 bpp) bgr233"},
      {PixelFormat(16, 16, false, true, 15, 15, 15, 4, 8, 12, 15, 0),
       "depth 16 (16 bpp) little-endian bgra4444"},
      {PixelFormat(32, 32, true, true, 255, 255, 255, 24, 16, 8, 255, 0),
       "depth 32 (32 bpp) big-endian rgba8888"},
      // A gap between channels: no short name fits.
      {PixelFormat(32, 24, false, true, 255, 255, 255, 24, 8, 0, 0, 0),
       "depth 24 (32 bpp) little-endian rgb max 255,255,255 shift 24,8,0"},
      {PixelFormat(32, 32, false, true, 255, 255, 255, 0, 8, 16, 3, 28),
       "depth 32 (32 bpp) little-endian rgb max 255,255,255 shift 0,8,16"
       " alpha max 3 shift 28"}};
  for (const auto& c : cases) {
    char buf[PixelFormat::PrintSize];
    c.pf.print(buf);
    EXPECT_STREQ(buf, c.text);
  }
  PixelFormat pf;
  ASSERT_TRUE(pf.parse("RGB565"));
  EXPECT_EQ(pf, PixelFormat::rgb565());
  ASSERT_TRUE(pf.parse("pal8"));
  EXPECT_EQ(pf, PixelFormat::colourMap8());
  for (const char* bad :
       {"rgb0a5", "rgb56", "rgb5650", "xyz565", "rgb505", "pal9", "pal"})
    EXPECT_FALSE(pf.parse(bad)) << bad;
}
