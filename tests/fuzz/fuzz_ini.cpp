// Fuzz target: any bytes as an INI file loaded into a barcode object. The section
// "ksBarcode" (or else the file's first section) is applied, the barcode encoded and
// painted, and its settings written back into the same file text. Checked on the way:
// - the rewrite keeps every byte before the rewritten section;
// - a section the writer produced loads back completely and gives the same settings.
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <cstdio>
#include <cstdlib>

#include "output/export.h"
#include "output/ini_file.h"
#include "render/qt/qt_canvas.h"
#include "tests/fuzz/fuzz_support.h"

using namespace ks;
using namespace ks::fuzz;

namespace {

[[noreturn]] void Fail(const char* what, const std::string& detail) {
  std::fprintf(stderr, "fuzz_ini: %s\n%s\n", what, detail.c_str());
  std::abort();
}

// Byte offset of the header line of `section` in `text`, or npos; a header is a line
// that, without blanks around it, is "[name]" with the name compared without case.
size_t SectionHeaderOffset(const IniFile& ini, const std::string& text, const std::string& section) {
  if (!ini.HasSection(section)) return std::string::npos;
  size_t pos = 0;
  while (pos <= text.size()) {
    size_t nl = text.find('\n', pos);
    std::string line = text.substr(pos, nl == std::string::npos ? std::string::npos : nl - pos);
    IniFile one;
    one.Parse(line);
    auto names = one.Sections();
    if (names.size() == 1 && EqualsNoCase(names[0], section)) return pos;
    if (nl == std::string::npos) break;
    pos = nl + 1;
  }
  return std::string::npos;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  // Qt's notes on odd font names and sizes would drown the fuzzer's own output.
  qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& msg) {
    if (type == QtCriticalMsg || type == QtFatalMsg) std::fprintf(stderr, "%s\n", msg.toLocal8Bit().constData());
  });
  static QGuiApplication* app = new QGuiApplication(*argc, *argv);
  (void)app;
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  IniFile ini;
  ini.Parse(text);
  // Parsing and writing back untouched gives the same bytes.
  if (ini.Text() != text) Fail("the unchanged file does not come back byte for byte", text);

  std::string section = "ksBarcode";
  if (!ini.HasSection(section)) {
    auto names = ini.Sections();
    if (!names.empty()) section = names.front();
  }

  TksBarcodeComponent bc;
  bc.ErrorInfo().SetMode(emDrawErrorString);
  ApplyBarcodeIniPairs(bc, ini.ReadSection(section));
  EncodeAndRecord(bc, TRect{0, 0, 600, 300});
  {
    QImage image(64, 48, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    QtCanvas canvas(&painter);
    try {
      PaintBarCode(bc, canvas, TRect{0, 0, 64, 48});
    } catch (const Exception&) {
    }
  }

  // Write the settings back into the same document.
  const auto pairs = BarcodeIniPairs(bc);
  const size_t header = SectionHeaderOffset(ini, text, section);
  ini.WriteSection(section, pairs);
  const std::string written = ini.Text();
  const size_t kept = header == std::string::npos ? text.size() : header;
  if (written.compare(0, kept, text, 0, kept) != 0) Fail("the rewrite changed bytes outside its section", text);

  // The section the writer makes loads back whole into a fresh object, with the same
  // settings. (Keys the file already held stay in the rewritten section, and they may
  // well stop a load; that is the file's doing.)
  IniFile own;
  own.WriteSection(section, pairs);
  IniFile again;
  again.Parse(own.Text());
  TksBarcodeComponent copy;
  std::string failedKey;
  if (!ApplyBarcodeIniPairs(copy, again.ReadSection(section), &failedKey))
    Fail("a written section does not load back", failedKey);
  const auto reloaded = BarcodeIniPairs(copy);
  // An invalid data text is completed again on loading and need not come back the same.
  const bool textMayDiffer = !DataTextIsValid(bc);
  auto same = [&](size_t i) {
    return pairs[i] == reloaded[i] || (textMayDiffer && pairs[i].first == "BarCode");
  };
  bool differs = pairs.size() != reloaded.size();
  for (size_t i = 0; !differs && i < pairs.size(); ++i) differs = !same(i);
  if (differs) {
    std::string diff;
    for (size_t i = 0; i < std::min(pairs.size(), reloaded.size()); ++i)
      if (!same(i))
        diff += pairs[i].first + "=" + pairs[i].second + " -> " + reloaded[i].first + "=" + reloaded[i].second + "\n";
    Fail("a reloaded section differs", diff);
  }
  return 0;
}
