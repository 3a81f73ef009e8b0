// The canvas over QPainter: images, the screen, printers, SVG and PDF. Polygons and
// rectangles are filled without antialiasing so bars land on exact pixels; text is
// antialiased.
#pragma once

#include <QFont>
#include <QPainter>

#include "render/canvas.h"

namespace ks {

QColor ToQColor(TColor c);
// The QFont a logical font description gives at a resolution (pixel size from Height:
// negative = character height, positive = cell height; stretch from CharWidth).
QFont ToQFont(const TksFont& f);

class QtCanvas : public Canvas {
 public:
  // `painter` must be active; `ppi` is the device's resolution (96 for images/screen).
  explicit QtCanvas(QPainter* painter, int ppi = kScreenPixelsPerInch);

  void Polygon(const std::vector<TPoint>& pts) override;
  void Rectangle(const TRect& r) override;
  void FillRect(const TRect& r) override;
  void Line(TPoint a, TPoint b) override;
  void Polyline(const std::vector<TPoint>& pts) override;
  void TextOut(int x, int y, const std::u16string& text) override;
  int TextWidth(const std::u16string& text) override;
  int TextHeight(const std::u16string& text) override;
  int AverageCharWidth() override;
  int PixelsPerInch() const override { return ppi_; }

  QPainter* Painter() const { return p_; }

 private:
  QBrush CurrentBrush() const;
  QPen CurrentPen() const;
  QFont CurrentFont() const;
  QPainter* p_;
  int ppi_;
};

}  // namespace ks
