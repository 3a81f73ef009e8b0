// Fuzz target: an INI file given to barvello-cli with --ini, through the tool's own code
// (the file is read from disk with the INI size limit and the regular-file check on),
// then the tool's symbology, data text and output steps, and a save of the settings
// back into the same file as -o FILE.ini does. Checked on the way:
// - a file the tool loaded, saved into and loads again gives the same settings;
// - a file padded past the 8 MB limit is refused with exit status 1, before any key of
//   it is applied.
//
// Input layout:
//   byte 0  flags: bit 0 give -s (byte 1 picks the symbology); bit 1 name the file's
//           first section explicitly (FILE:SECTION); bits 2-3 the output: an SVG at the
//           default size, a 120 x 80 PNG, an EMF of 160 x 90 or the encoding alone;
//           bit 4 pad the file with comment lines past the size limit
//   byte 1  symbology number (used with bit 0)
//   byte 2  length of the data text, then that many bytes: the -d text
//   rest    the INI file
#include <QGuiApplication>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <unistd.h>

#include "engine/symbology.h"
#include "output/export.h"
#include "output/ini_file.h"
#include "tests/fuzz/fuzz_support.h"
#include "tools/cli/cli_output.h"

using namespace ks;
using namespace ks::fuzz;

namespace {

[[noreturn]] void Fail(const char* what, const std::string& detail) {
  std::fprintf(stderr, "fuzz_cli_ini: %s\n%s\n", what, detail.c_str());
  std::abort();
}

// A folder of this process's own for the INI file and the outputs, removed at exit (the
// name is kept apart from static destruction, which runs before that).
const std::string& Folder() {
  static const std::string* folder = [] {
    auto* name = new std::string((std::filesystem::temp_directory_path() / "fuzz_cli_ini_XXXXXX").string());
    if (!mkdtemp(name->data())) Fail("cannot make a temporary folder", *name);
    std::atexit([] {
      std::error_code ec;
      std::filesystem::remove_all(*folder, ec);
    });
    return name;
  }();
  return *folder;
}

void WriteFile(const std::string& path, std::string_view bytes) {
  std::ofstream f(path, std::ios::binary | std::ios::trunc);
  f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!f) Fail("cannot write the input file", path);
}

// The tool's settings as the INI writer gives them; the data text only when it is
// valid (an invalid one is completed again on loading and need not come back the same).
std::vector<std::pair<std::string, std::string>> Settings(TksBarcodeComponent& bc) {
  auto pairs = BarcodeIniPairs(bc);
  if (!DataTextIsValid(bc))
    for (auto& [k, v] : pairs)
      if (k == "BarCode") v.clear();
  return pairs;
}

std::string Diff(const std::vector<std::pair<std::string, std::string>>& a,
                 const std::vector<std::pair<std::string, std::string>>& b) {
  std::string d;
  for (size_t i = 0; i < std::max(a.size(), b.size()); ++i) {
    const std::string x = i < a.size() ? a[i].first + "=" + a[i].second : "-";
    const std::string y = i < b.size() ? b[i].first + "=" + b[i].second : "-";
    if (x != y) d += x + " -> " + y + "\n";
  }
  return d;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  (void)argc;
  (void)argv;
  // The tool's own application object and message handler, as barvello-cli sets them up.
  EnsureGuiApplication();
  // The tool reports every refused file on std::cerr; thousands of those per second
  // would drown the fuzzer's own output, which goes to stderr directly.
  std::cerr.setstate(std::ios::badbit);
  (void)Folder();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ByteReader in(data, size);
  const uint8_t flags = in.Byte();
  const uint8_t symbology = in.Byte();
  const std::string text = in.Bytes(256);
  std::string ini(in.Rest());
  const bool pad = flags & 0x10;
  if (pad) {
    const std::string line = "; " + std::string(1000, '-') + "\n";
    while (ini.size() <= static_cast<size_t>(kMaxIniFileBytes)) ini += line;
  }
  const std::string path = Folder() + "/settings.ini";
  WriteFile(path, ini);

  CliOptions o;
  o.ini = path;
  if (flags & 0x02) {
    IniFile parsed;
    parsed.Parse(ini);
    const auto names = parsed.Sections();
    if (!names.empty()) o.ini += ":" + names.front();
  }
  if (flags & 0x01) {
    o.symbology = static_cast<TksBarcodeSymbology>(symbology % kSymbologyRows);
    o.haveSymbology = true;
  }
  o.data = text;
  o.haveData = true;

  TksBarcodeComponent bc;
  bc.ErrorInfo().SetMode(emStandardRaise);
  const int rc = ConfigureBarcode(o, bc);
  if (pad) {
    TksBarcodeComponent untouched;
    untouched.ErrorInfo().SetMode(emStandardRaise);
    std::string error;
    if (rc != 1 || LoadIniInto(path, "ksBarcode", untouched, error) != 1 ||
        error.find("is larger than 8 MB") == std::string::npos)
      Fail("a file past the size limit was not refused", error);
    if (Settings(bc) != Settings(untouched)) Fail("a refused file changed settings", Diff(Settings(untouched), Settings(bc)));
    return 0;
  }
  if (rc != 0) return 0;  // a file or a key the tool refuses: reported, nothing more to do
  bc.SetBarCode(FromUtf8(o.data));

  // The output step of the tool, in memory.
  static const char* const kOutputs[] = {"out.svg", "out.png", "out.emf", ""};
  const char* output = kOutputs[(flags >> 2) & 3];
  std::string bytes, error;
  if (*output) {
    CliOptions image = o;
    image.output = Folder() + "/" + output;
    if (image.output.ends_with(".png")) image.width = 120, image.height = 80;
    if (image.output.ends_with(".emf")) image.width = 160, image.height = 90;
    RenderImageBytes(image, bc, bytes, error);
  } else {
    EncodeChecked(bc, error);
  }

  // The settings saved into the same file (-o FILE.ini), then loaded as --ini again.
  CliOptions save = o;
  save.output = path;
  if (WriteImageFile(save, bc) != 0) Fail("the settings could not be saved into the file they came from", path);
  const std::string section = o.ini.size() > path.size() ? o.ini.substr(path.size() + 1) : "ksBarcode";
  // The tool writes into the "ksBarcode" section whatever section it read: with another
  // one named, the saved settings are not the ones read back.
  if (!EqualsNoCase(section, "ksBarcode")) return 0;
  TksBarcodeComponent again;
  again.ErrorInfo().SetMode(emStandardRaise);
  if (LoadIniInto(path, section, again, error) != 0) Fail("saved settings do not load back", error);
  const auto saved = Settings(bc), loaded = Settings(again);
  if (saved != loaded) Fail("the settings loaded back differ from the ones saved", Diff(saved, loaded));
  return 0;
}
