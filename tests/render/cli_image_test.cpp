// The images barvello-cli writes with -o: reversed symbols keep a quiet zone of their own
// colour, symbols too small for a pixel per module and symbologies that draw no bars are
// refused, and the ITF bearer frame is closed inside the image. Read back with
// ImageMagick and decoded with ZXingReader.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::string Tmp(const std::string& name) {
  return ::testing::TempDir() + "cli_image_" + std::to_string(getpid()) + "_" + name;
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

bool Have(const char* program) {
  std::string out;
  return RunCommand(std::string("command -v ") + program, out) == 0 && !out.empty();
}

bool Exists(const std::string& path) { return std::ifstream(path).good(); }

// Runs barvello-cli with the arguments; stdout and stderr together in `out`.
int Cli(const std::string& args, std::string& out) {
  return RunCommand(std::string(BARVELLO_CLI) + " " + args + " 2>&1", out);
}

std::string Decode(const std::string& png) {
  std::string out;
  RunCommand("ZXingReader -bytes '" + png + "' 2>/dev/null", out);
  return out;
}

// An image as rows of dark (true) and light pixels, thresholded by ImageMagick.
struct Bitmap {
  int w = 0, h = 0;
  std::vector<std::vector<bool>> dark;
  bool At(int x, int y) const { return x >= 0 && y >= 0 && x < w && y < h && dark[y][x]; }
};

Bitmap ReadBitmap(const std::string& path) {
  std::string pbm;
  RunCommand("/usr/bin/convert '" + path + "' -threshold 50% -compress none pbm:-", pbm);
  std::istringstream in(pbm);
  std::string magic;
  Bitmap b;
  in >> magic >> b.w >> b.h;
  if (magic != "P1") return {};
  b.dark.assign(b.h, std::vector<bool>(b.w, false));
  for (int y = 0; y < b.h; ++y)
    for (int x = 0; x < b.w; ++x) {
      int v = 0;
      in >> v;
      b.dark[y][x] = v == 1;
    }
  return b;
}

}  // namespace

// With reflectance reversal everything outside the symbol takes the reversed background
// colour, the default size's margin too: inverted, the image is an ordinary symbol with
// its quiet zone, and reads.
TEST(CliImage, ReversedSymbolsDecodeAfterInversion) {
  if (!Have("ZXingReader")) GTEST_SKIP() << "ZXingReader is not installed";
  struct Case {
    const char* symbology;
    const char* data;
    const char* decoded;
  } cases[] = {
      {"bcQRCode", "INVERTED", "INVERTED"},
      {"bcDataMatrix", "INVERTED", "INVERTED"},
      {"bcEan13", "400638133393", "4006381333931"},
  };
  for (const auto& c : cases) {
    for (const char* options : {"boSecurity,boReflectanceReversal", "boReflectanceReversal"}) {
      SCOPED_TRACE(std::string(c.symbology) + " " + options);
      const std::string png = Tmp(std::string("reversed_") + c.symbology + ".png"), negated = png + ".negated.png";
      std::string out;
      ASSERT_EQ(Cli(std::string("-s ") + c.symbology + " -d " + c.data + " --set Options=" + options + " -o '" + png +
                        "'",
                    out),
                0)
          << out;
      const Bitmap b = ReadBitmap(png);
      ASSERT_GT(b.w, 0);
      // The margin around the symbol is dark on every side.
      for (int x = 0; x < b.w; ++x) EXPECT_TRUE(b.At(x, 0) && b.At(x, b.h - 1)) << "column " << x;
      for (int y = 0; y < b.h; ++y) EXPECT_TRUE(b.At(0, y) && b.At(b.w - 1, y)) << "row " << y;
      ASSERT_EQ(RunCommand("/usr/bin/convert '" + png + "' -negate '" + negated + "' 2>&1", out), 0) << out;
      EXPECT_EQ(Decode(negated), c.decoded);
    }
  }
}

