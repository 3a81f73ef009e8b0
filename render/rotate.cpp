#include <algorithm>
#include <cmath>
#include <numbers>

#include "render/canvas.h"

namespace ks {

TPoint RotatePoint(TPoint p, TPoint centre, double angle) {
  const int dx = p.X - centre.X, dy = p.Y - centre.Y;
  // Right angles, the only ones a barcode takes, turn exactly in integers (cosine and
  // sine are 0 or +-1); every painted rectangle comes through here.
  const long long whole = std::abs(angle) < 1e9 ? static_cast<long long>(angle) : 0;
  if (static_cast<double>(whole) == angle && whole % 90 == 0)
    return TurnQuarters(p, centre, static_cast<int>((whole / 90 % 4 + 4) % 4));
  // Exact values for right angles keep rectangles on whole pixels.
  double a = angle * std::numbers::pi / 180.0;
  double c = std::cos(a), s = std::sin(a);
  double m = std::fmod(angle, 90.0);
  if (m == 0.0) {
    c = std::round(c);
    s = std::round(s);
  }
  return {centre.X + Round(dx * c + dy * s), centre.Y + Round(-dx * s + dy * c)};
}

void FillRotatedRect(Canvas& c, const TRect& r, TPoint centre, bool fill, double angle) {
  // Painters call this once per bar: the corner list is reused instead of allocated.
  thread_local std::vector<TPoint> pts(4);
  pts.resize(4);
  pts[0] = RotatePoint({r.Left, r.Top}, centre, angle);
  pts[1] = RotatePoint({r.Right, r.Top}, centre, angle);
  pts[2] = RotatePoint({r.Right, r.Bottom}, centre, angle);
  pts[3] = RotatePoint({r.Left, r.Bottom}, centre, angle);
  if (fill) {
    c.Pen.SetStyle(psClear);
  } else {
    c.Pen.SetStyle(psSolid);
    c.Brush.Style = bsClear;
  }
  c.Polygon(pts);
}

void Canvas::FillRotatedRects(const std::vector<TRect>& rects, TPoint centre, double angle) {
  for (const TRect& r : rects) FillRotatedRect(*this, r, centre, true, angle);
}

void TextOutRotated(Canvas& c, int x, int y, const std::u16string& text, double angle, TPoint centre) {
  TPoint p = RotatePoint({x, y}, centre, angle);
  c.BkMode = c.Brush.Color == clNone ? bkTransparent : bkOpaque;
  c.TextOut(p.X, p.Y, text);
}

void SetRotatedFont(TksFont& font, double angle, int width) {
  font.Escapement = static_cast<int>(std::lround(angle * 10.0));
  font.CharWidth = width;
}

int MaxLineWidth(Canvas& c, const std::vector<std::u16string>& lines) {
  int w = 0;
  for (const auto& l : lines) w = std::max(w, c.TextWidth(l));
  return w;
}

}  // namespace ks
