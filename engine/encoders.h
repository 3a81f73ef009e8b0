// Entry functions of the linear and postal encoders, one family per file under
// engine/linear. Each takes the prepared text and the parameters it needs and returns the
// symbol it built; none of them touches a barcode object, so each can be called and
// checked on its own. The encoder entries of the dispatch (dispatch.h) prepare the text
// and parameters of a barcode object for them. The matrix and stacked families have
// their entries in their own headers (qrcode.h, datamatrix.h, pdf417.h).
//
// A pattern has one ASCII character per module from the alphabet "0", ' ', 'X' (light)
// and "1", "2", "3", postal "M A H D S T F V" (dark). Encoders assume validated text; a
// character they have no pattern for throws TksEncodeError (erCharOutOfSet).
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "engine/export.h"
#include "engine/symbology.h"

namespace ks {

class TksBarcodeComponent;

// Where the painter writes the human-readable text: 1-based pattern positions (slots 0
// and 1 bound the first group, 2 and 3 the second, 4 is the add-on's, 5 the text right
// of the bars); 0 where an encoder sets none.
using TextSlots = std::array<int32_t, 6>;

// A linear or postal symbol: its row of modules and its text slots.
struct BarSymbol {
  std::string pattern;
  TextSlots textSlots{};
  std::u16string caption;  // the text the encoder proposes for the upper caption, if any
};

// EAN/UPC family. `checkDigitRoom`: a symbol without an add-on keeps room right of the
// bars for the check digit of the human-readable line.
BarSymbol EncodeEan8(const std::u16string& text);
BarSymbol EncodeEan13(const std::u16string& text);
BarSymbol EncodeUpcA(const std::u16string& text, bool checkDigitRoom);
BarSymbol EncodeUpcE(const std::u16string& text, bool numberSystem1, bool checkDigitRoom);
BarSymbol EncodeUpcShipping(const std::u16string& text, bool addLeadingZero);
// The EAN-13 data text a book number of the symbology stands for (see BookNumberEan13).
BARVELLO_ENGINE_API std::u16string BookNumberToEan13(const std::u16string& text, TksBarcodeSymbology symbology);

// Code 39 and Code 93
BarSymbol EncodeCode39(const std::u16string& text);
BarSymbol EncodeCode39Full(const std::u16string& text);
BarSymbol EncodeCode93(const std::u16string& text);
BarSymbol EncodeCode93Full(const std::u16string& text);

// Code 128; character 134 stands for FNC1. Gs1_128Text makes the text of a GS1-128
// symbol from a verified element string: FNC1 first, and FNC1 for each group separator.
BarSymbol EncodeCode128(const std::u16string& text);
std::u16string Gs1_128Text(const std::u16string& elements);

// Codabar, Code 11, MSI, PZN, Telepen, FIM
BarSymbol EncodeCodabar(const std::u16string& text, bool checkDigit);
BarSymbol EncodeABCCodabar(const std::u16string& text);
BarSymbol EncodeCodabarMonarch(const std::u16string& text);
BarSymbol EncodeCode11(const std::u16string& text);
BarSymbol EncodeMSI(const std::u16string& text);
BarSymbol EncodePZN(const std::u16string& text);
BarSymbol EncodeFim(const std::u16string& text);
BarSymbol EncodeTelepen(const std::u16string& text);

// Two of five: the six plain variants, and interleaved 2 of 5 (also ITF and OPC), which
// with `addLeadingZero` writes an odd count of digits with a "0" in front and otherwise
// gives no symbol for it.
enum class TwoOf5 : uint8_t { Datalogic, Matrix, Industrial, Iata, Invert, Coop };
BarSymbol Encode2of5(const std::u16string& text, TwoOf5 variant);
BarSymbol EncodeInterleaved(const std::u16string& text, bool addLeadingZero);

// Postal height-modulated codes
BarSymbol EncodePostNet(const std::u16string& text, bool checkDigit);
BarSymbol EncodePlanet(const std::u16string& text);
BarSymbol EncodeRoyalMail(const std::u16string& text);
BarSymbol Encode4State(const std::u16string& text);
BarSymbol EncodeKix(const std::u16string& text);
BarSymbol EncodeIntelligentMail(const std::u16string& text);

// Four-state codes with Reed-Solomon checks. The Australia Post symbol proposes its
// caption: format control code, sort code and customer information, and with
// `captionParity` the parity values in parentheses.
BarSymbol EncodePostbarCpc(const std::u16string& text);
BarSymbol EncodeAustraliaPost(const std::u16string& text, bool captionParity = true);

// Stacked symbologies (PDF417): builds the barcode's rows into its Bars() and answers the
// symbol's width in modules, 0 for a symbology without stacked rows.
int StackedSymbolWidth(TksBarcodeComponent& bc);

}  // namespace ks
