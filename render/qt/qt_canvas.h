// The canvas over QPainter: images, the screen, printers, SVG and PDF. Polygons and
// rectangles are filled without antialiasing so bars land on exact pixels; text is
// antialiased.
#pragma once

#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <optional>
#include <string>

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
  // Raster devices painted without a transform.
  bool PixelExact() const override;
  // Straight into the image's pixels when FillDirect can, with the painter's state
  // looked at once for all of them.
  void FillRotatedRects(const std::vector<TRect>& rects, TPoint centre, double angle) override;

  QPainter* Painter() const { return p_; }

 private:
  QBrush CurrentBrush() const;
  QPen CurrentPen() const;
  // The QFont and metrics of the canvas font; the last one is kept, since painting
  // measures and writes with one font many times in a row.
  const QFont& CurrentFont();
  const QFontMetrics& CurrentMetrics();
  // Fills r (right/bottom exclusive) with the solid brush straight into the image's
  // pixels when that gives exactly what QPainter would (an unshared 32-bit image, no
  // transform, clip or composition mode); false when QPainter has to do it.
  bool FillDirect(const TRect& r);
  // Whether FillDirect may write pixels now; FillPixels then writes them.
  bool DirectFillable();
  void FillPixels(const TRect& r);

  QPainter* p_;
  int ppi_;

  // The pixels FillDirect writes to, found once per paint device.
  struct Target {
    QPaintDevice* device = nullptr;
    uchar* bits = nullptr;  // null: not an image that can be written directly
    qsizetype stride = 0;
    int width = 0, height = 0;
  };
  Target target_;

  struct FontKey {
    std::string name;
    int height = 0;
    TFontStyles style = 0;
    int charWidth = 0;
    bool operator==(const FontKey&) const = default;
  };
  bool haveFont_ = false;
  FontKey fontKey_;
  QFont font_;
  std::optional<QFontMetrics> metrics_;
};

}  // namespace ks
