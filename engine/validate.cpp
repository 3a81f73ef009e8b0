// Completion of the data text (check digits, prefixes, layout blanks), validation before
// encoding, and the check-digit routines shared with the encoders.
#include "engine/validate.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/barcode.h"
#include "engine/catalogue.h"
#include "engine/errors.h"
#include "engine/gs1/gs1.h"
#include "engine/linear/booknumber.h"
#include "engine/linear/codabar_misc.h"
#include "engine/linear/fourstate.h"
#include "engine/symbology.h"
#include "engine/ustring.h"

namespace ks {

namespace {

// A character's contribution to a check sum: its code minus that of "0". Non-digits are
// not refused; they give out-of-range values, as callers expect.
int64_t DigitValue(char16_t c) { return static_cast<int64_t>(c) - u'0'; }

// Characters `from`..`to` (1-based, inclusive) of `s`, clipped to its length.
std::u16string Sub(std::u16string_view s, std::size_t from, std::size_t to) {
  if (from < 1) from = 1;
  if (to > s.size()) to = s.size();
  if (from > to) return {};
  return std::u16string(s.substr(from - 1, to - from + 1));
}

// The prefix of a JAN: 45 when typed (GS1 Japan holds 45 and 49), else 49.
std::u16string JanPrefix(std::u16string_view t) { return t.substr(0, 2) == u"45" ? u"45" : u"49"; }

// Appends the blank that separates a main part of `n` characters from its add-on.
void Pad(std::u16string& t, std::size_t n) {
  if (t.size() == n) t += u' ';
}

// A symbology's allowed characters with a bit set over ASCII, so that checking a
// character does not search the list (Code 128 allows all 128 ASCII codes).
struct AllowedChars {
  std::u16string_view all;
  std::array<uint64_t, 2> ascii{};
  bool Contains(char16_t c) const {
    if (c < 128) return (ascii[c >> 6] >> (c & 63)) & 1;
    return all.find(c) != std::u16string_view::npos;
  }
};

const AllowedChars& AllowedCharsOf(TksBarcodeSymbology s) {
  static const std::array<AllowedChars, kSymbologyRows> table = [] {
    std::array<AllowedChars, kSymbologyRows> t{};
    for (int i = 0; i < kSymbologyRows; ++i) {
      t[i].all = SymbologyChars(static_cast<TksBarcodeSymbology>(i));
      for (char16_t c : t[i].all)
        if (c < 128) t[i].ascii[c >> 6] |= uint64_t{1} << (c & 63);
    }
    return t;
  }();
  static const AllowedChars none{};
  return s < kSymbologyRows ? table[s] : none;
}

// Checks characters `from`..`to` (1-based, clipped) of `t` against the symbology's
// allowed characters and raises erCharOutOfSet at the first one outside them. The
// position reported is the character's position in the data text: `origin`, when
// given, maps positions of `t` to positions of the data text.
void CheckCharsIn(TksBarcodeComponent& bc, std::u16string_view t, std::size_t from, std::size_t to,
                  const std::vector<int>* origin = nullptr) {
  const AllowedChars& allowed = AllowedCharsOf(bc.BarcodeSymbology());
  if (allowed.all.empty()) return;
  if (from < 1) from = 1;
  if (to > t.size()) to = t.size();
  for (std::size_t i = from; i <= to; ++i) {
    const char16_t c = t[i - 1];
    if (!allowed.Contains(c)) {
      const int pos = origin ? (*origin)[i - 1] : static_cast<int>(i);
      bc.BarcodeRaise(erCharOutOfSet, pos, std::u16string(1, c));
    }
  }
}

// Codes whose patterns exist only for digits (although their character set names more):
// raises erCharOutOfSet at the first non-digit.
void CheckOnlyDigits(TksBarcodeComponent& bc, std::u16string_view s) {
  for (std::size_t i = 0; i < s.size(); ++i)
    if (!IsDigit(s[i])) bc.BarcodeRaise(erCharOutOfSet, static_cast<int>(i + 1), std::u16string(1, s[i]));
}

// EAN-13, EAN-8 and UPC-A: main part of m characters (check digit at m), then optionally
// a blank and a 2- or 5-digit add-on.
bool CheckEanLayout(TksBarcodeComponent& bc, std::u16string_view s, std::size_t m) {
  const std::size_t n = s.size();
  if (n != m - 1 && n != m && n != m + 3 && n != m + 6) bc.BarcodeRaiseStr(erBarcodeLengthInvalid, u"");
  // Character m is the check digit, which completion rewrites; it is not examined.
  CheckCharsIn(bc, s, 1, m - 1);
  CheckCharsIn(bc, s, m + 2, m + 6);
  if (n > m && s[m] != u' ') bc.BarcodeRaise(erCharMustBeSpace, static_cast<int>(m + 1), u"");
  return true;
}

bool CheckUpcE(TksBarcodeComponent& bc, std::u16string_view s, bool numberSystem1) {
  const std::size_t n = s.size();
  if (n != 8 && n != 11 && n != 14) return false;
  CheckCharsIn(bc, s, 1, 8);
  CheckCharsIn(bc, s, 10, 14);
  // UPC-E1 takes its number system 1 as typed, or the older form with "0" in front.
  return s[0] == u'0' || (s[0] == u'1' && numberSystem1);
}

bool CheckUpcShipping(TksBarcodeComponent& bc, std::u16string_view s) {
  const std::size_t n = s.size();
  if (n != 14 && n != 21) return false;
  CheckCharsIn(bc, s, 1, 14);
  CheckCharsIn(bc, s, 16, 21);
  return true;
}

void RaiseCharOutOfSet(TksBarcodeComponent& bc, std::u16string_view s, std::size_t i) {
  bc.BarcodeRaise(erCharOutOfSet, static_cast<int>(i + 1), std::u16string(1, s[i]));
}

// Codabar: a start/stop letter is a frame character, so only the two ends may hold one;
// between them it would end the symbol early. The first bad character is reported.
bool CheckCodabar(TksBarcodeComponent& bc, std::u16string_view s) {
  for (std::size_t i = 0; i < s.size(); ++i) {
    CheckCharsIn(bc, s, i + 1, i + 1);
    if (i > 0 && i + 1 < s.size() && IsCodabarStartStop(s[i])) RaiseCharOutOfSet(bc, s, i);
  }
  return true;
}

// Code 39 full ASCII: the euro sign is listed among the allowed characters, but its only
// code, "%T", is read back as DEL by every reader, so it is refused.
bool CheckCode39Full(TksBarcodeComponent& bc, std::u16string_view s) {
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] == u'\u20AC') RaiseCharOutOfSet(bc, s, i);
    CheckCharsIn(bc, s, i + 1, i + 1);
  }
  return true;
}

