// Height-modulated postal codes: PostNet, Planet, the RM4SCC family, KIX and Intelligent
// Mail. Worked examples, the published USPS-B-3200 examples, a cross-check against bar
// sequences made by bwip-js, refusals, and arbitrary input.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "engine/barcode.h"
#include "engine/encoders.h"
#include "engine/errors.h"
#include "engine/symbology.h"
#include "engine/ustring.h"
#include "postal_vectors.h"

namespace ks {
namespace {

using testing::BarKinds;
using testing::LoadPostalVectors;

// Encodes `text` the way painting does: store it, validate, dispatch.
std::string EncodeAs(TksBarcodeComponent& bc, TksBarcodeSymbology s, const std::u16string& text) {
  bc.SetBarcodeSymbology(s);
  bc.SetBarCode(text);
  return bc.EncodeBars(bc.BarCode());
}

void SetAutoCheckDigit(TksBarcodeComponent& bc, bool on) {
  const TksBarcodeOptions bit = OptionBit(boAutoCheckDigit);
  bc.SetOptions(on ? (bc.Options() | bit) : (bc.Options() & ~bit));
}

// The encoders with the option the dispatch passes them, as patterns.
using Encoder = std::string (*)(const TksBarcodeComponent&, const std::u16string&);
std::string PostNet(const TksBarcodeComponent& bc, const std::u16string& t) {
  return EncodePostNet(t, bc.HasOption(boAutoCheckDigit)).pattern;
}
std::string Planet(const TksBarcodeComponent&, const std::u16string& t) { return EncodePlanet(t).pattern; }
std::string RoyalMail(const TksBarcodeComponent&, const std::u16string& t) { return EncodeRoyalMail(t).pattern; }
std::string FourState(const TksBarcodeComponent&, const std::u16string& t) { return Encode4State(t).pattern; }
std::string Kix(const TksBarcodeComponent&, const std::u16string& t) { return EncodeKix(t).pattern; }
std::string IntelligentMail(const TksBarcodeComponent&, const std::u16string& t) {
  return EncodeIntelligentMail(t).pattern;
}

struct WorkedExample {
  const char* note;
  Encoder encode;
  bool autoCheckDigit;
  std::u16string text;
  std::string kinds;  // one letter per bar, see BarKinds
};

TEST(PostalEncoders, WorkedExamples) {
  const WorkedExample cases[] = {
      {"PostNet 12345, frame + 5 digits = 27 bars", PostNet, false, u"12345",
       "F" "HHHFF" "HHFHF" "HHFFH" "HFHHF" "HFHFH" "F"},
      {"PostNet 12345 with check digit 5 (digit sum 15)", PostNet, true, u"12345",
       "F" "HHHFF" "HHFHF" "HHFFH" "HFHHF" "HFHFH" "HFHFH" "F"},
      {"Planet 12345: inverted PostNet codes, check digit 5 always", Planet, false, u"12345",
       "F" "FFFHH" "FFHFH" "FFHHF" "FHFFH" "FHFHF" "FHFHF" "F"},
      {"Planet digit 0 is short, short, full, full, full", Planet, true, u"00",
       "F" "HHFFF" "HHFFF" "HHFFF" "F"},
      {"RM4SCC 1: start, SDHV, check 1 = SDHV, stop", RoyalMail, true, u"1", "A" "TDAF" "TDAF" "F"},
      {"4-state 1: no check character", FourState, true, u"1", "A" "TDAF" "F"},
      {"KIX 1: no start, stop or check", Kix, true, u"1", "TDAF"},
      {"KIX sample text", Kix, true, u"3224BC10",
       "DTAF" "TDFA" "TDFA" "DTFA" "DFTA" "TAFD" "TDAF" "TTFF"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.note);
    TksBarcodeComponent bc;
    SetAutoCheckDigit(bc, c.autoCheckDigit);
    EXPECT_EQ(BarKinds(c.encode(bc, c.text)), c.kinds);
  }
}

TEST(PostalEncoders, RoyalMailPatternLetters) {
  EXPECT_EQ(EncodeRoyalMail(u"1").pattern, "H0S0D0H0V0S0D0H0V0V");
  EXPECT_EQ(EncodePostNet(u"0", true).pattern,
            std::string("10") + "10" "10" "M0" "M0" "M0" + "10" "10" "M0" "M0" "M0" + "10");
}

// USPS-B-3200 Appendix C: one tracking code with each length of routing code.
TEST(PostalEncoders, IntelligentMailPublishedExamples) {
  const struct {
    std::u16string digits;
    std::string bars;
  } cases[] = {
      {u"01234567094987654321", "ATTFATTDTTADTAATTDTDTATTDAFDDFADFDFTFFFFFTATFAAAATDFFTDAADFTFDTDT"},
      {u"0123456709498765432101234", "DTTAFADDTTFTDTFTFDTDDADADAFADFATDDFTAAAFDTTADFAAATDFDTDFADDDTDFFT"},
      {u"01234567094987654321012345678", "ADFTTAFDTTTTFATTADTAAATFTFTATDAAAFDDADATATDTDTTDFDTDATADADTDFFTFA"},
      {u"0123456709498765432101234567891", "AADTFFDFTDADTAADAATFDTDDAAADDTDTTDAFADADDDTFFFDDTTTADFAAADFTDAADA"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(ToUtf8(c.digits));
    const std::string p = EncodeIntelligentMail(c.digits).pattern;
    ASSERT_EQ(p.size(), 130u);
    EXPECT_EQ(BarKinds(p), c.bars);
  }
}

TEST(PostalEncoders, IntelligentMailKeepsOnlyDigits) {
  EXPECT_EQ(EncodeIntelligentMail(u"01-234-567094-987654321-01234567891").pattern,
            EncodeIntelligentMail(u"0123456709498765432101234567891").pattern);
  // Digit counts without a routing code length, and a second digit above 4, have no encoding.
  for (const std::u16string t : {u"", u"0123456709498765432", u"012345670949876543210", u"05234567094987654321"}) {
    SCOPED_TRACE(ToUtf8(t));
    EXPECT_EQ(EncodeIntelligentMail(t).pattern, "");
  }
}

// The same bars as bwip-js for every reference text, through validation and dispatch.
TEST(PostalEncoders, AgreeWithIndependentEncoder) {
  const struct {
    const char* family;
    TksBarcodeSymbology symbology;
  } families[] = {
      {"postnet", bcPostNet}, {"planet", bcPlanet}, {"royalmail", bcRoyalMail},
      {"singapore", bcSingapore4StatePostalCode}, {"4state", bc4State},
      {"kix", bcDutch4StatePostal}, {"imb", bcIntelligentMail},
  };
  for (const auto& f : families) {
    const auto vectors = LoadPostalVectors(f.family);
    ASSERT_FALSE(vectors.empty()) << f.family;
    for (const auto& v : vectors) {
      SCOPED_TRACE(std::string(f.family) + " " + ToUtf8(v.text));
      TksBarcodeComponent bc;
      SetAutoCheckDigit(bc, true);
      EXPECT_EQ(BarKinds(EncodeAs(bc, f.symbology, v.text)), v.kinds);
    }
  }
}

TEST(PostalEncoders, NonDigitsHaveNoPostNetOrPlanetBars) {
  const struct {
    Encoder encode;
    std::u16string text;
    int position;
    char16_t ch;
  } cases[] = {
      {PostNet, u"12A45", 3, u'A'},
      {PostNet, u"1234F", 5, u'F'},
      {Planet, u"1234567890 ", 11, u' '},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(ToUtf8(c.text));
    TksBarcodeComponent bc;
    try {
      c.encode(bc, c.text);
      ADD_FAILURE() << "no exception";
    } catch (const TksEncodeError& e) {
      EXPECT_EQ(e.Code(), erCharOutOfSet);
      EXPECT_EQ(e.Idx(), c.position);
      EXPECT_EQ(e.Text(), std::u16string(1, c.ch));
    }
  }
  // The catalogue admits A..F for PostNet; validation refuses them before any bar is made.
  TksBarcodeComponent bc;
  EXPECT_THROW(EncodeAs(bc, bcPostNet, u"1234A"), ksBarcodeException);
  EXPECT_EQ(bc.ErrorInfo().Code(), erCharOutOfSet);
  EXPECT_TRUE(bc.Bars().empty());
}

TEST(PostalEncoders, SymbologiesWithoutEncoderGiveEmptyPattern) {
  for (TksBarcodeSymbology s : {bcSwissPostal, bcPostBar}) {
    TksBarcodeComponent bc;
    EXPECT_EQ(EncodeAs(bc, s, u"123456789"), "");
    ASSERT_EQ(bc.Bars().size(), 1u);
    EXPECT_EQ(bc.Bars()[0], "");
  }
}

// Whatever the text, encoding gives a pattern of the postal alphabet or raises an
// engine exception; it never reads out of bounds or emits other characters.
TEST(PostalEncoders, ArbitraryTextGivesPatternOrException) {
  const TksBarcodeSymbology symbologies[] = {bcPostNet, bcPlanet, bcRoyalMail, bcSingapore4StatePostalCode,
                                             bc4State, bcDutch4StatePostal, bcIntelligentMail};
  const Encoder encoders[] = {PostNet, Planet, RoyalMail, FourState, Kix, IntelligentMail};
  std::u16string pool = u"0123456789ABCDEFXYZaz -/#\u00e9\uffff";
  pool += char16_t(0);
  pool += char16_t(0xD800);
  std::mt19937 rng(20240611);
  for (int round = 0; round < 400; ++round) {
    std::u16string text;
    const int len = static_cast<int>(rng() % 40);
    for (int i = 0; i < len; ++i) {
      text += (rng() % 4 == 0) ? static_cast<char16_t>(rng() & 0xFFFF) : pool[rng() % pool.size()];
    }
    auto check = [&](const std::string& p) {
      EXPECT_EQ(p.find_first_not_of("01MHADSTFV"), std::string::npos) << p;
    };
    TksBarcodeComponent bc;
    for (Encoder e : encoders) {
      try {
        check(e(bc, text));
      } catch (const Exception&) {
      }
    }
    for (TksBarcodeSymbology s : symbologies) {
      try {
        check(EncodeAs(bc, s, text));
      } catch (const Exception&) {
      }
    }
  }
}

}  // namespace
}  // namespace ks
