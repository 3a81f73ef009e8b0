// Codabar (plain, ABC, Monarch), Code 11, MSI, PZN, Telepen and FIM: worked examples,
// text slots, agreement with bwip-js, and random input.
#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <string>
#include <vector>

#include "engine/barcode.h"
#include "engine/encoders.h"
#include "engine/linear/codabar_misc.h"
#include "engine/ustring.h"
#include "tests/engine/code128_codabar_vectors.h"

namespace ks {
namespace {

using testing::LoadRefVectors;
using testing::PlainModules;
using testing::TrimQuietZone;

// Codabar characters with their gap, and the framing of a plain Codabar symbol.
const std::string kStartA = "20220020020";
const std::string kStopA = "2022002002";
const std::string cb0 = "1010100110", cb1 = "1010110010", cb2 = "1010010110", cb3 = "1100101010",
                  cb6 = "1001010110", cb9 = "1101001010", cbA = "10110010010", cbB = "10010010110",
                  cbC = "10100100110", cbD = "10100110010";

class CodabarMiscTest : public ::testing::Test {
 protected:
  void Use(TksBarcodeSymbology s, bool check = true) {
    bc.SetBarcodeSymbology(s);
    const auto bit = OptionBit(boAutoCheckDigit);
    bc.SetOptions(check ? (bc.Options() | bit) : (bc.Options() & ~bit));
    bc.TextSlot.fill(0);
  }
  TksBarcodeComponent bc;
};

// ---- Codabar ----

TEST_F(CodabarMiscTest, CodabarFramesTextAndAddsCheck) {
  struct Row {
    const char16_t* text;
    bool check;
    std::string pattern;
    const char* note;
  };
  const Row rows[] = {
      {u"123", true, kStartA + cb1 + cb2 + cb3 + "1010011010" + kStopA,
       "A(16) + 1 + 2 + 3 + A(16) = 38, (16 - 38 mod 16) mod 16 = 10: check '-'"},
      {u"123", false, kStartA + cb1 + cb2 + cb3 + kStopA, "no check without the option"},
      {u"0-", true, kStartA + cb0 + "1010011010" + cb6 + kStopA, "16 + 0 + 10 + 16 = 42: check '6'"},
      {u"A123B", false, "20220020020" + cb1 + cb2 + cb3 + "2002002022", "own start A and stop B, not wrapped again"},
      {u"A123B", true, "20220020020" + cb1 + cb2 + cb3 + cb9 + "2002002022",
       "check before the own stop: A(16) + 6 + B(17) = 39, check '9'"},
      {u"t12n", false, "20220020020" + cb1 + cb2 + "2002002022", "t and n start and stop as A and B"},
      {u"*0E", false, "20200200220" + cb0 + "2020022002", "'*' and E as C and D"},
      {u"B123", false, "20020020220" + cb1 + cb2 + cb3 + kStopA, "own start B, stop A added"},
      {u"123d", true, kStartA + cb1 + cb2 + cb3 + "1001011010" + "2020022002",
       "start A added before the own stop d (D): A(16) + 6 + D(19) = 41, (16 - 9) mod 16: check '7'"},
      {u"A", false, kStartA + kStopA, "a lone letter is the start"},
  };
  for (const Row& row : rows) {
    Use(bcCodabar, row.check);
    const BarSymbol sym = EncodeCodabar(row.text, row.check);
    const std::string& p = sym.pattern;
    EXPECT_EQ(p, row.pattern) << row.note;
    EXPECT_EQ(sym.textSlots[0], 12) << row.note;
    EXPECT_EQ(sym.textSlots[1], static_cast<int>(p.size()) - 11) << row.note;
  }
}

// A start/stop letter between the two ends would stop a reader in the middle of the
// symbol: validation refuses it at its position, and the first bad character is named.
TEST_F(CodabarMiscTest, CodabarRefusesStartStopLettersInside) {
  struct Row {
    const char16_t* text;
    int position;  // 0: accepted
    char16_t ch;
  } rows[] = {
      {u"12a34", 3, u'a'},       {u"A12B34B", 4, u'B'}, {u"1*2", 2, u'*'},         {u"A1tB", 3, u't'},
      {u"123E4", 4, u'E'},       {u"1a2x", 2, u'a'},    {u"12x", 3, u'x'},         {u"A0123+-$/:68A", 0, 0},
      {u"A123", 0, 0},           {u"123B", 0, 0},       {u"e12n", 0, 0},           {u"AB", 0, 0},
  };
  for (const Row& row : rows) {
    Use(bcCodabar, false);
    bc.SetBarCode(row.text);
    if (row.position == 0) {
      EXPECT_FALSE(bc.EncodeBars(bc.BarCode()).empty()) << ToUtf8(row.text);
      continue;
    }
    EXPECT_THROW(bc.EncodeBars(bc.BarCode()), ksBarcodeException) << ToUtf8(row.text);
    EXPECT_EQ(bc.ErrorInfo().Code(), erCharOutOfSet) << ToUtf8(row.text);
    EXPECT_EQ(bc.ErrorInfo().Idx(), row.position) << ToUtf8(row.text);
    EXPECT_EQ(bc.ErrorInfo().ErrorChar(), std::u16string(1, row.ch)) << ToUtf8(row.text);
    EXPECT_TRUE(bc.Bars().empty());
  }
}

TEST_F(CodabarMiscTest, CodabarSampleIsNotWrappedTwice) {
  const std::string own = EncodeCodabar(u"A0123+-$/:68A", true).pattern;
  EXPECT_EQ(own, EncodeCodabar(u"0123+-$/:68", true).pattern);
  EXPECT_EQ(own.find("2022002002"), 0u) << "one start";
  EXPECT_EQ(own.find("2022002002", 1), own.size() - 10) << "one stop";
}

TEST_F(CodabarMiscTest, AbcCodabarJoinsSymbolsWithBlanks) {
  const BarSymbol sym = EncodeABCCodabar(u"A1 2B");
  const std::string& p = sym.pattern;
  EXPECT_EQ(p, cbA + cb1 + "000000000000" + cb2 + cbB) << "blank as twelve light modules, no check";
  EXPECT_EQ(sym.textSlots[0], 1);
  EXPECT_EQ(sym.textSlots[1], static_cast<int>(p.size()) - 1);
}

TEST_F(CodabarMiscTest, MonarchMapsAliasesAndSetsNoSlot) {
  struct Row {
    const char16_t* text;
    std::string pattern;
  };
  const Row rows[] = {
      {u"t", cbA}, {u"T", cbA}, {u"a", cbA}, {u"n", cbB}, {u"N", cbB}, {u"b", cbB}, {u"*", cbC},
      {u"c", cbC}, {u"e", cbD}, {u"E", cbD}, {u"d", cbD}, {u"A12D", cbA + cb1 + cb2 + cbD},
  };
  for (const Row& row : rows) {
    const BarSymbol sym = EncodeCodabarMonarch(row.text);
    EXPECT_EQ(sym.pattern, row.pattern) << ToUtf8(row.text);
    EXPECT_EQ(sym.textSlots, (std::array<int32_t, 6>{}));
  }
}

// ---- Code 11 ----

TEST_F(CodabarMiscTest, Code11AddsTwoChecks) {
  // 123 -> C = 3*1 + 2*2 + 1*3 = 10 ('-'); K over "123-" = 4+6+6+10 = 26 mod 11 = 4.
  const BarSymbol sym = EncodeCode11(u"123");
  const std::string& p = sym.pattern;
  EXPECT_EQ(p, "20220020" "11010110" "10010110" "11001010" "1011010" "10110110" "2022002");
  EXPECT_EQ(sym.textSlots[0], 9);
  EXPECT_EQ(sym.textSlots[1], static_cast<int>(p.size()) - 8);
  // Eleven characters: the weights wrap after 10 for C and after 9 for K.
  // C = (1 + ... + 10) + 1 = 56 mod 11 = 1; K over twelve ones = (1 + ... + 9) + 1 + 2 + 3 =
  // 51 mod 11 = 7.
  const std::string q = EncodeCode11(u"11111111111").pattern;
  EXPECT_EQ(q.substr(q.size() - 8 - 8 - 7), "11010110" "10100110" "2022002");
}

// ---- MSI ----

TEST_F(CodabarMiscTest, MsiCheckDigit) {
  struct Row {
    const char16_t* text;
    char16_t check;
    const char* note;
  };
  const Row rows[] = {
      {u"1234", u'4', "1 + 3, then 24 doubled 48: 4 + 8; sum 16"},
      {u"80523", u'0', "odd length: 8+5+3, then 02 doubled 04; sum 20 (right-to-left mod 10 gives 4)"},
      {u"1", u'9', "single digit"},
      {u"1F", u'6', "hexadecimal F counts 15: doubled 30 adds 3"},
      {u"A", u'0', "A counts 10"},
  };
  for (const Row& row : rows) EXPECT_EQ(MsiCheckDigit(row.text), row.check) << row.note;
}

TEST_F(CodabarMiscTest, MsiChecksBitsAndSlots) {
  struct Row {
    const char16_t* text;
    size_t chars;  // after the checks
  };
  const Row rows[] = {{u"1", 1}, {u"12", 3}, {u"123456789012", 13}, {u"1234567890123", 15}};
  for (const Row& row : rows) {
    const BarSymbol sym = EncodeMSI(row.text);
    const std::string& p = sym.pattern;
    EXPECT_EQ(p.size(), 5 * (1 + 4 * row.chars + 2)) << ToUtf8(row.text);
    EXPECT_EQ(sym.textSlots[0], static_cast<int>(p.size()) / 4);
    EXPECT_EQ(sym.textSlots[1], static_cast<int>(p.size()) - sym.textSlots[0]);
  }
  // "1": start bit 1, 0001, end bits 00.
  EXPECT_EQ(EncodeMSI(u"1").pattern, "11100" "10000" "10000" "10000" "11100" "10000" "10000");
  // The second check of a 13-digit text is taken over the text and the first check.
  const std::u16string t = u"1234567890123";
  const std::u16string t14 = t + MsiCheckDigit(t);
  const std::string p = EncodeMSI(t).pattern;
  const std::string last = p.substr(p.size() - 30, 20);
  const int second = MsiCheckDigit(t14) - u'0';
  std::string bits;
  for (int b = 3; b >= 0; --b) bits += (second >> b) & 1 ? "11100" : "10000";
  EXPECT_EQ(last, bits);
}

// ---- PZN ----

TEST_F(CodabarMiscTest, PznIsCode39WithLeadingDash) {
  bc.SetBarcodeSymbology(bcPZN);
  bc.SetBarCode(u"123456");
  ASSERT_EQ(bc.BarCode(), u"1234562");
  const std::string p = bc.EncodeBars(bc.BarCode());
  const std::array<int32_t, 6> slots = bc.TextSlot;
  const BarSymbol code39 = EncodeCode39(u"-1234562");
  EXPECT_EQ(p, code39.pattern);
  EXPECT_EQ(slots, code39.textSlots);
}

// ---- Telepen ----

// The check value completes the sum to a multiple of 127 and is always 0..126: a sum
// that is already a multiple gives 0.
TEST_F(CodabarMiscTest, TelepenCheckCharacter) {
  struct Row {
    std::u16string text;
    char16_t check;
  } rows[] = {
      {u"AB", 127 - (65 + 66) % 127}, {u"~", 1},  {u"A>", 0}, {u"?@", 0},
      {u"\x7F", 0},                   {u"", 0},   {std::u16string(1, 0), 0},
  };
  for (const Row& row : rows) EXPECT_EQ(TelepenCheckChar(row.text), row.check) << ToUtf8(row.text);
}

// Telepen carries the 128 ASCII codes; a higher code is refused at its position rather
// than drawn as its low seven bits.
TEST_F(CodabarMiscTest, TelepenRefusesCodesAbove127) {
  struct Row {
    std::u16string text;
    int position;  // 0: accepted
  } rows[] = {
      {u"A\u00E9", 2}, {u"\u0080", 1}, {u"K\u010D ~", 2}, {u"\u20AC", 1}, {u"~\x7F", 0}, {std::u16string(1, 0), 0},
  };
  for (const Row& row : rows) {
    Use(bcTelepen);
    bc.SetBarCode(row.text);
    if (row.position == 0) {
      EXPECT_FALSE(bc.EncodeBars(bc.BarCode()).empty()) << ToUtf8(row.text);
      continue;
    }
    EXPECT_THROW(bc.EncodeBars(bc.BarCode()), ksBarcodeException) << ToUtf8(row.text);
    EXPECT_EQ(bc.ErrorInfo().Code(), erCharOutOfSet);
    EXPECT_EQ(bc.ErrorInfo().Idx(), row.position);
    EXPECT_EQ(bc.ErrorInfo().ErrorChar(), row.text.substr(static_cast<size_t>(row.position - 1), 1));
    EXPECT_TRUE(bc.Bars().empty());
  }
}

TEST_F(CodabarMiscTest, TelepenFrame) {
  // Start '_' is the bits 1111101 with parity 0, stop 'z' 0101111 with parity 1; so
  // every symbol begins and ends with the same modules.
  const BarSymbol symA = EncodeTelepen(u"A");
  const std::string a = symA.pattern, b = EncodeTelepen(u"xyz").pattern;
  EXPECT_EQ(a.substr(0, 16), "1010101010111000");
  EXPECT_EQ(a.substr(0, 16), b.substr(0, 16));
  EXPECT_EQ(a.substr(a.size() - 16), b.substr(b.size() - 16));
  EXPECT_EQ(symA.textSlots, (std::array<int32_t, 6>{}));
}

// ---- FIM ----

TEST_F(CodabarMiscTest, FimTakesFirstCharacterOnly) {
  struct Row {
    const char16_t* text;
    std::string pattern;
  };
  const Row rows[] = {
      {u"A", "1010001000101"}, {u"BA", "10010100101001"}, {u"C", "10100100100101"}, {u"D", "101010010010101"},
  };
  bc.SetBarcodeSymbology(bcFim);
  for (const Row& row : rows) {
    bc.SetBarCode(row.text);
    EXPECT_EQ(bc.EncodeBars(bc.BarCode()), row.pattern) << ToUtf8(row.text);
  }
  EXPECT_EQ(EncodeFim(u"E").pattern, "");
  EXPECT_EQ(EncodeFim(u"").pattern, "");
}

// ---- agreement with bwip-js ----

// The nine bar positions of a facing identification mark. Our marks step one module per
// empty position, the standard marks (and bwip-js) two; the positions must agree.
std::string FimPositions(const std::string& modules, int emptyStep) {
  std::string pos;
  size_t i = 0;
  while (i < modules.size()) {
    if (modules[i] != '1') return "?";
    pos += '1';
    size_t gap = 0;
    for (++i; i < modules.size() && modules[i] == '0'; ++i) ++gap;
    if (i < modules.size()) pos.append((gap - 1) / static_cast<size_t>(emptyStep), '0');
  }
  return pos;
}

struct Family {
  const char* name;
  TksBarcodeSymbology symbology;
  std::function<std::string(TksBarcodeComponent&, const testing::RefVector&)> encode;
};

TEST_F(CodabarMiscTest, AgreesWithReferenceEncoder) {
  const Family families[] = {
      {"codabar", bcCodabar,
       [](auto& b, const auto& v) { return EncodeCodabar(v.text, b.HasOption(boAutoCheckDigit)).pattern; }},
      {"abccodabar", bcABCCodabar, [](auto&, const auto& v) { return EncodeABCCodabar(v.text).pattern; }},
      {"monarch", bcCodabarMonarch, [](auto&, const auto& v) { return EncodeCodabarMonarch(v.text).pattern; }},
      {"code11", bcCode11, [](auto&, const auto& v) { return EncodeCode11(v.text).pattern; }},
      {"msi", bcMSIPlessey, [](auto&, const auto& v) { return EncodeMSI(v.text).pattern; }},
      {"telepen", bcTelepen, [](auto&, const auto& v) { return EncodeTelepen(v.text).pattern; }},
      // PZN through completion: the vectors hold six digits, bwip-js adds the check.
      {"pzn", bcPZN,
       [](auto& b, const auto& v) {
         b.SetBarCode(v.text);
         return b.EncodeBars(b.BarCode());
       }},
  };
  for (const Family& f : families) {
    const auto rows = LoadRefVectors(f.name);
    EXPECT_GE(rows.size(), 7u) << f.name;
    for (const auto& row : rows) {
      Use(f.symbology, row.flags != "nocheck");
      EXPECT_EQ(TrimQuietZone(PlainModules(f.encode(bc, row))), row.modules) << f.name << " " << row.flags << " " << ToUtf8(row.text);
    }
  }

  const auto fims = LoadRefVectors("fim");
  ASSERT_EQ(fims.size(), 4u);
  for (const auto& row : fims) {
    const std::string ours = EncodeFim(row.text).pattern;
    EXPECT_EQ(FimPositions(ours, 1), FimPositions(row.modules, 2)) << ToUtf8(row.text);
    EXPECT_EQ(FimPositions(ours, 1).size(), 9u);
  }
}

// ---- robustness ----

TEST_F(CodabarMiscTest, RandomTextsNeverCrash) {
  using Encoder = BarSymbol (*)(const std::u16string&);
  const std::pair<TksBarcodeSymbology, Encoder> encoders[] = {
      {bcCodabar, [](const std::u16string& t) { return EncodeCodabar(t, true); }},
      {bcABCCodabar, EncodeABCCodabar},
      {bcCodabarMonarch, EncodeCodabarMonarch},
      {bcCode11, EncodeCode11},
      {bcMSIPlessey, EncodeMSI},
      {bcPZN, EncodePZN},
      {bcFim, EncodeFim},
      {bcTelepen, EncodeTelepen},
  };
  std::mt19937 rng(24);
  std::uniform_int_distribution<int> len(0, 30);
  std::uniform_int_distribution<int> byte(0, 255);
  std::uniform_int_distribution<int> unit(0, 0xFFFF);
  for (const auto& [symbology, encode] : encoders) {
    Use(symbology);
    for (int round = 0; round < 300; ++round) {
      std::u16string text;
      for (int n = len(rng); n > 0; --n) text += static_cast<char16_t>(round % 3 == 0 ? unit(rng) : byte(rng));
      try {
        const std::string p = encode(text).pattern;
        EXPECT_EQ(p.find_first_not_of("0123 X"), std::string::npos) << SymbologyIdentifier(symbology);
      } catch (const ksBarcodeException&) {
        // a refusal is a valid outcome
      }
    }
  }
}

}  // namespace
}  // namespace ks
