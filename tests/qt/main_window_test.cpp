// The main window driven as a user drives it: typing the code, choosing symbologies,
// ticking the check boxes, picking colours and fonts, moving the sliders, filling the
// memos and saving. Every effect is checked on both barcode objects and, for saving, on
// the written file. Runs offscreen; the file and colour dialogs are replaced.
#include "app/main_window.h"

#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSlider>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <cstring>
#include <fstream>
#include <functional>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "app/collapsible_section.h"
#include "app/color_picker.h"
#include "app/logo.h"
#include "app/program.h"
#include "engine/decor.h"
#include "engine/symbology.h"
#include "output/editor_color_button.h"
#include "output/editor_dialog.h"
#include "output/printer_dialog.h"
#include "render/qt/barcode_control.h"
#include "render/qt/symbology_combo.h"

namespace ks {
namespace {

QString U(const char* utf8) { return QString::fromUtf8(utf8); }

std::string Prop(TksPersistent& object, const char* path) {
  std::string value;
  EXPECT_TRUE(GetPropertyText(object, path, value)) << path;
  return value;
}

// Hands every modal window that opens while it lives to `handler`, which must close it.
class ModalCatcher {
 public:
  explicit ModalCatcher(std::function<void(QWidget*)> handler) : handler_(std::move(handler)) {
    timer_.setInterval(10);
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      QWidget* modal = QApplication::activeModalWidget();
      if (!modal || modal == busy_) return;
      busy_ = modal;
      handler_(modal);
      busy_ = nullptr;
    });
    timer_.start();
  }

 private:
  std::function<void(QWidget*)> handler_;
  QTimer timer_;
  QWidget* busy_ = nullptr;
};

// Answers every message box shown while it lives with `answer` and keeps their texts.
class MessageBoxCatcher {
 public:
  explicit MessageBoxCatcher(QMessageBox::StandardButton answer = QMessageBox::Ok)
      : catcher_([this, answer](QWidget* modal) {
          if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            texts_.push_back(box->text());
            // The static boxes answer with the button clicked.
            if (QAbstractButton* button = box->button(answer))
              button->click();
            else
              box->done(answer);
          }
        }) {}
  std::optional<QString> Text() const { return texts_.empty() ? std::nullopt : std::optional<QString>(texts_.front()); }
  const std::vector<QString>& Texts() const { return texts_; }

 private:
  std::vector<QString> texts_;
  ModalCatcher catcher_;
};

// The number of pixels in which two pictures of one size differ, and the largest
// difference of a colour channel among them.
struct PixelDifference {
  int pixels = 0;
  int largest = 0;
};
PixelDifference Compare(const QImage& a, const QImage& b) {
  PixelDifference d;
  const QImage x = a.convertToFormat(QImage::Format_RGB32), y = b.convertToFormat(QImage::Format_RGB32);
  for (int row = 0; row < x.height(); ++row)
    for (int col = 0; col < x.width(); ++col) {
      const QRgb p = x.pixel(col, row), q = y.pixel(col, row);
      const int channel = std::max({std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                                    std::abs(qBlue(p) - qBlue(q))});
      if (channel == 0) continue;
      ++d.pixels;
      d.largest = std::max(d.largest, channel);
    }
  return d;
}

// Changes of light to dark along a row (horizontal) or a column through the middle.
int Edges(const QImage& image, bool alongRow) {
  const int n = alongRow ? image.width() : image.height();
  int edges = 0;
  bool dark = false;
  for (int i = 0; i < n; ++i) {
    const QRgb p = alongRow ? image.pixel(i, image.height() / 2) : image.pixel(image.width() / 2, i);
    const bool d = qGray(p) < 128;
    if (d && !dark) ++edges;
    dark = d;
  }
  return edges;
}

// What ZXingReader reads from a picture file, empty when it is not installed.
QString Decode(const QString& path) {
  const QString reader = QStandardPaths::findExecutable(QStringLiteral("ZXingReader"));
  if (reader.isEmpty()) return {};
  QProcess zxing;
  zxing.start(reader, {path});
  zxing.waitForFinished(30000);
  return QString::fromUtf8(zxing.readAllStandardOutput());
}

class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir.isValid());
    w = std::make_unique<Tfrm_main>();
    w->sd.ExecuteDialog = [this](TksSaveDialog& d, QWidget*) {
      ++dialogRuns;
      dialogTitle = d.Title;
      if (chosen.isEmpty()) return false;
      d.FileName = chosen;
      return true;
    };
    for (TksColorPicker* picker : {w->cb_font_color, w->cb_color_shape, w->cb_color_code})
      picker->ColorDialog = [this](QWidget*, TColor& c) {
        if (!pickedColor) return false;
        c = *pickedColor;
        return true;
      };
    w->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(w.get()));
  }

  template <class T>
  T* Ctl(const char* name) {
    T* control = w->findChild<T*>(QLatin1String(name));
    EXPECT_NE(control, nullptr) << name;
    return control;
  }
  TksBarcode& Preview() { return *Ctl<TksBarcode>("Barcode1"); }
  TksBarcodeComponent& Exported() { return w->ksBarcodeComponent1; }

  void Click(QAbstractButton* button) {
    ASSERT_TRUE(button->isEnabled());
    // Check boxes take the click on their indicator at the left.
    const QPoint at = qobject_cast<QCheckBox*>(button) ? QPoint(6, button->height() / 2) : button->rect().center();
    QTest::mouseClick(button, Qt::LeftButton, {}, at);
  }
  // Types text key by key; letters beyond ASCII arrive as key events carrying the text,
  // as a keyboard layout delivers them.
  void Type(QWidget* widget, const QString& text) {
    for (const QChar ch : text) {
      if (ch.unicode() < 0x80) {
        QTest::keyClicks(widget, QString(ch));
        continue;
      }
      QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(ch));
      QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, QString(ch));
      QApplication::sendEvent(widget, &press);
      QApplication::sendEvent(widget, &release);
    }
  }
  void ChooseSymbology(TksBarcodeSymbology s) {
    QComboBox* box = Ctl<QComboBox>("cb_code");
    const int index = box->findData(static_cast<int>(s));
    ASSERT_GE(index, 0) << SymbologyIdentifier(s);
    box->setCurrentIndex(index);
  }
  // Saves through the button with `name` chosen in the dialog.
  void SaveAs(const QString& name) {
    chosen = name;
    Click(Ctl<QPushButton>("sSpeedButton2"));
  }
  // EAN-13 chosen and twelve digits typed: a code that paints.
  void EnterEan13() {
    ChooseSymbology(bcEan13);
    Type(Ctl<QLineEdit>("ED_CODE"), QStringLiteral("400638133393"));
  }
  QString Path(const QString& name) const { return dir.filePath(name); }

  QTemporaryDir dir;
  std::unique_ptr<Tfrm_main> w;
  QString chosen;
  int dialogRuns = 0;
  QString dialogTitle;
  std::optional<TColor> pickedColor;
};

// ---- layout and initial state -------------------------------------------------------

