// Painting a barcode object onto a canvas: the error boundary, the pipeline, the linear
// painter, the decorations and the error display. Everything is drawn unrotated and
// turned about one centre by the barcode's Angle.
#pragma once

#include <string>

#include "engine/barcode.h"
#include "engine/decor.h"
#include "render/canvas.h"

namespace ks {

// The error boundary: resets the error object, keeps the canvas tools, runs the pipeline
// and shows a barcode error by the error mode. Other exceptions pass through.
void PaintBarCode(TksBarcodeComponent& bc, Canvas& c, const TRect& r);
// Paints when a barcode is present (used by export).
void PaintBarcodeTo(Canvas& c, const TRect& r, TksBarcodeComponent* bc);

// The pipeline (raises barcode errors).
void PaintSymbol(TksBarcodeComponent& bc, Canvas& c, const TRect& r);
void PaintLinear(TksBarcodeComponent& bc, Canvas& c, const TRect& r, TPoint centre, std::u16string text);

// Decorations: each draws at its edge and shrinks `rect`.
void PaintCaption(const TksBarcodeCaption& cap, Canvas& c, TRect& rect, TPoint centre, int width);
void PaintQuietZone(const TksQuietZone& qz, Canvas& c, TRect& r);
void PaintHorzLines(const TksHorzLines& lines, Canvas& c, const TRect& r);

// The error display at the paint boundary. `ownMessage` is the message of an exception
// raised directly with a text of its own (the error code still erOK); it is shown
// instead of the code's table message.
void HandleException(TksBarcodeError& err, Canvas& c, const TRect& r, const std::string& ownMessage = {});
void DrawErrorGraphic(TksBarcodeError& err, Canvas& c, const TRect& r, const std::string& msg, TksGrShapes shapes);

}  // namespace ks
