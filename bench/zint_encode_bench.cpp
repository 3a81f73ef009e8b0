// The encode-only workloads through libzint (the peer), with the same texts as ours:
// one zint_symbol reused, cleared and encoded per iteration, no image.
#include <benchmark/benchmark.h>
#include <zint.h>

#include <string>
#include <vector>

#include "bench/workloads.h"

namespace {

void ZintEncode(benchmark::State& state, const bench::Workload* w) {
  std::vector<std::string> texts;
  for (uint32_t i = 0; i < 64; ++i) texts.push_back(w->text(i));
  zint_symbol* symbol = ZBarcode_Create();
  size_t i = 0;
  for (auto _ : state) {
    ZBarcode_Clear(symbol);
    symbol->symbology = w->zintSymbol;
    symbol->option_1 = w->zintOption1;
    symbol->option_2 = w->zintOption2;
    symbol->option_3 = w->zintOption3;
    const std::string& t = texts[i];
    if (++i == texts.size()) i = 0;
    const int rc = ZBarcode_Encode(symbol, reinterpret_cast<const unsigned char*>(t.data()), static_cast<int>(t.size()));
    if (rc >= ZINT_ERROR) {
      state.SkipWithError(symbol->errtxt);
      break;
    }
    benchmark::DoNotOptimize(symbol->encoded_data);
  }
  ZBarcode_Delete(symbol);
  state.SetItemsProcessed(state.iterations());
}

const int kRegistered = [] {
  for (const auto& w : bench::Workloads())
    benchmark::RegisterBenchmark((std::string("ZintEncode/") + w.name).c_str(), ZintEncode, &w);
  return 0;
}();

}  // namespace
