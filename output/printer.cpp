#include "output/printer.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QLocale>
#include <QMetaObject>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QVariant>
#include <algorithm>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <unistd.h>

#include "engine/symbology.h"
#include "engine/ustring.h"
#include "output/atomic_file.h"
#include "output/ui_platform.h"
#include "render/paint.h"
#include "render/qt/qt_canvas.h"

namespace ks {

namespace {

constexpr double kMmPerInch = 25.4;

// Truncates toward zero into the int range; NaN gives 0.
int TruncInt(double v) {
  if (std::isnan(v)) return 0;
  if (v >= static_cast<double>(INT_MAX)) return INT_MAX;
  if (v <= static_cast<double>(INT_MIN)) return INT_MIN;
  return static_cast<int>(v);
}

// Rounds a converted length to 4 decimals the way the unit change does.
double RoundTo4(double v) { return std::trunc(v * 10000 + 0.5) / 10000; }

bool HaveGuiApplication() { return qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr; }

// Scales a length on the paper to pixels of a page `pixels` wide (or high) that shows
// `paper` units; 0 when the paper has no size.
int Scale(double v, int pixels, double paper) { return paper == 0 ? 0 : TruncInt(v * pixels / paper); }

// The label rectangle in pixels of a page `w` x `h` that shows the whole paper, measured
// from the paper point (originX, originY).
TRect ToDevice(const TksPaperParams& pp, const TksPrintRect& r, int w, int h, double originX, double originY) {
  const double pw = pp.PaperWidth(), ph = pp.PaperHeight();
  if (pw == 0 || ph == 0) return {};
  return {Scale(r.Left - originX, w, pw), Scale(r.Top - originY, h, ph), Scale(r.Right - originX, w, pw),
          Scale(r.Bottom - originY, h, ph)};
}

TRect Offset(TRect r, int dx, int dy) { return {r.Left + dx, r.Top + dy, r.Right + dx, r.Bottom + dy}; }

// A symbology the barcode object refuses to take (Codablock F, Code 16K) is shown as
// unsupported, as painting shows every other unsupported symbology.
void PaintRefusedSymbology(TksBarcodeComponent& bc, Canvas& c, const TRect& r) {
  bc.ErrorInfo().Init();
  CanvasStateSaver saver(c);
  try {
    bc.BarcodeRaiseStr(erNotSupported, u"");
  } catch (const ksBarcodeException& e) {
    HandleException(bc.ErrorInfo(), c, r, e.what());
  }
}

// Sets the working object of a symbology sheet to `s` with the symbology's name above.
void ShowSymbology(TksBarcodeComponent& bc, TksBarcodeSymbology s) {
  bc.SetBarcodeSymbology(s);
  bc.CaptionUpper().SetText({FromUtf8(SymbologyFieldText(s, 1))});
}

// The label position of a symbology sheet that stands for "no symbology" carries no
// symbol: it stays blank rather than showing the empty-code error.
bool BlankSymbologyLabel(bool symbologies, const TksBarcodeComponent& bc) {
  return symbologies && bc.BarcodeSymbology() == bcNone;
}

// A preview label is painted at the paper's resolution into a picture, but never into
// more than this many times the pixels it takes in the view, nor more than this many
// pixels on its longest side: enough for sharp bars after the scaling, at a cost a
// repaint can bear.
constexpr int kLabelOversampling = 8;
constexpr int kLabelPictureMax = 2000;

// One label of the preview as the paper holds it: the barcode is painted into a picture
// of the label's size in printer pixels `device` at the printer's resolution `dpi` (a
// lower one for a large label), so bars, captions and texts take the proportions they
// take on paper; the caller scales the picture down into the view rectangle. Painting
// straight into a label of a few dozen pixels would show only the too-small-box error.
QImage LabelPicture(TksBarcodeComponent& bc, const TRect& device, int dpi, const TksFont& font, QSize view) {
  const int dw = device.Width(), dh = device.Height();
  if (dw <= 0 || dh <= 0 || view.isEmpty()) return {};
  const double enough = kLabelOversampling * std::max(static_cast<double>(view.width()) / dw,
                                                      static_cast<double>(view.height()) / dh);
  const double f = std::min({1.0, enough, static_cast<double>(kLabelPictureMax) / std::max(dw, dh)});
  const int w = std::max(1, static_cast<int>(std::lround(dw * f)));
  const int h = std::max(1, static_cast<int>(std::lround(dh * f)));
  QImage picture(w, h, QImage::Format_RGB32);
  picture.fill(Qt::white);
  QPainter painter(&picture);
  QtCanvas canvas(&painter, std::max(1, static_cast<int>(std::lround(dpi * f))));
  canvas.Font.Assign(font);
  PaintBarCode(bc, canvas, {0, 0, w, h});
  return picture;
}

// The picture scaled into a label of the view; averaging the covered pixels keeps thin
// bars as grey lines instead of dropping them.
QImage ScaledLabel(const QImage& picture, QSize view) {
  if (picture.isNull() || view.isEmpty()) return {};
  return picture.scaled(view, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

}  // namespace

std::string FormatFloatLocale(const char* fmt, double a, double b) {
  char buf[128];
  std::snprintf(buf, sizeof buf, fmt, a, b);
  std::string s = buf;
  const std::string point = QLocale().decimalPoint().toStdString();
  if (point == ".") return s;
  std::string out;
  for (char ch : s) {
    if (ch == '.') out += point;
    else out += ch;
  }
  return out;
}

// ---- enumerations -----------------------------------------------------------------

const EnumType& UnitsEnum() {
  static const EnumType t{"TksUnits", {"buMilimetres", "buInches"}};
  return t;
}

const EnumType& PrintStyleEnum() {
  static const EnumType t{"TksPrintStyle",
                          {"ksSingle", "ksSheet", "ksSheetInc", "ksSheetSymbologies", "ksTableData", "ksSelectedRows"}};
  return t;
}

const EnumType& HelpTypeEnum() {
  static const EnumType t{"THelpType", {"htKeyword", "htContext"}};
  return t;
}

// ---- the current printer ----------------------------------------------------------

// The printers are the UI library's (Qt PrintSupport); without it there is none.
bool IsPrinterInstalled() {
  TksUiPlatform* ui = UiPlatform();
  return ui && ui->IsPrinterInstalled();
}

QPrinter* CurrentPrinter() {
  TksUiPlatform* ui = UiPlatform();
  return ui ? ui->CurrentPrinter() : nullptr;
}

bool SelectPrinter(const std::string& name) {
  TksUiPlatform* ui = UiPlatform();
  return ui && ui->IsPrinterInstalled() && ui->SelectPrinter(name);
}

// ---- TksPaperParams ---------------------------------------------------------------

TksPaperParams::TksPaperParams() {
  FParams.FDocumentTitle = kDefaultDocumentTitle;
  RefreshPaperMetrics();
  FParamsBackup = FParams;
}

double TksPaperParams::PaperWidth() const {
  return FParams.FUnits == buMilimetres ? FParams.mm10Width / 10.0 : FParams.mm10Width / 10.0 / kMmPerInch;
}

double TksPaperParams::PaperHeight() const {
  return FParams.FUnits == buMilimetres ? FParams.mm10Height / 10.0 : FParams.mm10Height / 10.0 / kMmPerInch;
}

double TksPaperParams::NonPrintableHorz() const {
  if (FParams.FDpiX == 0) return 0;
  return FParams.FUnits == buMilimetres ? FParams.FOffsetX * kMmPerInch / FParams.FDpiX
                                        : static_cast<double>(FParams.FOffsetX) / FParams.FDpiX;
}

double TksPaperParams::NonPrintableVert() const {
  if (FParams.FDpiY == 0) return 0;
  return FParams.FUnits == buMilimetres ? FParams.FOffsetY * kMmPerInch / FParams.FDpiY
                                        : static_cast<double>(FParams.FOffsetY) / FParams.FDpiY;
}

void TksPaperParams::Store(double& field, double v) {
  if (field == v) return;
  field = v;
  Notify();
}

void TksPaperParams::SetStyle(TksPrintStyle s) {
  if (FParams.FStyle == s) return;
  FParams.FStyle = s;
  Notify();
}

void TksPaperParams::SetDocumentTitle(const std::string& t) {
  if (FParams.FDocumentTitle == t) return;
  FParams.FDocumentTitle = t;
  Notify();
}

void TksPaperParams::ChangeUnits(TksUnits newUnits) {
  if (newUnits == FParams.FUnits) return;
  const double factor = newUnits == buInches ? 1 / kMmPerInch : kMmPerInch;
  for (double* v : {&FParams.FLabelWidth, &FParams.FLabelHeight, &FParams.FMarginLeft, &FParams.FMarginTop,
                    &FParams.FMarginRight, &FParams.FMarginBottom, &FParams.FSpaceX, &FParams.FSpaceY})
    *v = RoundTo4(*v * factor);
  FParams.FUnits = newUnits;
  Notify();
}

int TksPaperParams::LabelsPerPage() const {
  const double stepX = FParams.FSpaceX + FParams.FLabelWidth;
  const double stepY = FParams.FSpaceY + FParams.FLabelHeight;
  if (stepX == 0 || stepY == 0) return 0;
  const long long cols = TruncInt(
      (PaperWidth() - FParams.FMarginLeft - FParams.FMarginRight + FParams.FSpaceX) / stepX);
  const long long rows = TruncInt(
      (PaperHeight() - FParams.FMarginTop - FParams.FMarginBottom + FParams.FSpaceY) / stepY);
  return static_cast<int>(std::clamp(cols * rows, static_cast<long long>(INT_MIN), static_cast<long long>(INT_MAX)));
}

TksPrintRect TksPaperParams::FirstLabel() const {
  return {FParams.FMarginLeft, FParams.FMarginTop, FParams.FMarginLeft + FParams.FLabelWidth,
          FParams.FMarginTop + FParams.FLabelHeight};
}

bool TksPaperParams::NextLabel(TksPrintRect& r) const {
  bool newPage = false;
  r.Left += FParams.FLabelWidth + FParams.FSpaceX;
  if (r.Left + FParams.FLabelWidth > PaperWidth() - FParams.FMarginRight) {
    r.Left = FParams.FMarginLeft;
    r.Top += FParams.FLabelHeight + FParams.FSpaceY;
    if (r.Top + FParams.FLabelHeight > PaperHeight() - FParams.FMarginBottom) {
      r.Left = FParams.FMarginLeft;
      r.Top = FParams.FMarginTop;
      newPage = true;
    }
  }
  r.Right = r.Left + FParams.FLabelWidth;
  r.Bottom = r.Top + FParams.FLabelHeight;
  return newPage;
}

std::string TksPaperParams::PaperFormat() const {
  std::string s = FParams.FUnits == buMilimetres ? FormatFloatLocale("%3.0fx%3.0f mm", PaperWidth(), PaperHeight())
                                                 : FormatFloatLocale("%5.2fx%5.2f \"", PaperWidth(), PaperHeight());
  if (!FParams.FPaperName.empty()) s = FParams.FPaperName + " : " + s;
  return s;
}

void TksPaperParams::RestoreParams() {
  FParams = FParamsBackup;
  Notify();
}

void TksPaperParams::RefreshPaperMetrics(QPrinter* printer) {
  const TksPaperParamsRec d;
  FParams.FDpiX = d.FDpiX;
  FParams.FDpiY = d.FDpiY;
  FParams.pPaperWidth = d.pPaperWidth;
  FParams.pPaperHeight = d.pPaperHeight;
  FParams.mm10Width = d.mm10Width;
  FParams.mm10Height = d.mm10Height;
  FParams.FOffsetX = d.FOffsetX;
  FParams.FOffsetY = d.FOffsetY;
  FParams.FPaperID = d.FPaperID;
  FParams.FPaperName = d.FPaperName;
  TksUiPlatform* ui = UiPlatform();
  if (printer && ui) ui->ReadPaperMetrics(*printer, FParams);
  Notify();
}

void TksPaperParams::RefreshPaperMetrics() { RefreshPaperMetrics(CurrentPrinter()); }

void TksPaperParams::Assign(const TksPersistent& source) {
  auto* s = dynamic_cast<const TksPaperParams*>(&source);
  if (!s) {
    TksPersistent::Assign(source);
    return;
  }
  FParams = s->FParams;
  Notify();
}

const PropertyTable& TksPaperParams::Properties() const {
  using P = TksPaperParams;
  static const PropertyTable t =
      PropsBuilder<P>()
          .Float("PaperWidth", &P::PaperWidth, nullptr, 210, false)
          .Float("PaperHeight", &P::PaperHeight, nullptr, 297, false)
          .Str("PaperName", &P::PaperName, nullptr, "Unknown", false)
          .Float("NonPrintableHorz", &P::NonPrintableHorz, nullptr, 0, false)
          .Float("NonPrintableVert", &P::NonPrintableVert, nullptr, 0, false)
          // The unit comes before the lengths: loading a saved set then converts only
          // the defaults, and the saved lengths land unchanged.
          .Enum("Units", UnitsEnum(), &P::Units, &P::SetUnits, buMilimetres)
          .Float("LabelWidth", &P::LabelWidth, &P::SetLabelWidth, 50)
          .Float("LabelHeight", &P::LabelHeight, &P::SetLabelHeight, 30)
          .Float("MarginTop", &P::MarginTop, &P::SetMarginTop, 20)
          .Float("MarginLeft", &P::MarginLeft, &P::SetMarginLeft, 15)
          .Float("MarginRight", &P::MarginRight, &P::SetMarginRight, 20)
          .Float("MarginBottom", &P::MarginBottom, &P::SetMarginBottom, 20)
          .Float("SpaceX", &P::SpaceX, &P::SetSpaceX, 10)
          .Float("SpaceY", &P::SpaceY, &P::SetSpaceY, 10)
          .Enum("Style", PrintStyleEnum(), &P::Style, &P::SetStyle, ksSheet)
          .Str("DocumentTitle", &P::DocumentTitle, &P::SetDocumentTitle, kDefaultDocumentTitle)
          .Build();
  return t;
}

// ---- TksPrinterPreview ------------------------------------------------------------

void TksPrinterPreview::Assign(const TksPersistent& source) {
  auto* s = dynamic_cast<const TksPrinterPreview*>(&source);
  if (!s) {
    TksPersistent::Assign(source);
    return;
  }
  FPaperColor = s->FPaperColor;
  FLive = s->FLive;
  FLabelColor = s->FLabelColor;
  FShadowColor = s->FShadowColor;
  FVisiblePage = s->FVisiblePage;
  FShadowWidth = s->FShadowWidth;
  if (OnChange) OnChange();
}

const PropertyTable& TksPrinterPreview::Properties() const {
  using P = TksPrinterPreview;
  static const PropertyTable t = PropsBuilder<P>()
                                     .Color("PaperColor", &P::PaperColor, &P::SetPaperColor, clWhite)
                                     .Bool("LivePreview", &P::LivePreview, &P::SetLivePreview, true)
                                     .Color("LabelColor", &P::LabelColor, &P::SetLabelColor, kDefaultLabelColor)
                                     .Color("ShadowColor", &P::ShadowColor, &P::SetShadowColor, clSilver)
                                     .Bool("VisiblePage", &P::VisiblePage, &P::SetVisiblePage, true)
                                     .Int("ShadowWidth", &P::ShadowWidth, &P::SetShadowWidth, 5)
                                     .Build();
  return t;
}

// ---- sheet definitions ------------------------------------------------------------

TksSheetDefinition ParseSheetDefinition(const std::string& line) {
  std::vector<std::string> f;
  size_t start = 0;
  for (;;) {
    size_t bar = line.find('|', start);
    f.push_back(line.substr(start, bar == std::string::npos ? std::string::npos : bar - start));
    if (bar == std::string::npos) break;
    start = bar + 1;
  }
  auto num = [&f](size_t i) {
    double v = 0;
    return i < f.size() && TextToFloat(f[i], v) ? v : 0.0;
  };
  TksSheetDefinition d;
  d.Name = f[0];
  d.LabelWidth = num(1);
  d.LabelHeight = num(2);
  d.MarginLeft = num(3);
  d.MarginTop = num(4);
  d.MarginRight = num(5);
  d.MarginBottom = num(6);
  d.SpaceX = num(7);
  d.SpaceY = num(8);
  return d;
}

// ---- print jobs -------------------------------------------------------------------

namespace {

// Writes to an open file descriptor through a buffer. A failed write is kept (its errno)
// and reported by Flush; the PDF writer itself does not look at write errors.
class DescriptorDevice : public QIODevice {
 public:
  explicit DescriptorDevice(int fd) : fd_(fd) { open(QIODevice::WriteOnly); }
  // Writes what is buffered; false with errno set when any write has failed.
  bool Flush() {
    Drain();
    if (error_) errno = error_;
    return error_ == 0;
  }

 protected:
  qint64 readData(char*, qint64) override { return -1; }
  qint64 writeData(const char* data, qint64 n) override {
    buffer_.append(data, static_cast<size_t>(n));
    if (buffer_.size() >= kBufferSize) Drain();
    return n;
  }

 private:
  static constexpr size_t kBufferSize = 1 << 16;
  void Drain() {
    size_t done = 0;
    while (!error_ && done < buffer_.size()) {
      const ssize_t n = ::write(fd_, buffer_.data() + done, buffer_.size() - done);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) error_ = errno;
      else done += static_cast<size_t>(n);
    }
    buffer_.clear();
  }
  int fd_;
  int error_ = 0;
  std::string buffer_;
};

// Prints into a PDF file laid out like the paper of the paper parameters. The pages go
// to the file's descriptor as they are finished, so a long run does not hold the
// document in memory; the file is replaced atomically around the job (see Print), so an
// aborted or failed job leaves no file behind.
class PdfJob : public TksPrintJob {
 public:
  PdfJob(std::string fileName, const TksPaperParamsRec& rec) : fileName_(std::move(fileName)), rec_(rec) {
    dpi_ = rec.FDpiX > 0 ? rec.FDpiX : 600;
  }
  // The descriptor the document goes to, before Begin.
  void SetDescriptor(int fd) { device_ = std::make_unique<DescriptorDevice>(fd); }
  // After End: whether every byte reached the descriptor (errno set when not).
  bool Written() { return device_->Flush(); }
  void Begin(const std::string& title) override {
    writer_ = std::make_unique<QPdfWriter>(device_.get());
    writer_->setCreator(QStringLiteral("Barvello"));
    writer_->setTitle(QString::fromStdString(title));
    writer_->setResolution(dpi_);
    // Page sizes are portrait; a wider than high paper is a turned one.
    const double w = rec_.mm10Width / 10.0, h = rec_.mm10Height / 10.0;
    const QPageSize size(QSizeF(std::min(w, h), std::max(w, h)), QPageSize::Millimeter, QString(),
                         QPageSize::FuzzyMatch);
    writer_->setPageLayout(
        QPageLayout(size, w > h ? QPageLayout::Landscape : QPageLayout::Portrait, QMarginsF(0, 0, 0, 0)));
    if (!painter_.begin(writer_.get())) throw Exception(Format("Cannot create file \"%s\"", {fileName_}));
    SetUpPage();
  }
  void NewPage() override {
    if (!writer_->newPage()) throw Exception(Format("Cannot create file \"%s\"", {fileName_}));
    SetUpPage();
  }
  void End() override { painter_.end(); }
  void Abort() override {
    if (painter_.isActive()) painter_.end();
  }

 private:
  // The page shows the whole paper, so the origin moves to the printable area's corner;
  // a different vertical resolution scales the vertical axis.
  void SetUpPage() {
    painter_.resetTransform();
    const double sy = rec_.FDpiY > 0 ? static_cast<double>(dpi_) / rec_.FDpiY : 1.0;
    painter_.scale(1.0, sy);
    painter_.translate(rec_.FOffsetX, rec_.FOffsetY);
  }
  std::string fileName_;
  TksPaperParamsRec rec_;
  std::unique_ptr<DescriptorDevice> device_;
  std::unique_ptr<QPdfWriter> writer_;
};

// Shows the progress window (or the hourglass) for the life of a print.
class ProgressScope {
 public:
  ProgressScope(TksPrinter& printer, bool showProgress, bool haveProgressHandler) {
    if (showProgress) {
      if (TksUiPlatform* ui = UiPlatform()) window_ = ui->ShowPrintProgress(printer);
    } else if (!haveProgressHandler && HaveGuiApplication()) {
      QGuiApplication::setOverrideCursor(Qt::WaitCursor);
      cursor_ = true;
    }
  }
  ~ProgressScope() {
    if (cursor_) QGuiApplication::restoreOverrideCursor();
  }
  ProgressScope(const ProgressScope&) = delete;
  ProgressScope& operator=(const ProgressScope&) = delete;
  TksPrintProgressView* Window() const { return window_.get(); }

 private:
  std::unique_ptr<TksPrintProgressView> window_;
  bool cursor_ = false;
};

// Resets the printer's current canvas when a print or preview ends.
class CurrentCanvasScope {
 public:
  explicit CurrentCanvasScope(Canvas*& slot) : slot_(slot) {}
  ~CurrentCanvasScope() { slot_ = nullptr; }
  CurrentCanvasScope(const CurrentCanvasScope&) = delete;
  CurrentCanvasScope& operator=(const CurrentCanvasScope&) = delete;

 private:
  Canvas*& slot_;
};

}  // namespace

// ---- TksPrinter -------------------------------------------------------------------

TksPrinter::TksPrinter(TksComponent* owner) : TksComponent(owner) {
  FPaperParams = std::make_unique<TksPaperParams>();
  FPreviewParams = std::make_unique<TksPrinterPreview>();
  FPaperParams->OnChange = [this] { Changed(); };
  FPreviewParams->OnChange = [this] { Changed(); };
  FFont.OnChange = [this] { Changed(); };
  FileDialog = [](std::string& name) {
    TksUiPlatform* ui = UiPlatform();
    return ui && ui->AskPdfFileName(name);
  };
  ShowMessage = [](const std::string& text) {
    if (TksUiPlatform* ui = UiPlatform()) ui->ShowMessage(text);
  };
  ConfirmUnreadable = AskPrintUnreadable;
}

TksPrinter::~TksPrinter() {
  FPaperParams->OnChange = nullptr;
  FPreviewParams->OnChange = nullptr;
  FFont.OnChange = nullptr;
}

void TksPrinter::Changed() {
  if (FViewControl) QMetaObject::invokeMethod(FViewControl, "update");
  if (OnChange) OnChange();
}

void TksPrinter::SetBarcodeObject(TksBarcodeComponent* bc) {
  if (bc == FBarcodeObject) return;
  if (FBarcodeObject) FBarcodeObject->RemoveFreeNotification(this);
  FBarcodeObject = bc;
  if (bc) bc->FreeNotification(this);
  Changed();
}

void TksPrinter::Notification(TksComponent* c) {
  if (c == FBarcodeObject) {
    FBarcodeObject = nullptr;
    Changed();
  }
}

void TksPrinter::SetSheets(const std::vector<std::string>& v) {
  FSheets = v;
  Changed();
}

void TksPrinter::SetViewControl(QObject* w) { FViewControl = w; }

int TksPrinter::PagesCount() const {
  const int perPage = FPaperParams->LabelsPerPage();
  if (perPage <= 0) return 1;
  return static_cast<int>((static_cast<long long>(FCount) + FStartFrom - 1) / perPage + 1);
}

std::string TksPrinter::PagesCountString() const { return Format("%d / %d", {FPageIndex, PagesCount()}); }

// A printer exists only with the UI library, so `CurrentPrinter()` implies `UiPlatform()`.
std::string TksPrinter::PrinterName() const {
  QPrinter* p = CurrentPrinter();
  const std::string name = p ? UiPlatform()->PrinterName(*p) : std::string();
  return name.empty() ? "Tiskárna není vybrána" : name;
}

void TksPrinter::ListPapers(std::vector<std::string>& sl) const {
  sl.clear();
  QPrinter* p = CurrentPrinter();
  if (!p) return;
  for (const TksPaperInfo& paper : UiPlatform()->Papers(*p))
    sl.push_back(Format("%d : %s (%d, %d)", {paper.Id, paper.Name, paper.Mm10Width, paper.Mm10Height}));
}

void TksPrinter::GetPaperNames(std::vector<std::string>& sl) const {
  sl.clear();
  QPrinter* p = CurrentPrinter();
  const int current = p ? UiPlatform()->CurrentPaperId(*p) : FPaperParams->Record().FPaperID;
  if (ShowMessage) ShowMessage(Format("Paper Size : %d", {current}));
  if (!p) return;
  for (const TksPaperInfo& paper : UiPlatform()->Papers(*p)) sl.push_back(paper.Name);
}

void TksPrinter::SheetsFill(std::vector<std::pair<std::string, int>>& sl) const {
  sl.clear();
  for (size_t i = 0; i < FSheets.size(); ++i) sl.emplace_back(ParseSheetDefinition(FSheets[i]).Name, static_cast<int>(i));
}

void TksPrinter::SheetsSelect(int idx) {
  if (idx < 0 || idx >= static_cast<int>(FSheets.size())) return;
  const TksSheetDefinition d = ParseSheetDefinition(FSheets[idx]);
  TksPaperParams& pp = *FPaperParams;
  pp.SetLabelWidth(d.LabelWidth);
  pp.SetLabelHeight(d.LabelHeight);
  pp.SetMarginLeft(d.MarginLeft);
  pp.SetMarginTop(d.MarginTop);
  pp.SetMarginRight(d.MarginRight);
  pp.SetMarginBottom(d.MarginBottom);
  pp.SetSpaceX(d.SpaceX);
  pp.SetSpaceY(d.SpaceY);
}

void TksPrinter::SetDefaults() {
  const TksPaperParamsRec d;
  TksPaperParams& pp = *FPaperParams;
  pp.SetUnits(d.FUnits);
  pp.SetLabelWidth(d.FLabelWidth);
  pp.SetLabelHeight(d.FLabelHeight);
  pp.SetMarginLeft(d.FMarginLeft);
  pp.SetMarginTop(d.FMarginTop);
  pp.SetMarginRight(d.FMarginRight);
  pp.SetMarginBottom(d.FMarginBottom);
  pp.SetSpaceX(d.FSpaceX);
  pp.SetSpaceY(d.FSpaceY);
  pp.SetStyle(d.FStyle);
  pp.SetDocumentTitle(kDefaultDocumentTitle);
  SetCount(5);
  SetStartFrom(0);
  SetPageIndex(1);
}

void TksPrinter::SetHelpProp(QObject* c) const {
  if (!c) return;
  c->setProperty("HelpContext", FHelpContext);
  c->setProperty("HelpType", static_cast<int>(FHelpType));
  c->setProperty("HelpKeyword", QString::fromStdString(FHelpKeyword));
}

// The dialogs are the UI library's.
bool TksPrinter::PrinterSetup() {
  TksUiPlatform* ui = UiPlatform();
  return ui && ui->PrinterSetupDialog(*this);
}

bool TksPrinter::PageSetup() {
  TksUiPlatform* ui = UiPlatform();
  return ui && ui->PageSetupDialog(*this);
}

bool TksPrinter::EditParams(bool showPreview) {
  TksUiPlatform* ui = UiPlatform();
  return ui && ui->PrintSettingsDialog(*this, showPreview);
}

std::unique_ptr<TksBarcodeComponent> TksPrinter::MakeWorkingObject() const {
  auto bc = std::make_unique<TksBarcodeComponent>();
  if (FBarcodeObject) bc->Assign(*FBarcodeObject);
  bc->SetOptions(bc->Options() & ~OptionBit(boSecurity));
  return bc;
}

void TksPrinter::PageProgress(TksPrintProgressView* progress) {
  const int pages = PagesCount();
  if (progress) progress->SetPage(FPageIndex, pages);
  if (OnPrintProgress) OnPrintProgress(this, FPageIndex, pages);
}

bool TksPrinter::Print() {
  // Pending events run while printing; a second print from one of them is refused.
  if (FPrinting) return false;
  FAbortPrint = false;
  if (!LabelReadsOrConfirmed()) return false;
  SetPageIndex(1);
  std::string pdf = FOutputFileName;
  if (pdf.empty() && !ks::IsPrinterInstalled()) {
    if (!FileDialog || !FileDialog(pdf) || pdf.empty()) return false;
  }
  std::unique_ptr<TksPrintJob> job;
  if (pdf.empty()) {
    QPrinter* printer = CurrentPrinter();
    if (!printer) throw Exception("Printer selected is not valid");
    job = UiPlatform()->PrinterJob(*printer);
  } else {
    job = std::make_unique<PdfJob>(pdf, FPaperParams->Record());
  }
  if (FPaperParams->Style() == ksSingle) SetCount(1);

  FPrinting = true;
  struct PrintingScope {
    bool& flag;
    ~PrintingScope() { flag = false; }
  } printingScope{FPrinting};
  ProgressScope progress(*this, FShowProgress, static_cast<bool>(OnPrintProgress));
  CurrentCanvasScope canvasScope(FCurrCanvas);
  // Begins, prints every page and ends the job; false when the print was aborted.
  const auto run = [&] {
    job->Begin(FPaperParams->DocumentTitle());
    bool done = false;
    try {
      done = PrintJob(*job, progress.Window());
    } catch (...) {
      job->Abort();
      throw;
    }
    if (done) job->End();
    else job->Abort();
    return done;
  };
  auto* pdfJob = dynamic_cast<PdfJob*>(job.get());
  if (!pdfJob) return run();
  // The document is written into the temporary that replaces the file at the end.
  bool aborted = false;
  std::string error;
  const bool written = WriteFileAtomicStreamed(
      pdf,
      [&](int fd) {
        pdfJob->SetDescriptor(fd);
        aborted = !run();
        if (aborted) errno = ECANCELED;
        return !aborted && pdfJob->Written();
      },
      error);
  if (aborted) return false;
  if (!written) throw Exception(error);
  return true;
}

bool TksPrinter::PrintJob(TksPrintJob& job, TksPrintProgressView* progress) {
  const TksPaperParams& pp = *FPaperParams;
  const int W = pp.Record().pPaperWidth, H = pp.Record().pPaperHeight;
  QtCanvas canvas(&job.Painter(), job.Dpi());
  // Captions that take their owner's font print in the printer's font, as the preview
  // shows them, at the printer's resolution.
  canvas.Font.Assign(FFont);
  FCurrCanvas = &canvas;
  FCurrRect = {0, 0, W, H};
  // The printer's origin is the corner of the printable area.
  FCurrOriginX = pp.NonPrintableHorz();
  FCurrOriginY = pp.NonPrintableVert();
  FCurrIsPrinter = true;
  FPrintPageIndex = FPageIndex;
  FPrintPagesCount = PagesCount();

  PageProgress(progress);
  if (OnReportHeader) OnReportHeader(this);
  if (OnPageHeader) OnPageHeader(this, FPageIndex, PagesCount());

  auto working = MakeWorkingObject();
  const bool symbologies = pp.Style() == ksSheetSymbologies;
  int symbology = bcNone;
  if (symbologies) working->SetBarcodeSymbology(bcNone);

  TksPrintRect pos = pp.FirstLabel();
  bool pageDue = false;
  for (int i = 1 - FStartFrom; i <= FCount; ++i) {
    QCoreApplication::processEvents();
    if (FAbortPrint) break;
    // A page is begun only when a position is to be printed on it, so a job never
    // ends with an empty page.
    if (pageDue) {
      pageDue = false;
      if (OnPageFooter) OnPageFooter(this, FPageIndex, PagesCount());
      job.NewPage();
      SetPageIndex(FPageIndex + 1);
      FPrintPageIndex = FPageIndex;
      if (OnPageHeader) OnPageHeader(this, FPageIndex, PagesCount());
      PageProgress(progress);
    }
    bool endLoop = false;
    if (i > 0) {
      const TRect device = ToDevice(pp, pos, W, H, FCurrOriginX, FCurrOriginY);
      bool enabled = true;
      if (OnBeforePrint) OnBeforePrint(this, FBarcodeObject, pos, enabled, endLoop);
      if (enabled && !BlankSymbologyLabel(symbologies, *working)) {
        if (symbologies && working->BarcodeSymbology() != symbology) PaintRefusedSymbology(*working, canvas, device);
        else PaintBarCode(*working, canvas, device);
      }
      if (!endLoop && OnAfterPrint) OnAfterPrint(this, FBarcodeObject, pos, enabled, endLoop);
      if (symbologies) {
        if (symbology == bcAztec) {
          endLoop = true;
        } else {
          ++symbology;
          ShowSymbology(*working, static_cast<TksBarcodeSymbology>(symbology));
        }
      }
    }
    if (endLoop) break;
    pageDue = pp.NextLabel(pos);
  }
  working.reset();
  if (FAbortPrint) return false;
  if (OnPageFooter) OnPageFooter(this, FPageIndex, PagesCount());
  if (OnReportFooter) OnReportFooter(this);
  return true;
}

void TksPrinter::Preview(Canvas& c, const TRect& viewRect) {
  const TksPaperParams& pp = *FPaperParams;
  const TksPaperParamsRec& rec = pp.Record();
  const TksPrinterPreview& look = *FPreviewParams;

  // The page keeps the paper's proportions inside the view, with room for the shadow.
  double ratio = rec.pPaperHeight != 0 ? static_cast<double>(rec.pPaperWidth) / rec.pPaperHeight : 210.0 / 297.0;
  const int s = look.ShadowWidth(), as = std::abs(s);
  int ph = viewRect.Height() - as;
  int pw = TruncInt(ph * ratio);
  if (viewRect.Width() < s + pw) {
    ratio = 1 / ratio;
    pw = viewRect.Width() - as;
    ph = TruncInt(pw * ratio);
  }
  const int x = (viewRect.Width() - (s + pw)) / 2 + viewRect.Left;
  const int y = (viewRect.Height() - (s + ph)) / 2 + viewRect.Top;
  const TRect page{x, y, x + pw - 1, y + ph - 1};

  CanvasStateSaver saver(c);
  CurrentCanvasScope canvasScope(FCurrCanvas);
  FCurrRect = page;
  // The page drawn is the whole paper, so labels keep their places on it; only a
  // printer's own origin lies at the printable area's corner.
  FCurrOriginX = 0;
  FCurrOriginY = 0;
  FCurrCanvas = &c;
  FCurrIsPrinter = false;

  c.Brush = {look.ShadowColor(), bsSolid};
  c.FillRect(Offset(page, s, s));
  c.Brush = {look.PaperColor(), bsSolid};
  c.Pen.SetColor(clSilver);
  c.Pen.SetWidth(1);
  c.Pen.SetStyle(psSolid);
  c.Rectangle(page);
  const int dx = MulDiv(rec.FOffsetX, pw, rec.pPaperWidth), dy = MulDiv(rec.FOffsetY, ph, rec.pPaperHeight);
  c.Pen.SetStyle(psDot);
  c.Brush.Style = bsClear;
  c.Rectangle({page.Left + dx, page.Top + dy, page.Right - dx, page.Bottom - dy});
  c.Pen.SetStyle(psSolid);
  c.Brush = {look.LabelColor(), bsSolid};
  c.Font.Assign(FFont);

  std::unique_ptr<TksBarcodeComponent> working;
  if (FBarcodeObject) working = MakeWorkingObject();
  const bool symbologies = pp.Style() == ksSheetSymbologies;
  if (working && symbologies) working->ChangeSymbology(ksDirFirst, true);
  const bool live = working && look.LivePreview();

  // On a painter the labels are pictures scaled down from the paper's resolution; other
  // canvases (recorders, metafiles) take the barcode's drawing in the label rectangle.
  auto* qtCanvas = dynamic_cast<QtCanvas*>(&c);
  QPainter* painter = qtCanvas ? qtCanvas->Painter() : nullptr;
  // Every label of an ordinary sheet shows the same picture: painted once per label size
  // on paper and scaled once per size in the view.
  QImage picture, scaled;
  QSize pictureDevice;

  const int shown = FPageIndex, pages = PagesCount();
  int walkPage = 1;
  if (OnReportHeader) OnReportHeader(this);
  if (OnPageHeader) OnPageHeader(this, walkPage, pages);
  TksPrintRect pos = pp.FirstLabel();
  for (int i = 1 - FStartFrom; i <= FCount; ++i) {
    if (i > 0 && walkPage == shown) {
      const TRect label = Offset(ToDevice(pp, pos, pw, ph, 0, 0), x, y);
      if (live && !BlankSymbologyLabel(symbologies, *working)) {
        if (painter) {
          const TRect device = ToDevice(pp, pos, rec.pPaperWidth, rec.pPaperHeight, 0, 0);
          const QSize deviceSize(device.Width(), device.Height()), view(label.Width(), label.Height());
          if (symbologies || picture.isNull() || pictureDevice != deviceSize) {
            picture = LabelPicture(*working, device, rec.FDpiX > 0 ? rec.FDpiX : 600, FFont, view);
            pictureDevice = deviceSize;
            scaled = QImage();
          }
          if (scaled.size() != view) scaled = ScaledLabel(picture, view);
          if (!scaled.isNull()) painter->drawImage(QPoint(label.Left, label.Top), scaled);
        } else {
          PaintBarCode(*working, c, label);
        }
      } else {
        c.Brush = {look.LabelColor(), bsSolid};
        c.Rectangle(label);
      }
    }
    // Moving through the symbologies only matters up to the page shown.
    if (i > 0 && working && symbologies && walkPage <= shown) {
      working->ChangeSymbology(ksDirNext, true);
      TksBarcodeCaption& cap = working->CaptionUpper();
      cap.SetVisible(true);
      cap.SetAlignment(taCenter);
      cap.SetText({FromUtf8(SymbologyFieldText(working->BarcodeSymbology(), 1))});
    }
    if (i < FCount && pp.NextLabel(pos)) {
      if (walkPage == shown && OnPageFooter) OnPageFooter(this, walkPage, pages);
      ++walkPage;
      if (walkPage == shown && OnPageHeader) OnPageHeader(this, walkPage, pages);
    }
  }
  if (OnPageFooter) OnPageFooter(this, walkPage, pages);
}

// ---- helpers for event handlers ---------------------------------------------------

TPoint TksPrinter::ConvertPoint(double x, double y) const {
  const TksPaperParams& pp = *FPaperParams;
  return {Scale(x - FCurrOriginX, FCurrRect.Width(), pp.PaperWidth()) + FCurrRect.Left,
          Scale(y - FCurrOriginY, FCurrRect.Height(), pp.PaperHeight()) + FCurrRect.Top};
}

TRect TksPrinter::ConvertRect(const TksPrintRect& r) const {
  const TPoint a = ConvertPoint(r.Left, r.Top), b = ConvertPoint(r.Right, r.Bottom);
  return {a.X, a.Y, b.X, b.Y};
}

int TksPrinter::ConvertHeight(double h) const { return Scale(h, FCurrRect.Height(), FPaperParams->PaperHeight()); }

void TksPrinter::FontHeight(double value) {
  // The height is in pixels of the current canvas, so the font takes its resolution.
  if (FCurrCanvas) FFont.SetPixelsPerInch(FCurrCanvas->PixelsPerInch());
  FFont.SetHeight(ConvertHeight(value));
}

void TksPrinter::TextOut(double left, double top, const std::u16string& text) {
  if (!FCurrCanvas) return;
  const TPoint p = ConvertPoint(left, top);
  FCurrCanvas->Font.Assign(FFont);
  FCurrCanvas->BkMode = bkTransparent;
  FCurrCanvas->TextOut(p.X, p.Y, text);
}

// ---- property table ---------------------------------------------------------------

const PropertyTable& TksPrinter::Properties() const {
  using P = TksPrinter;
  static const PropertyTable t =
      PropsBuilder<P>()
          .Object("PaperParams", [](P& p) { return &p.PaperParams(); })
          .Int("Count", &P::Count, &P::SetCount, 5)
          .Int("StartFrom", &P::StartFrom, &P::SetStartFrom, 0)
          .Int("PageIndex", &P::PageIndex, &P::SetPageIndex, 1)
          .Object("Font", [](P& p) { return &p.Font(); })
          .Float("FontHeightMM", &P::FontHeightMM, &P::SetFontHeightMM, 0)
          .Object("PreviewParams", [](P& p) { return &p.PreviewParams(); })
          .List("Sheets", &P::Sheets, &P::SetSheets)
          .Bool("ShowProgress", &P::ShowProgress, &P::SetShowProgress, true)
          .Int("HelpContext", &P::HelpContext, &P::SetHelpContext, 0)
          .Enum("HelpType", HelpTypeEnum(), &P::HelpType, &P::SetHelpType, htContext)
          .Str("HelpKeyword", &P::HelpKeyword, &P::SetHelpKeyword)
          .Str("OutputFileName", &P::OutputFileName, &P::SetOutputFileName)
          .Event("OnReportHeader")
          .Event("OnReportFooter")
          .Event("OnPageHeader")
          .Event("OnPageFooter")
          .Event("OnBeforePrint")
          .Event("OnAfterPrint")
          .Event("OnPrintProgress")
          .Build();
  return t;
}

}  // namespace ks
