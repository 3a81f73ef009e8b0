// EAN/UPC family: patterns and text slots of worked examples, the book-number
// conversion, UPC shipping, agreement with bwip-js, and robustness against any text.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "engine/barcode.h"
#include "engine/decor.h"
#include "engine/encoders.h"
#include "ean_2of5_39_93_vectors.h"
#include "render/paint.h"
#include "render/recording_canvas.h"

using namespace ks;
using Slots = std::array<int32_t, 6>;

namespace {

struct EanCase {
  const char* note;
  TksBarcodeSymbology symbology;
  std::u16string text;  // as typed; completion writes the check digit
  bool humanLine;
  std::string pattern;
  Slots slots;
};

const std::string kMargin(8, ' ');

}  // namespace

TEST(EanPatterns, WorkedExamples) {
  const EanCase cases[] = {
      {"EAN-8: sets A left, C right", bcEan8, u"5512345", true,
       "202" "0110001" "0110001" "0011001" "0010011" "02020" "1000010" "1011100" "1001110" "1000100" "202",
       {4, 30, 37, 63, 0, 0}},
      {"EAN-13 with leading 0: set A for all six left digits", bcEan13, u"012345678901", false,
       "202" "0011001" "0010011" "0111101" "0100011" "0110001" "0101111" "02020"
       "1000100" "1001000" "1110100" "1110010" "1100110" "1101100" "202",
       {4, 44, 51, 91, 0, 0}},
      {"EAN-13 with leading 9: sets A B B A B A", bcEan13, u"9771210107001", false,
       "202" "0111011" "0010001" "0110011" "0010011" "0110011" "0001101" "02020"
       "1100110" "1110010" "1000100" "1110010" "1110010" "1100110" "202",
       {4, 44, 51, 91, 0, 0}},
      {"EAN-13 with the 2-digit add-on 12: sets A A, margin for the human line", bcEan13,
       u"9771210107001 12", true,
       kMargin + "202" "0111011" "0010001" "0110011" "0010011" "0110011" "0001101" "02020"
       "1100110" "1110010" "1000100" "1110010" "1110010" "1100110" "202"
       "000000000" "X1011" "0011001" "01" "0010011",
       {12, 52, 59, 99, 113, 8}},
      {"5-digit add-on 52495: checksum 1, sets B A B A A", bcEan13, u"9771210107001 52495", false,
       "202" "0111011" "0010001" "0110011" "0010011" "0110011" "0001101" "02020"
       "1100110" "1110010" "1000100" "1110010" "1110010" "1100110" "202"
       "000000000" "X1011" "0111001" "01" "0010011" "01" "0011101" "01" "0001011" "01" "0110001",
       {4, 44, 51, 91, 105, 0}},
      {"UPC-A: long bars in the first and last digit, room for the check digit", bcUPCA, u"01234567890", true,
       kMargin + "202" "0002202" "0011001" "0010011" "0111101" "0100011" "0110001" "02020"
       "1010000" "1000100" "1001000" "1110100" "1110010" "2002220" "202" + std::string(9, ' '),
       {19, 52, 59, 92, 8, 104}},
      {"UPC-A with an add-on: no room for the check digit", bcUPCA, u"012345678905 12", false,
       "202" "0002202" "0011001" "0010011" "0111101" "0100011" "0110001" "02020"
       "1010000" "1000100" "1001000" "1110100" "1110010" "2002220" "202"
       "000000000" "X1011" "0011001" "01" "0010011",
       {11, 44, 51, 84, 105, 96}},
      {"UPC-E0 0123456, check digit 5: sets B A A B B A, six-module end guard", bcUPCE0, u"0123456", false,
       "202" "0110011" "0010011" "0111101" "0011101" "0111001" "0101111" "020202",
       {4, 44, 0, 0, 0, 52}},
      {"UPC-E0 with the human line: margin and five blanks", bcUPCE0, u"0123456", true,
       kMargin + "202" "0110011" "0010011" "0111101" "0011101" "0111001" "0101111" "020202" "     ",
       {12, 52, 8, 8, 8, 60}},
      {"UPC-E1 is number system 1: check digit 2 of 11234500006, sets A A B B A B", bcUPCE1, u"0123456",
       false, "202" "0011001" "0010011" "0100001" "0011101" "0110001" "0000101" "020202",
       {4, 44, 0, 0, 0, 52}},
      {"ISBN 80-85892-02-X is EAN-13 9788085892024; the X is dropped", bcISBN, u"80-85892-02-X", false,
       "202" "0111011" "0001001" "0001001" "0001101" "0001001" "0110001" "02020"
       "1001000" "1110100" "1101100" "1110010" "1101100" "1011100" "202",
       {4, 44, 51, 91, 0, 0}},
  };
  for (const EanCase& c : cases) {
    SCOPED_TRACE(c.note);
    TksBarcodeComponent bc;
    bc.SetBarcodeSymbology(c.symbology);
    bc.CaptionHuman().SetVisible(c.humanLine);
    bc.SetBarCode(c.text);
    EXPECT_EQ(bc.EncodeBars(bc.BarCode()), c.pattern);
    EXPECT_EQ(bc.TextSlot, c.slots);
  }
}

