#include "render/pdf417_paint.h"

#include <array>
#include <cstdint>
#include <vector>

#include "engine/barcode.h"

namespace ks {

void PaintPdf417(Canvas& c, const TRect& r, TksBarcodeComponent& bc, TPoint centre) {
  const std::vector<std::string>& rows = bc.Bars();
  if (rows.empty()) return;
  const int width = r.Right - r.Left;
  // Every module needs a pixel: a row narrower than its modules, or fewer pixel rows
  // than symbol rows, would lose some of them.
  if ((static_cast<int>(rows.front().size()) > width || static_cast<long long>(rows.size()) > r.Bottom - r.Top) &&
      !bc.HasOption(boPaintIfSmall))
    bc.BarcodeRaiseStr(erSmallPaintBox, u"");

  // With reflectance reversal the pipeline has filled the background with LinesColor.
  const TColor bar = bc.HasOption(boReflectanceReversal) ? bc.BackgroundColor() : bc.LinesColor();
  c.Pen.SetColor(bar);
  c.Pen.SetWidth(1);
  c.Pen.SetStyle(psSolid);
  c.Pen.SetMode(pmCopy);
  c.Brush.Color = bar;
  c.Brush.Style = bsSolid;

  const int n = static_cast<int>(rows.size());
  const int height = r.Bottom - r.Top;
  const bool security = bc.HasOption(boSecurity);
  const double angle = bc.Angle();
  // Zoom scales the text slots by the module width every time it runs. No text belongs
  // to the rows of a PDF417 symbol, so every row is zoomed from the same slots and they
  // are left as they were, rather than scaled once per row (which overflows on tall
  // symbols).
  const auto slots = bc.TextSlot;
  struct RestoreSlots {
    TksBarcodeComponent& bc;
    const std::array<int32_t, 6>& slots;
    ~RestoreSlots() { bc.TextSlot = slots; }
  } restore{bc, slots};
  // Row heights: H pixels shared by N rows, at most one pixel apart, first rows taller.
  long long acc = 0;
  int top = r.Top;
  std::vector<TRect> bars;  // the runs of bars of one row
  for (const std::string& row : rows) {
    acc -= height;
    int h = 0;
    while (acc < 0) {
      acc += n;
      ++h;
    }
    if (h == 0) continue;  // more rows than pixels: this row gets none
    bc.TextSlot = slots;
    const std::string pixels = bc.Zoom(row, width, security);
    const int len = static_cast<int>(pixels.size());
    bars.clear();
    for (int x = 0; x < len;) {
      if (pixels[x] == '0') {
        ++x;
        continue;
      }
      int end = x + 1;
      while (end < len && pixels[end] != '0') ++end;
      bars.push_back({r.Left + x, top, r.Left + end, top + h});
      x = end;
    }
    c.FillRotatedRects(bars, centre, angle);
    top += h;
  }
}

void PaintPdf417(Canvas& c, const TRect& r, TksBarcodeComponent& bc) { PaintPdf417(c, r, bc, r.Center()); }

}  // namespace ks
