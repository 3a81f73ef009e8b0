// Postal codes whose information lies in bar heights: PostNet and Planet (full and half
// bars), the RM4SCC four-state family (Royal Mail, Singapore, plain 4-state, KIX) and the
// USPS Intelligent Mail barcode.
//
// Every bar is written as one height letter followed by a light module "0":
//   "1", "V", "F" full bar      "M" lower half (short PostNet/Planet bar)
//   "H", "A" ascender           "D" descender          "S", "T" tracker
// None of these encoders sets a text slot.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "engine/barcode.h"
#include "engine/encoders.h"
#include "engine/errors.h"
#include "engine/linear/imb_tables.h"
#include "engine/ustring.h"

namespace ks {

namespace {

// USPS PostNet digit codes (DMM 708.4), five bars per digit: '1' full, '0' half bar.
constexpr std::array<std::string_view, 10> kPostNetCodes = {
    "11000", "00011", "00101", "00110", "01001", "01010", "01100", "10001", "10010", "10100"};

// RM4SCC character codes, four bars each: S tracker, D descender, H ascender, V full.
constexpr std::u16string_view kFourStateChars = u"0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";
constexpr std::array<std::string_view, 36> kFourStateCodes = {
    "SSVV", "SDHV", "SDVH", "DSHV", "DSVH", "DDHH", "SHDV", "SVSV", "SVDH", "DHSV", "DHDH", "DVSH",
    "SHVD", "SVHD", "SVVS", "DHHD", "DHVS", "DVHS", "HSDV", "HDSV", "HDDH", "VSSV", "VSDH", "VDSH",
    "HSVD", "HDHD", "HDVS", "VSHD", "VSVS", "VDHS", "HHDD", "HVSD", "HVDS", "VHSD", "VHDS", "VVSS"};

// RM4SCC check character matrix: row = top sum mod 6, column = bottom sum mod 6.
constexpr std::u16string_view kFourStateCheckMatrix = u"ZUVWXY501234B6789AHCDEFGNIJKLMTOPQRS";

// PostNet and Planet carry digits only; anything else has no bar code at all, so it is
// refused instead of being drawn as an arbitrary digit.
void RequireDigits(const std::u16string& text) {
  for (size_t i = 0; i < text.size(); ++i) {
    if (!IsDigit(text[i])) throw TksEncodeError(erCharOutOfSet, static_cast<int>(i) + 1, std::u16string(1, text[i]));
  }
}

BarSymbol Bars(std::string pattern) { return {std::move(pattern), {}, {}}; }

// The check digit of PostNet and Planet: brings the digit sum up to a multiple of ten.
char PostalDigitCheck(const std::u16string& digits) {
  int sum = 0;
  for (char16_t c : digits) sum += c - u'0';
  return static_cast<char>('0' + (10 - sum % 10) % 10);
}

// Full/half bar string ('1'/'0') to pattern: a full bar is "1", a half bar "M".
std::string FullHalfBars(const std::string& bars) {
  std::string pattern;
  pattern.reserve(bars.size() * 2);
  for (char b : bars) pattern += (b == '1') ? "10" : "M0";
  return pattern;
}

// The four-state codes of the text's digits and capital letters, in order; other
// characters have no code and contribute nothing.
std::string FourStateLetters(const std::u16string& text) {
  std::string letters;
  for (char16_t c : text) {
    size_t k = kFourStateChars.find(c);
    if (k != std::u16string_view::npos) letters += kFourStateCodes[k];
  }
  return letters;
}

// RM4SCC check character. Within each character the bars weigh 4, 2, 1, 0; the ascending
// bars (H, V) sum to the row and the descending bars (D, V) to the column of the matrix.
std::string FourStateCheck(const std::string& letters) {
  static constexpr int kWeights[4] = {4, 2, 1, 0};
  int top = 0;
  int bottom = 0;
  for (size_t i = 0; i < letters.size(); ++i) {
    const int w = kWeights[i % 4];
    const char b = letters[i];
    if (b == 'V' || b == 'H') top += w;
    if (b == 'V' || b == 'D') bottom += w;
  }
  const char16_t check = kFourStateCheckMatrix[(top % 6) * 6 + bottom % 6];
  return std::string(kFourStateCodes[kFourStateChars.find(check)]);
}

// Each bar letter followed by one light module.
std::string PostalBars(const std::string& letters) {
  std::string pattern;
  pattern.reserve(letters.size() * 2);
  for (char b : letters) {
    pattern += b;
    pattern += '0';
  }
  return pattern;
}

// Unsigned integer of 128 bits in four 32-bit words (word 0 least significant), enough
// for the 102-bit Intelligent Mail value.
class Uint128 {
 public:
  void MulAdd(uint32_t factor, uint32_t addend) {
    uint64_t carry = addend;
    for (uint32_t& w : words_) {
      const uint64_t v = static_cast<uint64_t>(w) * factor + carry;
      w = static_cast<uint32_t>(v);
      carry = v >> 32;
    }
  }

  // Divides in place and returns the remainder.
  uint32_t DivMod(uint32_t divisor) {
    uint64_t rem = 0;
    for (int i = 3; i >= 0; --i) {
      const uint64_t cur = (rem << 32) | words_[i];
      words_[i] = static_cast<uint32_t>(cur / divisor);
      rem = cur % divisor;
    }
    return static_cast<uint32_t>(rem);
  }

