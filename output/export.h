// TksExportImport: renders one barcode object into an image of a chosen size and writes
// it to a file, a byte stream or the clipboard; saves and loads its settings as an INI
// section.
#pragma once

#include <QImage>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine/barcode.h"
#include "engine/component.h"
#include "engine/persistent.h"
#include "output/image_writers.h"

namespace ks {

enum TksFileType : uint8_t {
  ftUnknown, ftBMP, ftWMF, ftEMF, ftJPEG, ftGIF, ftPNG, ftINI, ftDFM, ftXML, ftJSon,
  // Vector formats beyond the dialog's list, chosen by extension only.
  ftSVG, ftPDF
};
using TksFileTypes = uint16_t;  // bit i = type i; the dialog's ten types are $07FF
inline constexpr TksFileTypes FileTypeBit(TksFileType t) { return static_cast<TksFileTypes>(1u << t); }
const EnumType& FileTypeEnum();
const EnumType& PngFormatEnum();

// Type from a file name's extension (case-insensitive); ftUnknown when none fits.
TksFileType FileTypeFromName(const std::string& fileName);
// The dialog filter for a set of types ("Bitmap file (*.bmp)|*.bmp|..."); empty = all ten.
std::string FileDialogFilter(TksFileTypes types);

// Renders a barcode into a fresh white RGB32 image of w x h, painting into `paintRect`.
QImage RenderBarcodeImage(TksBarcodeComponent* bc, int w, int h, const TRect& paintRect);
// Records a barcode into a metafile of w x h (enhanced or old-style).
std::string RenderBarcodeMetafile(TksBarcodeComponent* bc, int w, int h, const TRect& paintRect, bool enhanced);
std::string RenderBarcodeSvg(TksBarcodeComponent* bc, int w, int h, const TRect& paintRect);
std::string RenderBarcodePdf(TksBarcodeComponent* bc, int w, int h, const TRect& paintRect);

// INI persistence of a barcode object's published settings.
std::vector<std::pair<std::string, std::string>> BarcodeIniPairs(TksBarcodeComponent& bc);
// Applies the pairs in order (the symbology first, so the data text survives); returns
// false at the first pair that cannot be applied, naming it in `failedKey`; pairs before
// it stay applied.
bool ApplyBarcodeIniPairs(TksBarcodeComponent& bc, const std::vector<std::pair<std::string, std::string>>& pairs,
                          std::string* failedKey = nullptr);

class TksExportImport : public TksComponent, public TksPersistent {
 public:
  explicit TksExportImport(TksComponent* owner = nullptr);
  ~TksExportImport() override;

  TksBarcodeComponent* Barcode() const { return FBarcode; }
  void SetBarcode(TksBarcodeComponent* bc);
  const std::string& FileName() const { return FFileName; }
  void SetFileName(const std::string& v) { FFileName = v; }
  int32_t Width() const { return FWidth; }
  void SetWidth(int32_t v) { FWidth = v; }
  int32_t Height() const { return FHeight; }
  void SetHeight(int32_t v) { FHeight = v; }
  const std::string& InitialDir() const { return FInitialDir; }
  void SetInitialDir(const std::string& v) { FInitialDir = v; }
  TksFileTypes SaveFilter() const { return FFilter; }
  void SetSaveFilter(TksFileTypes v) { FFilter = v; }
  TksFileTypes FileTypes() const { return FFilter; }
  void SetFileTypes(TksFileTypes v) { FFilter = v; }
  const std::string& IniSection() const { return FIniSection; }
  void SetIniSection(const std::string& v) { FIniSection = v; }
  // How PNG files are written: pfTrueColor (the default) or pfSmallest, the smallest
  // exact form (see TksPngFormat); the pixels are the same either way.
  TksPngFormat PngFormat() const { return FPngFormat; }
  void SetPngFormat(TksPngFormat v) { FPngFormat = v; }

  // Asks for a file name; returns false when cancelled. The default shows a QFileDialog
  // titled "Uložit Barcode" (needs the UI library and a QApplication); tests and tools
  // replace it.
  std::function<bool(bool save, const std::string& filter, std::string& name)> FileDialog;

  virtual void Execute() { Save(); }
  void Save();
  void SaveToFile(const std::string& name, int w, int h);
  void SaveAsBMP();
  void SaveAsWMF();
  void SaveAsEMF();
  void SaveAsJPG();
  void SaveAsGIF();
  void SaveAsPNG();
  void SaveAsSVG();
  void SaveAsPDF();
  void SaveAsINI();
  void LoadFromINI();
  void SaveAsDFM();
  void LoadFromDFM();
  void SaveToStreamBmp(std::string& stream, int w, int h);
  void SaveToStreamWmf(std::string& stream, int w, int h);
  void CopyToClipboard();
  void CopyToClipboardWMF();
  TRect ClientRect() const;

  const PropertyTable& Properties() const override;

 protected:
  void Notification(TksComponent* c) override;

 private:
  // Preparation shared by the writers: false when there is nothing to do. The size is
  // defaulted for an image of type `sizeFor`; ftUnknown leaves it (settings files).
  bool Prepare(std::string& name, TksFileTypes dialogTypes, int& w, int& h, TksFileType sizeFor);
  // Width 0 and height 0 of an image of the given type.
  void DefaultSize(TksFileType type, int& w, int& h);
  // Prepares for the writer of `type` (its dialog offers that type) and runs `write`.
  void SaveWith(TksFileType type, const std::function<void(const std::string&, int, int)>& write);
  void WriteType(TksFileType type, const std::string& name, int w, int h, const std::string& iniSection);
  void WriteRaster(int kind, const std::string& name, int w, int h);
  void WriteMetafile(const std::string& name, int w, int h);
  void WriteIni(const std::string& name, const std::string& section);

  TksBarcodeComponent* FBarcode = nullptr;
  std::string FFileName;
  int32_t FWidth = 0;
  int32_t FHeight = 0;
  std::string FInitialDir;
  TksFileTypes FFilter = 0;
  std::string FIniSection;
  TksPngFormat FPngFormat = pfTrueColor;
};

}  // namespace ks
