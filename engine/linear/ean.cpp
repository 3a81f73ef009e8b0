// EAN/UPC family: EAN-8, EAN-13 (and JAN-13 and the book numbers converted to it in
// booknumber.cpp), UPC-A, UPC-E with number systems 0 and 1, their 2- and 5-digit
// add-ons, and the UPC shipping symbol built from two interleaved 2 of 5 patterns.
//
// Patterns use "2" for the bars drawn long (guards, and the outer digits of UPC-A), a
// blank for room beside the bars and "X" for the light module that marks an add-on.
// Positions in the text slots are 1-based pattern positions.
#include <array>
#include <string_view>

#include "engine/barcode.h"
#include "engine/encoders.h"
#include "engine/errors.h"
#include "engine/ustring.h"

namespace ks {

namespace {

// EN 797 / ISO/IEC 15420 number sets A, B and C, digits 0 to 9.
constexpr std::array<std::string_view, 10> kSetA = {
    "0001101", "0011001", "0010011", "0111101", "0100011",
    "0110001", "0101111", "0111011", "0110111", "0001011"};
constexpr std::array<std::string_view, 10> kSetB = {
    "0100111", "0110011", "0011011", "0100001", "0011101",
    "0111001", "0000101", "0010001", "0001001", "0010111"};
constexpr std::array<std::string_view, 10> kSetC = {
    "1110010", "1100110", "1101100", "1000010", "1011100",
    "1001110", "1010000", "1000100", "1001000", "1110100"};

// ISO/IEC 15420: sets of the six left-hand digits of EAN-13 by the leading digit.
constexpr std::array<std::string_view, 10> kEan13Parity = {
    "AAAAAA", "AABABB", "AABBAB", "AABBBA", "ABAABB",
    "ABBAAB", "ABBBAA", "ABABAB", "ABABBA", "ABBABA"};

// ISO/IEC 15420: UPC-E sets of the six digits by check digit, number system 0
// ("A" odd parity, "B" even parity). Number system 1 uses the complement.
constexpr std::array<std::string_view, 10> kUpcE0Parity = {
    "BBBAAA", "BBABAA", "BBAABA", "BBAAAB", "BABBAA",
    "BAABBA", "BAAABB", "BABABA", "BABAAB", "BAABAB"};
constexpr std::array<std::string_view, 10> kUpcE1Parity = {
    "AAABBB", "AABABB", "AABBAB", "AABBBA", "ABAABB",
    "ABBAAB", "ABBBAA", "ABABAB", "ABABBA", "ABBABA"};

// ISO/IEC 15420 add-on sets: 2 digits by value mod 4, 5 digits by the add-on checksum.
constexpr std::array<std::string_view, 4> kAddOn2Parity = {"AA", "AB", "BA", "BB"};
constexpr std::array<std::string_view, 10> kAddOn5Parity = {
    "BBAAA", "BABAA", "BAABA", "BAAAB", "ABBAA",
    "AABBA", "AAABB", "ABABA", "ABAAB", "AABAB"};

constexpr std::string_view kOuterGuard = "202";
constexpr std::string_view kCentreGuard = "02020";
constexpr std::string_view kUpcEEndGuard = "020202";
constexpr std::string_view kAddOnGap = "000000000";
constexpr std::string_view kAddOnStart = "X1011";
constexpr std::string_view kAddOnSeparator = "01";

int32_t Len(const std::string& p) { return static_cast<int32_t>(p.size()); }

// A pattern beginning with the left guard, with room for the longest symbol (UPC-A with
// a 5-digit add-on) and the margin the dispatch puts in front, so it grows in place.
std::string StartPattern(std::string_view guard) {
  std::string p;
  p.reserve(160);
  p += guard;
  return p;
}

// Value of the digit at 1-based position `pos`. Validation lets only digits reach the
// encoders; anything else is refused here rather than read past a table.
int DigitAt(const std::u16string& text, size_t pos) {
  const char16_t c = text[pos - 1];
  if (!IsDigit(c)) throw TksEncodeError(erCharOutOfSet, static_cast<int>(pos), std::u16string(1, c));
  return c - u'0';
}

std::string_view Code(char set, int digit) {
  return set == 'A' ? kSetA[digit] : set == 'B' ? kSetB[digit] : kSetC[digit];
}

// Appends the codes of digits first..last (1-based) from the given sets, one letter each.
void AppendDigits(std::string& p, const std::u16string& text, size_t first, size_t last, std::string_view sets) {
  for (size_t pos = first; pos <= last; ++pos) p += Code(sets[pos - first], DigitAt(text, pos));
}

// Characters from 1-based position `from` on, at most `count` of them.
std::u16string Part(const std::u16string& text, size_t from, size_t count) {
  return text.size() >= from ? text.substr(from - 1, count) : std::u16string();
}

// The 2- or 5-digit add-on placed after a main symbol of `mainLength` modules: the gap,
// the marker and start, then the digits. Other lengths give no add-on. Sets the add-on's
// text slot.
std::string EncodeEanAddOn(const std::u16string& digits, int32_t mainLength, TextSlots& textSlots) {
  std::string_view parity;
  if (digits.size() == 2) {
    const int value = DigitAt(digits, 1) * 10 + DigitAt(digits, 2);
    parity = kAddOn2Parity[value % 4];
  } else if (digits.size() == 5) {
    int d[5];
    for (size_t i = 0; i < 5; ++i) d[i] = DigitAt(digits, i + 1);
    parity = kAddOn5Parity[(3 * (d[0] + d[2] + d[4]) + 9 * (d[1] + d[3])) % 10];
  } else {
    return {};
  }
  std::string p(kAddOnGap);
  textSlots[4] = mainLength + 10;
  p += kAddOnStart;
  for (size_t i = 0; i < digits.size(); ++i) {
    if (i > 0) p += kAddOnSeparator;
    p += Code(parity[i], digits[i] - u'0');
  }
  return p;
}

}  // namespace

BarSymbol EncodeEan8(const std::u16string& text) {
  BarSymbol sym;
  if (text.size() < 8) return sym;
  std::string& p = sym.pattern = StartPattern(kOuterGuard);
  sym.textSlots[0] = Len(p) + 1;
  AppendDigits(p, text, 1, 4, "AAAA");
  sym.textSlots[1] = Len(p) - 1;
  p += kCentreGuard;
  sym.textSlots[2] = Len(p) + 1;
  AppendDigits(p, text, 5, 8, "CCCC");
  sym.textSlots[3] = Len(p) - 1;
  p += kOuterGuard;
  if (text.size() > 8) p += EncodeEanAddOn(Part(text, 10, 5), Len(p), sym.textSlots);
  return sym;
}

BarSymbol EncodeEan13(const std::u16string& text) {
  BarSymbol sym;
  if (text.size() < 13) return sym;
  const std::string_view parity = kEan13Parity[DigitAt(text, 1)];
  std::string& p = sym.pattern = StartPattern(kOuterGuard);
  sym.textSlots[0] = Len(p) + 1;
  AppendDigits(p, text, 2, 7, parity);
  sym.textSlots[1] = Len(p) - 1;
  p += kCentreGuard;
  sym.textSlots[2] = Len(p) + 1;
  AppendDigits(p, text, 8, 13, "CCCCCC");
  sym.textSlots[3] = Len(p) - 1;
  p += kOuterGuard;
  if (text.size() > 13) p += EncodeEanAddOn(Part(text, 15, 5), Len(p), sym.textSlots);
  return sym;
}

BarSymbol EncodeUpcA(const std::u16string& text, bool checkDigitRoom) {
  BarSymbol sym;
  if (text.size() < 12) return sym;
  std::string& p = sym.pattern = StartPattern(kOuterGuard);
  // The first digit is printed left of the bars, so the first group starts after it.
  sym.textSlots[0] = Len(p) + 8;
  AppendDigits(p, text, 1, 6, "AAAAAA");
  sym.textSlots[1] = Len(p) - 1;
  p += kCentreGuard;
  sym.textSlots[2] = Len(p) + 1;
  AppendDigits(p, text, 7, 12, "CCCCCC");
  sym.textSlots[3] = Len(p) - 8;
  p += kOuterGuard;
  sym.textSlots[5] = Len(p) + 1;
  // The bars of the first and the last digit are drawn as long as the guards.
  for (size_t i = 3; i <= 10; ++i)
    if (p[i] == '1') p[i] = '2';
  for (size_t i = p.size() - 10; i <= p.size() - 3; ++i)
    if (p[i] == '1') p[i] = '2';
  if (text.size() <= 12) {
    if (checkDigitRoom) p += std::string(9, ' ');  // room for the check digit
  } else {
    p += EncodeEanAddOn(Part(text, 14, 5), Len(p), sym.textSlots);
  }
  return sym;
}

BarSymbol EncodeUpcE(const std::u16string& text, bool numberSystem1, bool checkDigitRoom) {
  BarSymbol sym;
  if (text.size() < 8) return sym;
  std::string_view parity;
  if (numberSystem1) {
    // UPC-E1 is UPC-E in number system 1. Its data text begins with "1", or, in the
    // older form, with "0" and the check digit of number system 0. Either way the parity
    // carries the check digit of the number-system-1 expansion, the one a reader
    // verifies.
    for (size_t pos = 2; pos <= 7; ++pos) DigitAt(text, pos);
    const std::u16string ns1 = u"1" + text.substr(1, 6);
    parity = kUpcE1Parity[CheckDigitUPC(ExpandUpcE(ns1)) - u'0'];
  } else {
    parity = kUpcE0Parity[DigitAt(text, 8)];
  }
  std::string& p = sym.pattern = StartPattern(kOuterGuard);
  sym.textSlots[0] = Len(p) + 1;
  AppendDigits(p, text, 2, 7, parity);
  sym.textSlots[1] = Len(p) - 1;
  p += kUpcEEndGuard;
  sym.textSlots[5] = Len(p) + 1;
  if (text.size() <= 8) {
    if (checkDigitRoom) p += std::string(5, ' ');
  } else {
    p += EncodeEanAddOn(Part(text, 10, 5), Len(p), sym.textSlots);
  }
  return sym;
}

BarSymbol EncodeUpcShipping(const std::u16string& text, bool addLeadingZero) {
  std::string addOn;
  int32_t addOnLength = 0;
  const std::u16string addOnDigits = Part(text, 16, 6);
  if (!addOnDigits.empty()) {
    addOn = EncodeInterleaved(addOnDigits, addLeadingZero).pattern;
    if (!addOn.empty()) addOn[0] = 'X';
    addOnLength = Len(addOn);
    addOn = std::string(9, ' ') + addOn;
  }
  // The text slots are those of the main digits.
  BarSymbol sym = EncodeInterleaved(Part(text, 1, 14), addLeadingZero);
  sym.pattern += addOn;
  if (!addOnDigits.empty()) sym.textSlots[4] = Len(sym.pattern) - addOnLength + 20;
  return sym;
}

}  // namespace ks
