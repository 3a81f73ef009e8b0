// The UI library's side of the output layer: the platform's printers (Qt PrintSupport),
// the print and page setup dialogs, the print settings and progress dialogs, message
// boxes and file dialogs (Qt Widgets). Installed into the output layer when the program
// starts, so every program linked with the UI library prints and asks as before, and a
// program without it (barvello-cli) links neither Qt Widgets nor Qt PrintSupport.
#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <cmath>

#include "engine/errors.h"
#include "output/print_progress.h"
#include "output/printer.h"
#include "output/printer_dialog.h"
#include "output/ui_platform.h"

namespace ks {

namespace {

bool HaveGuiApplication() { return qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr; }
bool HaveWidgetApplication() { return qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr; }

int Mm10(double mm) { return static_cast<int>(std::lround(mm * 10)); }

QPrinter*& PrinterSlot() {
  static QPrinter* printer = nullptr;
  return printer;
}

void DeleteCurrentPrinter() {
  delete PrinterSlot();
  PrinterSlot() = nullptr;
}

// Prints on a printer of the platform.
class PrinterPrintJob : public TksPrintJob {
 public:
  explicit PrinterPrintJob(QPrinter* printer) : printer_(printer) { dpi_ = printer->logicalDpiX(); }
  void Begin(const std::string& title) override {
    printer_->setDocName(QString::fromStdString(title));
    if (!painter_.begin(printer_)) throw Exception("Printer selected is not valid");
  }
  void NewPage() override {
    if (!printer_->newPage()) throw Exception("Printer selected is not valid");
  }
  void End() override { painter_.end(); }
  void Abort() override {
    printer_->abort();
    if (painter_.isActive()) painter_.end();
  }

 private:
  QPrinter* printer_;
};

// The progress window, application-modal, its cancel button stopping the print.
class ProgressWindow : public TksPrintProgressView {
 public:
  explicit ProgressWindow(TksPrinter& printer)
      : window_(new TksPrintProgress(printer.PaperParams().DocumentTitle(), printer.PagesCount())) {
    window_->setAttribute(Qt::WA_DeleteOnClose, false);
    window_->setWindowModality(Qt::ApplicationModal);
    window_->OnCancel = [&printer] { printer.AbortPrint(); };
    window_->show();
  }
  ~ProgressWindow() override { delete window_; }
  ProgressWindow(const ProgressWindow&) = delete;
  ProgressWindow& operator=(const ProgressWindow&) = delete;
  void SetPage(int pageIndex, int pageCount) override { window_->SetPage(pageIndex, pageCount); }

 private:
  TksPrintProgress* window_;
};

class QtPlatform : public TksUiPlatform {
 public:
  bool IsPrinterInstalled() override {
    return HaveGuiApplication() && !QPrinterInfo::availablePrinterNames().isEmpty();
  }

  QPrinter* CurrentPrinter() override {
    if (!IsPrinterInstalled()) return nullptr;
    QPrinter*& printer = PrinterSlot();
    if (!printer) {
      QPrinterInfo info = QPrinterInfo::defaultPrinter();
      if (info.isNull()) info = QPrinterInfo::printerInfo(QPrinterInfo::availablePrinterNames().first());
      printer = new QPrinter(info, QPrinter::HighResolution);
      // The printer belongs to the application object and goes with it.
      qAddPostRoutine(DeleteCurrentPrinter);
    }
    return printer;
  }

  void ReadPaperMetrics(QPrinter& printer, TksPaperParamsRec& rec) override {
    rec.FDpiX = printer.logicalDpiX();
    rec.FDpiY = printer.logicalDpiY();
    const QRectF paper = printer.paperRect(QPrinter::DevicePixel);
    const QRectF page = printer.pageRect(QPrinter::DevicePixel);
    rec.pPaperWidth = static_cast<int>(std::lround(paper.width()));
    rec.pPaperHeight = static_cast<int>(std::lround(paper.height()));
    rec.FOffsetX = static_cast<int>(std::lround(page.left() - paper.left()));
    rec.FOffsetY = static_cast<int>(std::lround(page.top() - paper.top()));
    // The printer's paper, looked up in the list of papers its driver offers.
    const QPageSize current = printer.pageLayout().pageSize();
    for (const QPageSize& p : QPrinterInfo(printer).supportedPageSizes()) {
      if (p.id() == current.id() && (current.id() != QPageSize::Custom || p.isEquivalentTo(current))) {
        const QSizeF mm = p.size(QPageSize::Millimeter);
        rec.FPaperID = current.windowsId();
        rec.FPaperName = p.name().toStdString();
        rec.mm10Width = Mm10(mm.width());
        rec.mm10Height = Mm10(mm.height());
        break;
      }
    }
  }

  std::unique_ptr<TksPrintJob> PrinterJob(QPrinter& printer) override {
    return std::make_unique<PrinterPrintJob>(&printer);
  }

