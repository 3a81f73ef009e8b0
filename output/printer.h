// Label printing: TksPrinter lays one barcode object out as a grid of equal labels on
// sheets of paper, prints them on the current printer (or into a PDF file) and draws a
// scaled preview of any page. The sheet geometry lives in TksPaperParams, the preview
// colours in TksPrinterPreview.
#pragma once

#include <QObject>
#include <QPointer>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "engine/barcode.h"
#include "engine/component.h"
#include "engine/decor.h"
#include "engine/ksmath.h"
#include "engine/persistent.h"
#include "render/canvas.h"
#include "verify/verify.h"

class QPrinter;

namespace ks {

class TksPrintProgressView;
class TksPrintJob;

enum TksUnits : uint8_t { buMilimetres, buInches };
enum TksPrintStyle : uint8_t { ksSingle, ksSheet, ksSheetInc, ksSheetSymbologies, ksTableData, ksSelectedRows };
enum THelpType : uint8_t { htKeyword, htContext };

const EnumType& UnitsEnum();
const EnumType& PrintStyleEnum();
const EnumType& HelpTypeEnum();

// One label's rectangle on the paper, in the current unit.
struct TksPrintRect {
  double Left = 0;
  double Top = 0;
  double Right = 0;
  double Bottom = 0;
};

// The paper parameters as one record: the sheet geometry in the current unit and the
// printer's metrics (device pixels).
struct TksPaperParamsRec {
  double FSpaceX = 10;
  double FSpaceY = 10;
  double FLabelWidth = 50;
  double FLabelHeight = 30;
  double FMarginBottom = 20;
  double FMarginTop = 20;
  double FMarginLeft = 15;
  double FMarginRight = 20;
  TksUnits FUnits = buMilimetres;
  TksPrintStyle FStyle = ksSheet;
  std::string FDocumentTitle;
  int32_t FDpiX = 600;
  int32_t FDpiY = 600;
  int32_t pPaperWidth = 4960;   // physical paper size in printer pixels
  int32_t pPaperHeight = 7015;
  int32_t mm10Width = 2100;     // paper size in tenths of a millimetre
  int32_t mm10Height = 2970;
  int32_t FOffsetX = 0;         // physical offset of the printable area, printer pixels
  int32_t FOffsetY = 0;
  int32_t FPaperID = -1;        // the driver's paper number, -1 when none was found
  std::string FPaperName = "Unknown";
};

inline constexpr const char* kDefaultDocumentTitle = "Barvello - arch etiket";
// The preview's label colour: sky blue, apart from the pale green of the error display,
// so that a label without a barcode is never taken for one that shows an error.
inline constexpr TColor kDefaultLabelColor = 0xF0CAA6;

// The printer every label print and setup dialog works with (the default printer at
// first); nullptr when no printer is installed, no GUI application runs or the program
// has no UI library (see output/ui_platform.h).
QPrinter* CurrentPrinter();
bool IsPrinterInstalled();
// Makes the named printer the current one, as the printer-setup dialog does when the user
// picks it; false when no printer of that name is installed.
bool SelectPrinter(const std::string& name);

class TksPaperParams : public TksPersistent {
 public:
  // Defaults, then the paper metrics of the current printer.
  TksPaperParams();

  // ---- published ----
  double PaperWidth() const;
  double PaperHeight() const;
  const std::string& PaperName() const { return FParams.FPaperName; }
  double NonPrintableHorz() const;
  double NonPrintableVert() const;
  double LabelWidth() const { return FParams.FLabelWidth; }
  void SetLabelWidth(double v) { Store(FParams.FLabelWidth, v); }
  double LabelHeight() const { return FParams.FLabelHeight; }
  void SetLabelHeight(double v) { Store(FParams.FLabelHeight, v); }
  double MarginTop() const { return FParams.FMarginTop; }
  void SetMarginTop(double v) { Store(FParams.FMarginTop, v); }
  double MarginLeft() const { return FParams.FMarginLeft; }
  void SetMarginLeft(double v) { Store(FParams.FMarginLeft, v); }
  double MarginRight() const { return FParams.FMarginRight; }
  void SetMarginRight(double v) { Store(FParams.FMarginRight, v); }
  double MarginBottom() const { return FParams.FMarginBottom; }
  void SetMarginBottom(double v) { Store(FParams.FMarginBottom, v); }
  double SpaceX() const { return FParams.FSpaceX; }
  void SetSpaceX(double v) { Store(FParams.FSpaceX, v); }
  double SpaceY() const { return FParams.FSpaceY; }
  void SetSpaceY(double v) { Store(FParams.FSpaceY, v); }
  TksUnits Units() const { return FParams.FUnits; }
  void SetUnits(TksUnits u) { ChangeUnits(u); }
  TksPrintStyle Style() const { return FParams.FStyle; }
  void SetStyle(TksPrintStyle s);
  const std::string& DocumentTitle() const { return FParams.FDocumentTitle; }
  void SetDocumentTitle(const std::string& t);

