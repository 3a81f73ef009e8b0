#include "app/preview_check.h"

#include <QEvent>
#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <algorithm>

#include "render/qt/barcode_control.h"

namespace ks {

namespace {

// Room between the preview and the line under it.
constexpr int kGap = 6;

}  // namespace

TksPreviewCheck::TksPreviewCheck(TksCustomBarcode* preview, QLabel* status, QObject* parent)
    : QObject(parent), previewWidget_(preview), preview_(preview), status_(status) {
  worker_.setMaxThreadCount(1);
  timer_.setSingleShot(true);
  timer_.setInterval(kDelayMs);
  connect(&timer_, &QTimer::timeout, this, &TksPreviewCheck::Check);
  status_->setTextFormat(Qt::PlainText);
  // Opaque, so that a new text repaints only the line and never the preview beside it.
  status_->setAutoFillBackground(true);
  Show(VerifyResult{});
  preview_->installEventFilter(this);
  if (QWidget* area = status_->parentWidget()) area->installEventFilter(this);
}

TksPreviewCheck::~TksPreviewCheck() {
  timer_.stop();
  worker_.clear();
  worker_.waitForDone();
}

QString TksPreviewCheck::StatusText(const VerifyResult& result) {
  const QString decoded = QString::fromStdString(result.decoded);
  switch (result.status) {
    case VerifyStatus::Read:
      return QStringLiteral("✓ Čitelné: ") + decoded;
    case VerifyStatus::Misread:
    case VerifyStatus::Unreadable:
      return decoded.isEmpty() ? QStringLiteral("✗ Nečitelné")
                               : QStringLiteral("✗ Nečitelné (přečteno: ") + decoded + QLatin1Char(')');
    case VerifyStatus::NotVerifiable:
      break;
  }
  return QStringLiteral("Nelze ověřit");
}

QString TksPreviewCheck::StatusColor(VerifyStatus status) {
  switch (status) {
    case VerifyStatus::Read: return QStringLiteral("#1b7f3b");
    case VerifyStatus::Misread:
    case VerifyStatus::Unreadable: return QStringLiteral("#c62828");
    case VerifyStatus::NotVerifiable: break;
  }
  return QStringLiteral("#757575");
}

bool TksPreviewCheck::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  if (watched == previewWidget_) {
    // Every change of the symbol repaints the preview at once; the check waits until
    // the repaints stop. The repaint of the grab itself is no change.
    if ((type == QEvent::Paint && !grabbing_) || type == QEvent::Resize) timer_.start();
    if (type == QEvent::Resize || type == QEvent::Move) Place();
  } else if (type == QEvent::Resize) {
    Place();
  }
  return QObject::eventFilter(watched, event);
}

void TksPreviewCheck::Check() {
  if (!previewWidget_ || !status_ || !preview_->isVisible()) return;
  grabbing_ = true;
  const QImage image = preview_->grab().toImage();
  grabbing_ = false;
  const VerifyTarget target = VerifyTargetOf(*preview_->BarcodeComponent());
  const quint64 generation = ++generation_;
  // Only the newest request matters: one waiting behind a running check is dropped.
  worker_.clear();
  worker_.start([this, image, target, generation] {
    VerifyResult result = VerifyImage(image, target);
    QMetaObject::invokeMethod(
        this,
        [this, result = std::move(result), generation] {
          if (generation == generation_) Show(result);
        },
        Qt::QueuedConnection);
  });
}

void TksPreviewCheck::Show(const VerifyResult& result) {
  if (!status_) return;
  shown_ = result.status;
  const QString text = StatusText(result);
  QPalette palette = status_->palette();
  palette.setColor(QPalette::WindowText, QColor(StatusColor(result.status)));
  status_->setPalette(palette);
  status_->setToolTip(text);
  Place();
  status_->setText(status_->fontMetrics().elidedText(text, Qt::ElideRight, std::max(status_->width(), 1)));
  emit checked();
}

// Under the preview, in the free space of the area; when the preview fills the area,
// on its lower edge.
void TksPreviewCheck::Place() {
  if (!previewWidget_ || !status_ || !status_->parentWidget()) return;
  const QWidget* area = status_->parentWidget();
  const int h = status_->sizeHint().height();
  const int y = std::max(0, std::min(preview_->geometry().bottom() + 1 + kGap, area->height() - h));
  status_->setGeometry(preview_->x(), y, std::max(area->width() - preview_->x(), 1), h);
  status_->raise();
}

}  // namespace ks
