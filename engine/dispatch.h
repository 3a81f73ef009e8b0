// The encoder entries the catalogue rows name: each prepares the barcode's text and
// parameters for its family's encoder and hands back the symbol it built.
#pragma once

#include <optional>
#include <string>

#include "engine/encoders.h"
#include "engine/matrix/matrix.h"

namespace ks {

class TksBarcodeComponent;

// What an encoder entry hands back to EncodeBars, which copies it into the barcode
// object: the row of a linear or postal symbol with its text slots and proposed caption,
// or the module matrix of a matrix symbol (none: the matrix keeps its content). The
// entries record the parameters a family reports as used (UsedVersion and the rest).
struct EncodedSymbol {
  BarSymbol bars;
  std::optional<TksMatrix> matrix;
};

// `text` is the text EncodeBars was given; most entries encode the stored data text.
namespace dispatch {
EncodedSymbol Ean8(TksBarcodeComponent& bc, const std::u16string& text);
EncodedSymbol Ean13(TksBarcodeComponent& bc, const std::u16string& text);
EncodedSymbol BookNumberEan13(TksBarcodeComponent& bc, const std::u16string& text);  // also JAN-13
EncodedSymbol UpcA(TksBarcodeComponent& bc, const std::u16string& text);
EncodedSymbol UpcE0(TksBarcodeComponent& bc, const std::u16string& text);
EncodedSymbol UpcE1(TksBarcodeComponent& bc, const std::u16string& text);
EncodedSymbol UpcShipping(TksBarcodeComponent& bc, const std::u16string& text);
EncodedSymbol Codabar(TksBarcodeComponent& bc, const std::u16string& text);
EncodedSymbol AbcCodabar(TksBarcodeComponent& bc, const std::u16string& text);
EncodedSymbol CodabarMonarch(TksBarcodeComponent& bc, const std::u16string& text);
EncodedSymbol Code39(TksBarcodeComponent& bc, const std::u16string& text);
EncodedSymbol Code39Full(TksBarcodeComponent& bc, const std::u16string& text);
EncodedSymbol Code93(TksBarcodeComponent& bc, const std::u16string& text);
EncodedSymbol Code93Full(TksBarcodeComponent& bc, const std::u16string& text);
EncodedSymbol Code128(TksBarcodeComponent& bc, const std::u16string& text);
EncodedSymbol Gs1_128(TksBarcodeComponent& bc, const std::u16string& text);
EncodedSymbol TwoOf5Datalogic(TksBarcodeComponent& bc, const std::u16string& text);
EncodedSymbol TwoOf5Matrix(TksBarcodeComponent& bc, const std::u16string& text);
EncodedSymbol TwoOf5Industrial(TksBarcodeComponent& bc, const std::u16string& text);
EncodedSymbol TwoOf5Iata(TksBarcodeComponent& bc, const std::u16string& text);
EncodedSymbol TwoOf5Invert(TksBarcodeComponent& bc, const std::u16string& text);
EncodedSymbol TwoOf5Coop(TksBarcodeComponent& bc, const std::u16string& text);
EncodedSymbol Interleaved(TksBarcodeComponent& bc, const std::u16string& text);  // also ITF and OPC
EncodedSymbol Code11(TksBarcodeComponent& bc, const std::u16string& text);
EncodedSymbol Msi(TksBarcodeComponent& bc, const std::u16string& text);
EncodedSymbol Pzn(TksBarcodeComponent& bc, const std::u16string& text);
EncodedSymbol Fim(TksBarcodeComponent& bc, const std::u16string& text);
EncodedSymbol Telepen(TksBarcodeComponent& bc, const std::u16string& text);
EncodedSymbol PostNet(TksBarcodeComponent& bc, const std::u16string& text);
EncodedSymbol Planet(TksBarcodeComponent& bc, const std::u16string& text);
EncodedSymbol RoyalMail(TksBarcodeComponent& bc, const std::u16string& text);  // also Singapore
EncodedSymbol FourState(TksBarcodeComponent& bc, const std::u16string& text);
EncodedSymbol Kix(TksBarcodeComponent& bc, const std::u16string& text);
EncodedSymbol IntelligentMail(TksBarcodeComponent& bc, const std::u16string& text);
EncodedSymbol PostbarCpc(TksBarcodeComponent& bc, const std::u16string& text);
EncodedSymbol AustraliaPost(TksBarcodeComponent& bc, const std::u16string& text);
EncodedSymbol DataMatrix(TksBarcodeComponent& bc, const std::u16string& text);
EncodedSymbol QRCode(TksBarcodeComponent& bc, const std::u16string& text);
}  // namespace dispatch

}  // namespace ks
