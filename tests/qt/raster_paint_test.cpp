// Painting into images takes short cuts: fills go straight into the image's pixels,
// adjacent bars and runs of equal modules are filled as one rectangle, fonts are kept
// between calls. These tests paint every supported symbology both ways, the short cuts
// against QPainter's own fills with every bar and module drawn on its own, and require
// the same pixels.
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <string>
#include <vector>

#include "engine/barcode.h"
#include "engine/persistent.h"
#include "engine/symbology.h"
#include "render/canvas.h"
#include "render/paint.h"
#include "render/qt/qt_canvas.h"

using namespace ks;

namespace {

// The QPainter canvas without the merging of fills.
class UnmergedCanvas : public QtCanvas {
 public:
  using QtCanvas::QtCanvas;
  bool PixelExact() const override { return false; }
};

// Paints with every short cut.
QImage PaintFast(TksBarcodeComponent& bc, int w, int h) {
  QImage img(w, h, QImage::Format_RGB32);
  img.fill(Qt::white);
  QPainter p(&img);
  QtCanvas c(&p);
  EXPECT_TRUE(c.PixelExact());
  PaintBarCode(bc, c, {0, 0, w - 1, h - 1});
  return img;
}

// Paints through QPainter's fills (a clip, even one covering the whole image, keeps the
// canvas from writing pixels itself) with every fill as the painters describe it.
QImage PaintReference(TksBarcodeComponent& bc, int w, int h) {
  QImage img(w, h, QImage::Format_RGB32);
  img.fill(Qt::white);
  QPainter p(&img);
  p.setClipRect(0, 0, w, h);
  UnmergedCanvas c(&p);
  PaintBarCode(bc, c, {0, 0, w - 1, h - 1});
  return img;
}

// Index of the first pixel that differs, -1 when none does.
long FirstDifference(const QImage& a, const QImage& b) {
  if (a.size() != b.size()) return 0;
  for (int y = 0; y < a.height(); ++y) {
    const QRgb* ra = reinterpret_cast<const QRgb*>(a.constScanLine(y));
    const QRgb* rb = reinterpret_cast<const QRgb*>(b.constScanLine(y));
    for (int x = 0; x < a.width(); ++x)
      if ((ra[x] & 0xFFFFFF) != (rb[x] & 0xFFFFFF)) return static_cast<long>(y) * a.width() + x;
  }
  return -1;
}

struct Setting {
  const char* name;
  std::vector<std::pair<const char*, const char*>> sets;
};

const std::vector<Setting> kSettings = {
    {"default", {}},
    {"quarter turn, security, guard lines", {{"Angle", "90"}, {"Options", "boSecurity,boStartStopLines"}}},
    {"half turn, add-on up, reversed", {{"Angle", "180"}, {"Options", "boAddOnUp,boReflectanceReversal"}}},
    {"three quarters, transparent, flipped",
     {{"Angle", "270"}, {"Options", "boTransparent,boFlipHorizontal,boFlipVertical"}}},
    {"no human-readable line, blue on yellow",
     {{"CaptionHuman.Visible", "False"}, {"LinesColor", "16711680"}, {"BackgroundColor", "65535"}}},
};

}  // namespace

TEST(RasterPaint, EverySymbologyPaintsTheSamePixelsBothWays) {
  // Sizes: one with room, one narrower than most patterns (painted when small), one
  // with odd sides.
  const std::vector<std::pair<int, int>> sizes = {{339, 174}, {97, 61}, {251, 178}};
  int compared = 0;
  for (int s = 0; s < kSymbologyRows; ++s) {
    const auto sym = static_cast<TksBarcodeSymbology>(s);
    if (!SymbologySupported(sym) || sym == bcNone) continue;
    for (const Setting& setting : kSettings) {
      TksBarcodeComponent bc;
      bc.ErrorInfo().SetMode(emDrawErrorString);
      bc.SetBarcodeSymbology(sym);
      for (const auto& [path, value] : setting.sets) ASSERT_EQ(SetPropertyText(bc, path, value), SetResult::Ok);
      bc.SetOptions(bc.Options() | OptionBit(boPaintIfSmall));
      for (const auto& [w, h] : sizes) {
        const QImage fast = PaintFast(bc, w, h);
        const QImage reference = PaintReference(bc, w, h);
        EXPECT_EQ(FirstDifference(fast, reference), -1)
            << SymbologyIdentifier(sym) << ", " << setting.name << ", " << w << " x " << h;
        ++compared;
      }
    }
  }
  EXPECT_GT(compared, 100);
}

TEST(RasterPaint, LargeMatrixSymbolsPaintTheSamePixelsBothWays) {
  // Many modules of one colour in a column: the merged runs must end exactly where the
  // colour changes, also when modules are only partly a pixel wide.
  struct Case {
    TksBarcodeSymbology sym;
    std::u16string text;
    int w, h;
  };
  const std::u16string longText(1200, u'7');
  const std::vector<Case> cases = {
      {bcQRCode, longText, 740, 740}, {bcQRCode, longText, 251, 178}, {bcDataMatrix, longText, 300, 301},
      {bcPDF417, longText, 1000, 500}, {bcDataMatrix, u"A", 7, 9},
  };
  for (const auto& c : cases) {
    TksBarcodeComponent bc;
    bc.SetBarcodeSymbology(c.sym);
    bc.SetBarCode(c.text);
    bc.SetOptions(bc.Options() | OptionBit(boPaintIfSmall));
    EXPECT_EQ(FirstDifference(PaintFast(bc, c.w, c.h), PaintReference(bc, c.w, c.h)), -1)
        << SymbologyIdentifier(c.sym) << " " << c.w << " x " << c.h;
  }
}

TEST(RasterPaint, DirectFillsStayInsideTheImage) {
  // Rectangles partly or wholly outside the image, and empty ones.
  const std::vector<TRect> rects = {{-5, -5, 3, 4}, {95, 55, 130, 90}, {-20, 10, -1, 20}, {10, 10, 10, 30},
                                    {40, 20, 41, 21}, {0, 0, 100, 60}, {30, 70, 50, 90}};
  for (const TRect& r : rects) {
    QImage fast(100, 60, QImage::Format_RGB32), reference(100, 60, QImage::Format_RGB32);
    fast.fill(Qt::white);
    reference.fill(Qt::white);
    {
      QPainter p(&fast);
      QtCanvas c(&p);
      c.Brush.Color = clBlue;
      c.FillRect(r);
      c.Pen.SetStyle(psClear);
      c.Polygon({{r.Left, r.Top}, {r.Right, r.Top}, {r.Right, r.Bottom}, {r.Left, r.Bottom}});
    }
    {
      QPainter p(&reference);
      p.setClipRect(0, 0, 100, 60);
      QtCanvas c(&p);
      c.Brush.Color = clBlue;
      c.FillRect(r);
      c.Pen.SetStyle(psClear);
      c.Polygon({{r.Left, r.Top}, {r.Right, r.Top}, {r.Right, r.Bottom}, {r.Left, r.Bottom}});
    }
    EXPECT_EQ(FirstDifference(fast, reference), -1) << r.Left << "," << r.Top << "," << r.Right << "," << r.Bottom;
  }
}

TEST(RasterPaint, OnlyUntransformedRasterPaintingMergesFills) {
  QImage img(10, 10, QImage::Format_RGB32);
  QPainter p(&img);
  QtCanvas c(&p);
  EXPECT_TRUE(c.PixelExact());
  p.scale(2, 2);
  EXPECT_FALSE(c.PixelExact());
}

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
