// Encodes texts with the Barvello engine and prints their modules as
// `barvello-cli --pattern` does: a linear or postal symbol as its one bar-pattern row, a
// matrix symbol (QR Code, Data Matrix) as one line of 1 (dark) and 0 (light) per module
// row, top row first.
//
//   engine-consumer                      an EAN-13 and a QR Code
//   engine-consumer SYMBOLOGY TEXT ...   the given pairs, e.g. bcCode128 ABC-123
//
// A text the symbology refuses is reported with its error identifier (erCharOutOfSet ...)
// on stderr, and the program exits 1.
#include <barvello/engine/barcode.h>
#include <barvello/engine/matrix/matrix.h>
#include <barvello/engine/ustring.h>

#include <iostream>
#include <string>
#include <vector>

namespace {

// Prints the modules of one symbol; false when the text cannot be encoded.
bool PrintModules(ks::TksBarcodeSymbology symbology, const std::string& text) {
  ks::TksBarcodeComponent bc;
  bc.ErrorInfo().SetMode(ks::emStandardRaise);  // errors as exceptions, nothing drawn
  bc.SetBarcodeSymbology(symbology);
  bc.SetBarCode(ks::FromUtf8(text));  // completes the text, e.g. an EAN-13 check digit
  try {
    bc.EncodeBars(bc.BarCode());
  } catch (const ks::Exception& e) {
    const ks::TksBarcodeErrorCode code = bc.ErrorInfo().Code();
    // The error object says what went wrong: the code and, for a character the symbology
    // cannot hold, its position in the data text (counted from 1).
    if (code != ks::erOK)
      std::cerr << ks::ErrorCodeIdentifier(code) << ": " << bc.ErrorInfo().ExceptionString();
    else  // raised with a message of its own
      std::cerr << "ksBarcodeException: " << e.what();
    if (bc.ErrorInfo().Idx() > 0) std::cerr << " (position " << bc.ErrorInfo().Idx() << ")";
    std::cerr << "\n";
    return false;
  }
  if (bc.Bars().empty()) {
    std::cerr << ks::ErrorCodeIdentifier(ks::erErrorInBarCode) << "\n";
    return false;
  }
  if (bc.GetBarcodeInfo().SymbolType == ks::stMatrix) {
    const ks::TksMatrix& m = bc.Pixels();
    for (int y = 0; y < m.NR; ++y) {
      std::string row;
      for (int x = 0; x < m.NC; ++x) row += m.IsBlack(x, y) ? '1' : '0';
      std::cout << row << "\n";
    }
  } else {
    std::cout << bc.Bars().front() << "\n";
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty()) args = {"bcEan13", "400638133393", "bcQRCode", "https://example.com"};
  if (args.size() % 2 != 0) {
    std::cerr << "usage: engine-consumer [SYMBOLOGY TEXT]...\n";
    return 2;
  }
  for (size_t i = 0; i < args.size(); i += 2) {
    ks::TksBarcodeSymbology symbology;
    if (!ks::SymbologyFromName(args[i], symbology)) {
      std::cerr << "unknown symbology: " << args[i] << "\n";
      return 2;
    }
    if (!PrintModules(symbology, args[i + 1])) return 1;
  }
  return 0;
}
