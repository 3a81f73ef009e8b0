#include "output/editor_dialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDate>
#include <QFontDialog>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QStackedWidget>
#include <QStyle>
#include <QTime>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <QWhatsThis>
#include <algorithm>
#include <cmath>
#include <iterator>
#include <memory>
#include <stdexcept>

#include "engine/matrix/pdf417_params.h"
#include "engine/params.h"
#include "output/editor_color_button.h"
#include "render/qt/barcode_control.h"
#include "render/qt/qt_canvas.h"
#include "render/qt/symbology_combo.h"

namespace ks {

namespace {

constexpr int kClientWidth = 706;
constexpr int kClientHeight = 603;
constexpr int kTreeWidth = 170;
constexpr int kPreviewHeight = 150;
constexpr const char* kProductTitle = "Barvello Barcode Editor";
constexpr const char* kSampleText = "AaBbCc 0123";

// Check-box captions of the options with numbers 0..13, in option order.
constexpr const char* kOptionCaptions[TksBarcodeEditorFmt::kOptionBoxes] = {
    "Transparent",    "Secure zoom",    "StartStopLines",      "AddOnUp",      "EnableEditor",
    "AutoSize",       "AutoHint",       "AutoCheckDigit",      "EditorAfterCreate",
    "FlipVertical",   "FlipHorizontal", "ReflectanceReversal", "PaintIfSmall", "AddLeadingZero"};

// Page images, by the sheets' image index.
constexpr QStyle::StandardPixmap kPageImages[] = {
    QStyle::SP_FileIcon,           QStyle::SP_DesktopIcon,        QStyle::SP_TitleBarMaxButton,
    QStyle::SP_FileDialogDetailedView, QStyle::SP_DialogApplyButton, QStyle::SP_FileDialogListView,
    QStyle::SP_ComputerIcon,       QStyle::SP_DriveHDIcon};

constexpr int kAngleCount = 4;  // 0, 90, 180 and 270 degrees

// Delphi's day count starts here: day 0 is 1899-12-30.
QDate DayZero() { return QDate(1899, 12, 30); }
constexpr long long kMsPerDay = 86400000;

// Sets a flag for the lifetime of the guard and restores the previous state.
class ChangeGuard {
 public:
  explicit ChangeGuard(bool& flag) : flag_(flag), saved_(flag) { flag_ = true; }
  ~ChangeGuard() { flag_ = saved_; }
  ChangeGuard(const ChangeGuard&) = delete;
  ChangeGuard& operator=(const ChangeGuard&) = delete;

