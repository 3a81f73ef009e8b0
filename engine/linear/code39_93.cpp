// Code 39 and Code 93, each with its full-ASCII form. The full-ASCII encoders rewrite
// every character as one or two characters of the standard set and encode that.
//
// Code 39 modules: wide elements are two modules, characters are separated by a narrow
// gap, and no check character is added. Code 93 modules: every character is nine
// modules in three bars and three spaces; the check characters C and K come before the
// stop. "2" marks the start and stop bars drawn long.
#include <array>
#include <string_view>
#include <vector>

#include "engine/encoders.h"
#include "engine/errors.h"

namespace ks {

namespace {

int32_t Len(const std::string& p) { return static_cast<int32_t>(p.size()); }

// ---- Code 39 ----

constexpr std::u16string_view kCode39Chars = u"0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ-. $/+%";

// ISO/IEC 16388 character patterns, in the order of kCode39Chars.
constexpr std::array<std::string_view, 43> kCode39Patterns = {
    "101001101101", "110100101011", "101100101011", "110110010101",  // 0123
    "101001101011", "110100110101", "101100110101", "101001011011",  // 4567
    "110100101101", "101100101101", "110101001011", "101101001011",  // 89AB
    "110110100101", "101011001011", "110101100101", "101101100101",  // CDEF
    "101010011011", "110101001101", "101101001101", "101011001101",  // GHIJ
    "110101010011", "101101010011", "110110101001", "101011010011",  // KLMN
    "110101101001", "101101101001", "101010110011", "110101011001",  // OPQR
    "101101011001", "101011011001", "110010101011", "100110101011",  // STUV
    "110011010101", "100101101011", "110010110101", "100110110101",  // WXYZ
    "100101011011", "110010101101", "100110101101", "100100100101",  // - . space $
    "100100101001", "100101001001", "101001001001"};                 // / + %

// The start character "*" with its gap, and the stop character "*".
constexpr std::string_view kCode39Start = "2002022022020";
constexpr std::string_view kCode39Stop = "200202202202";

// ISO/IEC 16388 full ASCII: the replacement of codes 0-127 in the standard set. DEL is
// not among the admitted characters and has none here. Nothing else may be written as
// its "%T" (the euro sign is refused in validation): every reader decodes "%T" as DEL.
constexpr std::array<std::string_view, 128> kCode39FullAscii = {
    "%U", "$A", "$B", "$C", "$D", "$E", "$F", "$G",  // 0-7
    "$H", "$I", "$J", "$K", "$L", "$M", "$N", "$O",  // 8-15
    "$P", "$Q", "$R", "$S", "$T", "$U", "$V", "$W",  // 16-23
    "$X", "$Y", "$Z", "%A", "%B", "%C", "%D", "%E",  // 24-31
    " ",  "/A", "/B", "/C", "/D", "/E", "/F", "/G",  // 32-39
    "/H", "/I", "/J", "/K", "/L", "-",  ".",  "/O",  // 40-47
    "0",  "1",  "2",  "3",  "4",  "5",  "6",  "7",   // 48-55
    "8",  "9",  "/Z", "%F", "%G", "%H", "%I", "%J",  // 56-63
    "%V", "A",  "B",  "C",  "D",  "E",  "F",  "G",   // 64-71
    "H",  "I",  "J",  "K",  "L",  "M",  "N",  "O",   // 72-79
    "P",  "Q",  "R",  "S",  "T",  "U",  "V",  "W",   // 80-87
    "X",  "Y",  "Z",  "%K", "%L", "%M", "%N", "%O",  // 88-95
    "%W", "+A", "+B", "+C", "+D", "+E", "+F", "+G",  // 96-103
    "+H", "+I", "+J", "+K", "+L", "+M", "+N", "+O",  // 104-111
    "+P", "+Q", "+R", "+S", "+T", "+U", "+V", "+W",  // 112-119
    "+X", "+Y", "+Z", "%P", "%Q", "%R", "%S", ""};   // 120-127

std::string_view Code39FullReplacement(char16_t c) {
  return c < kCode39FullAscii.size() ? kCode39FullAscii[c] : std::string_view{};
}

// ---- Code 93 ----

// The 47 values in order; '&', '"', '(' and ')' stand for the shifts ($), (%), (/), (+).
constexpr std::u16string_view kCode93Values = u"0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ-. $/+%&\"()";

// ANSI/AIM BC5 character patterns of values 0-46.
constexpr std::array<std::string_view, 47> kCode93Patterns = {
    "100010100", "101001000", "101000100", "101000010", "100101000", "100100100",  // 0-5
    "100100010", "101010000", "100010010", "100001010", "110101000", "110100100",  // 6-B
    "110100010", "110010100", "110010010", "110001010", "101101000", "101100100",  // C-H
    "101100010", "100110100", "100011010", "101011000", "101001100", "101000110",  // I-N
    "100101100", "100010110", "110110100", "110110010", "110101100", "110100110",  // O-T
    "110010110", "110011010", "101101100", "101100110", "100110110", "100111010",  // U-Z
    "100101110", "111010100", "111010010", "111001010", "101101110", "101110110",  // - . space $ / +
    "110101110", "100100110", "111011010", "111010110", "100110010"};              // % ($) (%) (/) (+)

// The start character, and the stop character with its termination bar.
constexpr std::string_view kCode93Start = "202022220";
constexpr std::string_view kCode93Stop = "2020222202";

// ANSI/AIM BC5 full ASCII: the replacement of codes 32-126 in the value set.
constexpr std::array<std::string_view, 95> kCode93FullAscii = {
    " ",   "(A",  "(B",  "(C",  "$",   "%",   "(F",  "(G",   // 32-39
    "(H",  "(I",  "(J",  "+",   "(L",  "-",   ".",   "/",    // 40-47
    "0",   "1",   "2",   "3",   "4",   "5",   "6",   "7",    // 48-55
    "8",   "9",   "(Z",  "\"F", "\"G", "\"H", "\"I", "\"J",  // 56-63
    "\"V", "A",   "B",   "C",   "D",   "E",   "F",   "G",    // 64-71
    "H",   "I",   "J",   "K",   "L",   "M",   "N",   "O",    // 72-79
    "P",   "Q",   "R",   "S",   "T",   "U",   "V",   "W",    // 80-87
    "X",   "Y",   "Z",   "\"K", "\"L", "\"M", "\"N", "\"O",  // 88-95
    "\"W", ")A",  ")B",  ")C",  ")D",  ")E",  ")F",  ")G",   // 96-103
    ")H",  ")I",  ")J",  ")K",  ")L",  ")M",  ")N",  ")O",   // 104-111
    ")P",  ")Q",  ")R",  ")S",  ")T",  ")U",  ")V",  ")W",   // 112-119
    ")X",  ")Y",  ")Z",  "\"P", "\"Q", "\"R", "\"S"};        // 120-126

// Weighted sum mod 47, weights 1..maxWeight repeating from the rightmost value.
int Code93Check(const std::vector<int>& values, int maxWeight) {
  int sum = 0;
  int weight = 1;
  for (auto it = values.rbegin(); it != values.rend(); ++it) {
    sum += weight * *it;
    weight = weight == maxWeight ? 1 : weight + 1;
  }
  return sum % 47;
}

// Start, the values with their check characters, stop. C and K are part of every
// symbol, whatever the options: readers refuse a Code 93 symbol without them.
BarSymbol EncodeCode93Values(std::vector<int> values) {
  values.push_back(Code93Check(values, 20));  // C
  values.push_back(Code93Check(values, 15));  // K, over the data and C
  BarSymbol sym;
  std::string& p = sym.pattern = std::string(kCode93Start);
  sym.textSlots[0] = Len(p) + 1;
  for (int v : values) p += kCode93Patterns[v];
  sym.textSlots[1] = Len(p) - 1;
  p += kCode93Stop;
  return sym;
}

// Values of the characters by their position in `alphabet`; a character outside it is
// refused (validation normally keeps it out).
std::vector<int> Code93ValuesOf(const std::u16string& text, std::u16string_view alphabet) {
  std::vector<int> values;
  values.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const size_t v = alphabet.find(text[i]);
    if (v == std::u16string_view::npos || v >= kCode93Patterns.size())
      throw TksEncodeError(erCharOutOfSet, static_cast<int>(i + 1), std::u16string(1, text[i]));
    values.push_back(static_cast<int>(v));
  }
  return values;
}

}  // namespace

