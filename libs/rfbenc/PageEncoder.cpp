#include <rfbenc/PageEncoder.h>

#include <rdr/ParallelZlibOutStream.h>
#include <rfb/PixelBuffer.h>
#include <rfbenc/EncoderCallbackV4.h>
#include <rfbenc/XrleCallback.h>
#include <rfbenc/XrleTileEncoder.h>
#include <rfbenc/ZRLEEncoder.h>

#include <unistd.h>

#include <algorithm>

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

void encodePage(rdr::OutStream& file, PixelBuffer& page, int threads)
{
  if (threads <= 1) {
    encodePage(file, page);
    return;
  }
  // The unbuffered road of ZRLEEncoder, with its zlib stream replaced.
  const Rect r(0, 0, page.width(), page.height());
  EncoderCallbackV4 cb(&file, 16384);
  rdr::ParallelZlibOutStream zos(
      cb.startRect(r, ZRLEEncoder::EncodingZRLE, true), threads - 1,
      ZRLEEncoder::zlibLevel);
  XrleCallback noHooks;
  XrleTileEncoder tiles(&noHooks, &cb, 64, false, true);
  tiles.encodeRect(r, zos, page);
  zos.flushCompressed();
  cb.endRect(false);
}

} // namespace rfb