TEST_F(MainWindowTest, WindowHasItsCaptionSizeAndNamedControlsWithTheirTexts) {
  EXPECT_EQ(w->windowTitle(), U("tavrix - Barvello Free"));
  EXPECT_EQ(w->size(), QSize(782, 566));
  EXPECT_FALSE(w->windowIcon().isNull());

  struct Labelled {
    const char* name;
    const char* text;
  };
  for (const Labelled& k : std::initializer_list<Labelled>{{"cb_bold", "tučné"},
                                                           {"cb_italic", "italic"},
                                                           {"cb_underline", "podtržené"},
                                                           {"cb_strike", "přeškrtnuté"},
                                                           {"cb_transparent", "průhledné pozadí"},
                                                           {"cb_start_stop_lines", "start / stop čáry"},
                                                           {"cb_security", "security"},
                                                           {"cb_quit", "ukončující znaky"},
                                                           {"cb_auto_size", "automatická velikost"}}) {
    SCOPED_TRACE(k.name);
    QCheckBox* box = Ctl<QCheckBox>(k.name);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->text(), U(k.text));
    EXPECT_FALSE(box->isChecked());
  }
  for (const char* picker : {"cb_font_color", "cb_color_shape", "cb_color_code"}) Ctl<TksColorPicker>(picker);
  for (const char* memo : {"mem_nad", "mem_pod"}) EXPECT_TRUE(Ctl<QPlainTextEdit>(memo)->toPlainText().isEmpty());
  EXPECT_TRUE(Ctl<QLineEdit>("ED_CODE")->text().isEmpty());
  EXPECT_TRUE(Ctl<QComboBox>("cb_font_name")->isEditable());
  QComboBox* codes = Ctl<QComboBox>("cb_code");
  EXPECT_FALSE(codes->isEditable());
  EXPECT_EQ(codes->currentIndex(), -1);

  QSlider* width = Ctl<QSlider>("tb_width");
  QSlider* height = Ctl<QSlider>("tb_height");
  EXPECT_EQ(width->minimum(), 115);
  EXPECT_EQ(width->maximum(), 1000);
  EXPECT_EQ(height->minimum(), 80);
  EXPECT_EQ(height->maximum(), 500);
  EXPECT_EQ(width->tickPosition(), QSlider::NoTicks);
  EXPECT_EQ(height->tickPosition(), QSlider::NoTicks);
  EXPECT_EQ(Ctl<QLabel>("lb_width")->alignment() & Qt::AlignHCenter, Qt::AlignHCenter);
  EXPECT_EQ(Ctl<QLabel>("img")->toolTip(), U("Informace na webu autora"));

  QPushButton* save = Ctl<QPushButton>("sSpeedButton2");
  EXPECT_EQ(save->text(), U("Uložit"));
  EXPECT_FALSE(save->isEnabled());
  EXPECT_EQ(save->height(), 53);
  EXPECT_TRUE(save->isFlat());

  EXPECT_EQ(Preview().geometry(), QRect(0, 0, 251, 178));
  EXPECT_FALSE(Ctl<TksComboBox>("ksComboBox1")->isVisible());
  EXPECT_EQ(Ctl<TksComboBox>("ksComboBox1")->Options(), BoxOptionBit(bxOnlySupported));
}

TEST_F(MainWindowTest, LeftColumnHoldsFourSectionsAndTheCodeSectionTopsTheRightColumn) {
  struct Section {
    const char* name;
    const char* title;
    int height;
    bool collapsible;
  };
  int top = 0;
  for (const Section& k : std::initializer_list<Section>{{"sec_font", "Písmo kódu", 160, true},
                                                         {"sec_colors", "Barva kódu", 150, true},
                                                         {"sec_size", "Velikost kódu", 150, true},
                                                         {"sec_web", "Informace na webu", 100, false}}) {
    SCOPED_TRACE(k.name);
    auto* section = Ctl<TksCollapsibleSection>(k.name);
    ASSERT_NE(section, nullptr);
    EXPECT_EQ(section->Title(), U(k.title));
    EXPECT_EQ(section->height(), k.height);
    EXPECT_EQ(section->width(), 289);
    EXPECT_EQ(section->mapTo(w.get(), QPoint(0, 0)), QPoint(0, top));
    EXPECT_EQ(section->Collapsible(), k.collapsible);
    top += k.height;
  }
  auto* code = Ctl<TksCollapsibleSection>("sec_code");
  EXPECT_EQ(code->Title(), U("Kód"));
  EXPECT_EQ(code->height(), 203);
  EXPECT_EQ(code->mapTo(w.get(), QPoint(0, 0)), QPoint(289, 0));
  EXPECT_EQ(code->width(), 782 - 289);
  // The preview fills the rest above the save strip.
  QWidget* preview = Ctl<QWidget>("preview");
  EXPECT_EQ(preview->mapTo(w.get(), QPoint(0, 0)), QPoint(289, 203));
  EXPECT_EQ(preview->height(), 566 - 203 - 53);
  EXPECT_EQ(Ctl<QPushButton>("sSpeedButton2")->mapTo(w.get(), QPoint(0, 0)), QPoint(289, 566 - 53));

  // Folding a section gives its height to the ones below.
  auto* size = Ctl<TksCollapsibleSection>("sec_size");
  size->SetExpanded(false);
  QApplication::processEvents();
  EXPECT_LT(size->height(), 150);
  EXPECT_FALSE(Ctl<QSlider>("tb_width")->isVisible());
  size->SetExpanded(true);
  QApplication::processEvents();
  EXPECT_EQ(size->height(), 150);
  // The web section has no button to fold it.
  Ctl<TksCollapsibleSection>("sec_web")->SetExpanded(false);
  EXPECT_TRUE(Ctl<TksCollapsibleSection>("sec_web")->Expanded());
}

TEST_F(MainWindowTest, BothBarcodeObjectsStartWithTheirSettingsAsSynchronisedOnShow) {
  struct Row {
    const char* path;
    const char* preview;
    const char* exported;
  };
  // After the synchronisation on show the exported object has the preview's bar and
  // background colours and its whole human-readable line (face, size, colour, automatic
  // size), so a saved picture shows the digits as the preview does.
  const Row rows[] = {
      {"BarcodeSymbology", "bc25Datalogic", "bcEan13"},
      {"BarCode", "123456", "9771210107001"},
      {"BackgroundColor", "16777215", "16777215"},
      {"LinesColor", "16711680", "16711680"},
      {"Options", "", ""},
      {"Angle", "0", "0"},
      {"ErrorInfo.Mode", "emDrawErrorString", "emDrawErrorString"},
      {"CaptionUpper.Visible", "True", "True"},
      {"CaptionUpper.Font.Name", "Arial", "Arial"},
      {"CaptionUpper.Font.Size", "10", "10"},
      {"CaptionUpper.AutoSize", "False", "False"},
      {"CaptionUpper.Alignment", "taCenter", "taCenter"},
      {"CaptionUpper.AutoCaption", "True", "True"},
      {"CaptionUpper.MaxHeight", "25", "25"},
      {"CaptionUpper.ParentFont", "True", "True"},
      {"CaptionUpper.LineSpacing", "0", "0"},
      {"CaptionUpper.BgColor", "536870911", "536870911"},
      {"CaptionBottom.Visible", "True", "True"},
      {"CaptionBottom.Font.Name", "Arial", "Arial"},
      {"CaptionBottom.AutoSize", "False", "False"},
      {"CaptionBottom.Alignment", "taCenter", "taCenter"},
      {"CaptionBottom.ParentFont", "True", "True"},
      {"CaptionBottom.BgColor", "536870911", "536870911"},
      {"CaptionHuman.Visible", "True", "True"},
      {"CaptionHuman.Font.Name", "@SimHei", "@SimHei"},
      {"CaptionHuman.Font.Size", "12", "12"},
      {"CaptionHuman.Font.Height", "-16", "-16"},
      {"CaptionHuman.Font.Color", "255", "255"},
      {"CaptionHuman.AutoSize", "False", "False"},
      {"CaptionHuman.Alignment", "taCenter", "taCenter"},
      {"CaptionHuman.AutoCaption", "True", "True"},
      {"CaptionHuman.MaxHeight", "25", "25"},
      {"CaptionHuman.ParentFont", "True", "True"},
      {"CaptionHuman.BgColor", "536870911", "536870911"},
      {"QuietZone.Visible", "False", "False"},
      {"Params.GS1.FNC1InputType", "gs1Separators", "gs1Separators"},
      {"Params.GS1.FNC1Type", "fnc1None", "fnc1None"},
      {"Params.PDF417.Mode", "ksPDF417Alphanumeric", "ksPDF417Alphanumeric"},
      {"Params.PDF417.SecurityLevel", "ksPDF417AutoEC", "ksPDF417AutoEC"},
      {"Params.PDF417.Kind", "pkStandard", "pkStandard"},
      {"Params.PDF417.UseMacro", "False", "False"},
      {"Params.DataMatrix.Encoding", "dmeAutomatic", "dmeAutomatic"},
      {"Params.DataMatrix.Version", "ksDMAutomatic", "ksDMAutomatic"},
      {"Params.QRCode.EccLevel", "QrEccLevelM", "QrEccLevelM"},
      {"Params.QRCode.Mode", "QrAutomatic", "QrAutomatic"},
      {"Params.QRCode.MicroQR", "False", "False"},
      {"Params.QRCode.Version", "0", "0"},
      {"Params.QRCode.Mask", "0", "0"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.path);
    EXPECT_EQ(Prop(Preview(), r.path), r.preview);
    EXPECT_EQ(Prop(Exported(), r.path), r.exported);
  }
  EXPECT_EQ(Preview().Font().Name(), "Algerian");
  EXPECT_EQ(Preview().Font().Size(), 12);
  EXPECT_EQ(Preview().Font().Height(), -16);

  // The sliders took the preview's size and passed it on to the export.
  EXPECT_EQ(Ctl<QSlider>("tb_width")->value(), 251);
  EXPECT_EQ(Ctl<QSlider>("tb_height")->value(), 178);
  EXPECT_EQ(Ctl<QLabel>("lb_width")->text(), U("Šířka 251px"));
  EXPECT_EQ(Ctl<QLabel>("lb_height")->text(), U("Výška 178px"));
  EXPECT_EQ(w->EI.Width(), 251);
  EXPECT_EQ(w->EI.Height(), 178);
  // The pickers show the preview's colours; no font entry is selected.
  EXPECT_EQ(Ctl<TksColorPicker>("cb_font_color")->Color(), clRed);
  EXPECT_EQ(Ctl<TksColorPicker>("cb_color_code")->Color(), clBlue);
  EXPECT_EQ(Ctl<TksColorPicker>("cb_color_shape")->Color(), clWhite);
  EXPECT_EQ(Ctl<QComboBox>("cb_font_name")->currentIndex(), -1);
}

