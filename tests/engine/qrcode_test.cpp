// QR Code and Micro QR: bit streams, codewords and interleaving, sizes, errors, the
// parameter object, matrix structure and masks, and module matrices compared with an
// independent encoder (tests/data/qr_vectors.txt, made by tools/refgen/qr.js).
#include "engine/matrix/qrcode.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "engine/barcode.h"
#include "engine/dispatch.h"
#include "engine/encoders.h"
#include "engine/gs1/gs1.h"
#include "engine/matrix/matrix.h"
#include "engine/matrix/qr_params.h"
#include "engine/matrix/reedsolomon.h"
#include "engine/params.h"

namespace ks {
namespace {

struct QrSetup {
  bool micro = false;
  int version = 0;
  TksQrEccLevel ecc = QrEccLevelM;
  int mask = 0;
  TksQrMode mode = QrAutomatic;
  int eci = -1;
  TksFNC1Type fnc1 = fnc1None;
  int segCount = 1;
  int segIndex = 0;
  int checksum = 0;
};

void Apply(TksBarcodeComponent& bc, const QrSetup& s) {
  bc.SetBarcodeSymbology(bcQRCode);
  TksQRParams& q = bc.Params().QRCode();
  q.SetMicroQR(s.micro);
  q.SetVersion(s.version);
  q.SetEccLevel(s.ecc);
  q.SetMask(s.mask);
  q.SetMode(s.mode);
  q.SetChecksum(s.checksum);
  bc.Params().SetECI(s.eci);
  bc.Params().SetSegmentCount(s.segCount);
  bc.Params().SetSegmentIndex(s.segIndex);
  bc.Params().GS1().SetFNC1Type(s.fnc1);
}

// Encodes through the dispatch entry and answers the matrix as rows of 0/1.
std::vector<std::string> EncodeRows(TksBarcodeComponent& bc, const std::u16string& text) {
  bc.SetBarCode(text);
  bc.EncodeBars(bc.BarCode());
  const TksMatrix& m = bc.Pixels();
  std::vector<std::string> rows;
  for (int y = 0; y < m.NR; ++y) {
    std::string row;
    for (int x = 0; x < m.NC; ++x) row += m.IsBlack(x, y) ? '1' : '0';
    rows.push_back(row);
  }
  return rows;
}

// The encoder of the barcode's settings at a given version.
TksQRCode EncoderAt(const TksBarcodeComponent& bc, int version) {
  QrSettings settings = QrSettingsOf(bc.Params());
  settings.version = version;
  return TksQRCode(settings);
}

// The data stream of one version, from the encoder's own stage.
std::string Stream(const QrSetup& s, const std::string& bytes, int version) {
  TksBarcodeComponent bc;
  Apply(bc, s);
  return EncoderAt(bc, version).EncodeData(bytes);
}

std::string U8(const char* s) { return s; }

std::vector<int> Codewords(const std::string& bits) {
  std::vector<int> out;
  for (size_t i = 0; i + 8 <= bits.size(); i += 8) out.push_back(static_cast<int>(BitsToInt(bits, static_cast<int>(i) + 1, 8)));
  return out;
}

// ---- bit streams ------------------------------------------------------------------

TEST(QrStream, WorkedExamples) {
  QrSetup fnc1First;
  fnc1First.fnc1 = fnc1FirstPosition;
  QrSetup fnc1Second;
  fnc1Second.fnc1 = fnc1SecondPosition;
  QrSetup gs1;
  gs1.fnc1 = fnc1GS1;
  QrSetup kanji;
  kanji.mode = QrKanji;
  QrSetup numericM1;
  numericM1.micro = true;
  numericM1.ecc = QrEccLevelL;
  numericM1.mask = 1;
  QrSetup microM;
  microM.micro = true;
  microM.mask = 1;

  struct Case {
    const char* note;
    QrSetup setup;
    std::string bytes;
    int version;
    std::string prefix;  // the stream must begin with this (spaces ignored)
    int length;          // total stream length in bits
  };
  const std::string gsData = std::string("01123") + char(29) + "45";
  const std::vector<Case> cases = {
      {"numeric 12345, terminator and five padding zeros", {}, "12345", 1,
       "0001 0000000101 0001111011 0101101 0000 00000 11101100 00010001 11101100", 128},
      {"alphanumeric AC-42", {}, "AC-42", 1, "0010 000000101 00111001110 11100111001 000010 0000", 128},
      {"byte: UTF-8 of e-acute, count 2", {}, U8("\xC3\xA9"), 1, "0100 00000010 11000011 10101001 0000", 128},
      {"Kanji: two Shift JIS characters in 13 bits each", kanji, U8("\xE7\x82\xB9\xE8\x8C\x97"), 1,
       "1000 00000010 0110110011111 1101010101010 0000", 128},
      {"FNC1 first: digits and separators in alphanumeric mode, separator as %", fnc1First, gsData, 1,
       "0101 0010 000001000 00000000001 00000101111 00010101101 00010111001 0000", 128},
      {"FNC1 GS1 is FNC1 first", gs1, "12", 1, "0101 0001 0000000010 0001100 0000", 128},
      // FNC1 in second position: the application indicator follows 1001 in 8 bits, a
      // letter as its ASCII value + 100, two digits as their value; the segment holds
      // the rest of the text.
      {"FNC1 second position, letter indicator A (165)", fnc1Second, "A", 1, "1001 10100101 0001 0000000000 0000",
       128},
      {"FNC1 second position, letter indicator a (197)", fnc1Second, "a12", 1,
       "1001 11000101 0001 0000000010 0001100 0000", 128},
      {"FNC1 second position, digit indicator 12", fnc1Second, "1234", 1,
       "1001 00001100 0001 0000000010 0100010 0000", 128},
      {"FNC1 second position, indicator 99 then alphanumeric data", fnc1Second, "99AB", 1,
       "1001 01100011 0010 000000010 00111001101 0000", 128},
      {"FNC1: a literal % is doubled", fnc1First, "A%", 1, "0101 0010 000000011 00111101000 100110 0000", 128},
      {"without FNC1 a % stays single", {}, "A%", 1, "0010 000000010 00111101000 0000", 128},
      {"version 10 widens the counts", {}, "1", 10, "0001 000000000001 0001 0000", 8 * 216},
      {"version 27 widens them again", {}, "A", 27, "0010 0000000000001 001010 0000", 8 * 1128},
      {"byte count of versions 10+ is 16 bits", {}, "a", 10, "0100 0000000000000001 01100001 0000", 8 * 216},
      {"Micro M1: no mode indicator, 3-bit count, capacity 20 bits", numericM1, "12345", 1,
       "101 0001111011 0101101", 20},
      {"Micro M1 short: terminator 000, then zeros to 20 bits", numericM1, "1", 1, "001 0001 000 0000000000", 20},
      {"Micro M2-M alphanumeric: 1-bit mode, 3-bit count, 5-bit terminator", microM, "AB", 2,
       "1 010 00111001101 00000 0000 11101100", 32},
      {"Micro M3-M byte: 2-bit mode, 4-bit count, 7-bit terminator, 4-bit last codeword", microM, "ab", 3,
       "10 0010 01100001 01100010 0000000 000 11101100 00010001 11101100 00010001 0000", 68},
      {"Micro M4-M numeric: 3-bit mode, 6-bit count", microM, "123", 4, "000 000011 0001111011 000000000", 112},
  };
  for (const auto& c : cases) {
    std::string expected;
    for (char ch : c.prefix)
      if (ch != ' ') expected += ch;
    std::string s = Stream(c.setup, c.bytes, c.version);
    EXPECT_EQ(s.substr(0, expected.size()), expected) << c.note;
    EXPECT_EQ(static_cast<int>(s.size()), c.length) << c.note;
  }
}

TEST(QrStream, PadCodewordsAlternate) {
  std::string s = Stream({}, "12345", 1);
  ASSERT_EQ(s.size(), 128u);
  // 40 bits of data, then 11 pad codewords to the 16 data codewords of 1-M.
  EXPECT_EQ(Codewords(s.substr(40)), (std::vector<int>{236, 17, 236, 17, 236, 17, 236, 17, 236, 17, 236}));
}

TEST(QrStream, HeadersInOrder) {
  struct Case {
    const char* note;
    QrSetup setup;
    std::string prefix;
  };
  QrSetup eci26;
  eci26.eci = 26;
  QrSetup eci200;
  eci200.eci = 200;
  QrSetup eci20000;
  eci20000.eci = 20000;
  QrSetup eci3;
  eci3.eci = 3;
  QrSetup eci0;
  eci0.eci = 0;
  QrSetup append;
  append.segCount = 3;
  append.segIndex = 2;
  append.checksum = 0x1A5;
  QrSetup all = append;
  all.eci = 26;
  all.fnc1 = fnc1FirstPosition;
  QrSetup appendOutOfRange = append;
  appendOutOfRange.segIndex = 4;
  QrSetup appendTooMany = append;
  appendTooMany.segCount = 17;
  appendTooMany.segIndex = 1;
  QrSetup microEci = eci26;
  microEci.micro = true;
  microEci.mask = 1;
  QrSetup microAppend = append;
  microAppend.micro = true;
  microAppend.mask = 1;
  QrSetup microFnc1 = microAppend;
  microFnc1.segCount = 1;
  microFnc1.fnc1 = fnc1FirstPosition;

  const std::vector<Case> cases = {
      {"ECI below 128: one byte", eci26, "0111 00011010 0001 0000000001"},
      {"ECI up to 16383: two bytes", eci200, "0111 10 00000011001000 0001"},
      {"ECI above 16383: three bytes", eci20000, "0111 110 000000100111000100000 0001"},
      {"ECI 3 is the default and writes nothing", eci3, "0001 0000000001"},
      {"ECI 0 is written", eci0, "0111 00000000 0001"},
      {"structured append: position 2 of 3, parity low byte", append, "0011 0001 0010 10100101 0001"},
      {"append, FNC1, ECI, segment", all, "0011 0001 0010 10100101 0101 0111 00011010 0001"},
      {"append with index past count is left out", appendOutOfRange, "0001 0000000001"},
      {"append of more than 16 symbols is left out", appendTooMany, "0001 0000000001"},
      {"Micro QR has no ECI", microEci, "000 000001"},
      {"Micro QR has no structured append", microAppend, "000 000001"},
      {"Micro QR has no FNC1 mode", microFnc1, "000 000001"},
  };
  for (const auto& c : cases) {
    std::string expected;
    for (char ch : c.prefix)
      if (ch != ' ') expected += ch;
    std::string s = Stream(c.setup, "7", c.setup.micro ? 4 : 2);
    EXPECT_EQ(s.substr(0, expected.size()), expected) << c.note;
  }
}

TEST(QrStream, TooLongForTheVersionIsEmpty) {
  QrSetup h;
  h.ecc = QrEccLevelH;
  EXPECT_EQ(Stream(h, std::string(17, '1'), 1).size(), 72u);  // 1-H holds 17 digits
  EXPECT_TRUE(Stream(h, std::string(18, '1'), 1).empty());
  QrSetup m1;
  m1.micro = true;
  m1.ecc = QrEccLevelL;
  m1.mask = 1;
  EXPECT_EQ(Stream(m1, "12345", 1).size(), 20u);
  EXPECT_TRUE(Stream(m1, "123456", 1).empty());  // 23 bits do not fit 20
  EXPECT_TRUE(Stream(m1, "A", 1).empty());       // M1 has no alphanumeric mode
  QrSetup m3;
  m3.micro = true;
  m3.ecc = QrEccLevelL;
  m3.mask = 1;
  EXPECT_EQ(Stream(m3, std::string(23, '9'), 3).size(), 84u);
  EXPECT_TRUE(Stream(m3, std::string(24, '9'), 3).empty());
  QrSetup m1m = m1;
  m1m.ecc = QrEccLevelM;  // M1 exists only at level L
  EXPECT_TRUE(Stream(m1m, "1", 1).empty());
}

// ---- codewords, blocks and sizes --------------------------------------------------

TEST(QrCodewords, Version1MWithCheckCodewords) {
  TksBarcodeComponent bc;
  Apply(bc, {});
  TksQRCode qr = EncoderAt(bc, 1);
  std::string ecc = qr.EncodeECC(qr.EncodeData("01234567"));
  EXPECT_EQ(Codewords(ecc), (std::vector<int>{16, 32, 12, 86, 97, 128, 236, 17, 236, 17, 236, 17, 236, 17, 236,
                                               17, 165, 36, 212, 193, 237, 54, 199, 135, 44, 85}));
}

TEST(QrCodewords, InterleavingOfTwoBlockGroups) {
  // 5-Q: two blocks of 15 and two of 16 data codewords, 18 check codewords each.
  QrSetup q;
  q.ecc = QrEccLevelQ;
  TksBarcodeComponent bc;
  Apply(bc, q);
  TksQRCode qr = EncoderAt(bc, 5);
  ASSERT_EQ(qr.GetDataCodeWords(5, false, QrEccLevelQ), 62);
  std::string data;
  for (int i = 0; i < 62; ++i) data += IntToBits(i, 8);
  std::vector<int> out = Codewords(qr.EncodeECC(data));
  ASSERT_EQ(out.size(), 134u);
  std::vector<int> expectedData;
  for (int i = 0; i < 15; ++i)
    for (int start : {0, 15, 30, 46}) expectedData.push_back(start + i);
  expectedData.push_back(45);
  expectedData.push_back(61);
  EXPECT_EQ(std::vector<int>(out.begin(), out.begin() + 62), expectedData);
  // Check codewords: i-th of block 1, 2, 3, 4 in turn.
  std::string block3;
  for (int i = 30; i < 46; ++i) block3 += IntToBits(i, 8);
  std::vector<int> check3 = Codewords(QrBlockEcc(block3, 18));
  for (int i = 0; i < 18; ++i) EXPECT_EQ(out[62 + i * 4 + 2], check3[i]) << i;
}

TEST(QrCodewords, Sizes) {
  struct Case {
    bool micro;
    int version;
    TksQrEccLevel ecc;
    int size, dataCodewords, dataBits, remainder, totalBits;
  };
  const std::vector<Case> cases = {
      {false, 1, QrEccLevelM, 21, 16, 128, 0, 26 * 8},
      {false, 2, QrEccLevelH, 25, 16, 128, 7, 44 * 8 + 7},
      {false, 7, QrEccLevelL, 45, 156, 1248, 0, 196 * 8},
      {false, 12, QrEccLevelL, 65, 370, 2960, 0, 466 * 8},
      {false, 14, QrEccLevelQ, 73, 261, 2088, 3, 581 * 8 + 3},
      {false, 21, QrEccLevelM, 101, 714, 5712, 4, 1156 * 8 + 4},
      {false, 40, QrEccLevelL, 177, 2956, 23648, 0, 3706 * 8},
      {true, 1, QrEccLevelL, 11, 3, 20, 0, 36},
      {true, 2, QrEccLevelM, 13, 4, 32, 0, 80},
      {true, 3, QrEccLevelL, 15, 11, 84, 0, 132},
      {true, 4, QrEccLevelQ, 17, 10, 80, 0, 192},
  };
  for (const auto& c : cases) {
    QrSetup s;
    s.micro = c.micro;
    s.ecc = c.ecc;
    s.mask = c.micro ? 1 : 0;
    TksBarcodeComponent bc;
    Apply(bc, s);
    TksQRCode qr = EncoderAt(bc, c.version);
    EXPECT_EQ(qr.SizeInModules(), c.size) << c.version;
    EXPECT_EQ(qr.GetDataCodeWords(c.version, c.micro, c.ecc), c.dataCodewords) << c.version;
    EXPECT_EQ(qr.TotalDataBits(), c.dataBits) << c.version;
    EXPECT_EQ(TksQRCode::RemainderBits(c.micro, c.version), c.remainder) << c.version;
    std::string data = qr.EncodeData("1");
    ASSERT_FALSE(data.empty()) << c.version;
    EXPECT_EQ(qr.EncodeECC(data).size() + c.remainder, static_cast<size_t>(c.totalBits)) << c.version;
  }
  TksBarcodeComponent bc;
  EXPECT_EQ(EncoderAt(bc, 41).SizeInModules(), -1);
  EXPECT_EQ(TksQRCode::MaxVersion(true), 4);
  EXPECT_EQ(TksQRCode::MaxVersion(false), 40);
}

// ---- errors -----------------------------------------------------------------------

struct ErrorCase {
  const char* note;
  QrSetup setup;
  std::u16string text;
  TksBarcodeErrorCode code;
  int idx;
  std::string message;  // empty: the code's own text, naming idx
};

TEST(QrErrors, Table) {
  QrSetup numeric;
  numeric.mode = QrNumeric;
  QrSetup alnum;
  alnum.mode = QrAlphanumeric;
  QrSetup bytes;
  bytes.mode = QrBytes;
  QrSetup kanji;
  kanji.mode = QrKanji;
  QrSetup v1h;
  v1h.version = 1;
  v1h.ecc = QrEccLevelH;
  QrSetup autoL;
  autoL.ecc = QrEccLevelL;
  QrSetup microH;
  microH.micro = true;
  microH.mask = 1;
  microH.ecc = QrEccLevelH;
  QrSetup m1m;
  m1m.micro = true;
  m1m.mask = 1;
  m1m.version = 1;
  QrSetup m1l = m1m;
  m1l.ecc = QrEccLevelL;
  QrSetup second;
  second.fnc1 = fnc1SecondPosition;
  QrSetup secondNumeric = second;
  secondNumeric.mode = QrNumeric;
  QrSetup gs1;
  gs1.fnc1 = fnc1GS1;
  QrSetup microGs1 = gs1;
  microGs1.micro = true;
  microGs1.mask = 1;
  QrSetup microSecond = microGs1;
  microSecond.fnc1 = fnc1SecondPosition;
  QrSetup microFirst = microGs1;
  microFirst.fnc1 = fnc1FirstPosition;

  const std::vector<ErrorCase> cases = {
      {"numeric mode, letter at 3", numeric, u"12A", erCharOutOfSet, 3, ""},
      {"alphanumeric mode, lower case at 2", alnum, u"Ab", erCharOutOfSet, 2, ""},
      {"alphanumeric mode, UTF-8 lead byte at 3", alnum, u"AB\u00E9", erCharOutOfSet, 3, ""},
      {"Kanji mode, Latin letter", kanji, u"\u70B9A", erCharOutOfSet, 4, ""},
      {"Kanji mode, character outside JIS X 0208", kanji, u"\u00E9", erCharOutOfSet, 1, ""},
      {"fixed version 1-H, 30 digits", v1h, std::u16string(30, u'1'), erOutOfMaxCapacity, 9, ""},
      {"fixed M1 at level M, which M1 lacks", m1m, u"1", erOutOfMaxCapacity, 0, ""},
      {"fixed M1 with 6 digits (23 bits in 20)", m1l, u"123456", erOutOfMaxCapacity, 3, ""},
      // Too long: the same code as a fixed version, with a message of its own.
      {"automatic, 7090 digits at level L", autoL, std::u16string(7090, u'7'), erOutOfMaxCapacity, 0,
       "Max. QR code capacity exceded."},
      {"Micro QR at level H never fits", microH, u"1", erOutOfMaxCapacity, 0, "Max. QR code capacity exceded."},
      // FNC1 in second position: the text must begin with two digits or one letter.
      {"second position, a digit then a letter", second, u"1A23", erCharOutOfSet, 2, ""},
      {"second position, a single digit", second, u"1", erCharOutOfSet, 1, ""},
      {"second position, punctuation first", second, u"%AB", erCharOutOfSet, 1, ""},
      {"second position, a non-ASCII letter first", second, u"\u00C9A", erCharOutOfSet, 1, ""},
      {"second position, numeric mode: position counts the indicator", secondNumeric, u"A12B", erCharOutOfSet, 4,
       ""},
      // GS1: the element string is verified before anything is encoded.
      {"GS1, wrong check digit: the value at 3", gs1, u"0112345678901234", erGS1, 3, ""},
      {"GS1, a text without an AI: 12 is a date AI without its value", gs1, u"12", erGS1_BadValueLength, 3, ""},
      {"GS1, unknown AI", gs1, u"(999)1", erGS1_AI_NotFound, 7, ""},
      // Micro QR has no FNC1 mode: a GS1 or FNC1 text is refused, not written without it.
      {"Micro QR with GS1", microGs1, u"0112345678901231", erNotSupported, 0, ""},
      {"Micro QR with FNC1 in first position", microFirst, u"0112345678901231", erNotSupported, 0, ""},
      {"Micro QR with FNC1 in second position", microSecond, u"1234", erNotSupported, 0, ""},
  };
  for (const auto& c : cases) {
    TksBarcodeComponent bc;
    Apply(bc, c.setup);
    bc.SetBarCode(c.text);
    try {
      bc.EncodeBars(bc.BarCode());
      ADD_FAILURE() << "no exception: " << c.note;
    } catch (const ksBarcodeException& e) {
      EXPECT_EQ(bc.ErrorInfo().Code(), c.code) << c.note;
      if (c.message.empty()) {
        EXPECT_EQ(bc.ErrorInfo().Idx(), c.idx) << c.note;
      } else {
        EXPECT_EQ(std::string(e.what()), c.message) << c.note;
        EXPECT_EQ(bc.ErrorInfo().ExceptionString(), c.message) << c.note;
      }
    }
  }
  (void)bytes;
}

TEST(QrErrors, CapacityBoundaries) {
  QrSetup autoL;
  autoL.ecc = QrEccLevelL;
  TksBarcodeComponent bc;
  Apply(bc, autoL);
  EncodeRows(bc, std::u16string(7089, u'7'));
  EXPECT_EQ(bc.Params().QRCode().UsedVersion(), 40);
  EXPECT_EQ(bc.Pixels().NC, 177);

  QrSetup v1h;
  v1h.version = 1;
  v1h.ecc = QrEccLevelH;
  TksBarcodeComponent bc2;
  Apply(bc2, v1h);
  EncodeRows(bc2, std::u16string(17, u'1'));
  EXPECT_EQ(bc2.Params().QRCode().UsedVersion(), 1);
}

TEST(QrErrors, ErrorCharIsTheOffendingCharacter) {
  QrSetup alnum;
  alnum.mode = QrAlphanumeric;
  TksBarcodeComponent bc;
  Apply(bc, alnum);
  bc.SetBarCode(u"AB\u00E9");
  EXPECT_THROW(bc.EncodeBars(bc.BarCode()), ksBarcodeException);
  EXPECT_EQ(bc.ErrorInfo().ErrorChar(), u"\u00E9");
}

TEST(QrErrors, FailedEncodingKeepsThePreviousSymbol) {
  QrSetup v1;
  v1.version = 1;
  TksBarcodeComponent bc;
  Apply(bc, v1);
  std::vector<std::string> before = EncodeRows(bc, u"HELLO");
  const int usedMask = bc.Params().QRCode().UsedMask();
  bc.SetBarCode(std::u16string(100, u'9'));
  EXPECT_THROW(bc.EncodeBars(bc.BarCode()), ksBarcodeException);
  ASSERT_EQ(bc.Pixels().NC, 21);
  for (int y = 0; y < 21; ++y)
    for (int x = 0; x < 21; ++x) ASSERT_EQ(bc.Pixels().IsBlack(x, y), before[y][x] == '1');
  EXPECT_EQ(bc.Params().QRCode().UsedMask(), usedMask);
  EXPECT_EQ(bc.Params().QRCode().UsedVersion(), 1);
}

TEST(QrErrors, TextOverTheByteLimitIsReported) {
  TksBarcodeComponent bc;
  Apply(bc, {});
  bc.SetBarCode(std::u16string(5001, u'\u00E9'));  // 10002 bytes of UTF-8
  try {
    bc.EncodeBars(bc.BarCode());
    FAIL() << "no exception";
  } catch (const ksBarcodeException&) {
    EXPECT_EQ(bc.ErrorInfo().Code(), erOutOfMaxCapacity);
  }
}

TEST(QrErrors, EmptyTextDoesNothing) {
  TksBarcodeComponent bc;
  Apply(bc, {});
  EncodeRows(bc, u"A");
  bc.SetBarCode(u"");
  EXPECT_FALSE(dispatch::QRCode(bc, bc.BarCode()).matrix);
  EXPECT_THROW(bc.EncodeBars(bc.BarCode()), ksBarcodeException);  // erEmptyCode
  EXPECT_EQ(bc.Pixels().NC, 21);
}

// ---- automatic choices ------------------------------------------------------------

TEST(QrAutomatic, ModeAndVersionReported) {
  struct Case {
    std::u16string text;
    bool micro;
    TksQrEccLevel ecc;
    TksQrMode mode;
    int version;
  };
  const std::vector<Case> cases = {
      {u"12345", false, QrEccLevelM, QrNumeric, 1},
      {u"AC-42", false, QrEccLevelM, QrAlphanumeric, 1},
      {u"\u00E9", false, QrEccLevelM, QrBytes, 1},
      {std::u16string(35, u'1'), false, QrEccLevelM, QrNumeric, 2},  // 1-M holds 34 digits
      {u"12345", true, QrEccLevelL, QrNumeric, 1},
      {u"123456", true, QrEccLevelL, QrNumeric, 2},
      {u"a", true, QrEccLevelL, QrBytes, 3},  // M1 and M2 have no byte mode
      {u"HELLO", true, QrEccLevelM, QrAlphanumeric, 2},
  };
  for (const auto& c : cases) {
    QrSetup s;
    s.micro = c.micro;
    s.ecc = c.ecc;
    s.mask = c.micro ? 1 : 0;
    TksBarcodeComponent bc;
    Apply(bc, s);
    EncodeRows(bc, c.text);
    const TksQRParams& q = bc.Params().QRCode();
    EXPECT_EQ(q.UsedMode(), c.mode) << ToUtf8(c.text);
    EXPECT_EQ(q.UsedVersion(), c.version) << ToUtf8(c.text);
    EXPECT_EQ(q.UsedMicroQR(), c.micro);
    EXPECT_EQ(q.UsedECCLevel(), c.ecc);
    EXPECT_EQ(bc.Pixels().NC, c.micro ? 2 * c.version + 9 : 4 * c.version + 17);
  }
}

TEST(QrAutomatic, MinimalSizeIsTheSymbolInModules) {
  TksBarcodeComponent bc;
  Apply(bc, {});
  bc.SetBarCode(u"12345");
  EXPECT_EQ(bc.MinWidth(), 21);
  EXPECT_EQ(bc.MinHeight(100), 21);
  QrSetup micro;
  micro.micro = true;
  micro.ecc = QrEccLevelL;
  micro.mask = 1;
  TksBarcodeComponent m;
  Apply(m, micro);
  m.SetBarCode(u"12345");
  EXPECT_EQ(m.MinWidth(), 11);
}

// Reads the 15 format bits of a QR symbol from its first copy, bit 0 first.
int ReadFormat(const TksMatrix& m) {
  int bits = 0;
  auto put = [&](int i, int x, int y) {
    if (m.IsBlack(x, y)) bits |= 1 << i;
  };
  for (int i = 0; i <= 5; ++i) put(i, 8, i);
  put(6, 8, 7);
  put(7, 8, 8);
  put(8, 7, 8);
  for (int i = 9; i < 15; ++i) put(i, 14 - i, 8);
  return bits;
}

int ReadMicroFormat(const TksMatrix& m) {
  int bits = 0;
  for (int i = 0; i <= 6; ++i)
    if (m.IsBlack(8, i + 1)) bits |= 1 << i;
  for (int i = 7; i < 15; ++i)
    if (m.IsBlack(15 - i, 8)) bits |= 1 << i;
  return bits;
}

// Format information before masking with 0x5412 / 0x4445: BCH(15,5) of 5 data bits.
int FormatBits(int data5, int xorMask) {
  int v = data5 << 10;
  for (int i = 14; i >= 10; --i)
    if (v & (1 << i)) v ^= 0x537 << (i - 10);
  return ((data5 << 10) | v) ^ xorMask;
}

TEST(QrAutomatic, MaskChoiceIsTheLowestPenalty) {
  const std::u16string text = u"Barvello QR mask choice";
  // Penalty of each mask, scored as the encoder scores: data and function modules
  // before format information, format areas light, the dark module dark.
  TksBarcodeComponent probe;
  QrSetup fixed;
  fixed.version = 2;
  Apply(probe, fixed);
  probe.SetBarCode(text);
  int best = -1, bestScore = 0;
  for (int mask = 0; mask < 8; ++mask) {
    TksMatrix m;
    QrSettings settings = QrSettingsOf(probe.Params());
    settings.mask = mask;
    TksQRCode one(settings);
    one.Encode(ToUtf8(text));
    ASSERT_EQ(one.UsedVersion(), 2);
    one.BuildQrMatrix(m);
    // Score as the encoder does, before format information: its cells light, the dark
    // module dark.
    for (int y = 0; y < m.NR; ++y)
      for (int x = 0; x < m.NC; ++x)
        if ((m.GetPoint2D(x, y) == u'6' || m.GetPoint2D(x, y) == u'7') && !(x == 8 && y == m.NR - 8))
          m.Point2D(x, y, u'6');
    int score = one.QrMaskPenalty(m);
    if (best < 0 || score < bestScore) {
      best = mask;
      bestScore = score;
    }
  }

  QrSetup automatic;
  automatic.version = 2;
  automatic.mask = -1;
  TksBarcodeComponent bc;
  Apply(bc, automatic);
  EncodeRows(bc, text);
  EXPECT_EQ(bc.Params().QRCode().UsedMask(), best);
  EXPECT_EQ(ReadFormat(bc.Pixels()), FormatBits((0b00 << 3) | best, 0x5412));  // level M = 00
}

TEST(QrAutomatic, MicroMaskOutsideTheFourIsChosenAutomatically) {
  // Mask 0 is the default; switching Micro QR on keeps it, and only 1, 4, 6, 7 exist.
  TksBarcodeComponent bc;
  bc.SetBarcodeSymbology(bcQRCode);
  bc.Params().QRCode().SetEccLevel(QrEccLevelL);
  bc.Params().QRCode().SetMicroQR(true);
  ASSERT_EQ(bc.Params().QRCode().Mask(), 0);
  EncodeRows(bc, u"12345");
  const int used = bc.Params().QRCode().UsedMask();
  EXPECT_TRUE(used == 1 || used == 4 || used == 6 || used == 7) << used;
  const int field = used == 4 ? 1 : used == 6 ? 2 : used == 7 ? 3 : 0;
  EXPECT_EQ(ReadMicroFormat(bc.Pixels()), FormatBits((0 << 2) | field, 0x4445));  // M1 = symbol 0

  // The same symbol with that mask fixed is identical.
  TksBarcodeComponent fixed;
  QrSetup s;
  s.micro = true;
  s.ecc = QrEccLevelL;
  s.mask = used;
  Apply(fixed, s);
  std::vector<std::string> a = EncodeRows(fixed, u"12345");
  for (int y = 0; y < 11; ++y)
    for (int x = 0; x < 11; ++x) EXPECT_EQ(bc.Pixels().IsBlack(x, y), a[y][x] == '1');
}

// ---- matrix structure -------------------------------------------------------------

TEST(QrMatrix, FunctionPatternsAndCellCodes) {
  QrSetup s;
  s.version = 7;
  s.ecc = QrEccLevelL;
  s.mask = 3;
  TksBarcodeComponent bc;
  Apply(bc, s);
  EncodeRows(bc, u"HELLO");
  const TksMatrix& m = bc.Pixels();
  ASSERT_EQ(m.NC, 45);
  ASSERT_EQ(m.NR, 45);
  const char* finder[] = {"1111111", "1000001", "1011101", "1011101", "1011101", "1000001", "1111111"};
  for (auto [ox, oy] : {std::pair{0, 0}, std::pair{38, 0}, std::pair{0, 38}})
    for (int y = 0; y < 7; ++y)
      for (int x = 0; x < 7; ++x) {
        EXPECT_EQ(m.IsBlack(ox + x, oy + y), finder[y][x] == '1') << ox << "," << oy;
        EXPECT_TRUE(m.IsFunction(ox + x, oy + y));
      }
  for (int i = 8; i <= 36; ++i) {
    EXPECT_EQ(m.IsBlack(i, 6), i % 2 == 0);
    EXPECT_EQ(m.IsBlack(6, i), i % 2 == 0);
  }
  EXPECT_EQ(m.GetPoint2D(8, 45 - 8), u'7');  // the dark module
  // Alignment pattern centred at (22, 22) and the one at (38, 22) on the timing-free side.
  for (auto [cx, cy] : {std::pair{22, 22}, std::pair{38, 22}, std::pair{22, 6}}) {
    EXPECT_EQ(m.GetPoint2D(cx, cy), u'3');
    EXPECT_EQ(m.GetPoint2D(cx + 1, cy), u'2');
    EXPECT_EQ(m.GetPoint2D(cx + 2, cy), u'3');
  }
  // Version 7 information 000111110010010100, bit 0 (least significant) at (0, 34).
  const uint32_t v7 = 0b000111110010010100;
  for (int i = 0; i < 18; ++i) {
    const char16_t expected = (v7 >> i) & 1 ? u'5' : u'4';
    EXPECT_EQ(m.GetPoint2D(i / 3, 45 - 11 + i % 3), expected) << i;
    EXPECT_EQ(m.GetPoint2D(45 - 11 + i % 3, i / 3), expected) << i;
  }
  EXPECT_EQ(ReadFormat(m), FormatBits((0b01 << 3) | 3, 0x5412));  // level L = 01
  // Every cell is a function code or a data code after masking.
  for (char16_t c : m.Pixels) EXPECT_TRUE(c >= u'0' && c <= u'9');
}

TEST(QrMatrix, MicroLayout) {
  QrSetup s;
  s.micro = true;
  s.ecc = QrEccLevelM;
  s.mask = 6;
  s.version = 4;
  TksBarcodeComponent bc;
  Apply(bc, s);
  EncodeRows(bc, u"MICRO");
  const TksMatrix& m = bc.Pixels();
  ASSERT_EQ(m.NC, 17);
  for (int i = 8; i < 17; ++i) {
    EXPECT_EQ(m.IsBlack(i, 0), i % 2 == 0) << i;
    EXPECT_EQ(m.IsBlack(0, i), i % 2 == 0) << i;
  }
  // A single finder; the other corners hold (masked) data.
  auto isData = [&](int x, int y) {
    char16_t c = m.GetPoint2D(x, y);
    return c <= u'1' || c >= u'8';
  };
  EXPECT_FALSE(isData(3, 3));
  EXPECT_TRUE(isData(14, 14));
  EXPECT_TRUE(isData(14, 3));
  EXPECT_TRUE(isData(3, 14));
  EXPECT_EQ(ReadMicroFormat(m), FormatBits((6 << 2) | 2, 0x4445));  // M4-M = 6, mask 6 = field 10
}

TEST(QrMatrix, MaskPenaltyRules) {
  TksQRCode qr(QrSettings{});
  auto matrix = [](const std::vector<std::string>& rows) {
    TksMatrix m;
    m.InitializeWH(static_cast<int>(rows.size()), static_cast<int>(rows.size()));
    for (int y = 0; y < m.NR; ++y)
      for (int x = 0; x < m.NC; ++x) m.Point2D(x, y, rows[y][x] == '1' ? u'1' : u'0');
    return m;
  };
  // All light 5x5: rows and columns 5 x (5-2) each, 16 blocks x 3, 0% dark -> 10 x 10.
  EXPECT_EQ(qr.QrMaskPenalty(matrix({"00000", "00000", "00000", "00000", "00000"})), 15 + 15 + 48 + 100);
  // 1011101 with nothing around it: 40; runs 6 x 5 + columns (7 x 4 + 2 x 5 - ...)
  const std::vector<std::string> finderRow = {"1011101", "0000000", "0000000", "0000000",
                                              "0000000", "0000000", "0000000"};
  // rows 1..6: run 7 -> 5 each = 30; columns 0,2,3,4,6: run 6 -> 4 = 20; columns 1,5: run 7 -> 5 = 10;
  // 2x2 blocks in rows 1..6: 30 -> 90; dark 5/49 -> 10% -> 8 x 10 = 80; pattern 40.
  EXPECT_EQ(qr.QrMaskPenalty(matrix(finderRow)), 30 + 20 + 10 + 90 + 80 + 40);
  // The same pattern with a dark module before it does not count.
  const std::vector<std::string> shifted = {"11011101", "00000000", "00000000", "00000000",
                                            "00000000", "00000000", "00000000", "00000000"};
  // rows 1..7: run 8 -> 6 each = 42; columns 0,1,3,4,5,7: run 7 -> 5 = 30; columns 2,6: 8 -> 6 = 12;
  // blocks: rows 1..7 give 6 x 7 = 42 -> 126, plus (0,0)-(1,1)? no; dark 6/64 -> 9% -> 8 x 10.
  EXPECT_EQ(qr.QrMaskPenalty(matrix(shifted)), 42 + 30 + 12 + 126 + 80);
  // Half dark: a checkerboard has no runs, no blocks, no patterns and 50% (rounded) dark.
  std::vector<std::string> checker(6, std::string(6, '0'));
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 6; ++x) checker[y][x] = (x + y) % 2 ? '1' : '0';
  EXPECT_EQ(qr.QrMaskPenalty(matrix(checker)), 0);
}

TEST(QrMatrix, MicroMaskEvaluation) {
  TksBarcodeComponent bc;
  bc.Params().QRCode().SetMicroQR(true);
  TksQRCode qr(QrSettingsOf(bc.Params()));
  TksMatrix m;
  m.InitializeWH(11, 11);
  // Right column rows 1..10: 3 dark; bottom row columns 1..10: 7 dark.
  for (int y : {1, 4, 9}) m.Point2D(10, y, u'1');
  for (int x : {1, 2, 3, 4, 5, 6, 7}) m.Point2D(x, 10, u'1');
  m.Point2D(10, 0, u'1');  // row 0 and column 0 do not count
  m.Point2D(0, 10, u'1');
  EXPECT_EQ(qr.QrMaskPenalty(m), -(3 * 16 + 7));
}

// ---- parameters -------------------------------------------------------------------

TEST(QrParams, DefaultsAndTable) {
  TksBarcodeComponent bc;
  const TksQRParams& q = bc.Params().QRCode();
  EXPECT_EQ(q.Mode(), QrAutomatic);
  EXPECT_FALSE(q.MicroQR());
  EXPECT_EQ(q.EccLevel(), QrEccLevelM);
  EXPECT_EQ(q.Version(), 0);
  EXPECT_EQ(q.Mask(), 0);
  EXPECT_TRUE(q.FileName().empty());
  EXPECT_EQ(q.Checksum(), 0);

  struct Row {
    const char* name;
    const char* def;
    bool readOnly;
  };
  const std::vector<Row> rows = {
      {"Mode", "QrAutomatic", false},     {"MicroQR", "False", false},       {"EccLevel", "QrEccLevelM", false},
      {"Version", "0", false},            {"Mask", "0", false},              {"FileName", "", false},
      {"Checksum", "0", false},           {"UsedVersion", "0", true},        {"UsedMask", "0", true},
      {"UsedMicroQR", "False", true},     {"UsedMode", "QrAutomatic", true}, {"UsedECCLevel", "QrEccLevelL", true},
  };
  const PropertyTable& t = q.Properties();
  ASSERT_EQ(t.props.size(), rows.size());
  for (size_t i = 0; i < rows.size(); ++i) {
    EXPECT_EQ(t.props[i].name, rows[i].name);
    EXPECT_EQ(t.props[i].defaultText, rows[i].def) << rows[i].name;
    EXPECT_EQ(t.props[i].readOnly, rows[i].readOnly) << rows[i].name;
    // A new object reads its defaults back.
    EXPECT_EQ(t.props[i].get(q), rows[i].def) << rows[i].name;
  }
}

TEST(QrParams, SettersCheckAndNotify) {
  TksBarcodeComponent bc;
  int updates = 0;
  bc.OnUpdate = [&](TksComponent*) { ++updates; };
  TksQRParams& q = bc.Params().QRCode();

  q.SetVersion(40);
  EXPECT_EQ(q.Version(), 40);
  EXPECT_EQ(updates, 1);
  q.SetVersion(40);  // unchanged: no notification
  EXPECT_EQ(updates, 1);
  q.SetVersion(41);  // out of range: ignored silently
  q.SetVersion(-1);
  EXPECT_EQ(q.Version(), 40);
  EXPECT_EQ(updates, 1);

  q.SetMicroQR(true);  // caps the version at 4
  EXPECT_EQ(q.Version(), 4);
  EXPECT_EQ(updates, 2);
  q.SetVersion(5);
  EXPECT_EQ(q.Version(), 4);
  q.SetVersion(3);
  EXPECT_EQ(q.Version(), 3);
  EXPECT_EQ(updates, 3);

  // Micro QR masks: -1, 1, 4, 6, 7.
  for (int bad : {0, 2, 3, 5, 8, -2}) {
    try {
      q.SetMask(bad);
      ADD_FAILURE() << "mask " << bad << " accepted";
    } catch (const ksBarcodeException& e) {
      EXPECT_STREQ(e.what(), "QR code bad mask value");
    }
  }
  EXPECT_EQ(q.Mask(), 0);
  EXPECT_EQ(updates, 3);
  for (int good : {-1, 1, 4, 6, 7}) q.SetMask(good);
  EXPECT_EQ(q.Mask(), 7);
  EXPECT_EQ(updates, 8);

  q.SetMicroQR(false);
  EXPECT_EQ(updates, 9);
  EXPECT_THROW(q.SetMask(8), ksBarcodeException);
  q.SetMask(0);
  EXPECT_EQ(q.Mask(), 0);

  const int before = updates;
  q.SetMode(QrBytes);
  q.SetEccLevel(QrEccLevelH);
  q.SetFileName(u"data.txt");
  q.SetChecksum(77);
  EXPECT_EQ(updates, before + 4);
  q.SetMode(QrBytes);
  q.SetEccLevel(QrEccLevelH);
  q.SetFileName(u"data.txt");
  q.SetChecksum(77);
  EXPECT_EQ(updates, before + 4);
}

TEST(QrParams, WritingThroughTheTable) {
  TksBarcodeComponent bc;
  TksQRParams& q = bc.Params().QRCode();
  const PropertyTable& t = q.Properties();
  EXPECT_TRUE(t.Find("EccLevel")->set(q, "QrEccLevelQ"));
  EXPECT_EQ(q.EccLevel(), QrEccLevelQ);
  EXPECT_TRUE(t.Find("Mode")->set(q, "QrKanji"));
  EXPECT_EQ(q.Mode(), QrKanji);
  EXPECT_TRUE(t.Find("FileName")->set(q, "soubor.dat"));
  EXPECT_EQ(q.FileName(), u"soubor.dat");
  EXPECT_FALSE(t.Find("Mode")->set(q, "QrNothing"));
  EXPECT_THROW(t.Find("Mask")->set(q, "9"), ksBarcodeException);
  EXPECT_FALSE(t.Find("UsedVersion")->set);
}

TEST(QrParams, AssignCopiesWithoutValidation) {
  TksBarcodeComponent a;
  TksBarcodeComponent b;
  TksQRParams& src = a.Params().QRCode();
  src.SetVersion(12);
  src.SetMask(5);
  src.SetEccLevel(QrEccLevelQ);
  src.SetMode(QrAlphanumeric);
  src.SetFileName(u"f");
  src.SetChecksum(9);
  src.SetMicroQR(true);  // Version becomes 4, Mask stays 5 (not a Micro mask)
  int updates = 0;
  b.OnUpdate = [&](TksComponent*) { ++updates; };
  b.Params().QRCode().Assign(src);
  const TksQRParams& dst = b.Params().QRCode();
  EXPECT_TRUE(dst.MicroQR());
  EXPECT_EQ(dst.Version(), 4);
  EXPECT_EQ(dst.Mask(), 5);
  EXPECT_EQ(dst.EccLevel(), QrEccLevelQ);
  EXPECT_EQ(dst.Mode(), QrAlphanumeric);
  EXPECT_EQ(dst.FileName(), u"f");
  EXPECT_EQ(dst.Checksum(), 9);
  EXPECT_EQ(updates, 1);
}

// ---- comparison with an independent encoder ---------------------------------------

struct Vector {
  std::string label;
  QrSetup setup;
  std::string text;  // UTF-8
  std::vector<std::string> rows;
};

std::string FromHex(const std::string& hex) {
  std::string out;
  for (size_t i = 0; i + 1 < hex.size(); i += 2) out += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
  return out;
}

std::vector<Vector> LoadVectors() {
  std::ifstream in(std::string(BARVELLO_TEST_DATA) + "/qr_vectors.txt");
  std::vector<Vector> out;
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind("case ", 0) != 0) continue;
    std::vector<std::string> f;
    std::stringstream ss(line.substr(5));
    std::string part;
    while (std::getline(ss, part, '|')) f.push_back(part);
    if (f.size() != 7) continue;
    Vector v;
    v.label = f[0];
    v.setup.micro = f[1] == "1";
    v.setup.version = std::stoi(f[2]);
    v.setup.ecc = static_cast<TksQrEccLevel>(std::string("LMQH").find(f[3]));
    v.setup.mask = std::stoi(f[4]);
    v.setup.eci = std::stoi(f[5]);
    v.text = FromHex(f[6]);
    while (std::getline(in, line) && line != "end") v.rows.push_back(line);
    out.push_back(std::move(v));
  }
  return out;
}

