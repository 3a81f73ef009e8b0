#include "output/printer_dialog.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QFormLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QSpinBox>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>

#include "engine/symbology.h"
#include "engine/ustring.h"
#include "render/qt/qt_canvas.h"

namespace ks {

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

TColor FromQColor(const QColor& c) { return RGB(c.red(), c.green(), c.blue()); }

}  // namespace

// ---- the preview view -------------------------------------------------------------

TksPrintPreviewView::TksPrintPreviewView(TksPrinter& printer, QWidget* parent) : QWidget(parent), printer_(printer) {
  setMinimumSize(160, 200);
}

void TksPrintPreviewView::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), palette().window());
  QtCanvas canvas(&p);
  try {
    printer_.Preview(canvas, {0, 0, width(), height()});
  } catch (const std::exception&) {
    // A barcode whose error mode raises shows what was drawn up to the failure.
  }
}

// ---- the dialog -------------------------------------------------------------------

TksPrintParamsFmt::TksPrintParamsFmt(TksPrinter& printer, bool showPreview, QWidget* parent)
    : QDialog(parent, Qt::Tool), printer_(printer) {
  setObjectName("ksPrintParamsFmt");
  setWindowTitle(QStringLiteral("Barcode print parameters"));
  setSizeGripEnabled(true);
  resize(660, 543);

  // Left side: the pages of settings.
  pages_ = new QTabWidget;
  pages_->setObjectName("pc_params");
  auto* params = new QWidget;
  params->setObjectName("ts_parameters");
  auto* form = new QFormLayout(params);
  predefined_ = new QComboBox;
  predefined_->setObjectName("cb_predefined");
  form->addRow(QStringLiteral("Predefined"), predefined_);
  units_ = new QComboBox;
  units_->setObjectName("cb_units");
  units_->addItems({QStringLiteral("Milimetres"), QStringLiteral("Inches")});
  form->addRow(QStringLiteral("Units"), units_);
  labelWidth_ = AddEdit(form, "Label width", "ed_labelWidth");
  labelHeight_ = AddEdit(form, "Label height", "ed_labelHeight");
  marginLeft_ = AddEdit(form, "Margin left", "ed_marginLeft");
  marginTop_ = AddEdit(form, "Margin top", "ed_marginTop");
  marginRight_ = AddEdit(form, "Margin rigth", "ed_marginRight");
  marginBottom_ = AddEdit(form, "Margin bottom", "ed_marginBottom");
  spaceX_ = AddEdit(form, "Space horizontal", "ed_spaceX");
  spaceY_ = AddEdit(form, "Space vertical", "ed_spaceY");
  style_ = new QComboBox;
  style_->setObjectName("cb_style");
  style_->addItems({QStringLiteral("Simple label"), QStringLiteral("Sheet of labels"), QStringLiteral("Iincremental"),
                    QStringLiteral("Symbologies list"), QStringLiteral("Table data"),
                    QStringLiteral("Only selected rows")});
  form->addRow(QStringLiteral("Style"), style_);
  count_ = AddEdit(form, "Count", "ed_count");
  startFrom_ = AddEdit(form, "Start from", "ed_startFrom");
  title_ = AddEdit(form, "Title", "ed_title");
  pages_->addTab(params, QStringLiteral("Parameters"));

  previewPage_ = new QWidget;
  previewPage_->setObjectName("ts_previewParams");
  auto* pform = new QFormLayout(previewPage_);
  labelColor_ = AddColorButton(pform, "Label", "cl_label");
  pageColor_ = AddColorButton(pform, "Page", "cl_page");
  shadowColor_ = AddColorButton(pform, "Shadow", "cl_shadow");
  live_ = new QCheckBox(QStringLiteral("Live preview"));
  live_->setObjectName("ck_live");
  pform->addRow(live_);
  pages_->addTab(previewPage_, QStringLiteral("Preview params"));
  pages_->setTabVisible(1, printer_.PreviewParams().VisiblePage());

  // Right side: the preview with a tab per page.
  previewPanel_ = new QWidget;
  previewPanel_->setObjectName("pn_preview");
  auto* right = new QVBoxLayout(previewPanel_);
  pageTabs_ = new QTabBar;
  pageTabs_->setObjectName("tb_pages");
  right->addWidget(pageTabs_);
  view_ = new TksPrintPreviewView(printer_);
  view_->setObjectName("pb_preview");
  right->addWidget(view_, 1);
  paperFormat_ = new QLabel;
  paperFormat_->setObjectName("lb_paperFormat");
  printerName_ = new QLabel;
  printerName_->setObjectName("lb_printerName");
  documentTitle_ = new QLabel;
  documentTitle_->setObjectName("lb_documentTitle");
  right->addWidget(paperFormat_);
  right->addWidget(printerName_);
  right->addWidget(documentTitle_);
  previewPanel_->setVisible(showPreview);

  auto* top = new QHBoxLayout;
  top->addWidget(pages_);
  top->addWidget(previewPanel_, 1);

  // Bottom: page chooser, counts and buttons.
  auto* bottom = new QHBoxLayout;
  bottom->addWidget(new QLabel(QStringLiteral("Pages :")));
  pageSpin_ = new QSpinBox;
  pageSpin_->setObjectName("se_pages");
  bottom->addWidget(pageSpin_);
  pagesOf_ = new QLabel;
  pagesOf_->setObjectName("lb_pagesOf");
  bottom->addWidget(pagesOf_);
  bottom->addWidget(new QLabel(QStringLiteral("Labels per page")));
  labelsPerPage_ = new QLabel;
  labelsPerPage_->setObjectName("lb_labelsPerPage");
  bottom->addWidget(labelsPerPage_);
  bottom->addStretch(1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  auto button = [&](const QString& text, const char* name) {
    auto* b = new QPushButton(text);
    b->setObjectName(name);
    b->setAutoDefault(false);
    buttons->addWidget(b);
    return b;
  };
  QPushButton* ok = button(QStringLiteral("OK"), "bt_ok");
  ok->setDefault(true);
  QPushButton* cancel = button(QStringLiteral("Cancel"), "bt_cancel");
  QPushButton* help = button(QStringLiteral("Help"), "bt_help");
  QPushButton* page = button(QStringLiteral("Pa&ge"), "bt_page");
  QPushButton* setup = button(QStringLiteral("&Setup"), "bt_setup");
  QPushButton* print = button(QStringLiteral("&Print"), "bt_print");

  auto* main = new QVBoxLayout(this);
  main->addLayout(top, 1);
  main->addLayout(bottom);
  main->addLayout(buttons);

  // Leaving an edit applies everything; the unit converts.
  for (QLineEdit* e : {labelWidth_, labelHeight_, marginLeft_, marginTop_, marginRight_, marginBottom_, spaceX_,
                       spaceY_, count_, startFrom_, title_})
    connect(e, &QLineEdit::editingFinished, this, [this] { ApplyWithMessage(); });
  connect(units_, &QComboBox::currentIndexChanged, this, [this](int i) { UnitsChosen(i); });
  connect(style_, &QComboBox::currentIndexChanged, this, [this](int i) { StyleChosen(i); });
  connect(predefined_, &QComboBox::currentIndexChanged, this, [this](int i) { SheetChosen(i); });
  connect(live_, &QCheckBox::toggled, this, [this] {
    if (!loading_) ApplyWithMessage();
  });
  for (QPushButton* b : {labelColor_, pageColor_, shadowColor_})
    connect(b, &QPushButton::clicked, this, [this, b] { ChooseColor(b); });
  connect(pageTabs_, &QTabBar::currentChanged, this, [this](int i) { PageChosen(i + 1); });
  connect(pageSpin_, &QSpinBox::valueChanged, this, [this](int v) { PageChosen(v); });
  connect(ok, &QPushButton::clicked, this, [this] {
    if (ApplyWithMessage()) accept();
  });
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  connect(help, &QPushButton::clicked, this, [this] {
    if (printer_.OnHelp) printer_.OnHelp(printer_.HelpType(), printer_.HelpContext(), printer_.HelpKeyword());
  });
  connect(page, &QPushButton::clicked, this, [this] {
    if (printer_.PageSetup()) LoadControls();
  });
  connect(setup, &QPushButton::clicked, this, [this] {
    if (printer_.PrinterSetup()) LoadControls();
  });
  connect(print, &QPushButton::clicked, this, [this] { PrintClicked(); });

  printer_.SetHelpProp(this);
  printer_.SetViewControl(view_);
  if (QScreen* screen = QGuiApplication::primaryScreen())
    move(screen->availableGeometry().center() - QPoint(width() / 2, height() / 2));
}

TksPrintParamsFmt::~TksPrintParamsFmt() { printer_.SetViewControl(nullptr); }

QLineEdit* TksPrintParamsFmt::AddEdit(QFormLayout* form, const char* caption, const char* name) {
  auto* e = new QLineEdit;
  e->setObjectName(name);
  form->addRow(QString::fromUtf8(caption), e);
  return e;
}

QPushButton* TksPrintParamsFmt::AddColorButton(QFormLayout* form, const char* caption, const char* name) {
  auto* b = new QPushButton;
  b->setObjectName(name);
  b->setAutoDefault(false);
  form->addRow(QString::fromUtf8(caption), b);
  return b;
}

void TksPrintParamsFmt::SetButtonColor(QPushButton* b, TColor c) {
  b->setProperty("ksColor", static_cast<uint>(c));
  const QColor q = ToQColor(c);
  b->setText(q.name());
  b->setStyleSheet(QStringLiteral("background-color: %1").arg(q.name()));
}

bool TksPrintParamsFmt::Run() {
  TksPaperParams& pp = printer_.PaperParams();
  pp.BackupParams();
  const int count = printer_.Count(), startFrom = printer_.StartFrom(), pageIndex = printer_.PageIndex();
  TksPrinterPreview look;
  look.Assign(printer_.PreviewParams());
  LoadControls();
  if (exec() == QDialog::Accepted) return true;
  // Cancel leaves every setting the dialog can change as it was.
  pp.RestoreParams();
  printer_.SetCount(count);
  printer_.SetStartFrom(startFrom);
  printer_.SetPageIndex(pageIndex);
  printer_.SetPreviewParams(look);
  return false;
}

void TksPrintParamsFmt::LoadNumbers() {
  const TksPaperParams& pp = printer_.PaperParams();
  auto show = [](QLineEdit* e, double v) { e->setText(Q(FormatFloatLocale("%7.2f", v))); };
  show(labelWidth_, pp.LabelWidth());
  show(labelHeight_, pp.LabelHeight());
  show(marginLeft_, pp.MarginLeft());
  show(marginTop_, pp.MarginTop());
  show(marginRight_, pp.MarginRight());
  show(marginBottom_, pp.MarginBottom());
  show(spaceX_, pp.SpaceX());
  show(spaceY_, pp.SpaceY());
}

void TksPrintParamsFmt::LoadControls() {
  loading_ = true;
  const TksPaperParams& pp = printer_.PaperParams();
  predefined_->clear();
  std::vector<std::pair<std::string, int>> sheets;
  printer_.SheetsFill(sheets);
  for (const auto& [name, index] : sheets) predefined_->addItem(Q(name), index);
  predefined_->setCurrentIndex(-1);
  units_->setCurrentIndex(pp.Units());
  LoadNumbers();
  style_->setCurrentIndex(pp.Style());
  count_->setText(QString::number(printer_.Count()));
  startFrom_->setText(QString::number(printer_.StartFrom()));
  title_->setText(Q(pp.DocumentTitle()));
  const TksPrinterPreview& look = printer_.PreviewParams();
  SetButtonColor(labelColor_, look.LabelColor());
  SetButtonColor(pageColor_, look.PaperColor());
  SetButtonColor(shadowColor_, look.ShadowColor());
  live_->setChecked(look.LivePreview());
  pages_->setTabVisible(pages_->indexOf(previewPage_), look.VisiblePage());
  loading_ = false;
  UpdateInfo();
}

void TksPrintParamsFmt::UpdateInfo() {
  loading_ = true;
  const int pages = printer_.PagesCount();
  while (pageTabs_->count() > pages) pageTabs_->removeTab(pageTabs_->count() - 1);
  while (pageTabs_->count() < pages) pageTabs_->addTab(QString::number(pageTabs_->count() + 1));
  // A tab bar made while hidden measures itself only when asked.
  pageTabs_->setMinimumHeight(pageTabs_->sizeHint().height());
  pageTabs_->setCurrentIndex(std::clamp(printer_.PageIndex(), 1, pages) - 1);
  pageSpin_->setRange(1, pages);
  pageSpin_->setValue(printer_.PageIndex());
  pagesOf_->setText(QString::asprintf(" of %4d", pages));
  labelsPerPage_->setText(QString::number(printer_.PaperParams().LabelsPerPage()));
  paperFormat_->setText(Q(printer_.PaperParams().PaperFormat()));
  printerName_->setText(Q(printer_.PrinterName()));
  documentTitle_->setText(Q(printer_.PaperParams().DocumentTitle()));
  loading_ = false;
  view_->update();
}

bool TksPrintParamsFmt::ApplyControls(std::string* error) {
  TksPaperParams& pp = printer_.PaperParams();
  const QLocale locale;
  struct Field {
    QLineEdit* edit;
    void (TksPaperParams::*set)(double);
  };
  const Field fields[] = {{labelWidth_, &TksPaperParams::SetLabelWidth},   {labelHeight_, &TksPaperParams::SetLabelHeight},
                          {marginLeft_, &TksPaperParams::SetMarginLeft},   {marginTop_, &TksPaperParams::SetMarginTop},
                          {marginRight_, &TksPaperParams::SetMarginRight}, {marginBottom_, &TksPaperParams::SetMarginBottom},
                          {spaceX_, &TksPaperParams::SetSpaceX},           {spaceY_, &TksPaperParams::SetSpaceY}};
  for (const Field& f : fields) {
    bool ok = false;
    const QString text = f.edit->text().trimmed();
    const double v = locale.toDouble(text, &ok);
    if (!ok) {
      if (error) *error = "'" + f.edit->text().toStdString() + "' is not a valid floating point value";
      return false;
    }
    (pp.*f.set)(v);
  }
  if (style_->currentIndex() >= 0) pp.SetStyle(static_cast<TksPrintStyle>(style_->currentIndex()));
  bool ok = false;
  const int count = locale.toInt(count_->text().trimmed(), &ok);
  printer_.SetCount(ok ? count : 1);
  const int startFrom = locale.toInt(startFrom_->text().trimmed(), &ok);
  printer_.SetStartFrom(ok ? startFrom : 0);
  pp.SetDocumentTitle(title_->text().toStdString());
  TksPrinterPreview& look = printer_.PreviewParams();
  look.SetLabelColor(labelColor_->property("ksColor").toUInt());
  look.SetPaperColor(pageColor_->property("ksColor").toUInt());
  look.SetShadowColor(shadowColor_->property("ksColor").toUInt());
  look.SetLivePreview(live_->isChecked());
  if (printer_.PageIndex() > printer_.PagesCount()) printer_.SetPageIndex(1);
  return true;
}

bool TksPrintParamsFmt::ApplyWithMessage() {
  if (loading_ || applying_) return true;
  applying_ = true;
  std::string error;
  const bool ok = ApplyControls(&error);
  applying_ = false;
  UpdateInfo();
  if (!ok) QMessageBox::critical(this, windowTitle(), Q(error));
  return ok;
}

void TksPrintParamsFmt::UnitsChosen(int index) {
  if (loading_ || index < 0) return;
  printer_.PaperParams().ChangeUnits(static_cast<TksUnits>(index));
  loading_ = true;
  LoadNumbers();
  loading_ = false;
  UpdateInfo();
}

void TksPrintParamsFmt::StyleChosen(int index) {
  if (loading_) return;
  if (index == ksSingle) count_->setText(QStringLiteral("1"));
  else if (index == ksSheetSymbologies) count_->setText(QString::number(SymbologyCount(0, true)));
  ApplyWithMessage();
}

void TksPrintParamsFmt::SheetChosen(int index) {
  if (loading_ || index < 0) return;
  printer_.SheetsSelect(predefined_->itemData(index).toInt());
  loading_ = true;
  LoadNumbers();
  loading_ = false;
  UpdateInfo();
}

void TksPrintParamsFmt::PageChosen(int page) {
  if (loading_ || page < 1) return;
  printer_.SetPageIndex(page);
  UpdateInfo();
}

void TksPrintParamsFmt::ChooseColor(QPushButton* b) {
  const QColor c = QColorDialog::getColor(ToQColor(b->property("ksColor").toUInt()), this);
  if (!c.isValid()) return;
  SetButtonColor(b, FromQColor(c));
  ApplyWithMessage();
}

void TksPrintParamsFmt::PrintClicked() {
  if (!ApplyWithMessage()) return;
  try {
    printer_.Print();
  } catch (const EAbort&) {
    // A silent abort ends the print without a message.
  } catch (const std::exception& e) {
    QMessageBox::critical(this, windowTitle(), QString::fromUtf8(e.what()));
  }
  UpdateInfo();
}

}  // namespace ks
