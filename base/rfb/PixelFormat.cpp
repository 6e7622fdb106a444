#include <rfb/PixelFormat.h>

#include <plat/BoundedText.h>
#include <rdr/InStream.h>
#include <rdr/OutStream.h>

#include <cctype>
#include <cstring>
#include <strings.h>

namespace rfb {

namespace {

int bitCount(unsigned v)
{
  return __builtin_popcount(v);
}

// A channel as (max, shift), for matching the short names of print().
struct Chan {
  unsigned max;
  int shift;
};

// Whether the channels, listed from the least significant up, are packed
// from bit 0 without gaps, each exactly as wide as its max says, the top
// one ending at `depth`. Widths go to `widths`, in the same order.
bool packedChain(const Chan* c, int n, int depth, int* widths)
{
  int pos = 0;
  for (int i = 0; i < n; i++) {
    if (c[i].shift != pos)
      return false;
    int w = (i + 1 < n ? c[i + 1].shift : depth) - pos;
    if (w < 1 || w > 16 || c[i].max != (1u << w) - 1)
      return false;
    widths[i] = w;
    pos += w;
  }
  return true;
}

} // namespace

PixelFormat::PixelFormat()
    : bpp(8), depth(8), bigEndian(false), trueColour(true), redMax(7),
      greenMax(7), blueMax(3), alphaMax(0), redShift(0), greenShift(3),
      blueShift(6), alphaShift(0)
{
}

PixelFormat::PixelFormat(int b, int d, bool be, bool tc, int rm, int gm, int bm,
                         int rs, int gs, int bs, int am, int as)
    : bpp(uint8_t(b)), depth(uint8_t(d)), bigEndian(be), trueColour(tc),
      redMax(uint16_t(rm)), greenMax(uint16_t(gm)), blueMax(uint16_t(bm)),
      alphaMax(uint16_t(am)), redShift(uint8_t(rs)), greenShift(uint8_t(gs)),
      blueShift(uint8_t(bs)), alphaShift(uint8_t(as))
{
}

bool PixelFormat::isValid() const
{
  if (bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32)
    return false;
  if (depth < 1 || depth > bpp)
    return false;
  if (!trueColour)
    return depth <= 8;
  // Set bits are counted rather than the highest bit: a max is meant to be
  // a run of low ones, and this is the check peers have always applied.
  return redShift + bitCount(redMax) <= bpp &&
         greenShift + bitCount(greenMax) <= bpp &&
         blueShift + bitCount(blueMax) <= bpp &&
         alphaShift + bitCount(alphaMax) <= bpp;
}

bool PixelFormat::equal(const PixelFormat& o) const
{
  if (bpp != o.bpp || depth != o.depth)
    return false;
  if (bpp != 8 && bigEndian != o.bigEndian)
    return false;
  if (trueColour != o.trueColour)
    return false;
  if (!trueColour)
    return true;
  return redMax == o.redMax && greenMax == o.greenMax && blueMax == o.blueMax &&
         alphaMax == o.alphaMax && redShift == o.redShift &&
         greenShift == o.greenShift && blueShift == o.blueShift &&
         alphaShift == o.alphaShift;
}

bool PixelFormat::hasByteChannels() const
{
  return redMax <= 255 && greenMax <= 255 && blueMax <= 255 &&
         alphaMax <= 255 && redShift % 8 == 0 && greenShift % 8 == 0 &&
         blueShift % 8 == 0 && alphaShift % 8 == 0;
}

bool PixelFormat::makeNativeEndian()
{
  if (!bigEndian)
    return true;
  if (bpp == 8) {
    bigEndian = false;
    return true;
  }
  if (!hasByteChannels())
    return false;
  bigEndian = false;
  // The byte at offset k holds bits 8k.. in little-endian terms and bits
  // (bpp - 8 - 8k).. in big-endian ones.
  redShift = uint8_t(bpp - 8 - redShift);
  greenShift = uint8_t(bpp - 8 - greenShift);
  blueShift = uint8_t(bpp - 8 - blueShift);
  if (alphaMax != 0)
    alphaShift = uint8_t(bpp - 8 - alphaShift);
  return true;
}

void PixelFormat::write(rdr::OutStream& os) const
{
  os.writeU8(bpp);
  os.writeU8(depth);
  os.writeU8(bigEndian ? 1 : 0);
  os.writeU8(trueColour ? 1 : 0);
  os.writeU16(redMax);
  os.writeU16(greenMax);
  os.writeU16(blueMax);
  os.writeU8(redShift);
  os.writeU8(greenShift);
  os.writeU8(blueShift);
  os.writeU8(alphaShift);
  os.writeU16(alphaMax);
}

void PixelFormat::read(rdr::InStream& is)
{
  bpp = is.readU8();
  depth = is.readU8();
  bigEndian = is.readU8() != 0;
  trueColour = is.readU8() != 0;
  redMax = is.readU16();
  greenMax = is.readU16();
  blueMax = is.readU16();
  redShift = is.readU8();
  greenShift = is.readU8();
  blueShift = is.readU8();
  alphaShift = is.readU8();
  alphaMax = is.readU16();
  // Peers that know nothing of alpha leave garbage in those bytes (they are
  // padding to them); alpha is believed only when the depth accounts for it.
  if (alphaMax == 0 || depth != bitCount(redMax) + bitCount(greenMax) +
                                    bitCount(blueMax) + bitCount(alphaMax)) {
    alphaMax = 0;
    alphaShift = 0;
  }
}

bool PixelFormat::parse(const char* name)
{
  bool pal = strncasecmp(name, "pal", 3) == 0;
  trueColour = !pal;
  if (pal) {
    const char* p = name + 3;
    if (*p == '\0')
      return false;
    int n = 0;
    for (; *p; p++) {
      if (!isdigit((unsigned char)*p) || n > 8)
        return false;
      n = n * 10 + (*p - '0');
    }
    if (n < 1 || n > 8)
      return false;
    bpp = 8;
    depth = uint8_t(n);
    bigEndian = false;
    return true;
  }

  if (strlen(name) != 6)
    return false;
  bool rgb = strncasecmp(name, "rgb", 3) == 0;
  if (!rgb && strncasecmp(name, "bgr", 3) != 0)
    return false;
  int w[3];
  for (int i = 0; i < 3; i++) {
    char c = name[3 + i];
    if (c < '1' || c > '9')
      return false;
    w[i] = c - '0';
  }
  // w[0] is the most significant channel, w[2] the one at shift 0.
  int topMax = (1 << w[0]) - 1, midMax = (1 << w[1]) - 1,
      lowMax = (1 << w[2]) - 1;
  int topShift = w[1] + w[2], midShift = w[2];
  greenMax = uint16_t(midMax);
  greenShift = uint8_t(midShift);
  if (rgb) {
    redMax = uint16_t(topMax);
    redShift = uint8_t(topShift);
    blueMax = uint16_t(lowMax);
    blueShift = 0;
  } else {
    blueMax = uint16_t(topMax);
    blueShift = uint8_t(topShift);
    redMax = uint16_t(lowMax);
    redShift = 0;
  }
  depth = uint8_t(w[0] + w[1] + w[2]);
  bpp = depth <= 8 ? 8 : depth <= 16 ? 16 : 32;
  bigEndian = false;
  return true;
}

void PixelFormat::print(char* buf) const
{
  buf[0] = '\0';
  plat::boundedAppendFormat(buf, PrintSize, "depth %d (%d bpp)", depth, bpp);
  if (bpp != 8)
    plat::boundedAppendFormat(buf, PrintSize, " %s-endian",
                              bigEndian ? "big" : "little");
  if (!trueColour) {
    plat::boundedAppend(buf, PrintSize, " colour-map");
    return;
  }

  const Chan r{redMax, redShift}, g{greenMax, greenShift},
      b{blueMax, blueShift}, a{alphaMax, alphaShift};
  int w[4];
  if (alphaMax == 0) {
    const Chan rgbOrder[] = {b, g, r};
    if (packedChain(rgbOrder, 3, depth, w)) {
      plat::boundedAppendFormat(buf, PrintSize, " rgb%d%d%d", w[2], w[1], w[0]);
      return;
    }
  } else {
    const Chan rgba[] = {a, b, g, r};
    if (packedChain(rgba, 4, depth, w)) {
      plat::boundedAppendFormat(buf, PrintSize, " rgba%d%d%d%d", w[3], w[2],
                                w[1], w[0]);
      return;
    }
    const Chan argb[] = {b, g, r, a};
    if (packedChain(argb, 4, depth, w)) {
      plat::boundedAppendFormat(buf, PrintSize, " argb%d%d%d%d", w[3], w[2],
                                w[1], w[0]);
      return;
    }
  }
  if (alphaMax == 0) {
    const Chan bgrOrder[] = {r, g, b};
    if (packedChain(bgrOrder, 3, depth, w)) {
      plat::boundedAppendFormat(buf, PrintSize, " bgr%d%d%d", w[2], w[1], w[0]);
      return;
    }
  } else {
    const Chan bgra[] = {a, r, g, b};
    if (packedChain(bgra, 4, depth, w)) {
      plat::boundedAppendFormat(buf, PrintSize, " bgra%d%d%d%d", w[3], w[2],
                                w[1], w[0]);
      return;
    }
    const Chan abgr[] = {r, g, b, a};
    if (packedChain(abgr, 4, depth, w)) {
      plat::boundedAppendFormat(buf, PrintSize, " abgr%d%d%d%d", w[3], w[2],
                                w[1], w[0]);
      return;
    }
  }

  plat::boundedAppendFormat(buf, PrintSize, " rgb max %d,%d,%d shift %d,%d,%d",
                            redMax, greenMax, blueMax, redShift, greenShift,
                            blueShift);
  if (alphaMax != 0)
    plat::boundedAppendFormat(buf, PrintSize, " alpha max %d shift %d",
                              alphaMax, alphaShift);
}

// Function-local statics: built on first use, thread-safe by the language.

const PixelFormat& PixelFormat::rgb888()
{
  static const PixelFormat pf(32, 24, false, true, 255, 255, 255, 16, 8, 0);
  return pf;
}
const PixelFormat& PixelFormat::bgr888()
{
  static const PixelFormat pf(32, 24, false, true, 255, 255, 255, 0, 8, 16);
  return pf;
}
const PixelFormat& PixelFormat::rgb565()
{
  static const PixelFormat pf(16, 16, false, true, 31, 63, 31, 11, 5, 0);
  return pf;
}
const PixelFormat& PixelFormat::rgb555()
{
  static const PixelFormat pf(16, 15, false, true, 31, 31, 31, 10, 5, 0);
  return pf;
}
const PixelFormat& PixelFormat::rgb222()
{
  static const PixelFormat pf(8, 6, false, true, 3, 3, 3, 4, 2, 0);
  return pf;
}
const PixelFormat& PixelFormat::rgb111()
{
  static const PixelFormat pf(8, 3, false, true, 1, 1, 1, 2, 1, 0);
  return pf;
}
const PixelFormat& PixelFormat::colourMap8()
{
  static const PixelFormat pf(8, 8, false, false, 0, 0, 0, 0, 0, 0);
  return pf;
}
const PixelFormat& PixelFormat::argb8888()
{
  static const PixelFormat pf(32, 32, false, true, 255, 255, 255, 16, 8, 0, 255,
                              24);
  return pf;
}

namespace {
PixelFormat nativeOf(const PixelFormat& src)
{
  PixelFormat pf(src);
  pf.makeNativeEndian();
  return pf;
}
} // namespace

const PixelFormat& PixelFormat::nativeRgb888()
{
  static const PixelFormat pf = nativeOf(rgb888());
  return pf;
}
const PixelFormat& PixelFormat::nativeArgb8888()
{
  static const PixelFormat pf = nativeOf(argb8888());
  return pf;
}
const PixelFormat& PixelFormat::nativeBgr888()
{
  static const PixelFormat pf = nativeOf(bgr888());
  return pf;
}
const PixelFormat& PixelFormat::nativeAbgr8888()
{
  static const PixelFormat pf = nativeOf(
      PixelFormat(32, 32, false, true, 255, 255, 255, 0, 8, 16, 255, 24));
  return pf;
}

} // namespace rfb
