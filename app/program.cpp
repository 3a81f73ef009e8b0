#include "app/program.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include "app/logo.h"
#include "output/editor_dialog.h"
#include "output/export.h"
#include "render/qt/barcode_control.h"

namespace ks {

bool LoadQtTranslations(QCoreApplication& app) {
  // The window speaks Czech whatever the user's locale, and so do Qt's dialogs.
  auto* translator = new QTranslator(&app);
  if (!translator->load(QLocale(QLocale::Czech, QLocale::Czechia), QStringLiteral("qtbase"), QStringLiteral("_"),
                        QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    delete translator;
    return false;
  }
  return QCoreApplication::installTranslator(translator);
}

void SetUpApplication(QApplication& app) {
  QApplication::setApplicationName(QStringLiteral("barvello"));
  QApplication::setDesktopFileName(QStringLiteral("barvello"));
  QApplication::setWindowIcon(LogoIcon());
  LoadQtTranslations(app);

  // Barcode controls open the editor on a double-click (with boEnableEditor) and copy
  // themselves to the clipboard as metafiles through the export's writer.
  InstallBarcodeEditor();
  EnhancedMetafileRenderer() = [](TksBarcodeComponent& bc, int w, int h, const TRect& r) {
    return RenderBarcodeMetafile(&bc, w, h, r, true);
  };
}

}  // namespace ks
