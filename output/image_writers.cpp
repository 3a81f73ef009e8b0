#include "output/image_writers.h"

#include <algorithm>
#include <array>
#include <bit>
#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <unordered_map>
#include <vector>

#include <jpeglib.h>
#include <zlib.h>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "output/atomic_file.h"

namespace ks {

namespace {

// 96 dots per inch in pixels per metre, the resolution recorded in BMP and PNG files.
constexpr uint32_t kPixelsPerMetre = 3780;

QImage AsRgb32(const QImage& img) {
  return img.format() == QImage::Format_RGB32 ? img : img.convertToFormat(QImage::Format_RGB32);
}

void PutLe16(std::string& out, uint32_t v) {
  out += static_cast<char>(v & 0xFF);
  out += static_cast<char>((v >> 8) & 0xFF);
}

void PutLe32(std::string& out, uint32_t v) {
  PutLe16(out, v & 0xFFFF);
  PutLe16(out, v >> 16);
}

void PutBe32(std::string& out, uint32_t v) {
  out += static_cast<char>((v >> 24) & 0xFF);
  out += static_cast<char>((v >> 16) & 0xFF);
  out += static_cast<char>((v >> 8) & 0xFF);
  out += static_cast<char>(v & 0xFF);
}

// ---- Palettes (GIF and PNG) -----------------------------------------------------------

// An image as palette indexes, row by row.
struct IndexedImage {
  std::vector<QRgb> palette;
  std::vector<uint8_t> pixels;
};

// Colour to palette index for at most 256 colours: open addressing in 1024 slots, so
// the table stays at most a quarter full and probes stay short.
class ColourIndex {
 public:
  ColourIndex() { slots_.fill(kEmpty); }

  // The index of `rgb`, added when new; -1 when the palette already holds 256 colours.
  int Find(QRgb rgb, std::vector<QRgb>& palette) {
    uint32_t slot = (rgb * 2654435761u) >> 22;
    for (;; slot = (slot + 1) & 1023) {
      if (slots_[slot] == kEmpty) break;
      if (palette[slots_[slot]] == rgb) return slots_[slot];
    }
    if (palette.size() == 256) return -1;
    slots_[slot] = static_cast<uint16_t>(palette.size());
    palette.push_back(rgb);
    return slots_[slot];
  }

 private:
  static constexpr uint16_t kEmpty = 0xFFFF;
  std::array<uint16_t, 1024> slots_;
};

// The exact palette in order of first appearance; false when there are over 256 colours.
// Barcodes hold long runs of one colour, so the previous pixel's index is reused first.
bool ExactPalette(const QImage& img, IndexedImage& out) {
  ColourIndex index;
  out.palette.clear();
  out.pixels.resize(static_cast<size_t>(img.width()) * img.height());
  uint8_t* dst = out.pixels.data();
  QRgb last = 0;
  int lastIndex = -1;
  for (int y = 0; y < img.height(); ++y) {
    const QRgb* row = reinterpret_cast<const QRgb*>(img.constScanLine(y));
    for (int x = 0; x < img.width(); ++x) {
      const QRgb rgb = row[x] & 0xFFFFFF;
      if (lastIndex < 0 || rgb != last) {
        lastIndex = index.Find(rgb, out.palette);
        if (lastIndex < 0) return false;
        last = rgb;
      }
      *dst++ = static_cast<uint8_t>(lastIndex);
    }
  }
  return true;
}

// One cell of the 32 x 32 x 32 colour histogram used by the median cut.
struct HistogramCell {
  int r, g, b;  // cell coordinates, 0..31
  uint64_t count, sumR, sumG, sumB;
};

// A box of the median cut: a range of cells in the cell list.
struct ColourBox {
  size_t begin, end;
  uint64_t count;
  int longestAxis, longestRange;
};

int Channel(const HistogramCell& c, int axis) { return axis == 0 ? c.r : axis == 1 ? c.g : c.b; }

ColourBox MakeBox(const std::vector<HistogramCell>& cells, size_t begin, size_t end) {
  int lo[3] = {31, 31, 31}, hi[3] = {0, 0, 0};
  uint64_t count = 0;
  for (size_t i = begin; i < end; ++i) {
    for (int a = 0; a < 3; ++a) {
      lo[a] = std::min(lo[a], Channel(cells[i], a));
      hi[a] = std::max(hi[a], Channel(cells[i], a));
    }
    count += cells[i].count;
  }
  ColourBox box{begin, end, count, 0, hi[0] - lo[0]};
  for (int a = 1; a < 3; ++a) {
    if (hi[a] - lo[a] > box.longestRange) box = {begin, end, count, a, hi[a] - lo[a]};
  }
  return box;
}

// Splits the box at the pixel-weighted median of its longest side.
void SplitBox(std::vector<HistogramCell>& cells, const ColourBox& box, ColourBox& first, ColourBox& second) {
  const int axis = box.longestAxis;
  std::sort(cells.begin() + box.begin, cells.begin() + box.end,
            [axis](const HistogramCell& a, const HistogramCell& b) { return Channel(a, axis) < Channel(b, axis); });
  uint64_t seen = 0;
  size_t cut = box.begin + 1;
  for (size_t i = box.begin; i + 1 < box.end; ++i) {
    seen += cells[i].count;
    cut = i + 1;
    if (seen * 2 >= box.count) break;
  }
  first = MakeBox(cells, box.begin, cut);
  second = MakeBox(cells, cut, box.end);
}

// A palette of at most 256 colours by Heckbert's median cut over a 15-bit histogram,
// then every pixel mapped to its nearest palette colour (no dithering, so bars stay
// solid).
void ReducedPalette(const QImage& img, IndexedImage& out) {
  std::vector<HistogramCell> histogram(32768);
  for (int y = 0; y < img.height(); ++y) {
    const QRgb* row = reinterpret_cast<const QRgb*>(img.constScanLine(y));
    for (int x = 0; x < img.width(); ++x) {
      const int r = qRed(row[x]), g = qGreen(row[x]), b = qBlue(row[x]);
      HistogramCell& c = histogram[(r >> 3) << 10 | (g >> 3) << 5 | (b >> 3)];
      c.r = r >> 3, c.g = g >> 3, c.b = b >> 3;
      ++c.count;
      c.sumR += r, c.sumG += g, c.sumB += b;
    }
  }
  std::vector<HistogramCell> cells;
  for (const HistogramCell& c : histogram) {
    if (c.count) cells.push_back(c);
  }

  std::vector<ColourBox> boxes{MakeBox(cells, 0, cells.size())};
  while (boxes.size() < 256) {
    // Split the box with the longest side; among equals the one with more pixels.
    size_t pick = boxes.size();
    for (size_t i = 0; i < boxes.size(); ++i) {
      if (boxes[i].end - boxes[i].begin < 2) continue;
      if (pick == boxes.size() || boxes[i].longestRange > boxes[pick].longestRange ||
          (boxes[i].longestRange == boxes[pick].longestRange && boxes[i].count > boxes[pick].count)) {
        pick = i;
      }
    }
    if (pick == boxes.size()) break;
    ColourBox first, second;
    SplitBox(cells, boxes[pick], first, second);
    boxes[pick] = first;
    boxes.push_back(second);
  }

  out.palette.clear();
  for (const ColourBox& box : boxes) {
    uint64_t r = 0, g = 0, b = 0;
    for (size_t i = box.begin; i < box.end; ++i) r += cells[i].sumR, g += cells[i].sumG, b += cells[i].sumB;
    const uint64_t half = box.count / 2;
    out.palette.push_back(qRgb(static_cast<int>((r + half) / box.count), static_cast<int>((g + half) / box.count),
                               static_cast<int>((b + half) / box.count)));
  }

  std::unordered_map<QRgb, uint8_t> nearest;
  out.pixels.resize(static_cast<size_t>(img.width()) * img.height());
  uint8_t* dst = out.pixels.data();
  for (int y = 0; y < img.height(); ++y) {
    const QRgb* row = reinterpret_cast<const QRgb*>(img.constScanLine(y));
    for (int x = 0; x < img.width(); ++x) {
      const QRgb rgb = row[x] & 0xFFFFFF;
      auto it = nearest.find(rgb);
      if (it == nearest.end()) {
        int best = 0, bestDistance = INT32_MAX;
        for (size_t i = 0; i < out.palette.size(); ++i) {
          const int dr = qRed(rgb) - qRed(out.palette[i]), dg = qGreen(rgb) - qGreen(out.palette[i]),
                    db = qBlue(rgb) - qBlue(out.palette[i]);
          const int distance = dr * dr + dg * dg + db * db;
          if (distance < bestDistance) best = static_cast<int>(i), bestDistance = distance;
        }
        it = nearest.emplace(rgb, static_cast<uint8_t>(best)).first;
      }
      *dst++ = it->second;
    }
  }
}

// ---- GIF: LZW -----------------------------------------------------------------------

// Packs variable-width codes least significant bit first into data sub-blocks of at
// most 255 bytes, as GIF image data is stored.
class GifCodeWriter {
 public:
  explicit GifCodeWriter(std::string& out) : out_(out) {}

