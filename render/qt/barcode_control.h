// TksCustomBarcode / TksBarcode: a widget that shows one barcode. The widget owns a
// barcode object holding every barcode setting; its barcode properties read and write
// that object, and the widget repaints at once whenever the object reports a change.
// Painting, clipboard copies and printing all go through the paint boundary, which
// shows barcode errors by the object's error mode.
#pragma once

#include <QEvent>
#include <QWidget>
#include <functional>
#include <memory>
#include <string>

#include "engine/barcode.h"
#include "engine/component.h"
#include "engine/decor.h"
#include "engine/params.h"
#include "engine/persistent.h"
#include "render/canvas.h"

class QPainter;

namespace ks {

class TksCustomBarcode;

// Opens the barcode editor on a target and returns true when the user confirmed. The
// editor dialog installs itself here; while nothing is installed a double-click that
// would open the editor does nothing.
using BarcodeEditorFunction = std::function<bool(IBarcodeAccess& target, QWidget* parent)>;
BarcodeEditorFunction& BarcodeEditor();

// Records a barcode into an enhanced metafile of w x h and returns the file's bytes.
// The layer that owns the metafile writer installs it; without one, the metafile copy
// to the clipboard carries only the SVG form.
using EnhancedMetafileFunction =
    std::function<std::string(TksBarcodeComponent& bc, int w, int h, const TRect& paintRect)>;
EnhancedMetafileFunction& EnhancedMetafileRenderer();

// Shows one of the control's refusals ("Sorry,not supported now.") to the user. The
// default is a plain message box.
using MessageFunction = std::function<void(QWidget* parent, const std::string& message)>;
MessageFunction& BarcodeMessage();

class TksCustomBarcode : public QWidget, public TksComponent, public TksPersistent, public IBarcodeAccess {
  Q_OBJECT

 public:
  explicit TksCustomBarcode(QWidget* parent = nullptr, TksComponent* owner = nullptr);
  ~TksCustomBarcode() override;

  // ---- barcode properties: those of the owned object ----
  TColor BackgroundColor() const { return FBarcodeComponent->BackgroundColor(); }
  void SetBackgroundColor(TColor c);
  TColor LinesColor() const { return FBarcodeComponent->LinesColor(); }
  void SetLinesColor(TColor c);
  TksBarcodeSymbology BarcodeSymbology() const { return FBarcodeComponent->BarcodeSymbology(); }
  // Refuses the two symbologies without an encoder with a message and no change.
  void SetBarcodeSymbology(TksBarcodeSymbology value);
  const std::u16string& BarCode() const { return FBarcodeComponent->BarCode(); }
  // Renews the automatic hint (with boAutoHint) before the repaint.
  void SetBarCode(const std::u16string& value);
  int32_t Angle() const { return FBarcodeComponent->Angle(); }
  void SetAngle(int32_t value);
  TksBarcodeOptions Options() const { return FBarcodeComponent->Options(); }
  // With boAutoSize a control narrower than the symbol widens to MinWidth.
  void SetOptions(TksBarcodeOptions value);
  TksBarcodeCaption& CaptionUpper() const { return FBarcodeComponent->CaptionUpper(); }
  void SetCaptionUpper(const TksBarcodeCaption& v) { FBarcodeComponent->SetCaptionUpper(v); }
  TksBarcodeCaption& CaptionBottom() const { return FBarcodeComponent->CaptionBottom(); }
  void SetCaptionBottom(const TksBarcodeCaption& v) { FBarcodeComponent->SetCaptionBottom(v); }
  TksBarcodeCaption& CaptionHuman() const { return FBarcodeComponent->CaptionHuman(); }
  void SetCaptionHuman(const TksBarcodeCaption& v) { FBarcodeComponent->SetCaptionHuman(v); }
  TksHorzLines& HorzLines() const { return FBarcodeComponent->HorzLines(); }
  void SetHorzLines(const TksHorzLines& v) { FBarcodeComponent->SetHorzLines(v); }
  TksQuietZone& QuietZone() const { return FBarcodeComponent->QuietZone(); }
  void SetQuietZone(const TksQuietZone& v) { FBarcodeComponent->SetQuietZone(v); }
  TksParams& Params() const { return FBarcodeComponent->Params(); }
  void SetParams(const TksParams& v) { FBarcodeComponent->SetParams(v); }
  TksBarcodeError& ErrorInfo() const { return FBarcodeComponent->ErrorInfo(); }
  void SetErrorInfo(const TksBarcodeError& v) { FBarcodeComponent->SetErrorInfo(v); }

