// The barcode editor: loading a barcode into the controls, the working copy in the
// preview, Apply/OK/Cancel, the pages that follow the symbology, the lists, the font
// dialogs, every bound control written back to the edited barcode, and the opening from
// the main window's preview by double-click. Runs offscreen.
#include "output/editor_dialog.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFontDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <functional>
#include <string>
#include <vector>

#include "app/main_window.h"
#include "engine/params.h"
#include "output/editor_color_button.h"
#include "render/qt/barcode_control.h"
#include "render/qt/symbology_combo.h"

namespace ks {
namespace {

using Snapshot = std::vector<PropertyValue>;

Snapshot Snap(TksPersistent& object) { return ListProperties(object, false); }

bool SameSnapshot(const Snapshot& a, const Snapshot& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (a[i].path != b[i].path || a[i].value != b[i].value) return false;
  return true;
}

// A property as text; a string list as its lines joined by "\n".
std::string PropertyText(TksPersistent& root, const std::string& path) {
  std::string text;
  if (GetPropertyText(root, path, text)) return text;
  TksPersistent* owner = nullptr;
  const PropInfo* p = FindPropertyPath(root, path + ".Count", &owner);
  if (!p || p->type != PropType::StringList) {
    ADD_FAILURE() << "no property " << path;
    return {};
  }
  for (const auto& line : p->getLines(*owner)) text += (text.empty() ? "" : "\n") + line;
  return text;
}

// Sets a control as the user would: a box checked by "1", a list entry by its text, the
// chooser by a symbology identifier, a colour by its number.
void SetControl(QWidget* w, const std::string& input) {
  const QString text = QString::fromStdString(input);
  if (auto* chooser = qobject_cast<TksComboBox*>(w)) {
    TksBarcodeSymbology s = bcNone;
    ASSERT_TRUE(SymbologyFromName(input, s)) << input;
    chooser->setCurrentIndex(chooser->findData(QVariant(static_cast<int>(s))));
  } else if (auto* check = qobject_cast<QCheckBox*>(w)) {
    check->setChecked(input == "1");
  } else if (auto* color = qobject_cast<TksEditorColorButton*>(w)) {
    long long n = 0;
    ASSERT_TRUE(TextToInt(input, n)) << input;
    color->SetColor(static_cast<TColor>(n));
  } else if (auto* box = qobject_cast<QComboBox*>(w)) {
    const int index = box->findText(text);
    ASSERT_GE(index, 0) << "no entry " << input << " in " << w->objectName().toStdString();
    box->setCurrentIndex(index);
  } else if (auto* edit = qobject_cast<QLineEdit*>(w)) {
    edit->setText(text);
  } else if (auto* memo = qobject_cast<QPlainTextEdit*>(w)) {
    memo->setPlainText(text);
  } else {
    FAIL() << "control of an unknown kind: " << w->objectName().toStdString();
  }
}

// What a control shows, in the form SetControl takes.
std::string ControlText(QWidget* w) {
  if (auto* chooser = qobject_cast<TksComboBox*>(w)) return SymbologyIdentifier(chooser->SelectedSymbology());
  if (auto* check = qobject_cast<QCheckBox*>(w)) return check->isChecked() ? "1" : "0";
  if (auto* color = qobject_cast<TksEditorColorButton*>(w)) return IntToText(color->Color());
  if (auto* box = qobject_cast<QComboBox*>(w)) return box->currentText().toStdString();
  if (auto* edit = qobject_cast<QLineEdit*>(w)) return edit->text().toStdString();
  if (auto* memo = qobject_cast<QPlainTextEdit*>(w)) return memo->toPlainText().toStdString();
  ADD_FAILURE() << "control of an unknown kind";
  return {};
}

// Runs `act` on the editor once its modal loop is running. A dialog that `act` leaves
// open is cancelled after a few seconds so that a failing test cannot hang.
void OnEditor(std::function<void(TksBarcodeEditorFmt&)> act) {
  QTimer::singleShot(0, qApp, [act] {
    auto* dialog = qobject_cast<TksBarcodeEditorFmt*>(QApplication::activeModalWidget());
    if (!dialog) {
      ADD_FAILURE() << "no editor is open";
      return;
    }
    QTimer::singleShot(5000, dialog, [dialog] {
      ADD_FAILURE() << "the editor was left open";
      dialog->reject();
    });
    act(*dialog);
  });
}

// Answers the next font dialog with `font`.
void OnFontDialog(const QFont& font) {
  QTimer::singleShot(0, qApp, [font] {
    auto* dialog = qobject_cast<QFontDialog*>(QApplication::activeModalWidget());
    if (!dialog) {
      ADD_FAILURE() << "no font dialog is open";
      return;
    }
    dialog->setCurrentFont(font);
    dialog->accept();
  });
}

std::vector<std::string> TreeTexts(const TksBarcodeEditorFmt& dialog) {
  std::vector<std::string> texts;
  for (int i = 0; i < dialog.Tree->topLevelItemCount(); ++i)
    texts.push_back(dialog.Tree->topLevelItem(i)->text(0).toStdString());
  return texts;
}

std::vector<std::string> Items(const QComboBox* box) {
  std::vector<std::string> items;
  for (int i = 0; i < box->count(); ++i) items.push_back(box->itemText(i).toStdString());
  return items;
}

// ---- loading -----------------------------------------------------------------------

TEST(EditorDialog, AngleSelectorShowsTheQuarterTurn) {
  const struct {
    int angle;
    const char* shown;
  } rows[] = {{0, "0"}, {90, "90"}, {180, "180"}, {270, "270"}, {-90, "270"}, {-180, "180"}};
  for (const auto& row : rows) {
    TksBarcodeComponent target;
    target.SetAngle(row.angle);
    TksBarcodeEditorFmt dialog;
    dialog.Edit(&target);
    EXPECT_EQ(dialog.cbAngle->currentText().toStdString(), row.shown) << row.angle;
    EXPECT_EQ(dialog.Working().Angle(), row.angle) << "loading changes nothing";
  }
}

TEST(EditorDialog, LoadsTheBarcodeIntoControlsAndWorkingCopy) {
  TksBarcodeComponent target;
  target.SetBarcodeSymbology(bcCode128);
  target.SetBarCode(u"Barvello 42");
  target.SetLinesColor(clBlue);
  target.SetOptions(OptionBit(boSecurity) | OptionBit(boFlipVertical));
  target.CaptionUpper().SetText({u"first", u"second"});
  target.Params().PDF417().SetKind(pkTruncated);
  // A time stamp with parts of a second: loading must not round it through the text.
  target.Params().PDF417().SetTimeStamp(45366.43751);
  TksBarcodeEditorFmt dialog;
  dialog.Edit(&target);

  EXPECT_EQ(dialog.ParentEAN(), &target);
  EXPECT_TRUE(SameSnapshot(Snap(dialog.Working()), Snap(target)));
  EXPECT_EQ(dialog.cbTyp->SelectedSymbology(), bcCode128);
  EXPECT_EQ(dialog.memCode->toPlainText(), QStringLiteral("Barvello 42"));
  EXPECT_EQ(dialog.lbChars->text().toStdString(), target.GetSetOfCharsVisible());
  EXPECT_FALSE(dialog.lbChars->text().isEmpty());
  EXPECT_EQ(dialog.cbLinesColor->Color(), clBlue);
  for (int i = 0; i < TksBarcodeEditorFmt::kOptionBoxes; ++i)
    EXPECT_EQ(dialog.chkOption[i]->isChecked(), i == boSecurity || i == boFlipVertical) << i;
  EXPECT_TRUE(dialog.rbCaptionUpper->isChecked());
  EXPECT_EQ(dialog.memCaptionText->toPlainText(), QStringLiteral("first\nsecond"));
  EXPECT_TRUE(dialog.chkPDFTruncated->isChecked());
  EXPECT_EQ(dialog.edPDFTimestamp->text(), QStringLiteral("15.3.2024 10:30:00"));
  EXPECT_EQ(dialog.ActivePage(), dialog.tsMain);
  EXPECT_FALSE(dialog.Tree->isHidden());
}

// ---- every bound control, through OK ---------------------------------------------------

enum class Target { Barcode, CaptionUpper, CaptionHuman, CaptionBottom, Aztec };

TksPersistent& RootOf(TksBarcodeComponent& bc, Target t) {
  switch (t) {
    case Target::CaptionUpper:
      return bc.CaptionUpper();
    case Target::CaptionHuman:
      return bc.CaptionHuman();
    case Target::CaptionBottom:
      return bc.CaptionBottom();
    case Target::Aztec:
      return bc.Params().Aztec();
    case Target::Barcode:
      break;
  }
  return bc;
}

QRadioButton* CaptionSelector(TksBarcodeEditorFmt& d, Target t) {
  switch (t) {
    case Target::CaptionUpper:
      return d.rbCaptionUpper;
    case Target::CaptionHuman:
      return d.rbCaptionHuman;
    case Target::CaptionBottom:
      return d.rbCaptionBottom;
    default:
      return nullptr;
  }
}

struct RoundTripRow {
  const char* control;   // object name
  const char* input;     // what the user sets (see SetControl)
  Target root;
  const char* path;      // property below the root
  const char* expected;  // the property's text after OK
  const char* shown;     // what the control shows when opened again (nullptr: input)
  const char* before;    // the property's value before the dialog opens (nullptr: default)
};

const RoundTripRow kRoundTrip[] = {
    // main
    {"cbTyp", "bcCode128", Target::Barcode, "BarcodeSymbology", "bcCode128", nullptr, nullptr},
    {"memCode", "400638133393", Target::Barcode, "BarCode", "4006381333931", "4006381333931", nullptr},
    {"cbAngle", "180", Target::Barcode, "Angle", "180", nullptr, nullptr},
    {"cbAngle", "0", Target::Barcode, "Angle", "0", nullptr, "-90"},
    // colours
    {"cbLinesColor", "255", Target::Barcode, "LinesColor", "255", nullptr, nullptr},
    {"cbBackgroundColor", "65280", Target::Barcode, "BackgroundColor", "65280", nullptr, nullptr},
    // options: the fourteen boxes make the whole set
    {"chkOption11", "1", Target::Barcode, "Options",
     "boTransparent,boSecurity,boStartStopLines,boAddOnUp,boEnableEditor,boAutoSize,boAutoHint,"
     "boAutoCheckDigit,boEditorAfterCreate,boReflectanceReversal",
     nullptr, nullptr},
    {"chkOption0", "0", Target::Barcode, "Options", "boSecurity,boAddLeadingZero", nullptr,
     "boTransparent,boSecurity,boAddLeadingZero,boHideIfException"},
    // quiet zone
    {"chkQZVisible", "1", Target::Barcode, "QuietZone.Visible", "True", nullptr, nullptr},
    {"edQZLeft", "12", Target::Barcode, "QuietZone.Left", "12", nullptr, nullptr},
    {"edQZRight", "7", Target::Barcode, "QuietZone.Right", "7", nullptr, nullptr},
    {"edQZTop", "100", Target::Barcode, "QuietZone.Top", "100", nullptr, nullptr},
    {"edQZBottom", "3", Target::Barcode, "QuietZone.Bottom", "3", nullptr, nullptr},
    {"edQZLeft", "101", Target::Barcode, "QuietZone.Left", "4", "4", "4"},  // the side setter refuses
    {"cbQZStyle", "Rectangle", Target::Barcode, "QuietZone.Style", "qzRectangle", nullptr, nullptr},
    {"edQZSize", "9", Target::Barcode, "QuietZone.IndicatorSize", "9", nullptr, nullptr},
    {"edQZSize", "abc", Target::Barcode, "QuietZone.IndicatorSize", "0", "0", nullptr},
    {"cbQZPenColor", "255", Target::Barcode, "QuietZone.Pen.Color", "255", nullptr, nullptr},
    {"edQZPenWidth", "3", Target::Barcode, "QuietZone.Pen.Width", "3", nullptr, nullptr},
    // captions, on the caption the selector names
    {"chkCaptionVisible", "0", Target::CaptionUpper, "Visible", "False", nullptr, nullptr},
    {"memCaptionText", "one\ntwo", Target::CaptionBottom, "Text", "one\ntwo", nullptr, nullptr},
    {"cbCaptionAlignment", "Right", Target::CaptionHuman, "Alignment", "taRightJustify", nullptr, nullptr},
    {"cbCaptionAlignment", "Center", Target::CaptionUpper, "Alignment", "taCenter", nullptr, nullptr},
    {"chkAutoCaption", "1", Target::CaptionBottom, "AutoCaption", "True", nullptr, nullptr},
    {"chkCaptionAutoSize", "0", Target::CaptionUpper, "AutoSize", "False", nullptr, nullptr},
    {"chkParentFont", "1", Target::CaptionHuman, "ParentFont", "True", nullptr, nullptr},
    {"edMaxHeight", "40", Target::CaptionBottom, "MaxHeight", "40", nullptr, nullptr},
    {"edMaxHeight", "x", Target::CaptionUpper, "MaxHeight", "0", "0", nullptr},
    // 2D parameters
    {"edSegmentIndex", "2", Target::Barcode, "Params.SegmentIndex", "2", nullptr, nullptr},
    {"edSegmentCount", "5", Target::Barcode, "Params.SegmentCount", "5", nullptr, nullptr},
    {"edECI", "26", Target::Barcode, "Params.ECI", "26", nullptr, nullptr},
    {"edECI", "", Target::Barcode, "Params.ECI", "-1", "-1", "3"},
    {"cbFNC1Type", "GS1", Target::Barcode, "Params.GS1.FNC1Type", "fnc1GS1", nullptr, nullptr},
    {"cbFNC1Input", "Tilde", Target::Barcode, "Params.GS1.FNC1InputType", "gs1Tilde", nullptr, nullptr},
    // PDF417
    {"cbPDFErrorLevel", "Error4", Target::Barcode, "Params.PDF417.SecurityLevel", "ksPDF417Error4", nullptr, nullptr},
    {"cbPDFMode", "Binary", Target::Barcode, "Params.PDF417.Mode", "ksPDF417Binary", nullptr, nullptr},
    {"edPDFCols", "4", Target::Barcode, "Params.PDF417.Cols", "4", nullptr, nullptr},
    {"edPDFRows", "12", Target::Barcode, "Params.PDF417.Rows", "12", nullptr, nullptr},
    {"chkPDFTruncated", "1", Target::Barcode, "Params.PDF417.Kind", "pkTruncated", nullptr, nullptr},
    {"chkPDFTruncated", "0", Target::Barcode, "Params.PDF417.Kind", "pkStandard", nullptr, "pkTruncated"},
    {"chkPDFMacro", "1", Target::Barcode, "Params.PDF417.UseMacro", "True", nullptr, nullptr},
    {"edPDFFileName", "plan.txt", Target::Barcode, "Params.PDF417.FileName", "plan.txt", nullptr, nullptr},
    {"edPDFChecksum", "4711", Target::Barcode, "Params.PDF417.Checksum", "4711", nullptr, nullptr},
    {"edPDFAddresse", "Brno", Target::Barcode, "Params.PDF417.Addresse", "Brno", nullptr, nullptr},
    {"edPDFSender", "Plzeň", Target::Barcode, "Params.PDF417.Sender", "Plzeň", nullptr, nullptr},
    {"edPDFTimestamp", "15.3.2024 10:30:00", Target::Barcode, "Params.PDF417.TimeStamp", "45366.4375", nullptr,
     nullptr},
    {"edPDFTimestamp", "45000.5", Target::Barcode, "Params.PDF417.TimeStamp", "45000.5", "15.3.2023 12:00:00",
     nullptr},
    {"edPDFTimestamp", "tomorrow", Target::Barcode, "Params.PDF417.TimeStamp", "0", "30.12.1899", "45000"},
    // Data Matrix
    {"cbDMEncoding", "eC40", Target::Barcode, "Params.DataMatrix.Encoding", "dmeC40", nullptr, nullptr},
    {"cbDMVersion", "DM32x32", Target::Barcode, "Params.DataMatrix.Version", "ksDM32x32", nullptr, nullptr},
    {"cbDMVersion", "Dm16x48", Target::Barcode, "Params.DataMatrix.Version", "ksDm16x48", nullptr, nullptr},
    // QR Code
    {"cbQRLevel", "EccLevelH", Target::Barcode, "Params.QRCode.EccLevel", "QrEccLevelH", nullptr, nullptr},
    {"cbQRMode", "Alphanumeric", Target::Barcode, "Params.QRCode.Mode", "QrAlphanumeric", nullptr, nullptr},
    {"cbQRVersion", "40", Target::Barcode, "Params.QRCode.Version", "40", nullptr, nullptr},
    {"chkMicroQR", "1", Target::Barcode, "Params.QRCode.MicroQR", "True", nullptr, nullptr},
    // Aztec
    {"chkAztecCompact", "1", Target::Aztec, "Compact", "True", nullptr, nullptr},
    {"edAztecVersion", "20", Target::Aztec, "Version", "20", nullptr, nullptr},
    {"cbAztecErrorLevel", "50", Target::Aztec, "ErrorLevel", "azECC50", nullptr, nullptr},
};

TEST(EditorDialog, EveryBoundControlWritesItsPropertyBackOnOK) {
  for (const RoundTripRow& row : kRoundTrip) {
    SCOPED_TRACE(std::string(row.control) + " = " + row.input);
    TksBarcodeComponent target;
    if (row.before) {
      ASSERT_EQ(SetPropertyText(RootOf(target, row.root), row.path, row.before), SetResult::Ok);
    }
    const Snapshot before = Snap(target);

    OnEditor([&](TksBarcodeEditorFmt& dialog) {
      if (QRadioButton* selector = CaptionSelector(dialog, row.root)) selector->click();
      auto* control = dialog.findChild<QWidget*>(QString::fromLatin1(row.control));
      if (!control) {
        ADD_FAILURE() << "no control";
        dialog.reject();
        return;
      }
      SetControl(control, row.input);
      // The working copy has changed; the edited barcode has not.
      EXPECT_EQ(PropertyText(RootOf(dialog.Working(), row.root), row.path), row.expected);
      EXPECT_TRUE(SameSnapshot(Snap(target), before));
      dialog.btnOK->click();
    });
    EXPECT_TRUE(EditBarcode(target));
    EXPECT_EQ(PropertyText(RootOf(target, row.root), row.path), row.expected);

    // Opened again, the control shows the stored value.
    TksBarcodeEditorFmt again;
    again.Edit(&target);
    if (QRadioButton* selector = CaptionSelector(again, row.root)) selector->click();
    auto* control = again.findChild<QWidget*>(QString::fromLatin1(row.control));
    ASSERT_NE(control, nullptr);
    EXPECT_EQ(ControlText(control), row.shown ? row.shown : row.input);
  }
}

// ---- Apply, OK, Cancel -----------------------------------------------------------------

TEST(EditorDialog, ApplyWritesAtOnceAndCancelKeepsWhatWasApplied) {
  TksBarcodeComponent target;
  const Snapshot original = Snap(target);
  OnEditor([&](TksBarcodeEditorFmt& dialog) {
    dialog.memCode->setPlainText(QStringLiteral("400638133393"));
    dialog.cbLinesColor->SetColor(clRed);
    EXPECT_TRUE(SameSnapshot(Snap(target), original)) << "nothing written before Apply";
    dialog.btnApply->click();
    EXPECT_EQ(target.BarCode(), u"4006381333931");
    EXPECT_EQ(target.LinesColor(), clRed);
    EXPECT_TRUE(SameSnapshot(Snap(target), Snap(dialog.Working())));
    // A change after Apply stays in the working copy.
    dialog.cbAngle->setCurrentIndex(1);
    EXPECT_EQ(dialog.Working().Angle(), 90);
    dialog.btnCancel->click();
  });
  EXPECT_FALSE(EditBarcode(target));
  EXPECT_EQ(target.BarCode(), u"4006381333931");
  EXPECT_EQ(target.LinesColor(), clRed);
  EXPECT_EQ(target.Angle(), 0);
}

TEST(EditorDialog, CancelWithoutApplyChangesNothing) {
  TksBarcodeComponent target;
  const Snapshot original = Snap(target);
  OnEditor([](TksBarcodeEditorFmt& dialog) {
    dialog.cbTyp->SetSelectedSymbology(bcQRCode);
    dialog.chkQZVisible->setChecked(true);
    dialog.btnCancel->click();
  });
  EXPECT_FALSE(EditBarcode(target));
  EXPECT_TRUE(SameSnapshot(Snap(target), original));
}

TEST(EditorDialog, OptionBoxesReplaceTheWholeOptionSet) {
  TksBarcodeComponent target;
  target.SetOptions(kDefaultOptions | OptionBit(boHideIfException));
  TksBarcodeEditorFmt dialog;
  dialog.Edit(&target);
  dialog.chkOption[boFlipVertical]->setChecked(true);
  EXPECT_EQ(dialog.Working().Options(), kDefaultOptions | OptionBit(boFlipVertical));
  EXPECT_EQ(target.Options(), kDefaultOptions | OptionBit(boHideIfException));
}

// ---- pages -----------------------------------------------------------------------------

TEST(EditorDialog, ChoosingQRCodeShowsItsPagesAndHidesDataMatrix) {
  TksBarcodeComponent target;
  target.SetBarcodeSymbology(bcDataMatrix);
  TksBarcodeEditorFmt dialog;
  dialog.Edit(&target);
  EXPECT_TRUE(dialog.tsDataMatrix->TabVisible());
  EXPECT_FALSE(dialog.tsQRCode->TabVisible());

  dialog.cbTyp->setCurrentIndex(dialog.cbTyp->findData(QVariant(static_cast<int>(bcQRCode))));
  EXPECT_EQ(dialog.Working().BarcodeSymbology(), bcQRCode);
  EXPECT_EQ(target.BarcodeSymbology(), bcDataMatrix);
  EXPECT_EQ(dialog.ts2D->Caption(), QStringLiteral("&2D params"));
  EXPECT_TRUE(dialog.ts2D->TabVisible());
  EXPECT_TRUE(dialog.tsQRCode->TabVisible());
  EXPECT_FALSE(dialog.tsDataMatrix->TabVisible());
  const auto tree = TreeTexts(dialog);
  EXPECT_NE(std::find(tree.begin(), tree.end(), "2D params"), tree.end());
  EXPECT_NE(std::find(tree.begin(), tree.end(), "QR Code"), tree.end());
  EXPECT_EQ(std::find(tree.begin(), tree.end(), "DataMatrix"), tree.end());
  // The text and the allowed characters follow the new symbology.
  EXPECT_EQ(dialog.memCode->toPlainText().toStdU16String(), SymbologyInfo(bcQRCode, u"").InitValue);
  EXPECT_EQ(dialog.memCode->toPlainText().toStdU16String(), dialog.Working().BarCode());
  EXPECT_EQ(dialog.lbChars->text().toStdString(), dialog.Working().GetSetOfCharsVisible());
}

TEST(EditorDialog, PagesFollowTheRequestAndTheSymbology) {
  const std::vector<std::string> common = {"Main", "Colors , Fonts", "Quiet zone", "Captions", "Options"};
  auto with = [&](std::vector<std::string> extra) {
    std::vector<std::string> r = common;
    r.insert(r.end(), extra.begin(), extra.end());
    return r;
  };
  const struct {
    TksEditorPages pages;
    TksBarcodeSymbology symbology;
    std::vector<std::string> tree;
    bool treeShown;
  } rows[] = {
      {kAllEditorPages, bcEan13, with({"PDF417"}), true},
      {kAllEditorPages, bcPDF417, with({"2D params", "PDF417"}), true},
      {kAllEditorPages, bcDataMatrix, with({"2D params", "PDF417", "DataMatrix"}), true},
      {kAllEditorPages, bcAztec, with({"2D params", "PDF417", "Aztec"}), true},
      {EditorPageBit(epQuietZone), bcEan13, {"Quiet zone"}, false},
      {EditorPageBit(epCaptionHuman), bcEan13, {"Captions"}, false},
      {EditorPageBit(epMain), bcPDF417, {"Main", "2D params", "PDF417"}, true},
      // The QR Code page is offered for QR Code symbols only, whatever was requested.
      {EditorPageBit(epMain) | EditorPageBit(epQRCode), bcEan13, {"Main"}, false},
      {EditorPageBit(epMain) | EditorPageBit(epQRCode), bcQRCode, {"Main", "2D params", "QR Code"}, true},
      {EditorPageBit(epPrint), bcEan13, {}, false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::Message() << "pages " << row.pages << ", symbology " << int(row.symbology));
    TksBarcodeComponent target;
    target.SetBarcodeSymbology(row.symbology);
    TksBarcodeEditorFmt dialog;
    dialog.EditPage(&target, row.pages);
    EXPECT_EQ(TreeTexts(dialog), row.tree);
    EXPECT_EQ(!dialog.Tree->isHidden(), row.treeShown);
    if (!row.tree.empty()) {
      EXPECT_EQ(dialog.ActivePage()->TreeText().toStdString(), row.tree.front());
    }
  }
}

TEST(EditorDialog, PrintAndEditRequestTheirPages) {
  TksBarcodeComponent target;
  TksBarcodeEditorFmt dialog;
  dialog.Print(&target);
  EXPECT_EQ(dialog.UsedPages(), EditorPageBit(epPrint));
  EXPECT_FALSE(dialog.tsPrint->TabVisible());
  dialog.Edit(&target);
  EXPECT_EQ(dialog.UsedPages(), kAllEditorPages);
  EXPECT_TRUE(dialog.tsMain->TabVisible());
}

TEST(EditorDialog, TreeNodeShowsItsPage) {
  TksBarcodeComponent target;
  TksBarcodeEditorFmt dialog;
  dialog.Edit(&target);
  dialog.Tree->setCurrentItem(dialog.Tree->topLevelItem(2));
  EXPECT_EQ(dialog.ActivePage(), dialog.tsQuietZone);
}

TEST(EditorDialog, SetActivePageShowsTheNamedPage) {
  TksBarcodeComponent target;
  target.CaptionBottom().SetText({u"bottom line"});
  const struct {
    TksEditorPage page;
    const char* shown;           // object name of the page shown
    const char* captionSelector; // selector checked afterwards (nullptr: not checked)
  } rows[] = {
      {epQuietZone, "tsQuietZone", nullptr},   {epCaptionUpper, "tsCaptions", "rbCaptionUpper"},
      {epCaptionHuman, "tsCaptions", "rbCaptionHuman"}, {epCaptionBottom, "tsCaptions", "rbCaptionBottom"},
      {epOptions, "tsOptions", nullptr},       {epParams, "ts2D", nullptr},
      {epPDF417, "tsPDF417", nullptr},         {epMain, "tsMain", nullptr},
      {epColorsFont, "tsMain", nullptr},       {epQRCode, "tsMain", nullptr},
      {epPrint, "tsOptions", nullptr},         {epSpecial, "tsOptions", nullptr},
      {epFunctions, "tsOptions", nullptr},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(int(row.page));
    TksBarcodeEditorFmt dialog;
    dialog.Edit(&target);
    dialog.SetActivePage(epOptions);
    dialog.SetActivePage(row.page);
    EXPECT_EQ(dialog.ActivePage()->objectName().toStdString(), row.shown);
    if (row.captionSelector) {
      auto* selector = dialog.findChild<QRadioButton*>(QString::fromLatin1(row.captionSelector));
      ASSERT_NE(selector, nullptr);
      EXPECT_TRUE(selector->isChecked());
    }
  }
  TksBarcodeEditorFmt dialog;
  dialog.Edit(&target);
  dialog.SetActivePage(epCaptionBottom);
  EXPECT_EQ(dialog.memCaptionText->toPlainText(), QStringLiteral("bottom line"));
}

// ---- captions ------------------------------------------------------------------------

TEST(EditorDialog, CaptionSelectorLoadsAndEditsTheChosenCaption) {
  TksBarcodeComponent target;
  target.CaptionUpper().SetText({u"U"});
  target.CaptionHuman().SetMaxHeight(33);
  target.CaptionBottom().SetText({u"B"});
  target.CaptionBottom().SetVisible(false);
  TksBarcodeEditorFmt dialog;
  dialog.Edit(&target);
  EXPECT_EQ(dialog.memCaptionText->toPlainText(), QStringLiteral("U"));
  EXPECT_FALSE(dialog.gbCaption->isHidden());

  dialog.rbCaptionHuman->click();
  EXPECT_EQ(dialog.edMaxHeight->text(), QStringLiteral("33"));
  EXPECT_EQ(dialog.memCaptionText->toPlainText(), QString());

  dialog.rbCaptionBottom->click();
  EXPECT_EQ(dialog.memCaptionText->toPlainText(), QStringLiteral("B"));
  EXPECT_FALSE(dialog.chkCaptionVisible->isChecked());
  EXPECT_TRUE(dialog.gbCaption->isHidden()) << "an invisible caption hides its controls";
  dialog.chkCaptionVisible->setChecked(true);
  EXPECT_FALSE(dialog.gbCaption->isHidden());
  EXPECT_TRUE(dialog.Working().CaptionBottom().Visible());

  dialog.memCaptionText->setPlainText(QStringLiteral("B2"));
  EXPECT_EQ(dialog.Working().CaptionBottom().Text(), std::vector<std::u16string>{u"B2"});
  EXPECT_EQ(dialog.Working().CaptionUpper().Text(), std::vector<std::u16string>{u"U"});
  EXPECT_EQ(target.CaptionBottom().Text(), std::vector<std::u16string>{u"B"});
}

TEST(EditorDialog, FontDialogsSetTheCaptionFontAndThePreviewFont) {
  TksBarcodeComponent target;
  TksBarcodeEditorFmt dialog;
  dialog.Edit(&target);
  dialog.show();

  dialog.rbCaptionBottom->click();
  OnFontDialog(QFont(QStringLiteral("DejaVu Serif"), 14));
  dialog.btnCaptionFont->click();
  const TksFont& caption = dialog.Working().CaptionBottom().Font();
  EXPECT_EQ(caption.Name(), "DejaVu Serif");
  EXPECT_EQ(caption.Size(), 14);
  EXPECT_EQ(dialog.lbCaptionSample->font().family(), QStringLiteral("DejaVu Serif"));
  EXPECT_EQ(dialog.Working().CaptionUpper().Font().Name(), "Arial");
  EXPECT_EQ(target.CaptionBottom().Font().Name(), "Arial");

  QFont bold(QStringLiteral("DejaVu Sans"), 11);
  bold.setBold(true);
  OnFontDialog(bold);
  dialog.btnFont->click();
  EXPECT_EQ(dialog.EAN->Font().Name(), "DejaVu Sans");
  EXPECT_EQ(dialog.EAN->Font().Size(), 11);
  EXPECT_TRUE(dialog.EAN->Font().HasStyle(fsBold));
  EXPECT_EQ(dialog.lbFontSample->font().family(), QStringLiteral("DejaVu Sans"));
  dialog.hide();
}

// ---- lists and refusals ------------------------------------------------------------------

TEST(EditorDialog, ListsAreTheEnumerationNames) {
  TksBarcodeEditorFmt dialog;
  const struct {
    const QComboBox* box;
    std::vector<std::string> items;
  } rows[] = {
      {dialog.cbQRLevel, {"EccLevelL", "EccLevelM", "EccLevelQ", "EccLevelH"}},
      {dialog.cbQRMode, {"Automatic", "Numeric", "Alphanumeric", "Bytes", "Kanji"}},
      {dialog.cbDMEncoding, {"eAutomatic", "eASCII", "eBinary", "eEDIFACT", "eText", "eX12", "eC40"}},
      {dialog.cbQZStyle, {"None", "Lines", "Triangel", "Rectangle"}},
      {dialog.cbAngle, {"0", "90", "180", "270"}},
      {dialog.cbCaptionAlignment, {"Left", "Right", "Center"}},
      {dialog.cbPDFMode, {"Alphanumeric", "Binary", "BinaryHex", "Numeric", "AutoCode"}},
      {dialog.cbFNC1Type, {"None", "FirstPosition", "SecondPosition", "GS1"}},
      {dialog.cbFNC1Input, {"Separators", "Percent", "Classic", "Tilde"}},
  };
  for (const auto& row : rows) EXPECT_EQ(Items(row.box), row.items) << row.box->objectName().toStdString();

  const auto versions = Items(dialog.cbDMVersion);
  ASSERT_EQ(versions.size(), 31u);
  EXPECT_EQ(versions[0], "DMAutomatic");
  EXPECT_EQ(versions[1], "DM10x10");
  EXPECT_EQ(versions[21], "104x104");
  EXPECT_EQ(versions[30], "Dm16x48");
  const auto qrVersions = Items(dialog.cbQRVersion);
  ASSERT_EQ(qrVersions.size(), 41u);
  EXPECT_EQ(qrVersions.front(), "0");
  EXPECT_EQ(qrVersions.back(), "40");
  const auto levels = Items(dialog.cbPDFErrorLevel);
  ASSERT_EQ(levels.size(), 10u);
  EXPECT_EQ(levels.front(), "AutoEC");
  EXPECT_EQ(levels.back(), "Error8");
  EXPECT_EQ(dialog.chkOption[0]->text(), QStringLiteral("Transparent"));
  EXPECT_EQ(dialog.chkOption[13]->text(), QStringLiteral("AddLeadingZero"));
}

TEST(EditorDialog, RefusedValuesLeaveTheControlsShowingTheWorkingCopy) {
  TksBarcodeComponent target;
  target.SetBarcodeSymbology(bcCode39Standard);
  TksBarcodeEditorFmt dialog;
  dialog.Edit(&target);
  // No encoder exists for Codablock F: the working copy keeps its symbology and the
  // chooser goes back to it.
  dialog.cbTyp->setCurrentIndex(dialog.cbTyp->findData(QVariant(static_cast<int>(bcCodablockF))));
  EXPECT_EQ(dialog.Working().BarcodeSymbology(), bcCode39Standard);
  EXPECT_EQ(dialog.cbTyp->SelectedSymbology(), bcCode39Standard);
  // Micro QR caps the version at 4, and the list follows.
  dialog.cbQRVersion->setCurrentIndex(10);
  dialog.chkMicroQR->setChecked(true);
  EXPECT_EQ(dialog.Working().Params().QRCode().Version(), 4);
  EXPECT_EQ(dialog.cbQRVersion->currentText(), QStringLiteral("4"));
  // A compact Aztec symbol has at most 4 layers; the refused value is not stored.
  dialog.chkAztecCompact->setChecked(true);
  dialog.edAztecVersion->setText(QStringLiteral("9"));
  EXPECT_EQ(dialog.Working().Params().Aztec().Version(), 0);
}

// ---- dates ---------------------------------------------------------------------------

TEST(EditorDialog, TimeStampTextRoundTrips) {
  const struct {
    double days;
    const char* text;
  } rows[] = {{0, "30.12.1899"},
              {45366.4375, "15.3.2024 10:30:00"},
              {45000.5, "15.3.2023 12:00:00"},
              {1, "31.12.1899"},
              {-1.25, "29.12.1899 6:00:00"}};
  for (const auto& row : rows) {
    EXPECT_EQ(DateTimeText(row.days).toStdString(), row.text) << row.days;
    double back = -999;
    ASSERT_TRUE(DateTimeFromText(QString::fromLatin1(row.text), back)) << row.text;
    EXPECT_DOUBLE_EQ(back, row.days) << row.text;
  }
  double days = 0;
  EXPECT_TRUE(DateTimeFromText(QStringLiteral("1.2.2020 8:15"), days));
  EXPECT_DOUBLE_EQ(days, 43862 + 8.25 / 24);
  EXPECT_FALSE(DateTimeFromText(QStringLiteral("31.2.2020"), days));
  EXPECT_FALSE(DateTimeFromText(QStringLiteral("soon"), days));
  EXPECT_FALSE(DateTimeFromText(QString(), days));
}

// ---- opening from a barcode control ----------------------------------------------------------

TEST(EditorDialog, DoubleClickOnTheMainWindowPreviewOpensTheEditor) {
  InstallBarcodeEditor();
  Tfrm_main window;
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  window.Barcode1->SetOptions(OptionBit(boEnableEditor));

  // OK writes the working copy into the preview.
  OnEditor([](TksBarcodeEditorFmt& dialog) {
    EXPECT_EQ(dialog.memCode->toPlainText(), QStringLiteral("123456"));
    EXPECT_EQ(dialog.cbTyp->SelectedSymbology(), bc25Datalogic);
    dialog.memCode->setPlainText(QStringLiteral("987654"));
    dialog.cbBackgroundColor->SetColor(clYellow);
    dialog.btnOK->click();
  });
  QTest::mouseDClick(window.Barcode1, Qt::LeftButton);
  EXPECT_EQ(window.Barcode1->BarCode(), u"987654");
  EXPECT_EQ(window.Barcode1->BackgroundColor(), clYellow);
  QCoreApplication::processEvents();
  const QImage shown = window.Barcode1->grab().toImage().convertToFormat(QImage::Format_RGB32);
  int yellow = 0;
  for (int y = 0; y < shown.height(); ++y)
    for (int x = 0; x < shown.width(); ++x) yellow += (shown.pixel(x, y) & 0xFFFFFF) == 0xFFFF00u ? 1 : 0;
  EXPECT_GT(yellow, shown.width() * shown.height() / 4) << "the preview shows the new background";

  // Cancel leaves it as it was.
  OnEditor([](TksBarcodeEditorFmt& dialog) {
    dialog.memCode->setPlainText(QStringLiteral("1111"));
    dialog.btnCancel->click();
  });
  QTest::mouseDClick(window.Barcode1, Qt::LeftButton);
  EXPECT_EQ(window.Barcode1->BarCode(), u"987654");

  // Without boEnableEditor no editor opens.
  window.Barcode1->SetOptions(0);
  QTimer::singleShot(0, qApp, [] {
    if (QWidget* w = QApplication::activeModalWidget()) {
      ADD_FAILURE() << "an editor opened";
      w->close();
    }
  });
  QTest::mouseDClick(window.Barcode1, Qt::LeftButton);
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST(EditorDialog, DoubleClickOnTheEditorPreviewOpensNoSecondEditor) {
  InstallBarcodeEditor();
  TksBarcodeComponent target;  // new objects carry boEnableEditor
  TksBarcodeEditorFmt dialog;
  dialog.Edit(&target);
  dialog.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
  QTimer::singleShot(0, qApp, [] {
    if (QWidget* w = QApplication::activeModalWidget()) {
      ADD_FAILURE() << "a second editor opened";
      w->close();
    }
  });
  QTest::mouseDClick(dialog.EAN, Qt::LeftButton);
  QCoreApplication::processEvents();
  dialog.hide();
}

}  // namespace
}  // namespace ks

int main(int argc, char** argv) {
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