TEST_F(MainWindowTest, ExportSaveDialogAndPrinterAreSetUp) {
  EXPECT_EQ(w->EI.Barcode(), &Exported());
  const TksFileTypes images = FileTypeBit(ftBMP) | FileTypeBit(ftWMF) | FileTypeBit(ftEMF) | FileTypeBit(ftJPEG) |
                              FileTypeBit(ftGIF) | FileTypeBit(ftPNG);
  EXPECT_EQ(w->EI.SaveFilter(), images);
  EXPECT_EQ(w->EI.FileTypes(), images);
  EXPECT_EQ(w->sd.Title, U("Uložit Barcode jako ..."));
  EXPECT_EQ(w->sd.Filter, U("BMP|*.bmp|WMF|*.wmf|EMF|*.emf|JPEG|*.jpg|GIF|*.gif|PNG|*.png"));
  EXPECT_EQ(w->sd.FilterIndex, 6);
  EXPECT_EQ(w->sd.DefaultExt, U("png"));
  EXPECT_EQ(w->sd.NameFilters().value(5), U("PNG (*.png)"));
  EXPECT_EQ(w->ksPrinter1.BarcodeObject(), &Exported());
  EXPECT_EQ(w->ksPrinter1.PaperParams().Style(), ksSheetSymbologies);
  EXPECT_EQ(w->ksPrinter1.PaperParams().DocumentTitle(), "tavrix  Barvello");
}

TEST(MainWindowBeforeShow, ExportSizeIs140By30UntilTheWindowIsShown) {
  Tfrm_main w;
  EXPECT_EQ(w.EI.Width(), 140);
  EXPECT_EQ(w.EI.Height(), 30);
  EXPECT_EQ(w.lb_width->text(), U("Šířka 100%"));
  EXPECT_EQ(w.lb_height->text(), U("Výška 100%"));
  EXPECT_EQ(w.tb_width->value(), 115);
  EXPECT_EQ(w.tb_height->value(), 100);
  EXPECT_EQ(w.ksBarcodeComponent1.LinesColor(), clBlack);
  // The exported object's own human-readable line until the synchronisation.
  EXPECT_EQ(w.ksBarcodeComponent1.CaptionHuman().Font().Name(), "Arial");
  EXPECT_TRUE(w.ksBarcodeComponent1.CaptionHuman().AutoSize());
}

// ---- the symbology list -------------------------------------------------------------

TEST_F(MainWindowTest, SymbologyListHoldsTheSupportedSymbologiesInOrder) {
  QComboBox* codes = Ctl<QComboBox>("cb_code");
  TksComboBox* chooser = Ctl<TksComboBox>("ksComboBox1");
  ASSERT_EQ(codes->count(), 45);
  EXPECT_EQ(codes->itemText(0), U("Undefined symbology"));
  int previous = -1;
  for (int i = 0; i < codes->count(); ++i) {
    SCOPED_TRACE(codes->itemText(i).toStdString());
    const int value = codes->itemData(i).toInt();
    EXPECT_GT(value, previous);
    previous = value;
    const TksBarCodeInfo info = SymbologyInfo(static_cast<TksBarcodeSymbology>(value), u"");
    EXPECT_TRUE(info.Supported);
    EXPECT_EQ(codes->itemText(i), QString::fromStdString(info.Name));
    EXPECT_EQ(codes->itemText(i), chooser->itemText(i));
    EXPECT_EQ(codes->itemData(i), chooser->itemData(i));
  }
}

TEST(SymbologyChooser, WithoutOnlySupportedListsAllAndMarksTheUnsupported) {
  TksComboBox all;
  EXPECT_EQ(all.count(), 55);
  EXPECT_EQ(all.currentIndex(), 0);
  EXPECT_EQ(all.SelectedSymbology(), bcNone);
  int marked = 0;
  for (int i = 0; i < all.count(); ++i) {
    const auto s = static_cast<TksBarcodeSymbology>(all.itemData(i).toInt());
    EXPECT_EQ(s, static_cast<TksBarcodeSymbology>(i));
    const bool supported = SymbologyInfo(s, u"").Supported;
    EXPECT_EQ(all.itemText(i).endsWith(U(" (nepodporováno)")), !supported) << i;
    if (!supported) ++marked;
  }
  EXPECT_EQ(marked, 10);

  all.SetSelectedSymbology(bcQRCode);
  EXPECT_EQ(all.SelectedSymbology(), bcQRCode);
  // Limiting the list rebuilds it and leaves nothing selected.
  all.SetOptions(BoxOptionBit(bxOnlySupported));
  EXPECT_EQ(all.count(), 45);
  EXPECT_EQ(all.currentIndex(), -1);
  EXPECT_EQ(all.SelectedSymbology(), bcNone);
  all.SetSelectedSymbology(bcAztec);  // not in the limited list
  EXPECT_EQ(all.currentIndex(), -1);
}

// ---- code and symbology --------------------------------------------------------------

TEST_F(MainWindowTest, TypingTheCodeSetsItOnBothObjects) {
  ChooseSymbology(bcEan13);
  Type(Ctl<QLineEdit>("ED_CODE"), QStringLiteral("400638133393"));
  EXPECT_EQ(Preview().BarCode(), u"4006381333931");
  EXPECT_EQ(Exported().BarCode(), u"4006381333931");
}

TEST_F(MainWindowTest, ChoosingASymbologyWithAnEmptyCodeLeavesBothTextsEmpty) {
  ChooseSymbology(bcCode128);
  EXPECT_EQ(Preview().BarcodeSymbology(), bcCode128);
  EXPECT_EQ(Exported().BarcodeSymbology(), bcCode128);
  EXPECT_EQ(Preview().BarCode(), u"");
  EXPECT_EQ(Exported().BarCode(), u"");
  EXPECT_EQ(Ctl<TksComboBox>("ksComboBox1")->SelectedSymbology(), bcCode128);
  // The preview shows the empty-code error until the user types.
  const QImage shown = Preview().grab().toImage();
  EXPECT_EQ(shown.pixel(0, 0) & 0xFFFFFF, 0xC0DCC0u);

  Type(Ctl<QLineEdit>("ED_CODE"), QStringLiteral("Barvello"));
  EXPECT_EQ(Preview().BarCode(), u"Barvello");
  EXPECT_EQ(Exported().BarCode(), u"Barvello");
}

