#include <rfbenc/PageEncoder.h>

#include <plat/unix/WorkerPool.h>
#include <rdr/BufferedOutStream.h>
#include <rdr/ParallelZlibOutStream.h>
#include <rfb/FullFramePixelBuffer.h>
#include <rfb/PixelBuffer.h>
#include <rfb/TransPixelBuffer.h>
#include <rfbenc/EncoderCallbackV4.h>
#include <rfbenc/XrleCallback.h>
#include <rfbenc/XrleTileEncoder.h>
#include <rfbenc/ZRLEEncoder.h>

#include <unistd.h>

#include <algorithm>
#include <exception>
#include <memory>
#include <vector>

namespace rfb {

namespace {
int onlineCores()
{
  long n = sysconf(_SC_NPROCESSORS_ONLN);
  return int(std::clamp(n, 1L, 4L));
}
} // namespace

plat::IntParameter encoderThreads(
    "EncoderThreads",
    "Threads that encode and compress a printed page (1: no extra threads)",
    onlineCores(), true, nullptr, 1, 4);

void encodePage(rdr::OutStream& file, PixelBuffer& page)
{
  EncoderCallbackV4 cb(&file, 16384);
  ZRLEEncoder encoder(&cb, ZRLEEncoder::EncodingZRLE, false, 64, false, true);
  encoder.writeRect(Rect(0, 0, page.width(), page.height()), page, nullptr);
}

namespace {

// The page in bands of one tile row, each read and then translated and
// tile encoded by the same thread, so that its pixels are still in that
// thread's cache and only tile bytes pass between threads. Every thread
// runs the same loop: it takes the next band once the band before it has
// been read (the page is one sequential stream), reads it, and encodes it.
// The tile bytes go into the zlib stream in page order: a band's bytes are
// held in a small buffer of its thread until the band before it has been
// encoded, and pass straight through from then on. A thread that waits
// runs the zlib stream's compression jobs meanwhile. Without palette reuse
// a tile's bytes do not depend on other tiles, so the tile stream is the
// single-threaded encoder's, byte for byte.
class BandLoops {
public:
  enum { TileSize = 64, TileBuffer = 131072 };

  BandLoops(rdr::OutStream& zos, plat::WorkerPool& pool, PixelBuffer& page,
            const PixelFormat& pf)
      : zos_(zos), pool_(pool), page_(page), pf_(pf),
        bands_((page.height() + TileSize - 1) / TileSize)
  {
  }

  // Waits until no loop is left; those not started yet end at once.
  ~BandLoops()
  {
    plat::MutexLock l(pool_.mutex());
    stopping_ = true;
    pool_.notify();
    pool_.wait([&] { return loops_ == 0; });
  }

  BandLoops(const BandLoops&) = delete;
  BandLoops& operator=(const BandLoops&) = delete;

  // Runs one loop on each worker and one on the calling thread, and
  // returns when all have ended; throws the first failure of any.
  void run()
  {
    {
      plat::MutexLock l(pool_.mutex());
      loops_ = pool_.workers() + 1;
      // For workers only: a loop started inside another's wait could wait
      // for the band its host holds.
      for (int i = 0; i < pool_.workers(); i++)
        pool_.post([this] { loop(); }, true);
    }
    loop();
    plat::MutexLock l(pool_.mutex());
    pool_.wait([&] { return loops_ == 0; });
    if (failure_)
      std::rethrow_exception(failure_);
  }

private:
  class Stopped {};

  // A loop's tile bytes on their way to the zlib stream.
  class TileStream : public rdr::BufferedOutStream {
  public:
    explicit TileStream(BandLoops& loops)
        : rdr::BufferedOutStream(TileBuffer), loops_(loops)
    {
    }
    void startBand(int band)
    {
      band_ = band;
      turn_ = false;
    }

