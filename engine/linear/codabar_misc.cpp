// Codabar (plain, ABC and Monarch), Code 11, MSI, PZN, Telepen and FIM.
#include "engine/linear/codabar_misc.h"

#include <array>
#include <string_view>

#include "engine/encoders.h"
#include "engine/ustring.h"

namespace ks {
namespace {

struct CharPattern {
  char16_t ch;
  std::string_view modules;
};

// Codabar (AIM USS-Codabar) character patterns, narrow element one module, wide two.
constexpr std::array<CharPattern, 20> kCodabarPatterns = {{
    {u'0', "101010011"},  {u'1', "101011001"},  {u'2', "101001011"},  {u'3', "110010101"},
    {u'4', "101101001"},  {u'5', "110101001"},  {u'6', "100101011"},  {u'7', "100101101"},
    {u'8', "100110101"},  {u'9', "110100101"},  {u'-', "101001101"},  {u'$', "101100101"},
    {u':', "1101011011"}, {u'/', "1101101011"}, {u'.', "1101101101"}, {u'+', "1011011011"},
    {u'A', "1011001001"}, {u'B', "1001001011"}, {u'C', "1010010011"}, {u'D', "1010011001"},
}};

// Start A with its bars drawn as guard bars, followed by the gap; stop A without the gap.
constexpr std::string_view kCodabarStart = "20220020020";
constexpr std::string_view kCodabarStop = "2022002002";
constexpr int kCodabarCheckModulus = 16;
constexpr std::string_view kAbcCodabarBlank = "000000000000";

// Code 11 (USD-8) character patterns including the trailing gap.
constexpr std::array<CharPattern, 11> kCode11Patterns = {{
    {u'0', "1010110"},  {u'1', "11010110"}, {u'2', "10010110"}, {u'3', "11001010"},
    {u'4', "10110110"}, {u'5', "11011010"}, {u'6', "10011010"}, {u'7', "10100110"},
    {u'8', "11010010"}, {u'9', "1101010"},  {u'-', "1011010"},
}};
constexpr std::string_view kCode11Start = "20220020";
constexpr std::string_view kCode11Stop = "2022002";
constexpr int kCode11Modulus = 11;

// How MSI draws one bit, and the length at which a second check digit follows. The bits
// use bars of 1 and 3 modules and spaces of 4 and 2, not the usual narrow/wide pairs of
// one and two modules; a reader measuring bars and spaces apart still tells them apart.
constexpr std::string_view kMsiBit0 = "10000";
constexpr std::string_view kMsiBit1 = "11100";
constexpr size_t kMsiSecondCheckLength = 14;

// Telepen frame characters and check modulus.
constexpr char16_t kTelepenStart = u'_';
constexpr char16_t kTelepenStop = u'z';
constexpr int kTelepenModulus = 127;

// USPS facing identification marks A..D. An empty bar position takes one light module
// here, while the USPS marks keep every position two modules wide; the bar positions
// are the same.
constexpr std::array<std::string_view, 4> kFimPatterns = {
    "1010001000101", "10010100101001", "10100100100101", "101010010010101"};

std::string_view FindPattern(const auto& table, char16_t c) {
  for (const CharPattern& p : table) {
    if (p.ch == c) return p.modules;
  }
  return {};
}

// Characters without a pattern cannot pass validation; a direct caller's stray
// character contributes nothing.
void AppendCodabarChar(std::string& pattern, char16_t c) {
  const std::string_view p = FindPattern(kCodabarPatterns, CodabarCanonical(c));
  if (p.empty()) return;
  pattern.append(p);
  pattern.push_back('0');
}

std::string AsGuardBars(std::string_view modules) {
  std::string s(modules);
  for (char& m : s) {
    if (m == '1') m = '2';
  }
  return s;
}

// The values of the Codabar data characters and of the Code 11 characters, in value
// order.
constexpr std::u16string_view kCodabarValues = u"0123456789-$:/.+";
constexpr std::u16string_view kCode11Values = u"0123456789-";

// A character's value is its position in `values`; one that is not there counts as 0.
int ValueIn(std::u16string_view values, char16_t c) {
  const size_t pos = values.find(c);
  return pos == std::u16string_view::npos ? 0 : static_cast<int>(pos);
}

// Code 11 check: weights 1, 2, 3 ... from the right, wrapping after `wrap` (10 for C,
// 9 for K).
char16_t Code11CheckChar(std::u16string_view text, int wrap) {
  long long sum = 0;
  const size_t n = text.size();
  for (size_t i = 0; i < n; ++i)
    sum += static_cast<long long>((n - i - 1) % static_cast<size_t>(wrap) + 1) * ValueIn(kCode11Values, text[i]);
  return kCode11Values[static_cast<size_t>(sum % kCode11Modulus)];
}

int MsiValue(char16_t c) {
  if (IsDigit(c)) return c - u'0';
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}

// The Telepen bit stream of one character: seven code bits, least significant first,
// then an even-parity bit.
void AppendTelepenBits(std::string& bits, char16_t c) {
  int ones = 0;
  for (int b = 0; b < 7; ++b) {
    const bool one = (c >> b) & 1;
    ones += one;
    bits.push_back(one ? '1' : '0');
  }
  bits.push_back(ones % 2 != 0 ? '1' : '0');
}

// Turns one 8-bit group into modules. `flag` persists across groups: it is set while a
// "01" pair has opened a wide gap that a later "10" closes.
void AppendTelepenGroup(std::string& pattern, std::string_view g, bool& flag) {
  size_t p = 0;
  auto at = [&](std::string_view what) { return g.substr(p, what.size()) == what; };
  while (p < g.size()) {
    if (!flag && at("010")) {
      pattern += "111000";
      p += 3;
    } else if (!flag && at("00")) {
      pattern += "1110";
      p += 2;
    } else if (!flag && at("01")) {
      pattern += "1000";
      p += 2;
      flag = true;
    } else if (flag && at("10")) {
      pattern += "1000";
      p += 2;
      flag = false;
    } else {
      pattern += "10";
      p += 1;
    }
  }
}

}  // namespace

char16_t CodabarCanonical(char16_t c) {
  switch (c) {
    case u'a': case u'T': case u't': return u'A';
    case u'b': case u'N': case u'n': return u'B';
    case u'c': case u'*': return u'C';
    case u'd': case u'E': case u'e': return u'D';
    default: return c;
  }
}

char16_t CodabarCheckChar(char16_t start, std::u16string_view data, char16_t stop) {
  auto value = [](char16_t c) {
    const char16_t k = CodabarCanonical(c);
    return (k >= u'A' && k <= u'D') ? 16 + (k - u'A') : ValueIn(kCodabarValues, c);
  };
  long long sum = value(start) + value(stop);
  for (char16_t c : data) sum += value(c);
  const int check = static_cast<int>((kCodabarCheckModulus - sum % kCodabarCheckModulus) % kCodabarCheckModulus);
  return kCodabarValues[static_cast<size_t>(check)];
}

char16_t MsiCheckDigit(std::u16string_view text) {
  int sum = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    const int v = MsiValue(text[i]) < 0 ? 0 : MsiValue(text[i]);
    if (i % 2 == 0) {
      sum += v;  // odd 1-based position
    } else {
      const int d = 2 * v;
      sum += d / 10 + d % 10;
    }
    sum %= 10;
  }
  return static_cast<char16_t>(u'0' + (10 - sum % 10) % 10);
}

