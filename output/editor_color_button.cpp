#include "output/editor_color_button.h"

#include <QColorDialog>
#include <QIcon>
#include <QPainter>
#include <QPixmap>

#include "render/qt/qt_canvas.h"

namespace ks {

TksEditorColorButton::TksEditorColorButton(QWidget* parent) : QPushButton(parent) {
  setMinimumWidth(60);
  connect(this, &QPushButton::clicked, this, &TksEditorColorButton::Pick);
  UpdateSwatch();
}

void TksEditorColorButton::SetColor(TColor c) {
  if (c == color_) return;
  color_ = c;
  UpdateSwatch();
  emit colorChanged();
}

void TksEditorColorButton::Pick() {
  QColorDialog dialog(ToQColor(color_), this);
  if (dialog.exec() != QDialog::Accepted) return;
  const QColor q = dialog.selectedColor();
  if (q.isValid()) SetColor(RGB(q.red(), q.green(), q.blue()));
}

void TksEditorColorButton::UpdateSwatch() {
  QPixmap swatch(40, 14);
  // clNone (no colour) is shown as a white swatch with a diagonal.
  swatch.fill(color_ == clNone ? QColor(Qt::white) : ToQColor(color_));
  QPainter painter(&swatch);
  painter.setPen(Qt::black);
  painter.drawRect(0, 0, swatch.width() - 1, swatch.height() - 1);
  if (color_ == clNone) painter.drawLine(0, swatch.height() - 1, swatch.width() - 1, 0);
  painter.end();
  setIcon(QIcon(swatch));
  setIconSize(swatch.size());
}

}  // namespace ks
