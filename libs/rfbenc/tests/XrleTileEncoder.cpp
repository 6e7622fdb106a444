#include "TestPages.h"

#include <rdr/MemOutStream.h>
#include <rfbenc/EncoderCallback.h>
#include <rfbenc/XrleCallback.h>
#include <rfbenc/XrlePaletteHelper.h>
#include <rfbenc/XrleTileEncoder.h>

#include <gtest/gtest.h>
#include <set>

using namespace rfb;
using namespace testpages;

namespace {

struct TileRun {
  Bytes raw;                    // uncompressed tile stream
  std::vector<uint8_t> subencs; // as the decoder saw them
  Bytes decoded;                // decoded pixels, rows packed
};

TileRun encodeAndDecode(ManagedPixelBuffer& page, const Rect& r,
                        bool reuse = false)
{
  EncoderCallback owner;
  XrleCallback hooks;
  TileRun run;
  XrleTileEncoder enc(&hooks, &owner, 64, reuse, !reuse);
  rdr::MemOutStream os;
  enc.encodeRect(r, os, page);
  run.raw.assign(os.data(), os.data() + os.length());
  Bytes z;
  jexfuzz::Deflater().compress(run.raw.data(), run.raw.size(), z);
  ZRLEDecoder dec;
  dec.setAllowPaletteReuse(reuse);
  run.decoded.resize(size_t(r.area()) * page.getPF().bpp / 8);
  dec.decodeRect(r, z.data(), z.size(), page.getPF(), run.decoded.data(),
                 r.width());
  run.subencs = dec.tileSubencodings();
  return run;
}

uint32_t rgb(const PixelFormat& pf, unsigned r, unsigned g, unsigned b)
{
  return ((r % (pf.redMax + 1u)) << pf.redShift) |
         ((g % (pf.greenMax + 1u)) << pf.greenShift) |
         ((b % (pf.blueMax + 1u)) << pf.blueShift);
}

// Pixel patterns that steer the tile analysis to each subencoding family.
uint32_t patternPixel(const PixelFormat& pf, int kind, int x, int y)
{
  switch (kind) {
  case 0: return rgb(pf, 10, 200, 30);                        // solid
  case 1: return (x + y) % 2 ? rgb(pf, 255, 255, 255) : 0;    // 2 colours
  case 2: return rgb(pf, (x / 3) % 4 * 60, y % 4 * 60, 7);    // 16 colours
  case 3: return rgb(pf, (x * 7 + y) % 100, 99, (x + y) % 3); // ~100, RLE
  case 4: {                                                   // noise
    uint32_t h = uint32_t(x) * 2654435761u ^ uint32_t(y) * 40503u;
    h ^= h >> 13;
    return rgb(pf, h, h >> 8, h >> 16);
  }
  case 5: return rgb(pf, y % 7 * 30, 0, 0); // stripes
  default:
    return (x / 5 + y / 9) % 3 ? rgb(pf, 250, 250, 250) // "text"
                               : rgb(pf, x % 2, 0, 0);
  }
}

} // namespace

TEST(XrleTileEncoder, RoundTripsEveryTileKindFormatAndSize)
{
  PixelFormat bigRgb = PixelFormat::rgb888();
  bigRgb.bigEndian = true;
  // Channels in the top three bytes: the CPIXEL is the last three bytes in
  // memory (little-endian) or the first three (big-endian).
  PixelFormat highLe(32, 24, false, true, 255, 255, 255, 24, 16, 8);
  PixelFormat highBe(32, 24, true, true, 255, 255, 255, 24, 16, 8);
  const PixelFormat formats[] = {PixelFormat::nativeRgb888(),
                                 PixelFormat::argb8888(),
                                 bigRgb,
                                 highLe,
                                 highBe,
                                 PixelFormat::rgb565(),
                                 PixelFormat::rgb222()};
  const int sizes[][2] = {{1, 1}, {65, 65}, {100, 1}, {130, 70}};
  std::set<int> seen;
  for (const PixelFormat& pf : formats) {
    for (auto& sz : sizes) {
      for (int kind = 0; kind < 7; kind++) {
        auto page = makePage(pf, sz[0], sz[1], [&](int x, int y) {
          return patternPixel(pf, kind, x, y);
        });
        Rect r(0, 0, sz[0], sz[1]);
        TileRun run = encodeAndDecode(*page, r);
        char desc[PixelFormat::PrintSize];
        pf.print(desc);
        SCOPED_TRACE(testing::Message() << desc << " " << sz[0] << "x" << sz[1]
                                        << " kind " << kind);
        expectSamePixels(*page, r, run.decoded);
        for (uint8_t s : run.subencs)
          seen.insert(s);
      }
    }
  }
  // Every family was exercised: raw, solid, packed at 1, 2 and 4 bits,
  // plain RLE and palette RLE.
  for (int s : {0, 1, 2, 3, 16, 128})
    EXPECT_TRUE(seen.count(s)) << s;
  EXPECT_GE(*seen.rbegin(), 130);
}

