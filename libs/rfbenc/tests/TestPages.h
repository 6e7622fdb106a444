// Pages, compression and decoding helpers shared by the rfbenc tests.
#pragma once

#include "../../../fuzz/ZlibHelper.h"

#include <rfb/FullFramePixelBuffer.h>
#include <rfb/ManagedPixelBuffer.h>
#include <rfbdec/ZRLEDecoder.h>

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <vector>

namespace testpages {

using Bytes = std::vector<uint8_t>;

// A page of w x h pixels in pf whose pixel (x, y) is f(x, y).
inline std::unique_ptr<rfb::ManagedPixelBuffer>
makePage(const rfb::PixelFormat& pf, int w, int h,
         const std::function<uint32_t(int, int)>& f)
{
  auto pb = std::make_unique<rfb::ManagedPixelBuffer>(pf, w, h);
  int stride = 0;
  uint8_t* p = pb->getPixelsRW(rfb::Rect(0, 0, w, h), &stride);
  const int bpp = pf.bpp / 8;
  for (int y = 0; y < h; y++) {
    for (int x = 0; x < w; x++) {
      uint32_t v = f(x, y);
      uint8_t* d = p + (size_t(y) * stride + x) * bpp;
      for (int i = 0; i < bpp; i++) {
        int shift = pf.bigEndian ? 8 * (bpp - 1 - i) : 8 * i;
        d[i] = uint8_t(v >> shift);
      }
    }
  }
  return pb;
}

// Pixel-exact comparison of the rectangle r of two buffers.
inline void expectSameFrame(rfb::PixelBuffer& a, rfb::PixelBuffer& b,
                            const rfb::Rect& r)
{
  const size_t bpp = a.getPF().bpp / 8;
  int sa = 0, sb = 0;
  const uint8_t* pa = a.getPixelsR(r, &sa);
  const uint8_t* pb = b.getPixelsR(r, &sb);
  for (int y = 0; y < r.height(); y++)
    ASSERT_EQ(0, memcmp(pa + size_t(y) * sa * bpp, pb + size_t(y) * sb * bpp,
                        size_t(r.width()) * bpp))
        << "row " << y << " of " << r.width() << "x" << r.height();
}

// The same against the decoder's output for r, rows packed at r's width.
inline void expectSamePixels(rfb::PixelBuffer& page, const rfb::Rect& r,
                             Bytes& decoded)
{
  rfb::FullFramePixelBuffer out(page.getPF(), r, nullptr, decoded.data());
  expectSameFrame(page, out, r);
}

} // namespace testpages
