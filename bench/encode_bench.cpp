// Encode-only benchmarks: set the data text and encode it into a pattern, a module
// matrix or PDF417 rows, as painting would, without drawing. Every iteration takes the
// next of a set of prepared texts so that completion and encoding do real work.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "bench/bench_common.h"
#include "engine/barcode.h"
#include "engine/matrix/pdf417.h"
#include "engine/ustring.h"

namespace {

void EncodeOnly(benchmark::State& state, const bench::Workload* w) {
  ks::TksBarcodeComponent bc;
  if (!bench::Configure(*w, bc)) {
    state.SkipWithError("cannot configure the barcode");
    return;
  }
  const std::vector<std::u16string> texts = bench::Texts(*w, bench::kTextCount);
  size_t i = 0;
  for (auto _ : state) {
    bc.SetBarCode(texts[i]);
    if (++i == texts.size()) i = 0;
    bc.EncodeBars(bc.BarCode());
    if (bc.BarcodeSymbology() == ks::bcPDF417) ks::BuildPdf417Rows(bc, bc.Bars());
    benchmark::DoNotOptimize(bc.Bars().data());
  }
  state.SetItemsProcessed(state.iterations());
}

const int kRegistered = [] {
  for (const auto& w : bench::Workloads())
    benchmark::RegisterBenchmark((std::string("Encode/") + w.name).c_str(), EncodeOnly, &w);
  return 0;
}();

}  // namespace
