#include "render/paint.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>

#include "engine/catalogue.h"
#include "engine/encoders.h"
#include "engine/linear/booknumber.h"
#include "engine/matrix/matrix.h"
#include "engine/matrix/pdf417.h"
#include "engine/ustring.h"
#include "render/matrix_paint.h"
#include "render/pdf417_paint.h"

namespace ks {

namespace {

// Characters from..to (1-based, inclusive) of s, clipped to the text.
std::u16string Sub(const std::u16string& s, int from, int to) {
  if (from < 1) from = 1;
  if (to > static_cast<int>(s.size())) to = static_cast<int>(s.size());
  if (to < from) return {};
  return s.substr(from - 1, to - from + 1);
}

std::u16string Ch(const std::u16string& s, int i) { return Sub(s, i, i); }

// Settings are stored unchecked (a caption line spacing of two billion per cent, an
// indicator a thousand times the zone), so the layout arithmetic they feed runs in 64
// bits, and what becomes a coordinate again is kept within a range where sums and
// differences of coordinates cannot overflow. Anything that far out is off any canvas.
constexpr long long kCoordinateLimit = 1 << 28;
int Coordinate(long long v) { return static_cast<int>(std::clamp(v, -kCoordinateLimit, kCoordinateLimit)); }

// A real number (a font size worked out from unchecked settings) as an int within
// coordinate range; a NaN gives 0.
double InRange(double v) {
  if (std::isnan(v)) return 0;
  return std::clamp(v, static_cast<double>(-kCoordinateLimit), static_cast<double>(kCoordinateLimit));
}

// a*b/c rounded half away from zero like MulDiv, for 64-bit operands; c == 0 gives -1.
long long MulDiv64(long long a, long long b, long long c) {
  if (c == 0) return -1;
  const __int128 p = static_cast<__int128>(a) * b;
  const bool neg = (p < 0) != (c < 0);
  const unsigned __int128 ap = p < 0 ? -p : p;
  const unsigned __int128 ac = c < 0 ? -static_cast<__int128>(c) : c;
  const unsigned __int128 q = (ap + ac / 2) / ac;
  const __int128 r = neg ? -static_cast<__int128>(q) : static_cast<__int128>(q);
  return static_cast<long long>(std::clamp<__int128>(r, INT64_MIN, INT64_MAX));
}

// Width in pixels of the ITF bearer frame: four times the first run of the pattern,
// which is one pixel for every ITF pattern (they begin with their quiet zone).
constexpr int kBearerWidth = 4;

// UPC symbols draw their guard bars half into the human-readable line.
bool GuardsHalfIntoText(HumanLayout layout) {
  return layout == HumanLayout::UpcA || layout == HumanLayout::UpcE0 || layout == HumanLayout::UpcE1;
}

bool ClosesRun(char c) {
  switch (c) {
    case 'X': case '0': case '1': case ' ': case 'M': case 'V': case 'F': case 'S': case 'T': case 'H': case 'A':
    case 'D':
      return true;
    default:
      return false;
  }
}

bool IsDark(char c) {
  switch (c) {
    case '1': case '2': case '3': case 'M': case 'H': case 'D': case 'V': case 'S': case 'A': case 'T': case 'F':
      return true;
    default:
      return false;
  }
}

// Copies a font description into the canvas font, leaving rotation and width to the
// caller.
void SelectFont(Canvas& c, const TksFont& f) {
  c.Font.Assign(f);
  c.Font.Escapement = 0;
  c.Font.CharWidth = 0;
}

void SetFontSize(Canvas& c, int size) {
  // A font size is in points at the canvas's resolution.
  c.Font.SetHeight(-MulDiv(size, c.PixelsPerInch(), 72));
}

int FontSize(Canvas& c) { return -MulDiv(c.Font.Height(), 72, c.PixelsPerInch()); }

// Draws the bars of one colour. On a canvas that turns fills into pixels, bars that
// touch and share top and bottom are drawn as one rectangle (the same pixels in far
// fewer fills); elsewhere every bar is drawn as it comes.
class BarFiller {
 public:
  BarFiller(Canvas& c, TPoint centre, double angle) : c_(c), centre_(centre), angle_(angle), merge_(c.PixelExact()) {}

