#include "engine/matrix/qrcode.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdlib>

#include "engine/matrix/qr_sjis.h"
#include "engine/matrix/qr_tables.h"
#include "engine/matrix/reedsolomon.h"
#include "engine/params.h"
#include "engine/ustring.h"

namespace ks {

namespace {

// Cell codes of the module matrix (see TksMatrix: the parity gives the colour).
constexpr char16_t kLight = u'0';  // a data cell before any codeword bit is placed
constexpr char16_t kFuncLight = u'2';
constexpr char16_t kFuncDark = u'3';
constexpr char16_t kVersionLight = u'4';
constexpr char16_t kVersionDark = u'5';
constexpr char16_t kFormatLight = u'6';
constexpr char16_t kFormatDark = u'7';
constexpr char16_t kLightMasked = u'8';  // a data cell the mask turned light
constexpr char16_t kDarkMasked = u'9';   // a data cell the mask turned dark

// ISO/IEC 18004 Table 5: the 45 characters of alphanumeric mode in value order.
constexpr std::string_view kAlphanumeric = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ $%*+-./:";
constexpr int kPercentValue = 38;
constexpr char kGS = 29;

// Character classes of the single-segment mode rule, ordered like the modes.
constexpr int kClassNumeric = 1;
constexpr int kClassAlphanumeric = 2;
constexpr int kClassByte = 3;

int AlphanumericValue(char c) {
  auto p = kAlphanumeric.find(c);
  return p == std::string_view::npos ? -1 : static_cast<int>(p);
}

std::string Zeros(size_t n) { return std::string(n, '0'); }

// Appends the n low bits of value as "0"/"1" characters, most significant first, in
// place (the streams are built bit by bit and can be tens of thousands long).
void AppendBits(std::string& s, long long value, int n) {
  if (n <= 0) return;
  const size_t at = s.size();
  s.resize(at + static_cast<size_t>(n));
  for (int i = 0; i < n; ++i) s[at + i] = ((value >> (n - 1 - i)) & 1) ? '1' : '0';
}

// Mode indicators: QR 4 bits; Micro QR M1..M4 use 0..3 bits, the mode's number minus one
// (ISO/IEC 18004 Table 2).
std::string ModeIndicator(TksQrMode mode, int ver, bool micro) {
  if (!micro) {
    switch (mode) {
      case QrNumeric: return "0001";
      case QrAlphanumeric: return "0010";
      case QrBytes: return "0100";
      default: return "1000";
    }
  }
  return IntToBits(static_cast<int>(mode) - 1, ver - 1);
}

// Bits of the character count indicator (ISO/IEC 18004 Table 3); 0 = mode not available.
int CountBits(TksQrMode mode, int ver, bool micro) {
  static constexpr std::array<std::array<int, 3>, 4> kQr = {{{10, 12, 14}, {9, 11, 13}, {8, 16, 16}, {8, 10, 12}}};
  static constexpr std::array<std::array<int, 4>, 4> kMicro = {{{3, 4, 5, 6}, {0, 3, 4, 5}, {0, 0, 4, 5}, {0, 0, 3, 4}}};
  int m = static_cast<int>(mode) - 1;
  if (m < 0 || m > 3) return 0;
  if (micro) return kMicro[m][ver - 1];
  return kQr[m][ver <= 9 ? 0 : ver <= 26 ? 1 : 2];
}

// Shift JIS codes of the text's characters for Kanji mode. On a character without one,
// answers false with failPos its 1-based byte position.
bool KanjiCodes(const std::string& text, std::vector<uint16_t>& codes, int& failPos) {
  codes.clear();
  size_t i = 0;
  while (i < text.size()) {
    size_t start = i;
    const uint16_t code = QrShiftJis(DecodeUtf8(text, i));  // 0 for a malformed sequence too
    if (code == 0) {
      failPos = static_cast<int>(start) + 1;
      return false;
    }
    codes.push_back(code);
  }
  return true;
}

// The character at a 1-based byte position, for the error record.
std::u16string CharAt(const std::string& text, int pos) {
  size_t end = static_cast<size_t>(pos - 1);
  DecodeUtf8(text, end);
  return FromUtf8(text.substr(static_cast<size_t>(pos - 1), end - static_cast<size_t>(pos - 1)));
}

// FNC1 in second position: the data text begins with the application indicator, two
// digits or one letter. Answers its length, or 0 when the text begins otherwise.
size_t ApplicationIndicatorLength(const std::string& text) {
  if (text.size() >= 2 && IsDigit(text[0]) && IsDigit(text[1])) return 2;
  if (!text.empty() && ((text[0] >= 'A' && text[0] <= 'Z') || (text[0] >= 'a' && text[0] <= 'z'))) return 1;
  return 0;
}

// ISO/IEC 18004, FNC1 in second position: the 8-bit application indicator is the value
// 00..99 of two digits, or the ASCII value of a letter plus 100.
int ApplicationIndicatorValue(const std::string& text, size_t length) {
  return length == 2 ? (text[0] - '0') * 10 + (text[1] - '0') : static_cast<unsigned char>(text[0]) + 100;
}

// Numeric mode: groups of three digits in 10 bits, a final two in 7, a final one in 4.
// The text holds digits only.
std::string NumericBits(const std::string& text) {
  std::string out;
  out.reserve(text.size() / 3 * 10 + 7);
  for (size_t i = 0; i < text.size(); i += 3) {
    size_t n = std::min<size_t>(3, text.size() - i);
    int value = 0;
    for (size_t k = 0; k < n; ++k) value = value * 10 + (text[i + k] - '0');
    AppendBits(out, value, n == 3 ? 10 : n == 2 ? 7 : 4);
  }
  return out;
}

// Alphanumeric mode: pairs as 45*a + b in 11 bits, a final single value in 6 bits.
std::string AlphanumericBits(const std::vector<int>& values) {
  std::string out;
  out.reserve(values.size() / 2 * 11 + 6);
  for (size_t i = 0; i < values.size(); i += 2) {
    if (i + 1 < values.size())
      AppendBits(out, values[i] * 45 + values[i + 1], 11);
    else
      AppendBits(out, values[i], 6);
  }
  return out;
}

// Kanji mode: each Shift JIS code compacted to 13 bits (ISO/IEC 18004 7.4.6).
std::string KanjiBits(const std::vector<uint16_t>& codes) {
  std::string out;
  for (uint16_t c : codes) {
    int v = c <= 0x9FFC ? c - 0x8140 : c - 0xC140;
    AppendBits(out, (v >> 8) * 0xC0 + (v & 0xFF), 13);
  }
  return out;
}

constexpr bool MaskCondition(int mask, int x, int y) {
  switch (mask) {
    case 0: return (x + y) % 2 == 0;
    case 1: return y % 2 == 0;
    case 2: return x % 3 == 0;
    case 3: return (x + y) % 3 == 0;
    case 4: return (x / 3 + y / 2) % 2 == 0;
    case 5: return (x * y) % 2 + (x * y) % 3 == 0;
    case 6: return ((x * y) % 2 + (x * y) % 3) % 2 == 0;
    case 7: return ((x * y) % 3 + (x + y) % 2) % 2 == 0;
    default: return false;
  }
}

// Inverts every data cell the mask selects; function cells are untouched.
void ApplyMask(TksMatrix& m, int mask) {
  for (int y = 0; y < m.NR; ++y)
    for (int x = 0; x < m.NC; ++x)
      if (m.IsData(x, y) && MaskCondition(mask, x, y))
        m.Point2D(x, y, m.IsBlack(x, y) ? kLightMasked : kDarkMasked);
}

bool IsMicroMask(int mask) { return mask == 1 || mask == 4 || mask == 6 || mask == 7; }

void DrawFinder(TksMatrix& m, int cx, int cy) {
  m.Rect2D(cx - 3, cy - 3, cx + 3, cy + 3, kFuncDark);
  m.Rect2D(cx - 1, cy - 1, cx + 1, cy + 1, kFuncDark);
  m.Point2D(cx, cy, kFuncDark);
  m.Rect2D(cx - 2, cy - 2, cx + 2, cy + 2, kFuncLight);
  m.Rect2D(cx - 4, cy - 4, cx + 4, cy + 4, kFuncLight);  // separator, clipped at the edge
}

void DrawAlignment(TksMatrix& m, int cx, int cy) {
  m.Point2D(cx, cy, kFuncDark);
  m.Rect2D(cx - 1, cy - 1, cx + 1, cy + 1, kFuncLight);
  m.Rect2D(cx - 2, cy - 2, cx + 2, cy + 2, kFuncDark);
}

// Visits the cells of the format information of a QR symbol, bit 0 first: the copy
// around the top-left finder, then the copy split between the other two.
template <class F>
void ForEachFormatCell(int size, F&& f) {
  for (int i = 0; i <= 5; ++i) f(i, 8, i);
  f(6, 8, 7);
  f(7, 8, 8);
  f(8, 7, 8);
  for (int i = 9; i < 15; ++i) f(i, 14 - i, 8);
  for (int i = 0; i < 8; ++i) f(i, size - 1 - i, 8);
  for (int i = 8; i < 15; ++i) f(i, 8, size - 15 + i);
}

template <class F>
void ForEachMicroFormatCell(F&& f) {
  for (int i = 0; i <= 6; ++i) f(i, 8, i + 1);
  for (int i = 7; i < 15; ++i) f(i, 15 - i, 8);
}

// Both copies of the version information, bit 0 first.
template <class F>
void ForEachVersionCell(int size, F&& f) {
  for (int i = 0; i < 18; ++i) {
    f(i, i / 3, size - 11 + i % 3);
    f(i, size - 11 + i % 3, i / 3);
  }
}

int MicroSymbolNumber(int ver, TksQrEccLevel ecc) {
  static constexpr std::array<int, 5> kFirst = {0, 0, 1, 3, 5};
  return kFirst[ver] + (ver == 1 ? 0 : static_cast<int>(ecc));
}

int MicroMaskField(int mask) { return mask == 4 ? 1 : mask == 6 ? 2 : mask == 7 ? 3 : 0; }

// ---- Mask penalty on bit rows ------------------------------------------------------
// The penalty rules are evaluated on rows and columns of module colours held as bits
// (bit x of a row is module x; 1 dark), so that one machine word covers 64 modules and
// every rule is a handful of shifts, ANDs and population counts per line.

constexpr int kMaxSize = 177;  // version 40
constexpr int kLineWords = 3;  // 192 bits: a line plus one module of padding each side

struct Line {
  std::array<uint64_t, kLineWords> w{};

