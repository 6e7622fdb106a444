// Translation speed of the pixel roads the backend and encoder use.
#include <rfb/FullFramePixelBuffer.h>
#include <rfb/TransPixelBuffer.h>

#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

using namespace rfb;

namespace {

PixelFormat rgbBytes24()
{
  PixelFormat pf = PixelFormat::bgr888();
  pf.bpp = 24;
  pf.makeNativeEndian();
  return pf;
}

// Translates a whole A4-at-150-dpi-sized page (1240 x 1754) in 64-pixel
// bands, the way the encoder pulls tiles, and counts output bytes.
void run(benchmark::State& state, const PixelFormat& in, const PixelFormat& out)
{
  const int w = 1240, h = 1754, tile = 64;
  std::vector<uint8_t> page(size_t(w) * h * (in.bpp / 8) + 1);
  for (size_t i = 0; i < page.size(); i++)
    page[i] = uint8_t(i * 131 + 7);
  // +1: the raster reader's line cache has no alignment guarantee.
  FullFramePixelBuffer src(in, Rect(0, 0, w, h), nullptr, page.data() + 1);
  TransPixelBuffer tpb;
  tpb.setPF(out);
  tpb.setPixelBuffer(&src);
  std::vector<uint8_t> buf(size_t(tile) * tile * (out.bpp / 8));
  for (auto _ : state) {
    for (int y = 0; y < h; y += tile)
      for (int x = 0; x < w; x += tile) {
        Rect r(x, y, x + tile < w ? x + tile : w, y + tile < h ? y + tile : h);
        tpb.getImage(buf.data(), r);
      }
    benchmark::DoNotOptimize(buf.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * w * h * (out.bpp / 8));
}

void BM_Raster24ToRgb888(benchmark::State& state)
{
  run(state, rgbBytes24(), PixelFormat::nativeRgb888());
}
BENCHMARK(BM_Raster24ToRgb888)->Unit(benchmark::kMillisecond);

void BM_Rgb565ToRgb888Tables(benchmark::State& state)
{
  run(state, PixelFormat::rgb565(), PixelFormat::nativeRgb888());
}
BENCHMARK(BM_Rgb565ToRgb888Tables)->Unit(benchmark::kMillisecond);

void BM_Rgb888Copy(benchmark::State& state)
{
  run(state, PixelFormat::nativeRgb888(), PixelFormat::nativeRgb888());
}
BENCHMARK(BM_Rgb888Copy)->Unit(benchmark::kMillisecond);

} // namespace
