// Saving when the file system says no: a read-only folder, a folder that is gone, a
// name that is a folder, a full disk. Every writer (images, metafiles, SVG, PDF and the
// INI settings) goes through a temporary file in the target's folder that is renamed
// into place, so a failure gives a clear message and leaves an existing file exactly as
// it was, with no temporary left behind. The INI writer rewrites one section and keeps
// every other byte of the file.
#include <gtest/gtest.h>
#include <grp.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QGuiApplication>
#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

#include "engine/barcode.h"
#include "engine/params.h"
#include "output/atomic_file.h"
#include "output/export.h"
#include "output/ini_file.h"

using namespace ks;
namespace fs = std::filesystem;

namespace {

std::string ReadAll(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  std::ostringstream ss;
  ss << f.rdbuf();
  return ss.str();
}

void WriteAll(const std::string& path, const std::string& bytes) {
  std::ofstream f(path, std::ios::binary);
  f << bytes;
}

// The names in a folder, sorted; temporaries would show up here.
std::vector<std::string> Listing(const std::string& dir) {
  std::vector<std::string> names;
  std::error_code ec;
  for (const auto& e : fs::directory_iterator(dir, ec)) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

ino_t Inode(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 ? st.st_ino : 0;
}

// A fresh folder per test, removed with everything in it afterwards.
class TempFolder {
 public:
  TempFolder() {
    std::string tmpl = ::testing::TempDir() + "file_safety_XXXXXX";
    path_ = mkdtemp(tmpl.data());
    chmod(path_.c_str(), 0755);  // the unprivileged user must reach folders inside
  }
  ~TempFolder() {
    std::error_code ec;
    for (const auto& e : fs::recursive_directory_iterator(path_, ec))
      if (e.is_directory(ec)) chmod(e.path().c_str(), 0755);
    fs::remove_all(path_, ec);
  }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
};

// Permission bits bind only users other than root: a test run as root acts as "nobody"
// while this object lives (effective ids only, so they can be taken back).
class Unprivileged {
 public:
  Unprivileged() : root_(geteuid() == 0) {
    if (!root_) return;
    EXPECT_EQ(setegid(65534), 0);
    EXPECT_EQ(seteuid(65534), 0);
  }
  ~Unprivileged() {
    if (!root_) return;
    EXPECT_EQ(seteuid(0), 0);
    EXPECT_EQ(setegid(0), 0);
  }

 private:
  bool root_;
};

// Files cannot grow past `bytes` while this object lives: a write beyond fails part way,
// as on a full disk (EFBIG instead of ENOSPC).
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    getrlimit(RLIMIT_FSIZE, &old_);
    oldHandler_ = signal(SIGXFSZ, SIG_IGN);
    rlimit lim = old_;
    lim.rlim_cur = bytes;
    EXPECT_EQ(setrlimit(RLIMIT_FSIZE, &lim), 0);
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &old_);
    signal(SIGXFSZ, oldHandler_);
  }

 private:
  rlimit old_{};
  sighandler_t oldHandler_;
};

// The ways a save can fail. `prepare` makes the situation in `dir` and returns the
// target path for a file name; `kept` says what must survive untouched.
struct Failure {
  const char* label;
  std::function<std::string(const TempFolder& dir, const std::string& name)> prepare;
  const char* reason;
  bool unprivileged = false;
  rlim_t sizeLimit = 0;
};

const std::string kOld = "old content that must survive";

std::vector<Failure> Failures() {
  return {
      {"read-only folder",
       [](const TempFolder& dir, const std::string& name) {
         fs::create_directory(dir / "ro");
         WriteAll(dir / ("ro/" + name), kOld);
         chmod((dir / "ro").c_str(), 0555);
         return dir / ("ro/" + name);
       },
       "no permission to write in the folder", true},
      {"folder that vanished",
       [](const TempFolder& dir, const std::string& name) {
         fs::create_directory(dir / "gone");
         fs::remove(dir / "gone");
         return dir / ("gone/" + name);
       },
       "the folder does not exist"},
      {"name that is a folder",
       [](const TempFolder& dir, const std::string& name) {
         fs::create_directory(dir / name);
         WriteAll(dir / (name + "/inside"), kOld);
         return dir / name;
       },
       "the target is a folder"},
      {"folder path through a file",
       [](const TempFolder& dir, const std::string& name) {
         WriteAll(dir / "plain", kOld);
         return dir / ("plain/" + name);
       },
       "a part of the folder path is not a folder"},
      {"write that fails part way",
       [](const TempFolder& dir, const std::string& name) {
         WriteAll(dir / name, kOld);
         return dir / name;
       },
       "the file is too large", false, 64},
  };
}