TEST_F(MainWindowTest, ChoosingASymbologyEnablesSavingAndSetsTheHint) {
  Type(Ctl<QLineEdit>("ED_CODE"), QStringLiteral("12345670"));
  for (TksBarcodeSymbology s : {bcEan8, bcQRCode, bcPostNet}) {
    SCOPED_TRACE(SymbologyIdentifier(s));
    ChooseSymbology(s);
    EXPECT_TRUE(Ctl<QPushButton>("sSpeedButton2")->isEnabled());
    EXPECT_EQ(Preview().BarcodeSymbology(), s);
    EXPECT_EQ(Exported().BarcodeSymbology(), s);
    EXPECT_EQ(Preview().BarCode(), Exported().BarCode());
    const QString chars = QString::fromStdU16String(SymbologyInfo(s, u"").Chars);
    EXPECT_EQ(Ctl<QComboBox>("cb_code")->toolTip(), U("Povolené znaky: ") + QChar(13) + chars);
  }
}

TEST_F(MainWindowTest, TypingIntoTheSymbologyListOpensItAndEnterChooses) {
  QComboBox* codes = Ctl<QComboBox>("cb_code");
  codes->setFocus();
  QTest::keyClick(codes, Qt::Key_Q);
  ASSERT_TRUE(QTest::qWaitFor([&] { return codes->view()->isVisible(); }, 2000));
  QTest::keyClick(codes->view(), Qt::Key_Return);
  ASSERT_TRUE(QTest::qWaitFor([&] { return !codes->view()->isVisible(); }, 2000));
  EXPECT_EQ(codes->currentText(), U("QR Code"));
  EXPECT_EQ(Preview().BarcodeSymbology(), bcQRCode);
  EXPECT_EQ(Exported().BarcodeSymbology(), bcQRCode);
}

// ---- check boxes ----------------------------------------------------------------------

TEST_F(MainWindowTest, EachOptionBoxSetsAndClearsItsOptionOnBothObjects) {
  struct Box {
    const char* name;
    TksBarcodeOption option;
  };
  for (const Box& k : std::initializer_list<Box>{{"cb_transparent", boTransparent},
                                                 {"cb_security", boSecurity},
                                                 {"cb_start_stop_lines", boStartStopLines},
                                                 {"cb_auto_size", boAutoSize}}) {
    SCOPED_TRACE(k.name);
    QCheckBox* box = Ctl<QCheckBox>(k.name);
    Click(box);
    ASSERT_TRUE(box->isChecked());
    EXPECT_EQ(Preview().Options(), OptionBit(k.option));
    EXPECT_EQ(Exported().Options(), OptionBit(k.option));
    Click(box);
    EXPECT_EQ(Preview().Options(), 0u);
    EXPECT_EQ(Exported().Options(), 0u);
  }
}

TEST_F(MainWindowTest, UncheckingClearsOptionsSetInAnotherWay) {
  const TksBarcodeOptions other = OptionBit(boAddOnUp) | OptionBit(boFlipVertical) | OptionBit(boEnableEditor);
  Preview().SetOptions(other);
  Exported().SetOptions(other);
  QCheckBox* security = Ctl<QCheckBox>("cb_security");
  Click(security);
  EXPECT_EQ(Preview().Options(), OptionBit(boSecurity));
  EXPECT_EQ(Exported().Options(), OptionBit(boSecurity));
  Click(security);
  EXPECT_EQ(Preview().Options(), 0u);
  EXPECT_EQ(Exported().Options(), 0u);
}

TEST_F(MainWindowTest, TransparentDisablesTheBackgroundPickerAndKeepsTheColour) {
  pickedColor = clYellow;
  Click(Ctl<TksColorPicker>("cb_color_shape"));
  QCheckBox* transparent = Ctl<QCheckBox>("cb_transparent");
  Click(transparent);
  EXPECT_FALSE(Ctl<TksColorPicker>("cb_color_shape")->isEnabled());
  EXPECT_TRUE(Preview().BarcodeComponent()->HasOption(boTransparent));
  Click(transparent);
  EXPECT_TRUE(Ctl<TksColorPicker>("cb_color_shape")->isEnabled());
  EXPECT_EQ(Preview().BackgroundColor(), clYellow);
  EXPECT_EQ(Exported().BackgroundColor(), clYellow);
}

TEST_F(MainWindowTest, QuietZoneBoxShowsTheQuietZoneOnBothObjects) {
  QCheckBox* quiet = Ctl<QCheckBox>("cb_quit");
  Click(quiet);
  EXPECT_TRUE(Preview().QuietZone().Visible());
  EXPECT_TRUE(Exported().QuietZone().Visible());
  EXPECT_EQ(Preview().Options(), 0u);  // not an option
  Click(quiet);
  EXPECT_FALSE(Preview().QuietZone().Visible());
  EXPECT_FALSE(Exported().QuietZone().Visible());
}

TEST_F(MainWindowTest, FontStyleBoxesSetTheHumanReadableStyleOnBothObjects) {
  struct Box {
    const char* name;
    TFontStyle style;
  };
  TFontStyles expected = 0;
  for (const Box& k : std::initializer_list<Box>{
           {"cb_bold", fsBold}, {"cb_italic", fsItalic}, {"cb_underline", fsUnderline}, {"cb_strike", fsStrikeOut}}) {
    SCOPED_TRACE(k.name);
    Click(Ctl<QCheckBox>(k.name));
    expected |= 1u << k.style;
    EXPECT_EQ(Preview().CaptionHuman().Font().Style(), expected);
    EXPECT_EQ(Exported().CaptionHuman().Font().Style(), expected);
  }
  Click(Ctl<QCheckBox>("cb_bold"));
  EXPECT_EQ(Exported().CaptionHuman().Font().Style(), expected & ~(1u << fsBold));
}

// ---- colours and fonts ------------------------------------------------------------------

TEST_F(MainWindowTest, ColourPickersSetTheirColourOnBothObjects) {
  struct Picker {
    const char* name;
    TColor color;
    std::function<TColor(TksBarcodeComponent&)> read;
  };
  const Picker pickers[] = {
      {"cb_font_color", RGB(0x12, 0x80, 0x33), [](TksBarcodeComponent& b) { return b.CaptionHuman().Font().Color(); }},
      {"cb_color_code", RGB(0x80, 0x00, 0x80), [](TksBarcodeComponent& b) { return b.LinesColor(); }},
      {"cb_color_shape", RGB(0xFF, 0xEE, 0xCC), [](TksBarcodeComponent& b) { return b.BackgroundColor(); }},
  };
  for (const Picker& k : pickers) {
    SCOPED_TRACE(k.name);
    pickedColor = k.color;
    Click(Ctl<TksColorPicker>(k.name));
    EXPECT_EQ(Ctl<TksColorPicker>(k.name)->Color(), k.color);
    EXPECT_EQ(k.read(*Preview().BarcodeComponent()), k.color);
    EXPECT_EQ(k.read(Exported()), k.color);
    // A cancelled colour dialog changes nothing.
    pickedColor.reset();
    Click(Ctl<TksColorPicker>(k.name));
    EXPECT_EQ(k.read(Exported()), k.color);
  }
}

