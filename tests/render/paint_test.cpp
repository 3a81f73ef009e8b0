// The paint pipeline on the recording canvas: layout, bars, text, decorations, errors.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>

#include "engine/barcode.h"
#include "engine/decor.h"
#include "engine/params.h"
#include "engine/ustring.h"
#include "render/paint.h"
#include "render/recording_canvas.h"

using namespace ks;

namespace {

std::vector<CanvasCall> Ops(const RecordingCanvas& c, const std::string& op) {
  std::vector<CanvasCall> r;
  for (const auto& call : c.calls)
    if (call.op == op) r.push_back(call);
  return r;
}

// Bounding box of a polygon.
TRect Box(const CanvasCall& c) {
  TRect r{INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN};
  for (const auto& p : c.pts) {
    r.Left = std::min(r.Left, p.X);
    r.Top = std::min(r.Top, p.Y);
    r.Right = std::max(r.Right, p.X);
    r.Bottom = std::max(r.Bottom, p.Y);
  }
  return r;
}

std::vector<CanvasCall> BarPolygons(const RecordingCanvas& c, TColor barColor) {
  std::vector<CanvasCall> r;
  for (const auto& call : c.calls)
    if (call.op == "Polygon" && call.brush.Color == barColor && call.brush.Style == bsSolid) r.push_back(call);
  return r;
}

}  // namespace

TEST(Paint, Ean13BarsFollowThePattern) {
  TksBarcodeComponent bc;
  bc.SetLinesColor(0x112233);
  RecordingCanvas c;
  // 8 px shift for the margin, then one pixel per module for the 103 modules.
  PaintBarCode(bc, c, {0, 0, 112, 80});
  EXPECT_EQ(bc.ErrorInfo().Code(), erOK);
  auto bars = BarPolygons(c, 0x112233);
  // Every dark module of "1" is its own rectangle; a run of guard modules is one.
  const std::string p = bc.Bars().front();
  int expected = 0;
  for (size_t i = 0; i < p.size(); ++i)
    if (p[i] == '1' || (p[i] == '2' && (i == 0 || p[i - 1] != '2'))) ++expected;
  EXPECT_EQ(static_cast<int>(bars.size()), expected);
  // Guard bars reach the bottom with start/stop lines; data bars stop above the text.
  int guardBottom = 0, dataBottom = 80;
  for (const auto& b : bars) {
    TRect r = Box(b);
    int col = r.Left - 8;  // the rectangle starts after the eight margin blanks
    ASSERT_GE(col, 8);
    char ch = p[col];
    if (ch == '2') guardBottom = std::max(guardBottom, r.Bottom);
    else dataBottom = std::min(dataBottom, r.Bottom);
  }
  EXPECT_EQ(guardBottom, 80);
  EXPECT_LT(dataBottom, 80);
  // The first digit at the left, then the two groups of six digits.
  auto texts = Ops(c, "TextOut");
  ASSERT_GE(texts.size(), 3u);
  EXPECT_EQ(texts[0].text, u"9");
  EXPECT_EQ(texts[1].text, u"771210");
  EXPECT_EQ(texts[2].text, u"107001");
}

TEST(Paint, BackgroundFillsThePaintRectangleUnlessTransparent) {
  TksBarcodeComponent bc;
  bc.SetOptions(bc.Options() & ~OptionBit(boTransparent));
  bc.SetBackgroundColor(0x00FF00);
  RecordingCanvas c;
  PaintBarCode(bc, c, {0, 0, 112, 80});
  ASSERT_FALSE(c.calls.empty());
  EXPECT_EQ(c.calls[0].op, "Polygon");
  EXPECT_EQ(Box(c.calls[0]), (TRect{0, 0, 112, 80}));
  EXPECT_EQ(c.calls[0].brush.Color, 0x00FF00u);
  bc.SetOptions(bc.Options() | OptionBit(boReflectanceReversal));
  RecordingCanvas r;
  PaintBarCode(bc, r, {0, 0, 112, 80});
  EXPECT_EQ(r.calls[0].brush.Color, 0u);  // background takes the bar colour
  EXPECT_FALSE(BarPolygons(r, 0x00FF00).empty());
}