 private:
  bool& flag_;
  bool saved_;
};

// The property a dotted path names below `root` and the object that owns it; nullptr
// when a part is unknown. String lists are named by their own name.
const PropInfo* ResolveProperty(TksPersistent& root, std::string_view path, TksPersistent*& owner) {
  TksPersistent* obj = &root;
  while (true) {
    const size_t dot = path.find('.');
    const PropInfo* p = obj->Properties().Find(path.substr(0, dot));
    if (!p) return nullptr;
    if (dot == std::string_view::npos) {
      owner = obj;
      return p;
    }
    if (p->type != PropType::Object || !p->object) return nullptr;
    obj = p->object(*obj);
    if (!obj) return nullptr;
    path.remove_prefix(dot + 1);
  }
}

// Length of the prefix every value name of `t` shares ("ksPDF417" for the PDF417 modes).
size_t CommonPrefixLength(const EnumType& t) {
  if (t.values.empty()) return 0;
  size_t n = t.values.front().size();
  for (const auto& v : t.values) {
    size_t i = 0;
    while (i < n && i < v.size() && v[i] == t.values.front()[i]) ++i;
    n = i;
  }
  // Keep at least one character of every name.
  for (const auto& v : t.values) n = std::min(n, v.empty() ? size_t{0} : v.size() - 1);
  return n;
}

// Fills a list with the value names of an enumeration, each without its first `strip`
// characters, in value order.
void FillFromEnum(QComboBox* box, const EnumType& t, size_t strip) {
  box->clear();
  for (const auto& v : t.values) box->addItem(QString::fromStdString(v.size() > strip ? v.substr(strip) : v));
}

// A memo's lines as a string list takes them: a final line break adds no empty line.
std::vector<std::string> MemoLines(const QPlainTextEdit* memo) {
  std::vector<std::string> lines;
  const QString text = memo->toPlainText();
  if (text.isEmpty()) return lines;
  QStringList parts = text.split(QLatin1Char('\n'));
  if (text.endsWith(QLatin1Char('\n'))) parts.removeLast();
  for (const QString& part : parts) lines.push_back(part.toStdString());
  return lines;
}

QString JoinLines(const std::vector<std::string>& lines) {
  QStringList parts;
  for (const auto& l : lines) parts << QString::fromStdString(l);
  return parts.join(QLatin1Char('\n'));
}

// The QFont a font dialog starts from: face, point size and style of `f`.
QFont DialogFont(const TksFont& f) {
  QFont q(QString::fromStdString(f.Name()));
  q.setPointSize(std::max(1, f.Size()));
  q.setBold(f.HasStyle(fsBold));
  q.setItalic(f.HasStyle(fsItalic));
  q.setUnderline(f.HasStyle(fsUnderline));
  q.setStrikeOut(f.HasStyle(fsStrikeOut));
  return q;
}

// `f` with the face, size and style the font dialog returned; colour, character set and
// pitch stay.
TksFont FontFromDialog(const TksFont& f, const QFont& q) {
  TksFont r(f);
  r.SetName(q.family().toStdString());
  if (q.pointSize() > 0)
    r.SetSize(q.pointSize());
  else if (q.pixelSize() > 0)
    r.SetHeight(-q.pixelSize());
  TFontStyles style = 0;
  if (q.bold()) style |= 1u << fsBold;
  if (q.italic()) style |= 1u << fsItalic;
  if (q.underline()) style |= 1u << fsUnderline;
  if (q.strikeOut()) style |= 1u << fsStrikeOut;
  r.SetStyle(style);
  return r;
}

// Runs the font dialog from `f`; false when cancelled.
bool AskFont(QWidget* parent, const TksFont& f, TksFont& result) {
  QFontDialog dialog(DialogFont(f), parent);
  if (dialog.exec() != QDialog::Accepted) return false;
  result = FontFromDialog(f, dialog.selectedFont());
  return true;
}

void ShowFontSample(QLabel* label, const TksFont& f) {
  label->setFont(ToQFont(f));
  QPalette palette = label->palette();
  palette.setColor(QPalette::WindowText, ToQColor(f.Color()));
  label->setPalette(palette);
}

QFormLayout* FormOf(QWidget* page) {
  auto* form = new QFormLayout(page);
  form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
  return form;
}

template <class W>
W* Named(W* w, const char* name) {
  w->setObjectName(QString::fromLatin1(name));
  return w;
}

}  // namespace

// ---- dates -----------------------------------------------------------------------

QString DateTimeText(double days) {
  if (!std::isfinite(days) || std::fabs(days) > 3e6) return QString::fromStdString(FloatToText(days));
  // The integral part counts days from day zero, the fraction (sign ignored) is the time
  // of day.
  double whole = std::trunc(days);
  long long ms = std::llround(std::fabs(days - whole) * kMsPerDay);
  if (ms >= kMsPerDay) {
    ms -= kMsPerDay;
    whole += days < 0 ? -1 : 1;
  }
  const QDate date = DayZero().addDays(static_cast<qint64>(whole));
  QString text = date.toString(QStringLiteral("d.M.yyyy"));
  if (ms != 0) text += QLatin1Char(' ') + QTime::fromMSecsSinceStartOfDay(static_cast<int>(ms)).toString(QStringLiteral("H:mm:ss"));
  return text;
}

bool DateTimeFromText(const QString& text, double& days) {
  const QString t = text.trimmed();
  const QStringList parts = t.split(QLatin1Char(' '), Qt::SkipEmptyParts);
  if (!parts.isEmpty() && parts.size() <= 2) {
    const QDate date = QDate::fromString(parts[0], QStringLiteral("d.M.yyyy"));
    QTime time(0, 0);
    if (parts.size() == 2) {
      time = QTime::fromString(parts[1], QStringLiteral("H:mm:ss"));
      if (!time.isValid()) time = QTime::fromString(parts[1], QStringLiteral("H:mm"));
    }
    if (date.isValid() && time.isValid()) {
      const double whole = static_cast<double>(DayZero().daysTo(date));
      const double fraction = static_cast<double>(time.msecsSinceStartOfDay()) / kMsPerDay;
      days = whole < 0 ? whole - fraction : whole + fraction;
      return true;
    }
  }
  return TextToFloat(t.toStdString(), days);
}

// ---- sheets ----------------------------------------------------------------------

TksEditorSheet::TksEditorSheet(const QString& caption, int imageIndex, QWidget* parent)
    : QWidget(parent), caption_(caption), imageIndex_(imageIndex) {}

QString TksEditorSheet::TreeText() const {
  QString t = caption_;
  t.replace(QStringLiteral("&&"), QStringLiteral(","));
  t.remove(QLatin1Char('&'));
  return t;
}

// ---- construction ----------------------------------------------------------------

TksBarcodeEditorFmt::TksBarcodeEditorFmt(QWidget* parent) : QDialog(parent) {
  ChangeGuard guard(InChange);
  setObjectName(QStringLiteral("BarcodeEditorFmt"));
  setWindowFlags(Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowContextHelpButtonHint);
  setFont(QFont(QStringLiteral("Verdana"), 8));
  setWindowTitle(QString::fromLatin1(kProductTitle));
  BuildFrame();
  BuildMainPage();
  BuildColorsFontPage();
  BuildQuietZonePage();
  BuildCaptionsPage();
  BuildOptionsPage();
  Build2DPage();
  BuildPDF417Page();
  BuildDataMatrixPage();
  BuildQRCodePage();
  BuildAztecPage();
  tsPrint = Named(new TksEditorSheet(QStringLiteral("&Print"), 7), "tsPrint");
  tsFunctions = Named(new TksEditorSheet(QStringLiteral("&Functions"), 7), "tsFunctions");
  for (TksEditorSheet* s : {tsPrint, tsFunctions}) {
    s->SetTabVisible(false);
    PageControl->addWidget(s);
  }
  ConnectControls();
  resize(kClientWidth, kClientHeight);
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    QRect r(QPoint(0, 0), size());
    r.moveCenter(screen->availableGeometry().center());
    move(r.topLeft());
  }
  RebuildTree();
}

TksBarcodeEditorFmt::~TksBarcodeEditorFmt() {
  // Changes reported while the widgets go away must not reach the handlers.
  InChange = true;
}

void TksBarcodeEditorFmt::BuildFrame() {
  auto* root = new QVBoxLayout(this);
  auto* body = new QHBoxLayout;
  Tree = Named(new QTreeWidget(this), "Tree");
  Tree->setHeaderHidden(true);
  Tree->setRootIsDecorated(false);
  Tree->setFixedWidth(kTreeWidth);
  body->addWidget(Tree);

  auto* right = new QVBoxLayout;
  PageControl = Named(new QStackedWidget(this), "PageControl");
  right->addWidget(PageControl, 1);
  EAN = Named(new TksBarcode(this), "EAN");
  EAN->SetName("EAN");
  EAN->setFixedHeight(kPreviewHeight);
  // The preview is the working copy already: a double-click must not open a second
  // editor on it.
  EAN->OnDblClick = [](TksComponent*) {};
  right->addWidget(EAN);
  body->addLayout(right, 1);
  root->addLayout(body, 1);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  btnCancel = Named(new QPushButton(QStringLiteral("Cancel"), this), "btnCancel");
  btnHelp = Named(new QPushButton(QStringLiteral("Help"), this), "btnHelp");
  btnApply = Named(new QPushButton(QStringLiteral("Apply"), this), "btnApply");
  btnOK = Named(new QPushButton(QStringLiteral("OK"), this), "btnOK");
  btnOK->setDefault(true);
  for (QPushButton* b : {btnCancel, btnHelp, btnApply, btnOK}) buttons->addWidget(b);
  root->addLayout(buttons);

  connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);
  connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
  connect(btnApply, &QPushButton::clicked, this, &TksBarcodeEditorFmt::Apply);
  connect(btnHelp, &QPushButton::clicked, this, [] { QWhatsThis::enterWhatsThisMode(); });
  connect(Tree, &QTreeWidget::currentItemChanged, this, &TksBarcodeEditorFmt::TreeSelectionChanged);
}

