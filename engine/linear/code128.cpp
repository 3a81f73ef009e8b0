// Code 128 and UCC/EAN 128: code-set selection (Compress128), check value and bar
// patterns. Both symbologies share the same encoder; UCC/EAN 128 writes its text as a
// GS1 element string (FNC1 first, AIs without parentheses). The modulo-103 check
// character is part of every symbol: readers refuse a Code 128 symbol without it.
#include "engine/linear/code128.h"
#include "engine/gs1/gs1.h"

#include <array>
#include <cassert>
#include <string_view>

#include "engine/encoders.h"
#include "engine/errors.h"
#include "engine/ustring.h"

namespace ks {
namespace {

// ISO/IEC 15417 Table 1: element widths (bar, space, bar, space, bar, space) of the
// symbol characters, indexed by value; 103..105 are START A, START B, START C.
constexpr std::array<std::string_view, 106> kCode128Widths = {
    "212222", "222122", "222221", "121223", "121322", "131222", "122213", "122312", "132212", "221213",
    "221312", "231212", "112232", "122132", "122231", "113222", "123122", "123221", "223211", "221132",
    "221231", "213212", "223112", "312131", "311222", "321122", "321221", "312212", "322112", "322211",
    "212123", "212321", "232121", "111323", "131123", "131321", "112313", "132113", "132311", "211313",
    "231113", "231311", "112133", "112331", "132131", "113123", "113321", "133121", "313121", "211331",
    "231131", "213113", "213311", "213131", "311123", "311321", "331121", "312113", "312311", "332111",
    "314111", "221411", "431111", "111224", "111422", "121124", "121421", "141122", "141221", "112214",
    "112412", "122114", "122411", "142112", "142211", "241211", "221114", "413111", "241112", "134111",
    "111242", "121142", "121241", "114212", "124112", "124211", "411212", "421112", "421211", "212141",
    "214121", "412121", "111143", "111341", "131141", "114113", "114311", "411113", "411311", "113141",
    "114131", "311141", "411131", "211412", "211214", "211232"};

// The stop character (2331112) with its dark modules drawn as guard bars.
constexpr std::string_view kCode128Stop = "2200022202022";

constexpr int kCheckModulus = 103;
constexpr int kHighestDataValue = 102;  // FNC1; values above are start codes

enum class CodeSet { A, B, C };

bool IsControl(char16_t c) { return c < 32; }
bool IsLower(char16_t c) { return c >= u'a' && c <= u'z'; }

// Symbol value of a character in sets A and B: printable characters share their value,
// control characters take their set A value, 128..134 the function values 96..102.
int CharValue(char16_t c) { return c >= 32 ? c - 32 : c + 64; }

// Builds the value sequence for a text whose characters all have a value; positions
// are 0-based here.
class Compressor {
 public:
  explicit Compressor(const std::u16string& text) : s_(text), n_(static_cast<int>(text.size())) {}

  std::vector<int> Run() {
    if (n_ == 0) return {};
    out_.reserve(static_cast<size_t>(n_) * 2 + 4);  // a shift per character at most, start and check
    Start();
    while (i_ < n_) Step();
    return std::move(out_);
  }

 private:
  char16_t At(int k) const { return s_[static_cast<size_t>(k)]; }

  // Number of consecutive digits from position k, or 0 when fewer than four.
  int DigitRun(int k) const {
    int r = 0;
    while (k + r < n_ && IsDigit(At(k + r))) ++r;
    return r >= 4 ? r : 0;
  }

  void Emit(int v) { out_.push_back(v); }
  void EmitChar(int k) { Emit(CharValue(At(k))); }
  void EmitPairs(int pairs) {
    for (int p = 0; p < pairs; ++p, i_ += 2) Emit((At(i_) - u'0') * 10 + (At(i_ + 1) - u'0'));
  }

  void Start() {
    const int r = DigitRun(0);
    if (r >= 4) {
      Emit(kCode128StartC);
      set_ = CodeSet::C;
      EmitPairs(r / 2);
      if (r % 2 != 0) {  // the run's last digit goes to set B
        Emit(kCode128CodeB);
        set_ = CodeSet::B;
        EmitChar(i_++);
      }
    } else if (n_ >= 2 && IsControl(At(0)) && IsLower(At(1))) {
      Emit(kCode128StartA);
      EmitChar(0);
      Emit(kCode128CodeB);
      EmitChar(1);
      set_ = CodeSet::B;
      i_ = 2;
    } else {
      Emit(kCode128StartB);
      set_ = CodeSet::B;
    }
  }

  // Emits SHIFT, i, i+1, SHIFT, i+2: the middle character stays in the current set.
  void ShiftedTriple() {
    Emit(kCode128Shift);
    EmitChar(i_);
    EmitChar(i_ + 1);
    Emit(kCode128Shift);
    EmitChar(i_ + 2);
    i_ += 3;
  }