TEST(QrReference, MatricesEqualTheIndependentEncoder) {
  const std::vector<Vector> vectors = LoadVectors();
  ASSERT_GE(vectors.size(), 20u) << "tests/data/qr_vectors.txt missing or short";
  for (const auto& v : vectors) {
    TksBarcodeComponent bc;
    Apply(bc, v.setup);
    std::vector<std::string> rows = EncodeRows(bc, FromUtf8(v.text));
    EXPECT_EQ(bc.Params().QRCode().UsedMask(), v.setup.mask) << v.label;
    ASSERT_EQ(rows.size(), v.rows.size()) << v.label;
    for (size_t y = 0; y < rows.size(); ++y) EXPECT_EQ(rows[y], v.rows[y]) << v.label << ", row " << y;
  }
}

// ---- decoding by a public reader --------------------------------------------------

// Writes the symbol as a binary PGM with a quiet zone, `scale` pixels per module.
void WritePgm(const TksMatrix& m, const std::string& path, int quiet, int scale) {
  const int w = (m.NC + 2 * quiet) * scale;
  const int h = (m.NR + 2 * quiet) * scale;
  std::ofstream out(path, std::ios::binary);
  out << "P5\n" << w << " " << h << "\n255\n";
  for (int py = 0; py < h; ++py)
    for (int px = 0; px < w; ++px) {
      int x = px / scale - quiet, y = py / scale - quiet;
      out.put(m.IsBlack(x, y) ? static_cast<char>(0) : static_cast<char>(255));
    }
}

