// The drawing surface every painter uses, with the semantics of a GDI device context:
// a pen, a brush (solid, clear, diagonal cross hatch), a logical font with escapement,
// a background mode, polygons filled without antialiasing, right/bottom-exclusive
// rectangles and text measuring. Implementations: the QPainter canvas (images, screen,
// printers, SVG, PDF), the metafile recorder (EMF/WMF) and the recording canvas (tests).
#pragma once

#include <string>
#include <vector>

#include "engine/decor.h"
#include "engine/ksmath.h"

namespace ks {

enum TBrushStyle : uint8_t { bsSolid, bsClear, bsDiagCross };
enum TBkMode : uint8_t { bkTransparent, bkOpaque };

struct TksBrush {
  TColor Color = clWhite;
  TBrushStyle Style = bsSolid;
};

class Canvas {
 public:
  virtual ~Canvas() = default;

  // Tools. The painter changes them directly; implementations read them at each call.
  TksPen Pen;
  TksBrush Brush;
  TksFont Font;
  TBkMode BkMode = bkOpaque;

  // Filled with the brush and outlined with the pen (either may be clear).
  virtual void Polygon(const std::vector<TPoint>& pts) = 0;
  // Outline with the pen, inside filled with the brush; right/bottom exclusive.
  virtual void Rectangle(const TRect& r) = 0;
  // Fills with the brush only, no outline.
  virtual void FillRect(const TRect& r) = 0;
  // Pen line from a to b; the end point is not drawn.
  virtual void Line(TPoint a, TPoint b) = 0;
  virtual void Polyline(const std::vector<TPoint>& pts) = 0;
  // Text with its top-left corner at (x, y), rotated by Font.Escapement (tenths of a
  // degree, counter-clockwise) about that corner; the box is filled with Brush.Color
  // when BkMode is opaque.
  virtual void TextOut(int x, int y, const std::u16string& text) = 0;
  virtual int TextWidth(const std::u16string& text) = 0;
  virtual int TextHeight(const std::u16string& text) = 0;
  // Average character width of the current font at its natural proportions.
  virtual int AverageCharWidth() { return TextWidth(u"x"); }
  // Dots per inch of the device: 96 for images and the screen, the printer's own else.
  virtual int PixelsPerInch() const { return kScreenPixelsPerInch; }
  // True when fills become device pixels at once (a bitmap): adjacent rectangles of one
  // colour then give the same pixels as one rectangle covering both, and painters may
  // draw them so. Canvases that record their calls (metafiles, tests) answer false and
  // receive every call as the painting rules describe it.
  virtual bool PixelExact() const { return false; }
  // Fills every rectangle turned by `angle` about `centre` with the brush, without
  // outline: the same as FillRotatedRect(*this, r, centre, true, angle) for each in
  // turn, which is what this does; a canvas may do it faster.
  virtual void FillRotatedRects(const std::vector<TRect>& rects, TPoint centre, double angle);
};

// Saves pen, brush, font and background mode and restores them on scope exit.
class CanvasStateSaver {
 public:
  explicit CanvasStateSaver(Canvas& c) : c_(c), pen_(c.Pen), brush_(c.Brush), font_(c.Font), bk_(c.BkMode) {}
  ~CanvasStateSaver() {
    c_.Pen.Assign(pen_);
    c_.Brush = brush_;
    c_.Font.Assign(font_);
    c_.Font.Escapement = font_.Escapement;
    c_.Font.CharWidth = font_.CharWidth;
    c_.BkMode = bk_;
  }
  CanvasStateSaver(const CanvasStateSaver&) = delete;
  CanvasStateSaver& operator=(const CanvasStateSaver&) = delete;

 private:
  Canvas& c_;
  TksPen pen_;
  TksBrush brush_;
  TksFont font_;
  TBkMode bk_;
};

// ---- Rotation primitives ----------------------------------------------------------
// Positive angles turn counter-clockwise on the screen; results rounded half to even.
TPoint RotatePoint(TPoint p, TPoint centre, double angle);
// `p` turned by `quarters` right angles (0..3) about `centre`, as RotatePoint turns it.
inline TPoint TurnQuarters(TPoint p, TPoint centre, int quarters) {
  const int dx = p.X - centre.X, dy = p.Y - centre.Y;
  switch (quarters) {
    case 0: return {centre.X + dx, centre.Y + dy};
    case 1: return {centre.X + dy, centre.Y - dx};
    case 2: return {centre.X - dx, centre.Y - dy};
    default: return {centre.X - dy, centre.Y + dx};
  }
}
void FillRotatedRect(Canvas& c, const TRect& r, TPoint centre, bool fill, double angle);
void TextOutRotated(Canvas& c, int x, int y, const std::u16string& text, double angle, TPoint centre);
// Selects the font for drawing at `angle` degrees with average character width `width`
// (0 = natural).
void SetRotatedFont(TksFont& font, double angle, int width);
int MaxLineWidth(Canvas& c, const std::vector<std::u16string>& lines);

}  // namespace ks
