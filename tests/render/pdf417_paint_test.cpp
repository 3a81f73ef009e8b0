// The PDF417 row painter: row heights, bar runs, module widths, colours, the small-box
// error, and rotation that keeps the symbol inside its paint rectangle.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "engine/barcode.h"
#include "engine/errors.h"
#include "engine/matrix/pdf417.h"
#include "engine/params.h"
#include "render/paint.h"
#include "render/pdf417_paint.h"
#include "render/recording_canvas.h"

namespace ks {
namespace {

// The axis-parallel rectangle a recorded polygon covers (right and bottom exclusive).
TRect Bounds(const CanvasCall& call) {
  TRect r{call.pts[0].X, call.pts[0].Y, call.pts[0].X, call.pts[0].Y};
  for (const TPoint& p : call.pts) {
    r.Left = std::min(r.Left, p.X);
    r.Top = std::min(r.Top, p.Y);
    r.Right = std::max(r.Right, p.X);
    r.Bottom = std::max(r.Bottom, p.Y);
  }
  return r;
}

std::vector<TRect> Rects(const RecordingCanvas& c) {
  std::vector<TRect> out;
  for (const auto& call : c.calls) {
    EXPECT_EQ(call.op, "Polygon");
    EXPECT_EQ(call.pts.size(), 4u);
    out.push_back(Bounds(call));
  }
  return out;
}

// The pixels the recorded polygons cover inside `area`, as rows of '1' and '0'.
std::vector<std::string> Raster(const RecordingCanvas& c, const TRect& area) {
  std::vector<std::string> px(area.Height(), std::string(area.Width(), '0'));
  for (const TRect& r : Rects(c))
    for (int y = std::max(r.Top, area.Top); y < std::min(r.Bottom, area.Bottom); ++y)
      for (int x = std::max(r.Left, area.Left); x < std::min(r.Right, area.Right); ++x)
        px[y - area.Top][x - area.Left] = '1';
  return px;
}

struct Fixture {
  TksBarcodeComponent bc;
  RecordingCanvas canvas;
  Fixture() {
    bc.SetBarcodeSymbology(bcPDF417);
    bc.SetLinesColor(0x112233);
    bc.SetBackgroundColor(0xEEDDCC);
  }
  void Option(TksBarcodeOption o, bool on = true) {
    bc.SetOptions(on ? bc.Options() | OptionBit(o) : bc.Options() & ~OptionBit(o));
  }
};

TEST(Pdf417Paint, RowHeightsAndBarRuns) {
  Fixture f;
  f.bc.Bars() = {"1100101", "0110000", "1000001"};
  // 7 modules in 14 pixels: two pixels each; 10 pixels for 3 rows: 4, 3, 3.
  PaintPdf417(f.canvas, {10, 20, 24, 30}, f.bc, {17, 25});
  const std::vector<TRect> expected = {{10, 20, 14, 24}, {18, 20, 20, 24}, {22, 20, 24, 24}, {12, 24, 16, 27},
                                       {10, 27, 12, 30}, {22, 27, 24, 30}};
  EXPECT_EQ(Rects(f.canvas), expected);
  for (const auto& call : f.canvas.calls) {
    EXPECT_EQ(call.brush.Color, 0x112233u);
    EXPECT_EQ(call.brush.Style, bsSolid);
    EXPECT_EQ(call.pen.Style(), psClear);  // filled without outline
  }
}

TEST(Pdf417Paint, ModuleWidths) {
  // With boSecurity every module takes width div modules pixels, left-aligned; without
  // it the modules fill the width, one or more pixels each.
  struct Case {
    bool security;
    int width;
    std::vector<std::string> raster;
  } cases[] = {
      {true, 15, {"110000110000000"}},
      {false, 15, {"111000011000000"}},
      {false, 7, {"1001000"}},
  };
  for (const auto& c : cases) {
    Fixture f;
    f.Option(boSecurity, c.security);
    f.bc.Bars() = {"1001000"};
    const TRect r{0, 0, c.width, 1};
    PaintPdf417(f.canvas, r, f.bc, r.Center());
    EXPECT_EQ(Raster(f.canvas, r), c.raster) << c.security << " " << c.width;
  }
}

TEST(Pdf417Paint, ReflectanceReversalPaintsBarsInBackgroundColour) {
  Fixture f;
  f.Option(boReflectanceReversal);
  f.bc.Bars() = {"101"};
  PaintPdf417(f.canvas, {0, 0, 3, 3}, f.bc, {1, 1});
  ASSERT_EQ(f.canvas.calls.size(), 2u);
  for (const auto& call : f.canvas.calls) EXPECT_EQ(call.brush.Color, 0xEEDDCCu);
}

TEST(Pdf417Paint, SmallBoxRaisesUnlessPaintIfSmall) {
  Fixture f;
  f.bc.SetBarCode(u"PDF417");
  BuildPdf417Rows(f.bc, f.bc.Bars());
  const int modules = static_cast<int>(f.bc.Bars()[0].size());
  EXPECT_THROW(PaintPdf417(f.canvas, {0, 0, modules - 1, 30}, f.bc, {0, 0}), ksBarcodeException);
  EXPECT_EQ(f.bc.ErrorInfo().Code(), erSmallPaintBox);
  EXPECT_TRUE(f.canvas.calls.empty());
  EXPECT_NO_THROW(PaintPdf417(f.canvas, {0, 0, modules, 30}, f.bc, {0, 0}));

  Fixture g;
  g.Option(boPaintIfSmall);
  g.Option(boSecurity, false);  // whole modules cannot be narrower than one pixel
  g.bc.SetBarCode(u"PDF417");
  BuildPdf417Rows(g.bc, g.bc.Bars());
  const TRect r{0, 0, modules - 20, 30};
  EXPECT_NO_THROW(PaintPdf417(g.canvas, r, g.bc, r.Center()));
  EXPECT_FALSE(g.canvas.calls.empty());
  for (const TRect& b : Rects(g.canvas)) EXPECT_LE(b.Right, r.Right);
}

// Zoom scales the text slots at every call; a tall symbol zoomed row by row with whole
// modules used to multiply them once per row until they overflowed.
TEST(Pdf417Paint, RowsLeaveTheTextSlotsAsTheyWere) {
  Fixture f;
  f.Option(boSecurity);
  ASSERT_EQ(SetPropertyText(f.bc, "Params.PDF417.Cols", "1"), SetResult::Ok);
  f.bc.SetBarCode(std::u16string(120, u'A'));
  BuildPdf417Rows(f.bc, f.bc.Bars());
  ASSERT_GT(f.bc.Bars().size(), 20u);
  f.bc.TextSlot = {1, 2, 3, 4, 5, 6};
  const auto before = f.bc.TextSlot;
  PaintPdf417(f.canvas, {0, 0, 2000, 400}, f.bc, {1000, 200});
  EXPECT_FALSE(f.canvas.calls.empty());
  EXPECT_EQ(f.bc.TextSlot, before);
}

TEST(Pdf417Paint, SymbolPaintedAtWholeModulesReadsBackAsItsRows) {
  Fixture f;
  f.Option(boSecurity);
  f.bc.SetBarCode(u"Barvello PDF417");
  f.bc.Params().PDF417().SetCols(3);
  BuildPdf417Rows(f.bc, f.bc.Bars());
  const std::vector<std::string> rows = f.bc.Bars();
  const int n = static_cast<int>(rows.size());
  const int modules = static_cast<int>(rows[0].size());
  const TRect r{0, 0, 2 * modules + 1, 3 * n};  // 2 pixels a module, 3 pixels a row
  PaintPdf417(f.canvas, r, f.bc, r.Center());
  const std::vector<std::string> px = Raster(f.canvas, r);
  for (int y = 0; y < r.Height(); ++y) {
    std::string expected;
    for (char m : rows[y / 3]) expected += std::string(2, m);
    EXPECT_EQ(px[y], expected + "0") << "pixel row " << y;
  }
}

// The unrotated symbol rectangle the paint pipeline lays out about the centre of the paint
// rectangle p for an angle (width and height swap at 90 and 270 degrees).
TRect SymbolRect(const TRect& p, int angle) {
  const TPoint c = p.Center();
  const bool quarter = angle % 180 != 0;
  const int l1 = quarter ? p.Height() : p.Width();
  const int l2 = quarter ? p.Width() : p.Height();
  return {c.X - l1 / 2, c.Y - l2 / 2, c.X + l1 / 2, c.Y + l2 / 2};
}

TEST(Pdf417Paint, RotatedSymbolStaysInsideItsRectangle) {
  const TRect paint{0, 0, 300, 140};
  const TPoint c = paint.Center();
  for (int angle : {90, 180, 270}) {
    // The same symbol at 0 degrees in the rotated layout's rectangle, for reference.
    Fixture plain;
    plain.bc.SetBarCode(u"ROTATED");
    plain.bc.Params().PDF417().SetCols(2);
    BuildPdf417Rows(plain.bc, plain.bc.Bars());
    const TRect s = SymbolRect(paint, angle);
    PaintPdf417(plain.canvas, s, plain.bc, c);
    const std::vector<std::string> unrotated = Raster(plain.canvas, s);

    Fixture f;
    f.bc.SetAngle(angle);
    f.bc.SetBarCode(u"ROTATED");
    f.bc.Params().PDF417().SetCols(2);
    BuildPdf417Rows(f.bc, f.bc.Bars());
    PaintPdf417(f.canvas, s, f.bc, c);
    ASSERT_EQ(f.canvas.calls.size(), plain.canvas.calls.size()) << angle;
    for (const TRect& b : Rects(f.canvas)) {
      EXPECT_GE(b.Left, paint.Left) << angle;
      EXPECT_GE(b.Top, paint.Top) << angle;
      EXPECT_LE(b.Right, paint.Right) << angle;
      EXPECT_LE(b.Bottom, paint.Bottom) << angle;
    }
    // Every dark pixel of the unrotated symbol lands where the rotation about c puts it.
    const std::vector<std::string> px = Raster(f.canvas, paint);
    int dark = 0;
    for (int y = s.Top; y < s.Bottom; ++y)
      for (int x = s.Left; x < s.Right; ++x) {
        if (unrotated[y - s.Top][x - s.Left] != '1') continue;
        ++dark;
        // The pixel [x, x+1) x [y, y+1) turned counter-clockwise by the angle.
        int tx = x, ty = y;
        if (angle == 90) {
          tx = c.X + (y - c.Y);
          ty = c.Y - (x - c.X) - 1;
        } else if (angle == 180) {
          tx = 2 * c.X - x - 1;
          ty = 2 * c.Y - y - 1;
        } else {
          tx = c.X - (y - c.Y) - 1;
          ty = c.Y + (x - c.X);
        }
        ASSERT_TRUE(tx >= 0 && tx < paint.Width() && ty >= 0 && ty < paint.Height()) << angle;
        EXPECT_EQ(px[ty][tx], '1') << angle << " at " << x << "," << y;
      }
    EXPECT_GT(dark, 0);
  }
}

// ---- Through the paint pipeline ------------------------------------------------------

std::vector<TRect> BarRects(const RecordingCanvas& c, TColor bar) {
  std::vector<TRect> out;
  for (const auto& call : c.calls)
    if (call.op == "Polygon" && call.brush.Color == bar && call.brush.Style == bsSolid) out.push_back(Bounds(call));
  return out;
}

TEST(Pdf417Pipeline, RotatedSymbolStaysInsidePaintRectangle) {
  for (int angle : {0, 90, 180, 270}) {
    Fixture f;
    f.bc.SetAngle(angle);
    f.bc.SetBarCode(u"PDF417 pipeline");
    f.bc.Params().PDF417().SetCols(2);
    const TRect paint{0, 0, 400, 200};
    PaintBarCode(f.bc, f.canvas, paint);
    EXPECT_EQ(f.bc.ErrorInfo().Code(), erOK) << angle;
    const std::vector<TRect> bars = BarRects(f.canvas, 0x112233);
    EXPECT_GT(bars.size(), 50u) << angle;
    for (const TRect& b : bars)
      EXPECT_TRUE(b.Left >= paint.Left && b.Top >= paint.Top && b.Right <= paint.Right && b.Bottom <= paint.Bottom)
          << "angle " << angle << ": " << b.Left << "," << b.Top << "," << b.Right << "," << b.Bottom;
  }
}

TEST(Pdf417Pipeline, ErrorsAreShownAtThePaintBoundary) {
  Fixture f;
  f.bc.SetBarCode(u"PDF417");
  PaintBarCode(f.bc, f.canvas, {0, 0, 60, 40});  // rows are 120 modules wide
  EXPECT_EQ(f.bc.ErrorInfo().Code(), erSmallPaintBox);
  EXPECT_TRUE(BarRects(f.canvas, 0x112233).empty());

  // A failure with a message of its own carries its code too.
  Fixture g;
  g.bc.SetBarCode(u"12a");
  g.bc.Params().PDF417().SetMode(ksPDF417Numeric);
  EXPECT_NO_THROW(PaintBarCode(g.bc, g.canvas, {0, 0, 400, 200}));
  EXPECT_EQ(g.bc.ErrorInfo().Code(), erCharOutOfSet);
  EXPECT_TRUE(g.bc.Bars().empty());
}

}  // namespace
}  // namespace ks
