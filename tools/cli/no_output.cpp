// Image, batch, label and INI output need the rendering and export layers; until they
// are part of the build these entry points explain that and fail as usage errors.
#include <iostream>

#include "tools/cli/cli_output.h"

int WriteImageFile(const CliOptions&, ks::TksBarcodeComponent&) {
  std::cerr << "barvello-cli: image output (-o) is not available in this build yet; use --pattern\n";
  return 2;
}

int RunBatch(const CliOptions&) {
  std::cerr << "barvello-cli: --batch is not available in this build yet\n";
  return 2;
}

int RunLabels(const CliOptions&, ks::TksBarcodeComponent&) {
  std::cerr << "barvello-cli: --labels is not available in this build yet\n";
  return 2;
}

int LoadIniInto(const std::string&, const std::string&, ks::TksBarcodeComponent&, std::string& error) {
  error = "--ini is not available in this build yet";
  return 2;
}
