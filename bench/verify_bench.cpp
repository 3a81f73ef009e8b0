// The cost of reading symbols back with zxing-cpp:
//   Files/<workload>/{plain,verified}: one PNG file's work as barvello-cli --batch does
//     it (paint the image at the workload's size, encode the PNG), without and with the
//     decoding of --verify; items per second are files per second.
//   PreviewCheck/<workload>/<size>: decoding the main window's preview at the smallest,
//     the default and the largest size the sliders allow, the work the window hands to
//     its worker thread a moment after each change.
// Counter "read": the share of images that read back (1 = all).
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
#include "verify/verify.h"

namespace {

struct Size {
  const char* name;
  int width, height;
};

// The preview's client size in the main window: the sliders' smallest, the start size,
// the sliders' largest.
constexpr Size kPreviewSizes[] = {{"115x80", 115, 80}, {"251x178", 251, 178}, {"1000x500", 1000, 500}};

// The image as barvello-cli paints it: white, the symbol over the whole surface.
void PaintAsCli(ks::TksBarcodeComponent& bc, QImage& img) {
  img.fill(Qt::white);
  QPainter p(&img);
  ks::QtCanvas canvas(&p);
  const ks::TRect all{0, 0, img.width(), img.height()};
  ks::PaintBarcodeImage(canvas, all, all, &bc);
}

void Files(benchmark::State& state, const bench::Workload* w, bool verify) {
  ks::TksBarcodeComponent bc;
  if (!bench::Configure(*w, bc)) {
    state.SkipWithError("cannot configure the barcode");
    return;
  }
  const std::vector<std::u16string> texts = bench::Texts(*w, bench::kTextCount);
  QImage img(w->width, w->height, QImage::Format_RGB32);
  std::string bytes;
  size_t i = 0;
  long long read = 0;
  for (auto _ : state) {
    bc.SetBarCode(texts[i]);
    if (++i == texts.size()) i = 0;
    PaintAsCli(bc, img);
    if (verify) read += ks::VerifyImage(img, bc).status == ks::VerifyStatus::Read;
    bytes.clear();
    if (!ks::EncodePng(img, bytes)) {
      state.SkipWithError("PNG encoding failed");
      break;
    }
    benchmark::DoNotOptimize(bytes.data());
  }
  state.SetItemsProcessed(state.iterations());
  if (verify && state.iterations() > 0) state.counters["read"] = static_cast<double>(read) / state.iterations();
}

// The preview as the window shows it (errors drawn, not raised), decoded.
void PreviewCheck(benchmark::State& state, const bench::Workload* w, Size size) {
  ks::TksBarcodeComponent bc;
  if (!bench::Configure(*w, bc)) {
    state.SkipWithError("cannot configure the barcode");
    return;
  }
  bc.ErrorInfo().SetMode(ks::emDrawErrorString);
  std::vector<QImage> images;
  std::vector<ks::VerifyTarget> targets;
  for (const std::u16string& text : bench::Texts(*w, 16)) {
    bc.SetBarCode(text);
    QImage img(size.width, size.height, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    ks::QtCanvas canvas(&p);
    ks::PaintBarCode(bc, canvas, {0, 0, size.width, size.height});
    images.push_back(img);
    targets.push_back(ks::VerifyTargetOf(bc));
  }
  size_t i = 0;
  long long read = 0;
  for (auto _ : state) {
    read += ks::VerifyImage(images[i], targets[i]).status == ks::VerifyStatus::Read;
    if (++i == images.size()) i = 0;
  }
  state.SetItemsProcessed(state.iterations());
  if (state.iterations() > 0) state.counters["read"] = static_cast<double>(read) / state.iterations();
}

const int kRegistered = [] {
  for (const auto& w : bench::Workloads()) {
    for (bool verify : {false, true})
      benchmark::RegisterBenchmark(("Files/" + std::string(w.name) + (verify ? "/verified" : "/plain")).c_str(), Files,
                                   &w, verify);
  }
  for (const char* name : {"ean13", "code128", "qr", "datamatrix", "pdf417"}) {
    for (const Size& size : kPreviewSizes)
      benchmark::RegisterBenchmark(("PreviewCheck/" + std::string(name) + "/" + size.name).c_str(), PreviewCheck,
                                   bench::FindWorkload(name), size)
          ->Unit(benchmark::kMillisecond);
  }
  return 0;
}();

}  // namespace
