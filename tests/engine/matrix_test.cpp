// Module matrix (cell codes, drawing helpers, module size), the codeword buffer and the
// bit-string and UTF-8 helpers the 2D encoders share.
#include "engine/matrix/matrix.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/errors.h"

namespace ks {
namespace {

// The grid as rows of cell codes (ASCII).
std::vector<std::string> Rows(const TksMatrix& m) {
  std::vector<std::string> rows;
  for (int y = 0; y < m.NR; ++y) {
    std::string r;
    for (int x = 0; x < m.NC; ++x) r += static_cast<char>(m.GetPoint2D(x, y));
    rows.push_back(r);
  }
  return rows;
}

TEST(Matrix, CreateAndInitialize) {
  TksMatrix m;
  EXPECT_EQ(m.NC, 0);
  EXPECT_EQ(m.NR, 0);
  EXPECT_TRUE(m.Pixels.empty());
  EXPECT_TRUE(m.PixelsBackup.empty());

  m.InitializeWH(3, 2);
  EXPECT_EQ(m.NC, 3);
  EXPECT_EQ(m.NR, 2);
  EXPECT_EQ(m.Pixels, std::vector<char16_t>(6, u'0'));
  EXPECT_EQ(m.PixelsBackup, std::vector<char16_t>(6, u'0'));
  EXPECT_EQ(m.idxOut, 0);

  // Re-initialising clears content and the write cursor.
  m.PutChar(u'1');
  m.Point2D(2, 1, u'3');
  m.Initialize();
  EXPECT_EQ(Rows(m), (std::vector<std::string>{"000", "000"}));
  EXPECT_EQ(m.idxOut, 0);
}

TEST(Matrix, PutCharFillsRowMajor) {
  TksMatrix m;
  m.InitializeWH(3, 2);
  for (char16_t c : std::u16string(u"123456")) m.PutChar(c);
  EXPECT_EQ(Rows(m), (std::vector<std::string>{"123", "456"}));
  EXPECT_EQ(m.idxOut, 6);
  m.PutChar(u'7');  // past the end: the cursor moves, nothing is written
  EXPECT_EQ(Rows(m), (std::vector<std::string>{"123", "456"}));
}

TEST(Matrix, PointsLinesAndRectanglesClipAtTheEdge) {
  TksMatrix m;
  m.InitializeWH(5, 5);
  m.Point2D(-1, 0, u'9');
  m.Point2D(5, 0, u'9');
  m.Point2D(0, 5, u'9');
  EXPECT_EQ(Rows(m), (std::vector<std::string>(5, "00000")));

  m.Line2D_H(0, 0, 0, u'3');  // exactly one cell
  m.Line2D_H(1, 1, -1, u'3');  // none
  m.Line2D_H(3, 2, 5, u'4');   // clipped at the right edge
  m.Line2D_V(0, 3, 1, u'5');
  EXPECT_EQ(Rows(m), (std::vector<std::string>{"30000", "00000", "00044", "50000", "50000"}));

  TksMatrix r;
  r.InitializeWH(5, 5);
  r.Rect2D(-4, -4, 4, 4, u'2');  // only its right and bottom edges fall inside
  EXPECT_EQ(Rows(r), (std::vector<std::string>{"00002", "00002", "00002", "00002", "22222"}));
  r.Rect2D(1, 1, 3, 3, u'3');
  EXPECT_EQ(Rows(r), (std::vector<std::string>{"00002", "03332", "03032", "03332", "22222"}));
}

TEST(Matrix, CellCodeQueries) {
  TksMatrix m;
  m.InitializeWH(12, 1);
  const std::u16string codes = u"0123456789 /";
  for (int x = 0; x < 12; ++x) m.Point2D(x, 0, codes[x]);
  // code:         0  1  2  3  4  5  6  7  8  9  ' '  '/'
  const bool black[] = {false, true, false, true, false, true, false, true, false, true, false, false};
  const bool data[] = {true, true, false, false, false, false, false, false, false, false, true, true};
  for (int x = 0; x < 12; ++x) {
    EXPECT_EQ(m.IsBlack(x, 0), black[x]) << x;
    EXPECT_EQ(m.IsData(x, 0), data[x]) << x;
    EXPECT_EQ(m.IsFunction(x, 0), !data[x]) << x;
  }
  EXPECT_EQ(m.GetPoint2D(-1, 0), u' ');
  EXPECT_EQ(m.GetPoint2D(0, 1), u' ');
  EXPECT_TRUE(m.IsData(100, 100));
  EXPECT_FALSE(m.IsFunction(-3, 0));
  EXPECT_FALSE(m.IsBlack(-3, 0));
}

TEST(Matrix, ConvertToBWKeepsColour) {
  TksMatrix m;
  m.InitializeWH(10, 1);
  for (int x = 0; x < 10; ++x) m.Point2D(x, 0, static_cast<char16_t>(u'0' + x));
  m.ConvertToBW();
  EXPECT_EQ(Rows(m), (std::vector<std::string>{"0101010101"}));
}

TEST(Matrix, BackupAndRestore) {
  TksMatrix m;
  m.InitializeWH(2, 2);
  m.Point2D(0, 0, u'1');
  m.Backup();
  m.Point2D(0, 0, u'8');
  m.Point2D(1, 1, u'9');
  m.Restore();
  EXPECT_EQ(Rows(m), (std::vector<std::string>{"10", "00"}));
}

TEST(Matrix, AssignCopiesEverything) {
  TksMatrix a;
  a.InitializeWH(2, 3);
  a.PutChar(u'7');
  a.SetDrawingParams({0, 0, 20, 30});
  TksMatrix b;
  b.Assign(a);
  EXPECT_EQ(b.NC, 2);
  EXPECT_EQ(b.NR, 3);
  EXPECT_EQ(b.idxOut, 1);
  EXPECT_EQ(b.Zoom1, a.Zoom1);
  EXPECT_EQ(b.Zoom2, 1000);
  EXPECT_EQ(b.DrawingRect.Right, 20);
  EXPECT_EQ(b.Pixels, a.Pixels);
  EXPECT_TRUE(a.Properties().props.empty());
}

TEST(Matrix, ModuleSizeFitsTheRectangle) {
  struct Case {
    const char* note;
    int nc, nr;
    TRect r;
    int zoom1;
  };
  const std::vector<Case> cases = {
      {"21x21 in 100x50: the height limits, 50/21", 21, 21, {0, 0, 100, 50}, 2380},
      {"21x21 in 50x100: the width limits", 21, 21, {10, 10, 60, 110}, 2380},
      {"exact quotient is not lost to rounding", 21, 21, {0, 0, 63, 63}, 3000},
      {"modules under a pixel: 10 modules in 7 pixels", 10, 10, {0, 0, 7, 7}, 700},
      {"wide rectangular grid", 18, 8, {0, 0, 36, 100}, 2000},
      {"tall grid in a wide box", 8, 18, {0, 0, 100, 36}, 2000},
  };
  for (const auto& c : cases) {
    TksMatrix m;
    m.InitializeWH(c.nc, c.nr);
    m.SetDrawingParams(c.r);
    EXPECT_EQ(m.Zoom1, c.zoom1) << c.note;
    EXPECT_EQ(m.Zoom2, 1000) << c.note;
    EXPECT_EQ(m.DrawingRect.Right, c.r.Right) << c.note;
    EXPECT_EQ(m.DrawingRect.Bottom, c.r.Bottom) << c.note;
  }
}

TEST(Matrix, EmptyGridKeepsDrawingParams) {
  TksMatrix m;
  m.InitializeWH(21, 21);
  m.SetDrawingParams({0, 0, 100, 50});
  m.InitializeWH(0, 0);
  m.SetDrawingParams({5, 5, 500, 500});
  EXPECT_EQ(m.Zoom1, 2380);
  EXPECT_EQ(m.DrawingRect.Right, 100);
}

// ---- codeword buffer ----------------------------------------------------------------

TEST(KsArray, PushSetAndAppend) {
  TksArray a;
  ArrayInit(a, 3);
  EXPECT_EQ(a.capacity, 3);
  EXPECT_EQ(a.count, 0);
  EXPECT_EQ(a.position, 0);
  EXPECT_EQ(a.data, std::vector<int32_t>(3, 0));

  EXPECT_EQ(ArrayPush(a, 7), 1);
  EXPECT_EQ(ArrayPush(a, 8), 2);
  EXPECT_EQ(a.count, 2);

  EXPECT_EQ(ArraySetAt(a, 5, 2), 2);  // count and position stay
  EXPECT_EQ(a.data[2], 5);
  EXPECT_EQ(a.count, 2);
  EXPECT_EQ(a.position, 2);
  EXPECT_EQ(ArraySetAt(a, 9, 3), -1);  // at capacity: nothing written
  EXPECT_EQ(ArraySetAt(a, 9, -1), -1);

  TksArray b;
  ArrayInit(b, 5);
  ArrayPush(b, 1);
  EXPECT_EQ(ArrayAppendReversed(a, b), 2);
  EXPECT_EQ(b.count, 3);
  EXPECT_EQ(std::vector<int32_t>(b.data.begin(), b.data.begin() + 3), (std::vector<int32_t>{1, 8, 7}));
}

TEST(KsArray, PushPastCapacityRaisesAGeneralException) {
  TksArray a;
  ArrayInit(a, 1);
  ArrayPush(a, 1);
  try {
    ArrayPush(a, 2);
    FAIL() << "no exception";
  } catch (const ksBarcodeException&) {
    FAIL() << "a barcode exception instead of a general one";
  } catch (const Exception& e) {
    EXPECT_STREQ(e.what(), "ksArray error, max capaciry exceeded.");
  }
  EXPECT_EQ(a.count, 1);
}

// ---- bit strings and UTF-8 --------------------------------------------------------

TEST(BitStrings, Conversions) {
  EXPECT_EQ(IntToBits(5, 4), "0101");
  EXPECT_EQ(IntToBits(17, 4), "0001");  // truncated to the low bits
  EXPECT_EQ(IntToBits(0, 0), "");
  EXPECT_EQ(IntToBits(1023, 10), "1111111111");
  EXPECT_EQ(ByteToBits(0xA5), "10100101");

  struct Case {
    std::string s;
    int start, count;
    long long value;
  };
  const std::vector<Case> cases = {
      {"1011", 1, 0, 11},   // count 0 reads to the end
      {"1011", 2, 2, 1},    // "01"
      {"1011", 3, 10, 3},   // cut at the end
      {"1x1", 1, 3, 5},     // anything but "1" is a zero bit
      {"10100101", 1, 8, 0xA5},
      {"", 1, 0, 0},
  };
  for (const auto& c : cases) EXPECT_EQ(BitsToInt(c.s, c.start, c.count), c.value) << c.s << " " << c.start;
}

TEST(Utf8Bytes, OneCharacterPerByte) {
  EXPECT_EQ(Utf8ByteString(u"\u00C4"), std::string("\xC3\x84"));
  EXPECT_EQ(Utf8ByteString(u""), "");
  EXPECT_EQ(Utf8ByteString(u"A\u20AC"), std::string("A\xE2\x82\xAC"));
  EXPECT_EQ(Utf8ByteString(u"\U0001F600"), std::string("\xF0\x9F\x98\x80"));  // surrogate pair
}

TEST(Utf8Bytes, LimitOfTenThousandBytes) {
  EXPECT_EQ(Utf8ByteString(std::u16string(kMaxUtf8Bytes, u'a')).size(), 10000u);
  EXPECT_EQ(Utf8ByteString(std::u16string(5000, u'\u00E9')).size(), 10000u);
  EXPECT_EQ(Utf8ByteString(std::u16string(10001, u'a')), "");
  EXPECT_EQ(Utf8ByteString(std::u16string(5000, u'\u00E9') + u"a"), "");
}

}  // namespace
}  // namespace ks
