#include "output/export.h"

#include <QBuffer>
#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSvgGenerator>
#include <sys/stat.h>

#include "engine/errors.h"
#include "engine/params.h"
#include "engine/ustring.h"
#include "output/image_writers.h"
#include "output/ini_file.h"
#include "output/metafile_canvas.h"
#include "output/ui_platform.h"
#include "render/paint.h"
#include "render/qt/qt_canvas.h"

namespace ks {

namespace {

struct FilterEntry {
  TksFileType type;
  const char* text;
};
// Dialog filter entries in dialog order.
constexpr FilterEntry kFilters[] = {
    {ftBMP, "|Bitmap file (*.bmp)|*.bmp"}, {ftWMF, "|Windows MetaFile (*.wmf)|*.wmf"},
    {ftEMF, "|Enhanced Metafile (*.emf)|*.emf"}, {ftJPEG, "|JPG/jPEG (*.jpg)|*.jpg"},
    {ftGIF, "|GIF (*.gif)|*.gif"}, {ftPNG, "|PNG (*.png)|*.png"},
    {ftINI, "|INI file (*.ini)|*.ini"}, {ftDFM, "|DFM file (*.dfm)|*.dfm"},
    {ftXML, "|XML file (*.xml)|*.xml"}, {ftJSon, "|JSon file (*.json)|*.json"},
};
constexpr TksFileTypes kAllDialogTypes = 0x07FF;

std::string Extension(const std::string& name) {
  size_t slash = name.find_last_of('/');
  size_t dot = name.find_last_of('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
  return UpperAscii(name.substr(dot));
}

// INI values cannot hold line breaks: such values (and values that would look escaped)
// are written behind a marker with \\, \r and \n escapes.
constexpr const char* kEscMarker = "@esc:";

std::string EscapeIniValue(const std::string& v) {
  if (v.find_first_of("\r\n") == std::string::npos && v.rfind(kEscMarker, 0) != 0) return v;
  std::string out = kEscMarker;
  for (char c : v) {
    if (c == '\\') out += "\\\\";
    else if (c == '\r') out += "\\r";
    else if (c == '\n') out += "\\n";
    else out += c;
  }
  return out;
}

std::string UnescapeIniValue(const std::string& v) {
  if (v.rfind(kEscMarker, 0) != 0) return v;
  std::string out;
  for (size_t i = std::string(kEscMarker).size(); i < v.size(); ++i) {
    if (v[i] == '\\' && i + 1 < v.size()) {
      char n = v[++i];
      out += n == 'r' ? '\r' : n == 'n' ? '\n' : n;
    } else {
      out += v[i];
    }
  }
  return out;
}

[[noreturn]] void Fail(const std::string& msg) { throw Exception(msg); }

// The pixels a writer leaves outside the paint rectangle at the right and at the bottom:
// the JPEG, GIF and PNG writers paint one pixel short of their image.
int PaintMargin(TksFileType type) { return type == ftJPEG || type == ftGIF || type == ftPNG ? 1 : 0; }

}  // namespace

const EnumType& FileTypeEnum() {
  static const EnumType t{"TksFileType", {"ftUnknown", "ftBMP", "ftWMF", "ftEMF", "ftJPEG", "ftGIF", "ftPNG",
                                          "ftINI", "ftDFM", "ftXML", "ftJSon", "ftSVG", "ftPDF"}};
  return t;
}

const EnumType& PngFormatEnum() {
  static const EnumType t{"TksPngFormat", {"pfTrueColor", "pfSmallest"}};
  return t;
}

TksFileType FileTypeFromName(const std::string& fileName) {
  const std::string e = Extension(fileName);
  if (e == ".BMP") return ftBMP;
  if (e == ".JPG" || e == ".JPEG") return ftJPEG;
  if (e == ".WMF") return ftWMF;
  if (e == ".EMF") return ftEMF;
  if (e == ".GIF") return ftGIF;
  if (e == ".PNG") return ftPNG;
  if (e == ".INI") return ftINI;
  if (e == ".DFM") return ftDFM;
  if (e == ".XML") return ftXML;
  if (e == ".JSON") return ftJSon;
  if (e == ".SVG") return ftSVG;
  if (e == ".PDF") return ftPDF;
  return ftUnknown;
}

std::string FileDialogFilter(TksFileTypes types) {
  if ((types & kAllDialogTypes) == 0) types = kAllDialogTypes;
  std::string f;
  for (const auto& e : kFilters)
    if (types & FileTypeBit(e.type)) f += e.text;
  return f.empty() ? f : f.substr(1);
}

QImage RenderBarcodeImage(TksBarcodeComponent* bc, int w, int h, const TRect& paintRect) {
  QImage img(std::max(w, 1), std::max(h, 1), QImage::Format_RGB32);
  if (img.isNull()) Fail("Cannot create an image of " + std::to_string(w) + " x " + std::to_string(h) + " pixels");
  img.fill(Qt::white);
  if (bc) {
    QPainter painter(&img);
    QtCanvas canvas(&painter);
    PaintBarcodeImage(canvas, {0, 0, w, h}, paintRect, bc);
  }
  return img;
}

std::string RenderBarcodeMetafile(TksBarcodeComponent* bc, int w, int h, const TRect& paintRect, bool enhanced) {
  MetafileCanvas canvas(w, h);
  PaintBarcodeImage(canvas, {0, 0, w, h}, paintRect, bc);
  return enhanced ? canvas.EmfBytes() : canvas.WmfBytes();
}

std::string RenderBarcodeSvg(TksBarcodeComponent* bc, int w, int h, const TRect& paintRect) {
  QBuffer buffer;
  buffer.open(QIODevice::WriteOnly);
  QSvgGenerator gen;
  gen.setOutputDevice(&buffer);
  gen.setSize(QSize(w, h));
  gen.setViewBox(QRect(0, 0, w, h));
  gen.setResolution(kScreenPixelsPerInch);
  gen.setTitle("Barcode");
  gen.setDescription("Made with Barvello");
  {
    QPainter painter(&gen);
    painter.fillRect(QRect(0, 0, w, h), Qt::white);
    QtCanvas canvas(&painter);
    PaintBarcodeImage(canvas, {0, 0, w, h}, paintRect, bc);
  }
  return buffer.data().toStdString();
}

std::string RenderBarcodePdf(TksBarcodeComponent* bc, int w, int h, const TRect& paintRect) {
  QBuffer buffer;
  buffer.open(QIODevice::WriteOnly);
  {
    QPdfWriter pdf(&buffer);
    pdf.setCreator("Barvello");
    pdf.setResolution(kScreenPixelsPerInch);
    pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
    pdf.setPageSize(QPageSize(QSizeF(w * 72.0 / kScreenPixelsPerInch, h * 72.0 / kScreenPixelsPerInch),
                              QPageSize::Point, QString(), QPageSize::ExactMatch));
    QPainter painter(&pdf);
    painter.fillRect(QRect(0, 0, w, h), Qt::white);
    QtCanvas canvas(&painter);
    PaintBarcodeImage(canvas, {0, 0, w, h}, paintRect, bc);
  }
  return buffer.data().toStdString();
}

std::vector<std::pair<std::string, std::string>> BarcodeIniPairs(TksBarcodeComponent& bc) {
  std::vector<std::pair<std::string, std::string>> pairs;
  // Read-only properties are left out, so a written section loads back whole. So are the
  // ones not stored: a font's Size is its Height in whole points, and loading it after
  // the height would round the height to a whole point size (-30 came back as -31).
  for (const auto& pv : ListProperties(bc, false, true)) pairs.emplace_back(pv.path, EscapeIniValue(pv.value));
  return pairs;
}

namespace {

// One pair; false when the key names no writable property or the value is refused, by
// conversion or by a setter that raises (a QR mask outside the allowed ones, say).
bool ApplyIniPair(TksBarcodeComponent& bc, const std::string& key, const std::string& value) {
  try {
    return SetPropertyText(bc, key, UnescapeIniValue(value)) == SetResult::Ok;
  } catch (const Exception&) {
    return false;
  }
}

}  // namespace

bool ApplyBarcodeIniPairs(TksBarcodeComponent& bc, const std::vector<std::pair<std::string, std::string>>& pairs,
                          std::string* failedKey) {
  auto fail = [&](const std::string& key) {
    if (failedKey) *failedKey = key;
    return false;
  };
  // The symbology goes first: setting it replaces the data text with its sample.
  for (const auto& [k, v] : pairs) {
    if (EqualsNoCase(k, "BarcodeSymbology")) {
      if (!ApplyIniPair(bc, k, v)) return fail(k);
      break;
    }
  }
  // Micro QR narrows the masks and versions the QR parameters accept, and a section
  // holds it before them: a Micro QR symbol keeps the default mask 0, which the mask
  // setter refuses while Micro QR is on. So Micro QR is off while the other pairs are
  // applied and takes its value from the section after them (switching it on keeps
  // the mask and a version up to 4, which is all a Micro QR section can hold).
  constexpr const char* kMicroQR = "Params.QRCode.MicroQR";
  size_t micro = pairs.size();
  for (size_t i = 0; i < pairs.size(); ++i)
    if (EqualsNoCase(pairs[i].first, kMicroQR)) micro = i;
  const bool microBefore = bc.Params().QRCode().MicroQR();
  if (micro < pairs.size()) bc.Params().QRCode().SetMicroQR(false);
  for (size_t i = 0; i < pairs.size(); ++i) {
    const auto& [k, v] = pairs[i];
    if (EqualsNoCase(k, kMicroQR)) continue;
    if (!ApplyIniPair(bc, k, v)) {
      // Pairs before the failing one stay applied, Micro QR among them.
      if (micro < i) ApplyIniPair(bc, pairs[micro].first, pairs[micro].second);
      else bc.Params().QRCode().SetMicroQR(microBefore);
      return fail(k);
    }
  }
  if (micro < pairs.size() && !ApplyIniPair(bc, pairs[micro].first, pairs[micro].second)) {
    bc.Params().QRCode().SetMicroQR(microBefore);
    return fail(pairs[micro].first);
  }
  return true;
}

// ---- TksExportImport -----------------------------------------------------------------

TksExportImport::TksExportImport(TksComponent* owner) : TksComponent(owner) {
  // The dialog is the UI library's; without it no name is chosen.
  FileDialog = [](bool save, const std::string& filter, std::string& name) {
    TksUiPlatform* ui = UiPlatform();
    return ui && ui->ExportFileDialog(save, filter, name);
  };
}

TksExportImport::~TksExportImport() = default;

void TksExportImport::SetBarcode(TksBarcodeComponent* bc) {
  if (bc == FBarcode) return;
  if (FBarcode) FBarcode->RemoveFreeNotification(this);
  FBarcode = bc;
  if (FBarcode) FBarcode->FreeNotification(this);
}

void TksExportImport::Notification(TksComponent* c) {
  if (c == FBarcode) FBarcode = nullptr;
}

void TksExportImport::DefaultSize(TksFileType type, int& w, int& h) {
  // Width 0 is the symbol's minimal width; the paint rectangle must hold all of it, so
  // the image is wider by what the writer leaves outside that rectangle.
  if (w == 0) w = MinPaintWidth(*FBarcode) + PaintMargin(type);
  if (h == 0) h = w;
}

bool TksExportImport::Prepare(std::string& name, TksFileTypes dialogTypes, int& w, int& h, TksFileType sizeFor) {
  if (!FBarcode) return false;
  // Settings files need no image size: their saving must not depend on whether the
  // data text encodes.
  if (sizeFor != ftUnknown) DefaultSize(sizeFor, w, h);
  if (!name.empty()) return true;
  std::string chosen;
  if (!FileDialog || !FileDialog(true, FileDialogFilter(dialogTypes), chosen) || chosen.empty()) return false;
  name = chosen;
  return true;
}

void TksExportImport::Save() { SaveToFile(FFileName, FWidth, FHeight); }

void TksExportImport::SaveToFile(const std::string& m, int w, int h) {
  std::string name = m;
  TksFileTypes types = m == FFileName ? FFilter : 0;
  const bool named = !name.empty();
  const TksFileType given = FileTypeFromName(name);
  if (!Prepare(name, types, w, h, named && given != ftINI ? given : ftUnknown)) return;
  const TksFileType type = FileTypeFromName(name);
  if (!named && type != ftINI) DefaultSize(type, w, h);
  WriteType(type, name, w, h, "ksBarcode");
}

void TksExportImport::WriteType(TksFileType type, const std::string& name, int w, int h,
                                const std::string& iniSection) {
  switch (type) {
    case ftBMP: WriteRaster(static_cast<int>(ImageKind::Bmp), name, w, h); break;
    case ftJPEG: WriteRaster(static_cast<int>(ImageKind::Jpeg), name, w, h); break;
    case ftGIF: WriteRaster(static_cast<int>(ImageKind::Gif), name, w, h); break;
    case ftPNG: WriteRaster(static_cast<int>(ImageKind::Png), name, w, h); break;
    case ftWMF: case ftEMF: WriteMetafile(name, w, h); break;
    case ftINI: WriteIni(name, iniSection); break;
    case ftSVG: {
      std::string err;
      if (!WriteFileAtomic(name, RenderBarcodeSvg(FBarcode, w, h, {0, 0, w, h}), err)) Fail(err);
      break;
    }
    case ftPDF: {
      std::string err;
      if (!WriteFileAtomic(name, RenderBarcodePdf(FBarcode, w, h, {0, 0, w, h}), err)) Fail(err);
      break;
    }
    default: break;  // DFM, XML, JSON and unknown types write nothing
  }
}

void TksExportImport::WriteRaster(int kind, const std::string& name, int w, int h) {
  const ImageKind k = static_cast<ImageKind>(kind);
  // BMP paints the whole surface; the other raster writers stop one pixel short.
  const int m = k == ImageKind::Bmp ? 0 : 1;
  const TRect r{0, 0, w - m, h - m};
  QImage img = RenderBarcodeImage(FBarcode, w, h, r);
  std::string err;
  if (!WriteImageFile(img, k, name, err, FPngFormat)) Fail(err);
}

void TksExportImport::WriteMetafile(const std::string& name, int w, int h) {
  const bool enhanced = Extension(name) == ".EMF";
  std::string err;
  if (!WriteFileAtomic(name, RenderBarcodeMetafile(FBarcode, w, h, {0, 0, w, h}, enhanced), err)) Fail(err);
}

void TksExportImport::WriteIni(const std::string& name, const std::string& section) {
  IniFile ini;
  std::string err;
  if (!ini.Load(name, err)) Fail(err);
  ini.WriteSection(section, BarcodeIniPairs(*FBarcode));
  if (!ini.Save(name, err)) Fail(err);
}

void TksExportImport::SaveWith(TksFileType type, const std::function<void(const std::string&, int, int)>& write) {
  std::string name = FFileName;
  int w = FWidth, h = FHeight;
  if (Prepare(name, FileTypeBit(type), w, h, type)) write(name, w, h);
}

void TksExportImport::SaveAsBMP() {
  SaveWith(ftBMP, [this](const std::string& n, int w, int h) { WriteRaster(static_cast<int>(ImageKind::Bmp), n, w, h); });
}
void TksExportImport::SaveAsWMF() {
  SaveWith(ftWMF, [this](const std::string& n, int w, int h) { WriteMetafile(n, w, h); });
}
void TksExportImport::SaveAsEMF() {
  SaveWith(ftWMF, [this](const std::string& n, int w, int h) { WriteMetafile(n, w, h); });
}
void TksExportImport::SaveAsJPG() {
  SaveWith(ftJPEG, [this](const std::string& n, int w, int h) { WriteRaster(static_cast<int>(ImageKind::Jpeg), n, w, h); });
}
void TksExportImport::SaveAsGIF() {
  SaveWith(ftGIF, [this](const std::string& n, int w, int h) { WriteRaster(static_cast<int>(ImageKind::Gif), n, w, h); });
}
void TksExportImport::SaveAsPNG() {
  SaveWith(ftPNG, [this](const std::string& n, int w, int h) { WriteRaster(static_cast<int>(ImageKind::Png), n, w, h); });
}
void TksExportImport::SaveAsSVG() {
  SaveWith(ftSVG, [this](const std::string& n, int w, int h) { WriteType(ftSVG, n, w, h, ""); });
}
void TksExportImport::SaveAsPDF() {
  SaveWith(ftPDF, [this](const std::string& n, int w, int h) { WriteType(ftPDF, n, w, h, ""); });
}

void TksExportImport::SaveAsINI() {
  std::string name = FFileName;
  int w = FWidth, h = FHeight;
  if (!Prepare(name, FileTypeBit(ftINI), w, h, ftUnknown)) return;
  WriteIni(name, FIniSection.empty() ? FBarcode->Name() : FIniSection);
}

void TksExportImport::LoadFromINI() {
  if (!FBarcode) return;
  std::string name = FFileName;
  if (name.empty()) {
    if (!FileDialog || !FileDialog(false, FileDialogFilter(FileTypeBit(ftINI)), name)) return;
  }
  IniFile ini;
  std::string err;
  // Without an existing regular file nothing happens; a file that cannot be read says so.
  switch (ini.Read(name, err)) {
    case IniFile::ReadStatus::Ok: break;
    case IniFile::ReadStatus::Missing:
    case IniFile::ReadStatus::NotRegular: return;
    default: Fail(err);
  }
  const std::string section = FIniSection.empty() ? FBarcode->Name() : FIniSection;
  if (!ApplyBarcodeIniPairs(*FBarcode, ini.ReadSection(section))) throw EAbort();
}

void TksExportImport::SaveAsDFM() {
  std::string name = FFileName;
  if (name.empty() && FileDialog) FileDialog(true, FileDialogFilter(FileTypeBit(ftDFM)), name);
  // Recognised only: no file is written.
}

void TksExportImport::LoadFromDFM() {
  std::string name = FFileName;
  if (name.empty() && FileDialog) FileDialog(false, FileDialogFilter(FileTypeBit(ftDFM)), name);
  // Recognised only: nothing is read.
}

void TksExportImport::SaveToStreamBmp(std::string& stream, int w, int h) {
  if (!FBarcode) Fail("Property Barcode not assigned. Operation aborted.");
  std::string bytes;
  if (!EncodeBmp(RenderBarcodeImage(FBarcode, w, h, {0, 0, w, h}), bytes)) Fail("Cannot encode the bitmap");
  stream += bytes;
}

void TksExportImport::SaveToStreamWmf(std::string& stream, int w, int h) {
  if (!FBarcode) Fail("Property Barcode not assigned. Operation aborted.");
  stream += RenderBarcodeMetafile(FBarcode, w, h, {0, 0, w, h}, false);
}

void TksExportImport::CopyToClipboard() {
  QImage img = RenderBarcodeImage(FBarcode, FWidth, FHeight, {0, 0, FWidth - 1, FHeight - 1});
  if (auto* cb = QGuiApplication::clipboard()) cb->setImage(img);
}

void TksExportImport::CopyToClipboardWMF() {
  auto* data = new QMimeData;
  data->setData("image/x-emf",
                QByteArray::fromStdString(RenderBarcodeMetafile(FBarcode, FWidth, FHeight, {0, 0, FWidth, FHeight}, true)));
  data->setData("image/svg+xml", QByteArray::fromStdString(RenderBarcodeSvg(FBarcode, FWidth, FHeight, {0, 0, FWidth, FHeight})));
  if (auto* cb = QGuiApplication::clipboard()) cb->setMimeData(data);
  else delete data;
}

TRect TksExportImport::ClientRect() const {
  int w = FWidth, h = FHeight;
  if (FBarcode) {
    if (w == 0) w = FBarcode->MinWidth();
    if (h == 0) h = w;
  }
  return {0, 0, w - 1, h - 1};
}

const PropertyTable& TksExportImport::Properties() const {
  using E = TksExportImport;
  static const PropertyTable t =
      PropsBuilder<E>()
          .Str("FileName", &E::FileName, &E::SetFileName, "")
          .Int("Width", &E::Width, &E::SetWidth, 0)
          .Int("Height", &E::Height, &E::SetHeight, 0)
          .Str("InitialDir", &E::InitialDir, &E::SetInitialDir, "")
          .Set("SaveFilter", FileTypeEnum(), &E::SaveFilter, [](E& e, uint32_t v) { e.SetSaveFilter(static_cast<TksFileTypes>(v)); }, 0)
          .Set("FileTypes", FileTypeEnum(), &E::FileTypes, [](E& e, uint32_t v) { e.SetFileTypes(static_cast<TksFileTypes>(v)); }, 0, false)
          .Str("IniSection", &E::IniSection, &E::SetIniSection, "")
          .Enum("PngFormat", PngFormatEnum(), &E::PngFormat, &E::SetPngFormat, pfTrueColor)
          .Build();
  return t;
}

}  // namespace ks