BarSymbol EncodeCode39(const std::u16string& text) {
  BarSymbol sym;
  std::string& p = sym.pattern = std::string(kCode39Start);
  sym.textSlots[0] = Len(p) + 1;
  for (size_t i = 0; i < text.size(); ++i) {
    const size_t v = kCode39Chars.find(text[i]);
    if (v == std::u16string_view::npos)
      throw TksEncodeError(erCharOutOfSet, static_cast<int>(i + 1), std::u16string(1, text[i]));
    p += kCode39Patterns[v];
    p += '0';
  }
  sym.textSlots[1] = Len(p) - 1;
  p += kCode39Stop;
  return sym;
}

BarSymbol EncodeCode39Full(const std::u16string& text) {
  std::u16string replaced;
  for (char16_t c : text)
    for (char r : Code39FullReplacement(c)) replaced += static_cast<char16_t>(r);
  return EncodeCode39(replaced);
}

// The standard form takes every value by its character, the four shift characters
// included.
BarSymbol EncodeCode93(const std::u16string& text) { return EncodeCode93Values(Code93ValuesOf(text, kCode93Values)); }

// The full-ASCII form carries the same check characters as the standard form.
BarSymbol EncodeCode93Full(const std::u16string& text) {
  std::u16string replaced;
  for (char16_t c : text) {
    if (c < 32 || c > 126) continue;  // no full-ASCII code
    for (char r : kCode93FullAscii[c - 32]) replaced += static_cast<char16_t>(r);
  }
  return EncodeCode93Values(Code93ValuesOf(replaced, kCode93Values));
}

}  // namespace ks