  bool Bit(int n) const { return (words_[n / 32] >> (n % 32)) & 1u; }
  uint32_t LowWord() const { return words_[0]; }

 private:
  std::array<uint32_t, 4> words_{};
};

// Binary value of tracking and routing digits (USPS-B-3200, step 1 of the encoding).
Uint128 ImbBinaryValue(std::u16string_view tracking, std::u16string_view routing) {
  Uint128 value;
  for (char16_t c : routing) value.MulAdd(10, c - u'0');
  switch (routing.size()) {
    case 5: value.MulAdd(1, 1); break;
    case 9: value.MulAdd(1, 100001); break;
    case 11: value.MulAdd(1, 1000100001); break;
    default: break;
  }
  value.MulAdd(10, tracking[0] - u'0');
  value.MulAdd(5, tracking[1] - u'0');
  for (size_t i = 2; i < tracking.size(); ++i) value.MulAdd(10, tracking[i] - u'0');
  return value;
}

// CRC-11 frame check sequence over the 102 bits of the value, generator 0xF35
// (USPS-B-3200), most significant bit first.
uint32_t ImbFrameCheck(const Uint128& value) {
  uint32_t fcs = 0x7FF;
  for (int bit = 101; bit >= 0; --bit) {
    const uint32_t data = value.Bit(bit) ? 0x400u : 0u;
    fcs = ((fcs ^ data) & 0x400) ? (fcs << 1) ^ 0xF35 : fcs << 1;
    fcs &= 0x7FF;
  }
  return fcs;
}

}  // namespace

BarSymbol EncodePostNet(const std::u16string& text, bool checkDigit) {
  RequireDigits(text);
  std::string bars = "1";
  for (char16_t c : text) bars += kPostNetCodes[c - u'0'];
  if (checkDigit) bars += kPostNetCodes[PostalDigitCheck(text) - '0'];
  bars += '1';
  return Bars(FullHalfBars(bars));
}

// Planet uses the PostNet digit table with full and half bars exchanged, frame bars
// included, and always carries the check digit.
BarSymbol EncodePlanet(const std::u16string& text) {
  RequireDigits(text);
  std::u16string digits = text;
  digits += static_cast<char16_t>(PostalDigitCheck(text));
  std::string bars = "0";
  for (char16_t c : digits) bars += kPostNetCodes[c - u'0'];
  bars += '0';
  for (char& b : bars) b = (b == '0') ? '1' : '0';
  return Bars(FullHalfBars(bars));
}

// RM4SCC: ascender start bar, characters, check character, full stop bar.
BarSymbol EncodeRoyalMail(const std::u16string& text) {
  std::string letters = FourStateLetters(text);
  letters += FourStateCheck(letters);
  return Bars("H0" + PostalBars(letters) + "V");
}

// RM4SCC framing without the check character.
BarSymbol Encode4State(const std::u16string& text) { return Bars("H0" + PostalBars(FourStateLetters(text)) + "V"); }

// KIX (Dutch 4-state): the RM4SCC characters alone, no start, stop or check.
BarSymbol EncodeKix(const std::u16string& text) { return Bars(PostalBars(FourStateLetters(text))); }

BarSymbol EncodeIntelligentMail(const std::u16string& text) {
  const std::u16string digits = DigitsOnly(text);
  const size_t n = digits.size();
  // Only 20 tracking digits plus a routing code of 0, 5, 9 or 11 digits have an encoding;
  // the second tracking digit is a base-5 digit, so 5..9 would read back as another code.
  if ((n != 20 && n != 25 && n != 29 && n != 31) || digits[1] > u'4') return {};
  const std::u16string_view all(digits);
  Uint128 value = ImbBinaryValue(all.substr(0, 20), all.substr(20));
  const uint32_t fcs = ImbFrameCheck(value);

  // Codewords A..J: J in base 636, I..B in base 1365, A the quotient (0..658).
  std::array<uint32_t, 10> codewords{};
  codewords[9] = value.DivMod(636);
  for (int i = 8; i >= 1; --i) codewords[i] = value.DivMod(1365);
  codewords[0] = value.LowWord();
  codewords[9] *= 2;
  if (fcs & 0x400) codewords[0] += 659;

  std::array<uint32_t, 10> characters{};
  for (int i = 0; i < 10; ++i) {
    const uint32_t c = codewords[i];
    characters[i] = c < imb::kTableI.size() ? imb::kTableI[c] : imb::kTableII[c - imb::kTableI.size()];
    if (fcs & (1u << i)) characters[i] ^= 0x1FFF;
  }

  std::string pattern;
  pattern.reserve(130);
  for (const imb::BarSource& bar : imb::kBarSources) {
    const bool desc = (characters[bar.descChar] >> bar.descBit) & 1u;
    const bool asc = (characters[bar.ascChar] >> bar.ascBit) & 1u;
    pattern += desc ? (asc ? 'F' : 'D') : (asc ? 'A' : 'T');
    pattern += '0';
  }
  return Bars(std::move(pattern));
}

}  // namespace ks
