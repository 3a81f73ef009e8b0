// Entry functions of the symbology encoders, called by the dispatch in EncodeBars.
// Each takes the barcode object (options, parameters, text slots, raising) and the text
// the dispatch hands it, and returns the bar pattern: one ASCII character per module from
// the alphabet "0", ' ', 'X' (light) and "1", "2", "3", postal "M A H D S T F V" (dark).
// Encoders assume validated text; matrix encoders leave the pattern empty and fill
// bc.Pixels() instead.
#pragma once

#include <string>

#include "engine/export.h"
#include "engine/symbology.h"

namespace ks {

class TksBarcodeComponent;

// EAN/UPC family
std::string EncodeEan8(TksBarcodeComponent& bc, const std::u16string& text);
std::string EncodeEan13(TksBarcodeComponent& bc, const std::u16string& text);
std::string EncodeUpcA(TksBarcodeComponent& bc, const std::u16string& text);
std::string EncodeUpcE(TksBarcodeComponent& bc, const std::u16string& text);
std::string EncodeUpcShipping(TksBarcodeComponent& bc, const std::u16string& text);
// Exported from the shared engine for the painting and export libraries.
BARVELLO_ENGINE_API std::u16string BookNumberToEan13(const std::u16string& text, TksBarcodeSymbology symbology);

// Code 39 and Code 93
std::string EncodeCode39(TksBarcodeComponent& bc, const std::u16string& text);
std::string EncodeCode39Full(TksBarcodeComponent& bc, const std::u16string& text);
std::string EncodeCode93(TksBarcodeComponent& bc, const std::u16string& text);
std::string EncodeCode93Full(TksBarcodeComponent& bc, const std::u16string& text);

// Code 128 and UCC/EAN 128
std::string EncodeCode128(TksBarcodeComponent& bc, const std::u16string& text);

// Codabar, Code 11, MSI, PZN, Telepen, FIM
std::string EncodeCodabar(TksBarcodeComponent& bc, const std::u16string& text);
std::string EncodeABCCodabar(TksBarcodeComponent& bc, const std::u16string& text);
std::string EncodeCodabarMonarch(TksBarcodeComponent& bc, const std::u16string& text);
std::string EncodeCode11(TksBarcodeComponent& bc, const std::u16string& text);
std::string EncodeMSI(TksBarcodeComponent& bc, const std::u16string& text);
std::string EncodePZN(TksBarcodeComponent& bc, const std::u16string& text);
std::string EncodeFim(TksBarcodeComponent& bc, const std::u16string& text);
std::string EncodeTelepen(TksBarcodeComponent& bc, const std::u16string& text);

// Two of five: the six plain variants by symbology; interleaved for bc25Interleaved,
// bcITF and bcOPC.
std::string Encode2of5(TksBarcodeComponent& bc, const std::u16string& text, TksBarcodeSymbology variant);
std::string EncodeInterleaved(TksBarcodeComponent& bc, const std::u16string& text);

// Postal height-modulated codes
std::string EncodePostNet(TksBarcodeComponent& bc, const std::u16string& text);
std::string EncodePlanet(TksBarcodeComponent& bc, const std::u16string& text);
std::string EncodeRoyalMail(TksBarcodeComponent& bc, const std::u16string& text);
std::string Encode4State(TksBarcodeComponent& bc, const std::u16string& text);
std::string EncodeKix(TksBarcodeComponent& bc, const std::u16string& text);
std::string EncodeIntelligentMail(TksBarcodeComponent& bc, const std::u16string& text);

// Four-state codes with Reed-Solomon checks
std::string EncodePostbarCpc(TksBarcodeComponent& bc, const std::u16string& text);
// `caption` receives the caption text when formatCaption is true.
std::string EncodeAustraliaPost(TksBarcodeComponent& bc, const std::u16string& text, bool formatCaption,
                                std::u16string& caption);

// Stacked symbologies (PDF417): the symbol's width in modules, 0 when unknown.
int StackedSymbolWidth(TksBarcodeComponent& bc);

// Matrix symbologies: the result goes to bc.Pixels().
void EncodeDataMatrix(TksBarcodeComponent& bc, const std::u16string& text);
void EncodeQRCode(TksBarcodeComponent& bc, const std::u16string& text);

}  // namespace ks
