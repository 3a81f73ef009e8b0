// barvello-cli --labels: prints the barcode as sheets of labels into a PDF file, with the
// default paper parameters (A4 at 600 dpi, labels 50 x 30 mm) or a label-sheet definition.
#include <QGuiApplication>
#include <array>
#include <iostream>
#include <memory>
#include <string>

#include "engine/ustring.h"
#include "output/printer.h"
#include "tools/cli/cli_output.h"

using namespace ks;

namespace {

// Label sheets known by name, in millimetres: name|width|height|left|top|right|bottom|
// horizontal space|vertical space. Every length is exact in binary, so the label walk
// fills the last row and column without rounding loss.
constexpr std::array<const char*, 5> kNamedSheets = {
    "A4-2x4|105|74|0|0.5|0|0.5|0|0",
    "A4-2x8|105|37|0|0.5|0|0.5|0|0",
    "A4-3x7|70|42|0|1.5|0|1.5|0|0",
    "A4-3x8|70|37|0|0.5|0|0.5|0|0",
    "A4-3x11|70|25|0|11|0|11|0|0",
};

// Fonts and painting need a Qt application object; the tool never opens a window. The
// object lives until the labels are written and goes before the program's exit.
std::unique_ptr<QGuiApplication> StartGuiApplication() {
  if (QCoreApplication::instance()) return nullptr;
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  InstallQtMessageFilter();
  static int argc = 1;
  static char name[] = "barvello-cli";
  static char* argv[] = {name, nullptr};
  return std::make_unique<QGuiApplication>(argc, argv);
}

bool EndsWithPdf(const std::string& name) {
  return name.size() > 4 && EqualsNoCase(std::string_view(name).substr(name.size() - 4), ".pdf");
}

// The definition --sheet names: a known name (case-insensitive) or a definition itself.
bool FindSheet(const std::string& sheet, std::string& definition) {
  if (sheet.find('|') != std::string::npos) {
    definition = sheet;
    return true;
  }
  for (const char* d : kNamedSheets) {
    if (EqualsNoCase(ParseSheetDefinition(d).Name, sheet)) {
      definition = d;
      return true;
    }
  }
  return false;
}

int PrintLabels(const CliOptions& o, TksBarcodeComponent& bc, const std::string& sheet) {
  TksPrinter printer;
  // The documented default paper, whatever printers this machine has.
  printer.PaperParams().RefreshPaperMetrics(nullptr);
  if (!sheet.empty()) {
    printer.SetSheets({sheet});
    printer.SheetsSelect(0);
  }
  const int perPage = printer.PaperParams().LabelsPerPage();
  if (perPage <= 0) {
    std::cerr << "barvello-cli: no label of this sheet fits on the paper ("
              << Printable(printer.PaperParams().PaperFormat()) << ")\n";
    return 2;
  }
  if (o.startFrom >= perPage) {
    // The positions left empty are those of the first page; more would print pages of
    // nothing.
    std::cerr << "barvello-cli: --start-from " << o.startFrom << ": a page of this sheet has " << perPage
              << " label positions, so at most " << perPage - 1 << " can be left empty\n";
    return 2;
  }
  if (o.count == 0) {
    std::cerr << "barvello-cli: --count 0: no labels to print, no file written\n";
    return 0;
  }
  if (int rc = EncodeForOutput(bc)) return rc;
  printer.SetShowProgress(false);
  printer.SetBarcodeObject(&bc);
  printer.SetCount(o.count);
  printer.SetStartFrom(o.startFrom);
  printer.SetOutputFileName(o.labels);
  // With --verify a label that does not read back stops the print before the file is
  // begun; without it the labels print unchecked.
  bool unreadable = false;
  printer.ConfirmUnreadable = nullptr;
  if (o.verify) {
    printer.ConfirmUnreadable = [&unreadable](const VerifyResult& result) {
      std::cerr << "barvello-cli: " << VerifyFailureText(result) << "\n";
      unreadable = true;
      return false;
    };
  }
  try {
    printer.Print();
  } catch (const std::exception& e) {
    ReportEngineError(bc, e);
    return 1;
  }
  return unreadable ? 1 : 0;
}

}  // namespace

int RunLabels(const CliOptions& o, TksBarcodeComponent& bc) {
  if (!EndsWithPdf(o.labels)) {
    std::cerr << "barvello-cli: --labels writes a PDF file; give a name ending in .pdf, got '" << Printable(o.labels)
              << "'\n";
    return 2;
  }
  std::string sheet;
  if (!o.sheet.empty() && !FindSheet(o.sheet, sheet)) {
    std::cerr << "barvello-cli: unknown label sheet '" << Printable(o.sheet) << "'; known sheets:";
    for (const char* d : kNamedSheets) std::cerr << " " << ParseSheetDefinition(d).Name;
    std::cerr << " (or give NAME|WIDTH|HEIGHT|LEFT|TOP|RIGHT|BOTTOM|SPACEX|SPACEY in mm)\n";
    return 2;
  }
  const auto app = StartGuiApplication();
  return PrintLabels(o, bc, sheet);
}
