#include "../../../base/plat/tests/TestUtil.h"
#include "../../../fuzz/ZlibHelper.h"

#include <plat/Exception.h>
#include <rfbdec/RectMessage.h>
#include <rfbdec/ZRLEDecoder.h>

#include <gtest/gtest.h>

#include <vector>

using namespace rfb;
using Bytes = std::vector<uint8_t>;
using V = std::vector<uint32_t>;

namespace {

// One decoder fed one zlib stream cut at sync-flush points, as an encoder
// produces it.
struct Stream {
  // Decodes raw tiles for rect into out, a buffer of stride pixels a row.
  void decode(const Rect& rect, const Bytes& tiles, uint32_t* out, int stride)
  {
    Bytes z;
    zlib.compress(tiles.data(), tiles.size(), z);
    dec.decodeRect(rect, z.data(), z.size(), PixelFormat::nativeRgb888(),
                   reinterpret_cast<uint8_t*>(out), stride);
  }
  jexfuzz::Deflater zlib;
  ZRLEDecoder dec;
};

std::string decodeError(const Bytes& tiles, int w, int h)
{
  V px(size_t(w) * h);
  return testutil::thrownMessage(
      [&] { Stream().decode(Rect(0, 0, w, h), tiles, px.data(), w); });
}

const uint32_t A = 0x00112233, B = 0x00aabbcc;
// CPIXELs of the native rgb888 format: blue, green, red.
#define CA 0x33, 0x22, 0x11
#define CB 0xcc, 0xbb, 0xaa
#define CC 0x03, 0x02, 0x01

} // namespace

TEST(ZRLEDecoder, PreviousPaletteOnlyWhenAllowed)
{
  // Three 64 x 1 rectangles of one stream: a packed tile with palette
  // {A, B}, then packed (127) and palette RLE (129) against it.
  Stream s;
  s.dec.setAllowPaletteReuse(true);
  V row(64);
  s.decode(Rect(0, 0, 64, 1), {2, CA, CB, 0x80, 0, 0, 0, 0, 0, 0, 0},
           row.data(), 64);
  EXPECT_EQ((V{row[0], row[1]}), (V{B, A}));
  s.decode(Rect(0, 0, 64, 1), {127, 0x40, 0, 0, 0, 0, 0, 0, 0}, row.data(), 64);
  EXPECT_EQ((V{row[0], row[1], row[2]}), (V{A, B, A}));
  s.decode(Rect(0, 0, 64, 1), {129, 1, 128 | 0, 62}, row.data(), 64);
  EXPECT_EQ((V{row[0], row[1], row[63]}), (V{B, A, A}));

  EXPECT_EQ(decodeError({127}, 1, 1), "ZRLE: unused subencoding 127");
}

TEST(ZRLEDecoder, CorruptDataIsRefused)
{
  EXPECT_EQ(decodeError({3, CA, CB, CC, 0xc0}, 1, 1),
            "ZRLE: palette index out of range");
  EXPECT_EQ(decodeError({128, CA, 4}, 2, 2),
            "ZRLE: run past the end of a tile");
  EXPECT_EQ(decodeError({1, CA, 0}, 1, 1),
            "ZRLE: data left after the last tile");
  EXPECT_EQ(decodeError({0, CA}, 2, 1),
            "ZRLE: compressed data ends inside a rectangle");

  uint32_t px;
  const uint8_t junk[] = {1, 2, 3, 4, 5, 6}; // not zlib data
  EXPECT_THROW(ZRLEDecoder().decodeRect(Rect(0, 0, 1, 1), junk, sizeof(junk),
                                        PixelFormat::nativeRgb888(),
                                        (uint8_t*)&px, 1),
               plat::Exception);
}

TEST(RectMessage, FramesJoinAndHeaderParses)
{
  // Two frames: 3 bytes, then the last frame with 9 bytes.
  Bytes wire = {0x00, 0x03, 0x80, 0x10, 0x00, 0x80, 0x09, 0x05, 0x00,
                0x07, 0x00, 0x64, 0x00, 0x01, 0xaa, 0xbb, 0xff};
  Bytes payload;
  EXPECT_EQ(readFramedMessage(wire.data(), wire.size(), payload), 16u);
  RectMessage m = RectMessage::parse(payload.data(), payload.size());
  EXPECT_EQ(m.encoding, 16);
  EXPECT_EQ(m.rect, Rect(5, 7, 105, 8));
  EXPECT_EQ(m.data[0], 0xaa);

  payload.clear();
  EXPECT_THROW(readFramedMessage(wire.data(), 4, payload), plat::Exception);
  EXPECT_THROW(RectMessage::parse(payload.data(), 5), plat::Exception);
  const uint8_t noFlag[10] = {0x00, 0x10};
  EXPECT_THROW(RectMessage::parse(noFlag, 10), plat::Exception);
}