  void Put(uint32_t code, int width) {
    bits_ |= code << count_;
    count_ += width;
    while (count_ >= 8) {
      PutByte(static_cast<uint8_t>(bits_ & 0xFF));
      bits_ >>= 8;
      count_ -= 8;
    }
  }

  // Writes the last partial byte, the last sub-block and the block terminator.
  void Finish() {
    if (count_ > 0) PutByte(static_cast<uint8_t>(bits_ & 0xFF));
    if (used_ > 0) FlushBlock();
    out_ += '\0';
  }

 private:
  void PutByte(uint8_t b) {
    block_[used_++] = b;
    if (used_ == 255) FlushBlock();
  }
  void FlushBlock() {
    out_ += static_cast<char>(used_);
    out_.append(reinterpret_cast<const char*>(block_.data()), used_);
    used_ = 0;
  }

  std::string& out_;
  uint32_t bits_ = 0;
  int count_ = 0;
  std::array<uint8_t, 255> block_{};
  size_t used_ = 0;
};

// The LZW string table: (prefix code, next index) to code, by open addressing in 8192
// slots for the at most 4096 codes of a GIF table.
class LzwTable {
 public:
  LzwTable() { Clear(); }
  void Clear() { keys_.fill(-1); }

  // The code of the string, or -1; `slot` is where it would be added.
  int Find(int32_t key, uint32_t& slot) const {
    slot = (static_cast<uint32_t>(key) * 2654435761u) >> 19;
    for (; keys_[slot] >= 0; slot = (slot + 1) & 8191) {
      if (keys_[slot] == key) return codes_[slot];
    }
    return -1;
  }
  void Add(uint32_t slot, int32_t key, int code) {
    keys_[slot] = key;
    codes_[slot] = static_cast<uint16_t>(code);
  }

