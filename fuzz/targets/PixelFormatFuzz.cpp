// Pixel formats from the wire and from names: the 16-byte form read back
// as written, the byte-order rewrite keeping every pixel's meaning, and
// translation between two formats taken from the input.
#include "../FuzzCheck.h"
#include "../FuzzInput.h"
#include "../FuzzTargets.h"
#include "../PixelFormats.h"

#include <plat/Exception.h>
#include <rdr/MemInStream.h>
#include <rdr/MemOutStream.h>
#include <rfb/ManagedPixelBuffer.h>
#include <rfb/PixelFormat.h>
#include <rfb/TransPixelBuffer.h>

#include <cstring>
#include <string>
#include <vector>

namespace jexfuzz {

namespace {

bool sameFields(const rfb::PixelFormat& a, const rfb::PixelFormat& b)
{
  return a.bpp == b.bpp && a.depth == b.depth && a.bigEndian == b.bigEndian &&
         a.trueColour == b.trueColour && a.redMax == b.redMax &&
         a.greenMax == b.greenMax && a.blueMax == b.blueMax &&
         a.alphaMax == b.alphaMax && a.redShift == b.redShift &&
         a.greenShift == b.greenShift && a.blueShift == b.blueShift &&
         a.alphaShift == b.alphaShift;
}

rfb::PixelFormat readWire(FuzzInput& in)
{
  uint8_t wire[16] = {};
  size_t got;
  const uint8_t* p = in.take(16, &got);
  memcpy(wire, p, got);
  rdr::MemInStream is(wire, sizeof(wire));
  rfb::PixelFormat pf;
  pf.read(is);

  // Written and read again, the format is unchanged.
  rdr::MemOutStream os;
  pf.write(os);
  FUZZ_CHECK(os.length() == 16);
  rdr::MemInStream again(os.data(), os.length());
  rfb::PixelFormat pf2;
  pf2.read(again);
  FUZZ_CHECK(sameFields(pf, pf2));
  return pf;
}

uint32_t channel(uint32_t v, int shift, int max)
{
  return shift >= 32 ? 0 : (v >> shift) & uint32_t(max);
}

// makeNativeEndian describes the same bytes: every channel of a pixel
// stored in the old format reads the same in the new one.
void checkNativeEndian(rfb::PixelFormat pf, uint32_t v)
{
  rfb::PixelFormat old = pf;
  bool ok = pf.makeNativeEndian();
  if (!ok) {
    FUZZ_CHECK(sameFields(pf, old) && old.bigEndian && old.bpp != 8 &&
               !old.hasByteChannels());
    return;
  }
  FUZZ_CHECK(!pf.bigEndian);
  if (!old.trueColour || !old.bigEndian || old.bpp == 8)
    return;
  uint8_t bytes[4] = {};
  storePixel(old, v, bytes);
  uint32_t w = loadPixel(pf, bytes);
  FUZZ_CHECK(channel(v, old.redShift, old.redMax) ==
                 channel(w, pf.redShift, pf.redMax) &&
             channel(v, old.greenShift, old.greenMax) ==
                 channel(w, pf.greenShift, pf.greenMax) &&
             channel(v, old.blueShift, old.blueMax) ==
                 channel(w, pf.blueShift, pf.blueMax) &&
             channel(v, old.alphaShift, old.alphaMax) ==
                 channel(w, pf.alphaShift, pf.alphaMax));
}

void checkName(const std::string& name)
{
  rfb::PixelFormat pf;
  if (!pf.parse(name.c_str()))
    return;
  FUZZ_CHECK(pf.isValid());
  char text[rfb::PixelFormat::PrintSize];
  pf.print(text);
  // A true-colour name prints as the same short name, which parses back to
  // the same format.
  if (pf.trueColour) {
    const char* last = strrchr(text, ' ');
    FUZZ_CHECK(last && strlen(last + 1) == 6);
    rfb::PixelFormat again;
    FUZZ_CHECK(again.parse(last + 1));
    FUZZ_CHECK(sameFields(pf, again));
  }
}

void translate(const rfb::PixelFormat& from, const rfb::PixelFormat& to,
               FuzzInput& in)
{
  int w = in.range(1, 17), h = in.range(1, 9);
  rfb::ManagedPixelBuffer src(from, w, h);
  int stride;
  uint8_t* pixels = src.getPixelsRW(src.getRect(), &stride);
  int bytesPP = from.bpp / 8;
  for (int y = 0; y < h; y++) {
    size_t got;
    const uint8_t* p = in.take(size_t(w * bytesPP), &got);
    memcpy(pixels + size_t(y) * size_t(stride) * size_t(bytesPP), p, got);
  }
  rfb::TransPixelBuffer trans;
  trans.setPixelBuffer(&src);
  trans.setPF(to);
  std::vector<uint8_t> out(size_t(w * h) * 4);
  trans.getImage(out.data(), trans.getRect());
}

} // namespace

int fuzz_pixelFormat(const uint8_t* data, size_t size)
{
  FuzzInput in(data, size);
  rfb::PixelFormat a = readWire(in);
  rfb::PixelFormat b = readWire(in);
  char text[rfb::PixelFormat::PrintSize];
  a.print(text);
  FUZZ_CHECK(strlen(text) < sizeof(text));
  if (a.isValid())
    checkNativeEndian(a, in.u32());
  std::string name = in.piece('\n');
  checkName(name);
  if (a.isValid() && b.isValid()) {
    try {
      translate(a, b, in);
    } catch (plat::AssertionFail&) {
      // A pair of formats the translation cannot serve (colour maps).
    }
  }
  return 0;
}

} // namespace jexfuzz
