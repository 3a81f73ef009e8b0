// Painting a module matrix: cell rectangles, colours, flips, reflectance reversal,
// transparency and rotation, recorded on a RecordingCanvas.
#include "render/matrix_paint.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/barcode.h"
#include "render/recording_canvas.h"

namespace ks {
namespace {

constexpr TColor kDark = 0x112233;
constexpr TColor kLight = 0xDDEEFF;

// A matrix from rows of cell codes.
TksMatrix Grid(const std::vector<std::u16string>& rows) {
  TksMatrix m;
  m.InitializeWH(static_cast<int>(rows[0].size()), static_cast<int>(rows.size()));
  for (int y = 0; y < m.NR; ++y)
    for (int x = 0; x < m.NC; ++x) m.Point2D(x, y, rows[y][x]);
  return m;
}

struct Painted {
  TRect rect;
  TColor color;
};

std::vector<Painted> Fills(const RecordingCanvas& c) {
  std::vector<Painted> out;
  for (const auto& call : c.calls) {
    EXPECT_EQ(call.op, "FillRect");
    EXPECT_EQ(call.pen.Style(), psClear);
    EXPECT_EQ(call.brush.Style, bsSolid);
    out.push_back({call.rect, call.brush.Color});
  }
  return out;
}

class MatrixPaint : public ::testing::Test {
 protected:
  void SetUp() override {
    bc.SetOptions(0);
    bc.SetLinesColor(kDark);
    bc.SetBackgroundColor(kLight);
  }
  TksBarcodeComponent bc;
  RecordingCanvas canvas;
};

TEST_F(MatrixPaint, CellsColumnByColumn) {
  TksMatrix m = Grid({u"10", u"29"});
  Paint(m, canvas, {10, 20, 30, 40}, {0, 0}, bc);
  std::vector<Painted> f = Fills(canvas);
  ASSERT_EQ(f.size(), 4u);
  // Column 0 top to bottom, then column 1; 10 pixels a module from (10, 20).
  const std::vector<std::pair<TRect, TColor>> expected = {
      {{10, 20, 20, 30}, kDark}, {{10, 30, 20, 40}, kLight}, {{20, 20, 30, 30}, kLight}, {{20, 30, 30, 40}, kDark}};
  for (size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(f[i].rect.Left, expected[i].first.Left) << i;
    EXPECT_EQ(f[i].rect.Top, expected[i].first.Top) << i;
    EXPECT_EQ(f[i].rect.Right, expected[i].first.Right) << i;
    EXPECT_EQ(f[i].rect.Bottom, expected[i].first.Bottom) << i;
    EXPECT_EQ(f[i].color, expected[i].second) << i;
  }
}

TEST_F(MatrixPaint, GridHugsTheLeftEdgeAndSharesEdges) {
  // 21x21 in 100x50: 2.38 pixels a module, 50 pixels high, anchored at the left.
  TksMatrix m;
  m.InitializeWH(21, 21);
  Paint(m, canvas, {7, 3, 107, 53}, {0, 0}, bc);
  std::vector<Painted> f = Fills(canvas);
  ASSERT_EQ(f.size(), 441u);
  EXPECT_EQ(m.Zoom1, 2380);
  int minLeft = 1000, maxRight = 0, minTop = 1000, maxBottom = 0;
  for (const auto& p : f) {
    minLeft = std::min(minLeft, p.rect.Left);
    maxRight = std::max(maxRight, p.rect.Right);
    minTop = std::min(minTop, p.rect.Top);
    maxBottom = std::max(maxBottom, p.rect.Bottom);
    const int w = p.rect.Right - p.rect.Left;
    EXPECT_TRUE(w == 2 || w == 3) << w;
  }
  EXPECT_EQ(minLeft, 7);
  EXPECT_EQ(maxRight, 7 + 50);
  EXPECT_EQ(minTop, 3);
  EXPECT_EQ(maxBottom, 53);
  // Neighbouring cells of a column share their edge.
  for (int row = 0; row + 1 < 21; ++row) EXPECT_EQ(f[row].rect.Bottom, f[row + 1].rect.Top);
}

TEST_F(MatrixPaint, Flips) {
  const TksMatrix m = Grid({u"10", u"00"});  // one dark cell, top left
  struct Case {
    TksBarcodeOptions options;
    size_t darkIndex;  // index of the dark fill in column-major order
  };
  const std::vector<Case> cases = {
      {0, 0},
      {OptionBit(boFlipHorizontal), 2},
      {OptionBit(boFlipVertical), 1},
      {OptionBit(boFlipHorizontal) | OptionBit(boFlipVertical), 3},
  };
  for (const auto& c : cases) {
    TksMatrix copy = m;
    RecordingCanvas rc;
    bc.SetOptions(c.options);
    Paint(copy, rc, {0, 0, 20, 20}, {0, 0}, bc);
    std::vector<Painted> f = Fills(rc);
    ASSERT_EQ(f.size(), 4u);
    for (size_t i = 0; i < 4; ++i) EXPECT_EQ(f[i].color, i == c.darkIndex ? kDark : kLight) << c.options << " " << i;
  }
}

TEST_F(MatrixPaint, TransparencyAndReflectanceReversal) {
  const TksMatrix m = Grid({u"1038", u"7629"});  // odd codes dark: 1, 3, 7, 9
  struct Case {
    const char* note;
    TksBarcodeOptions options;
    TColor lines, background;
    std::vector<TColor> colors;  // in painting order
  };
  const std::vector<Case> cases = {
      {"transparent: light cells skipped", OptionBit(boTransparent), kDark, kLight, {kDark, kDark, kDark, kDark}},
      {"reversed: colours swapped", OptionBit(boReflectanceReversal), kDark, kLight,
       {kLight, kLight, kDark, kDark, kLight, kDark, kDark, kLight}},
      {"reversed and transparent: odd cells in the background colour",
       OptionBit(boReflectanceReversal) | OptionBit(boTransparent), kDark, kLight, {kLight, kLight, kLight, kLight}},
      {"transparent with equal colours paints nothing", OptionBit(boTransparent), kDark, kDark, {}},
  };
  for (const auto& c : cases) {
    TksMatrix copy = m;
    RecordingCanvas rc;
    bc.SetOptions(c.options);
    bc.SetLinesColor(c.lines);
    bc.SetBackgroundColor(c.background);
    Paint(copy, rc, {0, 0, 40, 20}, {0, 0}, bc);
    std::vector<TColor> colors;
    for (const auto& p : Fills(rc)) colors.push_back(p.color);
    EXPECT_EQ(colors, c.colors) << c.note;
  }
}

TEST_F(MatrixPaint, CodesBelowZeroShowRed) {
  TksMatrix m = Grid({u"/"});
  Paint(m, canvas, {0, 0, 5, 5}, {0, 0}, bc);
  std::vector<Painted> f = Fills(canvas);
  ASSERT_EQ(f.size(), 1u);
  EXPECT_EQ(f[0].color, clRed);
}

TEST_F(MatrixPaint, EmptyMatrixPaintsNothing) {
  TksMatrix m;
  Paint(m, canvas, {0, 0, 50, 50}, {25, 25}, bc);
  EXPECT_TRUE(canvas.calls.empty());
  EXPECT_EQ(m.Zoom2, 0);
}

TEST_F(MatrixPaint, RotatedCellsTurnAboutTheCentre) {
  TksMatrix m = Grid({u"1"});
  bc.SetAngle(90);
  // The one module is the square (0, 0, 4, 4) of the 10x4 rectangle.
  Paint(m, canvas, {0, 0, 10, 4}, {5, 2}, bc);
  ASSERT_EQ(canvas.calls.size(), 1u);
  const CanvasCall& call = canvas.calls[0];
  EXPECT_EQ(call.op, "Polygon");
  EXPECT_EQ(call.pen.Style(), psClear);
  EXPECT_EQ(call.brush.Color, kDark);
  // 90 degrees counter-clockwise about (5, 2): (x, y) -> (5 + (y - 2), 2 - (x - 5)).
  const std::vector<TPoint> expected = {{3, 7}, {3, 3}, {7, 3}, {7, 7}};
  EXPECT_EQ(call.pts, expected);
}

TEST_F(MatrixPaint, RotationKeepsTheSymbolInsideItsSquare) {
  // A square symbol turned by 180 degrees about its own centre covers the same pixels.
  TksMatrix m = Grid({u"10", u"01"});
  bc.SetAngle(180);
  Paint(m, canvas, {0, 0, 20, 20}, {10, 10}, bc);
  ASSERT_EQ(canvas.calls.size(), 4u);
  for (const auto& call : canvas.calls) {
    ASSERT_EQ(call.pts.size(), 4u);
    for (const auto& p : call.pts) {
      EXPECT_GE(p.X, 0);
      EXPECT_LE(p.X, 20);
      EXPECT_GE(p.Y, 0);
      EXPECT_LE(p.Y, 20);
    }
  }
  // The top-left dark cell lands bottom right.
  EXPECT_EQ(canvas.calls[0].brush.Color, kDark);
  EXPECT_EQ(canvas.calls[0].pts[0], (TPoint{20, 20}));
}

}  // namespace
}  // namespace ks
