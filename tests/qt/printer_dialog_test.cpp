// The label printing settings dialog: what its controls show, how OK, Cancel and leaving
// an edit apply them, the unit change, the style's count, unreadable numbers, the page
// chooser and the buttons. Driven offscreen through the dialog's own widgets.
#include "output/printer_dialog.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>
#include <filesystem>
#include <functional>
#include <string>
#include <unistd.h>

#include "engine/barcode.h"
#include "engine/errors.h"
#include "engine/symbology.h"
#include "output/printer.h"
#include "render/qt/qt_canvas.h"

namespace ks {
namespace {

namespace fs = std::filesystem;

template <class W>
W* Child(QWidget* dlg, const char* name) {
  W* w = dlg->findChild<W*>(name);
  EXPECT_NE(w, nullptr) << name;
  return w;
}

QString Text(QWidget* dlg, const char* edit) { return Child<QLineEdit>(dlg, edit)->text(); }

void SetText(QWidget* dlg, const char* edit, const QString& text) {
  QLineEdit* e = Child<QLineEdit>(dlg, edit);
  e->setText(text);
}

// Leaving an edit.
void Leave(QWidget* dlg, const char* edit) { emit Child<QLineEdit>(dlg, edit)->editingFinished(); }

void Click(QWidget* dlg, const char* button) { Child<QPushButton>(dlg, button)->click(); }

// Answers the next modal box or dialog once it is shown.
void WhenModal(std::function<void(QWidget*)> answer) {
  QTimer::singleShot(0, [answer] {
    QWidget* w = QApplication::activeModalWidget();
    ASSERT_NE(w, nullptr);
    answer(w);
  });
}

class PrintDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    printer.PaperParams().RefreshPaperMetrics(nullptr);
    printer.SetShowProgress(false);
    printer.SetBarcodeObject(&barcode);
    barcode.SetBarCode(u"400638133393");
  }
  // Runs EditParams and lets `interact` work on the open dialog; returns its result.
  bool Edit(const std::function<void(TksPrintParamsFmt*)>& interact, bool showPreview = true) {
    bool reached = false;
    QTimer::singleShot(0, [&] {
      auto* dlg = qobject_cast<TksPrintParamsFmt*>(QApplication::activeModalWidget());
      if (!dlg) {
        ADD_FAILURE() << "the dialog is not open";
        return;
      }
      reached = true;
      interact(dlg);
      // Nothing may leave the dialog open behind the test.
      if (dlg->isVisible()) {
        ADD_FAILURE() << "the dialog is still open";
        dlg->reject();
      }
    });
    const bool result = printer.EditParams(showPreview);
    EXPECT_TRUE(reached);
    return result;
  }

  TksBarcodeComponent barcode;
  TksPrinter printer;
};

