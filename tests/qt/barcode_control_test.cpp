// The barcode control: size on creation and with automatic sizing, setters that
// repaint, the automatic hint, refusals, double-click, painting, clipboard, copying,
// the access interface and the property table. Runs offscreen.
#include "render/qt/barcode_control.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QImage>
#include <QMimeData>
#include <QPainter>
#include <QTest>
#include <functional>
#include <string>
#include <vector>

#include "engine/decor.h"
#include "engine/symbology.h"
#include "engine/ustring.h"
#include "render/paint.h"
#include "render/qt/qt_canvas.h"

namespace ks {
namespace {

// A control that counts its paints.
class CountingBarcode : public TksBarcode {
 public:
  using TksBarcode::TksBarcode;
  int paints = 0;
  void Paint(QPainter& painter) override {
    ++paints;
    TksBarcode::Paint(painter);
  }
};

// Replaces a global hook for the length of a test.
template <class F>
class HookSwap {
 public:
  HookSwap(F& hook, F replacement) : hook_(hook), saved_(hook) { hook_ = std::move(replacement); }
  ~HookSwap() { hook_ = saved_; }

 private:
  F& hook_;
  F saved_;
};

// The control painted by the paint pipeline into an image of its size.
QImage Rendered(TksCustomBarcode& control) {
  QImage image(control.width(), control.height(), QImage::Format_RGB32);
  image.fill(Qt::white);
  QPainter painter(&image);
  QtCanvas canvas(&painter, kScreenPixelsPerInch);
  PaintBarCode(*control.BarcodeComponent(), canvas, control.ClientRect());
  return image;
}

QImage Grabbed(QWidget& w) { return w.grab().toImage().convertToFormat(QImage::Format_RGB32); }

int CountColor(const QImage& image, QRgb rgb) {
  int n = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if ((image.pixel(x, y) & 0xFFFFFF) == (rgb & 0xFFFFFF)) ++n;
  return n;
}

// The error display: the box in money green with the message in red over it.
void ExpectErrorBox(const QImage& shown) {
  EXPECT_EQ(shown.pixel(0, 0) & 0xFFFFFF, 0xC0DCC0u);
  int red = 0;
  for (int y = 0; y < shown.height(); ++y)
    for (int x = 0; x < shown.width(); ++x) {
      const QRgb p = shown.pixel(x, y);
      if (qRed(p) > 200 && qGreen(p) < 80 && qBlue(p) < 80) ++red;
    }
  EXPECT_GT(red, 20) << "no message text";
}

class BarcodeControlTest : public ::testing::Test {
 protected:
  void SetUp() override {
    control.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&control));
    control.paints = 0;
  }
  CountingBarcode control;
};

TEST(BarcodeControlCreate, NewControlIs160By80WithTheDefaultBarcode) {
  TksBarcode control;
  EXPECT_EQ(control.width(), 160);
  EXPECT_EQ(control.height(), 80);
  EXPECT_EQ(control.BarCode(), u"9771210107001");
  EXPECT_EQ(control.BarcodeSymbology(), bcEan13);
  EXPECT_EQ(control.Font().Name(), "Arial");
  EXPECT_EQ(control.Font().Size(), 16);
  EXPECT_EQ(control.BarcodeComponent()->Owner(), static_cast<TksComponent*>(&control));
}

