// Module matrix of cell codes, the codeword buffer and the bit-string helpers shared by
// the 2D encoders. Painting a matrix lives in render/.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/export.h"
#include "engine/ksmath.h"
#include "engine/persistent.h"

namespace ks {

// Cell codes: the colour is the parity of (code - '0'): even light, odd dark. Codes up
// to '1' are data cells, above '1' function cells ('2'/'3' function, '4'/'5' QR version
// information, '6'/'7' format information, '8'/'9' masked QR data).
class BARVELLO_ENGINE_API TksMatrix : public TksPersistent {
 public:
  int32_t NC = 0;
  int32_t NR = 0;
  int32_t idxOut = 0;
  int32_t Zoom1 = 0;
  int32_t Zoom2 = 0;
  TRect DrawingRect{};
  std::vector<char16_t> Pixels;
  std::vector<char16_t> PixelsBackup;

  virtual void Initialize() { Clear(); }
  virtual void InitializeWH(int w, int h) {
    NC = w;
    NR = h;
    Initialize();
  }
  void Clear();
  void Backup() { PixelsBackup = Pixels; }
  void Restore() { Pixels = PixelsBackup; }
  void PutChar(char16_t ch) {
    if (idxOut >= 0 && idxOut < static_cast<int32_t>(Pixels.size())) Pixels[idxOut] = ch;
    ++idxOut;
  }
  void Point2D(int x, int y, char16_t value) {
    if (x >= 0 && x < NC && y >= 0 && y < NR) Pixels[x + y * NC] = value;
  }
  void Line2D_H(int x1, int y1, int w, char16_t color);
  void Line2D_V(int x1, int y1, int h, char16_t color);
  void Rect2D(int x1, int y1, int x2, int y2, char16_t color);
  char16_t GetPoint2D(int x, int y) const {
    return (x >= 0 && x < NC && y >= 0 && y < NR) ? Pixels[x + y * NC] : u' ';
  }
  bool IsBlack(int x, int y) const { return ((static_cast<int>(GetPoint2D(x, y)) - '0') % 2) == 1; }
  bool IsData(int x, int y) const { return GetPoint2D(x, y) <= u'1'; }
  bool IsFunction(int x, int y) const { return GetPoint2D(x, y) > u'1'; }
  void ConvertToBW();
  // Sizes the module for painting into r: Zoom1/Zoom2 is the largest square module (in
  // pixels) with which the whole grid fits r. Does nothing for an empty grid.
  virtual void SetDrawingParams(const TRect& r);

  void Assign(const TksPersistent& source) override;
  const PropertyTable& Properties() const override;
};

// The codeword buffer and bit-string helpers below belong to the 2D encoders; the shared
// library does not export them.
struct TksArray {
  int32_t count = 0;
  int32_t position = 0;
  int32_t capacity = 0;
  std::vector<int32_t> data;
};
void ArrayInit(TksArray& a, int capacity);
int ArrayPush(TksArray& a, int value);  // throws Exception(erErrorInBarCode, "ksArray error, max capaciry exceeded.")
int ArrayAppendReversed(const TksArray& source, TksArray& target);
int ArraySetAt(TksArray& a, int value, int index);

std::string IntToBits(long long value, int n);
std::string ByteToBits(uint8_t b);
long long BitsToInt(const std::string& s, int start, int count);
// Longest UTF-8 form the 2D encoders accept.
inline constexpr int kMaxUtf8Bytes = 10000;
// UTF-8 bytes of the text, one char per byte; empty when over kMaxUtf8Bytes bytes (a
// caller that gets an empty result for a non-empty text reports erOutOfMaxCapacity).
std::string Utf8ByteString(const std::u16string& text);

}  // namespace ks