TEST_F(PrintDialogTest, ControlsShowTheSettings) {
  printer.SetCount(20);
  printer.SetStartFrom(1);
  printer.PaperParams().SetMarginTop(12.345);
  printer.PaperParams().SetStyle(ksSheetInc);
  printer.PreviewParams().SetLabelColor(RGB(1, 2, 3));
  printer.PreviewParams().SetLivePreview(false);
  printer.SetHelpContext(77);
  EXPECT_FALSE(Edit([this](TksPrintParamsFmt* dlg) {
    EXPECT_EQ(dlg->windowTitle(), "Barcode print parameters");
    EXPECT_EQ(dlg->size(), QSize(660, 543));
    EXPECT_TRUE(dlg->windowFlags() & Qt::Tool);
    EXPECT_EQ(Text(dlg, "ed_labelWidth"), "  50.00");
    EXPECT_EQ(Text(dlg, "ed_labelHeight"), "  30.00");
    EXPECT_EQ(Text(dlg, "ed_marginLeft"), "  15.00");
    EXPECT_EQ(Text(dlg, "ed_marginTop"), "  12.35");
    EXPECT_EQ(Text(dlg, "ed_spaceY"), "  10.00");
    EXPECT_EQ(Text(dlg, "ed_count"), "20");
    EXPECT_EQ(Text(dlg, "ed_startFrom"), "1");
    EXPECT_EQ(Text(dlg, "ed_title"), QString::fromUtf8(kDefaultDocumentTitle));
    QComboBox* units = Child<QComboBox>(dlg, "cb_units");
    EXPECT_EQ(units->currentText(), "Milimetres");
    EXPECT_EQ(units->itemText(1), "Inches");
    QComboBox* style = Child<QComboBox>(dlg, "cb_style");
    EXPECT_EQ(style->currentText(), "Iincremental");
    EXPECT_EQ(style->count(), 6);
    EXPECT_EQ(Child<QPushButton>(dlg, "cl_label")->property("ksColor").toUInt(), RGB(1, 2, 3));
    EXPECT_FALSE(Child<QCheckBox>(dlg, "ck_live")->isChecked());
    // 20 labels from the second place: 2 pages, a tab each.
    QTabBar* tabs = Child<QTabBar>(dlg, "tb_pages");
    ASSERT_EQ(tabs->count(), 2);
    EXPECT_GT(tabs->height(), 0);
    EXPECT_EQ(tabs->tabText(0), "1");
    EXPECT_EQ(tabs->tabText(1), "2");
    EXPECT_EQ(Child<QLabel>(dlg, "lb_pagesOf")->text(), " of    2");
    EXPECT_EQ(Child<QLabel>(dlg, "lb_labelsPerPage")->text(), "18");
    EXPECT_EQ(Child<QLabel>(dlg, "lb_paperFormat")->text(), "Unknown : 210x297 mm");
    EXPECT_EQ(Child<QLabel>(dlg, "lb_printerName")->text().toStdString(), printer.PrinterName());
    EXPECT_EQ(dlg->property("HelpContext").toInt(), 77);
    Click(dlg, "bt_cancel");
  }));
}

TEST_F(PrintDialogTest, OkAppliesEveryControl) {
  EXPECT_TRUE(Edit([](TksPrintParamsFmt* dlg) {
    SetText(dlg, "ed_labelWidth", "40");
    SetText(dlg, "ed_labelHeight", " 25.5 ");
    SetText(dlg, "ed_marginLeft", "5");
    SetText(dlg, "ed_marginTop", "6");
    SetText(dlg, "ed_marginRight", "7");
    SetText(dlg, "ed_marginBottom", "8");
    SetText(dlg, "ed_spaceX", "2");
    SetText(dlg, "ed_spaceY", "3");
    SetText(dlg, "ed_count", "33");
    SetText(dlg, "ed_startFrom", "4");
    SetText(dlg, "ed_title", "Sklad");
    Child<QCheckBox>(dlg, "ck_live")->setChecked(false);
    WhenModal([](QWidget* w) {
      auto* colours = qobject_cast<QColorDialog*>(w);
      ASSERT_NE(colours, nullptr);
      colours->setCurrentColor(QColor(10, 20, 30));
      colours->accept();
    });
    Click(dlg, "cl_shadow");
    EXPECT_EQ(Child<QPushButton>(dlg, "cl_shadow")->property("ksColor").toUInt(), RGB(10, 20, 30));
    Click(dlg, "bt_ok");
  }));
  const TksPaperParams& pp = printer.PaperParams();
  EXPECT_DOUBLE_EQ(pp.LabelWidth(), 40);
  EXPECT_DOUBLE_EQ(pp.LabelHeight(), 25.5);
  EXPECT_DOUBLE_EQ(pp.MarginLeft(), 5);
  EXPECT_DOUBLE_EQ(pp.MarginTop(), 6);
  EXPECT_DOUBLE_EQ(pp.MarginRight(), 7);
  EXPECT_DOUBLE_EQ(pp.MarginBottom(), 8);
  EXPECT_DOUBLE_EQ(pp.SpaceX(), 2);
  EXPECT_DOUBLE_EQ(pp.SpaceY(), 3);
  EXPECT_EQ(pp.DocumentTitle(), "Sklad");
  EXPECT_EQ(printer.Count(), 33);
  EXPECT_EQ(printer.StartFrom(), 4);
  EXPECT_FALSE(printer.PreviewParams().LivePreview());
  EXPECT_EQ(printer.PreviewParams().ShadowColor(), RGB(10, 20, 30));
}

