// A writable pixel buffer over one contiguous frame in memory.
//
// The frame's first pixel is that of rect.tl; rows are `stride` pixels
// apart. The memory is not owned: whoever supplies it keeps it alive while
// the buffer (or any view onto it) is used.
#pragma once

#include <rfb/WritablePixelBuffer.h>

namespace rfb {

class FullFramePixelBuffer : public WritablePixelBuffer {
public:
  // A buffer over `data`; a stride of 0 means rect's width.
  FullFramePixelBuffer(const PixelFormat& pf, const Rect& rect, ColourMap* cm,
                       uint8_t* data, int stride = 0);
  // A view onto the part of `src` inside r (r is intersected with src's
  // rect); shares src's memory, format and colour map.
  FullFramePixelBuffer(WritablePixelBuffer& src, const Rect& r);

  // Null for an empty r (nothing checked). Otherwise throws
  // plat::AssertionFail with "getPixelsRW out of bounds: ..." unless rect
  // encloses r.
  uint8_t* getPixelsRW(const Rect& r, int* stride) override;

  int getStride() const { return stride; }
  // Pixel at (x, y), which must lie inside the buffer; bpp other than
  // 8/16/24/32 reads 0 and writes nothing.
  uint32_t getPixel(int x, int y) const;
  void setPixel(int x, int y, uint32_t value);

protected:
  FullFramePixelBuffer();

  uint8_t* data;
  int stride;
};

} // namespace rfb