TEST_F(BarcodeControlTest, EveryEffectiveSetterRepaintsAndEqualValuesDoNot) {
  struct Case {
    const char* name;
    std::function<void(TksCustomBarcode&)> change;
    std::function<bool(const TksCustomBarcode&)> applied;
    bool equalValueIsSilent = true;
  };
  const Case cases[] = {
      {"BarCode", [](auto& c) { c.SetBarCode(u"4006381333931"); }, [](auto& c) { return c.BarCode() == u"4006381333931"; }},
      {"BarcodeSymbology", [](auto& c) { c.SetBarcodeSymbology(bcCode128); },
       [](auto& c) { return c.BarcodeSymbology() == bcCode128 && c.BarCode() == u"TAVRIX"; }},
      {"LinesColor", [](auto& c) { c.SetLinesColor(clBlue); }, [](auto& c) { return c.LinesColor() == clBlue; }},
      {"BackgroundColor", [](auto& c) { c.SetBackgroundColor(clYellow); },
       [](auto& c) { return c.BackgroundColor() == clYellow; }},
      {"Angle", [](auto& c) { c.SetAngle(90); }, [](auto& c) { return c.Angle() == 90; }},
      {"Options", [](auto& c) { c.SetOptions(OptionBit(boSecurity)); },
       [](auto& c) { return c.Options() == OptionBit(boSecurity); }},
      // Changes inside owned objects reach the control through the object's notification.
      // Caption texts are copied and announced on every write.
      {"CaptionUpper.Text", [](auto& c) { c.CaptionUpper().SetText({u"Hello"}); },
       [](auto& c) { return c.CaptionUpper().Text().size() == 1; }, false},
      {"QuietZone.Visible", [](auto& c) { c.QuietZone().SetVisible(true); }, [](auto& c) { return c.QuietZone().Visible(); }},
      {"CaptionHuman.Font.Color", [](auto& c) { c.CaptionHuman().Font().SetColor(clRed); },
       [](auto& c) { return c.CaptionHuman().Font().Color() == clRed; }},
      {"Params.Ratio", [](auto& c) { c.Params().SetRatio(ra30); }, [](auto& c) { return c.Params().Ratio() == ra30; }},
      {"Font.Size", [](auto& c) { c.Font().SetSize(30); }, [](auto& c) { return c.Font().Size() == 30; }},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.name);
    control.paints = 0;
    k.change(control);
    EXPECT_TRUE(k.applied(control));
    EXPECT_GE(control.paints, 1);
    control.paints = 0;
    k.change(control);
    if (k.equalValueIsSilent) {
      EXPECT_EQ(control.paints, 0) << "the same value again";
    }
  }
}

TEST_F(BarcodeControlTest, AutomaticHintFollowsTheTextOnlyWithAutoHint) {
  ASSERT_TRUE(control.BarcodeComponent()->HasOption(boAutoHint));
  control.SetBarCode(u"400638133393");
  const TksBarCodeInfo info = SymbologyInfo(bcEan13, u"");
  const std::string expected = "Symbology  name : " + info.Name +
                               "\r\nEnumerated name : bcEan13\r\nSymbology type  : stLinear\r\nCurrent value   : "
                               "4006381333931\r\nCharset         : " +
                               ToUtf8(info.Chars) + "\r\n";
  EXPECT_EQ(control.Hint().toStdString(), expected);

  // The same text again renews nothing.
  control.SetHint(QStringLiteral("kept"));
  control.SetBarCode(u"4006381333931");
  EXPECT_EQ(control.Hint(), QStringLiteral("kept"));

  // Without boAutoHint the hint is left alone.
  control.SetOptions(control.Options() & ~OptionBit(boAutoHint));
  control.SetBarCode(u"123456789012");
  EXPECT_EQ(control.Hint(), QStringLiteral("kept"));
}

TEST_F(BarcodeControlTest, AutoSizeWidensToMinWidthAndNeverNarrows) {
  control.SetOptions(0);
  control.SetBarcodeSymbology(bcCode128);
  control.SetBarCode(u"Barvello automatic size 0123456789");
  control.resize(100, 80);
  const int minWidth = control.MinWidth();
  ASSERT_GT(minWidth, 100);

  control.SetOptions(OptionBit(boAutoSize));
  EXPECT_EQ(control.width(), minWidth);
  EXPECT_EQ(control.height(), 80);

  control.SetBarCode(u"short");
  control.SetOptions(0);
  EXPECT_EQ(control.width(), minWidth);
  // Switching it on again with a control already wide enough keeps the width.
  control.SetOptions(OptionBit(boAutoSize));
  EXPECT_EQ(control.width(), minWidth);
}

TEST_F(BarcodeControlTest, AutoSizeWithATextThatCannotBeEncodedKeepsTheSizeAndShowsTheError) {
  control.SetOptions(0);
  control.SetBarCode(u"12AB");
  ASSERT_THROW(control.MinWidth(), ksBarcodeException);
  control.resize(90, 80);
  EXPECT_NO_THROW(control.SetOptions(OptionBit(boAutoSize)));
  EXPECT_EQ(control.Options(), OptionBit(boAutoSize));
  EXPECT_EQ(control.width(), 90);
  ExpectErrorBox(Grabbed(control));
}

