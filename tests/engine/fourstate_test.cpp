// Australia Post and Canada Post PostBar four-state codes: bar layout by format, the
// Reed-Solomon parity (checked by evaluating each symbol's codeword at the generator's
// roots), the caption text, the refusals, a cross-check against bwip-js, and arbitrary
// input.
#include <gtest/gtest.h>

#include <array>
#include <random>
#include <string>
#include <vector>

#include "engine/barcode.h"
#include "engine/decor.h"
#include "engine/encoders.h"
#include "engine/errors.h"
#include "engine/symbology.h"
#include "engine/ustring.h"
#include "postal_vectors.h"

namespace ks {
namespace {

using testing::BarKinds;
using testing::LoadPostalVectors;

std::string EncodeAs(TksBarcodeComponent& bc, TksBarcodeSymbology s, const std::u16string& text) {
  bc.SetBarcodeSymbology(s);
  bc.SetBarCode(text);
  return bc.EncodeBars(bc.BarCode());
}

std::string AusPost(const std::u16string& text) { return BarKinds(EncodeAustraliaPost(text).pattern); }

int BarValue(char kind) {
  switch (kind) {
    case 'F': return 0;
    case 'A': return 1;
    case 'D': return 2;
    default: return 3;
  }
}

// GF(64) over x^6 + x + 1 by logarithms, kept apart from the encoder's own arithmetic.
struct Gf64 {
  std::array<int, 64> log{};
  std::array<int, 63> exp{};
  Gf64() {
    int v = 1;
    for (int i = 0; i < 63; ++i) {
      exp[i] = v;
      log[v] = i;
      v <<= 1;
      if (v & 0x40) v ^= 0x43;
    }
  }
  int Mul(int a, int b) const { return (a == 0 || b == 0) ? 0 : exp[(log[a] + log[b]) % 63]; }
};

// The symbols of a four-state symbol: bar triples after the two start bars, up to the
// two stop bars, data first and the four parity symbols last.
std::vector<int> Symbols(const std::string& kinds) {
  std::vector<int> out;
  for (size_t i = 2; i + 2 + 3 <= kinds.size(); i += 3) {
    out.push_back(16 * BarValue(kinds[i]) + 4 * BarValue(kinds[i + 1]) + BarValue(kinds[i + 2]));
  }
  return out;
}

// A valid codeword of the four-parity code vanishes at alpha^1 .. alpha^4.
void ExpectValidParity(const std::string& kinds) {
  static const Gf64 gf;
  ASSERT_EQ((kinds.size() - 4) % 3, 0u) << kinds;
  const std::vector<int> cw = Symbols(kinds);
  for (int r = 1; r <= 4; ++r) {
    int acc = 0;
    for (int c : cw) acc = gf.Mul(acc, gf.exp[r]) ^ c;
    EXPECT_EQ(acc, 0) << "root alpha^" << r << " of " << kinds;
  }
}

// ---- Australia Post ----

TEST(AustraliaPost, BarLayoutByFormat) {
  const struct {
    const char* note;
    std::u16string text;
    size_t bars;
    size_t at;  // 1-based bar where `expect` starts
    std::string expect;
  } cases[] = {
      {"FCC 11: FCC and sort code in N", u"1139987520", 37, 3, "FAFA" "AFTFTFDDDAADFDFF"},
      {"FCC 11: bar 23 keeps the filler", u"1139987520", 37, 23, "T"},
      {"FCC 59: eight digits in N fill 16 bars", u"593998752012345678", 52, 23, "FAFDAFAAADDFDADD"},
      {"FCC 59: five characters in C, one filler", u"5939987520ABCDE", 52, 23, "FFF" "FFA" "FFD" "FAF" "FAA" "T"},
      {"FCC 59: short digits use N, the rest is filler", u"5939987520123", 52, 23, "FAFDAF" "TTTTTTTTTT"},
      {"FCC 62: fifteen digits in N fill 30 bars", u"6239987520123456789012345", 67, 23,
       "FAFDAFAAADDFDADDTFFFFAFDAFAAAD" "T"},
      {"FCC 62: ten characters in C fill 30 bars", u"6239987520ABCDEFGHIJ", 67, 23,
       "FFFFFAFFDFAFFAAFADFDFFDAFDDAFF" "T"},
      {"FCC 44 has the layout of FCC 62", u"4439987520ABCDEFGHIJ", 67, 3, "AAAA"},
      {"FCC 44 customer bars", u"4439987520ABCDEFGHIJ", 67, 23, "FFFFFAFFDFAFFAAFADFDFFDAFDDAFF" "T"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.note);
    const std::string kinds = AusPost(c.text);
    ASSERT_EQ(kinds.size(), c.bars);
    EXPECT_EQ(kinds.substr(0, 2), "AT");
    EXPECT_EQ(kinds.substr(c.bars - 2), "AT");
    EXPECT_EQ(kinds.substr(c.at - 1, c.expect.size()), c.expect);
    ExpectValidParity(kinds);
  }
}

TEST(AustraliaPost, RefusalsCarryTheirMessages) {
  const char* kFcc = "Invalid FCC, must be one from 11, 87, 45, 92, 59, 62, 44";
  const char* kSort = "Invalid Sort code, must be 8 digits lenght";
  const struct {
    std::u16string text;
    const char* message;
  } cases[] = {
      {u"1239987520", kFcc},
      {u"1A39987520", kFcc},
      {u"1", kFcc},
      {u"113998752", kSort},
      {u"11399875A0", kSort},
      {u"5939987520AB$", "Invalid Customer code/info, see documentation"},
      {u"6239987520AB$", "Invalid Customer info/info, see documentation"},
      {u"4439987520\u00e9", "Invalid Customer info/info, see documentation"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(ToUtf8(c.text));
    try {
      EncodeAustraliaPost(c.text);
      ADD_FAILURE() << "no exception";
    } catch (const TksEncodeError& e) {
      EXPECT_STREQ(e.what(), c.message);
      EXPECT_EQ(e.Code(), erErrorInBarCode);
    }
  }
  // Short customer information passes validation; the encoder refuses the character
  // it has no code for, through the error object like every other failure.
  TksBarcodeComponent bc;
  try {
    EncodeAs(bc, bcAustraliaPost, u"5939987520AB$");
    ADD_FAILURE() << "no exception";
  } catch (const ksBarcodeException& e) {
    EXPECT_STREQ(e.what(), "Invalid Customer code/info, see documentation");
  }
  EXPECT_EQ(bc.ErrorInfo().Code(), erErrorInBarCode);
  EXPECT_EQ(bc.ErrorInfo().ExceptionString(), "Invalid Customer code/info, see documentation");
}

TEST(AustraliaPost, CaptionText) {
  EXPECT_EQ(EncodeAustraliaPost(u"1139987520").caption, u"11 39987520  (50 25 52 50)");
  EXPECT_EQ(EncodeAustraliaPost(u"1139987520", false).caption, u"11 39987520 ");

  // Each parity value is right-aligned in two places.
  EXPECT_EQ(EncodeAustraliaPost(u"5912345678123").caption, u"59 12345678 123 (51 25  7  9)");

  // The dispatch puts it into the upper caption when that caption follows the data.
  TksBarcodeComponent bc;
  bc.CaptionUpper().SetAutoCaption(true);
  EncodeAs(bc, bcAustraliaPost, u"1139987520");
  EXPECT_EQ(bc.CaptionUpper().Text(), std::vector<std::u16string>{u"11 39987520  (50 25 52 50)"});
}

TEST(AustraliaPost, AgreesWithIndependentEncoder) {
  const auto vectors = LoadPostalVectors("auspost");
  ASSERT_FALSE(vectors.empty());
  for (const auto& v : vectors) {
    SCOPED_TRACE(ToUtf8(v.text));
    TksBarcodeComponent bc;
    const std::string kinds = BarKinds(EncodeAs(bc, bcAustraliaPost, v.text));
    EXPECT_EQ(kinds, v.kinds);
    ExpectValidParity(kinds);
  }
}

// ---- Canada Post PostBar ----

struct CpcCase {
  const char* note;
  std::u16string text;
  std::string data;  // the data bars between the start bars and the parity
};

TEST(PostbarCpc, MasksSelectTheCharacterTables) {
  const CpcCase cases[] = {
      {"sample: 11 characters get '#', Z A N A N A N Z Z Z Z #", u"B K1A 4S2 1234",
       "FFA" "AAF" "FA" "FFD" "AA" "DFD" "FD" "TFF" "TFA" "TFD" "TAF" "FFT"},
      {"lower case is read as upper case", u"b k1a 4s2 1234",
       "FFA" "AAF" "FA" "FFD" "AA" "DFD" "FD" "TFF" "TFA" "TFD" "TAF" "FFT"},
      {"7 characters: Z A N A N A N", u"J K1A 0B1", "AFF" "AAF" "FA" "FFD" "FF" "FAF" "FA"},
      {"digit first, 12 characters: Z N N N Z...", u"1234 5678 9012",
       "TFF" "FD" "AF" "AA" "TAA" "TAD" "TDF" "TDA" "TDD" "DDD" "TFF" "TFA"},
      {"M..U: every position Z", u"M12345", "AAF" "TFF" "TFA" "TFD" "TAF" "TAA"},
      {"V..Z, 10 characters", u"VA1B2C3DEF",
       "DAF" "FFD" "FA" "FAF" "FD" "FAA" "AF" "FAD" "FDF" "FDA"},
      {"22 characters after A..L: positions 19-22 use the Z tables", u"BK1A4S2123456789012345",
       "FFA" "AAF" "FA" "FFD" "AA" "DFD" "FD"
       "TFF" "TFA" "TFD" "TAF" "TAA" "TAD" "TDF" "TDA" "TDD" "DDD" "TFF" "TFA" "TFD" "TAF" "TAA"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.note);
    const std::string kinds = BarKinds(EncodePostbarCpc(c.text).pattern);
    ASSERT_EQ(kinds.size(), 2 + c.data.size() + 12 + 2);
    EXPECT_EQ(kinds.substr(0, 2), "AT");
    EXPECT_EQ(kinds.substr(2, c.data.size()), c.data);
    EXPECT_EQ(kinds.substr(kinds.size() - 2), "AT");
    ExpectValidParity(kinds);
  }
}

TEST(PostbarCpc, SampleTextDrawsFortyNineBars) {
  TksBarcodeComponent bc;
  const std::string p = EncodeAs(bc, bcPostbarCPC4State, u"B K1A 4S2 1234");
  EXPECT_EQ(p.size(), 2 * 49 - 1u);
  EXPECT_EQ(p.find_first_not_of("FADT0"), std::string::npos);
}

TEST(PostbarCpc, TextsWithoutLayoutDrawNothing) {
  for (const std::u16string t : {u"0123456789AB", u"B12", u"", u"   ", u"M1234", u"V123456789AB"}) {
    SCOPED_TRACE(ToUtf8(t));
    EXPECT_EQ(EncodePostbarCpc(t).pattern, "");
  }
}

TEST(PostbarCpc, RefusesCharactersAndMisalignedData) {
  const struct {
    const char* note;
    std::u16string text;
    int position;  // in the text as typed, blanks included
    std::u16string ch;
    const char* message;
  } cases[] = {
      {"a character without a code", u"B K1A 4S2 12$4", 13, u"$", "Error in CPC/Postbar code $ at 13 position."},
      {"a non-ASCII character", u"M1234\u00e9", 6, u"\u00e9", nullptr},
      {"a digit where a letter belongs leaves 17 data bars", u"B11A4S2", 2, u"1", nullptr},
      {"a letter where a digit belongs", u"BKKA4S2", 3, u"K", nullptr},
      {"unaligned without a misplaced kind: the last character", u"VA1B2C3D12", 10, u"2", nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.note);
    TksBarcodeComponent bc;
    try {
      EncodeAs(bc, bcPostbarCPC4State, c.text);
      ADD_FAILURE() << "no exception";
    } catch (const ksBarcodeException& e) {
      if (c.message) {
        EXPECT_STREQ(e.what(), c.message);
      }
    }
    EXPECT_EQ(bc.ErrorInfo().Code(), erCPCBadCode);
    EXPECT_EQ(bc.ErrorInfo().Idx(), c.position);
    EXPECT_EQ(bc.ErrorInfo().ErrorChar(), c.ch);
    EXPECT_TRUE(bc.Bars().empty());
  }
}

TEST(FourState, ArbitraryTextGivesPatternOrException) {
  const std::u16string pool = u"0123456789ABKLMVZabz #-$\u00e9";
  std::mt19937 rng(77031);
  for (int round = 0; round < 600; ++round) {
    std::u16string text;
    const int len = static_cast<int>(rng() % 30);
    for (int i = 0; i < len; ++i) {
      text += (rng() % 5 == 0) ? static_cast<char16_t>(rng() & 0xFFFF) : pool[rng() % pool.size()];
    }
    // Some texts start like real ones, so the encoders get past their first checks.
    if (round % 3 == 1) text = u"5939987520" + text.substr(0, 6);
    if (round % 3 == 2) text = u"B" + text.substr(0, 10);
    auto check = [&](const std::string& p) {
      EXPECT_EQ(p.find_first_not_of("FADT0"), std::string::npos) << p;
    };
    TksBarcodeComponent bc;
    try {
      check(EncodeAustraliaPost(text).pattern);
    } catch (const ksBarcodeException&) {
    }
    try {
      check(EncodePostbarCpc(text).pattern);
    } catch (const ksBarcodeException&) {
    }
    for (TksBarcodeSymbology s : {bcAustraliaPost, bcPostbarCPC4State}) {
      try {
        check(EncodeAs(bc, s, text));
      } catch (const Exception&) {
      }
    }
  }
}

}  // namespace
}  // namespace ks