  constexpr void Set(int x) { w[x >> 6] |= uint64_t{1} << (x & 63); }
  constexpr bool Get(int x) const { return (w[x >> 6] >> (x & 63)) & 1; }
  friend constexpr Line operator&(Line a, const Line& b) {
    for (int i = 0; i < kLineWords; ++i) a.w[i] &= b.w[i];
    return a;
  }
  friend constexpr Line operator^(Line a, const Line& b) {
    for (int i = 0; i < kLineWords; ++i) a.w[i] ^= b.w[i];
    return a;
  }
  friend constexpr Line operator~(Line a) {
    for (auto& x : a.w) x = ~x;
    return a;
  }
  // Bit x of the result is bit x + k of this line (0 past the end); k < 64.
  constexpr Line Next(int k) const {
    Line r;
    for (int i = 0; i < kLineWords; ++i) {
      r.w[i] = w[i] >> k;
      if (k > 0 && i + 1 < kLineWords) r.w[i] |= w[i + 1] << (64 - k);
    }
    return r;
  }
  // Bit x of the result is bit x - k of this line (0 before the start); 0 < k < 64.
  constexpr Line Prev(int k) const {
    Line r;
    for (int i = kLineWords - 1; i >= 0; --i) {
      r.w[i] = w[i] << k;
      if (i > 0) r.w[i] |= w[i - 1] >> (64 - k);
    }
    return r;
  }
  int Count() const {
    int n = 0;
    for (uint64_t x : w) n += std::popcount(x);
    return n;
  }
};

// Bits 0..n-1 set.
constexpr Line FirstBits(int n) {
  Line r;
  for (int x = 0; x < n; ++x) r.Set(x);
  return r;
}

// Where each mask's condition holds, by rows (bit x of row y) and by columns (bit y of
// column x), as wide as the largest symbol. Every condition depends only on x mod 6 and
// y mod 12 (x mod 2, x mod 3, x div 3 mod 2, y div 2 mod 2, x*y mod 6), so twelve rows
// and six columns per mask describe every symbol.
constexpr int kRowPeriod = 12;
constexpr int kColumnPeriod = 6;

struct MaskLines {
  std::array<std::array<Line, kRowPeriod>, 8> rows{};
  std::array<std::array<Line, kColumnPeriod>, 8> columns{};
};

constexpr MaskLines MakeMaskLines() {
  MaskLines t;
  for (int mask = 0; mask < 8; ++mask) {
    for (int y = 0; y < kRowPeriod; ++y)
      for (int x = 0; x < kMaxSize; ++x)
        if (MaskCondition(mask, x, y)) t.rows[mask][y].Set(x);
    for (int x = 0; x < kColumnPeriod; ++x)
      for (int y = 0; y < kMaxSize; ++y)
        if (MaskCondition(mask, x, y)) t.columns[mask][x].Set(y);
  }
  return t;
}

constexpr MaskLines kMaskLines = MakeMaskLines();

// Module colours and data flags of a square matrix as rows and columns of bits.
struct ColourLines {
  int size = 0;
  std::vector<Line> rows, columns;          // colours, 1 dark
  std::vector<Line> dataRows, dataColumns;  // 1 where a mask may invert the module
};

void ReadColourLines(const TksMatrix& m, ColourLines& out) {
  const int size = m.NC;
  out.size = size;
  out.rows.assign(size, Line{});
  out.columns.assign(size, Line{});
  out.dataRows.assign(size, Line{});
  out.dataColumns.assign(size, Line{});
  for (int y = 0; y < size; ++y)
    for (int x = 0; x < size; ++x) {
      const char16_t c = m.GetPoint2D(x, y);
      if (((static_cast<int>(c) - '0') % 2) == 1) {
        out.rows[y].Set(x);
        out.columns[x].Set(y);
      }
      if (c <= u'1') {
        out.dataRows[y].Set(x);
        out.dataColumns[x].Set(y);
      }
    }
}

// Runs of five or more modules of one colour: n - 2 each. A run of n has n - 4 windows
// of five equal modules, and its first window is the one whose left neighbour is not.
int RunPenalty(const Line& line, const Line& pairs) {
  const Line eq = ~(line ^ line.Next(1)) & pairs;  // bit x: modules x and x + 1 equal
  const Line five = eq & eq.Next(1) & eq.Next(2) & eq.Next(3);
  const Line first = five & ~five.Prev(1);
  return five.Count() + 2 * first.Count();
}

// Dark, light, dark, dark, dark, light, dark with a light (or no) module on either side:
// the line is shifted by one so that bit 0 stands for the light module before it.
int FinderPenalty(const Line& line, const Line& starts) {
  static constexpr std::array<bool, 9> kPattern = {false, true, false, true, true, true, false, true, false};
  const Line padded = line.Prev(1);
  Line match = starts;
  for (int k = 0; k < 9; ++k) match = match & (kPattern[k] ? padded.Next(k) : ~padded.Next(k));
  return 40 * match.Count();
}

// The QR penalty of lines of colours: runs and finder-like sequences in rows and
// columns, 2x2 blocks of one colour, and the distance of the dark share from half.
int LinesPenalty(const std::vector<Line>& rows, const std::vector<Line>& columns, int size) {
  const Line pairs = FirstBits(size - 1);
  const Line starts = FirstBits(size >= 7 ? size - 6 : 0);
  int penalty = 0;
  int darkCount = 0;
  for (int i = 0; i < size; ++i) {
    penalty += RunPenalty(rows[i], pairs) + RunPenalty(columns[i], pairs);
    penalty += FinderPenalty(rows[i], starts) + FinderPenalty(columns[i], starts);
    darkCount += rows[i].Count();
  }
  for (int y = 0; y + 1 < size; ++y) {
    const Line& r = rows[y];
    const Line vertical = ~(r ^ rows[y + 1]);
    const Line blocks = ~(r ^ r.Next(1)) & vertical & vertical.Next(1) & pairs;
    penalty += 3 * blocks.Count();
  }
  const int pct = MulDiv(darkCount, 100, size * size);
  penalty += 10 * (std::abs(pct - 50) / 5);
  return penalty;
}

// Micro QR: the smaller of the dark counts of the right column and the bottom row (the
// timing patterns excluded) times 16 plus the larger, negated so that lower is better.
int MicroLinesPenalty(const std::vector<Line>& rows, int size) {
  int s1 = 0;
  for (int y = 1; y < size; ++y) s1 += rows[y].Get(size - 1) ? 1 : 0;
  const int s2 = (rows[size - 1] & ~FirstBits(1)).Count();
  return -(std::min(s1, s2) * 16 + std::max(s1, s2));
}

}  // namespace

uint16_t QrShiftJis(char32_t ch) {
  if (ch > 0xFFFF) return 0;
  auto it = std::lower_bound(qr::kSjis.begin(), qr::kSjis.end(), ch,
                             [](const qr::SjisPair& p, char32_t c) { return p.unicode < c; });
  return it != qr::kSjis.end() && it->unicode == ch ? it->sjis : 0;
}

// ---- TksQRCode ----------------------------------------------------------------------

QrSettings QrSettingsOf(const TksParams& params) {
  const TksQRParams& q = params.QRCode();
  QrSettings s;
  s.micro = q.MicroQR();
  s.version = q.Version();
  s.mode = q.Mode();
  s.ecc = q.EccLevel();
  s.mask = q.Mask();
  s.fnc1 = params.GS1().FNC1Type();
  s.eci = params.ECI();
  s.segmentCount = params.SegmentCount();
  s.segmentIndex = params.SegmentIndex();
  s.checksum = q.Checksum();
  return s;
}

TksQRCode::TksQRCode(const QrSettings& settings)
    : settings_(settings),
      micro_(settings.micro),
      version_(settings.version),
      mode_(settings.mode),
      ecc_(settings.ecc),
      mask_(settings.mask) {}

bool TksQRCode::Fnc1Active() const { return settings_.fnc1 != fnc1None && !micro_; }

bool TksQRCode::SecondPosition() const { return Fnc1Active() && settings_.fnc1 == fnc1SecondPosition; }

std::string TksQRCode::SegmentText(const std::string& toEncode) const {
  return SecondPosition() ? toEncode.substr(ApplicationIndicatorLength(toEncode)) : toEncode;
}

int TksQRCode::GetDataCodeWords(int ver, bool micro, TksQrEccLevel ecc) const {
  if (!CheckVersion(micro, ver)) return 0;
  if (micro) return ecc <= QrEccLevelQ ? qr::kMicro[ver][ecc].dataCodewords : 0;
  return qr::kEcBlocks[ver][ecc].dataCodewords;
}

int TksQRCode::TotalDataBits() const {
  if (!CheckVersion(micro_, version_)) return 0;
  if (micro_) return ecc_ <= QrEccLevelQ ? qr::kMicro[version_][ecc_].dataBits : 0;
  return qr::kEcBlocks[version_][ecc_].dataCodewords * 8;
}

int TksQRCode::RemainderBits(bool micro, int ver) {
  if (micro || !CheckVersion(false, ver)) return 0;
  return qr::kVersions[ver].remainderBits;
}

int TksQRCode::SizeInModules() const {
  if (!CheckVersion(micro_, version_)) return -1;
  return micro_ ? 2 * version_ + 9 : 4 * version_ + 17;
}

TksQrMode TksQRCode::ResolveMode(const std::string& text, int offset) const {
  const bool fnc1 = Fnc1Active();
  auto classOf = [fnc1](char c) {
    if (IsDigit(c)) return kClassNumeric;
    if (AlphanumericValue(c) >= 0 || (fnc1 && c == kGS)) return kClassAlphanumeric;
    return kClassByte;
  };
  if (mode_ == QrAutomatic) {
    int worst = kClassNumeric;
    for (char c : text) worst = std::max(worst, classOf(c));
    return worst == kClassNumeric ? QrNumeric : worst == kClassAlphanumeric ? QrAlphanumeric : QrBytes;
  }
  if (mode_ == QrKanji) {
    std::vector<uint16_t> codes;
    int pos = 0;
    if (!KanjiCodes(text, codes, pos)) throw TksEncodeError(erCharOutOfSet, offset + pos, CharAt(text, pos));
    return QrKanji;
  }
  for (size_t i = 0; i < text.size(); ++i)
    if (classOf(text[i]) > static_cast<int>(mode_)) {
      int pos = static_cast<int>(i) + 1;
      throw TksEncodeError(erCharOutOfSet, offset + pos, CharAt(text, pos));
    }
  return mode_;
}

bool TksQRCode::SegmentData(const std::string& text, TksQrMode mode, const std::string*& bits, int& count) const {
  const bool fnc1 = Fnc1Active();
  if (!segment_.valid || segment_.mode != mode || segment_.fnc1 != fnc1 || segment_.text != text) {
    segment_.valid = true;
    segment_.mode = mode;
    segment_.fnc1 = fnc1;
    segment_.text = text;
    segment_.fits = MakeSegmentData(text, mode, fnc1, segment_.bits, segment_.count);
  }
  bits = &segment_.bits;
  count = segment_.count;
  return segment_.fits;
}

bool TksQRCode::MakeSegmentData(const std::string& text, TksQrMode mode, bool fnc1, std::string& data,
                                int& count) {
  count = static_cast<int>(text.size());
  data.clear();
  switch (mode) {
    case QrNumeric:
      if (!std::all_of(text.begin(), text.end(), [](char c) { return IsDigit(c); })) return false;
      data = NumericBits(text);
      return true;
    case QrAlphanumeric: {
      // With FNC1 the group separator is written as "%" and a literal "%" as "%%".
      std::vector<int> values;
      values.reserve(text.size());
      for (char c : text) {
        if (fnc1 && c == kGS) {
          values.push_back(kPercentValue);
        } else if (fnc1 && c == '%') {
          values.push_back(kPercentValue);
          values.push_back(kPercentValue);
        } else {
          int v = AlphanumericValue(c);
          if (v < 0) return false;
          values.push_back(v);
        }
      }
      count = static_cast<int>(values.size());
      data = AlphanumericBits(values);
      return true;
    }
    case QrBytes:
      data.reserve(text.size() * 8);
      for (char c : text) AppendBits(data, static_cast<uint8_t>(c), 8);
      return true;
    case QrKanji: {
      std::vector<uint16_t> codes;
      int pos = 0;
      if (!KanjiCodes(text, codes, pos)) return false;
      count = static_cast<int>(codes.size());
      data = KanjiBits(codes);
      return true;
    }
    default:
      return false;
  }
}

std::string TksQRCode::EncodeData(const std::string& toEncode) const {
  const int ver = version_;
  const int total = TotalDataBits();
  if (total <= 0) return {};

  const size_t indicator = SecondPosition() ? ApplicationIndicatorLength(toEncode) : 0;
  if (SecondPosition() && indicator == 0) return {};
  const std::string text = SegmentText(toEncode);
  TksQrMode mode = mode_ == QrAutomatic ? ResolveMode(text, static_cast<int>(indicator)) : mode_;
  const int countBits = CountBits(mode, ver, micro_);
  if (countBits == 0) return {};
  const std::string* data = nullptr;
  int count = 0;
  if (!SegmentData(text, mode, data, count)) return {};

  std::string s;
  // Structured append header: 1-based position and count in one byte, then the parity.
  const int segCount = settings_.segmentCount;
  const int segIndex = settings_.segmentIndex;
  if (segCount > 1 && !micro_ && segCount <= 16 && segIndex >= 1 && segIndex <= segCount) {
    s += "0011";
    AppendBits(s, (segIndex - 1) * 16 + (segCount - 1), 8);
    AppendBits(s, settings_.checksum & 0xFF, 8);
  }
  if (SecondPosition()) {
    s += "1001";
    AppendBits(s, ApplicationIndicatorValue(toEncode, indicator), 8);
  } else if (Fnc1Active()) {
    s += "0101";
  }
  const int eci = settings_.eci;
  if (eci != 3 && !micro_ && eci >= 0 && eci <= 999999) {
    s += "0111";
    if (eci < 128) {
      s += '0';
      AppendBits(s, eci, 7);
    } else if (eci <= 16383) {
      s += "10";
      AppendBits(s, eci, 14);
    } else {
      s += "110";
      AppendBits(s, eci, 21);
    }
  }
  const std::string modeIndicator = ModeIndicator(mode, ver, micro_);
  // A stream already longer than the capacity never fits: what follows only adds to it.
  if (s.size() + modeIndicator.size() + static_cast<size_t>(countBits) + data->size() > static_cast<size_t>(total))
    return {};
  s.reserve(static_cast<size_t>(total) + 8);
  s += modeIndicator;
  AppendBits(s, count, countBits);
  s += *data;

  // Terminator; where it does not fit whole it is cut short at the capacity. Leaving it
  // out would let a pad codeword follow the data, which a reader takes for another mode
  // indicator (in M2 and M4, whose terminators are longer than four bits).
  const size_t terminator = micro_ ? 2 * ver + 1 : 4;
  if (s.size() + terminator <= static_cast<size_t>(total))
    s += Zeros(terminator);
  else if (s.size() < static_cast<size_t>(total))
    s += Zeros(total - s.size());

  // Bit padding to a codeword boundary. M1 and M3 end in a 4-bit codeword: their last
  // bits are filled up to the capacity instead.
  if (s.size() % 8 != 0) {
    const size_t p = 8 - s.size() % 8;
    const size_t upToTotal = s.size() < static_cast<size_t>(total) ? total - s.size() : 0;
    if (micro_ && ver == 1)
      s += Zeros(upToTotal);
    else if (micro_ && ver == 3 && upToTotal < 12)
      s += Zeros(upToTotal);
    else
      s += Zeros(p);
  }

  int pads = GetDataCodeWords(ver, micro_, ecc_) - static_cast<int>(s.size() / 8);
  if (pads < 0) return {};
  if (micro_ && (ver == 1 || ver == 3)) --pads;
  for (int i = 0; i < pads; ++i) s += (i % 2 == 0) ? "11101100" : "00010001";
  if (micro_ && s.size() < static_cast<size_t>(total)) s += Zeros(total - s.size());

  // A stream longer than the capacity would lose its tail in the symbol.
  if (s.size() > static_cast<size_t>(total)) return {};
  return s;
}

std::string TksQRCode::EncodeECC(const std::string& data) const {
  const int ver = version_;
  const int dataCodewords = GetDataCodeWords(ver, micro_, ecc_);
  // Codewords as bytes; bits missing at the end (the 4-bit last codeword of M1/M3) are 0.
  std::vector<uint8_t> codewords(static_cast<size_t>(std::max(dataCodewords, 0)), 0);
  for (size_t i = 0; i < codewords.size(); ++i) {
    uint8_t b = 0;
    for (size_t k = 0; k < 8; ++k) {
      const size_t at = i * 8 + k;
      b = static_cast<uint8_t>((b << 1) | (at < data.size() && data[at] == '1' ? 1 : 0));
    }
    codewords[i] = b;
  }

  if (micro_) {
    const auto& row = qr::kMicro[ver][ecc_];
    std::vector<uint8_t> check(static_cast<size_t>(row.ecCodewords));
    QrBlockEccBytes(codewords.data(), dataCodewords, row.ecCodewords, check.data());
    std::string out = data.substr(0, row.dataBits);
    for (uint8_t b : check) AppendBits(out, b, 8);
    return out;
  }

  // Blocks of the first group, then of the second; each block's check codewords follow
  // all data codewords, both read column by column across the blocks.
  const auto& row = qr::kEcBlocks[ver][ecc_];
  const int blocks = row.g1Blocks + row.g2Blocks;
  std::vector<int> start(static_cast<size_t>(blocks)), length(static_cast<size_t>(blocks));
  std::vector<uint8_t> check(static_cast<size_t>(blocks) * row.ecPerBlock);
  int next = 0;
  for (int b = 0; b < blocks; ++b) {
    start[b] = next;
    length[b] = b < row.g1Blocks ? row.g1Data : row.g2Data;
    next += length[b];
    QrBlockEccBytes(codewords.data() + start[b], length[b], row.ecPerBlock,
                    check.data() + static_cast<size_t>(b) * row.ecPerBlock);
  }

  std::string out;
  out.reserve(static_cast<size_t>(next + blocks * row.ecPerBlock) * 8 + 8);
  const int longest = std::max(row.g1Data, row.g2Data);
  for (int i = 0; i < longest; ++i)
    for (int b = 0; b < blocks; ++b)
      if (i < length[b]) AppendBits(out, codewords[static_cast<size_t>(start[b] + i)], 8);
  for (int i = 0; i < row.ecPerBlock; ++i)
    for (int b = 0; b < blocks; ++b) AppendBits(out, check[static_cast<size_t>(b) * row.ecPerBlock + i], 8);
  return out;
}

void TksQRCode::Encode(const std::string& toEncode) {
  encoded_.clear();
  size_t indicator = 0;
  if (SecondPosition()) {
    indicator = ApplicationIndicatorLength(toEncode);
    if (indicator == 0) {
      // the first character that cannot begin an indicator: a lone digit's successor
      const bool digitFirst = !toEncode.empty() && IsDigit(toEncode[0]);
      const int pos = digitFirst && toEncode.size() >= 2 ? 2 : 1;
      throw TksEncodeError(erCharOutOfSet, pos, CharAt(toEncode, pos));
    }
  }
  mode_ = ResolveMode(SegmentText(toEncode), static_cast<int>(indicator));

  std::string s;
  if (version_ > 0) {
    if (CheckVersion(micro_, version_)) s = EncodeData(toEncode);
    if (s.empty()) throw TksEncodeError(erOutOfMaxCapacity, GetDataCodeWords(version_, micro_, ecc_), u"");
  } else {
    for (int v = 1; v <= MaxVersion(micro_); ++v) {
      version_ = v;
      s = EncodeData(toEncode);
      if (!s.empty() && s.size() <= static_cast<size_t>(TotalDataBits())) break;
      s.clear();
    }
    if (s.empty()) throw TksEncodeError(erOutOfMaxCapacity, "Max. QR code capacity exceded.");
  }

  encoded_ = EncodeECC(s);
  encoded_.append(static_cast<size_t>(RemainderBits(micro_, version_)), '0');
}

// Finder patterns with their separators, timing patterns and alignment patterns; the
// format and version areas and the dark module are reserved before data is placed.
void TksQRCode::DrawFunctionPatterns(TksMatrix& m) const {
  const int size = m.NC;
  DrawFinder(m, 3, 3);
  if (!micro_) {
    DrawFinder(m, 3, size - 4);
    DrawFinder(m, size - 4, 3);
  }

  // Timing patterns: dark on even coordinates.
  const int timingLine = micro_ ? 0 : 6;
  const int timingEnd = micro_ ? size - 1 : size - 8;
  for (int i = 7; i <= timingEnd; ++i) {
    char16_t c = i % 2 == 0 ? kFuncDark : kFuncLight;
    m.Point2D(i, timingLine, c);
    m.Point2D(timingLine, i, c);
  }

  if (!micro_) {
    const auto& v = qr::kVersions[version_];
    for (int i = 0; i < v.alignCount; ++i)
      for (int j = 0; j < v.alignCount; ++j) {
        int a = v.align[i], b = v.align[j];
        if (i == 0 && j == 0) continue;
        if ((a < 10 && b < 10) || (a < 10 && b > size - 10) || (a > size - 10 && b < 10)) continue;
        DrawAlignment(m, a, b);
      }
  }

  if (micro_) {
    ForEachMicroFormatCell([&](int, int x, int y) { m.Point2D(x, y, kFormatLight); });
  } else {
    ForEachFormatCell(size, [&](int, int x, int y) { m.Point2D(x, y, kFormatLight); });
    m.Point2D(8, size - 8, kFormatDark);
    if (version_ >= 7) ForEachVersionCell(size, [&](int, int x, int y) { m.Point2D(x, y, kVersionLight); });
  }
}

// The encoded bits into the free cells, in the two-column zig-zag from the bottom-right
// corner; QR skips the vertical timing column.
void TksQRCode::DrawCodewords(TksMatrix& m) const {
  const int size = m.NC;
  size_t bit = 0;
  bool upward = true;
  for (int right = size - 1; right >= 1 && bit < encoded_.size(); right -= 2) {
    if (!micro_ && right == 6) right = 5;
    for (int step = 0; step < size && bit < encoded_.size(); ++step) {
      int y = upward ? size - 1 - step : step;
      for (int x = right; x >= right - 1 && bit < encoded_.size(); --x)
        if (m.GetPoint2D(x, y) == kLight) m.Point2D(x, y, static_cast<char16_t>(encoded_[bit++]));
    }
    upward = !upward;
  }
}

// The format information of the level and the mask applied, and from version 7 the
// version information.
void TksQRCode::DrawFormatAndVersion(TksMatrix& m) const {
  const int size = m.NC;
  if (micro_) {
    int bits = qr::kMicroFormatInfo[MicroSymbolNumber(version_, ecc_)][MicroMaskField(mask_)];
    ForEachMicroFormatCell([&](int i, int x, int y) { m.Point2D(x, y, (bits >> i) & 1 ? kFormatDark : kFormatLight); });
    return;
  }
  int bits = qr::kFormatInfo[ecc_][mask_];
  ForEachFormatCell(size, [&](int i, int x, int y) { m.Point2D(x, y, (bits >> i) & 1 ? kFormatDark : kFormatLight); });
  if (version_ >= 7) {
    uint32_t vbits = qr::kVersionInfo[version_];
    ForEachVersionCell(size, [&](int i, int x, int y) {
      m.Point2D(x, y, (vbits >> i) & 1 ? kVersionDark : kVersionLight);
    });
  }
}

void TksQRCode::BuildQrMatrix(TksMatrix& m) {
  const int size = SizeInModules();
  m.InitializeWH(size, size);
  DrawFunctionPatterns(m);
  DrawCodewords(m);
  // Micro QR can only signal masks 1, 4, 6 and 7; any other choice is made automatically
  // so that the format information names the pattern applied.
  const bool fixedOk = micro_ ? IsMicroMask(mask_) : (mask_ >= 0 && mask_ <= 7);
  if (!fixedOk) mask_ = ChooseQrMask(m);
  ApplyMask(m, mask_);
  DrawFormatAndVersion(m);
}

int TksQRCode::ChooseQrMask(const TksMatrix& m) const {
  static constexpr std::array<int, 8> kAll = {0, 1, 2, 3, 4, 5, 6, 7};
  static constexpr std::array<int, 4> kMicroMasks = {1, 4, 6, 7};
  const int* first = micro_ ? kMicroMasks.data() : kAll.data();
  const int count = micro_ ? 4 : 8;
  // Masking inverts the data modules where the mask's condition holds, so each
  // candidate's colours are the unmasked colours XOR (data AND condition), line by line;
  // the matrix itself is not touched until the chosen mask is applied.
  ColourLines base;
  ReadColourLines(m, base);
  const int size = base.size;
  if (size <= 0 || size > kMaxSize) return first[0];
  std::vector<Line> rows(size), columns(size);
  int best = first[0];
  int bestScore = 0;
  for (int k = 0; k < count; ++k) {
    const auto& maskRows = kMaskLines.rows[first[k]];
    const auto& maskColumns = kMaskLines.columns[first[k]];
    for (int i = 0; i < size; ++i) {
      rows[i] = base.rows[i] ^ (base.dataRows[i] & maskRows[i % kRowPeriod]);
      columns[i] = base.columns[i] ^ (base.dataColumns[i] & maskColumns[i % kColumnPeriod]);
    }
    const int score = micro_ ? MicroLinesPenalty(rows, size) : LinesPenalty(rows, columns, size);
    if (k == 0 || score < bestScore) {
      best = first[k];
      bestScore = score;
    }
  }
  return best;
}

int TksQRCode::QrMaskPenalty(const TksMatrix& m) const {
  ColourLines lines;
  ReadColourLines(m, lines);
  if (lines.size <= 0 || lines.size > kMaxSize) return 0;
  return micro_ ? MicroLinesPenalty(lines.rows, lines.size) : LinesPenalty(lines.rows, lines.columns, lines.size);
}

// ---- Entry ---------------------------------------------------------------------------

void CheckQrSettings(const QrSettings& settings) {
  if (settings.micro && settings.fnc1 != fnc1None) throw TksEncodeError(erNotSupported, 0, u"");
}

QrSymbol EncodeQRCode(const std::string& bytes, const QrSettings& settings) {
  CheckQrSettings(settings);
  TksQRCode qr(settings);
  qr.Encode(bytes);
  QrSymbol symbol;
  qr.BuildQrMatrix(symbol.matrix);
  symbol.version = qr.UsedVersion();
  symbol.ecc = qr.UsedEcc();
  symbol.micro = qr.Micro();
  symbol.mode = qr.UsedMode();
  symbol.mask = qr.UsedMask();
  return symbol;
}

}  // namespace ks
