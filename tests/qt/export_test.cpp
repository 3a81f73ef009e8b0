// The export component: file types, sizes, paint rectangles, streams, INI persistence,
// SVG and PDF; every file read back by an independent reader.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <algorithm>
#include <array>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "engine/barcode.h"
#include "engine/decor.h"
#include "engine/params.h"
#include "engine/persistent.h"
#include "engine/ustring.h"
#include "output/export.h"
#include "output/ini_file.h"

using namespace ks;

namespace {

std::string Tmp(const std::string& name) {
  return ::testing::TempDir() + "export_" + std::to_string(getpid()) + "_" + name;
}

std::string ReadAll(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  std::ostringstream ss;
  ss << f.rdbuf();
  return ss.str();
}

bool Exists(const std::string& path) { return std::ifstream(path).good(); }

int RunCommand(const std::string& cmd, std::string& out) {
  out.clear();
  FILE* p = popen(cmd.c_str(), "r");
  std::array<char, 4096> buf;
  size_t n;
  while ((n = fread(buf.data(), 1, buf.size(), p)) > 0) out.append(buf.data(), n);
  int status = pclose(p);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// "WIDTHxHEIGHT FORMAT" as ImageMagick's identify reports it.
std::string Identify(const std::string& path) {
  std::string out;
  RunCommand("/usr/bin/identify -format '%wx%h %m' '" + path + "' 2>&1", out);
  return out;
}

// Pixel (x, y) of a file as ImageMagick decodes it, "r,g,b".
std::string PixelAt(const std::string& path, int x, int y) {
  std::string out;
  RunCommand("/usr/bin/convert '" + path + "' -format '%[fx:int(255*u.p{" + std::to_string(x) + "," + std::to_string(y) +
          "}.r)],%[fx:int(255*u.p{" + std::to_string(x) + "," + std::to_string(y) + "}.g)],%[fx:int(255*u.p{" +
          std::to_string(x) + "," + std::to_string(y) + "}.b)]' info: 2>&1",
      out);
  return out;
}

class ExportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ei.SetBarcode(&bc);
    ei.FileDialog = [this](bool, const std::string& filter, std::string& name) {
      lastFilter = filter;
      name = dialogAnswer;
      return !dialogAnswer.empty();
    };
  }
  TksBarcodeComponent bc;
  TksExportImport ei;
  std::string dialogAnswer;
  std::string lastFilter;
};

}  // namespace

TEST(FileTypes, FromExtension) {
  struct Case {
    const char* name;
    TksFileType type;
  } cases[] = {{"a.bmp", ftBMP},   {"a.JPG", ftJPEG},  {"a.jpeg", ftJPEG}, {"a.Jpeg", ftJPEG}, {"a.wmf", ftWMF},
               {"a.EMF", ftEMF},   {"a.gif", ftGIF},   {"a.PNG", ftPNG},   {"a.ini", ftINI},   {"a.dfm", ftDFM},
               {"a.xml", ftXML},   {"a.json", ftJSon}, {"a.svg", ftSVG},   {"a.pdf", ftPDF},   {"a.tiff", ftUnknown},
               {"noext", ftUnknown}, {"dir.png/file", ftUnknown}};
  for (const auto& c : cases) EXPECT_EQ(FileTypeFromName(c.name), c.type) << c.name;
}

TEST(FileTypes, DialogFilter) {
  EXPECT_EQ(FileDialogFilter(0),
            "Bitmap file (*.bmp)|*.bmp|Windows MetaFile (*.wmf)|*.wmf|Enhanced Metafile (*.emf)|*.emf|"
            "JPG/jPEG (*.jpg)|*.jpg|GIF (*.gif)|*.gif|PNG (*.png)|*.png|INI file (*.ini)|*.ini|"
            "DFM file (*.dfm)|*.dfm|XML file (*.xml)|*.xml|JSon file (*.json)|*.json");
  EXPECT_EQ(FileDialogFilter(FileTypeBit(ftPNG)), "PNG (*.png)|*.png");
  EXPECT_EQ(FileDialogFilter(FileTypeBit(ftGIF) | FileTypeBit(ftBMP)), "Bitmap file (*.bmp)|*.bmp|GIF (*.gif)|*.gif");
}

