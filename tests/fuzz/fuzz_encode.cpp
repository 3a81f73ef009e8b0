// Fuzz target: any bytes as the data text of any symbology, with settings made from the
// input (options, angle, ratio, error mode, and any writable property through the
// property tables, the QR, Data Matrix, PDF417 and GS1 parameters among them). The
// barcode is encoded and painted on the recording canvas and on a small image.
//
// Input layout:
//   0      symbology (modulo the catalogue's rows)
//   1..3   options, one bit per option
//   4      angle: below 8 a quarter turn count, else a signed value times 7
//   5      wide/narrow ratio        6  error mode
//   7, 8   image width and height less 8
//   9      bit 0: data as UTF-16LE; bits 4..7: number of property settings
//   then per setting: the index of a writable property path, then its value bytes
//   the rest: the data text
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <cstdio>

#include "engine/params.h"
#include "engine/symbology.h"
#include "render/qt/qt_canvas.h"
#include "tests/fuzz/fuzz_support.h"

using namespace ks;
using namespace ks::fuzz;

namespace {

// Paths the layout's own bytes set, or that would only rename the object.
bool SkippedPath(const std::string& p) {
  return p == "Name" || p == "Tag" || p == "BarCode" || p == "BarcodeSymbology" || p == "Options" ||
         p == "Angle" || p == "Params.Ratio" || p == "ErrorInfo.Mode";
}

const std::vector<std::string>& SettablePaths() {
  static const std::vector<std::string> paths = [] {
    std::vector<std::string> r;
    for (const auto& p : WritablePaths())
      if (!SkippedPath(p)) r.push_back(p);
    return r;
  }();
  return paths;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  // Text needs the font machinery of a GUI application; no window is ever shown.
  qputenv("QT_QPA_PLATFORM", "offscreen");
  // Qt's notes on odd font names and sizes would drown the fuzzer's own output.
  qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& msg) {
    if (type == QtCriticalMsg || type == QtFatalMsg) std::fprintf(stderr, "%s\n", msg.toLocal8Bit().constData());
  });
  static QGuiApplication* app = new QGuiApplication(*argc, *argv);
  (void)app;
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ByteReader in(data, size);
  TksBarcodeComponent bc;
  bc.SetBarcodeSymbology(static_cast<TksBarcodeSymbology>(in.Byte() % kSymbologyRows));
  uint32_t options = in.Byte();
  options = options << 8 | in.Byte();
  options = options << 8 | in.Byte();
  bc.SetOptions(options & 0x1FFFF);
  const uint8_t angle = in.Byte();
  bc.SetAngle(angle < 8 ? angle % 4 * 90 : static_cast<int8_t>(angle) * 7);
  bc.Params().SetRatio(static_cast<TksRatio>(in.Byte() % 3));
  bc.ErrorInfo().SetMode(static_cast<TksBarcodeErrorMode>(in.Byte() % ErrorModeEnum().values.size()));
  const int w = 8 + in.Byte(), h = 8 + in.Byte();
  const uint8_t flags = in.Byte();
  const auto& paths = SettablePaths();
  for (int n = flags >> 4; n > 0; --n) SetPropertyFromBytes(bc, paths[in.Byte() % paths.size()], in);
  bc.SetBarCode(DataText(in.Rest(), flags & 1));
  if (std::getenv("FUZZ_DEBUG"))
    std::fprintf(stderr, "symbology %d, options %x, angle %d, ratio %d, image %d x %d, data %s\n",
                 bc.BarcodeSymbology(), bc.Options(), bc.Angle(), bc.Params().Ratio(), w, h,
                 ToUtf8(bc.BarCode()).c_str());

  // The recording canvas gets a larger rectangle, so symbols usually fit and are drawn.
  EncodeAndRecord(bc, TRect{0, 0, w * 4, h * 4});

  QImage image(w, h, QImage::Format_RGB32);
  image.fill(Qt::white);
  QPainter painter(&image);
  QtCanvas canvas(&painter);
  try {
    PaintBarCode(bc, canvas, TRect{0, 0, w, h});
  } catch (const Exception&) {
  }
  return 0;
}
