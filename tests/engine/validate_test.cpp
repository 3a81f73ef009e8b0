// Check digits, completion of the stored data text, and validation before encoding:
// acceptance, silent rejection and raised errors with their positions and characters.
#include <gtest/gtest.h>

#include <string>

#include "engine/barcode.h"
#include "engine/errors.h"
#include "engine/symbology.h"
#include "engine/ustring.h"

namespace ks {
namespace {

TEST(CheckDigits, Routines) {
  struct Case {
    const char* routine;
    char16_t (*fn)(std::u16string_view);
    const char16_t* text;
    char16_t digit;
  };
  const Case cases[] = {
      {"EAN13", CheckDigitEAN13, u"400638133393", u'1'},
      {"EAN13", CheckDigitEAN13, u"977121010700", u'1'},
      {"EAN13", CheckDigitEAN13, u"123456789012", u'8'},
      {"EAN13", CheckDigitEAN13, u"590123412345", u'7'},
      {"EAN13", CheckDigitEAN13, u"", u'0'},
      {"UPC", CheckDigitUPC, u"1234567", u'0'},        // EAN-8 12345670
      {"UPC", CheckDigitUPC, u"01234567890", u'5'},    // UPC-A 012345678905
      {"UPC", CheckDigitUPC, u"0977121010700", u'1'},  // ITF-14
      {"UPC", CheckDigitUPC, u"12345", u'7'},          // ITF-6
      {"UPC", CheckDigitUPC, u"", u'0'},
      // A non-digit is not refused: a blank counts 32 - 48 = -16, the sum -48 leaves a
      // remainder of -8 and the result lies outside "0".."9".
      {"UPC", CheckDigitUPC, u" ", u'('},
      {"ISBN", CheckDigitISBN, u"80-7226-102-", u'9'},
      {"ISBN", CheckDigitISBN, u"0-306-40615-", u'2'},
      {"ISBN", CheckDigitISBN, u"0-8044-2957-", u'X'},
      {"ISBN", CheckDigitISBN, u"8072261029999", u'9'},  // only nine characters count
      {"ISBN", CheckDigitISBN, u"12", u'5'},             // missing characters count as 0
      {"ISBN", CheckDigitISBN, u"------------", u'0'},
      {"OPC", CheckDigitOPC, u"123456789", u'7'},
      {"OPC", CheckDigitOPC, u"000000000", u'0'},
      {"PZN", CheckDigitPZN, u"123456", u'2'},
      {"PZN", CheckDigitPZN, u"500000", u':'},  // remainder 10
      {"PZN", CheckDigitPZN, u"12", u'8'},      // 2*1 + 3*2
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.routine) + " " + ToUtf8(c.text));
    EXPECT_EQ(c.fn(c.text), c.digit);
  }
}

TEST(CheckDigits, DigitsOnly) {
  EXPECT_EQ(DigitsOnly(u"01-234 567/x9"), u"012345679");
  EXPECT_EQ(DigitsOnly(u"abc"), u"");
  EXPECT_EQ(DigitsOnly(u""), u"");
}

