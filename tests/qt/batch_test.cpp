// barvello-cli --batch: one file per line, the same files whatever the number of
// threads, failed lines reported by number in order while the run goes on, the exit
// status, usage errors, and memory that does not grow with the number of lines.
#include <gtest/gtest.h>
#include <cstdlib>
#include <fcntl.h>
#include <pty.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QGuiApplication>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct CliRun {
  int status = -1;
  std::string err;
  long maxRssKb = 0;
};

// Runs barvello-cli with the arguments; stdout is discarded, stderr kept.
CliRun RunCli(const std::vector<std::string>& args, const fs::path& errFile) {
  CliRun r;
  const pid_t pid = fork();
  if (pid == 0) {
    FILE* err = std::freopen(errFile.c_str(), "w", stderr);
    FILE* out = std::freopen("/dev/null", "w", stdout);
    (void)err;
    (void)out;
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(BARVELLO_CLI));
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(BARVELLO_CLI, argv.data());
    _exit(127);
  }
  int status = 0;
  rusage usage{};
  wait4(pid, &status, 0, &usage);
  r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  r.maxRssKb = usage.ru_maxrss;
  std::ifstream in(errFile);
  std::stringstream ss;
  ss << in.rdbuf();
  r.err = ss.str();
  return r;
}

class Folder {
 public:
  Folder() {
    char name[] = "/tmp/barvello-batch-XXXXXX";
    path_ = mkdtemp(name);
  }
  ~Folder() { fs::remove_all(path_); }
  const fs::path& path() const { return path_; }

 private:
  fs::path path_;
};

void WriteLines(const fs::path& file, const std::vector<std::string>& lines) {
  std::ofstream out(file, std::ios::binary);
  for (const auto& l : lines) out << l << '\n';
}

std::map<std::string, std::string> ReadAll(const fs::path& dir) {
  std::map<std::string, std::string> files;
  for (const auto& e : fs::directory_iterator(dir)) {
    std::ifstream in(e.path(), std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    files[e.path().filename().string()] = ss.str();
  }
  return files;
}

struct Symbology {
  std::string name;
  std::vector<std::string> options;
  std::vector<std::string> lines;
};

}  // namespace

