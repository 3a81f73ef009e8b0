#include "output/metafile_canvas.h"

#include <QFontMetrics>
#include <QString>
#include <QTextLayout>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <optional>

#include "engine/ustring.h"
#include "render/qt/qt_canvas.h"

namespace ks {

namespace {

// ---- GDI values (Windows wingdi.h; the same numbers in EMF and WMF) ---------------------
constexpr uint32_t kPsNull = 5;
constexpr uint32_t kBsSolid = 0, kBsNull = 1, kBsHatched = 2;
constexpr uint32_t kHsDiagCross = 5;
constexpr uint32_t kBkTransparent = 1, kBkOpaque = 2;
constexpr uint32_t kTaLeftTop = 0;  // TA_LEFT | TA_TOP | TA_NOUPDATECP
constexpr uint8_t kOutTtOnlyPrecis = 7, kClipDefaultPrecis = 0, kProofQuality = 2, kVariablePitch = 2;
constexpr uint8_t kAnsiCharset = 0, kDefaultCharset = 1, kEastEuropeCharset = 238;
constexpr int kFaceNameChars = 32;  // LF_FACESIZE, terminating zero included

// Windows-1250 (Central European) bytes 0x80..0xFF as Unicode; 0 = no character.
constexpr std::array<char16_t, 128> kCp1250 = {
    0x20AC, 0x0000, 0x201A, 0x0000, 0x201E, 0x2026, 0x2020, 0x2021,
    0x0000, 0x2030, 0x0160, 0x2039, 0x015A, 0x0164, 0x017D, 0x0179,
    0x0000, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x0000, 0x2122, 0x0161, 0x203A, 0x015B, 0x0165, 0x017E, 0x017A,
    0x00A0, 0x02C7, 0x02D8, 0x0141, 0x00A4, 0x0104, 0x00A6, 0x00A7,
    0x00A8, 0x00A9, 0x015E, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x017B,
    0x00B0, 0x00B1, 0x02DB, 0x0142, 0x00B4, 0x00B5, 0x00B6, 0x00B7,
    0x00B8, 0x0105, 0x015F, 0x00BB, 0x013D, 0x02DD, 0x013E, 0x017C,
    0x0154, 0x00C1, 0x00C2, 0x0102, 0x00C4, 0x0139, 0x0106, 0x00C7,
    0x010C, 0x00C9, 0x0118, 0x00CB, 0x011A, 0x00CD, 0x00CE, 0x010E,
    0x0110, 0x0143, 0x0147, 0x00D3, 0x00D4, 0x0150, 0x00D6, 0x00D7,
    0x0158, 0x016E, 0x00DA, 0x0170, 0x00DC, 0x00DD, 0x0162, 0x00DF,
    0x0155, 0x00E1, 0x00E2, 0x0103, 0x00E4, 0x013A, 0x0107, 0x00E7,
    0x010D, 0x00E9, 0x0119, 0x00EB, 0x011B, 0x00ED, 0x00EE, 0x010F,
    0x0111, 0x0144, 0x0148, 0x00F3, 0x00F4, 0x0151, 0x00F6, 0x00F7,
    0x0159, 0x016F, 0x00FA, 0x0171, 0x00FC, 0x00FD, 0x0163, 0x02D9,
};

// Windows-1252 (Western, the ANSI charset) bytes 0x80..0x9F as Unicode; 0xA0..0xFF are
// Latin-1 itself.
constexpr std::array<char16_t, 32> kCp1252Low = {
    0x20AC, 0x0000, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x0000, 0x017D, 0x0000,
    0x0000, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x0000, 0x017E, 0x0178,
};

// One UTF-16 code unit as a byte of the code page, '?' when the page has no such character.
char ToCodePage(char16_t c, bool ansi) {
  if (c < 0x80) return static_cast<char>(c);
  if (ansi) {
    if (c >= 0xA0 && c <= 0xFF) return static_cast<char>(c);
    for (size_t i = 0; i < kCp1252Low.size(); ++i)
      if (kCp1252Low[i] == c) return static_cast<char>(0x80 + i);
    return '?';
  }
  for (size_t i = 0; i < kCp1250.size(); ++i)
    if (kCp1250[i] == c) return static_cast<char>(0x80 + i);
  return '?';
}

bool IsHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

// ---- What each drawing call needs from the device context -----------------------------

struct PenDesc {
  uint32_t style = kPsNull;
  int width = 1;
  uint32_t color = 0;
  friend bool operator==(const PenDesc&, const PenDesc&) = default;
};

struct BrushDesc {
  uint32_t style = kBsNull;
  uint32_t color = 0;
  uint32_t hatch = 0;
  friend bool operator==(const BrushDesc&, const BrushDesc&) = default;
};

struct FontDesc {
  int height = 0;
  int width = 0;
  int escapement = 0;
  int weight = 400;
  bool italic = false, underline = false, strikeOut = false;
  uint8_t charset = kDefaultCharset;
  std::u16string face;
  friend bool operator==(const FontDesc&, const FontDesc&) = default;
};

// One recorded drawing call with the tools in force when it was made.
struct Op {
  enum Kind : uint8_t { kPolygon, kRectangle, kLine, kPolyline, kText };
  Kind kind = kPolygon;
  std::vector<TPoint> pts;  // polygon and polyline points, line ends, text anchor
  TRect rect{};             // rectangle
  PenDesc pen;
  BrushDesc brush;
  // Text only.
  FontDesc font;
  uint32_t textColor = 0;
  bool opaque = false;
  uint32_t bkColor = 0;
  std::u16string text;
  std::vector<int> dx;  // advance of each code unit; their sum is the text width
  int textHeight = 0;
};

uint32_t ColorRef(TColor c) { return c & 0x00FFFFFF; }

PenDesc PenOf(const Canvas& c) {
  PenDesc p;
  if (c.Pen.Style() == psClear || c.Pen.Color() == clNone) return p;
  p.style = c.Pen.Style();  // TPenStyle follows the PS_* numbering
  p.width = std::max(1, c.Pen.Width());
  p.color = ColorRef(c.Pen.Color());
  return p;
}

BrushDesc BrushOf(const Canvas& c) {
  BrushDesc b;
  if (c.Brush.Style == bsClear || c.Brush.Color == clNone) return b;
  b.color = ColorRef(c.Brush.Color);
  if (c.Brush.Style == bsDiagCross) {
    b.style = kBsHatched;
    b.hatch = kHsDiagCross;
  } else {
    b.style = kBsSolid;
  }
  return b;
}

FontDesc FontOf(const TksFont& f) {
  FontDesc d;
  d.height = f.Height();
  d.width = f.CharWidth;
  d.escapement = f.Escapement;
  d.weight = f.HasStyle(fsBold) ? 700 : 400;
  d.italic = f.HasStyle(fsItalic);
  d.underline = f.HasStyle(fsUnderline);
  d.strikeOut = f.HasStyle(fsStrikeOut);
  d.charset = static_cast<uint8_t>(f.Charset());
  d.face = FromUtf8(f.Name()).substr(0, kFaceNameChars - 1);
  return d;
}

// The smallest rectangle (inclusive) holding the points.
TRect BoundsOf(const std::vector<TPoint>& pts) {
  TRect b{std::numeric_limits<int>::max(), std::numeric_limits<int>::max(), std::numeric_limits<int>::min(),
          std::numeric_limits<int>::min()};
  for (const TPoint& p : pts) {
    b.Left = std::min(b.Left, p.X);
    b.Top = std::min(b.Top, p.Y);
    b.Right = std::max(b.Right, p.X);
    b.Bottom = std::max(b.Bottom, p.Y);
  }
  return b;
}

bool FitsInt16(int v) { return v >= std::numeric_limits<int16_t>::min() && v <= std::numeric_limits<int16_t>::max(); }
int16_t ClampInt16(int v) {
  return static_cast<int16_t>(
      std::clamp(v, static_cast<int>(std::numeric_limits<int16_t>::min()), static_cast<int>(std::numeric_limits<int16_t>::max())));
}

// ---- Little-endian record buffer --------------------------------------------------------

class Bytes {
 public:
  void U8(uint8_t v) { s_.push_back(static_cast<char>(v)); }
  void U16(uint16_t v) {
    U8(v & 0xFF);
    U8(v >> 8);
  }
  void U32(uint32_t v) {
    U16(v & 0xFFFF);
    U16(v >> 16);
  }
  void I16(int v) { U16(static_cast<uint16_t>(ClampInt16(v))); }
  void I32(int32_t v) { U32(static_cast<uint32_t>(v)); }
  void F32(float v) {
    uint32_t u;
    static_assert(sizeof u == sizeof v);
    std::memcpy(&u, &v, sizeof u);
    U32(u);
  }
  void Raw(const std::string& b) { s_ += b; }
  void PadTo(size_t multiple) {
    while (s_.size() % multiple) U8(0);
  }
  void Patch32(size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) s_[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
  }
  size_t Size() const { return s_.size(); }
  const std::string& Str() const { return s_; }

