// Four-state codes protected by Reed-Solomon parity over GF(64): the Australia Post
// customer barcodes and Canada Post's PostBar (CPC 4-state).
//
// Both work on bar values 0 full, 1 ascender, 2 descender, 3 tracker. The data bars after
// the two start bars are grouped in threes into GF(64) symbols, four parity symbols are
// appended as twelve more bars, and the values become the letters "F", "A", "D", "T"
// separated by single light modules.

#include "engine/linear/fourstate.h"

#include <algorithm>
#include <array>
#include <cassert>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/encoders.h"
#include "engine/errors.h"
#include "engine/ustring.h"

namespace ks {

namespace {

using BarValues = std::vector<uint8_t>;

constexpr char kBarLetters[4] = {'F', 'A', 'D', 'T'};

// GF(64) product with the primitive polynomial x^6 + x + 1 (0x43). Computed, not looked
// up, so nothing is shared between encodings running at the same time.
constexpr uint8_t Gf64Multiply(uint8_t a, uint8_t b) {
  uint8_t product = 0;
  for (int i = 0; i < 6; ++i) {
    if (b & (1u << i)) product ^= a;
    a = static_cast<uint8_t>(a << 1);
    if (a & 0x40) a ^= 0x43;
  }
  return product;
}

// Reed-Solomon generator polynomial for four parity symbols, lowest degree first
// (Australia Post 4-state customer barcode standard).
constexpr std::array<uint8_t, 5> kRsGenerator = {48, 17, 29, 30, 1};

// The four parity symbols of the data symbols (first data symbol = highest degree),
// returned in bar order.
std::array<uint8_t, 4> Rs64Parity(const BarValues& data) {
  const size_t n = data.size();
  std::vector<uint8_t> work(n + 4, 0);
  for (size_t k = 0; k < n; ++k) work[4 + k] = data[n - 1 - k];
  for (size_t i = n; i-- > 0;) {
    const uint8_t x = work[i + 4];
    for (size_t j = 0; j < kRsGenerator.size(); ++j) work[i + j] ^= Gf64Multiply(kRsGenerator[j], x);
  }
  return {work[3], work[2], work[1], work[0]};
}

// Groups the data bars of a symbol of `total` bars (two start bars, data, twelve parity
// bars, two stop bars) into symbols of three bar values, and writes the parity as base-4
// digits into the twelve bars after the data. Returns the parity symbols in bar order.
std::array<uint8_t, 4> BarTriples(BarValues& bars, size_t total) {
  const size_t dataSymbols = (total - 4) / 3 - 4;
  BarValues data(dataSymbols);
  for (size_t i = 0; i < dataSymbols; ++i) {
    const size_t p = 3 * i + 2;
    data[i] = static_cast<uint8_t>(16 * bars[p] + 4 * bars[p + 1] + bars[p + 2]);
  }
  const std::array<uint8_t, 4> parity = Rs64Parity(data);
  for (size_t k = 0; k < 4; ++k) {
    const size_t p = 3 * (dataSymbols + k) + 2;
    bars[p] = parity[k] >> 4;
    bars[p + 1] = (parity[k] >> 2) & 3;
    bars[p + 2] = parity[k] & 3;
  }
  return parity;
}

// Bar values to the pattern: the letters with one light module between two bars.
std::string BarPattern(const BarValues& bars, size_t count) {
  std::string pattern;
  pattern.reserve(2 * count);
  for (size_t i = 0; i < count; ++i) {
    if (i > 0) pattern += '0';
    pattern += kBarLetters[bars[i]];
  }
  return pattern;
}

// ---- Australia Post ----

// Australia Post N table: a digit as two bar values.
constexpr std::array<std::string_view, 10> kAusPostN = {"00", "01", "02", "10", "11",
                                                        "12", "20", "21", "22", "30"};

// Australia Post C table: a character as three bar values.
constexpr std::u16string_view kAusPostCChars =
    u"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789 #";
constexpr std::array<std::string_view, 64> kAusPostC = {
    "000", "001", "002", "010", "011", "012", "020", "021", "022", "100", "101", "102", "110",
    "111", "112", "120", "121", "122", "200", "201", "202", "210", "211", "212", "220", "221",
    "023", "030", "031", "032", "033", "103", "113", "123", "130", "131", "132", "133", "203",
    "213", "223", "230", "231", "232", "233", "303", "313", "323", "330", "331", "332", "333",
    "222", "300", "301", "302", "310", "311", "312", "320", "321", "322", "003", "013"};

constexpr size_t kAusPostMaxBars = 67;
constexpr uint8_t kAusPostFiller = 3;

constexpr const char* kAusPostCustomerMessage = "Invalid Customer code/info, see documentation";

// Australia Post customer barcode formats by format control code: 37 bars without
// customer information (standard, reply paid, routing, redirection), 52 bars with
// customer barcode 2, 67 bars with customer barcode 3.
constexpr std::array<AusPostFormat, 7> kAusPostFormats = {{
    {u"11", 37, 0, 0, kAusPostCustomerMessage},
    {u"87", 37, 0, 0, kAusPostCustomerMessage},
    {u"45", 37, 0, 0, kAusPostCustomerMessage},
    {u"92", 37, 0, 0, kAusPostCustomerMessage},
    {u"59", 52, 8, 5, kAusPostCustomerMessage},
    {u"62", 67, 15, 10, "Invalid Customer info/info, see documentation"},
    {u"44", 67, 15, 10, "Invalid Customer info/info, see documentation"},
}};

// Writes bar values given as digit characters from 0-based bar `at` on. The customer
// information was checked against its format, so the values end before the parity.
void PutBars(BarValues& bars, size_t at, std::string_view values, size_t total) {
  assert(at + values.size() <= total - 14);
  (void)total;
  for (char v : values) bars[at++] = static_cast<uint8_t>(v - '0');
}

// Writes digits in the N table; returns the bar after the last one written.
size_t PutDigits(BarValues& bars, size_t at, std::u16string_view digits, size_t total) {
  for (char16_t c : digits) {
    PutBars(bars, at, kAusPostN[c - u'0'], total);
    at += 2;
  }
  return at;
}

// Right-aligns `s` in `width` places, as a "%<width>s" conversion does.
std::u16string PadLeft(std::u16string s, size_t width) {
  if (s.size() < width) s.insert(0, width - s.size(), u' ');
  return s;
}

std::u16string PadLeft(int value, size_t width) {
  const std::string digits = std::to_string(value);
  return PadLeft(std::u16string(digits.begin(), digits.end()), width);
}

// ---- Canada Post PostBar ----

// Canada Post 4-state character codes; "Z" positions of the mask use the first table of
// each pair, all other positions the second.
constexpr std::array<std::string_view, 10> kCpcDigitZ = {"DDD", "TFF", "TFA", "TFD", "TAF",
                                                         "TAA", "TAD", "TDF", "TDA", "TDD"};
constexpr std::array<std::string_view, 10> kCpcDigitOther = {"FF", "FA", "FD", "AF", "AA",
                                                             "AD", "DF", "DA", "DD", "TF"};
constexpr std::array<std::string_view, 26> kCpcLetterZ = {
    "FFF", "FFA", "FFD", "FAF", "FAA", "FAD", "FDF", "FDA", "FDD", "AFF", "AFA", "AFD", "AAF",
    "AAA", "AAD", "ADF", "ADA", "ADD", "DFF", "DFA", "DFD", "DAF", "DAA", "DAD", "DDF", "DDA"};
constexpr std::array<std::string_view, 26> kCpcLetterOther = {
    "FFD", "FAF", "FAA", "FAD", "FDF", "FDA", "FDD", "FFA", "AFA", "AFD", "AAF", "AAA", "FFF",
    "ADF", "ADA", "ADD", "DFF", "DFA", "DFD", "DAF", "DAA", "DAD", "DDF", "DDA", "DDD", "AFF"};
constexpr std::string_view kCpcHash = "FFT";

// The position mask for a prepared text (blanks removed, upper case). An 11-character
// text of the 'A'..'L' kind is completed with "#". Empty when no layout applies.
std::string_view CpcMask(std::u16string& text) {
  if (text.empty()) return {};
  const char16_t first = text[0];
  const size_t len = text.size();
  if (first >= u'1' && first <= u'9') {
    if (len == 12) return "ZNNNZZZZZZZZ";
    if (len == 22) return "ZNNNZZZZZZZZZZZZZZZZZZ";
  } else if (first >= u'A' && first <= u'L') {
    if (len == 7) return "ZANANAN";
    if (len == 11) {
      text += u'#';
      return "ZANANANZZZZ#";
    }
    if (len == 12) return "ZANANANZZZZ#";
    if (len == 22) return "ZANANANZZZZZZZZZZZ";  // positions past the mask count as "Z"
  } else if (first >= u'M' && first <= u'U') {
    if (len == 6) return "ZZZZZZ";
    if (len == 11) return "ZZZZZZZZZZZ";
    if (len == 21) return "ZZZZZZZZZZZZZZZZZZZZZ";
  } else if (first >= u'V' && first <= u'Z') {
    if (len == 10) return "ZANANAN3BBBB";
  }
  return {};
}

// The code of one character under its mask character; empty when it has none.
std::string_view CpcCode(char16_t c, char maskChar) {
  const bool z = maskChar == 'Z';
  if (c == u'#') return kCpcHash;
  if (IsDigit(c)) return z ? kCpcDigitZ[c - u'0'] : kCpcDigitOther[c - u'0'];
  if (c >= u'A' && c <= u'Z') return z ? kCpcLetterZ[c - u'A'] : kCpcLetterOther[c - u'A'];
  return {};
}

// Whether a character is of the kind its mask position asks for: "N" a digit, "A" a letter.
bool CpcFitsMask(char16_t c, char maskChar) {
  if (maskChar == 'N') return IsDigit(c);
  if (maskChar == 'A') return c >= u'A' && c <= u'Z';
  return true;
}

uint8_t CpcBarValue(char letter) {
  switch (letter) {
    case 'F': return 0;
    case 'A': return 1;
    case 'D': return 2;
    default: return 3;
  }
}

}  // namespace

const AusPostFormat* AusPostFormatOf(std::u16string_view fcc) {
  for (const AusPostFormat& f : kAusPostFormats)
    if (f.fcc == fcc) return &f;
  return nullptr;
}

void CheckAustraliaPostText(std::u16string_view text) {
  const AusPostFormat* format = AusPostFormatOf(text.substr(0, 2));
  if (!format) throw TksEncodeError(erErrorInBarCode, "Invalid FCC, must be one from 11, 87, 45, 92, 59, 62, 44");
  const std::u16string_view sortCode = text.substr(2, 8);
  if (sortCode.size() != 8 || !AllDigits(sortCode))
    throw TksEncodeError(erErrorInBarCode, "Invalid Sort code, must be 8 digits lenght");
  const std::u16string_view info = text.substr(10);
  const size_t n = info.size();
  if (n > format->customerChars && (n > format->customerDigits || !AllDigits(info)))
    throw TksEncodeError(erErrorInBarCode, kAusPostCustomerMessage);
}

BarSymbol EncodeAustraliaPost(const std::u16string& text, bool captionParity) {
  CheckAustraliaPostText(text);
  const std::u16string_view all(text);
  const std::u16string_view fcc = all.substr(0, 2);
  const std::u16string_view sortCode = all.substr(2, 8);
  const std::u16string_view custInfo = all.substr(10);
  const AusPostFormat& format = *AusPostFormatOf(fcc);
  const size_t total = format.bars;

  BarValues bars(kAusPostMaxBars, kAusPostFiller);
  bars[0] = 1;  // start: ascender, tracker
  bars[1] = 3;
  PutDigits(bars, 2, fcc, total);
  PutDigits(bars, 6, sortCode, total);
  if (AllDigits(custInfo)) {
    PutDigits(bars, 22, custInfo, total);
  } else {
    size_t at = 22;
    for (char16_t c : custInfo) {
      const size_t k = kAusPostCChars.find(c);
      if (k == std::u16string_view::npos) throw TksEncodeError(erErrorInBarCode, format.customerMessage);
      PutBars(bars, at, kAusPostC[k], total);
      at += 3;
    }
  }
  const std::array<uint8_t, 4> parity = BarTriples(bars, total);
  bars[total - 2] = 1;  // stop: ascender, tracker
  bars[total - 1] = 3;

  BarSymbol sym;
  sym.pattern = BarPattern(bars, total);
  std::u16string& caption = sym.caption;
  caption = PadLeft(std::u16string(fcc), 2) + u' ' + PadLeft(std::u16string(sortCode), 8) + u' ' +
            std::u16string(custInfo);
  if (captionParity) {
    caption += u" (";
    for (size_t k = 0; k < parity.size(); ++k) {
      if (k > 0) caption += u' ';
      caption += PadLeft(parity[k], 2);
    }
    caption += u')';
  }
  return sym;
}

BarSymbol EncodePostbarCpc(const std::u16string& text) {
  // Blanks only separate groups for the reader; remember where each kept character
  // stood so that an error names the position the user typed it at.
  std::u16string prepared;
  std::vector<int> origin;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == u' ') continue;
    prepared += UpperAscii(text[i]);
    origin.push_back(static_cast<int>(i) + 1);
  }
  const std::string_view mask = CpcMask(prepared);
  if (mask.empty()) return {};
  while (origin.size() < prepared.size()) origin.push_back(static_cast<int>(text.size()) + 1);

  std::string codes = "AT";  // start
  int firstMisfit = 0;
  for (size_t i = 0; i < prepared.size(); ++i) {
    const char16_t c = prepared[i];
    const char maskChar = i < mask.size() ? mask[i] : 'Z';
    const std::string_view code = CpcCode(c, maskChar);
    if (code.empty()) throw TksEncodeError(erCPCBadCode, origin[i], std::u16string(1, c));
    if (firstMisfit == 0 && !CpcFitsMask(c, maskChar)) firstMisfit = static_cast<int>(i) + 1;
    codes += code;
  }
  // The parity must fill exactly the twelve bars after the data, which needs the data
  // bars to form whole symbols of three. Otherwise the symbol would carry parity over the
  // wrong bars, so it is refused, naming the first character of the wrong kind for its
  // position (or the last character).
  const size_t dataBars = codes.size() - 2;
  if (dataBars % 3 != 0) {
    const size_t i = firstMisfit > 0 ? static_cast<size_t>(firstMisfit) - 1 : prepared.size() - 1;
    throw TksEncodeError(erCPCBadCode, origin[i], std::u16string(1, prepared[i]));
  }

  BarValues bars;
  bars.reserve(codes.size() + 14);
  for (char letter : codes) bars.push_back(CpcBarValue(letter));
  bars.insert(bars.end(), 12, 0);  // room for the parity
  bars.push_back(1);  // stop: ascender, tracker
  bars.push_back(3);
  BarTriples(bars, bars.size());
  return {BarPattern(bars, bars.size()), {}, {}};
}

}  // namespace ks