// Code 128 carries NUL (in code set A) and DEL (in set B) besides the listed characters.
bool CheckCode128(TksBarcodeComponent& bc, std::u16string_view s) {
  for (std::size_t i = 0; i < s.size(); ++i)
    if (s[i] != 0 && s[i] != 0x7F) CheckCharsIn(bc, s, i + 1, i + 1);
  return true;
}

// Code 93: '&', '"' and ')' stand for the shift characters ($), (%) and (+), which take a
// letter A-Z after them; '(' stands for (/), which takes A-O or Z. A shift without such a
// letter has no meaning, and readers refuse the whole symbol, so it is refused here at
// the shift's position.
bool CheckCode93(TksBarcodeComponent& bc, std::u16string_view s) {
  for (std::size_t i = 0; i < s.size(); ++i) {
    CheckCharsIn(bc, s, i + 1, i + 1);
    const char16_t c = s[i];
    if (c != u'&' && c != u'"' && c != u'(' && c != u')') continue;
    const char16_t next = i + 1 < s.size() ? s[i + 1] : u'\0';
    const bool letter = next >= u'A' && next <= u'Z';
    if (!letter || (c == u'(' && next > u'O' && next != u'Z')) RaiseCharOutOfSet(bc, s, i);
    ++i;  // the letter belongs to the shift
  }
  return true;
}

