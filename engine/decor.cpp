#include "engine/decor.h"

#include <cstdlib>

#include "engine/barcode.h"
#include "engine/errors.h"

namespace ks {

const EnumType& FontStyleEnum() {
  static const EnumType t{"TFontStyle", {"fsBold", "fsItalic", "fsUnderline", "fsStrikeOut"}};
  return t;
}
const EnumType& FontPitchEnum() {
  static const EnumType t{"TFontPitch", {"fpDefault", "fpVariable", "fpFixed"}};
  return t;
}
const EnumType& PenStyleEnum() {
  static const EnumType t{"TPenStyle", {"psSolid", "psDash", "psDot", "psDashDot", "psDashDotDot", "psClear",
                                        "psInsideFrame"}};
  return t;
}
const EnumType& PenModeEnum() {
  static const EnumType t{"TPenMode",
                          {"pmBlack", "pmWhite", "pmNop", "pmNot", "pmCopy", "pmNotCopy", "pmMergePenNot",
                           "pmMaskPenNot", "pmMergeNotPen", "pmMaskNotPen", "pmMerge", "pmNotMerge", "pmMask",
                           "pmNotMask", "pmXor", "pmNotXor"}};
  return t;
}
const EnumType& AlignmentEnum() {
  static const EnumType t{"TAlignment", {"taLeftJustify", "taRightJustify", "taCenter"}};
  return t;
}
const EnumType& QuietZoneStyleEnum() {
  static const EnumType t{"TksQuietZoneIndicatorStyle", {"qzNone", "qzLines", "qzTriangel", "qzRectangle"}};
  return t;
}

// ---- TksFont ----------------------------------------------------------------------

TksFont::TksFont() = default;

TksFont::TksFont(const TksFont& o)
    : TksPersistent(),
      Escapement(o.Escapement),
      CharWidth(o.CharWidth),
      name_(o.name_),
      height_(o.height_),
      color_(o.color_),
      style_(o.style_),
      charset_(o.charset_),
      pitch_(o.pitch_),
      ppi_(o.ppi_) {}

TksFont& TksFont::operator=(const TksFont& o) {
  if (this != &o) Assign(o);
  return *this;
}

void TksFont::SetName(const std::string& v) {
  if (v == name_) return;
  name_ = v;
  Notify();
}

int TksFont::Size() const { return -MulDiv(height_, 72, ppi_); }

void TksFont::SetSize(int v) { SetHeight(-MulDiv(v, ppi_, 72)); }

void TksFont::SetHeight(int v) {
  if (v == height_) return;
  height_ = v;
  Notify();
}

void TksFont::SetColor(TColor v) {
  if (v == color_) return;
  color_ = v;
  Notify();
}

void TksFont::SetStyle(TFontStyles v) {
  v &= 0xF;
  if (v == style_) return;
  style_ = v;
  Notify();
}

void TksFont::SetCharset(int v) {
  if (v == charset_) return;
  charset_ = v;
  Notify();
}

void TksFont::SetPitch(TFontPitch v) {
  if (v == pitch_) return;
  pitch_ = v;
  Notify();
}

void TksFont::Assign(const TksPersistent& source) {
  auto* f = dynamic_cast<const TksFont*>(&source);
  if (!f) {
    TksPersistent::Assign(source);
    return;
  }
  // The size follows the source's point size at this font's resolution.
  name_ = f->name_;
  height_ = f->ppi_ == ppi_ ? f->height_ : -MulDiv(f->Size(), ppi_, 72);
  color_ = f->color_;
  style_ = f->style_;
  charset_ = f->charset_;
  pitch_ = f->pitch_;
  Notify();
}

const PropertyTable& TksFont::Properties() const {
  static const PropertyTable t =
      PropsBuilder<TksFont>()
          .Int("Charset", &TksFont::Charset, &TksFont::SetCharset, 1)
          .Color("Color", &TksFont::Color, &TksFont::SetColor, clBlack)
          .Int("Height", &TksFont::Height, &TksFont::SetHeight, -13)
          .Str("Name", &TksFont::Name, &TksFont::SetName, "Arial")
          .Enum("Pitch", FontPitchEnum(), &TksFont::Pitch, &TksFont::SetPitch, fpDefault)
          .Int("Size", &TksFont::Size, &TksFont::SetSize, 10, false)
          .Set("Style", FontStyleEnum(), &TksFont::Style, &TksFont::SetStyle, 0)
          .Build();
  return t;
}

// ---- TksPen -----------------------------------------------------------------------

void TksPen::SetColor(TColor v) {
  if (v == color_) return;
  color_ = v;
  Notify();
}
void TksPen::SetWidth(int v) {
  if (v == width_) return;
  width_ = v;
  Notify();
}
void TksPen::SetStyle(TPenStyle v) {
  if (v == style_) return;
  style_ = v;
  Notify();
}
void TksPen::SetMode(TPenMode v) {
  if (v == mode_) return;
  mode_ = v;
  Notify();
}

void TksPen::Assign(const TksPersistent& source) {
  auto* p = dynamic_cast<const TksPen*>(&source);
  if (!p) {
    TksPersistent::Assign(source);
    return;
  }
  color_ = p->color_;
  width_ = p->width_;
  style_ = p->style_;
  mode_ = p->mode_;
  Notify();
}

const PropertyTable& TksPen::Properties() const {
  static const PropertyTable t = PropsBuilder<TksPen>()
                                     .Color("Color", &TksPen::Color, &TksPen::SetColor, clBlack)
                                     .Enum("Mode", PenModeEnum(), &TksPen::Mode, &TksPen::SetMode, pmCopy)
                                     .Enum("Style", PenStyleEnum(), &TksPen::Style, &TksPen::SetStyle, psSolid)
                                     .Int("Width", &TksPen::Width, &TksPen::SetWidth, 1)
                                     .Build();
  return t;
}

// ---- TksBarcodeCaption ------------------------------------------------------------

TksBarcodeCaption::TksBarcodeCaption(TksBarcodeComponent* owner, TksCaptionPosition pos)
    : FParentBarcode(owner), FPosition(pos) {
  FFont.OnChange = [this] { Notify(); };
}

void TksBarcodeCaption::Notify() {
  if (FParentBarcode) FParentBarcode->Changed();
}

void TksBarcodeCaption::SetVisible(bool v) {
  if (v == FVisible) return;
  FVisible = v;
  Notify();
}
void TksBarcodeCaption::SetText(const std::vector<std::u16string>& lines) {
  FText = lines;
  Notify();
}
void TksBarcodeCaption::SetLine(size_t index, const std::u16string& line) {
  if (index >= FText.size()) return;
  FText[index] = line;
  Notify();
}
void TksBarcodeCaption::SetFont(const TksFont& f) {
  FFont.OnChange = nullptr;
  FFont.Assign(f);
  FFont.OnChange = [this] { Notify(); };
  Notify();
}
void TksBarcodeCaption::SetAutoSize(bool v) {
  if (v == FAutoSize) return;
  FAutoSize = v;
  Notify();
}
void TksBarcodeCaption::SetAlignment(TAlignment v) {
  if (v == FAlignment) return;
  FAlignment = v;
  Notify();
}
void TksBarcodeCaption::SetAutoCaption(bool v) {
  if (v == FAutoCaption) return;
  FAutoCaption = v;
  Notify();
}
void TksBarcodeCaption::SetMaxHeight(int32_t v) {
  if (v == FMaxHeight) return;
  FMaxHeight = v;
  Notify();
}
void TksBarcodeCaption::SetParentFont(bool v) {
  if (v == FParentFont) return;
  FParentFont = v;
  Notify();
}
void TksBarcodeCaption::SetLineSpacing(int32_t v) {
  if (v == FLineSpacing) return;
  FLineSpacing = v;
  Notify();
}
void TksBarcodeCaption::SetBgColor(TColor v) {
  if (v == FBgColor) return;
  FBgColor = v;
  Notify();
}

void TksBarcodeCaption::Assign(const TksPersistent& source) {
  auto* c = dynamic_cast<const TksBarcodeCaption*>(&source);
  if (!c) {
    TksPersistent::Assign(source);
    return;
  }
  FVisible = c->FVisible;
  FText = c->FText;
  FAutoSize = c->FAutoSize;
  FAutoCaption = c->FAutoCaption;
  FAlignment = c->FAlignment;
  FFont.Assign(c->FFont);  // the only copy that notifies
  FMaxHeight = c->FMaxHeight;
  FParentFont = c->FParentFont;
  FLineSpacing = c->FLineSpacing;
  FBgColor = c->FBgColor;
}

namespace {
std::vector<std::string> LinesToUtf8(const std::vector<std::u16string>& v) {
  std::vector<std::string> r;
  r.reserve(v.size());
  for (const auto& s : v) r.push_back(ToUtf8(s));
  return r;
}
std::vector<std::u16string> LinesFromUtf8(const std::vector<std::string>& v) {
  std::vector<std::u16string> r;
  r.reserve(v.size());
  for (const auto& s : v) r.push_back(FromUtf8(s));
  return r;
}
}  // namespace

const PropertyTable& TksBarcodeCaption::Properties() const {
  using C = TksBarcodeCaption;
  static const PropertyTable t =
      PropsBuilder<C>()
          .Bool("Visible", &C::Visible, &C::SetVisible, true)
          .List("Text", [](const C& c) { return LinesToUtf8(c.Text()); },
                [](C& c, const std::vector<std::string>& v) { c.SetText(LinesFromUtf8(v)); },
                [](const C& c) { return c.Text().size(); },
                [](C& c, size_t i, const std::string& v) { c.SetLine(i, FromUtf8(v)); })
          .Object("Font", [](C& c) { return &c.Font(); })
          .Bool("AutoSize", &C::AutoSize, &C::SetAutoSize, true)
          .Enum("Alignment", AlignmentEnum(), &C::Alignment, &C::SetAlignment, taLeftJustify)
          .Bool("AutoCaption", &C::AutoCaption, &C::SetAutoCaption, false)
          .Int("MaxHeight", &C::MaxHeight, &C::SetMaxHeight, 25)
          .Bool("ParentFont", &C::ParentFont, &C::SetParentFont, false)
          .Int("LineSpacing", &C::LineSpacing, &C::SetLineSpacing, 0)
          .Color("BgColor", &C::BgColor, &C::SetBgColor, clNone)
          .Build();
  return t;
}

// ---- TksQuietZone -----------------------------------------------------------------

TksQuietZone::TksQuietZone(TksBarcodeComponent* owner) : FParentBarcode(owner) {
  FPen.OnChange = [this] { Change(); };
}

void TksQuietZone::Change() {
  if (FParentBarcode) FParentBarcode->Changed();
}

void TksQuietZone::SetIndicatorSize(int32_t v) {
  if (v == FIndicatorSize) return;
  FIndicatorSize = v;
  Change();
}
void TksQuietZone::SetStyle(TksQuietZoneIndicatorStyle v) {
  if (v == FStyle) return;
  FStyle = v;
  Change();
}
void TksQuietZone::SetPen(const TksPen& p) {
  FPen.OnChange = nullptr;
  FPen.Assign(p);
  FPen.OnChange = [this] { Change(); };
  Change();
}
void TksQuietZone::SetSpace(int index, int32_t v) {
  if (index < 0 || index > 3 || FSpace[index] == v || v < 0 || v > 100) return;
  FSpace[index] = v;
  Change();
}
void TksQuietZone::SetVisible(bool v) {
  if (v == FVisible) return;
  FVisible = v;
  Change();
}
void TksQuietZone::SetZone(int left, int top, int right, int bottom) {
  FSpace[0] = left;
  FSpace[1] = top;
  FSpace[2] = right;
  FSpace[3] = bottom;
  Change();
}
void TksQuietZone::ClearZone() {
  FSpace[0] = FSpace[1] = FSpace[2] = FSpace[3] = 0;
  Change();
}

void TksQuietZone::Assign(const TksPersistent& source) {
  auto* q = dynamic_cast<const TksQuietZone*>(&source);
  if (!q) return;  // other sources are ignored without failure
  SetPen(q->FPen);
  SetStyle(q->FStyle);
  SetIndicatorSize(q->FIndicatorSize);
  for (int i = 0; i < 4; ++i) SetSpace(i, q->FSpace[i]);
  SetVisible(q->FVisible);
}

const PropertyTable& TksQuietZone::Properties() const {
  using Q = TksQuietZone;
  static const PropertyTable t =
      PropsBuilder<Q>()
          .Int("IndicatorSize", &Q::IndicatorSize, &Q::SetIndicatorSize, 5)
          .Enum("Style", QuietZoneStyleEnum(), &Q::Style, &Q::SetStyle, qzLines)
          .Object("Pen", [](Q& q) { return &q.Pen(); })
          .Int("Left", [](const Q& q) { return q.Space(0); }, [](Q& q, int v) { q.SetSpace(0, v); }, 0)
          .Int("Top", [](const Q& q) { return q.Space(1); }, [](Q& q, int v) { q.SetSpace(1, v); }, 0)
          .Int("Right", [](const Q& q) { return q.Space(2); }, [](Q& q, int v) { q.SetSpace(2, v); }, 0)
          .Int("Bottom", [](const Q& q) { return q.Space(3); }, [](Q& q, int v) { q.SetSpace(3, v); }, 0)
          .Bool("Visible", &Q::Visible, &Q::SetVisible, false)
          .Build();
  return t;
}

// ---- TksHorzLines -----------------------------------------------------------------

void TksHorzLines::SetLinesCount(int32_t v) {
  if (v == FLinesCount) return;
  FLinesCount = v;
  Notify();
}

void TksHorzLines::Assign(const TksPersistent& source) {
  if (auto* h = dynamic_cast<const TksHorzLines*>(&source)) {
    FLinesCount = h->FLinesCount;
    return;
  }
  TksPen::Assign(source);
}

const PropertyTable& TksHorzLines::Properties() const {
  using H = TksHorzLines;
  static const PropertyTable t = PropsBuilder<H>()
                                     .Inherit(TksPen::Properties())
                                     .Int("LinesCount", &H::LinesCount, &H::SetLinesCount, 0)
                                     .Build();
  return t;
}

}  // namespace ks