  // ---- operations ----
  // Converts every length to the new unit, rounded to 4 decimals.
  void ChangeUnits(TksUnits newUnits);
  int LabelsPerPage() const;
  // The first position of a page: (MarginLeft, MarginTop) with the label's size.
  TksPrintRect FirstLabel() const;
  // Advances to the next position, row by row; true when a new page begins.
  bool NextLabel(TksPrintRect& r) const;
  // "210x297 mm" or " 8.27x11.69 \"", with the paper's name in front when it has one.
  std::string PaperFormat() const;
  void BackupParams() { FParamsBackup = FParams; }
  void RestoreParams();

  // Reads the paper metrics from `printer`; nullptr keeps the defaults of a missing
  // printer (600 dpi, A4).
  void RefreshPaperMetrics(QPrinter* printer);
  // The same for the current printer.
  void RefreshPaperMetrics();
  const TksPaperParamsRec& Record() const { return FParams; }

  void Assign(const TksPersistent& source) override;
  const PropertyTable& Properties() const override;

  // Fired after every effective change.
  std::function<void()> OnChange;

 private:
  void Store(double& field, double v);
  void Notify() {
    if (OnChange) OnChange();
  }
  TksPaperParamsRec FParams;
  TksPaperParamsRec FParamsBackup;
};

class TksPrinterPreview : public TksPersistent {
 public:
  TColor PaperColor() const { return FPaperColor; }
  void SetPaperColor(TColor v) { Store(FPaperColor, v); }
  bool LivePreview() const { return FLive; }
  void SetLivePreview(bool v) { Store(FLive, v); }
  TColor LabelColor() const { return FLabelColor; }
  void SetLabelColor(TColor v) { Store(FLabelColor, v); }
  TColor ShadowColor() const { return FShadowColor; }
  void SetShadowColor(TColor v) { Store(FShadowColor, v); }
  // Whether the settings dialog shows its preview-settings page.
  bool VisiblePage() const { return FVisiblePage; }
  void SetVisiblePage(bool v) { Store(FVisiblePage, v); }
  int32_t ShadowWidth() const { return FShadowWidth; }
  void SetShadowWidth(int32_t v) { Store(FShadowWidth, v); }

  void Assign(const TksPersistent& source) override;
  const PropertyTable& Properties() const override;
  std::function<void()> OnChange;

 private:
  template <class T>
  void Store(T& field, T v) {
    if (field == v) return;
    field = v;
    if (OnChange) OnChange();
  }
  TColor FPaperColor = clWhite;
  bool FLive = true;
  TColor FLabelColor = kDefaultLabelColor;
  TColor FShadowColor = clSilver;
  bool FVisiblePage = true;
  int32_t FShadowWidth = 5;
};

class TksPrinter;
using TksPrintPageEvent = std::function<void(TksPrinter* sender, int currPage, int totalPages)>;
using TksPrintLabelEvent = std::function<void(TksPrinter* sender, TksBarcodeComponent* barcode,
                                              TksPrintRect& viewRect, bool& enabled, bool& endLoop)>;
using TksPrinterProgressEvent = std::function<void(TksPrinter* sender, int pageIndex, int pageCount)>;

class TksPrinter : public TksComponent, public TksPersistent {
 public:
  explicit TksPrinter(TksComponent* owner = nullptr);
  ~TksPrinter() override;

