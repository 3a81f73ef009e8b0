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
};

// Runs the chosen mode; returns the exit status.
int RunCli(const CliOptions& o);

// Applies INI, symbology and --set to a barcode object (not the data text). Returns 0 or
// the exit status with the message already printed.
int ConfigureBarcode(const CliOptions& o, ks::TksBarcodeComponent& bc);

// Encodes as painting would and reports failures on stderr; returns 0 or 1.
int EncodeForOutput(ks::TksBarcodeComponent& bc);

// Prints an engine failure as "barvello-cli: <identifier>: <message>".
void ReportEngineError(ks::TksBarcodeComponent& bc, const std::exception& e);

// Image, batch and label output; implemented where the rendering layer is available.
int WriteImageFile(const CliOptions& o, ks::TksBarcodeComponent& bc);
int RunBatch(const CliOptions& o);
int RunLabels(const CliOptions& o, ks::TksBarcodeComponent& bc);
// Loads an INI section into the barcode; false with a message when it cannot.
bool LoadIniInto(const std::string& file, const std::string& section, ks::TksBarcodeComponent& bc,
                 std::string& error);
