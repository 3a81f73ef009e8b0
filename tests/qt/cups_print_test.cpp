// Printing through a real printer queue: the label printer prints two sheets of EAN-13
// labels on the local CUPS queue of cups-pdf ("PDF", set up by scripts/setup-printing.sh),
// and the PDF file cups-pdf writes is read back by poppler (page count, pages as pictures)
// and its labels by ZXingReader. The test skips, saying why, only where no CUPS scheduler
// with that queue can run.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QPrinter>
#include <QPrinterInfo>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <pwd.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "engine/barcode.h"
#include "engine/errors.h"
#include "output/printer.h"

namespace ks {
namespace {

QString Queue() {
  const QString q = qEnvironmentVariable("BARVELLO_PDF_QUEUE");
  return q.isEmpty() ? QStringLiteral("PDF") : q;
}

// Runs a command through the shell; its standard output and error.
std::string Shell(const std::string& command) {
  std::string out;
  FILE* p = popen((command + " 2>&1").c_str(), "r");
  if (!p) return out;
  char buffer[4096];
  for (size_t n; (n = fread(buffer, 1, sizeof buffer, p)) > 0;) out.append(buffer, n);
  pclose(p);
  return out;
}

// Where cups-pdf writes the files of this user's jobs: the "Out" folder of its settings,
// ${HOME} being the job owner's home folder.
QString CupsPdfFolder() {
  QString out = QStringLiteral("${HOME}/PDF");
  QFile conf(QStringLiteral("/etc/cups/cups-pdf.conf"));
  if (conf.open(QIODevice::ReadOnly)) {
    for (const QByteArray& line : conf.readAll().split('\n')) {
      const QString l = QString::fromUtf8(line).trimmed();
      if (l.startsWith(QLatin1String("Out ")) || l.startsWith(QLatin1String("Out\t"))) out = l.mid(4).trimmed();
    }
  }
  const passwd* user = getpwuid(getuid());
  const QString home = user ? QString::fromLocal8Bit(user->pw_dir) : QDir::homePath();
  return out.replace(QLatin1String("${HOME}"), home);
}

int PdfPages(const QString& pdf) {
  const std::string info = Shell("pdfinfo '" + pdf.toStdString() + "'");
  const QRegularExpressionMatch m = QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)")).match(QString::fromStdString(info));
  return m.hasMatch() ? m.captured(1).toInt() : -1;
}

class CupsPrintTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (!QPrinterInfo::printerInfo(Queue()).isNull()) return;
    // The scheduler may not have been started yet on this machine: start it the way
    // `make test` does.
    setupOutput_ = Shell("bash '" BARVELLO_SOURCE_DIR "/scripts/setup-printing.sh'");
  }
  static std::string setupOutput_;
};
std::string CupsPrintTest::setupOutput_;

TEST_F(CupsPrintTest, TwoLabelSheetsPrintThroughTheCupsPdfQueue) {
  const QPrinterInfo info = QPrinterInfo::printerInfo(Queue());
  if (info.isNull())
    GTEST_SKIP() << "no CUPS queue \"" << Queue().toStdString() << "\" here (scripts/install-deps.sh --printing sets "
                 << "it up): " << setupOutput_;
  for (const char* tool : {"pdfinfo", "pdftoppm", "ZXingReader"})
    ASSERT_FALSE(QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty()) << tool << " is not installed";

  // The printer component finds the queue and prints on it.
  ASSERT_TRUE(IsPrinterInstalled());
  ASSERT_TRUE(SelectPrinter(Queue().toStdString()));
  TksBarcodeComponent barcode;
  barcode.ErrorInfo().SetMode(emDrawErrorString);
  barcode.SetBarcodeSymbology(bcEan13);
  barcode.SetBarCode(u"400638133393");
  TksPrinter printer;
  printer.PaperParams().RefreshPaperMetrics();
  EXPECT_EQ(printer.PrinterName(), Queue().toStdString());
  const TksPaperParamsRec& paper = printer.PaperParams().Record();
  EXPECT_GT(paper.FDpiX, 0);
  EXPECT_GT(paper.pPaperWidth, 0);
  printer.SetShowProgress(false);
  printer.SetBarcodeObject(&barcode);
  const int perPage = printer.PaperParams().LabelsPerPage();
  ASSERT_GE(perPage, 4) << "the queue's paper holds too few default labels";
  printer.SetCount(2 * perPage);
  ASSERT_EQ(printer.PagesCount(), 2);
  // A title of its own finds the job's file among the others cups-pdf wrote.
  const QString token = QStringLiteral("barvello-cups-%1-%2").arg(getpid()).arg(QDateTime::currentMSecsSinceEpoch());
  printer.PaperParams().SetDocumentTitle(token.toStdString());
  ASSERT_TRUE(printer.Print());

  // cups-pdf writes the file once the job has gone through the filters.
  const QDir folder(CupsPdfFolder());
  QString pdf;
  const bool written = QTest::qWaitFor(
      [&] {
        for (const QFileInfo& f : folder.entryInfoList({QStringLiteral("*.pdf")}, QDir::Files))
          if (f.fileName().contains(token) && PdfPages(f.filePath()) > 0) {
            pdf = f.filePath();
            return true;
          }
        return false;
      },
      60000);
  ASSERT_TRUE(written) << "no file of the job in " << folder.path().toStdString() << "; lpstat: "
                       << Shell("lpstat -W all -o " + Queue().toStdString() + " | tail -3");
  EXPECT_EQ(PdfPages(pdf), 2);

  // The first and last labels of each sheet read back. The PDF holds the whole paper;
  // the printer's origin was the corner of the printable area. (The queue's converters
  // turn fills into hairline strips, which a rendering below 200 dpi widens.)
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  constexpr int kDpi = 300;
  const std::string prefix = dir.filePath(QStringLiteral("page")).toStdString();
  Shell("pdftoppm -r " + std::to_string(kDpi) + " -png '" + pdf.toStdString() + "' '" + prefix + "'");
  const QStringList pages = QDir(dir.path()).entryList({QStringLiteral("page*.png")}, QDir::Files, QDir::Name);
  ASSERT_EQ(pages.size(), 2);
  const TksPaperParams& pp = printer.PaperParams();
  auto px = [&](double mm) { return static_cast<int>(mm * kDpi / 25.4); };
  for (int page = 0; page < 2; ++page) {
    const QImage sheet(dir.filePath(pages[page]));
    ASSERT_FALSE(sheet.isNull());
    TksPrintRect pos = pp.FirstLabel();
    for (int k = 0; k < perPage; ++k) {
      if (k == 0 || k == perPage - 1) {
        SCOPED_TRACE("sheet " + std::to_string(page + 1) + ", label " + std::to_string(k + 1));
        const double left = pos.Left + pp.NonPrintableHorz(), top = pos.Top + pp.NonPrintableVert();
        const QRect label(px(left - 4), px(top - 4), px(pp.LabelWidth() + 8), px(pp.LabelHeight() + 8));
        const QString crop = dir.filePath(QStringLiteral("label-%1-%2.png").arg(page).arg(k));
        ASSERT_TRUE(sheet.copy(label).save(crop));
        const std::string read = Shell("ZXingReader '" + crop.toStdString() + "'");
        EXPECT_NE(read.find("4006381333931"), std::string::npos) << read;
      }
      pp.NextLabel(pos);
    }
  }
  QFile::remove(pdf);
}

}  // namespace
}  // namespace ks

int main(int argc, char** argv) {
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