  // ---- published ----
  TksPaperParams& PaperParams() const { return *FPaperParams; }
  void SetPaperParams(const TksPaperParams& p) { FPaperParams->Assign(p); }
  int32_t Count() const { return FCount; }
  void SetCount(int32_t v) { Store(FCount, v); }
  // Label positions left empty at the start of the first page.
  int32_t StartFrom() const { return FStartFrom; }
  void SetStartFrom(int32_t v) { Store(FStartFrom, v); }
  TksBarcodeComponent* BarcodeObject() const { return FBarcodeObject; }
  void SetBarcodeObject(TksBarcodeComponent* bc);
  // The page the preview shows (and, while printing, the page being printed).
  int32_t PageIndex() const { return FPageIndex; }
  void SetPageIndex(int32_t v) { Store(FPageIndex, v); }
  TksFont& Font() { return FFont; }
  const TksFont& Font() const { return FFont; }
  void SetFont(const TksFont& f) { FFont.Assign(f); }
  double FontHeightMM() const { return FFontHeightMM; }
  void SetFontHeightMM(double v) { Store(FFontHeightMM, v); }
  TksPrinterPreview& PreviewParams() const { return *FPreviewParams; }
  void SetPreviewParams(const TksPrinterPreview& p) { FPreviewParams->Assign(p); }
  // Label-sheet definitions: "name|width|height|left|top|right|bottom|spaceX|spaceY".
  const std::vector<std::string>& Sheets() const { return FSheets; }
  void SetSheets(const std::vector<std::string>& v);
  bool ShowProgress() const { return FShowProgress; }
  void SetShowProgress(bool v) { Store(FShowProgress, v); }
  int32_t HelpContext() const { return FHelpContext; }
  void SetHelpContext(int32_t v) { Store(FHelpContext, v); }
  THelpType HelpType() const { return FHelpType; }
  void SetHelpType(THelpType v) { Store(FHelpType, v); }
  const std::string& HelpKeyword() const { return FHelpKeyword; }
  void SetHelpKeyword(const std::string& v) { Store(FHelpKeyword, v); }
  // When set, Print writes a PDF file of this name instead of using a printer.
  const std::string& OutputFileName() const { return FOutputFileName; }
  void SetOutputFileName(const std::string& v) { Store(FOutputFileName, v); }

  TNotifyEvent OnReportHeader;
  TNotifyEvent OnReportFooter;
  TksPrintPageEvent OnPageHeader;
  TksPrintPageEvent OnPageFooter;
  TksPrintLabelEvent OnBeforePrint;
  TksPrintLabelEvent OnAfterPrint;
  TksPrinterProgressEvent OnPrintProgress;
  // Fired after every effective change of the printer's or its sub-objects' settings.
  std::function<void()> OnChange;

  // ---- platform hooks (tests and tools replace them) ----
  // Asks for the PDF file a print goes to when no printer is installed; false when
  // cancelled. The default shows a save dialog (needs a QApplication).
  std::function<bool(std::string& fileName)> FileDialog;
  // Shows an informational message; the default is a message box.
  std::function<void(const std::string& text)> ShowMessage;
  // Before a print, one label rendered at the paper's resolution is decoded; when it does
  // not read back, this answers whether to print anyway. The default asks the user
  // (AskPrintUnreadable); an empty function prints without the check.
  std::function<bool(const VerifyResult& result)> ConfirmUnreadable;
  // The dialog's help button; receives HelpType, HelpContext and HelpKeyword.
  std::function<void(THelpType, int32_t, const std::string&)> OnHelp;

