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

// ---- GIF: palette -------------------------------------------------------------------

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

void PutPngChunk(std::string& out, const char* type, const std::string& data) {
  PutBe32(out, static_cast<uint32_t>(data.size()));
  const size_t start = out.size();
  out.append(type, 4);
  out += data;
  const uLong crc = crc32(0, reinterpret_cast<const Bytef*>(out.data() + start), static_cast<uInt>(out.size() - start));
  PutBe32(out, static_cast<uint32_t>(crc));
}

// A filtered byte read as a signed value, its magnitude: the sum over a row is the usual
// estimate of how well the row compresses. min(b, -b) in bytes is |b| (128 for 128).
inline uint32_t ByteCost(uint8_t b) { return std::min<uint8_t>(b, static_cast<uint8_t>(-b)); }

// Bits of a deflate stream (RFC 1951), least significant first.
class DeflateBits {
 public:
  explicit DeflateBits(std::string& out) : out_(out) {}

  // count <= 32
  void Put(uint32_t bits, int count) {
    acc_ |= static_cast<uint64_t>(bits) << used_;
    used_ += count;
    if (used_ >= 32) {
      const char bytes[4] = {static_cast<char>(acc_), static_cast<char>(acc_ >> 8), static_cast<char>(acc_ >> 16),
                             static_cast<char>(acc_ >> 24)};
      out_.append(bytes, 4);
      acc_ >>= 32;
      used_ -= 32;
    }
  }
  void AlignToByte() {
    if (used_ % 8 != 0) Put(0, 8 - used_ % 8);
    for (; used_ > 0; used_ -= 8) {
      out_ += static_cast<char>(acc_ & 0xFF);
      acc_ >>= 8;
    }
  }

 private:
  std::string& out_;
  uint64_t acc_ = 0;
  int used_ = 0;
};

// Lengths and distances of deflate matches (RFC 1951 3.2.5).
constexpr std::array<uint16_t, 29> kLengthBase = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                                  31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr std::array<uint8_t, 29> kLengthExtra = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                                  2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr std::array<uint16_t, 30> kDistanceBase = {1,    2,    3,    4,    5,    7,    9,    13,    17,    25,
                                                    33,   49,   65,   97,   129,  193,  257,  385,   513,   769,
                                                    1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
constexpr std::array<uint8_t, 30> kDistanceExtra = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
                                                    6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};
// Order in which the code lengths of the code-length alphabet are sent (RFC 1951 3.2.7).
constexpr std::array<uint8_t, 19> kCodeLengthOrder = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};
constexpr int kMinMatch = 3;
constexpr int kMaxMatch = 258;
constexpr int kMaxDistance = 32768;

