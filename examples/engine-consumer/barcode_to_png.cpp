// Writes one barcode as a PNG file with the Barvello export component, at three pixels
// per module (a matrix symbol square, a linear one half as high as wide).
//
//   barcode-to-png SYMBOLOGY TEXT FILE.png
//
// A text the symbology refuses is reported with its error identifier on stderr, and the
// program exits 1 without writing the file.
#include <barvello/engine/barcode.h>
#include <barvello/engine/ustring.h>
#include <barvello/output/export.h>
#include <barvello/render/paint.h>

#include <QGuiApplication>
#include <iostream>
#include <string>

int main(int argc, char** argv) {
  // Captions are painted with the system's fonts, which need the application object.
  QGuiApplication app(argc, argv);
  if (argc != 4) {
    std::cerr << "usage: barcode-to-png SYMBOLOGY TEXT FILE.png\n";
    return 2;
  }
  ks::TksBarcodeSymbology symbology;
  if (!ks::SymbologyFromName(argv[1], symbology)) {
    std::cerr << "unknown symbology: " << argv[1] << "\n";
    return 2;
  }
  ks::TksBarcodeComponent bc;
  bc.ErrorInfo().SetMode(ks::emStandardRaise);
  bc.SetBarcodeSymbology(symbology);
  bc.SetBarCode(ks::FromUtf8(argv[2]));
  try {
    // MinPaintWidth is the width at one pixel per module, with the room the painting
    // needs beside the modules; three times that gives three pixels per module.
    const int width = 3 * ks::MinPaintWidth(bc);
    const int height = bc.GetBarcodeInfo().SymbolType == ks::stMatrix ? width : width / 2;
    ks::TksExportImport exporter;
    exporter.SetBarcode(&bc);
    exporter.SaveToFile(argv[3], width, height);  // the type follows the extension
  } catch (const ks::Exception& e) {
    const ks::TksBarcodeErrorCode code = bc.ErrorInfo().Code();
    if (code != ks::erOK)
      std::cerr << ks::ErrorCodeIdentifier(code) << ": " << bc.ErrorInfo().ExceptionString();
    else  // raised with a message of its own
      std::cerr << "ksBarcodeException: " << e.what();
    std::cerr << "\n";
    return 1;
  } catch (const std::exception& e) {
    std::cerr << "error: " << e.what() << "\n";
    return 1;
  }
  return 0;
}
