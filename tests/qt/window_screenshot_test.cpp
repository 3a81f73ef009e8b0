// The real program on an X server (Xvfb, through xvfb-run when it is installed; offscreen
// otherwise), set up as the program starts and driven as a user drives it: keys go to the
// widget that has the focus, the editor, the save dialog and the label dialog are the real
// ones. The window is captured to a PNG whose preview reads back by a public decoder; an
// EAN-13 turned in the editor is saved through the file dialog and read back; the window
// titles are what the window manager is given.
//
// Options of this program besides GoogleTest's:
//   --screenshot=FILE     also write the whole window's picture to FILE
//   --screenshots=FOLDER  write pictures of the main window, the editor and the label
//                         dialog into FOLDER (main-window.png, editor.png, labels.png)
//   --offscreen           do not start an X server
//   --under-xvfb          (internal) already running on the X server xvfb-run started
#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QImage>
#include <QLineEdit>
#include <QPixmap>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QSlider>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>

#include "app/main_window.h"
#include "app/program.h"
#include "output/editor_dialog.h"
#include "output/printer_dialog.h"
#include "render/qt/barcode_control.h"

namespace ks {
namespace {

std::string g_screenshotPath;
std::string g_screenshotFolder;

bool OnXServer() { return QGuiApplication::platformName() == QLatin1String("xcb"); }

QImage CaptureWindow(QWidget& window) {
  // On a real display the server's framebuffer is read; offscreen the widget draws
  // itself.
  if (QScreen* screen = window.screen()) {
    const QPixmap shot = screen->grabWindow(window.winId());
    if (!shot.isNull() && shot.size() == window.size()) return shot.toImage();
  }
  return window.grab().toImage();
}

// Keys as the keyboard delivers them: to the widget that has the focus.
void Key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
  QWidget* focus = QApplication::focusWidget();
  ASSERT_NE(focus, nullptr) << "no widget has the focus";
  QTest::keyClick(focus, key, modifiers);
}
void Type(const QString& text) {
  for (const QChar ch : text) {
    QWidget* focus = QApplication::focusWidget();
    ASSERT_NE(focus, nullptr) << "no widget has the focus";
    QTest::keyClicks(focus, QString(ch));
  }
}

// Hands the next modal window to `handler` once it is shown; `handler` closes it.
class WhenModal {
 public:
  explicit WhenModal(std::function<void(QWidget*)> handler) : handler_(std::move(handler)) {
    timer_.setInterval(20);
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      QWidget* modal = QApplication::activeModalWidget();
      if (!modal || !modal->isVisible() || done_) return;
      done_ = true;
      timer_.stop();
      handler_(modal);
    });
    timer_.start();
  }
  bool Done() const { return done_; }

 private:
  std::function<void(QWidget*)> handler_;
  QTimer timer_;
  bool done_ = false;
};

// Brings the main window back to the front, as a click into it does.
void Activate(QWidget& window) {
  window.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
}

QString ZXing(const QString& path) {
  QProcess zxing;
  zxing.start(QStandardPaths::findExecutable(QStringLiteral("ZXingReader")), {path});
  zxing.waitForFinished(30000);
  return QString::fromUtf8(zxing.readAllStandardOutput());
}

// Changes of light to dark along the middle row (or column) of a picture.
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

// The title the X server holds for a window, as the window manager shows it.
QString XTitle(QWidget& window) {
  QProcess xprop;
  xprop.start(QStandardPaths::findExecutable(QStringLiteral("xprop")),
              {QStringLiteral("-id"), QString::number(window.winId()), QStringLiteral("_NET_WM_NAME")});
  xprop.waitForFinished(10000);
  const QString out = QString::fromUtf8(xprop.readAllStandardOutput()).trimmed();
  const qsizetype quote = out.indexOf(QLatin1Char('"'));
  return quote < 0 ? out : out.mid(quote + 1).chopped(1);
}

void SaveScreenshot(QWidget& w, const char* name) {
  if (g_screenshotFolder.empty()) return;
  QDir().mkpath(QString::fromStdString(g_screenshotFolder));
  const QString path = QDir(QString::fromStdString(g_screenshotFolder)).filePath(QLatin1String(name));
  EXPECT_TRUE(CaptureWindow(w).save(path)) << path.toStdString();
}