std::string RunCommand(const std::string& cmd) {
  std::string out;
  FILE* p = popen(cmd.c_str(), "r");
  if (!p) return out;
  char buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
  pclose(p);
  return out;
}

// The value of one "Name: value" line of ZXingReader's full output.
std::string ZXingField(const std::string& output, const std::string& name) {
  std::istringstream in(output);
  for (std::string line; std::getline(in, line);) {
    if (line.rfind(name + ":", 0) != 0) continue;
    size_t v = line.find_first_not_of(' ', name.size() + 1);
    return v == std::string::npos ? "" : line.substr(v);
  }
  return "";
}

TEST(QrRoundTrip, FNC1RolesReadWithTheirSymbologyIdentifier) {
  if (RunCommand("command -v ZXingReader").empty()) GTEST_SKIP() << "ZXingReader not installed";
  const struct {
    TksFNC1Type fnc1;
    TksFNC1InputType notation;
    std::u16string text;
    std::string identifier;
    std::string bytes;  // what the reader answers
  } cases[] = {
      // FNC1 in second position: the indicator and the data read back as typed.
      {fnc1SecondPosition, gs1Separators, u"1234", "]Q5", "1234"},
      {fnc1SecondPosition, gs1Separators, u"A123", "]Q5", "A123"},
      {fnc1SecondPosition, gs1Separators, u"z", "]Q5", "z"},
      {fnc1SecondPosition, gs1Separators, u"37Data: 2024/06", "]Q5", "37Data: 2024/06"},
      // GS1: the element string, AIs without parentheses.
      {fnc1GS1, gs1Classic, u"(01)12345678901231(10)ABC(17)101231", "]Q3",
       "011234567890123110ABC\x1D" "17101231"},
      {fnc1FirstPosition, gs1Separators, u"(01)12345678901231(3103)000189", "]Q3", "01123456789012313103000189"},
  };
  const std::string path = ::testing::TempDir() + "barvello_qr_fnc1.pgm";
  for (const auto& c : cases) {
    TksBarcodeComponent bc;
    QrSetup s;
    s.mask = -1;
    s.fnc1 = c.fnc1;
    Apply(bc, s);
    bc.Params().GS1().SetFNC1InputType(c.notation);
    EncodeRows(bc, c.text);
    WritePgm(bc.Pixels(), path, 4, 4);
    EXPECT_EQ(ZXingField(RunCommand("ZXingReader -format QRCode " + path), "Identifier"), c.identifier)
        << ToUtf8(c.text);
    EXPECT_EQ(RunCommand("ZXingReader -bytes -format QRCode " + path), c.bytes) << ToUtf8(c.text);
  }
  std::remove(path.c_str());
}

