// The image size barvello-cli picks when -W and -H are not given: whole pixels per
// module with a quiet zone around the symbol. Pure arithmetic on the symbol's size in
// modules, in 64 bits, so that no symbol however large wraps into a small or negative
// size; a size beyond kMaxImagePixels is refused.
#pragma once

#include <algorithm>
#include <cstdint>

#include "engine/ksmath.h"

// The largest image the tool renders: 20000 x 20000 would need 1.6 GB as RGB32.
constexpr long long kMaxImagePixels = 100'000'000;

// A WMF stores coordinates as 16-bit signed numbers.
constexpr long long kMaxWmfSide = 32767;

enum class SymbolShape { Matrix, Stacked, Linear };

struct ImageLayout {
  long long w = 0, h = 0;  // image size in pixels
  ks::TRect paint;         // where the symbol is painted; valid only when the size fits
};

// The default layout of a symbol `cols` modules wide. Matrix codes: `rows` module rows,
// square modules of 4 px, a quiet zone of 4 modules. Stacked codes: `rows` rows of 3
// modules, 2 px per module, a quiet zone of 2 modules. Linear codes (rows ignored): 2
// px per module plus one pixel per `leading` blank (the painter moves the symbol one
// pixel right for each), bars 60% of the width high and at least 60 px, a quiet zone
// of 10 modules at the sides. Returns false, with the size it would have, when the
// image would have more than kMaxImagePixels pixels.
inline bool DefaultImageLayout(SymbolShape shape, long long cols, long long rows, long long leading,
                               ImageLayout& out) {
  // Any symbol of more modules than this is refused below; clamping first keeps every
  // product in range.
  constexpr long long kMaxModules = 1LL << 40;
  cols = std::clamp(cols, 0LL, kMaxModules);
  rows = std::clamp(rows, 0LL, kMaxModules);
  leading = std::clamp(leading, 0LL, kMaxModules);
  long long k, qx, qy;  // pixels per module, quiet zone at the sides and above/below
  long long content, height;
  switch (shape) {
    case SymbolShape::Matrix:
      k = 4, qx = qy = 4 * k;
      content = cols * k, height = rows * k;
      break;
    case SymbolShape::Stacked:
      k = 2, qx = qy = 2 * k;
      content = cols * k, height = rows * 3 * k;
      break;
    case SymbolShape::Linear:
    default:
      k = 2, qx = 10 * k, qy = 2 * k;
      content = std::max(cols, 1LL) * k + leading;
      height = std::max(60LL, content * 2 / 5);
      break;
  }
  out.w = content + 2 * qx;
  out.h = height + 2 * qy;
  // Both sides are at least 1, so the product bounds each of them well inside int.
  if (out.w > kMaxImagePixels || out.h > kMaxImagePixels || out.w * out.h > kMaxImagePixels) return false;
  out.paint = {static_cast<int>(qx), static_cast<int>(qy), static_cast<int>(qx + content),
               static_cast<int>(out.h - qy)};
  return true;
}