 private:
  std::array<int32_t, 8192> keys_;
  std::array<uint16_t, 8192> codes_{};
};

// GIF's variable-length LZW. The code width grows when the code just added needs one
// more bit, matching the decoder, which adds each entry one code later; when the table
// is full a clear code starts a new one.
void LzwEncode(const std::vector<uint8_t>& pixels, int minCodeSize, std::string& out) {
  out += static_cast<char>(minCodeSize);
  GifCodeWriter writer(out);
  const int clearCode = 1 << minCodeSize;
  const int endCode = clearCode + 1;
  auto table = std::make_unique<LzwTable>();
  int width = minCodeSize + 1;
  int next = clearCode + 2;

  writer.Put(clearCode, width);
  int prefix = pixels[0];
  for (size_t i = 1; i < pixels.size(); ++i) {
    const int32_t key = prefix << 8 | pixels[i];
    uint32_t slot;
    const int code = table->Find(key, slot);
    if (code >= 0) {
      prefix = code;
      continue;
    }
    writer.Put(prefix, width);
    if (next < 4096) {
      table->Add(slot, key, next);
      if (next >= (1 << width) && width < 12) ++width;
      ++next;
    } else {
      writer.Put(clearCode, width);
      table->Clear();
      width = minCodeSize + 1;
      next = clearCode + 2;
    }
    prefix = pixels[i];
  }
  writer.Put(prefix, width);
  // The decoder adds one more entry on reading the last code and may widen for the end code.
  if (next < 4096 && next >= (1 << width) && width < 12) ++width;
  writer.Put(endCode, width);
  writer.Finish();
}

// ---- PNG ----------------------------------------------------------------------------

void PutPngChunk(std::string& out, const char* type, const char* data, size_t size) {
  PutBe32(out, static_cast<uint32_t>(size));
  const size_t start = out.size();
  out.append(type, 4);
  out.append(data, size);
  const uLong crc = crc32(0, reinterpret_cast<const Bytef*>(out.data() + start), static_cast<uInt>(out.size() - start));
  PutBe32(out, static_cast<uint32_t>(crc));
}

// What the three filters cost a row: how many bytes of the filtered row differ from the
// byte before (the first from zero). The run-length search sends one literal for each and
// a copy for each run of four or more, so fewer changes mean fewer codes to write and a
// smaller file. Barcode rows are runs of whole pixels of few colours, where this beats the
// usual sum of magnitudes.
struct FilterCosts {
  uint32_t none = 0;
  uint32_t sub = 0;  // from the byte `bpp` back
  uint32_t up = 0;   // from the row above
};

// The costs in one pass over the row, without writing the filtered rows.
FilterCosts CountFilterChanges(const uint8_t* cur, const uint8_t* prev, size_t size, size_t bpp) {
  const auto sub = [&](size_t i) { return static_cast<uint8_t>(i >= bpp ? cur[i] - cur[i - bpp] : cur[i]); };
  const auto up = [&](size_t i) { return static_cast<uint8_t>(cur[i] - prev[i]); };
  FilterCosts c;
  size_t i = 0;
  const auto oneByOne = [&](size_t end) {
    for (; i < end; ++i) {
      c.none += cur[i] != (i > 0 ? cur[i - 1] : 0);
      c.sub += sub(i) != (i > 0 ? sub(i - 1) : 0);
      c.up += up(i) != (i > 0 ? up(i - 1) : 0);
    }
  };
  oneByOne(std::min(size, bpp + 1));
#if defined(__SSE2__)
  // Sixteen bytes at a time: each lane counts the bytes equal to the byte before, at most
  // 255 before the lanes are added up.
  const __m128i zero = _mm_setzero_si128();
  const auto load = [](const uint8_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); };
  const auto total = [&](__m128i lanes) {
    const __m128i sums = _mm_sad_epu8(lanes, zero);
    return static_cast<uint32_t>(_mm_cvtsi128_si32(sums) + _mm_extract_epi16(sums, 4));
  };
  while (i + 16 <= size) {
    __m128i sameNone = zero, sameSub = zero, sameUp = zero;
    const size_t start = i;
    for (int k = 0; k < 255 && i + 16 <= size; ++k, i += 16) {
      const __m128i a = load(cur + i), before = load(cur + i - 1);
      const __m128i s = _mm_sub_epi8(a, load(cur + i - bpp)), sBefore = _mm_sub_epi8(before, load(cur + i - 1 - bpp));
      const __m128i u = _mm_sub_epi8(a, load(prev + i)), uBefore = _mm_sub_epi8(before, load(prev + i - 1));
      sameNone = _mm_sub_epi8(sameNone, _mm_cmpeq_epi8(a, before));
      sameSub = _mm_sub_epi8(sameSub, _mm_cmpeq_epi8(s, sBefore));
      sameUp = _mm_sub_epi8(sameUp, _mm_cmpeq_epi8(u, uBefore));
    }
    const uint32_t count = static_cast<uint32_t>(i - start);
    c.none += count - total(sameNone);
    c.sub += count - total(sameSub);
    c.up += count - total(sameUp);
  }
#endif
  oneByOne(size);
  return c;
}

// The row filtered with `filter`: 0 None, 1 Sub (`bpp` bytes back), 2 Up.
void ApplyFilter(int filter, const uint8_t* cur, const uint8_t* prev, size_t size, size_t bpp, uint8_t* out) {
  if (filter == 0) {
    std::memcpy(out, cur, size);
    return;
  }
  const uint8_t* from = filter == 2 ? prev : cur - bpp;
  size_t i = 0;
  if (filter == 1) {
    for (; i < std::min(bpp, size); ++i) out[i] = cur[i];
  }
#if defined(__SSE2__)
  for (; i + 16 <= size; i += 16) {
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(cur + i));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + i));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_sub_epi8(a, b));
  }
#endif
  for (; i < size; ++i) out[i] = static_cast<uint8_t>(cur[i] - from[i]);
}

// Bits of a deflate block, least significant bit first, appended to a string.
class DeflateBits {
 public:
  explicit DeflateBits(std::string& out) : out_(out) {}

  void Put(uint32_t value, int count) {
    bits_ |= static_cast<uint64_t>(value) << count_;
    count_ += count;
    while (count_ >= 8) {
      out_ += static_cast<char>(bits_ & 0xFF);
      bits_ >>= 8;
      count_ -= 8;
    }
  }
  // An empty stored block: brings the stream to a byte boundary.
  void Align() {
    Put(0, 3);  // not the last block, stored
    if (count_ > 0) Put(0, 8 - count_);
    Put(0x0000, 16);
    Put(0xFFFF, 16);
  }

 private:
  std::string& out_;
  uint64_t bits_ = 0;
  int count_ = 0;
};

// Canonical Huffman codes for code lengths (0: symbol unused).
std::vector<uint16_t> CanonicalCodes(const std::vector<uint8_t>& lengths) {
  uint16_t count[16] = {}, next[16] = {};
  for (uint8_t l : lengths) ++count[l];
  count[0] = 0;
  for (int l = 1, code = 0; l < 16; ++l) next[l] = static_cast<uint16_t>(code = (code + count[l - 1]) << 1);
  std::vector<uint16_t> codes(lengths.size(), 0);
  for (size_t s = 0; s < lengths.size(); ++s)
    if (lengths[s] > 0) codes[s] = next[lengths[s]]++;
  return codes;
}

// A complete prefix code for `n` (at least 2) symbols: lengths that differ by at most one.
std::vector<uint8_t> BalancedLengths(size_t n) {
  int k = 0;
  while ((size_t{1} << k) < n) ++k;
  const size_t shorter = (size_t{1} << k) - n;  // symbols of length k - 1
  std::vector<uint8_t> lengths(n);
  for (size_t i = 0; i < n; ++i) lengths[i] = static_cast<uint8_t>(i < shorter ? k - 1 : k);
  return lengths;
}