// What must be unchanged after a failure: the target's bytes (or, for a folder, its
// file) and the listing of the folder that would have held the temporary.
struct Snapshot {
  std::string target;
  std::string content;
  std::vector<std::string> listing;
  explicit Snapshot(const std::string& path) : target(path) {
    content = fs::is_directory(path) ? ReadAll(path + "/inside") : ReadAll(path);
    listing = Listing(fs::path(path).parent_path().string());
  }
  void ExpectUnchanged(const std::string& what) const {
    EXPECT_EQ(fs::is_directory(target) ? ReadAll(target + "/inside") : ReadAll(target), content) << what;
    EXPECT_EQ(Listing(fs::path(target).parent_path().string()), listing) << what;
  }
};

const char* const kExtensions[] = {".png", ".jpg", ".gif", ".bmp", ".emf", ".wmf", ".svg", ".pdf", ".ini"};

// The first bytes each writer produces.
bool LooksRight(const std::string& ext, const std::string& bytes) {
  auto starts = [&](const std::string& magic) { return bytes.rfind(magic, 0) == 0; };
  if (ext == ".png") return starts("\x89PNG\r\n\x1a\n");
  if (ext == ".jpg") return starts("\xFF\xD8\xFF");
  if (ext == ".gif") return starts("GIF89a") || starts("GIF87a");
  if (ext == ".bmp") return starts("BM");
  if (ext == ".emf") return starts(std::string("\x01\0\0\0", 4)) && bytes.find(" EMF", 40) == 40;
  if (ext == ".wmf") return starts("\xD7\xCD\xC6\x9A");
  if (ext == ".svg") return bytes.find("<svg") != std::string::npos;
  if (ext == ".pdf") return starts("%PDF-");
  if (ext == ".ini") return starts(kOld) && bytes.find("\r\n[ksBarcode]\r\n") != std::string::npos;
  return false;
}

class FileSafetyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    bc.SetBarcodeSymbology(bcQRCode);
    bc.SetBarCode(u"Barvello file safety");
    ei.SetBarcode(&bc);
  }
  TempFolder dir;
  TksBarcodeComponent bc;
  TksExportImport ei;
};

}  // namespace

TEST_F(FileSafetyTest, AtomicWriteReplacesByRenameAndKeepsPermissions) {
  const std::string path = dir / "data.bin";
  WriteAll(path, kOld);
  chmod(path.c_str(), 0640);
  const ino_t before = Inode(path);
  std::string error;
  ASSERT_TRUE(WriteFileAtomic(path, "new bytes", error)) << error;
  EXPECT_EQ(ReadAll(path), "new bytes");
  EXPECT_NE(Inode(path), before);  // a new file renamed over the old one
  struct stat st {};
  stat(path.c_str(), &st);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  EXPECT_EQ(Listing(dir.Path()), std::vector<std::string>{"data.bin"});
}

TEST_F(FileSafetyTest, AtomicWriteFailuresKeepTheTargetAndSaySo) {
  for (const Failure& f : Failures()) {
    const std::string path = f.prepare(dir, std::string("target_") + f.label);
    const Snapshot before(path);
    std::string error;
    bool ok;
    if (f.unprivileged) {
      Unprivileged as;
      ok = WriteFileAtomic(path, std::string(4096, 'x'), error);
    } else if (f.sizeLimit) {
      FileSizeLimit limit(f.sizeLimit);
      ok = WriteFileAtomic(path, std::string(4096, 'x'), error);
    } else {
      ok = WriteFileAtomic(path, std::string(4096, 'x'), error);
    }
    EXPECT_FALSE(ok) << f.label;
    EXPECT_EQ(error, "Cannot write \"" + path + "\": " + f.reason) << f.label;
    before.ExpectUnchanged(f.label);
  }
}

