// What the output layer needs from the platform's printers and from the user interface:
// printer lists and metrics, print jobs on a printer, dialogs and message boxes. These
// need Qt Widgets and Qt PrintSupport, which the output layer does not link. The UI
// library implements this interface and installs it when it is part of a program (the
// desktop program and the tests). Without it, as in barvello-cli, there is no printer,
// labels are printed into PDF files (QPdfWriter, Qt Gui) and no dialog is shown.
#pragma once

#include <QPainter>
#include <memory>
#include <string>
#include <vector>

class QPrinter;

namespace ks {

class TksPrinter;
struct TksPaperParamsRec;

// A print job: a paged device with a painter on it, in device pixels whose origin is the
// corner of the printable area.
class TksPrintJob {
 public:
  virtual ~TksPrintJob() = default;
  virtual void Begin(const std::string& title) = 0;
  virtual void NewPage() = 0;
  virtual void End() = 0;
  virtual void Abort() = 0;
  QPainter& Painter() { return painter_; }
  int Dpi() const { return dpi_; }

 protected:
  QPainter painter_;
  int dpi_ = 600;
};

// The progress window of a running print; it closes when destroyed.
class TksPrintProgressView {
 public:
  virtual ~TksPrintProgressView() = default;
  virtual void SetPage(int pageIndex, int pageCount) = 0;
};

// A paper a printer's driver offers.
struct TksPaperInfo {
  int Id = 0;  // the driver's paper number
  std::string Name;
  int Mm10Width = 0;  // size in tenths of a millimetre
  int Mm10Height = 0;
};

class TksUiPlatform {
 public:
  virtual ~TksUiPlatform() = default;

  // ---- printers ----
  virtual bool IsPrinterInstalled() = 0;
  // The printer label printing and the setup dialogs work with (the default printer at
  // first); nullptr when no printer is installed or no GUI application runs.
  virtual QPrinter* CurrentPrinter() = 0;
  // Resolution, paper and printable area of `printer` into `rec`; the paper's name and
  // number when the driver lists it.
  virtual void ReadPaperMetrics(QPrinter& printer, TksPaperParamsRec& rec) = 0;
  virtual std::unique_ptr<TksPrintJob> PrinterJob(QPrinter& printer) = 0;
  virtual std::string PrinterName(QPrinter& printer) = 0;
  // Makes the installed printer of that name the current one; false when there is none.
  virtual bool SelectPrinter(const std::string& name) = 0;
  virtual std::vector<TksPaperInfo> Papers(QPrinter& printer) = 0;
  virtual int CurrentPaperId(QPrinter& printer) = 0;

  // ---- dialogs; false when cancelled or when no widget application runs ----
  // The print dialog for the current printer; without a printer it chooses the PDF file
  // the print goes to.
  virtual bool PrinterSetupDialog(TksPrinter& printer) = 0;
  virtual bool PageSetupDialog(TksPrinter& printer) = 0;
  // The print settings dialog.
  virtual bool PrintSettingsDialog(TksPrinter& printer, bool showPreview) = 0;
  // The PDF file a print goes to when no printer is installed.
  virtual bool AskPdfFileName(std::string& name) = 0;
  virtual void ShowMessage(const std::string& text) = 0;
  // A yes/no question, "no" chosen at first; true for yes. Without a widget application
  // there is no one to ask: true.
  virtual bool AskYesNo(const std::string& text) = 0;
  // The progress window of a print, shown until the result is destroyed; nullptr when
  // none can be shown.
  virtual std::unique_ptr<TksPrintProgressView> ShowPrintProgress(TksPrinter& printer) = 0;
  // The export's file dialog ("Uložit Barcode"); `filter` as FileDialogFilter gives it.
  virtual bool ExportFileDialog(bool save, const std::string& filter, std::string& name) = 0;
};

// The installed interface; nullptr when the UI library is not part of the program.
TksUiPlatform* UiPlatform();
void SetUiPlatform(TksUiPlatform* platform);

}  // namespace ks
