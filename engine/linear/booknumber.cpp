// Book numbers and the EAN-13 symbols that carry them (GS1 General Specifications:
// ISBN under the prefixes 978 and 979, ISMN under 979-0, ISSN under 977).
//
// Forms read, hyphens anywhere being ignored ("significant characters" are the rest):
//   ISBN  ten characters (ISBN-10, the last a check digit or X)
//         thirteen digits beginning 978 or 979 (ISBN-13)
//   ISSN  eight characters (the last a check digit or X), optionally followed by the
//         two-digit issue code
//   ISMN  M and nine characters (ISMN-10); thirteen digits beginning 9790 (ISMN-13);
//         ten characters, the first nine of them digits printed after 979
// Each is also read without its own last (check) character, which completion writes
// and the symbol does not carry, the EAN-13 having a check digit of its own; so an ISSN
// may be seven digits, or seven digits and the issue code. Each may be followed by a
// blank and a 2- or 5-digit add-on, which is carried over unchanged.
#include "engine/linear/booknumber.h"

#include <cstddef>
#include <initializer_list>
#include <optional>
#include <vector>

#include "engine/barcode.h"
#include "engine/encoders.h"
#include "engine/errors.h"
#include "engine/ustring.h"

namespace ks {

namespace {

bool IsM(char16_t c) { return c == u'M' || c == u'm'; }

bool StartsWith(std::u16string_view s, std::u16string_view prefix) {
  return s.size() >= prefix.size() && s.substr(0, prefix.size()) == prefix;
}

// ISBN-13 begins with one of the two Bookland prefixes.
bool HasBooklandPrefix(std::u16string_view n) { return StartsWith(n, u"978") || StartsWith(n, u"979"); }

// A data text cut at its first blank into the number and the add-on, each as its
// significant characters with their 1-based positions in the data text.
struct BookText {
  std::u16string number, addOn;
  std::vector<int> numberPos, addOnPos;
  bool hasAddOn = false;
  std::size_t numberEnd = 0;  // index of the blank before the add-on, or the text's length
};

BookText Split(std::u16string_view text) {
  BookText b;
  const std::size_t blank = text.find(u' ');
  b.hasAddOn = blank != std::u16string_view::npos;
  b.numberEnd = b.hasAddOn ? blank : text.size();
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == u'-' || i == b.numberEnd) continue;
    const bool inNumber = i < b.numberEnd;
    (inNumber ? b.number : b.addOn) += text[i];
    (inNumber ? b.numberPos : b.addOnPos).push_back(static_cast<int>(i + 1));
  }
  return b;
}

// The twelve digits of the EAN-13 before its check digit, as far as the number gives
// them. The number's own check character never goes into the symbol.
std::u16string EanBody(std::u16string_view n, BookNumber kind) {
  switch (kind) {
    case BookNumber::Isbn:
      if (n.size() >= 12 && HasBooklandPrefix(n)) return std::u16string(n.substr(0, 12));
      return u"978" + std::u16string(n.substr(0, 9));
    case BookNumber::Issn:
      // 977, the seven ISSN digits, the issue code (00 when none is given).
      if (n.size() == 9) return u"977" + std::u16string(n);
      return u"977" + std::u16string(n.substr(0, 7)) + (n.size() >= 10 ? std::u16string(n.substr(8, 2)) : u"00");
    case BookNumber::Ismn:
      if (!n.empty() && IsM(n[0])) return u"9790" + std::u16string(n.substr(1, 8));
      if (n.size() >= 12 && StartsWith(n, u"9790")) return std::u16string(n.substr(0, 12));
      return u"979" + std::u16string(n.substr(0, 9));
    default:
      return std::u16string(n);
  }
}

// The number's own check character and the count of significant characters that
// includes it, for the forms that carry one; nothing for the rest.
struct OwnCheck {
  char16_t check;
  std::size_t length;
};

std::optional<OwnCheck> OwnCheckOf(std::u16string_view n, BookNumber kind) {
  const std::size_t len = n.size();
  const bool tenth = len == 9 || len == 10;
  const bool thirteenth = len == 12 || len == 13;
  switch (kind) {
    case BookNumber::Isbn:
      if (tenth) return OwnCheck{CheckDigitISBN(n.substr(0, 9)), 10};
      if (thirteenth && HasBooklandPrefix(n)) return OwnCheck{CheckDigitEAN13(n.substr(0, 12)), 13};
      return std::nullopt;
    case BookNumber::Ismn:
      // ISMN-10 counts M as 3 in a modulo-10 sum; that equals the EAN-13 check of 9790
      // followed by the eight digits.
      if (tenth && IsM(n[0])) return OwnCheck{CheckDigitEAN13(u"9790" + std::u16string(n.substr(1, 8))), 10};
      if (thirteenth && StartsWith(n, u"9790")) return OwnCheck{CheckDigitEAN13(n.substr(0, 12)), 13};
      if (tenth) return OwnCheck{CheckDigitISBN(n.substr(0, 9)), 10};
      return std::nullopt;
    default:
      return std::nullopt;
  }
}