  protected:
    size_t writeBuffer(const uint8_t* data, size_t len, bool wait) override
    {
      if (!turn_) {
        plat::MutexLock l(loops_.pool_.mutex());
        if (!wait && loops_.nextEncode_ != band_)
          return 0;
        loops_.pool_.wait(
            [&] { return loops_.stopped() || loops_.nextEncode_ == band_; });
        if (loops_.stopped())
          throw Stopped();
        turn_ = true;
      }
      loops_.zos_.writeBytes(data, len);
      return len;
    }

  private:
    BandLoops& loops_;
    int band_ = 0;
    bool turn_ = false;
  };

  // What a loop reads into and encodes with.
  struct Tools {
    Tools(BandLoops& loops, const PixelFormat& pf, size_t bandBytes)
        : pixels(new uint8_t[bandBytes ? bandBytes : 1]), out(loops),
          tiles(&noHooks, &buffers, TileSize, false, true)
    {
      trans.setPF(pf);
    }
    std::unique_ptr<uint8_t[]> pixels;
    TransPixelBuffer trans;
    TileStream out;
    XrleCallback noHooks;
    EncoderCallback buffers;
    XrleTileEncoder tiles;
  };

  void loop()
  {
    const Rect page = page_.getRect();
    std::unique_ptr<Tools> tools;
    plat::MutexLock l(pool_.mutex());
    try {
      for (;;) {
        pool_.wait([&] { return stopped() || !reading_; });
        if (stopped() || nextRead_ == bands_)
          break;
        const int band = nextRead_++;
        reading_ = true;
        const int y = page.tl.y + band * TileSize;
        const Rect r(page.tl.x, y, page.br.x,
                     std::min(y + TileSize, page.br.y));
        {
          plat::MutexUnlock u(pool_.mutex());
          if (!tools)
            tools.reset(new Tools(*this, pf_,
                                  size_t(page.width()) * TileSize *
                                      page_.bytesPerPixel()));
          page_.getImage(tools->pixels.get(), r);
        }
        reading_ = false;
        pool_.notify();
        {
          plat::MutexUnlock u(pool_.mutex());
          FullFramePixelBuffer pixels(page_.getPF(), r, page_.getColourMap(),
                                      tools->pixels.get());
          tools->trans.setPixelBuffer(&pixels);
          tools->out.startBand(band);
          tools->tiles.encodeRect(r, tools->out, tools->trans);
          tools->out.flush();
        }
        nextEncode_++;
        pool_.notify();
      }
    } catch (Stopped&) {
    } catch (...) {
      if (!failure_)
        failure_ = std::current_exception();
    }
    loops_--;
    pool_.notify();
  }

  bool stopped() const { return stopping_ || failure_; }

  rdr::OutStream& zos_;
  plat::WorkerPool& pool_;
  PixelBuffer& page_;
  const PixelFormat pf_;
  const int bands_;
  // Guarded by the pool's mutex.
  int nextRead_ = 0; // the band to read next
  bool reading_ = false;
  int nextEncode_ = 0; // the band whose tiles go into the stream now
  int loops_ = 0;      // loops posted or running
  bool stopping_ = false;
  std::exception_ptr failure_;
};

} // namespace

void encodePage(rdr::OutStream& file, PixelBuffer& page, const PixelFormat& pf,
                int threads)
{
  if (threads <= 1) {
    TransPixelBuffer trans;
    trans.setPF(pf);
    trans.setPixelBuffer(&page);
    encodePage(file, trans);
    return;
  }
  // The unbuffered road of ZRLEEncoder, with the work spread over one pool.
  const Rect r(0, 0, page.width(), page.height());
  plat::WorkerPool pool(threads - 1);
  EncoderCallbackV4 cb(&file, 16384);
  rdr::ParallelZlibOutStream zos(
      cb.startRect(r, ZRLEEncoder::EncodingZRLE, true), pool,
      ZRLEEncoder::zlibLevel);
  {
    BandLoops bands(zos, pool, page, pf);
    bands.run();
  }
  zos.flushCompressed();
  cb.endRect(false);
}

} // namespace rfb
