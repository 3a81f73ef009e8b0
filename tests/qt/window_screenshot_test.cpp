// One real window: the main window is shown on an X server (Xvfb, through xvfb-run when
// it is installed; offscreen otherwise), an EAN-13 is typed into the code field, the
// window is captured to a PNG, and the preview's part of the picture is read back by a
// public decoder.
//
// Options of this program besides GoogleTest's:
//   --screenshot=FILE  also write the whole window's picture to FILE
//   --offscreen        do not start an X server
//   --under-xvfb       (internal) already running on the X server xvfb-run started
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QImage>
#include <QLineEdit>
#include <QPixmap>
#include <QProcess>
#include <QScreen>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>

#include "app/main_window.h"
#include "render/qt/barcode_control.h"

namespace ks {
namespace {

std::string g_screenshotPath;

QImage CaptureWindow(QWidget& window) {
  // On a real display the server's framebuffer is read; offscreen the widget draws
  // itself.
  if (QScreen* screen = window.screen()) {
    const QPixmap shot = screen->grabWindow(window.winId());
    if (!shot.isNull() && shot.size() == window.size()) return shot.toImage();
  }
  return window.grab().toImage();
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
  ::testing::InitGoogleTest(&count, args.data());
  return RUN_ALL_TESTS();
}
