// The catalogue row of a symbology: everything the engine, the painter and the user
// interface know about one symbology, in one constant row per value of
// TksBarcodeSymbology. Validation, completion, the encoding dispatch and the painter
// look the symbology up here instead of switching on it; the published functions of
// symbology.h (SymbologyInfo and the rest) answer from the same rows.
#pragma once

#include <cstdint>
#include <string>

#include "engine/export.h"
#include "engine/linear/booknumber.h"
#include "engine/symbology.h"

namespace ks {

class TksBarcodeComponent;
struct EncodedSymbol;

// Capabilities, one bit each.
enum SymbologyCapability : uint32_t {
  capAddOn = 1u << 0,            // takes a 2- or 5-digit add-on after a blank (EnabledAdd)
  capVariableRatio = 1u << 1,    // the wide/narrow ratio can be chosen
  capEanMargin = 1u << 2,        // with a human-readable line the symbol keeps a margin left of the bars
  capHeightModulated = 1u << 3,  // the heights of the bars carry the data
  capBearerFrame = 1u << 4,      // a bearer frame closes around the bars (ITF)
};

// How the human-readable line of a linear symbol is laid out under the bars.
enum class HumanLayout : uint8_t {
  Centred,      // the text centred under the bars
  Ean8,         // two groups of four digits
  Ean13,        // the first digit left of the bars, two groups of six
  UpcA,         // number system and check digit beside the bars, two groups of five
  UpcE0,        // the six digits under the bars, number system and check digit beside
  UpcE1,        // as UPC-E0 with number system 1 and its check digit
  UpcShipping,  // the digit groups of the shipping container code
  Opc,          // five, four and one digits, hyphenated
};

// The painter that draws the symbol.
enum class SymbolPainter : uint8_t { None, Linear, Stacked, Matrix };

// Pages of the barcode editor a symbology brings along, one bit each.
enum EditorPageBit : uint8_t {
  edPagePdf417 = 1u << 0,
  edPage2D = 1u << 1,
  edPageDataMatrix = 1u << 2,
  edPageQRCode = 1u << 3,
  edPageAztec = 1u << 4,
};

// Raises the barcode error of a text the symbology refuses; false refuses without one.
using ValidateRule = bool (*)(TksBarcodeComponent& bc, const std::u16string& text);
// Completes a stored data text in place (check digits, prefixes, blanks before add-ons).
using CompleteRule = void (*)(std::u16string& text);
// Prepares the barcode's text and parameters for the family encoder and returns the
// symbol it built; `text` is the text EncodeBars was given.
using EncoderEntry = EncodedSymbol (*)(TksBarcodeComponent& bc, const std::u16string& text);

struct SymbologyRow {
  // ---- names and descriptive data ----
  const char* identifier = "";  // "bcEan13"
  const char* name = "";
  const char* longName = "";  // empty: the same as name
  const char16_t* initValue = u"";
  const char16_t* chars = u"";  // empty: no restriction
  TksBarcodeSymbology parent = bcNone;
  uint16_t year = 0;
  const char* country = "";
  double optCharWidthMM = 0;
  TksSymbolType type = stLinear;
  bool supported = true;
  bool selectable = true;  // can be chosen as the symbology of a barcode
  // ---- capabilities and how the symbol is shown ----
  uint32_t capabilities = 0;  // SymbologyCapability bits
  HumanLayout humanLayout = HumanLayout::Centred;
  const char16_t* humanPrefix = u"";  // written before the data text on the human-readable line
  BookNumber bookNumber = BookNumber::None;  // the book number the data text is, if any
  SymbolPainter painter = SymbolPainter::Linear;
  uint8_t editorPages = 0;  // EditorPageBit bits
  // ---- rules ----
  ValidateRule validate = nullptr;  // nullptr: the allowed characters
  CompleteRule complete = nullptr;  // nullptr: the text stays as typed
  EncoderEntry encode = nullptr;    // nullptr: no encoder, the pattern stays empty

  bool Has(SymbologyCapability c) const { return (capabilities & c) != 0; }
};

// The row of a symbology; values outside the enumeration get the row of bcNone.
BARVELLO_ENGINE_API const SymbologyRow& CatalogueRow(TksBarcodeSymbology symbology);

// The last value of the enumeration, for walks over every row.
inline constexpr TksBarcodeSymbology kLastSymbology = static_cast<TksBarcodeSymbology>(kSymbologyRows - 1);

}  // namespace ks
