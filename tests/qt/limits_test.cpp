// Very large requests through the command-line tool: data texts of 1 and 10 MB, a caption
// of 100,000 lines, a quiet zone of 100 %, an image of 20,000 x 20,000 pixels, batch lines
// of 1 MB on many threads, thousands of labels. Each either works or is refused with a
// clear message; none may hang or grow until the system kills it. Every run gets a
// generous deadline and its peak memory is read back; the ceilings only catch runaway
// growth, they do not measure speed.
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

// `size` bytes of random characters from `alphabet`, written once.
std::string BigData(const std::string& name, const std::string& alphabet, size_t size = 10 * 1024 * 1024) {
  const std::string path = Path(name);
  if (!fs::exists(path)) {
    std::mt19937 rng(7);
    std::string s(size, ' ');
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
  long ceilingKb = kMemoryCeilingKb;
};

void Check(const Case& c) {
  if (!c.output.empty()) fs::remove(c.output);
  const Run r = Cli(c.args, "run");
  EXPECT_FALSE(r.timedOut) << c.label << ": no result after " << kDeadlineSeconds << " s";
  EXPECT_EQ(r.rc, c.rc) << c.label << ": " << r.err.substr(0, 300);
  EXPECT_LT(r.maxRssKb, c.ceilingKb) << c.label;
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

// A data text may have 1 MB. Linear codes have no length limit below that: the pattern
// of 1 MB is made (and printed), an image of it is refused as too large for any paint
// box. The 2D codes stop at their capacity, EAN at its length.
TEST(Limits, OneMegabyteDataText) {
  const std::string alnum = BigData("alnum1.txt", "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789", 1024 * 1024);
  const std::string digits = BigData("digits1.txt", "0123456789", 1024 * 1024);
  const std::string png = Path("big.png");
  const Case cases[] = {
      // The printed pattern is the whole symbol: more than one module per character.
      {"Code 128 pattern", {"-s", "bcCode128", "--data-file", alnum, "--pattern"}, 0, "", "", 1u << 20},
      {"Telepen default image", {"-s", "bcTelepen", "--data-file", alnum, "-o", png}, 2,
       "an image of 33554568 x 13421819 pixels is too large", png},
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

// Beyond 1 MB a data text is refused before anything is laid out: quickly, in little
// memory, without reading the file whole.
TEST(Limits, TenMegabyteDataTextIsRefused) {
  const std::string alnum = BigData("alnum.txt", "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789");
  const std::string justOver = BigData("over.txt", "0123456789", 1024 * 1024 + 1);
  const std::string png = Path("big.png");
  const std::string message = "the data text has more than 1048576 bytes (1 MB)";
  const long small = 200L * 1024 * kSanitizerFactor;
  const Case cases[] = {
      {"Code 128 pattern", {"-s", "bcCode128", "--data-file", alnum, "--pattern"}, 1, message, "", 0, small},
      {"Telepen default image", {"-s", "bcTelepen", "--data-file", alnum, "-o", png}, 1, message, png, 0, small},
      {"QR Code", {"-s", "bcQRCode", "--data-file", alnum, "-o", png}, 1, message, png, 0, small},
      {"1 MB and a byte", {"-s", "bcCode128", "--data-file", justOver, "--pattern"}, 1, message, "", 0, small},
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

// Lines of 1 MB on 64 threads: at most 4 MB of data text is in work at a time and a
// worker gives back what a long line took, so memory stays near that of two threads
// instead of growing with the threads times the line size.
TEST(Limits, LongBatchLinesOnManyThreads) {
  const std::string in = Path("long_lines.txt");
  {
    const std::string alnum = ReadAll(BigData("alnum1.txt", "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789", 1024 * 1024));
    std::ofstream f(in, std::ios::binary);
    for (int i = 0; i < 12; ++i) f << alnum << '\n';
  }
  fs::create_directory(Path("batch"));
  long rss[2] = {0, 0};
  const char* threads[2] = {"2", "64"};
  for (int k = 0; k < 2; ++k) {
    const ::Run r = Cli({"-s", "bcCode128", "-W", "800", "-H", "100", "--batch", in, "-o", Path("batch/%d.png"),
                       "--threads", threads[k]},
                      "batch");
    EXPECT_FALSE(r.timedOut);
    EXPECT_EQ(r.rc, 1) << r.err.substr(0, 300);  // every line too wide for 800 pixels
    EXPECT_NE(r.err.find("12 lines, 0 files written, 12 failed"), std::string::npos) << r.err.substr(0, 300);
    rss[k] = r.maxRssKb;
    std::printf("  %-48s %ld MB\n", (std::string("12 lines of 1 MB on ") + threads[k] + " threads").c_str(),
                r.maxRssKb / 1024);
  }
  // A line in work takes some 60 MB; all 12 at once would be 700 MB.
  EXPECT_LT(rss[1], rss[0] + 200L * 1024 * kSanitizerFactor) << rss[0] << " kB on 2 threads, " << rss[1] << " on 64";
}

// Labels: the positions left empty are those of one page, the count has a documented
// maximum, no labels write no file, and pages go to the file as they are printed, so
// that memory does not grow with the count.
TEST(Limits, LabelCountsAndPositions) {
  unsetenv("XDG_RUNTIME_DIR");  // Qt notes its absence; the tool keeps that off stderr
  const std::string pdf = Path("labels.pdf");
  const std::vector<std::string> head = {"-s", "bcEan13", "-d", "400638133393", "--labels", pdf};
  auto with = [&](std::vector<std::string> tail) {
    std::vector<std::string> args = head;
    args.insert(args.end(), tail.begin(), tail.end());
    return args;
  };
  const Case cases[] = {
      {"start from INT_MAX", with({"--start-from", "2147483647"}), 2, "at most 17 can be left empty", pdf},
      {"start from 18", with({"--start-from", "18"}), 2, "a page of this sheet has 18 label positions", pdf},
      {"start from 8 on A4-2x4", with({"--start-from", "8", "--sheet", "A4-2x4"}), 2, "at most 7 can be left empty",
       pdf},
      {"count over the maximum", with({"--count", "100001"}), 2, "at most 100000 labels", pdf},
      {"count 0", with({"--count", "0"}), 0, "", ""},
      {"start from 17", with({"--start-from", "17", "--count", "2"}), 0, "", pdf},
  };
  for (const auto& c : cases) Check(c);
  const ::Run none = Cli(with({"--count", "0", "--start-from", "3"}), "none");
  fs::remove(pdf);
  EXPECT_EQ(Cli(with({"--count", "0"}), "none").err, "barvello-cli: --count 0: no labels to print, no file written\n");
  EXPECT_FALSE(fs::exists(pdf));
  EXPECT_EQ(none.rc, 0);

  // Position 18 of page 1, then page 2: two pages, read back by an independent reader.
  const ::Run two = Cli(with({"--start-from", "17", "--count", "2"}), "two");
  EXPECT_EQ(two.rc, 0);
  EXPECT_EQ(two.err, "") << "nothing on stderr, Qt's notes included";
  FILE* p = popen(("pdfinfo '" + pdf + "' 2>/dev/null | grep '^Pages:'").c_str(), "r");
  char line[128] = {};
  ASSERT_NE(p, nullptr);
  const bool read = fgets(line, sizeof line, p) != nullptr;
  pclose(p);
  ASSERT_TRUE(read);
  EXPECT_EQ(std::string(line).substr(std::string(line).find_last_of(' ') + 1), "2\n");

  // Ten times the labels, about the same peak memory: the document is not held.
  long rss[2] = {0, 0};
  const int counts[2] = {200, 2000};
  for (int k = 0; k < 2; ++k) {
    const ::Run r = Cli(with({"--count", std::to_string(counts[k])}), "count");
    ASSERT_EQ(r.rc, 0) << r.err;
    rss[k] = r.maxRssKb;
    std::printf("  %-48s %ld MB, file %ld MB\n", (std::to_string(counts[k]) + " labels").c_str(), r.maxRssKb / 1024,
                static_cast<long>(fs::file_size(pdf) >> 20));
  }
  EXPECT_LT(rss[1], rss[0] + 8L * 1024 * kSanitizerFactor)
      << rss[0] << " kB for " << counts[0] << " labels, " << rss[1] << " kB for " << counts[1]
      << " (the file has " << (fs::file_size(pdf) >> 10) << " kB)";
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
