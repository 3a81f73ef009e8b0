// Round trip through a real decoder: barvello-cli writes each symbol as PNG and
// ZXingReader (zxing-cpp) must read back the data text.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <string>

namespace {

std::string Quote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

int RunCommand(const std::string& cmd, std::string& out) {
  out.clear();
  FILE* p = popen(cmd.c_str(), "r");
  if (!p) return -1;
  std::array<char, 4096> buf;
  size_t n;
  while ((n = fread(buf.data(), 1, buf.size(), p)) > 0) out.append(buf.data(), n);
  int status = pclose(p);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool HaveReader() {
  std::string out;
  return RunCommand("command -v ZXingReader", out) == 0 && !out.empty();
}

struct Case {
  const char* symbology;
  const char* data;
  const char* format;    // ZXingReader's name
  const char* expected;  // decoded text (with the check digit where readers report it)
  const char* extra;     // further CLI options
};

// Decodes a PNG and returns the text ZXingReader reports for the given format.
std::string Decode(const std::string& file, const std::string& format) {
  std::string out;
  RunCommand("ZXingReader -format " + format + " -bytes " + Quote(file) + " 2>/dev/null", out);
  return out;
}

class RoundTrip : public ::testing::TestWithParam<Case> {};

// Writes the symbol with barvello-cli and decodes it; PNG goes straight to the reader,
// other raster types through ImageMagick first.
std::string WriteAndDecode(const Case& c, const std::string& ext, const std::string& settings) {
  const std::string file = ::testing::TempDir() + "roundtrip_" + std::to_string(getpid()) + "_" + c.symbology + ext;
  std::string out;
  const std::string cmd = std::string(BARVELLO_CLI) + " -s " + c.symbology + " -d " + Quote(c.data) + " " + c.extra +
                          " " + settings + " -o " + Quote(file) + " 2>&1";
  if (RunCommand(cmd, out) != 0) return "cli failed: " + out;
  if (ext == ".png") return Decode(file, c.format);
  const std::string png = file + ".png";
  if (RunCommand("/usr/bin/convert " + Quote(file) + " " + Quote(png) + " 2>&1", out) != 0) return "convert failed";
  return Decode(png, c.format);
}

TEST_P(RoundTrip, EveryAngleWithAndWithoutSecurity) {
  if (!HaveReader()) GTEST_SKIP() << "ZXingReader is not installed";
  const Case& c = GetParam();
  for (int angle : {0, 90, 180, 270}) {
    for (bool security : {true, false}) {
      const std::string settings = "--set Angle=" + std::to_string(angle) +
                                   (security ? "" : " --set Options=boTransparent,boStartStopLines,boAutoCheckDigit");
      const std::string got = WriteAndDecode(c, ".png", settings);
      EXPECT_EQ(got.substr(0, std::string(c.expected).size()), c.expected)
          << c.symbology << " angle " << angle << (security ? " security" : " no security") << ": " << got;
    }
  }
}

TEST_P(RoundTrip, OtherRasterTypes) {
  if (!HaveReader()) GTEST_SKIP() << "ZXingReader is not installed";
  const Case& c = GetParam();
  for (const char* ext : {".bmp", ".gif", ".jpg"}) {
    const std::string got = WriteAndDecode(c, ext, "");
    EXPECT_EQ(got.substr(0, std::string(c.expected).size()), c.expected) << c.symbology << ext << ": " << got;
  }
}

// Metafiles through independent readers: emf2svg-conv (EMF) and wmf2svg (WMF) make SVG,
// rsvg-convert rasterises it and ZXingReader must read the symbol.
TEST(MetafileRoundTrip, ReadersRenderDecodableSymbols) {
  std::string out;
  if (!HaveReader() || RunCommand("command -v emf2svg-conv wmf2svg rsvg-convert", out) != 0)
    GTEST_SKIP() << "metafile readers are not installed";
  const Case cases[] = {
      {"bcQRCode", "Metafile QR", "QRCode", "Metafile QR", ""},
      {"bcDataMatrix", "Metafile DM", "DataMatrix", "Metafile DM", ""},
      {"bcCode128", "Meta 128", "Code128", "Meta 128", "-W 1200 -H 300"},
      {"bcEan13", "400638133393", "EAN-13", "4006381333931", "-W 824 -H 300"},
      {"bcPDF417", "Metafile PDF417", "PDF417", "Metafile PDF417",
       "-W 900 -H 200 --set QuietZone.Visible=True --set QuietZone.Style=qzNone"},
  };
  for (const Case& c : cases) {
    for (const std::string ext : {".emf", ".wmf"}) {
      const std::string base = ::testing::TempDir() + "meta_" + std::to_string(getpid()) + "_" + c.symbology;
      const std::string file = base + ext, svg = base + ext + ".svg", png = base + ext + ".png";
      ASSERT_EQ(RunCommand(std::string(BARVELLO_CLI) + " -s " + c.symbology + " -d " + Quote(c.data) + " " + c.extra +
                               " -o " + Quote(file) + " 2>&1",
                           out),
                0)
          << out;
      const std::string convert = ext == ".emf" ? "emf2svg-conv -i " + Quote(file) + " -o " + Quote(svg)
                                                : "wmf2svg -o " + Quote(svg) + " " + Quote(file);
      ASSERT_EQ(RunCommand(convert + " 2>&1", out), 0) << c.symbology << ext << ": " << out;
      ASSERT_EQ(RunCommand("rsvg-convert -b white " + Quote(svg) + " -o " + Quote(png) + " 2>&1", out), 0) << out;
      EXPECT_EQ(Decode(png, c.format), c.expected) << c.symbology << ext;
    }
  }
}

// Data texts, and what a reader reports for them.
const Case kCases[] = {
    {"bcEan13", "400638133393", "EAN-13", "4006381333931", ""},
    {"bcEan8", "5512345", "EAN-8", "55123457", ""},
    {"bcUPCA", "01234567890", "UPC-A", "012345678905", ""},
    {"bcUPCE0", "0123456", "UPC-E", "01234565", ""},
    {"bcUPCE1", "0123456", "UPC-E", "11234562", ""},  // number system 1
    {"bcEan13", "4006381333931 12", "EAN-13", "4006381333931", ""},  // with a two-digit add-on
    {"bcUPCA", "012345678905 12345", "UPC-A", "012345678905", ""},  // with a five-digit add-on
    {"bcUccEan128", "(01)12345678901231(10)12345", "Code128", "01123456789012311012345", ""},
    {"bcISBN", "80-7226-102", "EAN-13", "9788072261024", ""},
    {"bcJAN13", "491234567890", "EAN-13", "4912345678904", ""},
    {"bcCode39Standard", "BARVELLO-2026", "Code39", "BARVELLO-2026", ""},
    {"bcCode93Standard", "TAVRIX 93", "Code93", "TAVRIX 93", ""},
    {"bcCode128", "Barvello 128 test", "Code128", "Barvello 128 test", ""},
    {"bcCode128", "1234567890123456", "Code128", "1234567890123456", ""},
    {"bcCodabar", "A40156B", "Codabar", "40156+", ""},  // start/stop dropped, mod 16 check "+"
    {"bc25Interleaved", "12345678", "ITF", "12345678", ""},
    {"bcITF", "1234567890123", "ITF", "12345678901231", ""},
    {"bcQRCode", "https://example.com/barvello?q=1", "QRCode", "https://example.com/barvello?q=1", ""},
    {"bcQRCode", "Příliš žluťoučký kůň", "QRCode", "Příliš žluťoučký kůň", ""},
    {"bcQRCode", "HELLO WORLD 12345", "QRCode", "HELLO WORLD 12345",
     "--set Params.QRCode.EccLevel=QrEccLevelH"},
    {"bcDataMatrix", "Barvello by tavrix", "DataMatrix", "Barvello by tavrix", ""},
    {"bcDataMatrix", "1234567890123456789012345678901234567890", "DataMatrix",
     "1234567890123456789012345678901234567890", ""},
    {"bcPDF417", "Barvello label run 0001, PDF417 round trip", "PDF417",
     "Barvello label run 0001, PDF417 round trip", ""},
    {"bcPDF417", "12345678901234567890123456789012345678901234567890", "PDF417",
     "12345678901234567890123456789012345678901234567890", ""},
};

INSTANTIATE_TEST_SUITE_P(Symbols, RoundTrip, ::testing::ValuesIn(kCases), [](const auto& info) {
  return std::string(info.param.symbology).substr(2) + "_" + std::to_string(info.index);
});

}  // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