TEST(WindowScreenshot, TypedEan13IsShownInThePreviewAndReadsBack) {
  const QString reader = QStandardPaths::findExecutable(QStringLiteral("ZXingReader"));
  if (reader.isEmpty()) GTEST_SKIP() << "ZXingReader is not installed";

  Tfrm_main window;
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  window.activateWindow();

  QComboBox* codes = window.findChild<QComboBox*>(QStringLiteral("cb_code"));
  QLineEdit* code = window.findChild<QLineEdit*>(QStringLiteral("ED_CODE"));
  ASSERT_NE(codes, nullptr);
  ASSERT_NE(code, nullptr);
  codes->setCurrentIndex(codes->findText(QStringLiteral("EAN 13")));
  ASSERT_EQ(window.Barcode1->BarcodeSymbology(), bcEan13);
  QTest::keyClicks(code, QStringLiteral("400638133393"));
  ASSERT_EQ(window.Barcode1->BarCode(), u"4006381333931");
  // Let the server draw what the window painted.
  QTest::qWait(300);

  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QImage shot = CaptureWindow(window);
  ASSERT_EQ(shot.size(), window.size());
  if (!g_screenshotPath.empty()) {
    ASSERT_TRUE(shot.save(QString::fromStdString(g_screenshotPath)));
  }

  SaveScreenshot(window, "main-window.png");

  // Only the preview: the decoder refuses pictures holding several EAN symbols.
  const QRect preview(window.Barcode1->mapTo(&window, QPoint(0, 0)), window.Barcode1->size());
  const QImage crop = shot.copy(preview);
  const QString cropPath = dir.filePath(QStringLiteral("preview.png"));
  ASSERT_TRUE(crop.save(cropPath));

  QProcess zxing;
  zxing.start(reader, {cropPath});
  ASSERT_TRUE(zxing.waitForFinished(30000));
  const QString out = QString::fromUtf8(zxing.readAllStandardOutput());
  EXPECT_TRUE(out.contains(QStringLiteral("4006381333931"))) << out.toStdString();
  EXPECT_TRUE(out.contains(QStringLiteral("EAN-13"))) << out.toStdString();
}

TEST(RealProgram, AUserTurnsAnEan13InTheEditorAndSavesItAsPng) {
  if (QStandardPaths::findExecutable(QStringLiteral("ZXingReader")).isEmpty()) GTEST_SKIP() << "ZXingReader is not installed";
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  Tfrm_main window;
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  Activate(window);

  // The code field has the focus at start; Tab leads to the symbology list, whose typed
  // letters open it and find the entry.
  ASSERT_EQ(QApplication::focusWidget(), window.ED_CODE);
  Key(Qt::Key_Tab);
  ASSERT_EQ(QApplication::focusWidget(), window.cb_code);
  Type(QStringLiteral("EAN 13"));
  Key(Qt::Key_Return);
  ASSERT_TRUE(QTest::qWaitFor([&] { return !window.cb_code->view()->isVisible(); }, 3000));
  ASSERT_EQ(window.cb_code->currentText(), QStringLiteral("EAN 13"));
  Key(Qt::Key_Backtab);
  ASSERT_EQ(QApplication::focusWidget(), window.ED_CODE);
  Type(QStringLiteral("400638133393"));
  ASSERT_EQ(window.Barcode1->BarCode(), u"4006381333931");

  // Ctrl+E in the code field opens the editor; the angle goes to 90, then OK.
  WhenModal editor([](QWidget* modal) {
    auto* dialog = qobject_cast<TksBarcodeEditorFmt*>(modal);
    if (!dialog) {
      ADD_FAILURE() << "not the editor: " << modal->metaObject()->className();
      modal->close();
      return;
    }
    EXPECT_TRUE(QTest::qWaitForWindowExposed(dialog));
    dialog->cbAngle->setFocus();
    QTest::keyClick(dialog->cbAngle, Qt::Key_Down);
    QTest::mouseClick(dialog->btnOK, Qt::LeftButton);
  });
  Key(Qt::Key_E, Qt::ControlModifier);
  ASSERT_TRUE(editor.Done()) << "Ctrl+E opened no dialog";
  EXPECT_EQ(window.Barcode1->Angle(), 90);
  EXPECT_EQ(window.ksBarcodeComponent1.Angle(), 90);
  EXPECT_EQ(window.ED_CODE->text(), QStringLiteral("4006381333931"));

  // The height slider to its end gives the turned symbol room.
  Activate(window);
  window.tb_height->setFocus();
  Key(Qt::Key_End);
  ASSERT_EQ(window.Barcode1->height(), 500);

  // Ctrl+S: the save dialog; the name is typed without an extension, PNG being chosen.
  const QString typed = dir.filePath(QStringLiteral("turned"));
  WhenModal save([&typed](QWidget* modal) {
    auto* dialog = qobject_cast<QFileDialog*>(modal);
    if (!dialog) {
      ADD_FAILURE() << "not the file dialog: " << modal->metaObject()->className();
      modal->close();
      return;
    }
    EXPECT_TRUE(QTest::qWaitForWindowExposed(dialog));
    auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    if (!name) {
      ADD_FAILURE() << "the dialog has no file name field";
      dialog->reject();
      return;
    }
    name->setFocus();
    name->clear();
    QTest::keyClicks(name, typed);
    QTest::keyClick(name, Qt::Key_Return);
    if (dialog->isVisible()) {
      ADD_FAILURE() << "the dialog did not take the name";
      dialog->reject();
    }
  });
  Key(Qt::Key_S, Qt::ControlModifier);
  ASSERT_TRUE(save.Done()) << "Ctrl+S opened no dialog";

  const QString written = typed + QStringLiteral(".png");
  ASSERT_TRUE(QFile::exists(written)) << dir.path().toStdString() << " holds "
                                      << QDir(dir.path()).entryList(QDir::Files).join(QLatin1Char(' ')).toStdString();
  const QImage saved(written);
  ASSERT_EQ(saved.size(), QSize(251, 500));
  EXPECT_GT(Edges(saved, false), 15) << "bars cross a column";
  EXPECT_GT(Edges(saved, false), 3 * Edges(saved, true)) << "the bars run across";
  const QString read = ZXing(written);
  EXPECT_TRUE(read.contains(QStringLiteral("4006381333931"))) << read.toStdString();
  EXPECT_TRUE(read.contains(QStringLiteral("EAN-13"))) << read.toStdString();
}