// Deflate blocks (never the last) holding rows of the filter byte 2 and `rowLength - 1`
// zeros, which is what a row equal to the row above becomes: each row as the literals 2
// and 0 and copies of the byte before. Every row has the same few symbols, so each block
// carries its own small Huffman code, the most frequent symbol shortest. The code depends
// on the row length only and is worked out once.
class RepeatedRowsBlock {
 public:
  explicit RepeatedRowsBlock(size_t rowLength) {
    static constexpr uint16_t kLengthBase[29] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                                 31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
    static constexpr uint8_t kLengthExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                                 2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
    struct Symbol {
      int symbol;
      uint32_t extra = 0;
      int extraBits = 0;
    };
    // One row's symbols. Copies are pieces of at most 258 bytes, the last never shorter
    // than 3; all of them from one byte back.
    std::vector<Symbol> row = {{2}, {0}};
    size_t zeros = rowLength - 2;
    if (zeros < 3) {
      for (; zeros > 0; --zeros) row.push_back({0});
    }
    while (zeros > 0) {
      size_t piece = zeros;
      if (zeros > 258) piece = zeros - 258 < 3 ? zeros - 3 : 258;
      int l = 28;
      while (kLengthBase[l] > piece) --l;
      row.push_back({257 + l, static_cast<uint32_t>(piece - kLengthBase[l]), kLengthExtra[l]});
      zeros -= piece;
    }

    // Literal/length code: the row's symbols by falling frequency, then the end of the
    // block, get the lengths 1, 2, 3, ..., n-1, n-1.
    std::vector<uint32_t> frequency(286, 0);
    for (const Symbol& s : row) ++frequency[s.symbol];
    std::vector<int> used;
    for (int s = 0; s < 286; ++s)
      if (frequency[s] > 0) used.push_back(s);
    std::stable_sort(used.begin(), used.end(), [&](int a, int b) { return frequency[a] > frequency[b]; });
    used.push_back(256);
    const int literalCount = std::max(257, *std::max_element(used.begin(), used.end()) + 1);
    std::vector<uint8_t> litLengths(literalCount, 0);
    for (size_t i = 0; i < used.size(); ++i)
      litLengths[used[i]] = static_cast<uint8_t>(std::min(i + 1, used.size() - 1));
    const std::vector<uint16_t> litCodes = CanonicalCodes(litLengths);

    // The code lengths of both codes (the distance code: one code of one bit, distance 1)
    // as code-length symbols: lengths as themselves, runs of zeros as 17 and 18.
    std::vector<uint8_t> sequence(litLengths);
    sequence.push_back(1);
    std::vector<Symbol> lengthSymbols;
    for (size_t i = 0; i < sequence.size();) {
      size_t run = 0;
      while (i + run < sequence.size() && sequence[i + run] == 0) ++run;
      if (run >= 11) {
        run = std::min<size_t>(run, 138);
        lengthSymbols.push_back({18, static_cast<uint32_t>(run - 11), 7});
        i += run;
      } else if (run >= 3) {
        lengthSymbols.push_back({17, static_cast<uint32_t>(run - 3), 3});
        i += run;
      } else {
        lengthSymbols.push_back({sequence[i]});
        ++i;
      }
    }
    std::vector<int> clUsed;
    for (const Symbol& s : lengthSymbols)
      if (std::find(clUsed.begin(), clUsed.end(), s.symbol) == clUsed.end()) clUsed.push_back(s.symbol);
    std::vector<uint8_t> clLengths(19, 0);
    const std::vector<uint8_t> balanced = BalancedLengths(std::max<size_t>(clUsed.size(), 2));
    for (size_t i = 0; i < clUsed.size(); ++i) clLengths[clUsed[i]] = balanced[i];
    if (clUsed.size() == 1) clLengths[clUsed[0] == 0 ? 1 : 0] = balanced[1];  // keep the code complete
    const std::vector<uint16_t> clCodes = CanonicalCodes(clLengths);
    static constexpr uint8_t kOrder[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};
    int clCount = 19;
    while (clCount > 4 && clLengths[kOrder[clCount - 1]] == 0) --clCount;

    header_.push_back({0b100, 3});  // not the last block, Huffman codes sent with the block
    header_.push_back({static_cast<uint32_t>(literalCount - 257), 5});
    header_.push_back({0, 5});  // one distance code
    header_.push_back({static_cast<uint32_t>(clCount - 4), 4});
    for (int i = 0; i < clCount; ++i) header_.push_back({clLengths[kOrder[i]], 3});
    for (const Symbol& s : lengthSymbols) {
      header_.push_back({Reversed(clCodes[s.symbol], clLengths[s.symbol]), clLengths[s.symbol]});
      header_.push_back({s.extra, s.extraBits});
    }
    for (const Symbol& s : row) {
      Bits b{Reversed(litCodes[s.symbol], litLengths[s.symbol]), litLengths[s.symbol]};
      if (s.symbol > 256) {
        b.value |= s.extra << b.count;  // extra bits, then distance code 0: one byte back
        b.count += s.extraBits + 1;
      }
      row_.push_back(b);
    }
    end_ = {Reversed(litCodes[256], litLengths[256]), litLengths[256]};
  }

  void Put(DeflateBits& bits, size_t rows) const {
    for (const Bits& b : header_) bits.Put(b.value, b.count);
    for (size_t r = 0; r < rows; ++r)
      for (const Bits& b : row_) bits.Put(b.value, b.count);
    bits.Put(end_.value, end_.count);
  }

 private:
  struct Bits {
    uint32_t value;
    int count;
  };
  static uint32_t Reversed(uint32_t code, int length) {
    uint32_t reversed = 0;
    for (int i = 0; i < length; ++i) reversed |= ((code >> i) & 1u) << (length - 1 - i);
    return reversed;
  }
  std::vector<Bits> header_, row_;
  Bits end_{0, 0};
};

// How zlib searches a PNG's rows for repeats.
//  - RunLength: copies of the byte before only. Rows of a byte or more a pixel (8 bits of
//    grey or of palette, or true colour) are long runs of one byte broken by the greys of
//    antialiased text; this search finds the runs and costs least.
//  - Strings: copies from anywhere in the last 32 KiB, at level 3. Rows of 1, 2 or 4 bits
//    a pixel pack several pixels into a byte, and a row often repeats stretches of rows
//    before it (the finder patterns of a QR Code, the start and stop patterns of PDF417);
//    this search finds them, and the files are a third smaller for about the same time.
enum class PngSearch { RunLength, Strings };