TEST_F(FileSafetyTest, EveryWriterReplacesTheFileByRename) {
  for (const std::string ext : kExtensions) {
    const std::string path = dir / ("saved" + ext);
    WriteAll(path, ext == ".ini" ? kOld + "\r\n" : kOld);
    const ino_t before = Inode(path);
    ei.SaveToFile(path, 120, 120);
    const std::string bytes = ReadAll(path);
    EXPECT_TRUE(LooksRight(ext, bytes)) << ext << ": " << bytes.substr(0, 16);
    EXPECT_NE(Inode(path), before) << ext;
  }
  std::vector<std::string> names;
  for (const std::string ext : kExtensions) names.push_back("saved" + ext);
  std::sort(names.begin(), names.end());
  EXPECT_EQ(Listing(dir.Path()), names);  // no temporaries left
}

TEST_F(FileSafetyTest, EveryWriterFailsCleanlyAndKeepsTheOldFile) {
  for (const Failure& f : Failures()) {
    for (const std::string ext : kExtensions) {
      const std::string what = std::string(f.label) + ", " + ext;
      const std::string path = f.prepare(dir, "out " + std::string(f.label) + ext);
      const Snapshot before(path);
      std::string message;
      try {
        if (f.unprivileged) {
          Unprivileged as;
          ei.SaveToFile(path, 120, 120);
        } else if (f.sizeLimit) {
          FileSizeLimit limit(f.sizeLimit);
          ei.SaveToFile(path, 120, 120);
        } else {
          ei.SaveToFile(path, 120, 120);
        }
      } catch (const Exception& e) {
        message = e.what();
      }
      EXPECT_NE(message.find(f.reason), std::string::npos) << what << ": '" << message << "'";
      EXPECT_NE(message.find(path), std::string::npos) << what << ": '" << message << "'";
      before.ExpectUnchanged(what);
    }
  }
}

// A real full disk: a tiny file system in a private mount namespace, filled up, then
// the command-line tool saves an image and the settings over files already there.
TEST_F(FileSafetyTest, FullDiskLeavesTheOldFilesAndSaysSo) {
  if (std::system("unshare -m true >/dev/null 2>&1") != 0)
    GTEST_SKIP() << "making a small full file system needs a private mount namespace (root)";
  const std::string disk = dir / "disk";
  fs::create_directory(disk);
  const std::string script =
      "set -u; mount -t tmpfs -o size=256k tmpfs '" + disk + "' || exit 90; cd '" + disk +
      "'; printf 'old image' > out.png; printf '[Other]\\r\\nx=1\\r\\n' > out.ini;"
      " dd if=/dev/zero of=fill bs=4k >/dev/null 2>&1;"
      " '" BARVELLO_CLI "' -s bcCode128 -d FULL -o out.png 2>'" + (dir / "png.err") + "'; echo \"png=$?\";"
      " '" BARVELLO_CLI "' -s bcCode128 -d FULL -o out.ini 2>'" + (dir / "ini.err") + "'; echo \"ini=$?\";"
      " printf 'content:'; cat out.png; printf ':'; cat out.ini; printf ':'; ls -A | tr '\\n' ' '";
  const std::string cmd = "unshare -m sh -c \"$SCRIPT\"";
  setenv("SCRIPT", script.c_str(), 1);
  std::string out;
  FILE* p = popen(cmd.c_str(), "r");
  std::array<char, 4096> buf;
  size_t n;
  while ((n = fread(buf.data(), 1, buf.size(), p)) > 0) out.append(buf.data(), n);
  const int status = pclose(p);
  unsetenv("SCRIPT");
  if (WIFEXITED(status) && WEXITSTATUS(status) == 90) GTEST_SKIP() << "cannot mount a small file system here";
  EXPECT_NE(out.find("png=1\n"), std::string::npos) << out;
  EXPECT_NE(out.find("ini=1\n"), std::string::npos) << out;
  EXPECT_NE(out.find("content:old image:[Other]\r\nx=1\r\n:fill out.ini out.png "), std::string::npos) << out;
  EXPECT_NE(ReadAll(dir / "png.err").find("out.png\": the disk is full"), std::string::npos) << ReadAll(dir / "png.err");
  EXPECT_NE(ReadAll(dir / "ini.err").find("out.ini\": the disk is full"), std::string::npos) << ReadAll(dir / "ini.err");
}

