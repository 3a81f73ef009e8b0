// barvello-cli output through the export layer: images, settings files and INI input.
#include <QGuiApplication>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <iostream>
#include <optional>
#include <cstdio>

#include "engine/encoders.h"
#include "engine/matrix/matrix.h"
#include "engine/ustring.h"
#include "output/export.h"
#include "output/image_writers.h"
#include "output/ini_file.h"
#include "render/paint.h"
#include "render/qt/qt_canvas.h"
#include "tools/cli/cli_layout.h"
#include "tools/cli/cli_output.h"

using namespace ks;

void InstallQtMessageFilter() {
  // Qt's notes about a missing runtime directory are not the user's concern here.
  qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& msg) {
    if (type == QtDebugMsg || type == QtInfoMsg || msg.startsWith("QStandardPaths:")) return;
    fprintf(stderr, "%s\n", msg.toLocal8Bit().constData());
  });
}

// Fonts and painting need a Qt application object; the tool never opens a window. The
// object lives until the process ends (destroying it during static destruction would
// run after Qt's own globals are gone).
void EnsureGuiApplication() {
  if (QCoreApplication::instance()) return;
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  InstallQtMessageFilter();
  static int argc = 1;
  static char name[] = "barvello-cli";
  static char* argv[] = {name, nullptr};
  static QGuiApplication* app = new QGuiApplication(argc, argv);
  (void)app;
}