 private:
  std::string s_;
};


// ---- Device-context bookkeeping shared by both formats ---------------------------------
//
// Walks the recorded calls and emits only the state changes each call needs: a pen,
// brush or font is created, selected, and the one it replaces deleted. Object slots are
// reused lowest first, as the players expect. The whole picture runs between SaveDC and
// RestoreDC, so at the end none of its objects is selected and all can be deleted.
class GdiWriter {
 public:
  explicit GdiWriter(int firstSlot) : firstSlot_(firstSlot) {}
  virtual ~GdiWriter() = default;

  void Play(const std::vector<Op>& ops) {
    SaveDC();
    SetTextAlign(kTaLeftTop);
    for (const Op& op : ops) Draw(op);
    RestoreDC();
    for (int slot = 0; slot < static_cast<int>(used_.size()); ++slot)
      if (used_[slot]) DeleteObject(slot);
  }

  // Number of entries the object table needs (highest slot used + 1).
  int TableSize() const { return tableSize_; }

 protected:
  virtual void SaveDC() = 0;
  virtual void RestoreDC() = 0;
  virtual void SetTextAlign(uint32_t align) = 0;
  virtual void SetBkMode(uint32_t mode) = 0;
  virtual void SetBkColor(uint32_t color) = 0;
  virtual void SetTextColor(uint32_t color) = 0;
  virtual void CreatePen(int slot, const PenDesc& pen) = 0;
  virtual void CreateBrush(int slot, const BrushDesc& brush) = 0;
  virtual void CreateFont(int slot, const FontDesc& font) = 0;
  virtual void SelectObject(int slot) = 0;
  virtual void DeleteObject(int slot) = 0;
  virtual void Polygon(const std::vector<TPoint>& pts) = 0;
  virtual void Polyline(const std::vector<TPoint>& pts) = 0;
  virtual void Rectangle(const TRect& r) = 0;
  virtual void MoveTo(TPoint p) = 0;
  virtual void LineTo(TPoint p) = 0;
  virtual void TextOut(const Op& op) = 0;

