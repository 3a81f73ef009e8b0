// The progress window of a label print: the page being printed, a progress bar and a
// cancel button that asks before it stops the print.
#pragma once

#include <QDialog>
#include <functional>
#include <string>

class QLabel;
class QProgressBar;
class QPushButton;

namespace ks {

class TksPrintProgress : public QDialog {
  Q_OBJECT

 public:
  TksPrintProgress(const std::string& documentTitle, int pageCount, QWidget* parent = nullptr);

  // Shows "Page %d of %d" and moves the bar.
  void SetPage(int pageIndex, int pageCount);

  // Asks whether to stop the print; the default is a Yes/No message box.
  std::function<bool()> ConfirmCancel;
  // Fired when stopping was confirmed.
  std::function<void()> OnCancel;

  QProgressBar* Bar() const { return bar_; }
  QLabel* PageLabel() const { return label_; }
  QPushButton* CancelButton() const { return cancel_; }

 protected:
  // The window has no caption buttons: Escape and closing do nothing, only the button.
  void reject() override {}
  void closeEvent(QCloseEvent* e) override;

 private:
  void CancelClicked();
  QProgressBar* bar_;
  QLabel* label_;
  QPushButton* cancel_;
};

}  // namespace ks
