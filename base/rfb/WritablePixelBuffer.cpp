#include <rfb/WritablePixelBuffer.h>

#include <cstdlib>
#include <cstring>

namespace rfb {

namespace {

// Stores one pixel of `bytesPP` bytes: native integers for 1, 2 and 4
// bytes, least significant byte first for 3. memcpy keeps unaligned frames
// safe on strict-alignment processors.
inline void putPixel(uint8_t* p, int bytesPP, uint32_t pix)
{
  switch (bytesPP) {
  case 1: *p = uint8_t(pix); break;
  case 2: {
    uint16_t v = uint16_t(pix);
    memcpy(p, &v, 2);
    break;
  }
  case 3:
    p[0] = uint8_t(pix);
    p[1] = uint8_t(pix >> 8);
    p[2] = uint8_t(pix >> 16);
    break;
  case 4: memcpy(p, &pix, 4); break;
  default: break;
  }
}

} // namespace

void WritablePixelBuffer::storePixel(const Point& p, uint32_t pix)
{
  int stride;
  uint8_t* d = getPixelsRW(Rect(p.x, p.y, p.x + 1, p.y + 1), &stride);
  putPixel(d, format.bpp / 8, pix);
}

void WritablePixelBuffer::fillRect(const Rect& r, uint32_t pix)
{
  Rect dr = r.intersect(rect);
  if (dr.isEmpty())
    return;
  int stride;
  uint8_t* row = getPixelsRW(dr, &stride);
  int bytesPP = format.bpp / 8;
  size_t rowBytes = size_t(dr.width()) * bytesPP;
  size_t step = size_t(stride) * bytesPP;
  // Build the first row pixel by pixel, then copy it down.
  uint8_t* p = row;
  for (int x = 0; x < dr.width(); x++, p += bytesPP)
    putPixel(p, bytesPP, pix);
  for (int y = 1; y < dr.height(); y++)
    memcpy(row + step * y, row, rowBytes);
}

void WritablePixelBuffer::drawOutline(const Rect& r, int t, uint32_t pix)
{
  fillRect(Rect(r.tl.x, r.tl.y, r.br.x, r.tl.y + t), pix);
  fillRect(Rect(r.tl.x, r.tl.y, r.tl.x + t, r.br.y), pix);
  fillRect(Rect(r.tl.x, r.br.y - t, r.br.x, r.br.y), pix);
  fillRect(Rect(r.br.x - t, r.tl.y, r.br.x, r.br.y), pix);
}

void WritablePixelBuffer::drawLine(const Point& a, const Point& b, uint32_t pix)
{
  int dx = std::abs(b.x - a.x), sx = a.x < b.x ? 1 : -1;
  int dy = -std::abs(b.y - a.y), sy = a.y < b.y ? 1 : -1;
  int err = dx + dy;
  Point p = a;
  for (;;) {
    if (rect.contains(p))
      storePixel(p, pix);
    if (p == b)
      break;
    int e2 = 2 * err;
    if (e2 >= dy) {
      err += dy;
      p.x += sx;
    }
    if (e2 <= dx) {
      err += dx;
      p.y += sy;
    }
  }
}

} // namespace rfb