  void Step() {
    const char16_t c = At(i_);
    int r = DigitRun(i_);
    if (r >= 4) {
      if (set_ != CodeSet::C) {
        if (r % 2 != 0) {  // an odd run gives its first digit to the current set
          EmitChar(i_++);
          --r;
        }
        Emit(kCode128CodeC);
        set_ = CodeSet::C;
      }
      EmitPairs(r / 2);
    } else if (set_ == CodeSet::B && IsControl(c)) {
      if (i_ + 2 < n_ && IsLower(At(i_ + 1)) && IsControl(At(i_ + 2))) {
        ShiftedTriple();
      } else {
        Emit(kCode128CodeA);
        EmitChar(i_++);
        set_ = CodeSet::A;
      }
    } else if (set_ == CodeSet::A && IsLower(c)) {
      if (i_ + 2 < n_ && IsControl(At(i_ + 1)) && IsLower(At(i_ + 2))) {
        ShiftedTriple();
      } else {
        Emit(kCode128Shift);
        EmitChar(i_++);
      }
    } else if (set_ == CodeSet::C) {
      // Set C is only entered for a whole digit run, so c is not a digit here.
      assert(!IsDigit(c));
      if (i_ + 1 < n_ && IsControl(c) && IsLower(At(i_ + 1))) {
        Emit(kCode128CodeA);
        EmitChar(i_);
        Emit(kCode128Shift);
        EmitChar(i_ + 1);
        set_ = CodeSet::A;
        i_ += 2;
      } else {
        Emit(kCode128CodeB);  // the character itself is taken by the next step
        set_ = CodeSet::B;
      }
    } else {
      // Set B characters (96..126, and DEL, which set A has no value for) latch to B.
      if (set_ == CodeSet::A && c >= 96 && c <= 127) {
        Emit(kCode128CodeB);
        set_ = CodeSet::B;
      }
      EmitChar(i_++);
    }
  }

  const std::u16string& s_;
  const int n_;
  int i_ = 0;
  CodeSet set_ = CodeSet::B;
  std::vector<int> out_;
};

// Standard Code 128 check value: start value plus each following value times its position.
int CheckValue(const std::vector<int>& values) {
  long long sum = values[0];
  for (size_t k = 1; k < values.size(); ++k) sum += static_cast<long long>(k) * values[k];
  return static_cast<int>(sum % kCheckModulus);
}

// Every symbol character is 11 modules wide.
constexpr size_t kSymbolModules = 11;
using SymbolModules = std::array<char, kSymbolModules>;

// The modules of every symbol character, expanded once from the widths; the start codes
// draw their bars as guard bars.
constexpr std::array<SymbolModules, 106> MakeSymbolModules() {
  std::array<SymbolModules, 106> all{};
  for (size_t value = 0; value < kCode128Widths.size(); ++value) {
    const char dark = value >= static_cast<size_t>(kCode128StartA) ? '2' : '1';
    size_t at = 0;
    bool bar = true;
    for (char w : kCode128Widths[value]) {
      for (int k = 0; k < w - '0'; ++k) all[value][at++] = bar ? dark : '0';
      bar = !bar;
    }
  }
  return all;
}

constexpr std::array<SymbolModules, 106> kSymbolModulesTable = MakeSymbolModules();

void AppendSymbol(std::string& pattern, int value) {
  pattern.append(kSymbolModulesTable[static_cast<size_t>(value)].data(), kSymbolModules);
}

}  // namespace

std::vector<int> Compress128(const std::u16string& text) {
  // Reject before anything is emitted: values above FNC1 would be read as start codes or
  // fall outside the table.
  for (size_t k = 0; k < text.size(); ++k) {
    if (CharValue(text[k]) > kHighestDataValue)
      throw TksEncodeError(erCharOutOfSet, static_cast<int>(k + 1), std::u16string(1, text[k]));
  }
  return Compressor(text).Run();
}

namespace {

// Character 134 carries the FNC1 value through Compress128.
constexpr char16_t kFnc1Char = 134;

}  // namespace

// UCC/EAN 128 (GS1-128): FNC1 right after the start, the element string (classic
// "(AI)value" notation already resolved, so the parentheses are not encoded) and FNC1
// wherever a group separator ends a variable-length value. Without that FNC1 a reader
// sees plain Code 128 and no GS1 data at all.
std::u16string Gs1_128Text(const std::u16string& elements) {
  std::u16string data(1, kFnc1Char);
  for (char16_t c : elements) data.push_back(c == kGroupSeparator ? kFnc1Char : c);
  return data;
}

BarSymbol EncodeCode128(const std::u16string& text) {
  BarSymbol sym;
  std::vector<int> values = Compress128(text);
  if (values.empty()) return sym;
  values.push_back(CheckValue(values));

  std::string& pattern = sym.pattern;
  pattern.reserve(values.size() * 11 + kCode128Stop.size());
  for (int v : values) AppendSymbol(pattern, v);
  pattern.append(kCode128Stop);

  sym.textSlots[0] = 12;
  sym.textSlots[1] = 11 * static_cast<int>(values.size()) - 1;
  return sym;
}

}  // namespace ks
