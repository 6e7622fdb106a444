#include "TestPages.h"

#include <plat/Exception.h>
#include <rdr/MemOutStream.h>
#include <rfbdec/PageFile.h>
#include <rfbenc/PageEncoder.h>

#include <gtest/gtest.h>

#include <csignal>
#include <unistd.h>

using namespace rfb;
using namespace testpages;

namespace {

uint32_t hash(int x, int y)
{
  uint32_t h = uint32_t(x) * 2654435761u ^ uint32_t(y) * 40503u;
  return (h ^ h >> 15) * 0x5bd1e995;
}

struct PageCase {
  const char* name;
  int w, h;
  uint32_t (*pixel)(int, int);
} const pages[] = {
    {"text", 700, 300,
     [](int x, int y) {
       bool ink = y % 24 < 14 && x % 9 < 6 && hash(x / 9, y / 24) % 4;
       return ink && hash(x, y) % 5 ? 0x101010u : 0xffffffu;
     }},
    {"flat", 640, 500, [](int, int) { return 0xf0f0f0u; }},
    {"tiny", 1, 1, [](int, int) { return 0x123456u; }},
    // Several chunks of the parallel deflate.
    {"wide photo", 900, 520,
     [](int x, int y) { return x % 256 << 16 | (hash(x / 4, y) & 0x3f3f); }},
};

// A page file of the page; threads 0: the single-threaded encodePage.
void encode(rdr::OutStream& file, PixelBuffer& page, int threads)
{
  for (int v : {page.width(), page.height(), 0, 0, 9, 1})
    file.writeU32(uint32_t(v));
  threads ? encodePage(file, page, threads) : encodePage(file, page);
}

// Calls `hook` with the top row of every area read, as a raster read would
// fail or be interrupted.
struct HookedPage : ManagedPixelBuffer {
  HookedPage() : ManagedPixelBuffer(PixelFormat::nativeRgb888(), 900, 600) {}
  const uint8_t* getPixelsR(const Rect& r, int* stride) override
  {
    hook(r.tl.y);
    return ManagedPixelBuffer::getPixelsR(r, stride);
  }
  std::function<void(int)> hook = [](int) {};
};

volatile sig_atomic_t cancels = 0;

} // namespace

// Any thread count: the same pixels, zlib header and size within 1%; one
// thread writes exactly what the single-threaded encoder writes.
TEST(ThreadedPage, DecodesToTheSamePixelsWithAnyThreadCount)
{
  for (const PageCase& c : pages) {
    auto page = makePage(PixelFormat::nativeRgb888(), c.w, c.h, c.pixel);
    rdr::MemOutStream one;
    encode(one, *page, 0);
    const Bytes single(one.data(), one.data() + one.length());
    for (int threads = 1; threads <= 4; threads++) {
      SCOPED_TRACE(testing::Message() << c.name << ", " << threads);
      rdr::MemOutStream file;
      encode(file, *page, threads);
      Bytes bytes(file.data(), file.data() + file.length());
      EXPECT_TRUE(threads > 1 || bytes == single);
      EXPECT_EQ(Bytes(&bytes[36], &bytes[38]), Bytes(&single[36], &single[38]));
      EXPECT_LE(bytes.size(), single.size() + single.size() / 100);
      ManagedPixelBuffer out(PageFile::pixelFormat(), c.w, c.h);
      PageFile(std::move(bytes)).decode(out);
      expectSameFrame(*page, out, Rect(0, 0, c.w, c.h));
    }
  }
}

// A failure on the reading thread or on a writing worker ends the page
// with its exception, workers stopped. Workers never take the process's
// signals: one blocked mid-page by the reading thread waits for it.
TEST(ThreadedPage, FailuresAndSignalsStayWithTheReadingThread)
{
  HookedPage broken, page;
  broken.hook = [](int y) {
    if (y >= 384)
      throw plat::Exception("Unexpected end of CUPS page data");
  };
  for (int threads : {2, 4}) {
    rdr::MemOutStream file, full(16, 16);
    EXPECT_THROW(encodePage(file, broken, threads), plat::Exception);
    EXPECT_THROW(encodePage(full, page, threads), rdr::OutStreamFull);
  }

  struct sigaction sa = {}, old;
  sa.sa_handler = [](int) { cancels = cancels + 1; };
  sigaction(SIGTERM, &sa, &old);
  int caught = -1;
  page.hook = [&](int y) {
    sigset_t term;
    sigemptyset(&term);
    sigaddset(&term, SIGTERM);
    if (y == 320 && caught < 0 && !pthread_sigmask(SIG_BLOCK, &term, nullptr)) {
      kill(getpid(), SIGTERM);
      usleep(200000);
      caught = cancels;
      pthread_sigmask(SIG_UNBLOCK, &term, nullptr);
    }
  };
  rdr::MemOutStream file;
  encodePage(file, page, 4);
  sigaction(SIGTERM, &old, nullptr);
  EXPECT_EQ(caught, 0);
  EXPECT_EQ(cancels, 1);
}
