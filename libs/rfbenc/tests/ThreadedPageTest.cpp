#include "TestPages.h"

#include <plat/Exception.h>
#include <rdr/MemOutStream.h>
#include <rfbdec/PageFile.h>
#include <rfbenc/PageEncoder.h>

#include <gtest/gtest.h>

using namespace rfb;
using namespace testpages;

namespace {

uint32_t hash(int x, int y)
{
  uint32_t h = uint32_t(x) * 2654435761u ^ uint32_t(y) * 40503u;
  h ^= h >> 15;
  return h * 0x5bd1e995;
}

struct PageCase {
  const char* name;
  int w, h;
  uint32_t (*pixel)(int, int);
};

const PageCase pages[] = {
    {"noise", 190, 130, [](int x, int y) { return hash(x, y) & 0xffffff; }},
    {"text", 700, 300,
     [](int x, int y) {
       bool ink = y % 24 < 14 && x % 9 < 6 && (hash(x / 9, y / 24) & 3);
       return ink && hash(x, y) % 5 ? 0x101010u : 0xffffffu;
     }},
    {"flat", 640, 500, [](int, int) { return 0xf0f0f0u; }},
    {"tiny", 1, 1, [](int, int) { return 0x123456u; }},
    // Its tile stream spans several chunks of the parallel deflate.
    {"wide photo", 900, 520,
     [](int x, int y) {
       return uint32_t((x + (hash(x, y) & 7)) & 0xff) << 16 |
              uint32_t((y * 3) & 0xff) << 8 | (hash(x / 4, y / 4) & 0x3f);
     }},
};

Bytes encode(PixelBuffer& page, int threads)
{
  rdr::MemOutStream file;
  for (uint32_t v :
       {uint32_t(page.width()), uint32_t(page.height()), 0u, 0u, 9u, 1u})
    file.writeU32(v);
  if (threads)
    encodePage(file, page, threads);
  else
    encodePage(file, page);
  return Bytes(file.data(), file.data() + file.length());
}

// A page whose rows from failRow on cannot be read, as when the raster
// data ends early.
class BrokenPage : public ManagedPixelBuffer {
public:
  BrokenPage(int w, int h, int failRow)
      : ManagedPixelBuffer(PixelFormat::nativeRgb888(), w, h), fail_(failRow)
  {
  }
  const uint8_t* getPixelsR(const Rect& r, int* stride) override
  {
    if (r.br.y > fail_)
      throw plat::Exception("Unexpected end of CUPS page data");
    return ManagedPixelBuffer::getPixelsR(r, stride);
  }

private:
  int fail_;
};

} // namespace

// Every page decodes to its own pixels with any number of threads, and one
// thread writes exactly what the single-threaded encoder writes.
TEST(ThreadedPage, DecodesToTheSamePixelsWithAnyThreadCount)
{
  for (const PageCase& c : pages) {
    auto page = makePage(PixelFormat::nativeRgb888(), c.w, c.h,
                         [&](int x, int y) { return c.pixel(x, y); });
    const Bytes single = encode(*page, 0);
    for (int threads = 1; threads <= 4; threads++) {
      SCOPED_TRACE(testing::Message() << c.name << ", " << threads);
      Bytes bytes = encode(*page, threads);
      if (threads == 1) {
        EXPECT_EQ(bytes, single);
      }
      EXPECT_LE(bytes.size(), single.size() + single.size() / 100);
      PageFile pf(std::move(bytes));
      ManagedPixelBuffer out(PageFile::pixelFormat(), c.w, c.h);
      pf.decode(out);
      expectSameFrame(*page, out, Rect(0, 0, c.w, c.h));
    }
  }
}

// A read failure in the middle of a page surfaces from the encoding call
// with every worker stopped (the call returns at all).
TEST(ThreadedPage, SourceFailureStopsThePage)
{
  BrokenPage page(900, 600, 400);
  for (int threads : {2, 4}) {
    rdr::MemOutStream file;
    EXPECT_THROW(encodePage(file, page, threads), plat::Exception);
  }
}