void TksBarcodeEditorFmt::BuildMainPage() {
  tsMain = Named(new TksEditorSheet(QStringLiteral("&Main"), 0), "tsMain");
  PageControl->addWidget(tsMain);
  auto* form = FormOf(tsMain);
  // Every symbology of the catalogue, so that the pages of each can be reached.
  cbTyp = Named(new TksComboBox(tsMain), "cbTyp");
  form->addRow(QStringLiteral("Symbology"), cbTyp);
  memCode = Named(new QPlainTextEdit(tsMain), "memCode");
  form->addRow(QStringLiteral("Encoded number/text"), memCode);
  lbChars = Named(new QLabel(tsMain), "lbChars");
  lbChars->setWordWrap(true);
  lbChars->setTextInteractionFlags(Qt::TextSelectableByMouse);
  form->addRow(QStringLiteral("Allowed characters"), lbChars);
  cbAngle = Named(new QComboBox(tsMain), "cbAngle");
  for (int i = 0; i < kAngleCount; ++i) cbAngle->addItem(QString::number(i * 90));
  form->addRow(QStringLiteral("Angle in degrees "), cbAngle);
}

void TksBarcodeEditorFmt::BuildColorsFontPage() {
  tsColorsFont = Named(new TksEditorSheet(QStringLiteral("&Colors && Fonts"), 1), "tsColorsFont");
  PageControl->addWidget(tsColorsFont);
  auto* form = FormOf(tsColorsFont);
  cbLinesColor = Named(new TksEditorColorButton(tsColorsFont), "cbLinesColor");
  form->addRow(QStringLiteral("Lines color"), cbLinesColor);
  Bind(cbLinesColor, Root::Barcode, "LinesColor", Kind::Color);
  cbBackgroundColor = Named(new TksEditorColorButton(tsColorsFont), "cbBackgroundColor");
  form->addRow(QStringLiteral("Background color"), cbBackgroundColor);
  Bind(cbBackgroundColor, Root::Barcode, "BackgroundColor", Kind::Color);
  btnFont = Named(new QPushButton(QStringLiteral("Change font"), tsColorsFont), "btnFont");
  lbFontSample = Named(new QLabel(QString::fromLatin1(kSampleText), tsColorsFont), "lbFontSample");
  form->addRow(btnFont, lbFontSample);
}

void TksBarcodeEditorFmt::BuildQuietZonePage() {
  tsQuietZone = Named(new TksEditorSheet(QStringLiteral("&Quiet zone"), 2), "tsQuietZone");
  PageControl->addWidget(tsQuietZone);
  auto* form = FormOf(tsQuietZone);
  chkQZVisible = Named(new QCheckBox(QStringLiteral("Quiet zone visible"), tsQuietZone), "chkQZVisible");
  form->addRow(chkQZVisible);
  Bind(chkQZVisible, Root::Barcode, "QuietZone.Visible", Kind::Check);
  struct Side {
    QLineEdit** edit;
    const char* name;
    const char* label;
    const char* path;
  };
  const Side sides[] = {{&edQZLeft, "edQZLeft", "Left", "QuietZone.Left"},
                        {&edQZRight, "edQZRight", "Right", "QuietZone.Right"},
                        {&edQZTop, "edQZTop", "Top", "QuietZone.Top"},
                        {&edQZBottom, "edQZBottom", "Bottom", "QuietZone.Bottom"}};
  for (const Side& s : sides) {
    *s.edit = Named(new QLineEdit(tsQuietZone), s.name);
    form->addRow(QString::fromLatin1(s.label), *s.edit);
    // The side setter refuses values outside 0..100 and keeps the old one.
    Bind(*s.edit, Root::Barcode, s.path, Kind::Number);
  }
  cbQZStyle = Named(new QComboBox(tsQuietZone), "cbQZStyle");
  form->addRow(QStringLiteral("Style"), cbQZStyle);
  Bind(cbQZStyle, Root::Barcode, "QuietZone.Style", Kind::EnumIndex);
  edQZSize = Named(new QLineEdit(tsQuietZone), "edQZSize");
  form->addRow(QStringLiteral("Size"), edQZSize);
  Bind(edQZSize, Root::Barcode, "QuietZone.IndicatorSize", Kind::Number);
  cbQZPenColor = Named(new TksEditorColorButton(tsQuietZone), "cbQZPenColor");
  form->addRow(QStringLiteral("Pen color"), cbQZPenColor);
  Bind(cbQZPenColor, Root::Barcode, "QuietZone.Pen.Color", Kind::Color);
  edQZPenWidth = Named(new QLineEdit(tsQuietZone), "edQZPenWidth");
  form->addRow(QStringLiteral("Pen width"), edQZPenWidth);
  Bind(edQZPenWidth, Root::Barcode, "QuietZone.Pen.Width", Kind::Number);
}