TEST_F(MainWindowTest, FontNameFromTheListOrTypedSetsTheHumanReadableFontOnBoth) {
  QComboBox* fonts = Ctl<QComboBox>("cb_font_name");
  ASSERT_GT(fonts->count(), 0);
  const int index = fonts->count() - 1;
  const std::string listed = fonts->itemText(index).toStdString();
  fonts->setCurrentIndex(index);
  EXPECT_EQ(Preview().CaptionHuman().Font().Name(), listed);
  EXPECT_EQ(Exported().CaptionHuman().Font().Name(), listed);

  // Clearing the name leaves the font as it was; typing a name sets it.
  fonts->lineEdit()->clear();
  EXPECT_EQ(Exported().CaptionHuman().Font().Name(), listed);
  fonts->setCompleter(nullptr);
  Type(fonts->lineEdit(), QStringLiteral("Typed Face"));
  EXPECT_EQ(Preview().CaptionHuman().Font().Name(), "Typed Face");
  EXPECT_EQ(Exported().CaptionHuman().Font().Name(), "Typed Face");
}

// ---- size -------------------------------------------------------------------------------

TEST_F(MainWindowTest, SlidersResizeThePreviewAndTheExport) {
  Ctl<QSlider>("tb_width")->setValue(300);
  EXPECT_EQ(Ctl<QLabel>("lb_width")->text(), U("Šířka 300px"));
  EXPECT_EQ(Preview().width(), 300);
  EXPECT_EQ(w->EI.Width(), 300);
  Ctl<QSlider>("tb_height")->setValue(90);
  EXPECT_EQ(Ctl<QLabel>("lb_height")->text(), U("Výška 90px"));
  EXPECT_EQ(Preview().height(), 90);
  EXPECT_EQ(w->EI.Height(), 90);
  // The keyboard moves them too.
  QSlider* height = Ctl<QSlider>("tb_height");
  height->setFocus();
  QTest::keyClick(height, Qt::Key_End);
  EXPECT_EQ(Preview().height(), 500);
  EXPECT_EQ(Ctl<QLabel>("lb_height")->text(), U("Výška 500px"));
}

// ---- memos ------------------------------------------------------------------------------

TEST_F(MainWindowTest, MemosSetTheUpperAndBottomCaptionsOnBoth) {
  QPlainTextEdit* upper = Ctl<QPlainTextEdit>("mem_nad");
  QPlainTextEdit* bottom = Ctl<QPlainTextEdit>("mem_pod");
  Type(upper, U("Nahoře"));
  QTest::keyClick(upper, Qt::Key_Return);
  Type(upper, U("druhý řádek"));
  Type(bottom, U("Dole"));
  const std::vector<std::u16string> upperLines{u"Nahoře", u"druhý řádek"};
  const std::vector<std::u16string> bottomLines{u"Dole"};
  EXPECT_EQ(Preview().CaptionUpper().Text(), upperLines);
  EXPECT_EQ(Exported().CaptionUpper().Text(), upperLines);
  EXPECT_EQ(Preview().CaptionBottom().Text(), bottomLines);
  EXPECT_EQ(Exported().CaptionBottom().Text(), bottomLines);
  // A final line break adds no empty line; an emptied memo has none.
  QTest::keyClick(bottom, Qt::Key_Return);
  EXPECT_EQ(Exported().CaptionBottom().Text(), bottomLines);
  upper->clear();
  EXPECT_TRUE(Preview().CaptionUpper().Text().empty());
  EXPECT_TRUE(Exported().CaptionUpper().Text().empty());
}

// ---- saving -------------------------------------------------------------------------------

// The pixel size a written file declares, read from its own header or by Qt's readers.
QSize FileSize(const QString& path, QByteArray* format) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return {};
  const QByteArray bytes = f.readAll();
  auto u32 = [&](int at) {
    uint32_t v;
    std::memcpy(&v, bytes.constData() + at, 4);
    return v;
  };
  auto i32 = [&](int at) { return static_cast<int32_t>(u32(at)); };
  auto i16 = [&](int at) {
    int16_t v;
    std::memcpy(&v, bytes.constData() + at, 2);
    return static_cast<int>(v);
  };
  if (bytes.size() > 88 && u32(0) == 1 && u32(40) == 0x464D4520) {  // EMR_HEADER, " EMF"
    *format = "emf";
    return QSize(i32(16) - i32(8) + 1, i32(20) - i32(12) + 1);  // inclusive bounds
  }
  if (bytes.size() > 22 && u32(0) == 0x9AC6CDD7) {  // placeable WMF header
    *format = "wmf";
    return QSize(i16(10) - i16(6), i16(12) - i16(8));
  }
  QImageReader reader(path);
  reader.setDecideFormatFromContent(true);
  *format = reader.format();
  return reader.size();
}

TEST_F(MainWindowTest, SavingWritesEachOfTheSixTypesAtTheSliderSize) {
  ChooseSymbology(bcEan13);
  Type(Ctl<QLineEdit>("ED_CODE"), QStringLiteral("400638133393"));
  Ctl<QSlider>("tb_width")->setValue(300);
  Ctl<QSlider>("tb_height")->setValue(150);
  struct Case {
    const char* name;
    const char* format;
  };
  for (const Case& k : std::initializer_list<Case>{{"code.bmp", "bmp"},
                                                   {"code.wmf", "wmf"},
                                                   {"code.emf", "emf"},
                                                   {"code.jpg", "jpeg"},
                                                   {"code.gif", "gif"},
                                                   {"code.png", "png"},
                                                   // the extension in capitals writes the same type
                                                   {"CODE.PNG", "png"},
                                                   {"Code.Emf", "emf"}}) {
    SCOPED_TRACE(k.name);
    SaveAs(Path(k.name));
    ASSERT_TRUE(QFile::exists(Path(k.name)));
    QByteArray format;
    EXPECT_EQ(FileSize(Path(k.name), &format), QSize(300, 150));
    EXPECT_EQ(format, QByteArray(k.format));
    EXPECT_EQ(w->EI.FileName(), Path(k.name).toStdString());
  }
  EXPECT_EQ(dialogTitle, U("Uložit Barcode jako ..."));
}

TEST_F(MainWindowTest, SavedImageHoldsTheExportedBarcodeAsTheUserSetIt) {
  ChooseSymbology(bcEan13);
  Type(Ctl<QLineEdit>("ED_CODE"), QStringLiteral("400638133393"));
  pickedColor = RGB(0x80, 0x00, 0x00);
  Click(Ctl<TksColorPicker>("cb_color_code"));
  Ctl<QSlider>("tb_width")->setValue(300);
  SaveAs(Path("ean.png"));
  QImage image(Path("ean.png"));
  ASSERT_FALSE(image.isNull());
  EXPECT_EQ(image.size(), QSize(300, 178));
  int barPixels = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if ((image.pixel(x, y) & 0xFFFFFF) == 0x800000) ++barPixels;
  EXPECT_GT(barPixels, 3000);

  // A public decoder reads the saved symbol.
  const QString reader = QStandardPaths::findExecutable(QStringLiteral("ZXingReader"));
  if (reader.isEmpty()) GTEST_SKIP() << "ZXingReader is not installed";
  QProcess zxing;
  zxing.start(reader, {Path("ean.png")});
  ASSERT_TRUE(zxing.waitForFinished(30000));
  const QString out = QString::fromUtf8(zxing.readAllStandardOutput());
  EXPECT_TRUE(out.contains(QStringLiteral("4006381333931"))) << out.toStdString();
  EXPECT_TRUE(out.contains(QStringLiteral("EAN-13"))) << out.toStdString();
}

