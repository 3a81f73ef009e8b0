// barvello-cli output through the export layer: images, settings files and INI input.
#include <QGuiApplication>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <iostream>
#include <cstdio>
#include <sys/stat.h>

#include "engine/encoders.h"
#include "engine/matrix/matrix.h"
#include "engine/ustring.h"
#include "output/export.h"
#include "output/image_writers.h"
#include "output/ini_file.h"
#include "render/paint.h"
#include "render/qt/qt_canvas.h"
#include "tools/cli/cli_output.h"

using namespace ks;

namespace {

// The largest image the tool renders: 20000 x 20000 would need 1.6 GB as RGB32.
constexpr long long kMaxPixels = 100'000'000;

}  // namespace

// Fonts and painting need a Qt application object; the tool never opens a window. The
// object lives until the process ends (destroying it during static destruction would
// run after Qt's own globals are gone).
void EnsureGuiApplication() {
  if (QCoreApplication::instance()) return;
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  // Qt's notes about a missing runtime directory are not the user's concern here.
  qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& msg) {
    if (type == QtDebugMsg || type == QtInfoMsg || msg.startsWith("QStandardPaths:")) return;
    fprintf(stderr, "%s\n", msg.toLocal8Bit().constData());
  });
  static int argc = 1;
  static char name[] = "barvello-cli";
  static char* argv[] = {name, nullptr};
  static QGuiApplication* app = new QGuiApplication(argc, argv);
  (void)app;
}

namespace {

struct Layout {
  int w = 0, h = 0;
  TRect paint;
};

// The default size: whole pixels per module with a quiet zone around the symbol.
Layout DefaultLayout(TksBarcodeComponent& bc) {
  Layout l;
  const TksSymbolType type = bc.GetBarcodeInfo().SymbolType;
  if (type == stMatrix) {
    const int k = 4, q = 4;
    const TksMatrix& m = bc.Pixels();
    l.w = (m.NC + 2 * q) * k;
    l.h = (m.NR + 2 * q) * k;
    l.paint = {q * k, q * k, l.w - q * k, l.h - q * k};
    return l;
  }
  if (type == stStacked) {
    const int k = 2, q = 2;
    const int cols = StackedSymbolWidth(bc);
    const int rows = static_cast<int>(bc.Bars().size());
    l.w = (cols + 2 * q) * k;
    l.h = (rows * 3 + 2 * q) * k;
    l.paint = {q * k, q * k, l.w - q * k, l.h - q * k};
    return l;
  }
  const int k = 2, q = 10;
  const std::string row = bc.Bars().empty() ? std::string() : bc.Bars().front();
  const int modules = static_cast<int>(row.size());
  // The painter moves the symbol one pixel right for every leading blank of the pattern
  // and spreads the pattern over what is left: give it exactly k pixels per module.
  const int leading = static_cast<int>(std::min(row.find_first_not_of(' '), row.size()));
  const int content = std::max(modules, 1) * k + leading;
  const int barHeight = std::max(60, content * 2 / 5);
  l.w = content + 2 * q * k;
  l.h = barHeight + 2 * k * 2;
  l.paint = {q * k, 2 * k, q * k + content, l.h - 2 * k};
  return l;
}

}  // namespace

namespace {

bool IsImageType(TksFileType type) {
  return type == ftBMP || type == ftPNG || type == ftJPEG || type == ftGIF || type == ftWMF || type == ftEMF ||
         type == ftSVG || type == ftPDF;
}

std::string UnknownTypeMessage(const std::string& name) {
  return "cannot tell the file type of '" + name + "': use .png .jpg .jpeg .gif .bmp .emf .wmf .svg .pdf or .ini";
}

// The image RenderBarcodeImage makes (a white RGB32 image with the barcode painted into
// the paint rectangle), painted into an image each thread keeps while the size stays the
// same: a batch then does not allocate, fault in and free a large image for every line.
const QImage& RenderIntoKeptImage(TksBarcodeComponent& bc, int w, int h, const TRect& paintRect) {
  thread_local QImage img;
  const int iw = std::max(w, 1), ih = std::max(h, 1);
  if (img.width() != iw || img.height() != ih) img = QImage(iw, ih, QImage::Format_RGB32);
  if (img.isNull()) {
    img = RenderBarcodeImage(&bc, w, h, paintRect);  // reports the failure
    return img;
  }
  img.fill(Qt::white);
  QPainter painter(&img);
  QtCanvas canvas(&painter);
  PaintBarcodeTo(canvas, paintRect, &bc);
  return img;
}

// The tool writes the smallest exact PNG unless asked for true colour.
TksPngFormat PngFormatOf(const CliOptions& o) { return o.pngTrueColor ? pfTrueColor : pfSmallest; }

bool IsRasterType(TksFileType type) { return type == ftBMP || type == ftPNG || type == ftJPEG || type == ftGIF; }

// The image as a BMP, JPEG, GIF or PNG file; false with `error` set when it cannot be.
bool EncodeRaster(TksFileType type, const QImage& img, const std::string& name, TksPngFormat png,
                  std::string& bytes, std::string& error) {
  bytes.clear();
  bool encoded;
  const char* kindName;
  switch (type) {
    case ftBMP: encoded = EncodeBmp(img, bytes), kindName = "BMP"; break;
    case ftJPEG: encoded = EncodeJpeg(img, bytes), kindName = "JPEG"; break;
    case ftGIF: encoded = EncodeGif(img, bytes), kindName = "GIF"; break;
    default: encoded = EncodePng(img, bytes, png), kindName = "PNG";
  }
  if (!encoded) error = std::string("Cannot encode the image as ") + kindName + " for \"" + name + "\"";
  return encoded;
}

}  // namespace

