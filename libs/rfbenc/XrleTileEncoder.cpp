#include <rfbenc/XrleTileEncoder.h>

#include <plat/Assert.h>
#include <rfbenc/EncoderCallback.h>
#include <rfbenc/XrleEncodeTile.h>
#include <rfbenc/XrleFilterTile.h>

namespace rfb {

XrleTileEncoder::XrleTileEncoder(XrleCallback* cb, EncoderCallback* bufferOwner,
                                 int tileSize, bool reuseAllowed,
                                 bool resetPerRect)
    : cb_(cb), bufferOwner_(bufferOwner), tileSize_(tileSize),
      resetPerRect_(resetPerRect), reuseAllowedInit_(reuseAllowed),
      reuseAllowed_(reuseAllowed), cur_(&palettes_[0]), prev_(&palettes_[1])
{
  PLAT_ASSERT(tileSize > 0 && tileSize <= MaxTileSize);
}

void XrleTileEncoder::reset()
{
  reuseAllowed_ = reuseAllowedInit_;
  reusing_ = false;
  cur_->clear();
  prev_->clear();
}

XrleTileEncoder::CPixelForm XrleTileEncoder::cpixelForm(const PixelFormat& pf)
{
  if (pf.bpp != 32)
    return CPixelWhole;
  // Which bytes of the 32-bit value carry any channel. Shifts are taken
  // in 64 bits so that a malformed format cannot shift out of range.
  const uint32_t mask = uint32_t((uint64_t(pf.redMax) << pf.redShift) |
                                 (uint64_t(pf.greenMax) << pf.greenShift) |
                                 (uint64_t(pf.blueMax) << pf.blueShift) |
                                 (uint64_t(pf.alphaMax) << pf.alphaShift));
  const bool lowByteUsed = (mask & 0xff) != 0;
  if (mask < 0x1000000) {
    // The top byte is free: keep the three low-order bytes, which come
    // first in memory for little-endian formats.
    if (!pf.bigEndian || !lowByteUsed)
      return CPixelFirst3;
    return CPixelLast3;
  }
  if (lowByteUsed)
    return CPixelWhole;
  return pf.bigEndian ? CPixelFirst3 : CPixelLast3;
}

void XrleTileEncoder::encodeRect(const Rect& r, rdr::OutStream& os,
                                 PixelBuffer& source)
{
  if (resetPerRect_)
    reset();
  const PixelFormat& pf = source.getPF();
  const int pixelSize = pf.bpp / 8;
  // One pixel more than a tile holds: room for the run sentinel.
  const int items = MaxTilePixels + 1;
  void* buf = bufferOwner_->getBuffer(pixelSize, items, items, nullptr);

  switch (pf.bpp) {
  case 8:
    encodeTiles<uint8_t, 1, 0>(r, os, source, static_cast<uint8_t*>(buf));
    break;
  case 16:
    encodeTiles<uint16_t, 2, 0>(r, os, source, static_cast<uint16_t*>(buf));
    break;
  case 32:
    switch (cpixelForm(pf)) {
    case CPixelWhole:
      encodeTiles<uint32_t, 4, 0>(r, os, source, static_cast<uint32_t*>(buf));
      break;
    case CPixelFirst3:
      encodeTiles<uint32_t, 3, 0>(r, os, source, static_cast<uint32_t*>(buf));
      break;
    case CPixelLast3:
      encodeTiles<uint32_t, 3, 1>(r, os, source, static_cast<uint32_t*>(buf));
      break;
    }
    break;
  default:
    // 24-bit and other sizes have no tile form here; callers convert.
    break;
  }
}

} // namespace rfb
