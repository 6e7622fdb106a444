// The page encoder against the independent decoder: any page, in any
// format the encoder takes, must decode back to the same colours. Pages
// are drawn from a small palette with runs, so that every subencoding
// (raw, solid, packed palette, RLE, palette RLE) gets its turn.
#include "../FuzzCheck.h"
#include "../FuzzInput.h"
#include "../FuzzTargets.h"
#include "../PixelFormats.h"

#include <rdr/MemOutStream.h>
#include <rfb/ManagedPixelBuffer.h>
#include <rfbdec/PageFile.h>
#include <rfbdec/RectMessage.h>
#include <rfbdec/ZRLEDecoder.h>
#include <rfbenc/PageEncoder.h>

#include <cstring>
#include <vector>

namespace jexfuzz {

int fuzz_pageRoundTrip(const uint8_t* data, size_t size)
{
  FuzzInput in(data, size);
  rfb::PixelFormat pf = zrleFormat(in.byte());
  int w = in.range(1, 200), h = in.range(1, 150);
  int nColours = in.range(1, 64);
  std::vector<uint32_t> colours(static_cast<size_t>(nColours));
  for (uint32_t& c : colours)
    c = in.u32();

  rfb::ManagedPixelBuffer page(pf, w, h);
  int stride;
  uint8_t* pixels = page.getPixelsRW(page.getRect(), &stride);
  const int bytesPP = pf.bpp / 8;
  auto at = [&](auto* base, int rowPixels, int x, int y) {
    return base + (size_t(y) * size_t(rowPixels) + size_t(x)) * bytesPP;
  };
  // A byte below 128 picks the next pixel's colour; one above repeats the
  // last colour (b & 127) * 4 times; at the end of the input the last
  // colour fills the page.
  uint32_t colour = colours[0];
  int repeat = 0;
  for (int y = 0; y < h; y++) {
    for (int x = 0; x < w; x++) {
      if (repeat > 0) {
        repeat--;
      } else if (!in.empty()) {
        uint8_t b = in.byte();
        if (b & 128)
          repeat = (b & 127) * 4;
        else
          colour = colours[b % colours.size()];
      }
      memcpy(at(pixels, stride, x, y), &colour, size_t(bytesPP));
    }
  }

  rdr::MemOutStream out;
  rfb::encodePage(out, page);
  std::vector<uint8_t> payload;
  size_t used = rfb::readFramedMessage(out.data(), out.length(), payload);
  FUZZ_CHECK(used == out.length());
  rfb::RectMessage msg =
      rfb::RectMessage::parse(payload.data(), payload.size());
  FUZZ_CHECK(msg.encoding == rfb::PageFile::EncodingZRLE);
  FUZZ_CHECK(msg.rect == page.getRect());

  std::vector<uint8_t> back(size_t(w) * size_t(h) * size_t(bytesPP));
  rfb::ZRLEDecoder dec;
  dec.decodeRect(msg.rect, msg.data, msg.length, pf, back.data(), w);
  const uint32_t mask = significantBits(pf);
  for (int y = 0; y < h; y++)
    for (int x = 0; x < w; x++)
      FUZZ_CHECK((loadPixel(pf, at(pixels, stride, x, y)) & mask) ==
                 (loadPixel(pf, at(back.data(), w, x, y)) & mask));

  // The backend's own format also through the page-file reader.
  if (pf == rfb::PixelFormat::nativeRgb888()) {
    std::vector<uint8_t> file;
    for (uint32_t v : {uint32_t(w), uint32_t(h), 0u, 0u, 0u, 1u})
      putU32(file, v);
    file.insert(file.end(), out.data(), out.data() + out.length());
    rfb::PageFile pageFile(std::move(file));
    rfb::ManagedPixelBuffer viewed(rfb::PageFile::pixelFormat(), w, h);
    pageFile.decode(viewed);
    int vStride;
    const uint8_t* v = viewed.getPixelsR(viewed.getRect(), &vStride);
    for (int y = 0; y < h; y++)
      for (int x = 0; x < w; x++)
        FUZZ_CHECK((loadPixel(pf, at(v, vStride, x, y)) & 0xffffff) ==
                   (loadPixel(pf, at(pixels, stride, x, y)) & 0xffffff));
  }
  return 0;
}

} // namespace jexfuzz
