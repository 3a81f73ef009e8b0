// The symbology catalogue: one row per value of TksBarcodeSymbology.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "engine/export.h"

namespace ks {

enum TksBarcodeSymbology : uint8_t {
  bcNone, bcEan8, bcEan13, bcCodabar, bcCode39Standard, bcCode39Full, bcCode93Standard,
  bcCode93Full, bcCode128, bcABCCodabar, bc25Datalogic, bc25Interleaved, bc25Matrix,
  bc25Industrial, bc25IATA, bc25Invert, bcITF, bcISBN, bcISSN, bcISMN, bcUPCA, bcUPCE0,
  bcUPCE1, bcUPCShipping, bcSCC14, bcJAN8, bcJAN13, bcMSIPlessey, bcPostNet, bcPlanet,
  bcRoyalMail, bc4State, bcDutch4StatePostal, bcSwissPostal, bcSingapore4StatePostalCode,
  bcPostBar, bcPostbarCPC4State, bcOPC, bcUccEan128, bc25Coop, bcCode11, bcPZN, bcPDF417,
  bcCodablockF, bcSSCC, bcSISAC, bcCode16K, bcCodabarMonarch, bcFim, bcTelepen,
  bcIntelligentMail, bcAustraliaPost, bcDataMatrix, bcQRCode, bcAztec
};
inline constexpr int kSymbologyRows = 55;

enum TksSymbolType : uint8_t {
  stUnknown, stLinear, stPostalCode, stStacked, stComposite, stMatrix, st3DCode, stColorCode
};
// Set of TksSymbolType, bit i = type i; 0 admits every type.
using TksSymbolTypes = uint32_t;
inline constexpr TksSymbolTypes SymbolTypeBit(TksSymbolType t) { return 1u << t; }

struct TksBarCodeInfo {
  TksBarcodeSymbology SelectedSymbology = bcNone;
  bool Supported = true;
  std::string Name;
  std::string LongName;
  std::u16string InitValue;
  std::u16string Chars;
  TksBarcodeSymbology ParentCode = bcNone;
  uint16_t Year = 0;
  std::string Country;
  std::string CodeContry;
  bool EnabledAdd = false;
  bool AutoCaption = false;
  double OptCharWidthMM = 0;
  uint16_t Length = 0;
  TksSymbolType SymbolType = stLinear;
  bool VariableRatio = false;
  std::string Prefix;
  std::string Suffix;
};

BARVELLO_ENGINE_API TksBarCodeInfo SymbologyInfo(TksBarcodeSymbology symbology, std::u16string_view dataText);
// Single fields of the catalogue row, as SymbologyInfo gives them, for the encoding and
// painting paths that run for every symbol (SymbologyInfo builds every text of the row).
BARVELLO_ENGINE_API std::u16string_view SymbologyChars(TksBarcodeSymbology symbology);
BARVELLO_ENGINE_API bool SymbologySupported(TksBarcodeSymbology symbology);
BARVELLO_ENGINE_API TksSymbolType SymbologyType(TksBarcodeSymbology symbology);
BARVELLO_ENGINE_API bool SymbologyVariableRatio(TksBarcodeSymbology symbology);
BARVELLO_ENGINE_API std::string EanCountryName(std::u16string_view dataText);
BARVELLO_ENGINE_API std::string InfoFieldText(const TksBarCodeInfo& info, int field);
BARVELLO_ENGINE_API std::string SymbologyFieldText(TksBarcodeSymbology symbology, int field);
// "bcEan13" etc.; empty for values outside 0..54.
BARVELLO_ENGINE_API std::string SymbologyIdentifier(TksBarcodeSymbology symbology);
BARVELLO_ENGINE_API std::string SymbolTypeIdentifier(TksSymbolType type);
BARVELLO_ENGINE_API int SymbologyCount(TksSymbolTypes types, bool onlySupported);
// Case-insensitive; the "bc" prefix may be left out. Returns false when unknown.
BARVELLO_ENGINE_API bool SymbologyFromName(std::string_view name, TksBarcodeSymbology& out);

}  // namespace ks
