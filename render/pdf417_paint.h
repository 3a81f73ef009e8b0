// Painting the rows of a PDF417 or MicroPDF417 symbol (the barcode's Bars()) onto a canvas.
#pragma once

#include "engine/ksmath.h"
#include "render/canvas.h"

namespace ks {

class TksBarcodeComponent;

// Draws the rows of bc.Bars() into r: the rows share r's height (the first rows take the
// spare pixels), each row is spread over r's width by bc.Zoom (whole modules with
// boSecurity) and every run of bars is one filled rectangle. Bars take LinesColor, or
// BackgroundColor with boReflectanceReversal; spaces are left as the background was
// painted. The layout is unrotated and every rectangle is turned by the barcode's Angle
// about `centre`, the centre of the whole paint rectangle, so that a symbol at 90 or 270
// degrees stays inside the rectangle the paint pipeline laid out for it.
// Raises erSmallPaintBox when a row has more modules than r has pixels across, or the
// symbol more rows than r has pixels down, unless boPaintIfSmall is set.
void PaintPdf417(Canvas& c, const TRect& r, TksBarcodeComponent& bc, TPoint centre);

// The same, turning about the centre of r.
void PaintPdf417(Canvas& c, const TRect& r, TksBarcodeComponent& bc);

}  // namespace ks
