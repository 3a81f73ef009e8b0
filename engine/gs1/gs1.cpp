#include "engine/gs1/gs1.h"

#include <array>

#include "engine/barcode.h"
#include "engine/gs1/gs1_ai_table.h"
#include "engine/params.h"

namespace ks {

namespace {

constexpr char16_t kOpen = u'(';
constexpr char16_t kClose = u')';

bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

bool AllDigits(std::u16string_view s) {
  for (char16_t c : s)
    if (!IsDigit(c)) return false;
  return true;
}

std::u16string Widen(std::string_view ascii) { return std::u16string(ascii.begin(), ascii.end()); }

std::u16string NumberText(int v) { return Widen(std::to_string(v)); }

// Index one past the value that starts at `from`: the next "(" or the end of s.
size_t ValueEnd(std::u16string_view s, size_t from) {
  size_t p = s.find(kOpen, from);
  return p == std::u16string_view::npos ? s.size() : p;
}

// Reads the classic-notation value of a measure with k decimals as a decimal number.
std::u16string WithDecimalPoint(std::u16string_view value, int k) {
  std::u16string v(value);
  // A short value still shows its real magnitude: "12" with 5 decimals is 0.00012.
  if (static_cast<int>(v.size()) <= k) v.insert(0, static_cast<size_t>(k) + 1 - v.size(), u'0');
  v.insert(v.size() - static_cast<size_t>(k), 1, u'.');
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

}  // namespace

const EnumType& FNC1TypeEnum() {
  static const EnumType t{"TksFNC1Type", {"fnc1None", "fnc1FirstPosition", "fnc1SecondPosition", "fnc1GS1"}};
  return t;
}

const EnumType& FNC1InputTypeEnum() {
  static const EnumType t{"TksFNC1InputType", {"gs1Separators", "gs1Percent", "gs1Classic", "gs1Tilde"}};
  return t;
}

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

// Only the length and, for numeric and date values, the digits are checked: dates get
// no range test, ISO codes are not looked up and check digits are not computed.
bool TksGS1::VerifyAI(int aiIdx, std::u16string_view value, TksErrRecord& err) {
  if (!idxOK(aiIdx)) return false;
  const TksGS1Item& item = GS1Item(aiIdx);
  int len = static_cast<int>(value.size());
  if (len < item.LenMin || len > item.LenMax) {
    err.Err = erGS1_BadValueLength;
    err.StrPar = std::u16string(value);
    err.Par1 = item.LenMin;
    err.Par2 = item.LenMax;
    return false;
  }
  if ((item.AIType == aiInteger || item.AIType == aiDate) && !AllDigits(value)) {
    err.Err = erGS1_ValueMustBeInteger;
    err.StrPar = std::u16string(value);
    err.Par1 = 0;
    err.Par2 = 0;
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
  TksErrRecord err;
  std::u16string text = bc.Params().GS1().SolveGS1(bc.BarCode(), err);
  if (err.Err != erOK) bc.BarcodeRaise(err);
  return text;
}

}  // namespace ks
