// A canvas that records every call with its arguments and the tools in force, and
// measures text with fixed metrics: every character is Font.Height's absolute value
// times 6/10 wide (at least 1), a line is |Height| high. Used by tests and fuzzers.
#pragma once

#include <string>
#include <vector>

#include "render/canvas.h"

namespace ks {

struct CanvasCall {
  std::string op;  // "Polygon", "Rectangle", "FillRect", "Line", "Polyline", "TextOut"
  std::vector<TPoint> pts;
  TRect rect{};
  std::u16string text;
  TksPen pen;
  TksBrush brush;
  std::string fontName;
  int fontHeight = 0;
  TColor fontColor = 0;
  TFontStyles fontStyle = 0;
  int escapement = 0;
  int charWidth = 0;
  TBkMode bkMode = bkOpaque;
};

class RecordingCanvas : public Canvas {
 public:
  std::vector<CanvasCall> calls;

  void Polygon(const std::vector<TPoint>& pts) override;
  void Rectangle(const TRect& r) override;
  void FillRect(const TRect& r) override;
  void Line(TPoint a, TPoint b) override;
  void Polyline(const std::vector<TPoint>& pts) override;
  void TextOut(int x, int y, const std::u16string& text) override;
  int TextWidth(const std::u16string& text) override;
  int TextHeight(const std::u16string& text) override;
  int AverageCharWidth() override;

 private:
  CanvasCall Make(const char* op) const;
};

}  // namespace ks
