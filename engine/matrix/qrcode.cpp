#include "engine/matrix/qrcode.h"

#include <algorithm>
#include <array>
#include <cstdlib>

#include "engine/barcode.h"
#include "engine/encoders.h"
#include "engine/matrix/qr_sjis.h"
#include "engine/matrix/qr_tables.h"
#include "engine/matrix/reedsolomon.h"
#include "engine/params.h"

namespace ks {

namespace {

// Cell codes of the module matrix.
constexpr char16_t kLight = u'0';
constexpr char16_t kFuncLight = u'2';
constexpr char16_t kFuncDark = u'3';
constexpr char16_t kVersionLight = u'4';
constexpr char16_t kVersionDark = u'5';
constexpr char16_t kFormatLight = u'6';
constexpr char16_t kFormatDark = u'7';
constexpr char16_t kMaskedDark = u'8';   // dark data cell inverted by the mask: light
constexpr char16_t kMaskedLight = u'9';  // light data cell inverted by the mask: dark

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

// Decodes the UTF-8 character starting at s[i]; advances i. Answers -1 for a malformed
// sequence.
long DecodeUtf8(const std::string& s, size_t& i) {
  auto b = static_cast<unsigned char>(s[i++]);
  if (b < 0x80) return b;
  int extra = b >= 0xF0 ? 3 : b >= 0xE0 ? 2 : b >= 0xC0 ? 1 : -1;
  if (extra < 0) return -1;
  long c = b & (0x3F >> extra);
  for (int k = 0; k < extra; ++k) {
    if (i >= s.size() || (static_cast<unsigned char>(s[i]) & 0xC0) != 0x80) return -1;
    c = (c << 6) | (static_cast<unsigned char>(s[i++]) & 0x3F);
  }
  return c;
}

// Shift JIS codes of the text's characters for Kanji mode. On a character without one,
// answers false with failPos its 1-based byte position.
bool KanjiCodes(const std::string& text, std::vector<uint16_t>& codes, int& failPos) {
  codes.clear();
  size_t i = 0;
  while (i < text.size()) {
    size_t start = i;
    long ch = DecodeUtf8(text, i);
    uint16_t code = ch < 0 ? 0 : QrShiftJis(static_cast<char32_t>(ch));
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

// Numeric mode: groups of three digits in 10 bits, a final two in 7, a final one in 4.
std::string NumericBits(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); i += 3) {
    size_t n = std::min<size_t>(3, text.size() - i);
    out += IntToBits(std::atoi(text.substr(i, n).c_str()), n == 3 ? 10 : n == 2 ? 7 : 4);
  }
  return out;
}

// Alphanumeric mode: pairs as 45*a + b in 11 bits, a final single value in 6 bits.
std::string AlphanumericBits(const std::vector<int>& values) {
  std::string out;
  for (size_t i = 0; i < values.size(); i += 2) {
    if (i + 1 < values.size())
      out += IntToBits(values[i] * 45 + values[i + 1], 11);
    else
      out += IntToBits(values[i], 6);
  }
  return out;
}

// Kanji mode: each Shift JIS code compacted to 13 bits (ISO/IEC 18004 7.4.6).
std::string KanjiBits(const std::vector<uint16_t>& codes) {
  std::string out;
  for (uint16_t c : codes) {
    int v = c <= 0x9FFC ? c - 0x8140 : c - 0xC140;
    out += IntToBits((v >> 8) * 0xC0 + (v & 0xFF), 13);
  }
  return out;
}

bool MaskCondition(int mask, int x, int y) {
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
        m.Point2D(x, y, m.IsBlack(x, y) ? kMaskedDark : kMaskedLight);
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

}  // namespace

uint16_t QrShiftJis(char32_t ch) {
  if (ch > 0xFFFF) return 0;
  auto it = std::lower_bound(qr::kSjis.begin(), qr::kSjis.end(), ch,
                             [](const qr::SjisPair& p, char32_t c) { return p.unicode < c; });
  return it != qr::kSjis.end() && it->unicode == ch ? it->sjis : 0;
}

// ---- TksQRCode ----------------------------------------------------------------------

TksQRCode::TksQRCode(TksBarcodeComponent& barcode)
    : Params(barcode.Params()),
      FMicroQR(Params.QRCode().MicroQR()),
      FUsedVersion(Params.QRCode().Version()),
      FUsedMode(Params.QRCode().Mode()),
      FUsedECC(Params.QRCode().EccLevel()),
      FUsedMask(Params.QRCode().Mask()),
      fUsedMicroQR(FMicroQR),
      FNC1(Params.GS1().FNC1Type()),
      FBarcode(barcode) {}

bool TksQRCode::Fnc1Active() const { return FNC1 != fnc1None && !FMicroQR; }

int TksQRCode::GetDataCodeWords(int ver, bool micro, TksQrEccLevel ecc) const {
  if (!CheckVersion(micro, ver)) return 0;
  if (micro) return ecc <= QrEccLevelQ ? qr::kMicro[ver][ecc].dataCodewords : 0;
  return qr::kEcBlocks[ver][ecc].dataCodewords;
}

int TksQRCode::TotalDataBits() const {
  if (!CheckVersion(FMicroQR, FUsedVersion)) return 0;
  if (FMicroQR) return FUsedECC <= QrEccLevelQ ? qr::kMicro[FUsedVersion][FUsedECC].dataBits : 0;
  return qr::kEcBlocks[FUsedVersion][FUsedECC].dataCodewords * 8;
}

int TksQRCode::RemainderBits(bool micro, int ver) {
  if (micro || !CheckVersion(false, ver)) return 0;
  return qr::kVersions[ver].remainderBits;
}

int TksQRCode::SizeInModules() const {
  if (!CheckVersion(FMicroQR, FUsedVersion)) return -1;
  return FMicroQR ? 2 * FUsedVersion + 9 : 4 * FUsedVersion + 17;
}

TksQrMode TksQRCode::ResolveMode(const std::string& text) const {
  const bool fnc1 = Fnc1Active();
  auto classOf = [fnc1](char c) {
    if (c >= '0' && c <= '9') return kClassNumeric;
    if (AlphanumericValue(c) >= 0 || (fnc1 && c == kGS)) return kClassAlphanumeric;
    return kClassByte;
  };
  if (FUsedMode == QrAutomatic) {
    int worst = kClassNumeric;
    for (char c : text) worst = std::max(worst, classOf(c));
    return worst == kClassNumeric ? QrNumeric : worst == kClassAlphanumeric ? QrAlphanumeric : QrBytes;
  }
  if (FUsedMode == QrKanji) {
    std::vector<uint16_t> codes;
    int pos = 0;
    if (!KanjiCodes(text, codes, pos)) FBarcode.BarcodeRaise(erCharOutOfSet, pos, CharAt(text, pos));
    return QrKanji;
  }
  for (size_t i = 0; i < text.size(); ++i)
    if (classOf(text[i]) > static_cast<int>(FUsedMode)) {
      int pos = static_cast<int>(i) + 1;
      FBarcode.BarcodeRaise(erCharOutOfSet, pos, CharAt(text, pos));
    }
  return FUsedMode;
}

std::string TksQRCode::SegmentBits(const std::string& text, TksQrMode mode) const {
  const int ver = FUsedVersion;
  const int countBits = CountBits(mode, ver, FMicroQR);
  if (countBits == 0) return {};

  int count = static_cast<int>(text.size());
  std::string data;
  switch (mode) {
    case QrNumeric:
      if (!std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; })) return {};
      data = NumericBits(text);
      break;
    case QrAlphanumeric: {
      // With FNC1 the group separator is written as "%" and a literal "%" as "%%".
      std::vector<int> values;
      const bool fnc1 = Fnc1Active();
      for (char c : text) {
        if (fnc1 && c == kGS) {
          values.push_back(kPercentValue);
        } else if (fnc1 && c == '%') {
          values.push_back(kPercentValue);
          values.push_back(kPercentValue);
        } else {
          int v = AlphanumericValue(c);
          if (v < 0) return {};
          values.push_back(v);
        }
      }
      count = static_cast<int>(values.size());
      data = AlphanumericBits(values);
      break;
    }
    case QrBytes:
      for (char c : text) data += ByteToBits(static_cast<uint8_t>(c));
      break;
    case QrKanji: {
      std::vector<uint16_t> codes;
      int pos = 0;
      if (!KanjiCodes(text, codes, pos)) return {};
      count = static_cast<int>(codes.size());
      data = KanjiBits(codes);
      break;
    }
    default:
      return {};
  }
  return ModeIndicator(mode, ver, FMicroQR) + IntToBits(count, countBits) + data;
}