 private:
  template <class Desc>
  struct Selected {
    std::optional<Desc> desc;
    int slot = -1;
  };

  template <class Desc, class Create>
  void Use(Selected<Desc>& sel, const Desc& want, Create create) {
    if (sel.desc && *sel.desc == want) return;
    const int slot = Allocate();
    create(slot, want);
    SelectObject(slot);
    if (sel.slot >= 0) {
      DeleteObject(sel.slot);
      used_[sel.slot] = false;
    }
    sel.desc = want;
    sel.slot = slot;
  }

  int Allocate() {
    int slot = firstSlot_;
    while (slot < static_cast<int>(used_.size()) && used_[slot]) ++slot;
    if (slot >= static_cast<int>(used_.size())) used_.resize(slot + 1, false);
    used_[slot] = true;
    tableSize_ = std::max(tableSize_, slot + 1);
    return slot;
  }

  template <class T, class Set>
  static void Change(std::optional<T>& current, T want, Set set) {
    if (current == want) return;
    set(want);
    current = want;
  }

  void UsePen(const PenDesc& p) { Use(pen_, p, [this](int s, const PenDesc& d) { CreatePen(s, d); }); }
  void UseBrush(const BrushDesc& b) { Use(brush_, b, [this](int s, const BrushDesc& d) { CreateBrush(s, d); }); }
  void UseFont(const FontDesc& f) { Use(font_, f, [this](int s, const FontDesc& d) { CreateFont(s, d); }); }
  // Hatch gaps and pen-style gaps stay unpainted, as on the raster canvas.
  void UseBkMode(uint32_t m) { Change(bkMode_, m, [this](uint32_t v) { SetBkMode(v); }); }

  void Draw(const Op& op) {
    switch (op.kind) {
      case Op::kPolygon:
      case Op::kRectangle:
        UsePen(op.pen);
        UseBrush(op.brush);
        UseBkMode(kBkTransparent);
        if (op.kind == Op::kPolygon)
          Polygon(op.pts);
        else
          Rectangle(op.rect);
        break;
      case Op::kLine:
      case Op::kPolyline:
        UsePen(op.pen);
        UseBkMode(kBkTransparent);
        if (op.kind == Op::kPolyline) {
          Polyline(op.pts);
        } else {
          MoveTo(op.pts[0]);
          LineTo(op.pts[1]);
        }
        break;
      case Op::kText:
        UseFont(op.font);
        Change(textColor_, op.textColor, [this](uint32_t v) { SetTextColor(v); });
        if (op.opaque) Change(bkColor_, op.bkColor, [this](uint32_t v) { SetBkColor(v); });
        UseBkMode(op.opaque ? kBkOpaque : kBkTransparent);
        TextOut(op);
        break;
    }
  }

