#include "SamplePattern.h"

namespace jextools {

void samplePixel(int page, unsigned x, unsigned y, uint8_t rgb[3])
{
  unsigned band = (y / 97 + (unsigned)page) % 4;
  if (band == 0) { // flat colour per page
    rgb[0] = (uint8_t)(40 * page);
    rgb[1] = 200;
    rgb[2] = 90;
  } else if (band == 1) { // gradient
    rgb[0] = (uint8_t)x;
    rgb[1] = (uint8_t)y;
    rgb[2] = (uint8_t)(x + y);
  } else if (band == 2) { // black strokes on white
    bool ink = ((x / 3) % 7 == 0) || ((x + y) % 29 < 2);
    uint8_t v = ink ? 0 : 255;
    rgb[0] = rgb[1] = rgb[2] = v;
  } else { // noisy, photo-like
    uint32_t h = (x * 2654435761u) ^ (y * 40503u) ^ (uint32_t)page;
    h ^= h >> 13;
    rgb[0] = (uint8_t)h;
    rgb[1] = (uint8_t)(h >> 8);
    rgb[2] = (uint8_t)(h >> 16);
  }
}

} // namespace jextools