  void Add(const TRect& r) {
    if (!merge_) {
      FillRotatedRect(c_, r, centre_, true, angle_);
      return;
    }
    if (pending_ && r.Left == run_.Right && r.Top == run_.Top && r.Bottom == run_.Bottom) {
      run_.Right = r.Right;
      return;
    }
    Flush();
    run_ = r;
    pending_ = true;
  }
  void Flush() {
    if (pending_) FillRotatedRect(c_, run_, centre_, true, angle_);
    pending_ = false;
  }

 private:
  Canvas& c_;
  TPoint centre_;
  double angle_;
  bool merge_;
  bool pending_ = false;
  TRect run_{};
};

struct LinearLayout {
  TksBarcodeComponent& bc;
  Canvas& c;
  const TRect& r;
  TPoint centre;
  double angle;

  void Text(int x, int y, const std::u16string& s) const { TextOutRotated(c, x, y, s, angle, centre); }

  // Writes up to three pieces of the human-readable line using the text slots.
  void DrawGroupTexts(const std::u16string& t1, const std::u16string& t2, const std::u16string& t3, int y) const {
    c.Brush.Style = bsClear;
    c.Brush.Color = clNone;
    const auto& slot = bc.TextSlot;
    Text(r.Left + slot[0] + (slot[1] - slot[0] - c.TextWidth(t1)) / 2, y, t1);
    Text(r.Left + slot[2] + (slot[3] - slot[2] - c.TextWidth(t2)) / 2, y, t2);
    Text(r.Left + slot[4], bc.HasOption(boAddOnUp) ? r.Top : y, t3);
  }