// Code lengths of a Huffman code for the frequencies, none longer than `limit`. Symbols
// with frequency 0 get no code; a single symbol gets a 1-bit code.
std::vector<uint8_t> HuffmanLengths(std::vector<uint32_t> freq, int limit) {
  const size_t n = freq.size();
  std::vector<uint8_t> lengths(n, 0);
  // A symbol whose share is at least 1/F(limit + 2) (F the Fibonacci numbers) gets a
  // code of at most `limit` bits; raising rare symbols to that share first makes the
  // halving below an exception.
  uint64_t total = 0;
  for (uint32_t f : freq) total += f;
  uint64_t fib[2] = {1, 1};
  for (int i = 2; i < limit + 2; ++i) fib[i % 2] = fib[0] + fib[1];
  const uint64_t floor = total / std::max(fib[0], fib[1]) + 1;
  for (auto& f : freq)
    if (f > 0 && f < floor) f = static_cast<uint32_t>(floor);

  std::vector<int> leaves;
  for (size_t i = 0; i < n; ++i)
    if (freq[i] > 0) leaves.push_back(static_cast<int>(i));
  if (leaves.empty()) return lengths;
  if (leaves.size() == 1) {
    lengths[static_cast<size_t>(leaves[0])] = 1;
    return lengths;
  }
  for (;;) {
    // By weight, then symbol: sorted as plain numbers weight << 16 | symbol.
    std::vector<uint64_t> keys(leaves.size());
    for (size_t k = 0; k < leaves.size(); ++k)
      keys[k] = static_cast<uint64_t>(freq[static_cast<size_t>(leaves[k])]) << 16 | static_cast<uint64_t>(leaves[k]);
    std::sort(keys.begin(), keys.end());
    for (size_t k = 0; k < leaves.size(); ++k) leaves[k] = static_cast<int>(keys[k] & 0xFFFF);
    // Two queues: the leaves in order of weight and the merged nodes, which come out in
    // order of weight by themselves. Node k < m is leaf k; merged nodes follow.
    const size_t m = leaves.size();
    std::vector<uint64_t> weight(2 * m - 1);
    std::vector<int> parent(2 * m - 1, -1);
    for (size_t k = 0; k < m; ++k) weight[k] = freq[static_cast<size_t>(leaves[k])];
    size_t nextLeaf = 0, nextNode = m, made = m;
    auto take = [&]() {
      if (nextLeaf < m && (nextNode >= made || weight[nextLeaf] <= weight[nextNode])) return nextLeaf++;
      return nextNode++;
    };
    while (made < 2 * m - 1) {
      const size_t a = take(), b = take();
      weight[made] = weight[a] + weight[b];
      parent[a] = parent[b] = static_cast<int>(made);
      ++made;
    }
    // Depths from the root (the last node) down; parents come after their children.
    std::vector<int> depth(2 * m - 1, 0);
    int deepest = 0;
    for (size_t k = 2 * m - 1; k-- > 0;) {
      if (parent[k] >= 0) depth[k] = depth[static_cast<size_t>(parent[k])] + 1;
      if (k < m) deepest = std::max(deepest, depth[k]);
    }
    if (deepest <= limit) {
      for (size_t k = 0; k < m; ++k) lengths[static_cast<size_t>(leaves[k])] = static_cast<uint8_t>(depth[k]);
      return lengths;
    }
    for (int leaf : leaves) freq[static_cast<size_t>(leaf)] = std::max<uint32_t>(1, freq[static_cast<size_t>(leaf)] / 2);
  }
}

// Canonical codes of the lengths (RFC 1951 3.2.2), bit-reversed for the LSB-first stream.
std::vector<uint16_t> CanonicalCodes(const std::vector<uint8_t>& lengths) {
  std::array<uint16_t, 16> count{}, next{};
  for (uint8_t l : lengths)
    if (l > 0) ++count[l];
  uint16_t code = 0;
  for (int bits = 1; bits < 16; ++bits) {
    code = static_cast<uint16_t>((code + count[bits - 1]) << 1);
    next[bits] = code;
  }
  std::vector<uint16_t> codes(lengths.size(), 0);
  for (size_t i = 0; i < lengths.size(); ++i) {
    const int l = lengths[i];
    if (l == 0) continue;
    const uint16_t c = next[l]++;
    uint16_t reversed = 0;
    for (int b = 0; b < l; ++b) reversed = static_cast<uint16_t>(reversed | (((c >> b) & 1) << (l - 1 - b)));
    codes[i] = reversed;
  }
  return codes;
}

// The Adler-32 checksum of zlib (RFC 1950) continued over data[0..n-1]. In blocks of
// 4096 bytes the byte sum and the weighted sum fit 32 bits, and the loops are plain sums
// the compiler can do many bytes at a time.
uLong Adler32(uLong adler, const uint8_t* data, size_t n) {
  constexpr uint32_t kBase = 65521;
  uint64_t a = adler & 0xFFFF, b = adler >> 16;
  while (n > 0) {
    const uint32_t block = static_cast<uint32_t>(std::min<size_t>(n, 4096));
    uint32_t sum = 0, weighted = 0;
    for (uint32_t i = 0; i < block; ++i) {
      sum += data[i];
      weighted += (block - i) * static_cast<uint32_t>(data[i]);
    }
    b = (b + block * a + weighted) % kBase;
    a = (a + sum) % kBase;
    data += block;
    n -= block;
  }
  return static_cast<uLong>(b << 16 | a);
}