TEST(Batch, TwoThreadsWriteTheSameFilesAsOne) {
  std::vector<std::string> qr, ean, pdf;
  for (int i = 0; i < 40; ++i) {
    qr.push_back("https://example.com/item/" + std::to_string(i * 7919) + "?q=" + std::string(i % 13, 'x'));
    ean.push_back(std::to_string(400638133390LL + i * 37));
    pdf.push_back("PDF417 line " + std::to_string(i) + std::string(i, 'A'));
  }
  const std::vector<Symbology> cases = {
      {"bcQRCode", {"--set", "Params.QRCode.Mask=-1"}, qr},
      {"bcEan13", {"-W", "339", "-H", "174"}, ean},
      {"bcPDF417", {}, pdf},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Folder dir;
    WriteLines(dir.path() / "in.txt", c.lines);
    std::map<std::string, std::string> results[2];
    for (int threads : {1, 2}) {
      const fs::path out = dir.path() / (std::string("threads") + std::to_string(threads));
      fs::create_directory(out);
      std::vector<std::string> args = {"-s", c.name};
      args.insert(args.end(), c.options.begin(), c.options.end());
      args.insert(args.end(), {"--batch", (dir.path() / "in.txt").string(), "-o", (out / "code%03d.png").string(),
                               "--threads", std::to_string(threads)});
      const CliRun r = RunCli(args, dir.path() / "err.txt");
      EXPECT_EQ(r.status, 0) << r.err;
      results[threads - 1] = ReadAll(out);
    }
    ASSERT_EQ(results[0].size(), c.lines.size());
    EXPECT_TRUE(results[0].count("code001.png") && results[0].count("code040.png"));
    EXPECT_TRUE(results[0] == results[1]) << "a file differs between one and two threads";
    // Each file is what the single-image command writes for that line.
    const fs::path single = dir.path() / "single.png";
    std::vector<std::string> args = {"-s", c.name};
    args.insert(args.end(), c.options.begin(), c.options.end());
    args.insert(args.end(), {"-d", c.lines[16], "-o", single.string()});
    ASSERT_EQ(RunCli(args, dir.path() / "err.txt").status, 0);
    std::ifstream in(single, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    EXPECT_EQ(ss.str(), results[0]["code017.png"]);
  }
}

TEST(Batch, FailedLinesAreReportedInOrderAndTheRunGoesOn) {
  Folder dir;
  WriteLines(dir.path() / "in.txt", {"400638133393", "12A", "", "978020137962", "1234567890123456", "590123412345"});
  const CliRun r = RunCli({"-s", "bcEan13", "--batch", (dir.path() / "in.txt").string(), "-o",
                        (dir.path() / "%d.png").string(), "--threads", "2"},
                       dir.path() / "err.txt");
  EXPECT_EQ(r.status, 1);
  for (const char* name : {"1.png", "4.png", "6.png"}) EXPECT_TRUE(fs::exists(dir.path() / name)) << name;
  for (const char* name : {"2.png", "3.png", "5.png"}) EXPECT_FALSE(fs::exists(dir.path() / name)) << name;
  const size_t l2 = r.err.find("barvello-cli: line 2: erBarcodeLengthInvalid");
  const size_t l3 = r.err.find("barvello-cli: line 3: erEmptyCode");
  const size_t l5 = r.err.find("barvello-cli: line 5: erCharMustBeSpace");
  ASSERT_NE(l2, std::string::npos) << r.err;
  ASSERT_NE(l3, std::string::npos) << r.err;
  ASSERT_NE(l5, std::string::npos) << r.err;
  EXPECT_LT(l2, l3);
  EXPECT_LT(l3, l5);
  // Not a terminal: no progress bar, but the summary line.
  EXPECT_EQ(r.err.find('\r'), std::string::npos);
  EXPECT_NE(r.err.find("barvello-cli: batch: 6 lines, 3 files written, 3 failed"), std::string::npos) << r.err;
}

TEST(Batch, UsageErrors) {
  Folder dir;
  WriteLines(dir.path() / "in.txt", {"400638133393"});
  const std::string in = (dir.path() / "in.txt").string();
  struct Case {
    std::vector<std::string> args;
    std::string message;
  };
  const std::vector<Case> cases = {
      {{"-s", "bcEan13", "--batch", in, "-o", (dir.path() / "same.png").string()}, "needs a counter"},
      {{"-s", "bcEan13", "--batch", in, "-o", (dir.path() / "%d-%d.png").string()}, "must hold one counter"},
      {{"-s", "bcEan13", "--batch", in, "-o", (dir.path() / "%s.png").string()}, "must hold one counter"},
      {{"-s", "bcEan13", "--batch", in, "-o", (dir.path() / "%d.ini").string()}, "--batch writes images"},
      {{"-s", "bcEan13", "--batch", (dir.path() / "missing.txt").string(), "-o", (dir.path() / "%d.png").string()},
       "cannot read"},
      {{"-s", "bcEan13", "--batch", dir.path().string(), "-o", (dir.path() / "%d.png").string()},
       "cannot read '" + dir.path().string() + "': it is a folder"},
      {{"-s", "bcEan13", "--batch", in, "-o", (dir.path() / "%d.png").string(), "--threads", "65"}, "at most 64"},
      {{"-s", "bcEan13", "--set", "NoSuchProperty=1", "--batch", in, "-o", (dir.path() / "%d.png").string()},
       "unknown property"},
  };
  for (const auto& c : cases) {
    const CliRun r = RunCli(c.args, dir.path() / "err.txt");
    EXPECT_EQ(r.status, 2) << c.message;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
  }
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 2);  // in.txt, err.txt
}

TEST(Batch, NameCounterFormatsLikePrintf) {
  Folder dir;
  WriteLines(dir.path() / "in.txt", {"1", "2"});
  const CliRun r = RunCli({"-s", "bcCode128", "--batch", (dir.path() / "in.txt").string(), "-o",
                        (dir.path() / "a%%b%4d.png").string()},
                       dir.path() / "err.txt");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(fs::exists(dir.path() / "a%b   1.png"));
  EXPECT_TRUE(fs::exists(dir.path() / "a%b   2.png"));
}

TEST(Batch, MemoryDoesNotGrowWithTheNumberOfLines) {
  // Ten times the lines, about the same peak memory: lines are read as they are needed
  // and only a fixed window of them is in flight.
  Folder dir;
  long rss[2] = {0, 0};
  const int counts[2] = {2000, 20000};
  // Under AddressSanitizer freed memory waits in a quarantine of 256 MB before reuse, so
  // peak memory grows with the work done whatever the program keeps; the children run
  // without it (the variable means nothing to other builds).
  const char* asanBefore = std::getenv("ASAN_OPTIONS");
  const std::string asanSaved = asanBefore ? asanBefore : "";
  setenv("ASAN_OPTIONS", (asanSaved.empty() ? "" : asanSaved + ":").append("quarantine_size_mb=0").c_str(), 1);
  for (int k = 0; k < 2; ++k) {
    std::vector<std::string> lines;
    for (int i = 0; i < counts[k]; ++i) lines.push_back(std::string("L") + std::to_string(i));
    WriteLines(dir.path() / "in.txt", lines);
    fs::create_directory(dir.path() / "out");
    const CliRun r = RunCli({"-s", "bcCode128", "-W", "120", "-H", "16", "--batch", (dir.path() / "in.txt").string(), "-o",
                          (dir.path() / "out" / "%06d.bmp").string(), "--threads", "2"},
                         dir.path() / "err.txt");
    ASSERT_EQ(r.status, 0) << r.err;
    rss[k] = r.maxRssKb;
    fs::remove_all(dir.path() / "out");
  }
  if (asanBefore) setenv("ASAN_OPTIONS", asanSaved.c_str(), 1);
  else unsetenv("ASAN_OPTIONS");
  EXPECT_LT(rss[1], rss[0] + 4096) << rss[0] << " kB for " << counts[0] << " lines, " << rss[1] << " kB for "
                                   << counts[1];
}

