#include "engine/gs1/gs1.h"

#include <algorithm>
#include <array>

#include "engine/barcode.h"
#include "engine/gs1/gs1_ai_table.h"
#include "engine/params.h"
#include "engine/ustring.h"

namespace ks {

namespace {

constexpr char16_t kOpen = u'(';
constexpr char16_t kClose = u')';

std::u16string Widen(std::string_view ascii) { return std::u16string(ascii.begin(), ascii.end()); }

std::u16string NumberText(int v) { return Widen(std::to_string(v)); }

// Index one past the value that starts at `from`: the next "(" or the end of s.
size_t ValueEnd(std::u16string_view s, size_t from) {
  size_t p = s.find(kOpen, from);
  return p == std::u16string_view::npos ? s.size() : p;
}

// The value of a measure with k decimals: the point goes before the last k characters,
// so 001250 with 6 decimals shows as .001250. A value shorter than k characters gets the
// point in front of it and no digits added ("12" with 5 decimals shows as .12).
std::u16string WithDecimalPoint(std::u16string_view value, int k) {
  std::u16string v(value);
  const size_t at = v.size() > static_cast<size_t>(k) ? v.size() - static_cast<size_t>(k) : 0;
  v.insert(at, 1, u'.');
  return v;
}

bool IsTildeMarker(char16_t c) { return c == u'~' || c == u'['; }

// GS1 General Specifications, element strings with predefined length: the first two
// digits of every AI whose element string a reader ends by length, without FNC1.
constexpr std::array<std::string_view, 22> kPredefinedLengthPrefixes{
    "00", "01", "02", "03", "04", "11", "12", "13", "14", "15", "16",
    "17", "18", "19", "20", "31", "32", "33", "34", "35", "36", "41"};

bool HasPredefinedLength(std::u16string_view ai) {
  if (ai.size() < 2) return false;
  for (std::string_view p : kPredefinedLengthPrefixes)
    if (ai[0] == static_cast<char16_t>(p[0]) && ai[1] == static_cast<char16_t>(p[1])) return true;
  return false;
}

// The GS1 AI encodable character set 82: the only characters an AI value may hold.
bool InCharacterSet82(char16_t c) {
  if (IsDigit(c) || (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z')) return true;
  return std::u16string_view(u"!\"%&'()*+,-./:;<=>?_").find(c) != std::u16string_view::npos;
}

// The GS1 modulo-10 check: weights 3, 1, 3, ... from the digit before the check digit
// leftwards; true when the last digit of `digits` is that check.
bool GS1CheckDigitHolds(std::u16string_view digits) {
  if (digits.empty() || !AllDigits(digits)) return false;
  int sum = 0;
  int weight = 3;
  for (size_t i = digits.size() - 1; i-- > 0;) {
    sum += weight * (digits[i] - u'0');
    weight = 4 - weight;
  }
  return (10 - sum % 10) % 10 == digits.back() - u'0';
}

// The three-digit codes a first component of digits begins with: one ISO 3166-1 country,
// a list of them (three digits each), or one ISO 4217 currency.
bool IsoCodesExist(TksAIType type, std::u16string_view digits) {
  auto code = [&digits](size_t at) {
    return (digits[at] - u'0') * 100 + (digits[at + 1] - u'0') * 10 + (digits[at + 2] - u'0');
  };
  switch (type) {
    case aiISO_Country:
      return digits.size() >= 3 && IsIsoCountry(code(0));
    case aiISO_CountryMulti:
      if (digits.empty() || digits.size() % 3 != 0) return false;
      for (size_t at = 0; at < digits.size(); at += 3)
        if (!IsIsoCountry(code(at))) return false;
      return true;
    case aiISO_Currency:
      return digits.size() >= 3 && IsIsoCurrency(code(0));
    default:
      return true;
  }
}

void SetValueError(TksErrRecord& err, TksBarcodeErrorCode code, std::u16string_view value, int par1, int par2) {
  err.Err = code;
  err.StrPar = std::u16string(value);
  err.Par1 = par1;
  err.Par2 = par2;
}

}  // namespace

const EnumType& FNC1TypeEnum() {
  static const EnumType t{"TksFNC1Type", {"fnc1None", "fnc1FirstPosition", "fnc1SecondPosition", "fnc1GS1"}};
  return t;
}

const EnumType& FNC1InputTypeEnum() {
  static const EnumType t{"TksFNC1InputType", {"gs1Separators", "gs1Percent", "gs1Classic", "gs1Tilde"}};
  return t;
}

bool IsGS1Role(TksFNC1Type t) { return t == fnc1FirstPosition || t == fnc1GS1; }

const TksGS1Item& GS1Item(int idx) { return gs1_table::kItems.at(static_cast<size_t>(idx)); }

// ---- settings ----------------------------------------------------------------------

TksGS1::TksGS1(TksBarcodeComponent* parent) : FBarcodeComponent(parent) {}

void TksGS1::SetFNC1Type(TksFNC1Type value) {
  if (value == FFNC1Type) return;
  FFNC1Type = value;
  if (FBarcodeComponent) FBarcodeComponent->Changed();
}

void TksGS1::SetFNC1InputType(TksFNC1InputType value) {
  if (value == FFNC1Input) return;
  FFNC1Input = value;
  if (FBarcodeComponent) FBarcodeComponent->Changed();
}

void TksGS1::Assign(const TksPersistent& source) {
  if (const auto* other = dynamic_cast<const TksGS1*>(&source)) {
    FFNC1Type = other->FFNC1Type;
    FFNC1Input = other->FFNC1Input;
    return;
  }
  TksPersistent::Assign(source);
}

const PropertyTable& TksGS1::Properties() const {
  static const PropertyTable t =
      PropsBuilder<TksGS1>()
          .Enum("FNC1Type", FNC1TypeEnum(), &TksGS1::FNC1Type, &TksGS1::SetFNC1Type, fnc1None)
          .Enum("FNC1InputType", FNC1InputTypeEnum(), &TksGS1::FNC1InputType, &TksGS1::SetFNC1InputType,
                gs1Separators)
          .Build();
  return t;
}

// ---- AI table ----------------------------------------------------------------------

int TksGS1::LocateAI(std::u16string_view ai) {
  for (int i = 0; i < kGS1ItemCount; ++i) {
    std::string_view key = gs1_table::kItems[static_cast<size_t>(i)].AI;
    if (key.size() != ai.size()) continue;
    // A final "X" stands for any character; every other place must be equal.
    size_t fixed = key.back() == 'X' ? key.size() - 1 : key.size();
    bool match = true;
    for (size_t k = 0; k < fixed && match; ++k) match = ai[k] == static_cast<char16_t>(key[k]);
    if (match) return i;
  }
  return -1;
}

bool TksGS1::idxOK(int idx) { return idx >= 0 && idx < kGS1ItemCount; }

bool TksGS1::VerifyAI(std::u16string_view ai, std::u16string_view value, TksErrRecord& err) {
  int idx = LocateAI(ai);
  if (idx < 0) return false;
  return VerifyAI(idx, value, err);
}

// A value is what a GS1 reader accepts for its AI:
// - its length: the row's range, the second component's range added to it; an AI whose
//   element string ends by its predefined length takes exactly its full length, because
//   a reader reads that many characters whatever follows;
// - every character from the GS1 set of 82;
// - the first component in digits, unless the row holds text;
// - for GS1 keys, the check digit at the end of the first component;
// - for the AIs that carry them, ISO 3166-1 country codes and ISO 4217 currency codes
//   that exist.
// Dates get no range test.
bool TksGS1::VerifyAI(int aiIdx, std::u16string_view value, TksErrRecord& err) {
  if (!idxOK(aiIdx)) return false;
  const TksGS1Item& item = GS1Item(aiIdx);
  const int len = static_cast<int>(value.size());
  int lenMin = HasPredefinedLength(Widen(item.AI)) ? item.LenMax : item.LenMin;
  int lenMax = item.LenMax;
  if (item.SecUsed) {
    lenMin += item.SecLenMin;
    lenMax += item.SecLenMax;
  }
  if (len < lenMin || len > lenMax) {
    SetValueError(err, erGS1_BadValueLength, value, lenMin, lenMax);
    return false;
  }
  const std::u16string_view first = value.substr(0, static_cast<size_t>(item.LenMax));
  if (item.AIType != aiString && !AllDigits(first)) {
    SetValueError(err, erGS1_ValueMustBeInteger, value, 0, 0);
    return false;
  }
  for (char16_t c : value) {
    if (!InCharacterSet82(c)) {
      SetValueError(err, erGS1, value, 0, 0);
      return false;
    }
  }
  if (item.CheckSum == chGS1_Standard && !GS1CheckDigitHolds(first)) {
    SetValueError(err, erGS1, value, 0, 0);
    return false;
  }
  if (!IsoCodesExist(item.AIType, first)) {
    SetValueError(err, erGS1, value, 0, 0);
    return false;
  }
  return true;
}

// ---- classic notation --------------------------------------------------------------

int TksGS1::Verify(std::u16string_view s, TksErrRecord& err) {
  err.Err = erOK;
  int count = 0;
  size_t a = 0;  // 0-based; positions reported are 1-based
  while (a < s.size()) {
    if (s[a] != kOpen) {
      err.Err = erGS1;
      err.Position = static_cast<int32_t>(a) + 1;
      break;
    }
    size_t b = s.find(kClose, a);
    if (b == std::u16string_view::npos) {
      err.Err = erGS1;
      err.Position = static_cast<int32_t>(a) + 1;
      break;
    }
    std::u16string_view ai = s.substr(a + 1, b - a - 1);
    if (!AllDigits(ai)) {
      err.Err = erGS1_AI_MustBeInteger;
      err.Position = static_cast<int32_t>(a) + 1;
      err.StrPar = std::u16string(ai);
      break;
    }
    size_t end = ValueEnd(s, b + 1);
    std::u16string_view value = s.substr(b + 1, end - b - 1);
    a = end;
    int idx = LocateAI(ai);
    if (idx < 0) {
      err.Err = erGS1_AI_NotFound;
      err.Position = static_cast<int32_t>(a) + 1;
      err.StrPar = std::u16string(ai);
      break;
    }
    if (!VerifyAI(idx, value, err)) {
      err.Position = static_cast<int32_t>(b) + 2;
      break;
    }
    ++count;
  }
  return count;
}

int TksGS1::GetElement(std::u16string_view s, int idx, std::u16string& ai, std::u16string& value) {
  ai.clear();
  value.clear();
  if (idx < 1) return -1;
  size_t open = std::u16string_view::npos;
  for (size_t p = 0, seen = 0; p < s.size(); ++p) {
    if (s[p] == kOpen && ++seen == static_cast<size_t>(idx)) {
      open = p;
      break;
    }
  }
  if (open == std::u16string_view::npos) return -1;
  size_t close = s.find(kClose, open + 1);
  if (close == std::u16string_view::npos) return -1;
  ai = s.substr(open + 1, close - open - 1);
  value = s.substr(close + 1, ValueEnd(s, close + 1) - close - 1);
  return LocateAI(ai);
}

std::u16string TksGS1::GetElementVisual(int idx, std::u16string_view ai, std::u16string_view value,
                                        TksErrRecord& /*err*/) {
  if (!idxOK(idx)) return std::u16string(value);
  switch (GS1Item(idx).AIType) {
    case aiFloat: {
      // The last digit of a measure's AI is the number of decimals: (3102)001250 is 12.50.
      int k = !ai.empty() && IsDigit(ai.back()) ? ai.back() - u'0' : 0;
      return k >= 1 ? WithDecimalPoint(value, k) : std::u16string(value);
    }
    case aiDate:
      return DecodeDateString(value);
    default:
      return std::u16string(value);
  }
}

std::u16string TksGS1::DecodeDateString(std::u16string_view s) {
  // Anything but six digits is shown as it stands rather than as a made-up date.
  if (s.size() != 6 || !AllDigits(s)) return std::u16string(s);
  auto two = [&](size_t at) { return (s[at] - u'0') * 10 + (s[at + 1] - u'0'); };
  int yy = two(0), mm = two(2), dd = two(4);
  int year = yy <= 50 ? 2000 + yy : 1900 + yy;
  return NumberText(dd) + u"." + NumberText(mm) + u"." + NumberText(year);
}

std::u16string TksGS1::GetDescription(std::u16string_view s) {
  TksErrRecord err;
  int n = Verify(s, err);
  std::u16string out;
  for (int i = 1; i <= n; ++i) {
    std::u16string ai, value;
    int idx = GetElement(s, i, ai, value);
    std::u16string shown = GetElementVisual(idx, ai, value, err);
    if (i > 1) out += u"\r\n";
    if (idxOK(idx))
      out += Widen(GS1Item(idx).Title) + u":" + shown;
    else
      out += ai + u":???";
  }
  return out;
}

// ---- element strings -----------------------------------------------------------------

// An element string is read the way a GS1 reader reads it: the AI is the shortest run of
// two to four digits the table knows; the value of an AI with a predefined length is that
// many characters, any other value runs to the next group separator or the end. A
// separator after a predefined-length value is allowed, one at the very end is ignored.
int TksGS1::VerifyElementString(std::u16string_view s, TksErrRecord& err) {
  err.Err = erOK;
  int count = 0;
  size_t a = 0;
  while (a < s.size()) {
    if (s[a] == kGroupSeparator) {  // a separator where an AI should begin
      err.Err = erGS1;
      err.Position = static_cast<int32_t>(a) + 1;
      break;
    }
    int idx = -1;
    size_t aiLen = 0;
    size_t digits = 0;
    while (digits < 4 && a + digits < s.size() && IsDigit(s[a + digits])) ++digits;
    for (size_t n = 2; n <= digits && idx < 0; ++n) {
      idx = LocateAI(s.substr(a, n));
      if (idx >= 0) aiLen = n;
    }
    if (idx < 0) {
      err.Err = digits < 2 ? erGS1_AI_MustBeInteger : erGS1_AI_NotFound;
      err.Position = static_cast<int32_t>(a) + 1;
      size_t shown = digits < 2 ? 2 : digits;
      err.StrPar = std::u16string(s.substr(a, shown));
      break;
    }
    const std::u16string_view ai = s.substr(a, aiLen);
    const size_t from = a + aiLen;
    size_t end = s.find(kGroupSeparator, from);
    if (end == std::u16string_view::npos) end = s.size();
    if (HasPredefinedLength(ai)) end = std::min(end, from + static_cast<size_t>(GS1Item(idx).LenMax));
    if (!VerifyAI(idx, s.substr(from, end - from), err)) {
      err.Position = static_cast<int32_t>(from) + 1;
      break;
    }
    ++count;
    a = end < s.size() && s[end] == kGroupSeparator ? end + 1 : end;
  }
  return count;
}

std::u16string TksGS1::ElementString(std::u16string_view text, TksErrRecord& err) const {
  err.Err = erOK;
  // Separators at the very end end nothing: they are dropped in every notation.
  while (!text.empty() && text.back() == kGroupSeparator) text.remove_suffix(1);
  const bool classic = FFNC1Input == gs1Classic || (!text.empty() && text.front() == kOpen);
  std::u16string elements;
  if (classic)
    elements = Prepare(text, err);  // verified element by element on the way
  else if (FFNC1Input == gs1Percent)
    elements = PreparePerc(text, err);
  else if (FFNC1Input == gs1Tilde)
    elements = PrepareTilde(text, err);
  else
    elements = std::u16string(text);
  if (err.Err == erOK && elements.empty()) {  // no element at all
    err.Err = erGS1;
    err.Position = 1;
  }
  if (err.Err == erOK && !classic) VerifyElementString(elements, err);
  if (err.Err != erOK) return {};
  if (elements.back() == kGroupSeparator) elements.pop_back();
  return elements;
}

// ---- operations no notation uses ------------------------------------------------------------

// No text holds special symbols for this engine: the answer is always false and `result`
// is left as it is.
bool TksGS1::IsSpecial(std::u16string_view /*s*/, int /*index*/, TksSpecialResult& /*result*/) { return false; }

// Data texts carry no commands to remove: the text comes back unchanged.
std::u16string TksGS1::RemoveCommands(std::u16string_view s) { return std::u16string(s); }

// Answers false for every text, length and version; element values are checked by
// VerifyAI.
bool TksGS1::CalcCheckDigit(std::u16string_view /*s*/, int /*totalLen*/, int /*version*/) { return false; }

// ---- notations ---------------------------------------------------------------------

// Builds the GS1 element string: AI and value of each element in turn, and a group
// separator after every element but the last, except after a full-length value of an AI
// that readers end by its predefined length. Readers end every other AI's value only at
// a separator, so a full-length (8005) or (10) value followed directly by the next AI
// would be read as one value running into it.
std::u16string TksGS1::Prepare(std::u16string_view s, TksErrRecord& err) {
  int n = Verify(s, err);
  if (err.Err != erOK || n == 0) return {};
  std::u16string out;
  for (int i = 1; i <= n; ++i) {
    std::u16string ai, value;
    int idx = GetElement(s, i, ai, value);
    out += ai;
    out += value;
    bool endsByLength = HasPredefinedLength(ai) && static_cast<int>(value.size()) == GS1Item(idx).LenMax;
    if (i < n && !endsByLength) out += kGroupSeparator;
  }
  return out;
}

// "%" is the separator; "%%" stands for a literal "%".
std::u16string TksGS1::PreparePerc(std::u16string_view s, TksErrRecord& err) {
  err.Err = erOK;
  std::u16string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] != u'%') {
      out += s[i];
    } else if (i + 1 < s.size() && s[i + 1] == u'%') {
      out += u'%';
      ++i;
    } else {
      out += kGroupSeparator;
    }
  }
  return out;
}

