// Throughput of the stream paths the encoder leans on: small typed writes
// into memory, framed writes, and zlib compression through ZlibOutStream
// compared with zlib called directly on the same bytes.
#include <rdr/FramedOutStream.h>
#include <rdr/MemInStream.h>
#include <rdr/MemOutStream.h>
#include <rdr/ZlibOutStream.h>

#include <benchmark/benchmark.h>
#include <zlib.h>

#include <vector>

namespace {

const int ItemsPerRun = 65536;

void BM_MemOutTypedWrites(benchmark::State& state)
{
  rdr::MemOutStream out(ItemsPerRun * 7);
  for (auto _ : state) {
    out.clear();
    for (int i = 0; i < ItemsPerRun; i++) {
      out.writeU8(uint8_t(i));
      out.writeU16(uint16_t(i));
      out.writeU32(uint32_t(i));
    }
    benchmark::DoNotOptimize(out.getPtr());
  }
  state.SetItemsProcessed(state.iterations() * ItemsPerRun * 3);
  state.SetBytesProcessed(state.iterations() * ItemsPerRun * 7);
}
BENCHMARK(BM_MemOutTypedWrites);

void BM_MemInTypedReads(benchmark::State& state)
{
  std::vector<uint8_t> data(ItemsPerRun * 7, 0x5a);
  for (auto _ : state) {
    rdr::MemInStream in(data.data(), data.size());
    uint32_t sum = 0;
    for (int i = 0; i < ItemsPerRun; i++)
      sum += in.readU8() + in.readU16() + in.readU32();
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * ItemsPerRun * 3);
  state.SetBytesProcessed(state.iterations() * ItemsPerRun * 7);
}
BENCHMARK(BM_MemInTypedReads);

// One message of 256 KiB per run, written as 32-bit items.
void BM_FramedWrites(benchmark::State& state)
{
  const int words = 65536;
  rdr::MemOutStream mem(words * 4 + 1024);
  rdr::OutStreamV4 out(&mem);
  for (auto _ : state) {
    mem.clear();
    out.startMsg();
    for (int i = 0; i < words; i++)
      out.writeU32(uint32_t(i));
    out.endMsg();
    benchmark::DoNotOptimize(mem.getPtr());
  }
  state.SetBytesProcessed(state.iterations() * words * 4);
}
BENCHMARK(BM_FramedWrites);

// 1 MiB shaped like true-colour pixel rows: smooth runs with some noise,
// compressible but not trivially.
const std::vector<uint8_t>& pixelData()
{
  static std::vector<uint8_t> data = [] {
    std::vector<uint8_t> v(1 << 20);
    uint32_t seed = 12345;
    for (size_t i = 0; i < v.size(); i += 4) {
      seed = seed * 1103515245u + 12345u;
      size_t px = i / 4;
      v[i] = uint8_t(px / 64);
      v[i + 1] = uint8_t(px % 1024 / 8);
      v[i + 2] = (seed >> 28) == 0 ? uint8_t(seed >> 16) : uint8_t(px / 4096);
      v[i + 3] = 0;
    }
    return v;
  }();
  return data;
}

void BM_ZlibOutStream(benchmark::State& state)
{
  const auto& data = pixelData();
  int level = int(state.range(0));
  rdr::MemOutStream mem(int(data.size()));
  rdr::ZlibOutStream z(&mem, 0, level);
  size_t compressed = 0;
  for (auto _ : state) {
    mem.clear();
    z.resetStream();
    z.writeBytes(data.data(), data.size());
    z.flush();
    compressed = mem.length();
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(data.size()));
  state.counters["ratio"] = double(compressed) / double(data.size());
}
BENCHMARK(BM_ZlibOutStream)->Arg(1)->Arg(6);

void BM_ZlibDirect(benchmark::State& state)
{
  const auto& data = pixelData();
  int level = int(state.range(0));
  z_stream zs{};
  deflateInit2(&zs, level, Z_DEFLATED, 15, 8, Z_DEFAULT_STRATEGY);
  std::vector<uint8_t> out(deflateBound(&zs, uLong(data.size())) + 64);
  size_t compressed = 0;
  for (auto _ : state) {
    deflateReset(&zs);
    zs.next_in = const_cast<uint8_t*>(data.data());
    zs.avail_in = uInt(data.size());
    zs.next_out = out.data();
    zs.avail_out = uInt(out.size());
    deflate(&zs, Z_SYNC_FLUSH);
    compressed = out.size() - zs.avail_out;
  }
  deflateEnd(&zs);
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(data.size()));
  state.counters["ratio"] = double(compressed) / double(data.size());
}
BENCHMARK(BM_ZlibDirect)->Arg(1)->Arg(6);

} // namespace
