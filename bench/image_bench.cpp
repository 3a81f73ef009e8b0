// Image benchmarks: encode and paint into an image of the workload's size (as the CLI
// and the export do), with and without PNG encoding; and the largest symbols painted
// into the preview of the main window, which repaints on every keystroke.
#include <benchmark/benchmark.h>

#include <QImage>
#include <QPainter>
#include <string>
#include <vector>

#include "bench/bench_common.h"
#include "engine/barcode.h"
#include "output/image_writers.h"
#include "render/paint.h"
#include "render/qt/qt_canvas.h"

namespace {

// The preview control's client size in the main window, and the largest size its
// sliders allow.
constexpr int kPreviewWidth = 251;
constexpr int kPreviewHeight = 178;
constexpr int kLargestPreviewWidth = 1000;
constexpr int kLargestPreviewHeight = 500;

// A fresh white image painted the way the PNG export paints: the paint rectangle
// stops one pixel short of the right and bottom edges.
void Render(ks::TksBarcodeComponent& bc, QImage& img) {
  img.fill(Qt::white);
  QPainter p(&img);
  ks::QtCanvas canvas(&p);
  ks::PaintBarCode(bc, canvas, {0, 0, img.width() - 1, img.height() - 1});
}

// `png`: also encode the image as a PNG file of this form.
void PaintImage(benchmark::State& state, const bench::Workload* w, int width, int height, bool png,
                ks::TksPngFormat format) {
  ks::TksBarcodeComponent bc;
  if (!bench::Configure(*w, bc)) {
    state.SkipWithError("cannot configure the barcode");
    return;
  }
  const std::vector<std::u16string> texts = bench::Texts(*w, bench::kTextCount);
  std::string bytes;
  size_t total = 0;
  size_t i = 0;
  for (auto _ : state) {
    bc.SetBarCode(texts[i]);
    if (++i == texts.size()) i = 0;
    QImage img(width, height, QImage::Format_RGB32);
    Render(bc, img);
    if (png) {
      bytes.clear();
      if (!ks::EncodePng(img, bytes, format)) {
        state.SkipWithError("PNG encoding failed");
        break;
      }
      total += bytes.size();
      benchmark::DoNotOptimize(bytes.data());
    } else {
      benchmark::DoNotOptimize(img.constBits());
    }
  }
  state.SetItemsProcessed(state.iterations());
  if (png && state.iterations() > 0) state.counters["png_bytes"] = static_cast<double>(total) / state.iterations();
}

// PNG encoding alone, of the image of the workload's first text.
void PngOnly(benchmark::State& state, const bench::Workload* w, ks::TksPngFormat format) {
  ks::TksBarcodeComponent bc;
  if (!bench::Configure(*w, bc)) {
    state.SkipWithError("cannot configure the barcode");
    return;
  }
  bc.SetBarCode(bench::Texts(*w, 1).front());
  QImage img(w->width, w->height, QImage::Format_RGB32);
  Render(bc, img);
  std::string bytes;
  for (auto _ : state) {
    bytes.clear();
    if (!ks::EncodePng(img, bytes, format)) {
      state.SkipWithError("PNG encoding failed");
      break;
    }
    benchmark::DoNotOptimize(bytes.data());
  }
  state.SetItemsProcessed(state.iterations());
  state.counters["png_bytes"] = static_cast<double>(bytes.size());
}

const int kRegistered = [] {
  for (const auto& w : bench::Workloads()) {
    benchmark::RegisterBenchmark((std::string("Paint/") + w.name).c_str(), PaintImage, &w, w.width, w.height, false, ks::pfSmallest);
    benchmark::RegisterBenchmark((std::string("PaintPng/") + w.name).c_str(), PaintImage, &w, w.width, w.height,
                                 true, ks::pfSmallest);
    benchmark::RegisterBenchmark((std::string("PaintPngTrueColor/") + w.name).c_str(), PaintImage, &w, w.width,
                                 w.height, true, ks::pfTrueColor);
    benchmark::RegisterBenchmark((std::string("Png/") + w.name).c_str(), PngOnly, &w, ks::pfSmallest);
    benchmark::RegisterBenchmark((std::string("PngTrueColor/") + w.name).c_str(), PngOnly, &w, ks::pfTrueColor);
  }
  for (const char* name : {"qr40", "dm144", "pdf417_large"}) {
    const bench::Workload* w = bench::FindWorkload(name);
    benchmark::RegisterBenchmark((std::string("Preview/") + name).c_str(), PaintImage, w, kPreviewWidth,
                                 kPreviewHeight, false, ks::pfSmallest)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark((std::string("PreviewLargest/") + name).c_str(), PaintImage, w,
                                 kLargestPreviewWidth, kLargestPreviewHeight, false, ks::pfSmallest)
        ->Unit(benchmark::kMillisecond);
  }
  return 0;
}();

}  // namespace
