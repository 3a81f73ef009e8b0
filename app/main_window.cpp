#include "app/main_window.h"

#include <QAbstractItemView>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDesktopServices>
#include <QFileInfo>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QShortcut>
#include <QShowEvent>
#include <QSlider>
#include <QStyle>
#include <QUrl>
#include <QVBoxLayout>
#include <exception>

#include "app/collapsible_section.h"
#include "app/color_picker.h"
#include "app/logo.h"
#include "app/program.h"
#include "app/preview_check.h"
#include "engine/decor.h"
#include "engine/errors.h"
#include "engine/params.h"
#include "output/editor_dialog.h"
#include "output/printer_dialog.h"
#include "render/paint.h"
#include "render/qt/barcode_control.h"
#include "render/qt/qt_canvas.h"
#include "render/qt/symbology_combo.h"

namespace ks {

namespace {

// The colour the platform uses for text in windows.
constexpr TColor kWindowTextColor = clBlack;

// The image types the export component offers.
constexpr TksFileTypes kImageTypes = FileTypeBit(ftBMP) | FileTypeBit(ftWMF) | FileTypeBit(ftEMF) |
                                     FileTypeBit(ftJPEG) | FileTypeBit(ftGIF) | FileTypeBit(ftPNG);

// Each extension the save button recognises and the writer it calls, in the order tried.
struct ImageWriter {
  const char* extension;
  void (TksExportImport::*write)();
};
constexpr ImageWriter kImageWriters[] = {
    {".bmp", &TksExportImport::SaveAsBMP}, {".wmf", &TksExportImport::SaveAsWMF},
    {".emf", &TksExportImport::SaveAsEMF}, {".gif", &TksExportImport::SaveAsGIF},
    {".png", &TksExportImport::SaveAsPNG}, {".jpg", &TksExportImport::SaveAsJPG},
};

QString U(const char* utf8) { return QString::fromUtf8(utf8); }

// The upper and bottom captions of both barcode objects, and the base of the
// human-readable line.
void InitCaption(TksBarcodeCaption& c) {
  c.SetVisible(true);
  c.Font().SetName("Arial");
  c.Font().SetSize(10);
  c.SetAutoSize(false);
  c.SetAlignment(taCenter);
  c.SetAutoCaption(true);
  c.SetMaxHeight(25);
  c.SetParentFont(true);
  c.SetLineSpacing(0);
  c.SetBgColor(clNone);
}

void InitParams(TksParams& p) {
  p.GS1().SetFNC1InputType(gs1Separators);
  p.GS1().SetFNC1Type(fnc1None);
  p.PDF417().SetMode(ksPDF417Alphanumeric);
  p.PDF417().SetSecurityLevel(ksPDF417AutoEC);
  p.PDF417().SetKind(pkStandard);
  p.PDF417().SetUseMacro(false);
  p.DataMatrix().SetEncoding(dmeAutomatic);
  p.DataMatrix().SetVersion(ksDMAutomatic);
  p.QRCode().SetEccLevel(QrEccLevelM);
  p.QRCode().SetMode(QrAutomatic);
  p.QRCode().SetMicroQR(false);
  p.QRCode().SetVersion(0);
  p.QRCode().SetMask(0);
}

// A memo's lines as a caption takes them: a final line break adds no empty line.
std::vector<std::u16string> MemoLines(const QPlainTextEdit* memo) {
  std::vector<std::u16string> lines;
  const QString text = memo->toPlainText();
  if (text.isEmpty()) return lines;
  QStringList parts = text.split(QLatin1Char('\n'));
  if (text.endsWith(QLatin1Char('\n'))) parts.removeLast();
  for (const QString& part : parts) lines.push_back(part.toStdU16String());
  return lines;
}

QHBoxLayout* LabelledRow(const QString& label, QWidget* control, QWidget* parent) {
  auto* row = new QHBoxLayout;
  row->setSpacing(4);
  row->addWidget(new QLabel(label, parent), 1);
  control->setFixedWidth(110);
  row->addWidget(control);
  return row;
}

QVBoxLayout* ContentLayout(QWidget* content) {
  auto* layout = new QVBoxLayout(content);
  layout->setContentsMargins(6, 3, 6, 3);
  layout->setSpacing(2);
  return layout;
}

void ShowFailure(QWidget* parent, const char* message) {
  QMessageBox box(QMessageBox::Critical, QString::fromLatin1(kProgramName), QString::fromUtf8(message),
                  QMessageBox::Ok, parent);
  box.exec();
}

QString JoinLines(const std::vector<std::u16string>& lines) {
  QStringList parts;
  for (const auto& line : lines) parts << QString::fromStdU16String(line);
  return parts.join(QLatin1Char('\n'));
}

// Where the raster image writers paint a barcode into a picture of w x h: one pixel short
// of the right and the bottom edge, which keep the picture's white.
TRect SavedPictureRect(int w, int h) { return {0, 0, w - 1, h - 1}; }

// The preview shows the picture a save writes at the slider size: white, with the barcode
// painted into the rectangle the image writers use. So the saved PNG of W x H pixels is
// the preview of W x H pixels.
class SavedPicturePreview : public TksBarcode {
 public:
  using TksBarcode::TksBarcode;
  void Paint(QPainter& painter) override {
    painter.fillRect(rect(), Qt::white);
    PaintInto(painter, SavedPictureRect(width(), height()));
  }
};

// The shortcuts a text field would take for itself (Ctrl+E moves to the end of the line
// on X11) but that the window's actions own.
bool IsWindowShortcut(const QKeyEvent* key, std::initializer_list<const QAction*> actions) {
  const QKeySequence pressed(key->keyCombination());
  for (const QAction* a : actions)
    if (a && a->shortcut() == pressed) return true;
  return false;
}

}  // namespace

template <class F>
void Tfrm_main::Guard(F&& handler) {
  try {
    handler();
  } catch (const EAbort&) {
  } catch (const std::exception& e) {
    ShowFailure(this, e.what());
  }
}

Tfrm_main::Tfrm_main(QWidget* parent) : QWidget(parent), TksComponent(nullptr) {
  SetName("frm_main");
  BuildLayout();
  InitBarcodes();
  InitComponents();
  ConnectHandlers();
  SetTabOrder();
  FormCreate();
}

Tfrm_main::~Tfrm_main() = default;

void Tfrm_main::BuildLayout() {
  setObjectName(QStringLiteral("frm_main"));
  setWindowTitle(U("tavrix - Barvello Free"));
  setWindowIcon(LogoIcon());
  QFont windowFont(QStringLiteral("Tahoma"));
  windowFont.setPointSize(8);
  setFont(windowFont);
  resize(782, 566);
  if (QScreen* screen = QGuiApplication::primaryScreen())
    move(screen->availableGeometry().center() - QPoint(width() / 2, height() / 2));

  auto* root = new QHBoxLayout(this);
  root->setContentsMargins(0, 0, 0, 0);
  root->setSpacing(0);

  // ---- left column: four sections ----
  auto* left = new QWidget(this);
  left->setObjectName(QStringLiteral("left_column"));
  left->setFixedWidth(289);
  auto* leftLayout = new QVBoxLayout(left);
  leftLayout->setContentsMargins(0, 0, 0, 0);
  leftLayout->setSpacing(0);

  sec_font = new TksCollapsibleSection(U("Písmo kódu"), 160, true, left);
  sec_font->setObjectName(QStringLiteral("sec_font"));
  {
    QWidget* c = sec_font->Content();
    auto* v = ContentLayout(c);
    cb_font_color = new TksColorPicker(c);
    cb_font_color->setObjectName(QStringLiteral("cb_font_color"));
    v->addLayout(LabelledRow(U("Vyberte barvu písma"), cb_font_color, c));
    auto* group = new QGroupBox(U("Vyberte styl písma"), c);
    group->setFlat(true);
    // Four boxes side by side in the column's width: a narrower gap after each box.
    group->setStyleSheet(QStringLiteral("QCheckBox { spacing: 3px; }"));
    auto* styles = new QHBoxLayout(group);
    styles->setContentsMargins(0, 2, 0, 2);
    styles->setSpacing(2);
    cb_bold = new QCheckBox(U("tučné"), group);
    cb_italic = new QCheckBox(U("italic"), group);
    cb_underline = new QCheckBox(U("podtržené"), group);
    cb_strike = new QCheckBox(U("přeškrtnuté"), group);
    cb_bold->setObjectName(QStringLiteral("cb_bold"));
    cb_italic->setObjectName(QStringLiteral("cb_italic"));
    cb_underline->setObjectName(QStringLiteral("cb_underline"));
    cb_strike->setObjectName(QStringLiteral("cb_strike"));
    for (QCheckBox* b : {cb_bold, cb_italic, cb_underline, cb_strike}) styles->addWidget(b);
    v->addWidget(group);
    v->addWidget(new QLabel(U("Vyberte název písma"), c));
    cb_font_name = new QComboBox(c);
    cb_font_name->setObjectName(QStringLiteral("cb_font_name"));
    cb_font_name->setEditable(true);
    cb_font_name->setInsertPolicy(QComboBox::NoInsert);
    v->addWidget(cb_font_name);
    v->addStretch(1);
  }
  leftLayout->addWidget(sec_font);

  sec_colors = new TksCollapsibleSection(U("Barva kódu"), 150, true, left);
  sec_colors->setObjectName(QStringLiteral("sec_colors"));
  {
    QWidget* c = sec_colors->Content();
    auto* v = ContentLayout(c);
    cb_color_shape = new TksColorPicker(c);
    cb_color_shape->setObjectName(QStringLiteral("cb_color_shape"));
    v->addLayout(LabelledRow(U("Vyberte barvu pozadí"), cb_color_shape, c));
    cb_color_code = new TksColorPicker(c);
    cb_color_code->setObjectName(QStringLiteral("cb_color_code"));
    v->addLayout(LabelledRow(U("Vyberte barvu kódu"), cb_color_code, c));
    cb_transparent = new QCheckBox(U("průhledné pozadí"), c);
    cb_transparent->setObjectName(QStringLiteral("cb_transparent"));
    v->addWidget(cb_transparent);
    v->addStretch(1);
  }
  leftLayout->addWidget(sec_colors);

  sec_size = new TksCollapsibleSection(U("Velikost kódu"), 150, true, left);
  sec_size->setObjectName(QStringLiteral("sec_size"));
  {
    QWidget* c = sec_size->Content();
    auto* v = ContentLayout(c);
    lb_width = new QLabel(U("Šířka 100%"), c);
    lb_width->setObjectName(QStringLiteral("lb_width"));
    lb_width->setAlignment(Qt::AlignCenter);
    tb_width = new QSlider(Qt::Horizontal, c);
    tb_width->setObjectName(QStringLiteral("tb_width"));
    tb_width->setRange(115, 1000);
    tb_width->setValue(115);
    tb_width->setTickPosition(QSlider::NoTicks);
    lb_height = new QLabel(U("Výška 100%"), c);
    lb_height->setObjectName(QStringLiteral("lb_height"));
    tb_height = new QSlider(Qt::Horizontal, c);
    tb_height->setObjectName(QStringLiteral("tb_height"));
    tb_height->setRange(80, 500);
    tb_height->setValue(100);
    tb_height->setTickPosition(QSlider::NoTicks);
    for (QWidget* w : std::initializer_list<QWidget*>{lb_width, tb_width, lb_height, tb_height}) v->addWidget(w);
    v->addStretch(1);
  }
  leftLayout->addWidget(sec_size);

  sec_web = new TksCollapsibleSection(U("Informace na webu"), 100, false, left);
  sec_web->setObjectName(QStringLiteral("sec_web"));
  {
    QWidget* c = sec_web->Content();
    auto* v = ContentLayout(c);
    img = new QLabel(c);
    img->setObjectName(QStringLiteral("img"));
    img->setPixmap(LogoPixmap(64));
    img->setAlignment(Qt::AlignCenter);
    img->setAttribute(Qt::WA_TranslucentBackground);
    img->setToolTip(U("Informace na webu autora"));
    img->setCursor(Qt::PointingHandCursor);
    img->installEventFilter(this);
    v->addWidget(img, 1);
  }
  leftLayout->addWidget(sec_web);
  leftLayout->addStretch(1);
  root->addWidget(left);

  // ---- right column: the code section, the preview and the save button ----
  auto* right = new QWidget(this);
  right->setObjectName(QStringLiteral("right_column"));
  auto* rightLayout = new QVBoxLayout(right);
  rightLayout->setContentsMargins(0, 0, 0, 0);
  rightLayout->setSpacing(0);

  sec_code = new TksCollapsibleSection(U("Kód"), 203, false, right);
  sec_code->setObjectName(QStringLiteral("sec_code"));
  {
    QWidget* c = sec_code->Content();
    auto* grid = new QGridLayout(c);
    grid->setContentsMargins(6, 3, 6, 3);
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(2);
    grid->addWidget(new QLabel(U("Kód"), c), 0, 0);
    grid->addWidget(new QLabel(U("Typ kódu"), c), 0, 1);
    ED_CODE = new QLineEdit(c);
    ED_CODE->setObjectName(QStringLiteral("ED_CODE"));
    grid->addWidget(ED_CODE, 1, 0);
    cb_code = new QComboBox(c);
    cb_code->setObjectName(QStringLiteral("cb_code"));
    cb_code->setEditable(false);
    cb_code->installEventFilter(this);
    grid->addWidget(cb_code, 1, 1);

    auto* checks = new QHBoxLayout;
    cb_start_stop_lines = new QCheckBox(U("start / stop čáry"), c);
    cb_security = new QCheckBox(U("security"), c);
    cb_quit = new QCheckBox(U("ukončující znaky"), c);
    cb_auto_size = new QCheckBox(U("automatická velikost"), c);
    cb_start_stop_lines->setObjectName(QStringLiteral("cb_start_stop_lines"));
    cb_security->setObjectName(QStringLiteral("cb_security"));
    cb_quit->setObjectName(QStringLiteral("cb_quit"));
    cb_auto_size->setObjectName(QStringLiteral("cb_auto_size"));
    for (QCheckBox* b : {cb_start_stop_lines, cb_security, cb_quit, cb_auto_size}) checks->addWidget(b);
    checks->addStretch(1);
    grid->addLayout(checks, 2, 0, 1, 2);

    auto addMemo = [&](const char* label, const char* name, int row) {
      auto* line = new QHBoxLayout;
      auto* caption = new QLabel(U(label), c);
      caption->setFixedWidth(50);
      caption->setAlignment(Qt::AlignLeft | Qt::AlignTop);
      line->addWidget(caption);
      auto* memo = new QPlainTextEdit(c);
      memo->setObjectName(QLatin1String(name));
      memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
      memo->setTabChangesFocus(true);
      memo->document()->setDocumentMargin(2);
      const QFontMetrics fm(memo->font());
      memo->setFixedHeight(3 * fm.lineSpacing() + 2 * memo->frameWidth() + 4 + 2);
      line->addWidget(memo, 1);
      grid->addLayout(line, row, 0, 1, 2);
      return memo;
    };
    mem_nad = addMemo("Text nad", "mem_nad", 3);
    mem_pod = addMemo("Text pod", "mem_pod", 4);
    grid->setRowStretch(5, 1);
  }
  rightLayout->addWidget(sec_code);

  // A preview wider or higher than the area is scrolled; the saved file keeps the slider
  // size either way.
  preview = new QScrollArea(right);
  preview->setObjectName(QStringLiteral("preview"));
  preview->setFrameShape(QFrame::NoFrame);
  preview->setBackgroundRole(QPalette::Window);
  preview->setWidgetResizable(false);
  preview->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  Barcode1 = new SavedPicturePreview(preview, this);
  Barcode1->setObjectName(QStringLiteral("Barcode1"));
  Barcode1->SetName("Barcode1");
  preview->setWidget(Barcode1);
  ksComboBox1 = new TksComboBox(preview, BoxOptionBit(bxOnlySupported));
  ksComboBox1->setObjectName(QStringLiteral("ksComboBox1"));
  ksComboBox1->setVisible(false);
  lb_verify = new QLabel(preview);
  lb_verify->setObjectName(QStringLiteral("lb_verify"));
  previewCheck = new TksPreviewCheck(Barcode1, lb_verify, this);
  rightLayout->addWidget(preview, 1);

  sSpeedButton2 = new QPushButton(U("Uložit"), right);
  sSpeedButton2->setObjectName(QStringLiteral("sSpeedButton2"));
  sSpeedButton2->setFlat(true);
  sSpeedButton2->setFixedHeight(53);
  sSpeedButton2->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
  sSpeedButton2->setIcon(style()->standardIcon(QStyle::SP_DialogSaveButton));
  sSpeedButton2->setEnabled(false);
  rightLayout->addWidget(sSpeedButton2);
  root->addWidget(right, 1);
  BuildActions();
}

void Tfrm_main::BuildActions() {
  auto action = [this](const char* name, const char* text, const QKeySequence& keys) {
    auto* a = new QAction(U(text), this);
    a->setObjectName(QLatin1String(name));
    a->setShortcut(keys);
    a->setShortcutContext(Qt::WindowShortcut);
    a->setShortcutVisibleInContextMenu(true);
    addAction(a);
    return a;
  };
  actEditCode = action("actEditCode", "Upravit kód…", QKeySequence(Qt::CTRL | Qt::Key_E));
  actPrintLabels = action("actPrintLabels", "Tisk štítků…", QKeySequence(Qt::CTRL | Qt::Key_P));
  actCopy = action("actCopy", "Kopírovat", QKeySequence::Copy);
  // Right-click on the preview or the area around it offers them.
  for (QWidget* w : {static_cast<QWidget*>(Barcode1), preview->viewport()}) {
    w->setContextMenuPolicy(Qt::ActionsContextMenu);
    w->addActions({actEditCode, actPrintLabels, actCopy});
  }
  // The save button names the keys beside its own.
  sSpeedButton2->setToolTip(U("Uložit (Ctrl+S)\nUpravit kód… (Ctrl+E)\nTisk štítků… (Ctrl+P)\n"
                              "Kopírovat (Ctrl+C)\nDalší volby nabízí pravé tlačítko myši na náhledu."));
  // Text fields would keep these keys for themselves.
  for (QWidget* w : std::initializer_list<QWidget*>{ED_CODE, mem_nad, mem_pod, cb_font_name, cb_code})
    w->installEventFilter(this);
  if (cb_font_name->lineEdit()) cb_font_name->lineEdit()->installEventFilter(this);
}

void Tfrm_main::InitBarcodes() {
  // The preview.
  TksFont controlFont;
  controlFont.SetName("Algerian");
  controlFont.SetSize(12);
  Barcode1->SetFont(controlFont);
  // Options first: the preview keeps no automatic hint from its initial text.
  Barcode1->SetOptions(0);
  Barcode1->SetBarcodeSymbology(bc25Datalogic);
  Barcode1->SetBarCode(u"123456");
  Barcode1->SetBackgroundColor(clWhite);
  Barcode1->SetLinesColor(clBlue);
  Barcode1->ErrorInfo().SetMode(emDrawErrorString);
  InitCaption(Barcode1->CaptionUpper());
  InitCaption(Barcode1->CaptionBottom());
  TksBarcodeCaption& human = Barcode1->CaptionHuman();
  InitCaption(human);
  // SimHei in its vertical-writing form; a missing face falls back through fontconfig.
  human.Font().SetName("@SimHei");
  human.Font().SetSize(12);
  human.Font().SetColor(clRed);
  InitParams(Barcode1->Params());
  Barcode1->setGeometry(0, 0, 251, 178);

  // The exported object.
  TksBarcodeComponent& exported = ksBarcodeComponent1;
  exported.SetName("ksBarcodeComponent1");
  exported.SetBarcodeSymbology(bcEan13);
  exported.SetBarCode(u"9771210107001");
  exported.SetBackgroundColor(clWhite);
  exported.SetLinesColor(clBlack);
  exported.SetOptions(0);
  exported.ErrorInfo().SetMode(emDrawErrorString);
  InitCaption(exported.CaptionUpper());
  InitCaption(exported.CaptionBottom());
  InitCaption(exported.CaptionHuman());
  exported.CaptionHuman().Font().SetColor(kWindowTextColor);
  exported.CaptionHuman().SetAutoSize(true);
  InitParams(exported.Params());
}

void Tfrm_main::InitComponents() {
  EI.SetName("EI");
  EI.SetBarcode(&ksBarcodeComponent1);
  EI.SetWidth(140);
  EI.SetHeight(30);
  EI.SetSaveFilter(kImageTypes);
  EI.SetFileTypes(kImageTypes);

  sd.Title = U("Uložit Barcode jako ...");
  sd.Filter = U("BMP|*.bmp|WMF|*.wmf|EMF|*.emf|JPEG|*.jpg|GIF|*.gif|PNG|*.png");
  sd.FilterIndex = 6;
  sd.DefaultExt = QStringLiteral("png");

  ksPrinter1.SetName("ksPrinter1");
  ksPrinter1.SetBarcodeObject(&ksBarcodeComponent1);
  ksPrinter1.PaperParams().SetStyle(ksSheetSymbologies);
  ksPrinter1.PaperParams().SetDocumentTitle("tavrix  Barvello");
}

void Tfrm_main::ConnectHandlers() {
  auto guarded = [this](void (Tfrm_main::*handler)()) {
    return [this, handler] { Guard([this, handler] { (this->*handler)(); }); };
  };
  connect(ED_CODE, &QLineEdit::textChanged, this, guarded(&Tfrm_main::ED_CODEChange));
  connect(cb_code, &QComboBox::currentIndexChanged, this, guarded(&Tfrm_main::cb_codeChange));
  for (QCheckBox* b : {cb_start_stop_lines, cb_security, cb_auto_size})
    connect(b, &QCheckBox::clicked, this, guarded(&Tfrm_main::OptionsClick));
  connect(cb_transparent, &QCheckBox::clicked, this, guarded(&Tfrm_main::cb_transparentClick));
  connect(cb_quit, &QCheckBox::clicked, this, guarded(&Tfrm_main::cb_quitClick));
  connect(mem_nad, &QPlainTextEdit::textChanged, this, guarded(&Tfrm_main::mem_nadChange));
  connect(mem_pod, &QPlainTextEdit::textChanged, this, guarded(&Tfrm_main::mem_nadChange));
  for (QCheckBox* b : {cb_bold, cb_italic, cb_underline, cb_strike})
    connect(b, &QCheckBox::clicked, this, guarded(&Tfrm_main::FontStyleClick));
  connect(cb_font_color, &TksColorPicker::changed, this, guarded(&Tfrm_main::cb_font_colorChange));
  connect(cb_font_name, &QComboBox::currentTextChanged, this, guarded(&Tfrm_main::cb_font_nameChange));
  connect(cb_color_shape, &TksColorPicker::changed, this, guarded(&Tfrm_main::cb_color_shapeChange));
  connect(cb_color_code, &TksColorPicker::changed, this, guarded(&Tfrm_main::cb_color_codeChange));
  connect(tb_width, &QSlider::valueChanged, this, guarded(&Tfrm_main::tb_widthChange));
  connect(tb_height, &QSlider::valueChanged, this, guarded(&Tfrm_main::tb_heightChange));
  connect(sSpeedButton2, &QPushButton::clicked, this, guarded(&Tfrm_main::sSpeedButton2Click));

  auto* save = new QShortcut(QKeySequence::Save, this);
  connect(save, &QShortcut::activated, this, [this] {
    if (sSpeedButton2->isEnabled()) sSpeedButton2->click();
  });
  connect(actCopy, &QAction::triggered, this, guarded(&Tfrm_main::CopyPreview));
  connect(actEditCode, &QAction::triggered, this, guarded(&Tfrm_main::EditCodeClick));
  connect(actPrintLabels, &QAction::triggered, this, guarded(&Tfrm_main::PrintLabelsClick));
  // A double-click on the preview (with boEnableEditor) opens the same editor, so its
  // changes too reach the exported object and the controls.
  Barcode1->OnDblClick = [this](TksComponent*) {
    if (Barcode1->BarcodeComponent()->HasOption(boEnableEditor)) actEditCode->trigger();
  };
}

void Tfrm_main::SetTabOrder() {
  const QWidget* order[] = {cb_font_color, cb_bold,   cb_italic,      cb_underline,        cb_strike,
                            cb_font_name,  cb_color_shape, cb_color_code, cb_transparent, tb_width,
                            tb_height,     ED_CODE,   cb_code,        cb_start_stop_lines, cb_security,
                            cb_quit,       cb_auto_size, mem_nad,     mem_pod,             sSpeedButton2};
  for (size_t i = 0; i + 1 < std::size(order); ++i)
    setTabOrder(const_cast<QWidget*>(order[i]), const_cast<QWidget*>(order[i + 1]));
  // The code is what people type first.
  ED_CODE->setFocus();
}

// ---- handlers -----------------------------------------------------------------------

void Tfrm_main::FormCreate() {
  const QSignalBlocker blockFonts(cb_font_name);
  cb_font_name->clear();
  cb_font_name->addItems(QFontDatabase::families());
  cb_font_name->setCurrentIndex(-1);

  const QSignalBlocker blockCodes(cb_code);
  cb_code->clear();
  for (int i = 0; i < ksComboBox1->count(); ++i) cb_code->addItem(ksComboBox1->itemText(i), ksComboBox1->itemData(i));
  cb_code->setCurrentIndex(-1);
}

void Tfrm_main::FormShow() {
  // The controls show the preview's settings, and both objects take them.
  {
    const QSignalBlocker block(cb_font_name);
    const QString name = QString::fromStdString(Barcode1->CaptionHuman().Font().Name());
    cb_font_name->setCurrentIndex(cb_font_name->findText(name, Qt::MatchExactly | Qt::MatchCaseSensitive));
  }
  cb_font_color->SetColor(Barcode1->CaptionHuman().Font().Color());
  cb_color_code->SetColor(Barcode1->LinesColor());
  cb_color_shape->SetColor(Barcode1->BackgroundColor());
  tb_width->setValue(Barcode1->width());
  tb_height->setValue(Barcode1->height());
  cb_font_colorChange();
  cb_font_nameChange();
  cb_color_codeChange();
  cb_color_shapeChange();
  // The exported object takes the preview's human-readable line whole (face, size,
  // colour, automatic size), so that a saved file shows its digits as the preview does.
  ksBarcodeComponent1.SetCaptionHuman(Barcode1->CaptionHuman());
}

void Tfrm_main::ED_CODEChange() {
  const std::u16string text = ED_CODE->text().toStdU16String();
  Barcode1->SetBarCode(text);
  ksBarcodeComponent1.SetBarCode(text);
}

void Tfrm_main::cb_codeChange() {
  ksComboBox1->setCurrentIndex(cb_code->currentIndex());
  try {
    const TksBarcodeSymbology symbology = ksComboBox1->SelectedSymbology();
    Barcode1->SetBarcodeSymbology(symbology);
    ksBarcodeComponent1.SetBarcodeSymbology(symbology);
    ED_CODEChange();
  } catch (...) {
    // A symbology that cannot be applied leaves the button and the hint as they were.
    return;
  }
  sSpeedButton2->setEnabled(!cb_code->currentText().isEmpty());
  cb_code->setToolTip(U("Povolené znaky: ") + QChar(13) + QString::fromStdU16String(Barcode1->BI().Chars));
}

void Tfrm_main::OptionsClick() {
  TksBarcodeOptions options = 0;
  if (cb_transparent->isChecked()) options |= OptionBit(boTransparent);
  if (cb_security->isChecked()) options |= OptionBit(boSecurity);
  if (cb_start_stop_lines->isChecked()) options |= OptionBit(boStartStopLines);
  if (cb_auto_size->isChecked()) options |= OptionBit(boAutoSize);
  Barcode1->SetOptions(options);
  ksBarcodeComponent1.SetOptions(options);
}

void Tfrm_main::cb_transparentClick() {
  cb_color_shape->setEnabled(!cb_transparent->isChecked());
  OptionsClick();
}

void Tfrm_main::cb_quitClick() {
  const bool visible = cb_quit->isChecked();
  Barcode1->QuietZone().SetVisible(visible);
  ksBarcodeComponent1.QuietZone().SetVisible(visible);
}

void Tfrm_main::mem_nadChange() {
  const std::vector<std::u16string> upper = MemoLines(mem_nad);
  const std::vector<std::u16string> bottom = MemoLines(mem_pod);
  Barcode1->CaptionUpper().SetText(upper);
  Barcode1->CaptionBottom().SetText(bottom);
  ksBarcodeComponent1.CaptionUpper().SetText(upper);
  ksBarcodeComponent1.CaptionBottom().SetText(bottom);
}

void Tfrm_main::FontStyleClick() {
  TFontStyles style = 0;
  if (cb_bold->isChecked()) style |= 1u << fsBold;
  if (cb_italic->isChecked()) style |= 1u << fsItalic;
  if (cb_underline->isChecked()) style |= 1u << fsUnderline;
  if (cb_strike->isChecked()) style |= 1u << fsStrikeOut;
  Barcode1->CaptionHuman().Font().SetStyle(style);
  ksBarcodeComponent1.CaptionHuman().Font().SetStyle(style);
}

void Tfrm_main::cb_font_colorChange() {
  const TColor color = cb_font_color->Color();
  Barcode1->CaptionHuman().Font().SetColor(color);
  ksBarcodeComponent1.CaptionHuman().Font().SetColor(color);
}

void Tfrm_main::cb_font_nameChange() {
  const std::string name = cb_font_name->currentText().toStdString();
  if (name.empty()) return;
  Barcode1->CaptionHuman().Font().SetName(name);
  ksBarcodeComponent1.CaptionHuman().Font().SetName(name);
}

void Tfrm_main::cb_color_shapeChange() {
  const TColor color = cb_color_shape->Color();
  Barcode1->SetBackgroundColor(color);
  ksBarcodeComponent1.SetBackgroundColor(color);
}

void Tfrm_main::cb_color_codeChange() {
  const TColor color = cb_color_code->Color();
  Barcode1->SetLinesColor(color);
  ksBarcodeComponent1.SetLinesColor(color);
}

void Tfrm_main::tb_widthChange() {
  const int position = tb_width->value();
  lb_width->setText(U("Šířka ") + QString::number(position) + QStringLiteral("px"));
  Barcode1->resize(position, Barcode1->height());
  EI.SetWidth(position);
}

void Tfrm_main::tb_heightChange() {
  const int position = tb_height->value();
  lb_height->setText(U("Výška ") + QString::number(position) + QStringLiteral("px"));
  Barcode1->resize(Barcode1->width(), position);
  EI.SetHeight(position);
}

void Tfrm_main::sSpeedButton2Click() {
  if (!sd.Execute(this)) return;
  QString name = sd.FileName;
  // A name typed without an extension takes the one of the file type chosen in the
  // dialog; a file of that name is not replaced without asking.
  if (!QFileInfo(name).fileName().contains(QLatin1Char('.')) && !sd.SelectedExtension().isEmpty()) {
    name += sd.SelectedExtension();
    if (QFileInfo::exists(name) &&
        QMessageBox::question(this, sd.Title, U("Soubor „%1“ již existuje. Chcete jej nahradit?").arg(QFileInfo(name).fileName()),
                              QMessageBox::Yes | QMessageBox::No, QMessageBox::No) != QMessageBox::Yes)
      return;
  }
  EI.SetFileName(name.toStdString());
  // The type follows the extension, whatever its case.
  const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
  const QString extension = dot >= 0 ? name.mid(dot) : QString();
  const ImageWriter* chosen = nullptr;
  for (const ImageWriter& writer : kImageWriters)
    if (extension.compare(QLatin1String(writer.extension), Qt::CaseInsensitive) == 0) chosen = &writer;
  if (!chosen) {
    // Nothing is written; the user learns why.
    QStringList known;
    for (const ImageWriter& writer : kImageWriters) known << QLatin1String(writer.extension);
    QMessageBox::warning(this, sd.Title,
                         U("Soubor „%1“ nebyl uložen: příponu „%2“ program neumí zapsat.\n"
                           "Zvolte jednu z přípon %3.")
                             .arg(QFileInfo(name).fileName(), extension, known.join(QStringLiteral(", "))));
    return;
  }
  // A picture of the error message instead of the symbol is written only on purpose.
  const QString error = ExportError();
  if (!error.isEmpty() &&
      QMessageBox::question(this, sd.Title,
                            U("Kód nelze nakreslit: %1\nUložit přesto obrázek s chybovým hlášením?").arg(error),
                            QMessageBox::Yes | QMessageBox::No, QMessageBox::No) != QMessageBox::Yes)
    return;
  (EI.*chosen->write)();
}

QString Tfrm_main::ExportError() {
  const int w = std::max(1, EI.Width()), h = std::max(1, EI.Height());
  QImage scratch(w, h, QImage::Format_RGB32);
  QPainter painter(&scratch);
  QtCanvas canvas(&painter);
  TksBarcodeComponent& bc = ksBarcodeComponent1;
  bc.ErrorInfo().Init();
  try {
    PaintSymbol(bc, canvas, SavedPictureRect(w, h));
  } catch (const ksBarcodeException& e) {
    // A raise with a message of its own leaves the code at erOK and shows that message.
    const bool own = bc.ErrorInfo().Code() == erOK && e.what()[0] != '\0';
    return QString::fromStdString(own ? std::string(e.what()) : bc.ErrorInfo().ExceptionString());
  }
  return {};
}

void Tfrm_main::EditCodeClick() {
  TksBarcodeEditorFmt editor(this);
  editor.Edit(Barcode1->BarcodeComponent());
  connect(&editor, &TksBarcodeEditorFmt::applied, this, [this] { Guard([this] { PreviewBarcodeEdited(); }); });
  if (editor.exec() != QDialog::Accepted) return;
  Barcode1->BarcodeComponent()->Assign(editor.Working());
  PreviewBarcodeEdited();
}

void Tfrm_main::PrintLabelsClick() {
  TksPrintParamsFmt dialog(ksPrinter1, true, this);
  dialog.Run();
}

void Tfrm_main::PreviewBarcodeEdited() {
  ksBarcodeComponent1.Assign(*Barcode1->BarcodeComponent());
  ShowBarcodeSettings();
}

void Tfrm_main::ShowBarcodeSettings() {
  const TksBarcodeComponent& b = *Barcode1->BarcodeComponent();
  const QSignalBlocker blockCode(ED_CODE), blockCodes(cb_code), blockChooser(ksComboBox1), blockFonts(cb_font_name),
      blockUpper(mem_nad), blockBottom(mem_pod);
  if (ED_CODE->text() != QString::fromStdU16String(b.BarCode())) ED_CODE->setText(QString::fromStdU16String(b.BarCode()));
  const int index = cb_code->findData(static_cast<int>(b.BarcodeSymbology()));
  cb_code->setCurrentIndex(index);
  ksComboBox1->setCurrentIndex(index);
  if (index >= 0) {
    sSpeedButton2->setEnabled(true);
    cb_code->setToolTip(U("Povolené znaky: ") + QChar(13) + QString::fromStdU16String(Barcode1->BI().Chars));
  }
  cb_transparent->setChecked(b.HasOption(boTransparent));
  cb_color_shape->setEnabled(!cb_transparent->isChecked());
  cb_security->setChecked(b.HasOption(boSecurity));
  cb_start_stop_lines->setChecked(b.HasOption(boStartStopLines));
  cb_auto_size->setChecked(b.HasOption(boAutoSize));
  cb_quit->setChecked(b.QuietZone().Visible());
  const TksFont& font = b.CaptionHuman().Font();
  cb_bold->setChecked(font.HasStyle(fsBold));
  cb_italic->setChecked(font.HasStyle(fsItalic));
  cb_underline->setChecked(font.HasStyle(fsUnderline));
  cb_strike->setChecked(font.HasStyle(fsStrikeOut));
  cb_font_color->SetColor(font.Color());
  cb_color_code->SetColor(b.LinesColor());
  cb_color_shape->SetColor(b.BackgroundColor());
  const QString name = QString::fromStdString(font.Name());
  const int fontIndex = cb_font_name->findText(name, Qt::MatchExactly | Qt::MatchCaseSensitive);
  cb_font_name->setCurrentIndex(fontIndex);
  const QString upper = JoinLines(b.CaptionUpper().Text()), bottom = JoinLines(b.CaptionBottom().Text());
  if (mem_nad->toPlainText() != upper) mem_nad->setPlainText(upper);
  if (mem_pod->toPlainText() != bottom) mem_pod->setPlainText(bottom);
}

void Tfrm_main::imgClick() { QDesktopServices::openUrl(QUrl(QString::fromLatin1(kWebAddress))); }

void Tfrm_main::CopyPreview() { Barcode1->CopyToClipboard(); }

// ---- events -------------------------------------------------------------------------

void Tfrm_main::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (!event->spontaneous()) Guard([this] { FormShow(); });
}

bool Tfrm_main::eventFilter(QObject* watched, QEvent* event) {
  // Ctrl+E and Ctrl+P open the dialogs from a text field too.
  if (event->type() == QEvent::ShortcutOverride &&
      IsWindowShortcut(static_cast<QKeyEvent*>(event), {actEditCode, actPrintLabels})) {
    event->ignore();
    return true;
  }
  if (watched == img && event->type() == QEvent::MouseButtonRelease) {
    auto* mouse = static_cast<QMouseEvent*>(event);
    if (mouse->button() == Qt::LeftButton && img->rect().contains(mouse->position().toPoint())) {
      imgClick();
      return true;
    }
  }
  // The symbology list opens as soon as the user types into it; the typed letters then
  // search the open list.
  if (watched == cb_code && event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    const QString text = key->text();
    const bool printable = !text.isEmpty() && text.at(0).isPrint() && !text.at(0).isSpace() &&
                           !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
    if (printable && cb_code->view() && !cb_code->view()->isVisible()) {
      cb_code->showPopup();
      cb_code->view()->keyboardSearch(text);
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace ks
