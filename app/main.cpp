// barvello: the desktop barcode generator. Takes no arguments; opens the main window
// and runs until it is closed.
#include <QApplication>

#include "app/main_window.h"
#include "app/program.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  ks::SetUpApplication(app);
  ks::Tfrm_main frm_main;
  frm_main.show();
  return app.exec();
}