// Telepen encodes the 128 ASCII codes; a higher code has no pattern.
bool CheckTelepen(TksBarcodeComponent& bc, std::u16string_view s) {
  for (std::size_t i = 0; i < s.size(); ++i)
    if (s[i] > 0x7F) RaiseCharOutOfSet(bc, s, i);
  return true;
}
bool CheckAbcCodabar(TksBarcodeComponent& bc, const std::u16string& s) {
  bc.CheckChars(s);
  const char16_t first = UpperAscii(s.front());
  const char16_t last = UpperAscii(s.back());
  return first >= u'A' && first <= u'D' && last >= u'A' && last <= u'C';
}

bool CheckIntelligentMail(std::u16string_view s) {
  const std::u16string d = DigitsOnly(s);
  const std::size_t n = d.size();
  if (n != 20 && n != 25 && n != 29 && n != 31) return false;
  return d[1] >= u'0' && d[1] <= u'4';
}


}  // namespace

// ---- check digits -------------------------------------------------------------------

char16_t CheckDigitEAN13(std::u16string_view text) {
  int64_t s = 0;
  for (std::size_t i = 0; i < text.size(); ++i) s += DigitValue(text[i]) * (i % 2 == 0 ? 1 : 3);
  const int c = static_cast<int>(s % 10);
  return static_cast<char16_t>(u'0' + (c > 0 ? 10 - c : c));
}

char16_t CheckDigitUPC(std::u16string_view text) {
  int64_t s = 0;
  for (std::size_t i = 0; i < text.size(); ++i) s += DigitValue(text[i]) * (i % 2 == 0 ? 3 : 1);
  const int c = static_cast<int>(s % 10);
  return static_cast<char16_t>(u'0' + (c > 0 ? 10 - c : c));
}

// Weights 1..9 over the first nine characters after hyphens are removed; characters the
// text does not have count as 0.
char16_t CheckDigitISBN(std::u16string_view text) {
  int64_t s = 0;
  int i = 0;
  for (char16_t c : text) {
    if (c == u'-') continue;
    if (++i > 9) break;
    s += i * DigitValue(c);
  }
  const int r = static_cast<int>(s % 11);
  return r == 10 ? u'X' : static_cast<char16_t>(u'0' + r);
}

// Luhn-style: odd positions doubled, two-digit products reduced by 9.
char16_t CheckDigitOPC(std::u16string_view text) {
  int64_t s = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    int64_t d = DigitValue(text[i]);
    if (i % 2 == 0) d *= 2;
    if (d >= 10) d -= 9;
    s += d;
  }
  int c = 10 - static_cast<int>(s % 10);
  if (c == 10) c = 0;
  return static_cast<char16_t>(u'0' + c);
}

// Weights 2..7 over the first six digits, modulo 11; a remainder of 10 gives ":", which
// validation then refuses.
char16_t CheckDigitPZN(std::u16string_view text) {
  int64_t s = 0;
  for (std::size_t i = 0; i < text.size() && i < 6; ++i) s += static_cast<int64_t>(i + 2) * DigitValue(text[i]);
  return static_cast<char16_t>(u'0' + s % 11);
}

std::u16string DigitsOnly(std::u16string_view text) {
  std::u16string r;
  for (char16_t c : text)
    if (IsDigit(c)) r += c;
  return r;
}

// UPC-E (number system and six digits) to the eleven digits of the equivalent UPC-A
// without its check digit; empty when the last digit is not a digit.
std::u16string ExpandUpcE(std::u16string_view text) {
  if (text.size() < 7) return {};
  const char16_t ns = text[0], d1 = text[1], d2 = text[2], d3 = text[3], d4 = text[4], d5 = text[5],
                 d6 = text[6];
  std::u16string r{ns, d1, d2};
  if (d6 >= u'0' && d6 <= u'2') {
    r += d6;
    r += u"0000";
    r += {d3, d4, d5};
  } else if (d6 == u'3') {
    r += d3;
    r += u"00000";
    r += {d4, d5};
  } else if (d6 == u'4') {
    r += {d3, d4};
    r += u"00000";
    r += d5;
  } else if (d6 >= u'5' && d6 <= u'9') {
    r += {d3, d4, d5};
    r += u"0000";
    r += d6;
  } else {
    return {};
  }
  return r;
}

