// The check before a label print: one label is painted at the paper's resolution, as
// the print job paints it, and decoded; a label that does not read back is printed only
// when ConfirmUnreadable says so.
#include <QImage>
#include <QPainter>

#include "output/printer.h"
#include "output/ui_platform.h"
#include "render/paint.h"
#include "render/qt/qt_canvas.h"

namespace ks {

namespace {

// Larger labels (a whole sheet at a high resolution) are not checked: the image alone
// would take hundreds of megabytes.
constexpr long long kMaxLabelPixels = 40'000'000;

}  // namespace

std::string UnreadableLabelQuestion(const VerifyResult& result) {
  std::string text;
  if (result.status == VerifyStatus::Misread)
    text = "Čárový kód na štítku čtečka přečte jako „" + result.decoded + "“, ne jako „" + result.expected + "“.";
  else if (!result.decoded.empty())
    text = "Čtečka z čárového kódu na štítku přečte jen „" + result.decoded + "“.";
  else
    text = "Čárový kód na štítku nelze přečíst čtečkou.";
  return text + "\n\nPřesto tisknout?";
}

bool AskPrintUnreadable(const VerifyResult& result) {
  TksUiPlatform* ui = UiPlatform();
  return !ui || ui->AskYesNo(UnreadableLabelQuestion(result));
}

bool TksPrinter::LabelReadsOrConfirmed() {
  // A sheet of every symbology's sample does not print this barcode object.
  if (!ConfirmUnreadable || !FBarcodeObject || FPaperParams->Style() == ksSheetSymbologies) return true;
  const TksPaperParams& pp = *FPaperParams;
  const TksPaperParamsRec& rec = pp.Record();
  const double pw = pp.PaperWidth(), ph = pp.PaperHeight();
  if (pw <= 0 || ph <= 0) return true;
  const int w = static_cast<int>(pp.LabelWidth() * rec.pPaperWidth / pw);
  const int h = static_cast<int>(pp.LabelHeight() * rec.pPaperHeight / ph);
  if (w <= 0 || h <= 0 || static_cast<long long>(w) * h > kMaxLabelPixels) return true;

  const auto working = MakeWorkingObject();
  QImage label(w, h, QImage::Format_RGB32);
  label.fill(Qt::white);
  try {
    QPainter painter(&label);
    QtCanvas canvas(&painter, rec.FDpiX > 0 ? rec.FDpiX : 600);
    PaintBarCode(*working, canvas, {0, 0, w, h});
  } catch (const std::exception&) {
    return true;  // the print itself reports what cannot be painted
  }
  const VerifyResult result = VerifyImage(label, *working);
  if (result.status == VerifyStatus::Read || result.status == VerifyStatus::NotVerifiable) return true;
  return ConfirmUnreadable(result);
}

}  // namespace ks