// "~" and "[" are separators; a doubled marker stands for the first of the two. The
// first character is data whatever it is, and a marker at the very end is dropped.
std::u16string TksGS1::PrepareTilde(std::u16string_view s, TksErrRecord& /*err*/) {
  std::u16string out;
  if (s.empty()) return out;
  out.reserve(s.size());
  out += s[0];
  for (size_t i = 1; i < s.size(); ++i) {
    char16_t c = s[i];
    if (!IsTildeMarker(c)) {
      out += c;
    } else if (i + 1 == s.size()) {
      // trailing marker: nothing follows it to separate
    } else if (IsTildeMarker(s[i + 1])) {
      out += c;
      ++i;
    } else {
      out += kGroupSeparator;
    }
  }
  return out;
}

std::u16string TksGS1::SolveGS1(std::u16string_view barcode, TksErrRecord& err) const {
  if (FFNC1Type == fnc1None) return std::u16string(barcode);
  switch (FFNC1Input) {
    case gs1Percent:
      return PreparePerc(barcode, err);
    case gs1Classic:
      return Prepare(barcode, err);
    case gs1Tilde:
      return PrepareTilde(barcode, err);
    case gs1Separators:
    default:
      return std::u16string(barcode);  // the user types the group separator itself
  }
}

std::u16string SolveGS1(TksBarcodeComponent& bc) {
  const TksGS1& gs1 = bc.Params().GS1();
  if (IsGS1Role(gs1.FNC1Type())) return GS1ElementString(bc, bc.BarCode());
  TksErrRecord err;
  std::u16string text = gs1.SolveGS1(bc.BarCode(), err);
  if (err.Err != erOK) bc.BarcodeRaise(err);
  return text;
}

std::u16string GS1ElementString(TksBarcodeComponent& bc, std::u16string_view text) {
  TksErrRecord err;
  std::u16string elements = bc.Params().GS1().ElementString(text, err);
  if (err.Err != erOK) bc.BarcodeRaise(err);
  return elements;
}

}  // namespace ks