// zlib's compressor, one of each kind per thread and reused from image to image: raw
// deflate, the zlib header and checksum are written by PngData.
struct PngDeflater {
  explicit PngDeflater(PngSearch search) {
    ok = search == PngSearch::RunLength ? deflateInit2(&zs, 6, Z_DEFLATED, -15, 8, Z_RLE) == Z_OK
                                        : deflateInit2(&zs, 3, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) == Z_OK;
  }
  ~PngDeflater() {
    if (ok) deflateEnd(&zs);
  }
  PngDeflater(const PngDeflater&) = delete;
  PngDeflater& operator=(const PngDeflater&) = delete;
  z_stream zs{};
  bool ok = false;
};

// The zlib stream of a PNG's filtered rows. zlib compresses every row that differs from
// the row above. A row equal to the one above is all zeros after the Up filter; a long
// run of such rows is written as a RepeatedRowsBlock without passing its bytes through
// zlib. Most rows of a barcode image are such repeats. Rows for zlib wait in a buffer
// and go in one call, which costs much less than a call for each row.
class PngData {
 public:
  PngData(std::string& out, size_t rowLength, PngSearch search)
      : out_(out), rowLength_(rowLength), search_(search) {
    thread_local PngDeflater runLength(PngSearch::RunLength), strings(PngSearch::Strings);
    PngDeflater& deflater = search == PngSearch::RunLength ? runLength : strings;
    zs_ = &deflater.zs;
    ok_ = deflater.ok && deflateReset(zs_) == Z_OK;
    thread_local std::vector<uint8_t> pending;
    pending_ = &pending;
    pending_->clear();
    out_ += '\x78';  // deflate, 32 KiB window
    out_ += '\x01';  // no dictionary; check bits make the header a multiple of 31
  }
  PngData(const PngData&) = delete;
  PngData& operator=(const PngData&) = delete;

  // A row that differs from the one above: filter byte and filtered bytes.
  void AddRow(const uint8_t* row) {
    WriteRepeats();
    Pend(row);
  }
  // A row equal to the one above.
  void AddRepeat() { ++repeats_; }
  bool Finish() {
    WriteRepeats();
    FeedPending(Z_FINISH);
    PutBe32(out_, static_cast<uint32_t>(adler_));
    return ok_;
  }

 private:
  void Feed(const uint8_t* data, size_t n, int flush) {
    if (!ok_) return;
    zs_->next_in = const_cast<Bytef*>(data);
    zs_->avail_in = static_cast<uInt>(n);
    uint8_t buf[16384];
    int rc;
    do {
      zs_->next_out = buf;
      zs_->avail_out = sizeof buf;
      rc = deflate(zs_, flush);
      if (rc == Z_STREAM_ERROR) {
        ok_ = false;
        return;
      }
      out_.append(reinterpret_cast<const char*>(buf), sizeof buf - zs_->avail_out);
    } while (zs_->avail_out == 0 || (flush == Z_FINISH && rc != Z_STREAM_END));
  }

  // Hands the waiting rows to zlib, adding them to the Adler-32 sum.
  void FeedPending(int flush) {
    adler_ = adler32(adler_, pending_->data(), static_cast<uInt>(pending_->size()));
    Feed(pending_->data(), pending_->size(), flush);
    pending_->clear();
  }

  // A row for zlib. Before zlib's window would have to slide (which renumbers its whole
  // match index, unused by the run-length search), a full flush starts the window anew.
  void Pend(const uint8_t* row) {
    if (sinceFlush_ > 0 && sinceFlush_ + rowLength_ > kFlushBytes) {
      FeedPending(Z_FULL_FLUSH);
      sinceFlush_ = 0;
    }
    pending_->insert(pending_->end(), row, row + rowLength_);
    sinceFlush_ += rowLength_;
  }

  void WriteRepeats() {
    if (repeats_ == 0 || !ok_) return;
    const size_t rows = repeats_;
    repeats_ = 0;
    // The zero row and the block for this row length, kept by the thread for the next image.
    thread_local std::vector<uint8_t> zeroRow;
    thread_local uLong zeroRowAdler = 0;
    thread_local std::unique_ptr<RepeatedRowsBlock> block;
    if (zeroRow.size() != rowLength_) {
      zeroRow.assign(rowLength_, 0);
      zeroRow[0] = 2;  // Up
      zeroRowAdler = adler32(adler32(0, nullptr, 0), zeroRow.data(), static_cast<uInt>(rowLength_));
      block.reset();
    }
    if (rows * rowLength_ < kMinBlockBytes) {
      for (size_t r = 0; r < rows; ++r) Pend(zeroRow.data());
      return;
    }
    // zlib ends its block on a byte boundary, the rows follow in a block of their own. The
    // string search may copy from anywhere in its history, which after these rows is no
    // longer what the reader has seen: a full flush forgets it.
    FeedPending(search_ == PngSearch::RunLength ? Z_SYNC_FLUSH : Z_FULL_FLUSH);
    // The Adler-32 sum of the zero rows, without reading them.
    for (size_t r = 0; r < rows; ++r) adler_ = adler32_combine(adler_, zeroRowAdler, static_cast<z_off_t>(rowLength_));
    if (!block) block = std::make_unique<RepeatedRowsBlock>(rowLength_);
    DeflateBits bits(out_);
    block->Put(bits, rows);
    bits.Align();
    // The reader's last byte is the rows' last zero: zlib may copy it.
    const uint8_t zero = 0;
    if (deflateSetDictionary(zs_, &zero, 1) != Z_OK) ok_ = false;
  }

  // Runs of repeated rows shorter than this go through zlib with the other rows: a block
  // of their own would end zlib's block, and a new one costs its code tables.
  static constexpr size_t kMinBlockBytes = 4096;
  static constexpr size_t kFlushBytes = 60000;

  std::string& out_;
  size_t rowLength_;
  PngSearch search_;
  z_stream* zs_ = nullptr;
  std::vector<uint8_t>* pending_ = nullptr;
  bool ok_ = false;
  size_t repeats_ = 0;
  size_t sinceFlush_ = 0;
  uLong adler_ = adler32(0, nullptr, 0);
};

