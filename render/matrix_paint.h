// Painting a module matrix (QR Code, Micro QR, Data Matrix) onto a canvas.
#pragma once

#include "engine/ksmath.h"
#include "engine/matrix/matrix.h"
#include "render/canvas.h"

namespace ks {

class TksBarcodeComponent;

// Paints the matrix into r: the grid is sized by m.SetDrawingParams(r) and anchored at
// r's top-left corner. Dark cells take the barcode's LinesColor and light ones its
// BackgroundColor (swapped with boReflectanceReversal); boFlipHorizontal and
// boFlipVertical mirror the grid; light cells are left unpainted with boTransparent;
// a non-zero Angle turns every cell about rc. Cells are filled without outline.
void Paint(TksMatrix& m, Canvas& c, const TRect& r, TPoint rc, const TksBarcodeComponent& bc);

}  // namespace ks
