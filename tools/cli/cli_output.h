// Shared pieces of barvello-cli: the parsed options, barcode set-up and the runners.
#pragma once

#include <string>
#include <utility>
#include <vector>

class QImage;

#include "engine/barcode.h"
#include "verify/verify.h"

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
  bool verify = false;
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
// With --verify the image is decoded first and not rendered into bytes when it does not
// read back (1, `error` says what was read); `verified`, when given, receives the verdict.
int RenderImageBytes(const CliOptions& o, ks::TksBarcodeComponent& bc, std::string& bytes, std::string& error,
                     ks::VerifyStatus* verified = nullptr);
// Creates the Qt application object that fonts and painting need, once; the first call
// must come from the main thread.
void EnsureGuiApplication();
int RunBatch(const CliOptions& o);
// --verify: decodes an image just rendered. True when it may be written (it reads back,
// or no decoder reads its symbology); false with `error` = "erVerifyFailed: ...".
bool VerifyRendered(ks::TksBarcodeComponent& bc, const QImage& image, ks::VerifyStatus* verified, std::string& error);
// "erVerifyFailed: <what was read>; no file written".
std::string VerifyFailureText(const ks::VerifyResult& result);
// The note printed when --verify meets a symbol no decoder here reads.
void NoteNotVerified(const ks::TksBarcodeComponent& bc);
int RunLabels(const CliOptions& o, ks::TksBarcodeComponent& bc);
// Loads an INI section into the barcode; false with a message when it cannot.
bool LoadIniInto(const std::string& file, const std::string& section, ks::TksBarcodeComponent& bc,
                 std::string& error);
