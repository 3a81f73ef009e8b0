#include "engine/matrix/pdf417.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>

#include "engine/errors.h"
#include "engine/ksmath.h"
#include "engine/matrix/matrix.h"
#include "engine/matrix/pdf417_tables.h"
#include "engine/matrix/reedsolomon.h"
#include "engine/ustring.h"

namespace ks {

namespace {

using namespace pdf417;

// Mode latches and special codewords (ISO/IEC 15438).
constexpr int kLatchText = 900;
constexpr int kLatchByte = 901;
constexpr int kLatchNumeric = 902;
constexpr int kLatchByte6 = 924;
constexpr int kShiftByte = 913;
constexpr int kPad = 900;
constexpr int kMacroStart = 928;
constexpr int kMacroField = 923;
constexpr int kMacroTerminator = 922;

constexpr const char* kStartPattern = "11111111010101000";
constexpr const char* kStopPattern = "111111101000101001";

// Data that cannot fit a symbol at all; the buffers never need to hold more.
constexpr int kMaxCodewords = 929;
constexpr int kMaxRows = 90;
constexpr int kMaxCols = 30;

// ---- Text compaction -------------------------------------------------------------

enum Submode { kAlpha, kLower, kMixed, kPunct };

// kTextValue[submode][byte]: the byte's value in that submode, or -1.
constexpr std::array<std::array<int8_t, 128>, 4> MakeTextValues() {
  std::array<std::array<int8_t, 128>, 4> t{};
  for (auto& sub : t) sub.fill(-1);
  for (int s = 0; s < 4; ++s)
    for (int v = 0; v < 30; ++v)
      if (kTextSubmodes[s][v] >= 0) t[s][kTextSubmodes[s][v]] = static_cast<int8_t>(v);
  return t;
}
constexpr auto kTextValue = MakeTextValues();

// Latch and shift values as they are written in the submode they leave.
constexpr int kAlphaToLower = 27, kAlphaToMixed = 28, kShiftToPunct = 29;
constexpr int kLowerShiftAlpha = 27, kLowerToMixed = 28;
constexpr int kMixedToPunct = 25, kMixedToLower = 27, kMixedToAlpha = 28;
constexpr int kPunctToAlpha = 29;

int TextValue(int submode, int byte) { return byte >= 0 && byte < 128 ? kTextValue[submode][byte] : -1; }
bool In(int submode, int byte) { return TextValue(submode, byte) >= 0; }
bool IsTextChar(int byte) {
  for (int s = kAlpha; s <= kPunct; ++s)
    if (In(s, byte)) return true;
  return false;
}
bool IsUpperLetter(int byte) { return byte >= 'A' && byte <= 'Z'; }

// Text compaction of bytes that all have a text value, starting in Alpha; no latch.
std::vector<int> TextCompaction(std::string_view s) {
  std::vector<int> v;
  int cur = kAlpha;
  const size_t n = s.size();
  for (size_t i = 0; i < n; ++i) {
    const int b = static_cast<unsigned char>(s[i]);
    const int next = i + 1 < n ? static_cast<unsigned char>(s[i + 1]) : -1;
    if (In(cur, b)) {
      v.push_back(TextValue(cur, b));
      continue;
    }
    // Punctuation from Alpha, Lower or Mixed: a latch when the next byte stays there,
    // else a shift for this byte alone.
    auto toPunct = [&](std::initializer_list<int> latch) {
      if (next >= 0 && In(kPunct, next)) {
        v.insert(v.end(), latch);
        cur = kPunct;
      } else {
        v.push_back(kShiftToPunct);
      }
      v.push_back(TextValue(kPunct, b));
    };
    auto latchTo = [&](int submode, std::initializer_list<int> latch) {
      v.insert(v.end(), latch);
      cur = submode;
      v.push_back(TextValue(cur, b));
    };
    switch (cur) {
      case kAlpha:
        if (In(kMixed, b)) latchTo(kMixed, {kAlphaToMixed});
        else if (In(kPunct, b)) toPunct({kAlphaToMixed, kMixedToPunct});
        else latchTo(kLower, {kAlphaToLower});
        break;
      case kLower:
        if (In(kAlpha, b)) {
          if (IsUpperLetter(next)) {
            latchTo(kAlpha, {kLowerToMixed, kMixedToAlpha});
          } else {
            v.push_back(kLowerShiftAlpha);
            v.push_back(TextValue(kAlpha, b));
          }
        } else if (In(kMixed, b)) {
          latchTo(kMixed, {kLowerToMixed});
        } else {
          toPunct({kLowerToMixed, kMixedToPunct});
        }
        break;
      case kMixed:
        if (In(kAlpha, b)) latchTo(kAlpha, {kMixedToAlpha});
        else if (In(kLower, b)) latchTo(kLower, {kMixedToLower});
        else toPunct({kMixedToPunct});
        break;
      default:  // kPunct
        if (In(kAlpha, b)) latchTo(kAlpha, {kPunctToAlpha});
        else if (In(kLower, b)) latchTo(kLower, {kPunctToAlpha, kAlphaToLower});
        else latchTo(kMixed, {kPunctToAlpha, kAlphaToMixed});
        break;
    }
  }
  // Two values per codeword; an odd count is completed with 29.
  if (v.size() % 2) v.push_back(29);
  std::vector<int> cw;
  cw.reserve(v.size() / 2);
  for (size_t i = 0; i < v.size(); i += 2) cw.push_back(30 * v[i] + v[i + 1]);
  return cw;
}

// ---- Byte and numeric compaction -------------------------------------------------

// Byte compaction without latch: 6 bytes to 5 base-900 codewords, the rest one each.
void ByteCompaction(std::string_view s, std::vector<int>& out) {
  size_t i = 0;
  for (; i + 6 <= s.size(); i += 6) {
    uint64_t x = 0;
    for (size_t j = 0; j < 6; ++j) x = (x << 8) | static_cast<unsigned char>(s[i + j]);
    int group[5];
    for (int j = 4; j >= 0; --j) {
      group[j] = static_cast<int>(x % 900);
      x /= 900;
    }
    out.insert(out.end(), group, group + 5);
  }
  for (; i < s.size(); ++i) out.push_back(static_cast<unsigned char>(s[i]));
}

// Byte compaction with its latch: 924 for a multiple of 6 bytes, else 901.
void ByteRun(std::string_view s, std::vector<int>& out) {
  out.push_back(s.size() % 6 == 0 ? kLatchByte6 : kLatchByte);
  ByteCompaction(s, out);
}

// Numeric compaction without latch: groups of up to 44 digits, each read with a leading
// "1" as a decimal number and written in base 900, most significant codeword first.
void NumericCompaction(std::string_view digits, std::vector<int>& out) {
  for (size_t g = 0; g < digits.size(); g += 44) {
    std::string_view group = digits.substr(g, 44);
    std::vector<int> dec;  // decimal digits, most significant first
    dec.push_back(1);
    for (char c : group) dec.push_back(c - '0');
    std::vector<int> base900;  // least significant first
    while (!dec.empty()) {
      std::vector<int> quotient;
      int rem = 0;
      for (int d : dec) {
        rem = rem * 10 + d;
        int q = rem / 900;
        rem %= 900;
        if (!quotient.empty() || q) quotient.push_back(q);
      }
      base900.push_back(rem);
      dec.swap(quotient);
    }
    out.insert(out.end(), base900.rbegin(), base900.rend());
  }
}

// The digits of a non-negative number, at least `width` of them.
std::string Digits(long long value, int width) {
  std::string s = std::to_string(value < 0 ? 0 : value);
  if (static_cast<int>(s.size()) < width) s.insert(0, width - s.size(), '0');
  return s;
}

// ---- Automatic split ---------------------------------------------------------------

bool IsPrintable(int b) { return b >= 32 && b <= 126; }

// A digit run this long is worth numeric compaction; this many printable bytes in a row
// are worth text compaction.
constexpr int kMinNumericRun = 13;
constexpr int kMinTextRun = 5;

std::vector<int> AutoCompaction(std::string_view s) {
  const int n = static_cast<int>(s.size());
  // digits[i]: digits from i on; text[i]: printable bytes from i on, up to a long digit run.
  std::vector<int> digits(n + 1, 0), text(n + 1, 0);
  for (int i = n - 1; i >= 0; --i) {
    const int b = static_cast<unsigned char>(s[i]);
    digits[i] = IsDigit(b) ? digits[i + 1] + 1 : 0;
    text[i] = IsPrintable(b) && digits[i] < kMinNumericRun ? text[i + 1] + 1 : 0;
  }
  std::vector<int> out;
  bool inText = false;  // the last run written was text compaction
  int p = 0;
  while (p < n) {
    if (digits[p] >= kMinNumericRun) {
      out.push_back(kLatchNumeric);
      NumericCompaction(s.substr(p, digits[p]), out);
      p += digits[p];
      inText = false;
    } else if (text[p] >= kMinTextRun) {
      out.push_back(kLatchText);
      std::vector<int> t = TextCompaction(s.substr(p, text[p]));
      out.insert(out.end(), t.begin(), t.end());
      p += text[p];
      inText = true;
    } else {
      // Bytes up to the next long digit run or run of printable bytes.
      int q = p + 1;
      while (q < n && digits[q] < kMinNumericRun && text[q] < kMinTextRun) ++q;
      // The byte shift exists only in text compaction; elsewhere a single byte is
      // latched like any other byte run.
      if (q - p == 1 && inText) {
        out.push_back(kShiftByte);
        out.push_back(static_cast<unsigned char>(s[p]));
      } else {
        ByteRun(s.substr(p, q - p), out);
        inText = false;
      }
      p = q;
    }
  }
  return out;
}

// ---- Character check ---------------------------------------------------------------

bool IsHexDigit(int b) { return IsDigit(b) || (b >= 'A' && b <= 'F') || (b >= 'a' && b <= 'f'); }
int HexValue(int b) { return IsDigit(b) ? b - '0' : (b | 0x20) - 'a' + 10; }

bool Allowed(TksPDF417Mode mode, int b) {
  switch (mode) {
    case ksPDF417Alphanumeric: return IsTextChar(b);
    case ksPDF417BinaryHex: return IsHexDigit(b);
    case ksPDF417Numeric: return IsDigit(b);
    default: return true;
  }
}

// The bytes are the UTF-8 of the data text: a refused byte is reported as the character
// it belongs to, at that character's position in the text, so that "é" is named as
// itself and not as its first byte.
void CheckChars(std::string_view bytes, TksPDF417Mode mode) {
  const auto continuation = [&](size_t k) { return (static_cast<unsigned char>(bytes[k]) & 0xC0) == 0x80; };
  for (size_t i = 0; i < bytes.size(); ++i) {
    const int b = static_cast<unsigned char>(bytes[i]);
    if (!Allowed(mode, b)) {
      size_t lead = i;
      while (lead > 0 && continuation(lead)) --lead;
      size_t end = lead + 1;
      while (end < bytes.size() && continuation(end)) ++end;
      int position = 1;
      for (size_t k = 0; k < lead; ++k)
        if (!continuation(k)) ++position;
      const std::u16string ch = FromUtf8(bytes.substr(lead, end - lead));
      throw TksEncodeError(erCharOutOfSet, Format("Bad char in PDF417, position %d, char : %s", {position, std::u16string_view(ch)}));
    }
  }
}

// Text compaction of a macro field: characters without a text value cannot be written.
std::vector<int> MacroText(const std::u16string& field) {
  const std::string bytes = Utf8ByteString(field);
  CheckChars(bytes, ksPDF417Alphanumeric);
  return TextCompaction(bytes);
}

// ---- Symbol layout -----------------------------------------------------------------

// The 17 modules of a codeword in the cluster of row class 0, 1 or 2 (clusters 0, 3, 6).
void AppendCodeword(std::string& row, int rowClass, int codeword) {
  const uint16_t bits = kClusters[rowClass][codeword];
  char modules[17];
  modules[0] = '1';
  for (int b = 15; b >= 0; --b) modules[16 - b] = (bits >> b) & 1 ? '1' : '0';
  row.append(modules, sizeof modules);
}

// Check codewords of `cw`, appended in transmission order.
void AppendErrorCorrection(std::vector<int>& cw, int k) {
  TksArray data;
  ArrayInit(data, static_cast<int>(cw.size()));
  for (int v : cw) ArrayPush(data, v);
  TksArray ec;
  ArrayInit(ec, k);
  Pdf417Ecc(data, k, ec);
  for (int j = k - 1; j >= 0; --j) cw.push_back(ec.data[j]);
}

[[noreturn]] void MaxDataError() { throw TksEncodeError(erOutOfMaxCapacity, "PDF417 Max data error"); }

// Rows and data columns of a standard symbol for a codewords in total.
void ChooseSize(int a, int requestedRows, int requestedCols, int& rows, int& cols) {
  if (a > kMaxCodewords) MaxDataError();
  if (requestedRows <= 0 && requestedCols <= 0) {
    cols = Round(std::sqrt(a / 3.0));
    rows = 3 * cols + (3 * cols * cols < a ? 1 : 0);
    if (rows * cols < a) ++cols;
  } else if (requestedRows > 0) {
    rows = std::max(requestedRows, 3);
    cols = Round(static_cast<double>(a) / rows) + 1;
  } else {
    cols = std::max(requestedCols, 3);
    rows = std::max(Round(static_cast<double>(a) / cols) + 1, 3);
  }
  // Row indicators can only describe 3..90 rows and 1..30 columns.
  if (rows > kMaxRows || cols > kMaxCols) MaxDataError();
}

// Level of the automatic choice for n codewords before error correction.
TksPDF417ErrorCorrection AutoLevel(int n) {
  if (n >= 1 && n <= 40) return ksPDF417Error2;
  if (n >= 41 && n <= 160) return ksPDF417Error3;
  if (n >= 161 && n <= 320) return ksPDF417Error4;
  if (n >= 321 && n <= 863) return ksPDF417Error5;
  return ksPDF417Error6;
}

Pdf417Symbol BuildStandard(const std::vector<int>& data, const std::vector<int>& macro, const Pdf417Layout& layout) {
  Pdf417Symbol sym;
  std::vector<int>& cw = sym.codewords;
  cw.reserve(kMaxCodewords);
  cw.push_back(0);  // symbol length descriptor, set below
  cw.insert(cw.end(), data.begin(), data.end());
  const int m = static_cast<int>(macro.size());

  sym.level = layout.level != ksPDF417AutoEC ? layout.level : AutoLevel(m + static_cast<int>(cw.size()));
  const int s = sym.level - 1;
  const int k = 2 << s;

  ChooseSize(static_cast<int>(cw.size()) + m + k, layout.rows, layout.cols, sym.rows, sym.cols);
  const int total = sym.rows * sym.cols;
  if (total > kMaxCodewords) throw TksEncodeError(erOutOfMaxCapacity, "PDF417 max. capacity is 929 codewords");

  // Pads first, then the control block, so that it closes the data.
  cw.resize(total - m - k, kPad);
  cw.insert(cw.end(), macro.begin(), macro.end());
  cw[0] = static_cast<int>(cw.size());
  AppendErrorCorrection(cw, k);

  const int r = sym.rows, w = sym.cols;
  for (int i = 0; i < r; ++i) {
    const int rowClass = i % 3;
    const int q = 30 * (i / 3);
    const int rowsPart = q + (r - 1) / 3;
    const int levelPart = q + 3 * s + (r - 1) % 3;
    const int colsPart = q + w - 1;
    const int left = rowClass == 0 ? rowsPart : rowClass == 1 ? levelPart : colsPart;
    const int right = rowClass == 0 ? colsPart : rowClass == 1 ? rowsPart : levelPart;

    std::string row;
    row.reserve(static_cast<size_t>(17 * (w + 4) + 1));  // start, indicators, data, stop
    row = kStartPattern;
    AppendCodeword(row, rowClass, left);
    for (int j = 0; j < w; ++j) AppendCodeword(row, rowClass, cw[i * w + j]);
    if (layout.kind == pkTruncated) {
      row += '1';
    } else {
      AppendCodeword(row, rowClass, right);
      row += kStopPattern;
    }
    sym.patterns.push_back(std::move(row));
  }
  return sym;
}

Pdf417Symbol BuildMicro(const std::vector<int>& data, const std::vector<int>& macro, const Pdf417Layout& layout) {
  const int m = static_cast<int>(macro.size());
  const int needed = m + static_cast<int>(data.size());
  const int wantCols = layout.cols > 0 ? std::min(layout.cols, 4) : 0;
  const MicroSize* size = nullptr;
  for (const MicroSize& sz : kMicroSizes) {
    if ((wantCols == 0 || sz.cols == wantCols) && (layout.rows <= 0 || sz.rows == layout.rows) && sz.data >= needed) {
      size = &sz;
      break;
    }
  }
  if (!size) throw TksEncodeError(erOutOfMaxCapacity, "PDF417 max. capacity error.");

  Pdf417Symbol sym;
  std::vector<int>& cw = sym.codewords;
  cw = data;
  cw.resize(size->total - m - size->ecc, kPad);
  cw.insert(cw.end(), macro.begin(), macro.end());
  AppendErrorCorrection(cw, size->ecc);
  sym.rows = size->rows;
  sym.cols = size->cols;
  sym.level = ksPDF417AutoEC;

  // Row address pattern numbers in the table are 1-based.
  const int L = size->leftRap - 1, C = size->centreRap - 1, R = size->rightRap - 1;
  // The centre pattern follows data column 1 of three, or column 2 of four.
  const int centreBefore = size->cols == 3 ? 1 : size->cols == 4 ? 2 : -1;
  for (int i = 0; i < sym.rows; ++i) {
    std::string row = kMicroRaps[(i + L) % 52].lr;
    for (int j = 0; j < sym.cols; ++j) {
      if (j == centreBefore) row += kMicroRaps[(i + C) % 52].c;
      AppendCodeword(row, (i + L) % 3, cw[j + sym.cols * i]);
    }
    row += kMicroRaps[(i + R) % 52].lr;
    row += '1';
    sym.patterns.push_back(std::move(row));
  }
  return sym;
}

}  // namespace

std::vector<int> Pdf417DataCodewords(std::string_view bytes, TksPDF417Mode mode) {
  CheckChars(bytes, mode);
  std::vector<int> out;
  switch (mode) {
    case ksPDF417Alphanumeric: {
      out.push_back(kLatchText);
      std::vector<int> t = TextCompaction(bytes);
      out.insert(out.end(), t.begin(), t.end());
      break;
    }
    case ksPDF417Binary:
      ByteRun(bytes, out);
      break;
    case ksPDF417BinaryHex: {
      // An odd count of digits reads as if led by "0".
      std::string bin;
      size_t i = bytes.size() % 2;
      if (i) bin += static_cast<char>(HexValue(static_cast<unsigned char>(bytes[0])));
      for (; i < bytes.size(); i += 2)
        bin += static_cast<char>(16 * HexValue(static_cast<unsigned char>(bytes[i])) +
                                 HexValue(static_cast<unsigned char>(bytes[i + 1])));
      ByteRun(bin, out);
      break;
    }
    case ksPDF417Numeric:
      out.push_back(kLatchNumeric);
      NumericCompaction(bytes, out);
      break;
    case ksPDF417AutoCode:
      out = AutoCompaction(bytes);
      break;
  }
  return out;
}

std::vector<int> Pdf417EciCodewords(int32_t eci) {
  if (eci < 0) return {};
  if (eci <= 899) return {927, eci};
  if (eci <= 810899) return {926, eci / 900 - 1, eci % 900};
  if (eci <= 811799) return {925, eci - 810900};
  return {};
}

std::vector<int> Pdf417MacroBlock(const Pdf417Macro& macro) {
  std::vector<int> out{kMacroStart};
  NumericCompaction(Digits(macro.segmentIndex, 5), out);
  // File identifier: each group of three characters is one codeword.
  for (size_t i = 0; i < macro.fileId.size(); i += 3) {
    std::u16string_view group = std::u16string_view(macro.fileId).substr(i, 3);
    int value = 0;
    for (char16_t c : group) {
      if (c < u'0' || c > u'9') {
        value = -1;
        break;
      }
      value = value * 10 + (c - u'0');
    }
    out.push_back(value >= 0 && value < 900 ? value : 0);
  }
  out.insert(out.end(), {kMacroField, 1});
  NumericCompaction(Digits(macro.segmentCount, 5), out);

  auto textField = [&](int id, const std::u16string& value) {
    if (value.empty()) return;
    out.insert(out.end(), {kMacroField, id});
    std::vector<int> t = MacroText(value);
    out.insert(out.end(), t.begin(), t.end());
  };
  auto numberField = [&](int id, long long value, int width) {
    out.insert(out.end(), {kMacroField, id});
    NumericCompaction(Digits(value, width), out);
  };
  textField(0, macro.fileName);
  if (macro.timeStamp > 0) {
    // Seconds since 1970-01-01 00:00 (day 25569 of the date-time scale).
    const double seconds = std::trunc((macro.timeStamp - 25569.0) * 86400.0);
    numberField(2, seconds > 0 ? static_cast<long long>(seconds) : 0, 10);
  }
  textField(3, macro.sender);
  textField(4, macro.addressee);
  if (macro.fileSize > 0) numberField(5, macro.fileSize, 1);
  if (macro.checksum > 0) numberField(6, macro.checksum, 5);
  if (macro.segmentCount == macro.segmentIndex + 1) out.push_back(kMacroTerminator);
  return out;
}

Pdf417Symbol BuildPdf417Symbol(const std::vector<int>& data, const std::vector<int>& macro,
                               const Pdf417Layout& layout) {
  return layout.kind == pkMicro ? BuildMicro(data, macro, layout) : BuildStandard(data, macro, layout);
}

Pdf417Symbol EncodePdf417(std::string_view bytes, const Pdf417Settings& settings) {
  std::vector<int> data = Pdf417EciCodewords(settings.eci);
  const std::vector<int> body = Pdf417DataCodewords(bytes, settings.mode);
  data.insert(data.end(), body.begin(), body.end());
  const std::vector<int> macro = settings.macro ? Pdf417MacroBlock(*settings.macro) : std::vector<int>();
  return BuildPdf417Symbol(data, macro, settings.layout);
}

}  // namespace ks
