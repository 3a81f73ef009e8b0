#include <iostream>

#include "engine/encoders.h"
#include "engine/matrix/matrix.h"
#include "engine/persistent.h"
#include "engine/ustring.h"
#include "tools/cli/cli_output.h"

using namespace ks;

std::string EngineErrorText(TksBarcodeComponent& bc, const std::exception& e) {
  // The error object holds the engine's failure: its code's identifier and its short text.
  const TksBarcodeError& err = bc.ErrorInfo();
  if (err.Code() != erOK) return ErrorCodeIdentifier(err.Code()) + ": " + err.ExceptionString();
  // A failure raised past the error object carries its code itself.
  const auto* failure = dynamic_cast<const Exception*>(&e);
  if (failure && failure->Code() != erOK) return ErrorCodeIdentifier(failure->Code()) + ": " + e.what();
  return std::string("error: ") + e.what();
}

void ReportEngineError(TksBarcodeComponent& bc, const std::exception& e) {
  std::cerr << "barvello-cli: " << EngineErrorText(bc, e) << "\n";
}

int ConfigureBarcode(const CliOptions& o, TksBarcodeComponent& bc) {
  if (!o.ini.empty()) {
    std::string file = o.ini, section = "ksBarcode";
    size_t colon = file.rfind(':');
    if (colon != std::string::npos && colon > 1) {
      section = file.substr(colon + 1);
      file = file.substr(0, colon);
    }
    std::string error;
    if (!LoadIniInto(file, section, bc, error)) {
      std::cerr << "barvello-cli: " << error << "\n";
      return 2;
    }
  }
  if (o.haveSymbology) bc.SetBarcodeSymbology(o.symbology);
  for (const auto& [path, value] : o.sets) {
    SetResult result;
    try {
      result = SetPropertyText(bc, path, value);
    } catch (const Exception& e) {
      // A setter that refuses a value raises with its own message (a QR mask outside
      // the allowed ones, say): a usage error like any other value that does not fit.
      std::cerr << "barvello-cli: invalid value '" << value << "' for property '" << path << "': " << e.what()
                << "\n";
      return 2;
    }
    switch (result) {
      case SetResult::Ok:
        break;
      case SetResult::NotFound:
        std::cerr << "barvello-cli: unknown property '" << path << "'\n";
        return 2;
      case SetResult::ReadOnly:
        std::cerr << "barvello-cli: property '" << path << "' is read-only\n";
        return 2;
      case SetResult::BadValue:
        std::cerr << "barvello-cli: invalid value '" << value << "' for property '" << path << "'\n";
        return 2;
    }
  }
  return 0;
}

bool EncodeChecked(TksBarcodeComponent& bc, std::string& error) {
  bc.ErrorInfo().Init();
  try {
    if (bc.BarCode().empty()) bc.BarcodeRaiseStr(erEmptyCode, u"");
    if (!bc.GetBarcodeInfo().Supported) bc.BarcodeRaiseStr(erNotSupported, u"");
    bc.EncodeBars(bc.BarCode());
    if (bc.Bars().empty()) bc.BarcodeRaiseStr(erErrorInBarCode, u"");
  } catch (const std::exception& e) {
    error = EngineErrorText(bc, e);
    return false;
  }
  return true;
}

int EncodeForOutput(TksBarcodeComponent& bc) {
  std::string error;
  if (EncodeChecked(bc, error)) return 0;
  std::cerr << "barvello-cli: " << error << "\n";
  return 1;
}

namespace {

int PrintEncoded(TksBarcodeComponent& bc);

int PrintPattern(TksBarcodeComponent& bc) {
  if (int rc = EncodeForOutput(bc)) return rc;
  try {
    return PrintEncoded(bc);
  } catch (const std::exception& e) {
    ReportEngineError(bc, e);
    return 1;
  }
}

int PrintEncoded(TksBarcodeComponent& bc) {
  const TksBarCodeInfo info = bc.GetBarcodeInfo();
  if (info.SymbolType == stMatrix) {
    const TksMatrix& m = bc.Pixels();
    std::string out;
    for (int y = 0; y < m.NR; ++y) {
      for (int x = 0; x < m.NC; ++x) out += m.IsBlack(x, y) ? '1' : '0';
      out += '\n';
    }
    std::cout << out;
    return 0;
  }
  if (info.SymbolType == stStacked) {
    if (StackedSymbolWidth(bc) > 0) {
      for (const auto& row : bc.Bars()) std::cout << row << "\n";
      return 0;
    }
  }
  std::cout << bc.Bars().front() << "\n";
  return 0;
}

}  // namespace

int RunCli(const CliOptions& o) {
  if (!o.batch.empty()) return RunBatch(o);
  TksBarcodeComponent bc;
  // The CLI raises errors instead of drawing them.
  bc.ErrorInfo().SetMode(emStandardRaise);
  if (int rc = ConfigureBarcode(o, bc)) return rc;
  bc.SetBarCode(FromUtf8(o.data));
  if (o.pattern) return PrintPattern(bc);
  if (!o.labels.empty()) return RunLabels(o, bc);
  return WriteImageFile(o, bc);
}