bool IsCodabarStartStop(char16_t c) {
  const char16_t k = CodabarCanonical(c);
  return k >= u'A' && k <= u'D';
}

char16_t TelepenCheckChar(std::u16string_view text) {
  long long sum = 0;
  for (char16_t c : text) sum += c;
  return static_cast<char16_t>((kTelepenModulus - sum % kTelepenModulus) % kTelepenModulus);
}

BarSymbol EncodeCodabar(const std::u16string& text, bool checkDigit) {
  // A start/stop letter at either end of the text is that end's start or stop (so a text
  // that carries both is not wrapped again); an end without one gets A. Validation keeps
  // the letters out of the data between them.
  const bool ownStart = !text.empty() && IsCodabarStartStop(text.front());
  const bool ownStop = text.size() >= 2 && IsCodabarStartStop(text.back());
  const char16_t start = ownStart ? text.front() : u'A';
  const char16_t stop = ownStop ? text.back() : u'A';
  const size_t from = ownStart ? 1 : 0;
  const size_t to = text.size() - (ownStop ? 1 : 0);
  std::u16string data = text.substr(from, to - from);
  if (checkDigit) data.push_back(CodabarCheckChar(start, data, stop));

  BarSymbol sym;
  std::string& pattern = sym.pattern;
  if (ownStart) {
    pattern = AsGuardBars(FindPattern(kCodabarPatterns, CodabarCanonical(start)));
    pattern.push_back('0');
  } else {
    pattern = kCodabarStart;
  }
  sym.textSlots[0] = 12;
  for (char16_t c : data) AppendCodabarChar(pattern, c);
  sym.textSlots[1] = static_cast<int>(pattern.size()) - 1;
  pattern += ownStop ? AsGuardBars(FindPattern(kCodabarPatterns, CodabarCanonical(stop))) : std::string(kCodabarStop);
  return sym;
}