TEST(Paint, QuarterTurnKeepsTheSymbolInsideTheRectangle) {
  TksBarcodeComponent bc;
  bc.SetBarcodeSymbology(bcCode39Standard);
  bc.SetAngle(90);
  RecordingCanvas c;
  PaintBarCode(bc, c, {0, 0, 100, 300});
  EXPECT_EQ(bc.ErrorInfo().Code(), erOK);
  auto bars = BarPolygons(c, 0);
  ASSERT_FALSE(bars.empty());
  int minY = INT32_MAX, maxY = INT32_MIN;
  for (const auto& b : bars) {
    TRect r = Box(b);
    EXPECT_GE(r.Left, 0);
    EXPECT_LE(r.Right, 100);
    EXPECT_LE(r.Bottom - r.Top, 6) << "each bar becomes a horizontal stroke";
    EXPECT_GT(r.Right - r.Left, 50);
    minY = std::min(minY, r.Top);
    maxY = std::max(maxY, r.Bottom);
  }
  EXPECT_GE(minY, 0);
  EXPECT_LE(maxY, 300);
  // The first bar is at the bottom: the bar sequence runs up the height.
  EXPECT_EQ(Box(bars.front()).Bottom, maxY);
}

TEST(Paint, SymbolRectangleLosesAPixelOnOddSizes) {
  TksBarcodeComponent bc;
  bc.SetBarcodeSymbology(bcCode39Standard);
  bc.SetBarCode(u"A");
  bc.CaptionHuman().SetVisible(false);
  bc.SetOptions(bc.Options() & ~OptionBit(boSecurity));
  RecordingCanvas c;
  PaintBarCode(bc, c, {0, 0, 101, 51});
  auto bars = BarPolygons(c, 0);
  ASSERT_FALSE(bars.empty());
  int right = 0;
  for (const auto& b : bars) right = std::max(right, Box(b).Right);
  EXPECT_LE(right, 100);
  EXPECT_EQ(Box(bars.front()).Bottom, 50);
}

TEST(Paint, NarrowRectangleRaisesSmallPaintBoxUnlessAllowed) {
  TksBarcodeComponent bc;
  bc.ErrorInfo().SetMode(emSilent);
  RecordingCanvas c;
  PaintBarCode(bc, c, {0, 0, 100, 60});
  EXPECT_EQ(bc.ErrorInfo().Code(), erSmallPaintBox);
  bc.SetOptions((bc.Options() | OptionBit(boPaintIfSmall)) & ~OptionBit(boSecurity));
  RecordingCanvas c2;
  PaintBarCode(bc, c2, {0, 0, 100, 60});
  EXPECT_EQ(bc.ErrorInfo().Code(), erOK);
}

TEST(Paint, SecurityGivesWholePixelModules) {
  TksBarcodeComponent bc;
  RecordingCanvas c;
  PaintBarCode(bc, c, {0, 0, 300, 100});
  ASSERT_EQ(bc.ErrorInfo().Code(), erOK);
  // k = 292 div 103 = 2: every module is two pixels, the symbol 206 pixels from the
  // shifted left edge at 8.
  std::vector<bool> dark(300, false);
  for (const auto& b : BarPolygons(c, 0)) {
    TRect r = Box(b);
    for (int x = r.Left; x < r.Right; ++x) dark[x] = true;
  }
  const std::string p = bc.Bars().front();
  for (int x = 0; x < 300; ++x) {
    const int module = (x - 8) / 2;
    const bool expected = x >= 8 && module < static_cast<int>(p.size()) && p[module] != '0' && p[module] != ' ';
    EXPECT_EQ(dark[x], expected) << x;
  }
}

TEST(Paint, ErrorModes) {
  struct Case {
    TksBarcodeErrorMode mode;
    bool border, cross, hatch, text;
  } cases[] = {
      {emDrawErrorString, true, false, false, true},
      {emPaintRedCross, true, true, false, false},
      {emPaintRedBrush, true, false, true, false},
      {emSilent, false, false, false, false},
      {emHideOnError, false, false, false, false},
  };
  for (const auto& cs : cases) {
    TksBarcodeComponent bc;
    bc.SetBarCode(u"");
    bc.ErrorInfo().SetMode(cs.mode);
    RecordingCanvas c;
    PaintBarCode(bc, c, {0, 0, 300, 150});
    EXPECT_EQ(bc.ErrorInfo().Code(), erEmptyCode);
    bool border = false, cross = false, hatch = false;
    std::vector<std::u16string> texts;
    for (const auto& call : c.calls) {
      if (call.op == "FillRect" && call.brush.Color == clMoneyGreen) border = true;
      if (call.op == "Line" && call.pen.Color() == clRed) cross = true;
      if (call.op == "FillRect" && call.brush.Style == bsDiagCross) hatch = true;
      if (call.op == "TextOut") texts.push_back(call.text);
    }
    EXPECT_EQ(border, cs.border) << int(cs.mode);
    EXPECT_EQ(cross, cs.cross) << int(cs.mode);
    EXPECT_EQ(hatch, cs.hatch) << int(cs.mode);
    if (cs.text) {
      EXPECT_EQ(texts, (std::vector<std::u16string>{u"Chyba :", u"Prázdný kód."}));
    } else {
      EXPECT_TRUE(texts.empty()) << int(cs.mode);
    }
  }
}

