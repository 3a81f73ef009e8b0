// Code 128 and UCC/EAN 128: code-set choice, check value, bar patterns and text slots,
// rejection of characters without a symbol value, and agreement with bwip-js.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <map>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "engine/barcode.h"
#include "engine/encoders.h"
#include "engine/linear/code128.h"
#include "engine/ustring.h"
#include "tests/engine/code128_codabar_vectors.h"

namespace ks {
namespace {

using testing::LoadRefVectors;
using testing::PlainModules;

constexpr int SB = kCode128Shift, CC = kCode128CodeC, CB = kCode128CodeB, CA = kCode128CodeA;
constexpr int STA = kCode128StartA, STB = kCode128StartB, STC = kCode128StartC;

// ---- helpers: bwip-js's symbol table and a small decoder ----

// Value -> modules of the symbol character, as bwip-js draws them.
const std::map<std::string, int>& RefTable() {
  static const std::map<std::string, int> table = [] {
    std::map<std::string, int> t;
    for (const auto& v : LoadRefVectors("code128-table")) t[v.modules] = std::stoi(v.flags);
    return t;
  }();
  return table;
}

constexpr size_t kSymbolModules = 11;
constexpr std::string_view kStopModules = "1100011101011";

// Splits plain modules into symbol values through bwip-js's table; nullopt when a
// character is unknown or the stop is missing.
std::optional<std::vector<int>> DecodeValues(const std::string& modules) {
  if (modules.size() < kStopModules.size() ||
      modules.compare(modules.size() - kStopModules.size(), kStopModules.size(), kStopModules) != 0) {
    return std::nullopt;
  }
  const size_t body = modules.size() - kStopModules.size();
  if (body % kSymbolModules != 0) return std::nullopt;
  std::vector<int> values;
  for (size_t at = 0; at < body; at += kSymbolModules) {
    const auto it = RefTable().find(modules.substr(at, kSymbolModules));
    if (it == RefTable().end()) return std::nullopt;
    values.push_back(it->second);
  }
  return values;
}

int ExpectedCheck(const std::vector<int>& values) {
  long long sum = values[0];
  for (size_t k = 1; k < values.size(); ++k) sum += static_cast<long long>(k) * values[k];
  return static_cast<int>(sum % 103);
}

// Reads a value sequence (start first, no check) back into text, the way a scanner
// would. Function values come back as the characters 128..134 that carry them.
std::u16string Interpret(const std::vector<int>& values) {
  enum { A, B, C } set = values.at(0) == STA ? A : values.at(0) == STB ? B : C;
  std::u16string text;
  bool shift = false;
  for (size_t k = 1; k < values.size(); ++k) {
    const int v = values[k];
    if (set == C && !shift) {
      if (v < 100) {
        text += static_cast<char16_t>(u'0' + v / 10);
        text += static_cast<char16_t>(u'0' + v % 10);
      } else if (v == CB) {
        set = B;
      } else if (v == CA) {
        set = A;
      } else {
        text += u'\x86';
      }
      continue;
    }
    const bool inA = (set == A) != shift;
    shift = false;
    if (v == SB) {
      shift = true;
    } else if (v == CC) {
      set = C;
    } else if (!inA && v == CA) {
      set = A;
    } else if (inA && v == CB) {
      set = B;
    } else if (v >= 96) {
      text += static_cast<char16_t>(128 + v - 96);  // FNC3, FNC2, FNC4, FNC1
    } else if (inA && v >= 64) {
      text += static_cast<char16_t>(v - 64);
    } else {
      text += static_cast<char16_t>(v + 32);
    }
  }
  return text;
}

class Code128Test : public ::testing::Test {
 protected:
  void SetUp() override { bc.SetBarcodeSymbology(bcCode128); }
  void SetCheck(bool on) {
    const auto bit = OptionBit(boAutoCheckDigit);
    bc.SetOptions(on ? (bc.Options() | bit) : (bc.Options() & ~bit));
  }
  TksBarcodeComponent bc;
};

// ---- code-set choice ----

struct CompressRow {
  const char16_t* text;
  std::vector<int> values;
  const char* note;
};

const CompressRow kCompressRows[] = {
    {u"", {}, "empty text, empty sequence"},
    {u"1234", {STC, 12, 34}, "run of four at the start"},
    {u"12345", {STC, 12, 34, CB, 21}, "odd run at the start gives its last digit to set B"},
    {u"123", {STB, 17, 18, 19}, "runs under four stay in set B"},
    {u"AB12345678", {STB, 33, 34, CC, 12, 34, 56, 78}, "even run after letters"},
    {u"AB1234567", {STB, 33, 34, 17, CC, 23, 45, 67}, "odd run gives its first digit to set B"},
    {u"\x01" u"a", {STA, 65, CB, 65}, "control then lower case at the start"},
    {u"\x01", {STB, CA, 65}, "single control character"},
    {u"A\tx\tB", {STB, 33, SB, 73, 88, SB, 73, 34}, "control, lower, control triple is shifted in set B"},
    {u"A\tXY", {STB, 33, CA, 73, 56, 57}, "control in set B latches to A, and A stays"},
    {u"\x01\x02" u"ab", {STB, CA, 65, 66, SB, 65, SB, 66}, "lower case in set A is shifted letter by letter"},
    {u"\x01\x02" u"a\x03" u"b", {STB, CA, 65, 66, SB, 65, 67, SB, 66}, "lower, control, lower triple in set A"},
    {u"\x01\x02{", {STB, CA, 65, 66, CB, 91}, "'{' in set A latches to B"},
    {u"\x01" u"12345", {STB, CA, 65, 17, CC, 23, 45}, "odd run in set A"},
    {u"1234\x01" u"abc", {STC, 12, 34, CA, 65, SB, 65, SB, 66, SB, 67}, "control, lower after set C goes to A with a shift"},
    {u"1234A", {STC, 12, 34, CB, 33}, "other characters after set C latch to B"},
    {u"\x01\x7F", {STB, CA, 65, CB, 95}, "DEL in set A latches to B"},
    {u"(01)12345678901231", {STB, 8, 16, 17, 9, CC, 12, 34, 56, 78, 90, 12, 31}, "parentheses are plain data here"},
    {u"\x80\x81\x86", {STB, 96, 97, 102}, "characters 128..134 carry function values"},
};

TEST_F(Code128Test, Compress128ChoosesCodeSets) {
  for (const CompressRow& row : kCompressRows) {
    EXPECT_EQ(Compress128(row.text), row.values) << row.note;
  }
}

TEST_F(Code128Test, CharacterWithoutValueRaisesBeforeAnyPattern) {
  struct Row {
    const char16_t* text;
    int position;
    char16_t ch;
  };
  const Row rows[] = {{u"AB\u20AC", 3, u'\u20AC'}, {u"\x87", 1, u'\x87'}, {u"12\u00E9" u"34\u00FF", 3, u'\u00E9'}};
  for (const Row& row : rows) {
    try {
      EncodeCode128(row.text);
      ADD_FAILURE() << "no exception: " << ToUtf8(row.text);
    } catch (const TksEncodeError& e) {
      EXPECT_EQ(e.Code(), erCharOutOfSet);
      EXPECT_EQ(e.Idx(), row.position);
      EXPECT_EQ(e.Text(), std::u16string(1, row.ch));
    }
  }
  // Through the dispatch the same text is refused and leaves no row.
  bc.SetBarCode(u"AB\u20AC");
  EXPECT_THROW(bc.EncodeBars(bc.BarCode()), ksBarcodeException);
  EXPECT_EQ(bc.ErrorInfo().Code(), erCharOutOfSet);
  EXPECT_EQ(bc.ErrorInfo().Idx(), 3);
  EXPECT_TRUE(bc.Bars().empty());
}

// ---- check value, bars and text slots ----

TEST_F(Code128Test, CheckValueGuardBarsAndSlots) {
  SetCheck(true);
  const BarSymbol sym = EncodeCode128(u"1234");
  const std::string& p = sym.pattern;
  ASSERT_EQ(p.size(), 4 * kSymbolModules + kStopModules.size());
  EXPECT_EQ(DecodeValues(PlainModules(p)), (std::vector<int>{STC, 12, 34, 82}));  // (105 + 12 + 68) mod 103
  EXPECT_EQ(p.substr(0, 11), "22020022200") << "start C drawn with guard bars";
  EXPECT_EQ(p.substr(p.size() - 13), "2200022202022") << "stop drawn with guard bars";
  EXPECT_EQ(p.substr(11, 33).find_first_not_of("01"), std::string::npos) << "data and check as ordinary bars";
  EXPECT_EQ(sym.textSlots[0], 12);
  EXPECT_EQ(sym.textSlots[1], 43);
}

// The check character is part of every Code 128 symbol (readers refuse one without it),
// so the automatic check digit option, which the main window never sets, changes nothing.
TEST_F(Code128Test, CheckCharacterIsWrittenWhateverTheOption) {
  struct Row {
    TksBarcodeSymbology symbology;
    const char16_t* text;
    std::u16string read;  // what a reader returns, function characters as 128..134
  } rows[] = {
      {bcCode128, u"ABC123", u"ABC123"},
      {bcCode128, u"1234", u"1234"},
      {bcCode128, u"x", u"x"},
      {bcCode128, u"Hello	World 2024", u"Hello	World 2024"},
      {bcUccEan128, u"(01)12345678901231", u"\x86" u"0112345678901231"},
      {bcUccEan128, u"(10)123(17)261231", u"\x86" u"10123\x86" u"17261231"},
  };
  for (const Row& row : rows) {
    const std::string label = SymbologyIdentifier(row.symbology) + " " + ToUtf8(row.text);
    bc.SetBarcodeSymbology(row.symbology);
    std::string patterns[2];
    for (bool option : {false, true}) {
      SetCheck(option);
      bc.SetBarCode(row.text);
      patterns[option] = bc.EncodeBars(bc.BarCode());
      const auto values = DecodeValues(PlainModules(patterns[option]));
      ASSERT_TRUE(values) << label;
      std::vector<int> v = *values;
      const int check = v.back();
      v.pop_back();
      EXPECT_EQ(check, ExpectedCheck(v)) << label << (option ? " with" : " without") << " the option";
      EXPECT_EQ(Interpret(v), row.read) << label;
      EXPECT_EQ(bc.TextSlot[1], 11 * static_cast<int>(values->size()) - 1) << "text centred over data and check";
    }
    EXPECT_EQ(patterns[0], patterns[1]) << label;
  }
}

// NUL is written in code set A and DEL in set B, through validation and the dispatch; the
// characters the catalogue does not list otherwise stay refused.
TEST_F(Code128Test, NulAndDelAreEncoded) {
  using namespace std::string_literals;
  const std::u16string texts[] = {
      u"\0ABC"s, u"ab\0cd"s, u"\0"s, u"\x7F"s, u"A\x7F" u"b"s, u"\0\x7F"s, u"12345678\0"s, u"\x01\x7F\0"s,
  };
  for (const std::u16string& text : texts) {
    bc.SetBarCode(text);
    ASSERT_EQ(bc.BarCode(), text);
    const auto values = DecodeValues(PlainModules(bc.EncodeBars(bc.BarCode())));
    ASSERT_TRUE(values) << ToUtf8(text);
    std::vector<int> v = *values;
    v.pop_back();
    EXPECT_EQ(Interpret(v), text) << ToUtf8(text);
  }
  struct Refused {
    std::u16string text;
    int position;
  } refused[] = {{u"A\x80"s, 2}, {u"\0\x86"s, 2}, {u"\x7F\u00E9"s, 2}};
  for (const Refused& r : refused) {
    bc.SetBarCode(r.text);
    EXPECT_THROW(bc.EncodeBars(bc.BarCode()), ksBarcodeException) << ToUtf8(r.text);
    EXPECT_EQ(bc.ErrorInfo().Code(), erCharOutOfSet);
    EXPECT_EQ(bc.ErrorInfo().Idx(), r.position);
  }
}

TEST_F(Code128Test, EmptyTextGivesEmptyPattern) { EXPECT_EQ(EncodeCode128(u"").pattern, ""); }

// Every symbol value 0..105 appears in these texts; each symbol character must be the
// one bwip-js draws for the value the code-set choice emitted.
TEST_F(Code128Test, EverySymbolCharacterMatchesReferenceTable) {
  ASSERT_EQ(RefTable().size(), 106u);
  std::u16string printable, digits;
  for (char16_t c = 32; c < 128; ++c) printable += c;
  for (int v = 0; v < 100; ++v) digits += FromUtf8(std::to_string(v / 10) + std::to_string(v % 10));
  std::u16string controls = u"\x01\x02";
  for (char16_t c = 0; c < 32; ++c) controls += c;
  controls += u"\x80\x81\x82\x83\x84\x85\x86";
  const std::u16string texts[] = {printable, digits, controls, u"\x01" u"a", u"1234A"};

  SetCheck(true);
  std::array<bool, 106> seen{};
  for (const std::u16string& text : texts) {
    std::vector<int> values = Compress128(text);
    values.push_back(ExpectedCheck(values));
    const std::string modules = PlainModules(EncodeCode128(text).pattern);
    ASSERT_EQ(modules.size(), values.size() * kSymbolModules + kStopModules.size());
    for (size_t k = 0; k < values.size(); ++k) {
      const auto found = RefTable().find(modules.substr(k * kSymbolModules, kSymbolModules));
      ASSERT_NE(found, RefTable().end()) << "symbol " << k << " of " << ToUtf8(text);
      EXPECT_EQ(found->second, values[k]) << "symbol " << k << " of " << ToUtf8(text);
      seen[static_cast<size_t>(values[k])] = true;
    }
  }
  for (size_t v = 0; v < seen.size(); ++v) EXPECT_TRUE(seen[v]) << "value " << v << " not covered";
}

// ---- agreement with bwip-js ----

TEST_F(Code128Test, AgreesWithReferenceEncoder) {
  const auto rows = LoadRefVectors("code128");
  ASSERT_GE(rows.size(), 12u);
  for (const auto& row : rows) {
    const std::string label = row.flags + " " + ToUtf8(row.text);
    SetCheck(!row.Has("nocheck"));
    const std::string ours = PlainModules(EncodeCode128(row.text).pattern);
    if (row.Has("same")) {
      EXPECT_EQ(ours, row.modules) << label;
    }

    // Both symbols must read back as the text, with a valid check value.
    for (const std::string* modules : {&row.modules, &ours}) {
      const auto values = DecodeValues(*modules);
      ASSERT_TRUE(values) << label;
      std::vector<int> v = *values;
      const int c = v.back();
      v.pop_back();
      EXPECT_EQ(c, ExpectedCheck(v)) << label;
      EXPECT_EQ(Interpret(v), row.text) << (modules == &ours ? "ours " : "reference ") << label;
    }
  }
}

// ---- through the dispatch ----

TEST_F(Code128Test, Code128EncodesTheTextAsItStands) {
  bc.SetBarcodeSymbology(bcCode128);
  bc.SetBarCode(u"(01)12345678901231");
  const std::string p = bc.EncodeBars(bc.BarCode());
  ASSERT_EQ(bc.Bars().size(), 1u);
  const auto values = DecodeValues(PlainModules(p));
  ASSERT_TRUE(values);
  std::vector<int> v = *values;
  v.pop_back();  // check value (on by default)
  EXPECT_EQ(Interpret(v), u"(01)12345678901231");
  EXPECT_EQ(std::count(v.begin(), v.end(), 102), 0) << "no FNC1 in plain Code 128";
  EXPECT_EQ(bc.TextSlot[0], 12);
  EXPECT_EQ(bc.TextSlot[1], 11 * 14 - 1);  // start, 12 values, check
}

// UCC/EAN 128 is GS1-128: FNC1 after the start, AIs without their parentheses, FNC1
// after a variable-length value that another element follows.
TEST_F(Code128Test, UccEan128WritesGs1ElementStrings) {
  struct Row {
    const char16_t* text;
    std::vector<int> values;  // without the check value
    const char* note;
  } rows[] = {
      {u"(01)12345678901231", {STB, 102, CC, 1, 12, 34, 56, 78, 90, 12, 31}, "fixed-length AI"},
      {u"(10)123(17)261231", {STB, 102, 17, CC, 01, 23, CB, 102, CC, 17, 26, 12, 31},
       "variable-length (10) ends with FNC1"},
      {u"0112345678901231", {STB, 102, CC, 1, 12, 34, 56, 78, 90, 12, 31}, "element string typed without parentheses"},
  };
  bc.SetBarcodeSymbology(bcUccEan128);
  for (const Row& row : rows) {
    bc.SetBarCode(row.text);
    const std::string p = bc.EncodeBars(bc.BarCode());
    const auto values = DecodeValues(PlainModules(p));
    ASSERT_TRUE(values) << row.note;
    std::vector<int> v = *values;
    v.pop_back();
    EXPECT_EQ(v, row.values) << row.note;
  }
  // A bad AI value is a GS1 error, raised before any bar.
  bc.SetBarCode(u"(01)123");
  EXPECT_THROW(bc.EncodeBars(bc.BarCode()), ksBarcodeException);
  EXPECT_EQ(bc.ErrorInfo().Code(), erGS1_BadValueLength);
}

// ---- robustness ----

// Random texts: characters up to 127 always encode and read back as the text; any
// character beyond 134 is refused with erCharOutOfSet. Never anything else.
TEST_F(Code128Test, RandomTextsEncodeOrRaise) {
  std::mt19937 rng(128);
  std::uniform_int_distribution<int> len(0, 40);
  std::uniform_int_distribution<int> small(0, 127);
  std::uniform_int_distribution<int> any(0, 0xFFFF);
  std::uniform_int_distribution<int> pick(0, 19);
  const char16_t favourites[] = u"0123456789\x01\t\x1Fxz{~AZ";
  for (int round = 0; round < 2000; ++round) {
    const bool wide = round % 4 == 3;
    std::u16string text;
    for (int n = len(rng); n > 0; --n) {
      const int k = pick(rng);
      text += k < 15 ? favourites[k] : static_cast<char16_t>(wide && k == 19 ? any(rng) : small(rng));
    }
    SetCheck(round % 2 == 0);
    bool bad = false;
    for (char16_t c : text) bad |= c > 134;
    if (bad) {
      try {
        EncodeCode128(text);
        ADD_FAILURE() << "no exception: " << ToUtf8(text);
      } catch (const TksEncodeError& e) {
        EXPECT_EQ(e.Code(), erCharOutOfSet);
      }
      continue;
    }
    const std::string p = EncodeCode128(text).pattern;
    if (text.empty()) {
      EXPECT_TRUE(p.empty());
      continue;
    }
    bool plain = true;
    for (char16_t c : text) plain &= c < 128;
    if (!plain) continue;
    const auto values = DecodeValues(PlainModules(p));
    ASSERT_TRUE(values) << ToUtf8(text);
    std::vector<int> v = *values;
    const int c = v.back();
    v.pop_back();
    EXPECT_EQ(c, ExpectedCheck(v));
    EXPECT_EQ(Interpret(v), text) << "round " << round;
  }
}

}  // namespace
}  // namespace ks