TEST(EanPatterns, ShortTextsGiveNoPattern) {
  EXPECT_EQ(EncodeEan8(u"5512345").pattern, "");
  EXPECT_EQ(EncodeEan13(u"977121010700").pattern, "");
  EXPECT_EQ(EncodeUpcA(u"01234567890", true).pattern, "");
  EXPECT_EQ(EncodeUpcE(u"0123456", false, true).pattern, "");
}

TEST(EanPatterns, Upce0AndUpce1WithTheSameCheckDigitAreComplementary) {
  // 0123456 in number system 0 and 0123455 read as number system 1 (1123455) both carry
  // check digit 5.
  TksBarcodeComponent e0, e1;
  e0.SetBarcodeSymbology(bcUPCE0);
  e1.SetBarcodeSymbology(bcUPCE1);
  e0.SetBarCode(u"0123456");
  e1.SetBarCode(u"0123455");
  const std::string p0 = e0.EncodeBars(e0.BarCode());
  const std::string p1 = e1.EncodeBars(e1.BarCode());
  ASSERT_EQ(p0.size(), 51u + 13u);
  ASSERT_EQ(p1.size(), p0.size());
  // Digits 1-5 are the same, so each code is the set A or set B form of the same digit;
  // set B is set A reversed and inverted.
  for (int d = 0; d < 5; ++d) {
    std::string c0 = p0.substr(11 + 7 * d, 7), c1 = p1.substr(11 + 7 * d, 7);
    std::string inverted;
    for (auto it = c1.rbegin(); it != c1.rend(); ++it) inverted += *it == '1' ? '0' : '1';
    EXPECT_EQ(c0, inverted) << "digit " << d + 1;
  }
}

// UPC-E1 typed with its number system 1, or in the older form with "0" in front: the
// same symbol, and a human-readable line that shows the number system and the check
// digit a reader reports (1 123456 2).
TEST(EanPatterns, UpcE1TypedWithNumberSystem1OrInTheOlderForm) {
  struct Case {
    std::u16string typed, stored;
  } cases[] = {
      {u"1123456", u"11234562"},
      {u"11234569", u"11234562"},
      {u"0123456", u"01234565"},
      {u"123456", u"01234565"},
  };
  TksBarcodeComponent reference;
  reference.SetBarcodeSymbology(bcUPCE1);
  reference.SetBarCode(u"0123456");  // the worked example above
  const std::string symbol = reference.EncodeBars(reference.BarCode());
  for (const Case& c : cases) {
    SCOPED_TRACE(ToUtf8(c.typed));
    TksBarcodeComponent bc;
    bc.SetBarcodeSymbology(bcUPCE1);
    bc.SetBarCode(c.typed);
    EXPECT_EQ(ToUtf8(bc.BarCode()), ToUtf8(c.stored));
    EXPECT_EQ(bc.EncodeBars(bc.BarCode()), symbol);
    RecordingCanvas canvas;
    PaintBarCode(bc, canvas, {0, 0, 300, 100});
    ASSERT_EQ(bc.ErrorInfo().Code(), erOK);
    std::vector<std::u16string> texts;
    for (const CanvasCall& call : canvas.calls)
      if (call.op == "TextOut" && !call.text.empty()) texts.push_back(call.text);
    EXPECT_EQ(texts, (std::vector<std::u16string>{u"123456", u"1", u"2"}));
  }
}