BarSymbol EncodeABCCodabar(const std::u16string& text) {
  BarSymbol sym;
  for (char16_t c : text) {
    if (c == u' ') {
      sym.pattern += kAbcCodabarBlank;
    } else {
      AppendCodabarChar(sym.pattern, c);
    }
    sym.textSlots[0] = 1;
    sym.textSlots[1] = static_cast<int>(sym.pattern.size()) - 1;
  }
  return sym;
}

BarSymbol EncodeCodabarMonarch(const std::u16string& text) {
  BarSymbol sym;
  for (char16_t c : text) AppendCodabarChar(sym.pattern, c);
  return sym;
}

BarSymbol EncodeCode11(const std::u16string& text) {
  std::u16string extended = text;
  extended.push_back(Code11CheckChar(extended, 10));  // C
  extended.push_back(Code11CheckChar(extended, 9));   // K, over the data and C

  BarSymbol sym;
  std::string& pattern = sym.pattern = std::string(kCode11Start);
  sym.textSlots[0] = 9;
  for (char16_t c : extended) pattern.append(FindPattern(kCode11Patterns, c));
  sym.textSlots[1] = static_cast<int>(pattern.size()) - 1;
  pattern.append(kCode11Stop);
  return sym;
}

BarSymbol EncodeMSI(const std::u16string& text) {
  std::u16string extended = text;
  if (extended.size() >= 2) {
    extended.push_back(MsiCheckDigit(extended));
    if (extended.size() == kMsiSecondCheckLength) extended.push_back(MsiCheckDigit(extended));
  }

  std::string bits = "1";
  for (char16_t c : extended) {
    const int v = MsiValue(c);
    if (v < 0) continue;  // no pattern; cannot pass validation
    for (int b = 3; b >= 0; --b) bits.push_back((v >> b) & 1 ? '1' : '0');
  }
  bits += "00";

  BarSymbol sym;
  std::string& pattern = sym.pattern;
  pattern.reserve(bits.size() * kMsiBit0.size());
  for (char b : bits) pattern.append(b == '1' ? kMsiBit1 : kMsiBit0);
  const int len = static_cast<int>(pattern.size());
  sym.textSlots[0] = len / 4;
  sym.textSlots[1] = len - sym.textSlots[0];
  return sym;
}

BarSymbol EncodePZN(const std::u16string& text) { return EncodeCode39(u"-" + text); }

BarSymbol EncodeFim(const std::u16string& text) {
  if (text.empty()) return {};
  const char16_t c = UpperAscii(text.front());
  if (c < u'A' || c > u'D') return {};
  return {std::string(kFimPatterns[static_cast<size_t>(c - u'A')]), {}, {}};
}

BarSymbol EncodeTelepen(const std::u16string& text) {
  std::u16string framed;
  framed.reserve(text.size() + 3);
  framed.push_back(kTelepenStart);
  framed += text;
  framed.push_back(TelepenCheckChar(text));
  framed.push_back(kTelepenStop);

  std::string bits;
  bits.reserve(framed.size() * 8);
  for (char16_t c : framed) AppendTelepenBits(bits, c);

  BarSymbol sym;
  bool flag = false;
  for (size_t g = 0; g < bits.size(); g += 8) {
    AppendTelepenGroup(sym.pattern, std::string_view(bits).substr(g, 8), flag);
  }
  return sym;
}

}  // namespace ks