  void Centred(const std::u16string& s, int y) const {
    const auto& slot = bc.TextSlot;
    Text(r.Left + slot[0] + (slot[1] - slot[0] - c.TextWidth(s)) / 2, y, s);
  }
};

}  // namespace

void PaintBarcodeTo(Canvas& c, const TRect& r, TksBarcodeComponent* bc) {
  if (bc) PaintBarCode(*bc, c, r);
}

namespace {

// The error boundary around the pipeline; `surface` as PaintSymbol takes it.
void PaintAtBoundary(TksBarcodeComponent& bc, Canvas& c, const TRect& r, const TRect* surface) {
  bc.ErrorInfo().Init();
  CanvasStateSaver saver(c);
  try {
    PaintSymbol(bc, c, r, surface);
  } catch (const ksBarcodeException& e) {
    // A failure raised without the error object is taken into it, so that every error
    // mode and every caller sees its code.
    if (bc.ErrorInfo().Code() == erOK) bc.ErrorInfo().Record(e);
    HandleException(bc.ErrorInfo(), c, r, e.what());
  }
}

// True when the encoded symbol has nothing dark to draw: a symbology drawn by the linear
// painter whose pattern holds no bar (no encoder, or bcNone).
bool DrawsNoBars(const TksBarcodeComponent& bc) {
  const SymbolPainter painter = CatalogueRow(bc.BarcodeSymbology()).painter;
  if (painter == SymbolPainter::Stacked || painter == SymbolPainter::Matrix) return false;
  for (const std::string& row : bc.Bars())
    for (char ch : row)
      if (IsDark(ch)) return false;
  return true;
}

}  // namespace

void PaintBarcodeImage(Canvas& c, const TRect& surface, const TRect& r, TksBarcodeComponent* bc) {
  if (bc) PaintAtBoundary(*bc, c, r, &surface);
}

void PaintBarCode(TksBarcodeComponent& bc, Canvas& c, const TRect& r) { PaintAtBoundary(bc, c, r, nullptr); }

void PaintSymbol(TksBarcodeComponent& bc, Canvas& c, const TRect& r, const TRect* surface) {
  if (bc.BarCode().empty()) bc.BarcodeRaiseStr(erEmptyCode, u"");
  if (!bc.GetBarcodeInfo().Supported) bc.BarcodeRaiseStr(erNotSupported, u"");

  const TPoint centre = r.Center();
  if (bc.HasOption(boTransparent)) {
    c.BkMode = bkTransparent;
  } else {
    const bool reversed = bc.HasOption(boReflectanceReversal);
    TColor bg = reversed ? bc.LinesColor() : bc.BackgroundColor();
    c.Brush.Color = bg;
    c.Brush.Style = bsSolid;
    c.Pen.SetColor(bg);
    // A reversed symbol reads only inside a quiet zone of the reversed background
    // colour: in an image that is everything outside the symbol, margins included.
    FillRotatedRect(c, reversed && surface ? *surface : r, centre, true, 0);
    c.BkMode = bkOpaque;
  }

  const int w = r.Width(), h = r.Height();
  const bool quarter = (bc.Angle() / 90) % 2 != 0;
  const int l1 = quarter ? h : w, l2 = quarter ? w : h;
  TRect s{centre.X - l1 / 2, centre.Y - l2 / 2, centre.X + l1 / 2, centre.Y + l2 / 2};

  bc.EncodeBars(bc.BarCode());
  if (bc.Bars().empty()) bc.BarcodeRaiseStr(erErrorInBarCode, u"");
  // An image of a symbology that draws no bars would hold no barcode at all.
  if (surface && DrawsNoBars(bc)) bc.BarcodeRaiseStr(erNoSymbology, u"");
  for (char ch : bc.Bars().front()) {
    if (ch != ' ') break;
    ++s.Left;
  }

  PaintCaption(bc.CaptionUpper(), c, s, centre, s.Width());
  PaintCaption(bc.CaptionBottom(), c, s, centre, s.Width());
  PaintQuietZone(bc.QuietZone(), c, s);

  switch (CatalogueRow(bc.BarcodeSymbology()).painter) {
    case SymbolPainter::None:
      break;
    case SymbolPainter::Stacked:
      BuildPdf417Rows(bc, bc.Bars());
      PaintPdf417(c, s, bc, centre);
      break;
    case SymbolPainter::Matrix: {
      // Less than a pixel per module would lose modules: as small a box as for a
      // linear symbol narrower than its pattern.
      const TksMatrix& m = bc.Pixels();
      if ((s.Width() < m.NC || s.Height() < m.NR) && !bc.HasOption(boPaintIfSmall))
        bc.BarcodeRaiseStr(erSmallPaintBox, u"");
      Paint(bc.Pixels(), c, s, centre, bc);
      break;
    }
    case SymbolPainter::Linear:
      PaintLinear(bc, c, s, centre, bc.BarCode());
      break;
  }
}

namespace {

// The text whose width sets the automatic size of the human-readable font: the part
// that has to fit between text slots 0 and 1.
std::u16string FontSample(HumanLayout layout, const std::u16string& text, const std::u16string& shown) {
  switch (layout) {
    case HumanLayout::Ean8: return Sub(text, 1, 4);
    case HumanLayout::Ean13: case HumanLayout::UpcE0: case HumanLayout::UpcE1: return Sub(text, 2, 7);
    case HumanLayout::UpcA: return Sub(text, 2, 6);
    case HumanLayout::UpcShipping: return text + u"     ";
    case HumanLayout::Opc: return text + u"--";
    case HumanLayout::Centred: return shown;
  }
  return shown;
}

// Selects the human-readable font, sized to fit its slots when it sizes itself and
// within its share of the box height; answers the height of its text.
int SizeHumanFont(TksBarcodeComponent& bc, Canvas& c, const TRect& r, HumanLayout layout,
                  const std::u16string& text, const std::u16string& shown) {
  const TksBarcodeCaption& human = bc.CaptionHuman();
  // The caption's font is measured for the automatic size (the choice the layout allows:
  // it does not depend on what an earlier caption left on the canvas).
  SelectFont(c, human.Font());
  if (human.AutoSize()) {
    int w = c.TextWidth(FontSample(layout, text, shown));
    if (w > 0) {
      double size = FontSize(c) * 0.95 * (bc.TextSlot[1] - bc.TextSlot[0]) / w;
      SetFontSize(c, static_cast<int>(InRange(size)));
    }
  }
  const int boxHeight = r.Height();
  const int size = FontSize(c);
  double ratio = boxHeight > 0 ? size * 100.0 / boxHeight : HUGE_VAL;
  if (human.MaxHeight() > 0 && human.MaxHeight() < ratio)
    SetFontSize(c, std::isfinite(ratio) ? Round(InRange(size * 0.9 * human.MaxHeight() / ratio)) : 0);
  return c.TextHeight(text);
}

// What the bars leave for the parts drawn after them.
struct BarsDrawn {
  int firstRun = 0;   // width in pixels of the first run of modules
  int lastBottom = 0;  // the room the last bar left free below it
};

// Draws the bars of a zoomed pattern (ending in a light module that closes the last
// run) at their heights: postal bars by their letters, the others full height less the
// room of the human-readable line (th high, z when shown) and of an add-on above.
BarsDrawn PaintBars(TksBarcodeComponent& bc, Canvas& c, const TRect& r, TPoint centre, const std::string& p,
                    const SymbologyRow& row, int th, int z) {
  BarsDrawn drawn;
  const int a = r.Height() - z;
  // The run counter starts at 1 so that a leading light module closes an empty run;
  // a pattern that begins with a bar starts from 0, else its first bar would be drawn
  // one pixel left of the symbol rectangle.
  int n = ClosesRun(p.front()) ? 1 : 0, T = 0, B = 0;
  char q = '0';
  bool x = false;
  const bool postal = row.Has(capHeightModulated);
  const bool visible = bc.CaptionHuman().Visible();
  BarFiller bars(c, centre, bc.Angle());
  for (int i = 1; i <= static_cast<int>(p.size()); ++i) {
    const char ch = p[i - 1];
    if (!x && q == 'X') x = true;
    if (ClosesRun(ch) && n > 0) {
      if (postal) {
        T = 0;
        B = 0;
        switch (q) {
          case 'M': T = a / 2; break;
          case 'A': case 'H': B = a / 3; break;
          case 'D': T = a / 3; break;
          case 'S': case 'T': T = a / 3; B = a / 3; break;
          default: break;
        }
        B += z;
      } else {
        if (q == '2' && bc.HasOption(boStartStopLines)) B = GuardsHalfIntoText(row.humanLayout) ? th / 2 : 0;
        else B = (visible || q == '3') ? th : 0;
        if (x && bc.HasOption(boAddOnUp)) T = th;
      }
      if (q != '0') {
        bars.Add({r.Left + i - n - 1, r.Top + T, r.Left + i - 1, r.Bottom - B});
        drawn.lastBottom = B;
      }
      if (drawn.firstRun == 0) drawn.firstRun = n;
      n = 0;
    }
    if (IsDark(ch)) ++n;
    q = ch;
  }
  bars.Flush();
  return drawn;
}

// The ITF bearer frame around a pattern of `modules` pixels, closed on all four sides.
// Its upright sides stand just outside the pattern's ten-module quiet zones, because a
// frame drawn over the quiet zones leaves too little of them for scanners to find the
// code: the left one in the room the leading blanks gave the symbol, the right one in
// the room kept free beside the pattern.
void PaintBearerFrame(Canvas& c, const TRect& r, TPoint centre, double angle, int modules, const BarsDrawn& bars,
                      TColor color) {
  const int N = modules;
  const int b = 4 * bars.firstRun;
  const int B = bars.lastBottom;
  const int x0 = r.Left - b, x1 = r.Left + N - 1 + b;
  c.Brush.Color = color;
  c.Brush.Style = bsSolid;
  FillRotatedRect(c, {x0, r.Top, x1, r.Top + b}, centre, true, angle);
  FillRotatedRect(c, {x0, r.Bottom - B - b, x1, r.Bottom - B}, centre, true, angle);
  FillRotatedRect(c, {x0, r.Top, r.Left, r.Bottom - B}, centre, true, angle);
  FillRotatedRect(c, {r.Left + N - 1, r.Top, x1, r.Bottom - B}, centre, true, angle);
}

// Writes the human-readable line `s` (the data text as shown) under the bars, laid out
// by the symbology's layout.
void PaintHumanLine(TksBarcodeComponent& bc, Canvas& c, const TRect& r, TPoint centre, HumanLayout layout,
                    const std::u16string& s, int th) {
  const TksBarcodeCaption& human = bc.CaptionHuman();
  const double angle = bc.Angle();
  SelectFont(c, human.Font());
  if (human.AutoSize()) c.Font.SetHeight(th);
  SetRotatedFont(c.Font, angle, 0);
  const int y = r.Bottom - th;
  c.Brush.Style = bsClear;
  c.Brush.Color = clNone;
  LinearLayout lay{bc, c, r, centre, angle};
  switch (layout) {
    case HumanLayout::Ean8:
      lay.DrawGroupTexts(Sub(s, 1, 4), Sub(s, 5, 8), Sub(s, 10, 14), y);
      break;
    case HumanLayout::Ean13:
      lay.Text(r.Left, y, Ch(s, 1));
      lay.DrawGroupTexts(Sub(s, 2, 7), Sub(s, 8, 13), Sub(s, 15, 19), y);
      break;
    case HumanLayout::UpcA:
      lay.Text(r.Left, y, Ch(s, 1));
      lay.DrawGroupTexts(Sub(s, 2, 6), Sub(s, 7, 11), Sub(s, 14, 18), y);
      lay.Text(r.Left + bc.TextSlot[5], y, Ch(s, 12));
      break;
    case HumanLayout::UpcE0:
    case HumanLayout::UpcE1: {
      lay.DrawGroupTexts(Sub(s, 2, 7), u"", Sub(s, 10, 14), y);
      SetFontSize(c, Round(FontSize(c) * 0.75));
      SetRotatedFont(c.Font, angle, 0);
      const int y2 = r.Bottom - c.TextHeight(u"1");
      std::u16string system = Ch(s, 1), check = Ch(s, 8);
      if (layout == HumanLayout::UpcE1) {
        // UPC-E1 symbols carry number system 1 and its check digit: print what a
        // scanner reads, not the stored number system 0.
        system = u"1";
        check = std::u16string(1, CheckDigitUPC(ExpandUpcE(u"1" + Sub(s, 2, 7))));
      }
      lay.Text(r.Left, y2, system);
      lay.Text(r.Left + bc.TextSlot[5], y2, check);
      break;
    }
    case HumanLayout::UpcShipping:
      lay.DrawGroupTexts(Ch(s, 1) + u"  " + Sub(s, 2, 3) + u"  " + Sub(s, 4, 8) + u"  " + Sub(s, 9, 13) + u"  " +
                             Ch(s, 14),
                         u"", Sub(s, 16, 21), y);
      break;
    case HumanLayout::Opc:
      lay.Centred(Sub(s, 1, 5) + u"-" + Sub(s, 6, 9) + u"-" + Ch(s, 10), y);
      break;
    case HumanLayout::Centred:
      if (bc.TextSlot[1] == 0) bc.TextSlot[1] = r.Right - r.Left;
      lay.Centred(s, y);
      break;
  }
}

}  // namespace

void PaintLinear(TksBarcodeComponent& bc, Canvas& c, const TRect& r, TPoint centre, std::u16string text) {
  const SymbologyRow& row = CatalogueRow(bc.BarcodeSymbology());
  const TksBarcodeCaption& human = bc.CaptionHuman();
  std::string p = bc.Bars().empty() ? std::string() : bc.Bars().front();

  // A book number is shown as the EAN-13 it stands for.
  if (row.bookNumber != BookNumber::None) text = BookNumberEan13(text, row.bookNumber);
  // The ITF bearer frame's right side needs room right of the pattern's quiet zone; its
  // left side stands in the room the leading blanks gave the symbol.
  const int aWidth = r.Width() - BearerFrameRoom(bc);
  if (aWidth < static_cast<int>(p.size()) && !bc.HasOption(boPaintIfSmall)) bc.BarcodeRaiseStr(erSmallPaintBox, u"");
  const std::u16string shown = row.humanPrefix + text;
  if (!p.empty()) p = bc.Zoom(p, aWidth, bc.HasOption(boSecurity));

  const TColor barColor = bc.HasOption(boReflectanceReversal) ? bc.BackgroundColor() : bc.LinesColor();
  c.Pen.SetWidth(1);
  c.Pen.SetColor(barColor);
  c.Brush.Color = barColor;
  c.Brush.Style = bsSolid;

  const int th = SizeHumanFont(bc, c, r, row.humanLayout, text, shown);
  const int z = human.Visible() ? th : 0;
  BarsDrawn bars;
  if (!p.empty()) {
    p += '0';  // closes the last run
    bars = PaintBars(bc, c, r, centre, p, row, th, z);
    if (row.Has(capBearerFrame))
      PaintBearerFrame(c, r, centre, bc.Angle(), static_cast<int>(p.size()), bars, barColor);
  }
  if (human.Visible()) PaintHumanLine(bc, c, r, centre, row.humanLayout, shown, th);
  if (bc.HorzLines().LinesCount() > 0) PaintHorzLines(bc.HorzLines(), c, r);
}

int BearerFrameRoom(const TksBarcodeComponent& bc) {
  return CatalogueRow(bc.BarcodeSymbology()).Has(capBearerFrame) ? kBearerWidth : 0;
}

int MinPaintWidth(TksBarcodeComponent& bc) {
  long long w = bc.MinWidth();
  if (bc.GetBarcodeInfo().SymbolType != stMatrix && bc.GetBarcodeInfo().SymbolType != stStacked) {
    const std::string& row = bc.Bars().empty() ? std::string() : bc.Bars().front();
    w += static_cast<long long>(std::min(row.find_first_not_of(' '), row.size())) + BearerFrameRoom(bc);
  }
  w += w % 2;
  return static_cast<int>(std::min<long long>(w, INT32_MAX - 1));
}

// ---- decorations -------------------------------------------------------------------

void PaintCaption(const TksBarcodeCaption& cap, Canvas& c, TRect& rect, TPoint centre, int width) {
  const auto& lines = cap.Text();
  if (!cap.Visible() || lines.empty()) return;
  const TksBarcodeComponent* bc = cap.ParentBarcode();
  const double angle = bc ? bc->Angle() : 0;
  c.Brush.Color = cap.BgColor();
  TRect L = rect;
  L.Right = L.Left + width;
  if (!cap.ParentFont()) SelectFont(c, cap.Font());
  c.Font.CharWidth = 0;
  const int count = static_cast<int>(lines.size());
  if (cap.MaxHeight() > 0) {
    const long long h = Coordinate(MulDiv64(c.TextHeight(u"A"), cap.LineSpacing() + 100LL, 100));
    const long long p = MulDiv64(100, count * h, static_cast<long long>(L.Bottom) - L.Top);
    if (p > cap.MaxHeight())
      SetFontSize(c, MulDiv(FontSize(c), cap.MaxHeight(), static_cast<int>(std::min<long long>(p, INT32_MAX))));
  }
  int cw = 0;
  if (cap.AutoSize()) {
    // Stretch the characters so that the longest line fills the width: the average
    // character width grows by the ratio of the width to the line's natural width.
    int m = MaxLineWidth(c, lines);
    if (m > 0) cw = std::max(1, MulDiv(c.AverageCharWidth(), rect.Right - rect.Left, m));
  }
  SetRotatedFont(c.Font, angle, cw);
  const long long h = Coordinate(MulDiv64(c.TextHeight(u"A"), cap.LineSpacing() + 100LL, 100));
  const long long T = count * h;
  if (cap.Position() == cpUpper) {
    L.Bottom = Coordinate(L.Top + T);
    rect.Top = Coordinate(L.Bottom + 1LL);
  } else {
    L.Top = Coordinate(L.Bottom - T);
    rect.Bottom = Coordinate(L.Top - 1LL);
  }
  if (bc && bc->HasOption(boReflectanceReversal)) {
    c.Font.SetColor(clWhite);
    c.Brush.Color = bc->LinesColor();
  } else {
    c.Brush.Color = cap.BgColor();
  }
  c.Brush.Style = c.Brush.Color == clNone ? bsClear : bsSolid;
  long long top = L.Top;
  for (const auto& line : lines) {
    const long long w = c.TextWidth(line);
    long long x = L.Left;
    if (cap.Alignment() == taRightJustify) x = L.Right - w;
    else if (cap.Alignment() == taCenter) x = L.Left + (static_cast<long long>(L.Right) - L.Left - w) / 2;
    TextOutRotated(c, Coordinate(x), Coordinate(top), line, angle, centre);
    top += h;
  }
}

void PaintQuietZone(const TksQuietZone& qz, Canvas& c, TRect& R) {
  if (!qz.Visible()) return;
  const int W = R.Width(), H = R.Height();
  // SetZone stores sides without a range check; beyond 100 % a side only moves the box
  // further out of the rectangle.
  auto side = [&](int i) { return std::min(qz.Space(i), 100); };
  if (qz.Space(0) > 0) R.Left += MulDiv(W, side(0), 100);
  if (qz.Space(2) > 0) R.Right -= MulDiv(W, side(2), 100);
  if (qz.Space(1) > 0) R.Top += MulDiv(H, side(1), 100);
  if (qz.Space(3) > 0) R.Bottom -= MulDiv(H, side(3), 100);
  // An indicator of more than the whole zone leaves nothing inside it either way; the
  // size counts at most 100 % so that the corners stay in coordinate range.
  const int size = std::clamp(qz.IndicatorSize(), -100, 100);
  const int dx = MulDiv(size, W, 100), dy = MulDiv(size, H, 100);
  const TRect I{R.Left + dx, R.Top + dy, R.Right - dx, R.Bottom - dy};
  if (qz.IndicatorSize() > 0 && qz.Style() != qzNone) {
    c.Pen.Assign(qz.Pen());
    c.Brush.Style = bsSolid;
    c.Brush.Color = clBlack;
    const std::vector<TPoint> corners[4] = {
        {{I.Left, R.Top}, {I.Left, I.Top}, {R.Left, I.Top}},
        {{I.Left, R.Bottom}, {I.Left, I.Bottom}, {R.Left, I.Bottom}},
        {{I.Right, R.Bottom}, {I.Right, I.Bottom}, {R.Right, I.Bottom}},
        {{I.Right, R.Top}, {I.Right, I.Top}, {R.Right, I.Top}},
    };
    switch (qz.Style()) {
      case qzLines:
        c.Brush.Style = bsClear;
        for (const auto& pts : corners) c.Polyline(pts);
        break;
      case qzTriangel:
        for (const auto& pts : corners) c.Polygon(pts);
        break;
      case qzRectangle:
        c.Rectangle({R.Left, R.Top, I.Left, I.Top});
        c.Rectangle({R.Left, I.Bottom, I.Left, R.Bottom});
        c.Rectangle({I.Right, I.Bottom, R.Right, R.Bottom});
        c.Rectangle({I.Right, R.Top, R.Right, I.Top});
        break;
      default:
        break;
    }
  }
  R = I;
}

void PaintHorzLines(const TksHorzLines& lines, Canvas& c, const TRect& r) {
  const int count = lines.LinesCount();
  if (count <= 0) return;
  TksPen saved(c.Pen);
  c.Pen.SetColor(lines.Color());
  c.Pen.SetStyle(lines.Style());
  c.Pen.SetMode(lines.Mode());
  c.Pen.SetWidth(lines.Width());
  const int step = static_cast<int>((r.Bottom - r.Top) / (count + 1LL));
  struct Restore {
    Canvas& c;
    const TksPen& p;
    ~Restore() { c.Pen.Assign(p); }
  } restore{c, saved};
  // With more lines than pixel rows the step is 0 and every line lies on the top edge.
  // Drawing one again changes nothing, except under the pen modes that invert, where
  // only the count's parity counts: one or two lines give the same pixels as millions.
  const int drawn = step != 0 ? count : 2 - count % 2;
  for (int i = 1; i <= drawn; ++i) c.Line({r.Left, r.Top + i * step}, {r.Right, r.Top + i * step});
}

// ---- error display -------------------------------------------------------------------

void HandleException(TksBarcodeError& err, Canvas& c, const TRect& r, const std::string& ownMessage) {
  TksBarcodeComponent* bc = err.Barcode();
  const TksBarcodeErrorMode mode = err.Mode();
  if (bc && bc->BarCode().empty() && mode == emHideIfEmpty) return;
  if (mode == emHideOnError) return;
  TksGrShapes shapes = 1u << gsBorder;
  if (mode == emDrawErrorString) shapes |= 1u << gsMSG;
  if (mode == emPaintRedCross) shapes |= 1u << gsCross;
  if (mode == emPaintRedBrush) shapes |= 1u << gsBrush;
  // An exception that never reached an error object (its code still erOK): show its message.
  const bool own = err.Code() == erOK && !ownMessage.empty();
  switch (mode) {
    case emStandardRaise: {
      std::string full = err.ExceptionStringFull();
      if (own) full = full.substr(0, full.size() - err.ExceptionString().size()) + ownMessage;
      throw Exception(err.Code(), full, err.HelpIndex());
    }
    case emDrawErrorString:
    case emPaintRedCross:
    case emPaintRedBrush:
      DrawErrorGraphic(err, c, r, own ? ownMessage : err.ExceptionString(), shapes);
      break;
    case emExtendedRaise:
      throw EAbort();
    default:
      break;
  }
}

void DrawErrorGraphic(TksBarcodeError& err, Canvas& c, const TRect& r, const std::string& msg, TksGrShapes shapes) {
  const int W = r.Width(), H = r.Height();
  const TPoint ctr = r.Center();
  const double angle = err.Barcode() ? err.Barcode()->Angle() : 0;
  auto has = [&](TksGrShape s) { return (shapes & (1u << s)) != 0; };
  c.Pen.SetColor(clRed);
  c.Pen.SetWidth(1);
  c.Pen.SetStyle(psSolid);
  c.Brush.Color = clMoneyGreen;
  c.Brush.Style = bsSolid;
  if (has(gsBorder)) {
    c.Rectangle(r);
    c.FillRect(r);
  }
  if (has(gsCross)) {
    c.Line({r.Left, r.Top}, {r.Right, r.Bottom});
    c.Line({r.Left, r.Bottom}, {r.Right, r.Top});
  }
  if (has(gsBrush)) {
    c.Brush.Color = clRed;
    c.Brush.Style = bsDiagCross;
    c.Pen.SetColor(clRed);
    c.Pen.SetStyle(psSolid);
    c.Pen.SetWidth(1);
    c.Rectangle(r);
    c.FillRect(r);
  }
  if (has(gsMSG) && !msg.empty()) {
    const std::u16string text = FromUtf8(msg);
    c.Font.SetColor(has(gsBrush) ? clYellow : clRed);
    int size = H / 15;
    SetFontSize(c, size);
    const int lh = MulDiv(c.TextHeight(u"M"), 11, 10);
    const int offset = MulDiv(lh, 30, 20);
    int y = ctr.Y - offset;
    c.Brush.Style = bsClear;
    c.Font.SetStyle((1u << fsBold) | (1u << fsUnderline));
    SetRotatedFont(c.Font, angle, 0);
    const std::u16string heading = u"Chyba :";
    int w = c.TextWidth(heading);
    TextOutRotated(c, ctr.X - w / 2, y, heading, angle, ctr);
    y += lh;
    c.Font.SetStyle(0);
    SetRotatedFont(c.Font, angle, 0);
    y += lh;
    w = c.TextWidth(text);
    if (w >= W && w > 0) {
      size = size * W / w;
      SetFontSize(c, size);
      w = c.TextWidth(text);
    }
    TextOutRotated(c, ctr.X - w / 2, y, text, angle, ctr);
  }
}

}  // namespace ks
