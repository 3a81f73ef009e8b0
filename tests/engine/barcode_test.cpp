// The barcode object: defaults, setters and their events, symbology stepping, copying.
#include <gtest/gtest.h>

#include "engine/barcode.h"
#include "engine/decor.h"
#include "engine/params.h"

using namespace ks;

namespace {

struct EventLog {
  int barCode = 0, typCode = 0, update = 0, parent = 0;
  std::vector<std::string> order;
  void Attach(TksBarcodeComponent& bc) {
    bc.OnChangeBarCode = [this](TksComponent*) { ++barCode; order.push_back("BarCode"); };
    bc.OnChangeTypCode = [this](TksComponent*) { ++typCode; order.push_back("TypCode"); };
    bc.OnUpdate = [this](TksComponent*) { ++update; order.push_back("Update"); };
  }
};

}  // namespace

TEST(BarcodeObject, NewObjectDefaults) {
  TksBarcodeComponent bc;
  EXPECT_EQ(bc.BarCode(), u"9771210107001");
  EXPECT_EQ(bc.BarcodeSymbology(), bcEan13);
  EXPECT_EQ(bc.Angle(), 0);
  EXPECT_EQ(bc.BackgroundColor(), 0xFFFFFFu);
  EXPECT_EQ(bc.LinesColor(), 0u);
  EXPECT_EQ(bc.Options(), 0x1FFu);
  EXPECT_EQ(bc.Params().ECI(), -1);
  EXPECT_EQ(bc.Params().SegmentCount(), 1);
  EXPECT_EQ(bc.Params().SegmentIndex(), 0);
  EXPECT_EQ(bc.Params().Ratio(), ra20);
  EXPECT_EQ(bc.ErrorInfo().Mode(), emDrawErrorString);
  EXPECT_EQ(bc.CaptionUpper().Position(), cpUpper);
  EXPECT_EQ(bc.CaptionBottom().Position(), cpBottom);
  EXPECT_EQ(bc.CaptionHuman().Position(), cpHuman);
  EXPECT_EQ(bc.BarcodeTypeName(), "bcEan13");
}

TEST(BarcodeObject, SymbologyChangeLoadsSampleAndFiresEvents) {
  TksBarcodeComponent bc;
  EventLog log;
  log.Attach(bc);
  bc.SetBarcodeSymbology(bcCode39Standard);
  EXPECT_EQ(bc.BarCode(), u"TAVRIX");
  EXPECT_EQ(log.barCode, 1);
  EXPECT_EQ(log.typCode, 1);
  EXPECT_EQ(log.update, 2);  // once for the text, once for the symbology
  EXPECT_EQ(log.order, (std::vector<std::string>{"Update", "BarCode", "TypCode", "Update"}));
}

TEST(BarcodeObject, RefusedSymbologiesChangeNothing) {
  for (TksBarcodeSymbology s : {bcCode16K, bcCodablockF, bcEan13, static_cast<TksBarcodeSymbology>(200)}) {
    TksBarcodeComponent bc;
    EventLog log;
    log.Attach(bc);
    bc.SetBarcodeSymbology(s);
    EXPECT_EQ(bc.BarcodeSymbology(), bcEan13);
    EXPECT_EQ(bc.BarCode(), u"9771210107001");
    EXPECT_EQ(log.update + log.barCode + log.typCode, 0) << int(s);
  }
}

TEST(BarcodeObject, SampleTextEmptyForRowsWithoutOne) {
  for (TksBarcodeSymbology s : {bcMSIPlessey, bcUccEan128, bcSSCC, bcSISAC, bcCodabarMonarch}) {
    TksBarcodeComponent bc;
    bc.SetBarcodeSymbology(s);
    EXPECT_EQ(bc.BarCode(), u"") << int(s);
  }
}

TEST(BarcodeObject, SetBarCodeCompletesAndNotifiesOnce) {
  TksBarcodeComponent bc;
  EventLog log;
  log.Attach(bc);
  bc.SetBarCode(u"9771210107001");  // the current text: nothing happens
  EXPECT_EQ(log.barCode + log.update, 0);
  bc.SetBarCode(u"123456789012");
  EXPECT_EQ(bc.BarCode(), u"1234567890128");
  EXPECT_EQ(log.barCode, 1);
  EXPECT_EQ(log.update, 1);
}

TEST(BarcodeObject, SetAngleNormalises) {
  struct Case {
    int in, stored;
  } cases[] = {{100, 90}, {450, 90}, {-90, -90}, {89, 0}, {180, 180}, {270, 270}, {360, 0}, {-450, -90}};
  for (const auto& c : cases) {
    TksBarcodeComponent bc;
    int updates = 0;
    bc.OnUpdate = [&](TksComponent*) { ++updates; };
    bc.SetAngle(c.in);
    EXPECT_EQ(bc.Angle(), c.stored) << c.in;
    EXPECT_EQ(updates, 1) << c.in;  // notifies even when the normalised value equals the old one
  }
  TksBarcodeComponent bc;
  int updates = 0;
  bc.OnUpdate = [&](TksComponent*) { ++updates; };
  bc.SetAngle(0);
  EXPECT_EQ(updates, 0);
}