// Raises erCharOutOfSet at the first character of number[from..to] (1-based) that is
// not a digit.
void RequireDigits(TksBarcodeComponent& bc, const std::u16string& s, const std::vector<int>& pos, std::size_t from,
                   std::size_t to) {
  for (std::size_t i = from; i <= to && i <= s.size(); ++i)
    if (!IsDigit(s[i - 1])) bc.BarcodeRaise(erCharOutOfSet, pos[i - 1], std::u16string(1, s[i - 1]));
}

// Raises erCharOutOfSet at the first character of the number that departs from every
// one of the prefixes given (which differ only in their last character).
void RequirePrefix(TksBarcodeComponent& bc, const BookText& b, std::initializer_list<std::u16string_view> prefixes) {
  for (std::u16string_view p : prefixes)
    if (StartsWith(b.number, p)) return;
  const std::u16string_view first = *prefixes.begin();
  std::size_t i = 0;
  while (i + 1 < first.size() && b.number[i] == first[i]) ++i;
  bc.BarcodeRaise(erCharOutOfSet, b.numberPos[i], std::u16string(1, b.number[i]));
}

}  // namespace

bool CheckBookNumber(TksBarcodeComponent& bc, std::u16string_view text, BookNumber kind) {
  const BookText b = Split(text);
  const std::u16string& n = b.number;
  const std::size_t len = n.size();
  // Each form with or without its own check character.
  const bool ten = len == 9 || len == 10, thirteen = len == 12 || len == 13;
  bool lengthOk = false;
  switch (kind) {
    case BookNumber::Isbn: lengthOk = ten || thirteen; break;
    case BookNumber::Issn: lengthOk = len >= 7 && len <= 10; break;
    case BookNumber::Ismn: lengthOk = ten || (thirteen && !IsM(n[0])); break;
    case BookNumber::None: break;
  }
  if (!lengthOk || (b.hasAddOn && b.addOn.size() != 2 && b.addOn.size() != 5))
    bc.BarcodeRaiseStr(erBarcodeLengthInvalid, u"");

  if (kind == BookNumber::Issn) {
    // Seven digits, the check character (8 or 10 characters), the issue code (9 or 10).
    RequireDigits(bc, n, b.numberPos, 1, 7);
    if ((len == 8 || len == 10) && !IsDigit(n[7]) && n[7] != u'X' && n[7] != u'x')
      bc.BarcodeRaise(erCharOutOfSet, b.numberPos[7], std::u16string(1, n[7]));
    RequireDigits(bc, n, b.numberPos, len == 9 ? 8 : 9, len);
  } else if (thirteen) {
    RequireDigits(bc, n, b.numberPos, 1, 12);
    if (kind == BookNumber::Ismn) RequirePrefix(bc, b, {u"9790"});
    else RequirePrefix(bc, b, {u"978", u"979"});
  } else {
    // Nine characters before the check character; ISMN-10 begins with M.
    RequireDigits(bc, n, b.numberPos, (kind == BookNumber::Ismn && IsM(n[0])) ? 2 : 1, 9);
  }
  RequireDigits(bc, b.addOn, b.addOnPos, 1, b.addOn.size());
  return true;
}

std::u16string CompleteBookNumber(std::u16string_view text, BookNumber kind) {
  const BookText b = Split(text);
  const std::optional<OwnCheck> own = OwnCheckOf(b.number, kind);
  std::u16string t(text);
  if (!own) return t;
  if (b.number.size() == own->length) {
    t[b.numberPos.back() - 1] = own->check;
  } else {
    const std::u16string_view number = text.substr(0, b.numberEnd);
    std::u16string check;
    if (number.find(u'-') != std::u16string_view::npos && number.back() != u'-') check += u'-';
    check += own->check;
    t.insert(b.numberEnd, check);
  }
  return t;
}

std::u16string BookNumberEan13(const std::u16string& text, BookNumber kind) {
  if (kind == BookNumber::None) {
    // JAN-13: the stored text is already the EAN-13; its check digit is rewritten.
    std::u16string result;
    for (char16_t c : text)
      if (c != u'-') result += c;
    if (result.size() == 12) result += u' ';
    if (result.size() > 12) result[12] = CheckDigitEAN13(std::u16string_view(result).substr(0, 12));
    return result;
  }
  const BookText b = Split(text);
  std::u16string ean = EanBody(b.number, kind);
  if (ean.size() == 12) ean += CheckDigitEAN13(ean);
  if (b.hasAddOn) ean += u' ' + b.addOn;
  return ean;
}

}  // namespace ks