TEST(Paint, RaisingModesLeaveThePaint) {
  TksBarcodeComponent bc;
  bc.SetBarCode(u"");
  bc.ErrorInfo().SetMode(emStandardRaise);
  RecordingCanvas c;
  try {
    PaintBarCode(bc, c, {0, 0, 100, 50});
    ADD_FAILURE();
  } catch (const ksBarcodeException&) {
    ADD_FAILURE() << "must be the ordinary exception";
  } catch (const Exception& e) {
    EXPECT_EQ(std::string(e.what()), "EAN 13( bcEan13 ) : \r\n\r\nPrázdný kód.");
  }
  bc.ErrorInfo().SetMode(emExtendedRaise);
  EXPECT_THROW(PaintBarCode(bc, c, {0, 0, 100, 50}), EAbort);
  bc.ErrorInfo().SetMode(emHideIfEmpty);
  RecordingCanvas quiet;
  PaintBarCode(bc, quiet, {0, 0, 100, 50});
  EXPECT_TRUE(quiet.calls.empty());
}

TEST(Paint, UnsupportedSymbologyShowsShapesOnly) {
  TksBarcodeComponent bc;
  bc.SetBarcodeSymbology(bcAztec);
  RecordingCanvas c;
  PaintBarCode(bc, c, {0, 0, 200, 100});
  EXPECT_EQ(bc.ErrorInfo().Code(), erNotSupported);
  EXPECT_TRUE(Ops(c, "TextOut").empty());
  EXPECT_FALSE(Ops(c, "FillRect").empty());
}

TEST(Paint, OwnMessageOfADirectRaiseIsShown) {
  TksBarcodeComponent bc;
  bc.SetBarcodeSymbology(bcAustraliaPost);
  bc.SetBarCode(u"1239987520");  // invalid FCC: raised with a message of its own
  RecordingCanvas c;
  PaintBarCode(bc, c, {0, 0, 400, 100});
  EXPECT_EQ(bc.ErrorInfo().Code(), erErrorInBarCode);
  auto texts = Ops(c, "TextOut");
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_EQ(texts[1].text, u"Invalid FCC, must be one from 11, 87, 45, 92, 59, 62, 44");
}

TEST(Paint, CanvasToolsAreRestored) {
  TksBarcodeComponent bc;
  RecordingCanvas c;
  c.Pen.SetColor(0xABCDEF);
  c.Brush.Color = 0x123456;
  c.Font.SetName("DejaVu Sans");
  PaintBarCode(bc, c, {0, 0, 300, 100});
  EXPECT_EQ(c.Pen.Color(), 0xABCDEFu);
  EXPECT_EQ(c.Brush.Color, 0x123456u);
  EXPECT_EQ(c.Font.Name(), "DejaVu Sans");
  EXPECT_EQ(c.Font.Escapement, 0);
}

TEST(Decorations, QuietZoneShrinksByFivePercentEvenWithoutIndicators) {
  TksBarcodeComponent bc;
  bc.QuietZone().SetVisible(true);
  bc.QuietZone().SetStyle(qzNone);
  RecordingCanvas c;
  TRect r{0, 0, 200, 100};
  PaintQuietZone(bc.QuietZone(), c, r);
  EXPECT_EQ(r, (TRect{10, 5, 190, 95}));
  EXPECT_TRUE(c.calls.empty());
  bc.QuietZone().SetStyle(qzLines);
  bc.QuietZone().SetSpace(0, 10);
  TRect r2{0, 0, 200, 100};
  PaintQuietZone(bc.QuietZone(), c, r2);
  EXPECT_EQ(r2, (TRect{30, 5, 190, 95}));
  EXPECT_EQ(Ops(c, "Polyline").size(), 4u);
}