void TksBarcodeEditorFmt::BuildCaptionsPage() {
  tsCaptions = Named(new TksEditorSheet(QStringLiteral("Captions"), 3), "tsCaptions");
  PageControl->addWidget(tsCaptions);
  auto* layout = new QVBoxLayout(tsCaptions);
  auto* selector = new QGroupBox(QStringLiteral("Caption"), tsCaptions);
  auto* selectorRow = new QHBoxLayout(selector);
  rbCaptionUpper = Named(new QRadioButton(QStringLiteral("Upper"), selector), "rbCaptionUpper");
  rbCaptionHuman = Named(new QRadioButton(QStringLiteral("Human readable"), selector), "rbCaptionHuman");
  rbCaptionBottom = Named(new QRadioButton(QStringLiteral("Bottom"), selector), "rbCaptionBottom");
  for (QRadioButton* r : {rbCaptionUpper, rbCaptionHuman, rbCaptionBottom}) selectorRow->addWidget(r);
  rbCaptionUpper->setChecked(true);
  layout->addWidget(selector);

  chkCaptionVisible = Named(new QCheckBox(QStringLiteral("     Caption visible"), tsCaptions), "chkCaptionVisible");
  layout->addWidget(chkCaptionVisible);
  Bind(chkCaptionVisible, Root::Caption, "Visible", Kind::Check);

  gbCaption = Named(new QGroupBox(tsCaptions), "gbCaption");
  auto* form = FormOf(gbCaption);
  memCaptionText = Named(new QPlainTextEdit(gbCaption), "memCaptionText");
  form->addRow(QStringLiteral("Text"), memCaptionText);
  Bind(memCaptionText, Root::Caption, "Text", Kind::Lines);
  cbCaptionAlignment = Named(new QComboBox(gbCaption), "cbCaptionAlignment");
  // The alignment values taLeftJustify, taRightJustify, taCenter, under short names.
  cbCaptionAlignment->addItems({QStringLiteral("Left"), QStringLiteral("Right"), QStringLiteral("Center")});
  form->addRow(QStringLiteral("Alignment"), cbCaptionAlignment);
  Bind(cbCaptionAlignment, Root::Caption, "Alignment", Kind::EnumIndex);
  chkAutoCaption = Named(new QCheckBox(QStringLiteral("Auto caption"), gbCaption), "chkAutoCaption");
  form->addRow(chkAutoCaption);
  Bind(chkAutoCaption, Root::Caption, "AutoCaption", Kind::Check);
  chkCaptionAutoSize = Named(new QCheckBox(QStringLiteral("Auto size"), gbCaption), "chkCaptionAutoSize");
  form->addRow(chkCaptionAutoSize);
  Bind(chkCaptionAutoSize, Root::Caption, "AutoSize", Kind::Check);
  chkParentFont = Named(new QCheckBox(QStringLiteral("Parent font"), gbCaption), "chkParentFont");
  form->addRow(chkParentFont);
  Bind(chkParentFont, Root::Caption, "ParentFont", Kind::Check);
  btnCaptionFont = Named(new QPushButton(QStringLiteral("Change font"), gbCaption), "btnCaptionFont");
  lbCaptionSample = Named(new QLabel(QString::fromLatin1(kSampleText), gbCaption), "lbCaptionSample");
  form->addRow(btnCaptionFont, lbCaptionSample);
  edMaxHeight = Named(new QLineEdit(gbCaption), "edMaxHeight");
  form->addRow(QStringLiteral("Max.height %"), edMaxHeight);
  Bind(edMaxHeight, Root::Caption, "MaxHeight", Kind::Number);
  layout->addWidget(gbCaption, 1);
}

void TksBarcodeEditorFmt::BuildOptionsPage() {
  tsOptions = Named(new TksEditorSheet(QStringLiteral("&Options"), 4), "tsOptions");
  PageControl->addWidget(tsOptions);
  auto* grid = new QGridLayout(tsOptions);
  const int rows = (kOptionBoxes + 1) / 2;
  for (int i = 0; i < kOptionBoxes; ++i) {
    chkOption[i] = new QCheckBox(QString::fromLatin1(kOptionCaptions[i]), tsOptions);
    chkOption[i]->setObjectName(QStringLiteral("chkOption%1").arg(i));
    grid->addWidget(chkOption[i], i % rows, i / rows);
  }
  grid->setRowStretch(rows, 1);
}

void TksBarcodeEditorFmt::Build2DPage() {
  ts2D = Named(new TksEditorSheet(QStringLiteral("&2D params"), 5), "ts2D");
  PageControl->addWidget(ts2D);
  auto* form = FormOf(ts2D);
  edSegmentIndex = Named(new QLineEdit(ts2D), "edSegmentIndex");
  form->addRow(QStringLiteral("Segment index"), edSegmentIndex);
  Bind(edSegmentIndex, Root::Barcode, "Params.SegmentIndex", Kind::Number, 0);
  edSegmentCount = Named(new QLineEdit(ts2D), "edSegmentCount");
  form->addRow(QStringLiteral("Segment count"), edSegmentCount);
  Bind(edSegmentCount, Root::Barcode, "Params.SegmentCount", Kind::Number, 1);
  edECI = Named(new QLineEdit(ts2D), "edECI");
  form->addRow(QStringLiteral("ECI"), edECI);
  // A cleared ECI field means no ECI (-1), not ECI 0.
  Bind(edECI, Root::Barcode, "Params.ECI", Kind::Number, -1);
  cbFNC1Type = Named(new QComboBox(ts2D), "cbFNC1Type");
  form->addRow(QStringLiteral("FNC1 type"), cbFNC1Type);
  Bind(cbFNC1Type, Root::Barcode, "Params.GS1.FNC1Type", Kind::EnumIndex);
  cbFNC1Input = Named(new QComboBox(ts2D), "cbFNC1Input");
  form->addRow(QStringLiteral("FNC1 input"), cbFNC1Input);
  Bind(cbFNC1Input, Root::Barcode, "Params.GS1.FNC1InputType", Kind::EnumIndex);
}