std::string TksQRCode::EncodeData(const std::string& toEncode) const {
  const int ver = FUsedVersion;
  const int total = TotalDataBits();
  if (total <= 0) return {};

  TksQrMode mode = FUsedMode == QrAutomatic ? ResolveMode(toEncode) : FUsedMode;
  std::string segment = SegmentBits(toEncode, mode);
  if (segment.empty()) return {};

  std::string s;
  // Structured append header: 1-based position and count in one byte, then the parity.
  const int segCount = Params.SegmentCount();
  const int segIndex = Params.SegmentIndex();
  if (segCount > 1 && !FMicroQR && segCount <= 16 && segIndex >= 1 && segIndex <= segCount)
    s += "0011" + IntToBits((segIndex - 1) * 16 + (segCount - 1), 8) +
         IntToBits(Params.QRCode().Checksum() & 0xFF, 8);
  if (Fnc1Active()) s += FNC1 == fnc1SecondPosition ? "1001" : "0101";
  const int eci = Params.ECI();
  if (eci != 3 && !FMicroQR && eci >= 0 && eci <= 999999) {
    s += "0111";
    if (eci < 128)
      s += "0" + IntToBits(eci, 7);
    else if (eci <= 16383)
      s += "10" + IntToBits(eci, 14);
    else
      s += "110" + IntToBits(eci, 21);
  }
  s += segment;

  // Terminator; where it does not fit whole it is cut short at the capacity. Leaving it
  // out would let a pad codeword follow the data, which a reader takes for another mode
  // indicator (in M2 and M4, whose terminators are longer than four bits).
  const size_t terminator = FMicroQR ? 2 * ver + 1 : 4;
  if (s.size() + terminator <= static_cast<size_t>(total))
    s += Zeros(terminator);
  else if (s.size() < static_cast<size_t>(total))
    s += Zeros(total - s.size());

  // Bit padding to a codeword boundary. M1 and M3 end in a 4-bit codeword: their last
  // bits are filled up to the capacity instead.
  if (s.size() % 8 != 0) {
    const size_t p = 8 - s.size() % 8;
    const size_t upToTotal = s.size() < static_cast<size_t>(total) ? total - s.size() : 0;
    if (FMicroQR && ver == 1)
      s += Zeros(upToTotal);
    else if (FMicroQR && ver == 3 && upToTotal < 12)
      s += Zeros(upToTotal);
    else
      s += Zeros(p);
  }

  int pads = GetDataCodeWords(ver, FMicroQR, FUsedECC) - static_cast<int>(s.size() / 8);
  if (pads < 0) return {};
  if (FMicroQR && (ver == 1 || ver == 3)) --pads;
  for (int i = 0; i < pads; ++i) s += (i % 2 == 0) ? "11101100" : "00010001";
  if (FMicroQR && s.size() < static_cast<size_t>(total)) s += Zeros(total - s.size());

  // A stream longer than the capacity would lose its tail in the symbol.
  if (s.size() > static_cast<size_t>(total)) return {};
  return s;
}