  // The control's own font. Painting does not select it: captions that take their
  // owner's font draw with the canvas's font.
  TksFont& Font() { return FFont; }
  const TksFont& Font() const { return FFont; }
  void SetFont(const TksFont& f) { FFont.Assign(f); }

  // The hint is the widget's tool tip.
  QString Hint() const { return toolTip(); }
  void SetHint(const QString& h) { setToolTip(h); }

  // ---- events ----
  TNotifyEvent OnClick;
  TNotifyEvent OnDblClick;

  // ---- operations ----
  // Draws the barcode into the client rectangle.
  virtual void Paint(QPainter& painter);
  // Repaints the control at once.
  virtual void Refresh();
  // From a control: its barcode object and font; from none: nothing.
  virtual void AssignOnlyBarcode(const TksCustomBarcode* source);
  // From another barcode control: its barcode object and font; else the base's failure.
  void Assign(const TksPersistent& source) override;

  // The paint boundary on any canvas; barcode errors are shown by the error mode.
  void PaintBarCode(Canvas& c, const TRect& r);
  void PrintToCanvas(Canvas& c, const TRect& r) { PaintBarCode(c, r); }
  // Paints on a print job the caller has opened: `printer` is its active painter.
  void Print(QPainter& printer, const TRect& r);
  // The control's image of width x height on the clipboard.
  void CopyToClipboard();
  // The control as an enhanced metafile (and SVG) on the clipboard.
  void CopyToClipboardWMF();

  TksBarCodeInfo GetBarcodeInfo() const { return FBarcodeComponent->GetBarcodeInfo(); }
  TksBarCodeInfo BI() const { return GetBarcodeInfo(); }
  std::string BarcodeTypeName() const { return FBarcodeComponent->BarcodeTypeName(); }
  int MinWidth() { return FBarcodeComponent->MinWidth(); }
  void ChangeSymbology(TksDirection dir, bool onlySupported) { FBarcodeComponent->ChangeSymbology(dir, onlySupported); }
  std::string GetHint() const { return FBarcodeComponent->GetHint(); }
  void UpdateParentControl() { update(); }
  TksBarcodeComponent* BarcodeComponent() override { return FBarcodeComponent.get(); }
  TRect ClientRect() const { return TRect{0, 0, width(), height()}; }

  [[noreturn]] void BarcodeRaise() { FBarcodeComponent->BarcodeRaise(); }
  [[noreturn]] void BarcodeRaiseStr(TksBarcodeErrorCode err, const std::u16string& str, int hlp = 0) {
    FBarcodeComponent->BarcodeRaiseStr(err, str, hlp);
  }
  [[noreturn]] void BarcodeRaise(TksBarcodeErrorCode err, int idx, const std::u16string& str, int hlp = 0) {
    FBarcodeComponent->BarcodeRaise(err, idx, str, hlp);
  }
  [[noreturn]] void BarcodeRaise(TksBarcodeErrorCode err, int p1, int p2) { FBarcodeComponent->BarcodeRaise(err, p1, p2); }
  [[noreturn]] void BarcodeRaise(const TksErrRecord& err) { FBarcodeComponent->BarcodeRaise(err); }

  const PropertyTable& Properties() const override;

 protected:
  // Draws the barcode into `r` of the painter's device; barcode errors are shown by the
  // error mode, and any other failure as a framed message, since a paint has no caller to
  // report to.
  void PaintInto(QPainter& painter, const TRect& r);
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  bool event(QEvent* event) override;

 private:
  void RenewHint();
  std::unique_ptr<TksBarcodeComponent> FBarcodeComponent;
  TksFont FFont;
  bool painting_ = false;
  bool pressed_ = false;
};

// The control with its barcode properties in the property table.
class TksBarcode : public TksCustomBarcode {
  Q_OBJECT

 public:
  using TksCustomBarcode::TksCustomBarcode;
  const PropertyTable& Properties() const override;
};

// The private event that asks a control to invalidate itself (the first user event
// number + 100); posted by whoever wants a deferred repaint.
inline const QEvent::Type kInvalidateEvent = static_cast<QEvent::Type>(QEvent::User + 100);

}  // namespace ks
