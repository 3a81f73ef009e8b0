// TksBarcodeEditorFmt: the barcode editor, a modal dialog that edits every setting of
// one barcode object page by page. It works on a copy held by its preview control EAN
// and writes the copy back only through "Apply" or, after OK, through the caller.
//
// Every control that edits a setting is bound to a property path of the barcode
// object's property table (or of the selected caption, or of the Aztec parameters), so
// loading and writing back go through the same table as INI files and the CLI.
#pragma once

#include <QDialog>
#include <QString>
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/barcode.h"
#include "engine/decor.h"
#include "engine/persistent.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QStackedWidget;
class QTreeWidget;

namespace ks {

class TksBarcode;
class TksComboBox;
class TksEditorColorButton;

enum TksEditorPage : uint8_t {
  epMain, epColorsFont, epQuietZone, epPrint, epCaptionUpper, epCaptionHuman, epCaptionBottom,
  epOptions, epParams, epSpecial, epFunctions, epPDF417, epDataMatrix, epQRCode
};
// Set of pages, bit i = page i; the empty set means all of them.
using TksEditorPages = uint32_t;
inline constexpr TksEditorPages EditorPageBit(TksEditorPage p) { return 1u << p; }
inline constexpr TksEditorPages kAllEditorPages = 0;

// One page of the editor: its caption (with "&" accelerators), its image and whether
// the tree offers it.
class TksEditorSheet : public QWidget {
  Q_OBJECT

 public:
  TksEditorSheet(const QString& caption, int imageIndex, QWidget* parent = nullptr);
  const QString& Caption() const { return caption_; }
  // The caption as the tree shows it: "&&" becomes "," and single "&" disappear.
  QString TreeText() const;
  int ImageIndex() const { return imageIndex_; }
  bool TabVisible() const { return tabVisible_; }
  void SetTabVisible(bool v) { tabVisible_ = v; }

 private:
  QString caption_;
  int imageIndex_;
  bool tabVisible_ = true;
};

class TksBarcodeEditorFmt : public QDialog {
  Q_OBJECT

 public:
  explicit TksBarcodeEditorFmt(QWidget* parent = nullptr);
  ~TksBarcodeEditorFmt() override;

  // Prepares the dialog for `bc` with the requested pages: page visibility, loading,
  // the first visible page, the tree hidden when it would offer one page or none.
  void EditPage(TksBarcodeComponent* bc, TksEditorPages pages);
  void Edit(TksBarcodeComponent* bc) { EditPage(bc, kAllEditorPages); }
  void Print(TksBarcodeComponent* bc) { EditPage(bc, EditorPageBit(epPrint)); }
  void SetActivePage(TksEditorPage page);
  // Loads every control from `e` and makes its copy the working copy in the preview.
  void SetParentEAN(TksBarcodeComponent* e);
  TksBarcodeComponent* ParentEAN() const { return FParentEAN; }
  TksEditorPages UsedPages() const { return FUsedPages; }
  // The working copy (the preview's barcode object).
  TksBarcodeComponent& Working() const;
  // "Apply": the working copy into ParentEAN at once; then `applied` is emitted, so the
  // owner of ParentEAN can pass the change on.
  void Apply();

  // The pages in page-control order, and the one shown.
  std::vector<TksEditorSheet*> Sheets() const;
  TksEditorSheet* ActivePage() const;
  void ShowPage(TksEditorSheet* sheet);

  // ---- frame ----
  QTreeWidget* Tree = nullptr;
  QStackedWidget* PageControl = nullptr;
  TksBarcode* EAN = nullptr;
  QPushButton* btnCancel = nullptr;
  QPushButton* btnHelp = nullptr;
  QPushButton* btnApply = nullptr;
  QPushButton* btnOK = nullptr;

  // ---- pages ----
  TksEditorSheet* tsMain = nullptr;
  TksEditorSheet* tsColorsFont = nullptr;
  TksEditorSheet* tsQuietZone = nullptr;
  TksEditorSheet* tsCaptions = nullptr;
  TksEditorSheet* tsOptions = nullptr;
  TksEditorSheet* ts2D = nullptr;
  TksEditorSheet* tsPDF417 = nullptr;
  TksEditorSheet* tsDataMatrix = nullptr;
  TksEditorSheet* tsQRCode = nullptr;
  TksEditorSheet* tsAztec = nullptr;
  TksEditorSheet* tsPrint = nullptr;
  TksEditorSheet* tsFunctions = nullptr;

  // ---- main ----
  TksComboBox* cbTyp = nullptr;
  QPlainTextEdit* memCode = nullptr;
  QLabel* lbChars = nullptr;
  QComboBox* cbAngle = nullptr;

  // ---- colours and fonts ----
  TksEditorColorButton* cbLinesColor = nullptr;
  TksEditorColorButton* cbBackgroundColor = nullptr;
  QPushButton* btnFont = nullptr;
  QLabel* lbFontSample = nullptr;

  // ---- quiet zone ----
  QCheckBox* chkQZVisible = nullptr;
  QLineEdit* edQZLeft = nullptr;
  QLineEdit* edQZRight = nullptr;
  QLineEdit* edQZTop = nullptr;
  QLineEdit* edQZBottom = nullptr;
  QComboBox* cbQZStyle = nullptr;
  QLineEdit* edQZSize = nullptr;
  TksEditorColorButton* cbQZPenColor = nullptr;
  QLineEdit* edQZPenWidth = nullptr;

