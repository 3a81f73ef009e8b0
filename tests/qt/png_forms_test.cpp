// The smallest exact PNG form on real barcode images: for every symbology family, in
// black and white, in colour, turned and reversed, the palette or grey file decodes
// (ImageMagick and Qt) to exactly the pixels of the true-colour file. Also the export
// component's PngFormat property, and barvello-cli, which writes the smallest form unless
// given --png-truecolor.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QGuiApplication>
#include <QImage>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "engine/barcode.h"
#include "engine/persistent.h"
#include "output/export.h"
#include "output/image_writers.h"
#include "tests/qt/image_readers.h"

using namespace ks;
using namespace ks::testing_images;

namespace {

namespace fs = std::filesystem;

// A fresh folder, removed with its content.
class TempFolder {
 public:
  TempFolder() {
    std::string pattern = (fs::temp_directory_path() / "barvello-pngforms-XXXXXX").string();
    path_ = mkdtemp(pattern.data());
  }
  ~TempFolder() {
    std::error_code ec;
    fs::remove_all(path_, ec);
  }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

using Settings = std::vector<std::pair<std::string, std::string>>;

struct Family {
  const char* name;
  TksBarcodeSymbology symbology;
  int width, height;
};

// One symbology of each family; the data text is the symbology's own sample.
const Family kFamilies[] = {
    {"EAN-13 with its digits", bcEan13, 339, 174},
    {"UPC-E", bcUPCE0, 200, 120},
    {"Code 128", bcCode128, 420, 120},
    {"Code 39", bcCode39Standard, 420, 120},
    {"ITF-14 with its bearer frame", bcITF, 460, 160},
    {"Codabar", bcCodabar, 300, 120},
    {"2 of 5 Industrial", bc25Industrial, 400, 120},
    {"Intelligent Mail", bcIntelligentMail, 460, 60},
    {"Royal Mail", bcRoyalMail, 300, 60},
    {"PostNet", bcPostNet, 300, 60},
    {"QR Code", bcQRCode, 164, 164},
    {"Data Matrix", bcDataMatrix, 104, 104},
    {"PDF417", bcPDF417, 342, 133},
};

struct Variant {
  const char* name;
  Settings settings;
  int colourType;  // expected in the smallest form: 0 grey, 3 palette, -1 either or true colour
};

const Variant kVariants[] = {
    {"black on white", {}, 0},
    {"coloured bars on a coloured background", {{"LinesColor", "$00802010"}, {"BackgroundColor", "$00C0FFFF"}}, 3},
    // Texts of two colours antialiased on a third may blend into more than 256 colours.
    {"coloured texts",
     {{"LinesColor", "$00802010"},
      {"BackgroundColor", "$00C0FFFF"},
      {"CaptionHuman.Font.Color", "$00000080"},
      {"CaptionUpper.Visible", "True"},
      {"CaptionUpper.Text.Count", "1"},
      {"CaptionUpper.Text.Line0", "Barvello"}},
     -1},
    {"turned a quarter", {{"Angle", "90"}}, 0},
    {"reflectance reversed", {{"Options", "boReflectanceReversal"}}, 0},
};

TEST(PngForms, EverySymbologyFamilyReadsBackTheSameInBothForms) {
  TempFolder dir;
  for (const Family& f : kFamilies) {
    for (const Variant& v : kVariants) {
      SCOPED_TRACE(std::string(f.name) + ", " + v.name);
      TksBarcodeComponent bc;
      bc.SetBarcodeSymbology(f.symbology);
      for (const auto& [path, value] : v.settings) ASSERT_EQ(SetPropertyText(bc, path, value), SetResult::Ok) << path;
      const bool turned = bc.Angle() % 180 != 0;
      const int w = turned ? f.height : f.width, h = turned ? f.width : f.height;
      const QImage image = RenderBarcodeImage(&bc, w, h, {0, 0, w - 1, h - 1});
      const std::string smallest = dir / "smallest.png", trueColour = dir / "truecolour.png";
      std::string error;
      ASSERT_TRUE(WriteImageFile(image, ImageKind::Png, smallest, error, pfSmallest)) << error;
      ASSERT_TRUE(WriteImageFile(image, ImageKind::Png, trueColour, error, pfTrueColor)) << error;
      const PngContent small = ParsePng(ReadFile(smallest));
      EXPECT_TRUE(small.crcsGood);
      EXPECT_EQ(ParsePng(ReadFile(trueColour)).ColourType(), 2);
      if (v.colourType >= 0) {
        EXPECT_EQ(small.ColourType(), v.colourType);
        EXPECT_LT(fs::file_size(smallest), fs::file_size(trueColour));
      } else {
        EXPECT_LE(fs::file_size(smallest), fs::file_size(trueColour));
      }
      const QImage byMagick = ReadWithImageMagick(trueColour);
      EXPECT_EQ(MaxChannelDifference(image, byMagick), 0);
      EXPECT_EQ(MaxChannelDifference(byMagick, ReadWithImageMagick(smallest)), 0);
      EXPECT_EQ(MaxChannelDifference(ReadWithQt(trueColour), ReadWithQt(smallest)), 0);
      EXPECT_EQ(MaxChannelDifference(image, ReadWithQt(smallest)), 0);
    }
  }
}

TEST(PngForms, ExportWritesTrueColourUnlessItsPngFormatSaysSmallest) {
  TempFolder dir;
  TksBarcodeComponent bc;
  bc.SetBarcodeSymbology(bcQRCode);
  TksExportImport ei;
  ei.SetBarcode(&bc);
  ei.SetWidth(200);
  ei.SetHeight(200);
  std::string value;
  ASSERT_TRUE(GetPropertyText(ei, "PngFormat", value));
  EXPECT_EQ(value, "pfTrueColor");

  ei.SetFileName(dir / "default.png");
  ei.SaveAsPNG();
  EXPECT_EQ(ParsePng(ReadFile(dir / "default.png")).ColourType(), 2);

  ASSERT_EQ(SetPropertyText(ei, "PngFormat", "pfSmallest"), SetResult::Ok);
  EXPECT_EQ(ei.PngFormat(), pfSmallest);
  ei.SetFileName(dir / "smallest.png");
  ei.SaveAsPNG();
  ei.SaveToFile(dir / "saved.png", 200, 200);
  for (const char* name : {"smallest.png", "saved.png"}) {
    SCOPED_TRACE(name);
    const PngContent c = ParsePng(ReadFile(dir / name));
    EXPECT_EQ(c.ColourType(), 0);
    EXPECT_EQ(c.BitDepth(), 1);
    EXPECT_EQ(MaxChannelDifference(ReadWithImageMagick(dir / "default.png"), ReadWithImageMagick(dir / name)), 0);
  }
  EXPECT_NE(SetPropertyText(ei, "PngFormat", "pfPalette"), SetResult::Ok);
  EXPECT_EQ(ei.PngFormat(), pfSmallest);
}

// barvello-cli with the arguments; its exit status.
int RunCli(const std::string& args) {
  const int status = std::system((std::string(BARVELLO_CLI) + " " + args + " >/dev/null 2>&1").c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(PngForms, CliWritesTheSmallestFormUnlessAskedForTrueColour) {
  TempFolder dir;
  struct Case {
    std::string args;
    std::string file;
    int colourType;
    int bitDepth;
  };
  const std::string ean = "-s bcEan13 -d 400638133393 ";
  const std::vector<Case> cases = {
      {ean + "-o " + dir / "ean.png", dir / "ean.png", 0, 8},
      {ean + "-o " + dir / "ean-true.png --png-truecolor", dir / "ean-true.png", 2, 8},
      {"-s bcQRCode -d https://example.com -o " + dir / "qr.png", dir / "qr.png", 0, 1},
      {"-s bcQRCode -d https://example.com --png-truecolor -o " + dir / "qr-true.png", dir / "qr-true.png", 2, 8},
      {"-s bcQRCode -d https://example.com --set 'LinesColor=$00800000' -W 120 -H 120 -o " + dir / "qr-navy.png",
       dir / "qr-navy.png", 3, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args);
    ASSERT_EQ(RunCli(c.args), 0);
    const PngContent png = ParsePng(ReadFile(c.file));
    EXPECT_TRUE(png.crcsGood);
    EXPECT_EQ(png.ColourType(), c.colourType);
    EXPECT_EQ(png.BitDepth(), c.bitDepth);
  }
  EXPECT_EQ(MaxChannelDifference(ReadWithImageMagick(dir / "ean.png"), ReadWithImageMagick(dir / "ean-true.png")), 0);
  EXPECT_EQ(MaxChannelDifference(ReadWithQt(dir / "qr.png"), ReadWithQt(dir / "qr-true.png")), 0);

  // A batch writes the same form.
  std::ofstream(dir / "lines.txt") << "https://example.com\nhttps://example.org\n";
  ASSERT_EQ(RunCli("-s bcQRCode --batch " + dir / "lines.txt" + " -o " + dir / "b%02d.png --threads 2"), 0);
  EXPECT_EQ(ParsePng(ReadFile(dir / "b01.png")).ColourType(), 0);
  EXPECT_EQ(ReadFile(dir / "b01.png"), ReadFile(dir / "qr.png"));
  ASSERT_EQ(RunCli("-s bcQRCode --png-truecolor --batch " + dir / "lines.txt" + " -o " + dir / "t%02d.png"), 0);
  EXPECT_EQ(ReadFile(dir / "t01.png"), ReadFile(dir / "qr-true.png"));
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