// ---- allowed characters ---------------------------------------------------------------

std::u16string TksBarcodeComponent::GetSetOfChars() const {
  return std::u16string(SymbologyChars(FBarcodeSymbology));
}

// Every allowed character followed by a blank; control characters as "^" and the
// character 65 codes higher.
std::string TksBarcodeComponent::GetSetOfCharsVisible() const {
  std::u16string r;
  for (char16_t c : GetSetOfChars()) {
    if (c < 32) {
      r += u'^';
      r += static_cast<char16_t>(c + 65);
    } else {
      r += c;
    }
    r += u' ';
  }
  return ToUtf8(r);
}

bool TksBarcodeComponent::CheckChars(const std::u16string& text) {
  CheckCharsIn(*this, text, 1, text.size());
  return true;
}

// ---- validation -----------------------------------------------------------------------

namespace validation {

bool Ean13(TksBarcodeComponent& bc, const std::u16string& s) { return CheckEanLayout(bc, s, 13); }
bool Ean8(TksBarcodeComponent& bc, const std::u16string& s) { return CheckEanLayout(bc, s, 8); }
bool UpcA(TksBarcodeComponent& bc, const std::u16string& s) { return CheckEanLayout(bc, s, 12); }
bool UpcE0(TksBarcodeComponent& bc, const std::u16string& s) { return CheckUpcE(bc, s, false); }
bool UpcE1(TksBarcodeComponent& bc, const std::u16string& s) { return CheckUpcE(bc, s, true); }
bool UpcShipping(TksBarcodeComponent& bc, const std::u16string& s) { return CheckUpcShipping(bc, s); }

// Interleaved 2 of 5 has patterns for digits only, in pairs; ITF may add a leading zero.
bool Itf(TksBarcodeComponent& bc, const std::u16string& s) {
  bc.CheckChars(s);
  return s.size() % 2 == 0 || bc.HasOption(boAddLeadingZero);
}
bool Interleaved(TksBarcodeComponent& bc, const std::u16string& s) {
  bc.CheckChars(s);
  return s.size() % 2 == 0;
}

bool Isbn(TksBarcodeComponent& bc, const std::u16string& s) { return CheckBookNumber(bc, s, BookNumber::Isbn); }
bool Issn(TksBarcodeComponent& bc, const std::u16string& s) { return CheckBookNumber(bc, s, BookNumber::Issn); }
bool Ismn(TksBarcodeComponent& bc, const std::u16string& s) { return CheckBookNumber(bc, s, BookNumber::Ismn); }

bool Msi(TksBarcodeComponent& bc, const std::u16string& s) { return s.size() <= 13 && bc.CheckChars(s); }

bool PostNet(TksBarcodeComponent& bc, const std::u16string& s) {
  const std::size_t n = s.size();
  if (n != 5 && n != 9 && n != 11) return false;
  CheckOnlyDigits(bc, s);
  return true;
}
bool Planet(TksBarcodeComponent& bc, const std::u16string& s) {
  bc.CheckChars(s);
  return s.size() == 11 || s.size() == 13;
}
bool Singapore(TksBarcodeComponent& bc, const std::u16string& s) {
  bc.CheckChars(s);
  return s.size() == 6;
}
bool Opc(TksBarcodeComponent& bc, const std::u16string& s) {
  if (s.size() != 10) return false;
  CheckOnlyDigits(bc, s);
  return true;
}
bool AbcCodabar(TksBarcodeComponent& bc, const std::u16string& s) { return CheckAbcCodabar(bc, s); }
bool Codabar(TksBarcodeComponent& bc, const std::u16string& s) { return CheckCodabar(bc, s); }
bool Code39Full(TksBarcodeComponent& bc, const std::u16string& s) { return CheckCode39Full(bc, s); }
bool Code128(TksBarcodeComponent& bc, const std::u16string& s) { return CheckCode128(bc, s); }
bool Code93(TksBarcodeComponent& bc, const std::u16string& s) { return CheckCode93(bc, s); }
bool Telepen(TksBarcodeComponent& bc, const std::u16string& s) { return CheckTelepen(bc, s); }
bool Pzn(TksBarcodeComponent& bc, const std::u16string& s) {
  bc.CheckChars(s);
  return s.size() == 6 || s.size() == 7;
}
bool AnyText(TksBarcodeComponent&, const std::u16string&) { return true; }
bool IntelligentMail(TksBarcodeComponent&, const std::u16string& s) { return CheckIntelligentMail(s); }

bool AustraliaPost(TksBarcodeComponent& bc, const std::u16string& s) {
  try {
    CheckAustraliaPostText(s);
  } catch (const TksEncodeError& e) {
    bc.ErrorInfo().Raise(e);
  }
  return true;
}

// A GS1 element string, by the rule the 2D symbols use in their GS1 role.
bool Gs1_128(TksBarcodeComponent& bc, const std::u16string& s) {
  GS1ElementString(bc, s);
  return true;
}

}  // namespace validation

