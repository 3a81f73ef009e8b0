// Two-of-five family: digit patterns, start and stop of every variant, interleaving,
// agreement with bwip-js, and robustness against any text.
#include <gtest/gtest.h>

#include <array>
#include <random>
#include <string>

#include "engine/barcode.h"
#include "engine/encoders.h"
#include "engine/errors.h"
#include "ean_2of5_39_93_vectors.h"

using namespace ks;

namespace {

const TwoOf5 kPlainVariants[] = {TwoOf5::Datalogic, TwoOf5::Matrix, TwoOf5::Coop,
                                 TwoOf5::Industrial, TwoOf5::Iata, TwoOf5::Invert};

std::string Invert(const std::string& p) {
  std::string out;
  for (char c : p) out += c == '0' ? '1' : c == '1' ? '0' : c;
  return out;
}

// Widths of the maximal runs of one character.
std::vector<size_t> RunLengths(const std::string& p) {
  std::vector<size_t> runs;
  for (size_t i = 0; i < p.size();) {
    size_t j = i;
    while (j < p.size() && p[j] == p[i]) ++j;
    runs.push_back(j - i);
    i = j;
  }
  return runs;
}

}  // namespace

TEST(TwoOfFive, DigitZeroStartAndStopOfEveryVariant) {
  struct Case {
    TwoOf5 variant;
    std::string start, zero, stop;
  } cases[] = {
      {TwoOf5::Datalogic, "2020", "10110010", "2202"},
      {TwoOf5::Matrix, "22202020", "10110010", "2220202"},
      {TwoOf5::Coop, "220220", "11001010", "20022"},
      {TwoOf5::Industrial, "22022020", "101011011010", "2202022"},
      {TwoOf5::Iata, "2020", "10101110111010", "22202"},
      {TwoOf5::Invert, "20002000202", "01010001000101", "0002020002"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.start);
    const BarSymbol sym = Encode2of5(u"00", c.variant);
    EXPECT_EQ(sym.pattern, c.start + c.zero + c.zero + c.stop);
    EXPECT_EQ(sym.textSlots[0], int32_t(c.start.size()) + 1);
    EXPECT_EQ(sym.textSlots[1], int32_t(c.start.size() + 2 * c.zero.size()) - 1);
  }
}

TEST(TwoOfFive, MatrixAndDatalogicShareTheDigits) {
  const std::u16string digits = u"0123456789";
  const std::string matrix = Encode2of5(digits, TwoOf5::Matrix).pattern;
  const std::string datalogic = Encode2of5(digits, TwoOf5::Datalogic).pattern;
  EXPECT_EQ(matrix.substr(8, 80), datalogic.substr(4, 80));
  EXPECT_NE(matrix, datalogic);
}

TEST(TwoOfFive, WideBarsAreThreeModulesInIataAndTwoElsewhere) {
  for (TwoOf5 v : {TwoOf5::Datalogic, TwoOf5::Coop, TwoOf5::Industrial, TwoOf5::Iata}) {
    for (char16_t d = u'0'; d <= u'9'; ++d) {
      const BarSymbol sym = Encode2of5(std::u16string(1, d), v);
      const TextSlots& slot = sym.textSlots;
      const std::string digit = sym.pattern.substr(slot[0] - 1, slot[1] + 2 - slot[0]);
      size_t wide = 0;
      for (size_t run : RunLengths(digit)) {
        EXPECT_LE(run, v == TwoOf5::Iata ? 3u : 2u);
        if (run > 1) {
          ++wide;
          EXPECT_EQ(run, v == TwoOf5::Iata ? 3u : 2u);
        }
      }
      EXPECT_EQ(wide, 2u) << static_cast<int>(v) << " digit " << char(d);
    }
  }
}

TEST(TwoOfFive, InvertDigitsAreTheIataDigitsInverted) {
  for (char16_t d = u'0'; d <= u'9'; ++d) {
    const std::u16string text(1, d);
    const std::string iata = Encode2of5(text, TwoOf5::Iata).pattern;
    const std::string invert = Encode2of5(text, TwoOf5::Invert).pattern;
    EXPECT_EQ(invert.substr(11, 14), Invert(iata.substr(4, 14))) << char(d);
  }
}

TEST(Interleaved, PairIsBarsOfTheFirstAndSpacesOfTheSecondDigit) {
  const BarSymbol sym = EncodeInterleaved(u"12", false);
  EXPECT_EQ(sym.pattern, std::string(10, ' ') + "1010" + "11010010101100" + "1101" + std::string(10, ' '));
  EXPECT_EQ(sym.textSlots[0], 15);
  EXPECT_EQ(sym.textSlots[1], 27);
}

