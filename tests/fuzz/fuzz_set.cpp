// Fuzz target: any bytes as the value of a --set for every property. The first byte
// picks one path of ListProperties (read-only ones included) for a closer look, the
// second the symbology; the rest is the value. The value goes to that path, the barcode
// is encoded and painted; then the same value goes to every path of a second object.
// A value that was accepted must read back as a text that is accepted again and reads
// back unchanged, or a written INI file would not load back (the data text only when it
// is valid: check digits are completed, and garbage may complete differently twice).
#include <cstdio>
#include <cstdlib>

#include "engine/symbology.h"
#include "tests/fuzz/fuzz_support.h"

using namespace ks;
using namespace ks::fuzz;

namespace {

const std::vector<std::string>& AllPaths() {
  static const std::vector<std::string> paths = [] {
    std::vector<std::string> r;
    TksBarcodeComponent bc;
    for (const auto& pv : ListProperties(bc, true)) r.push_back(pv.path);
    // A string list's line keys exist only once the list has lines.
    r.push_back("CaptionUpper.Text.Line0");
    r.push_back("CaptionHuman.Text.Line3");
    return r;
  }();
  return paths;
}

[[noreturn]] void Fail(const std::string& path, const std::string& value, const std::string& detail) {
  std::fprintf(stderr, "fuzz_set: %s='%s': %s\n", path.c_str(), value.c_str(), detail.c_str());
  std::abort();
}

// Sets the value and, when it was taken, checks that the text read back is stable.
void SetAndCheck(TksBarcodeComponent& bc, const std::string& path, std::string_view value) {
  if (TrySetProperty(bc, path, value) != SetResult::Ok) return;
  std::string first;
  if (!GetPropertyText(bc, path, first)) return;  // line keys past the end
  if (TrySetProperty(bc, path, first) != SetResult::Ok) Fail(path, first, "the value read back is refused");
  std::string second;
  GetPropertyText(bc, path, second);
  const bool completedText = EqualsNoCase(path, "BarCode") && !DataTextIsValid(bc);
  if (second != first && !completedText) Fail(path, first, "reads back as '" + second + "'");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ByteReader in(data, size);
  const auto& paths = AllPaths();
  const std::string& path = paths[in.Byte() % paths.size()];
  const uint8_t symbology = in.Byte();
  const std::string value(in.Rest());

  TksBarcodeComponent bc;
  bc.SetBarcodeSymbology(static_cast<TksBarcodeSymbology>(symbology % kSymbologyRows));
  if (path.find(".Line") != std::string::npos) TrySetProperty(bc, path.substr(0, path.rfind('.')) + ".Count", "4");
  SetAndCheck(bc, path, value);
  EncodeAndRecord(bc, TRect{0, 0, 500, 300});

  TksBarcodeComponent every;
  for (const auto& p : paths) TrySetProperty(every, p, value);
  EncodeAndRecord(every, TRect{0, 0, 500, 300});
  return 0;
}
