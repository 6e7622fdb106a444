#include <rfb/PixelBuffer.h>

#include <rfb/Region.h>

#include <cstring>

namespace rfb {

PixelBuffer::PixelBuffer() : colourMap(nullptr) {}

PixelBuffer::PixelBuffer(const PixelFormat& pf, const Rect& r, ColourMap* cm)
    : format(pf), rect(r), colourMap(cm)
{
}

PixelBuffer::~PixelBuffer() {}

void PixelBuffer::getImage(void* imageBuf, const Rect& r, int stride)
{
  if (r.isEmpty())
    return;
  int srcStride;
  const uint8_t* src = getPixelsR(r, &srcStride);
  int bytesPP = format.bpp / 8;
  if (stride == 0)
    stride = r.width();
  size_t rowBytes = size_t(r.width()) * bytesPP;
  size_t srcStep = size_t(srcStride) * bytesPP;
  size_t dstStep = size_t(stride) * bytesPP;
  uint8_t* dst = static_cast<uint8_t*>(imageBuf);
  for (int y = 0; y < r.height(); y++) {
    memcpy(dst, src, rowBytes);
    src += srcStep;
    dst += dstStep;
  }
}

void PixelBuffer::grabRegion(const Region&) {}

void PixelBuffer::grabRect(const Rect& r)
{
  if (!grabNeeded())
    return;
  grabRegion(Region(Rect(RgnRect(r))));
}

} // namespace rfb
