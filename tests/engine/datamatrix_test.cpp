// Data Matrix ECC 200: codewords of every encodation and header, sizes, padding, check
// codewords and block interleaving, module placement cross-checked against bwip-js for
// all 30 sizes, the encoder as the barcode object runs it (errors included), decoding by
// zxing-cpp, and the Data Matrix and Aztec parameter objects.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "engine/barcode.h"
#include "engine/errors.h"
#include "engine/matrix/aztec_params.h"
#include "engine/matrix/datamatrix.h"
#include "engine/matrix/datamatrix_params.h"
#include "engine/matrix/reedsolomon.h"
#include "engine/params.h"
#include "engine/persistent.h"

namespace ks {
namespace {

using Codewords = std::vector<int>;

struct Settings {
  TksDataMatrixEncoding encoding = dmeAutomatic;
  TksDataMatrixVersion version = ksDMAutomatic;
  int eci = -1;
  int segmentIndex = 0;
  int segmentCount = 1;
  std::u16string fileId;
  TksFNC1Type fnc1 = fnc1None;
};

Settings Mode(TksDataMatrixEncoding encoding, TksDataMatrixVersion version = ksDMAutomatic) {
  Settings s;
  s.encoding = encoding;
  s.version = version;
  return s;
}

TksDataMatrix Encoder(const Settings& s) {
  TksDataMatrix dm;
  dm.FEncoding = s.encoding;
  dm.FVersion = s.version;
  dm.FECI = s.eci;
  dm.FSegmentIndex = s.segmentIndex;
  dm.FSegmentCount = s.segmentCount;
  dm.FFileID = s.fileId;
  dm.FNC1 = s.fnc1;
  return dm;
}

// Codewords written for the data, before sizing and padding.
Codewords Encoded(const Settings& s, const std::string& data) {
  TksDataMatrix dm = Encoder(s);
  dm.Encode(data);
  return dm.Codewords();
}

std::string Join(const Codewords& c) {
  std::string s;
  for (size_t i = 0; i < c.size(); ++i) s += (i ? " " : "") + std::to_string(c[i]);
  return s;
}

std::string Rows(const TksMatrix& m) {
  std::string s;
  for (int y = 0; y < m.NR; ++y) {
    if (y) s += ',';
    for (int x = 0; x < m.NC; ++x) s += static_cast<char>(m.GetPoint2D(x, y));
  }
  return s;
}

// 255-state randomising of Base 256 codewords, written out from ISO/IEC 16022 5.2.6.
int R255(int value, int pos) { return ((149 * pos) % 255 + 1 + value) % 256; }

// ---- worked examples and encodations --------------------------------------------------

struct CodewordCase {
  const char* note;
  Settings settings;
  std::string data;
  std::string codewords;  // as written by Encode, before padding
};

TEST(DataMatrixEncode, Codewords) {
  const CodewordCase cases[] = {
      {"ASCII digit pairs", {}, "123456", "142 164 186"},
      {"ASCII: a lone digit and letters are value + 1", Mode(dmeASCII), "1A2b", "50 66 51 99"},
      {"ASCII: a byte above 127 is upper shift, byte - 127", Mode(dmeASCII), "\xE9", "235 106"},
      {"C40 AB: latch, triple (14, 15, pad 0), no unlatch before the latch", Mode(dmeC40), "AB", "230 89 217"},
      {"C40: a single value left is written in ASCII after the unlatch", Mode(dmeC40), "ABCD", "230 89 233 254 69"},
      {"C40: a final shifted character that would leave one value goes to ASCII", Mode(dmeC40), "AB!",
       "230 89 217 254 34"},
      {"C40: upper shift (1, 30) then the basic value of byte - 128", Mode(dmeC40), "\xC1", "230 10 255"},
      {"C40: control character through shift 1", Mode(dmeC40), std::string("\x01" "AB", 3), "230 0 55 254 67"},
      {"C40: one character only stays in ASCII", Mode(dmeC40), "A", "66"},
      {"Text: small letters are basic values", Mode(dmeText), "ab", "239 89 217"},
      {"Text: capitals through shift 3", Mode(dmeText), "aBc", "239 87 211 254 100"},
      {"X12: three values fill a triple", Mode(dmeX12), "ABC", "238 89 233"},
      {"X12: two values cannot be padded, they go in ASCII", Mode(dmeX12), "AB", "66 67"},
      {"X12: the fourth character goes in ASCII after the unlatch", Mode(dmeX12), "ABCD", "238 89 233 254 69"},
      {"X12: a byte outside the set goes in ASCII, then X12 again", Mode(dmeX12), "ABC\tDEF",
       "238 89 233 254 10 238 109 36"},
      {"X12: CR, asterisk, greater-than", Mode(dmeX12), "\r*>", "238 0 43"},
      {"EDIFACT: three bytes left go in ASCII after 124", Mode(dmeEDIFACT), "ABCDEFG", "240 4 32 196 124 70 71 72"},
      {"EDIFACT: a short text still latches first", Mode(dmeEDIFACT), "AB", "240 124 66 67"},
      {"EDIFACT: bytes outside 32..94 go in ASCII", Mode(dmeEDIFACT), "ABCDabcd", "240 4 32 196 124 98 99 100 101"},
      {"EDIFACT: back to EDIFACT for the next run of four", Mode(dmeEDIFACT), "ABCD\x01" "EFGH",
       "240 4 32 196 124 2 240 20 97 200"},
      {"EDIFACT: a run of four ending the data needs no unlatch", Mode(dmeEDIFACT), "1234", "240 199 44 244"},
      {"Base 256: latch, randomised length and bytes", Mode(dmeBinary), "\x01\x02",
       "231 " + std::to_string(R255(2, 2)) + " " + std::to_string(R255(1, 3)) + " " + std::to_string(R255(2, 4))},
  };
  for (const auto& c : cases) EXPECT_EQ(Join(Encoded(c.settings, c.data)), c.codewords) << c.note;
}

TEST(DataMatrixEncode, HeaderCodewords) {
  auto withEci = [](int eci) {
    Settings s;
    s.eci = eci;
    return s;
  };
  auto withAppend = [](int index, int count, std::u16string id) {
    Settings s;
    s.segmentIndex = index;
    s.segmentCount = count;
    s.fileId = std::move(id);
    return s;
  };
  Settings gs1Eci = withEci(26);
  gs1Eci.fnc1 = fnc1GS1;
  Settings appendEciGs1 = withAppend(0, 3, u"1000");
  appendEciGs1.eci = 26;
  appendEciGs1.fnc1 = fnc1GS1;
  Settings first;
  first.fnc1 = fnc1FirstPosition;
  Settings second;
  second.fnc1 = fnc1SecondPosition;
  const CodewordCase cases[] = {
      {"no ECI", withEci(-1), "1", "50"},
      {"ECI 0", withEci(0), "1", "241 1 50"},
      {"ECI 126, the last single codeword", withEci(126), "1", "241 127 50"},
      {"ECI 127, the first of two codewords", withEci(127), "1", "241 128 1 50"},
      {"ECI 16382, the last of two codewords", withEci(16382), "1", "241 191 254 50"},
      {"ECI 16383, the first of three codewords", withEci(16383), "1", "241 192 1 1 50"},
      {"ECI 999999", withEci(999999), "1", "241 207 63 129 50"},
      {"ECI 1000000 writes nothing", withEci(1000000), "1", "50"},
      {"FNC1 GS1 with ECI 26: ECI first, then FNC1", gs1Eci, "1", "241 27 232 50"},
      {"FNC1 in first position", first, "1", "232 50"},
      {"FNC1 in second position writes no codeword", second, "1", "50"},
      {"structured append 1 of 3, file 1000", withAppend(0, 3, u"1000"), "1", "233 14 4 239 50"},
      {"structured append 16 of 16", withAppend(15, 16, u"7"), "1", "233 241 1 8 50"},
      {"structured append before ECI and FNC1", appendEciGs1, "1", "233 14 4 239 241 27 232 50"},
      {"structured append needs two symbols or more", withAppend(0, 1, u"1000"), "1", "50"},
      {"structured append: at most 16 symbols", withAppend(0, 17, u"1000"), "1", "50"},
      {"structured append: index past the count", withAppend(3, 3, u"1000"), "1", "50"},
      {"structured append: file id must be a number", withAppend(0, 2, u"12a"), "1", "50"},
      {"structured append: file id must be positive", withAppend(0, 2, u"0"), "1", "50"},
      {"structured append: largest file id, codewords 254 254", withAppend(0, 2, u"64515"), "1",
       "233 15 254 254 50"},
      {"structured append: file id 64516 would need codeword 255", withAppend(0, 2, u"64516"), "1", "50"},
  };
  for (const auto& c : cases) EXPECT_EQ(Join(Encoded(c.settings, c.data)), c.codewords) << c.note;
}

TEST(DataMatrixEncode, Base256LengthField) {
  // Up to 249 bytes one length codeword; from 250 on two: length div 250 + 249, mod 250.
  const struct {
    size_t length;
    std::vector<int> field;
  } cases[] = {{1, {1}}, {249, {249}}, {250, {250, 0}}, {555, {251, 55}}};
  for (const auto& c : cases) {
    Codewords cw = Encoded(Mode(dmeBinary), std::string(c.length, 'x'));
    ASSERT_EQ(cw.size(), 1 + c.field.size() + c.length) << c.length;
    EXPECT_EQ(cw[0], dmcw::kLatchBase256);
    for (size_t i = 0; i < c.field.size(); ++i)
      EXPECT_EQ(cw[1 + i], R255(c.field[i], static_cast<int>(i) + 2)) << c.length;
    const size_t firstData = 1 + c.field.size();
    EXPECT_EQ(cw[firstData], R255('x', static_cast<int>(firstData) + 1)) << c.length;
  }
}

// ---- size, padding, check codewords -------------------------------------------------

TEST(DataMatrixSymbol, WorkedExamples) {
  TksDataMatrix dm = Encoder({});
  ASSERT_EQ(dm.CreateMatrix("123456"), TksDataMatrix::Outcome::Ok);
  EXPECT_EQ(dm.Geometry().TotalMatrixW, 10);
  EXPECT_EQ(Join(dm.Codewords()), "142 164 186 114 25 5 88 102");

  // pad 129 at position 2, then 129 + (149 * 3 mod 253) + 1 - 254 = 70 at position 3
  dm = Encoder({});
  ASSERT_EQ(dm.CreateMatrix("A"), TksDataMatrix::Outcome::Ok);
  EXPECT_EQ(dm.Geometry().TotalMatrixW, 10);
  EXPECT_EQ(Join(Codewords(dm.Codewords().begin(), dm.Codewords().begin() + 3)), "66 129 70");

  // a fixed rectangle: 5 data and 7 check codewords in a 6 x 16 mapping matrix
  dm = Encoder(Mode(dmeASCII, ksDM8x18));
  ASSERT_EQ(dm.CreateMatrix("1234567890"), TksDataMatrix::Outcome::Ok);
  EXPECT_EQ(dm.Codewords().size(), 12u);
  EXPECT_EQ(dm.Geometry().MappingW(), 16);
  EXPECT_EQ(dm.Geometry().MappingH(), 6);
  EXPECT_EQ(dm.Geometry().TotalMatrixW, 18);
  EXPECT_EQ(dm.Geometry().TotalMatrixH, 8);
}

TEST(DataMatrixSymbol, SizeChoiceAndCapacity) {
  const struct {
    const char* note;
    TksDataMatrixVersion version;
    size_t letters;  // ASCII codewords
    TksDataMatrix::Outcome outcome;
    int width, height, capacity;
  } cases[] = {
      {"3 codewords fill 10x10", ksDMAutomatic, 3, TksDataMatrix::Outcome::Ok, 10, 10, 1558},
      {"4 codewords need 12x12", ksDMAutomatic, 4, TksDataMatrix::Outcome::Ok, 12, 12, 1558},
      {"automatic never picks a rectangle (16x48 holds 49)", ksDMAutomatic, 49, TksDataMatrix::Outcome::Ok, 32, 32, 1558},
      {"1558 codewords give 144x144", ksDMAutomatic, 1558, TksDataMatrix::Outcome::Ok, 144, 144, 1558},
      {"1559 codewords fit no symbol", ksDMAutomatic, 1559, TksDataMatrix::Outcome::TooLarge, 0, 0, 1558},
      {"beyond any former buffer limit", ksDMAutomatic, 9000, TksDataMatrix::Outcome::TooLarge, 0, 0, 1558},
      {"fixed size is kept for less data", ksDm16x48, 2, TksDataMatrix::Outcome::Ok, 48, 16, 49},
      {"fixed size full", ksDM12x12, 5, TksDataMatrix::Outcome::Ok, 12, 12, 5},
      {"fixed size one codeword short", ksDM12x12, 6, TksDataMatrix::Outcome::TooLarge, 0, 0, 5},
  };
  for (const auto& c : cases) {
    TksDataMatrix dm = Encoder(Mode(dmeASCII, c.version));
    EXPECT_EQ(dm.CreateMatrix(std::string(c.letters, 'a')), c.outcome) << c.note;
    EXPECT_EQ(dm.Capacity(), c.capacity) << c.note;
    if (c.outcome != TksDataMatrix::Outcome::Ok) continue;
    EXPECT_EQ(dm.Geometry().TotalMatrixW, c.width) << c.note;
    EXPECT_EQ(dm.Geometry().TotalMatrixH, c.height) << c.note;
    EXPECT_EQ(static_cast<int>(dm.Codewords().size()), dm.Geometry().TotalDW + dm.Geometry().TotalEW) << c.note;
  }
}

TEST(DataMatrixSymbol, LeavingAModeBeforeThePads) {
  // Data ending in C40, Text or X12 short of the symbol's data size is closed by the
  // unlatch 254, then padded, however little room is left. After an EDIFACT group a reader
  // returns to ASCII by itself when one or two codewords are left (an unlatch 124 there
  // would read as "{"), so only with more room is it written.
  const struct {
    const char* note;
    Settings settings;
    std::string data;
    std::string start;  // the first codewords of the symbol
  } cases[] = {
      {"C40 filling 12x12 exactly", Mode(dmeC40, ksDM12x12), "ABCDEF", "230 89 233 109 36"},
      {"C40 with three codewords left: unlatch, pad", Mode(dmeC40, ksDM14x14), "ABCDEF",
       "230 89 233 109 36 254 129"},
      {"C40 with one codeword left: the unlatch takes it", Mode(dmeC40), "ABCDEFGHI",
       "230 89 233 109 36 128 95 254"},
      {"Text with one codeword left", Mode(dmeText), "abcdefghi", "239 89 233 109 36 128 95 254"},
      {"X12 with one codeword left", Mode(dmeX12), "ABCDEFGHI", "238 89 233 109 36 128 95 254"},
      {"C40 with two codewords left: unlatch, pad", Mode(dmeC40, ksDM12x12), "ABC", "230 89 233 254 129"},
      {"EDIFACT with one codeword left", Mode(dmeEDIFACT), "ABCDEFGH", "240 4 32 196 20 97 200 129"},
      {"EDIFACT with two codewords left", Mode(dmeEDIFACT), "ABCDEFGHIJKL", "240 4 32 196 20 97 200 36 162 204 129"},
      {"EDIFACT with five codewords left", Mode(dmeEDIFACT), "ABCDEFGHIJKLMNOP",
       "240 4 32 196 20 97 200 36 162 204 52 227 208 124 129"},
      {"EDIFACT latch with two codewords left: no unlatch before the ASCII byte", Mode(dmeEDIFACT), "A",
       "240 66 129"},
      {"EDIFACT groups, then the last byte in ASCII in the last two codewords", Mode(dmeEDIFACT),
       "ABCDEFGHIJKLMNOPQRSTU", "240 4 32 196 20 97 200 36 162 204 52 227 208 69 36 212 86 129"},
  };
  for (const auto& c : cases) {
    TksDataMatrix dm = Encoder(c.settings);
    ASSERT_EQ(dm.CreateMatrix(c.data), TksDataMatrix::Outcome::Ok) << c.note;
    const std::string all = Join(dm.Codewords());
    EXPECT_EQ(all.substr(0, c.start.size()), c.start) << c.note << ": " << all;
  }
}

TEST(DataMatrixSymbol, Base256EndsBeforeThePads) {
  // With the real length the bytes end where the data ends; the pads after them are the
  // ASCII pad sequence, not further Base 256 data.
  TksDataMatrix dm = Encoder(Mode(dmeBinary, ksDM14x14));
  ASSERT_EQ(dm.CreateMatrix("\x01\x02"), TksDataMatrix::Outcome::Ok);
  const Codewords& cw = dm.Codewords();
  EXPECT_EQ(cw[1], R255(2, 2));
  EXPECT_EQ(cw[4], dmcw::kPad);
  EXPECT_EQ(cw[5], 129 + (149 * 6) % 253 + 1 - 254);
}

TEST(DataMatrixSymbol, LargestSymbolInterleavesWholeBlocks) {
  // 144x144: ten blocks of 62 check codewords; data codeword i is in block i mod 10, so
  // blocks 9 and 10 (0-based 8 and 9) hold 155 data codewords and the other eight 156.
  // Whole blocks are interleaved in turn, so the first check codeword after the data
  // belongs to block 9.
  Codewords data(1558);
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<int>((i * 37 + 11) % 254) + 1;
  TksDataMatrix dm = Encoder(Mode(dmeASCII, ksDM144x144));
  ASSERT_EQ(dm.CreateMatrixFromCodewords(data), TksDataMatrix::Outcome::Ok);
  const Codewords& cw = dm.Codewords();
  ASSERT_EQ(cw.size(), 1558u + 620u);

  TksReedSolomon rs(301);
  rs.GeneratePoly(62, 1);
  for (int block : {0, 7, 8, 9}) {
    std::vector<uint8_t> blockData, check(62);
    for (size_t i = block; i < data.size(); i += 10) blockData.push_back(static_cast<uint8_t>(data[i]));
    EXPECT_EQ(blockData.size(), block < 8 ? 156u : 155u);
    rs.Encode(blockData, check);
    for (int j = 0; j < 62; ++j) {
      const size_t pos = block + (blockData.size() + j) * 10;
      ASSERT_EQ(cw[pos], check[61 - j]) << "block " << block << " check " << j;
    }
  }
}

// ---- geometry and placement --------------------------------------------------------------

TEST(DataMatrixPlacement, EverySizeHoldsItsCodewords) {
  for (int v = ksDM10x10; v < kDataMatrixVersionCount; ++v) {
    const auto version = static_cast<TksDataMatrixVersion>(v);
    const TdmSymbolSize& z = kDmSymbolSizes[v];
    const TdmMatrixParams mp = DmMatrixParams(version);
    const std::string name = DataMatrixVersionEnum().Name(v);
    EXPECT_EQ(mp.TotalMatrixH, z.rows) << name;
    EXPECT_EQ(mp.TotalMatrixW, z.cols) << name;
    EXPECT_EQ(z.eccCw % z.blocks, 0) << name;
    const TdmPlacement pl = DmPlacement(mp.MappingH(), mp.MappingW());
    EXPECT_EQ(pl.codewords, z.dataCw + z.eccCw) << name;
    // every codeword has its eight bits exactly once; only the fixed corner is left
    std::vector<int> seen(pl.codewords * 8, 0);
    int fixed = 0;
    for (size_t i = 0; i < pl.cw.size(); ++i) {
      if (pl.cw[i] > 0)
        ++seen[(pl.cw[i] - 1) * 8 + pl.bit[i] - 1];
      else
        ++fixed;
    }
    EXPECT_EQ(std::count(seen.begin(), seen.end(), 1), static_cast<long>(seen.size())) << name;
    EXPECT_EQ(fixed, mp.MappingW() * mp.MappingH() % 8) << name;
  }
}

TEST(DataMatrixPlacement, FinderAndClockPattern) {
  TksDataMatrix dm = Encoder(Mode(dmeASCII, ksDM32x32));
  ASSERT_EQ(dm.CreateMatrix("X"), TksDataMatrix::Outcome::Ok);
  TksMatrix m;
  dm.dmGrid(m);
  ASSERT_EQ(m.NC, 32);
  ASSERT_EQ(m.NR, 32);
  // two 16-module regions each way: solid left and bottom edges, alternating top and right
  for (int i = 0; i < 32; ++i) {
    for (int edge : {0, 16}) {
      EXPECT_EQ(m.GetPoint2D(edge, i), u'1') << "left edge x=" << edge << " y=" << i;
      EXPECT_EQ(m.GetPoint2D(i, edge + 15), u'1') << "bottom edge y=" << edge + 15 << " x=" << i;
      if (i % 16 != 0 && i % 16 != 15) {
        EXPECT_EQ(m.GetPoint2D(i, edge), i % 2 ? u'0' : u'1') << "top clock y=" << edge << " x=" << i;
        EXPECT_EQ(m.GetPoint2D(edge + 15, i), i % 2 ? u'1' : u'0') << "right clock x=" << edge + 15 << " y=" << i;
      }
    }
  }
}

// ---- cross-check with bwip-js --------------------------------------------------------------

struct Vector {
  std::string kind, id, encoding, version, hex, size, rows;
};

std::vector<Vector> LoadVectors() {
  std::ifstream in(std::string(BARVELLO_TEST_DATA) + "/datamatrix_vectors.txt");
  std::vector<Vector> out;
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream f(line);
    Vector v;
    f >> v.kind >> v.id;
    if (v.kind == "text") f >> v.encoding;
    f >> v.version >> v.hex >> v.size >> v.rows;
    out.push_back(v);
  }
  return out;
}

std::vector<int> FromHex(const std::string& h) {
  std::vector<int> b;
  for (size_t i = 0; i + 1 < h.size(); i += 2) b.push_back(std::stoi(h.substr(i, 2), nullptr, 16));
  return b;
}

TEST(DataMatrixCrossCheck, SymbolsEqualBwipJs) {
  const std::vector<Vector> vectors = LoadVectors();
  ASSERT_FALSE(vectors.empty()) << "tests/data/datamatrix_vectors.txt missing";
  for (const Vector& v : vectors) {
    const int version = DataMatrixVersionEnum().Find(v.version);
    ASSERT_GE(version, 0) << v.id;
    const std::vector<int> bytes = FromHex(v.hex);
    TksDataMatrix dm;
    dm.FVersion = static_cast<TksDataMatrixVersion>(version);
    TksDataMatrix::Outcome r;
    if (v.kind == "raw") {
      r = dm.CreateMatrixFromCodewords(bytes);
    } else {
      const int encoding = DataMatrixEncodingEnum().Find(v.encoding);
      ASSERT_GE(encoding, 0) << v.id;
      dm.FEncoding = static_cast<TksDataMatrixEncoding>(encoding);
      r = dm.CreateMatrix(std::string(bytes.begin(), bytes.end()));
    }
    ASSERT_EQ(r, TksDataMatrix::Outcome::Ok) << v.id;
    TksMatrix m;
    dm.dmGrid(m);
    EXPECT_EQ(std::to_string(m.NR) + "x" + std::to_string(m.NC), v.size) << v.id;
    EXPECT_EQ(Rows(m), v.rows) << v.id;
  }
}

// ---- decoding by zxing-cpp -------------------------------------------------------------

bool HaveZXing() { return std::system("command -v ZXingReader >/dev/null 2>&1") == 0; }
bool HaveDmtx() { return std::system("command -v dmtxread >/dev/null 2>&1") == 0; }

// Renders the matrix as a greyscale image (4 pixels per module, 2 modules of quiet zone)
// and answers the bytes the reader command prints for it (empty when it finds nothing).
std::string DecodeWith(const TksMatrix& m, const std::string& reader) {
  constexpr int kScale = 4, kQuiet = 2;
  const int w = (m.NC + 2 * kQuiet) * kScale, h = (m.NR + 2 * kQuiet) * kScale;
  std::string pixels(static_cast<size_t>(w) * h, '\xFF');
  for (int y = 0; y < m.NR; ++y)
    for (int x = 0; x < m.NC; ++x)
      if (m.IsBlack(x, y))
        for (int dy = 0; dy < kScale; ++dy)
          for (int dx = 0; dx < kScale; ++dx)
            pixels[static_cast<size_t>((y + kQuiet) * kScale + dy) * w + (x + kQuiet) * kScale + dx] = 0;
  static int serial = 0;
  const auto path = std::filesystem::temp_directory_path() /
                    ("barvello_dm_" + std::to_string(::getpid()) + "_" + std::to_string(++serial) + ".pgm");
  {
    std::ofstream f(path, std::ios::binary);
    f << "P5\n" << w << " " << h << "\n255\n" << pixels;
  }
  std::string cmd = reader + " '" + path.string() + "' 2>/dev/null";
  std::string out;
  if (FILE* p = popen(cmd.c_str(), "r")) {
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    pclose(p);
  }
  std::filesystem::remove(path);
  return out;
}

std::string DecodeWithZXing(const TksMatrix& m) { return DecodeWith(m, "ZXingReader -format DataMatrix -bytes"); }
std::string DecodeWithDmtx(const TksMatrix& m) { return DecodeWith(m, "dmtxread -N1"); }

std::string Digits(size_t n) {
  std::string s;
  for (size_t i = 0; i < n; ++i) s += static_cast<char>('0' + (i * 7 + 3) % 10);
  return s;
}

std::string HighBytes(size_t n) {
  std::string s;
  for (size_t i = 0; i < n; ++i) s += static_cast<char>(128 + (i * 37 + 5) % 128);
  return s;
}

TEST(DataMatrixDecode, EveryEncodationReadsBackWhole) {
  if (!HaveZXing()) GTEST_SKIP() << "ZXingReader (zxing-cpp-tools) not installed";
  Settings appendAndEci = Mode(dmeASCII);
  appendAndEci.segmentCount = 3;
  appendAndEci.fileId = u"1000";
  appendAndEci.eci = 26;
  const struct {
    const char* note;
    Settings settings;
    std::string data;
  } cases[] = {
      {"ASCII digits and letters", Mode(dmeASCII), "Barvello 2024"},
      {"ASCII upper shift", Mode(dmeASCII), "\xC3\x84rger \xC3\xBC" "ber \xC3\x96l"},
      {"C40 with a single value left at the end", Mode(dmeC40), "ABCD"},
      {"C40 ending in a shifted character", Mode(dmeC40), "AB!"},
      {"C40 upper shift for UTF-8 bytes", Mode(dmeC40), "\xC3\x84RGER \xC3\x9C" "BER"},
      {"C40 control characters and small letters", Mode(dmeC40), "\x01" "AB\tcd\r\n"},
      {"Text with capitals and punctuation", Mode(dmeText), "Hello World 123!"},
      {"Text with upper shift", Mode(dmeText), "caf\xC3\xA9 cr\xC3\xA8me"},
      {"X12 with a pair left", Mode(dmeX12), "ABCDE"},
      {"X12 with bytes outside its set", Mode(dmeX12), "ABC\tDEF gh*>\rIJK"},
      {"X12 of two characters", Mode(dmeX12), "AB"},
      {"EDIFACT with three bytes left", Mode(dmeEDIFACT), "ABCDEFG"},
      {"EDIFACT with small letters and control bytes", Mode(dmeEDIFACT), "ABCDabcd\x01" "EFGH.IJ"},
      {"EDIFACT filling whole groups", Mode(dmeEDIFACT), "1234ABCD"},
      {"EDIFACT, a group then one ASCII byte at the very end", Mode(dmeEDIFACT), "ABCDEFGHIJKLMNOPQRSTU"},
      {"EDIFACT of one byte", Mode(dmeEDIFACT), "A"},
      {"C40 with one codeword left after the last triple", Mode(dmeC40), "ABCDEFGHI"},
      {"Base 256 followed by pads", Mode(dmeBinary, ksDM22x22), "\x01\x02\xFF"},
      {"Base 256 with a two-codeword length", Mode(dmeBinary), HighBytes(300)},
      {"144x144 full of digits", Mode(dmeASCII), Digits(3116)},
      {"144x144 with pads", Mode(dmeASCII, ksDM144x144), Digits(2000)},
      {"rectangle 16x48", Mode(dmeASCII, ksDm16x48), "Data Matrix 16 x 48"},
      {"structured append with an ECI", appendAndEci, "Barvello"},
  };
  for (const auto& c : cases) {
    TksDataMatrix dm = Encoder(c.settings);
    ASSERT_EQ(dm.CreateMatrix(c.data), TksDataMatrix::Outcome::Ok) << c.note;
    TksMatrix m;
    dm.dmGrid(m);
    EXPECT_EQ(DecodeWithZXing(m), c.data) << c.note;
  }
}

TEST(DataMatrixDecode, EndOfDataInEveryModeReadsInBothDecoders) {
  if (!HaveZXing() || !HaveDmtx()) GTEST_SKIP() << "ZXingReader or dmtxread (libdmtx-utils) not installed";
  const struct {
    const char* note;
    Settings settings;
    std::string data;
  } cases[] = {
      {"C40, one codeword left for the unlatch", Mode(dmeC40), "ABCDEFGHI"},
      {"Text, one codeword left for the unlatch", Mode(dmeText), "abcdefghi"},
      {"X12, one codeword left for the unlatch", Mode(dmeX12), "ABCDEFGHI"},
      {"C40, unlatch and one pad", Mode(dmeC40, ksDM12x12), "ABC"},
      {"X12, unlatch and pads", Mode(dmeX12, ksDM14x14), "ABC"},
      {"C40 filling the symbol: no unlatch", Mode(dmeC40, ksDM12x12), "ABCDEF"},
      {"EDIFACT, one codeword left", Mode(dmeEDIFACT), "ABCDEFGH"},
      {"EDIFACT, two codewords left", Mode(dmeEDIFACT), "ABCDEFGHIJKL"},
      {"EDIFACT, five codewords left", Mode(dmeEDIFACT), "ABCDEFGHIJKLMNOP"},
  };
  for (const auto& c : cases) {
    TksDataMatrix dm = Encoder(c.settings);
    ASSERT_EQ(dm.CreateMatrix(c.data), TksDataMatrix::Outcome::Ok) << c.note;
    TksMatrix m;
    dm.dmGrid(m);
    EXPECT_EQ(DecodeWithZXing(m), c.data) << c.note;
    EXPECT_EQ(DecodeWithDmtx(m), c.data) << c.note;
  }
}

TEST(DataMatrixDecode, RandomBytesInEveryEncodation) {
  if (!HaveZXing()) GTEST_SKIP() << "ZXingReader (zxing-cpp-tools) not installed";
  // Texts mixing every class of byte: capitals, small letters, digits, punctuation,
  // control characters, bytes above 127 and the X12 terminators.
  const std::string classes[] = {"ABCDEFGHIJKLMNOPQRSTUVWXYZ", "abcdefghijklmnopqrstuvwxyz", "0123456789",
                                 " !\"#$%&'()*+,-./:;<=>?@[\\]^_`{|}~", "\x01\x09\x0A\x1D\x1F",
                                 "\x80\xA9\xC3\xE9\xFF", "\r*> "};
  std::mt19937 rng(20240611);
  for (int e = dmeAutomatic; e <= dmeC40; ++e) {
    for (int round = 0; round < 6; ++round) {
      std::string data;
      const size_t length = 1 + rng() % 120;
      while (data.size() < length) {
        const std::string& cls = classes[rng() % std::size(classes)];
        const size_t run = 1 + rng() % 8;
        for (size_t i = 0; i < run; ++i) data += cls[rng() % cls.size()];
      }
      TksDataMatrix dm = Encoder(Mode(static_cast<TksDataMatrixEncoding>(e)));
      ASSERT_EQ(dm.CreateMatrix(data), TksDataMatrix::Outcome::Ok);
      TksMatrix m;
      dm.dmGrid(m);
      EXPECT_EQ(DecodeWithZXing(m), data) << DataMatrixEncodingEnum().Name(e) << " round " << round;
    }
  }
}

// ---- the encoder as the barcode object runs it -------------------------------------------

class DataMatrixBarcode : public ::testing::Test {
 protected:
  void SetUp() override { bc.SetBarcodeSymbology(bcDataMatrix); }
  // Encodes the stored text the way painting does.
  void Encode(const std::u16string& text) {
    bc.SetBarCode(text);
    bc.EncodeBars(bc.BarCode());
  }
  // The matrix the encoder stage draws for these settings and bytes.
  static std::string Expected(const Settings& s, const std::string& data) {
    TksDataMatrix dm = Encoder(s);
    EXPECT_EQ(dm.CreateMatrix(data), TksDataMatrix::Outcome::Ok);
    TksMatrix m;
    dm.dmGrid(m);
    return Rows(m);
  }
  TksBarcodeComponent bc;
};

TEST_F(DataMatrixBarcode, FillsTheMatrix) {
  Encode(u"123456");
  EXPECT_EQ(Rows(bc.Pixels()),
            "1010101010,1100101101,1100000100,1100011101,1100001000,"
            "1000001111,1110110000,1111011001,1001110100,1111111111");  // bwip-js
  ASSERT_EQ(bc.Bars().size(), 1u);
  EXPECT_TRUE(bc.Bars()[0].empty());
  EXPECT_EQ(bc.MinWidth(), 10);
}

TEST_F(DataMatrixBarcode, ReadsItsParameters) {
  ASSERT_EQ(SetPropertyText(bc, "Params.DataMatrix.Encoding", "dmeC40"), SetResult::Ok);
  ASSERT_EQ(SetPropertyText(bc, "Params.DataMatrix.Version", "ksDM12x26"), SetResult::Ok);
  bc.Params().SetECI(26);
  bc.Params().SetSegmentCount(3);
  bc.Params().SetSegmentIndex(0);
  bc.Params().QRCode().SetFileName(u"1000");  // structured append takes the QR file name
  bc.Params().SetFileID(u"77");
  Encode(u"ABC");
  Settings s = Mode(dmeC40, ksDM12x26);
  s.eci = 26;
  s.segmentCount = 3;
  s.fileId = u"1000";
  EXPECT_EQ(Rows(bc.Pixels()), Expected(s, "ABC"));
  EXPECT_EQ(bc.Pixels().NC, 26);
  EXPECT_EQ(bc.Pixels().NR, 12);
}

TEST_F(DataMatrixBarcode, GS1TextAndFNC1) {
  bc.Params().GS1().SetFNC1Type(fnc1GS1);
  bc.Params().GS1().SetFNC1InputType(gs1Classic);
  Encode(u"(01)12345678901231(10)ABC(17)101231");
  Settings s;
  s.fnc1 = fnc1GS1;
  EXPECT_EQ(Rows(bc.Pixels()), Expected(s, "0112345678901231" "10ABC\x1D" "17101231"));
}

TEST_F(DataMatrixBarcode, DataBeyondTheSizeRaisesCapacityError) {
  const struct {
    const char* note;
    TksDataMatrixVersion version;
    std::u16string text;
    int capacity;
  } cases[] = {
      {"1559 ASCII codewords fit no symbol", ksDMAutomatic, std::u16string(1559, u'a'), 1558},
      {"four codewords in 10x10", ksDM10x10, u"12345678", 3},
      {"UTF-8 form over 10000 bytes", ksDMAutomatic, std::u16string(5001, u'\u00E9'), 1558},
  };
  for (const auto& c : cases) {
    bc.Params().DataMatrix().SetVersion(ksDMAutomatic);
    Encode(u"123456");  // a symbol in place before the failing one
    bc.Params().DataMatrix().SetVersion(c.version);
    bc.ErrorInfo().Init();
    try {
      Encode(c.text);
      ADD_FAILURE() << c.note << ": no exception";
    } catch (const ksBarcodeException& e) {
      EXPECT_EQ(bc.ErrorInfo().Code(), erOutOfMaxCapacity) << c.note;
      EXPECT_EQ(bc.ErrorInfo().Idx(), c.capacity) << c.note;
      EXPECT_EQ(std::string(e.what()),
                "Max.codeword capacity ( " + std::to_string(c.capacity) + " codewords) overcome.")
          << c.note;
    }
  }
}

// ---- parameter objects ---------------------------------------------------------------------

TEST(DataMatrixParams, PublishedPropertiesAndNotifications) {
  TksBarcodeComponent bc;
  int updates = 0;
  bc.OnUpdate = [&](TksComponent*) { ++updates; };
  TksDataMatrixParams& p = bc.Params().DataMatrix();

  const PropertyTable& t = p.Properties();
  ASSERT_EQ(t.props.size(), 2u);
  EXPECT_EQ(t.props[0].name, "Encoding");
  EXPECT_EQ(t.props[0].defaultText, "dmeAutomatic");
  EXPECT_EQ(t.props[1].name, "Version");
  EXPECT_EQ(t.props[1].defaultText, "ksDMAutomatic");
  EXPECT_EQ(DataMatrixVersionEnum().values.size(), static_cast<size_t>(kDataMatrixVersionCount));
  EXPECT_EQ(DataMatrixVersionEnum().Name(ks104x104), "ks104x104");
  EXPECT_EQ(DataMatrixVersionEnum().Name(ksDm16x48), "ksDm16x48");

  std::string v;
  ASSERT_TRUE(GetPropertyText(bc, "Params.DataMatrix.Version", v));
  EXPECT_EQ(v, "ksDMAutomatic");
  EXPECT_EQ(SetPropertyText(bc, "Params.DataMatrix.Version", "ksDM8x18"), SetResult::Ok);
  EXPECT_EQ(p.Version(), ksDM8x18);
  EXPECT_EQ(updates, 1);
  EXPECT_EQ(SetPropertyText(bc, "Params.DataMatrix.Version", "ksDM8x18"), SetResult::Ok);
  EXPECT_EQ(updates, 1) << "an equal value does not notify";
  EXPECT_EQ(SetPropertyText(bc, "Params.DataMatrix.Encoding", "dmeX12"), SetResult::Ok);
  EXPECT_EQ(p.Encoding(), dmeX12);
  EXPECT_EQ(updates, 2);
  EXPECT_EQ(SetPropertyText(bc, "Params.DataMatrix.Encoding", "dmeKanji"), SetResult::BadValue);

  TksBarcodeComponent other;
  int otherUpdates = 0;
  other.OnUpdate = [&](TksComponent*) { ++otherUpdates; };
  other.Params().DataMatrix().Assign(p);
  EXPECT_EQ(other.Params().DataMatrix().Encoding(), dmeX12);
  EXPECT_EQ(other.Params().DataMatrix().Version(), ksDM8x18);
  EXPECT_EQ(otherUpdates, 1);
  EXPECT_THROW(other.Params().DataMatrix().Assign(bc.Params().Aztec()), Exception);
}

TEST(AztecParams, VersionRangeDependsOnCompact) {
  const struct {
    bool compact;
    int version;
    const char* error;  // nullptr: accepted
  } cases[] = {
      {false, 0, nullptr},
      {false, 36, nullptr},
      {false, 37, "Aztec barcode version must be in 0..36"},
      {false, -1, "Aztec barcode version must be in 0..36"},
      {true, 4, nullptr},
      {true, 5, "Compact Aztec barcode version must be in 0..4"},
      {true, 36, "Compact Aztec barcode version must be in 0..4"},
      {true, 37, "Aztec barcode version must be in 0..36"},
  };
  for (const auto& c : cases) {
    TksAztecParams p(nullptr);
    p.SetCompact(c.compact);
    if (c.error) {
      try {
        p.SetVersion(c.version);
        ADD_FAILURE() << c.version << " accepted";
      } catch (const ksBarcodeException& e) {
        EXPECT_EQ(std::string(e.what()), c.error) << c.compact << " " << c.version;
      }
      EXPECT_EQ(p.Version(), 0);
    } else {
      p.SetVersion(c.version);
      EXPECT_EQ(p.Version(), c.version);
    }
  }
}

TEST(AztecParams, PropertiesCompactResetAndAssign) {
  TksBarcodeComponent bc;
  int updates = 0;
  bc.OnUpdate = [&](TksComponent*) { ++updates; };
  TksAztecParams& p = bc.Params().Aztec();

  const PropertyTable& t = p.Properties();
  ASSERT_EQ(t.props.size(), 3u);
  EXPECT_EQ(t.props[0].name, "Compact");
  EXPECT_EQ(t.props[0].defaultText, "False");
  EXPECT_EQ(t.props[1].name, "Version");
  EXPECT_EQ(t.props[1].defaultText, "0");
  EXPECT_EQ(t.props[2].name, "ErrorLevel");
  EXPECT_EQ(t.props[2].defaultText, "azECC23");
  EXPECT_EQ(AztecECCEnum().values.size(), 19u);
  EXPECT_EQ(AztecECCEnum().Name(azECC90), "azECC90");

  p.SetVersion(20);
  p.SetErrorLevel(azECC50);
  EXPECT_EQ(updates, 2);
  p.SetCompact(true);
  EXPECT_EQ(p.Version(), 0) << "switching to compact resets the version";
  EXPECT_EQ(updates, 3);
  p.SetVersion(3);
  ASSERT_TRUE(t.props[1].set(p, "4"));
  EXPECT_EQ(p.Version(), 4);

  TksBarcodeComponent other;
  int otherUpdates = 0;
  other.OnUpdate = [&](TksComponent*) { ++otherUpdates; };
  other.Params().Aztec().Assign(p);
  EXPECT_TRUE(other.Params().Aztec().Compact());
  EXPECT_EQ(other.Params().Aztec().Version(), 4);
  EXPECT_EQ(other.Params().Aztec().ErrorLevel(), azECC50);
  EXPECT_EQ(otherUpdates, 1);
}

}  // namespace
}  // namespace ks
