#include "app/logo.h"

#include <QByteArray>
#include <QPainter>
#include <QSvgRenderer>

namespace ks {

// The program's icon; the same drawing as app/barvello.svg, which is installed for the
// desktop.
const char* const kLogoSvg = R"svg(<svg xmlns="http://www.w3.org/2000/svg" width="64" height="64" viewBox="0 0 64 64">
  <rect x="2" y="2" width="60" height="60" rx="11" fill="#1f5fa8"/>
  <rect x="8" y="11" width="48" height="42" rx="4" fill="#ffffff"/>
  <g fill="#1b1b1b">
    <rect x="12" y="15" width="2" height="31"/>
    <rect x="16" y="15" width="1" height="27"/>
    <rect x="19" y="15" width="3" height="27"/>
    <rect x="24" y="15" width="1" height="27"/>
    <rect x="27" y="15" width="2" height="27"/>
    <rect x="31" y="15" width="2" height="31"/>
    <rect x="35" y="15" width="1" height="27"/>
    <rect x="38" y="15" width="3" height="27"/>
    <rect x="43" y="15" width="1" height="27"/>
    <rect x="46" y="15" width="2" height="27"/>
    <rect x="50" y="15" width="2" height="31"/>
  </g>
  <g fill="#1b1b1b">
    <rect x="16" y="45" width="4" height="2"/>
    <rect x="23" y="45" width="4" height="2"/>
    <rect x="36" y="45" width="4" height="2"/>
    <rect x="43" y="45" width="4" height="2"/>
  </g>
  <rect x="9" y="28" width="46" height="2" fill="#e23a2e" opacity="0.9"/>
</svg>
)svg";

QPixmap LogoPixmap(int size) {
  QPixmap pixmap(size, size);
  pixmap.fill(Qt::transparent);
  QSvgRenderer renderer{QByteArray(kLogoSvg)};
  QPainter painter(&pixmap);
  renderer.render(&painter);
  return pixmap;
}

QIcon LogoIcon() {
  QIcon icon;
  for (int size : {16, 24, 32, 48, 64, 128, 256}) icon.addPixmap(LogoPixmap(size));
  return icon;
}

}  // namespace ks
