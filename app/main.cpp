// barvello: the desktop barcode generator. Takes no arguments; opens the main window
// and runs until it is closed.
#include <QApplication>

#include "app/logo.h"
#include "app/main_window.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("barvello"));
  QApplication::setApplicationDisplayName(QStringLiteral("Barvello"));
  QApplication::setDesktopFileName(QStringLiteral("barvello"));
  QApplication::setWindowIcon(ks::LogoIcon());
  ks::Tfrm_main frm_main;
  frm_main.show();
  return app.exec();
}