TEST(QrRoundTrip, DecodedByZXing) {
  if (RunCommand("command -v ZXingReader").empty()) GTEST_SKIP() << "ZXingReader not installed";
  struct Case {
    QrSetup setup;
    std::u16string text;
    std::string format;
  };
  QrSetup autoMask;
  autoMask.mask = -1;
  QrSetup kanji = autoMask;
  kanji.mode = QrKanji;
  QrSetup micro;
  micro.micro = true;
  micro.mask = -1;
  micro.ecc = QrEccLevelL;
  QrSetup gs1 = autoMask;
  gs1.fnc1 = fnc1FirstPosition;
  QrSetup big = autoMask;
  big.ecc = QrEccLevelH;
  const std::vector<Case> cases = {
      {autoMask, u"https://barvello.example.com/qr?id=12345", "QRCode"},
      {autoMask, u"Příliš žluťoučký kůň úpěl ďábelské ódy", "QRCode"},
      {kanji, u"漢字モードの試験", "QRCode"},
      {big, std::u16string(400, u'x'), "QRCode"},
      // GS1 data in alphanumeric mode: separators travel as "%", a literal "%" as "%%".
      // The "%" stands last: zxing-cpp 1.4 drops everything after a "%%" it unescapes.
      {gs1, u"0112345678901231\x1D" u"10ABC%", "QRCode"},
      {micro, u"MICRO QR", "MicroQRCode"},
      {micro, u"0123456789", "MicroQRCode"},
  };
  const std::string path = ::testing::TempDir() + "barvello_qr_roundtrip.pgm";
  for (const auto& c : cases) {
    TksBarcodeComponent bc;
    Apply(bc, c.setup);
    EncodeRows(bc, c.text);
    WritePgm(bc.Pixels(), path, 4, 4);
    std::string decoded = RunCommand("ZXingReader -bytes -format " + c.format + " " + path);
    // The reader answers the symbol's bytes: UTF-8 as written, Kanji as Shift JIS.
    std::string expected;
    if (c.setup.mode == QrKanji) {
      for (char16_t ch : c.text) {
        uint16_t code = QrShiftJis(ch);
        expected += static_cast<char>(code >> 8);
        expected += static_cast<char>(code & 0xFF);
      }
    } else {
      expected = ToUtf8(c.text);
    }
    EXPECT_EQ(decoded, expected) << ToUtf8(c.text);
  }
  std::remove(path.c_str());
}

}  // namespace
}  // namespace ks
