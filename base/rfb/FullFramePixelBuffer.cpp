#include <rfb/FullFramePixelBuffer.h>

#include <plat/Assert.h>

#include <cstddef>
#include <cstring>

namespace rfb {

FullFramePixelBuffer::FullFramePixelBuffer() : data(nullptr), stride(0) {}

FullFramePixelBuffer::FullFramePixelBuffer(const PixelFormat& pf, const Rect& r,
                                           ColourMap* cm, uint8_t* d, int s)
    : WritablePixelBuffer(pf, r, cm), data(d), stride(s ? s : r.width())
{
}

FullFramePixelBuffer::FullFramePixelBuffer(WritablePixelBuffer& src,
                                           const Rect& r)
    : WritablePixelBuffer(src.getPF(), r.intersect(src.getRect()),
                          src.getColourMap()),
      data(nullptr), stride(0)
{
  data = src.getPixelsRW(rect, &stride);
}

uint8_t* FullFramePixelBuffer::getPixelsRW(const Rect& r, int* strideOut)
{
  if (strideOut)
    *strideOut = stride;
  if (r.isEmpty())
    return nullptr;
  if (!rect.encloses(r)) {
    char req[Rect::PrintSize], own[Rect::PrintSize];
    plat::AssertionFail e("rect.encloses(r)", __FILE__, __LINE__);
    e.addDetail("getPixelsRW out of bounds: %s outside %s", r.print(req),
                rect.print(own));
    throw e;
  }
  // Pointer-sized arithmetic: a large frame overflows int.
  return data +
         ptrdiff_t(format.bpp / 8) * (ptrdiff_t(r.tl.x - rect.tl.x) +
                                      ptrdiff_t(stride) * (r.tl.y - rect.tl.y));
}

uint32_t FullFramePixelBuffer::getPixel(int x, int y) const
{
  const uint8_t* p =
      data + ptrdiff_t(format.bpp / 8) * (ptrdiff_t(x - rect.tl.x) +
                                          ptrdiff_t(stride) * (y - rect.tl.y));
  switch (format.bpp) {
  case 8: return *p;
  case 16: {
    uint16_t v;
    memcpy(&v, p, 2);
    return v;
  }
  case 24: return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16;
  case 32: {
    uint32_t v;
    memcpy(&v, p, 4);
    return v;
  }
  default: return 0;
  }
}

void FullFramePixelBuffer::setPixel(int x, int y, uint32_t value)
{
  if (format.bpp != 8 && format.bpp != 16 && format.bpp != 24 &&
      format.bpp != 32)
    return;
  storePixel(Point(x, y), value);
}

} // namespace rfb