// Slot of every match length 0..258.
constexpr std::array<uint8_t, kMaxMatch + 1> MakeLengthSlots() {
  std::array<uint8_t, kMaxMatch + 1> t{};
  for (int len = 0; len <= kMaxMatch; ++len) {
    int l = 28;
    while (l > 0 && kLengthBase[l] > len) --l;
    t[len] = static_cast<uint8_t>(l);
  }
  return t;
}

constexpr std::array<uint8_t, kMaxMatch + 1> kLengthSlots = MakeLengthSlots();

int LengthSlot(int length) { return kLengthSlots[length]; }

// Distances 1..4 have a slot each; above, every power of two is split into two slots.
constexpr int DistanceSlot(int distance) {
  if (distance <= 4) return distance - 1;
  const unsigned x = static_cast<unsigned>(distance - 1);
  const int log = std::bit_width(x) - 1;
  return 2 * log + static_cast<int>((x >> (log - 1)) & 1);
}

constexpr bool DistanceSlotsAgree() {
  for (int d = 1; d <= kMaxDistance; ++d) {
    const int k = DistanceSlot(d);
    if (kDistanceBase[k] > d || (k < 29 && kDistanceBase[k + 1] <= d)) return false;
  }
  return true;
}
static_assert(DistanceSlotsAgree());

// How many bytes from a and b agree, at most `limit`; eight at a time.
size_t CommonLength(const uint8_t* a, const uint8_t* b, size_t limit) {
  size_t k = 0;
  while (k + 8 <= limit) {
    uint64_t x, y;
    std::memcpy(&x, a + k, 8);
    std::memcpy(&y, b + k, 8);
    if (x != y) return k + static_cast<size_t>(std::countr_zero(x ^ y) / 8);
    k += 8;
  }
  while (k < limit && a[k] == b[k]) ++k;
  return k;
}

// The zlib stream of a PNG's filtered rows. Rows are turned into deflate tokens by a
// matcher made for barcodes: a row that repeats the row above (nearly every row of a
// symbol) is a copy of the row before, and the bytes of other rows are matched against
// the byte before (runs), the pixel before and the row above; the tokens are then coded
// in blocks with Huffman codes made for them. This is much faster than a general
// compressor and gives files of about the same size for barcode images.
class PngData {
 public:
  PngData(std::string& out, size_t rowLength) : out_(out), bits_(out), rowLength_(rowLength) {
    out_ += '\x78';  // deflate, 32 KiB window
    out_ += '\x01';  // no dictionary; check bits
    prev_.assign(rowLength, 0);
  }

  // A row that differs from the one above: filter byte and filtered bytes.
  void AddRow(const uint8_t* row) {
    adler_ = Adler32(adler_, row, rowLength_);
    const size_t n = rowLength_;
    const bool above = havePrev_ && n <= static_cast<size_t>(kMaxDistance);
    size_t i = 0;
    while (i < n) {
      const size_t limit = std::min(n - i, static_cast<size_t>(kMaxMatch));
      size_t best = 0;
      int distance = 0;
      // A match needs three equal bytes; most literal positions fail at the first.
      auto starts = [&](const uint8_t* ref) {
        return limit >= static_cast<size_t>(kMinMatch) && row[i] == ref[0] && row[i + 1] == ref[1] && row[i + 2] == ref[2];
      };
      if (above && starts(prev_.data() + i)) {
        best = CommonLength(row + i, prev_.data() + i, limit);
        distance = static_cast<int>(n);
      }
      for (int d : {1, 3}) {
        if (i < static_cast<size_t>(d) || best == limit || !starts(row + i - d)) continue;
        const size_t k = CommonLength(row + i, row + i - d, limit);
        if (k > best) best = k, distance = d;
      }
      if (best >= static_cast<size_t>(kMinMatch)) {
        Match(static_cast<int>(best), distance);
        i += best;
      } else {
        Literal(row[i++]);
      }
    }
    std::copy(row, row + n, prev_.begin());
    havePrev_ = true;
    prevIsZeroRow_ = false;
  }

