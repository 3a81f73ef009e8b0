// TksPrintParamsFmt: the settings dialog of label printing. The left side edits the
// sheet geometry, the print style and count and the preview colours; the right side
// shows the preview of the chosen page; the bottom holds the page chooser and buttons.
#pragma once

#include <QDialog>
#include <QWidget>
#include <string>

#include "engine/ksmath.h"
#include "output/printer.h"

class QCheckBox;
class QComboBox;
class QFormLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QTabBar;
class QTabWidget;

namespace ks {

// Draws the printer's preview of its current page.
class TksPrintPreviewView : public QWidget {
  Q_OBJECT

 public:
  TksPrintPreviewView(TksPrinter& printer, QWidget* parent = nullptr);

 protected:
  void paintEvent(QPaintEvent* e) override;

 private:
  TksPrinter& printer_;
};

class TksPrintParamsFmt : public QDialog {
  Q_OBJECT

 public:
  TksPrintParamsFmt(TksPrinter& printer, bool showPreview, QWidget* parent = nullptr);
  ~TksPrintParamsFmt() override;

  // Backs up the settings, fills the controls and runs the dialog modally. OK applies
  // the controls; Cancel puts back what was there before.
  bool Run();
  // Fills every control from the printer.
  void LoadControls();
  // Reads the controls into the printer in their order; at the first unreadable number
  // returns false with the conversion message, leaving the rest unapplied.
  bool ApplyControls(std::string* error = nullptr);

 private:
  QLineEdit* AddEdit(QFormLayout* form, const char* caption, const char* name);
  QPushButton* AddColorButton(QFormLayout* form, const char* caption, const char* name);
  void SetButtonColor(QPushButton* b, TColor c);
  void LoadNumbers();
  void UpdateInfo();
  bool ApplyWithMessage();
  void UnitsChosen(int index);
  void StyleChosen(int index);
  void SheetChosen(int index);
  void PageChosen(int page);
  void ChooseColor(QPushButton* b);
  void PrintClicked();

  TksPrinter& printer_;
  bool loading_ = false;
  bool applying_ = false;

  QTabWidget* pages_;
  QComboBox* predefined_;
  QComboBox* units_;
  QLineEdit* labelWidth_;
  QLineEdit* labelHeight_;
  QLineEdit* marginLeft_;
  QLineEdit* marginTop_;
  QLineEdit* marginRight_;
  QLineEdit* marginBottom_;
  QLineEdit* spaceX_;
  QLineEdit* spaceY_;
  QComboBox* style_;
  QLineEdit* count_;
  QLineEdit* startFrom_;
  QLineEdit* title_;
  QWidget* previewPage_;
  QPushButton* labelColor_;
  QPushButton* pageColor_;
  QPushButton* shadowColor_;
  QCheckBox* live_;

  QWidget* previewPanel_;
  QTabBar* pageTabs_;
  TksPrintPreviewView* view_;
  QLabel* paperFormat_;
  QLabel* printerName_;
  QLabel* documentTitle_;

  QSpinBox* pageSpin_;
  QLabel* pagesOf_;
  QLabel* labelsPerPage_;
};

}  // namespace ks