  // ---- operations ----
  // Prints Count labels. Returns false when the job was cancelled before it began (no
  // file chosen) or aborted by the user; failures throw after the job is cleaned up.
  bool Print();
  // Draws page PageIndex scaled into `viewRect`.
  void Preview(Canvas& c, const TRect& viewRect);
  // Runs the settings dialog; true when confirmed.
  bool EditParams(bool showPreview);
  bool PrinterSetup();
  bool PageSetup();
  int PagesCount() const;
  std::string PagesCountString() const;
  int LabelsCount() const { return FCount; }
  bool IsPrinterInstalled() const { return ks::IsPrinterInstalled(); }
  std::string PrinterName() const;
  void ListPapers(std::vector<std::string>& sl) const;
  void GetPaperNames(std::vector<std::string>& sl) const;
  // Names of the sheet definitions, each with its index.
  void SheetsFill(std::vector<std::pair<std::string, int>>& sl) const;
  void SheetsSelect(int idx);
  void SetDefaults();
  void SetHelpProp(QObject* c) const;
  // Requests that a running print stops at the next label.
  void AbortPrint() { FAbortPrint = true; }
  bool Aborted() const { return FAbortPrint; }
  // No data-bound barcode object exists in this system.
  bool IsDataAware() const { return false; }
  TksComponent* DataSource() const { return nullptr; }
  TksComponent* DataSet() const { return nullptr; }

  // ---- helpers for event handlers: the current canvas and page rectangle ----
  TPoint ConvertPoint(double x, double y) const;
  TRect ConvertRect(const TksPrintRect& r) const;
  int ConvertHeight(double h) const;
  void FontHeight(double value);
  void TextOut(double left, double top, const std::u16string& text);
  Canvas* CurrentCanvas() const { return FCurrCanvas; }
  const TRect& CurrentRect() const { return FCurrRect; }
  bool CurrentIsPrinter() const { return FCurrIsPrinter; }

  // The control showing the preview (a widget): repainted on every change, forgotten when
  // destroyed.
  void SetViewControl(QObject* w);

  const PropertyTable& Properties() const override;

 protected:
  void Notification(TksComponent* c) override;

 private:
  template <class T>
  void Store(T& field, const T& v) {
    if (field == v) return;
    field = v;
    Changed();
  }
  void Changed();
  void PageProgress(TksPrintProgressView* progress);
  std::unique_ptr<TksBarcodeComponent> MakeWorkingObject() const;
  // False when a label does not read back and ConfirmUnreadable declines to print it.
  bool LabelReadsOrConfirmed();
  bool PrintJob(TksPrintJob& job, TksPrintProgressView* progress);

  std::unique_ptr<TksPaperParams> FPaperParams;
  int32_t FCount = 5;
  int32_t FStartFrom = 0;
  TksBarcodeComponent* FBarcodeObject = nullptr;
  int32_t FPageIndex = 1;
  TksFont FFont;
  double FFontHeightMM = 0;
  std::unique_ptr<TksPrinterPreview> FPreviewParams;
  std::vector<std::string> FSheets;
  bool FShowProgress = true;
  int32_t FHelpContext = 0;
  THelpType FHelpType = htContext;
  std::string FHelpKeyword;
  std::string FOutputFileName;

  // Working state of a print or preview.
  TRect FCurrRect;
  double FCurrOriginX = 0;  // the paper point at the current rectangle's corner
  double FCurrOriginY = 0;
  Canvas* FCurrCanvas = nullptr;
  bool FCurrIsPrinter = false;
  int FPrintPageIndex = 0;
  int FPrintPagesCount = 0;
  bool FAbortPrint = false;
  bool FPrinting = false;
  QPointer<QObject> FViewControl;
};

// printf-style formatting of one or two floating-point numbers with the user's decimal
// separator, as the dialog and PaperFormat show them.
std::string FormatFloatLocale(const char* fmt, double a, double b = 0);

// The question before printing labels that do not read back, in Czech.
std::string UnreadableLabelQuestion(const VerifyResult& result);
// Asks it in a message box (Yes prints); without a widget application, prints.
bool AskPrintUnreadable(const VerifyResult& result);

// Parses one sheet definition; missing or unreadable numbers count as 0.
struct TksSheetDefinition {
  std::string Name;
  double LabelWidth = 0, LabelHeight = 0;
  double MarginLeft = 0, MarginTop = 0, MarginRight = 0, MarginBottom = 0;
  double SpaceX = 0, SpaceY = 0;
};
TksSheetDefinition ParseSheetDefinition(const std::string& line);

}  // namespace ks