  // A row equal to the one above, which filter Up turns into a 2 and zeros.
  void AddRepeat() {
    const size_t n = rowLength_;
    if (zeroRowAdler_ == 0) {
      std::vector<uint8_t> zero(n, 0);
      zero[0] = 2;
      zeroRowAdler_ = adler32(adler32(0, nullptr, 0), zero.data(), static_cast<uInt>(n));
    }
    adler_ = adler32_combine(adler_, zeroRowAdler_, static_cast<z_off_t>(n));
    // The filter byte and a zero as literals, the other zeros as copies of the byte
    // before: copies from one byte back need no extra bits, which makes these rows
    // cheaper than copies of the whole row above.
    Literal(2);
    if (n > 1) Literal(0);
    if (n > 2) Copy(n - 2, 1);
    if (!prevIsZeroRow_) {
      std::fill(prev_.begin(), prev_.end(), 0);
      prev_[0] = 2;
      havePrev_ = true;
      prevIsZeroRow_ = true;
    }
  }

  void Finish() {
    WriteBlock(true);
    bits_.AlignToByte();
    for (int shift = 24; shift >= 0; shift -= 8) out_ += static_cast<char>((adler_ >> shift) & 0xFF);
  }

 private:
  static std::vector<uint32_t>& TokenBuffer() {
    thread_local std::vector<uint32_t> buffer;
    buffer.clear();
    return buffer;
  }

  // A token is a literal byte (below 256) or a match with bit 31 set, holding the slots
  // and extra-bit values of its length and distance: length slot in bits 26..30, its
  // extra value in 21..25, distance slot in 16..20, its extra value in 0..12.
  static constexpr uint32_t kMatchFlag = 0x80000000u;
  static constexpr size_t kBlockTokens = size_t{1} << 16;

  void Literal(uint8_t b) {
    tokens_.push_back(b);
    ++litFreq_[b];
    if (tokens_.size() >= kBlockTokens) WriteBlock(false);
  }
  void Match(int length, int distance) {
    const int l = LengthSlot(length), d = DistanceSlot(distance);
    tokens_.push_back(kMatchFlag | static_cast<uint32_t>(l) << 26 |
                      static_cast<uint32_t>(length - kLengthBase[l]) << 21 | static_cast<uint32_t>(d) << 16 |
                      static_cast<uint32_t>(distance - kDistanceBase[d]));
    ++litFreq_[257 + l];
    ++distFreq_[d];
    if (tokens_.size() >= kBlockTokens) WriteBlock(false);
  }
  // `length` bytes from `distance` back, in matches of 3..258 bytes (a copy never ends
  // in a piece too short for a match, except a copy that is that short itself).
  void Copy(size_t length, int distance) {
    while (length > 0) {
      size_t m = std::min<size_t>(length, kMaxMatch);
      if (length > kMaxMatch && length - kMaxMatch < static_cast<size_t>(kMinMatch)) m = length - kMinMatch;
      if (m < static_cast<size_t>(kMinMatch)) {
        for (size_t i = 0; i < m; ++i) Literal(0);  // only zero runs are this short
      } else {
        Match(static_cast<int>(m), distance);
      }
      length -= m;
    }
  }