TEST(Interleaved, OddLengthNeedsTheLeadingZeroOption) {
  EXPECT_EQ(EncodeInterleaved(u"123", false).pattern, "");
  EXPECT_EQ(EncodeInterleaved(u"", false).pattern, "");
  const std::string padded = EncodeInterleaved(u"123", true).pattern;
  EXPECT_EQ(padded, EncodeInterleaved(u"0123", true).pattern);
  EXPECT_FALSE(padded.empty());
}

// Only digits have patterns; anything else is an error, never bars read from outside
// the tables. Validation refuses such texts first; the encoders refuse them too.
TEST(TwoOfFive, NonDigitsAreRefused) {
  struct Case {
    TksBarcodeSymbology symbology;
    std::u16string text;
    int position;
  } cases[] = {
      {bcITF, u"12AB", 3}, {bcOPC, u"12345678A", 9}, {bc25Interleaved, u"1:", 2}, {bc25Industrial, u"1/", 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(SymbologyIdentifier(c.symbology));
    TksBarcodeComponent bc;
    bc.SetBarcodeSymbology(c.symbology);
    bc.SetBarCode(c.text);
    EXPECT_THROW(bc.EncodeBars(bc.BarCode()), ksBarcodeException);
    EXPECT_EQ(bc.ErrorInfo().Code(), erCharOutOfSet);
    EXPECT_TRUE(bc.Bars().empty());

    try {
      if (c.symbology == bc25Industrial)
        Encode2of5(c.text, TwoOf5::Industrial);
      else
        EncodeInterleaved(c.text, false);
      ADD_FAILURE() << "no error";
    } catch (const TksEncodeError& e) {
      EXPECT_EQ(e.Code(), erCharOutOfSet);
      EXPECT_EQ(e.Idx(), c.position);
    }
  }
}

TEST(TwoOfFive, AgreeWithBwipJs) {
  const auto rows = ref::LoadRefRows({bc25Datalogic, bc25Matrix, bc25Industrial, bc25IATA, bc25Coop, bc25Invert,
                                      bc25Interleaved, bcITF, bcOPC});
  EXPECT_GE(rows.size(), 12u * 9u);
  for (const auto& r : rows) {
    TksBarcodeComponent bc;
    const std::string p = ref::EncodeRow(bc, r);
    if (r.symbology == bc25Invert) {
      // Data modules only: the invert start and stop have no counterpart there.
      const std::string data = p.substr(bc.TextSlot[0] - 1, bc.TextSlot[1] + 2 - bc.TextSlot[0]);
      EXPECT_EQ(data, r.runs) << "line " << r.line << ": " << ToUtf8(r.text);
    } else {
      EXPECT_EQ(ref::PatternRuns(p, true), r.runs)
          << "line " << r.line << ": " << ToUtf8(r.text) << " stored as " << ToUtf8(bc.BarCode());
    }
  }
}

TEST(TwoOfFive, AnyTextGivesAPatternOrAnError) {
  std::mt19937 gen(2545);
  for (TksBarcodeSymbology s : {bc25Datalogic, bc25Matrix, bc25Coop, bc25Industrial, bc25IATA, bc25Invert,
                                bc25Interleaved, bcITF, bcOPC}) {
    TksBarcodeComponent bc;
    bc.SetBarcodeSymbology(s);
    const std::u16string sample = bc.BarCode();
    int encoded = 0;
    for (int i = 0; i < 300; ++i) {
      const std::u16string t = ref::RandomText(gen, sample);
      bc.SetOptions(i % 2 ? bc.Options() | OptionBit(boAddLeadingZero) : bc.Options() & ~OptionBit(boAddLeadingZero));
      try {
        bc.SetBarCode(t);
        if (!bc.EncodeBars(bc.BarCode()).empty()) ++encoded;
      } catch (const Exception&) {
      }
      try {
        EncodeInterleaved(t, bc.HasOption(boAddLeadingZero));
      } catch (const ksBarcodeException&) {
      }
      for (TwoOf5 v : kPlainVariants) {
        try {
          Encode2of5(t, v);
        } catch (const ksBarcodeException&) {
        }
      }
    }
    EXPECT_GT(encoded, 0) << SymbologyIdentifier(s);
  }
}