TEST_F(PrintDialogTest, CancelPutsEverythingBack) {
  printer.SetCount(20);
  printer.SetPageIndex(2);
  EXPECT_FALSE(Edit([this](TksPrintParamsFmt* dlg) {
    SetText(dlg, "ed_labelWidth", "40");
    SetText(dlg, "ed_count", "3");
    SetText(dlg, "ed_title", "Jiný");
    Leave(dlg, "ed_labelWidth");
    // Leaving an edit applied every control at once.
    EXPECT_DOUBLE_EQ(printer.PaperParams().LabelWidth(), 40);
    EXPECT_EQ(printer.Count(), 3);
    EXPECT_EQ(printer.PaperParams().DocumentTitle(), "Jiný");
    EXPECT_EQ(printer.PageIndex(), 1) << "page 2 no longer exists";
    Child<QComboBox>(dlg, "cb_units")->setCurrentIndex(buInches);
    Child<QComboBox>(dlg, "cb_style")->setCurrentIndex(ksSheetSymbologies);
    Child<QCheckBox>(dlg, "ck_live")->setChecked(false);
    EXPECT_FALSE(printer.PreviewParams().LivePreview());
    Click(dlg, "bt_cancel");
  }));
  const TksPaperParams& pp = printer.PaperParams();
  EXPECT_EQ(pp.Units(), buMilimetres);
  EXPECT_DOUBLE_EQ(pp.LabelWidth(), 50);
  EXPECT_EQ(pp.Style(), ksSheet);
  EXPECT_EQ(pp.DocumentTitle(), kDefaultDocumentTitle);
  EXPECT_EQ(printer.Count(), 20);
  EXPECT_EQ(printer.PageIndex(), 2);
  EXPECT_TRUE(printer.PreviewParams().LivePreview());
}

TEST_F(PrintDialogTest, UnitChangeConvertsAndReloads) {
  EXPECT_TRUE(Edit([this](TksPrintParamsFmt* dlg) {
    QComboBox* units = Child<QComboBox>(dlg, "cb_units");
    units->setCurrentIndex(buInches);
    EXPECT_EQ(Text(dlg, "ed_labelWidth"), "   1.97");
    EXPECT_EQ(Text(dlg, "ed_marginLeft"), "   0.59");
    EXPECT_DOUBLE_EQ(printer.PaperParams().LabelWidth(), 1.9685);
    EXPECT_EQ(Child<QLabel>(dlg, "lb_paperFormat")->text(), "Unknown :  8.27x11.69 \"");
    units->setCurrentIndex(buMilimetres);
    EXPECT_EQ(Text(dlg, "ed_labelWidth"), "  50.00");
    EXPECT_DOUBLE_EQ(printer.PaperParams().LabelWidth(), 49.9999);
    Click(dlg, "bt_ok");
  }));
  // OK reads the edits, which show two decimals.
  EXPECT_DOUBLE_EQ(printer.PaperParams().LabelWidth(), 50);
  EXPECT_EQ(printer.PaperParams().Units(), buMilimetres);
}

TEST_F(PrintDialogTest, StyleChoiceSetsTheCount) {
  struct Case {
    TksPrintStyle style;
    QString count;
  };
  const Case cases[] = {{ksSingle, "1"},
                        {ksSheetSymbologies, QString::number(SymbologyCount(0, true))},
                        {ksSheet, "12"}};
  for (const Case& c : cases) {
    printer.SetCount(12);
    EXPECT_TRUE(Edit([&c](TksPrintParamsFmt* dlg) {
      Child<QComboBox>(dlg, "cb_style")->setCurrentIndex(ksSheetInc);
      SetText(dlg, "ed_count", "12");
      Child<QComboBox>(dlg, "cb_style")->setCurrentIndex(c.style);
      EXPECT_EQ(Text(dlg, "ed_count"), c.count);
      Click(dlg, "bt_ok");
    }));
    EXPECT_EQ(printer.PaperParams().Style(), c.style);
    EXPECT_EQ(QString::number(printer.Count()), c.count);
  }
  EXPECT_EQ(SymbologyCount(0, true), 45);
}

