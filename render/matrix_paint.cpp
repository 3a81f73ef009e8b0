#include "render/matrix_paint.h"

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

  for (int col = 0; col < m.NC; ++col) {
    for (int row = 0; row < m.NR; ++row) {
      const int x = flipH ? m.NC - 1 - col : col;
      const int y = flipV ? m.NR - 1 - row : row;
      const int parity = (static_cast<int>(m.GetPoint2D(x, y)) - '0') % 2;
      // Codes below '0' (never written by an encoder) show up in red.
      const TColor color = parity == 0 ? light : parity == 1 ? dark : clRed;
      if (transparent && color == light) continue;

      const TRect cell{MulDiv(col, m.Zoom1, m.Zoom2) + r.Left, MulDiv(row, m.Zoom1, m.Zoom2) + r.Top,
                       MulDiv(col + 1, m.Zoom1, m.Zoom2) + r.Left, MulDiv(row + 1, m.Zoom1, m.Zoom2) + r.Top};
      c.Brush.Color = color;
      if (angle == 0)
        c.FillRect(cell);
      else
        FillRotatedRect(c, cell, rc, true, angle);
    }
  }
}

}  // namespace ks