TEST_F(MainWindowTest, OtherExtensionsWriteNothingAndSayWhy) {
  EnterEan13();
  for (const QString& name : {U("štítek.v2"), U("code.tiff"), U("code.jpeg"), U("code."), U("code.png.txt")}) {
    SCOPED_TRACE(name.toStdString());
    MessageBoxCatcher catcher;
    SaveAs(Path(name));
    EXPECT_FALSE(QFile::exists(Path(name)));
    ASSERT_EQ(catcher.Texts().size(), 1u);
    const QString text = catcher.Texts().front();
    EXPECT_TRUE(text.contains(U("„") + name + U("“ nebyl uložen"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral(".png"))) << "names the extensions it writes: " << text.toStdString();
  }
  // A cancelled dialog writes nothing and says nothing.
  MessageBoxCatcher catcher;
  SaveAs(QString());
  EXPECT_TRUE(catcher.Texts().empty());
  EXPECT_TRUE(QDir(dir.path()).entryList(QDir::Files).isEmpty());
}

TEST_F(MainWindowTest, ANameWithoutExtensionTakesTheChosenFileType) {
  EnterEan13();
  struct Case {
    const char* typed;
    int filterIndex;
    const char* written;
    const char* format;
  };
  for (const Case& k : std::initializer_list<Case>{{"code", 6, "code.png", "png"},
                                                   {"obrázek", 1, "obrázek.bmp", "bmp"},
                                                   {"kód", 4, "kód.jpg", "jpeg"},
                                                   {"vektor", 3, "vektor.emf", "emf"}}) {
    SCOPED_TRACE(k.typed);
    w->sd.FilterIndex = k.filterIndex;
    SaveAs(Path(U(k.typed)));
    EXPECT_FALSE(QFile::exists(Path(U(k.typed))));
    ASSERT_TRUE(QFile::exists(Path(U(k.written))));
    QByteArray format;
    EXPECT_EQ(FileSize(Path(U(k.written)), &format), QSize(251, 178));
    EXPECT_EQ(format, QByteArray(k.format));
  }
  // A file of the completed name is replaced only when the user agrees.
  w->sd.FilterIndex = 6;
  for (QMessageBox::StandardButton answer : {QMessageBox::No, QMessageBox::Yes}) {
    {
      QFile old(Path("code.png"));
      ASSERT_TRUE(old.open(QIODevice::WriteOnly));
      old.write("old");
    }
    MessageBoxCatcher catcher(answer);
    SaveAs(Path("code"));
    ASSERT_EQ(catcher.Texts().size(), 1u);
    EXPECT_TRUE(catcher.Texts().front().contains(U("již existuje")));
    QFile written(Path("code.png"));
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_EQ(written.readAll() == "old", answer == QMessageBox::No);
  }
}

TEST_F(MainWindowTest, SavingWhileTheCodeShowsAnErrorAsksFirst) {
  ChooseSymbology(bcEan13);  // the code is still empty
  {
    MessageBoxCatcher no(QMessageBox::No);
    SaveAs(Path("error.png"));
    ASSERT_EQ(no.Texts().size(), 1u);
    EXPECT_TRUE(no.Texts().front().contains(U("Prázdný kód."))) << no.Texts().front().toStdString();
    EXPECT_FALSE(QFile::exists(Path("error.png")));
  }
  {
    MessageBoxCatcher yes(QMessageBox::Yes);
    SaveAs(Path("error.png"));
    EXPECT_EQ(yes.Texts().size(), 1u);
    const QImage image(Path("error.png"));
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.pixel(10, 10) & 0xFFFFFF, 0xC0DCC0u) << "the picture of the error message";
  }
  // Too small a picture for the symbol is an error as well; a code that paints asks
  // nothing.
  ChooseSymbology(bcCode128);
  Type(Ctl<QLineEdit>("ED_CODE"), QStringLiteral("Barvello tavrix 2026"));
  Ctl<QSlider>("tb_width")->setValue(115);
  {
    MessageBoxCatcher no(QMessageBox::No);
    SaveAs(Path("small.png"));
    ASSERT_EQ(no.Texts().size(), 1u);
    EXPECT_TRUE(no.Texts().front().contains(U("Zvětšete velikost obrázku kódu !"))) << no.Texts().front().toStdString();
    EXPECT_FALSE(QFile::exists(Path("small.png")));
  }
  Ctl<QSlider>("tb_width")->setValue(400);
  MessageBoxCatcher none;
  SaveAs(Path("code.png"));
  EXPECT_TRUE(none.Texts().empty());
  EXPECT_TRUE(QFile::exists(Path("code.png")));
}

// The preview shows the picture a save writes: a PNG of the slider size is the preview
// grabbed at that size, pixel for pixel (antialiased text may differ a little).
TEST_F(MainWindowTest, SavedPngIsThePreviewPixelForPixel) {
  struct Case {
    const char* what;
    TksBarcodeSymbology symbology;
    const char* text;
    int width, height;
    int angle;
    bool transparent;
  };
  const Case cases[] = {
      {"EAN-13 at the start size", bcEan13, "400638133393", 251, 178, 0, false},
      {"EAN-13 wide and low", bcEan13, "400638133393", 420, 120, 0, false},
      {"Code 128 turned", bcCode128, "Barvello 15", 200, 400, 90, false},
      {"QR Code on a transparent background", bcQRCode, "https://example.com/barvello", 300, 300, 0, true},
      {"an error message", bcEan13, "", 251, 178, 0, false},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    ChooseSymbology(k.symbology);
    QLineEdit* code = Ctl<QLineEdit>("ED_CODE");
    code->clear();
    Type(code, QString::fromLatin1(k.text));
    if (Ctl<QCheckBox>("cb_transparent")->isChecked() != k.transparent) Click(Ctl<QCheckBox>("cb_transparent"));
    Ctl<QSlider>("tb_width")->setValue(k.width);
    Ctl<QSlider>("tb_height")->setValue(k.height);
    Preview().SetAngle(k.angle);
    Exported().SetAngle(k.angle);
    MessageBoxCatcher yes(QMessageBox::Yes);  // the error case asks first
    const QString path = Path(QStringLiteral("saved.png"));
    QFile::remove(path);
    SaveAs(path);
    const QImage saved(path);
    ASSERT_FALSE(saved.isNull());
    const QImage shown = Preview().grab().toImage();
    ASSERT_EQ(saved.size(), QSize(k.width, k.height));
    ASSERT_EQ(shown.size(), saved.size());
    const PixelDifference d = Compare(shown, saved);
    EXPECT_LE(d.pixels, k.width * k.height / 200) << "pixels that differ";
    EXPECT_LE(d.largest, 64) << "largest difference of a colour channel";
  }
}

TEST_F(MainWindowTest, AFailedWriteIsReportedAndTheWindowGoesOn) {
  EnterEan13();
  MessageBoxCatcher catcher;
  SaveAs(Path("no-such-folder/code.png"));
  ASSERT_TRUE(catcher.Text().has_value());
  EXPECT_FALSE(catcher.Text()->isEmpty());
  EXPECT_FALSE(QFile::exists(Path("no-such-folder/code.png")));
  // The window still works.
  SaveAs(Path("code.png"));
  EXPECT_TRUE(QFile::exists(Path("code.png")));
}

// ---- keyboard -----------------------------------------------------------------------------

TEST_F(MainWindowTest, CtrlSSavesOnlyOnceSavingIsEnabled) {
  w->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));
  chosen = Path("keys.png");
  QTest::keyClick(w.get(), Qt::Key_S, Qt::ControlModifier);
  EXPECT_EQ(dialogRuns, 0);
  EnterEan13();
  Ctl<QLineEdit>("ED_CODE")->setFocus();
  QTest::keyClick(Ctl<QLineEdit>("ED_CODE"), Qt::Key_S, Qt::ControlModifier);
  EXPECT_EQ(dialogRuns, 1);
  EXPECT_TRUE(QFile::exists(Path("keys.png")));
}

TEST_F(MainWindowTest, CtrlCCopiesThePreviewOutsideTextFields) {
  w->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));
  QGuiApplication::clipboard()->clear();
  QCheckBox* box = Ctl<QCheckBox>("cb_security");
  box->setFocus();
  QTest::keyClick(box, Qt::Key_C, Qt::ControlModifier);
  const QImage copied = QGuiApplication::clipboard()->image();
  EXPECT_EQ(copied.size(), Preview().size());

  // In the code field Ctrl+C copies the selected text.
  QLineEdit* code = Ctl<QLineEdit>("ED_CODE");
  Type(code, QStringLiteral("123456"));
  code->setFocus();
  code->selectAll();
  QTest::keyClick(code, Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("123456"));
}

