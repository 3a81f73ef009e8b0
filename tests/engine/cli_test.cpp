// barvello-cli: exit codes, messages and --pattern output.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <fstream>
#include <string>

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
      {"-s bcEan13 -d 12345678901234 --pattern", "erBarcodeLengthInvalid", "Nesprávná délka znaků kódu []."},
      {"-s bcEan13 -d 40063813339a1 --pattern", "erCharOutOfSet", "Nespecifická chyba, kód negenerován"},
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
