// Saving when the file system says no: a read-only folder, a folder that is gone, a
// name that is a folder, a full disk. Every writer (images, metafiles, SVG, PDF and the
// INI settings) goes through a temporary file in the target's folder that is renamed
// into place, so a failure gives a clear message and leaves an existing file exactly as
// it was, with no temporary left behind. The INI writer rewrites one section and keeps
// every other byte of the file.
//
// Replacing a file grants no rights the writer did not mean to grant (no set-id bits,
// no permission bits of another user's file, no link followed, nothing but a regular
// file replaced, a read-only file refused); the command-line tool is run for that as
// root and, where the test may switch, as an unprivileged user. An interrupted tool
// and one that meets a file-size limit leave no temporary behind. INI input is bounded
// in size and must be a regular file; a file with a section twice reads and writes the
// same section.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <pwd.h>
#include <signal.h>
#include <sys/inotify.h>
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
#include <regex>
#include <sstream>
#include <thread>

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
         chmod((dir / ("ro/" + name)).c_str(), 0666);  // only the folder stands in the way
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

// ---- the command-line tool as a user runs it --------------------------------------------

namespace {

// How barvello-cli is started.
struct Launch {
  bool asNobody = false;  // through setpriv, as the unprivileged user "nobody"
  mode_t umask = 022;
  rlim_t fileSizeLimit = RLIM_INFINITY;
  std::string input = "/dev/null";   // standard input
  std::vector<std::string> wrapper;  // a program the tool runs under (strace)
};

// The tool as a child process; stderr goes to a file. A child that is still running
// after 60 s is ended by SIGALRM (nothing a test starts here should block).
class CliProcess {
 public:
  CliProcess(const std::vector<std::string>& args, const Launch& how, std::string errFile)
      : errFile_(std::move(errFile)) {
    std::vector<std::string> all = how.wrapper;
    if (how.asNobody)
      for (const char* a : {"/usr/bin/setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups"}) all.push_back(a);
    all.push_back(BARVELLO_CLI);
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& a : all) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_ = fork();
    if (pid_ == 0) {
      // Only async-signal-safe calls between fork and exec.
      const int in = open(how.input.c_str(), O_RDONLY);
      const int err = open(errFile_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
      const int out = open("/dev/null", O_WRONLY);
      if (in < 0 || err < 0 || out < 0) _exit(125);
      dup2(in, 0);
      dup2(out, 1);
      dup2(err, 2);
      umask(how.umask);
      rlimit lim{how.fileSizeLimit, how.fileSizeLimit};
      if (how.fileSizeLimit != RLIM_INFINITY) setrlimit(RLIMIT_FSIZE, &lim);
      // The test process may ignore these; the tool must be seen as a shell starts it.
      signal(SIGXFSZ, SIG_DFL);
      signal(SIGINT, SIG_DFL);
      signal(SIGTERM, SIG_DFL);
      alarm(60);
      execv(argv[0], argv.data());
      _exit(127);
    }
  }
  pid_t Pid() const { return pid_; }
  // The exit status, or 1000 + the number of the signal that ended the process.
  int Wait() {
    int status = 0;
    waitpid(pid_, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 1000 + WTERMSIG(status);
  }
  std::string Errors() const { return ReadAll(errFile_); }

 private:
  std::string errFile_;
  pid_t pid_ = -1;
};

struct CliResult {
  int status;
  std::string err;
};

CliResult RunCli(const std::vector<std::string>& args, const Launch& how, const std::string& errFile) {
  CliProcess p(args, how, errFile);
  const int status = p.Wait();
  return {status, p.Errors()};
}

struct Owner {
  uid_t uid;
  gid_t gid;
};

// The unprivileged user the tool is run as besides root.
Owner Nobody() {
  const passwd* pw = getpwnam("nobody");
  const group* gr = getgrnam("nogroup");
  return {pw ? pw->pw_uid : 65534, gr ? gr->gr_gid : 65534};
}

struct Writer {
  const char* label;
  bool asNobody;
  Owner self;   // who writes
  Owner other;  // another user
  bool root;
};

// The test's own user, and "nobody" where the test may switch to it (as root).
std::vector<Writer> Writers() {
  std::vector<Writer> w;
  const bool root = geteuid() == 0;
  w.push_back({root ? "root" : "the test's user", false, {geteuid(), getegid()}, Nobody(), root});
  if (root) w.push_back({"nobody", true, Nobody(), {0, 0}, false});
  return w;
}

mode_t ModeOf(const std::string& path) {
  struct stat st {};
  return lstat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

// The tool writes an image or the settings; the file it replaces is one of these.
enum class Kind { File, Symlink, Fifo, HardLink };

struct Expect {
  bool replaced;
  mode_t mode;         // of the new file
  const char* reason;  // when refused
};

struct ReplaceCase {
  const char* label;
  Kind kind;
  bool otherOwner;    // the old file belongs to another user
  bool foreignGroup;  // ... or to the writer, with a group the writer is not in
  mode_t mode;        // of the old file
  Expect asRoot;
  Expect asUser;  // a writer without root's privilege
};

const ReplaceCase kReplaceCases[] = {
    {"set-user-ID executable of another user", Kind::File, true, false, 04755,
     {true, 0644, nullptr}, {false, 0, "the file is read-only"}},
    {"set-id world-writable file of another user", Kind::File, true, false, 06777,
     {true, 0644, nullptr}, {true, 0644, nullptr}},
    {"world-writable file of another user", Kind::File, true, false, 0666,
     {true, 0644, nullptr}, {true, 0644, nullptr}},
    {"own file with set-id and sticky bits", Kind::File, false, false, 07755,
     {true, 0755, nullptr}, {true, 0755, nullptr}},
    {"own private file", Kind::File, false, false, 0600, {true, 0600, nullptr}, {true, 0600, nullptr}},
    {"own world-writable file", Kind::File, false, false, 0666, {true, 0666, nullptr}, {true, 0666, nullptr}},
    {"own file shared with a group the writer is not in", Kind::File, false, true, 0660,
     {true, 0660, nullptr}, {true, 0600, nullptr}},
    {"own read-only file", Kind::File, false, false, 0444,
     {false, 0, "the file is read-only"}, {false, 0, "the file is read-only"}},
    {"read-only file of another user", Kind::File, true, false, 0444,
     {false, 0, "the file is read-only"}, {false, 0, "the file is read-only"}},
    {"symbolic link to an own file", Kind::Symlink, false, false, 0644,
     {false, 0, "the target is a symbolic link"}, {false, 0, "the target is a symbolic link"}},
    {"FIFO", Kind::Fifo, false, false, 0666,
     {false, 0, "the target is not a regular file"}, {false, 0, "the target is not a regular file"}},
    {"own file with a second hard link", Kind::HardLink, false, false, 0644,
     {true, 0644, nullptr}, {true, 0644, nullptr}},
};

// Makes the old file of a case at `path` (as root, or as the test's user) and gives it
// its owner and mode.
void MakeOldFile(const ReplaceCase& c, const Writer& w, const std::string& path, const std::string& folder) {
  const Owner owner = c.otherOwner ? w.other : w.self;
  const gid_t group = c.foreignGroup ? w.other.gid : owner.gid;
  switch (c.kind) {
    case Kind::File:
    case Kind::HardLink:
      WriteAll(path, kOld + "\r\n");
      if (c.kind == Kind::HardLink) link(path.c_str(), (folder + "/second name").c_str());
      break;
    case Kind::Symlink:
      WriteAll(folder + "/pointee", kOld);
      symlink("pointee", path.c_str());
      lchown((folder + "/pointee").c_str(), owner.uid, group);
      break;
    case Kind::Fifo:
      mkfifo(path.c_str(), 0666);
      break;
  }
  lchown(path.c_str(), owner.uid, group);
  if (c.kind != Kind::Symlink) chmod(path.c_str(), c.mode);  // after chown, which clears set-id bits
}

}  // namespace

TEST_F(FileSafetyTest, ReplacingGrantsNoRightsTheWriterDidNotMean) {
  const bool root = geteuid() == 0;
  if (!root) std::cout << "not root: the cases with another user's files are skipped, and the tool runs as this user only\n";
  TempFolder logs;
  for (const Writer& w : Writers()) {
    for (const ReplaceCase& c : kReplaceCases) {
      if (!root && (c.otherOwner || c.foreignGroup)) continue;
      const Expect& e = w.root ? c.asRoot : c.asUser;
      for (const std::string ext : {".ini", ".png"}) {
        const std::string what = std::string(c.label) + ", " + ext + ", written by " + w.label;
        SCOPED_TRACE(what);
        // A folder of its own that the writer may write in (not sticky).
        const std::string folder = dir / (std::string(w.label) + " " + c.label + ext);
        fs::create_directory(folder);
        chmod(folder.c_str(), 0777);
        const std::string path = folder + "/target" + ext;
        MakeOldFile(c, w, path, folder);
        struct stat before {};
        lstat(path.c_str(), &before);
        const std::vector<std::string> listing = Listing(folder);

        Launch how;
        how.asNobody = w.asNobody;
        const CliResult r = RunCli({"-s", "bcCode128", "-d", "Replace", "-o", path}, how, logs / "err");
        struct stat after {};
        ASSERT_EQ(lstat(path.c_str(), &after), 0);
        if (e.replaced) {
          EXPECT_EQ(r.status, 0) << r.err;
          EXPECT_EQ(after.st_mode & 07777, e.mode) << std::oct << (after.st_mode & 07777);
          EXPECT_EQ(after.st_uid, w.self.uid);
          EXPECT_TRUE(S_ISREG(after.st_mode));
          EXPECT_TRUE(LooksRight(ext, ReadAll(path))) << ReadAll(path).substr(0, 16);
        } else {
          EXPECT_EQ(r.status, 1) << r.err;
          EXPECT_NE(r.err.find("Cannot write \"" + path + "\": " + e.reason), std::string::npos) << r.err;
          EXPECT_EQ(after.st_ino, before.st_ino);
          EXPECT_EQ(after.st_mode, before.st_mode);
          if (c.kind == Kind::File) {
            EXPECT_EQ(ReadAll(path), kOld + "\r\n");
          }
        }
        if (c.kind == Kind::Symlink) {
          EXPECT_EQ(ReadAll(folder + "/pointee"), kOld);
        }
        if (c.kind == Kind::HardLink) {
          EXPECT_EQ(ReadAll(folder + "/second name"), kOld + "\r\n");  // the other name keeps the old bytes
          EXPECT_EQ(ModeOf(folder + "/second name"), c.mode);
        }
        EXPECT_EQ(Listing(folder), listing);  // no temporary left, nothing else made
      }
    }
  }
}

// The temporary file never has more permission bits than the file it becomes, from the
// moment it is created: seen in the tool's own system calls, with a umask that takes
// nothing away, so that the mode given at creation is the mode the file gets.
TEST_F(FileSafetyTest, TheTemporaryIsCreatedWithNoMoreRightsThanTheResult) {
  TempFolder logs;
  if (std::system(("/usr/bin/strace -qq -o '" + (logs / "probe") + "' true >/dev/null 2>&1").c_str()) != 0)
    GTEST_SKIP() << "strace cannot trace here";
  const bool root = geteuid() == 0;
  struct Case {
    const char* label;
    bool exists, otherOwner;
    mode_t oldMode, umask, finalMode;
  } cases[] = {
      {"own private file", true, false, 0600, 0, 0600},
      {"own file readable by the group", true, false, 0640, 0, 0640},
      {"own file, a umask that takes the group's bits", true, false, 0664, 027, 0664},
      {"new file, private umask", false, false, 0, 077, 0600},
      {"file of another user", true, true, 0600, 022, 0644},
  };
  for (const Case& c : cases) {
    if (c.otherOwner && !root) continue;
    SCOPED_TRACE(c.label);
    const std::string path = dir / (std::string(c.label) + ".png");
    if (c.exists) {
      WriteAll(path, kOld);
      if (c.otherOwner) chown(path.c_str(), Nobody().uid, Nobody().gid);
      chmod(path.c_str(), c.oldMode);
    }
    Launch how;
    how.umask = c.umask;
    // A leak check cannot run under a tracer; it is not what this test looks at.
    how.wrapper = {"/usr/bin/strace", "-f", "-qq", "-E", "ASAN_OPTIONS=detect_leaks=0",
                   "-e", "trace=open,openat", "-o", logs / "trace"};
    const CliResult r = RunCli({"-s", "bcCode128", "-d", "Mode", "-o", path}, how, logs / "err");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ModeOf(path), c.finalMode);
    // openat(AT_FDCWD, "<folder>/.<name>.<8 characters>.tmp", O_WRONLY|O_CREAT|O_EXCL|..., 0600) = 3
    const std::regex creation("\"[^\"]*\\.tmp\", [^\"]*O_CREAT[^,]*, (0[0-7]+)\\) = [0-9]");
    const std::string trace = ReadAll(logs / "trace");
    std::smatch m;
    ASSERT_TRUE(std::regex_search(trace, m, creation)) << trace;
    const mode_t created = static_cast<mode_t>(std::stoul(m[1].str(), nullptr, 8)) & ~c.umask;
    EXPECT_EQ(created & ~c.finalMode, 0u) << "created " << std::oct << created << ", final " << c.finalMode;
  }
}

// A signal in the middle of a write: the tool removes its temporary and ends with 128 +
// the signal's number. The image is large, so its write takes a while, and the signal
// is sent as soon as the temporary appears.
TEST_F(FileSafetyTest, SignalDuringAWriteRemovesTheTemporary) {
  TempFolder logs;
  WriteAll(logs / "one line", "Interrupted\n");
  struct Case {
    const char* label;
    std::vector<std::string> args;
    int signal, status;
    const char* message;
  } cases[] = {
      {"one image, SIGINT", {"-o", dir / "single/big.bmp", "-d", "Interrupted"}, SIGINT, 130,
       "barvello-cli: interrupted\n"},
      {"one image, SIGTERM", {"-o", dir / "single/big.bmp", "-d", "Interrupted"}, SIGTERM, 143,
       "barvello-cli: terminated\n"},
      {"batch, SIGTERM", {"--batch", logs / "one line", "--threads", "1", "-o", dir / "single/big%d.bmp"}, SIGTERM, 143,
       "barvello-cli: batch: interrupted by SIGTERM after 0 lines, 0 files written, 0 failed\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    const std::string folder = dir / "single";
    fs::create_directory(folder);
    const int watch = inotify_init1(IN_CLOEXEC);
    ASSERT_GE(watch, 0);
    ASSERT_GE(inotify_add_watch(watch, folder.c_str(), IN_CREATE), 0);
    std::vector<std::string> args = {"-s", "bcCode128", "-W", "3000", "-H", "3000"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    CliProcess p(args, Launch{}, logs / "err");
    bool sent = false;
    alignas(inotify_event) char buffer[4096];
    pollfd pfd{watch, POLLIN, 0};
    while (!sent && poll(&pfd, 1, 30000) > 0) {
      const ssize_t n = read(watch, buffer, sizeof buffer);
      for (ssize_t i = 0; i < n;) {
        const auto* ev = reinterpret_cast<const inotify_event*>(buffer + i);
        const std::string name = ev->len ? ev->name : "";
        if (!sent && name.size() > 4 && name.compare(name.size() - 4, 4, ".tmp") == 0) {
          kill(p.Pid(), c.signal);
          sent = true;
        }
        i += static_cast<ssize_t>(sizeof(inotify_event) + ev->len);
      }
    }
    close(watch);
    const int status = p.Wait();
    ASSERT_TRUE(sent) << "no temporary appeared; " << p.Errors();
    EXPECT_EQ(status, c.status) << p.Errors();
    EXPECT_NE(p.Errors().find(c.message), std::string::npos) << p.Errors();
    // Neither the temporary nor the image. (A machine so busy that the signal came only
    // after the rename would leave the whole image, never a part of it.)
    const std::vector<std::string> left = Listing(folder);
    EXPECT_TRUE(left.empty() || (left.size() == 1 && left[0].ends_with(".bmp") && left[0][0] != '.' &&
                                 fs::file_size(folder + "/" + left[0]) == 3000 * 3000 * 3 + 54))
        << left.front();
    fs::remove_all(folder);
  }
}

// A batch reading from a pipe is interrupted while it waits for more lines: it says how
// far it got, keeps the files it finished and ends with 130 or 143.
TEST_F(FileSafetyTest, InterruptedBatchSaysHowFarItGot) {
  TempFolder logs;
  for (const auto& [sig, status, name] : {std::tuple{SIGINT, 130, "SIGINT"}, std::tuple{SIGTERM, 143, "SIGTERM"}}) {
    SCOPED_TRACE(name);
    const std::string folder = dir / name;
    fs::create_directory(folder);
    const std::string fifo = logs / "lines";
    fs::remove(fifo);
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    CliProcess p({"-s", "bcCode128", "--batch", fifo, "--threads", "2", "-o", folder + "/%02d.png"}, Launch{},
                 logs / "err");
    const int lines = open(fifo.c_str(), O_WRONLY);  // waits for the tool to open it
    ASSERT_GE(lines, 0);
    std::string text;
    std::vector<std::string> expected;
    for (int i = 1; i <= 16; ++i) {
      text += "Line " + std::to_string(i) + "\n";
      char file[16];
      std::snprintf(file, sizeof file, "%02d.png", i);
      expected.push_back(file);
    }
    ASSERT_EQ(write(lines, text.data(), text.size()), static_cast<ssize_t>(text.size()));
    // The tool writes these sixteen, then waits for more input that does not come.
    for (int waited = 0; Listing(folder) != expected && waited < 3000; ++waited)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(Listing(folder), expected);
    kill(p.Pid(), sig);
    EXPECT_EQ(p.Wait(), status) << p.Errors();
    close(lines);
    EXPECT_NE(p.Errors().find(std::string("barvello-cli: batch: interrupted by ") + name +
                              " after 16 lines, 16 files written, 0 failed\n"),
              std::string::npos)
        << p.Errors();
    EXPECT_EQ(Listing(folder), expected);
  }
}

// A file-size limit (ulimit -f) is a write error like a full disk: exit 1, the reason,
// no temporary, and an old file kept.
TEST_F(FileSafetyTest, FileSizeLimitIsAWriteError) {
  TempFolder logs;
  WriteAll(logs / "two lines", "First\nSecond\n");
  const std::string folder = dir / "limited";
  fs::create_directory(folder);
  WriteAll(folder + "/old.bmp", kOld);
  struct Case {
    const char* label;
    std::vector<std::string> args;
    std::string message;
  } cases[] = {
      {"one image over an old one", {"-d", "Limited", "-o", folder + "/old.bmp"},
       "barvello-cli: Cannot write \"" + folder + "/old.bmp\": the file is too large\n"},
      {"batch", {"--batch", logs / "two lines", "-o", folder + "/%d.bmp"},
       "barvello-cli: line 2: Cannot write \"" + folder + "/2.bmp\": the file is too large\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    std::vector<std::string> args = {"-s", "bcCode128", "-W", "600", "-H", "600"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    Launch how;
    how.fileSizeLimit = 64 * 1024;
    const CliResult r = RunCli(args, how, logs / "err");
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    EXPECT_EQ(ReadAll(folder + "/old.bmp"), kOld);
    EXPECT_EQ(Listing(folder), std::vector<std::string>{"old.bmp"});
  }
}

// INI input: at most 8 MB, and only a regular file; neither a FIFO nor a device is read
// (nor waited for). A file over the limit is not rewritten either.
TEST_F(FileSafetyTest, IniFilesAreBoundedAndRegular) {
  TempFolder logs;
  const std::string section = "[ksBarcode]\r\nBarcodeSymbology=bcCode39Standard\r\n";
  auto sized = [&](const std::string& name, size_t bytes) {
    std::string text = section;
    const std::string filler = "; " + std::string(76, '-') + "\r\n";
    while (text.size() + filler.size() <= bytes) text += filler;
    text += std::string(bytes - text.size(), ';');
    WriteAll(dir / name, text);
    return dir / name;
  };
  const std::string atLimit = sized("at limit.ini", 8 * 1024 * 1024);
  const std::string over = sized("over.ini", 8 * 1024 * 1024 + 1);
  const std::string fifo = dir / "fifo.ini";
  mkfifo(fifo.c_str(), 0666);
  fs::create_directory(dir / "folder.ini");
  struct Case {
    std::string ini;
    int status;
    std::string message;
  } cases[] = {
      {atLimit, 0, ""},
      {over, 1, "INI file '" + over + "' is larger than 8 MB (8388608 bytes), the most an INI file may hold"},
      {fifo, 2, "INI file '" + fifo + "' is not a regular file"},
      {"/dev/zero", 2, "INI file '/dev/zero' is not a regular file"},
      {dir / "folder.ini", 2, "INI file '" + (dir / "folder.ini") + "' is not a regular file"},
      {dir / "missing.ini", 2, "INI file '" + (dir / "missing.ini") + "' not found"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.ini);
    const CliResult r = RunCli({"--ini", c.ini, "-d", "ABC", "-o", logs / "out.svg"}, Launch{}, logs / "err");
    EXPECT_EQ(r.status, c.status) << r.err;
    if (c.status != 0) {
      EXPECT_EQ(r.err, "barvello-cli: " + c.message + "\n");
    } else {
      // The settings were applied: Code 39 with its start and stop characters.
      EXPECT_NE(ReadAll(logs / "out.svg").find("<svg"), std::string::npos);
    }
  }
  // Writing the settings into a file over the limit is refused before anything is read,
  // and so is writing them into one they would take past the limit.
  const struct {
    std::string path, message;
  } writes[] = {
      {over, "the file is larger than 8 MB (8388608 bytes), the most an INI file may hold"},
      {atLimit, "the settings would make the file larger than 8 MB (8388608 bytes), the most an INI file may hold"},
  };
  for (const auto& w : writes) {
    const std::string before = ReadAll(w.path);
    const CliResult r = RunCli({"-s", "bcCode128", "-d", "ABC", "-o", w.path}, Launch{}, logs / "err");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "barvello-cli: Cannot write \"" + w.path + "\": " + w.message + "\n");
    EXPECT_TRUE(ReadAll(w.path) == before);
  }
}

// A file that holds the settings section twice: the tool writes into the first, and
// reading applies only the first, so what was saved loads back.
TEST_F(FileSafetyTest, SettingsSavedIntoADuplicatedSectionLoadBack) {
  TempFolder logs;
  const std::string path = dir / "twice.ini";
  const std::string second = "[ksBarcode]\r\nBarCode=SECOND\r\nAngle=90\r\nBarcodeSymbology=bcEan13\r\n";
  WriteAll(path, "[ksBarcode]\r\nBarcodeSymbology=bcCode39Standard\r\nBarCode=FIRST\r\n\r\n[Other]\r\nx=1\r\n\r\n" + second);
  CliResult r = RunCli({"-s", "bcCode128", "-d", "SAVED", "--set", "Angle=180", "-o", path}, Launch{}, logs / "err");
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string saved = ReadAll(path);
  EXPECT_EQ(saved.substr(saved.size() - second.size()), second);  // kept as it was
  // Loaded and written out again as a new file: the settings that were saved.
  r = RunCli({"--ini", path, "-d", "SAVED", "-o", logs / "again.ini"}, Launch{}, logs / "err");
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string again = ReadAll(logs / "again.ini");
  for (const char* line : {"\r\nBarcodeSymbology=bcCode128\r\n", "\r\nAngle=180\r\n", "\r\nBarCode=SAVED\r\n"})
    EXPECT_NE(again.find(line), std::string::npos) << line << again;
}

// The INI layer on its own: a section name met twice, and a key met twice in a section.
TEST(IniFileLayer, DuplicatesAreReadAndWrittenAlike) {
  IniFile ini;
  ini.Parse("[S]\na=1\nb=1\na=2\n[T]\nt=1\n[s]\na=3\nc=3\n");
  EXPECT_EQ(ini.ReadSection("S"),
            (std::vector<std::pair<std::string, std::string>>{{"a", "1"}, {"b", "1"}, {"a", "2"}}));
  ini.WriteSection("S", {{"A", "new"}, {"c", "added"}});
  EXPECT_EQ(ini.Text(), "[S]\na=new\nb=1\na=new\nc=added\n[T]\nt=1\n[s]\na=3\nc=3\n");
  EXPECT_EQ(ini.ReadSection("s"),
            (std::vector<std::pair<std::string, std::string>>{{"a", "new"}, {"b", "1"}, {"a", "new"}, {"c", "added"}}));
}

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