TEST_F(PrintDialogTest, UnreadableNumberStopsApplyingThere) {
  EXPECT_TRUE(Edit([this](TksPrintParamsFmt* dlg) {
    SetText(dlg, "ed_labelWidth", "40");
    SetText(dlg, "ed_marginLeft", "5");
    SetText(dlg, "ed_marginTop", "abc");
    SetText(dlg, "ed_spaceX", "3");
    SetText(dlg, "ed_count", "x");  // counts fall back to their defaults instead
    std::string message;
    WhenModal([&message](QWidget* w) {
      auto* box = qobject_cast<QMessageBox*>(w);
      ASSERT_NE(box, nullptr);
      message = box->text().toStdString();
      box->accept();
    });
    Click(dlg, "bt_ok");
    EXPECT_EQ(message, "'abc' is not a valid floating point value");
    EXPECT_TRUE(dlg->isVisible()) << "OK keeps the dialog open";
    const TksPaperParams& pp = printer.PaperParams();
    EXPECT_DOUBLE_EQ(pp.LabelWidth(), 40);
    EXPECT_DOUBLE_EQ(pp.MarginLeft(), 5);
    EXPECT_DOUBLE_EQ(pp.MarginTop(), 20);
    EXPECT_DOUBLE_EQ(pp.SpaceX(), 10);
    EXPECT_EQ(printer.Count(), 5);
    SetText(dlg, "ed_marginTop", "6");
    Click(dlg, "bt_ok");
  }));
  EXPECT_DOUBLE_EQ(printer.PaperParams().MarginTop(), 6);
  EXPECT_DOUBLE_EQ(printer.PaperParams().SpaceX(), 3);
  EXPECT_EQ(printer.Count(), 1);
  EXPECT_EQ(printer.StartFrom(), 0);
}

TEST_F(PrintDialogTest, NumbersFollowTheUsersLocale) {
  const QLocale before;
  QLocale::setDefault(QLocale(QLocale::Czech, QLocale::CzechRepublic));
  EXPECT_TRUE(Edit([](TksPrintParamsFmt* dlg) {
    EXPECT_EQ(Text(dlg, "ed_labelWidth"), "  50,00");
    SetText(dlg, "ed_labelWidth", "40,5");
    Click(dlg, "bt_ok");
  }));
  QLocale::setDefault(before);
  EXPECT_DOUBLE_EQ(printer.PaperParams().LabelWidth(), 40.5);
}

TEST_F(PrintDialogTest, PageTabsAndPageChooser) {
  printer.SetCount(40);
  EXPECT_TRUE(Edit([this](TksPrintParamsFmt* dlg) {
    QTabBar* tabs = Child<QTabBar>(dlg, "tb_pages");
    QSpinBox* spin = Child<QSpinBox>(dlg, "se_pages");
    ASSERT_EQ(tabs->count(), 3);
    EXPECT_EQ(spin->maximum(), 3);
    tabs->setCurrentIndex(2);
    EXPECT_EQ(printer.PageIndex(), 3);
    EXPECT_EQ(spin->value(), 3);
    spin->setValue(2);
    EXPECT_EQ(printer.PageIndex(), 2);
    EXPECT_EQ(tabs->currentIndex(), 1);
    // Fewer labels take the tabs away.
    SetText(dlg, "ed_count", "5");
    Leave(dlg, "ed_count");
    EXPECT_EQ(tabs->count(), 1);
    EXPECT_EQ(printer.PageIndex(), 1);
    Click(dlg, "bt_ok");
  }));
}

TEST_F(PrintDialogTest, PreviewShowsTheLabels) {
  printer.SetCount(3);
  printer.PreviewParams().SetLivePreview(false);
  printer.PreviewParams().SetLabelColor(RGB(0, 160, 0));
  EXPECT_TRUE(Edit([](TksPrintParamsFmt* dlg) {
    QWidget* view = Child<QWidget>(dlg, "pb_preview");
    ASSERT_TRUE(view->isVisible());
    const QImage img = view->grab().toImage();
    int label = 0;
    for (int y = 0; y < img.height(); ++y)
      for (int x = 0; x < img.width(); ++x) label += img.pixel(x, y) == qRgb(0, 160, 0);
    EXPECT_GT(label, 30);
    Click(dlg, "bt_ok");
  }));
}

