// Shared pieces of barvello-cli: the parsed options, barcode set-up and the runners.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "engine/barcode.h"

struct CliOptions {
  ks::TksBarcodeSymbology symbology = ks::bcNone;
  bool haveSymbology = false;
  std::string data;
  bool haveData = false;
  std::vector<std::pair<std::string, std::string>> sets;
  std::string ini;
  std::string output;
  int width = 0;
  int height = 0;
  bool pattern = false;
  std::string batch;
  int threads = 0;
  std::string labels;
  int count = 1;
  int startFrom = 0;
  std::string sheet;
  bool pngTrueColor = false;  // --png-truecolor; otherwise PNGs take their smallest exact form
};

// Runs the chosen mode; returns the exit status.
int RunCli(const CliOptions& o);

// Applies INI, symbology and --set to a barcode object (not the data text). Returns 0 or
// the exit status with the message already printed.
int ConfigureBarcode(const CliOptions& o, ks::TksBarcodeComponent& bc);

// Encodes as painting would and reports failures on stderr; returns 0 or 1.
int EncodeForOutput(ks::TksBarcodeComponent& bc);
// The same without printing: false with `error` = "<identifier>: <message>".
bool EncodeChecked(ks::TksBarcodeComponent& bc, std::string& error);

// Prints an engine failure as "barvello-cli: <identifier>: <message>".
void ReportEngineError(ks::TksBarcodeComponent& bc, const std::exception& e);
// "<identifier>: <message>" of an engine failure.
std::string EngineErrorText(ks::TksBarcodeComponent& bc, const std::exception& e);

// Image, batch and label output; implemented where the rendering layer is available.
int WriteImageFile(const CliOptions& o, ks::TksBarcodeComponent& bc);
// Encodes the barcode and renders the image file -o would write (type from the
// extension of `o.output`, size from -W/-H or the default layout) as bytes. Returns 0,
// 1 when the barcode cannot be encoded or rendered, 2 when the type or size cannot be
// written; `error` then holds the message (without the "barvello-cli: " prefix).
int RenderImageBytes(const CliOptions& o, ks::TksBarcodeComponent& bc, std::string& bytes, std::string& error);
// Creates the Qt application object that fonts and painting need, once; the first call
// must come from the main thread.
void EnsureGuiApplication();
int RunBatch(const CliOptions& o);
int RunLabels(const CliOptions& o, ks::TksBarcodeComponent& bc);
// Loads an INI section into the barcode; false with a message when it cannot.
bool LoadIniInto(const std::string& file, const std::string& section, ks::TksBarcodeComponent& bc,
                 std::string& error);