void TksBarcodeEditorFmt::BuildPDF417Page() {
  tsPDF417 = Named(new TksEditorSheet(QStringLiteral("PDF417"), 6), "tsPDF417");
  PageControl->addWidget(tsPDF417);
  auto* form = FormOf(tsPDF417);
  cbPDFErrorLevel = Named(new QComboBox(tsPDF417), "cbPDFErrorLevel");
  form->addRow(QStringLiteral("Error level"), cbPDFErrorLevel);
  Bind(cbPDFErrorLevel, Root::Barcode, "Params.PDF417.SecurityLevel", Kind::EnumIndex);
  cbPDFMode = Named(new QComboBox(tsPDF417), "cbPDFMode");
  form->addRow(QStringLiteral("Mode"), cbPDFMode);
  Bind(cbPDFMode, Root::Barcode, "Params.PDF417.Mode", Kind::EnumIndex);
  edPDFCols = Named(new QLineEdit(tsPDF417), "edPDFCols");
  form->addRow(QStringLiteral("Columns"), edPDFCols);
  Bind(edPDFCols, Root::Barcode, "Params.PDF417.Cols", Kind::Number);
  edPDFRows = Named(new QLineEdit(tsPDF417), "edPDFRows");
  form->addRow(QStringLiteral("Rows"), edPDFRows);
  Bind(edPDFRows, Root::Barcode, "Params.PDF417.Rows", Kind::Number);
  chkPDFTruncated = Named(new QCheckBox(QStringLiteral("Truncated"), tsPDF417), "chkPDFTruncated");
  form->addRow(chkPDFTruncated);
  chkPDFMacro = Named(new QCheckBox(QStringLiteral("Use macro"), tsPDF417), "chkPDFMacro");
  form->addRow(chkPDFMacro);
  Bind(chkPDFMacro, Root::Barcode, "Params.PDF417.UseMacro", Kind::Check);
  edPDFFileName = Named(new QLineEdit(tsPDF417), "edPDFFileName");
  form->addRow(QStringLiteral("File name"), edPDFFileName);
  Bind(edPDFFileName, Root::Barcode, "Params.PDF417.FileName", Kind::Text);
  edPDFChecksum = Named(new QLineEdit(tsPDF417), "edPDFChecksum");
  form->addRow(QStringLiteral("Checksum"), edPDFChecksum);
  Bind(edPDFChecksum, Root::Barcode, "Params.PDF417.Checksum", Kind::Number);
  edPDFAddresse = Named(new QLineEdit(tsPDF417), "edPDFAddresse");
  form->addRow(QStringLiteral("Addresse"), edPDFAddresse);
  Bind(edPDFAddresse, Root::Barcode, "Params.PDF417.Addresse", Kind::Text);
  edPDFSender = Named(new QLineEdit(tsPDF417), "edPDFSender");
  form->addRow(QStringLiteral("Sender"), edPDFSender);
  Bind(edPDFSender, Root::Barcode, "Params.PDF417.Sender", Kind::Text);
  edPDFTimestamp = Named(new QLineEdit(tsPDF417), "edPDFTimestamp");
  form->addRow(QStringLiteral("Timestamp"), edPDFTimestamp);
  Bind(edPDFTimestamp, Root::Barcode, "Params.PDF417.TimeStamp", Kind::DateTime);
}

void TksBarcodeEditorFmt::BuildDataMatrixPage() {
  tsDataMatrix = Named(new TksEditorSheet(QStringLiteral("&DataMatrix"), 7), "tsDataMatrix");
  PageControl->addWidget(tsDataMatrix);
  auto* form = FormOf(tsDataMatrix);
  cbDMEncoding = Named(new QComboBox(tsDataMatrix), "cbDMEncoding");
  form->addRow(QStringLiteral("Encoding"), cbDMEncoding);
  Bind(cbDMEncoding, Root::Barcode, "Params.DataMatrix.Encoding", Kind::EnumIndex);
  cbDMVersion = Named(new QComboBox(tsDataMatrix), "cbDMVersion");
  form->addRow(QStringLiteral("Version"), cbDMVersion);
  Bind(cbDMVersion, Root::Barcode, "Params.DataMatrix.Version", Kind::EnumIndex);
}

void TksBarcodeEditorFmt::BuildQRCodePage() {
  tsQRCode = Named(new TksEditorSheet(QStringLiteral("QR Code"), 7), "tsQRCode");
  PageControl->addWidget(tsQRCode);
  auto* form = FormOf(tsQRCode);
  cbQRLevel = Named(new QComboBox(tsQRCode), "cbQRLevel");
  form->addRow(QStringLiteral("Error correction level"), cbQRLevel);
  Bind(cbQRLevel, Root::Barcode, "Params.QRCode.EccLevel", Kind::EnumIndex);
  cbQRMode = Named(new QComboBox(tsQRCode), "cbQRMode");
  form->addRow(QStringLiteral("Mode"), cbQRMode);
  Bind(cbQRMode, Root::Barcode, "Params.QRCode.Mode", Kind::EnumIndex);
  cbQRVersion = Named(new QComboBox(tsQRCode), "cbQRVersion");
  for (int v = 0; v <= 40; ++v) cbQRVersion->addItem(QString::number(v));
  form->addRow(QStringLiteral("Version"), cbQRVersion);
  Bind(cbQRVersion, Root::Barcode, "Params.QRCode.Version", Kind::IndexNumber);
  chkMicroQR = Named(new QCheckBox(QStringLiteral("Micro QR"), tsQRCode), "chkMicroQR");
  form->addRow(chkMicroQR);
  Bind(chkMicroQR, Root::Barcode, "Params.QRCode.MicroQR", Kind::Check);
}

void TksBarcodeEditorFmt::BuildAztecPage() {
  tsAztec = Named(new TksEditorSheet(QStringLiteral("Aztec"), 7), "tsAztec");
  PageControl->addWidget(tsAztec);
  auto* form = FormOf(tsAztec);
  chkAztecCompact = Named(new QCheckBox(QStringLiteral("Compact"), tsAztec), "chkAztecCompact");
  form->addRow(chkAztecCompact);
  Bind(chkAztecCompact, Root::Aztec, "Compact", Kind::Check);
  edAztecVersion = Named(new QLineEdit(tsAztec), "edAztecVersion");
  form->addRow(QStringLiteral("Version"), edAztecVersion);
  Bind(edAztecVersion, Root::Aztec, "Version", Kind::Number);
  cbAztecErrorLevel = Named(new QComboBox(tsAztec), "cbAztecErrorLevel");
  form->addRow(QStringLiteral("Error level %"), cbAztecErrorLevel);
  Bind(cbAztecErrorLevel, Root::Aztec, "ErrorLevel", Kind::EnumIndex);
}

