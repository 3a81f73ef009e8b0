#include "engine/matrix/matrix.h"

#include "engine/errors.h"
#include "engine/ustring.h"

namespace ks {

void TksMatrix::Clear() {
  size_t n = NC > 0 && NR > 0 ? static_cast<size_t>(NC) * static_cast<size_t>(NR) : 0;
  Pixels.assign(n, u'0');
  PixelsBackup.assign(n, u'0');
  idxOut = 0;
}

void TksMatrix::Line2D_H(int x1, int y1, int w, char16_t color) {
  for (int x = x1; x <= x1 + w; ++x) Point2D(x, y1, color);
}

void TksMatrix::Line2D_V(int x1, int y1, int h, char16_t color) {
  for (int y = y1; y <= y1 + h; ++y) Point2D(x1, y, color);
}

void TksMatrix::Rect2D(int x1, int y1, int x2, int y2, char16_t color) {
  Line2D_H(x1, y1, x2 - x1, color);
  Line2D_V(x2, y1, y2 - y1, color);
  Line2D_H(x1, y2, x2 - x1, color);
  Line2D_V(x1, y1, y2 - y1, color);
}

void TksMatrix::ConvertToBW() {
  for (auto& c : Pixels) c = static_cast<char16_t>(u'0' + (c & 1));
}

// The largest square module size (in thousandths of a pixel) with which the whole grid
// fits r: the width decides unless the height is the tighter limit. Computed in integers
// so that exact quotients are not lost to floating-point rounding.
void TksMatrix::SetDrawingParams(const TRect& r) {
  if (NC <= 0 || NR <= 0) return;
  DrawingRect = r;
  long long w = r.Right - r.Left;
  long long h = r.Bottom - r.Top;
  // h <= NR * (w / NC)  <=>  h * NC <= NR * w  (NC > 0)
  if (h * NC <= static_cast<long long>(NR) * w)
    Zoom1 = static_cast<int32_t>(h * 1000 / NR);
  else
    Zoom1 = static_cast<int32_t>(w * 1000 / NC);
  Zoom2 = 1000;
}

void TksMatrix::Assign(const TksPersistent& source) {
  auto* m = dynamic_cast<const TksMatrix*>(&source);
  if (!m) {
    TksPersistent::Assign(source);
    return;
  }
  NC = m->NC;
  NR = m->NR;
  idxOut = m->idxOut;
  Zoom1 = m->Zoom1;
  Zoom2 = m->Zoom2;
  DrawingRect = m->DrawingRect;
  Pixels = m->Pixels;
  PixelsBackup = m->PixelsBackup;
}

const PropertyTable& TksMatrix::Properties() const {
  static const PropertyTable t;
  return t;
}

void ArrayInit(TksArray& a, int capacity) {
  a.data.assign(capacity > 0 ? capacity : 0, 0);
  a.count = 0;
  a.position = 0;
  a.capacity = capacity;
}

int ArrayPush(TksArray& a, int value) {
  if (a.position >= a.capacity) throw Exception(erErrorInBarCode, "ksArray error, max capaciry exceeded.");
  a.data[a.position] = value;
  ++a.position;
  if (a.position >= a.count) ++a.count;
  return a.position;
}

int ArrayAppendReversed(const TksArray& source, TksArray& target) {
  for (int i = source.count - 1; i >= 0; --i) ArrayPush(target, source.data[i]);
  return source.count;
}

int ArraySetAt(TksArray& a, int value, int index) {
  if (index >= a.capacity || index < 0) return -1;
  a.data[index] = value;
  return index;
}

std::string IntToBits(long long value, int n) {
  std::string s(n > 0 ? n : 0, '0');
  for (int i = 0; i < n; ++i)
    if ((value >> (n - 1 - i)) & 1) s[i] = '1';
  return s;
}

std::string ByteToBits(uint8_t b) { return IntToBits(b, 8); }

long long BitsToInt(const std::string& s, int start, int count) {
  long long v = 0;
  int len = static_cast<int>(s.size());
  int from = start - 1;
  if (from < 0) from = 0;
  int to = count == 0 ? len : from + count;
  if (to > len) to = len;
  for (int i = from; i < to; ++i) v = (v << 1) | (s[i] == '1' ? 1 : 0);
  return v;
}

std::string Utf8ByteString(const std::u16string& text) {
  std::string s = ToUtf8(text);
  if (s.size() > static_cast<size_t>(kMaxUtf8Bytes)) return {};
  return s;
}

}  // namespace ks