namespace {

// The default size of the encoded symbol: whole pixels per module with a quiet zone
// around it; false when it would be too large.
bool DefaultLayout(TksBarcodeComponent& bc, ImageLayout& l) {
  const TksSymbolType type = bc.GetBarcodeInfo().SymbolType;
  if (type == stMatrix) {
    const TksMatrix& m = bc.Pixels();
    return DefaultImageLayout(SymbolShape::Matrix, m.NC, m.NR, 0, l);
  }
  if (type == stStacked) {
    // Builds the rows of the symbol first: their number is known after.
    const long long cols = StackedSymbolWidth(bc);
    return DefaultImageLayout(SymbolShape::Stacked, cols, static_cast<long long>(bc.Bars().size()), 0, l);
  }
  const std::string& row = bc.Bars().empty() ? std::string() : bc.Bars().front();
  // The painter moves the symbol one pixel right for every leading blank of the pattern,
  // and an ITF bearer frame needs its own room right of the bars: both are fixed pixels
  // on top of the modules.
  const size_t leading = std::min(row.find_first_not_of(' '), row.size());
  return DefaultImageLayout(SymbolShape::Linear, static_cast<long long>(row.size()), 1,
                            static_cast<long long>(leading) + BearerFrameRoom(bc), l);
}

std::string TooLargeMessage(long long w, long long h) {
  return "an image of " + std::to_string(w) + " x " + std::to_string(h) +
         " pixels is too large (at most 100 million pixels)";
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
// Only images up to a few megabytes are kept, so that the threads of a batch do not
// each hold the largest image they have made.
QImage RenderIntoKeptImage(TksBarcodeComponent& bc, int w, int h, const TRect& paintRect) {
  constexpr long long kKeptPixels = 4'000'000;
  thread_local QImage img;
  const int iw = std::max(w, 1), ih = std::max(h, 1);
  if (img.width() != iw || img.height() != ih) img = QImage(iw, ih, QImage::Format_RGB32);
  if (img.isNull()) return RenderBarcodeImage(&bc, w, h, paintRect);  // reports the failure
  img.fill(Qt::white);
  {
    QPainter painter(&img);
    QtCanvas canvas(&painter);
    PaintBarcodeImage(canvas, {0, 0, w, h}, paintRect, &bc);
  }
  if (static_cast<long long>(iw) * ih > kKeptPixels) return std::move(img);
  return img;
}

// The tool writes the smallest exact PNG unless asked for true colour.
TksPngFormat PngFormatOf(const CliOptions& o) { return o.pngTrueColor ? pfTrueColor : pfSmallest; }

bool IsRasterType(TksFileType type) { return type == ftBMP || type == ftPNG || type == ftJPEG || type == ftGIF; }

bool FitsWmf(long long w, long long h) { return w <= kMaxWmfSide && h <= kMaxWmfSide; }

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

int RenderImageBytes(const CliOptions& o, TksBarcodeComponent& bc, std::string& bytes, std::string& error,
                     VerifyStatus* verified) {
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
      static_cast<long long>(o.width) * o.height <= kMaxImagePixels) {
    try {
      const QImage img = RenderIntoKeptImage(bc, o.width, o.height, {0, 0, o.width, o.height});
      if (o.verify && !VerifyRendered(bc, img, verified, error)) return 1;
      return EncodeRaster(type, img, o.output, PngFormatOf(o), bytes, error) ? 0 : 1;
    } catch (const std::exception&) {
    }
  }
  if (!EncodeChecked(bc, error)) return 1;
  ImageLayout l;
  bool fits;
  try {
    // A PDF417 symbol is built here, for its size, and may be refused like any encoding.
    fits = DefaultLayout(bc, l);
  } catch (const std::exception& e) {
    error = EngineErrorText(bc, e);
    return 1;
  }
  const bool turned = (bc.Angle() / 90) % 2 != 0;
  if (turned) {
    // A quarter turn stands the symbol up: the image is the unrotated layout transposed.
    std::swap(l.w, l.h);
    l.paint = {l.paint.Top, l.paint.Left, l.paint.Bottom, l.paint.Right};
  }
  if (o.width > 0 || o.height > 0) {
    if (o.width > 0) l.w = o.width;
    if (o.height > 0) l.h = o.height;
    fits = l.w * l.h <= kMaxImagePixels;
    if (fits) l.paint = {0, 0, static_cast<int>(l.w), static_cast<int>(l.h)};
  }
  if (!fits || l.w * l.h > kMaxImagePixels) {
    error = TooLargeMessage(l.w, l.h);
    return 2;
  }
  if (type == ftWMF && !FitsWmf(l.w, l.h)) {
    error = "a WMF holds coordinates up to " + std::to_string(kMaxWmfSide) + ": an image of " + std::to_string(l.w) +
            " x " + std::to_string(l.h) + " pixels cannot be written as WMF (EMF, SVG and PDF can hold it)";
    return 2;
  }
  const int w = static_cast<int>(l.w), h = static_cast<int>(l.h);
  try {
    // Vector files are verified through the raster image of the same size.
    std::optional<QImage> raster;
    if (IsRasterType(type) || o.verify) raster = RenderIntoKeptImage(bc, w, h, l.paint);
    if (o.verify && !VerifyRendered(bc, *raster, verified, error)) return 1;
    switch (type) {
      case ftWMF: case ftEMF:
        bytes = RenderBarcodeMetafile(&bc, w, h, l.paint, type == ftEMF);
        break;
      case ftSVG:
        bytes = RenderBarcodeSvg(&bc, w, h, l.paint);
        break;
      case ftPDF:
        bytes = RenderBarcodePdf(&bc, w, h, l.paint);
        break;
      default:
        if (!EncodeRaster(type, *raster, o.output, PngFormatOf(o), bytes, error)) return 1;
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
    std::cerr << "barvello-cli: " << Printable(UnknownTypeMessage(o.output)) << "\n";
    return 2;
  }
  EnsureGuiApplication();
  std::string err;
  if (type == ftINI) {
    IniFile ini;
    if (!ini.Load(o.output, err) || (ini.WriteSection("ksBarcode", BarcodeIniPairs(bc)), !ini.Save(o.output, err))) {
      std::cerr << "barvello-cli: " << Printable(err) << "\n";
      return 1;
    }
    return 0;
  }
  std::string bytes;
  VerifyStatus verified = VerifyStatus::NotVerifiable;
  if (int rc = RenderImageBytes(o, bc, bytes, err, &verified)) {
    std::cerr << "barvello-cli: " << Printable(err) << "\n";
    return rc;
  }
  if (!WriteFileAtomic(o.output, bytes, err)) {
    std::cerr << "barvello-cli: " << Printable(err) << "\n";
    return 1;
  }
  if (o.verify && verified == VerifyStatus::NotVerifiable) NoteNotVerified(bc);
  return 0;
}

int LoadIniInto(const std::string& file, const std::string& section, TksBarcodeComponent& bc, std::string& error) {
  IniFile ini;
  switch (ini.Read(file, error)) {
    case IniFile::ReadStatus::Ok: break;
    case IniFile::ReadStatus::TooLarge: return 1;  // a limit, like an oversized data text
    default: return 2;
  }
  if (!ini.HasSection(section)) {
    error = "INI file '" + file + "' has no section [" + section + "]";
    return 2;
  }
  std::string failed;
  if (!ApplyBarcodeIniPairs(bc, ini.ReadSection(section), &failed)) {
    error = "INI file '" + file + "': key '" + failed + "' cannot be applied";
    return 2;
  }
  return 0;
}