std::string TksQRCode::EncodeECC(const std::string& data) const {
  const int ver = FUsedVersion;
  const int dataCodewords = GetDataCodeWords(ver, FMicroQR, FUsedECC);
  // Codewords as bytes; the 4-bit last codeword of M1/M3 is padded with zero bits.
  std::vector<std::string> codewords(dataCodewords);
  for (int i = 0; i < dataCodewords; ++i) {
    std::string cw = data.substr(std::min<size_t>(data.size(), i * 8), 8);
    codewords[i] = cw + Zeros(8 - cw.size());
  }

  if (FMicroQR) {
    const auto& row = qr::kMicro[ver][FUsedECC];
    std::string block;
    for (const auto& cw : codewords) block += cw;
    return data.substr(0, row.dataBits) + QrBlockEcc(block, row.ecCodewords);
  }

  const auto& row = qr::kEcBlocks[ver][FUsedECC];
  std::vector<std::vector<std::string>> dataBlocks;
  std::vector<std::string> checkBlocks;
  int next = 0;
  auto addBlocks = [&](int count, int perBlock) {
    for (int b = 0; b < count; ++b) {
      std::vector<std::string> block(codewords.begin() + next, codewords.begin() + next + perBlock);
      next += perBlock;
      std::string bits;
      for (const auto& cw : block) bits += cw;
      checkBlocks.push_back(QrBlockEcc(bits, row.ecPerBlock));
      dataBlocks.push_back(std::move(block));
    }
  };
  addBlocks(row.g1Blocks, row.g1Data);
  addBlocks(row.g2Blocks, row.g2Data);

  std::string out;
  const size_t longest = static_cast<size_t>(std::max(row.g1Data, row.g2Data));
  for (size_t i = 0; i < longest; ++i)
    for (const auto& block : dataBlocks)
      if (i < block.size()) out += block[i];
  for (int i = 0; i < row.ecPerBlock; ++i)
    for (const auto& check : checkBlocks) out += check.substr(static_cast<size_t>(i) * 8, 8);
  return out;
}

