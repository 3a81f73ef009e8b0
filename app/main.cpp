// barvello: the desktop barcode generator. Takes no arguments; opens the main window
// and runs until it is closed.
#include <QApplication>

#include "app/logo.h"
#include "app/main_window.h"
#include "output/editor_dialog.h"
#include "output/export.h"
#include "render/qt/barcode_control.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("barvello"));
  QApplication::setApplicationDisplayName(QStringLiteral("Barvello"));
  QApplication::setDesktopFileName(QStringLiteral("barvello"));
  QApplication::setWindowIcon(ks::LogoIcon());

  // Barcode controls open the editor on a double-click (with boEnableEditor) and copy
  // themselves to the clipboard as metafiles through the export's writer.
  ks::InstallBarcodeEditor();
  ks::EnhancedMetafileRenderer() = [](ks::TksBarcodeComponent& bc, int w, int h, const ks::TRect& r) {
    return ks::RenderBarcodeMetafile(&bc, w, h, r, true);
  };

  ks::Tfrm_main frm_main;
  frm_main.show();
  return app.exec();
}