TEST(XrleTileEncoder, RunLengthCodes)
{
  const PixelFormat& pf = PixelFormat::nativeRgb888();
  // A run of n pixels of colour A, then B to the end: plain RLE of two
  // runs (8 bytes) beats palette RLE (10) and the packed palette (518).
  const struct {
    int n;
    Bytes code;
  } runs[] = {{255, {254}}, {256, {255, 0}}, {510, {255, 254}}};
  for (const auto& run : runs) {
    auto page = makePage(pf, 64, 64, [&](int x, int y) {
      return y * 64 + x < run.n ? 0x0a0b0cu : 0x010203u;
    });
    Bytes expect = {128, 0x0c, 0x0b, 0x0a};
    expect.insert(expect.end(), run.code.begin(), run.code.end());
    expect.insert(expect.end(), {0x03, 0x02, 0x01});
    // The rest of the tile: 255s, then the remainder of length - 1.
    expect.insert(expect.end(), (4095 - run.n) / 255, 255);
    expect.push_back(uint8_t((4095 - run.n) % 255));
    EXPECT_EQ(encodeAndDecode(*page, Rect(0, 0, 64, 64)).raw, expect)
        << "run of " << run.n;
  }
}

TEST(XrleTileEncoder, PaletteReuseRoundTrips)
{
  const PixelFormat& pf = PixelFormat::nativeRgb888();
  // Tile columns: checker A/B, solid A, solid A, checker A/B, noise,
  // checker B/A; rows repeat with a twist.
  auto page = makePage(pf, 6 * 64, 2 * 64, [&](int x, int y) {
    int col = x / 64;
    bool odd = (x + y) % 2;
    switch (col) {
    case 0:
    case 3: return odd ? 0xaau : 0xbbu;
    case 1:
    case 2: return 0xaau;
    case 4: return patternPixel(pf, 4, x, y);
    default: return odd ? 0xbbu : 0xaau;
    }
  });
  Rect r(0, 0, 6 * 64, 2 * 64);
  TileRun run = encodeAndDecode(*page, r, true);
  expectSamePixels(*page, r, run.decoded);
  EXPECT_EQ(run.subencs[0], 2);
  EXPECT_EQ(run.subencs[1], 1);
  EXPECT_EQ(run.subencs[2], 127); // the previous palette's only colour
  EXPECT_EQ(run.subencs[5], 127); // packed against the previous palette
}

TEST(XrlePaletteHelper, CollidingColoursProbeWithinTheSlack)
{
  // 127 colours that all hash to the last home slot: the probe sequence
  // runs through the whole slack area.
  std::vector<uint32_t> colours;
  for (uint32_t p = 0; colours.size() < XrlePaletteHelper::MAX_SIZE; p++) {
    if ((((p >> 20) ^ (p >> 10) ^ p) & 0x3ff) == 0x3ff)
      colours.push_back(p);
  }
  XrlePaletteHelper pal;
  for (size_t i = 0; i < colours.size(); i++)
    ASSERT_EQ(pal.insert(colours[i]), int(i));
  for (size_t i = 0; i < colours.size(); i++)
    EXPECT_EQ(pal.insert(colours[i]), int(i));
  EXPECT_EQ(pal.lookup(colours.back() + 1), -1);
  pal.clear();
  EXPECT_EQ(pal.lookup(colours[0]), -1);
}
