#include <algorithm>
#include <cmath>
#include <numbers>

#include "render/canvas.h"

namespace ks {

TPoint RotatePoint(TPoint p, TPoint centre, double angle) {
  // Exact values for right angles keep rectangles on whole pixels.
  double a = angle * std::numbers::pi / 180.0;
  double c = std::cos(a), s = std::sin(a);
  double m = std::fmod(angle, 90.0);
  if (m == 0.0) {
    c = std::round(c);
    s = std::round(s);
  }
  const double dx = p.X - centre.X, dy = p.Y - centre.Y;
  return {centre.X + Round(dx * c + dy * s), centre.Y + Round(-dx * s + dy * c)};
}

void FillRotatedRect(Canvas& c, const TRect& r, TPoint centre, bool fill, double angle) {
  std::vector<TPoint> pts = {RotatePoint({r.Left, r.Top}, centre, angle),
                             RotatePoint({r.Right, r.Top}, centre, angle),
                             RotatePoint({r.Right, r.Bottom}, centre, angle),
                             RotatePoint({r.Left, r.Bottom}, centre, angle)};
  if (fill) {
    c.Pen.SetStyle(psClear);
  } else {
    c.Pen.SetStyle(psSolid);
    c.Brush.Style = bsClear;
  }
  c.Polygon(pts);
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