int RenderImageBytes(const CliOptions& o, TksBarcodeComponent& bc, std::string& bytes, std::string& error) {
  const TksFileType type = FileTypeFromName(o.output);
  if (!IsImageType(type)) {
    error = UnknownTypeMessage(o.output);
    return 2;
  }
  EnsureGuiApplication();
  // With the size given and errors raised, painting makes every check encoding makes
  // (and encodes): an image is painted straight away, and only a failure takes the
  // steps below, which report it as they always have. This saves an encoding per image.
  if (o.width > 0 && o.height > 0 && bc.ErrorInfo().Mode() == emStandardRaise && IsRasterType(type) &&
      static_cast<long long>(o.width) * o.height <= kMaxPixels) {
    try {
      const QImage& img = RenderIntoKeptImage(bc, o.width, o.height, {0, 0, o.width, o.height});
      return EncodeRaster(type, img, o.output, PngFormatOf(o), bytes, error) ? 0 : 1;
    } catch (const std::exception&) {
    }
  }
  if (!EncodeChecked(bc, error)) return 1;
  Layout l;
  try {
    // A PDF417 symbol is built here, for its size, and may be refused like any encoding.
    l = DefaultLayout(bc);
  } catch (const std::exception& e) {
    error = EngineErrorText(bc, e);
    return 1;
  }
  if ((bc.Angle() / 90) % 2 != 0) {
    // A quarter turn stands the symbol up: the image is the unrotated layout transposed.
    std::swap(l.w, l.h);
    l.paint = {l.paint.Top, l.paint.Left, l.paint.Bottom, l.paint.Right};
  }
  if (o.width > 0 || o.height > 0) {
    if (o.width > 0) l.w = o.width;
    if (o.height > 0) l.h = o.height;
    l.paint = {0, 0, l.w, l.h};
  }
  if (static_cast<long long>(l.w) * l.h > kMaxPixels) {
    error = "an image of " + std::to_string(l.w) + " x " + std::to_string(l.h) +
            " pixels is too large (at most 100 million pixels)";
    return 2;
  }
  try {
    switch (type) {
      case ftWMF: case ftEMF:
        bytes = RenderBarcodeMetafile(&bc, l.w, l.h, l.paint, type == ftEMF);
        break;
      case ftSVG:
        bytes = RenderBarcodeSvg(&bc, l.w, l.h, l.paint);
        break;
      case ftPDF:
        bytes = RenderBarcodePdf(&bc, l.w, l.h, l.paint);
        break;
      default:
        if (!EncodeRaster(type, RenderIntoKeptImage(bc, l.w, l.h, l.paint), o.output, PngFormatOf(o), bytes, error))
          return 1;
    }
  } catch (const std::exception& e) {
    error = EngineErrorText(bc, e);
    return 1;
  }
  return 0;
}

int WriteImageFile(const CliOptions& o, TksBarcodeComponent& bc) {
  const TksFileType type = FileTypeFromName(o.output);
  if (!IsImageType(type) && type != ftINI) {
    std::cerr << "barvello-cli: " << UnknownTypeMessage(o.output) << "\n";
    return 2;
  }
  EnsureGuiApplication();
  std::string err;
  if (type == ftINI) {
    IniFile ini;
    if (!ini.Load(o.output, err) || (ini.WriteSection("ksBarcode", BarcodeIniPairs(bc)), !ini.Save(o.output, err))) {
      std::cerr << "barvello-cli: " << err << "\n";
      return 1;
    }
    return 0;
  }
  std::string bytes;
  if (int rc = RenderImageBytes(o, bc, bytes, err)) {
    std::cerr << "barvello-cli: " << err << "\n";
    return rc;
  }
  if (!WriteFileAtomic(o.output, bytes, err)) {
    std::cerr << "barvello-cli: " << err << "\n";
    return 1;
  }
  return 0;
}

bool LoadIniInto(const std::string& file, const std::string& section, TksBarcodeComponent& bc, std::string& error) {
  struct stat st{};
  if (stat(file.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
    error = "INI file '" + file + "' not found";
    return false;
  }
  IniFile ini;
  if (!ini.Load(file, error)) return false;
  if (!ini.HasSection(section)) {
    error = "INI file '" + file + "' has no section [" + section + "]";
    return false;
  }
  std::string failed;
  if (!ApplyBarcodeIniPairs(bc, ini.ReadSection(section), &failed)) {
    error = "INI file '" + file + "': key '" + failed + "' cannot be applied";
    return false;
  }
  return true;
}