TEST(BookNumberToEan13, PrefixesAndCheckDigit) {
  struct Case {
    std::u16string text;
    TksBarcodeSymbology symbology;
    std::u16string ean;
  } cases[] = {
      {u"80-85892-02-X", bcISBN, u"9788085892024"},
      {u"80-7226-102-9 12345", bcISBN, u"9788072261024 12345"},
      {u"0306406152 90000", bcISBN, u"9780306406157 90000"},  // the add-on as typed
      {u"978-0-306-40615-7 12", bcISBN, u"9780306406157 12"},
      {u"979-10-90636-07-1", bcISBN, u"9791090636071"},
      // ISSN: 977, seven ISSN digits, the issue code (00 by default), the EAN check
      {u"0317-8471", bcISSN, u"9770317847001"},
      {u"0317-847", bcISSN, u"9770317847001"},
      {u"0317847100", bcISSN, u"9770317847001"},
      {u"2049-3630 12345", bcISSN, u"9772049363002 12345"},
      {u"2049-363X-05", bcISSN, u"9772049363057"},
      {u"3358-150-97", bcISSN, u"9773358150970"},  // seven digits and the issue code
      {u"80-7226-102-9", bcISSN, u"9778072261292"},
      {u"M-2306-7118-7", bcISMN, u"9790230671187"},
      {u"979-0-2306-7118-7 05", bcISMN, u"9790230671187 05"},
      {u"80-7226-102-9", bcISMN, u"9798072261023"},
      {u"4912345678901", bcJAN13, u"4912345678904"},
      {u"491234567890", bcJAN13, u"4912345678904"},  // a blank, then the check digit
      {u"12-34", bcISBN, u"9781234"},                // too short: left as it is
  };
  for (const Case& c : cases) EXPECT_EQ(BookNumberToEan13(c.text, c.symbology), c.ean) << ToUtf8(c.text);
}

// Walking through the symbologies, as the symbology list and the label sheet do, gives
// each book number the sample text, completed or (when it equals the text already
// stored) not; either way it is printed.
TEST(BookNumberToEan13, SampleTextsThroughTheSymbologies) {
  struct Case {
    TksBarcodeSymbology symbology;
    std::u16string ean;
  } cases[] = {
      {bcISBN, u"9788072261024"},
      {bcISSN, u"9778072261025"},  // ISSN 8072261, issue code 02
      {bcISMN, u"9798072261023"},
  };
  TksBarcodeComponent bc, ean;
  ean.SetBarcodeSymbology(bcEan13);
  for (const Case& c : cases) {
    SCOPED_TRACE(SymbologyIdentifier(c.symbology));
    bc.SetBarcodeSymbology(c.symbology);
    ean.SetBarCode(c.ean);
    EXPECT_EQ(bc.EncodeBars(bc.BarCode()), ean.EncodeBars(ean.BarCode()));
    EXPECT_EQ(ToUtf8(BookNumberToEan13(bc.BarCode(), c.symbology)), ToUtf8(c.ean));
  }
}