// The INI layer on its own: parsing and writing back is the identity, and rewriting a
// section changes only that section's lines, whatever the line ends.
TEST(IniFileLayer, RewritingASectionKeepsEveryOtherByte) {
  const std::vector<std::pair<std::string, std::string>> pairs = {{"BarCode", "new"}, {"Angle", "90"}};
  struct Case {
    const char* label;
    std::string before;
    std::string after;
  } cases[] = {
      {"mixed line ends, BOM, comments, foreign key kept",
       "\xEF\xBB\xBF; top\r\n[A]\na=1\rstill a\r\n\r\n[ksBarcode]\r\nForeign = 1\nBarCode=old\r\n\n[B]\nb=2",
       "\xEF\xBB\xBF; top\r\n[A]\na=1\rstill a\r\n\r\n[ksBarcode]\r\nForeign = 1\nBarCode=new\r\nAngle=90\r\n\n[B]\nb=2"},
      {"section header is the last line, without an end",
       "[A]\r\na=1\r\n[ksBarcode]",
       "[A]\r\na=1\r\n[ksBarcode]\r\nBarCode=new\r\nAngle=90\r\n"},
      {"no section yet, no final line end",
       "[A]\na=1",
       "[A]\na=1\n\n[ksBarcode]\nBarCode=new\nAngle=90\n"},
      {"the section in another case, later sections untouched",
       "[KSBARCODE]\nangle=0\n[Z]\nz=\xC4\x8D\n",
       "[KSBARCODE]\nangle=90\nBarCode=new\n[Z]\nz=\xC4\x8D\n"},
      {"empty file", "", "[ksBarcode]\r\nBarCode=new\r\nAngle=90\r\n"},
  };
  for (const auto& c : cases) {
    IniFile ini;
    ini.Parse(c.before);
    EXPECT_EQ(ini.Text(), c.before) << c.label;
    ini.WriteSection("ksBarcode", pairs);
    EXPECT_EQ(ini.Text(), c.after) << c.label;
  }
}

// Through the export component: the settings section is rewritten in the middle of a
// file with other sections, and everything around it stays byte for byte.
TEST_F(FileSafetyTest, SavingTheSettingsKeepsTheRestOfTheFile) {
  const std::string head = "; Barvello settings\r\n[Window]\r\nLeft=10\nTop=20\r\n\r\n";
  const std::string tail = "[Printer]\r\nName=Office  (2nd floor)\n;comment\r\nCopies=2";
  const std::string path = dir / "settings.ini";
  WriteAll(path, head + "[ksBarcode]\r\nUnknown=kept as it is\r\nBarCode=old\r\n\r\n" + tail);
  bc.SetBarcodeSymbology(bcCode128);
  bc.SetBarCode(u"Saved");
  ei.SaveToFile(path, 0, 0);
  const std::string after = ReadAll(path);
  EXPECT_EQ(after.substr(0, head.size()), head);
  ASSERT_GE(after.size(), tail.size());
  EXPECT_EQ(after.substr(after.size() - tail.size()), tail);
  EXPECT_NE(after.find("[ksBarcode]\r\nUnknown=kept as it is\r\nBarCode=Saved\r\n"), std::string::npos);

  IniFile ini;
  std::string error;
  ASSERT_TRUE(ini.Load(path, error)) << error;
  auto pairs = ini.ReadSection("ksBarcode");
  ASSERT_FALSE(pairs.empty());
  pairs.erase(pairs.begin());  // the foreign key would stop the load
  TksBarcodeComponent loaded;
  std::string failed;
  ASSERT_TRUE(ApplyBarcodeIniPairs(loaded, pairs, &failed)) << failed;
  EXPECT_EQ(loaded.BarcodeSymbology(), bcCode128);
  EXPECT_EQ(loaded.BarCode(), u"Saved");
}

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