  int firstSlot_;
  int tableSize_ = 0;
  std::vector<bool> used_;
  Selected<PenDesc> pen_;
  Selected<BrushDesc> brush_;
  Selected<FontDesc> font_;
  std::optional<uint32_t> bkMode_, bkColor_, textColor_;
};

// ---- Enhanced metafile ([MS-EMF]) ---------------------------------------------------------

// EMF record types.
enum : uint32_t {
  kEmrHeader = 1, kEmrPolygon = 3, kEmrPolyline = 4, kEmrEof = 14, kEmrSetBkMode = 18,
  kEmrSetTextAlign = 22, kEmrSetTextColor = 24, kEmrSetBkColor = 25, kEmrMoveToEx = 27,
  kEmrSaveDC = 33, kEmrRestoreDC = 34, kEmrSelectObject = 37, kEmrCreatePen = 38,
  kEmrCreateBrushIndirect = 39, kEmrDeleteObject = 40, kEmrRectangle = 43, kEmrLineTo = 54,
  kEmrExtCreateFontIndirectW = 82, kEmrExtTextOutW = 84, kEmrPolygon16 = 86, kEmrPolyline16 = 87,
};
constexpr uint32_t kEmfSignature = 0x464D4520;  // " EMF"
constexpr uint32_t kEmfVersion = 0x00010000;
constexpr uint32_t kEmfHeaderSize = 108;        // with the pixel-format and micrometre extensions
constexpr uint32_t kEmfEofSize = 20;
constexpr uint32_t kLogFontPanoseSize = 320;    // LOGFONTW (92 bytes) and its zeroed extension
constexpr uint32_t kGmCompatible = 1;
// The reference device: 1920 x 1440 pixels on 508 x 381 mm, exactly 96 dots per inch.
constexpr int kRefPixelsX = 1920, kRefPixelsY = 1440;
constexpr int kRefMillimetresX = 508, kRefMillimetresY = 381;
constexpr int kHundredthMmPerInch = 2540;

class EmfWriter : public GdiWriter {
 public:
  EmfWriter() : GdiWriter(1) {}  // slot 0 of the EMF object table is reserved

  std::string Finish(int width, int height) {
    Bytes h;
    const uint32_t total = kEmfHeaderSize + static_cast<uint32_t>(rec_.Size()) + kEmfEofSize;
    h.U32(kEmrHeader);
    h.U32(kEmfHeaderSize);
    // Bounds in pixels and frame in .01 mm, both inclusive.
    h.I32(0);
    h.I32(0);
    h.I32(width - 1);
    h.I32(height - 1);
    h.I32(0);
    h.I32(0);
    h.I32(MulDiv(width, kHundredthMmPerInch, kScreenPixelsPerInch) - 1);
    h.I32(MulDiv(height, kHundredthMmPerInch, kScreenPixelsPerInch) - 1);
    h.U32(kEmfSignature);
    h.U32(kEmfVersion);
    h.U32(total);
    h.U32(static_cast<uint32_t>(count_ + 2));  // with the header and EMR_EOF
    h.U16(static_cast<uint16_t>(std::max(1, TableSize())));
    h.U16(0);  // reserved
    h.U32(0);  // no description
    h.U32(0);
    h.U32(0);  // no palette
    h.I32(kRefPixelsX);
    h.I32(kRefPixelsY);
    h.I32(kRefMillimetresX);
    h.I32(kRefMillimetresY);
    h.U32(0);  // no pixel format
    h.U32(0);
    h.U32(0);  // no OpenGL records
    h.I32(kRefMillimetresX * 1000);
    h.I32(kRefMillimetresY * 1000);

    h.Raw(rec_.Str());
    h.U32(kEmrEof);
    h.U32(kEmfEofSize);
    h.U32(0);  // no palette entries
    h.U32(16);  // their offset
    h.U32(kEmfEofSize);
    return h.Str();
  }

 protected:
  void SaveDC() override { End(Begin(kEmrSaveDC)); }
  void RestoreDC() override {
    const size_t at = Begin(kEmrRestoreDC);
    rec_.I32(-1);
    End(at);
  }
  void SetTextAlign(uint32_t v) override { Simple(kEmrSetTextAlign, v); }
  void SetBkMode(uint32_t v) override { Simple(kEmrSetBkMode, v); }
  void SetBkColor(uint32_t v) override { Simple(kEmrSetBkColor, v); }
  void SetTextColor(uint32_t v) override { Simple(kEmrSetTextColor, v); }
  void SelectObject(int slot) override { Simple(kEmrSelectObject, static_cast<uint32_t>(slot)); }
  void DeleteObject(int slot) override { Simple(kEmrDeleteObject, static_cast<uint32_t>(slot)); }

  void CreatePen(int slot, const PenDesc& p) override {
    const size_t at = Begin(kEmrCreatePen);
    rec_.U32(static_cast<uint32_t>(slot));
    rec_.U32(p.style);
    rec_.I32(p.width);
    rec_.I32(0);
    rec_.U32(p.color);
    End(at);
  }

