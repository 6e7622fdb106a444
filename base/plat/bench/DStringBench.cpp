// Building text with DString: byte appends (each one measures the current
// length, which is not stored) and formatted appends.
#include <plat/DString.h>

#include <benchmark/benchmark.h>

static void BM_DStringAppendWords(benchmark::State& state)
{
  const int words = (int)state.range(0);
  for (auto _ : state) {
    plat::DString d;
    for (int i = 0; i < words; i++)
      d.append("word ");
    benchmark::DoNotOptimize(d.c_str());
  }
  state.SetItemsProcessed(state.iterations() * words);
}
BENCHMARK(BM_DStringAppendWords)->Arg(16)->Arg(256)->Arg(4096);

static void BM_DStringAppendFormat(benchmark::State& state)
{
  const int lines = (int)state.range(0);
  for (auto _ : state) {
    plat::DString d;
    for (int i = 0; i < lines; i++)
      d.appendFormat("/tmp/jex-%d-%d.zrle\n", 1234, i);
    benchmark::DoNotOptimize(d.c_str());
  }
  state.SetItemsProcessed(state.iterations() * lines);
}
BENCHMARK(BM_DStringAppendFormat)->Arg(16)->Arg(256);