TEST(BarcodeObject, ChangeSymbologySteps) {
  struct Case {
    TksBarcodeSymbology from;
    TksDirection dir;
    bool onlySupported;
    TksBarcodeSymbology to;
  } cases[] = {
      {bcUPCShipping, ksDirNext, true, bcJAN8},   // skips the unsupported SCC-14
      {bcUPCShipping, ksDirNext, false, bcSCC14},
      {bcNone, ksDirPrevious, true, bcQRCode},    // wraps and skips Aztec
      {bcNone, ksDirPrevious, false, bcAztec},
      {bcQRCode, ksDirNext, true, bcNone},
      {bcEan13, ksDirFirst, true, bcNone},
      {bcEan13, ksDirLast, true, bcQRCode},
      {bcEan13, ksDirLast, false, bcAztec},
      {bcEan13, ksDirNone, true, bcEan13},
  };
  for (const auto& c : cases) {
    TksBarcodeComponent bc;
    bc.SetBarcodeSymbology(c.from);
    bc.ChangeSymbology(c.dir, c.onlySupported);
    EXPECT_EQ(bc.BarcodeSymbology(), c.to) << int(c.from) << " dir " << int(c.dir);
  }
}

TEST(BarcodeObject, ChangeSymbologyNoneOnUnsupportedRowEnds) {
  TksBarcodeComponent bc;
  bc.SetBarcodeSymbology(bcAztec);
  int updates = 0;
  bc.OnUpdate = [&](TksComponent*) { ++updates; };
  bc.ChangeSymbology(ksDirNone, true);
  EXPECT_EQ(bc.BarcodeSymbology(), bcAztec);
  EXPECT_EQ(updates, 0);
}

TEST(BarcodeObject, AssignCopiesSettingsButNotRatio) {
  TksBarcodeComponent a, b;
  a.SetBarcodeSymbology(bcCode128);
  a.SetBarCode(u"HELLO");
  a.SetAngle(90);
  a.SetLinesColor(0x123456);
  a.SetBackgroundColor(0x654321);
  a.SetOptions(0x3);
  a.Params().SetRatio(ra30);
  a.Params().SetECI(26);
  a.Params().SetFileID(u"F1");
  a.CaptionUpper().SetText({u"top"});
  a.ErrorInfo().SetMode(emPaintRedCross);
  int updates = 0, textEvents = 0;
  b.OnUpdate = [&](TksComponent*) { ++updates; };
  b.OnChangeBarCode = [&](TksComponent*) { ++textEvents; };
  b.Assign(a);
  EXPECT_EQ(b.BarcodeSymbology(), bcCode128);
  EXPECT_EQ(b.BarCode(), u"HELLO");
  EXPECT_EQ(b.Angle(), 90);
  EXPECT_EQ(b.LinesColor(), 0x123456u);
  EXPECT_EQ(b.BackgroundColor(), 0x654321u);
  EXPECT_EQ(b.Options(), 0x3u);
  EXPECT_EQ(b.Params().ECI(), 26);
  EXPECT_EQ(b.Params().Ratio(), ra20);  // not copied
  EXPECT_EQ(b.Params().FileID(), u"");  // not copied
  EXPECT_EQ(b.CaptionUpper().Text(), std::vector<std::u16string>{u"top"});
  EXPECT_EQ(b.ErrorInfo().Mode(), emPaintRedCross);
  EXPECT_GE(updates, 1);
  EXPECT_EQ(textEvents, 0);
}

TEST(BarcodeObject, AssignOnlyBarcodeLeavesErrorModeAndLines) {
  TksBarcodeComponent a, b;
  a.SetBarcodeSymbology(bcCode39Standard);
  a.ErrorInfo().SetMode(emSilent);
  a.HorzLines().SetLinesCount(3);
  b.AssignOnlyBarcode(&a);
  EXPECT_EQ(b.BarcodeSymbology(), bcCode39Standard);
  EXPECT_EQ(b.BarCode(), u"TAVRIX");
  EXPECT_EQ(b.ErrorInfo().Mode(), emDrawErrorString);
  EXPECT_EQ(b.HorzLines().LinesCount(), 0);
  b.AssignOnlyBarcode(nullptr);  // absent source: nothing
  EXPECT_EQ(b.BarcodeSymbology(), bcCode39Standard);
}

TEST(BarcodeObject, SubObjectChangesReachOnUpdateAndParentEvent) {
  int updates = 0, parent = 0;
  auto bc = TksBarcodeComponent::CreateFromControl(nullptr, [&](TksComponent*) { ++parent; });
  bc->OnUpdate = [&](TksComponent*) { ++updates; };
  bc->CaptionUpper().SetVisible(false);
  bc->CaptionHuman().Font().SetSize(12);
  bc->QuietZone().SetSpace(0, 10);
  bc->QuietZone().SetSpace(0, 101);  // out of range: ignored
  bc->HorzLines().SetLinesCount(2);
  bc->HorzLines().SetColor(0xFF);
  bc->Params().SetSegmentCount(3);
  bc->ErrorInfo().SetMode(emDrawErrorString);  // notifies even when equal
  EXPECT_EQ(updates, 7);
  EXPECT_EQ(parent, 7);
  EXPECT_EQ(bc->QuietZone().Space(0), 10);
  EXPECT_EQ(bc->CaptionHuman().Font().Height(), -16);
}

TEST(BarcodeObject, HintText) {
  TksBarcodeComponent bc;
  const std::string hint = bc.GetHint();
  EXPECT_EQ(hint,
            "Symbology  name : EAN 13\r\nEnumerated name : bcEan13\r\nSymbology type  : stLinear\r\n"
            "Current value   : 9771210107001\r\nCharset         : 0123456789\r\n");
  EXPECT_EQ(bc.BarcodeHint(), hint);
  bc.SetOptions(bc.Options() & ~OptionBit(boAutoHint));
  EXPECT_EQ(bc.BarcodeHint(), "");
  EXPECT_FALSE(bc.GetHint().empty());
}
