// Integer arithmetic, geometry and colour values as the drawing code expects them.
// Every painter and encoder uses these instead of ad-hoc rounding, so that pixel
// positions agree everywhere.
#pragma once

#include <cmath>
#include <cstdint>

namespace ks {

// a*b/c computed in 64 bits, rounded half away from zero; c == 0 gives -1.
inline int MulDiv(int a, int b, int c) {
  if (c == 0) return -1;
  int64_t p = static_cast<int64_t>(a) * b;
  bool neg = (p < 0) != (c < 0);
  uint64_t ap = p < 0 ? static_cast<uint64_t>(-p) : static_cast<uint64_t>(p);
  uint64_t ac = c < 0 ? static_cast<uint64_t>(-static_cast<int64_t>(c)) : static_cast<uint64_t>(c);
  uint64_t q = (ap + ac / 2) / ac;
  int64_t r = neg ? -static_cast<int64_t>(q) : static_cast<int64_t>(q);
  return static_cast<int>(r);
}

// Rounds halves to the even neighbour (banker's rounding).
inline int Round(double v) { return static_cast<int>(std::nearbyint(v)); }

// Colours are $00BBGGRR.
using TColor = uint32_t;
inline constexpr TColor clNone = 0x1FFFFFFF;
inline constexpr TColor clBlack = 0x000000;
inline constexpr TColor clWhite = 0xFFFFFF;
inline constexpr TColor clRed = 0x0000FF;
inline constexpr TColor clBlue = 0xFF0000;
inline constexpr TColor clYellow = 0x00FFFF;
inline constexpr TColor clSilver = 0xC0C0C0;
inline constexpr TColor clMoneyGreen = 0xC0DCC0;

inline constexpr int GetRValue(TColor c) { return c & 0xFF; }
inline constexpr int GetGValue(TColor c) { return (c >> 8) & 0xFF; }
inline constexpr int GetBValue(TColor c) { return (c >> 16) & 0xFF; }
inline constexpr TColor RGB(int r, int g, int b) {
  return static_cast<TColor>((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}

struct TPoint {
  int X = 0;
  int Y = 0;
  friend bool operator==(const TPoint&, const TPoint&) = default;
};

// Right and bottom are exclusive.
struct TRect {
  int Left = 0;
  int Top = 0;
  int Right = 0;
  int Bottom = 0;
  int Width() const { return Right - Left; }
  int Height() const { return Bottom - Top; }
  // C++ '/' truncates toward zero, as the layout arithmetic requires.
  TPoint Center() const { return {(Left + Right) / 2, (Top + Bottom) / 2}; }
  bool IsEmpty() const { return Right <= Left || Bottom <= Top; }
  friend bool operator==(const TRect&, const TRect&) = default;
};

inline TRect Rect(int l, int t, int r, int b) { return {l, t, r, b}; }

}  // namespace ks