  // ---- captions ----
  QRadioButton* rbCaptionUpper = nullptr;
  QRadioButton* rbCaptionHuman = nullptr;
  QRadioButton* rbCaptionBottom = nullptr;
  QCheckBox* chkCaptionVisible = nullptr;
  QGroupBox* gbCaption = nullptr;
  QPlainTextEdit* memCaptionText = nullptr;
  QComboBox* cbCaptionAlignment = nullptr;
  QCheckBox* chkAutoCaption = nullptr;
  QCheckBox* chkCaptionAutoSize = nullptr;
  QCheckBox* chkParentFont = nullptr;
  QPushButton* btnCaptionFont = nullptr;
  QLabel* lbCaptionSample = nullptr;
  QLineEdit* edMaxHeight = nullptr;

  // ---- options: bits 0..13 of the barcode options ----
  static constexpr int kOptionBoxes = 14;
  std::array<QCheckBox*, kOptionBoxes> chkOption{};

  // ---- 2D parameters ----
  QLineEdit* edSegmentIndex = nullptr;
  QLineEdit* edSegmentCount = nullptr;
  QLineEdit* edECI = nullptr;
  QComboBox* cbFNC1Type = nullptr;
  QComboBox* cbFNC1Input = nullptr;

  // ---- PDF417 ----
  QComboBox* cbPDFErrorLevel = nullptr;
  QComboBox* cbPDFMode = nullptr;
  QLineEdit* edPDFCols = nullptr;
  QLineEdit* edPDFRows = nullptr;
  QCheckBox* chkPDFTruncated = nullptr;
  QCheckBox* chkPDFMacro = nullptr;
  QLineEdit* edPDFFileName = nullptr;
  QLineEdit* edPDFChecksum = nullptr;
  QLineEdit* edPDFAddresse = nullptr;
  QLineEdit* edPDFSender = nullptr;
  QLineEdit* edPDFTimestamp = nullptr;

  // ---- Data Matrix ----
  QComboBox* cbDMEncoding = nullptr;
  QComboBox* cbDMVersion = nullptr;

  // ---- QR Code ----
  QComboBox* cbQRLevel = nullptr;
  QComboBox* cbQRMode = nullptr;
  QComboBox* cbQRVersion = nullptr;
  QCheckBox* chkMicroQR = nullptr;

  // ---- Aztec ----
  QCheckBox* chkAztecCompact = nullptr;
  QLineEdit* edAztecVersion = nullptr;
  QComboBox* cbAztecErrorLevel = nullptr;

 signals:
  void applied();

 private:
  // Which object a bound control edits.
  enum class Root { Barcode, Caption, Aztec };
  // How a control shows and takes its property's value.
  enum class Kind {
    Check,        // QCheckBox: Boolean
    EnumIndex,    // QComboBox: enumeration value = list index
    IndexNumber,  // QComboBox: integer = list index
    Number,       // QLineEdit: integer; not a number gives `fallback`
    Text,         // QLineEdit: string
    Lines,        // QPlainTextEdit: string list
    Color,        // colour button
    DateTime,     // QLineEdit: date and time text; days since 1899-12-30
  };
  struct Binding {
    QWidget* control;
    Root root;
    std::string path;
    Kind kind;
    long long fallback = 0;
  };

  void BuildFrame();
  void BuildMainPage();
  void BuildColorsFontPage();
  void BuildQuietZonePage();
  void BuildCaptionsPage();
  void BuildOptionsPage();
  void Build2DPage();
  void BuildPDF417Page();
  void BuildDataMatrixPage();
  void BuildQRCodePage();
  void BuildAztecPage();
  void Bind(QWidget* control, Root root, const char* path, Kind kind, long long fallback = 0);
  void ConnectControls();

  TksPersistent* RootObject(Root root) const;
  TksBarcodeCaption& SelectedCaption() const;
  const Binding* FindBinding(const QObject* control) const;
  void LoadBinding(const Binding& b);
  void WriteBinding(const Binding& b);
  // Loads the controls bound to the selected caption.
  void LoadCaption();
  // Loads the lists, check boxes and colour buttons, which always show what the working
  // copy holds; edits and memos keep what the user typed.
  void LoadChoices();
  void LoadTexts();
  void ShowAllowedChars();
  void UpdateSampleLabels();

  // The one change handler of every control.
  void ControlChange(QObject* control);
  void ApplyControl(QObject* control);
  void ChangeSymbology();
  void ChangeFont();
  void ChangeCaptionFont();

  void UpdateSymbologyPages();
  void RebuildTree();
  void TreeSelectionChanged();
  int VisiblePageCount() const;
  bool PageRequested(TksEditorPage page) const { return FUsedPages == kAllEditorPages || (FUsedPages & EditorPageBit(page)); }

  TksBarcodeComponent* FParentEAN = nullptr;
  TksEditorPages FUsedPages = kAllEditorPages;
  // Set while the dialog writes into its controls, so their change events write nothing.
  bool InChange = false;
  std::vector<Binding> bindings_;
};

// Opens the editor on a target, modally, on all pages; on OK the working copy is
// assigned into the target's barcode object and the answer is true.
bool EditBarcode(IBarcodeAccess& target, QWidget* parent = nullptr);

// Makes the barcode control's double-click (with boEnableEditor) open this editor.
void InstallBarcodeEditor();

// Date and time as the editor shows it ("d.M.yyyy H:mm:ss"; the time left out at
// midnight), from days since 1899-12-30, and back. Text that is neither such a date nor
// a number gives false.
QString DateTimeText(double days);
bool DateTimeFromText(const QString& text, double& days);

}  // namespace ks