void TksBarcodeEditorFmt::Bind(QWidget* control, Root root, const char* path, Kind kind, long long fallback) {
  TksPersistent* owner = nullptr;
  const PropInfo* p = ResolveProperty(*RootObject(root), path, owner);
  if (!p) throw std::logic_error(std::string("editor control bound to an unknown property: ") + path);
  // Lists of enumeration values are filled from the enumeration's names. The QR Code and
  // Data Matrix lists drop the first two characters of each name; the others drop the
  // prefix all names share.
  if (kind == Kind::EnumIndex && p->enumType) {
    auto* box = static_cast<QComboBox*>(control);
    if (box->count() == 0) {
      const bool twoChars = p->enumType == &QrModeEnum() || p->enumType == &QrEccLevelEnum() ||
                            p->enumType == &DataMatrixEncodingEnum() || p->enumType == &DataMatrixVersionEnum() ||
                            p->enumType == &QuietZoneStyleEnum();
      FillFromEnum(box, *p->enumType, twoChars ? 2 : CommonPrefixLength(*p->enumType));
    }
  }
  bindings_.push_back({control, root, path, kind, fallback});
}

void TksBarcodeEditorFmt::ConnectControls() {
  std::vector<QWidget*> controls = {cbTyp, memCode, cbAngle, btnFont, btnCaptionFont, chkPDFTruncated,
                                    rbCaptionUpper, rbCaptionHuman, rbCaptionBottom};
  for (QCheckBox* c : chkOption) controls.push_back(c);
  for (const Binding& b : bindings_) controls.push_back(b.control);
  for (QWidget* w : controls) {
    if (auto* radio = qobject_cast<QRadioButton*>(w)) {
      connect(radio, &QRadioButton::toggled, this, [this, radio](bool on) {
        if (on) ControlChange(radio);
      });
    } else if (auto* check = qobject_cast<QCheckBox*>(w)) {
      connect(check, &QCheckBox::toggled, this, [this, check] { ControlChange(check); });
    } else if (auto* color = qobject_cast<TksEditorColorButton*>(w)) {
      connect(color, &TksEditorColorButton::colorChanged, this, [this, color] { ControlChange(color); });
    } else if (auto* button = qobject_cast<QPushButton*>(w)) {
      connect(button, &QPushButton::clicked, this, [this, button] { ControlChange(button); });
    } else if (auto* box = qobject_cast<QComboBox*>(w)) {
      connect(box, &QComboBox::currentIndexChanged, this, [this, box] { ControlChange(box); });
    } else if (auto* edit = qobject_cast<QLineEdit*>(w)) {
      connect(edit, &QLineEdit::textChanged, this, [this, edit] { ControlChange(edit); });
    } else if (auto* memo = qobject_cast<QPlainTextEdit*>(w)) {
      connect(memo, &QPlainTextEdit::textChanged, this, [this, memo] { ControlChange(memo); });
    }
  }
}

// ---- the objects the controls edit -------------------------------------------------

TksBarcodeComponent& TksBarcodeEditorFmt::Working() const { return *EAN->BarcodeComponent(); }

TksPersistent* TksBarcodeEditorFmt::RootObject(Root root) const {
  switch (root) {
    case Root::Caption:
      return &SelectedCaption();
    case Root::Aztec:
      return &Working().Params().Aztec();
    case Root::Barcode:
      break;
  }
  return &Working();
}

TksBarcodeCaption& TksBarcodeEditorFmt::SelectedCaption() const {
  if (rbCaptionHuman && rbCaptionHuman->isChecked()) return Working().CaptionHuman();
  if (rbCaptionBottom && rbCaptionBottom->isChecked()) return Working().CaptionBottom();
  return Working().CaptionUpper();
}

const TksBarcodeEditorFmt::Binding* TksBarcodeEditorFmt::FindBinding(const QObject* control) const {
  for (const Binding& b : bindings_)
    if (b.control == control) return &b;
  return nullptr;
}

void TksBarcodeEditorFmt::LoadBinding(const Binding& b) {
  TksPersistent* owner = nullptr;
  const PropInfo* p = ResolveProperty(*RootObject(b.root), b.path, owner);
  if (!p) return;
  if (b.kind == Kind::Lines) {
    static_cast<QPlainTextEdit*>(b.control)->setPlainText(JoinLines(p->getLines(*owner)));
    return;
  }
  const std::string text = p->get(*owner);
  long long n = 0;
  switch (b.kind) {
    case Kind::Check: {
      bool v = false;
      TextToBool(text, v);
      static_cast<QCheckBox*>(b.control)->setChecked(v);
      break;
    }
    case Kind::EnumIndex:
      static_cast<QComboBox*>(b.control)->setCurrentIndex(p->enumType ? p->enumType->Find(text) : -1);
      break;
    case Kind::IndexNumber: {
      auto* box = static_cast<QComboBox*>(b.control);
      box->setCurrentIndex(TextToInt(text, n) && n >= 0 && n < box->count() ? static_cast<int>(n) : -1);
      break;
    }
    case Kind::Color:
      if (TextToInt(text, n)) static_cast<TksEditorColorButton*>(b.control)->SetColor(static_cast<TColor>(n));
      break;
    case Kind::DateTime: {
      double days = 0;
      TextToFloat(text, days);
      static_cast<QLineEdit*>(b.control)->setText(DateTimeText(days));
      break;
    }
    case Kind::Number:
    case Kind::Text:
      static_cast<QLineEdit*>(b.control)->setText(QString::fromStdString(text));
      break;
    case Kind::Lines:
      break;
  }
}

void TksBarcodeEditorFmt::WriteBinding(const Binding& b) {
  TksPersistent* owner = nullptr;
  const PropInfo* p = ResolveProperty(*RootObject(b.root), b.path, owner);
  if (!p) return;
  if (b.kind == Kind::Lines) {
    p->setLines(*owner, MemoLines(static_cast<QPlainTextEdit*>(b.control)));
    return;
  }
  if (!p->set) return;
  std::string value;
  switch (b.kind) {
    case Kind::Check:
      value = BoolToText(static_cast<QCheckBox*>(b.control)->isChecked());
      break;
    case Kind::EnumIndex:
    case Kind::IndexNumber: {
      const int index = static_cast<QComboBox*>(b.control)->currentIndex();
      if (index < 0) return;
      value = IntToText(index);
      break;
    }
    case Kind::Number: {
      long long n = 0;
      if (!TextToInt(static_cast<QLineEdit*>(b.control)->text().toStdString(), n) || n < INT32_MIN || n > INT32_MAX)
        n = b.fallback;
      value = IntToText(n);
      break;
    }
    case Kind::Text:
      value = static_cast<QLineEdit*>(b.control)->text().toStdString();
      break;
    case Kind::Color:
      value = IntToText(static_cast<TksEditorColorButton*>(b.control)->Color());
      break;
    case Kind::DateTime: {
      // The field shows the time stamp as a date; a plain number of days is taken too.
      double days = 0;
      if (!DateTimeFromText(static_cast<QLineEdit*>(b.control)->text(), days)) days = 0;
      value = FloatToText(days);
      break;
    }
    case Kind::Lines:
      return;
  }
  p->set(*owner, value);
}

