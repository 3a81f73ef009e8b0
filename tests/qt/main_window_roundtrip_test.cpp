// The main window as a new user meets it: a symbology chosen, a text typed, nothing else
// touched. What its preview shows must scan as the text typed: the preview is grabbed
// offscreen and read by ZXingReader. BARVELLO_SCAN_KEEP=DIR keeps the grabbed previews.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <cstdlib>
#include <ostream>
#include <string>

#include "app/main_window.h"
#include "engine/symbology.h"
#include "render/qt/barcode_control.h"

namespace ks {
namespace {

struct Case {
  TksBarcodeSymbology symbology;
  const char* text;
  const char* format;  // ZXingReader's name
  bool typeFirst;      // the text typed before the symbology is chosen
};

void PrintTo(const Case& c, std::ostream* os) {
  *os << SymbologyIdentifier(c.symbology) << " \"" << c.text << "\"" << (c.typeFirst ? " typed first" : "");
}

class MainWindowPreviewScan : public ::testing::TestWithParam<Case> {};

TEST_P(MainWindowPreviewScan, ThePreviewReadsAsTheTextTyped) {
  const QString reader = QStandardPaths::findExecutable(QStringLiteral("ZXingReader"));
  if (reader.isEmpty()) GTEST_SKIP() << "ZXingReader is not installed";
  const Case& c = GetParam();
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());

  Tfrm_main w;
  w.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
  auto* code = w.findChild<QLineEdit*>(QStringLiteral("ED_CODE"));
  auto* symbologies = w.findChild<QComboBox*>(QStringLiteral("cb_code"));
  auto* preview = w.findChild<TksBarcode*>(QStringLiteral("Barcode1"));
  ASSERT_TRUE(code && symbologies && preview);
  const int index = symbologies->findData(static_cast<int>(c.symbology));
  ASSERT_GE(index, 0) << SymbologyIdentifier(c.symbology);

  if (c.typeFirst) QTest::keyClicks(code, QString::fromUtf8(c.text));
  symbologies->setCurrentIndex(index);
  if (!c.typeFirst) QTest::keyClicks(code, QString::fromUtf8(c.text));
  ASSERT_EQ(preview->BarcodeSymbology(), c.symbology);

  const QString file = dir.filePath(QStringLiteral("preview.png"));
  ASSERT_TRUE(preview->grab().toImage().save(file));
  if (const char* keep = std::getenv("BARVELLO_SCAN_KEEP"))
    preview->grab().save(QString::fromLocal8Bit(keep) + "/preview_" +
                         QString::fromStdString(SymbologyIdentifier(c.symbology)) + ".png");
  QProcess zxing;
  zxing.start(reader, {QStringLiteral("-format"), QString::fromLatin1(c.format), QStringLiteral("-bytes"), file});
  ASSERT_TRUE(zxing.waitForFinished(30000));
  EXPECT_EQ(zxing.readAllStandardOutput().toStdString(), c.text)
      << SymbologyIdentifier(c.symbology) << ": the preview does not read as the text typed";
}

INSTANTIATE_TEST_SUITE_P(Symbologies, MainWindowPreviewScan,
                         ::testing::Values(Case{bcCode128, "Barvello 2026", "Code128", false},
                                           Case{bcCode128, "ABC-123", "Code128", true},
                                           Case{bcCode93Standard, "TAVRIX 93", "Code93", false},
                                           Case{bcCode93Standard, "ABC-123", "Code93", true}),
                         [](const auto& info) {
                           return SymbologyIdentifier(info.param.symbology).substr(2) +
                                  (info.param.typeFirst ? "_TypedFirst" : "_ChosenFirst");
                         });

}  // namespace
}  // namespace ks

int main(int argc, char** argv) {
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