// Filters every row and compresses the image data: `rows` rows of `rowBytes` bytes, `bpp`
// bytes a pixel for the Sub filter (1 when a pixel takes less than a byte). The source
// tells whether a row equals the row above (`Repeats`) and writes the bytes of one that
// does not (`Fill`). A repeated row is filtered with Up (all zeros). With the run-length
// search any other row gets Up, Sub or None, whichever gives the fewest byte changes (Up
// wins ties); with the string search it stays unfiltered (as PNG advises for fewer than 8
// bits a pixel), and the search finds its repeated stretches whole.
template <class Source>
bool CompressRows(const Source& source, int rows, size_t rowBytes, size_t bpp, PngSearch search, std::string& out) {
  PngData data(out, rowBytes + 1, search);
  thread_local std::vector<uint8_t> scratch;
  scratch.assign(3 * rowBytes + 1, 0);
  uint8_t* prev = scratch.data();
  uint8_t* cur = prev + rowBytes;
  uint8_t* line = cur + rowBytes;
  for (int y = 0; y < rows; ++y) {
    if (y > 0 && source.Repeats(y)) {
      data.AddRepeat();
      continue;  // `prev` already holds this row
    }
    source.Fill(y, cur);
    int filter = 0;
    if (search == PngSearch::RunLength) {
      const FilterCosts costs = CountFilterChanges(cur, prev, rowBytes, bpp);
      uint32_t bestCost = costs.none;
      if (y > 0 && costs.up <= bestCost) filter = 2, bestCost = costs.up;
      if (costs.sub < bestCost) filter = 1;
    }
    line[0] = static_cast<uint8_t>(filter);
    ApplyFilter(filter, cur, prev, rowBytes, bpp, line + 1);
    data.AddRow(line);
    std::swap(prev, cur);
  }
  return data.Finish();
}

// The rows of a true-colour PNG: red, green and blue bytes of each pixel.
class TrueColourRows {
 public:
  explicit TrueColourRows(const QImage& img) : img_(img) {}
  bool Repeats(int y) const {
    return std::memcmp(img_.constScanLine(y), img_.constScanLine(y - 1), static_cast<size_t>(img_.width()) * 4) == 0;
  }
  void Fill(int y, uint8_t* row) const {
    const QRgb* px = reinterpret_cast<const QRgb*>(img_.constScanLine(y));
    for (int x = 0; x < img_.width(); ++x) {
      row[3 * x] = static_cast<uint8_t>(qRed(px[x]));
      row[3 * x + 1] = static_cast<uint8_t>(qGreen(px[x]));
      row[3 * x + 2] = static_cast<uint8_t>(qBlue(px[x]));
    }
  }

 private:
  const QImage& img_;
};

// An image of at most 256 colours as palette indexes: the colours in order of first
// appearance, and the indexes of every row that differs from the row above.
struct PaletteScan {
  std::vector<QRgb> palette;
  std::vector<uint8_t> repeats;   // 1 for a row equal to the row above
  std::vector<size_t> rowAt;      // where a row's indexes begin in `indexes`
  std::vector<uint8_t> indexes;
};

// Fills `scan`; false when the image has more than 256 colours. Rows equal to the row
// above are compared, not mapped, and a run of one colour is looked up once.
bool ScanPalette(const QImage& img, PaletteScan& scan) {
  const int w = img.width(), h = img.height();
  ColourIndex index;
  // Greys, the colours of most barcodes and of their antialiased text, are also looked up
  // by their level once seen; other colours in the hash table.
  std::array<int16_t, 256> greyIndex;
  greyIndex.fill(-1);
  scan.palette.clear();
  scan.repeats.assign(static_cast<size_t>(h), 0);
  scan.rowAt.assign(static_cast<size_t>(h), 0);
  scan.indexes.clear();
  QRgb last = 0;
  int lastIndex = -1;
  for (int y = 0; y < h; ++y) {
    const QRgb* row = reinterpret_cast<const QRgb*>(img.constScanLine(y));
    if (y > 0 && std::memcmp(row, img.constScanLine(y - 1), static_cast<size_t>(w) * 4) == 0) {
      scan.repeats[y] = 1;
      continue;
    }
    const size_t at = scan.indexes.size();
    scan.rowAt[y] = at;
    scan.indexes.resize(at + static_cast<size_t>(w));
    uint8_t* dst = scan.indexes.data() + at;
    for (int x = 0; x < w; ++x) {
      const QRgb rgb = row[x] & 0xFFFFFF;
      // A grey seen before: no branch that depends on the pixels, which in antialiased
      // text change at nearly every pixel.
      const int16_t known = greyIndex[rgb & 0xFF];
      if (((rgb ^ (rgb >> 8)) & 0xFFFF) == 0 && known >= 0) {
        dst[x] = static_cast<uint8_t>(known);
        continue;
      }
      if (lastIndex < 0 || rgb != last) {
        lastIndex = index.Find(rgb, scan.palette);
        if (lastIndex < 0) return false;
        last = rgb;
        if (((rgb ^ (rgb >> 8)) & 0xFFFF) == 0) greyIndex[rgb & 0xFF] = static_cast<int16_t>(lastIndex);
      }
      dst[x] = static_cast<uint8_t>(lastIndex);
    }
  }
  return true;
}

// The rows of a palette or grey PNG: each pixel's sample (its palette index, or its grey
// level at the bit depth) packed `depth` bits at a time, the leftmost pixel in the
// highest bits, the last byte of a row filled up with zero bits.
class PackedRows {
 public:
  PackedRows(const PaletteScan& scan, int width, int depth, const std::array<uint8_t, 256>& sample)
      : scan_(scan), width_(width), depth_(depth), sample_(sample) {}
  bool Repeats(int y) const { return scan_.repeats[y] != 0; }
  void Fill(int y, uint8_t* row) const {
    const uint8_t* idx = scan_.indexes.data() + scan_.rowAt[y];
    if (depth_ == 8) {
      for (int x = 0; x < width_; ++x) row[x] = sample_[idx[x]];
      return;
    }
    const int perByte = 8 / depth_;
    int x = 0;
    for (; x + perByte <= width_; x += perByte) {
      uint32_t b = 0;
      for (int k = 0; k < perByte; ++k) b = b << depth_ | sample_[idx[x + k]];
      *row++ = static_cast<uint8_t>(b);
    }
    if (x < width_) {
      uint32_t b = 0;
      int bits = 0;
      for (; x < width_; ++x, bits += depth_) b = b << depth_ | sample_[idx[x]];
      *row = static_cast<uint8_t>(b << (8 - bits));
    }
  }