  void CreateBrush(int slot, const BrushDesc& b) override {
    const size_t at = Begin(kEmrCreateBrushIndirect);
    rec_.U32(static_cast<uint32_t>(slot));
    rec_.U32(b.style);
    rec_.U32(b.color);
    rec_.U32(b.hatch);
    End(at);
  }

  void CreateFont(int slot, const FontDesc& f) override {
    const size_t at = Begin(kEmrExtCreateFontIndirectW);
    rec_.U32(static_cast<uint32_t>(slot));
    const size_t start = rec_.Size();
    rec_.I32(f.height);
    rec_.I32(f.width);
    rec_.I32(f.escapement);
    rec_.I32(0);  // orientation
    rec_.I32(f.weight);
    rec_.U8(f.italic);
    rec_.U8(f.underline);
    rec_.U8(f.strikeOut);
    rec_.U8(f.charset);
    rec_.U8(kOutTtOnlyPrecis);
    rec_.U8(kClipDefaultPrecis);
    rec_.U8(kProofQuality);
    rec_.U8(kVariablePitch);
    for (int i = 0; i < kFaceNameChars; ++i) rec_.U16(i < static_cast<int>(f.face.size()) ? f.face[i] : 0);
    while (rec_.Size() - start < kLogFontPanoseSize) rec_.U8(0);
    End(at);
  }

  void Polygon(const std::vector<TPoint>& pts) override { Poly(kEmrPolygon16, kEmrPolygon, pts); }
  void Polyline(const std::vector<TPoint>& pts) override { Poly(kEmrPolyline16, kEmrPolyline, pts); }

  void Rectangle(const TRect& r) override {
    const size_t at = Begin(kEmrRectangle);
    Rect(r);
    End(at);
  }

  void MoveTo(TPoint p) override { Point(kEmrMoveToEx, p); }
  void LineTo(TPoint p) override { Point(kEmrLineTo, p); }

  void TextOut(const Op& op) override {
    const uint32_t n = static_cast<uint32_t>(op.text.size());
    const uint32_t offString = 76;
    const uint32_t offDx = offString + (2 * n + 3) / 4 * 4;
    const size_t at = Begin(kEmrExtTextOutW);
    Rect(TextBounds(op));
    rec_.U32(kGmCompatible);
    // Scale from pixels to .01 mm at 96 dpi.
    rec_.F32(static_cast<float>(kHundredthMmPerInch) / kScreenPixelsPerInch);
    rec_.F32(static_cast<float>(kHundredthMmPerInch) / kScreenPixelsPerInch);
    rec_.I32(op.pts[0].X);
    rec_.I32(op.pts[0].Y);
    rec_.U32(n);
    rec_.U32(offString);
    rec_.U32(0);  // options: neither clipped nor opaque rectangle
    Rect({0, 0, 0, 0});
    rec_.U32(offDx);
    for (char16_t c : op.text) rec_.U16(c);
    rec_.PadTo(4);
    for (int d : op.dx) rec_.I32(d);
    End(at);
  }

 private:
  size_t Begin(uint32_t type) {
    const size_t at = rec_.Size();
    rec_.U32(type);
    rec_.U32(0);
    return at;
  }
  void End(size_t at) {
    rec_.PadTo(4);
    rec_.Patch32(at + 4, static_cast<uint32_t>(rec_.Size() - at));
    ++count_;
  }
  void Simple(uint32_t type, uint32_t value) {
    const size_t at = Begin(type);
    rec_.U32(value);
    End(at);
  }
  void Point(uint32_t type, TPoint p) {
    const size_t at = Begin(type);
    rec_.I32(p.X);
    rec_.I32(p.Y);
    End(at);
  }
  void Rect(const TRect& r) {
    rec_.I32(r.Left);
    rec_.I32(r.Top);
    rec_.I32(r.Right);
    rec_.I32(r.Bottom);
  }
  // Points in 16 bits when they all fit, else in 32.
  void Poly(uint32_t type16, uint32_t type32, const std::vector<TPoint>& pts) {
    const bool small = std::all_of(pts.begin(), pts.end(), [](TPoint p) { return FitsInt16(p.X) && FitsInt16(p.Y); });
    const size_t at = Begin(small ? type16 : type32);
    Rect(BoundsOf(pts));
    rec_.U32(static_cast<uint32_t>(pts.size()));
    for (const TPoint& p : pts) {
      if (small) {
        rec_.I16(p.X);
        rec_.I16(p.Y);
      } else {
        rec_.I32(p.X);
        rec_.I32(p.Y);
      }
    }
    End(at);
  }
  // The text box turned by the escapement about its anchor, inclusive.
  static TRect TextBounds(const Op& op) {
    const TPoint o = op.pts[0];
    int w = 0;
    for (int d : op.dx) w += d;
    const double angle = op.font.escapement / 10.0;
    const TRect b = BoundsOf({RotatePoint({o.X + w, o.Y}, o, angle), RotatePoint({o.X + w, o.Y + op.textHeight}, o, angle),
                              RotatePoint({o.X, o.Y + op.textHeight}, o, angle), o});
    return {b.Left, b.Top, b.Right - 1, b.Bottom - 1};
  }