// At the dialog's default size a label of the default sheet is some 60 x 35 pixels: the
// preview shows the barcodes as the paper holds them, scaled down, and no error boxes.
TEST_F(PrintDialogTest, PreviewAtTheDefaultSizeShowsLabelsThatRead) {
  barcode.ErrorInfo().SetMode(emDrawErrorString);
  barcode.SetBarcodeSymbology(bcQRCode);
  barcode.SetBarCode(u"Barvello");
  printer.SetCount(18);
  EXPECT_TRUE(Edit([](TksPrintParamsFmt* dlg) {
    EXPECT_EQ(dlg->size(), QSize(660, 543));
    QWidget* view = Child<QWidget>(dlg, "pb_preview");
    const QImage img = view->grab().toImage().convertToFormat(QImage::Format_RGB32);
    // The page as the preview fits A4 into the view (a shadow of 5 pixels).
    const int w = img.width(), h = img.height();
    int ph = h - 5, pw = static_cast<int>(ph * 4960.0 / 7015);
    if (w < 5 + pw) {
      pw = w - 5;
      ph = static_cast<int>(pw * 7015.0 / 4960);
    }
    const int x = (w - (5 + pw)) / 2, y = (h - (5 + ph)) / 2;
    auto label = [&](int k) {  // 0-based place: three columns 60 mm apart, rows 40 mm apart
      const double left = 15 + 60 * (k % 3), top = 20 + 40 * (k / 3);
      return QRect(QPoint(static_cast<int>(left * pw / 210) + x, static_cast<int>(top * ph / 297) + y),
                   QPoint(static_cast<int>((left + 50) * pw / 210) + x - 1, static_cast<int>((top + 30) * ph / 297) + y - 1));
    };
    EXPECT_LT(label(0).width(), 70);
    int errorBox = 0, labelColour = 0;
    for (int row = 0; row < h; ++row)
      for (int col = 0; col < w; ++col) {
        errorBox += (img.pixel(col, row) & 0xFFFFFF) == 0xC0DCC0u;
        labelColour += (img.pixel(col, row) & 0xFFFFFF) == (ToQColor(kDefaultLabelColor).rgb() & 0xFFFFFF);
      }
    EXPECT_EQ(errorBox, 0) << "an error box is shown";
    EXPECT_EQ(labelColour, 0) << "a label without its barcode";
    // Every label has its symbol; the first reads back, enlarged as a magnifier would.
    for (int k = 0; k < 18; ++k) {
      int dark = 0;
      const QRect r = label(k);
      for (int row = r.top(); row <= r.bottom(); ++row)
        for (int col = r.left(); col <= r.right(); ++col) dark += qGray(img.pixel(col, row)) < 128;
      EXPECT_GT(dark, r.width() * r.height() / 8) << "label " << k + 1;
    }
    const QString path = QDir(QDir::tempPath()).filePath(QStringLiteral("barvello-dialog-label-%1.png").arg(getpid()));
    const QRect first = label(0).adjusted(-4, -4, 4, 4);
    ASSERT_TRUE(img.copy(first).scaled(first.size() * 4, Qt::IgnoreAspectRatio, Qt::SmoothTransformation).save(path));
    const QString reader = QStandardPaths::findExecutable(QStringLiteral("ZXingReader"));
    if (!reader.isEmpty()) {
      QProcess zxing;
      zxing.start(reader, {path});
      zxing.waitForFinished(30000);
      const QString out = QString::fromUtf8(zxing.readAllStandardOutput());
      EXPECT_TRUE(out.contains(QStringLiteral("Barvello"))) << out.toStdString();
    }
    QFile::remove(path);
    Click(dlg, "bt_ok");
  }));
}