TEST_F(MainWindowTest, TabFollowsTheLayout) {
  w->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));
  ChooseSymbology(bcEan13);  // enables the save button
  const char* order[] = {"cb_font_color", "cb_bold",        "cb_italic",     "cb_underline",   "cb_strike",
                         "cb_font_name",  "cb_color_shape", "cb_color_code", "cb_transparent", "tb_width",
                         "tb_height",     "ED_CODE",        "cb_code",       "cb_start_stop_lines",
                         "cb_security",   "cb_quit",        "cb_auto_size",  "mem_nad",        "mem_pod",
                         "sSpeedButton2"};
  Ctl<QWidget>(order[0])->setFocus();
  for (size_t i = 1; i < std::size(order); ++i) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QWidget* focused = QApplication::focusWidget();
    ASSERT_NE(focused, nullptr);
    // An editable combo box gives the focus to its line edit.
    QWidget* expected = Ctl<QWidget>(order[i]);
    EXPECT_TRUE(focused == expected || focused->parentWidget() == expected)
        << "after " << order[i - 1] << " came " << focused->objectName().toStdString();
  }
}

TEST_F(MainWindowTest, CodeFieldHasTheFocusAtStart) {
  w->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));
  EXPECT_EQ(QApplication::focusWidget(), Ctl<QLineEdit>("ED_CODE"));
}

// ---- the editor, label printing and copying from the preview ----------------------------

TEST_F(MainWindowTest, ContextMenuAndShortcutsOpenTheEditorAndTheLabelDialog) {
  struct Entry {
    const char* action;
    const char* text;
    QKeySequence keys;
    const char* opens;  // class of the modal dialog, none for copying
  };
  const Entry entries[] = {{"actEditCode", "Upravit kód…", QKeySequence(Qt::CTRL | Qt::Key_E), "ks::TksBarcodeEditorFmt"},
                           {"actPrintLabels", "Tisk štítků…", QKeySequence(Qt::CTRL | Qt::Key_P), "ks::TksPrintParamsFmt"},
                           {"actCopy", "Kopírovat", QKeySequence(Qt::CTRL | Qt::Key_C), nullptr}};
  w->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));
  std::vector<std::string> opened;
  ModalCatcher closer([&opened](QWidget* modal) {
    opened.push_back(modal->metaObject()->className());
    modal->close();
  });
  auto expectOpened = [&opened](const char* dialog, const char* how) {
    if (dialog) {
      ASSERT_EQ(opened.size(), 1u) << how;
      EXPECT_EQ(opened.front(), dialog) << how;
    } else {
      EXPECT_TRUE(opened.empty()) << how;
    }
    opened.clear();
  };

  // Right-click on the preview, or beside it, offers the three in this order.
  for (QWidget* target : {static_cast<QWidget*>(&Preview()), w->preview->viewport()}) {
    ASSERT_EQ(target->contextMenuPolicy(), Qt::ActionsContextMenu);
    const QList<QAction*> offered = target->actions();
    ASSERT_EQ(offered.size(), 3);
    for (int i = 0; i < 3; ++i) {
      EXPECT_EQ(offered[i]->objectName(), QLatin1String(entries[i].action));
      EXPECT_EQ(offered[i]->text(), U(entries[i].text));
      EXPECT_EQ(offered[i]->shortcut(), entries[i].keys);
    }
  }
  for (const Entry& e : entries) {
    SCOPED_TRACE(e.text);
    QGuiApplication::clipboard()->clear();
    // The menu opens on a right-click; the entry is chosen with the keyboard.
    QStringList shown;
    bool chosen = false;
    QTimer::singleShot(50, [&shown, &chosen, &e] {
      auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
      chosen = true;
      if (!menu) return;
      for (QAction* a : menu->actions()) {
        shown << a->text();
        if (a->text() == U(e.text)) menu->setActiveAction(a);
      }
      QTest::keyClick(menu, Qt::Key_Return);
    });
    QContextMenuEvent click(QContextMenuEvent::Mouse, QPoint(20, 20), Preview().mapToGlobal(QPoint(20, 20)));
    QApplication::sendEvent(&Preview(), &click);
    ASSERT_TRUE(QTest::qWaitFor([&chosen] { return chosen; }, 5000));
    EXPECT_EQ(shown, QStringList({U("Upravit kód…"), U("Tisk štítků…"), U("Kopírovat")}));
    expectOpened(e.opens, "from the menu");
    if (!e.opens) {
      EXPECT_EQ(QGuiApplication::clipboard()->image().size(), Preview().size());
    }

    // The shortcut, also while the code field has the focus.
    w->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));
    QLineEdit* code = Ctl<QLineEdit>("ED_CODE");
    code->setFocus();
    QTest::keyClick(e.opens ? static_cast<QWidget*>(code) : Ctl<QCheckBox>("cb_quit"), e.keys[0].key(),
                    e.keys[0].keyboardModifiers());
    expectOpened(e.opens, "by the shortcut");
  }
  // Ctrl+E left the code field as it was.
  EXPECT_TRUE(Ctl<QLineEdit>("ED_CODE")->text().isEmpty());
}

TEST_F(MainWindowTest, EditorOkChangesBothObjectsAndTheControls) {
  EnterEan13();
  ModalCatcher editor([](QWidget* modal) {
    auto* dialog = qobject_cast<TksBarcodeEditorFmt*>(modal);
    ASSERT_NE(dialog, nullptr);
    // It opens on the preview's barcode.
    EXPECT_EQ(dialog->memCode->toPlainText(), QStringLiteral("4006381333931"));
    dialog->cbTyp->SetSelectedSymbology(bcEan8);
    dialog->memCode->setPlainText(QStringLiteral("1234567"));
    dialog->cbAngle->setCurrentIndex(1);
    dialog->cbLinesColor->SetColor(RGB(0x80, 0, 0));
    dialog->cbBackgroundColor->SetColor(RGB(0xFF, 0xFF, 0xE0));
    dialog->chkOption[boStartStopLines]->setChecked(true);
    dialog->chkOption[boFlipVertical]->setChecked(true);
    dialog->chkQZVisible->setChecked(true);
    dialog->rbCaptionUpper->setChecked(true);
    dialog->memCaptionText->setPlainText(U("Nahoře\nřádek 2"));
    dialog->btnOK->click();
  });
  w->actEditCode->trigger();

  for (TksBarcodeComponent* object : {Preview().BarcodeComponent(), &Exported()}) {
    SCOPED_TRACE(object == &Exported() ? "exported" : "preview");
    EXPECT_EQ(object->BarcodeSymbology(), bcEan8);
    EXPECT_EQ(object->BarCode(), u"12345670");
    EXPECT_EQ(object->Angle(), 90);
    EXPECT_EQ(object->LinesColor(), RGB(0x80, 0, 0));
    EXPECT_EQ(object->BackgroundColor(), RGB(0xFF, 0xFF, 0xE0));
    EXPECT_EQ(object->Options(), OptionBit(boStartStopLines) | OptionBit(boFlipVertical));
    EXPECT_TRUE(object->QuietZone().Visible());
    EXPECT_EQ(object->CaptionUpper().Text(), (std::vector<std::u16string>{u"Nahoře", u"řádek 2"}));
  }
  // The controls show the new state.
  EXPECT_EQ(Ctl<QLineEdit>("ED_CODE")->text(), QStringLiteral("12345670"));
  EXPECT_EQ(Ctl<QComboBox>("cb_code")->currentData().toInt(), bcEan8);
  EXPECT_EQ(Ctl<TksComboBox>("ksComboBox1")->SelectedSymbology(), bcEan8);
  EXPECT_EQ(Ctl<QComboBox>("cb_code")->toolTip(),
            U("Povolené znaky: ") + QChar(13) + QString::fromStdU16String(SymbologyInfo(bcEan8, u"").Chars));
  EXPECT_EQ(Ctl<TksColorPicker>("cb_color_code")->Color(), RGB(0x80, 0, 0));
  EXPECT_EQ(Ctl<TksColorPicker>("cb_color_shape")->Color(), RGB(0xFF, 0xFF, 0xE0));
  EXPECT_TRUE(Ctl<QCheckBox>("cb_start_stop_lines")->isChecked());
  EXPECT_FALSE(Ctl<QCheckBox>("cb_security")->isChecked());
  EXPECT_TRUE(Ctl<QCheckBox>("cb_quit")->isChecked());
  EXPECT_EQ(Ctl<QPlainTextEdit>("mem_nad")->toPlainText(), U("Nahoře\nřádek 2"));

  // The window goes on from there: typing changes the text on both, the turn stays.
  Ctl<QLineEdit>("ED_CODE")->clear();
  Type(Ctl<QLineEdit>("ED_CODE"), QStringLiteral("9638507"));
  EXPECT_EQ(Preview().BarCode(), u"96385074");
  EXPECT_EQ(Exported().BarCode(), u"96385074");
  EXPECT_EQ(Exported().Angle(), 90);

  // A file saved afterwards carries the edits: the bars run across and the symbol reads.
  Ctl<QSlider>("tb_width")->setValue(250);
  Ctl<QSlider>("tb_height")->setValue(420);
  SaveAs(Path("turned.png"));
  const QImage saved(Path("turned.png"));
  ASSERT_FALSE(saved.isNull());
  EXPECT_EQ(saved.size(), QSize(250, 420));
  EXPECT_GT(Edges(saved, false), 15) << "bars cross a column";
  EXPECT_GT(Edges(saved, false), 3 * Edges(saved, true)) << "only the captions' letters cross a row";
  if (QStandardPaths::findExecutable(QStringLiteral("ZXingReader")).isEmpty()) GTEST_SKIP() << "ZXingReader is not installed";
  const QString read = Decode(Path("turned.png"));
  EXPECT_TRUE(read.contains(QStringLiteral("96385074"))) << read.toStdString();
}

