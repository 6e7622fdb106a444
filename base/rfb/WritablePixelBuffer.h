// A pixel buffer that can be written, with simple drawing on top.
//
// Drawing clips to getRect() and addresses pixels through getPixelsRW, so
// it works on any writable buffer. Pixel values are in the buffer's own
// format; 8, 16 and 32 bpp are stored as native integers, 24 bpp as three
// bytes, least significant first.
#pragma once

#include <rfb/PixelBuffer.h>

namespace rfb {

class WritablePixelBuffer : public PixelBuffer {
public:
  const uint8_t* getPixelsR(const Rect& r, int* stride) override
  {
    return getPixelsRW(r, stride);
  }
  // Writable pointer to the pixel at r.tl; see getPixelsR. Throws
  // plat::AssertionFail when a non-empty r lies outside the buffer.
  virtual uint8_t* getPixelsRW(const Rect& r, int* stride) = 0;

  // Fills r (clipped to the buffer) with one pixel value.
  void fillRect(const Rect& r, uint32_t pix);
  // Four filled bands of `thickness`: top, left, bottom, right.
  void drawOutline(const Rect& r, int thickness, uint32_t pix);
  // Bresenham line from a to b, both ends included, clipped point by point.
  void drawLine(const Point& a, const Point& b, uint32_t pix);

protected:
  using PixelBuffer::PixelBuffer;
  // Stores pix at p, which must lie inside the buffer.
  void storePixel(const Point& p, uint32_t pix);
};

} // namespace rfb