// ---- loading ---------------------------------------------------------------------

void TksBarcodeEditorFmt::SetParentEAN(TksBarcodeComponent* e) {
  if (!e) return;
  ChangeGuard guard(InChange);
  RebuildTree();
  Working().Assign(*e);
  EAN->show();
  FParentEAN = e;
  rbCaptionUpper->setChecked(true);
  LoadTexts();
  LoadChoices();
  LoadCaption();
  Working().Assign(*e);
  ShowAllowedChars();
  UpdateSampleLabels();
  UpdateSymbologyPages();
}

void TksBarcodeEditorFmt::LoadChoices() {
  ChangeGuard guard(InChange);
  const TksBarcodeComponent& w = Working();
  cbTyp->SetSelectedSymbology(w.BarcodeSymbology());
  // Negative angles are the same turns as their positive counterparts: -90 shows "270".
  cbAngle->setCurrentIndex(((w.Angle() / 90) % kAngleCount + kAngleCount) % kAngleCount);
  for (int i = 0; i < kOptionBoxes; ++i) chkOption[i]->setChecked((w.Options() >> i) & 1u);
  chkPDFTruncated->setChecked(w.Params().PDF417().Kind() == pkTruncated);
  for (const Binding& b : bindings_)
    if (b.kind == Kind::Check || b.kind == Kind::EnumIndex || b.kind == Kind::IndexNumber || b.kind == Kind::Color)
      LoadBinding(b);
  gbCaption->setVisible(chkCaptionVisible->isChecked());
}

void TksBarcodeEditorFmt::LoadTexts() {
  ChangeGuard guard(InChange);
  memCode->setPlainText(QString::fromStdU16String(Working().BarCode()));
  for (const Binding& b : bindings_)
    if (b.kind == Kind::Number || b.kind == Kind::Text || b.kind == Kind::Lines || b.kind == Kind::DateTime)
      LoadBinding(b);
}

void TksBarcodeEditorFmt::LoadCaption() {
  ChangeGuard guard(InChange);
  for (const Binding& b : bindings_)
    if (b.root == Root::Caption) LoadBinding(b);
  gbCaption->setVisible(chkCaptionVisible->isChecked());
  UpdateSampleLabels();
}

void TksBarcodeEditorFmt::ShowAllowedChars() {
  lbChars->setText(QString::fromStdString(Working().GetSetOfCharsVisible()));
}

void TksBarcodeEditorFmt::UpdateSampleLabels() {
  ShowFontSample(lbFontSample, EAN->Font());
  ShowFontSample(lbCaptionSample, SelectedCaption().Font());
}

// ---- changes ---------------------------------------------------------------------

void TksBarcodeEditorFmt::ControlChange(QObject* control) {
  if (InChange) return;
  ChangeGuard guard(InChange);
  try {
    ApplyControl(control);
  } catch (const std::exception&) {
    // A setter refused the value (an Aztec version out of range, say); the lists and
    // boxes are reloaded below and show what the working copy kept.
  }
  LoadChoices();
}

void TksBarcodeEditorFmt::ApplyControl(QObject* control) {
  TksBarcodeComponent& w = Working();
  if (control == cbTyp) {
    ChangeSymbology();
  } else if (control == memCode) {
    SetPropertyText(w, "BarCode", memCode->toPlainText().toStdString());
  } else if (control == cbAngle) {
    if (cbAngle->currentIndex() >= 0) SetPropertyText(w, "Angle", IntToText(cbAngle->currentIndex() * 90));
  } else if (control == rbCaptionUpper || control == rbCaptionHuman || control == rbCaptionBottom) {
    LoadCaption();
  } else if (control == btnFont) {
    ChangeFont();
  } else if (control == btnCaptionFont) {
    ChangeCaptionFont();
  } else if (control == chkPDFTruncated) {
    SetPropertyText(w, "Params.PDF417.Kind",
                    PDF417KindEnum().Name(chkPDFTruncated->isChecked() ? pkTruncated : pkStandard));
  } else if (std::find(chkOption.begin(), chkOption.end(), control) != chkOption.end()) {
    // The fourteen boxes make the whole option set; options 14..16 are cleared.
    TksBarcodeOptions options = 0;
    for (int i = 0; i < kOptionBoxes; ++i)
      if (chkOption[i]->isChecked()) options |= 1u << i;
    SetPropertyText(w, "Options", SetToText(OptionEnum(), options));
  } else if (const Binding* b = FindBinding(control)) {
    WriteBinding(*b);
  }
}

void TksBarcodeEditorFmt::ChangeSymbology() {
  TksBarcodeComponent& w = Working();
  SetPropertyText(w, "BarcodeSymbology", SymbologyIdentifier(cbTyp->SelectedSymbology()));
  // The new symbology brought its sample text.
  memCode->setPlainText(QString::fromStdU16String(w.BarCode()));
  ShowAllowedChars();
  UpdateSymbologyPages();
}

void TksBarcodeEditorFmt::ChangeFont() {
  TksFont font;
  if (!AskFont(this, EAN->Font(), font)) return;
  EAN->SetFont(font);
  UpdateSampleLabels();
}

void TksBarcodeEditorFmt::ChangeCaptionFont() {
  TksPersistent* owner = nullptr;
  const PropInfo* p = ResolveProperty(SelectedCaption(), "Font", owner);
  TksPersistent* fontObject = p && p->object ? p->object(*owner) : nullptr;
  auto* current = dynamic_cast<TksFont*>(fontObject);
  if (!current) return;
  TksFont font;
  if (!AskFont(this, *current, font)) return;
  current->Assign(font);
  UpdateSampleLabels();
}