TEST_F(ExportTest, SaveChoosesTheWriterByExtension) {
  ei.SetWidth(240);
  ei.SetHeight(100);
  struct Case {
    const char* name;
    const char* identify;
  } cases[] = {{"a.bmp", "240x100 BMP3"}, {"a.png", "240x100 PNG"}, {"a.jpeg", "240x100 JPEG"},
               {"b.JPG", "240x100 JPEG"}, {"a.gif", "240x100 GIF"}};
  for (const auto& c : cases) {
    std::string path = Tmp(c.name);
    std::remove(path.c_str());
    ei.SetFileName(path);
    ei.Save();
    ASSERT_TRUE(Exists(path)) << c.name;
    EXPECT_EQ(Identify(path), c.identify) << c.name;
  }
  std::string tiff = Tmp("a.tiff");
  ei.SetFileName(tiff);
  ei.Save();
  EXPECT_FALSE(Exists(tiff));
}

// Width 0: a square image whose paint rectangle holds the whole symbol at one pixel per
// module, whatever the writer leaves outside that rectangle. Each image must scan: it is
// decoded as a label printed on white paper would be seen (a white surround, magnified).
TEST_F(ExportTest, WidthZeroHoldsTheWholeSymbolAndScans) {
  struct Case {
    TksBarcodeSymbology sym;
    const char* text;
    const char* file;
    const char* identify;  // the symbol's width in pixels, even, plus the writer's margin
    const char* decoded;
  } cases[] = {
      {bcQRCode, "HELLO", "qr.png", "23x23 PNG", "HELLO"},  // 21 modules
      {bcQRCode, "HELLO", "qr.bmp", "22x22 BMP3", "HELLO"},
      {bcQRCode, "HELLO", "qr.gif", "23x23 GIF", "HELLO"},
      {bcDataMatrix, "HELLO", "dm.png", "13x13 PNG", "HELLO"},  // 12 modules
      {bcPDF417, "Barvello 417", "pdf.png", "241x241 PNG", "Barvello 417"},  // 240 modules
      {bcCode128, "Barvello", "c128.png", "125x125 PNG", "Barvello"},  // 124 modules
      // 103 modules and the eight pixels the margin blanks move the symbol by.
      {bcEan13, "400638133393", "ean.png", "113x113 PNG", "4006381333931"},
      {bcEan13, "400638133393", "ean.bmp", "112x112 BMP3", "4006381333931"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    bc.SetBarcodeSymbology(c.sym);
    bc.SetBarCode(FromUtf8(c.text));
    const std::string path = Tmp(std::string("zero_") + c.file);
    ei.SetFileName(path);
    ei.Save();
    EXPECT_EQ(Identify(path), c.identify);
    const std::string seen = path + ".seen.png";
    std::string out;
    ASSERT_EQ(RunCommand("/usr/bin/convert '" + path + "' -bordercolor white -border 10 -scale 400% '" + seen + "' 2>&1", out),
              0)
        << out;
    RunCommand("ZXingReader -bytes '" + seen + "' 2>/dev/null", out);
    EXPECT_EQ(out, c.decoded);
  }
  bc.SetBarcodeSymbology(bcQRCode);
  bc.SetBarCode(u"HELLO");
  const std::string path = Tmp("square.png");
  ei.SetFileName(path);
  ei.SetWidth(200);
  ei.SaveAsPNG();
  EXPECT_EQ(Identify(path), "200x200 PNG");
}

TEST_F(ExportTest, RasterWritersStopOnePixelShortExceptBmp) {
  bc.SetOptions(bc.Options() & ~OptionBit(boTransparent));
  bc.SetBackgroundColor(0x0000FF);  // red
  ei.SetWidth(300);
  ei.SetHeight(120);
  for (const char* name : {"edge.bmp", "edge.png", "edge.gif"}) {
    std::string path = Tmp(name);
    ei.SetFileName(path);
    ei.Save();
    const bool bmp = std::string(name) == "edge.bmp";
    EXPECT_EQ(PixelAt(path, 299, 60), bmp ? "255,0,0" : "255,255,255") << name;
    EXPECT_EQ(PixelAt(path, 150, 119), bmp ? "255,0,0" : "255,255,255") << name;
    EXPECT_EQ(PixelAt(path, 298, 60), "255,0,0") << name;
  }
}

// With reflectance reversal the pixels a writer leaves outside the paint rectangle take
// the reversed background colour like the rest of the background.
TEST_F(ExportTest, ReversedImagesAreReversedToTheirEdges) {
  bc.SetBarcodeSymbology(bcQRCode);
  bc.SetBarCode(u"HELLO");
  bc.SetOptions(OptionBit(boReflectanceReversal));
  bc.SetLinesColor(0x0000FF);  // red: the reversed background
  bc.SetBackgroundColor(0xFFFFFF);
  ei.SetWidth(120);
  ei.SetHeight(100);
  for (const char* name : {"reversed.bmp", "reversed.png", "reversed.gif"}) {
    std::string path = Tmp(name);
    ei.SetFileName(path);
    ei.Save();
    EXPECT_EQ(PixelAt(path, 119, 50), "255,0,0") << name;
    EXPECT_EQ(PixelAt(path, 60, 99), "255,0,0") << name;
    EXPECT_EQ(PixelAt(path, 119, 99), "255,0,0") << name;
  }
}

TEST_F(ExportTest, MetafileKindFollowsTheExtension) {
  ei.SetWidth(300);
  ei.SetHeight(100);
  std::string emf = Tmp("kind.emf"), wmf = Tmp("kind.wmf");
  ei.SetFileName(emf);
  ei.SaveAsWMF();  // an .emf name gives an enhanced metafile whatever the method
  ei.SetFileName(wmf);
  ei.SaveAsEMF();
  std::string e = ReadAll(emf), w = ReadAll(wmf);
  ASSERT_GE(e.size(), 44u);
  EXPECT_EQ(e.substr(40, 4), std::string(" EMF", 4));
  ASSERT_GE(w.size(), 4u);
  EXPECT_EQ(static_cast<unsigned char>(w[0]), 0xD7u);  // placeable header 9AC6CDD7
  EXPECT_EQ(static_cast<unsigned char>(w[3]), 0x9Au);
}

TEST_F(ExportTest, DialogAndNoBarcode) {
  dialogAnswer = "";
  ei.SetFileName("");
  ei.SaveAsPNG();  // cancelled: nothing happens
  EXPECT_EQ(lastFilter, "PNG (*.png)|*.png");
  dialogAnswer = Tmp("chosen.gif");
  std::remove(dialogAnswer.c_str());
  ei.SetWidth(120);
  ei.SaveToFile("", 120, 50);
  EXPECT_TRUE(lastFilter.rfind("Bitmap file", 0) == 0);  // SaveToFile offers all types
  EXPECT_EQ(Identify(dialogAnswer), "120x50 GIF");

  TksExportImport none;
  std::string stream;
  try {
    none.SaveToStreamBmp(stream, 10, 10);
    ADD_FAILURE();
  } catch (const Exception& e) {
    EXPECT_STREQ(e.what(), "Property Barcode not assigned. Operation aborted.");
  }
  none.SetFileName(Tmp("none.png"));
  none.SaveAsPNG();
  EXPECT_FALSE(Exists(Tmp("none.png")));
}

TEST_F(ExportTest, BarcodeDestroyedClearsTheReference) {
  auto other = std::make_unique<TksBarcodeComponent>();
  TksExportImport e;
  e.SetBarcode(other.get());
  other.reset();
  EXPECT_EQ(e.Barcode(), nullptr);
}

TEST_F(ExportTest, StreamsAppendExactSizes) {
  std::string stream = "prefix";
  ei.SaveToStreamBmp(stream, 64, 32);
  ASSERT_GT(stream.size(), 6u + 54u);
  EXPECT_EQ(stream.substr(6, 2), "BM");
  std::string wmf;
  ei.SaveToStreamWmf(wmf, 64, 32);
  EXPECT_EQ(static_cast<unsigned char>(wmf[0]), 0xD7u);
  EXPECT_EQ(ei.ClientRect(), (TRect{0, 0, 102, 102}));
}

TEST_F(ExportTest, IniRoundTripKeepsOtherSectionsByteForByte) {
  const std::string path = Tmp("settings.ini");
  const std::string before = "; comment kept\r\n[Other]\r\nKey=Value with  blanks\r\nweird line without equals\r\n\r\n[ksBarcode]\r\nForeign=1\r\n";
  {
    std::ofstream f(path, std::ios::binary);
    f << before;
  }
  bc.SetBarcodeSymbology(bcCode128);
  bc.SetBarCode(u"Saved text\nsecond line");
  bc.CaptionUpper().SetText({u"one", u"two", u"three"});
  bc.CaptionUpper().Font().SetStyle(1u << fsBold);
  bc.SetAngle(270);
  ei.SetFileName(path);
  ei.SaveToFile(path, 0, 0);  // by extension: the fixed section "ksBarcode"
  const std::string after = ReadAll(path);
  EXPECT_EQ(after.substr(0, after.find("[ksBarcode]")), before.substr(0, before.find("[ksBarcode]")));
  EXPECT_NE(after.find("Foreign=1\r\n"), std::string::npos);
  EXPECT_NE(after.find("CaptionUpper.Text.Count=3\r\n"), std::string::npos);
  EXPECT_NE(after.find("CaptionUpper.Text.Line2=three\r\n"), std::string::npos);
  EXPECT_EQ(after.find("ErrorInfo.Code"), std::string::npos);  // read-only keys are left out

  // The saved section loads back whole: symbology before the data text.
  TksBarcodeComponent loaded;
  TksExportImport in;
  in.SetBarcode(&loaded);
  in.SetFileName(path);
  in.SetIniSection("ksBarcode");
  // "Foreign" names no property: it stands first in the section and stops the load.
  EXPECT_THROW(in.LoadFromINI(), EAbort);
  IniFile ini;
  std::string err;
  ASSERT_TRUE(ini.Load(path, err));
  auto pairs = ini.ReadSection("ksBarcode");
  pairs.erase(pairs.begin());  // without the foreign key
  ASSERT_TRUE(ApplyBarcodeIniPairs(loaded, pairs));
  EXPECT_EQ(loaded.BarcodeSymbology(), bcCode128);
  EXPECT_EQ(loaded.BarCode(), u"Saved text\nsecond line");
  EXPECT_EQ(loaded.CaptionUpper().Text(), (std::vector<std::u16string>{u"one", u"two", u"three"}));
  EXPECT_TRUE(loaded.CaptionUpper().Font().HasStyle(fsBold));
  EXPECT_EQ(loaded.Angle(), 270);
}

// Every writable property gets a value other than its default (where its setter takes
// one); the section written by SaveAsINI loads back into a fresh object with every key
// equal, the data text included.
TEST_F(ExportTest, EverySettingSurvivesTheIniRoundTrip) {
  bc.SetBarcodeSymbology(bcQRCode);
  int changed = 0;
  for (const auto& pv : ListProperties(bc, false)) {
    TksPersistent* owner = nullptr;
    const PropInfo* p = FindPropertyPath(bc, pv.path, &owner);
    if (!p || p->readOnly || pv.path == "BarcodeSymbology" || pv.path == "BarCode") continue;
    std::vector<std::string> candidates;
    switch (p->type) {
      case PropType::Integer: candidates = {"7", "3", "1", "2", "-1"}; break;
      case PropType::Color: candidates = {"255", "65280"}; break;
      case PropType::Boolean: candidates = {pv.value == "True" ? "False" : "True"}; break;
      case PropType::Float: candidates = {"2.5"}; break;
      case PropType::String: candidates = {"Hodnota č. 1"}; break;
      case PropType::Enum:
        for (const auto& v : p->enumType->values) candidates.push_back(v);
        std::reverse(candidates.begin(), candidates.end());
        break;
      case PropType::Set: candidates = {p->enumType->values.front()}; break;
      default: break;
    }
    for (const auto& c : candidates) {
      if (c == pv.value) continue;
      try {
        if (SetPropertyText(bc, pv.path, c) == SetResult::Ok) {
          std::string now;
          GetPropertyText(bc, pv.path, now);
          if (now != pv.value) {
            ++changed;
            break;
          }
        }
      } catch (const Exception&) {
        // a setter that refuses this value: try the next one
      }
    }
  }
  bc.SetBarCode(u"Data text after every setting");
  bc.CaptionBottom().SetText({u"dole", u""});
  EXPECT_GT(changed, 60);

  const std::string path = Tmp("every.ini");
  std::remove(path.c_str());
  ei.SetFileName(path);
  ei.SetIniSection("All");
  ei.SaveAsINI();
  TksBarcodeComponent fresh;
  TksExportImport in;
  in.SetBarcode(&fresh);
  in.SetFileName(path);
  in.SetIniSection("All");
  in.LoadFromINI();
  const auto want = ListProperties(bc, false), got = ListProperties(fresh, false);
  ASSERT_EQ(want.size(), got.size());
  for (size_t i = 0; i < want.size(); ++i) {
    EXPECT_EQ(got[i].path, want[i].path);
    EXPECT_EQ(got[i].value, want[i].value) << want[i].path;
  }
}

// Micro QR keeps the default mask 0, which the mask setter refuses while Micro QR is
// on; the section holds MicroQR before Mask. Such a section still loads back whole, and
// a full-size section loads into an object that has Micro QR on. A mask the setter
// refuses stops the load at its key instead of escaping as an exception.
TEST_F(ExportTest, QrMasksAndMicroQrLoadBack) {
  bc.SetBarcodeSymbology(bcQRCode);
  bc.Params().QRCode().SetMicroQR(true);
  bc.Params().QRCode().SetVersion(3);
  bc.SetBarCode(u"12345");
  ASSERT_EQ(bc.Params().QRCode().Mask(), 0);
  TksBarcodeComponent fresh;
  std::string failed;
  ASSERT_TRUE(ApplyBarcodeIniPairs(fresh, BarcodeIniPairs(bc), &failed)) << failed;
  EXPECT_TRUE(fresh.Params().QRCode().MicroQR());
  EXPECT_EQ(fresh.Params().QRCode().Mask(), 0);
  EXPECT_EQ(fresh.Params().QRCode().Version(), 3);
  EXPECT_EQ(fresh.BarCode(), u"12345");

  TksBarcodeComponent full;
  full.SetBarcodeSymbology(bcQRCode);
  full.Params().QRCode().SetVersion(10);
  full.Params().QRCode().SetMask(5);
  ASSERT_TRUE(ApplyBarcodeIniPairs(fresh, BarcodeIniPairs(full), &failed)) << failed;
  EXPECT_FALSE(fresh.Params().QRCode().MicroQR());
  EXPECT_EQ(fresh.Params().QRCode().Mask(), 5);
  EXPECT_EQ(fresh.Params().QRCode().Version(), 10);

  TksBarcodeComponent refused;
  EXPECT_FALSE(ApplyBarcodeIniPairs(
      refused, {{"BarcodeSymbology", "bcQRCode"}, {"Params.QRCode.Mask", "9"}, {"Angle", "90"}}, &failed));
  EXPECT_EQ(failed, "Params.QRCode.Mask");
  EXPECT_EQ(refused.BarcodeSymbology(), bcQRCode);
  EXPECT_EQ(refused.Angle(), 0);
}

// A font's Size is its Height in whole points; written after the height and loaded
// back it rounded the height (-30 pixels came back as -31). The section holds heights.
TEST_F(ExportTest, FontHeightsSurviveTheIniRoundTrip) {
  for (int height : {-30, -14, -17, -13, 25, 1}) {
    bc.CaptionHuman().Font().SetHeight(height);
    const auto pairs = BarcodeIniPairs(bc);
    for (const auto& [key, value] : pairs) EXPECT_EQ(key.find("Font.Size"), std::string::npos) << key;
    TksBarcodeComponent fresh;
    std::string failed;
    ASSERT_TRUE(ApplyBarcodeIniPairs(fresh, pairs, &failed)) << failed;
    EXPECT_EQ(fresh.CaptionHuman().Font().Height(), height);
  }
}

TEST_F(ExportTest, FourCaptionKeysLoadIntoAnotherObject) {
  const std::string path = Tmp("caption.ini");
  {
    std::ofstream f(path, std::ios::binary);
    f << "[Labels]\r\nCaptionUpper.Text.Count=3\r\nCaptionUpper.Text.Line0=a\r\nCaptionUpper.Text.Line1=b\r\n"
         "CaptionUpper.Text.Line2=c\r\n";
  }
  TksBarcodeComponent other;
  TksExportImport in;
  in.SetBarcode(&other);
  in.SetFileName(path);
  in.SetIniSection("Labels");
  in.LoadFromINI();
  EXPECT_EQ(other.CaptionUpper().Text(), (std::vector<std::u16string>{u"a", u"b", u"c"}));
}

TEST_F(ExportTest, VectorFormatsRenderTheSymbol) {
  bc.SetBarcodeSymbology(bcQRCode);
  bc.SetBarCode(u"https://example.com/vector");
  const int size = 200;
  std::string svg = RenderBarcodeSvg(&bc, size, size, {20, 20, size - 20, size - 20});
  QSvgRenderer renderer(QByteArray::fromStdString(svg));
  ASSERT_TRUE(renderer.isValid());
  QImage img(size, size, QImage::Format_RGB32);
  img.fill(Qt::white);
  {
    QPainter p(&img);
    renderer.render(&p);
  }
  const std::string png = Tmp("svg_render.png");
  ASSERT_TRUE(img.save(QString::fromStdString(png)));
  std::string out;
  RunCommand("ZXingReader -bytes '" + png + "' 2>/dev/null", out);
  EXPECT_EQ(out, "https://example.com/vector");

  std::string pdf = RenderBarcodePdf(&bc, size, size, {20, 20, size - 20, size - 20});
  EXPECT_EQ(pdf.substr(0, 5), "%PDF-");
  const std::string pdfPath = Tmp("vector.pdf");
  {
    std::ofstream f(pdfPath, std::ios::binary);
    f << pdf;
  }
  RunCommand("pdftoppm -r 96 -png -singlefile '" + pdfPath + "' '" + Tmp("pdf_render") + "' 2>&1", out);
  RunCommand("ZXingReader -bytes '" + Tmp("pdf_render.png") + "' 2>/dev/null", out);
  EXPECT_EQ(out, "https://example.com/vector");
}

TEST_F(ExportTest, FailedWriteKeepsTheExistingFile) {
  const std::string dir = Tmp("missing_dir/");
  ei.SetFileName(dir + "x.png");
  EXPECT_THROW(ei.SaveAsPNG(), Exception);
  const std::string path = Tmp("kept.png");
  {
    std::ofstream f(path, std::ios::binary);
    f << "old content";
  }
  // A name that is a directory cannot be written.
  const std::string dirPng = Tmp("isdir.png");
  std::string out;
  RunCommand("mkdir -p '" + dirPng + "'", out);
  EXPECT_THROW(ei.SaveToFile(dirPng, 50, 50), Exception);
  // A failing write leaves an existing file as it was: the write goes to a temporary
  // file that is renamed only when complete.
  ei.SetFileName(path);
  EXPECT_NO_THROW(ei.SaveAsPNG());
  EXPECT_EQ(Identify(path), "113x113 PNG");
}

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
