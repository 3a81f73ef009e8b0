// Code 39 and Code 93 with their full-ASCII forms: worked patterns, check characters,
// text slots, agreement with bwip-js, and robustness against any text.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "engine/barcode.h"
#include "engine/encoders.h"
#include "ean_2of5_39_93_vectors.h"

using namespace ks;

namespace {

constexpr const char* k39Start = "2002022022020";
constexpr const char* k39Stop = "200202202202";
constexpr const char* k93Start = "202022220";
constexpr const char* k93Stop = "2020222202";

struct Case {
  const char* note;
  TksBarcodeSymbology symbology;
  bool autoCheckDigit;
  std::u16string text;
  std::string pattern;
  int32_t slot0, slot1;
};

std::string Encode(const Case& c) {
  TksBarcodeComponent bc;
  bc.SetBarcodeSymbology(c.symbology);
  bc.SetOptions(c.autoCheckDigit ? bc.Options() | OptionBit(boAutoCheckDigit)
                                 : bc.Options() & ~OptionBit(boAutoCheckDigit));
  bc.SetBarCode(c.text);
  std::string p = bc.EncodeBars(bc.BarCode());
  EXPECT_EQ(bc.TextSlot, (std::array<int32_t, 6>{c.slot0, c.slot1, 0, 0, 0, 0})) << c.note;
  return p;
}

std::string Cat(std::initializer_list<std::string> parts) {
  std::string s;
  for (const auto& p : parts) s += p;
  return s;
}

// True when a Code 93 Standard text holds a shift ('&', '"', '(', ')') without the letter
// that must follow it (A-Z; A-O or Z after '(').
bool HasLoneCode93Shift(std::u16string_view t) {
  for (std::size_t i = 0; i < t.size(); ++i) {
    const char16_t c = t[i];
    if (c != u'&' && c != u'"' && c != u'(' && c != u')') continue;
    const char16_t next = i + 1 < t.size() ? t[i + 1] : u'\0';
    if (next < u'A' || next > u'Z' || (c == u'(' && next > u'O' && next != u'Z')) return true;
    ++i;
  }
  return false;
}

}  // namespace

TEST(Code39And93, WorkedExamples) {
  // Code 39 characters (with the narrow gap after each): A, +, Z, /, %, T.
  const std::string A = "1101010010110", plus = "1001010010010", Z = "1001101101010", slash = "1001001010010",
                    pct = "1010010010010", J = "1010110011010";
  // Code 93 characters by value: T 29, E 14, S 28, 8, M 22, A 10, P 25, V 31, Z 35, shifts 43-46.
  const std::string t = "110100110", e = "110010010", s = "110101100", c8 = "100010010", m = "101001100",
                    a = "110101000", p = "100010110", c2 = "101000100", v = "110011010", z = "100111010", shiftDollar = "100100110",
                    shiftSlash = "111010110", shiftPlus = "100110010";
  const Case cases[] = {
      {"Code 39 A", bcCode39Standard, true, u"A", Cat({k39Start, A, k39Stop}), 14, 25},
      {"Code 39 adds no check character whatever the options", bcCode39Standard, false, u"A",
       Cat({k39Start, A, k39Stop}), 14, 25},
      {"Code 39 Full a is +A", bcCode39Full, true, u"a", Cat({k39Start, plus, A, k39Stop}), 14, 38},
      {"Code 39 Full : is /Z", bcCode39Full, true, u":", Cat({k39Start, slash, Z, k39Stop}), 14, 38},
      {"Code 39 Full ? is %J", bcCode39Full, true, u"?", Cat({k39Start, pct, J, k39Stop}), 14, 38},
      {"Code 93 TEST: weights 1-4 from the right give C = 243 mod 47 = 8, then K over TEST8 = 351 mod 47 = 22 (M)",
       bcCode93Standard, true, u"TEST", Cat({k93Start, t, e, s, t, c8, m, k93Stop}), 10, 62},
      {"Code 93 AP: C = 45, drawn as the shift (/), K = 125 mod 47 = 31 (V)", bcCode93Standard, true, u"AP",
       Cat({k93Start, a, p, shiftSlash, v, k93Stop}), 10, 44},
      {"Code 93 &A is the shift ($), value 43, then A: C = 43*2 + 10 = 96 mod 47 = 2, K = 151 mod 47 = 10 (A)",
       bcCode93Standard, true, u"&A", Cat({k93Start, shiftDollar, a, c2, a, k93Stop}), 10, 44},
      {"Code 93 Full a is (+)A, then C = 8 and K = 166 mod 47 = 25 (P)", bcCode93Full, true, u"a",
       Cat({k93Start, shiftPlus, a, c8, p, k93Stop}), 10, 44},
  };
  for (const Case& c : cases) EXPECT_EQ(Encode(c), c.pattern) << c.note;
}