// The window manager gets the titles as they are: no application name after them. Also
// the pictures of the editor and the label dialog for the README.
TEST(RealProgram, WindowAndDialogTitlesAreTheirOwn) {
  const bool xprop = OnXServer() && !QStandardPaths::findExecutable(QStringLiteral("xprop")).isEmpty();
  Tfrm_main window;
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  Activate(window);
  if (xprop) {
    EXPECT_EQ(XTitle(window).toStdString(), "tavrix - Barvello Free");
  }
  window.cb_code->setCurrentIndex(window.cb_code->findText(QStringLiteral("EAN 13")));
  window.ED_CODE->setText(QStringLiteral("400638133393"));

  struct Dialog {
    Qt::Key key;
    const char* title;
    const char* picture;
  };
  for (const Dialog& d : {Dialog{Qt::Key_E, "Barvello Barcode Editor", "editor.png"},
                          Dialog{Qt::Key_P, "Barcode print parameters", "labels.png"}}) {
    SCOPED_TRACE(d.title);
    WhenModal dialog([&d, xprop](QWidget* modal) {
      EXPECT_TRUE(QTest::qWaitForWindowExposed(modal));
      // The label dialog shows a sheet of the code, as a user sets it up.
      if (auto* style = modal->findChild<QComboBox*>(QStringLiteral("cb_style"))) style->setCurrentIndex(ksSheet);
      if (auto* count = modal->findChild<QLineEdit*>(QStringLiteral("ed_count"))) {
        count->setText(QStringLiteral("18"));
        emit count->editingFinished();
      }
      QTest::qWait(200);  // let the server draw it
      EXPECT_EQ(modal->windowTitle().toStdString(), d.title);
      if (xprop) {
        EXPECT_EQ(XTitle(*modal).toStdString(), d.title);
      }
      SaveScreenshot(*modal, d.picture);
      modal->close();
    });
    Activate(window);
    window.ED_CODE->setFocus();
    Key(d.key, Qt::ControlModifier);
    EXPECT_TRUE(dialog.Done());
  }
  if (!xprop) GTEST_SKIP() << "the titles the window manager gets are read on an X server with xprop (x11-utils)";
}

}  // namespace
}  // namespace ks

int main(int argc, char** argv) {
  std::vector<char*> args;
  bool underXvfb = false, offscreen = false, listing = false;
  for (int i = 0; i < argc; ++i) {
    if (std::strcmp(argv[i], "--under-xvfb") == 0) {
      underXvfb = true;
    } else if (std::strcmp(argv[i], "--offscreen") == 0) {
      offscreen = true;
    } else if (std::strncmp(argv[i], "--screenshot=", 13) == 0) {
      ks::g_screenshotPath = argv[i] + 13;
    } else if (std::strncmp(argv[i], "--screenshots=", 14) == 0) {
      ks::g_screenshotFolder = argv[i] + 14;
    } else {
      if (std::strcmp(argv[i], "--gtest_list_tests") == 0) listing = true;
      args.push_back(argv[i]);
    }
  }

  if (underXvfb) {
    // The X server is there: use it, whatever the test environment chose.
    unsetenv("QT_QPA_PLATFORM");
    qputenv("QT_QPA_PLATFORM", "xcb");
  } else if (!offscreen && !listing) {
    const QString xvfbRun = QStandardPaths::findExecutable(QStringLiteral("xvfb-run"));
    if (!xvfbRun.isEmpty()) {
      // Run this program again on a private X server; its exit code is ours.
      const std::string runner = xvfbRun.toStdString();
      std::vector<std::string> words = {runner, "-a", "--server-args=-screen 0 1280x1024x24", argv[0],
                                        "--under-xvfb"};
      if (!ks::g_screenshotPath.empty()) words.push_back("--screenshot=" + ks::g_screenshotPath);
      if (!ks::g_screenshotFolder.empty()) words.push_back("--screenshots=" + ks::g_screenshotFolder);
      for (size_t i = 1; i < args.size(); ++i) words.push_back(args[i]);
      std::vector<char*> exec;
      for (auto& w : words) exec.push_back(w.data());
      exec.push_back(nullptr);
      execv(runner.c_str(), exec.data());
      perror("xvfb-run");
      return 1;
    }
  }
  if (!underXvfb && !qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");

  int count = static_cast<int>(args.size());
  args.push_back(nullptr);
  QApplication app(count, args.data());
  // As the program starts: translations, icon, the editor for barcode controls.
  ks::SetUpApplication(app);
  ::testing::InitGoogleTest(&count, args.data());
  return RUN_ALL_TESTS();
}
