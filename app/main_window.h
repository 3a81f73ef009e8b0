// Tfrm_main: the program's one window. The user types a data text, picks a symbology,
// styles the human-readable line, the colours and the size, and saves the symbol as an
// image. The window keeps two barcode objects in step: the preview control Barcode1 and
// ksBarcodeComponent1, which the export component renders into the saved file. Every
// handler applies its value to Barcode1 first and to ksBarcodeComponent1 second.
#pragma once

#include <QWidget>

#include "app/save_dialog.h"
#include "engine/barcode.h"
#include "engine/component.h"
#include "output/export.h"
#include "output/printer.h"

class QAction;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QScrollArea;
class QSlider;

namespace ks {

class TksBarcode;
class TksColorPicker;
class TksComboBox;
class TksCollapsibleSection;
class TksPreviewCheck;

class Tfrm_main : public QWidget, public TksComponent {
  Q_OBJECT

 public:
  explicit Tfrm_main(QWidget* parent = nullptr);
  ~Tfrm_main() override;

  // The maker's web page the logo opens.
  static constexpr const char* kWebAddress = "https://www.barvello.example.com";

  // ---- controls (object names equal these names) ----
  TksCollapsibleSection* sec_font = nullptr;
  TksColorPicker* cb_font_color = nullptr;
  QCheckBox* cb_bold = nullptr;
  QCheckBox* cb_italic = nullptr;
  QCheckBox* cb_underline = nullptr;
  QCheckBox* cb_strike = nullptr;
  QComboBox* cb_font_name = nullptr;
  TksCollapsibleSection* sec_colors = nullptr;
  TksColorPicker* cb_color_shape = nullptr;
  TksColorPicker* cb_color_code = nullptr;
  QCheckBox* cb_transparent = nullptr;
  TksCollapsibleSection* sec_size = nullptr;
  QLabel* lb_width = nullptr;
  QSlider* tb_width = nullptr;
  QLabel* lb_height = nullptr;
  QSlider* tb_height = nullptr;
  TksCollapsibleSection* sec_web = nullptr;
  QLabel* img = nullptr;
  TksCollapsibleSection* sec_code = nullptr;
  QLineEdit* ED_CODE = nullptr;
  QComboBox* cb_code = nullptr;
  QCheckBox* cb_start_stop_lines = nullptr;
  QCheckBox* cb_security = nullptr;
  QCheckBox* cb_quit = nullptr;
  QCheckBox* cb_auto_size = nullptr;
  QPlainTextEdit* mem_nad = nullptr;
  QPlainTextEdit* mem_pod = nullptr;
  // The preview area: it grows with the window and scrolls a preview larger than itself.
  QScrollArea* preview = nullptr;
  TksBarcode* Barcode1 = nullptr;
  TksComboBox* ksComboBox1 = nullptr;
  // Under the preview: whether the symbol shown reads back (see TksPreviewCheck).
  QLabel* lb_verify = nullptr;
  TksPreviewCheck* previewCheck = nullptr;
  QPushButton* sSpeedButton2 = nullptr;

  // ---- actions of the preview's context menu, with their shortcuts ----
  QAction* actEditCode = nullptr;     // "Upravit kód…", Ctrl+E
  QAction* actPrintLabels = nullptr;  // "Tisk štítků…", Ctrl+P
  QAction* actCopy = nullptr;         // "Kopírovat", Ctrl+C

  // ---- non-visual members ----
  TksBarcodeComponent ksBarcodeComponent1{this};
  TksExportImport EI{this};
  TksSaveDialog sd;
  TksPrinter ksPrinter1{this};

  // ---- handlers ----
  void FormCreate();
  void FormShow();
  void ED_CODEChange();
  void cb_codeChange();
  void OptionsClick();
  void cb_transparentClick();
  void cb_quitClick();
  void mem_nadChange();
  void FontStyleClick();
  void cb_font_colorChange();
  void cb_font_nameChange();
  void cb_color_shapeChange();
  void cb_color_codeChange();
  void tb_widthChange();
  void tb_heightChange();
  void sSpeedButton2Click();
  void imgClick();
  // Ctrl+C: the preview as an image on the clipboard.
  void CopyPreview();
  // Ctrl+E: the barcode editor on the preview's barcode. Apply and OK pass the edited
  // barcode to the exported object too, and the controls show it.
  void EditCodeClick();
  // Ctrl+P: the label print settings with their preview and printing.
  void PrintLabelsClick();
  // After the preview's barcode object was changed as a whole: the exported object takes
  // it, and the controls show it.
  void PreviewBarcodeEdited();
  // Every control shows the preview's settings; no handler runs.
  void ShowBarcodeSettings();
  // The message the saved picture would show instead of the symbol; empty when the
  // symbol paints.
  QString ExportError();

 protected:
  void showEvent(QShowEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildLayout();
  void BuildActions();
  void InitBarcodes();
  void InitComponents();
  void ConnectHandlers();
  void SetTabOrder();
  // Runs a handler; a failure is shown in a message box instead of ending the program.
  template <class F>
  void Guard(F&& handler);
};

}  // namespace ks
