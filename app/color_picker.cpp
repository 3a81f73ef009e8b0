#include "app/color_picker.h"

#include <QColorDialog>
#include <QPainter>
#include <QPixmap>

#include "render/qt/qt_canvas.h"

namespace ks {

namespace {

bool AskColor(QWidget* parent, TColor& color) {
  const QColor picked = QColorDialog::getColor(ToQColor(color), parent);
  if (!picked.isValid()) return false;
  color = RGB(picked.red(), picked.green(), picked.blue());
  return true;
}

}  // namespace

TksColorPicker::TksColorPicker(QWidget* parent) : QPushButton(parent), ColorDialog(AskColor) {
  setIconSize(QSize(40, 12));
  connect(this, &QPushButton::clicked, this, &TksColorPicker::Pick);
  UpdateSwatch();
}

void TksColorPicker::SetColor(TColor c) {
  if (c == color_) return;
  color_ = c;
  UpdateSwatch();
}

void TksColorPicker::Pick() {
  if (!ColorDialog) return;
  TColor c = color_;
  if (!ColorDialog(this, c) || c == color_) return;
  SetColor(c);
  emit changed();
}

void TksColorPicker::UpdateSwatch() {
  QPixmap swatch(iconSize());
  swatch.fill(color_ == clNone ? QColor(Qt::transparent) : ToQColor(color_));
  QPainter p(&swatch);
  p.setPen(Qt::black);
  p.drawRect(swatch.rect().adjusted(0, 0, -1, -1));
  p.end();
  setIcon(QIcon(swatch));
  setText(QStringLiteral("#%1%2%3")
              .arg(GetRValue(color_), 2, 16, QLatin1Char('0'))
              .arg(GetGValue(color_), 2, 16, QLatin1Char('0'))
              .arg(GetBValue(color_), 2, 16, QLatin1Char('0'))
              .toUpper());
}

}  // namespace ks