void TksBarcodeEditorFmt::Apply() {
  if (!FParentEAN) return;
  FParentEAN->Assign(Working());
  emit applied();
}

// ---- pages -----------------------------------------------------------------------

std::vector<TksEditorSheet*> TksBarcodeEditorFmt::Sheets() const {
  std::vector<TksEditorSheet*> sheets;
  for (int i = 0; i < PageControl->count(); ++i)
    if (auto* s = qobject_cast<TksEditorSheet*>(PageControl->widget(i))) sheets.push_back(s);
  return sheets;
}

TksEditorSheet* TksBarcodeEditorFmt::ActivePage() const {
  return qobject_cast<TksEditorSheet*>(PageControl->currentWidget());
}

int TksBarcodeEditorFmt::VisiblePageCount() const {
  int n = 0;
  for (const TksEditorSheet* s : Sheets()) n += s->TabVisible() ? 1 : 0;
  return n;
}

void TksBarcodeEditorFmt::ShowPage(TksEditorSheet* sheet) {
  if (!sheet) return;
  PageControl->setCurrentWidget(sheet);
  const QSignalBlocker blocker(Tree);
  for (int i = 0; i < Tree->topLevelItemCount(); ++i) {
    QTreeWidgetItem* item = Tree->topLevelItem(i);
    if (item->data(0, Qt::UserRole).toInt() == PageControl->indexOf(sheet)) Tree->setCurrentItem(item);
  }
}

void TksBarcodeEditorFmt::RebuildTree() {
  const QSignalBlocker blocker(Tree);
  Tree->clear();
  const TksEditorSheet* active = ActivePage();
  for (TksEditorSheet* s : Sheets()) {
    if (!s->TabVisible()) continue;
    auto* item = new QTreeWidgetItem(Tree, QStringList{s->TreeText()});
    const int image = std::clamp(s->ImageIndex(), 0, static_cast<int>(std::size(kPageImages)) - 1);
    item->setIcon(0, style()->standardIcon(kPageImages[image]));
    item->setData(0, Qt::UserRole, PageControl->indexOf(s));
    if (s == active) Tree->setCurrentItem(item);
  }
}

void TksBarcodeEditorFmt::TreeSelectionChanged() {
  if (QTreeWidgetItem* item = Tree->currentItem()) PageControl->setCurrentIndex(item->data(0, Qt::UserRole).toInt());
}

void TksBarcodeEditorFmt::UpdateSymbologyPages() {
  const TksBarcodeSymbology s = Working().BarcodeSymbology();
  tsPDF417->SetTabVisible(s == bcPDF417 || PageRequested(epPDF417));
  ts2D->SetTabVisible(s == bcPDF417 || s == bcDataMatrix || s == bcQRCode || s == bcAztec);
  tsDataMatrix->SetTabVisible(s == bcDataMatrix);
  tsQRCode->SetTabVisible(s == bcQRCode);
  tsAztec->SetTabVisible(s == bcAztec);
  // A page that just went away leaves the first one still offered on show.
  if (ActivePage() && !ActivePage()->TabVisible()) {
    for (TksEditorSheet* sheet : Sheets())
      if (sheet->TabVisible()) {
        PageControl->setCurrentWidget(sheet);
        break;
      }
  }
  RebuildTree();
}

void TksBarcodeEditorFmt::EditPage(TksBarcodeComponent* bc, TksEditorPages pages) {
  FUsedPages = pages;
  tsMain->SetTabVisible(PageRequested(epMain));
  tsColorsFont->SetTabVisible(PageRequested(epColorsFont));
  tsQuietZone->SetTabVisible(PageRequested(epQuietZone));
  tsCaptions->SetTabVisible(PageRequested(epCaptionUpper) || PageRequested(epCaptionHuman) ||
                            PageRequested(epCaptionBottom));
  tsOptions->SetTabVisible(PageRequested(epOptions));
  ts2D->SetTabVisible(PageRequested(epParams));
  tsPDF417->SetTabVisible(PageRequested(epPDF417));
  tsDataMatrix->SetTabVisible(PageRequested(epDataMatrix));
  tsQRCode->SetTabVisible(PageRequested(epQRCode));
  tsAztec->SetTabVisible(false);
  tsPrint->SetTabVisible(false);
  tsFunctions->SetTabVisible(false);
  SetParentEAN(bc);
  for (TksEditorSheet* s : Sheets())
    if (s->TabVisible()) {
      ShowPage(s);
      break;
    }
  Tree->setVisible(VisiblePageCount() > 1);
  setWindowTitle(QString::fromLatin1(kProductTitle));
}

void TksBarcodeEditorFmt::SetActivePage(TksEditorPage page) {
  switch (page) {
    case epQuietZone:
      ShowPage(tsQuietZone);
      break;
    case epCaptionUpper:
    case epCaptionHuman:
    case epCaptionBottom: {
      ShowPage(tsCaptions);
      ChangeGuard guard(InChange);
      QRadioButton* selector = page == epCaptionUpper   ? rbCaptionUpper
                               : page == epCaptionHuman ? rbCaptionHuman
                                                        : rbCaptionBottom;
      selector->setChecked(true);
      LoadCaption();
      break;
    }
    case epOptions:
      ShowPage(tsOptions);
      break;
    case epParams:
      ShowPage(ts2D);
      break;
    case epPDF417:
      ShowPage(tsPDF417);
      break;
    case epPrint:
    case epSpecial:
    case epFunctions:
      break;
    default:
      ShowPage(tsMain);
      break;
  }
}

// ---- opening from a barcode control ----------------------------------------------------

bool EditBarcode(IBarcodeAccess& target, QWidget* parent) {
  TksBarcodeComponent* bc = target.BarcodeComponent();
  if (!bc) return false;
  auto dialog = std::make_unique<TksBarcodeEditorFmt>(parent ? parent->window() : nullptr);
  dialog->Edit(bc);
  if (dialog->exec() != QDialog::Accepted) return false;
  bc->Assign(dialog->Working());
  return true;
}

void InstallBarcodeEditor() {
  BarcodeEditor() = [](IBarcodeAccess& target, QWidget* parent) { return EditBarcode(target, parent); };
}

}  // namespace ks
