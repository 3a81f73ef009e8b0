// TksPreviewCheck: the line under the preview that says whether the symbol shown reads
// back. A short moment after the preview last repainted, its own pixels are decoded on
// a worker thread (so a colour that hides the bars shows at once), and the line turns
// green with the text read, red with what was read instead, or grey for a symbology no
// decoder here reads.
#pragma once

#include <QLabel>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QThreadPool>
#include <QTimer>

#include "verify/verify.h"


namespace ks {

class TksCustomBarcode;

class TksPreviewCheck : public QObject {
  Q_OBJECT

 public:
  // Watches `preview` and writes into `status`, which it places under the preview inside
  // the preview's parent.
  TksPreviewCheck(TksCustomBarcode* preview, QLabel* status, QObject* parent = nullptr);
  ~TksPreviewCheck() override;

  // Time from the last repaint to the check.
  static constexpr int kDelayMs = 150;

  // The status line for a verdict, and its colour.
  static QString StatusText(const VerifyResult& result);
  static QString StatusColor(VerifyStatus status);

  // The verdict shown last (NotVerifiable before the first check).
  VerifyStatus Status() const { return shown_; }

 signals:
  // A check finished and the line shows its verdict.
  void checked();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Check();
  void Show(const VerifyResult& result);
  void Place();

  // Both belong to the window and may go before this object does.
  QPointer<QWidget> previewWidget_;
  TksCustomBarcode* preview_;
  QPointer<QLabel> status_;
  QTimer timer_;
  QThreadPool worker_;
  quint64 generation_ = 0;
  bool grabbing_ = false;
  VerifyStatus shown_ = VerifyStatus::NotVerifiable;
};

}  // namespace ks
