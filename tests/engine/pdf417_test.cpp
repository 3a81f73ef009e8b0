// PDF417, truncated PDF417 and MicroPDF417: compaction, ECI, Macro PDF417, size and
// level choice, row layout, errors, the parameter object, and rows compared with an
// independent encoder (tests/data/pdf417_vectors.txt, made by tools/refgen/pdf417.js).
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "engine/barcode.h"
#include "engine/errors.h"
#include "engine/matrix/pdf417.h"
#include "engine/matrix/pdf417_params.h"
#include "engine/matrix/pdf417_tables.h"
#include "engine/params.h"
#include "engine/ustring.h"

namespace ks {
namespace {

using Cws = std::vector<int>;

std::string Join(const Cws& v) {
  std::string s;
  for (int x : v) s += (s.empty() ? "" : " ") + std::to_string(x);
  return s;
}

std::string ExceptionMessage(const std::function<void()>& f) {
  try {
    f();
  } catch (const ksBarcodeException& e) {
    return e.what();
  }
  return "(no ksBarcodeException)";
}

// The codeword a 17-module pattern stands for in the cluster of row class 0, 1 or 2.
int ReadCodeword(const std::string& modules, int rowClass) {
  if (modules.size() != 17 || modules[0] != '1') return -1;
  uint16_t bits = 0;
  for (int i = 1; i < 17; ++i) bits = static_cast<uint16_t>((bits << 1) | (modules[i] == '1'));
  for (int cw = 0; cw < 929; ++cw)
    if (pdf417::kClusters[rowClass][cw] == bits) return cw;
  return -1;
}

// ---- Compaction ----------------------------------------------------------------------

struct CompactionCase {
  const char* note;
  TksPDF417Mode mode;
  std::string bytes;
  const char* codewords;
};

TEST(Pdf417Compaction, CodewordsPerMode) {
  const std::string d44 = "12345678901234567890123456789012345678901234";
  const CompactionCase cases[] = {
      {"P D F in Alpha, latch to Mixed, pad 29", ksPDF417Alphanumeric, "PDF417", "900 453 178 121 239"},
      {"Lower latch, one Alpha by shift", ksPDF417Alphanumeric, "aB", "900 810 811"},
      {"Lower to Alpha by two latches before a second capital", ksPDF417Alphanumeric, "aBC", "900 810 868 32"},
      {"single punctuation by shift from Alpha", ksPDF417Alphanumeric, "A;B", "900 29 1"},
      {"punctuation pair by latch, back to Alpha", ksPDF417Alphanumeric, "A;<B", "900 28 750 59 59"},
      {"Lower, Mixed, back to Lower", ksPDF417Alphanumeric, "a1b", "900 810 841 811"},
      {"Mixed keeps the blank, then Lower", ksPDF417Alphanumeric, "1 a", "900 841 807 29"},
      {"Punctuation to Mixed", ksPDF417Alphanumeric, "!!1", "900 865 310 898 59"},
      {"Punctuation to Lower", ksPDF417Alphanumeric, "!!a", "900 865 310 897 29"},
      {"Lower to Punctuation by latch", ksPDF417Alphanumeric, "a;<", "900 810 865 1"},
      {"line feed exists only in Punctuation", ksPDF417Alphanumeric, "A\nB", "900 29 451"},
      {"ISO/IEC 15438 numeric example", ksPDF417Numeric, "000213298174000", "902 1 624 434 632 282 200"},
      {"44 digits are one group of 15 codewords", ksPDF417Numeric, d44,
       "902 491 81 137 450 302 67 15 174 492 862 667 475 869 12 434"},
      {"45 digits start a second group", ksPDF417Numeric, d44 + "5",
       "902 491 81 137 450 302 67 15 174 492 862 667 475 869 12 434 15"},
      {"six bytes: latch 924, five codewords", ksPDF417Binary, std::string("\0\1\2\3\4\5", 6), "924 0 5 844 88 165"},
      {"seven bytes: latch 901, the last byte as it is", ksPDF417Binary, std::string("\0\1\2\3\4\5\6", 7),
       "901 0 5 844 88 165 6"},
      {"hex pair", ksPDF417BinaryHex, "4A", "901 74"},
      {"odd hex digits read with a leading 0", ksPDF417BinaryHex, "ABC", "901 10 188"},
      {"hex lower case, six bytes", ksPDF417BinaryHex, "000102030405", "924 0 5 844 88 165"},
  };
  for (const auto& c : cases) EXPECT_EQ(Join(Pdf417DataCodewords(c.bytes, c.mode)), c.codewords) << c.note;
}

TEST(Pdf417Compaction, AutomaticSplit) {
  const CompactionCase cases[] = {
      {"13 digits: numeric", ksPDF417AutoCode, "1234567890123", "902 17 110 836 811 223"},
      {"12 digits: text", ksPDF417AutoCode, "123456789012", "900 841 63 125 187 249 1 89"},
      {"short text before a long digit run: bytes", ksPDF417AutoCode, "AB1234567890123",
       "901 65 66 902 17 110 836 811 223"},
      {"a single byte between text runs: byte shift", ksPDF417AutoCode, "ABCDE\x01" "FGHIJ",
       "900 1 63 149 913 1 900 156 218 299"},
      {"a single byte before any text: latched", ksPDF417AutoCode, "\x01" "ABCDE", "901 1 900 1 63 149"},
      {"bytes up to a run of five printable", ksPDF417AutoCode, "\x01\x02" "ABCDEF", "901 1 2 900 1 63 125"},
      {"fewer than five printable stay with the bytes", ksPDF417AutoCode, "AB\x01" "CD", "901 65 66 1 67 68"},
      {"six bytes: latch 924", ksPDF417AutoCode, std::string("\0\1\2\3\4\5", 6), "924 0 5 844 88 165"},
      // The byte shift exists only in text compaction, so a single byte after a digit
      // run is latched; a shift there would be read as digits.
      {"a single byte after text and digits: latched", ksPDF417AutoCode, "ABCDE1234567890123\x01",
       "900 1 63 149 902 17 110 836 811 223 901 1"},
  };
  for (const auto& c : cases) EXPECT_EQ(Join(Pdf417DataCodewords(c.bytes, c.mode)), c.codewords) << c.note;
}

TEST(Pdf417Compaction, BadCharacterNamesPositionAndCharacter) {
  struct Case {
    TksPDF417Mode mode;
    std::string bytes;
    const char* message;
  } cases[] = {
      {ksPDF417Alphanumeric, "AB\x01", "Bad char in PDF417, position 3, char : \x01"},
      // A character beyond ASCII is named as itself, at its position in characters.
      {ksPDF417Alphanumeric, "\xC3\xA9", "Bad char in PDF417, position 1, char : \xC3\xA9"},
      {ksPDF417Alphanumeric, "a\xC3\xA9\xC3\xBF", "Bad char in PDF417, position 2, char : \xC3\xA9"},
      {ksPDF417Numeric, "\xE2\x82\xAC" "1\xF0\x9F\x98\x80", "Bad char in PDF417, position 1, char : \xE2\x82\xAC"},
      {ksPDF417Numeric, "12\xF0\x9F\x98\x80", "Bad char in PDF417, position 3, char : \xF0\x9F\x98\x80"},
      {ksPDF417Numeric, "12a4", "Bad char in PDF417, position 3, char : a"},
      {ksPDF417BinaryHex, "0G", "Bad char in PDF417, position 2, char : G"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(ExceptionMessage([&] { Pdf417DataCodewords(c.bytes, c.mode); }), c.message) << c.bytes;
  // Every mode without a check takes every byte.
  std::string all;
  for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
  EXPECT_NO_THROW(Pdf417DataCodewords(all, ksPDF417Binary));
  EXPECT_NO_THROW(Pdf417DataCodewords(all, ksPDF417AutoCode));
  // Text compaction takes all printable characters and tab, line feed, carriage return.
  std::string text = "\t\n\r";
  for (int b = 32; b < 127; ++b) text += static_cast<char>(b);
  EXPECT_NO_THROW(Pdf417DataCodewords(text, ksPDF417Alphanumeric));
}

TEST(Pdf417Compaction, EciDesignators) {
  const std::map<int, const char*> cases = {
      {-1, ""},          {0, "927 0"},        {899, "927 899"},     {900, "926 0 0"},
      {810899, "926 899 899"}, {810900, "925 0"}, {811799, "925 899"}, {811800, ""},
  };
  for (const auto& [eci, cws] : cases) EXPECT_EQ(Join(Pdf417EciCodewords(eci)), cws) << eci;
}

// ---- Macro PDF417 --------------------------------------------------------------------

TEST(Pdf417Macro, ControlBlockFields) {
  Pdf417Macro m;
  m.fileId = u"017053";
  // The last (only) segment ends with the terminator.
  EXPECT_EQ(Join(Pdf417MacroBlock(m)), "928 111 100 17 53 923 1 111 101 922");

  m.segmentIndex = 1;
  m.segmentCount = 3;
  m.fileId = u"012ab9950";  // "ab9" is no number and 950 too large: both 0
  EXPECT_EQ(Join(Pdf417MacroBlock(m)), "928 111 101 12 0 0 923 1 111 103");

  Pdf417Macro f;
  f.fileName = u"ABC";
  f.timeStamp = 36526.0;  // 2000-01-01 00:00, 946684800 s after 1970
  f.sender = u"a";
  f.addressee = u"B";
  f.fileSize = 12345;
  f.checksum = 7;
  EXPECT_EQ(Join(Pdf417MacroBlock(f)),
            "928 111 100 923 1 111 101 923 0 1 89 923 2 15 14 383 100 923 3 810 923 4 59 923 5 124 745 "
            "923 6 111 107 922");
}

TEST(Pdf417Macro, BlockFollowsDataAndPads) {
  Pdf417Macro m;
  m.fileId = u"017053";
  const Cws macro = Pdf417MacroBlock(m);
  const Cws data = {900, 453, 178, 121, 239};
  Pdf417Symbol s = BuildPdf417Symbol(data, macro, {pkStandard, 0, 3, ksPDF417Error0});
  // a = 1 + 5 + 10 + 2 = 18 codewords: 3 columns, round(18/3)+1 = 7 rows.
  ASSERT_EQ(s.rows, 7);
  ASSERT_EQ(s.cols, 3);
  const int k = 2;
  const int n = 21 - k;
  EXPECT_EQ(s.codewords[0], n) << "the length descriptor counts the control block";
  EXPECT_EQ(Cws(s.codewords.begin() + 1, s.codewords.begin() + 6), data);
  EXPECT_EQ(Cws(s.codewords.begin() + 6, s.codewords.begin() + n - 10), Cws(3, 900));
  EXPECT_EQ(Cws(s.codewords.begin() + n - 10, s.codewords.begin() + n), macro);
  EXPECT_EQ(static_cast<int>(s.codewords.size()), 21);
}

// ---- Standard symbols: level, size, layout -------------------------------------------

Cws DataOf(int n) { return Cws(n, 1); }

TEST(Pdf417Symbol, AutomaticLevelByCodewordCount) {
  // n counts the length descriptor: data of n - 1 codewords.
  const std::pair<int, TksPDF417ErrorCorrection> cases[] = {
      {1, ksPDF417Error2},   {40, ksPDF417Error2},  {41, ksPDF417Error3},  {160, ksPDF417Error3},
      {161, ksPDF417Error4}, {320, ksPDF417Error4}, {321, ksPDF417Error5}, {800, ksPDF417Error5},
  };
  for (const auto& [n, level] : cases) {
    Pdf417Symbol s = BuildPdf417Symbol(DataOf(n - 1), {}, {pkStandard, 0, 0, ksPDF417AutoEC});
    EXPECT_EQ(s.level, level) << n;
    const int k = 2 << (level - 1);
    EXPECT_EQ(static_cast<int>(s.codewords.size()), s.rows * s.cols) << n;
    EXPECT_EQ(s.codewords[0], s.rows * s.cols - k) << n;
  }
  // The control block counts too: 32 + 1 codewords and its 8 take level 3, one less level 2.
  Pdf417Macro m;
  const Cws macro = Pdf417MacroBlock(m);
  ASSERT_EQ(macro.size(), 8u);
  EXPECT_EQ(BuildPdf417Symbol(DataOf(32), macro, {pkStandard, 0, 0, ksPDF417AutoEC}).level, ksPDF417Error3);
  EXPECT_EQ(BuildPdf417Symbol(DataOf(31), macro, {pkStandard, 0, 0, ksPDF417AutoEC}).level, ksPDF417Error2);
  // Over 863 the level would be 6, which no longer fits.
  EXPECT_EQ(ExceptionMessage([] { BuildPdf417Symbol(DataOf(863), {}, {pkStandard, 0, 0, ksPDF417AutoEC}); }),
            "PDF417 Max data error");
}

TEST(Pdf417Symbol, RowsAndColumns) {
  struct Case {
    const char* note;
    int dataCodewords;  // a = 1 + data + k
    int rows, cols;
    TksPDF417ErrorCorrection level;
    int expRows, expCols;
  } cases[] = {
      {"automatic, a = 10", 7, 0, 0, ksPDF417Error0, 6, 2},
      {"automatic, 3c^2 < a adds a row", 26, 0, 0, ksPDF417Error0, 10, 3},
      {"automatic, r*c < a adds a column", 28, 0, 0, ksPDF417Error0, 10, 4},
      {"Rows = 1 with 30 codewords", 21, 1, 0, ksPDF417Error2, 3, 11},
      {"Rows = 4, a/rows = 2.5 rounds to even", 7, 4, 0, ksPDF417Error0, 4, 3},
      {"Rows = 4, a/rows = 3.5 rounds to even", 11, 4, 0, ksPDF417Error0, 4, 5},
      {"Cols = 1 becomes 3", 7, 0, 1, ksPDF417Error0, 4, 3},
      {"Cols = 4, a/cols = 2.5, at least 3 rows", 7, 0, 4, ksPDF417Error0, 3, 4},
      {"Cols = 10 (default), short text", 5, 0, 10, ksPDF417Error2, 3, 10},
      {"Rows wins over Cols", 7, 5, 30, ksPDF417Error0, 5, 3},
  };
  for (const auto& c : cases) {
    Pdf417Symbol s = BuildPdf417Symbol(DataOf(c.dataCodewords), {}, {pkStandard, c.rows, c.cols, c.level});
    EXPECT_EQ(s.rows, c.expRows) << c.note;
    EXPECT_EQ(s.cols, c.expCols) << c.note;
    ASSERT_EQ(static_cast<int>(s.patterns.size()), c.expRows) << c.note;
    EXPECT_EQ(s.patterns[0].size(), static_cast<size_t>(17 * (c.expCols + 2) + 17 + 18)) << c.note;
  }
}

TEST(Pdf417Symbol, CapacityErrors) {
  struct Case {
    const char* note;
    int dataCodewords, rows, cols;
    const char* message;
  } cases[] = {
      {"a > 929", 927, 0, 0, "PDF417 Max data error"},
      {"30 columns, rows*cols = 930", 897, 0, 30, "PDF417 max. capacity is 929 codewords"},
      {"automatic size at a = 929 pads past 929", 926, 0, 0, "PDF417 max. capacity is 929 codewords"},
      {"3 columns need 102 rows", 300, 0, 3, "PDF417 Max data error"},
      {"Rows = 1 needs 31 columns", 87, 1, 0, "PDF417 Max data error"},
      {"Rows = 1 with 30 columns fits", 84, 1, 0, ""},
      // Row indicators cannot describe more than 90 rows or 30 columns.
      {"Rows = 95", 10, 95, 0, "PDF417 Max data error"},
      {"Cols = 40", 10, 0, 40, "PDF417 Max data error"},
  };
  for (const auto& c : cases) {
    auto build = [&] { BuildPdf417Symbol(DataOf(c.dataCodewords), {}, {pkStandard, c.rows, c.cols, ksPDF417Error0}); };
    if (*c.message)
      EXPECT_EQ(ExceptionMessage(build), c.message) << c.note;
    else
      EXPECT_NO_THROW(build()) << c.note;
  }
}

TEST(Pdf417Symbol, RowLayoutAndIndicators) {
  // 7 rows, 3 columns, level 2.
  Pdf417Symbol s = BuildPdf417Symbol(DataOf(4), {}, {pkStandard, 0, 3, ksPDF417Error2});
  ASSERT_EQ(s.rows, 5);
  s = BuildPdf417Symbol(DataOf(8), {}, {pkStandard, 0, 3, ksPDF417Error2});
  ASSERT_EQ(s.rows, 7);
  ASSERT_EQ(s.cols, 3);
  const int expected[7][2] = {{2, 2}, {6, 2}, {2, 6}, {32, 32}, {36, 32}, {32, 36}, {62, 62}};
  for (int i = 0; i < 7; ++i) {
    const std::string& row = s.patterns[i];
    ASSERT_EQ(row.size(), 17u * 6 + 18) << i;
    EXPECT_EQ(row.substr(0, 17), "11111111010101000") << i;
    EXPECT_EQ(row.substr(row.size() - 18), "111111101000101001") << i;
    EXPECT_EQ(ReadCodeword(row.substr(17, 17), i % 3), expected[i][0]) << "left indicator of row " << i;
    EXPECT_EQ(ReadCodeword(row.substr(17 * 5, 17), i % 3), expected[i][1]) << "right indicator of row " << i;
    for (int j = 0; j < 3; ++j)
      EXPECT_EQ(ReadCodeword(row.substr(34 + 17 * j, 17), i % 3), s.codewords[3 * i + j]) << i << "," << j;
  }

  // Truncated: the same codewords, each row ends in one bar after the last data column.
  Pdf417Symbol t = BuildPdf417Symbol(DataOf(8), {}, {pkTruncated, 0, 3, ksPDF417Error2});
  EXPECT_EQ(t.codewords, s.codewords);
  for (int i = 0; i < 7; ++i) {
    EXPECT_EQ(t.patterns[i], s.patterns[i].substr(0, 17 * 5) + "1") << i;
  }
}

// ---- MicroPDF417 ---------------------------------------------------------------------

TEST(Pdf417Micro, SizeChoice) {
  struct Case {
    const char* note;
    int dataCodewords, rows, cols;
    int expRows, expCols;
  } cases[] = {
      {"first size in table order", 4, 0, 0, 11, 1},
      {"one more codeword", 5, 0, 0, 14, 1},
      {"Cols = 10 takes four columns", 3, 0, 10, 4, 4},
      {"Cols = 2", 9, 0, 2, 11, 2},
      {"Rows = 8 alone", 3, 8, 0, 8, 2},
      {"Rows and Cols", 3, 8, 3, 8, 3},
      {"largest one-column data", 20, 0, 1, 28, 1},
      {"past one column: two columns", 21, 0, 0, 17, 2},
      {"3 x 44: 132 codewords", 82, 0, 3, 44, 3},
      {"4 x 32: 128 codewords", 3, 32, 4, 32, 4},
      {"4 x 38: 152 codewords", 91, 0, 4, 38, 4},
      {"4 x 44: the largest size, 176 codewords", 126, 0, 0, 44, 4},
  };
  for (const auto& c : cases) {
    Pdf417Symbol s = BuildPdf417Symbol(DataOf(c.dataCodewords), {}, {pkMicro, c.rows, c.cols, ksPDF417Error5});
    EXPECT_EQ(s.rows, c.expRows) << c.note;
    EXPECT_EQ(s.cols, c.expCols) << c.note;
    EXPECT_EQ(s.level, ksPDF417AutoEC) << c.note;
    EXPECT_EQ(static_cast<int>(s.codewords.size()), s.rows * s.cols) << c.note;
    const size_t width[] = {0, 38, 55, 82, 99};
    ASSERT_EQ(static_cast<int>(s.patterns.size()), s.rows) << c.note;
    for (const auto& row : s.patterns) EXPECT_EQ(row.size(), width[s.cols]) << c.note;
  }
}

TEST(Pdf417Micro, Errors) {
  struct Case {
    const char* note;
    int dataCodewords, rows, cols;
    const char* message;
  } cases[] = {
      {"no size has 9 rows", 3, 9, 0, "PDF417 max. capacity error."},
      {"more than the largest size holds", 127, 0, 0, "PDF417 max. capacity error."},
      {"too much for one column", 21, 0, 1, "PDF417 max. capacity error."},
      {"too much for three columns", 83, 0, 3, "PDF417 max. capacity error."},
  };
  for (const auto& c : cases)
    EXPECT_EQ(ExceptionMessage([&] { BuildPdf417Symbol(DataOf(c.dataCodewords), {}, {pkMicro, c.rows, c.cols}); }),
              c.message)
        << c.note;
}

TEST(Pdf417Micro, MacroBlockAfterPads) {
  Pdf417Macro m;
  const Cws macro = Pdf417MacroBlock(m);  // 8 codewords
  Pdf417Symbol s = BuildPdf417Symbol({901, 65}, macro, {pkMicro, 0, 2});
  // 10 codewords: 2 x 8 holds 8, 2 x 11 holds 13, so 3 pads come before the block.
  ASSERT_EQ(s.rows, 11);
  ASSERT_EQ(s.cols, 2);
  EXPECT_EQ(Cws(s.codewords.begin(), s.codewords.begin() + 2), Cws({901, 65}));
  EXPECT_EQ(Cws(s.codewords.begin() + 2, s.codewords.begin() + 5), Cws(3, 900));
  EXPECT_EQ(Cws(s.codewords.begin() + 5, s.codewords.begin() + 13), macro);
}

// ---- Through the barcode object -----------------------------------------------------

struct Vector {
  std::string name, kind, mode, bytes;
  int cols = 0, rows = 0, level = -1, eci = -1;
  std::vector<std::string> rowsExpected;
};

std::string FromHex(const std::string& hex) {
  std::string out;
  for (size_t i = 0; i + 1 < hex.size(); i += 2) out += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
  return out;
}

std::vector<Vector> LoadVectors() {
  std::ifstream in(BARVELLO_TEST_DATA "/pdf417_vectors.txt");
  std::vector<Vector> out;
  std::string line;
  Vector v;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream ls(line);
    std::string key, value;
    ls >> key;
    std::getline(ls >> std::ws, value);
    if (key == "case") {
      v = Vector();
      v.name = value;
    }
    else if (key == "kind") v.kind = value;
    else if (key == "mode") v.mode = value;
    else if (key == "hex") v.bytes = FromHex(value);
    else if (key == "cols") v.cols = std::stoi(value);
    else if (key == "rows") v.rows = std::stoi(value);
    else if (key == "level") v.level = std::stoi(value);
    else if (key == "eci") v.eci = std::stoi(value);
    else if (key == "row") v.rowsExpected.push_back(value);
    else if (key == "end") out.push_back(v);
  }
  return out;
}

TEST(Pdf417Vectors, RowsEqualIndependentEncoder) {
  const std::vector<Vector> vectors = LoadVectors();
  ASSERT_GE(vectors.size(), 20u);
  const std::map<std::string, TksPDF417Mode> modes = {{"alpha", ksPDF417Alphanumeric},
                                                      {"binary", ksPDF417Binary},
                                                      {"hex", ksPDF417BinaryHex},
                                                      {"numeric", ksPDF417Numeric},
                                                      {"auto", ksPDF417AutoCode}};
  const std::map<std::string, TksPDF417Kind> kinds = {
      {"standard", pkStandard}, {"truncated", pkTruncated}, {"micro", pkMicro}};
  for (const Vector& v : vectors) {
    TksBarcodeComponent bc;
    bc.SetBarcodeSymbology(bcPDF417);
    bc.SetBarCode(FromUtf8(v.bytes));
    bc.Params().SetECI(v.eci);
    TksPDF417Params& p = bc.Params().PDF417();
    p.SetKind(kinds.at(v.kind));
    p.SetMode(modes.at(v.mode));
    p.SetCols(v.cols);
    p.SetRows(v.rows);
    p.SetSecurityLevel(static_cast<TksPDF417ErrorCorrection>(v.level + 1));
    BuildPdf417Rows(bc, bc.Bars());
    EXPECT_EQ(bc.Bars(), v.rowsExpected) << v.name;
    EXPECT_EQ(p.UsedRows(), static_cast<int>(v.rowsExpected.size())) << v.name;
  }
}

TEST(Pdf417Rows, DefaultSettingsRecordUsedSize) {
  TksBarcodeComponent bc;
  bc.SetBarcodeSymbology(bcPDF417);
  bc.SetBarCode(u"PDF417");
  bc.Bars() = {"stale"};
  BuildPdf417Rows(bc, bc.Bars());
  const TksPDF417Params& p = bc.Params().PDF417();
  EXPECT_EQ(p.UsedRows(), 3);
  EXPECT_EQ(p.UsedCols(), 10);
  EXPECT_EQ(p.UsedECL(), ksPDF417Error2);
  ASSERT_EQ(bc.Bars().size(), 3u);
  EXPECT_EQ(bc.Bars()[0].size(), 17u * 13 + 18);
  // The first data codewords: length descriptor, then the text.
  const int expected[] = {22, 900, 453, 178, 121, 239, 900};
  for (int j = 0; j < 7; ++j)
    EXPECT_EQ(ReadCodeword(bc.Bars()[0].substr(34 + 17 * j, 17), 0), expected[j]) << j;

  // MicroPDF417 with the default 10 columns takes the first four-column size.
  bc.Params().PDF417().SetKind(pkMicro);
  EXPECT_EQ(Pdf417SymbolWidth(bc), 99);
  EXPECT_EQ(p.UsedECL(), ksPDF417AutoEC);
  EXPECT_EQ(p.UsedRows(), 4);
  EXPECT_EQ(p.UsedCols(), 4);
}

TEST(Pdf417Rows, MinWidthIsTheSymbolWidthInModules) {
  TksBarcodeComponent bc;
  bc.SetBarcodeSymbology(bcPDF417);
  bc.SetBarCode(u"PDF417");
  EXPECT_EQ(bc.MinWidth(), 17 * 13 + 18);  // 10 data columns
  bc.Params().PDF417().SetKind(pkTruncated);
  EXPECT_EQ(bc.MinWidth(), 17 * 12 + 1);
}

TEST(Pdf417Rows, GS1RoleEncodesTheVerifiedElementString) {
  // The rows of a GS1 text are those of its element string (AIs without parentheses, a
  // group separator after a variable-length value); an invalid text is refused.
  auto rowsOf = [](const std::u16string& text, TksFNC1Type role, TksFNC1InputType notation) {
    TksBarcodeComponent bc;
    bc.SetBarcodeSymbology(bcPDF417);
    bc.Params().PDF417().SetMode(ksPDF417AutoCode);
    bc.Params().GS1().SetFNC1Type(role);
    bc.Params().GS1().SetFNC1InputType(notation);
    bc.SetBarCode(text);
    BuildPdf417Rows(bc, bc.Bars());
    return bc.Bars();
  };
  const std::u16string elements = u"011234567890123110ABC\x1D" u"17101231";
  const auto plain = rowsOf(elements, fnc1None, gs1Separators);
  EXPECT_EQ(rowsOf(u"(01)12345678901231(10)ABC(17)101231", fnc1GS1, gs1Separators), plain);
  EXPECT_EQ(rowsOf(u"011234567890123110ABC%17101231", fnc1FirstPosition, gs1Percent), plain);
  // Without a GS1 role the text is encoded as it stands, parentheses included.
  EXPECT_NE(rowsOf(u"(01)12345678901231(10)ABC(17)101231", fnc1None, gs1Separators), plain);

  const struct {
    const char* note;
    std::u16string text;
    TksBarcodeErrorCode err;
  } refused[] = {
      {"wrong check digit", u"(01)12345678901234", erGS1},
      {"no AI", u"12", erGS1_BadValueLength},
      {"unknown AI", u"(999)1", erGS1_AI_NotFound},
  };
  for (const auto& r : refused) {
    TksBarcodeComponent bc;
    bc.SetBarcodeSymbology(bcPDF417);
    bc.Params().GS1().SetFNC1Type(fnc1GS1);
    bc.SetBarCode(r.text);
    EXPECT_THROW(BuildPdf417Rows(bc, bc.Bars()), ksBarcodeException) << r.note;
    EXPECT_EQ(bc.ErrorInfo().Code(), r.err) << r.note;
  }
}

TEST(Pdf417Rows, ErrorsReachTheCaller) {
  TksBarcodeComponent bc;
  bc.SetBarcodeSymbology(bcPDF417);
  bc.SetBarCode(u"ABC\u00e9");
  bc.Bars() = {"stale"};
  EXPECT_EQ(ExceptionMessage([&] { BuildPdf417Rows(bc, bc.Bars()); }), "Bad char in PDF417, position 4, char : \xC3\xA9");
  EXPECT_TRUE(bc.Bars().empty());
  EXPECT_EQ(bc.ErrorInfo().Code(), erCharOutOfSet);  // with the message of its own
  EXPECT_EQ(bc.ErrorInfo().ExceptionString(), "Bad char in PDF417, position 4, char : \xC3\xA9");

  // A text over the 10000-byte limit is refused, not encoded as nothing.
  bc.Params().PDF417().SetMode(ksPDF417Binary);
  bc.SetBarCode(std::u16string(5001, u'\u00e9'));
  EXPECT_THROW(BuildPdf417Rows(bc, bc.Bars()), ksBarcodeException);
  EXPECT_EQ(bc.ErrorInfo().Code(), erOutOfMaxCapacity);
  EXPECT_EQ(bc.ErrorInfo().Idx(), 10000);
  bc.SetBarCode(std::u16string(5000, u'\u00e9'));
  EXPECT_EQ(ExceptionMessage([&] { BuildPdf417Rows(bc, bc.Bars()); }), "PDF417 Max data error");
}

TEST(Pdf417Rows, MacroFieldsComeFromTheParameters) {
  TksBarcodeComponent bc;
  bc.SetBarcodeSymbology(bcPDF417);
  bc.SetBarCode(u"PDF417");
  TksPDF417Params& p = bc.Params().PDF417();
  p.SetCols(3);
  p.SetUseMacro(true);
  p.SetFileName(u"ABC");
  bc.Params().SetFileID(u"017053");
  bc.Params().SetSegmentCount(2);
  BuildPdf417Rows(bc, bc.Bars());
  // Read the codewords back and find the block after the pads, before the check codewords.
  std::vector<int> cws;
  for (size_t i = 0; i < bc.Bars().size(); ++i)
    for (int j = 0; j < 3; ++j) cws.push_back(ReadCodeword(bc.Bars()[i].substr(34 + 17 * j, 17), i % 3));
  const int n = cws[0];
  EXPECT_EQ(Join(Cws(cws.begin() + n - 13, cws.begin() + n)), "928 111 100 17 53 923 1 111 102 923 0 1 89");
  EXPECT_EQ(cws[n - 14], 900);
}

// ---- Parameter object ----------------------------------------------------------------

TEST(Pdf417Params, DefaultsAndPropertyTable) {
  TksBarcodeComponent bc;
  TksPDF417Params& p = bc.Params().PDF417();
  EXPECT_EQ(p.BarcodeObject(), &bc);
  std::vector<std::string> names;
  for (const auto& prop : p.Properties().props) names.push_back(prop.name + "=" + prop.defaultText);
  const std::vector<std::string> expected = {
      "Mode=ksPDF417Alphanumeric", "Rows=0", "Cols=10", "SecurityLevel=ksPDF417AutoEC", "FileSize=0", "Sender=",
      "Addresse=", "TimeStamp=0", "Kind=pkStandard", "UseMacro=False", "FileName=", "Checksum=0", "UsedRows=0",
      "UsedCols=0", "UsedECL=ksPDF417AutoEC"};
  EXPECT_EQ(names, expected);
  for (const auto& prop : p.Properties().props) {
    EXPECT_EQ(prop.get(p), prop.defaultText) << prop.name;
    EXPECT_EQ(prop.readOnly, prop.name.rfind("Used", 0) == 0) << prop.name;
  }
  EXPECT_EQ(SetPropertyText(bc, "Params.PDF417.UsedRows", "5"), SetResult::ReadOnly);
  EXPECT_EQ(SetPropertyText(bc, "Params.PDF417.Kind", "pkMicro"), SetResult::Ok);
  EXPECT_EQ(p.Kind(), pkMicro);
  EXPECT_EQ(SetPropertyText(bc, "Params.PDF417.SecurityLevel", "ksPDF417Error8"), SetResult::Ok);
  EXPECT_EQ(p.SecurityLevel(), ksPDF417Error8);
  EXPECT_EQ(SetPropertyText(bc, "Params.PDF417.Sender", "Přerov"), SetResult::Ok);
  EXPECT_EQ(p.Sender(), u"Přerov");
  EXPECT_EQ(SetPropertyText(bc, "Params.PDF417.TimeStamp", "45000,5"), SetResult::Ok);
  EXPECT_DOUBLE_EQ(p.TimeStamp(), 45000.5);
}

TEST(Pdf417Params, SettersNotifyOnlyOnChangeAndAssignCopies) {
  TksBarcodeComponent bc;
  int updates = 0;
  bc.OnUpdate = [&](TksComponent*) { ++updates; };
  TksPDF417Params& p = bc.Params().PDF417();
  p.SetCols(10);
  p.SetMode(ksPDF417Alphanumeric);
  p.SetSender(u"");
  EXPECT_EQ(updates, 0);
  p.SetCols(4);
  p.SetRows(7);
  p.SetMode(ksPDF417AutoCode);
  p.SetSecurityLevel(ksPDF417Error3);
  p.SetFileSize(1);
  p.SetSender(u"S");
  p.SetAddresse(u"A");
  p.SetTimeStamp(1.5);
  p.SetKind(pkTruncated);
  p.SetUseMacro(true);
  p.SetFileName(u"F");
  p.SetChecksum(9);
  EXPECT_EQ(updates, 12);
  p.SetUsed(5, 6, ksPDF417Error1);
  EXPECT_EQ(updates, 12) << "the size of a built symbol is a result, not a setting";

  TksBarcodeComponent other;
  int otherUpdates = 0;
  other.OnUpdate = [&](TksComponent*) { ++otherUpdates; };
  TksPDF417Params& q = other.Params().PDF417();
  q.Assign(p);
  EXPECT_EQ(otherUpdates, 1);
  for (const auto& prop : p.Properties().props) EXPECT_EQ(prop.get(q), prop.get(p)) << prop.name;
  EXPECT_THROW(q.Assign(bc.Params().QRCode()), Exception);
}

}  // namespace
}  // namespace ks
