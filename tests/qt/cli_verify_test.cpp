// barvello-cli --verify: images that read back are written (exit 0); an image that does
// not read back is never put in place (exit 1, erVerifyFailed); batch lines fail by
// number and the summary counts them; --labels checks one label; --pattern is untouched.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QGuiApplication>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "engine/symbology.h"
#include "verify/verify.h"

namespace fs = std::filesystem;

namespace {

struct CliRun {
  int status = -1;
  std::string out, err;
};

std::string ReadFile(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

class Folder {
 public:
  Folder() {
    char name[] = "/tmp/barvello-verify-XXXXXX";
    path_ = mkdtemp(name);
  }
  ~Folder() { fs::remove_all(path_); }
  fs::path operator/(const std::string& name) const { return path_ / name; }
  const fs::path& path() const { return path_; }

 private:
  fs::path path_;
};

CliRun RunCli(const Folder& dir, const std::vector<std::string>& args) {
  const fs::path outFile = dir / "stdout.txt", errFile = dir / "stderr.txt";
  const pid_t pid = fork();
  if (pid == 0) {
    if (!std::freopen(outFile.c_str(), "w", stdout) || !std::freopen(errFile.c_str(), "w", stderr)) _exit(126);
    std::vector<char*> argv{const_cast<char*>(BARVELLO_CLI)};
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(BARVELLO_CLI, argv.data());
    _exit(127);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  CliRun r;
  r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  r.out = ReadFile(outFile);
  r.err = ReadFile(errFile);
  fs::remove(outFile);
  fs::remove(errFile);
  return r;
}

bool Contains(const std::string& s, const std::string& part) { return s.find(part) != std::string::npos; }

// The colour of the bars set to the background colour: nothing to read.
const std::string kInvisibleBars = "LinesColor=16777215";

TEST(CliVerify, GoodImagesOfEveryTypeAreWritten) {
  Folder dir;
  struct Case {
    const char* symbology;
    const char* data;
    const char* name;
    std::vector<std::string> extra;
  } cases[] = {
      {"bcEan13", "400638133393", "ean.png", {}},
      {"bcCode128", "Verify 128", "code.jpg", {"--set", "Angle=90"}},
      {"bcQRCode", "https://example.com/verify", "qr.svg", {}},
      {"bcDataMatrix", "Verify DM", "dm.pdf", {}},
      {"bcPDF417", "Verify PDF417", "pdf417.emf", {}},
      {"bcUccEan128", "(01)12345678901231", "gs1.wmf", {"-W", "600", "-H", "200"}},
      {"bcCode39Standard", "VERIFY", "c39.gif", {"-W", "500", "-H", "150"}},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args{"-s", c.symbology, "-d", c.data, "--verify", "-o", (dir / c.name).string()};
    args.insert(args.end(), c.extra.begin(), c.extra.end());
    const CliRun r = RunCli(dir, args);
    EXPECT_EQ(r.status, 0) << c.name << ": " << r.err;
    EXPECT_EQ(r.err, "") << c.name;
    EXPECT_TRUE(fs::exists(dir / c.name)) << c.name;
  }
}

// Bars in the background colour: exit 1 with erVerifyFailed, and no file, whatever the
// type; a file already there under that name stays as it was.
TEST(CliVerify, UnreadableImageIsNeverWritten) {
  Folder dir;
  for (const char* name : {"bars.png", "bars.bmp", "bars.svg", "bars.pdf", "bars.emf"}) {
    const CliRun r = RunCli(dir, {"-s", "bcEan13", "-d", "400638133393", "--set", kInvisibleBars, "--verify", "-o",
                                  (dir / name).string()});
    EXPECT_EQ(r.status, 1) << name;
    EXPECT_TRUE(Contains(r.err, "barvello-cli: erVerifyFailed: ")) << r.err;
    EXPECT_TRUE(Contains(r.err, "found no EAN-13 symbol")) << r.err;
    EXPECT_TRUE(Contains(r.err, "no file written")) << r.err;
    EXPECT_FALSE(fs::exists(dir / name)) << name;
  }
  const fs::path kept = dir / "kept.png";
  std::ofstream(kept) << "earlier file";
  const CliRun r = RunCli(dir, {"-s", "bcQRCode", "-d", "kept", "--set", kInvisibleBars, "--verify", "-o",
                                kept.string()});
  EXPECT_EQ(r.status, 1) << r.err;
  EXPECT_EQ(ReadFile(kept), "earlier file");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);  // no temporary left
}

// Without --verify the same image is written as before.
TEST(CliVerify, WithoutVerifyNothingIsChecked) {
  Folder dir;
  const CliRun r =
      RunCli(dir, {"-s", "bcEan13", "-d", "400638133393", "--set", kInvisibleBars, "-o", (dir / "a.png").string()});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(fs::exists(dir / "a.png"));
}

TEST(CliVerify, SymbologyNoDecoderReadsIsWrittenWithANote) {
  Folder dir;
  const CliRun r = RunCli(dir, {"-s", "bcPostNet", "-d", "12345", "--verify", "-o", (dir / "postnet.png").string()});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(Contains(r.err, "note: written without verification: no decoder here reads PostNet")) << r.err;
  EXPECT_TRUE(fs::exists(dir / "postnet.png"));
}

TEST(CliVerify, BatchReportsFailedLinesByNumberAndCountsVerdicts) {
  Folder dir;
  const fs::path in = dir / "in.txt";
  // Interleaved 2 of 5: readable from six digits on; "12a4" does not encode.
  std::ofstream(in) << "1234567890123\n12\n12a4\n123456\n";
  fs::create_directory(dir / "itf");
  const CliRun good = RunCli(dir, {"-s", "bcITF", "--batch", in.string(), "--verify", "--threads", "2", "-o",
                                   (dir / "itf" / "%02d.png").string()});
  EXPECT_EQ(good.status, 1) << good.err;  // line 3 fails to encode
  EXPECT_TRUE(Contains(good.err, "line 3: erCharOutOfSet")) << good.err;
  EXPECT_TRUE(Contains(good.err, "batch: 4 lines, 3 files written, 1 failed, 2 verified, 1 not verifiable,"))
      << good.err;
  for (const char* f : {"01.png", "02.png", "04.png"}) EXPECT_TRUE(fs::exists(dir / "itf" / f)) << f;

  fs::create_directory(dir / "bad");
  std::ofstream(in) << "400638133393\n590123412345\n";
  const CliRun bad = RunCli(dir, {"-s", "bcEan13", "--batch", in.string(), "--verify", "--set", kInvisibleBars,
                                  "-o", (dir / "bad" / "%02d.png").string()});
  EXPECT_EQ(bad.status, 1);
  EXPECT_TRUE(Contains(bad.err, "line 1: erVerifyFailed: ")) << bad.err;
  EXPECT_TRUE(Contains(bad.err, "line 2: erVerifyFailed: ")) << bad.err;
  EXPECT_TRUE(Contains(bad.err, "batch: 2 lines, 0 files written, 2 failed, 0 verified, 0 not verifiable,"))
      << bad.err;
  EXPECT_TRUE(fs::is_empty(dir / "bad"));
}

TEST(CliVerify, LabelsCheckOneLabelBeforeTheFileIsBegun) {
  Folder dir;
  const CliRun good =
      RunCli(dir, {"-s", "bcQRCode", "-d", "Label", "--verify", "--labels", (dir / "good.pdf").string(), "--count", "4"});
  EXPECT_EQ(good.status, 0) << good.err;
  EXPECT_TRUE(fs::exists(dir / "good.pdf"));
  const CliRun bad = RunCli(dir, {"-s", "bcQRCode", "-d", "Label", "--set", kInvisibleBars, "--verify", "--labels",
                                  (dir / "bad.pdf").string(), "--count", "4"});
  EXPECT_EQ(bad.status, 1);
  EXPECT_TRUE(Contains(bad.err, "erVerifyFailed: ")) << bad.err;
  EXPECT_FALSE(fs::exists(dir / "bad.pdf"));
}

TEST(CliVerify, PatternIsUnaffected) {
  Folder dir;
  const CliRun plain = RunCli(dir, {"-s", "bcEan13", "-d", "400638133393", "--pattern"});
  const CliRun verified =
      RunCli(dir, {"-s", "bcEan13", "-d", "400638133393", "--set", kInvisibleBars, "--verify", "--pattern"});
  EXPECT_EQ(verified.status, 0);
  EXPECT_EQ(verified.out, plain.out);
  EXPECT_EQ(verified.err, "");
}

// The help names every symbology that cannot be verified.
TEST(CliVerify, HelpListsTheSymbologiesNoDecoderReads) {
  Folder dir;
  const CliRun help = RunCli(dir, {"--help"});
  ASSERT_EQ(help.status, 0);
  const std::string section = help.out.substr(help.out.find("--verify"));
  for (ks::TksBarcodeSymbology s : ks::UnverifiableSymbologies()) {
    const std::string id = ks::SymbologyIdentifier(s);
    EXPECT_TRUE(Contains(section, id + ",") || Contains(section, id + ";")) << id;
  }
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
