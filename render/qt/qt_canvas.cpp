#include "render/qt/qt_canvas.h"

#include <QFontMetrics>
#include <QPainterPath>
#include <QPolygon>
#include <QString>
#include <cmath>
#include <cstdlib>

namespace ks {

namespace {

QString ToQString(const std::u16string& s) {
  return QString::fromUtf16(s.data(), static_cast<qsizetype>(s.size()));
}

Qt::PenStyle ToQtPenStyle(TPenStyle s) {
  switch (s) {
    case psDash: return Qt::DashLine;
    case psDot: return Qt::DotLine;
    case psDashDot: return Qt::DashDotLine;
    case psDashDotDot: return Qt::DashDotDotLine;
    case psClear: return Qt::NoPen;
    default: return Qt::SolidLine;
  }
}

// Pixel size for a font height: negative heights give the character (em) height,
// positive ones the cell height (ascent + descent).
int PixelSizeFor(const QFont& base, int height) {
  if (height < 0) return -height;
  if (height == 0) return 16;
  QFont probe(base);
  probe.setPixelSize(100);
  QFontMetrics fm(probe);
  int cell = fm.ascent() + fm.descent();
  if (cell <= 0) return height;
  return std::max(1, static_cast<int>(std::lround(height * 100.0 / cell)));
}

}  // namespace

QColor ToQColor(TColor c) { return QColor(GetRValue(c), GetGValue(c), GetBValue(c)); }

QFont ToQFont(const TksFont& f) {
  QFont q(QString::fromStdString(f.Name()));
  q.setStyleStrategy(QFont::PreferAntialias);
  q.setPixelSize(std::max(1, PixelSizeFor(q, f.Height())));
  q.setBold(f.HasStyle(fsBold));
  q.setItalic(f.HasStyle(fsItalic));
  q.setUnderline(f.HasStyle(fsUnderline));
  q.setStrikeOut(f.HasStyle(fsStrikeOut));
  if (f.CharWidth > 0) {
    QFontMetrics fm(q);
    int natural = fm.averageCharWidth();
    if (natural > 0) q.setStretch(std::clamp(f.CharWidth * 100 / natural, 1, 4000));
  }
  return q;
}

QtCanvas::QtCanvas(QPainter* painter, int ppi) : p_(painter), ppi_(ppi) { Font.SetPixelsPerInch(ppi); }

QBrush QtCanvas::CurrentBrush() const {
  if (Brush.Style == bsClear || Brush.Color == clNone) return Qt::NoBrush;
  if (Brush.Style == bsDiagCross) return QBrush(ToQColor(Brush.Color), Qt::DiagCrossPattern);
  return QBrush(ToQColor(Brush.Color));
}

QPen QtCanvas::CurrentPen() const {
  if (Pen.Style() == psClear || Pen.Color() == clNone) return Qt::NoPen;
  QPen pen(ToQColor(Pen.Color()));
  pen.setWidth(std::max(1, Pen.Width()));
  pen.setStyle(ToQtPenStyle(Pen.Style()));
  pen.setCapStyle(Qt::FlatCap);
  pen.setJoinStyle(Qt::MiterJoin);
  return pen;
}

QFont QtCanvas::CurrentFont() const { return ToQFont(Font); }

void QtCanvas::Polygon(const std::vector<TPoint>& pts) {
  if (pts.empty()) return;
  QPolygon poly;
  for (const auto& pt : pts) poly << QPoint(pt.X, pt.Y);
  p_->setRenderHint(QPainter::Antialiasing, false);
  QBrush brush = CurrentBrush();
  if (brush.style() != Qt::NoBrush) {
    // Fill by pixel centres: an axis-parallel polygon covers exactly its right/bottom
    // exclusive rectangle.
    QPainterPath path;
    path.addPolygon(QPolygonF(poly));
    path.closeSubpath();
    p_->fillPath(path, brush);
  }
  QPen pen = CurrentPen();
  if (pen.style() != Qt::NoPen) {
    p_->setPen(pen);
    p_->setBrush(Qt::NoBrush);
    p_->drawPolygon(poly);
  }
}

void QtCanvas::Rectangle(const TRect& r) {
  if (r.Right <= r.Left || r.Bottom <= r.Top) return;
  p_->setRenderHint(QPainter::Antialiasing, false);
  QBrush brush = CurrentBrush();
  if (brush.style() != Qt::NoBrush) p_->fillRect(QRect(r.Left, r.Top, r.Width(), r.Height()), brush);
  QPen pen = CurrentPen();
  if (pen.style() != Qt::NoPen) {
    p_->setPen(pen);
    p_->setBrush(Qt::NoBrush);
    p_->drawRect(QRect(r.Left, r.Top, r.Width() - 1, r.Height() - 1));
  }
}

void QtCanvas::FillRect(const TRect& r) {
  if (r.Right <= r.Left || r.Bottom <= r.Top) return;
  QBrush brush = CurrentBrush();
  if (brush.style() == Qt::NoBrush) return;
  p_->setRenderHint(QPainter::Antialiasing, false);
  p_->fillRect(QRect(r.Left, r.Top, r.Width(), r.Height()), brush);
}

void QtCanvas::Line(TPoint a, TPoint b) {
  QPen pen = CurrentPen();
  if (pen.style() == Qt::NoPen) return;
  p_->setRenderHint(QPainter::Antialiasing, false);
  p_->setPen(pen);
  // The end point itself is not drawn.
  int dx = b.X - a.X, dy = b.Y - a.Y;
  if (dx == 0 && dy == 0) return;
  QPoint end(b.X, b.Y);
  if (std::abs(dx) >= std::abs(dy)) end.rx() -= dx > 0 ? 1 : -1;
  else end.ry() -= dy > 0 ? 1 : -1;
  p_->drawLine(QPoint(a.X, a.Y), end);
}

void QtCanvas::Polyline(const std::vector<TPoint>& pts) {
  QPen pen = CurrentPen();
  if (pen.style() == Qt::NoPen || pts.size() < 2) return;
  QPolygon poly;
  for (const auto& pt : pts) poly << QPoint(pt.X, pt.Y);
  p_->setRenderHint(QPainter::Antialiasing, false);
  p_->setPen(pen);
  p_->setBrush(Qt::NoBrush);
  p_->drawPolyline(poly);
}

void QtCanvas::TextOut(int x, int y, const std::u16string& text) {
  if (text.empty() || Font.Color() == clNone) return;
  const QString s = ToQString(text);
  const QFont font = CurrentFont();
  const QFontMetrics fm(font);
  p_->save();
  p_->translate(x, y);
  if (Font.Escapement != 0) p_->rotate(-Font.Escapement / 10.0);
  if (BkMode == bkOpaque && Brush.Style != bsClear && Brush.Color != clNone)
    p_->fillRect(QRect(0, 0, fm.horizontalAdvance(s), fm.height()), ToQColor(Brush.Color));
  p_->setRenderHint(QPainter::TextAntialiasing, true);
  p_->setFont(font);
  p_->setPen(ToQColor(Font.Color()));
  p_->drawText(QPoint(0, fm.ascent()), s);
  p_->restore();
}

int QtCanvas::TextWidth(const std::u16string& text) {
  return QFontMetrics(CurrentFont()).horizontalAdvance(ToQString(text));
}

int QtCanvas::TextHeight(const std::u16string&) { return QFontMetrics(CurrentFont()).height(); }

int QtCanvas::AverageCharWidth() {
  TksFont natural(Font);
  natural.CharWidth = 0;
  return std::max(1, QFontMetrics(ToQFont(natural)).averageCharWidth());
}

}  // namespace ks
