// Two-of-five family: the non-interleaved variants (Datalogic, Matrix, COOP, Industrial,
// IATA, Invert) and interleaved 2 of 5, which also serves ITF and OPC.
//
// Every digit has two wide elements among five. The variants differ in which elements
// carry the widths (bars only, or bars and spaces), how wide a wide element is and in
// their start and stop characters; "2" marks the guard bars drawn long.
#include <array>
#include <string_view>

#include "engine/encoders.h"
#include "engine/errors.h"
#include "engine/ustring.h"

namespace ks {

namespace {

using DigitTable = std::array<std::string_view, 10>;

// Two of five widths of digits 0-9 (weights 1, 2, 4, 7 and parity): "1" wide, "0" narrow.
constexpr DigitTable kWidths = {"00110", "10001", "01001", "11000", "00101",
                                "10100", "01100", "00011", "10010", "01010"};

// Matrix 2 of 5 (also Datalogic): bar, space, bar, space, bar from the widths, then a
// narrow space; wide elements are two modules.
constexpr DigitTable kMatrixDigits = {"10110010", "11010110", "10010110", "11001010", "10110110",
                                      "11011010", "10011010", "10100110", "11010010", "10010010"};

// COOP 2 of 5: as matrix, with the widths in ascending order of their values.
constexpr DigitTable kCoopDigits = {"11001010", "10100110", "10110110", "10110010", "10010110",
                                    "10010010", "10011010", "11010110", "11010010", "11011010"};

// Industrial 2 of 5: five bars, each followed by a narrow space; wide bars are two modules.
constexpr DigitTable kIndustrialDigits = {
    "101011011010", "110101010110", "101101010110", "110110101010", "101011010110",
    "110101101010", "101101101010", "101010110110", "110101011010", "101101011010"};

// IATA 2 of 5: five bars, each followed by a narrow space; wide bars are three modules.
constexpr DigitTable kIataDigits = {
    "10101110111010", "11101010101110", "10111010101110", "11101110101010", "10101110101110",
    "11101011101010", "10111011101010", "10101011101110", "11101010111010", "10111010111010"};

// Invert 2 of 5: the IATA digits with light and dark exchanged.
constexpr DigitTable kInvertDigits = {
    "01010001000101", "00010101010001", "01000101010001", "00010001010101", "01010001010001",
    "00010100010101", "01000100010101", "01010100010001", "00010101000101", "01000101000101"};

struct Variant {
  std::string_view start;
  const DigitTable* digits;
  std::string_view stop;
};

// Start, digit table and stop of the plain variants, in the order of TwoOf5.
constexpr std::array<Variant, 6> kVariants = {{
    {"2020", &kMatrixDigits, "2202"},                  // Datalogic
    {"22202020", &kMatrixDigits, "2220202"},           // Matrix
    {"22022020", &kIndustrialDigits, "2202022"},       // Industrial
    {"2020", &kIataDigits, "22202"},                   // IATA
    {"20002000202", &kInvertDigits, "0002020002"},     // Invert
    {"220220", &kCoopDigits, "20022"},                 // COOP
}};

int32_t Len(const std::string& p) { return static_cast<int32_t>(p.size()); }

// Only digits have a pattern; validation keeps everything else out, and the encoders
// refuse it rather than read past their tables.
int DigitAt(const std::u16string& text, size_t index) {
  const char16_t c = text[index];
  if (!IsDigit(c)) throw TksEncodeError(erCharOutOfSet, static_cast<int>(index + 1), std::u16string(1, c));
  return c - u'0';
}

}  // namespace

BarSymbol Encode2of5(const std::u16string& text, TwoOf5 variant) {
  const Variant& v = kVariants[static_cast<size_t>(variant)];
  BarSymbol sym;
  std::string& p = sym.pattern = std::string(v.start);
  sym.textSlots[0] = Len(p) + 1;
  for (size_t i = 0; i < text.size(); ++i) p += (*v.digits)[DigitAt(text, i)];
  sym.textSlots[1] = Len(p) - 1;
  p += v.stop;
  return sym;
}

BarSymbol EncodeInterleaved(const std::u16string& text, bool addLeadingZero) {
  for (size_t i = 0; i < text.size(); ++i) DigitAt(text, i);
  std::u16string digits = text;
  if (digits.size() % 2 != 0) {
    if (!addLeadingZero) return {};
    digits.insert(digits.begin(), u'0');
  }
  if (digits.empty()) return {};

  BarSymbol sym;
  std::string& p = sym.pattern = std::string(10, ' ');  // quiet zone carried in the pattern
  p += "1010";
  sym.textSlots[0] = 15;
  // Each pair: the first digit in the five bars, the second in the five spaces between.
  for (size_t i = 0; i < digits.size(); i += 2) {
    const std::string_view bars = kWidths[digits[i] - u'0'];
    const std::string_view spaces = kWidths[digits[i + 1] - u'0'];
    for (size_t e = 0; e < 5; ++e) {
      p += bars[e] == '1' ? "11" : "1";
      p += spaces[e] == '1' ? "00" : "0";
    }
  }
  sym.textSlots[1] = Len(p) - 1;
  p += "1101";
  p += std::string(10, ' ');
  return sym;
}

}  // namespace ks
