#include "render/qt/barcode_control.h"

#include <QBuffer>
#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QMessageBox>
#include <QMimeData>
#include <QMouseEvent>
#include <QPaintDevice>
#include <QPainter>
#include <QSvgGenerator>

#include "render/paint.h"
#include "render/qt/qt_canvas.h"

namespace ks {

BarcodeEditorFunction& BarcodeEditor() {
  static BarcodeEditorFunction editor;
  return editor;
}

EnhancedMetafileFunction& EnhancedMetafileRenderer() {
  static EnhancedMetafileFunction renderer;
  return renderer;
}

MessageFunction& BarcodeMessage() {
  static MessageFunction show = [](QWidget* parent, const std::string& message) {
    QMessageBox box(parent);
    box.setWindowTitle(QGuiApplication::applicationDisplayName());
    box.setText(QString::fromStdString(message));
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
  };
  return show;
}

namespace {

constexpr const char* kNotSupportedNow = "Sorry,not supported now.";

// Paints a barcode into a fresh white image of w x h.
QImage RenderImage(TksCustomBarcode& control, int w, int h, const TRect& r) {
  QImage image(std::max(1, w), std::max(1, h), QImage::Format_RGB32);
  image.fill(Qt::white);
  QPainter painter(&image);
  QtCanvas canvas(&painter, kScreenPixelsPerInch);
  control.PaintBarCode(canvas, r);
  return image;
}

QByteArray RenderSvg(TksCustomBarcode& control, int w, int h, const TRect& r) {
  QBuffer buffer;
  buffer.open(QIODevice::WriteOnly);
  QSvgGenerator generator;
  generator.setOutputDevice(&buffer);
  generator.setSize(QSize(w, h));
  generator.setViewBox(QRect(0, 0, w, h));
  generator.setResolution(kScreenPixelsPerInch);
  {
    QPainter painter(&generator);
    QtCanvas canvas(&painter, kScreenPixelsPerInch);
    control.PaintBarCode(canvas, r);
  }
  return buffer.data();
}

}  // namespace

TksCustomBarcode::TksCustomBarcode(QWidget* parent, TksComponent* owner) : QWidget(parent), TksComponent(owner) {
  FBarcodeComponent = std::make_unique<TksBarcodeComponent>(this);
  FBarcodeComponent->OnUpdate = [this](TksComponent*) { Refresh(); };
  FFont.SetName("Arial");
  FFont.SetSize(16);
  FFont.OnChange = [this] {
    setFont(ToQFont(FFont));
    Refresh();
  };
  setFont(ToQFont(FFont));
  int h = 80;
  int w = 2 * h;
  try {
    w = std::max(w, MinWidth());
  } catch (const Exception&) {
    // The default text always encodes; a text that does not is shown when painted.
  }
  resize(w, h);
}

TksCustomBarcode::~TksCustomBarcode() {
  // The object's last notifications must not reach a widget that is going away.
  FBarcodeComponent->OnUpdate = nullptr;
  FFont.OnChange = nullptr;
  FBarcodeComponent.reset();
}

void TksCustomBarcode::SetBackgroundColor(TColor c) {
  if (c == BackgroundColor()) return;
  FBarcodeComponent->SetBackgroundColor(c);
  Refresh();
}

void TksCustomBarcode::SetLinesColor(TColor c) {
  if (c == LinesColor()) return;
  FBarcodeComponent->SetLinesColor(c);
  Refresh();
}

void TksCustomBarcode::SetBarcodeSymbology(TksBarcodeSymbology value) {
  if (value == BarcodeSymbology()) return;
  if (value == bcCodablockF || value == bcCode16K) {
    if (BarcodeMessage()) BarcodeMessage()(this, kNotSupportedNow);
    return;
  }
  FBarcodeComponent->SetBarcodeSymbology(value);
  Refresh();
}

void TksCustomBarcode::SetBarCode(const std::u16string& value) {
  if (value == BarCode()) return;
  FBarcodeComponent->SetBarCode(value);
  RenewHint();
  Refresh();
}

void TksCustomBarcode::SetAngle(int32_t value) {
  if (value == Angle()) return;
  FBarcodeComponent->SetAngle(value);
  Refresh();
}

void TksCustomBarcode::SetOptions(TksBarcodeOptions value) {
  if (value == Options()) return;
  FBarcodeComponent->SetOptions(value);
  if (value & OptionBit(boAutoSize)) {
    // A text that cannot be encoded has no minimal width; the control keeps its size
    // and the paint shows the error.
    try {
      int minWidth = MinWidth();
      if (width() < minWidth) resize(minWidth, height());
    } catch (const Exception&) {
    }
  }
  Refresh();
}

void TksCustomBarcode::RenewHint() {
  if (FBarcodeComponent->HasOption(boAutoHint)) setToolTip(QString::fromStdString(GetHint()));
}

void TksCustomBarcode::Refresh() {
  // A change reported while painting gets its own paint once this one is done.
  if (painting_)
    update();
  else
    repaint();
}

void TksCustomBarcode::Paint(QPainter& painter) { PaintInto(painter, ClientRect()); }

void TksCustomBarcode::PaintInto(QPainter& painter, const TRect& r) {
  QtCanvas canvas(&painter, kScreenPixelsPerInch);
  try {
    PaintBarCode(canvas, r);
  } catch (const EAbort&) {
    // The silent abort of the extended-raise mode: nothing to show.
  } catch (const std::exception& e) {
    // A paint event has no caller to report to: the raise modes and failures outside
    // the barcode errors are shown on the control as a framed message.
    DrawErrorGraphic(ErrorInfo(), canvas, r, e.what(), (1u << gsBorder) | (1u << gsMSG));
  }
}

void TksCustomBarcode::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painting_ = true;
  Paint(painter);
  painting_ = false;
}