// JAN prefixes are 45 and 49; a typed 45 stays, anything else becomes 49. The symbol is
// the EAN-13 or EAN-8 of the stored number.
TEST(EanPatterns, JanKeepsItsPrefix45) {
  struct Case {
    TksBarcodeSymbology jan, ean;
    std::u16string typed, number;
  } cases[] = {
      {bcJAN13, bcEan13, u"4512345678901", u"4512345678906"},
      {bcJAN13, bcEan13, u"4912345678901", u"4912345678904"},
      {bcJAN13, bcEan13, u"9912345678901 12", u"4912345678904 12"},
      {bcJAN8, bcEan8, u"4512345", u"45123450"},
      {bcJAN8, bcEan8, u"9912345", u"49123456"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(ToUtf8(c.typed));
    TksBarcodeComponent jan, ean;
    jan.SetBarcodeSymbology(c.jan);
    ean.SetBarcodeSymbology(c.ean);
    jan.SetBarCode(c.typed);
    ean.SetBarCode(c.number);
    EXPECT_EQ(ToUtf8(jan.BarCode()), ToUtf8(c.number));
    EXPECT_EQ(jan.EncodeBars(jan.BarCode()), ean.EncodeBars(ean.BarCode()));
  }
}

TEST(UpcShipping, MainSymbolThenTheSixDigitsAfterAMarkedGap) {
  TksBarcodeComponent bc, itf;
  bc.SetBarcodeSymbology(bcUPCShipping);
  itf.SetBarcodeSymbology(bc25Interleaved);
  bc.SetBarCode(u"1234567890123");
  ASSERT_EQ(bc.BarCode(), u"12345678901231");
  const std::string main = bc.EncodeBars(bc.BarCode());
  itf.SetBarCode(u"12345678901231");
  EXPECT_EQ(main, itf.EncodeBars(itf.BarCode()));
  EXPECT_EQ(bc.TextSlot, (Slots{15, int32_t(main.size()) - 15, 0, 0, 0, 0}));

  bc.SetBarCode(u"12345678901231 123456");
  const std::string p = bc.EncodeBars(bc.BarCode());
  itf.SetBarCode(u"123456");
  std::string addOn = itf.EncodeBars(itf.BarCode());
  addOn[0] = 'X';
  EXPECT_EQ(p, main + std::string(9, ' ') + addOn);
  EXPECT_EQ(bc.TextSlot, (Slots{15, int32_t(main.size()) - 15, 0, 0, int32_t(main.size()) + 9 + 20, 0}));
}

TEST(EanPatterns, AgreeWithBwipJs) {
  const auto rows = ref::LoadRefRows({bcEan8, bcJAN8, bcEan13, bcJAN13, bcISBN, bcISSN, bcISMN, bcUPCA,
                                          bcUPCE0, bcUPCE1, bcUPCShipping});
  EXPECT_GE(rows.size(), 12u * 11u);
  for (const auto& r : rows) {
    TksBarcodeComponent bc;
    const std::string p = ref::EncodeRow(bc, r);
    EXPECT_EQ(ref::PatternRuns(p, r.symbology == bcUPCShipping), r.runs)
        << "line " << r.line << ": " << ToUtf8(r.text) << " stored as " << ToUtf8(bc.BarCode());
  }
}

// Any text gives a pattern or a barcode error, never a crash or a read past the text;
// also when it reaches the encoders without validation.
TEST(EanPatterns, AnyTextGivesAPatternOrAnError) {
  std::mt19937 gen(1234);
  for (TksBarcodeSymbology s : {bcEan8, bcJAN8, bcEan13, bcJAN13, bcISBN, bcISSN, bcISMN, bcUPCA, bcUPCE0,
                                bcUPCE1, bcUPCShipping}) {
    TksBarcodeComponent bc;
    bc.SetBarcodeSymbology(s);
    const std::u16string sample = bc.BarCode();
    int encoded = 0;
    for (int i = 0; i < 300; ++i) {
      const std::u16string t = ref::RandomText(gen, sample);
      try {
        bc.SetBarCode(t);
        if (!bc.EncodeBars(bc.BarCode()).empty()) ++encoded;
      } catch (const Exception&) {
      }
      using Encoder = BarSymbol (*)(const std::u16string&);
      for (Encoder encode : {+[](const std::u16string& x) { return EncodeEan8(x); },
                             +[](const std::u16string& x) { return EncodeEan13(x); },
                             +[](const std::u16string& x) { return EncodeUpcA(x, true); },
                             +[](const std::u16string& x) { return EncodeUpcE(x, true, true); },
                             +[](const std::u16string& x) { return EncodeUpcShipping(x, true); }}) {
        try {
          encode(t);
        } catch (const ksBarcodeException&) {
        }
      }
    }
    EXPECT_GT(encoded, 0) << SymbologyIdentifier(s);
  }
}

namespace {

std::string Quote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

// Runs a shell command; its standard output split into lines.
std::vector<std::string> OutputLines(const std::string& cmd, int* status = nullptr) {
  std::vector<std::string> lines;
  FILE* p = popen(cmd.c_str(), "r");
  if (!p) return lines;
  std::string out;
  std::array<char, 4096> buf;
  size_t n;
  while ((n = fread(buf.data(), 1, buf.size(), p)) > 0) out.append(buf.data(), n);
  const int rc = pclose(p);
  if (status) *status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
  size_t start = 0;
  for (size_t end; (end = out.find('\n', start)) != std::string::npos; start = end + 1)
    lines.push_back(out.substr(start, end - start));
  if (start < out.size()) lines.push_back(out.substr(start));
  return lines;
}

bool Have(const std::string& program) { return !OutputLines("command -v " + program).empty(); }

}  // namespace

// What scanners read from the image barvello-cli writes: ZXingReader, and zbarimg where
// it reads the symbology (it takes UPC-E in number system 0 only). Each reader must
// report the main number, and the add-on exactly as typed.
TEST(EanDecoded, ReadersReportWhatWasTyped) {
  if (!Have("ZXingReader")) GTEST_SKIP() << "ZXingReader is not installed";
  const bool zbar = Have("zbarimg");
  struct Case {
    const char* symbology;
    const char* typed;
    const char* format;  // ZXingReader's and zbarimg's name of the main symbol
    const char* number;
    const char* addOn;
    bool zbarReads;
  } cases[] = {
      {"bcISBN", "0306406152 90000", "EAN-13", "9780306406157", "90000", true},
      {"bcISBN", "030640615X", "EAN-13", "9780306406157", "", true},
      {"bcISBN", "978-0-306-40615-7 12", "EAN-13", "9780306406157", "12", true},
      {"bcISSN", "0317847100", "EAN-13", "9770317847001", "", true},
      {"bcISSN", "2049-3630 12345", "EAN-13", "9772049363002", "12345", true},
      {"bcISSN", "2049-363X-05", "EAN-13", "9772049363057", "", true},
      {"bcISMN", "M-2306-7118-7", "EAN-13", "9790230671187", "", true},
      {"bcISMN", "979-0-2306-7118-7 05", "EAN-13", "9790230671187", "05", true},
      {"bcJAN13", "4512345678901", "EAN-13", "4512345678906", "", true},
      {"bcJAN8", "4512345", "EAN-8", "45123450", "", true},
      {"bcUPCE1", "1123456", "UPC-E", "11234562", "", false},
      {"bcUPCE1", "0123456", "UPC-E", "11234562", "", false},
      {"bcUPCE1", "11234562 12", "UPC-E", "11234562", "12", false},
  };
  const std::string file = ::testing::TempDir() + "ean_decoded_" + std::to_string(getpid()) + ".png";
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.symbology) + " \"" + c.typed + "\"");
    int status = -1;
    OutputLines(std::string(BARVELLO_CLI) + " -s " + c.symbology + " -d " + Quote(c.typed) + " -o " + Quote(file) +
                    " 2>&1",
                &status);
    ASSERT_EQ(status, 0);
    const std::string number = std::string(c.format) + " \"" + c.number;
    const bool addOn = *c.addOn != '\0';
    // ZXingReader reports the main symbol alone and, when it finds one, with its add-on.
    const std::vector<std::string> read = OutputLines("ZXingReader -1 " + Quote(file) + " 2>&1");
    std::vector<std::string> expected = {file + " " + number + "\""};
    if (addOn) expected.push_back(file + " " + number + " " + c.addOn + "\"");
    EXPECT_EQ(read, expected);
    if (zbar && c.zbarReads) {
      // zbarimg reports the add-on as a symbol of its own.
      std::vector<std::string> zread =
          OutputLines("zbarimg -q -Sean2.enable=1 -Sean5.enable=1 " + Quote(file) + " 2>/dev/null");
      std::sort(zread.begin(), zread.end());
      std::vector<std::string> zexpected = {std::string(c.format) + ":" + c.number};
      if (addOn) zexpected.push_back("EAN-" + std::to_string(std::strlen(c.addOn)) + ":" + c.addOn);
      std::sort(zexpected.begin(), zexpected.end());
      EXPECT_EQ(zread, zexpected);
    }
  }
  std::remove(file.c_str());
}