TEST(CheckDigits, ExpandUpcE) {
  struct Case {
    const char16_t* upce;
    const char16_t* upca;
  };
  const Case cases[] = {
      {u"0123450", u"01200000345"}, {u"0123451", u"01210000345"}, {u"0123452", u"01220000345"},
      {u"0123453", u"01230000045"}, {u"0123454", u"01234000005"}, {u"0123455", u"01234500005"},
      {u"0123459", u"01234500009"}, {u"0425261", u"04210000526"}, {u"04252614", u"04210000526"},
      {u"012345A", u""},            {u"012345", u""},             {u"", u""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(ToUtf8(c.upce));
    EXPECT_EQ(ExpandUpcE(c.upce), c.upca);
  }
  // The published example: UPC-E 04252614 is UPC-A 042100005264.
  EXPECT_EQ(CheckDigitUPC(ExpandUpcE(u"0425261")), u'4');
}

// Completion runs whenever the data text is set.
TEST(Completion, StoredTextAfterSetBarCode) {
  struct Case {
    TksBarcodeSymbology sym;
    const char16_t* typed;
    const char16_t* stored;
  };
  const Case cases[] = {
      {bcEan13, u"400638133393", u"4006381333931"},
      {bcEan13, u"4006381333930", u"4006381333931"},  // a wrong check digit is replaced
      {bcEan13, u"123456789012", u"1234567890128"},
      {bcEan13, u"4006381333930 12", u"4006381333931 12"},
      {bcEan13, u"40063813339", u"40063813339"},
      {bcEan13, u"", u""},
      {bcEan8, u"1234567", u"12345670"},
      {bcEan8, u"12345679 12345", u"12345670 12345"},
      {bcJAN8, u"1234567", u"49345674"},
      {bcJAN8, u"49123450", u"49123456"},
      {bcJAN13, u"491234567890", u"4912345678904"},
      {bcJAN13, u"001234567890", u"4912345678904"},
      {bcJAN13, u"", u"49"},
      {bcJAN13, u"451234567890", u"4512345678906"},  // 45 and 49 are both JAN prefixes
      {bcJAN8, u"4512345", u"45123450"},
      {bcUPCA, u"01234567890", u"012345678905"},
      {bcUPCA, u"012345678901 12", u"012345678905 12"},
      {bcUPCE0, u"123456", u"01234565"},
      {bcUPCE0, u"0123456", u"01234565"},
      {bcUPCE1, u"04252619", u"04252614"},
      {bcUPCE1, u"1123456", u"11234562"},  // number system 1 as typed, with its check digit
      {bcUPCE0, u"012345A", u"012345A0"},  // no expansion: check digit "0"
      {bcUPCShipping, u"1234567890123", u"12345678901231"},
      {bcITF, u"12345", u"123457"},
      {bcITF, u"0977121010700", u"09771210107001"},
      {bcITF, u"123456789012345", u"1234567890123452"},
      {bcITF, u"09771210107009", u"09771210107001"},
      {bcITF, u"1234567", u"1234567"},
      {bcISBN, u"80-7226-102", u"80-7226-102-9"},
      {bcISBN, u"80-7226-102-5", u"80-7226-102-9"},
      {bcISBN, u"030640615", u"0306406152"},
      {bcISBN, u"0306406150 90000", u"0306406152 90000"},  // the add-on is never touched
      {bcISBN, u"0-306-40615 12", u"0-306-40615-2 12"},
      {bcISBN, u"978-0-306-40615", u"978-0-306-40615-7"},
      {bcISBN, u"9780306406150", u"9780306406157"},
      {bcISBN, u"80-7226", u"80-7226"},
      // The symbol does not carry the ISSN's own check character: the text stays as typed.
      {bcISSN, u"0-306-40615", u"0-306-40615"},
      {bcISSN, u"0317-8470 12", u"0317-8470 12"},
      {bcISMN, u"0-8044-2957", u"0-8044-2957-X"},
      {bcISMN, u"M-2306-7118", u"M-2306-7118-7"},
      {bcISMN, u"979-0-2306-7118-0", u"979-0-2306-7118-7"},
      {bcOPC, u"123456789", u"1234567897"},
      {bcOPC, u"1234567890", u"1234567897"},
      {bcPZN, u"123456", u"1234562"},
      {bcPZN, u"1234569", u"1234562"},
      {bcPZN, u"500000", u"500000:"},
      {bcPZN, u"12345", u"12345"},
      {bcPZN, u"12345678", u"12345678"},
      {bcCode39Standard, u"abc", u"abc"},
      {bcCode128, u"Příliš žluťoučký kůň", u"Příliš žluťoučký kůň"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(SymbologyIdentifier(c.sym) + " " + ToUtf8(c.typed));
    TksBarcodeComponent bc;
    bc.SetBarcodeSymbology(c.sym);
    bc.SetBarCode(u"#");  // so that the typed text always differs from the stored one
    bc.SetBarCode(c.typed);
    EXPECT_EQ(ToUtf8(bc.BarCode()), ToUtf8(c.stored));
  }
}

TEST(Completion, NotifiesOnceThroughSetBarCode) {
  TksBarcodeComponent bc;
  int changes = 0;
  bc.OnChangeBarCode = [&](TksComponent*) { ++changes; };
  bc.SetBarCode(u"123456789012");
  EXPECT_EQ(bc.BarCode(), u"1234567890128");
  EXPECT_EQ(changes, 1);
}

enum Outcome { Accept, Reject, Raise };

struct ValidationCase {
  TksBarcodeSymbology sym;
  std::u16string text;
  Outcome outcome;
  TksBarcodeErrorCode code;
  int idx;
  std::u16string errorChar;
  TksBarcodeOptions extraOptions;
};

ValidationCase Ok(TksBarcodeSymbology sym, std::u16string text, TksBarcodeOptions extra = 0) {
  return {sym, std::move(text), Accept, erOK, -1, u"", extra};
}
ValidationCase No(TksBarcodeSymbology sym, std::u16string text, TksBarcodeOptions extra = 0) {
  return {sym, std::move(text), Reject, erOK, -1, u"", extra};
}
ValidationCase Err(TksBarcodeSymbology sym, std::u16string text, TksBarcodeErrorCode code, int idx = -1,
                   std::u16string ch = u"", TksBarcodeOptions extra = 0) {
  return {sym, std::move(text), Raise, code, idx, std::move(ch), extra};
}

void RunValidation(const ValidationCase& c) {
  SCOPED_TRACE(SymbologyIdentifier(c.sym) + " \"" + ToUtf8(c.text) + "\"");
  TksBarcodeComponent bc;
  bc.SetBarcodeSymbology(c.sym);
  bc.SetOptions(bc.Options() | c.extraOptions);
  bc.ErrorInfo().Init();
  bool result = false;
  bool raised = false;
  try {
    result = bc.CheckBarCode(c.text);
  } catch (const ksBarcodeException& e) {
    raised = true;
    EXPECT_EQ(e.what(), bc.ErrorInfo().ExceptionString());
  }
  switch (c.outcome) {
    case Accept:
      EXPECT_FALSE(raised);
      EXPECT_TRUE(result);
      break;
    case Reject:
      EXPECT_FALSE(raised);
      EXPECT_FALSE(result);
      break;
    case Raise:
      ASSERT_TRUE(raised);
      EXPECT_EQ(ErrorCodeIdentifier(bc.ErrorInfo().Code()), ErrorCodeIdentifier(c.code));
      EXPECT_EQ(bc.ErrorInfo().Idx(), c.idx);
      EXPECT_EQ(ToUtf8(bc.ErrorInfo().ErrorChar()), ToUtf8(c.errorChar));
      break;
  }
}

// Positions are 1-based positions in the data text, also for characters after the
// add-on blank and after hyphens of book numbers.
TEST(Validation, Rules) {
  const TksBarcodeOptions leadingZero = OptionBit(boAddLeadingZero);
  const ValidationCase cases[] = {
      // EAN/UPC layouts
      Ok(bcEan13, u"4006381333930"),  // the check digit is not examined
      Ok(bcEan13, u"400638133393"),
      Ok(bcEan13, u"400638133393X"),
      Ok(bcEan13, u"4006381333931 12"),
      Ok(bcEan13, u"4006381333931 12345"),
      Err(bcEan13, u"40063813339312", erBarcodeLengthInvalid),
      Err(bcEan13, u"40063813339", erBarcodeLengthInvalid),
      Err(bcEan13, std::u16string(100, u'1'), erBarcodeLengthInvalid),
      Err(bcEan13, u"4006381333931x12", erCharMustBeSpace, 14),
      Err(bcEan13, u"40063813339a1", erCharOutOfSet, 12, u"a"),
      Err(bcEan13, u"4006381333931 1a", erCharOutOfSet, 16, u"a"),
      Ok(bcJAN13, u"4912345678904"),
      Ok(bcJAN13, u"491234567890\u0161"),
      Err(bcJAN13, u"49123456789\u01610", erCharOutOfSet, 12, u"\u0161"),
      Ok(bcEan8, u"12345670"),
      Ok(bcEan8, u"12345670 12"),
      Err(bcEan8, u"123456", erBarcodeLengthInvalid),
      Err(bcEan8, u"12345670-12", erCharMustBeSpace, 9),
      Ok(bcUPCA, u"012345678905"),
      Ok(bcUPCA, u"012345678905 12345"),
      Err(bcUPCA, u"01234567890512", erBarcodeLengthInvalid),
      Err(bcUPCA, u"012345678905 1234x", erCharOutOfSet, 18, u"x"),
      // UPC-E: wrong lengths and other number systems (UPC-E1 takes 1 too) are refused silently
      Ok(bcUPCE0, u"01234565"),
      Ok(bcUPCE0, u"01234565 12"),
      Ok(bcUPCE1, u"01234565 12345"),
      No(bcUPCE0, u"0123456"),
      No(bcUPCE0, u"11234565"),
      Ok(bcUPCE1, u"11234562"),
      Ok(bcUPCE1, u"11234562 12"),
      No(bcUPCE1, u"21234565"),
      Err(bcUPCE0, u"0123456a", erCharOutOfSet, 8, u"a"),
      Err(bcUPCE0, u"01234565 1b", erCharOutOfSet, 11, u"b"),
      Err(bcUPCE1, u"1123456a", erCharOutOfSet, 8, u"a"),  // characters before the prefix
      // UPC shipping: character 15 is not examined
      Ok(bcUPCShipping, u"12345678901231"),
      Ok(bcUPCShipping, u"12345678901231-123456"),
      No(bcUPCShipping, u"1234567890123"),
      Err(bcUPCShipping, u"12345678901231 12345a", erCharOutOfSet, 21, u"a"),
      // Interleaved 2 of 5 and ITF: even lengths; ITF takes an odd one with a leading zero
      Ok(bcITF, u"09771210107001"),
      No(bcITF, u"1234567"),
      Ok(bcITF, u"1234567", leadingZero),
      Err(bcITF, u"12345A", erCharOutOfSet, 6, u"A"),
      Err(bcITF, u"12 45", erCharOutOfSet, 3, u" ", leadingZero),
      Ok(bc25Interleaved, u"123456"),
      No(bc25Interleaved, u"12345"),
      No(bc25Interleaved, u"12345", leadingZero),
      Err(bc25Interleaved, u"12a4", erCharOutOfSet, 3, u"a"),
      // Book numbers: hyphens ignored, the number's own check character not examined and
      // not needed
      Ok(bcISBN, u"80-7226-102-9"),
      Ok(bcISBN, u"0-8044-2957-X"),
      Ok(bcISBN, u"0306406152 90000"),
      Ok(bcISBN, u"978-0-306-40615-7 12"),
      Ok(bcISBN, u"9791090636071"),
      Ok(bcISBN, u"80-7226-102"),
      Ok(bcISBN, u"978030640615 12345"),
      Err(bcISBN, u"80-7226-10", erBarcodeLengthInvalid),
      Err(bcISBN, u"80-7226-102-91", erBarcodeLengthInvalid),
      Err(bcISBN, u"80-7226-102-9 1", erBarcodeLengthInvalid),
      Err(bcISBN, u" 12", erBarcodeLengthInvalid),
      Err(bcISBN, u"80-7226-102-9x12", erCharOutOfSet, 14, u"x"),
      Err(bcISBN, u"80-7226-10a-9", erCharOutOfSet, 11, u"a"),
      Err(bcISBN, u"80-7226-102-9 1a", erCharOutOfSet, 16, u"a"),
      Err(bcISBN, u"977-0317-847-00-1", erCharOutOfSet, 3, u"7"),  // ISBN-13 is 978 or 979
      Err(bcISBN, u"1234567890123", erCharOutOfSet, 1, u"1"),
      Ok(bcISSN, u"0317-8471"),
      Ok(bcISSN, u"0317847100"),
      Ok(bcISSN, u"2049-363X 12345"),
      Ok(bcISSN, u"3358-150-97"),  // seven digits and the issue code
      Ok(bcISSN, u"80-7226-102-9 12"),
      Ok(bcISSN, u"0317-847"),
      Err(bcISSN, u"0317-84", erBarcodeLengthInvalid),
      Err(bcISSN, u"0317-8471-001", erBarcodeLengthInvalid),
      Err(bcISSN, u"0317-847Y", erCharOutOfSet, 9, u"Y"),
      Err(bcISSN, u"0317-8471-0a", erCharOutOfSet, 12, u"a"),
      Err(bcISSN, u"0317-847X0", erCharOutOfSet, 9, u"X"),  // no check character before an issue code of 2
      Ok(bcISMN, u"8072261029 12345"),
      Ok(bcISMN, u"M-2306-7118-7"),
      Ok(bcISMN, u"979-0-2306-7118-7 05"),
      Ok(bcISMN, u"M-2306-7118"),
      Err(bcISMN, u"M-2306-711", erBarcodeLengthInvalid),
      Err(bcISMN, u"M-2306-7118-7-0", erBarcodeLengthInvalid),
      Err(bcISMN, u"M-2306-71A8-7", erCharOutOfSet, 10, u"A"),
      Err(bcISMN, u"979-1-2306-7118-7", erCharOutOfSet, 5, u"1"),  // ISMN-13 is 979-0
      // Lengths of the other numeric codes
      Ok(bcMSIPlessey, u"12AF"),
      Ok(bcMSIPlessey, u"1234567890123"),
      No(bcMSIPlessey, u"12345678901234"),
      Err(bcMSIPlessey, u"12G", erCharOutOfSet, 3, u"G"),
      Ok(bcPostNet, u"12345"),
      Ok(bcPostNet, u"123456789"),
      Ok(bcPostNet, u"12345678901"),
      No(bcPostNet, u"1234"),
      Err(bcPostNet, u"1234A", erCharOutOfSet, 5, u"A"),  // PostNet bars exist for digits only
      Err(bcPostNet, u"12-45", erCharOutOfSet, 3, u"-"),
      Ok(bcPlanet, u"12345678901"),
      Ok(bcPlanet, u"1234567890123"),
      No(bcPlanet, u"123456789012"),
      Err(bcPlanet, u"12345A", erCharOutOfSet, 6, u"A"),
      Ok(bcOPC, u"1234567897"),
      No(bcOPC, u"12345"),
      Err(bcOPC, u"123456789A", erCharOutOfSet, 10, u"A"),  // OPC bars exist for digits only
      Ok(bcPZN, u"1234562"),
      No(bcPZN, u"12345"),
      Err(bcPZN, u"500000:", erCharOutOfSet, 7, u":"),
      // Postal alphanumerics
      Ok(bcRoyalMail, u"SN34RD1A"),
      Err(bcRoyalMail, u"sn34", erCharOutOfSet, 1, u"s"),
      Ok(bcDutch4StatePostal, u"3224BC10"),
      Err(bcSwissPostal, u"12-3", erCharOutOfSet, 3, u"-"),
      Ok(bcSingapore4StatePostalCode, u"123456"),
      No(bcSingapore4StatePostalCode, u"12345"),
      Ok(bcPostbarCPC4State, u"!? any text \u00E9"),
      // ABC Codabar: start A..D, stop A..C
      Ok(bcABCCodabar, u"A123C"),
      Ok(bcABCCodabar, u"D1 2B"),
      No(bcABCCodabar, u"A123D"),
      No(bcABCCodabar, u"1234"),
      Err(bcABCCodabar, u"a123c", erCharOutOfSet, 1, u"a"),
      // Intelligent Mail: only the digits count
      Ok(bcIntelligentMail, u"01234567094987654321"),
      Ok(bcIntelligentMail, u"01-234-567094-987654321-01234567891"),
      Ok(bcIntelligentMail, u"0 1 2 3 4 5 6 7 0 9 4 9 8 7 6 5 4 3 2 1"),
      Ok(bcIntelligentMail, u"01234567094987654321x"),
      No(bcIntelligentMail, u"05234567094987654321"),
      No(bcIntelligentMail, u"012345670949876543210"),
      // Free-text codes
      Ok(bcTelepen, u"Any ASCII ~\x7F"),
      Err(bcTelepen, u"Kč ~ \u20AC", erCharOutOfSet, 2, u"č"),
      Ok(bcQRCode, u"Žluťoučký kůň úpěl ďábelské ódy"),
      Ok(bcCode39Standard, u"TAVRIX"),
      Err(bcCode39Standard, u"Tavrix", erCharOutOfSet, 2, u"a"),
      Err(bcCode39Full, u"Cena 10 \u20AC", erCharOutOfSet, 9, u"\u20AC"),
      Err(bcCode39Full, u"Cena 10 Kč", erCharOutOfSet, 10, u"č"),
      Err(bcCode128, u"Příliš", erCharOutOfSet, 2, u"ř"),
      Ok(bcCode128, std::u16string(1000, u'x')),
      Ok(bcCode128, std::u16string(u"\0\x7F", 2)),
      Err(bcCode128, u"\x7F\x80", erCharOutOfSet, 2, u"\x80"),
      Ok(bcUccEan128, u"(01)12345678901231\x1D"),
      Ok(bcNone, u"123"),
      Err(bcNone, u"12a", erCharOutOfSet, 3, u"a"),
      // Empty text, whatever the symbology
      Err(bcEan13, u"", erEmptyCode),
      Err(bcPostbarCPC4State, u"", erEmptyCode),
      Err(bcQRCode, u"", erEmptyCode),
  };
  for (const ValidationCase& c : cases) RunValidation(c);
}

TEST(Validation, MessagesOfRaisedErrors) {
  TksBarcodeComponent bc;
  struct Case {
    const char16_t* text;
    const char* message;
  };
  const Case cases[] = {
      {u"", "Prázdný kód."},
      {u"40063813339312", "Nesprávná délka znaků kódu []."},
      {u"4006381333931x12", "14. char must be space."},
      {u"40063813339a1", "Nespecifická chyba, kód negenerován"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(ToUtf8(c.text));
    try {
      bc.CheckBarCode(c.text);
      ADD_FAILURE() << "no error raised";
    } catch (const ksBarcodeException& e) {
      EXPECT_STREQ(e.what(), c.message);
    }
  }
}

TEST(Validation, AustraliaPostRaisesItsOwnMessages) {
  const std::string fcc = "Invalid FCC, must be one from 11, 87, 45, 92, 59, 62, 44";
  const std::string sort = "Invalid Sort code, must be 8 digits lenght";
  const std::string info = "Invalid Customer code/info, see documentation";
  struct Case {
    const char16_t* text;
    std::string message;  // empty: accepted
  };
  const Case cases[] = {
      {u"1139987520", ""},
      {u"8739987520", ""},
      {u"11399875201", info},
      {u"5939987520ABCDE", ""},
      {u"5939987520", ""},
      {u"593998752012345678", ""},
      {u"59399875201234567", ""},
      {u"5939987520123456789", info},
      {u"5939987520ABCDEF", info},
      {u"593998752012345a", info},
      {u"6239987520abcdefghij", ""},
      {u"443998752012345678901", ""},
      {u"44399875201234567890123456", info},
      {u"4439987520abcdefghijk", info},
      {u"1239987520", fcc},
      {u"1", fcc},
      {u"113998752", sort},
      {u"113998752A", sort},
      {u"11", sort},
      {u"12", fcc},
      {u"593998752A123456789", sort},  // the sort code is checked before the customer part
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(ToUtf8(c.text));
    TksBarcodeComponent bc;
    bc.SetBarcodeSymbology(bcAustraliaPost);
    bc.ErrorInfo().Init();
    try {
      EXPECT_TRUE(bc.CheckBarCode(c.text));
      EXPECT_EQ(c.message, "");
    } catch (const ksBarcodeException& e) {
      EXPECT_EQ(e.what(), c.message);
      // The error object holds the failure with its message.
      EXPECT_EQ(bc.ErrorInfo().Code(), erErrorInBarCode);
      EXPECT_EQ(bc.ErrorInfo().ExceptionString(), c.message);
      EXPECT_EQ(bc.ErrorInfo().Idx(), -1);
    }
  }
}

TEST(AllowedCharacters, SetAndVisibleForm) {
  TksBarcodeComponent bc;
  bc.SetBarcodeSymbology(bcCodabar);
  EXPECT_EQ(bc.GetSetOfChars(), u"0123456789-$:/.+abcdtn*eABCDETN");
  const std::string visible = bc.GetSetOfCharsVisible();
  EXPECT_EQ(visible.size(), 62u);
  EXPECT_EQ(visible.substr(0, 8), "0 1 2 3 ");
  EXPECT_EQ(visible.substr(48), "A B C D E T N ");

  struct Case {
    TksBarcodeSymbology sym;
    std::string visible;
  };
  const Case cases[] = {
      {bcUccEan128, "0 1 2 3 4 5 6 7 8 9 ( ) ^^ [ ~ "},
      {bcFim, "A B C D "},
      {bcABCCodabar, "0 1 2 3 4 5 6 7 8 9 - $ : / . + A B C D   "},
      {bcQRCode, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(SymbologyIdentifier(c.sym));
    bc.SetBarcodeSymbology(c.sym);
    EXPECT_EQ(bc.GetSetOfCharsVisible(), c.visible);
  }
  bc.SetBarcodeSymbology(bcCode128);
  const std::string c128 = bc.GetSetOfCharsVisible();
  EXPECT_EQ(c128.substr(0, 6), "^B ^C ");
  EXPECT_EQ(c128.substr(27 * 3, 9), "^] ^^ ^_ ");  // codes 28..30
  EXPECT_EQ(c128.substr(c128.size() - 4), "} ~ ");
  bc.SetBarcodeSymbology(bcCode39Full);
  const std::string c39 = bc.GetSetOfCharsVisible();
  EXPECT_EQ(c39.substr(c39.size() - 6), "~ \u20AC ");
}

TEST(AllowedCharacters, CheckChars) {
  TksBarcodeComponent bc;
  bc.SetBarcodeSymbology(bcCode39Standard);
  EXPECT_TRUE(bc.CheckChars(u"CODE 39-$/+%."));
  EXPECT_TRUE(bc.CheckChars(u""));
  try {
    bc.CheckChars(u"AB*C");
    ADD_FAILURE() << "no error raised";
  } catch (const ksBarcodeException&) {
    EXPECT_EQ(bc.ErrorInfo().Code(), erCharOutOfSet);
    EXPECT_EQ(bc.ErrorInfo().Idx(), 3);
    EXPECT_EQ(bc.ErrorInfo().ErrorChar(), u"*");
  }
  bc.SetBarcodeSymbology(bcPDF417);  // no restriction
  EXPECT_TRUE(bc.CheckChars(u"\x01 anything \u20AC"));
}

}  // namespace
}  // namespace ks
