// The symbology catalogue: names, sample texts, allowed characters and descriptive data
// of every symbology, plus the EAN prefix lookup and the display helpers built on it.
#include <array>
#include <cstddef>
#include <string>
#include <string_view>

#include "engine/symbology.h"
#include "engine/ustring.h"

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

struct CatalogueRow {
  const char* name;
  const char* longName;  // empty: the same as name
  const char16_t* initValue;
  const char16_t* chars;  // empty: no restriction
  TksBarcodeSymbology parent;
  uint16_t year;
  const char* country;
  double optCharWidthMM;
};

// One row per symbology, in enumeration order.
constexpr CatalogueRow kRows[kSymbologyRows] = {
    {"Undefined symbology", "", u"", kDigits, bcNone, 0, "", 0},
    {"EAN 8", "EAN 8 (2 or 5 digit supplement)", u"1234567", kDigits, bcEan13, 1977, "EU", 2.5},
    {"EAN 13", "EAN 13 (2 or 5 digit supplement)", u"9771210107001", kDigits, bcEan13, 1977, "EU", 2.5},
    {"Codabar", "Codabar (Monarch, NW-7, USD-4, 2 of 7 code)", u"A0123+-$/:68A",
     u"0123456789-$:/.+abcdtn*eABCDETN", bcCodabar, 1972, "", 4.0},
    {"Code 39 Standard", "", u"TAVRIX", u"0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ-. $/+%", bcCode39Standard,
     1972, "", 4.0},
    {"Code 39 Extended", "", u"TAVRIX", kPrintableAsciiEuro.data(), bcCode39Standard, 1974, "", 4.0},
    {"Code 93 Standard", "", u"TAVRIX", u"0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ-. $/+%&\"()", bcCode93Standard,
     1982, "", 4.0},
    {"Code 93 Extended", "", u"TAVRIX", kPrintableAscii.data(), bcEan13, 1974, "", 4.0},
    {"Code 128", "", u"TAVRIX", kCode128Chars.data(), bcCode128, 1981, "", 4.0},
    {"AbcCodabar", "", u"ABCCBA", u"0123456789-$:/.+ABCD ", bcCodabar, 1977, "", 4.0},
    {"2/5 Datalogic", "2/5 Datalogic, Code25, 2 of 5", u"123456", kDigits, bc25Datalogic, 1968, "", 4.0},
    {"2/5 Interleaved (ITF)", "Code25, 2 of 5, ITF", u"123456", kDigits, bc25Datalogic, 1972, "", 4.0},
    {"2/5 Matrix ", "Code25, 2/5 Matrix", u"123456", kDigits, bc25Datalogic, 1968, "", 4.0},
    {"2/5 Industrial", "Code25, 2/5 Industrial", u"123456", kDigits, bc25Datalogic, 1972, "", 4.0},
    {"2/5 IATA", "Code25, 2/5 IATA", u"123456", kDigits, bc25Datalogic, 0, "", 4.0},
    {"2/5 INVERT", "Code25, 2/5 INVERT", u"123456", kDigits, bc25Datalogic, 0, "", 4.0},
    {"ITF", "ITF6, ITF14 (SSC14), ITF16", u"0977121010700", kDigits, bc25Interleaved, 0, "", 3.0},
    {"ISBN (Bookland)", "ISBN (International Standard Book Number)", u"80-7226-102", kDigits, bcEan13, 0, "",
     2.5},
    {"ISSN", "ISSN (International Standard Serial Number)", u"80-7226-102", kDigits, bcEan13, 0, "", 2.5},
    {"ISMN", "ISMN (International Standard Music Number)", u"80-7226-102", kDigits, bcEan13, 0, "", 2.5},
    {"UPC-A", "UPC-A (with or without supplements)", u"01234567890", kDigits, bcEan13, 0, "USA", 2.5},
    {"UPC-E0", "UPC-E0 (with or without supplements)", u"0123456", kDigits, bcEan13, 0, "USA", 2.5},
    {"UPC-E1", "UPC-E1 (with or without supplements)", u"0123456", kDigits, bcEan13, 0, "USA", 2.5},
    {"UPC-Shipping", "", u"1234567890123", kDigits, bc25Interleaved, 0, "USA", 2.5},
    {"SCC-14", "Shipping Container Code (EAN/UCC-14,SCC-14)", u"1234567890123", kDigits, bcCode128, 0, "",
     4.0},
    {"JAN8", "Japanese version of  EAN 8", u"49123456", kDigits, bcEan13, 0, "", 2.5},
    {"JAN13", "Japanese version of  EAN 13", u"491234567890", kDigits, bcEan13, 0, "", 2.5},
    {"MSI/Plessey", "MSI/Plessey (Modified)", u"", kHexDigits, bcEan13, 0, "USA", 2.5},
    {"PostNet", "PostNet (ZIP, ZIP+4, DPBC)", u"12345678901", kHexDigits, bcPostNet, 0, "USA", 6.0},
    {"Planet", "Planet Barcode", u"12345678901", kDigits, bcPlanet, 0, "USA", 6.0},
    {"Royal Mail Barcode", "Royal Mail Barcode, RMS4CC", u"123456789", kDigitsUpper, bcRoyalMail, 0, "UK",
     6.0},
    {"4 State barcode", "", u"123456", kDigitsUpper, bcRoyalMail, 0, "UK", 6.0},
    {"Dutch 4-State Postal", "", u"3224BC10", kDigitsUpper, bcRoyalMail, 0, "DE", 6.0},
    {"SwissPostal", "Royal Mail Barcode, RMS4CC", u"123456789", kDigitsUpper, bcRoyalMail, 0, "UK", 6.0},
    {"Singapore Post 4-State Mail Code", "", u"123456", kDigitsUpper, bcRoyalMail, 0, "JPN", 6.0},
    {"PostBar", "PostBar, CPC 4 State", u"123456", kDigitsUpper, bcPostBar, 0, "CAN", 6.0},
    {"CPC 4-state", "Postbar, CPC 4-state, Canada Post\xE2\x80\x99s 4-State Bar Code Symbology", u"B K1A 4S2 1234",
     u"ABCDEFGHIJKLMNOPRSTVUVWXYZ0123456789 ", bcNone, 0, "CAN", 0},
    {"OPC", "OPC (Optical Industry Association)", u"1234567897", kHexDigits, bcEan13, 0, "USA", 6.0},
    {"UCC/EAN 128", "", u"", u"0123456789()" u"\x1D" u"[~", bcCode128, 0, "", 4.0},
    {"2/5 Coop", "Code25, 2/5 Matrix", u"123456", kDigits, bc25Matrix, 0, "", 4.0},
    {"Code 11", "Code 11 (USD-8)", u"123456", u"0123456789-", bcNone, 0, "", 4.0},
    {"PZN", "Pharma-Zentral-Nummer", u"123456", kDigits, bcCode39Standard, 0, "", 4.0},
    {"PDF417", "PDF417, MicroPDF417, MAcroPDf, PDF417 Truncated", kSamplePdf417, u"", bcNone, 0, "", 0},
    {"CodabarF", "", u"123ABC", u"", bcCode128, 0, "", 0},
    {"SSCC", "Serial Shipping Container Code", u"", u"", bcCode128, 0, "", 0},
    {"SISAC", "", u"", u"", bcCode128, 0, "", 0},
    {"Code16K", "", u"12345678901234567890", u"", bcCode128, 0, "", 0},
    {"Codabar Monarch", "Codabar Monarch, NW-7", u"", u"0123456789$-:/.+abcdtn*eABCDETN", bcCodabar, 0, "SUI",
     0},
    {"FIM", "FIM A,B,C,D", u"A", u"ABCD", bcNone, 0, "", 0},
    {"Telepen", "", u"123456789", u"", bcTelepen, 1972, "UK", 6.0},
    {"InteligentMail barcode",
     "OneCode 4CB, USPS 4CB, 4-CB, 4-State Customer Barcode, USPS OneCode Solution Barcode",
     u"01-234-567094-987654321-01234567891", u"0123456789- /", bcNone, 2007, "USPS (USA)", 0},
    {"Australia Post Barcode", "Australia 4-state postal barcode, Australia Post Customer Barcode", u"1196184209",
     u"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789 ", bcNone, 0, "Australia", 0},
    {"DataMatrix", "", kSample2D, u"", bcNone, 0, "", 0},
    {"QR Code", "QR code, Code QR, Quick Response code, Micro QR code", kSample2D, u"", bcNone, 0, "", 0},
    {"Aztec code", "Aztec code, Aztec MESAS", kSample2D, u"", bcNone, 0, "", 0},
};