 private:
  const PaletteScan& scan_;
  int width_;
  int depth_;
  const std::array<uint8_t, 256>& sample_;
};

// The smallest of 1, 2, 4 and 8 bits that holds `count` palette indexes.
int PaletteDepth(size_t count) { return count <= 2 ? 1 : count <= 4 ? 2 : count <= 16 ? 4 : 8; }

// The smallest bit depth at which every colour is a grey level exactly (a level v of a
// depth d reads as v * 255 / (2^d - 1)); 0 when a colour is not a grey.
int GreyDepth(const std::vector<QRgb>& palette) {
  int depth = 1;
  for (QRgb c : palette) {
    const int v = qRed(c);
    if (qGreen(c) != v || qBlue(c) != v) return 0;
    while (v % (255 / ((1 << depth) - 1)) != 0) depth *= 2;
  }
  return depth;
}

// The chunks of a PNG file around its compressed image data.
void PutPngFile(std::string& out, int width, int height, int depth, int colourType, const std::string& plte,
                const std::string& compressed) {
  std::string ihdr;
  PutBe32(ihdr, static_cast<uint32_t>(width));
  PutBe32(ihdr, static_cast<uint32_t>(height));
  ihdr += static_cast<char>(depth);
  ihdr += static_cast<char>(colourType);
  ihdr.append(3, '\0');  // deflate, adaptive filtering, not interlaced
  std::string phys;
  PutBe32(phys, kPixelsPerMetre);
  PutBe32(phys, kPixelsPerMetre);
  phys += '\x01';  // unit: metre

  out.reserve(compressed.size() + compressed.size() / 65536 + plte.size() + 128);
  out.assign("\x89PNG\r\n\x1a\n", 8);
  PutPngChunk(out, "IHDR", ihdr.data(), ihdr.size());
  if (!plte.empty()) PutPngChunk(out, "PLTE", plte.data(), plte.size());
  PutPngChunk(out, "pHYs", phys.data(), phys.size());
  constexpr size_t kChunk = size_t{1} << 20;
  for (size_t at = 0; at < compressed.size(); at += kChunk)
    PutPngChunk(out, "IDAT", compressed.data() + at, std::min(kChunk, compressed.size() - at));
  PutPngChunk(out, "IEND", "", 0);
}

// ---- JPEG ---------------------------------------------------------------------------

struct JpegError {
  jpeg_error_mgr mgr;
  std::jmp_buf jump;
};

// libjpeg's default handler ends the process; this one returns to the encoder instead.
void JpegErrorExit(j_common_ptr cinfo) { std::longjmp(reinterpret_cast<JpegError*>(cinfo->err)->jump, 1); }
void JpegSilent(j_common_ptr) {}

// Runs the compressor over RGB rows prepared by the caller. Kept free of objects with
// destructors because an error returns here by longjmp.
bool CompressJpeg(const std::vector<uint8_t>& rgb, int width, int height, int quality, unsigned char** buffer,
                  unsigned long* size) {
  jpeg_compress_struct cinfo;
  JpegError error;
  cinfo.err = jpeg_std_error(&error.mgr);
  error.mgr.error_exit = JpegErrorExit;
  error.mgr.output_message = JpegSilent;
  if (setjmp(error.jump)) {
    jpeg_destroy_compress(&cinfo);
    return false;
  }
  jpeg_create_compress(&cinfo);
  jpeg_mem_dest(&cinfo, buffer, size);
  cinfo.image_width = static_cast<JDIMENSION>(width);
  cinfo.image_height = static_cast<JDIMENSION>(height);
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, quality, TRUE);
  // No chroma subsampling: coloured bars keep sharp edges.
  for (int c = 0; c < cinfo.num_components; ++c) {
    cinfo.comp_info[c].h_samp_factor = 1;
    cinfo.comp_info[c].v_samp_factor = 1;
  }
  cinfo.density_unit = 1;  // dots per inch
  cinfo.X_density = 96;
  cinfo.Y_density = 96;
  jpeg_start_compress(&cinfo, TRUE);
  const size_t stride = static_cast<size_t>(width) * 3;
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW row = const_cast<JSAMPROW>(rgb.data() + cinfo.next_scanline * stride);
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  return true;
}

const char* KindName(ImageKind kind) {
  switch (kind) {
    case ImageKind::Bmp: return "BMP";
    case ImageKind::Gif: return "GIF";
    case ImageKind::Png: return "PNG";
    case ImageKind::Jpeg: return "JPEG";
  }
  return "image";
}

}  // namespace

// 24-bit BMP with a BITMAPINFOHEADER, rows bottom-up, each padded to four bytes.
bool EncodeBmp(const QImage& src, std::string& out) {
  if (src.isNull()) return false;
  const QImage img = AsRgb32(src);
  const uint64_t stride = (static_cast<uint64_t>(img.width()) * 3 + 3) & ~uint64_t{3};
  const uint64_t imageSize = stride * static_cast<uint64_t>(img.height());
  if (54 + imageSize > UINT32_MAX) return false;

  out.reserve(54 + imageSize);
  out += "BM";
  PutLe32(out, static_cast<uint32_t>(54 + imageSize));
  PutLe32(out, 0);   // reserved
  PutLe32(out, 54);  // offset of the pixels
  PutLe32(out, 40);  // BITMAPINFOHEADER
  PutLe32(out, static_cast<uint32_t>(img.width()));
  PutLe32(out, static_cast<uint32_t>(img.height()));  // positive: bottom-up
  PutLe16(out, 1);                                     // planes
  PutLe16(out, 24);                                    // bits per pixel
  PutLe32(out, 0);                                     // BI_RGB
  PutLe32(out, static_cast<uint32_t>(imageSize));
  PutLe32(out, kPixelsPerMetre);
  PutLe32(out, kPixelsPerMetre);
  PutLe32(out, 0);  // colours used
  PutLe32(out, 0);  // important colours

  const size_t header = out.size();
  out.resize(header + imageSize, '\0');
  char* dst = out.data() + header;
  for (int y = img.height() - 1; y >= 0; --y, dst += stride) {
    const QRgb* row = reinterpret_cast<const QRgb*>(img.constScanLine(y));
    for (int x = 0; x < img.width(); ++x) {
      dst[3 * x] = static_cast<char>(qBlue(row[x]));
      dst[3 * x + 1] = static_cast<char>(qGreen(row[x]));
      dst[3 * x + 2] = static_cast<char>(qRed(row[x]));
    }
  }
  return true;
}