TEST_F(PrintDialogTest, HiddenParts) {
  printer.PreviewParams().SetVisiblePage(false);
  EXPECT_FALSE(Edit(
      [](TksPrintParamsFmt* dlg) {
        EXPECT_FALSE(Child<QWidget>(dlg, "pn_preview")->isVisible());
        QTabWidget* pages = Child<QTabWidget>(dlg, "pc_params");
        EXPECT_FALSE(pages->isTabVisible(pages->indexOf(Child<QWidget>(dlg, "ts_previewParams"))));
        EXPECT_TRUE(pages->isTabVisible(pages->indexOf(Child<QWidget>(dlg, "ts_parameters"))));
        dlg->reject();
      },
      false));
}

TEST_F(PrintDialogTest, PredefinedSheetLoads) {
  printer.SetSheets({"Malé|40|20|10|12|10|10|5|4", "Velké|100|100"});
  EXPECT_TRUE(Edit([this](TksPrintParamsFmt* dlg) {
    QComboBox* sheets = Child<QComboBox>(dlg, "cb_predefined");
    ASSERT_EQ(sheets->count(), 2);
    EXPECT_EQ(sheets->itemText(0), "Malé");
    sheets->setCurrentIndex(0);
    EXPECT_EQ(Text(dlg, "ed_labelWidth"), "  40.00");
    EXPECT_EQ(Text(dlg, "ed_marginTop"), "  12.00");
    EXPECT_DOUBLE_EQ(printer.PaperParams().SpaceY(), 4);
    Click(dlg, "bt_ok");
  }));
  EXPECT_DOUBLE_EQ(printer.PaperParams().LabelHeight(), 20);
}

TEST_F(PrintDialogTest, PrintAndHelpButtons) {
  const std::string pdf =
      (fs::temp_directory_path() / ("barvello-dialog-" + std::to_string(getpid()) + ".pdf")).string();
  printer.SetOutputFileName(pdf);
  printer.SetHelpType(htKeyword);
  printer.SetHelpKeyword("tisk");
  std::string help;
  printer.OnHelp = [&help](THelpType t, int32_t, const std::string& k) {
    help = (t == htKeyword ? "keyword " : "context ") + k;
  };
  int labels = 0;
  printer.OnBeforePrint = [&labels](TksPrinter*, TksBarcodeComponent*, TksPrintRect&, bool&, bool&) { ++labels; };
  EXPECT_TRUE(Edit([](TksPrintParamsFmt* dlg) {
    SetText(dlg, "ed_count", "4");
    Click(dlg, "bt_print");
    Click(dlg, "bt_help");
    Click(dlg, "bt_ok");
  }));
  EXPECT_EQ(labels, 4) << "Print applies the controls first";
  EXPECT_TRUE(fs::exists(pdf));
  EXPECT_EQ(help, "keyword tisk");
  fs::remove(pdf);
}

TEST_F(PrintDialogTest, SetupButtonsWithoutPrinter) {
  if (IsPrinterInstalled()) GTEST_SKIP() << "a printer is installed here";
  const TksPaperParamsRec before = printer.PaperParams().Record();
  bool setupShown = false;
  EXPECT_TRUE(Edit([&setupShown](TksPrintParamsFmt* dlg) {
    // Page setup needs a printer; printer setup still offers printing to a file.
    Click(dlg, "bt_page");
    EXPECT_EQ(QApplication::activeModalWidget(), dlg);
    WhenModal([&setupShown](QWidget* w) {
      setupShown = w->inherits("QPrintDialog");
      qobject_cast<QDialog*>(w)->reject();
    });
    Click(dlg, "bt_setup");
    Click(dlg, "bt_ok");
  }));
  EXPECT_TRUE(setupShown);
  EXPECT_EQ(printer.PaperParams().Record().pPaperWidth, before.pPaperWidth);
  EXPECT_EQ(printer.PaperParams().PaperName(), before.FPaperName);
  EXPECT_EQ(printer.OutputFileName(), "");
}

}  // namespace
}  // namespace ks

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  // These tests describe a machine without printers, whatever this one has: the CUPS
  // client looks for its scheduler where there is none. (cups_print_test prints through
  // a real queue.)
  qputenv("CUPS_SERVER", "/nonexistent/barvello-no-printers.sock");
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