constexpr std::array<const char*, kSymbologyRows> kSymbologyIds = {
    "bcNone", "bcEan8", "bcEan13", "bcCodabar", "bcCode39Standard", "bcCode39Full", "bcCode93Standard",
    "bcCode93Full", "bcCode128", "bcABCCodabar", "bc25Datalogic", "bc25Interleaved", "bc25Matrix",
    "bc25Industrial", "bc25IATA", "bc25Invert", "bcITF", "bcISBN", "bcISSN", "bcISMN", "bcUPCA", "bcUPCE0",
    "bcUPCE1", "bcUPCShipping", "bcSCC14", "bcJAN8", "bcJAN13", "bcMSIPlessey", "bcPostNet", "bcPlanet",
    "bcRoyalMail", "bc4State", "bcDutch4StatePostal", "bcSwissPostal", "bcSingapore4StatePostalCode",
    "bcPostBar", "bcPostbarCPC4State", "bcOPC", "bcUccEan128", "bc25Coop", "bcCode11", "bcPZN", "bcPDF417",
    "bcCodablockF", "bcSSCC", "bcSISAC", "bcCode16K", "bcCodabarMonarch", "bcFim", "bcTelepen",
    "bcIntelligentMail", "bcAustraliaPost", "bcDataMatrix", "bcQRCode", "bcAztec"};

