// The ZRLE decoder on hostile data: tile streams the fuzzer writes in the
// clear (compressed here) or raw compressed bytes, one rectangle or two
// that continue one stream, in every pixel format it decodes into. Only
// plat::Exception may come out; the output rectangle is never overrun
// (the buffer ends where the last row does).
#include "../FuzzCheck.h"
#include "../FuzzInput.h"
#include "../FuzzTargets.h"
#include "../ZlibHelper.h"

#include <plat/Exception.h>
#include <rfb/PixelFormat.h>
#include <rfbdec/ZRLEDecoder.h>

#include <vector>

namespace jexfuzz {

namespace {

// Every bpp the decoder takes, both byte orders, CPIXEL layouts of three
// bytes (low and high) and of whole pixels, and a colour map.
rfb::PixelFormat zrleFormat(uint8_t choice)
{
  switch (choice % 9) {
  case 0: return rfb::PixelFormat::nativeRgb888();
  case 1: return rfb::PixelFormat::bgr888();
  case 2: return rfb::PixelFormat::argb8888();
  case 3: return rfb::PixelFormat::rgb565();
  case 4: return rfb::PixelFormat::rgb555();
  case 5: return rfb::PixelFormat(); // bgr233
  case 6: return rfb::PixelFormat::colourMap8();
  // big-endian 32-bit, colour in the high three bytes
  case 7: return rfb::PixelFormat(32, 24, true, true, 255, 255, 255, 24, 16, 8);
  // big-endian rgb565
  default: return rfb::PixelFormat(16, 16, true, true, 31, 63, 31, 11, 5, 0);
  }
}

} // namespace

int fuzz_zrleDecode(const uint8_t* data, size_t size)
{
  FuzzInput in(data, size);
  rfb::PixelFormat pf = zrleFormat(in.byte());
  uint8_t flags = in.byte();
  bool raw = flags & 1, twoRects = flags & 2;
  int w = in.range(1, 150), h = in.range(1, 140);
  int pad = in.range(0, 3);
  size_t split = in.u16();

  size_t got;
  const uint8_t* body = in.take(in.remaining(), &got);
  if (split > got)
    split = got;
  std::vector<uint8_t> first, second;
  if (raw) {
    first.assign(body, body + split);
    second.assign(body + split, body + got);
  } else {
    Deflater z;
    z.compress(body, split, first);
    z.compress(body + split, got - split, second);
  }
  if (!twoRects) {
    first.insert(first.end(), second.begin(), second.end());
    second.clear();
  }

  // Two rectangles side by side share the buffer; the second continues the
  // first one's stream.
  int stride = (twoRects ? 2 * w : w) + pad;
  size_t bytesPP = pf.bpp / 8;
  // Exactly the bytes the rectangles' rows reach, so ASan sees an overrun.
  size_t used = size_t(h - 1) * size_t(stride) + size_t(twoRects ? 2 * w : w);
  std::vector<uint8_t> pixels(used * bytesPP);
  rfb::ZRLEDecoder dec;
  dec.setAllowPaletteReuse(flags & 4);
  try {
    dec.decodeRect(rfb::Rect(0, 0, w, h), first.data(), first.size(), pf,
                   pixels.data(), stride);
    FUZZ_CHECK(dec.tileSubencodings().size() ==
               size_t((w + 63) / 64) * size_t((h + 63) / 64));
    if (twoRects)
      dec.decodeRect(rfb::Rect(w, 0, 2 * w, h), second.data(), second.size(),
                     pf, pixels.data() + size_t(w) * bytesPP, stride);
  } catch (plat::Exception&) {
  }
  return 0;
}

} // namespace jexfuzz