TEST_F(MainWindowTest, EditorApplyReachesBothObjectsAndCancelKeepsIt) {
  EnterEan13();
  ModalCatcher editor([this](QWidget* modal) {
    auto* dialog = qobject_cast<TksBarcodeEditorFmt*>(modal);
    ASSERT_NE(dialog, nullptr);
    dialog->cbLinesColor->SetColor(RGB(0, 0x80, 0));
    dialog->btnApply->click();
    EXPECT_EQ(Preview().LinesColor(), RGB(0, 0x80, 0));
    EXPECT_EQ(Exported().LinesColor(), RGB(0, 0x80, 0));
    EXPECT_EQ(Ctl<TksColorPicker>("cb_color_code")->Color(), RGB(0, 0x80, 0));
    dialog->cbAngle->setCurrentIndex(2);
    dialog->btnCancel->click();
  });
  w->actEditCode->trigger();
  EXPECT_EQ(Exported().LinesColor(), RGB(0, 0x80, 0));
  EXPECT_EQ(Preview().Angle(), 0);
  EXPECT_EQ(Exported().Angle(), 0);
}

TEST_F(MainWindowTest, LabelDialogPrintsTheExportedBarcode) {
  EnterEan13();
  const std::string pdf = Path("labels.pdf").toStdString();
  w->ksPrinter1.SetOutputFileName(pdf);
  w->ksPrinter1.SetShowProgress(false);
  ModalCatcher labels([](QWidget* modal) {
    auto* dialog = qobject_cast<TksPrintParamsFmt*>(modal);
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(dialog->findChild<QWidget*>(QStringLiteral("pn_preview"))->isVisible());
    auto* style = dialog->findChild<QComboBox*>(QStringLiteral("cb_style"));
    style->setCurrentIndex(ksSheet);
    auto* count = dialog->findChild<QLineEdit*>(QStringLiteral("ed_count"));
    count->setText(QStringLiteral("3"));
    emit count->editingFinished();
    dialog->findChild<QPushButton*>(QStringLiteral("bt_print"))->click();
    dialog->findChild<QPushButton*>(QStringLiteral("bt_ok"))->click();
  });
  w->actPrintLabels->trigger();
  EXPECT_EQ(w->ksPrinter1.Count(), 3);
  EXPECT_TRUE(QFile::exists(Path("labels.pdf")));
}

TEST_F(MainWindowTest, AWidePreviewScrollsInsideAnAreaThatGrowsWithTheWindow) {
  EnterEan13();
  QScrollArea* area = w->preview;
  QScrollBar* across = area->horizontalScrollBar();
  EXPECT_FALSE(across->isVisible());
  Ctl<QSlider>("tb_width")->setValue(1000);
  Ctl<QSlider>("tb_height")->setValue(500);
  QApplication::processEvents();
  EXPECT_EQ(Preview().size(), QSize(1000, 500));
  ASSERT_TRUE(across->isVisible());
  EXPECT_EQ(across->maximum(), 1000 - area->viewport()->width());
  // Scrolled to the end, the right edge of the preview is in view.
  across->setValue(across->maximum());
  QApplication::processEvents();
  EXPECT_EQ(Preview().mapTo(area->viewport(), QPoint(999, 0)).x(), area->viewport()->width() - 1);

  // A larger window gives the area the room.
  const QSize before = area->size();
  w->resize(782 + 300, 566 + 200);
  QApplication::processEvents();
  EXPECT_EQ(area->size(), before + QSize(300, 200));

  // The saved file keeps the slider size.
  SaveAs(Path("wide.png"));
  EXPECT_EQ(QImage(Path("wide.png")).size(), QSize(1000, 500));
}

TEST(QtTranslations, QtsOwnDialogsSpeakCzech) {
  ASSERT_TRUE(LoadQtTranslations(*QCoreApplication::instance()))
      << "qtbase_cs.qm is missing (Debian package qt6-translations-l10n)";
  QDialogButtonBox buttons(QDialogButtonBox::Cancel | QDialogButtonBox::Save);
  EXPECT_EQ(buttons.button(QDialogButtonBox::Cancel)->text(), U("Zrušit"));
  EXPECT_EQ(buttons.button(QDialogButtonBox::Save)->text(), U("Uložit"));
  // The window's own texts are untouched.
  Tfrm_main w;
  EXPECT_EQ(w.windowTitle(), U("tavrix - Barvello Free"));
  EXPECT_EQ(w.sSpeedButton2->text(), U("Uložit"));
}

// ---- the logo and the desktop entry ------------------------------------------------------

class UrlCatcher : public QObject {
  Q_OBJECT

 public:
  std::vector<QUrl> urls;
 public slots:
  void open(const QUrl& url) { urls.push_back(url); }
};

TEST_F(MainWindowTest, ClickingTheLogoOpensTheWebPage) {
  UrlCatcher catcher;
  QDesktopServices::setUrlHandler(QStringLiteral("https"), &catcher, "open");
  QTest::mouseClick(Ctl<QLabel>("img"), Qt::LeftButton);
  QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
  ASSERT_EQ(catcher.urls.size(), 1u);
  EXPECT_EQ(catcher.urls[0], QUrl(QString::fromLatin1(Tfrm_main::kWebAddress)));
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

TEST(DesktopEntry, InstalledIconIsTheWindowIconAndTheEntryStartsTheProgram) {
  EXPECT_EQ(ReadFile(BARVELLO_SOURCE_DIR "/app/barvello.svg"), std::string(kLogoSvg));
  EXPECT_FALSE(LogoPixmap(48).toImage().isNull());
  const std::string entry = ReadFile(BARVELLO_SOURCE_DIR "/app/barvello.desktop");
  for (const char* line : {"[Desktop Entry]\n", "\nType=Application\n", "\nExec=barvello\n", "\nIcon=barvello\n",
                           "\nTerminal=false\n"})
    EXPECT_NE(entry.find(line), std::string::npos) << line;
}

}  // namespace
}  // namespace ks

int main(int argc, char** argv) {
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}

#include "main_window_test.moc"