constexpr std::array<const char*, 8> kSymbolTypeIds = {"stUnknown", "stLinear",  "stPostalCode", "stStacked",
                                                       "stComposite", "stMatrix", "st3DCode",   "stColorCode"};

constexpr TksBarcodeSymbology kUnsupported[] = {bcSCC14, bcMSIPlessey, bcSwissPostal, bcPostbarCPC4State,
                                                bcCodablockF, bcSSCC, bcSISAC, bcCode16K, bcCodabarMonarch,
                                                bcAztec};
constexpr TksBarcodeSymbology kWithAddOn[] = {bcEan8, bcEan13, bcISBN,        bcISSN, bcISMN, bcUPCA,
                                              bcUPCE0, bcUPCE1, bcUPCShipping, bcJAN8, bcJAN13, bcPostNet};
constexpr TksBarcodeSymbology kVariableRatio[] = {bc25Datalogic, bc25Interleaved, bc25Matrix,
                                                  bc25Industrial, bc25Coop, bcCode11};

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

template <std::size_t N>
constexpr bool Contains(const TksBarcodeSymbology (&list)[N], TksBarcodeSymbology s) {
  for (auto x : list)
    if (x == s) return true;
  return false;
}

TksSymbolType SymbolTypeOf(TksBarcodeSymbology s) {
  if ((s >= bcPostNet && s <= bcSwissPostal) || (s >= bcFim && s <= bcAustraliaPost)) return stPostalCode;
  if (s == bcPDF417 || s == bcCodablockF || s == bcCode16K) return stStacked;
  if (s == bcDataMatrix || s == bcQRCode || s == bcAztec) return stMatrix;
  return stLinear;
}

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

TksBarCodeInfo SymbologyInfo(TksBarcodeSymbology symbology, std::u16string_view dataText) {
  TksBarCodeInfo info;
  info.SelectedSymbology = symbology;
  if (symbology >= kSymbologyRows) return info;

  info.SymbolType = SymbolTypeOf(symbology);
  info.VariableRatio = Contains(kVariableRatio, symbology);

  const CatalogueRow& row = kRows[symbology];
  info.Name = row.name;
  info.LongName = row.longName;
  info.InitValue = row.initValue;
  info.Chars = row.chars;
  info.ParentCode = row.parent;
  info.Year = row.year;
  info.Country = row.country;
  info.OptCharWidthMM = row.optCharWidthMM;
  info.Supported = !Contains(kUnsupported, symbology);
  info.EnabledAdd = Contains(kWithAddOn, symbology);

  if (symbology == bcEan13) info.CodeContry = EanCountryName(dataText);
  if (info.LongName.empty()) info.LongName = info.Name;
  return info;
}

std::u16string_view SymbologyChars(TksBarcodeSymbology symbology) {
  return symbology < kSymbologyRows && kRows[symbology].chars ? std::u16string_view(kRows[symbology].chars)
                                                               : std::u16string_view();
}

bool SymbologySupported(TksBarcodeSymbology symbology) {
  return symbology >= kSymbologyRows || !Contains(kUnsupported, symbology);
}

TksSymbolType SymbologyType(TksBarcodeSymbology symbology) {
  return symbology < kSymbologyRows ? SymbolTypeOf(symbology) : stLinear;
}

bool SymbologyVariableRatio(TksBarcodeSymbology symbology) {
  return symbology < kSymbologyRows && Contains(kVariableRatio, symbology);
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
  return kSymbologyIds[symbology];
}

std::string SymbolTypeIdentifier(TksSymbolType type) {
  if (type >= kSymbolTypeIds.size()) return {};
  return kSymbolTypeIds[type];
}

int SymbologyCount(TksSymbolTypes types, bool onlySupported) {
  int n = 0;
  for (int i = 0; i < kSymbologyRows; ++i) {
    auto s = static_cast<TksBarcodeSymbology>(i);
    if (types != 0 && (types & SymbolTypeBit(SymbolTypeOf(s))) == 0) continue;
    if (onlySupported && Contains(kUnsupported, s)) continue;
    ++n;
  }
  return n;
}

bool SymbologyFromName(std::string_view name, TksBarcodeSymbology& out) {
  for (int i = 0; i < kSymbologyRows; ++i) {
    std::string_view id = kSymbologyIds[i];
    if (EqualsNoCase(name, id) || EqualsNoCase(name, id.substr(2))) {
      out = static_cast<TksBarcodeSymbology>(i);
      return true;
    }
  }
  return false;
}

}  // namespace ks