// C and K are part of every Code 93 symbol (readers refuse one without them), so the
// automatic check digit option, which the main window never sets, changes nothing.
TEST(Code39And93, Code93ChecksWhateverTheOption) {
  struct Row {
    TksBarcodeSymbology symbology;
    const char16_t* text;
    size_t values;  // data values before the checks
  } rows[] = {
      {bcCode93Standard, u"ABC123", 6},
      {bcCode93Standard, u"TEST", 4},
      {bcCode93Standard, u"&A\"B(C)D", 8},
      {bcCode93Full, u"Abc123", 8},
      {bcCode93Full, u"a", 2},
  };
  for (const Row& row : rows) {
    const std::string label = SymbologyIdentifier(row.symbology) + " " + ToUtf8(row.text);
    std::string patterns[2];
    for (bool option : {false, true}) {
      TksBarcodeComponent bc;
      bc.SetBarcodeSymbology(row.symbology);
      bc.SetOptions(option ? OptionBit(boAutoCheckDigit) : OptionBit(boSecurity));
      bc.SetBarCode(row.text);
      patterns[option] = bc.EncodeBars(bc.BarCode());
      EXPECT_EQ(patterns[option].size(), 9 * (row.values + 2) + 19) << label;
      EXPECT_EQ(bc.TextSlot[1], static_cast<int>(9 * (row.values + 3)) - 1) << label;
    }
    EXPECT_EQ(patterns[0], patterns[1]) << label;
  }
}

// The euro sign's only full-ASCII code, %T, reads back as DEL: it is refused at its
// position. Other characters of the set keep encoding.
TEST(Code39And93, Code39FullRefusesEuroSign) {
  struct Row {
    const char16_t* text;
    int position;  // 0: accepted
  } rows[] = {
      {u"\u20AC", 1}, {u"A\u20ACB", 2}, {u"Cena 10 \u20AC", 9}, {u"Cena 10 EUR", 0}, {u"~{}|", 0},
  };
  for (const Row& row : rows) {
    TksBarcodeComponent bc;
    bc.SetBarcodeSymbology(bcCode39Full);
    bc.SetBarCode(row.text);
    if (row.position == 0) {
      EXPECT_FALSE(bc.EncodeBars(bc.BarCode()).empty()) << ToUtf8(row.text);
      continue;
    }
    EXPECT_THROW(bc.EncodeBars(bc.BarCode()), ksBarcodeException) << ToUtf8(row.text);
    EXPECT_EQ(bc.ErrorInfo().Code(), erCharOutOfSet);
    EXPECT_EQ(bc.ErrorInfo().Idx(), row.position);
    EXPECT_EQ(bc.ErrorInfo().ErrorChar(), u"\u20AC");
    EXPECT_TRUE(bc.Bars().empty());
  }
}

