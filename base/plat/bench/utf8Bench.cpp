// Validation and repair throughput over mixed ASCII and multi-byte text.
#include <plat/utf8.h>

#include <benchmark/benchmark.h>

#include <string>

namespace {

std::string sample(size_t bytes, bool withErrors)
{
  std::string s;
  while (s.size() < bytes) {
    s += "Gr\xc3\xbc\xc3\x9f"
         "e \xe2\x82\xac 42 ";
    if (withErrors)
      s += "\xed\xa0\x80";
  }
  return s;
}

} // namespace

static void BM_Utf8Valid(benchmark::State& state)
{
  std::string s = sample((size_t)state.range(0), false);
  for (auto _ : state)
    benchmark::DoNotOptimize(plat::utf8Valid(s.c_str()));
  state.SetBytesProcessed(state.iterations() * (int64_t)s.size());
}
BENCHMARK(BM_Utf8Valid)->Arg(64)->Arg(64 << 10);

static void BM_Utf8Repair(benchmark::State& state)
{
  std::string s = sample((size_t)state.range(0), true);
  for (auto _ : state)
    benchmark::DoNotOptimize(plat::utf8Repair(s.c_str()));
  state.SetBytesProcessed(state.iterations() * (int64_t)s.size());
}
BENCHMARK(BM_Utf8Repair)->Arg(64)->Arg(64 << 10);