TEST(Decorations, CaptionsTakeTheirStrip) {
  TksBarcodeComponent bc;
  RecordingCanvas c;
  TRect r{0, 0, 200, 100};
  PaintCaption(bc.CaptionUpper(), c, r, r.Center(), r.Width());
  EXPECT_EQ(r, (TRect{0, 0, 200, 100}));  // no lines: no space
  bc.CaptionUpper().SetText({u""});
  PaintCaption(bc.CaptionUpper(), c, r, {100, 50}, 200);
  EXPECT_GT(r.Top, 0);  // a single empty line still takes its height
  const int top = r.Top;
  bc.CaptionBottom().SetText({u"short", u"a longer line"});
  bc.CaptionBottom().SetAlignment(taRightJustify);
  bc.CaptionBottom().SetAutoSize(false);
  TRect r2{0, 0, 200, 100};
  RecordingCanvas c2;
  PaintCaption(bc.CaptionBottom(), c2, r2, {100, 50}, 200);
  EXPECT_LT(r2.Bottom, 100);
  auto texts = Ops(c2, "TextOut");
  ASSERT_EQ(texts.size(), 2u);
  for (const auto& t : texts) EXPECT_EQ(t.pts[0].X + c2.TextWidth(t.text), 200);
  EXPECT_GT(top, 1);
}

TEST(Decorations, CaptionHeightLimitShrinksTheFont) {
  TksBarcodeComponent bc;
  bc.CaptionUpper().SetText({u"a", u"b", u"c"});
  RecordingCanvas c;
  TRect r{0, 0, 200, 60};
  PaintCaption(bc.CaptionUpper(), c, r, {100, 30}, 200);
  // Three 13-px lines would take 65 % of 60 px; the font shrinks to keep within 25 %.
  EXPECT_LE(r.Top - 1, 60 * 25 / 100 + 3);
}

TEST(Decorations, HorizontalLinesAreEvenlySpaced) {
  TksBarcodeComponent bc;
  bc.HorzLines().SetLinesCount(3);
  bc.HorzLines().SetColor(0xFF);
  RecordingCanvas c;
  PaintHorzLines(bc.HorzLines(), c, {0, 0, 50, 100});
  auto lines = Ops(c, "Line");
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0].pts[0].Y, 25);
  EXPECT_EQ(lines[1].pts[0].Y, 50);
  EXPECT_EQ(lines[2].pts[0].Y, 75);
  EXPECT_EQ(lines[0].pen.Color(), 0xFFu);
  EXPECT_EQ(c.Pen.Color(), 0u);  // restored
}

// More lines than pixel rows all lie on the top edge: drawn once or twice (the parity
// matters to inverting pen modes), not 61 million times as a fuzzer once asked.
TEST(Decorations, HorizontalLinesBeyondThePixelRowsCollapse) {
  struct Case {
    int count;
    size_t drawn;
  } cases[] = {{99, 99}, {100, 2}, {101, 1}, {61011030, 2}, {61011031, 1}, {INT32_MAX, 1}};
  for (const auto& k : cases) {
    TksBarcodeComponent bc;
    bc.HorzLines().SetLinesCount(k.count);
    RecordingCanvas c;
    PaintHorzLines(bc.HorzLines(), c, {0, 0, 50, 100});
    auto lines = Ops(c, "Line");
    EXPECT_EQ(lines.size(), k.drawn) << k.count;
    for (const auto& l : lines) EXPECT_GE(l.pts[0].Y, 0) << k.count;
  }
}

