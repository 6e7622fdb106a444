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
    {"noise", 190, 130, [](int x, int y) { return hash(x, y) >> 8; }},
    {"text", 700, 300,
     [](int x, int y) {
       bool ink = y % 24 < 14 && x % 9 < 6 && hash(x / 9, y / 24) % 4;
       return ink && hash(x, y) % 5 ? 0x101010u : 0xffffffu;
     }},
    {"flat", 640, 500, [](int, int) { return 0xf0f0f0u; }},
    {"tiny", 1, 1, [](int, int) { return 0x123456u; }},
    // Its tile stream spans several chunks of the parallel deflate.
    {"wide photo", 900, 520,
     [](int x, int y) {
       return uint32_t(x + hash(x, y) % 8) % 256 << 16 | y * 3 % 256 << 8 |
              hash(x / 4, y / 4) % 64;
     }},
};

// A page file of the page; threads 0: the single-threaded encodePage.
void encode(rdr::OutStream& file, PixelBuffer& page, int threads)
{
  for (int v : {page.width(), page.height(), 0, 0, 9, 1})
    file.writeU32(uint32_t(v));
  threads ? encodePage(file, page, threads) : encodePage(file, page);
}

// A page whose rows from 400 on cannot be read, as when raster data ends.
struct BrokenPage : ManagedPixelBuffer {
  BrokenPage() : ManagedPixelBuffer(PixelFormat::nativeRgb888(), 900, 600) {}
  const uint8_t* getPixelsR(const Rect& r, int* stride) override
  {
    if (r.br.y > 400)
      throw plat::Exception("Unexpected end of CUPS page data");
    return ManagedPixelBuffer::getPixelsR(r, stride);
  }
};

volatile sig_atomic_t cancels = 0;

// Mid-page, blocks SIGTERM on the reading thread and sends it to the
// process, as a cancel arriving inside a section the job must finish;
// `caught` is whether another thread took it meanwhile.
struct CancelledPage : ManagedPixelBuffer {
  CancelledPage() : ManagedPixelBuffer(PixelFormat::nativeRgb888(), 900, 600) {}
  const uint8_t* getPixelsR(const Rect& r, int* stride) override
  {
    if (r.tl.y == 320 && caught < 0) {
      sigset_t term;
      sigemptyset(&term);
      sigaddset(&term, SIGTERM);
      pthread_sigmask(SIG_BLOCK, &term, nullptr);
      kill(getpid(), SIGTERM);
      usleep(200000);
      caught = cancels;
      pthread_sigmask(SIG_UNBLOCK, &term, nullptr);
    }
    return ManagedPixelBuffer::getPixelsR(r, stride);
  }
  int caught = -1;
};

} // namespace

// Every page decodes to its own pixels with any number of threads, within
// 1% of the single-threaded size, and one thread writes exactly what the
// single-threaded encoder writes.
TEST(ThreadedPage, DecodesToTheSamePixelsWithAnyThreadCount)
{
  for (const PageCase& c : pages) {
    auto page = makePage(PixelFormat::nativeRgb888(), c.w, c.h, c.pixel);
    rdr::MemOutStream single;
    encode(single, *page, 0);
    for (int threads = 1; threads <= 4; threads++) {
      SCOPED_TRACE(testing::Message() << c.name << ", " << threads);
      rdr::MemOutStream file;
      encode(file, *page, threads);
      Bytes bytes(file.data(), file.data() + file.length());
      if (threads == 1) {
        EXPECT_EQ(bytes, Bytes(single.data(), single.data() + single.length()));
      }
      EXPECT_LE(bytes.size(), single.length() + single.length() / 100);
      ManagedPixelBuffer out(PageFile::pixelFormat(), c.w, c.h);
      PageFile(std::move(bytes)).decode(out);
      expectSameFrame(*page, out, Rect(0, 0, c.w, c.h));
    }
  }
}

// A failure on the reading thread or on a writing worker ends the page
// with its exception, after every worker has stopped.
TEST(ThreadedPage, FailuresEndThePage)
{
  BrokenPage broken;
  auto page = makePage(PixelFormat::nativeRgb888(), 900, 600, hash);
  for (int threads : {2, 4}) {
    rdr::MemOutStream file, full(16, 20000);
    EXPECT_THROW(encodePage(file, broken, threads), plat::Exception);
    EXPECT_THROW(encodePage(full, *page, threads), rdr::OutStreamFull);
  }
}

// Workers never take a signal meant for the process: it waits for the
// reading thread, however long that blocks it.
TEST(ThreadedPage, WorkersLeaveSignalsToTheReadingThread)
{
  struct sigaction sa = {}, old;
  sa.sa_handler = [](int) { cancels = cancels + 1; };
  sigaction(SIGTERM, &sa, &old);
  CancelledPage page;
  rdr::MemOutStream file;
  encodePage(file, page, 4);
  sigaction(SIGTERM, &old, nullptr);
  EXPECT_EQ(page.caught, 0);
  EXPECT_EQ(cancels, 1);
}