TEST_F(BarcodeControlTest, SymbologiesWithoutEncoderAreRefusedWithAMessage) {
  std::vector<std::string> messages;
  HookSwap<MessageFunction> swap(BarcodeMessage(),
                                 [&](QWidget*, const std::string& m) { messages.push_back(m); });
  for (TksBarcodeSymbology refused : {bcCodablockF, bcCode16K}) {
    SCOPED_TRACE(SymbologyIdentifier(refused));
    messages.clear();
    control.paints = 0;
    control.SetBarcodeSymbology(refused);
    EXPECT_EQ(control.BarcodeSymbology(), bcEan13);
    EXPECT_EQ(control.BarCode(), u"9771210107001");
    EXPECT_EQ(control.paints, 0);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], "Sorry,not supported now.");
  }
}

TEST_F(BarcodeControlTest, DoubleClickOpensTheEditorOnlyWithEnableEditorAndNoHandler) {
  struct Case {
    const char* name;
    bool enableEditor;
    bool handler;
    int editorRuns;
    int handlerRuns;
  };
  const Case cases[] = {
      {"editor enabled, no handler", true, false, 1, 0},
      {"editor enabled, handler", true, true, 0, 1},
      {"editor disabled, handler", false, true, 0, 1},
      {"editor disabled, no handler", false, false, 0, 0},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.name);
    int editorRuns = 0, handlerRuns = 0;
    TksBarcodeComponent* edited = nullptr;
    HookSwap<BarcodeEditorFunction> swap(BarcodeEditor(), [&](IBarcodeAccess& target, QWidget*) {
      ++editorRuns;
      edited = target.BarcodeComponent();
      return true;
    });
    TksBarcodeOptions options = control.Options() & ~OptionBit(boEnableEditor);
    if (k.enableEditor) options |= OptionBit(boEnableEditor);
    control.SetOptions(options);
    control.OnDblClick = nullptr;
    if (k.handler) control.OnDblClick = [&](TksComponent* sender) {
      EXPECT_EQ(sender, static_cast<TksComponent*>(&control));
      ++handlerRuns;
    };
    QTest::mouseDClick(&control, Qt::LeftButton, {}, QPoint(20, 20));
    EXPECT_EQ(editorRuns, k.editorRuns);
    EXPECT_EQ(handlerRuns, k.handlerRuns);
    if (k.editorRuns) {
      EXPECT_EQ(edited, control.BarcodeComponent());
    }
  }
  control.OnDblClick = nullptr;
}

TEST_F(BarcodeControlTest, DoubleClickWithoutAnInstalledEditorDoesNothing) {
  HookSwap<BarcodeEditorFunction> swap(BarcodeEditor(), nullptr);
  ASSERT_TRUE(control.BarcodeComponent()->HasOption(boEnableEditor));
  const std::u16string before = control.BarCode();
  QTest::mouseDClick(&control, Qt::LeftButton, {}, QPoint(20, 20));
  EXPECT_EQ(control.BarCode(), before);
}

TEST_F(BarcodeControlTest, ClickFiresOnClick) {
  int clicks = 0;
  control.OnClick = [&](TksComponent*) { ++clicks; };
  QTest::mouseClick(&control, Qt::LeftButton, {}, QPoint(10, 10));
  EXPECT_EQ(clicks, 1);
  control.OnClick = nullptr;
}

TEST_F(BarcodeControlTest, PaintShowsWhatThePipelinePaintsInTheClientRectangle) {
  control.SetOptions(0);  // an opaque background, so the whole rectangle is painted
  control.SetLinesColor(clBlue);
  control.SetBarCode(u"400638133393");
  control.resize(240, 120);
  const QImage shown = Grabbed(control);
  EXPECT_EQ(shown, Rendered(control));
  EXPECT_GT(CountColor(shown, qRgb(0, 0, 255)), 500);  // blue bars
}

