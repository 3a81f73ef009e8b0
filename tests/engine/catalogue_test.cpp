// The symbology catalogue: exact names and sample texts of every row, allowed
// characters, the rule-driven fields, counts, the EAN prefix lookup and the display
// helpers.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/barcode.h"
#include "engine/catalogue.h"
#include "engine/matrix/matrix.h"
#include "engine/matrix/pdf417.h"
#include "engine/symbology.h"
#include "engine/ustring.h"

namespace ks {
namespace {

std::u16string Range(char16_t first, char16_t last) {
  std::u16string s;
  for (char16_t c = first; c <= last; ++c) s += c;
  return s;
}

struct NameRow {
  TksBarcodeSymbology sym;
  const char* id;
  const char* name;
  const char* longName;
  const char* initValue;
};

// Names, long names and samples exactly as users and stored files see them; blanks
// matter ("2/5 Matrix " ends in one, the Japanese long names have two before "EAN").
const NameRow kNames[] = {
    {bcNone, "bcNone", "Undefined symbology", "Undefined symbology", ""},
    {bcEan8, "bcEan8", "EAN 8", "EAN 8 (2 or 5 digit supplement)", "1234567"},
    {bcEan13, "bcEan13", "EAN 13", "EAN 13 (2 or 5 digit supplement)", "9771210107001"},
    {bcCodabar, "bcCodabar", "Codabar", "Codabar (Monarch, NW-7, USD-4, 2 of 7 code)", "A0123+-$/:68A"},
    {bcCode39Standard, "bcCode39Standard", "Code 39 Standard", "Code 39 Standard", "TAVRIX"},
    {bcCode39Full, "bcCode39Full", "Code 39 Extended", "Code 39 Extended", "TAVRIX"},
    {bcCode93Standard, "bcCode93Standard", "Code 93 Standard", "Code 93 Standard", "TAVRIX"},
    {bcCode93Full, "bcCode93Full", "Code 93 Extended", "Code 93 Extended", "TAVRIX"},
    {bcCode128, "bcCode128", "Code 128", "Code 128", "TAVRIX"},
    {bcABCCodabar, "bcABCCodabar", "AbcCodabar", "AbcCodabar", "ABCCBA"},
    {bc25Datalogic, "bc25Datalogic", "2/5 Datalogic", "2/5 Datalogic, Code25, 2 of 5", "123456"},
    {bc25Interleaved, "bc25Interleaved", "2/5 Interleaved (ITF)", "Code25, 2 of 5, ITF", "123456"},
    {bc25Matrix, "bc25Matrix", "2/5 Matrix ", "Code25, 2/5 Matrix", "123456"},
    {bc25Industrial, "bc25Industrial", "2/5 Industrial", "Code25, 2/5 Industrial", "123456"},
    {bc25IATA, "bc25IATA", "2/5 IATA", "Code25, 2/5 IATA", "123456"},
    {bc25Invert, "bc25Invert", "2/5 INVERT", "Code25, 2/5 INVERT", "123456"},
    {bcITF, "bcITF", "ITF", "ITF6, ITF14 (SSC14), ITF16", "0977121010700"},
    {bcISBN, "bcISBN", "ISBN (Bookland)", "ISBN (International Standard Book Number)", "80-7226-102"},
    {bcISSN, "bcISSN", "ISSN", "ISSN (International Standard Serial Number)", "80-7226-102"},
    {bcISMN, "bcISMN", "ISMN", "ISMN (International Standard Music Number)", "80-7226-102"},
    {bcUPCA, "bcUPCA", "UPC-A", "UPC-A (with or without supplements)", "01234567890"},
    {bcUPCE0, "bcUPCE0", "UPC-E0", "UPC-E0 (with or without supplements)", "0123456"},
    {bcUPCE1, "bcUPCE1", "UPC-E1", "UPC-E1 (with or without supplements)", "0123456"},
    {bcUPCShipping, "bcUPCShipping", "UPC-Shipping", "UPC-Shipping", "1234567890123"},
    {bcSCC14, "bcSCC14", "SCC-14", "Shipping Container Code (EAN/UCC-14,SCC-14)", "1234567890123"},
    {bcJAN8, "bcJAN8", "JAN8", "Japanese version of  EAN 8", "49123456"},
    {bcJAN13, "bcJAN13", "JAN13", "Japanese version of  EAN 13", "491234567890"},
    {bcMSIPlessey, "bcMSIPlessey", "MSI/Plessey", "MSI/Plessey (Modified)", ""},
    {bcPostNet, "bcPostNet", "PostNet", "PostNet (ZIP, ZIP+4, DPBC)", "12345678901"},
    {bcPlanet, "bcPlanet", "Planet", "Planet Barcode", "12345678901"},
    {bcRoyalMail, "bcRoyalMail", "Royal Mail Barcode", "Royal Mail Barcode, RMS4CC", "123456789"},
    {bc4State, "bc4State", "4 State barcode", "4 State barcode", "123456"},
    {bcDutch4StatePostal, "bcDutch4StatePostal", "Dutch 4-State Postal", "Dutch 4-State Postal", "3224BC10"},
    {bcSwissPostal, "bcSwissPostal", "SwissPostal", "Royal Mail Barcode, RMS4CC", "123456789"},
    {bcSingapore4StatePostalCode, "bcSingapore4StatePostalCode", "Singapore Post 4-State Mail Code",
     "Singapore Post 4-State Mail Code", "123456"},
    {bcPostBar, "bcPostBar", "PostBar", "PostBar, CPC 4 State", "123456"},
    {bcPostbarCPC4State, "bcPostbarCPC4State", "CPC 4-state",
     "Postbar, CPC 4-state, Canada Post\u2019s 4-State Bar Code Symbology", "B K1A 4S2 1234"},
    {bcOPC, "bcOPC", "OPC", "OPC (Optical Industry Association)", "1234567897"},
    {bcUccEan128, "bcUccEan128", "UCC/EAN 128", "UCC/EAN 128", ""},
    {bc25Coop, "bc25Coop", "2/5 Coop", "Code25, 2/5 Matrix", "123456"},
    {bcCode11, "bcCode11", "Code 11", "Code 11 (USD-8)", "123456"},
    {bcPZN, "bcPZN", "PZN", "Pharma-Zentral-Nummer", "123456"},
    {bcPDF417, "bcPDF417", "PDF417", "PDF417, MicroPDF417, MAcroPDf, PDF417 Truncated", nullptr},
    {bcCodablockF, "bcCodablockF", "CodabarF", "CodabarF", "123ABC"},
    {bcSSCC, "bcSSCC", "SSCC", "Serial Shipping Container Code", ""},
    {bcSISAC, "bcSISAC", "SISAC", "SISAC", ""},
    {bcCode16K, "bcCode16K", "Code16K", "Code16K", "12345678901234567890"},
    {bcCodabarMonarch, "bcCodabarMonarch", "Codabar Monarch", "Codabar Monarch, NW-7", ""},
    {bcFim, "bcFim", "FIM", "FIM A,B,C,D", "A"},
    {bcTelepen, "bcTelepen", "Telepen", "Telepen", "123456789"},
    {bcIntelligentMail, "bcIntelligentMail", "InteligentMail barcode",
     "OneCode 4CB, USPS 4CB, 4-CB, 4-State Customer Barcode, USPS OneCode Solution Barcode",
     "01-234-567094-987654321-01234567891"},
    {bcAustraliaPost, "bcAustraliaPost", "Australia Post Barcode",
     "Australia 4-state postal barcode, Australia Post Customer Barcode", "1196184209"},
    {bcDataMatrix, "bcDataMatrix", "DataMatrix", "DataMatrix", nullptr},
    {bcQRCode, "bcQRCode", "QR Code", "QR code, Code QR, Quick Response code, Micro QR code", nullptr},
    {bcAztec, "bcAztec", "Aztec code", "Aztec code, Aztec MESAS", nullptr},
};

TEST(Catalogue, EveryRowHasItsNamesSampleAndIdentifier) {
  ASSERT_EQ(std::size(kNames), static_cast<size_t>(kSymbologyRows));
  for (int i = 0; i < kSymbologyRows; ++i) {
    const NameRow& r = kNames[i];
    SCOPED_TRACE(r.id);
    ASSERT_EQ(r.sym, i);
    TksBarCodeInfo info = SymbologyInfo(r.sym, u"");
    EXPECT_EQ(info.SelectedSymbology, r.sym);
    EXPECT_EQ(info.Name, r.name);
    EXPECT_EQ(info.LongName, r.longName);
    if (r.initValue) {
      EXPECT_EQ(ToUtf8(info.InitValue), r.initValue);
    }
    EXPECT_EQ(SymbologyIdentifier(r.sym), r.id);
    // Fields that are the same in every row.
    EXPECT_FALSE(info.AutoCaption);
    EXPECT_EQ(info.Length, 0);
    EXPECT_EQ(info.Prefix, "");
    EXPECT_EQ(info.Suffix, "");
  }
}

TEST(Catalogue, SampleSentencesOfTheTwoDimensionalRows) {
  const std::u16string s1 = SymbologyInfo(bcPDF417, u"").InitValue;
  const std::u16string s2 = SymbologyInfo(bcQRCode, u"").InitValue;
  EXPECT_EQ(s1.size(), 62u);
  EXPECT_EQ(s2.size(), 83u);
  EXPECT_NE(ToUtf8(s1).find("Barvello by tavrix"), std::string::npos);
  EXPECT_NE(ToUtf8(s2).find("Barvello by tavrix"), std::string::npos);
  EXPECT_NE(ToUtf8(s1).find('@'), std::string::npos);  // an e-mail address
  EXPECT_EQ(SymbologyInfo(bcDataMatrix, u"").InitValue, s2);
  EXPECT_EQ(SymbologyInfo(bcAztec, u"").InitValue, s2);
}

TEST(Catalogue, AllowedCharacters) {
  const std::u16string digits = u"0123456789";
  const std::u16string digitsUpper = digits + Range(u'A', u'Z');
  const std::u16string hex = u"0123456789ABCDEF";
  struct Case {
    TksBarcodeSymbology sym;
    std::u16string chars;
  };
  const Case cases[] = {
      {bcNone, digits},
      {bcEan13, digits},
      {bcCodabar, u"0123456789-$:/.+abcdtn*eABCDETN"},
      {bcCode39Standard, u"0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ-. $/+%"},
      {bcCode39Full, Range(32, 126) + u"\u20AC"},
      {bcCode93Standard, u"0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ-. $/+%&\"()"},
      {bcCode93Full, Range(32, 126)},
      {bcCode128, Range(1, 126)},
      {bcABCCodabar, u"0123456789-$:/.+ABCD "},
      {bcMSIPlessey, hex},
      {bcPostNet, hex},
      {bcOPC, hex},
      {bcRoyalMail, digitsUpper},
      {bcPostBar, digitsUpper},
      {bcPostbarCPC4State, u"ABCDEFGHIJKLMNOPRSTVUVWXYZ0123456789 "},
      {bcUccEan128, u"0123456789()\x1D[~"},
      {bcCode11, u"0123456789-"},
      {bcCodabarMonarch, u"0123456789$-:/.+abcdtn*eABCDETN"},
      {bcFim, u"ABCD"},
      {bcIntelligentMail, u"0123456789- /"},
      {bcAustraliaPost, Range(u'A', u'Z') + Range(u'a', u'z') + digits + u" "},
      {bcPDF417, u""},
      {bcTelepen, u""},
      {bcCode16K, u""},
      {bcDataMatrix, u""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(SymbologyIdentifier(c.sym));
    EXPECT_EQ(SymbologyInfo(c.sym, u"").Chars, c.chars);
  }
  EXPECT_EQ(SymbologyInfo(bcCodabar, u"").Chars.size(), 31u);
  EXPECT_EQ(SymbologyInfo(bcCode39Full, u"").Chars.size(), 96u);
  EXPECT_EQ(SymbologyInfo(bcCode93Standard, u"").Chars.size(), 47u);
  EXPECT_EQ(SymbologyInfo(bcUccEan128, u"").Chars.size(), 15u);
  const std::u16string c128 = SymbologyInfo(bcCode128, u"").Chars;
  ASSERT_EQ(c128.size(), 126u);
  EXPECT_EQ(c128.front(), 1);
  EXPECT_EQ(c128.back(), u'~');
}

TEST(Catalogue, RuleDrivenFieldsOverAllRows) {
  const std::vector<TksBarcodeSymbology> unsupported = {bcSCC14, bcMSIPlessey, bcSwissPostal, bcPostbarCPC4State,
                                                        bcCodablockF, bcSSCC, bcSISAC, bcCode16K, bcCodabarMonarch,
                                                        bcAztec};
  const std::vector<TksBarcodeSymbology> addOn = {bcEan8, bcEan13, bcISBN,        bcISSN, bcISMN, bcUPCA,
                                                  bcUPCE0, bcUPCE1, bcUPCShipping, bcJAN8, bcJAN13, bcPostNet};
  const std::vector<TksBarcodeSymbology> ratio = {bc25Datalogic, bc25Interleaved, bc25Matrix,
                                                  bc25Industrial, bc25Coop, bcCode11};
  auto in = [](const std::vector<TksBarcodeSymbology>& v, int s) {
    for (auto x : v)
      if (x == s) return true;
    return false;
  };
  for (int i = 0; i < kSymbologyRows; ++i) {
    auto s = static_cast<TksBarcodeSymbology>(i);
    SCOPED_TRACE(SymbologyIdentifier(s));
    TksBarCodeInfo info = SymbologyInfo(s, u"");
    EXPECT_EQ(info.Supported, !in(unsupported, i));
    EXPECT_EQ(info.EnabledAdd, in(addOn, i));
    EXPECT_EQ(info.VariableRatio, in(ratio, i));
    TksSymbolType want = stLinear;
    if ((i >= 28 && i <= 33) || (i >= 48 && i <= 51)) want = stPostalCode;
    if (s == bcPDF417 || s == bcCodablockF || s == bcCode16K) want = stStacked;
    if (s == bcDataMatrix || s == bcQRCode || s == bcAztec) want = stMatrix;
    EXPECT_EQ(info.SymbolType, want);
  }
  // The three Canadian and Singapore four-state rows stay linear.
  EXPECT_EQ(SymbologyInfo(bcSingapore4StatePostalCode, u"").SymbolType, stLinear);
  EXPECT_EQ(SymbologyInfo(bcPostBar, u"").SymbolType, stLinear);
  EXPECT_EQ(SymbologyInfo(bcPostbarCPC4State, u"").SymbolType, stLinear);
}

TEST(Catalogue, DescriptiveFields) {
  struct Case {
    TksBarcodeSymbology sym;
    TksBarcodeSymbology parent;
    int year;
    const char* country;
    double mm;
  };
  const Case cases[] = {
      {bcNone, bcNone, 0, "", 0},
      {bcEan8, bcEan13, 1977, "EU", 2.5},
      {bcCode93Full, bcEan13, 1974, "", 4.0},
      {bc25Interleaved, bc25Datalogic, 1972, "", 4.0},
      {bc25IATA, bc25Datalogic, 0, "", 4.0},
      {bcITF, bc25Interleaved, 0, "", 3.0},
      {bcJAN13, bcEan13, 0, "", 2.5},
      {bcUPCE1, bcEan13, 0, "USA", 2.5},
      {bcUPCShipping, bc25Interleaved, 0, "USA", 2.5},
      {bcSCC14, bcCode128, 0, "", 4.0},
      {bcMSIPlessey, bcEan13, 0, "USA", 2.5},
      {bcDutch4StatePostal, bcRoyalMail, 0, "DE", 6.0},
      {bcSingapore4StatePostalCode, bcRoyalMail, 0, "JPN", 6.0},
      {bcPostbarCPC4State, bcNone, 0, "CAN", 0},
      {bc25Coop, bc25Matrix, 0, "", 4.0},
      {bcPZN, bcCode39Standard, 0, "", 4.0},
      {bcCodabarMonarch, bcCodabar, 0, "SUI", 0},
      {bcTelepen, bcTelepen, 1972, "UK", 6.0},
      {bcIntelligentMail, bcNone, 2007, "USPS (USA)", 0},
      {bcAustraliaPost, bcNone, 0, "Australia", 0},
      {bcQRCode, bcNone, 0, "", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(SymbologyIdentifier(c.sym));
    TksBarCodeInfo info = SymbologyInfo(c.sym, u"");
    EXPECT_EQ(info.ParentCode, c.parent);
    EXPECT_EQ(info.Year, c.year);
    EXPECT_EQ(info.Country, c.country);
    EXPECT_DOUBLE_EQ(info.OptCharWidthMM, c.mm);
  }
}

TEST(Catalogue, CountryOfTheEanPrefix) {
  struct Case {
    const char16_t* text;
    const char* country;
  };
  const Case cases[] = {
      {u"9771210107001", "Periodicals"},
      {u"5901234123457", "Poland"},
      {u"1", "U.S.A. & Canada"},
      {u"000", "U.S.A. & Canada"},
      {u"130", "U.S.A. & Canada"},
      {u"131", ""},
      {u"859", "Chech"},
      {u"858", "Slovakia"},
      {u"4006381333931", "Germany"},
      {u"440", "Germany"},
      {u"441", ""},
      {u"490", "Japan"},
      {u"745", "Guatemala, El Salvador, Honduras, Nicaragua, Costa Rica, Panama"},
      {u"978", "Books"},
      {u"979", "Books"},
      {u"999", "Coupons"},
      {u"ABC", ""},
      {u"", ""},
      {u"12A", ""},
      {u"-12", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(ToUtf8(c.text));
    EXPECT_EQ(EanCountryName(c.text), c.country);
    EXPECT_EQ(SymbologyInfo(bcEan13, c.text).CodeContry, c.country);
  }
  // Only the EAN-13 row looks at the data text.
  EXPECT_EQ(SymbologyInfo(bcJAN13, u"9771210107001").CodeContry, "");
  EXPECT_EQ(SymbologyInfo(bcEan8, u"5901234").CodeContry, "");
}

TEST(Catalogue, FieldTexts) {
  const TksBarCodeInfo ean8 = SymbologyInfo(bcEan8, u"");
  struct Case {
    int field;
    const char* text;
  };
  const Case cases[] = {
      {1, "EAN 8"}, {2, "EAN 8 (2 or 5 digit supplement)"}, {3, "bcEan8"}, {4, "1234567"}, {5, "0123456789"},
      {8, "1977"},  {9, "EU"},  {11, "Ne"},      {13, "stLinear"},       {14, ""},  {15, ""},
      {0, ""},      {6, ""},  {7, ""},         {10, ""},               {12, ""},  {16, ""},
      {-1, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.field);
    EXPECT_EQ(InfoFieldText(ean8, c.field), c.text);
  }
  TksBarCodeInfo withCaption = ean8;
  withCaption.AutoCaption = true;
  EXPECT_EQ(InfoFieldText(withCaption, 11), "Ano");
  // An empty long name shows the short one.
  withCaption.LongName.clear();
  EXPECT_EQ(InfoFieldText(withCaption, 2), "EAN 8");

  EXPECT_EQ(SymbologyFieldText(bcQRCode, 13), "stMatrix");
  EXPECT_EQ(SymbologyFieldText(bcPDF417, 13), "stStacked");
  EXPECT_EQ(SymbologyFieldText(bcPostNet, 13), "stPostalCode");
  EXPECT_EQ(SymbologyFieldText(bcSISAC, 2), "SISAC");
  EXPECT_EQ(SymbologyFieldText(bcPostbarCPC4State, 2),
            "Postbar, CPC 4-state, Canada Post\u2019s 4-State Bar Code Symbology");
  EXPECT_EQ(SymbologyFieldText(bcCode128, 5).size(), 126u);
  EXPECT_EQ(SymbologyFieldText(bcCode39Full, 5).substr(95), "\u20AC");
}

TEST(Catalogue, Identifiers) {
  EXPECT_EQ(SymbologyIdentifier(static_cast<TksBarcodeSymbology>(55)), "");
  EXPECT_EQ(SymbolTypeIdentifier(stUnknown), "stUnknown");
  EXPECT_EQ(SymbolTypeIdentifier(stComposite), "stComposite");
  EXPECT_EQ(SymbolTypeIdentifier(stColorCode), "stColorCode");
  EXPECT_EQ(SymbolTypeIdentifier(static_cast<TksSymbolType>(8)), "");
}

TEST(Catalogue, Counts) {
  EXPECT_EQ(SymbologyCount(0, false), 55);
  EXPECT_EQ(SymbologyCount(0, true), 45);
  EXPECT_EQ(SymbologyCount(SymbolTypeBit(stMatrix), true), 2);
  EXPECT_EQ(SymbologyCount(SymbolTypeBit(stMatrix), false), 3);
  EXPECT_EQ(SymbologyCount(SymbolTypeBit(stStacked), true), 1);
  EXPECT_EQ(SymbologyCount(SymbolTypeBit(stPostalCode), false), 10);
  EXPECT_EQ(SymbologyCount(SymbolTypeBit(stPostalCode) | SymbolTypeBit(stMatrix), true), 11);
  EXPECT_EQ(SymbologyCount(SymbolTypeBit(stComposite), false), 0);
  // bcNone is a supported linear row.
  EXPECT_TRUE(SymbologyInfo(bcNone, u"").Supported);
}

TEST(Catalogue, SymbologyFromName) {
  struct Case {
    const char* name;
    bool found;
    TksBarcodeSymbology sym;
  };
  const Case cases[] = {
      {"bcEan13", true, bcEan13},        {"BCEAN13", true, bcEan13},  {"ean13", true, bcEan13},
      {"bc25Interleaved", true, bc25Interleaved}, {"25interleaved", true, bc25Interleaved},
      {"4State", true, bc4State},        {"bcNone", true, bcNone},    {"bcAztec", true, bcAztec},
      {"EAN 13", false, bcNone},         {"bc", false, bcNone},       {"", false, bcNone},
      {"bcEan", false, bcNone},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TksBarcodeSymbology out = bcNone;
    EXPECT_EQ(SymbologyFromName(c.name, out), c.found);
    if (c.found) {
      EXPECT_EQ(out, c.sym);
    }
  }
  for (int i = 0; i < kSymbologyRows; ++i) {
    TksBarcodeSymbology out = bcNone;
    auto s = static_cast<TksBarcodeSymbology>(i);
    ASSERT_TRUE(SymbologyFromName(SymbologyIdentifier(s), out));
    EXPECT_EQ(out, s);
  }
}

// The row's encoder entry and painter agree with what encoding gives: every supported
// row that names an encoder turns its own sample text into something its painter
// draws, and the rows without one give an empty pattern.
TEST(Catalogue, EncoderEntryAndPainterOfEveryRow) {
  for (int i = 0; i < kSymbologyRows; ++i) {
    const auto s = static_cast<TksBarcodeSymbology>(i);
    const SymbologyRow& row = CatalogueRow(s);
    if (!row.supported || !row.selectable || std::u16string_view(row.initValue).empty()) continue;
    SCOPED_TRACE(row.identifier);
    TksBarcodeComponent bc;
    bc.SetBarcodeSymbology(s);
    ASSERT_EQ(bc.BarcodeSymbology(), s);
    const std::string pattern = bc.EncodeBars(bc.BarCode());
    switch (row.painter) {
      case SymbolPainter::Linear:
        EXPECT_EQ(pattern.find_first_of("123MAHDSTFV") != std::string::npos, row.encode != nullptr) << pattern;
        break;
      case SymbolPainter::Matrix:
        EXPECT_TRUE(pattern.empty());
        EXPECT_GT(bc.Pixels().NC, 0);
        break;
      case SymbolPainter::Stacked:
        EXPECT_TRUE(pattern.empty());
        BuildPdf417Rows(bc, bc.Bars());
        EXPECT_GT(bc.Bars().size(), 2u);
        break;
      case SymbolPainter::None:
        EXPECT_TRUE(pattern.empty());
        break;
    }
  }
  // A row that cannot be chosen keeps the barcode's symbology.
  TksBarcodeComponent bc;
  bc.SetBarcodeSymbology(bcCode16K);
  EXPECT_EQ(bc.BarcodeSymbology(), bcEan13);
}

}  // namespace
}  // namespace ks