// With stderr on a terminal the progress line shows. Lines from a pipe are read once,
// as they come (counting them ahead would swallow them): the progress shows a count
// without a total. A regular file is counted ahead and shows its total.
TEST(Batch, PipeOnATerminalIsReadOnce) {
  Folder dir;
  const int kLines = 2000;
  std::string text;
  for (int i = 1; i <= kLines; ++i) text += std::to_string(i) + "\n";
  {
    std::ofstream(dir.path() / "in.txt", std::ios::binary) << text;
  }
  for (const bool pipe : {true, false}) {
    SCOPED_TRACE(pipe ? "pipe" : "regular file");
    const fs::path out = dir.path() / (pipe ? "pipe" : "file");
    fs::create_directory(out);
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    const std::string input = pipe ? "/dev/fd/" + std::to_string(fds[0]) : (dir.path() / "in.txt").string();
    const std::vector<std::string> args = {BARVELLO_CLI, "-s", "bcCode128", "-W", "200", "-H", "20", "--batch", input,
                                           "-o", (out / "%d.bmp").string()};
    std::fflush(nullptr);
    int master = -1;
    const pid_t pid = forkpty(&master, nullptr, nullptr, nullptr);
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      close(fds[1]);
      std::vector<char*> argv;
      for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
      argv.push_back(nullptr);
      execv(BARVELLO_CLI, argv.data());
      _exit(127);
    }
    close(fds[0]);
    // The lines fit in the pipe's buffer: written at once, then the end of input.
    ASSERT_EQ(write(fds[1], text.data(), text.size()), static_cast<ssize_t>(text.size()));
    close(fds[1]);
    std::string terminal;
    char buf[4096];
    for (;;) {
      const ssize_t n = read(master, buf, sizeof buf);
      if (n <= 0) break;  // EIO once the program has ended
      terminal.append(buf, static_cast<size_t>(n));
    }
    close(master);
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << terminal;
    EXPECT_EQ(std::distance(fs::directory_iterator(out), fs::directory_iterator()), kLines);
    EXPECT_NE(terminal.find("batch: 2000 lines, 2000 files written, 0 failed"), std::string::npos) << terminal;
    if (pipe) {
      EXPECT_NE(terminal.find("2000 lines  "), std::string::npos) << terminal;
      EXPECT_EQ(terminal.find("/2000"), std::string::npos) << terminal;
    } else {
      EXPECT_NE(terminal.find("2000/2000"), std::string::npos) << terminal;
    }
  }
}

// A line longer than 1 MB and a line that is not UTF-8 fail like any line that cannot
// be encoded: reported by number, the other lines written, exit status 1. The long line
// is not kept in memory to be refused.
TEST(Batch, LinesBeyondTheLimitsFailAndTheRunGoesOn) {
  Folder dir;
  const std::string exact(1024 * 1024, '7');
  WriteLines(dir.path() / "in.txt",
             {"ABC", std::string(1024 * 1024 + 1, 'A'), "D\xff" "E", "Q-R", exact, exact + "\r", "XYZ"});
  const CliRun r = RunCli({"-s", "bcCode128", "-W", "120", "-H", "20", "--batch", (dir.path() / "in.txt").string(),
                        "-o", (dir.path() / "%d.png").string()},
                       dir.path() / "err.txt");
  EXPECT_EQ(r.status, 1);
  for (const char* name : {"1.png", "4.png", "7.png"}) EXPECT_TRUE(fs::exists(dir.path() / name)) << name;
  for (const char* name : {"2.png", "3.png", "5.png", "6.png"}) EXPECT_FALSE(fs::exists(dir.path() / name)) << name;
  EXPECT_NE(r.err.find("line 2: the line has more than 1048576 bytes (1 MB)"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("line 3: data is not valid UTF-8 at byte 2"), std::string::npos) << r.err;
  // Exactly 1 MB is taken, and then too wide for 120 pixels (also with a CR before the
  // line end).
  EXPECT_NE(r.err.find("line 5: erSmallPaintBox"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("line 6: erSmallPaintBox"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("batch: 7 lines, 3 files written, 4 failed"), std::string::npos) << r.err;
}

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