bool TksBarcodeComponent::CheckBarCode(const std::u16string& s) {
  if (s.empty()) BarcodeRaiseStr(erEmptyCode, u"");
  const ValidateRule validate = CatalogueRow(FBarcodeSymbology).validate;
  return validate ? validate(*this, s) : CheckChars(s);
}

// ---- completion -----------------------------------------------------------------------

namespace {

// Writes the check digit at position m of an EAN/UPC text of m - 1 or more characters.
void EanCheck(std::u16string& t, std::size_t m, char16_t (*check)(std::u16string_view)) {
  Pad(t, m - 1);
  if (t.size() >= m) t[m - 1] = check(std::u16string_view(t).substr(0, m - 1));
}

}  // namespace

namespace completion {

void Ean8(std::u16string& t) { EanCheck(t, 8, CheckDigitUPC); }
void Jan8(std::u16string& t) {
  t = JanPrefix(t) + Sub(t, 3, 22);
  Ean8(t);
}
void Ean13(std::u16string& t) { EanCheck(t, 13, CheckDigitEAN13); }
void Jan13(std::u16string& t) {
  t = JanPrefix(t) + Sub(t, 3, 22);
  Ean13(t);
}
void UpcA(std::u16string& t) { EanCheck(t, 12, CheckDigitUPC); }
void UpcE(std::u16string& t) {
  if (t.size() == 6) t = u"0" + t;
  Pad(t, 7);
  if (t.size() >= 8) t[7] = CheckDigitUPC(ExpandUpcE(Sub(t, 1, 7)));
}
void UpcShipping(std::u16string& t) { EanCheck(t, 14, CheckDigitUPC); }
void Itf(std::u16string& t) {
  if (t.size() == 5 || t.size() == 13 || t.size() == 15) t += u' ';
  if (t.size() == 6 || t.size() == 14 || t.size() == 16) t.back() = CheckDigitUPC(Sub(t, 1, t.size() - 1));
}
void Isbn(std::u16string& t) { t = CompleteBookNumber(t, BookNumber::Isbn); }
void Issn(std::u16string& t) { t = CompleteBookNumber(t, BookNumber::Issn); }
void Ismn(std::u16string& t) { t = CompleteBookNumber(t, BookNumber::Ismn); }
void Opc(std::u16string& t) { EanCheck(t, 10, CheckDigitOPC); }
void Pzn(std::u16string& t) {
  if (t.size() == 6 || t.size() == 7) {
    Pad(t, 6);
    t[6] = CheckDigitPZN(Sub(t, 1, 6));
  }
}

}  // namespace completion

void TksBarcodeComponent::BarcodeComplete() {
  const CompleteRule complete = CatalogueRow(FBarcodeSymbology).complete;
  if (!complete) return;
  std::u16string t = FBarCode;
  complete(t);
  if (t != FBarCode) FBarCode = t;
}

}  // namespace ks
