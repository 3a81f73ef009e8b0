#include "render/qt/qt_canvas.h"

#include <QFontMetrics>
#include <QPaintEngine>
#include <QPainterPath>
#include <QPolygon>
#include <QString>
#include <climits>
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
  if (height < 0) return height == INT_MIN ? INT_MAX : -height;
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

const QFont& QtCanvas::CurrentFont() {
  FontKey key{Font.Name(), Font.Height(), Font.Style(), Font.CharWidth};
  if (!haveFont_ || !(key == fontKey_)) {
    font_ = ToQFont(Font);
    metrics_.reset();
    fontKey_ = std::move(key);
    haveFont_ = true;
  }
  return font_;
}

const QFontMetrics& QtCanvas::CurrentMetrics() {
  const QFont& f = CurrentFont();
  if (!metrics_) metrics_.emplace(f);
  return *metrics_;
}

bool QtCanvas::PixelExact() const {
  const QPaintEngine* engine = p_->paintEngine();
  return engine && engine->type() == QPaintEngine::Raster && p_->worldTransform().isIdentity();
}

bool QtCanvas::DirectFillable() {
  if (Brush.Style != bsSolid || Brush.Color == clNone) return false;
  QPaintDevice* device = p_->device();
  const bool sameImage = device == target_.device &&
                         (!target_.bits || static_cast<const QImage*>(device)->constBits() == target_.bits);
  if (!sameImage) {
    // The image is looked at once per device: a 32-bit image nobody else shares.
    target_ = Target{};
    target_.device = device;
    if (device && device->devType() == QInternal::Image) {
      auto* img = static_cast<QImage*>(device);
      const QImage::Format format = img->format();
      if ((format == QImage::Format_RGB32 || format == QImage::Format_ARGB32 ||
           format == QImage::Format_ARGB32_Premultiplied) &&
          img->isDetached()) {
        target_.bits = img->bits();
        target_.stride = img->bytesPerLine();
        target_.width = img->width();
        target_.height = img->height();
      }
    }
  }
  if (!target_.bits) return false;
  // Anything that changes where or how a fill lands leaves it to QPainter.
  return !p_->hasClipping() && p_->worldTransform().isIdentity() && p_->opacity() == 1.0 &&
         p_->compositionMode() == QPainter::CompositionMode_SourceOver;
}

void QtCanvas::FillPixels(const TRect& r) {
  const int left = std::max(r.Left, 0), right = std::min(r.Right, target_.width);
  const int top = std::max(r.Top, 0), bottom = std::min(r.Bottom, target_.height);
  if (left >= right || top >= bottom) return;
  const QRgb pixel = 0xFF000000u | qRgb(GetRValue(Brush.Color), GetGValue(Brush.Color), GetBValue(Brush.Color));
  for (int y = top; y < bottom; ++y) {
    QRgb* row = reinterpret_cast<QRgb*>(target_.bits + y * target_.stride);
    std::fill(row + left, row + right, pixel);
  }
}

bool QtCanvas::FillDirect(const TRect& r) {
  if (!DirectFillable()) return false;
  FillPixels(r);
  return true;
}

void QtCanvas::FillRotatedRects(const std::vector<TRect>& rects, TPoint centre, double angle) {
  const long long whole = std::abs(angle) < 1e9 ? static_cast<long long>(angle) : 0;
  if (static_cast<double>(whole) != angle || whole % 90 != 0 || !DirectFillable()) {
    Canvas::FillRotatedRects(rects, centre, angle);
    return;
  }
  // What FillRotatedRect leaves behind: the pen cleared for a fill without outline.
  if (!rects.empty()) Pen.SetStyle(psClear);
  const int quarters = static_cast<int>((whole / 90 % 4 + 4) % 4);
  for (const TRect& r : rects) {
    const TPoint a = TurnQuarters({r.Left, r.Top}, centre, quarters);
    const TPoint b = TurnQuarters({r.Right, r.Bottom}, centre, quarters);
    FillPixels({std::min(a.X, b.X), std::min(a.Y, b.Y), std::max(a.X, b.X), std::max(a.Y, b.Y)});
  }
}

// True when the four corners span an axis-parallel rectangle, which is returned.
static bool AsRectangle(const std::vector<TPoint>& pts, TRect& r) {
  if (pts.size() != 4) return false;
  const int l = std::min({pts[0].X, pts[1].X, pts[2].X, pts[3].X});
  const int t = std::min({pts[0].Y, pts[1].Y, pts[2].Y, pts[3].Y});
  const int rt = std::max({pts[0].X, pts[1].X, pts[2].X, pts[3].X});
  const int b = std::max({pts[0].Y, pts[1].Y, pts[2].Y, pts[3].Y});
  for (size_t i = 0; i < 4; ++i) {
    const TPoint& p = pts[i];
    const TPoint& q = pts[(i + 1) % 4];
    if (p.X != q.X && p.Y != q.Y) return false;  // an edge that is not axis-parallel
    if ((p.X != l && p.X != rt) || (p.Y != t && p.Y != b)) return false;
  }
  r = {l, t, rt, b};
  return true;
}

void QtCanvas::Polygon(const std::vector<TPoint>& pts) {
  if (pts.empty()) return;
  // The bars of every symbol arrive here as rectangles without outline.
  TRect rect;
  if ((Pen.Style() == psClear || Pen.Color() == clNone) && AsRectangle(pts, rect) && FillDirect(rect)) return;
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
  if (FillDirect(r)) return;
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
  const QFont& font = CurrentFont();
  const QFontMetrics& fm = CurrentMetrics();
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

int QtCanvas::TextWidth(const std::u16string& text) { return CurrentMetrics().horizontalAdvance(ToQString(text)); }

int QtCanvas::TextHeight(const std::u16string&) { return CurrentMetrics().height(); }

int QtCanvas::AverageCharWidth() {
  TksFont natural(Font);
  natural.CharWidth = 0;
  return std::max(1, QFontMetrics(ToQFont(natural)).averageCharWidth());
}

}  // namespace ks