  Bytes rec_;
  int count_ = 0;
};

// ---- Windows metafile with a placeable header ([MS-WMF]) ---------------------------------

// WMF record functions.
enum : uint16_t {
  kMetaEof = 0x0000, kMetaSaveDC = 0x001E, kMetaSetBkMode = 0x0102, kMetaSelectObject = 0x012D,
  kMetaSetTextAlign = 0x012E, kMetaRestoreDC = 0x0127, kMetaDeleteObject = 0x01F0, kMetaSetBkColor = 0x0201,
  kMetaSetTextColor = 0x0209, kMetaSetWindowOrg = 0x020B, kMetaSetWindowExt = 0x020C, kMetaLineTo = 0x0213,
  kMetaMoveTo = 0x0214, kMetaCreatePenIndirect = 0x02FA, kMetaCreateFontIndirect = 0x02FB,
  kMetaCreateBrushIndirect = 0x02FC, kMetaPolygon = 0x0324, kMetaPolyline = 0x0325, kMetaRectangle = 0x041B,
  kMetaExtTextOut = 0x0A32,
};
constexpr uint32_t kPlaceableKey = 0x9AC6CDD7;
constexpr uint16_t kMemoryMetafile = 1, kMetaHeaderWords = 9, kMetaVersion = 0x0300;

class WmfWriter : public GdiWriter {
 public:
  WmfWriter(int width, int height) : GdiWriter(0), width_(width), height_(height) {
    Pair(kMetaSetWindowOrg, 0, 0);
    Pair(kMetaSetWindowExt, height, width);
  }

  std::string Finish() {
    const size_t eof = Begin(kMetaEof);
    End(eof);

    Bytes out;
    // Placeable header: the picture is width x height units at 96 units per inch.
    Bytes ph;
    ph.U32(kPlaceableKey);
    ph.U16(0);
    ph.I16(0);
    ph.I16(0);
    ph.I16(width_);
    ph.I16(height_);
    ph.U16(kScreenPixelsPerInch);
    ph.U32(0);
    uint16_t sum = 0;
    for (size_t i = 0; i < ph.Size(); i += 2)
      sum ^= static_cast<uint16_t>(static_cast<uint8_t>(ph.Str()[i]) | static_cast<uint8_t>(ph.Str()[i + 1]) << 8);
    ph.U16(sum);
    out.Raw(ph.Str());

    out.U16(kMemoryMetafile);
    out.U16(kMetaHeaderWords);
    out.U16(kMetaVersion);
    out.U32(static_cast<uint32_t>(kMetaHeaderWords + rec_.Size() / 2));
    out.U16(static_cast<uint16_t>(TableSize()));
    out.U32(maxRecord_);
    out.U16(0);
    out.Raw(rec_.Str());
    return out.Str();
  }

 protected:
  void SaveDC() override { End(Begin(kMetaSaveDC)); }
  void RestoreDC() override { Words(kMetaRestoreDC, {-1}); }
  void SetTextAlign(uint32_t v) override { Words(kMetaSetTextAlign, {static_cast<int>(v), 0}); }
  void SetBkMode(uint32_t v) override { Words(kMetaSetBkMode, {static_cast<int>(v), 0}); }
  void SetBkColor(uint32_t v) override { Color(kMetaSetBkColor, v); }
  void SetTextColor(uint32_t v) override { Color(kMetaSetTextColor, v); }
  void SelectObject(int slot) override { Words(kMetaSelectObject, {slot}); }
  void DeleteObject(int slot) override { Words(kMetaDeleteObject, {slot}); }

  void CreatePen(int /*slot*/, const PenDesc& p) override {
    const size_t at = Begin(kMetaCreatePenIndirect);
    rec_.U16(static_cast<uint16_t>(p.style));
    rec_.I16(p.width);
    rec_.I16(0);
    rec_.U32(p.color);
    End(at);
  }

  void CreateBrush(int /*slot*/, const BrushDesc& b) override {
    const size_t at = Begin(kMetaCreateBrushIndirect);
    rec_.U16(static_cast<uint16_t>(b.style));
    rec_.U32(b.color);
    rec_.U16(static_cast<uint16_t>(b.hatch));
    End(at);
  }