TEST_F(BarcodeControlTest, PaintDoesNotUseTheControlFont) {
  control.SetBarCode(u"400638133393");
  control.CaptionUpper().SetParentFont(true);
  control.CaptionUpper().SetText({u"Upper caption"});
  control.resize(240, 140);
  const QImage before = Grabbed(control);
  control.Font().SetSize(40);
  control.Font().SetName("DejaVu Serif");
  EXPECT_EQ(Grabbed(control), before);
}

TEST_F(BarcodeControlTest, RaiseModesAreShownOnTheControlInsteadOfEscapingThePaint) {
  for (TksBarcodeErrorMode mode : {emStandardRaise, emExtendedRaise}) {
    SCOPED_TRACE(static_cast<int>(mode));
    control.ErrorInfo().SetMode(mode);
    control.SetBarCode(u"12AB");
    control.resize(200, 100);
    const QImage shown = Grabbed(control);  // must not throw out of the paint event
    if (mode == emStandardRaise) ExpectErrorBox(shown);
    control.SetBarCode(u"9771210107001");
  }
}

TEST_F(BarcodeControlTest, CopyToClipboardPutsTheControlImage) {
  control.SetBarCode(u"400638133393");
  control.resize(210, 90);
  QGuiApplication::clipboard()->clear();
  control.CopyToClipboard();
  const QImage copied = QGuiApplication::clipboard()->image().convertToFormat(QImage::Format_RGB32);
  ASSERT_EQ(copied.size(), QSize(210, 90));
  EXPECT_EQ(copied, Rendered(control));
}

TEST_F(BarcodeControlTest, CopyToClipboardWMFPutsTheMetafileAndSvgOfTheControlSize) {
  control.resize(200, 100);
  struct Call {
    int w, h;
    TRect r;
  };
  std::vector<Call> calls;
  HookSwap<EnhancedMetafileFunction> swap(EnhancedMetafileRenderer(),
                                          [&](TksBarcodeComponent& bc, int w, int h, const TRect& r) {
                                            EXPECT_EQ(&bc, control.BarcodeComponent());
                                            calls.push_back({w, h, r});
                                            return std::string("EMF-BYTES");
                                          });
  control.CopyToClipboardWMF();
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].w, 200);
  EXPECT_EQ(calls[0].h, 100);
  EXPECT_EQ(calls[0].r, (TRect{0, 0, 200, 100}));
  const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
  ASSERT_NE(mime, nullptr);
  EXPECT_EQ(mime->data("image/x-emf"), QByteArray("EMF-BYTES"));
  const QByteArray svg = mime->data("image/svg+xml");
  EXPECT_TRUE(svg.contains("<svg")) << svg.left(200).toStdString();
  EXPECT_TRUE(svg.contains("viewBox=\"0 0 200 100\"")) << svg.left(400).toStdString();
}

TEST_F(BarcodeControlTest, PrintPaintsIntoTheGivenRectangleOfTheJob) {
  control.SetOptions(0);
  control.SetBarCode(u"400638133393");
  QImage page(500, 300, QImage::Format_RGB32);
  page.fill(Qt::white);
  QPainter painter(&page);
  control.Print(painter, TRect{100, 50, 400, 250});
  painter.end();

  QImage expected(500, 300, QImage::Format_RGB32);
  expected.fill(Qt::white);
  QPainter direct(&expected);
  QtCanvas canvas(&direct, kScreenPixelsPerInch);
  PaintBarCode(*control.BarcodeComponent(), canvas, TRect{100, 50, 400, 250});
  direct.end();
  EXPECT_EQ(page, expected);
  // Nothing outside the rectangle, the symbol inside it.
  EXPECT_EQ(CountColor(page.copy(0, 0, 100, 300), qRgb(255, 255, 255)), 100 * 300);
  EXPECT_LT(CountColor(page.copy(100, 50, 300, 200), qRgb(255, 255, 255)), 300 * 200);
}

