#include "render/matrix_paint.h"

#include <algorithm>
#include <vector>

#include "engine/barcode.h"

namespace ks {

void Paint(TksMatrix& m, Canvas& c, const TRect& r, TPoint rc, const TksBarcodeComponent& bc) {
  TColor dark = bc.LinesColor();
  TColor light = bc.BackgroundColor();
  if (bc.HasOption(boReflectanceReversal)) std::swap(dark, light);
  const bool flipH = bc.HasOption(boFlipHorizontal);
  const bool flipV = bc.HasOption(boFlipVertical);
  const bool transparent = bc.HasOption(boTransparent);
  const int angle = bc.Angle();

  m.SetDrawingParams(r);
  c.Pen.SetStyle(psClear);
  c.Brush.Style = bsSolid;

  auto fill = [&](const TRect& cell, TColor color) {
    c.Brush.Color = color;
    if (angle == 0)
      c.FillRect(cell);
    else
      FillRotatedRect(c, cell, rc, true, angle);
  };
  // On a canvas that turns fills into pixels, the cells of one colour that follow each
  // other down a column are filled as one rectangle: the same pixels in far fewer fills.
  const bool merge = c.PixelExact();
  // Pixel edges of the rows, worked out once rather than for every cell.
  std::vector<int> rowEdge(static_cast<size_t>(std::max(m.NR, 0)) + 1);
  for (int row = 0; row <= m.NR; ++row) rowEdge[row] = MulDiv(row, m.Zoom1, m.Zoom2) + r.Top;
  for (int col = 0; col < m.NC; ++col) {
    const int left = MulDiv(col, m.Zoom1, m.Zoom2) + r.Left;
    const int right = MulDiv(col + 1, m.Zoom1, m.Zoom2) + r.Left;
    bool pending = false;
    TRect run{};
    TColor runColor = 0;
    for (int row = 0; row < m.NR; ++row) {
      const int x = flipH ? m.NC - 1 - col : col;
      const int y = flipV ? m.NR - 1 - row : row;
      const int parity = (static_cast<int>(m.GetPoint2D(x, y)) - '0') % 2;
      // Codes below '0' (never written by an encoder) show up in red.
      const TColor color = parity == 0 ? light : parity == 1 ? dark : clRed;
      if (transparent && color == light) {
        if (pending) fill(run, runColor);
        pending = false;
        continue;
      }

      const TRect cell{left, rowEdge[row], right, rowEdge[row + 1]};
      if (!merge) {
        fill(cell, color);
        continue;
      }
      if (pending && color == runColor && cell.Top == run.Bottom) {
        run.Bottom = cell.Bottom;
        continue;
      }
      if (pending) fill(run, runColor);
      run = cell;
      runColor = color;
      pending = true;
    }
    if (pending) fill(run, runColor);
  }
}

}  // namespace ks
