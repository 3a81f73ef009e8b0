// The line under the main window's preview: it shows, a moment after the last change,
// whether the preview's own pixels read back.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QScrollArea>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <memory>
#include <optional>

#include "app/color_picker.h"
#include "app/main_window.h"
#include "app/preview_check.h"
#include "render/qt/barcode_control.h"

namespace ks {
namespace {

QString U(const char* utf8) { return QString::fromUtf8(utf8); }

class PreviewCheckTest : public ::testing::Test {
 protected:
  void SetUp() override {
    w = std::make_unique<Tfrm_main>();
    w->cb_color_code->ColorDialog = [this](QWidget*, TColor& c) {
      if (!pickedColor) return false;
      c = *pickedColor;
      return true;
    };
    w->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(w.get()));
    status = w->findChild<QLabel*>(QStringLiteral("lb_verify"));
    ASSERT_NE(status, nullptr);
  }

  void ChooseSymbology(const char* name) {
    const int index = w->cb_code->findText(U(name));
    ASSERT_GE(index, 0) << name;
    w->cb_code->setCurrentIndex(index);
  }
  // Waits for the line to read `text` (the whole line is the tool tip; the label may
  // shorten it to its width).
  bool ShowsSoon(const QString& text) {
    return QTest::qWaitFor([&] { return status->toolTip() == text; }, 5000);
  }
  QColor Colour() const { return status->palette().color(QPalette::WindowText); }

  std::unique_ptr<Tfrm_main> w;
  QLabel* status = nullptr;
  std::optional<TColor> pickedColor;
};

TEST_F(PreviewCheckTest, TypedEan13ReadsAndBarsInTheBackgroundColourDoNot) {
  ChooseSymbology("EAN 13");
  QTest::keyClicks(w->ED_CODE, QStringLiteral("400638133393"));
  EXPECT_TRUE(ShowsSoon(U("✓ Čitelné: 4006381333931"))) << status->toolTip().toStdString();
  EXPECT_EQ(Colour(), QColor(TksPreviewCheck::StatusColor(VerifyStatus::Read)));
  EXPECT_EQ(w->previewCheck->Status(), VerifyStatus::Read);

  // The bar colour picked equal to the background colour.
  ASSERT_EQ(w->Barcode1->BackgroundColor(), clWhite);
  pickedColor = clWhite;
  QTest::mouseClick(w->cb_color_code, Qt::LeftButton);
  ASSERT_EQ(w->Barcode1->LinesColor(), clWhite);
  EXPECT_TRUE(ShowsSoon(U("✗ Nečitelné"))) << status->toolTip().toStdString();
  EXPECT_EQ(Colour(), QColor(TksPreviewCheck::StatusColor(VerifyStatus::Unreadable)));

  // Back to dark bars: readable again.
  pickedColor = clBlack;
  QTest::mouseClick(w->cb_color_code, Qt::LeftButton);
  EXPECT_TRUE(ShowsSoon(U("✓ Čitelné: 4006381333931"))) << status->toolTip().toStdString();
}

TEST_F(PreviewCheckTest, SymbologyNoDecoderReadsShowsNotVerifiable) {
  ChooseSymbology("EAN 13");
  QTest::keyClicks(w->ED_CODE, QStringLiteral("400638133393"));
  ASSERT_TRUE(ShowsSoon(U("✓ Čitelné: 4006381333931")));
  ChooseSymbology("PostNet");
  EXPECT_TRUE(ShowsSoon(U("Nelze ověřit"))) << status->toolTip().toStdString();
  EXPECT_EQ(Colour(), QColor(TksPreviewCheck::StatusColor(VerifyStatus::NotVerifiable)));
}

// The line takes the free space under the preview and leaves every other control where
// it was; it follows the preview when the sliders resize it.
TEST_F(PreviewCheckTest, LineSitsUnderThePreview) {
  QWidget* area = w->preview;
  ASSERT_EQ(status->parentWidget(), area);
  EXPECT_EQ(w->Barcode1->geometry(), QRect(0, 0, 251, 178));
  EXPECT_GT(status->y(), w->Barcode1->geometry().bottom());
  EXPECT_LE(status->geometry().bottom(), area->height() - 1);
  EXPECT_LE(status->mapTo(w.get(), QPoint(0, status->height())).y(), w->sSpeedButton2->mapTo(w.get(), QPoint(0, 0)).y());
  w->tb_height->setValue(120);
  EXPECT_EQ(status->y(), 120 + 6);
}

TEST(PreviewCheckText, CzechLines) {
  VerifyResult r;
  r.status = VerifyStatus::Read;
  r.decoded = "4006381333931";
  EXPECT_EQ(TksPreviewCheck::StatusText(r), U("✓ Čitelné: 4006381333931"));
  r.status = VerifyStatus::Misread;
  r.decoded = "5901234123457";
  EXPECT_EQ(TksPreviewCheck::StatusText(r), U("✗ Nečitelné (přečteno: 5901234123457)"));
  r.status = VerifyStatus::Unreadable;
  r.decoded = "";
  EXPECT_EQ(TksPreviewCheck::StatusText(r), U("✗ Nečitelné"));
  r.status = VerifyStatus::NotVerifiable;
  EXPECT_EQ(TksPreviewCheck::StatusText(r), U("Nelze ověřit"));
}

}  // namespace
}  // namespace ks

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
