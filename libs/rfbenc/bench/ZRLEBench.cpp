// Throughput of the ZRLE tile encoder per tile kind, of the whole encoder
// on a 300-dpi A4 page of mixed content, and of zlib alone on that page's
// raw tile bytes: the ratio of the last two is the encoder's own cost.
#include <rdr/MemOutStream.h>
#include <rfb/ManagedPixelBuffer.h>
#include <rfbenc/EncoderCallback.h>
#include <rfbenc/PageEncoder.h>
#include <rfbenc/XrleCallback.h>
#include <rfbenc/XrleTileEncoder.h>

#include <benchmark/benchmark.h>
#include <zlib.h>

#include <cstring>
#include <functional>
#include <memory>
#include <vector>

using namespace rfb;

namespace {

const int PageW = 2480, PageH = 3508;

uint32_t hash(uint32_t x, uint32_t y)
{
  uint32_t h = x * 2654435761u ^ y * 40503u;
  h ^= h >> 13;
  h *= 0x5bd1e995;
  return h ^ (h >> 15);
}

uint32_t rgb(unsigned r, unsigned g, unsigned b)
{
  return (r & 255) << 16 | (g & 255) << 8 | (b & 255);
}

// Smooth gradient with sensor-like noise: almost every pixel differs.
uint32_t photo(int x, int y)
{
  uint32_t n = hash(x, y) & 7;
  return rgb(x / 5 + n, y / 4 + n, (x + y) / 9 + n);
}

// Black strokes on white in 24 x 40 character cells with 60-pixel line
// pitch, a few grey anti-aliasing levels at stroke edges.
uint32_t text(int x, int y)
{
  int cx = x % 24, cy = y % 60;
  if (cy >= 40 || cx >= 20)
    return 0xffffff;
  uint32_t glyph = hash(x / 24, y / 60);
  bool vert = (glyph >> (cx / 4)) & 1 && cx % 4 < 2;
  bool horiz = (glyph >> (8 + cy / 8)) & 1 && cy % 8 < 2;
  if (vert || horiz)
    return 0;
  if ((glyph >> (cx / 4)) & 1 && cx % 4 == 2)
    return 0x808080;
  return 0xffffff;
}

std::unique_ptr<ManagedPixelBuffer>
makeBuffer(int w, int h, const std::function<uint32_t(int, int)>& f)
{
  auto pb =
      std::make_unique<ManagedPixelBuffer>(PixelFormat::nativeRgb888(), w, h);
  int stride = 0;
  uint8_t* p = pb->getPixelsRW(Rect(0, 0, w, h), &stride);
  for (int y = 0; y < h; y++)
    for (int x = 0; x < w; x++) {
      uint32_t v = f(x, y);
      memcpy(p + (size_t(y) * stride + x) * 4, &v, 4);
    }
  return pb;
}

// A page: margins, a block of text, a photo, a 16-colour chart, more text.
uint32_t mixedPage(int x, int y)
{
  if (x < 150 || x >= PageW - 150 || y < 150 || y >= PageH - 150)
    return 0xffffff;
  if (y < 1100)
    return text(x, y);
  if (y < 2100 && x < 1600)
    return photo(x, y);
  if (y < 2100)
    return rgb((x / 50 % 4) * 80, (y / 50 % 4) * 80, 200);
  return text(x, y);
}

uint32_t tilePixel(int kind, int x, int y)
{
  switch (kind) {
  case 0: return 0xffffff;
  case 1: return (x + y) % 2 ? 0 : 0xffffff;
  case 2: return rgb((x / 4) % 4 * 80, (y / 4) % 4 * 80, 40);
  case 3: return photo(x + 300, y + 300);
  default: return text(x, y);
  }
}

void BM_Tile(benchmark::State& state)
{
  auto pb = makeBuffer(64, 64, [&](int x, int y) {
    return tilePixel(int(state.range(0)), x, y);
  });
  EncoderCallback owner;
  XrleCallback cb;
  XrleTileEncoder enc(&cb, &owner, 64, false, true);
  rdr::MemOutStream os(65536);
  for (auto _ : state) {
    os.clear();
    enc.encodeRect(Rect(0, 0, 64, 64), os, *pb);
    benchmark::DoNotOptimize(os.data());
  }
  state.SetItemsProcessed(state.iterations() * 64 * 64);
  state.counters["bytes/tile"] = double(os.length());
  static const char* names[] = {"solid", "2-colour", "16-colour", "photo",
                                "text"};
  state.SetLabel(names[state.range(0)]);
}
BENCHMARK(BM_Tile)->DenseRange(0, 4);

ManagedPixelBuffer& page()
{
  static auto pb = makeBuffer(PageW, PageH, mixedPage);
  return *pb;
}

void BM_PageEncoder(benchmark::State& state)
{
  rdr::MemOutStream os(8 << 20);
  for (auto _ : state) {
    os.clear();
    encodePage(os, page());
  }
  state.SetItemsProcessed(state.iterations() * PageW * PageH);
  state.counters["out_bytes"] = double(os.length());
}
BENCHMARK(BM_PageEncoder)->Unit(benchmark::kMillisecond);

// The tile encoder alone on the page, without compression: the part of
// BM_PageEncoder that is not zlib.
void BM_PageTilesOnly(benchmark::State& state)
{
  EncoderCallback owner;
  XrleCallback cb;
  XrleTileEncoder enc(&cb, &owner, 64, false, true);
  rdr::MemOutStream os(32 << 20);
  for (auto _ : state) {
    os.clear();
    enc.encodeRect(Rect(0, 0, PageW, PageH), os, page());
  }
  state.SetItemsProcessed(state.iterations() * PageW * PageH);
  state.counters["out_bytes"] = double(os.length());
}
BENCHMARK(BM_PageTilesOnly)->Unit(benchmark::kMillisecond);

// zlib alone on what the raw subencoding would carry: every tile's pixels
// as 3-byte CPIXELs, tile after tile, deflated in 16 KiB input steps with
// a final sync flush, like the encoder's zlib stream.
void BM_PageZlibOnly(benchmark::State& state)
{
  std::vector<uint8_t> raw;
  raw.reserve(size_t(PageW) * PageH * 3 + PageW * PageH / 4096 + 64);
  std::vector<uint32_t> tile(64 * 64);
  for (int ty = 0; ty < PageH; ty += 64)
    for (int tx = 0; tx < PageW; tx += 64) {
      Rect t(tx, ty, std::min(tx + 64, PageW), std::min(ty + 64, PageH));
      page().getImage(tile.data(), t);
      raw.push_back(0);
      for (int i = 0; i < t.width() * t.height(); i++) {
        const uint8_t* b = reinterpret_cast<const uint8_t*>(&tile[i]);
        raw.insert(raw.end(), b, b + 3);
      }
    }
  std::vector<uint8_t> out(compressBound(uLong(raw.size())) + 1024);
  size_t produced = 0;
  for (auto _ : state) {
    z_stream zs;
    memset(&zs, 0, sizeof(zs));
    deflateInit(&zs, Z_DEFAULT_COMPRESSION);
    zs.next_out = out.data();
    zs.avail_out = uInt(out.size());
    for (size_t off = 0; off < raw.size(); off += 16384) {
      size_t n = std::min<size_t>(16384, raw.size() - off);
      zs.next_in = raw.data() + off;
      zs.avail_in = uInt(n);
      deflate(&zs, off + n == raw.size() ? Z_SYNC_FLUSH : Z_NO_FLUSH);
    }
    produced = out.size() - zs.avail_out;
    deflateEnd(&zs);
  }
  state.SetItemsProcessed(state.iterations() * PageW * PageH);
  state.counters["out_bytes"] = double(produced);
}
BENCHMARK(BM_PageZlibOnly)->Unit(benchmark::kMillisecond);

} // namespace