// In Code 93 Standard '&', '"' and ')' are the shifts ($), (%), (+) and take a letter A-Z;
// '(' is (/) and takes A-O or Z. A shift without its letter is refused at its position,
// since readers refuse the whole symbol.
TEST(Code39And93, Code93ShiftNeedsItsLetter) {
  struct Row {
    const char16_t* text;
    int position;  // 0: accepted
  } rows[] = {
      {u"A&A", 0}, {u"\"Z", 0},  {u")Q1", 0}, {u"(O", 0},   {u"(Z", 0},      {u"&A&B", 0},
      {u"AB&", 3}, {u"A&1", 2},   {u"A)1", 2}, {u"(P", 1},   {u"P0J+&7Q", 5}, {u"&&A", 1},
  };
  for (const Row& row : rows) {
    TksBarcodeComponent bc;
    bc.SetBarcodeSymbology(bcCode93Standard);
    bc.SetBarCode(row.text);
    if (row.position == 0) {
      EXPECT_FALSE(bc.EncodeBars(bc.BarCode()).empty()) << ToUtf8(row.text);
      continue;
    }
    EXPECT_THROW(bc.EncodeBars(bc.BarCode()), ksBarcodeException) << ToUtf8(row.text);
    EXPECT_EQ(bc.ErrorInfo().Code(), erCharOutOfSet) << ToUtf8(row.text);
    EXPECT_EQ(bc.ErrorInfo().Idx(), row.position) << ToUtf8(row.text);
  }
}

TEST(Code39And93, FullAsciiSkipsCharactersWithoutACode) {
  EXPECT_EQ(EncodeCode39Full(u"A\x7F\u20AC\u0100B").pattern, EncodeCode39(u"AB").pattern);
  EXPECT_EQ(EncodeCode93Full(u"A\x7F\x01\u20ACB").pattern, EncodeCode93Full(u"AB").pattern);
}

// Validation keeps other characters out; the standard-set encoders refuse them too,
// naming the position, rather than draw something else.
TEST(Code39And93, StandardSetsRefuseOtherCharacters) {
  for (auto encode : {EncodeCode39, EncodeCode93}) {
    try {
      encode(u"AB*C");
      ADD_FAILURE() << "no error";
    } catch (const TksEncodeError& e) {
      EXPECT_EQ(e.Code(), erCharOutOfSet);
      EXPECT_EQ(e.Idx(), 3);
    }
  }
}

TEST(Code39And93, AgreeWithBwipJs) {
  const auto rows = ref::LoadRefRows({bcCode39Standard, bcCode39Full, bcCode93Standard, bcCode93Full});
  EXPECT_GE(rows.size(), 12u * 4u);
  for (const auto& r : rows) {
    TksBarcodeComponent bc;
    if (r.symbology == bcCode93Standard && HasLoneCode93Shift(r.text)) {
      // The reference encoder draws a shift without its letter; no reader reads that.
      EXPECT_THROW(ref::EncodeRow(bc, r), ksBarcodeException) << "line " << r.line;
      EXPECT_EQ(bc.ErrorInfo().Code(), erCharOutOfSet) << "line " << r.line;
      continue;
    }
    const std::string p = ref::EncodeRow(bc, r);
    const bool code39 = r.symbology == bcCode39Standard || r.symbology == bcCode39Full;
    EXPECT_EQ(ref::PatternRuns(p, code39), r.runs) << "line " << r.line << ": " << ToUtf8(r.text);
  }
}

TEST(Code39And93, AnyTextGivesAPatternOrAnError) {
  std::mt19937 gen(3993);
  for (TksBarcodeSymbology s : {bcCode39Standard, bcCode39Full, bcCode93Standard, bcCode93Full}) {
    TksBarcodeComponent bc;
    bc.SetBarcodeSymbology(s);
    const std::u16string sample = bc.BarCode();
    int encoded = 0;
    for (int i = 0; i < 300; ++i) {
      const std::u16string t = ref::RandomText(gen, sample);
      try {
        bc.SetBarCode(t);
        if (!bc.EncodeBars(bc.BarCode()).empty()) ++encoded;
      } catch (const Exception&) {
      }
      for (auto encode : {EncodeCode39, EncodeCode39Full, EncodeCode93, EncodeCode93Full}) {
        try {
          encode(t);
        } catch (const ksBarcodeException&) {
        }
      }
    }
    EXPECT_GT(encoded, 0) << SymbologyIdentifier(s);
  }
}