  // Writes the tokens so far as one block with dynamic Huffman codes.
  void WriteBlock(bool last) {
    litFreq_[256] = 1;  // end of block
    // Two codes at least in each alphabet keep both codes complete.
    if (std::count_if(litFreq_.begin(), litFreq_.end(), [](uint32_t f) { return f > 0; }) < 2) ++litFreq_[0];
    for (int d = 0; std::count_if(distFreq_.begin(), distFreq_.end(), [](uint32_t f) { return f > 0; }) < 2; ++d)
      if (distFreq_[d] == 0) distFreq_[d] = 1;
    const std::vector<uint8_t> litLengths = HuffmanLengths(std::vector<uint32_t>(litFreq_.begin(), litFreq_.end()), 15);
    const std::vector<uint8_t> distLengths = HuffmanLengths(std::vector<uint32_t>(distFreq_.begin(), distFreq_.end()), 15);
    int hlit = 286, hdist = 30;
    while (hlit > 257 && litLengths[hlit - 1] == 0) --hlit;
    while (hdist > 1 && distLengths[hdist - 1] == 0) --hdist;

    // The code lengths of both alphabets in one sequence, run-length coded with the
    // symbols 16 (repeat the previous 3..6 times), 17 (3..10 zeros) and 18 (11..138 zeros).
    std::vector<uint8_t> all(litLengths.begin(), litLengths.begin() + hlit);
    all.insert(all.end(), distLengths.begin(), distLengths.begin() + hdist);
    std::vector<std::pair<uint8_t, uint8_t>> runs;  // symbol, extra value
    std::vector<uint32_t> clFreq(19, 0);
    for (size_t i = 0; i < all.size();) {
      size_t j = i;
      while (j < all.size() && all[j] == all[i]) ++j;
      size_t run = j - i;
      if (all[i] == 0) {
        while (run >= 11) {
          const size_t m = std::min<size_t>(run, 138);
          runs.emplace_back(18, static_cast<uint8_t>(m - 11));
          run -= m;
        }
        if (run >= 3) {
          runs.emplace_back(17, static_cast<uint8_t>(run - 3));
          run = 0;
        }
      } else {
        runs.emplace_back(all[i], 0);
        --run;
        while (run >= 3) {
          const size_t m = std::min<size_t>(run, 6);
          runs.emplace_back(16, static_cast<uint8_t>(m - 3));
          run -= m;
        }
      }
      for (; run > 0; --run) runs.emplace_back(all[i], 0);
      i = j;
    }
    for (const auto& r : runs) ++clFreq[r.first];
    const std::vector<uint8_t> clLengths = HuffmanLengths(clFreq, 7);
    const std::vector<uint16_t> clCodes = CanonicalCodes(clLengths);
    int hclen = 19;
    while (hclen > 4 && clLengths[kCodeLengthOrder[hclen - 1]] == 0) --hclen;

    bits_.Put(last ? 1 : 0, 1);
    bits_.Put(2, 2);  // dynamic Huffman codes
    bits_.Put(static_cast<uint32_t>(hlit - 257), 5);
    bits_.Put(static_cast<uint32_t>(hdist - 1), 5);
    bits_.Put(static_cast<uint32_t>(hclen - 4), 4);
    for (int i = 0; i < hclen; ++i) bits_.Put(clLengths[kCodeLengthOrder[i]], 3);
    for (const auto& [symbol, extra] : runs) {
      bits_.Put(clCodes[symbol], clLengths[symbol]);
      if (symbol == 16) bits_.Put(extra, 2);
      if (symbol == 17) bits_.Put(extra, 3);
      if (symbol == 18) bits_.Put(extra, 7);
    }

    const std::vector<uint16_t> litCodes = CanonicalCodes(litLengths);
    const std::vector<uint16_t> distCodes = CanonicalCodes(distLengths);
    for (uint32_t t : tokens_) {
      if (!(t & kMatchFlag)) {
        bits_.Put(litCodes[t], litLengths[t]);
        continue;
      }
      // Each code with its extra bits in one go: at most 15 + 5 and 15 + 13 bits.
      const uint32_t l = (t >> 26) & 0x1F, d = (t >> 16) & 0x1F;
      const int ll = litLengths[257 + l], dl = distLengths[d];
      bits_.Put(litCodes[257 + l] | ((t >> 21) & 0x1F) << ll, ll + kLengthExtra[l]);
      bits_.Put(distCodes[d] | (t & 0x1FFF) << dl, dl + kDistanceExtra[d]);
    }
    bits_.Put(litCodes[256], litLengths[256]);
    tokens_.clear();
    litFreq_.fill(0);
    distFreq_.fill(0);
  }

  std::string& out_;
  DeflateBits bits_;
  size_t rowLength_;
  std::vector<uint8_t> prev_;  // the filtered row above
  bool havePrev_ = false;
  bool prevIsZeroRow_ = false;
  uLong zeroRowAdler_ = 0;
  uLong adler_ = 1;
  // Kept by each thread between images, so that a batch does not allocate and free the
  // token buffer (up to 256 KiB) for every file.
  std::vector<uint32_t>& tokens_ = TokenBuffer();
  std::array<uint32_t, 286> litFreq_{};
  std::array<uint32_t, 30> distFreq_{};
};

