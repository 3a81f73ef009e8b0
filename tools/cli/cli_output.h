// Shared pieces of barvello-cli: the parsed options, barcode set-up and the runners.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

class QImage;

#include "engine/barcode.h"
#include "verify/verify.h"

// Limits of one run, checked before any work starts (the README lists them).
// A data text (-d, --data-file) and a --batch line: at most 1 MB of UTF-8.
constexpr size_t kMaxDataBytes = 1024 * 1024;
// Labels printed by one --labels run.
constexpr int kMaxLabels = 100000;
// Worker threads a --batch run starts at most, whatever --threads asks.
constexpr int kMaxThreads = 64;
// Data text of the lines queued for or held by the --batch workers at one time: with
// lines of the largest size the number of lines in flight shrinks to keep within it.
constexpr size_t kBatchTextInFlight = 4 * 1024 * 1024;

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
  bool pngTrueColor = false;  // --png-truecolor; otherwise PNGs take their smallest exact form
};

// Text taken from the input (a file name, a property value, a character of the data
// text) made safe to echo to a terminal: control characters, bidirectional overrides
// and bytes that are not UTF-8 are written as escapes (\n, \x1b, \u202e); the rest
// stays as it is.
std::string Printable(std::string_view text);

// Checks a data text before it is used: 0 when fine; 1 when longer than kMaxDataBytes,
// 2 when it is not valid UTF-8, with `error` saying which (without the program name).
int CheckDataText(std::string_view text, std::string& error);

// Runs the chosen mode; returns the exit status.
int RunCli(const CliOptions& o);

// SIGINT and SIGTERM remove the temporary files in flight and end the process with 128 +
// the signal's number; SIGXFSZ is ignored, so a file-size limit fails the write instead.
void InstallInterruptHandlers();
// From now on the first SIGINT or SIGTERM (after removing the temporaries) only records
// the signal for PendingInterrupt, so that the caller can report and end; a second one
// still ends the process at once.
void DeferInterrupts();
// The recorded signal, or 0.
int PendingInterrupt();

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
// Keeps Qt's debug output and its notes about the environment (a missing runtime
// folder) off stderr; warnings still show. Every mode that starts Qt installs it.
void InstallQtMessageFilter();
int RunBatch(const CliOptions& o);
// --verify: decodes an image just rendered. True when it may be written (it reads back,
// or no decoder reads its symbology); false with `error` = "erVerifyFailed: ...".
bool VerifyRendered(ks::TksBarcodeComponent& bc, const QImage& image, ks::VerifyStatus* verified, std::string& error);
// "erVerifyFailed: <what was read>; no file written".
std::string VerifyFailureText(const ks::VerifyResult& result);
// The note printed when --verify meets a symbol no decoder here reads.
void NoteNotVerified(const ks::TksBarcodeComponent& bc);
int RunLabels(const CliOptions& o, ks::TksBarcodeComponent& bc);
// Loads an INI section into the barcode. Returns 0, or the exit status with `error` set:
// 1 for a file over the INI size limit, 2 for any other file or section that cannot be
// used.
int LoadIniInto(const std::string& file, const std::string& section, ks::TksBarcodeComponent& bc,
                std::string& error);
