// Rotation primitives and the recording canvas.
#include <gtest/gtest.h>

#include "render/canvas.h"
#include "render/recording_canvas.h"

using namespace ks;

TEST(RotatePoint, Examples) {
  struct Case {
    TPoint p, c;
    double angle;
    TPoint out;
  } cases[] = {
      {{10, 0}, {0, 0}, 90, {0, -10}},  // right of the centre moves up the screen
      {{10, 0}, {0, 0}, 0, {10, 0}},
      {{7, 3}, {2, 1}, 180, {-3, -1}},  // mirrored through the centre
      {{7, 3}, {2, 1}, 270, {0, 6}},
      {{3, 4}, {0, 0}, 360, {3, 4}},
      {{10, 0}, {0, 0}, 45, {7, -7}},
      {{1, 0}, {0, 0}, 30, {1, 0}},     // 0.866 -> 1, -0.5 -> 0 (half to even)
  };
  for (const auto& c : cases) EXPECT_EQ(RotatePoint(c.p, c.c, c.angle), c.out) << c.angle;
}

TEST(FillRotatedRect, QuarterTurnGivesAnUprightRectangle) {
  RecordingCanvas c;
  FillRotatedRect(c, {0, 0, 10, 4}, {5, 2}, true, 90);
  ASSERT_EQ(c.calls.size(), 1u);
  EXPECT_EQ(c.calls[0].op, "Polygon");
  EXPECT_EQ(c.calls[0].pts, (std::vector<TPoint>{{3, 7}, {3, -3}, {7, -3}, {7, 7}}));
  EXPECT_EQ(c.calls[0].pen.Style(), psClear);

  c.Brush.Style = bsSolid;
  FillRotatedRect(c, {0, 0, 10, 4}, {5, 2}, false, 0);
  EXPECT_EQ(c.calls[1].pen.Style(), psSolid);
  EXPECT_EQ(c.calls[1].brush.Style, bsClear);
  EXPECT_EQ(c.calls[1].pts, (std::vector<TPoint>{{0, 0}, {10, 0}, {10, 4}, {0, 4}}));
}

TEST(TextOutRotated, BackgroundModeFollowsTheBrush) {
  RecordingCanvas c;
  c.Brush.Color = clNone;
  TextOutRotated(c, 10, 0, u"A", 90, {0, 0});
  c.Brush.Color = clWhite;
  TextOutRotated(c, 10, 0, u"B", 0, {0, 0});
  ASSERT_EQ(c.calls.size(), 2u);
  EXPECT_EQ(c.calls[0].pts[0], (TPoint{0, -10}));
  EXPECT_EQ(c.calls[0].bkMode, bkTransparent);
  EXPECT_EQ(c.calls[1].bkMode, bkOpaque);
}

TEST(SetRotatedFont, EscapementAndWidth) {
  TksFont f;
  SetRotatedFont(f, 270, 0);
  EXPECT_EQ(f.Escapement, 2700);
  EXPECT_EQ(f.CharWidth, 0);
  SetRotatedFont(f, 90, 7);
  EXPECT_EQ(f.Escapement, 900);
  EXPECT_EQ(f.CharWidth, 7);
  RecordingCanvas c;
  c.Font.CharWidth = 7;
  EXPECT_EQ(c.TextWidth(u"abc"), 21);
}

TEST(MaxLineWidth, LargestLineOrZero) {
  RecordingCanvas c;
  c.Font.SetHeight(-10);  // 6 px per character
  EXPECT_EQ(MaxLineWidth(c, {}), 0);
  EXPECT_EQ(MaxLineWidth(c, {u"ab", u"abcd", u""}), 24);
}

TEST(FontSize, HeightAtScreenResolution) {
  TksFont f;
  EXPECT_EQ(f.Height(), -13);
  EXPECT_EQ(f.Size(), 10);
  f.SetSize(12);
  EXPECT_EQ(f.Height(), -16);
  f.SetHeight(-20);
  EXPECT_EQ(f.Size(), 15);
}
