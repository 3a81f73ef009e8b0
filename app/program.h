// Program start: what the application object needs before the main window opens.
#pragma once

class QApplication;
class QCoreApplication;

namespace ks {

// The program's name in message boxes and the desktop entry.
inline constexpr const char* kProgramName = "Barvello";

// Names the application after its desktop entry (without a display name, which the
// platform would append to every window title), sets the window icon, loads Qt's Czech
// translations and lets barcode controls open the editor and copy metafiles.
void SetUpApplication(QApplication& app);

// Installs Qt's own Czech translations (file, colour, font and print dialogs, standard
// buttons) from Qt's translations folder; false when they are not installed.
bool LoadQtTranslations(QCoreApplication& app);

}  // namespace ks
