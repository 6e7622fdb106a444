// Page files as the session agent's viewer reads them: whole files as
// given, or a well-formed wrapper (header, frames, rectangle header, zlib)
// around tile data from the fuzzer. Only plat::Exception may come out.
#include "../FuzzCheck.h"
#include "../FuzzInput.h"
#include "../FuzzTargets.h"
#include "../ZlibHelper.h"

#include <plat/Exception.h>
#include <rfb/ManagedPixelBuffer.h>
#include <rfbdec/PageFile.h>

#include <algorithm>
#include <vector>

namespace jexfuzz {

namespace {

// A page file of w x h whose message carries `tiles` compressed, split into
// frames of at most `frame` bytes.
std::vector<uint8_t> wrap(int w, int h, FuzzInput& in)
{
  size_t frame = size_t(in.range(1, 32767));
  std::vector<uint8_t> file;
  // Physical size and paper code (the middle three) are not checked.
  for (uint32_t v :
       {uint32_t(w), uint32_t(h), in.u32(), in.u32(), in.u32(), 1u})
    putU32(file, v);
  std::vector<uint8_t> payload;
  // Rectangle header: 0x8000 | ZRLE, then x, y, w, h.
  for (unsigned v : {0x8010u, 0u, 0u, unsigned(w), unsigned(h)})
    putU16(payload, v);
  size_t got;
  const uint8_t* tiles = in.take(in.remaining(), &got);
  Deflater z;
  z.compress(tiles, got, payload);
  for (size_t i = 0; i < payload.size(); i += frame) {
    size_t n = std::min(frame, payload.size() - i);
    putU16(file, unsigned(n) | (i + n == payload.size() ? 0x8000 : 0));
    file.insert(file.end(), payload.begin() + long(i),
                payload.begin() + long(i + n));
  }
  return file;
}

} // namespace

int fuzz_pageFile(const uint8_t* data, size_t size)
{
  FuzzInput in(data, size);
  std::vector<uint8_t> file;
  if (in.byte() & 1) {
    int w = in.range(1, 300), h = in.range(1, 300);
    file = wrap(w, h, in);
  } else {
    size_t got;
    const uint8_t* p = in.take(in.remaining(), &got);
    file.assign(p, p + got);
  }
  try {
    rfb::PageFile page(std::move(file));
    const rfb::PageFile::Header& hd = page.header();
    // The viewer's buffer is its own business; keep it to a sane size.
    if (uint64_t(hd.width) * hd.height > (1u << 20))
      return 0;
    rfb::ManagedPixelBuffer pb(rfb::PageFile::pixelFormat(), int(hd.width),
                               int(hd.height));
    page.decode(pb);
  } catch (plat::Exception&) {
  }
  return 0;
}

} // namespace jexfuzz
