// The picture on the sample pages: bands of flat colour, a gradient,
// text-like strokes and photo-like noise, so that every tile kind occurs.
// Shared by the sample raster tool and the tests that check decoded pages.
#pragma once

#include <cstdint>

namespace jextools {

// The colour of pixel (x, y) of page n, as red, green, blue.
void samplePixel(int page, unsigned x, unsigned y, uint8_t rgb[3]);

} // namespace jextools
