// The program's logo: a stylised barcode, drawn as SVG.
#pragma once

#include <QIcon>
#include <QPixmap>

namespace ks {

extern const char* const kLogoSvg;
// The logo at `size` x `size` pixels on a transparent background.
QPixmap LogoPixmap(int size);
// The window icon at the usual sizes.
QIcon LogoIcon();

}  // namespace ks