void TksCustomBarcode::PaintBarCode(Canvas& c, const TRect& r) { ks::PaintBarCode(*FBarcodeComponent, c, r); }

void TksCustomBarcode::Print(QPainter& printer, const TRect& r) {
  const int ppi = printer.device() ? printer.device()->logicalDpiX() : kScreenPixelsPerInch;
  QtCanvas canvas(&printer, ppi);
  PaintBarCode(canvas, r);
}

void TksCustomBarcode::CopyToClipboard() {
  const int w = width(), h = height();
  QImage image = RenderImage(*this, w, h, TRect{0, 0, w, h});
  QGuiApplication::clipboard()->setImage(image);
}

void TksCustomBarcode::CopyToClipboardWMF() {
  const int w = width(), h = height();
  const TRect r{0, 0, w, h};
  auto* mime = new QMimeData;
  if (const auto& emf = EnhancedMetafileRenderer()) {
    std::string bytes = emf(*FBarcodeComponent, w, h, r);
    mime->setData("image/x-emf", QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())));
  }
  mime->setData("image/svg+xml", RenderSvg(*this, w, h, r));
  QGuiApplication::clipboard()->setMimeData(mime);
}

void TksCustomBarcode::AssignOnlyBarcode(const TksCustomBarcode* source) {
  if (!source || source == this) return;
  FBarcodeComponent->Assign(*source->FBarcodeComponent);
  FFont.Assign(source->FFont);
  Refresh();
}

void TksCustomBarcode::Assign(const TksPersistent& source) {
  if (auto* control = dynamic_cast<const TksCustomBarcode*>(&source)) {
    AssignOnlyBarcode(control);
    return;
  }
  TksPersistent::Assign(source);
}

void TksCustomBarcode::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) pressed_ = true;
  QWidget::mousePressEvent(event);
}

void TksCustomBarcode::mouseReleaseEvent(QMouseEvent* event) {
  const bool click = pressed_ && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
  pressed_ = false;
  QWidget::mouseReleaseEvent(event);
  if (click && OnClick) OnClick(this);
}

void TksCustomBarcode::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) {
    QWidget::mouseDoubleClickEvent(event);
    return;
  }
  if (!OnDblClick && FBarcodeComponent->HasOption(boEnableEditor)) {
    if (const auto& editor = BarcodeEditor()) editor(*this, this);
    return;
  }
  if (OnDblClick) OnDblClick(this);
}

bool TksCustomBarcode::event(QEvent* e) {
  if (e->type() == kInvalidateEvent) {
    UpdateParentControl();
    return true;
  }
  return QWidget::event(e);
}

const PropertyTable& TksCustomBarcode::Properties() const {
  using C = TksCustomBarcode;
  static const PropertyTable t =
      PropsBuilder<C>()
          .Str("Name", &C::Name, &C::SetName, "")
          .Int("Tag", &C::Tag, &C::SetTag, 0)
          .Bool("Visible", [](const C& c) { return !c.isHidden(); }, [](C& c, bool v) { c.setVisible(v); }, true)
          .Event("OnClick")
          .Event("OnDblClick")
          .Build();
  return t;
}

const PropertyTable& TksBarcode::Properties() const {
  using C = TksBarcode;
  static const PropertyTable t =
      PropsBuilder<C>()
          .Inherit(TksCustomBarcode::Properties())
          .Color("BackgroundColor", &C::BackgroundColor, &C::SetBackgroundColor, clWhite)
          .Object("Font", [](C& c) { return &c.Font(); })
          .Enum("BarcodeSymbology", SymbologyEnum(), &C::BarcodeSymbology, &C::SetBarcodeSymbology, bcEan13)
          .Color("LinesColor", &C::LinesColor, &C::SetLinesColor, clBlack)
          .UStr("BarCode", &C::BarCode, &C::SetBarCode, "9771210107001")
          .Int("Angle", &C::Angle, &C::SetAngle, 0)
          .Object("CaptionUpper", [](C& c) { return &c.CaptionUpper(); })
          .Object("CaptionBottom", [](C& c) { return &c.CaptionBottom(); })
          .Object("CaptionHuman", [](C& c) { return &c.CaptionHuman(); })
          .Object("HorzLines", [](C& c) { return &c.HorzLines(); })
          .Object("QuietZone", [](C& c) { return &c.QuietZone(); })
          .Object("Params", [](C& c) { return &c.Params(); })
          .Set("Options", OptionEnum(), &C::Options, &C::SetOptions, kDefaultOptions)
          .Object("ErrorInfo", [](C& c) { return &c.ErrorInfo(); })
          .Build();
  return t;
}

}  // namespace ks
