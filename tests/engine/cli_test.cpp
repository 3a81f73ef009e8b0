// barvello-cli: exit codes, messages and --pattern output.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "engine/symbology.h"
#include "tools/cli/cli_layout.h"

namespace {

struct CliRun {
  int rc;
  std::string out, err;
};

std::string Quote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

CliRun Cli(const std::string& args) {
  std::string errFile = ::testing::TempDir() + "cli_stderr_" + std::to_string(getpid()) + ".txt";
  std::string cmd = std::string(BARVELLO_CLI) + " " + args + " 2>" + Quote(errFile);
  CliRun r;
  FILE* p = popen(cmd.c_str(), "r");
  std::array<char, 4096> buf;
  size_t n;
  while ((n = fread(buf.data(), 1, buf.size(), p)) > 0) r.out.append(buf.data(), n);
  int status = pclose(p);
  r.rc = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  std::ifstream f(errFile);
  r.err.assign(std::istreambuf_iterator<char>(f), {});
  return r;
}

// A fresh folder for the files of one test, removed with it.
class TempFolder {
 public:
  TempFolder() {
    std::string tmpl = ::testing::TempDir() + "cli_XXXXXX";
    path_ = mkdtemp(tmpl.data());
  }
  ~TempFolder() { std::filesystem::remove_all(path_); }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

bool HasControlBytes(const std::string& s) {
  for (unsigned char c : s)
    if ((c < 0x20 && c != '\n') || c == 0x7F) return true;
  return false;
}

}  // namespace

TEST(Cli, EmptySymbologyPrintsTheEmptyRow) {
  CliRun r = Cli("-s bcNone -d 5 --pattern");
  EXPECT_EQ(r.rc, 0) << r.err;
  EXPECT_EQ(r.out, "\n");
}

TEST(Cli, EngineErrorsExitOneWithIdentifierAndMessage) {
  struct Case {
    const char* args;
    const char* identifier;
    const char* message;
  } cases[] = {
      {"-s bcEan13 -d 12345678901234 --pattern", "erBarcodeLengthInvalid", "Nesprávná délka znaků kódu [12, 13, 16, 19]."},
      {"-s bcEan13 -d 40063813339a1 --pattern", "erCharOutOfSet", "Nespecifická chyba, kód negenerován;"},
      {"-s bcEan13 -d '' --pattern", "erEmptyCode", "Prázdný kód."},
      {"-s bcAztec -d x --pattern", "erNotSupported", ""},
      {"-s bc25Interleaved -d 12345 --pattern", "erErrorInBarCode", "Nespecifická chyba, kód negenerován"},
      {"-s bcNone -d x --pattern", "erCharOutOfSet", ""},
  };
  for (const auto& c : cases) {
    CliRun r = Cli(c.args);
    EXPECT_EQ(r.rc, 1) << c.args;
    EXPECT_NE(r.err.find(c.identifier), std::string::npos) << c.args << ": " << r.err;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << c.args << ": " << r.err;
    EXPECT_EQ(r.out, "") << c.args;
  }
}

// Errors of the encoders and parameters: raised codes, silent rejections and failures
// with messages of their own all end in exit 1 with the code's identifier on stderr and
// nothing on stdout.
TEST(Cli, EncoderErrorsExitOneWithIdentifier) {
  const std::string longText(3000, 'a');
  struct Case {
    std::string args;
    const char* identifier;
    const char* message;
  } cases[] = {
      {"-s bcCode39Standard -d abc --pattern", "erCharOutOfSet", ""},
      {"-s bcEan13 -d 4006381333931x12 --pattern", "erCharMustBeSpace", "14. char must be space."},
      {"-s bcPostNet -d 123456 --pattern", "erErrorInBarCode", ""},
      {"-s bcITF -d 12A4 --pattern", "erCharOutOfSet", ""},
      {"-s bcOPC -d 12345678A --pattern", "erCharOutOfSet", ""},
      {"-s bcAustraliaPost -d 1239987520 --pattern", "erErrorInBarCode: Invalid FCC",
       "Invalid FCC, must be one from 11, 87, 45, 92, 59, 62, 44"},
      {"-s bcAustraliaPost -d 113998752 --pattern", "erErrorInBarCode", "Invalid Sort code, must be 8 digits lenght"},
      {"-s bcPostbarCPC4State -d 'B K1A 4S2 1234' --pattern", "erNotSupported", ""},
      {"-s bcUccEan128 -d '(01)123' --pattern", "erGS1_BadValueLength", "Value length must be between 14 and 14"},
      {"-s bcUccEan128 -d '(9999)12' --pattern", "erGS1_AI_NotFound", "GS1 unknown Application identifier"},
      {"-s bcQRCode -d '(01)123' --set Params.GS1.FNC1Type=fnc1GS1 --set Params.GS1.FNC1InputType=gs1Classic --pattern",
       "erGS1_BadValueLength", ""},
      {"-s bcDataMatrix -d " + longText + " --pattern", "erOutOfMaxCapacity", "overcome."},
      {"-s bcDataMatrix -d " + longText + " --set Params.DataMatrix.Version=ksDM10x10 --pattern", "erOutOfMaxCapacity", ""},
      // Too long is the same code in every symbology.
      {"-s bcQRCode -d " + longText + " --set Params.QRCode.MicroQR=True --pattern", "erOutOfMaxCapacity",
       "Max. QR code capacity exceded."},
      {"-s bcPDF417 -d " + longText + longText + " --pattern", "erOutOfMaxCapacity", "PDF417"},
      {"-s bcPDF417 -d x --set Params.PDF417.Rows=95 --pattern", "erOutOfMaxCapacity", "PDF417 Max data error"},
      {"-s bcPDF417 -d x --set Params.PDF417.Mode=ksPDF417Numeric --pattern", "erCharOutOfSet: Bad char in PDF417",
       "position 1"},
      {"-s bc25Interleaved -d 12 --set Params.Ratio=ra25 --pattern", "erErrorInBarCode",
       "Not possible use ratio for selected symbology"},
  };
  for (const auto& c : cases) {
    CliRun r = Cli(c.args);
    const std::string shown = c.args.substr(0, 60);
    EXPECT_EQ(r.rc, 1) << shown << ": " << r.err;
    EXPECT_NE(r.err.find(c.identifier), std::string::npos) << shown << ": " << r.err;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << shown << ": " << r.err;
    EXPECT_EQ(r.out, "") << shown;
  }
}

TEST(Cli, UsageErrorsExitTwo) {
  struct Case {
    const char* args;
    const char* needle;
  } cases[] = {
      {"-s bcEan13 -d 1 --set NoSuch.Prop=1 --pattern", "NoSuch.Prop"},
      {"-s bcEan13 -d 1 --set Angle=abc --pattern", "Angle"},
      {"-s bcEan13 -d 1 --set ErrorInfo.Code=erOK --pattern", "read-only"},
      {"-s bcNoSuch -d 1 --pattern", "bcNoSuch"},
      {"-d 1 --pattern", "-s"},
      {"-s bcEan13 --pattern", "-d"},
      {"-s bcEan13 -d 1", "nothing to do"},
      {"-s bcEan13 -d 1 --bogus", "--bogus"},
      {"-s bcEan13 -d 1 -W -5 --pattern", "-W"},
      {"-s bcEan13 --data-file /nonexistent/file --pattern", "/nonexistent/file"},
      // A setter that refuses by raising: a usage error with its message, not an abort.
      {"-s bcQRCode -d 1 --set Params.QRCode.Mask=9 --pattern", "QR code bad mask value"},
      {"-s bcQRCode -d 1 --set Params.QRCode.MicroQR=True --set Params.QRCode.Mask=0 --pattern", "Params.QRCode.Mask"},
  };
  for (const auto& c : cases) {
    CliRun r = Cli(c.args);
    EXPECT_EQ(r.rc, 2) << c.args;
    EXPECT_NE(r.err.find(c.needle), std::string::npos) << c.args << ": " << r.err;
  }
}

TEST(Cli, SymbologyNamesAreCaseInsensitiveWithOptionalPrefix) {
  CliRun a = Cli("-s bcEan13 -d 400638133393 --pattern");
  CliRun b = Cli("-s EAN13 -d 400638133393 --pattern");
  CliRun c = Cli("-s BCEAN13 -d 400638133393 --pattern");
  ASSERT_EQ(a.rc, 0) << a.err;
  EXPECT_EQ(a.out, b.out);
  EXPECT_EQ(a.out, c.out);
  EXPECT_EQ(a.out.size(), 104u);  // eight blanks, 95 modules, newline
}

TEST(Cli, DataTextIsAppliedAfterSymbologyAndSettings) {
  // The symbology's sample text never replaces the data text, and --set applies before it.
  CliRun r = Cli("-s bcEan13 -d 400638133393 --set CaptionHuman.Visible=False --pattern");
  ASSERT_EQ(r.rc, 0) << r.err;
  EXPECT_EQ(r.out.size(), 96u);
  EXPECT_EQ(r.out.substr(0, 3), "202");
}

TEST(Cli, DataFileDropsOneTrailingNewline) {
  std::string path = ::testing::TempDir() + "cli_data_" + std::to_string(getpid()) + ".txt";
  {
    std::ofstream f(path);
    f << "400638133393\n";
  }
  CliRun a = Cli("-s bcEan13 --data-file " + path + " --pattern");
  CliRun b = Cli("-s bcEan13 -d 400638133393 --pattern");
  EXPECT_EQ(a.rc, 0) << a.err;
  EXPECT_EQ(a.out, b.out);
}

TEST(Cli, HelpDescribesTheDefaultSize) {
  CliRun r = Cli("--help");
  EXPECT_EQ(r.rc, 0);
  EXPECT_NE(r.out.find("--pattern"), std::string::npos);
  EXPECT_NE(r.out.find("Without them the size"), std::string::npos);
}

// Every catalogue row that is not supported is refused before anything is written,
// whether it is named by -s or by --set, for an image and for --pattern. The object
// itself would keep its old symbology for two of them and report that one's errors.
TEST(Cli, UnsupportedSymbologiesExitOneWithNotSupported) {
  TempFolder dir;
  const std::string png = dir / "x.png";
  int rows = 0;
  for (int s = 0; s < ks::kSymbologyRows; ++s) {
    const auto symbology = static_cast<ks::TksBarcodeSymbology>(s);
    if (ks::SymbologySupported(symbology)) continue;
    ++rows;
    const std::string id = ks::SymbologyIdentifier(symbology);
    for (const std::string& how : {"-s " + id, "-s bcCode128 --set BarcodeSymbology=" + id}) {
      for (const std::string& what : {std::string("--pattern"), "-o " + png}) {
        const std::string args = how + " -d 12345 " + what;
        const CliRun r = Cli(args);
        EXPECT_EQ(r.rc, 1) << args << ": " << r.err;
        EXPECT_NE(r.err.find("erNotSupported"), std::string::npos) << args << ": " << r.err;
        EXPECT_NE(r.err.find(id), std::string::npos) << args << ": " << r.err;
        EXPECT_EQ(r.out, "") << args;
        EXPECT_FALSE(std::filesystem::exists(png)) << args;
      }
    }
  }
  EXPECT_EQ(rows, 10);  // the catalogue supports 44 of the 54 symbologies
}

// After every --set the property is read back: a value the object drops or rounds is a
// usage error naming the path and the value, while every spelling of a value the
// property takes as given (case, a set in another order, hex numbers) still works.
TEST(Cli, SetValuesTheObjectDoesNotTakeAreRefused) {
  struct Case {
    const char* sets;
    int rc;
  } cases[] = {
      {"--set Params.QRCode.Version=41", 2},
      {"--set Params.QRCode.Version=-1", 2},
      {"--set Params.QRCode.Version=99", 2},
      {"--set Params.QRCode.MicroQR=True --set Params.QRCode.Version=5", 2},
      {"--set Angle=45", 2},
      {"--set Angle=100", 2},
      {"--set Angle=2147483647", 2},
      {"--set QuietZone.Left=150", 2},
      // Taken as given, in another spelling.
      {"--set Params.QRCode.Version=40", 0},
      {"--set Params.QRCode.MicroQR=true --set Params.QRCode.Version=4", 0},
      {"--set Angle=-90 --set Angle=0270", 0},
      {"--set Params.QRCode.MicroQR=TRUE", 0},
      {"--set Params.QRCode.EccLevel=qrecclevelh", 0},
      {"--set Params.QRCode.EccLevel=3", 0},
      {"--set Options=boSecurity,boTransparent", 0},
      {"--set 'Options=[boAutoCheckDigit, boSecurity]'", 0},
      {"--set Options=", 0},
      {"--set 'BackgroundColor=$00FFEE' --set BackgroundColor=4294967295", 0},
      {"--set Params.PDF417.TimeStamp=1,5", 0},
      {"--set Params.QRCode.Mask=-1", 0},
  };
  for (const auto& c : cases) {
    const std::string args = std::string("-s bcQRCode -d HELLO ") + c.sets + " --pattern";
    const CliRun r = Cli(args);
    EXPECT_EQ(r.rc, c.rc) << args << ": " << r.err;
    if (c.rc == 0) continue;
    // The last --set is the refused one: its path and value are named.
    const std::string last = std::string(c.sets).substr(std::string(c.sets).rfind("--set ") + 6);
    const std::string path = last.substr(0, last.find('=')), value = last.substr(last.find('=') + 1);
    EXPECT_NE(r.err.find("'" + value + "' for property '" + path + "'"), std::string::npos) << args << ": " << r.err;
    EXPECT_EQ(r.out, "") << args;
  }
}

// A data text that is not UTF-8 is refused with the byte (counted from 1) where it stops
// being UTF-8, from -d and from --data-file alike, instead of being encoded with
// replacement characters.
TEST(Cli, DataThatIsNotUtf8ExitsTwoNamingTheByte) {
  TempFolder dir;
  struct Case {
    std::string bytes;
    int at;
  } cases[] = {
      {"\xff", 1},
      {"ok\x80", 3},                  // a stray continuation byte
      {"ab\xc3", 3},                  // cut short at the end
      {"a\xc3(b", 2},                 // cut short by an ASCII byte
      {"a\xc0\xaf", 2},               // overlong "/"
      {"xy\xe0\x80\xaf", 3},          // overlong in three bytes
      {"\xed\xa0\x80", 1},            // a UTF-16 surrogate
      {"\xf4\x90\x80\x80", 1},        // above U+10FFFF
      {"\xe2\x82\xac\xe2\x82", 4},    // "€" then a cut-short one
  };
  for (const auto& c : cases) {
    const std::string expected = "data is not valid UTF-8 at byte " + std::to_string(c.at);
    WriteFile(dir / "data.txt", c.bytes + "\n");
    for (const std::string& from : {"-d " + Quote(c.bytes), "--data-file " + dir / "data.txt"}) {
      const CliRun r = Cli("-s bcQRCode " + from + " -o " + dir / "x.png");
      EXPECT_EQ(r.rc, 2) << from;
      EXPECT_NE(r.err.find(expected), std::string::npos) << from << ": " << r.err;
      EXPECT_FALSE(HasControlBytes(r.err)) << r.err;
    }
  }
  EXPECT_FALSE(std::filesystem::exists(dir / "x.png"));
  // Characters beyond ASCII, up to four bytes, are fine.
  const CliRun r = Cli("-s bcQRCode -d " + Quote("\xc3\xa9\xe2\x82\xac\xf0\x9f\x98\x80") + " --pattern");
  EXPECT_EQ(r.rc, 0) << r.err;
}

TEST(Cli, DataFileThatIsAFolderCannotBeRead) {
  TempFolder dir;
  WriteFile(dir / "keep.txt", "x");
  const CliRun r = Cli("-s bcCode128 --data-file " + dir / "" + " --pattern");
  EXPECT_EQ(r.rc, 2);
  EXPECT_NE(r.err.find("cannot read data file"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("it is a folder"), std::string::npos) << r.err;
  EXPECT_EQ(r.out, "");
}

// Errors say what to change: the character and its position for a character outside the
// set, the lengths that fit for a wrong length, the character itself (not its first
// byte) for PDF417. The identifier and the message come first, as they always have.
TEST(Cli, ErrorMessagesNameTheCharacterPositionAndLengths) {
  struct Case {
    std::string args;
    const char* identifier;
    const char* detail;
  } cases[] = {
      {"-s bcEan13 -d 40063813339a1", "erCharOutOfSet",
       "Nespecifická chyba, kód negenerován; character 'a' (U+0061) at position 12 is not allowed in EAN 13 (bcEan13)"},
      {"-s bcCode39Standard -d " + Quote("AB\xe2\x82\xac"), "erCharOutOfSet",
       "character '\xe2\x82\xac' (U+20AC) at position 3 is not allowed in Code 39 Standard"},
      // Positions count characters, not bytes or UTF-16 units.
      {"-s bcCode39Standard -d " + Quote("\xc3\xa9"), "erCharOutOfSet", "(U+00E9) at position 1 is"},
      {"-s bcCode39Standard -d " + Quote("A\xf0\x9f\x98\x80"), "erCharOutOfSet",
       "character '\xf0\x9f\x98\x80' (U+1F600) at position 2"},
      {"-s bcCode39Standard -d " + Quote("A\x1b[2J"), "erCharOutOfSet", "character '\\x1B' (U+001B) at position 2"},
      {"-s bcEan13 -d 12345678901234", "erBarcodeLengthInvalid",
       "Nesprávná délka znaků kódu [12, 13, 16, 19]. The text has 14 characters."},
      {"-s bcEan8 -d 1234", "erBarcodeLengthInvalid", "[7, 8, 11, 14]"},
      {"-s bcUPCA -d 1234", "erBarcodeLengthInvalid", "[11, 12, 15, 18]"},
      {"-s bcPDF417 -d " + Quote("a\xc3\xbf" "b"), "erCharOutOfSet",
       "Bad char in PDF417, position 2, char : \xc3\xbf"},
      {"-s bcPDF417 -d " + Quote("\xe2\x82\xac") + " --set Params.PDF417.Mode=ksPDF417Numeric", "erCharOutOfSet",
       "Bad char in PDF417, position 1, char : \xe2\x82\xac"},
  };
  TempFolder dir;
  for (const auto& c : cases) {
    for (const std::string& output : {std::string(" --pattern"), " -o " + dir / "x.png"}) {
      const CliRun r = Cli(c.args + output);
      EXPECT_EQ(r.rc, 1) << c.args << output << ": " << r.err;
      EXPECT_NE(r.err.find(std::string("barvello-cli: ") + c.identifier + ": "), std::string::npos) << r.err;
      EXPECT_NE(r.err.find(c.detail), std::string::npos) << c.args << output << ": " << r.err;
      EXPECT_FALSE(HasControlBytes(r.err)) << r.err;
    }
  }
}

// Text from the input reaches the terminal with its control characters escaped: a
// property path, a value, a symbology name, an INI key, a file name.
TEST(Cli, InputEchoedInMessagesHasControlCharactersEscaped) {
  TempFolder dir;
  const std::string esc = "\x1b]0;owned\x07\x1b[2J\xe2\x80\xae";
  WriteFile(dir / "keys.ini", "[ksBarcode]\r\nBarcodeSymbology=bcCode128\r\n" + esc + "=1\r\n");
  const std::string shown = "\\x1B]0;owned\\x07\\x1B[2J\\u202E";
  const std::string cases[] = {
      "-s bcCode128 -d 1 --set " + Quote(esc + "=1") + " --pattern",
      "-s bcCode128 -d 1 --set " + Quote("Angle=" + esc) + " --pattern",
      "-s " + Quote(esc) + " -d 1 --pattern",
      "--ini " + dir / "keys.ini" + " -d 1 --pattern",
      "-s bcCode128 -d 1 --data-file " + Quote(dir / esc) + " --pattern",
      "-s bcCode128 -d 1 -o " + Quote(dir / (esc + ".xyz")),
      "-s bcCode128 -d 1 " + Quote(esc),
  };
  for (const auto& args : cases) {
    const CliRun r = Cli(args);
    EXPECT_EQ(r.rc, 2) << args;
    EXPECT_NE(r.err.find(shown), std::string::npos) << args << ": " << r.err;
    EXPECT_FALSE(HasControlBytes(r.err)) << args << ": " << r.err;
  }
}

// "--ini FILE:SECTION" splits at the last colon, unless the whole argument names a file.
TEST(Cli, IniFileNameWithAColon) {
  TempFolder dir;
  WriteFile(dir / "my:file.ini", "[ksBarcode]\r\nBarcodeSymbology=bcCode128\r\n[Other]\r\nBarcodeSymbology=bcCode93Standard\r\n");
  const CliRun code128 = Cli("-s bcCode128 -d ABC --pattern");
  const CliRun code93 = Cli("-s bcCode93Standard -d ABC --pattern");
  ASSERT_EQ(code128.rc, 0);
  ASSERT_EQ(code93.rc, 0);
  struct Case {
    std::string ini;
    const std::string& expected;
  } cases[] = {
      {dir / "my:file.ini", code128.out},
      {dir / "my:file.ini:Other", code93.out},
      {dir / "my:file.ini:ksBarcode", code128.out},
  };
  for (const auto& c : cases) {
    const CliRun r = Cli("--ini " + Quote(c.ini) + " -d ABC --pattern");
    EXPECT_EQ(r.rc, 0) << c.ini << ": " << r.err;
    EXPECT_EQ(r.out, c.expected) << c.ini;
  }
  const CliRun r = Cli("--ini " + Quote(dir / "my:file.ini:Missing") + " -d ABC --pattern");
  EXPECT_EQ(r.rc, 2);
  EXPECT_NE(r.err.find("has no section [Missing]"), std::string::npos) << r.err;
}

// The default image size is computed in 64 bits: a symbol of billions of modules is
// refused with its true size instead of wrapping into a small or negative one. (Run
// under the sanitizers, an overflow here is a failure of its own.)
TEST(Cli, DefaultLayoutNeverWraps) {
  struct Case {
    SymbolShape shape;
    long long cols, rows, leading;
    bool fits;
    long long w, h;
    ks::TRect paint;
  } cases[] = {
      {SymbolShape::Matrix, 21, 21, 0, true, 116, 116, {16, 16, 100, 100}},
      {SymbolShape::Stacked, 103, 4, 0, true, 214, 32, {4, 4, 210, 28}},
      {SymbolShape::Linear, 103, 1, 8, true, 254, 93, {20, 4, 234, 89}},
      {SymbolShape::Linear, 0, 1, 0, true, 42, 68, {20, 4, 22, 64}},
      // Around the limit of 100 million pixels.
      {SymbolShape::Linear, 7880, 1, 0, true, 15800, 6312, {20, 4, 15780, 6308}},
      {SymbolShape::Linear, 7900, 1, 0, false, 15840, 6328, {}},
      {SymbolShape::Matrix, 5000, 5000, 0, false, 20032, 20032, {}},
      // 2 px per module of 1.1 billion modules no longer fits in 32 bits.
      {SymbolShape::Linear, 1'100'000'000, 1, 0, false, 2'200'000'040, 880'000'008, {}},
      {SymbolShape::Stacked, 3'000'000'000, 2'000'000'000, 0, false, 6'000'000'008, 12'000'000'008, {}},
      {SymbolShape::Matrix, 1LL << 62, 1LL << 62, 0, false, (1LL << 42) + 32, (1LL << 42) + 32, {}},
      {SymbolShape::Linear, -5, 1, -3, true, 42, 68, {20, 4, 22, 64}},
  };
  for (const auto& c : cases) {
    ImageLayout l;
    EXPECT_EQ(DefaultImageLayout(c.shape, c.cols, c.rows, c.leading, l), c.fits) << c.cols;
    EXPECT_EQ(l.w, c.w) << c.cols;
    EXPECT_EQ(l.h, c.h) << c.cols;
    if (c.fits) {
      EXPECT_EQ(l.paint, c.paint) << c.cols;
    }
  }
}

// A WMF stores 16-bit coordinates: larger than 32767 pixels on a side it is refused
// (EMF takes the same image), instead of being written with its coordinates clamped.
TEST(Cli, WmfLargerThanSixteenBitsIsRefused) {
  TempFolder dir;
  const std::string longText(3000, 'A');  // Code 128, 66110 pixels wide by default
  struct Case {
    std::string args;
    std::string file;
    int rc;
  } cases[] = {
      {"-s bcQRCode -d x -W 32767 -H 64", "w.wmf", 0},
      {"-s bcQRCode -d x -W 32768 -H 64", "w.wmf", 2},
      {"-s bcQRCode -d x -W 64 -H 100000", "w.wmf", 2},
      {"-s bcQRCode -d x -W 100000 -H 64", "w.emf", 0},
      {"-s bcCode128 -H 100 -d " + longText, "w.wmf", 2},
      {"-s bcCode128 -H 100 -d " + longText, "w.emf", 0},
  };
  for (const auto& c : cases) {
    std::filesystem::remove(dir / c.file);
    const CliRun r = Cli(c.args + " -o " + dir / c.file);
    const std::string shown = c.args.substr(0, 40) + " " + c.file;
    EXPECT_EQ(r.rc, c.rc) << shown << ": " << r.err;
    EXPECT_EQ(std::filesystem::exists(dir / c.file), c.rc == 0) << shown;
    if (c.rc != 0) {
      EXPECT_NE(r.err.find("a WMF holds coordinates up to 32767"), std::string::npos) << r.err;
    }
  }
}