  std::string PrinterName(QPrinter& printer) override { return printer.printerName().toStdString(); }

  std::vector<TksPaperInfo> Papers(QPrinter& printer) override {
    std::vector<TksPaperInfo> papers;
    for (const QPageSize& ps : QPrinterInfo(printer).supportedPageSizes()) {
      const QSizeF mm = ps.size(QPageSize::Millimeter);
      papers.push_back({ps.windowsId(), ps.name().toStdString(), Mm10(mm.width()), Mm10(mm.height())});
    }
    return papers;
  }

  int CurrentPaperId(QPrinter& printer) override { return printer.pageLayout().pageSize().windowsId(); }

  bool PrinterSetupDialog(TksPrinter& printer) override {
    if (!HaveWidgetApplication()) return false;
    QPrinter* p = CurrentPrinter();
    if (!p) {
      // Without a printer the dialog can still choose the PDF file a print goes to.
      QPrinter pdf(QPrinter::HighResolution);
      pdf.setOutputFormat(QPrinter::PdfFormat);
      pdf.setOutputFileName(QString::fromStdString(printer.OutputFileName()));
      QPrintDialog dlg(&pdf);
      if (dlg.exec() != QDialog::Accepted) return false;
      if (!pdf.outputFileName().isEmpty()) printer.SetOutputFileName(pdf.outputFileName().toStdString());
      return true;
    }
    QPrintDialog dlg(p);
    if (dlg.exec() != QDialog::Accepted) return false;
    printer.PaperParams().RefreshPaperMetrics();
    return true;
  }

  bool PageSetupDialog(TksPrinter& printer) override {
    if (!HaveWidgetApplication()) return false;
    QPrinter* p = CurrentPrinter();
    if (!p) return false;
    QPageSetupDialog dlg(p);
    if (dlg.exec() != QDialog::Accepted) return false;
    printer.PaperParams().RefreshPaperMetrics();
    return true;
  }

  bool PrintSettingsDialog(TksPrinter& printer, bool showPreview) override {
    if (!HaveWidgetApplication()) return false;
    TksPrintParamsFmt dlg(printer, showPreview);
    return dlg.Run();
  }

  bool AskPdfFileName(std::string& name) override {
    if (!HaveWidgetApplication()) return false;
    QString f = QFileDialog::getSaveFileName(nullptr, QStringLiteral("Tisk do souboru"), QString(),
                                             QStringLiteral("PDF (*.pdf)"));
    if (f.isEmpty()) return false;
    if (!f.endsWith(QLatin1String(".pdf"), Qt::CaseInsensitive)) f += QLatin1String(".pdf");
    name = f.toStdString();
    return true;
  }

  void ShowMessage(const std::string& text) override {
    if (HaveWidgetApplication()) QMessageBox::information(nullptr, QString(), QString::fromStdString(text));
  }

  bool AskYesNo(const std::string& text) override {
    if (!HaveWidgetApplication()) return true;
    return QMessageBox::question(nullptr, QGuiApplication::applicationDisplayName(), QString::fromStdString(text),
                                 QMessageBox::Yes | QMessageBox::No, QMessageBox::No) == QMessageBox::Yes;
  }

  bool SelectPrinter(const std::string& name) override {
    const QPrinterInfo info = QPrinterInfo::printerInfo(QString::fromStdString(name));
    QPrinter* printer = info.isNull() ? nullptr : CurrentPrinter();
    if (!printer) return false;
    if (printer->printerName() != info.printerName()) printer->setPrinterName(info.printerName());
    return printer->printerName() == info.printerName();
  }

  std::unique_ptr<TksPrintProgressView> ShowPrintProgress(TksPrinter& printer) override {
    if (!HaveWidgetApplication()) return nullptr;
    return std::make_unique<ProgressWindow>(printer);
  }

  bool ExportFileDialog(bool save, const std::string& filter, std::string& name) override {
    if (!HaveWidgetApplication()) return false;
    // "Text|*.ext|Text|*.ext" -> "Text (*.ext);;Text (*.ext)"
    const QStringList parts = QString::fromStdString(filter).split('|');
    QStringList entries;
    for (int i = 0; i + 1 < parts.size(); i += 2) entries << parts[i];
    QFileDialog dlg(nullptr, QString::fromUtf8("Uložit Barcode"), QDir::currentPath(), entries.join(";;"));
    dlg.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dlg.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dlg.setDefaultSuffix("bmp");
    dlg.setOption(QFileDialog::ReadOnly, false);
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty()) return false;
    name = dlg.selectedFiles().first().toStdString();
    return true;
  }
};

// Installs the platform before main() runs. The UI library is linked whole into its
// programs (see CMakeLists.txt), so this object is always part of them.
[[maybe_unused]] const bool kInstalled = [] {
  static QtPlatform platform;
  SetUiPlatform(&platform);
  return true;
}();

}  // namespace

}  // namespace ks