// Settings far outside any sensible range (stored unchecked) keep the layout inside
// coordinate range instead of overflowing: the box shrinks to nothing or moves out.
TEST(Decorations, ExtremeSettingsStayInCoordinateRange) {
  constexpr int kFar = 1 << 28;
  auto inRange = [](const TRect& r) {
    return std::abs(r.Left) <= kFar && std::abs(r.Right) <= kFar && std::abs(r.Top) <= kFar &&
           std::abs(r.Bottom) <= kFar;
  };
  TksBarcodeComponent bc;
  bc.QuietZone().SetVisible(true);
  for (int size : {INT32_MAX, 2018517013, INT32_MIN + 1, 1000}) {
    bc.QuietZone().SetIndicatorSize(size);
    RecordingCanvas c;
    TRect r{0, 0, 200, 100};
    PaintQuietZone(bc.QuietZone(), c, r);
    EXPECT_TRUE(inRange(r)) << size;
  }
  for (int spacing : {INT32_MAX, INT32_MIN}) {
    bc.CaptionUpper().SetText(std::vector<std::u16string>(1000, u"line"));
    bc.CaptionUpper().SetLineSpacing(spacing);
    bc.CaptionUpper().Font().SetHeight(INT32_MIN);
    RecordingCanvas c;
    TRect r{0, 0, 200, 100};
    PaintCaption(bc.CaptionUpper(), c, r, r.Center(), r.Width());
    EXPECT_TRUE(inRange(r)) << spacing;
    for (const auto& t : Ops(c, "TextOut")) EXPECT_LE(std::abs(t.pts[0].Y), kFar) << spacing;
  }
  // A human-readable line in a font of two billion pixels, sized to the bars.
  for (int height : {INT32_MIN, -1819044973, INT32_MAX}) {
    TksBarcodeComponent linear;
    linear.SetBarcodeSymbology(bcTelepen);
    linear.SetBarCode(u"x");
    linear.CaptionHuman().Font().SetHeight(height);
    RecordingCanvas c;
    PaintBarCode(linear, c, {0, 0, 263, 263});
    for (const auto& t : Ops(c, "TextOut")) EXPECT_LE(std::abs(t.pts[0].Y), kFar) << height;
  }
}

TEST(Paint, PznIsLabelledWithItsPrefix) {
  TksBarcodeComponent bc;
  bc.SetBarcodeSymbology(bcPZN);
  bc.SetBarCode(u"123456");
  RecordingCanvas c;
  PaintBarCode(bc, c, {0, 0, 400, 100});
  ASSERT_EQ(bc.ErrorInfo().Code(), erOK);
  auto texts = Ops(c, "TextOut");
  ASSERT_FALSE(texts.empty());
  EXPECT_EQ(texts.back().text, u"PZN - 1234562");
}

TEST(Paint, UpcE1PrintsTheNumberSystemAndCheckDigitTheSymbolCarries) {
  TksBarcodeComponent bc;
  bc.SetBarcodeSymbology(bcUPCE1);
  bc.SetBarCode(u"0123456");
  RecordingCanvas c;
  PaintBarCode(bc, c, {0, 0, 300, 100});
  ASSERT_EQ(bc.ErrorInfo().Code(), erOK);
  auto texts = Ops(c, "TextOut");
  ASSERT_GE(texts.size(), 5u);
  // Readers decode this symbol as 1 123456 2.
  EXPECT_EQ(texts[0].text, u"123456");
  EXPECT_EQ(texts[3].text, u"1");
  EXPECT_EQ(texts[4].text, u"2");
}

// A matrix or PDF417 symbol needs a pixel for every module, across and down, in the
// symbol rectangle (which loses a pixel of an odd size); boPaintIfSmall paints anyway.
TEST(Paint, MatrixAndPdf417SymbolsNeedAPixelPerModule) {
  struct Case {
    TksBarcodeSymbology sym;
    const char* text;
    int w, h, angle;
    bool paintIfSmall;
    TksBarcodeErrorCode code;
  } cases[] = {
      {bcQRCode, "HELLO", 22, 22, 0, false, erOK},  // 21 x 21 modules
      {bcQRCode, "HELLO", 21, 21, 0, false, erSmallPaintBox},
      {bcQRCode, "HELLO", 10, 10, 0, false, erSmallPaintBox},
      {bcQRCode, "HELLO", 10, 10, 0, true, erOK},
      {bcQRCode, "HELLO", 200, 20, 0, false, erSmallPaintBox},
      {bcQRCode, "HELLO", 20, 200, 0, false, erSmallPaintBox},
      {bcQRCode, "HELLO", 21, 200, 90, false, erSmallPaintBox},  // the width runs down
      {bcQRCode, "HELLO", 22, 200, 90, false, erOK},
      {bcDataMatrix, "HELLO", 12, 12, 0, false, erOK},  // 12 x 12 modules
      {bcDataMatrix, "HELLO", 12, 11, 0, false, erSmallPaintBox},
      {bcPDF417, "HELLO", 400, 100, 0, false, erOK},
      {bcPDF417, "HELLO", 400, 2, 0, false, erSmallPaintBox},  // fewer pixel rows than rows
      {bcPDF417, "HELLO", 400, 2, 0, true, erOK},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.text) + " " + std::to_string(c.w) + " x " + std::to_string(c.h) + " at " +
                 std::to_string(c.angle));
    TksBarcodeComponent bc;
    bc.SetBarcodeSymbology(c.sym);
    bc.SetBarCode(FromUtf8(c.text));
    bc.SetAngle(c.angle);
    bc.ErrorInfo().SetMode(emSilent);
    if (c.paintIfSmall) bc.SetOptions(bc.Options() | OptionBit(boPaintIfSmall));
    RecordingCanvas canvas;
    PaintBarCode(bc, canvas, {0, 0, c.w, c.h});
    EXPECT_EQ(bc.ErrorInfo().Code(), c.code);
  }
}