  void CreateFont(int /*slot*/, const FontDesc& f) override {
    const bool ansi = f.charset == kAnsiCharset;
    const size_t at = Begin(kMetaCreateFontIndirect);
    rec_.I16(f.height);
    rec_.I16(f.width);
    rec_.I16(f.escapement);
    rec_.I16(0);  // orientation
    rec_.I16(f.weight);
    rec_.U8(f.italic);
    rec_.U8(f.underline);
    rec_.U8(f.strikeOut);
    // The text bytes are Windows-1250 unless the font asks for the ANSI charset; a
    // default charset is named explicitly so that any player reads them so.
    rec_.U8(f.charset == kDefaultCharset ? kEastEuropeCharset : f.charset);
    rec_.U8(kOutTtOnlyPrecis);
    rec_.U8(kClipDefaultPrecis);
    rec_.U8(kProofQuality);
    rec_.U8(kVariablePitch);
    for (int i = 0; i < kFaceNameChars; ++i)
      rec_.U8(i < static_cast<int>(f.face.size()) ? static_cast<uint8_t>(ToCodePage(f.face[i], ansi)) : 0);
    End(at);
    ansi_ = ansi;
  }

  void Polygon(const std::vector<TPoint>& pts) override { Poly(kMetaPolygon, pts); }
  void Polyline(const std::vector<TPoint>& pts) override { Poly(kMetaPolyline, pts); }
  void Rectangle(const TRect& r) override { Words(kMetaRectangle, {r.Bottom, r.Right, r.Top, r.Left}); }
  void MoveTo(TPoint p) override { Pair(kMetaMoveTo, p.Y, p.X); }
  void LineTo(TPoint p) override { Pair(kMetaLineTo, p.Y, p.X); }

  void TextOut(const Op& op) override {
    // One byte per character: a surrogate pair becomes one '?' with the pair's advance.
    std::string bytes;
    std::vector<int> dx;
    for (size_t i = 0; i < op.text.size() && bytes.size() < kMaxInt16; ++i) {
      if (IsHighSurrogate(op.text[i]) && i + 1 < op.text.size() && IsLowSurrogate(op.text[i + 1])) {
        bytes.push_back('?');
        dx.push_back(op.dx[i] + op.dx[i + 1]);
        ++i;
      } else {
        bytes.push_back(ToCodePage(op.text[i], ansi_));
        dx.push_back(op.dx[i]);
      }
    }
    const size_t at = Begin(kMetaExtTextOut);
    rec_.I16(op.pts[0].Y);
    rec_.I16(op.pts[0].X);
    rec_.I16(static_cast<int>(bytes.size()));
    rec_.U16(0);  // options: neither clipped nor opaque rectangle
    rec_.Raw(bytes);
    rec_.PadTo(2);
    for (int d : dx) rec_.I16(d);
    End(at);
  }

 private:
  static constexpr size_t kMaxInt16 = 32767;

  size_t Begin(uint16_t function) {
    const size_t at = rec_.Size();
    rec_.U32(0);
    rec_.U16(function);
    return at;
  }
  void End(size_t at) {
    rec_.PadTo(2);
    const uint32_t words = static_cast<uint32_t>((rec_.Size() - at) / 2);
    rec_.Patch32(at, words);
    maxRecord_ = std::max(maxRecord_, words);
  }
  void Words(uint16_t function, std::initializer_list<int> values) {
    const size_t at = Begin(function);
    for (int v : values) rec_.I16(v);
    End(at);
  }
  void Pair(uint16_t function, int a, int b) { Words(function, {a, b}); }
  void Color(uint16_t function, uint32_t c) {
    const size_t at = Begin(function);
    rec_.U32(c);
    End(at);
  }
  void Poly(uint16_t function, const std::vector<TPoint>& pts) {
    const size_t n = std::min(pts.size(), kMaxInt16);
    const size_t at = Begin(function);
    rec_.I16(static_cast<int>(n));
    for (size_t i = 0; i < n; ++i) {
      rec_.I16(pts[i].X);
      rec_.I16(pts[i].Y);
    }
    End(at);
  }

  int width_, height_;
  bool ansi_ = false;
  Bytes rec_;
  uint32_t maxRecord_ = 0;
};

// ---- Text measuring, as on the raster canvas ---------------------------------------------

QString ToQString(const std::u16string& s) { return QString::fromUtf16(s.data(), static_cast<qsizetype>(s.size())); }

// The advance of every code unit as the raster canvas places the glyphs (kerning
// included); the low half of a surrogate pair advances 0. They sum to `total`.
std::vector<int> Advances(const QFont& font, const std::u16string& text, int total) {
  const QString s = ToQString(text);
  QTextLayout layout(s, font);
  layout.beginLayout();
  QTextLine line = layout.createLine();
  layout.endLayout();  // lays the one line out without a width limit
  std::vector<int> dx(text.size(), 0);
  int prev = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    const bool pair = IsHighSurrogate(text[i]) && i + 1 < text.size() && IsLowSurrogate(text[i + 1]);
    const size_t end = i + (pair ? 2 : 1);
    const int next = end == text.size() ? total : static_cast<int>(std::lround(line.cursorToX(static_cast<int>(end))));
    dx[i] = next - prev;
    prev = next;
    if (pair) ++i;
  }
  return dx;
}

}  // namespace

