#include <rfb/ManagedPixelBuffer.h>

#include <plat/Assert.h>

#include <cstring>
#include <new>

namespace rfb {

ManagedPixelBuffer::ManagedPixelBuffer() : keepContents(false), capacity_(0) {}

ManagedPixelBuffer::ManagedPixelBuffer(const PixelFormat& pf, int width,
                                       int height)
    : keepContents(false), capacity_(0)
{
  format = pf;
  rect = Rect(0, 0, width, height);
  allocate();
}

ManagedPixelBuffer::~ManagedPixelBuffer()
{
  delete[] data;
}

size_t ManagedPixelBuffer::sizeBytes() const
{
  if (rect.isEmpty())
    return 0;
  return size_t(format.bpp / 8) * size_t(rect.width()) * size_t(rect.height());
}

void ManagedPixelBuffer::setPF(const PixelFormat& pf)
{
  if (pf == format)
    return;
  PixelFormat old = format;
  format = pf;
  try {
    allocate();
  } catch (...) {
    format = old;
    throw;
  }
}

void ManagedPixelBuffer::setSize(int width, int height)
{
  if (width == rect.width() && height == rect.height())
    return;

  // Detach the old frame so that allocate() always obtains fresh memory;
  // the old one is kept until its contents have been copied across.
  uint8_t* oldData = data;
  int oldStride = stride;
  Rect oldRect = rect;
  size_t oldCapacity = capacity_;
  data = nullptr;
  capacity_ = 0;

  rect.br = Point(rect.tl.x + width, rect.tl.y + height);
  try {
    allocate();
  } catch (...) {
    data = oldData;
    stride = oldStride;
    rect = oldRect;
    capacity_ = oldCapacity;
    throw;
  }

  if (keepContents && oldData) {
    Rect overlap = oldRect.intersect(rect);
    int bytesPP = format.bpp / 8;
    size_t rowBytes = size_t(overlap.width()) * bytesPP;
    for (int y = 0; y < overlap.height(); y++)
      memcpy(data + size_t(y) * stride * bytesPP,
             oldData + size_t(y) * oldStride * bytesPP, rowBytes);
  }
  delete[] oldData;
}

void ManagedPixelBuffer::allocate()
{
  stride = rect.width() > 0 ? rect.width() : 0;
  size_t needed = sizeBytes();
  if (needed == 0) {
    install(nullptr, 0);
    return;
  }
  if (capacity_ < needed) {
    // The frame must stay addressable by 16-bit regions (grabRect and the
    // encoder's update regions).
    PLAT_ASSERT_THROW(Rect(RgnRect(rect)) == rect);
    uint8_t* mem = new uint8_t[needed];
    install(mem, needed);
  }
  memset(data, 0, needed);
}

void ManagedPixelBuffer::install(uint8_t* mem, size_t capacity)
{
  if (mem != data) {
    delete[] data;
    data = mem;
  }
  capacity_ = capacity;
  PLAT_ASSERT_THROW(capacity_ >= sizeBytes());
}

} // namespace rfb
