// A read-only rectangle of pixels in a known format.
//
// A PixelBuffer covers the coordinates of `rect` (its top-left need not be
// 0,0) with pixels laid out as `format` says; colour-map formats name their
// ColourMap (not owned). Pixels are read through getPixelsR, which gives a
// pointer into rows `stride` pixels apart, or copied out with getImage.
// Readers must keep requests inside getRect(); a buffer that feeds the
// encoder serves at least a whole 64 x 64 tile per call.
#pragma once

#include <rfb/ColourMap.h>
#include <rfb/ImageGetter.h>
#include <rfb/PixelFormat.h>
#include <rfb/Rect.h>

#include <cstdint>

namespace rfb {

class Region;

class PixelBuffer : public ImageGetter {
public:
  PixelBuffer(const PixelFormat& pf, const Rect& rect, ColourMap* cm = nullptr);
  ~PixelBuffer() override;

  const PixelFormat& getPF() const { return format; }
  const Rect& getRect() const { return rect; }
  int width() const { return rect.width(); }
  int height() const { return rect.height(); }
  int bytesPerPixel() const { return format.bpp / 8; }

  // Copies via getPixelsR, row by row.
  void getImage(void* imageBuf, const Rect& r, int stride = 0) override;
  virtual ColourMap* getColourMap() const { return colourMap; }
  // Pointer to the pixel at r.tl; *stride receives the distance between
  // rows in pixels. The pointer is owned by the buffer and valid until the
  // buffer next changes (for translating buffers, until the next call).
  virtual const uint8_t* getPixelsR(const Rect& r, int* stride) = 0;
  // Brings the pixels of `region` up to date before they are read. The
  // default does nothing.
  virtual void grabRegion(const Region& region);
  // Whether grabRect must call grabRegion at all; buffers that override
  // grabRegion to do real work return true.
  virtual bool grabNeeded() const { return false; }

  // grabRegion for one rectangle, clamped to 16-bit coordinates; skipped
  // unless grabNeeded().
  void grabRect(const Rect& r);

protected:
  PixelBuffer();

  PixelFormat format;
  Rect rect;
  ColourMap* colourMap;
};

} // namespace rfb