struct MetafileCanvas::Impl {
  int width = 0;
  int height = 0;
  std::vector<Op> ops;
};

MetafileCanvas::MetafileCanvas(int width, int height) : impl_(new Impl) {
  impl_->width = std::max(0, width);
  impl_->height = std::max(0, height);
  Font.SetPixelsPerInch(kScreenPixelsPerInch);
}

MetafileCanvas::~MetafileCanvas() { delete impl_; }

void MetafileCanvas::Polygon(const std::vector<TPoint>& pts) {
  if (pts.empty()) return;
  Op op;
  op.kind = Op::kPolygon;
  op.pen = PenOf(*this);
  op.brush = BrushOf(*this);
  if (op.pen.style == kPsNull && op.brush.style == kBsNull) return;
  op.pts = pts;
  impl_->ops.push_back(std::move(op));
}

void MetafileCanvas::Rectangle(const TRect& r) {
  if (r.IsEmpty()) return;
  if (PenOf(*this).style == kPsNull) {
    // Without a pen GDI's Rectangle fills one pixel less each way; the polygon fills
    // exactly the right/bottom exclusive rectangle.
    FillRect(r);
    return;
  }
  Op op;
  op.kind = Op::kRectangle;
  op.pen = PenOf(*this);
  op.brush = BrushOf(*this);
  op.rect = r;
  impl_->ops.push_back(std::move(op));
}

void MetafileCanvas::FillRect(const TRect& r) {
  if (r.IsEmpty()) return;
  Op op;
  op.kind = Op::kPolygon;
  op.brush = BrushOf(*this);
  if (op.brush.style == kBsNull) return;
  op.pts = {{r.Left, r.Top}, {r.Right, r.Top}, {r.Right, r.Bottom}, {r.Left, r.Bottom}};
  impl_->ops.push_back(std::move(op));
}

void MetafileCanvas::Line(TPoint a, TPoint b) {
  if (a == b) return;
  Op op;
  op.kind = Op::kLine;
  op.pen = PenOf(*this);
  if (op.pen.style == kPsNull) return;
  op.pts = {a, b};
  impl_->ops.push_back(std::move(op));
}

void MetafileCanvas::Polyline(const std::vector<TPoint>& pts) {
  if (pts.size() < 2) return;
  Op op;
  op.kind = Op::kPolyline;
  op.pen = PenOf(*this);
  if (op.pen.style == kPsNull) return;
  op.pts = pts;
  impl_->ops.push_back(std::move(op));
}

void MetafileCanvas::TextOut(int x, int y, const std::u16string& text) {
  if (text.empty() || Font.Color() == clNone) return;
  const QFont font = ToQFont(Font);
  const QFontMetrics fm(font);
  Op op;
  op.kind = Op::kText;
  op.pts = {{x, y}};
  op.font = FontOf(Font);
  op.textColor = ColorRef(Font.Color());
  op.opaque = BkMode == bkOpaque && Brush.Style != bsClear && Brush.Color != clNone;
  op.bkColor = op.opaque ? ColorRef(Brush.Color) : 0;
  op.text = text;
  op.dx = Advances(font, text, fm.horizontalAdvance(ToQString(text)));
  op.textHeight = fm.height();
  impl_->ops.push_back(std::move(op));
}

int MetafileCanvas::TextWidth(const std::u16string& text) {
  return QFontMetrics(ToQFont(Font)).horizontalAdvance(ToQString(text));
}

int MetafileCanvas::TextHeight(const std::u16string&) { return QFontMetrics(ToQFont(Font)).height(); }

int MetafileCanvas::AverageCharWidth() {
  TksFont natural(Font);
  natural.CharWidth = 0;
  return std::max(1, QFontMetrics(ToQFont(natural)).averageCharWidth());
}

std::string MetafileCanvas::EmfBytes() const {
  EmfWriter w;
  w.Play(impl_->ops);
  return w.Finish(impl_->width, impl_->height);
}

std::string MetafileCanvas::WmfBytes() const {
  WmfWriter w(impl_->width, impl_->height);
  w.Play(impl_->ops);
  return w.Finish();
}

}  // namespace ks
