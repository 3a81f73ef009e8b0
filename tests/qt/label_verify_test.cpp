// Label printing checks one label, painted at the paper's resolution, before it prints;
// a label that does not read back is printed only when the user says so.
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QTemporaryDir>
#include <filesystem>
#include <optional>

#include "engine/barcode.h"
#include "engine/ustring.h"
#include "output/printer.h"

namespace ks {
namespace {

struct PrintRun {
  bool printed = false;
  bool fileWritten = false;
  std::optional<VerifyResult> asked;
};

PrintRun PrintLabels(TColor bars, bool answer, TksPrintStyle style = ksSheet) {
  QTemporaryDir dir;
  const std::string file = (dir.path() + QStringLiteral("/labels.pdf")).toStdString();
  TksBarcodeComponent bc;
  bc.SetBarcodeSymbology(bcCode128);
  bc.SetBarCode(u"Label 128");
  bc.SetLinesColor(bars);
  TksPrinter printer;
  printer.PaperParams().RefreshPaperMetrics(nullptr);
  printer.PaperParams().SetStyle(style);
  printer.SetShowProgress(false);
  printer.SetBarcodeObject(&bc);
  printer.SetCount(3);
  printer.SetOutputFileName(file);
  PrintRun run;
  printer.ConfirmUnreadable = [&](const VerifyResult& r) {
    run.asked = r;
    return answer;
  };
  run.printed = printer.Print();
  run.fileWritten = std::filesystem::exists(file);
  return run;
}

TEST(LabelVerify, ReadableLabelPrintsWithoutAQuestion) {
  const PrintRun run = PrintLabels(clBlack, false);
  EXPECT_FALSE(run.asked.has_value());
  EXPECT_TRUE(run.printed);
  EXPECT_TRUE(run.fileWritten);
}

TEST(LabelVerify, UnreadableLabelAsksAndPrintsOnlyWhenTold) {
  const PrintRun declined = PrintLabels(clWhite, false);
  ASSERT_TRUE(declined.asked.has_value());
  EXPECT_EQ(declined.asked->status, VerifyStatus::Unreadable);
  EXPECT_FALSE(declined.printed);
  EXPECT_FALSE(declined.fileWritten);

  const PrintRun accepted = PrintLabels(clWhite, true);
  ASSERT_TRUE(accepted.asked.has_value());
  EXPECT_TRUE(accepted.printed);
  EXPECT_TRUE(accepted.fileWritten);
}

// A sheet of every symbology's sample does not print this object: nothing to check.
TEST(LabelVerify, SymbologySheetIsNotChecked) {
  const PrintRun run = PrintLabels(clWhite, false, ksSheetSymbologies);
  EXPECT_FALSE(run.asked.has_value());
  EXPECT_TRUE(run.printed);
}

TEST(LabelVerify, QuestionIsCzech) {
  VerifyResult r;
  r.status = VerifyStatus::Unreadable;
  EXPECT_EQ(UnreadableLabelQuestion(r), "Čárový kód na štítku nelze přečíst čtečkou.\n\nPřesto tisknout?");
  r.status = VerifyStatus::Misread;
  r.decoded = "123";
  r.expected = "124";
  EXPECT_EQ(UnreadableLabelQuestion(r),
            "Čárový kód na štítku čtečka přečte jako „123“, ne jako „124“.\n\nPřesto tisknout?");
}

}  // namespace
}  // namespace ks

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