bool TksQRCode::Encode(const std::string& toEncode) {
  EncodedData.clear();
  FUsedMode = ResolveMode(toEncode);

  std::string s;
  if (FUsedVersion > 0) {
    if (CheckVersion(FMicroQR, FUsedVersion)) s = EncodeData(toEncode);
    if (s.empty())
      FBarcode.BarcodeRaise(erOutOfMaxCapacity, GetDataCodeWords(FUsedVersion, FMicroQR, FUsedECC), u"");
  } else {
    for (int v = 1; v <= MaxVersion(FMicroQR); ++v) {
      FUsedVersion = v;
      s = EncodeData(toEncode);
      if (!s.empty() && s.size() <= static_cast<size_t>(TotalDataBits())) break;
      s.clear();
    }
    if (s.empty()) throw ksBarcodeException("Max. QR code capacity exceded.");
  }

  EncodedData = EncodeECC(s) + Zeros(RemainderBits(FMicroQR, FUsedVersion));
  return true;
}

void TksQRCode::BuildQrMatrix(TksMatrix& m) {
  const int size = SizeInModules();
  MatrixW = MatrixH = size;
  m.InitializeWH(size, size);

  DrawFinder(m, 3, 3);
  if (!FMicroQR) {
    DrawFinder(m, 3, size - 4);
    DrawFinder(m, size - 4, 3);
  }

  // Timing patterns: dark on even coordinates.
  const int timingLine = FMicroQR ? 0 : 6;
  const int timingEnd = FMicroQR ? size - 1 : size - 8;
  for (int i = 7; i <= timingEnd; ++i) {
    char16_t c = i % 2 == 0 ? kFuncDark : kFuncLight;
    m.Point2D(i, timingLine, c);
    m.Point2D(timingLine, i, c);
  }

  if (!FMicroQR) {
    const auto& v = qr::kVersions[FUsedVersion];
    for (int i = 0; i < v.alignCount; ++i)
      for (int j = 0; j < v.alignCount; ++j) {
        int a = v.align[i], b = v.align[j];
        if (i == 0 && j == 0) continue;
        if ((a < 10 && b < 10) || (a < 10 && b > size - 10) || (a > size - 10 && b < 10)) continue;
        DrawAlignment(m, a, b);
      }
  }

  // Reserve the format and version areas and the dark module before placing data.
  if (FMicroQR) {
    ForEachMicroFormatCell([&](int, int x, int y) { m.Point2D(x, y, kFormatLight); });
  } else {
    ForEachFormatCell(size, [&](int, int x, int y) { m.Point2D(x, y, kFormatLight); });
    m.Point2D(8, size - 8, kFormatDark);
    if (FUsedVersion >= 7) ForEachVersionCell(size, [&](int, int x, int y) { m.Point2D(x, y, kVersionLight); });
  }

  // Two-column zig-zag from the bottom-right corner; QR skips the vertical timing column.
  size_t bit = 0;
  bool upward = true;
  for (int right = size - 1; right >= 1 && bit < EncodedData.size(); right -= 2) {
    if (!FMicroQR && right == 6) right = 5;
    for (int step = 0; step < size && bit < EncodedData.size(); ++step) {
      int y = upward ? size - 1 - step : step;
      for (int x = right; x >= right - 1 && bit < EncodedData.size(); --x)
        if (m.GetPoint2D(x, y) == kLight) m.Point2D(x, y, static_cast<char16_t>(EncodedData[bit++]));
    }
    upward = !upward;
  }

  // Micro QR can only signal masks 1, 4, 6 and 7; any other choice is made automatically
  // so that the format information names the pattern applied.
  const bool fixedOk = FMicroQR ? IsMicroMask(FUsedMask) : (FUsedMask >= 0 && FUsedMask <= 7);
  if (!fixedOk) FUsedMask = ChooseQrMask(m);
  ApplyMask(m, FUsedMask);

  if (FMicroQR) {
    int bits = qr::kMicroFormatInfo[MicroSymbolNumber(FUsedVersion, FUsedECC)][MicroMaskField(FUsedMask)];
    ForEachMicroFormatCell([&](int i, int x, int y) { m.Point2D(x, y, (bits >> i) & 1 ? kFormatDark : kFormatLight); });
  } else {
    int bits = qr::kFormatInfo[FUsedECC][FUsedMask];
    ForEachFormatCell(size, [&](int i, int x, int y) { m.Point2D(x, y, (bits >> i) & 1 ? kFormatDark : kFormatLight); });
    if (FUsedVersion >= 7) {
      uint32_t vbits = qr::kVersionInfo[FUsedVersion];
      ForEachVersionCell(size, [&](int i, int x, int y) {
        m.Point2D(x, y, (vbits >> i) & 1 ? kVersionDark : kVersionLight);
      });
    }
  }
}

