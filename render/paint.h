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
// Paints a barcode as an image whose whole surface is `surface`, through the same error
// boundary. With reflectance reversal the surface outside the paint rectangle (margins,
// pixels a writer leaves out) takes the reversed background colour too, so the reversed
// symbol keeps a quiet zone of its own colour. A symbology that draws no bars makes no
// image: it raises erNoSymbology. Nothing happens without a barcode.
void PaintBarcodeImage(Canvas& c, const TRect& surface, const TRect& r, TksBarcodeComponent* bc);

// The pipeline (raises barcode errors). `surface`, when given, is the whole image being
// painted (see PaintBarcodeImage).
void PaintSymbol(TksBarcodeComponent& bc, Canvas& c, const TRect& r, const TRect* surface = nullptr);
void PaintLinear(TksBarcodeComponent& bc, Canvas& c, const TRect& r, TPoint centre, std::u16string text);
// The narrowest paint rectangle, in pixels across, that holds the whole symbol at one
// pixel per module (encodes): MinWidth, plus the pixels the painting takes beside the
// modules (leading blanks, the bearer frame), rounded up to an even number because the
// symbol rectangle centred in the paint rectangle loses a pixel of an odd width.
// Captions and a visible quiet zone are not counted.
int MinPaintWidth(TksBarcodeComponent& bc);
// The pixels the ITF bearer frame takes right of the pattern (0 for other symbologies):
// the linear painter keeps them free of modules. A layout that wants whole pixels per
// module adds them to its width, as it adds one pixel for every leading blank.
int BearerFrameRoom(const TksBarcodeComponent& bc);

// Decorations: each draws at its edge and shrinks `rect`.
void PaintCaption(const TksBarcodeCaption& cap, Canvas& c, TRect& rect, TPoint centre, int width);
void PaintQuietZone(const TksQuietZone& qz, Canvas& c, TRect& r);
void PaintHorzLines(const TksHorzLines& lines, Canvas& c, const TRect& r);

// The error display at the paint boundary. `ownMessage` is the message of the exception
// caught; it is shown only when the error object holds no failure (its code erOK).
void HandleException(TksBarcodeError& err, Canvas& c, const TRect& r, const std::string& ownMessage = {});
void DrawErrorGraphic(TksBarcodeError& err, Canvas& c, const TRect& r, const std::string& msg, TksGrShapes shapes);

}  // namespace ks