// Painting an image: with reflectance reversal the whole surface takes the reversed
// background colour, not only the paint rectangle; without it the surface is left as it
// is. A symbology that draws no bars makes no image, while the preview still shows its
// background and text.
TEST(Paint, ImagesAreReversedToTheirEdgesAndHoldBars) {
  const TRect surface{0, 0, 300, 200}, paint{20, 20, 280, 180};
  for (bool reversed : {false, true}) {
    TksBarcodeComponent bc;
    bc.SetBarcodeSymbology(bcQRCode);
    bc.SetBarCode(u"HELLO");
    bc.SetLinesColor(0x112233);
    bc.SetBackgroundColor(0xDDEEFF);
    bc.SetOptions(reversed ? OptionBit(boReflectanceReversal) : 0);
    RecordingCanvas c;
    PaintBarcodeImage(c, surface, paint, &bc);
    EXPECT_EQ(bc.ErrorInfo().Code(), erOK);
    ASSERT_FALSE(c.calls.empty());
    EXPECT_EQ(Box(c.calls[0]), reversed ? surface : paint) << reversed;
    EXPECT_EQ(c.calls[0].brush.Color, reversed ? 0x112233u : 0xDDEEFFu) << reversed;
  }
  struct Case {
    TksBarcodeSymbology sym;
    const char16_t* text;
    TksBarcodeErrorCode image;
  } cases[] = {{bcPostBar, u"123", erNoSymbology}, {bcNone, u"123", erNoSymbology}, {bcCode128, u"123", erOK}};
  for (const auto& k : cases) {
    TksBarcodeComponent bc;
    bc.SetBarcodeSymbology(k.sym);
    bc.SetBarCode(k.text);
    bc.ErrorInfo().SetMode(emSilent);
    RecordingCanvas image, preview;
    PaintBarcodeImage(image, surface, surface, &bc);
    EXPECT_EQ(bc.ErrorInfo().Code(), k.image) << int(k.sym);
    PaintBarCode(bc, preview, surface);
    EXPECT_EQ(bc.ErrorInfo().Code(), erOK) << int(k.sym);
  }
}

// The ITF bearer frame and the bars stay inside the paint rectangle, also when the
// symbol fills the width.
TEST(Paint, ItfBarsAndFrameStayInsideThePaintRectangle) {
  for (int w : {262, 263, 400}) {
    for (bool security : {false, true}) {
      TksBarcodeComponent bc;
      bc.SetBarcodeSymbology(bcITF);
      bc.SetBarCode(u"1234567890123");
      bc.SetLinesColor(0x112233);
      bc.SetOptions(security ? OptionBit(boSecurity) : 0);
      RecordingCanvas c;
      const TRect r{0, 0, w, 100};
      PaintBarCode(bc, c, r);
      ASSERT_EQ(bc.ErrorInfo().Code(), erOK) << w;
      const auto bars = BarPolygons(c, 0x112233);
      ASSERT_GT(bars.size(), 4u);
      int right = 0;
      for (const auto& b : bars) {
        const TRect box = Box(b);
        EXPECT_GE(box.Left, r.Left) << w << " " << security;
        EXPECT_LE(box.Right, r.Right) << w << " " << security;
        right = std::max(right, box.Right);
      }
      // The frame's right side ends where the bars' room ends: at the symbol
      // rectangle's right edge when the modules fill the width.
      if (!security) {
        EXPECT_EQ(right, w / 2 * 2) << w;
      }
    }
  }
}
