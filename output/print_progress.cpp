#include "output/print_progress.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>

#include "engine/ustring.h"

namespace ks {

TksPrintProgress::TksPrintProgress(const std::string& documentTitle, int pageCount, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowStaysOnTopHint |
                          Qt::MSWindowsFixedSizeDialogHint) {
  setObjectName("ksPrintProgress");
  setWindowTitle(QString::fromStdString(Format("Tisk: %s", {documentTitle})));
  setFixedSize(300, 150);
  // Positions as left, top, right, bottom of the client area.
  bar_ = new QProgressBar(this);
  bar_->setObjectName("pb_progress");
  bar_->setGeometry(20, 20, 240, 20);
  bar_->setRange(0, pageCount);
  bar_->setValue(0);
  label_ = new QLabel(this);
  label_->setObjectName("lb_progress");
  label_->setGeometry(20, 50, 240, 20);
  label_->setAlignment(Qt::AlignCenter);
  cancel_ = new QPushButton(QStringLiteral("Storno"), this);
  cancel_->setObjectName("bt_cancel");
  cancel_->setGeometry(20, 80, 240, 30);
  connect(cancel_, &QPushButton::clicked, this, [this] { CancelClicked(); });

  ConfirmCancel = [this] {
    QMessageBox box(QMessageBox::Information, windowTitle(), QStringLiteral("Ukončit tisk ?"),
                    QMessageBox::Yes | QMessageBox::No, this);
    box.setObjectName("mb_confirmCancel");
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
  };

  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    const QRect area = screen->availableGeometry();
    move(area.center() - QPoint(width() / 2, height() / 2));
  }
}

void TksPrintProgress::SetPage(int pageIndex, int pageCount) {
  label_->setText(QString::fromStdString(Format("Page %d of %d", {pageIndex, pageCount})));
  if (bar_->maximum() < pageIndex) bar_->setMaximum(pageIndex);
  bar_->setValue(pageIndex);
}

void TksPrintProgress::closeEvent(QCloseEvent* e) { e->ignore(); }

void TksPrintProgress::CancelClicked() {
  if (ConfirmCancel && ConfirmCancel() && OnCancel) OnCancel();
}

}  // namespace ks