int TksQRCode::ChooseQrMask(TksMatrix& m) const {
  static constexpr std::array<int, 8> kAll = {0, 1, 2, 3, 4, 5, 6, 7};
  static constexpr std::array<int, 4> kMicroMasks = {1, 4, 6, 7};
  const int* first = FMicroQR ? kMicroMasks.data() : kAll.data();
  const int count = FMicroQR ? 4 : 8;
  int best = first[0];
  int bestScore = 0;
  for (int k = 0; k < count; ++k) {
    m.Backup();
    ApplyMask(m, first[k]);
    int score = QrMaskPenalty(m);
    m.Restore();
    if (k == 0 || score < bestScore) {
      best = first[k];
      bestScore = score;
    }
  }
  return best;
}

int TksQRCode::QrMaskPenalty(const TksMatrix& m) const {
  const int size = m.NC;
  if (FMicroQR) {
    int s1 = 0, s2 = 0;
    for (int i = 1; i < size; ++i) {
      s1 += m.IsBlack(size - 1, i) ? 1 : 0;
      s2 += m.IsBlack(i, size - 1) ? 1 : 0;
    }
    return -(std::min(s1, s2) * 16 + std::max(s1, s2));
  }

  std::vector<uint8_t> dark(static_cast<size_t>(size) * size);
  int darkCount = 0;
  for (int y = 0; y < size; ++y)
    for (int x = 0; x < size; ++x) {
      dark[y * size + x] = m.IsBlack(x, y) ? 1 : 0;
      darkCount += dark[y * size + x];
    }
  // at(line, i): module i of row `line` (rows) or column `line` (columns); outside = light
  auto scoreLines = [&](bool rows) {
    auto at = [&](int line, int i) -> int {
      if (i < 0 || i >= size) return 0;
      return rows ? dark[line * size + i] : dark[i * size + line];
    };
    static constexpr std::array<int, 7> kFinderLike = {1, 0, 1, 1, 1, 0, 1};
    int penalty = 0;
    for (int line = 0; line < size; ++line) {
      int run = 1;
      for (int i = 1; i <= size; ++i) {
        if (i < size && at(line, i) == at(line, i - 1)) {
          ++run;
        } else {
          if (run >= 5) penalty += run - 2;
          run = 1;
        }
      }
      for (int i = 0; i + 7 <= size; ++i) {
        if (at(line, i - 1) || at(line, i + 7)) continue;
        bool match = true;
        for (int k = 0; k < 7 && match; ++k) match = at(line, i + k) == kFinderLike[k];
        if (match) penalty += 40;
      }
    }
    return penalty;
  };

  int penalty = scoreLines(true) + scoreLines(false);
  for (int y = 0; y + 1 < size; ++y)
    for (int x = 0; x + 1 < size; ++x) {
      int c = dark[y * size + x];
      if (dark[y * size + x + 1] == c && dark[(y + 1) * size + x] == c && dark[(y + 1) * size + x + 1] == c)
        penalty += 3;
    }
  const int pct = MulDiv(darkCount, 100, size * size);
  penalty += 10 * (std::abs(pct - 50) / 5);
  return penalty;
}

// ---- Entry from the dispatch --------------------------------------------------------

void EncodeQRCode(TksBarcodeComponent& bc, const std::u16string&) {
  if (bc.BarCode().empty()) return;
  TksQRCode qr(bc);
  const std::u16string prepared = SolveGS1(bc);
  const std::string bytes = Utf8ByteString(prepared);
  // A text over the byte limit converts to nothing; say so instead of drawing an empty
  // symbol.
  if (bytes.empty() && !prepared.empty()) bc.BarcodeRaise(erOutOfMaxCapacity, kMaxUtf8Bytes, u"");

  if (qr.Encode(bytes)) {
    TksQRParams& p = bc.Params().QRCode();
    p.SetUsed(qr.FUsedVersion, qr.FUsedECC, qr.fUsedMicroQR, qr.FUsedMode);
    qr.BuildQrMatrix(bc.Pixels());
    p.SetUsedMask(qr.FUsedMask);
  }
}

}  // namespace ks