// GIF89a with one image and a global colour table: the exact colours when there are at
// most 256, otherwise a median-cut palette.
bool EncodeGif(const QImage& src, std::string& out) {
  if (src.isNull() || src.width() > 65535 || src.height() > 65535) return false;
  const QImage img = AsRgb32(src);
  IndexedImage indexed;
  if (!ExactPalette(img, indexed)) ReducedPalette(img, indexed);

  int tableBits = 1;  // the colour table holds 2^tableBits entries
  while ((1u << tableBits) < indexed.palette.size()) ++tableBits;

  out.clear();
  out += "GIF89a";
  PutLe16(out, static_cast<uint32_t>(img.width()));
  PutLe16(out, static_cast<uint32_t>(img.height()));
  out += static_cast<char>(0x80 | 0x70 | (tableBits - 1));  // global table, 8-bit colour resolution
  out += '\0';                                              // background colour index
  out += '\0';                                              // no aspect ratio
  for (int i = 0; i < (1 << tableBits); ++i) {
    const QRgb c = i < static_cast<int>(indexed.palette.size()) ? indexed.palette[i] : 0;
    out += static_cast<char>(qRed(c));
    out += static_cast<char>(qGreen(c));
    out += static_cast<char>(qBlue(c));
  }
  out += ',';  // image descriptor
  PutLe16(out, 0);
  PutLe16(out, 0);
  PutLe16(out, static_cast<uint32_t>(img.width()));
  PutLe16(out, static_cast<uint32_t>(img.height()));
  out += '\0';  // no local table, not interlaced
  LzwEncode(indexed.pixels, std::max(2, tableBits), out);
  out += ';';  // trailer
  return true;
}

// A PNG without alpha: true colour at 8 bits a channel, or the smallest exact form.
bool EncodePng(const QImage& src, std::string& out, TksPngFormat format) {
  if (src.isNull()) return false;
  const QImage img = AsRgb32(src);
  const int w = img.width(), h = img.height();
  thread_local std::string compressed;
  compressed.clear();
  thread_local PaletteScan scan;
  if (format == pfSmallest && ScanPalette(img, scan)) {
    const int paletteDepth = PaletteDepth(scan.palette.size());
    const int greyDepth = GreyDepth(scan.palette);
    const bool grey = greyDepth > 0 && greyDepth <= paletteDepth;
    const int depth = grey ? greyDepth : paletteDepth;
    std::array<uint8_t, 256> sample{};
    std::string plte;
    for (size_t i = 0; i < scan.palette.size(); ++i) {
      const QRgb c = scan.palette[i];
      sample[i] = grey ? static_cast<uint8_t>(qRed(c) / (255 / ((1 << depth) - 1))) : static_cast<uint8_t>(i);
      if (!grey) {
        plte += static_cast<char>(qRed(c));
        plte += static_cast<char>(qGreen(c));
        plte += static_cast<char>(qBlue(c));
      }
    }
    const size_t rowBytes = (static_cast<size_t>(w) * depth + 7) / 8;
    const PngSearch search = depth < 8 ? PngSearch::Strings : PngSearch::RunLength;
    if (!CompressRows(PackedRows(scan, w, depth, sample), h, rowBytes, 1, search, compressed)) return false;
    PutPngFile(out, w, h, depth, grey ? 0 : 3, plte, compressed);
  } else {
    if (!CompressRows(TrueColourRows(img), h, static_cast<size_t>(w) * 3, 3, PngSearch::RunLength, compressed))
      return false;
    PutPngFile(out, w, h, 8, 2, std::string(), compressed);
  }
  // The buffers stay with the thread for the next image, unless they grew large.
  constexpr size_t kKeep = size_t{16} << 20;
  if (scan.indexes.capacity() > kKeep) scan.indexes = {};
  if (compressed.capacity() > kKeep) compressed = {};
  return true;
}

// Baseline JFIF by libjpeg, without chroma subsampling.
bool EncodeJpeg(const QImage& src, std::string& out, int quality) {
  if (src.isNull() || src.width() > JPEG_MAX_DIMENSION || src.height() > JPEG_MAX_DIMENSION) return false;
  const QImage img = AsRgb32(src);
  std::vector<uint8_t> rgb(static_cast<size_t>(img.width()) * img.height() * 3);
  uint8_t* dst = rgb.data();
  for (int y = 0; y < img.height(); ++y) {
    const QRgb* row = reinterpret_cast<const QRgb*>(img.constScanLine(y));
    for (int x = 0; x < img.width(); ++x) {
      *dst++ = static_cast<uint8_t>(qRed(row[x]));
      *dst++ = static_cast<uint8_t>(qGreen(row[x]));
      *dst++ = static_cast<uint8_t>(qBlue(row[x]));
    }
  }
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  const bool ok = CompressJpeg(rgb, img.width(), img.height(), std::clamp(quality, 1, 100), &buffer, &size);
  if (ok) out.assign(reinterpret_cast<const char*>(buffer), size);
  std::free(buffer);
  return ok;
}

bool WriteImageFile(const QImage& img, ImageKind kind, const std::string& path, std::string& error,
                    TksPngFormat pngFormat) {
  std::string bytes;
  bool encoded = false;
  switch (kind) {
    case ImageKind::Bmp: encoded = EncodeBmp(img, bytes); break;
    case ImageKind::Gif: encoded = EncodeGif(img, bytes); break;
    case ImageKind::Png: encoded = EncodePng(img, bytes, pngFormat); break;
    case ImageKind::Jpeg: encoded = EncodeJpeg(img, bytes); break;
  }
  if (!encoded) {
    error = std::string("Cannot encode the image as ") + KindName(kind) + " for \"" + path + "\"";
    return false;
  }
  return WriteFileAtomic(path, bytes, error);
}

}  // namespace ks