TEST(BarcodeControlAssign, AssignCopiesTheBarcodeAndFontFromAnotherControlOnly) {
  TksBarcode source, target;
  source.SetBarcodeSymbology(bcCode128);
  source.SetBarCode(u"Assign me");
  source.SetLinesColor(clRed);
  source.SetAngle(180);
  source.CaptionUpper().SetText({u"up"});
  source.Font().SetName("DejaVu Serif");
  source.Font().SetSize(20);

  target.Assign(source);
  EXPECT_EQ(target.BarcodeSymbology(), bcCode128);
  EXPECT_EQ(target.BarCode(), u"Assign me");
  EXPECT_EQ(target.LinesColor(), clRed);
  EXPECT_EQ(target.Angle(), 180);
  EXPECT_EQ(target.CaptionUpper().Text(), std::vector<std::u16string>{u"up"});
  EXPECT_EQ(target.Font().Name(), "DejaVu Serif");
  EXPECT_EQ(target.Font().Size(), 20);
  EXPECT_NE(target.BarcodeComponent(), source.BarcodeComponent());

  TksBarcodeComponent object;
  EXPECT_THROW(target.Assign(object), Exception);

  TksBarcode other;
  other.AssignOnlyBarcode(nullptr);
  EXPECT_EQ(other.BarCode(), u"9771210107001");
  other.AssignOnlyBarcode(&source);
  EXPECT_EQ(other.BarCode(), u"Assign me");
}

TEST(BarcodeControlAccess, BothTheControlAndTheObjectOfferTheAccessInterface) {
  TksBarcode control;
  IBarcodeAccess& viaControl = control;
  EXPECT_EQ(viaControl.BarcodeComponent(), control.BarcodeComponent());
  viaControl.BarcodeComponent()->SetBarCode(u"123456789012");
  EXPECT_EQ(control.BarCode(), u"1234567890128");

  TksBarcodeComponent object;
  IBarcodeAccess& viaObject = object;
  EXPECT_EQ(viaObject.BarcodeComponent(), &object);
}

TEST(BarcodeControlProperties, PublishedPropertiesReadAndWriteTheOwnedObject) {
  TksBarcode control;
  struct Case {
    const char* path;
    const char* value;
    std::function<bool(const TksBarcode&)> applied;
  };
  const Case cases[] = {
      {"BarcodeSymbology", "bcCode39Standard", [](auto& c) { return c.BarcodeSymbology() == bcCode39Standard; }},
      {"BarCode", "ABC-123", [](auto& c) { return c.BarCode() == u"ABC-123"; }},
      {"LinesColor", "255", [](auto& c) { return c.LinesColor() == clRed; }},
      {"Angle", "270", [](auto& c) { return c.Angle() == 270; }},
      {"Options", "boSecurity,boAutoSize", [](auto& c) {
         return c.Options() == (OptionBit(boSecurity) | OptionBit(boAutoSize));
       }},
      {"Font.Name", "DejaVu Sans", [](auto& c) { return c.Font().Name() == "DejaVu Sans"; }},
      {"CaptionHuman.Font.Name", "Liberation Serif",
       [](auto& c) { return c.CaptionHuman().Font().Name() == "Liberation Serif"; }},
      {"QuietZone.Visible", "True", [](auto& c) { return c.QuietZone().Visible(); }},
      {"ErrorInfo.Mode", "emPaintRedCross", [](auto& c) { return c.ErrorInfo().Mode() == emPaintRedCross; }},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.path);
    ASSERT_EQ(SetPropertyText(control, k.path, k.value), SetResult::Ok);
    EXPECT_TRUE(k.applied(control));
    std::string read;
    ASSERT_TRUE(GetPropertyText(control, k.path, read));
  }
  std::string text;
  ASSERT_TRUE(GetPropertyText(control, "BarCode", text));
  EXPECT_EQ(text, "ABC-123");
  EXPECT_EQ(SetPropertyText(control, "NoSuchProperty", "1"), SetResult::NotFound);
}

TEST_F(BarcodeControlTest, InvalidateEventSchedulesARepaint) {
  QCoreApplication::postEvent(&control, new QEvent(kInvalidateEvent));
  EXPECT_TRUE(QTest::qWaitFor([&] { return control.paints > 0; }, 2000));
}

}  // namespace
}  // namespace ks

int main(int argc, char** argv) {
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
