#include "render/recording_canvas.h"

#include <algorithm>
#include <climits>
#include <cstdlib>

namespace ks {

CanvasCall RecordingCanvas::Make(const char* op) const {
  CanvasCall c;
  c.op = op;
  c.pen.Assign(Pen);
  c.brush = Brush;
  c.fontName = Font.Name();
  c.fontHeight = Font.Height();
  c.fontColor = Font.Color();
  c.fontStyle = Font.Style();
  c.escapement = Font.Escapement;
  c.charWidth = Font.CharWidth;
  c.bkMode = BkMode;
  return c;
}

void RecordingCanvas::Polygon(const std::vector<TPoint>& pts) {
  auto c = Make("Polygon");
  c.pts = pts;
  calls.push_back(std::move(c));
}

void RecordingCanvas::Rectangle(const TRect& r) {
  auto c = Make("Rectangle");
  c.rect = r;
  calls.push_back(std::move(c));
}

void RecordingCanvas::FillRect(const TRect& r) {
  auto c = Make("FillRect");
  c.rect = r;
  calls.push_back(std::move(c));
}

void RecordingCanvas::Line(TPoint a, TPoint b) {
  auto c = Make("Line");
  c.pts = {a, b};
  calls.push_back(std::move(c));
}

void RecordingCanvas::Polyline(const std::vector<TPoint>& pts) {
  auto c = Make("Polyline");
  c.pts = pts;
  calls.push_back(std::move(c));
}

void RecordingCanvas::TextOut(int x, int y, const std::u16string& text) {
  auto c = Make("TextOut");
  c.pts = {{x, y}};
  c.text = text;
  calls.push_back(std::move(c));
}

namespace {

// The metrics in 64 bits, saturated: a font height may be any 32-bit value, INT_MIN too.
long long CharAdvance(const TksFont& f) {
  return std::max(1LL, std::llabs(static_cast<long long>(f.Height())) * 6 / 10);
}
int Saturate(long long v) { return static_cast<int>(std::min<long long>(v, INT_MAX)); }

}  // namespace

int RecordingCanvas::TextWidth(const std::u16string& text) {
  const long long per = Font.CharWidth > 0 ? Font.CharWidth : CharAdvance(Font);
  return Saturate(per * static_cast<long long>(text.size()));
}

int RecordingCanvas::AverageCharWidth() { return Saturate(CharAdvance(Font)); }

int RecordingCanvas::TextHeight(const std::u16string&) {
  return Saturate(std::llabs(static_cast<long long>(Font.Height())));
}

}  // namespace ks