// An image must hold a pixel for every module and something to scan: a matrix or PDF417
// symbol in too small a box is refused like a linear one, and so is an image of a
// symbology that draws no bars. Nothing is written then. The pattern of such a
// symbology still prints.
TEST(CliImage, TooSmallOrEmptyImagesAreRefused) {
  struct Case {
    const char* args;
    int rc;
    const char* identifier;  // on stderr when the exit status is 1
  } cases[] = {
      {"-s bcQRCode -d HELLO -W 10 -H 10", 1, "erSmallPaintBox"},
      // 21 modules: the symbol rectangle centred in 21 pixels is 20 wide.
      {"-s bcQRCode -d HELLO -W 21 -H 21", 1, "erSmallPaintBox"},
      {"-s bcQRCode -d HELLO -W 22 -H 22", 0, ""},
      {"-s bcQRCode -d HELLO -W 200 -H 20", 1, "erSmallPaintBox"},
      {"-s bcQRCode -d HELLO -W 10 -H 10 --set Options=boPaintIfSmall", 0, ""},
      {"-s bcQRCode -d HELLO -W 100 -H 40 --set Angle=90", 0, ""},
      {"-s bcQRCode -d HELLO -W 100 -H 20 --set Angle=90", 1, "erSmallPaintBox"},
      {"-s bcDataMatrix -d HELLO -W 10 -H 40", 1, "erSmallPaintBox"},
      {"-s bcDataMatrix -d HELLO -W 12 -H 12", 0, ""},
      {"-s bcPDF417 -d HELLO -W 400 -H 2", 1, "erSmallPaintBox"},
      {"-s bcPDF417 -d HELLO -W 400 -H 100", 0, ""},
      {"-s bcPostBar -d 123", 1, "erNoSymbology"},
      {"-s bcPostBar -d 123 -W 300 -H 100", 1, "erNoSymbology"},
      {"-s bcNone -d 123", 1, "erNoSymbology"},
      {"-s bcNone -d 123 -W 300 -H 100", 1, "erNoSymbology"},
  };
  for (const char* ext : {".png", ".svg"}) {
    for (const auto& c : cases) {
      SCOPED_TRACE(std::string(c.args) + " " + ext);
      const std::string file = Tmp(std::string("refused") + ext);
      std::remove(file.c_str());
      std::string out;
      EXPECT_EQ(Cli(std::string(c.args) + " -o '" + file + "'", out), c.rc) << out;
      EXPECT_EQ(Exists(file), c.rc == 0);
      if (c.rc == 1) {
        EXPECT_NE(out.find(c.identifier), std::string::npos) << out;
      }
    }
  }
  std::string out;
  EXPECT_EQ(Cli("-s bcPostBar -d 123 --pattern", out), 0) << out;
}

// The bearer frame of ITF is a closed box of four-pixel sides inside the image, its
// upright sides outside the symbol's quiet zones, also when the symbol fills the width.
TEST(CliImage, ItfBearerFrameIsClosedInsideTheImage) {
  if (!Have("ZXingReader")) GTEST_SKIP() << "ZXingReader is not installed";
  const char* sizes[] = {"-W 262 -H 100", "", "-W 263 -H 101", "-W 600 -H 150 --set Options=boSecurity",
                         "-W 300 -H 100 --set CaptionHuman.Visible=False"};
  for (const char* size : sizes) {
    SCOPED_TRACE(size);
    const std::string png = Tmp("itf.png");
    std::string out;
    ASSERT_EQ(Cli(std::string("-s bcITF -d 1234567890123 ") + size + " -o '" + png + "'", out), 0) << out;
    const Bitmap b = ReadBitmap(png);
    ASSERT_GT(b.h, 0);
    // The top side: the first row with dark pixels, dark from its first to its last one.
    int top = 0;
    while (top < b.h && std::find(b.dark[top].begin(), b.dark[top].end(), true) == b.dark[top].end()) ++top;
    ASSERT_LT(top, b.h);
    int left = 0, right = b.w - 1;
    while (!b.At(left, top)) ++left;
    while (!b.At(right, top)) --right;
    // The bottom side: where the left side ends.
    int bottom = top;
    while (b.At(left, bottom + 1)) ++bottom;
    ASSERT_GT(bottom - top, 20);
    const int side = 4;
    for (int x = left; x <= right; ++x)
      for (int d = 0; d < side; ++d) {
        ASSERT_TRUE(b.At(x, top + d)) << "top side at " << x;
        ASSERT_TRUE(b.At(x, bottom - d)) << "bottom side at " << x;
      }
    for (int y = top; y <= bottom; ++y)
      for (int d = 0; d < side; ++d) {
        ASSERT_TRUE(b.At(left + d, y)) << "left side at " << y;
        ASSERT_TRUE(b.At(right - d, y)) << "right side at " << y;
      }
    // Inside the frame, ten modules of quiet zone on either side of the bars: the first
    // and last bars stand at least ten of the narrowest bars' widths from the frame.
    const int mid = (top + bottom) / 2;
    int first = left + side, last = right - side;
    while (first < last && !b.At(first, mid)) ++first;
    while (last > first && !b.At(last, mid)) --last;
    int narrow = b.w;
    for (int x = first; x <= last;) {
      int run = 0;
      while (x <= last && b.At(x, mid)) ++x, ++run;
      if (run > 0) narrow = std::min(narrow, run);
      while (x <= last && !b.At(x, mid)) ++x;
    }
    EXPECT_GE(first - (left + side), 10 * narrow);
    EXPECT_GE((right - side) - last, 10 * narrow);
    EXPECT_EQ(Decode(png), "12345678901231");
  }
}
