// Very large requests through the command-line tool: a data text of 10 MB, a caption of
// 100,000 lines, a quiet zone of 100 %, an image of 20,000 x 20,000 pixels. Each either
// works or is refused with a clear message; none may hang or grow until the system
// kills it. Every run gets a generous deadline and its peak memory is read back; the
// ceilings only catch runaway growth, they do not measure speed.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QGuiApplication>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <thread>

namespace fs = std::filesystem;

namespace {

#if defined(__SANITIZE_THREAD__)
constexpr long kSanitizerFactor = 8;
#elif defined(__SANITIZE_ADDRESS__)
constexpr long kSanitizerFactor = 3;
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
constexpr long kSanitizerFactor = 8;
#elif __has_feature(address_sanitizer)
constexpr long kSanitizerFactor = 3;
#else
constexpr long kSanitizerFactor = 1;
#endif
#else
constexpr long kSanitizerFactor = 1;
#endif

// A hang, not a slow run: far beyond what any of these takes.
constexpr int kDeadlineSeconds = 240;
// Runaway growth: the largest case needs well under half of this.
constexpr long kMemoryCeilingKb = 1536L * 1024 * kSanitizerFactor;

std::string Dir() {
  static const std::string dir = [] {
    std::string tmpl = ::testing::TempDir() + "limits_XXXXXX";
    return std::string(mkdtemp(tmpl.data()));
  }();
  return dir;
}

std::string Path(const std::string& name) { return Dir() + "/" + name; }

std::string ReadAll(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  std::ostringstream ss;
  ss << f.rdbuf();
  return ss.str();
}

// 10 MB of random characters from `alphabet`, written once.
std::string BigData(const std::string& name, const std::string& alphabet) {
  const std::string path = Path(name);
  if (!fs::exists(path)) {
    std::mt19937 rng(7);
    std::string s(10 * 1024 * 1024, ' ');
    for (char& c : s) c = alphabet[rng() % alphabet.size()];
    std::ofstream(path, std::ios::binary) << s;
  }
  return path;
}

struct Run {
  int rc = -1;
  bool timedOut = false;
  long maxRssKb = 0;
  double seconds = 0;
  std::string err;
  std::string outPath;
};

// Runs barvello-cli with a deadline; stdout goes to a file (it may be large).
Run Cli(const std::vector<std::string>& args, const std::string& tag) {
  Run r;
  r.outPath = Path(tag + ".stdout");
  const std::string errPath = Path(tag + ".stderr");
  const auto start = std::chrono::steady_clock::now();
  std::fflush(nullptr);  // the child must not write out the parent's buffered output
  const pid_t pid = fork();
  if (pid == 0) {
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(BARVELLO_CLI));
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    if (!freopen(r.outPath.c_str(), "w", stdout) || !freopen(errPath.c_str(), "w", stderr)) _exit(126);
    execv(BARVELLO_CLI, argv.data());
    _exit(127);
  }
  int status = 0;
  rusage usage{};
  while (true) {
    const pid_t done = wait4(pid, &status, WNOHANG, &usage);
    if (done == pid) break;
    if (std::chrono::steady_clock::now() - start > std::chrono::seconds(kDeadlineSeconds)) {
      kill(pid, SIGKILL);
      wait4(pid, &status, 0, &usage);
      r.timedOut = true;
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  r.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  r.rc = WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
  r.maxRssKb = usage.ru_maxrss;
  r.err = ReadAll(errPath);
  return r;
}

struct Case {
  std::string label;
  std::vector<std::string> args;
  int rc;                  // expected exit status
  std::string needle;      // in stderr when refused
  std::string output = {};  // the file written (rc 0) or not written (rc != 0)
  size_t minStdout = 0;     // bytes printed at least
};

void Check(const Case& c) {
  if (!c.output.empty()) fs::remove(c.output);
  const Run r = Cli(c.args, "run");
  EXPECT_FALSE(r.timedOut) << c.label << ": no result after " << kDeadlineSeconds << " s";
  EXPECT_EQ(r.rc, c.rc) << c.label << ": " << r.err.substr(0, 300);
  EXPECT_LT(r.maxRssKb, kMemoryCeilingKb) << c.label;
  if (c.rc != 0) {
    EXPECT_NE(r.err.find(c.needle), std::string::npos) << c.label << ": " << r.err.substr(0, 300);
    if (!c.output.empty()) {
      EXPECT_FALSE(fs::exists(c.output)) << c.label << ": a refused run wrote a file";
    }
  } else if (!c.output.empty()) {
    EXPECT_GT(fs::file_size(c.output), 0u) << c.label;
  }
  EXPECT_GE(fs::file_size(r.outPath), c.minStdout) << c.label;
  std::printf("  %-48s exit %d, %.1f s, %ld MB\n", c.label.c_str(), r.rc, r.seconds, r.maxRssKb / 1024);
}

}  // namespace

// Linear codes have no length limit: the pattern of 10 MB is made (and printed), an
// image of it is refused as too large for any paint box. The 2D codes stop at their
// capacity, EAN at its length.
TEST(Limits, TenMegabyteDataText) {
  const std::string alnum = BigData("alnum.txt", "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789");
  const std::string digits = BigData("digits.txt", "0123456789");
  const std::string png = Path("big.png");
  const Case cases[] = {
      // The printed pattern is the whole symbol: more than one module per character.
      {"Code 128 pattern", {"-s", "bcCode128", "--data-file", alnum, "--pattern"}, 0, "", "", 10u << 20},
      {"Telepen default image", {"-s", "bcTelepen", "--data-file", alnum, "-o", png}, 2, "pixels is too large", png},
      {"Code 39 in 800 x 200", {"-s", "bcCode39Standard", "--data-file", alnum, "-W", "800", "-H", "200", "-o", png},
       1, "erSmallPaintBox", png},
      {"Interleaved 2 of 5 as SVG", {"-s", "bc25Interleaved", "--data-file", digits, "-o", Path("big.svg")}, 2,
       "pixels is too large", Path("big.svg")},
      {"QR Code", {"-s", "bcQRCode", "--data-file", alnum, "-o", png}, 1, "erOutOfMaxCapacity", png},
      {"Data Matrix", {"-s", "bcDataMatrix", "--data-file", digits, "-o", png}, 1, "erOutOfMaxCapacity", png},
      {"PDF417", {"-s", "bcPDF417", "--data-file", alnum, "-o", png}, 1, "erOutOfMaxCapacity", png},
      {"EAN-13", {"-s", "bcEan13", "--data-file", digits, "--pattern"}, 1, "erBarcodeLengthInvalid"},
  };
  for (const auto& c : cases) Check(c);
}

// A caption of 100,000 lines loads from an INI section, paints into every format, and
// writes itself back: the written section loads again into the same lines.
TEST(Limits, HundredThousandLineCaption) {
  const int lines = 100000;
  const std::string ini = Path("caption.ini");
  {
    std::ofstream f(ini, std::ios::binary);
    f << "[ksBarcode]\r\nBarcodeSymbology=bcCode128\r\nCaptionUpper.Text.Count=" << lines << "\r\n";
    for (int i = 0; i < lines; ++i) f << "CaptionUpper.Text.Line" << i << "=caption line " << i << "\r\n";
  }
  for (const char* ext : {".png", ".emf", ".svg"}) {
    const std::string out = Path(std::string("caption") + ext);
    Check({std::string("caption as ") + ext, {"--ini", ini, "-d", "HELLO", "-W", "800", "-H", "600", "-o", out}, 0, "",
           out});
  }
  const std::string again = Path("again.ini"), twice = Path("twice.ini");
  Check({"caption written back", {"--ini", ini, "-d", "HELLO", "-o", again}, 0, "", again});
  Check({"written caption loaded and written", {"--ini", again, "-d", "HELLO", "-o", twice}, 0, "", twice});
  const std::string text = ReadAll(twice);
  EXPECT_NE(text.find("CaptionUpper.Text.Count=100000\r\n"), std::string::npos);
  EXPECT_NE(text.find("CaptionUpper.Text.Line1234=caption line 1234\r\n"), std::string::npos);
  EXPECT_NE(text.find("CaptionUpper.Text.Line12345=caption line 12345\r\n"), std::string::npos);
  EXPECT_NE(text.find("CaptionUpper.Text.Line99999=caption line 99999\r\n"), std::string::npos);
  EXPECT_EQ(text, ReadAll(again));
}

// A quiet zone of 100 % leaves nothing for the symbol: every code says the box is too
// small, whatever the size of the image.
TEST(Limits, QuietZoneOfAHundredPercent) {
  const std::string png = Path("quiet.png");
  const std::vector<std::string> zone = {"--set", "QuietZone.Visible=True", "--set", "QuietZone.Left=100",
                                         "--set", "QuietZone.Right=100",    "--set", "QuietZone.Top=100",
                                         "--set", "QuietZone.Bottom=100",   "--set", "QuietZone.Style=qzTriangel"};
  auto with = [&](std::vector<std::string> head) {
    head.insert(head.end(), zone.begin(), zone.end());
    head.insert(head.end(), {"-o", png});
    return head;
  };
  Check({"Code 128", with({"-s", "bcCode128", "-d", "ABC"}), 1, "erSmallPaintBox", png});
  Check({"PDF417", with({"-s", "bcPDF417", "-d", "ABC"}), 1, "erSmallPaintBox", png});
  Check({"QR Code", with({"-s", "bcQRCode", "-d", "ABC"}), 1, "erSmallPaintBox", png});
  Check({"QR Code 4000 x 4000", with({"-s", "bcQRCode", "-d", "ABC", "-W", "4000", "-H", "4000"}), 1,
         "erSmallPaintBox", png});
}

// An image of 20,000 x 20,000 pixels would need 1.6 GB as it is painted: refused with
// its size in the message, in every format, before anything is allocated.
TEST(Limits, TwentyThousandPixelsSquare) {
  for (const char* ext : {".png", ".bmp", ".svg", ".pdf", ".emf"}) {
    const std::string out = Path(std::string("huge") + ext);
    Check({std::string("20000 x 20000 ") + ext,
           {"-s", "bcQRCode", "-d", "huge", "-W", "20000", "-H", "20000", "-o", out},
           2,
           "an image of 20000 x 20000 pixels is too large",
           out});
  }
  // Just inside the limit it works.
  const std::string ok = Path("large.png");
  Check({"6000 x 6000 .png", {"-s", "bcQRCode", "-d", "large", "-W", "6000", "-H", "6000", "-o", ok}, 0, "", ok});
  // Width and height from the PNG header (Qt's reader refuses images this large).
  const std::string png = ReadAll(ok);
  ASSERT_GE(png.size(), 24u);
  auto be32 = [&](size_t at) {
    return static_cast<uint32_t>(static_cast<uint8_t>(png[at])) << 24 | static_cast<uint8_t>(png[at + 1]) << 16 |
           static_cast<uint8_t>(png[at + 2]) << 8 | static_cast<uint8_t>(png[at + 3]);
  };
  EXPECT_EQ(png.substr(12, 4), "IHDR");
  EXPECT_EQ(be32(16), 6000u);
  EXPECT_EQ(be32(20), 6000u);
}

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  const int rc = RUN_ALL_TESTS();
  std::error_code ec;
  fs::remove_all(Dir(), ec);
  return rc;
}
