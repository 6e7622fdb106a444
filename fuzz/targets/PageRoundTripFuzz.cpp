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

namespace {

uint32_t loadPixel(const uint8_t* p, int bytes)
{
  uint32_t v = 0;
  memcpy(&v, p, size_t(bytes));  // compared as bytes: order does not matter
  return v;
}

} // namespace

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
      memcpy(pixels + (size_t(y) * size_t(stride) + size_t(x)) * bytesPP,
             &colour, size_t(bytesPP));
    }
  }

  rdr::MemOutStream out;
  rfb::encodePage(out, page);
  std::vector<uint8_t> payload;
  size_t used = rfb::readFramedMessage(out.data(), out.length(), payload);
  FUZZ_CHECK(used == out.length());
  rfb::RectMessage msg = rfb::RectMessage::parse(payload.data(), payload.size());
  FUZZ_CHECK(msg.encoding == rfb::PageFile::EncodingZRLE);
  FUZZ_CHECK(msg.rect == page.getRect());

  std::vector<uint8_t> back(size_t(w) * size_t(h) * size_t(bytesPP));
  rfb::ZRLEDecoder dec;
  dec.decodeRect(msg.rect, msg.data, msg.length, pf, back.data(), w);
  const uint32_t mask = significantBits(pf);
  for (int y = 0; y < h; y++) {
    for (int x = 0; x < w; x++) {
      const uint8_t* a =
          pixels + (size_t(y) * size_t(stride) + size_t(x)) * bytesPP;
      const uint8_t* b = back.data() + (size_t(y) * size_t(w) + size_t(x)) * bytesPP;
      // The mask is a pixel value; its bytes in the pixel's order.
      uint8_t m[4] = {};
      for (int i = 0; i < bytesPP; i++) {
        int shift = 8 * (pf.bigEndian ? bytesPP - 1 - i : i);
        m[i] = uint8_t(mask >> shift);
      }
      for (int i = 0; i < bytesPP; i++)
        FUZZ_CHECK((a[i] & m[i]) == (b[i] & m[i]));
    }
  }

  // The backend's own format also through the page-file reader.
  if (pf == rfb::PixelFormat::nativeRgb888()) {
    std::vector<uint8_t> file(rfb::PageFile::HeaderSize, 0);
    const uint32_t hdr[6] = {uint32_t(w), uint32_t(h), 0, 0, 0, 1};
    for (int i = 0; i < 6; i++)
      for (int j = 0; j < 4; j++)
        file[size_t(i * 4 + j)] = uint8_t(hdr[i] >> (24 - 8 * j));
    file.insert(file.end(), out.data(), out.data() + out.length());
    rfb::PageFile pageFile(std::move(file));
    rfb::ManagedPixelBuffer viewed(rfb::PageFile::pixelFormat(), w, h);
    pageFile.decode(viewed);
    int vStride;
    const uint8_t* v = viewed.getPixelsR(viewed.getRect(), &vStride);
    for (int y = 0; y < h; y++)
      for (int x = 0; x < w; x++)
        FUZZ_CHECK((loadPixel(v + (size_t(y) * size_t(vStride) + size_t(x)) * 4, 4) & 0xffffff) ==
                   (loadPixel(pixels + (size_t(y) * size_t(stride) + size_t(x)) * 4, 4) & 0xffffff));
  }
  return 0;
}

} // namespace jexfuzz
