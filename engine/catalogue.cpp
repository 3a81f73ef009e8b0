// The symbology catalogue: one row per symbology with its names, sample text, allowed
// characters, descriptive data, capabilities, rules and encoder entry, plus the EAN
// prefix lookup and the display helpers built on it.
#include "engine/catalogue.h"

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

#include "engine/dispatch.h"
#include "engine/symbology.h"
#include "engine/ustring.h"
#include "engine/validate.h"

namespace ks {

namespace {

// A null-terminated run of consecutive character codes, optionally followed by a few more.
template <char16_t First, char16_t Last, char16_t... Extra>
constexpr auto CharRange() {
  std::array<char16_t, (Last - First + 1) + sizeof...(Extra) + 1> a{};
  std::size_t k = 0;
  for (char16_t c = First; c <= Last; ++c) a[k++] = c;
  ((a[k++] = Extra), ...);
  a[k] = 0;
  return a;
}

constexpr auto kPrintableAscii = CharRange<32, 126>();
constexpr auto kPrintableAsciiEuro = CharRange<32, 126, u'\u20AC'>();
constexpr auto kCode128Chars = CharRange<1, 126>();

constexpr const char16_t* kDigits = u"0123456789";
constexpr const char16_t* kHexDigits = u"0123456789ABCDEF";
constexpr const char16_t* kDigitsUpper = u"0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";

// Sample texts of the two-dimensional rows.
constexpr const char16_t* kSamplePdf417 = u"Barvello by tavrix, www.barvello.example.com, info@example.com";
constexpr const char16_t* kSample2D =
    u"Barvello by tavrix, visit us at www.barvello.example.com and www.tavrix.example.org";

// Capabilities that whole families of rows share.
constexpr uint32_t kEanUpc = capAddOn | capEanMargin;
constexpr uint32_t kTwoOf5 = capVariableRatio;
constexpr uint32_t kPostal = capHeightModulated;
constexpr uint8_t kPdf417Pages = edPagePdf417 | edPage2D;

// One row per symbology, in enumeration order.
constexpr SymbologyRow kRows[kSymbologyRows] = {
    {.identifier = "bcNone", .name = "Undefined symbology", .chars = kDigits, .painter = SymbolPainter::None},
    {.identifier = "bcEan8", .name = "EAN 8", .longName = "EAN 8 (2 or 5 digit supplement)", .initValue = u"1234567",
     .chars = kDigits, .parent = bcEan13, .year = 1977, .country = "EU", .optCharWidthMM = 2.5,
     .capabilities = capAddOn, .humanLayout = HumanLayout::Ean8, .validate = validation::Ean8,
     .complete = completion::Ean8, .encode = dispatch::Ean8},
    {.identifier = "bcEan13", .name = "EAN 13", .longName = "EAN 13 (2 or 5 digit supplement)",
     .initValue = u"9771210107001", .chars = kDigits, .parent = bcEan13, .year = 1977, .country = "EU",
     .optCharWidthMM = 2.5, .capabilities = kEanUpc, .humanLayout = HumanLayout::Ean13,
     .validate = validation::Ean13, .complete = completion::Ean13, .encode = dispatch::Ean13},
    {.identifier = "bcCodabar", .name = "Codabar", .longName = "Codabar (Monarch, NW-7, USD-4, 2 of 7 code)",
     .initValue = u"A0123+-$/:68A", .chars = u"0123456789-$:/.+abcdtn*eABCDETN", .parent = bcCodabar, .year = 1972,
     .optCharWidthMM = 4.0, .validate = validation::Codabar, .encode = dispatch::Codabar},
    {.identifier = "bcCode39Standard", .name = "Code 39 Standard", .initValue = u"TAVRIX",
     .chars = u"0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ-. $/+%", .parent = bcCode39Standard, .year = 1972,
     .optCharWidthMM = 4.0, .encode = dispatch::Code39},
    {.identifier = "bcCode39Full", .name = "Code 39 Extended", .initValue = u"TAVRIX",
     .chars = kPrintableAsciiEuro.data(), .parent = bcCode39Standard, .year = 1974, .optCharWidthMM = 4.0,
     .validate = validation::Code39Full, .encode = dispatch::Code39Full},
    {.identifier = "bcCode93Standard", .name = "Code 93 Standard", .initValue = u"TAVRIX",
     .chars = u"0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ-. $/+%&\"()", .parent = bcCode93Standard, .year = 1982,
     .optCharWidthMM = 4.0, .validate = validation::Code93, .encode = dispatch::Code93},
    {.identifier = "bcCode93Full", .name = "Code 93 Extended", .initValue = u"TAVRIX", .chars = kPrintableAscii.data(),
     .parent = bcEan13, .year = 1974, .optCharWidthMM = 4.0, .encode = dispatch::Code93Full},
    {.identifier = "bcCode128", .name = "Code 128", .initValue = u"TAVRIX", .chars = kCode128Chars.data(),
     .parent = bcCode128, .year = 1981, .optCharWidthMM = 4.0, .validate = validation::Code128,
     .encode = dispatch::Code128},
    {.identifier = "bcABCCodabar", .name = "AbcCodabar", .initValue = u"ABCCBA", .chars = u"0123456789-$:/.+ABCD ",
     .parent = bcCodabar, .year = 1977, .optCharWidthMM = 4.0, .validate = validation::AbcCodabar,
     .encode = dispatch::AbcCodabar},
    {.identifier = "bc25Datalogic", .name = "2/5 Datalogic", .longName = "2/5 Datalogic, Code25, 2 of 5",
     .initValue = u"123456", .chars = kDigits, .parent = bc25Datalogic, .year = 1968, .optCharWidthMM = 4.0,
     .capabilities = kTwoOf5, .encode = dispatch::TwoOf5Datalogic},
    {.identifier = "bc25Interleaved", .name = "2/5 Interleaved (ITF)", .longName = "Code25, 2 of 5, ITF",
     .initValue = u"123456", .chars = kDigits, .parent = bc25Datalogic, .year = 1972, .optCharWidthMM = 4.0,
     .capabilities = kTwoOf5, .validate = validation::Interleaved, .encode = dispatch::Interleaved},
    {.identifier = "bc25Matrix", .name = "2/5 Matrix ", .longName = "Code25, 2/5 Matrix", .initValue = u"123456",
     .chars = kDigits, .parent = bc25Datalogic, .year = 1968, .optCharWidthMM = 4.0, .capabilities = kTwoOf5,
     .encode = dispatch::TwoOf5Matrix},
    {.identifier = "bc25Industrial", .name = "2/5 Industrial", .longName = "Code25, 2/5 Industrial",
     .initValue = u"123456", .chars = kDigits, .parent = bc25Datalogic, .year = 1972, .optCharWidthMM = 4.0,
     .capabilities = kTwoOf5, .encode = dispatch::TwoOf5Industrial},
    {.identifier = "bc25IATA", .name = "2/5 IATA", .longName = "Code25, 2/5 IATA", .initValue = u"123456",
     .chars = kDigits, .parent = bc25Datalogic, .optCharWidthMM = 4.0, .encode = dispatch::TwoOf5Iata},
    {.identifier = "bc25Invert", .name = "2/5 INVERT", .longName = "Code25, 2/5 INVERT", .initValue = u"123456",
     .chars = kDigits, .parent = bc25Datalogic, .optCharWidthMM = 4.0, .encode = dispatch::TwoOf5Invert},
    {.identifier = "bcITF", .name = "ITF", .longName = "ITF6, ITF14 (SSC14), ITF16", .initValue = u"0977121010700",
     .chars = kDigits, .parent = bc25Interleaved, .optCharWidthMM = 3.0, .capabilities = capBearerFrame,
     .validate = validation::Itf, .complete = completion::Itf, .encode = dispatch::Interleaved},
    {.identifier = "bcISBN", .name = "ISBN (Bookland)", .longName = "ISBN (International Standard Book Number)",
     .initValue = u"80-7226-102", .chars = kDigits, .parent = bcEan13, .optCharWidthMM = 2.5,
     .capabilities = kEanUpc, .humanLayout = HumanLayout::Ean13, .bookNumber = BookNumber::Isbn,
     .validate = validation::Isbn, .complete = completion::Isbn, .encode = dispatch::BookNumberEan13},
    {.identifier = "bcISSN", .name = "ISSN", .longName = "ISSN (International Standard Serial Number)",
     .initValue = u"80-7226-102", .chars = kDigits, .parent = bcEan13, .optCharWidthMM = 2.5,
     .capabilities = kEanUpc, .humanLayout = HumanLayout::Ean13, .bookNumber = BookNumber::Issn,
     .validate = validation::Issn, .complete = completion::Issn, .encode = dispatch::BookNumberEan13},
    {.identifier = "bcISMN", .name = "ISMN", .longName = "ISMN (International Standard Music Number)",
     .initValue = u"80-7226-102", .chars = kDigits, .parent = bcEan13, .optCharWidthMM = 2.5,
     .capabilities = kEanUpc, .humanLayout = HumanLayout::Ean13, .bookNumber = BookNumber::Ismn,
     .validate = validation::Ismn, .complete = completion::Ismn, .encode = dispatch::BookNumberEan13},
    {.identifier = "bcUPCA", .name = "UPC-A", .longName = "UPC-A (with or without supplements)",
     .initValue = u"01234567890", .chars = kDigits, .parent = bcEan13, .country = "USA", .optCharWidthMM = 2.5,
     .capabilities = kEanUpc, .humanLayout = HumanLayout::UpcA, .validate = validation::UpcA,
     .complete = completion::UpcA, .encode = dispatch::UpcA},
    {.identifier = "bcUPCE0", .name = "UPC-E0", .longName = "UPC-E0 (with or without supplements)",
     .initValue = u"0123456", .chars = kDigits, .parent = bcEan13, .country = "USA", .optCharWidthMM = 2.5,
     .capabilities = kEanUpc, .humanLayout = HumanLayout::UpcE0, .validate = validation::UpcE0,
     .complete = completion::UpcE, .encode = dispatch::UpcE0},
    {.identifier = "bcUPCE1", .name = "UPC-E1", .longName = "UPC-E1 (with or without supplements)",
     .initValue = u"0123456", .chars = kDigits, .parent = bcEan13, .country = "USA", .optCharWidthMM = 2.5,
     .capabilities = kEanUpc, .humanLayout = HumanLayout::UpcE1, .validate = validation::UpcE1,
     .complete = completion::UpcE, .encode = dispatch::UpcE1},
    {.identifier = "bcUPCShipping", .name = "UPC-Shipping", .initValue = u"1234567890123", .chars = kDigits,
     .parent = bc25Interleaved, .country = "USA", .optCharWidthMM = 2.5, .capabilities = capAddOn,
     .humanLayout = HumanLayout::UpcShipping, .validate = validation::UpcShipping,
     .complete = completion::UpcShipping, .encode = dispatch::UpcShipping},
    {.identifier = "bcSCC14", .name = "SCC-14", .longName = "Shipping Container Code (EAN/UCC-14,SCC-14)",
     .initValue = u"1234567890123", .chars = kDigits, .parent = bcCode128, .optCharWidthMM = 4.0,
     .supported = false},
    {.identifier = "bcJAN8", .name = "JAN8", .longName = "Japanese version of  EAN 8", .initValue = u"49123456",
     .chars = kDigits, .parent = bcEan13, .optCharWidthMM = 2.5, .capabilities = capAddOn,
     .humanLayout = HumanLayout::Ean8, .validate = validation::Ean8, .complete = completion::Jan8,
     .encode = dispatch::Ean8},
    {.identifier = "bcJAN13", .name = "JAN13", .longName = "Japanese version of  EAN 13", .initValue = u"491234567890",
     .chars = kDigits, .parent = bcEan13, .optCharWidthMM = 2.5, .capabilities = kEanUpc,
     .humanLayout = HumanLayout::Ean13, .validate = validation::Ean13, .complete = completion::Jan13,
     .encode = dispatch::BookNumberEan13},
    {.identifier = "bcMSIPlessey", .name = "MSI/Plessey", .longName = "MSI/Plessey (Modified)", .chars = kHexDigits,
     .parent = bcEan13, .country = "USA", .optCharWidthMM = 2.5, .supported = false, .validate = validation::Msi,
     .encode = dispatch::Msi},
    {.identifier = "bcPostNet", .name = "PostNet", .longName = "PostNet (ZIP, ZIP+4, DPBC)",
     .initValue = u"12345678901", .chars = kHexDigits, .parent = bcPostNet, .country = "USA", .optCharWidthMM = 6.0,
     .type = stPostalCode, .capabilities = capAddOn | kPostal, .validate = validation::PostNet,
     .encode = dispatch::PostNet},
    {.identifier = "bcPlanet", .name = "Planet", .longName = "Planet Barcode", .initValue = u"12345678901",
     .chars = kDigits, .parent = bcPlanet, .country = "USA", .optCharWidthMM = 6.0, .type = stPostalCode,
     .capabilities = kPostal, .validate = validation::Planet, .encode = dispatch::Planet},
    {.identifier = "bcRoyalMail", .name = "Royal Mail Barcode", .longName = "Royal Mail Barcode, RMS4CC",
     .initValue = u"123456789", .chars = kDigitsUpper, .parent = bcRoyalMail, .country = "UK",
     .optCharWidthMM = 6.0, .type = stPostalCode, .capabilities = kPostal, .encode = dispatch::RoyalMail},
    {.identifier = "bc4State", .name = "4 State barcode", .initValue = u"123456", .chars = kDigitsUpper,
     .parent = bcRoyalMail, .country = "UK", .optCharWidthMM = 6.0, .type = stPostalCode, .capabilities = kPostal,
     .encode = dispatch::FourState},
    {.identifier = "bcDutch4StatePostal", .name = "Dutch 4-State Postal", .initValue = u"3224BC10",
     .chars = kDigitsUpper, .parent = bcRoyalMail, .country = "DE", .optCharWidthMM = 6.0, .type = stPostalCode,
     .capabilities = kPostal, .encode = dispatch::Kix},
    {.identifier = "bcSwissPostal", .name = "SwissPostal", .longName = "Royal Mail Barcode, RMS4CC",
     .initValue = u"123456789", .chars = kDigitsUpper, .parent = bcRoyalMail, .country = "UK",
     .optCharWidthMM = 6.0, .type = stPostalCode, .supported = false},
    {.identifier = "bcSingapore4StatePostalCode", .name = "Singapore Post 4-State Mail Code", .initValue = u"123456",
     .chars = kDigitsUpper, .parent = bcRoyalMail, .country = "JPN", .optCharWidthMM = 6.0, .capabilities = kPostal,
     .validate = validation::Singapore, .encode = dispatch::RoyalMail},
    {.identifier = "bcPostBar", .name = "PostBar", .longName = "PostBar, CPC 4 State", .initValue = u"123456",
     .chars = kDigitsUpper, .parent = bcPostBar, .country = "CAN", .optCharWidthMM = 6.0},
    {.identifier = "bcPostbarCPC4State", .name = "CPC 4-state",
     .longName = "Postbar, CPC 4-state, Canada Post\xE2\x80\x99s 4-State Bar Code Symbology",
     .initValue = u"B K1A 4S2 1234", .chars = u"ABCDEFGHIJKLMNOPRSTVUVWXYZ0123456789 ", .country = "CAN",
     .supported = false, .validate = validation::AnyText, .encode = dispatch::PostbarCpc},
    {.identifier = "bcOPC", .name = "OPC", .longName = "OPC (Optical Industry Association)", .initValue = u"1234567897",
     .chars = kHexDigits, .parent = bcEan13, .country = "USA", .optCharWidthMM = 6.0,
     .humanLayout = HumanLayout::Opc, .validate = validation::Opc, .complete = completion::Opc,
     .encode = dispatch::Interleaved},
    {.identifier = "bcUccEan128", .name = "UCC/EAN 128", .chars = u"0123456789()" u"\x1D" u"[~", .parent = bcCode128,
     .optCharWidthMM = 4.0, .validate = validation::Gs1_128, .encode = dispatch::Gs1_128},
    {.identifier = "bc25Coop", .name = "2/5 Coop", .longName = "Code25, 2/5 Matrix", .initValue = u"123456",
     .chars = kDigits, .parent = bc25Matrix, .optCharWidthMM = 4.0, .capabilities = kTwoOf5,
     .encode = dispatch::TwoOf5Coop},
    {.identifier = "bcCode11", .name = "Code 11", .longName = "Code 11 (USD-8)", .initValue = u"123456",
     .chars = u"0123456789-", .optCharWidthMM = 4.0, .capabilities = capVariableRatio, .encode = dispatch::Code11},
    {.identifier = "bcPZN", .name = "PZN", .longName = "Pharma-Zentral-Nummer", .initValue = u"123456",
     .chars = kDigits, .parent = bcCode39Standard, .optCharWidthMM = 4.0, .humanPrefix = u"PZN - ",
     .validate = validation::Pzn, .complete = completion::Pzn, .encode = dispatch::Pzn},
    {.identifier = "bcPDF417", .name = "PDF417", .longName = "PDF417, MicroPDF417, MAcroPDf, PDF417 Truncated",
     .initValue = kSamplePdf417, .type = stStacked, .painter = SymbolPainter::Stacked, .editorPages = kPdf417Pages},
    {.identifier = "bcCodablockF", .name = "CodabarF", .initValue = u"123ABC", .parent = bcCode128, .type = stStacked,
     .supported = false, .selectable = false, .painter = SymbolPainter::None},
    {.identifier = "bcSSCC", .name = "SSCC", .longName = "Serial Shipping Container Code", .parent = bcCode128,
     .supported = false},
    {.identifier = "bcSISAC", .name = "SISAC", .parent = bcCode128, .supported = false},
    {.identifier = "bcCode16K", .name = "Code16K", .initValue = u"12345678901234567890", .parent = bcCode128,
     .type = stStacked, .supported = false, .selectable = false, .painter = SymbolPainter::None},
    {.identifier = "bcCodabarMonarch", .name = "Codabar Monarch", .longName = "Codabar Monarch, NW-7",
     .chars = u"0123456789$-:/.+abcdtn*eABCDETN", .parent = bcCodabar, .country = "SUI", .supported = false,
     .encode = dispatch::CodabarMonarch},
    {.identifier = "bcFim", .name = "FIM", .longName = "FIM A,B,C,D", .initValue = u"A", .chars = u"ABCD",
     .type = stPostalCode, .encode = dispatch::Fim},
    {.identifier = "bcTelepen", .name = "Telepen", .initValue = u"123456789", .parent = bcTelepen, .year = 1972,
     .country = "UK", .optCharWidthMM = 6.0, .type = stPostalCode, .validate = validation::Telepen,
     .encode = dispatch::Telepen},
    {.identifier = "bcIntelligentMail", .name = "InteligentMail barcode",
     .longName = "OneCode 4CB, USPS 4CB, 4-CB, 4-State Customer Barcode, USPS OneCode Solution Barcode",
     .initValue = u"01-234-567094-987654321-01234567891", .chars = u"0123456789- /", .year = 2007,
     .country = "USPS (USA)", .type = stPostalCode, .capabilities = kPostal, .validate = validation::IntelligentMail,
     .encode = dispatch::IntelligentMail},
    {.identifier = "bcAustraliaPost", .name = "Australia Post Barcode",
     .longName = "Australia 4-state postal barcode, Australia Post Customer Barcode", .initValue = u"1196184209",
     .chars = u"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789 ", .country = "Australia",
     .type = stPostalCode, .capabilities = kPostal, .validate = validation::AustraliaPost,
     .encode = dispatch::AustraliaPost},
    {.identifier = "bcDataMatrix", .name = "DataMatrix", .initValue = kSample2D, .type = stMatrix,
     .painter = SymbolPainter::Matrix, .editorPages = edPage2D | edPageDataMatrix, .encode = dispatch::DataMatrix},
    {.identifier = "bcQRCode", .name = "QR Code", .longName = "QR code, Code QR, Quick Response code, Micro QR code",
     .initValue = kSample2D, .type = stMatrix, .painter = SymbolPainter::Matrix,
     .editorPages = edPage2D | edPageQRCode, .encode = dispatch::QRCode},
    {.identifier = "bcAztec", .name = "Aztec code", .longName = "Aztec code, Aztec MESAS", .initValue = kSample2D,
     .type = stMatrix, .supported = false, .painter = SymbolPainter::Matrix, .editorPages = edPage2D | edPageAztec},
};

constexpr bool SameText(const char* a, const char* b) {
  while (*a && *a == *b) ++a, ++b;
  return *a == *b;
}

// Every row is filled in, and the rows stand in enumeration order.
constexpr bool RowsInOrder() {
  for (const SymbologyRow& row : kRows)
    if (row.identifier[0] != 'b' || row.identifier[1] != 'c') return false;
  return SameText(kRows[bcEan13].identifier, "bcEan13") && SameText(kRows[bcUPCA].identifier, "bcUPCA") &&
         SameText(kRows[bcPostNet].identifier, "bcPostNet") && SameText(kRows[bcPDF417].identifier, "bcPDF417") &&
         SameText(kRows[bcTelepen].identifier, "bcTelepen") && SameText(kRows[bcAztec].identifier, "bcAztec");
}
static_assert(RowsInOrder());

constexpr std::array<const char*, 8> kSymbolTypeIds = {"stUnknown", "stLinear",  "stPostalCode", "stStacked",
                                                       "stComposite", "stMatrix", "st3DCode",   "stColorCode"};

// EAN/GS1 prefix ranges by the value of the first three digits.
struct PrefixRange {
  int first;
  int last;
  const char* name;
};
constexpr PrefixRange kEanPrefixes[] = {
    {0, 130, "U.S.A. & Canada"},
    {200, 290, "In-store numbers"},
    {300, 370, "France"},
    {380, 380, "Bulgaria"},
    {383, 383, "Slovenia"},
    {385, 385, "Croatia"},
    {387, 387, "Bosnia-Herzegovina"},
    {400, 440, "Germany"},
    {450, 459, "Japan"},
    {460, 469, "Russian Federation"},
    {471, 471, "Taiwan"},
    {474, 474, "Estonia"},
    {475, 475, "Latvia"},
    {477, 477, "Lithuania"},
    {479, 479, "Sri Lanka"},
    {480, 480, "Philippines"},
    {482, 482, "Ukraine"},
    {484, 484, "Moldova"},
    {485, 485, "Armenia"},
    {486, 486, "Georgia"},
    {487, 487, "Kazakhstan"},
    {489, 489, "Hong Kong"},
    {490, 491, "Japan"},
    {500, 509, "U.K."},
    {520, 520, "Greece"},
    {528, 528, "Lebanon"},
    {529, 529, "Cyprus"},
    {531, 531, "Macedonia"},
    {535, 535, "Malta"},
    {539, 539, "Ireland"},
    {540, 549, "Belgium & Luxembourg"},
    {560, 560, "Portugal"},
    {569, 569, "Iceland"},
    {570, 579, "Denmark"},
    {590, 590, "Poland"},
    {594, 594, "Rumania"},
    {599, 599, "Hungary"},
    {600, 601, "South Africa"},
    {609, 609, "Mauritius"},
    {611, 611, "Maroc"},
    {613, 613, "Algeria"},
    {619, 619, "Tunisia"},
    {622, 622, "Egypt"},
    {626, 626, "Iran"},
    {640, 649, "Finland"},
    {690, 692, "China"},
    {700, 709, "Norge"},
    {729, 729, "Israel"},
    {730, 739, "Sweden"},
    {740, 745, "Guatemala, El Salvador, Honduras, Nicaragua, Costa Rica, Panama"},
    {746, 746, "Republica Dominica"},
    {750, 750, "Mexico"},
    {759, 759, "Venezuela"},
    {760, 769, "Suisse"},
    {770, 770, "Colombia"},
    {773, 773, "Uruguay"},
    {775, 775, "Peru"},
    {777, 777, "Bolivia"},
    {779, 779, "Argentina"},
    {780, 780, "Chile"},
    {784, 784, "Paraguay"},
    {786, 786, "Ecuador"},
    {789, 789, "Brazil"},
    {800, 830, "Italy"},
    {840, 849, "Spain"},
    {850, 850, "Cuba"},
    {858, 858, "Slovakia"},
    {859, 859, "Chech"},
    {860, 860, "Yugoslavia"},
    {869, 869, "Turkey"},
    {870, 879, "Nederland"},
    {880, 880, "South Corea"},
    {885, 885, "Thailand"},
    {888, 888, "Singapore"},
    {890, 890, "India"},
    {893, 893, "Vietnam"},
    {899, 899, "Indonesia"},
    {900, 919, "Austria"},
    {930, 939, "Australia"},
    {940, 949, "New Zealand"},
    {955, 955, "Malaysia"},
    {977, 977, "Periodicals"},
    {978, 979, "Books"},
    {980, 980, "Refund receipts"},
    {990, 999, "Coupons"},
};

// Reads a text as a decimal integer with an optional sign; false unless the whole text
// is one.
bool ParseInteger(std::u16string_view t, long long& out) {
  std::size_t i = 0;
  bool neg = false;
  if (i < t.size() && (t[i] == u'+' || t[i] == u'-')) neg = (t[i++] == u'-');
  if (i >= t.size()) return false;
  long long v = 0;
  for (; i < t.size(); ++i) {
    if (t[i] < u'0' || t[i] > u'9') return false;
    v = v * 10 + (t[i] - u'0');
  }
  out = neg ? -v : v;
  return true;
}

}  // namespace

const SymbologyRow& CatalogueRow(TksBarcodeSymbology symbology) {
  return symbology < kSymbologyRows ? kRows[symbology] : kRows[bcNone];
}

TksBarCodeInfo SymbologyInfo(TksBarcodeSymbology symbology, std::u16string_view dataText) {
  TksBarCodeInfo info;
  info.SelectedSymbology = symbology;
  if (symbology >= kSymbologyRows) return info;

  const SymbologyRow& row = kRows[symbology];
  info.SymbolType = row.type;
  info.VariableRatio = row.Has(capVariableRatio);
  info.Name = row.name;
  info.LongName = row.longName;
  info.InitValue = row.initValue;
  info.Chars = row.chars;
  info.ParentCode = row.parent;
  info.Year = row.year;
  info.Country = row.country;
  info.OptCharWidthMM = row.optCharWidthMM;
  info.Supported = row.supported;
  info.EnabledAdd = row.Has(capAddOn);

  if (symbology == bcEan13) info.CodeContry = EanCountryName(dataText);
  if (info.LongName.empty()) info.LongName = info.Name;
  return info;
}

std::u16string_view SymbologyChars(TksBarcodeSymbology symbology) {
  return symbology < kSymbologyRows ? std::u16string_view(kRows[symbology].chars) : std::u16string_view();
}

bool SymbologySupported(TksBarcodeSymbology symbology) {
  return symbology >= kSymbologyRows || kRows[symbology].supported;
}

TksSymbolType SymbologyType(TksBarcodeSymbology symbology) {
  return symbology < kSymbologyRows ? kRows[symbology].type : stLinear;
}

bool SymbologyVariableRatio(TksBarcodeSymbology symbology) {
  return symbology < kSymbologyRows && kRows[symbology].Has(capVariableRatio);
}

std::string EanCountryName(std::u16string_view dataText) {
  long long key;
  if (!ParseInteger(dataText.substr(0, 3), key)) return {};
  for (const auto& p : kEanPrefixes)
    if (key >= p.first && key <= p.last) return p.name;
  return {};
}

std::string InfoFieldText(const TksBarCodeInfo& info, int field) {
  switch (field) {
    case 1: return info.Name;
    case 2: return info.LongName.empty() ? info.Name : info.LongName;
    case 3: return SymbologyIdentifier(info.SelectedSymbology);
    case 4: return ToUtf8(info.InitValue);
    case 5: return ToUtf8(info.Chars);
    case 8: return std::to_string(info.Year);
    case 9: return info.Country;
    case 11: return info.AutoCaption ? "Ano" : "Ne";
    case 13: return SymbolTypeIdentifier(info.SymbolType);
    case 14: return info.Prefix;
    case 15: return info.Suffix;
    default: return {};
  }
}

std::string SymbologyFieldText(TksBarcodeSymbology symbology, int field) {
  return InfoFieldText(SymbologyInfo(symbology, {}), field);
}

std::string SymbologyIdentifier(TksBarcodeSymbology symbology) {
  if (symbology >= kSymbologyRows) return {};
  return kRows[symbology].identifier;
}

std::string SymbolTypeIdentifier(TksSymbolType type) {
  if (type >= kSymbolTypeIds.size()) return {};
  return kSymbolTypeIds[type];
}

int SymbologyCount(TksSymbolTypes types, bool onlySupported) {
  int n = 0;
  for (int i = 0; i < kSymbologyRows; ++i) {
    auto s = static_cast<TksBarcodeSymbology>(i);
    if (types != 0 && (types & SymbolTypeBit(kRows[s].type)) == 0) continue;
    if (onlySupported && !kRows[s].supported) continue;
    ++n;
  }
  return n;
}

bool SymbologyFromName(std::string_view name, TksBarcodeSymbology& out) {
  for (int i = 0; i < kSymbologyRows; ++i) {
    std::string_view id = kRows[i].identifier;
    if (EqualsNoCase(name, id) || EqualsNoCase(name, id.substr(2))) {
      out = static_cast<TksBarcodeSymbology>(i);
      return true;
    }
  }
  return false;
}

}  // namespace ks