// Filters every row and compresses the image data. A row equal to the row above is
// filtered with Up (all zeros); any other row with Up, Sub or None, whichever gives the
// smallest cost (Up wins ties).
bool CompressRows(const QImage& img, std::string& out) {
  const int w = img.width(), h = img.height();
  const size_t rowBytes = static_cast<size_t>(w) * 3;
  PngData data(out, rowBytes + 1);
  std::vector<uint8_t> prev(rowBytes), cur(rowBytes), up(rowBytes), sub(rowBytes), line(rowBytes + 1);
  for (int y = 0; y < h; ++y) {
    const QRgb* row = reinterpret_cast<const QRgb*>(img.constScanLine(y));
    if (y > 0 && std::memcmp(row, img.constScanLine(y - 1), static_cast<size_t>(w) * sizeof(QRgb)) == 0) {
      data.AddRepeat();
      continue;  // `prev` already holds this row's colours
    }
    for (int x = 0; x < w; ++x) {
      cur[3 * x] = static_cast<uint8_t>(qRed(row[x]));
      cur[3 * x + 1] = static_cast<uint8_t>(qGreen(row[x]));
      cur[3 * x + 2] = static_cast<uint8_t>(qBlue(row[x]));
    }
    // The three filters and their costs in one pass over the row.
    uint32_t costNone = 0, costUp = 0, costSub = 0;
    for (size_t i = 0; i < rowBytes; ++i) {
      const uint8_t c = cur[i];
      const uint8_t u = static_cast<uint8_t>(c - prev[i]);
      const uint8_t d = static_cast<uint8_t>(c - (i >= 3 ? cur[i - 3] : 0));
      up[i] = u;
      sub[i] = d;
      costNone += ByteCost(c);
      costUp += ByteCost(u);
      costSub += ByteCost(d);
    }
    uint8_t filter = 0;
    const std::vector<uint8_t>* best = &cur;
    uint32_t bestCost = costNone;
    if (y > 0 && costUp <= bestCost) filter = 2, best = &up, bestCost = costUp;
    if (costSub < bestCost) filter = 1, best = &sub;
    line[0] = filter;
    std::copy(best->begin(), best->end(), line.begin() + 1);
    data.AddRow(line.data());
    std::swap(prev, cur);
  }
  data.Finish();
  return true;
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

  out.clear();
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

// True-colour PNG, 8 bits per channel, no alpha.
bool EncodePng(const QImage& src, std::string& out) {
  if (src.isNull()) return false;
  const QImage img = AsRgb32(src);
  std::string compressed;
  if (!CompressRows(img, compressed)) return false;

  std::string ihdr;
  PutBe32(ihdr, static_cast<uint32_t>(img.width()));
  PutBe32(ihdr, static_cast<uint32_t>(img.height()));
  ihdr += '\x08';        // bit depth
  ihdr += '\x02';        // colour type: RGB
  ihdr.append(3, '\0');  // deflate, adaptive filtering, not interlaced
  std::string phys;
  PutBe32(phys, kPixelsPerMetre);
  PutBe32(phys, kPixelsPerMetre);
  phys += '\x01';  // unit: metre

  out.assign("\x89PNG\r\n\x1a\n", 8);
  PutPngChunk(out, "IHDR", ihdr);
  PutPngChunk(out, "pHYs", phys);
  constexpr size_t kChunk = size_t{1} << 20;
  for (size_t at = 0; at < compressed.size(); at += kChunk) PutPngChunk(out, "IDAT", compressed.substr(at, kChunk));
  PutPngChunk(out, "IEND", "");
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

bool WriteImageFile(const QImage& img, ImageKind kind, const std::string& path, std::string& error) {
  std::string bytes;
  bool encoded = false;
  switch (kind) {
    case ImageKind::Bmp: encoded = EncodeBmp(img, bytes); break;
    case ImageKind::Gif: encoded = EncodeGif(img, bytes); break;
    case ImageKind::Png: encoded = EncodePng(img, bytes); break;
    case ImageKind::Jpeg: encoded = EncodeJpeg(img, bytes); break;
  }
  if (!encoded) {
    error = std::string("Cannot encode the image as ") + KindName(kind) + " for \"" + path + "\"";
    return false;
  }
  return WriteFileAtomic(path, bytes, error);
}

}  // namespace ks
