// Reading and writing every published property by its dotted path.
#include <gtest/gtest.h>

#include <map>

#include "engine/barcode.h"
#include "engine/decor.h"
#include "engine/params.h"
#include "engine/persistent.h"

using namespace ks;

TEST(Properties, EveryPublishedPropertyReadsItsDefault) {
  TksBarcodeComponent bc;
  auto all = ListProperties(bc, true);
  std::map<std::string, std::string> values;
  for (const auto& pv : all) values[pv.path] = pv.value;
  // A sample of keys from every object, with their defaults as text.
  const std::map<std::string, std::string> expected = {
      {"Name", ""},
      {"Tag", "0"},
      {"BackgroundColor", "16777215"},
      {"Options",
       "boTransparent,boSecurity,boStartStopLines,boAddOnUp,boEnableEditor,boAutoSize,boAutoHint,"
       "boAutoCheckDigit,boEditorAfterCreate"},
      {"BarCode", "9771210107001"},
      {"BarcodeSymbology", "bcEan13"},
      {"QuietZone.IndicatorSize", "5"},
      {"QuietZone.Style", "qzLines"},
      {"QuietZone.Pen.Color", "0"},
      {"QuietZone.Pen.Width", "1"},
      {"QuietZone.Left", "0"},
      {"QuietZone.Visible", "False"},
      {"HorzLines.Color", "0"},
      {"HorzLines.Style", "psSolid"},
      {"HorzLines.Mode", "pmCopy"},
      {"HorzLines.LinesCount", "0"},
      {"ErrorInfo.Mode", "emDrawErrorString"},
      {"LinesColor", "0"},
      {"Angle", "0"},
      {"CaptionUpper.Visible", "True"},
      {"CaptionUpper.Text.Count", "0"},
      {"CaptionUpper.Font.Name", "Arial"},
      {"CaptionUpper.Font.Size", "10"},
      {"CaptionUpper.Font.Height", "-13"},
      {"CaptionUpper.Font.Style", ""},
      {"CaptionUpper.AutoSize", "True"},
      {"CaptionUpper.Alignment", "taLeftJustify"},
      {"CaptionUpper.MaxHeight", "25"},
      {"CaptionUpper.BgColor", "536870911"},
      {"CaptionBottom.LineSpacing", "0"},
      {"CaptionHuman.ParentFont", "False"},
      {"Params.SegmentCount", "1"},
      {"Params.SegmentIndex", "0"},
      {"Params.ECI", "-1"},
      {"Params.Ratio", "ra20"},
      {"Params.FileID", ""},
  };
  for (const auto& [k, v] : expected) {
    ASSERT_TRUE(values.count(k)) << k;
    EXPECT_EQ(values[k], v) << k;
  }
  // Every listed key also answers through the path reader, and its table default (where
  // the key is a plain property) matches what a new object holds.
  for (const auto& pv : all) {
    std::string got;
    ASSERT_TRUE(GetPropertyText(bc, pv.path, got)) << pv.path;
    EXPECT_EQ(got, pv.value) << pv.path;
    TksPersistent* owner = nullptr;
    if (const PropInfo* p = FindPropertyPath(bc, pv.path, &owner); p && p->type != PropType::StringList &&
                                                                   !p->readOnly && p->name != "Size") {
      EXPECT_EQ(p->defaultText, pv.value) << pv.path;
    }
  }
}

TEST(Properties, KeyOrderPutsFontBetweenTextAndAutoSize) {
  TksBarcodeComponent bc;
  bc.CaptionUpper().SetText({u"a", u"b"});
  auto all = ListProperties(bc, false);
  std::vector<std::string> keys;
  for (const auto& pv : all)
    if (pv.path.rfind("CaptionUpper.", 0) == 0) keys.push_back(pv.path);
  ASSERT_GE(keys.size(), 6u);
  EXPECT_EQ(keys[0], "CaptionUpper.Visible");
  EXPECT_EQ(keys[1], "CaptionUpper.Text.Count");
  EXPECT_EQ(keys[2], "CaptionUpper.Text.Line0");
  EXPECT_EQ(keys[3], "CaptionUpper.Text.Line1");
  EXPECT_EQ(keys[4].rfind("CaptionUpper.Font.", 0), 0u);
  auto autoSize = std::find(keys.begin(), keys.end(), "CaptionUpper.AutoSize");
  ASSERT_NE(autoSize, keys.end());
  EXPECT_EQ((autoSize - 1)->rfind("CaptionUpper.Font.", 0), 0u);
  EXPECT_EQ(all.front().path, "Name");
  EXPECT_EQ(all[1].path, "Tag");
}

TEST(Properties, WriteByPath) {
  TksBarcodeComponent bc;
  struct Case {
    const char* path;
    const char* value;
    const char* readBack;
  } cases[] = {
      {"BarcodeSymbology", "bcCode128", "bcCode128"},
      {"BarcodeSymbology", "BCQRCODE", "bcQRCode"},
      {"BarCode", "Příliš žluťoučký", "Příliš žluťoučký"},
      {"Angle", "270", "270"},
      {"Angle", "100", "90"},
      {"LinesColor", "255", "255"},
      {"LinesColor", "$FF0000", "16711680"},
      {"BackgroundColor", "536870911", "536870911"},
      {"Options", "boSecurity,boAutoCheckDigit", "boSecurity,boAutoCheckDigit"},
      {"Options", "[boTransparent, boFlipVertical]", "boTransparent,boFlipVertical"},
      {"Options", "", ""},
      {"CaptionUpper.Font.Name", "DejaVu Sans", "DejaVu Sans"},
      {"captionupper.font.size", "12", "12"},
      {"CaptionUpper.Font.Height", "-20", "-20"},
      {"CaptionUpper.Font.Style", "fsBold,fsUnderline", "fsBold,fsUnderline"},
      {"CaptionHuman.Visible", "false", "False"},
      {"CaptionBottom.Alignment", "taCenter", "taCenter"},
      {"QuietZone.Left", "12", "12"},
      {"QuietZone.Pen.Width", "3", "3"},
      {"HorzLines.LinesCount", "2", "2"},
      {"ErrorInfo.Mode", "emPaintRedBrush", "emPaintRedBrush"},
      {"Params.Ratio", "ra25", "ra25"},
      {"Params.ECI", "-1", "-1"},
      {"Params.FileID", "abc", "abc"},
      {"Name", "ksBarcode1", "ksBarcode1"},
  };
  for (const auto& c : cases) {
    ASSERT_EQ(SetPropertyText(bc, c.path, c.value), SetResult::Ok) << c.path << "=" << c.value;
    std::string got;
    ASSERT_TRUE(GetPropertyText(bc, c.path, got)) << c.path;
    EXPECT_EQ(got, c.readBack) << c.path;
  }
}

TEST(Properties, StringListsByCountAndLine) {
  TksBarcodeComponent bc;
  EXPECT_EQ(SetPropertyText(bc, "CaptionBottom.Text.Count", "3"), SetResult::Ok);
  EXPECT_EQ(SetPropertyText(bc, "CaptionBottom.Text.Line1", "middle"), SetResult::Ok);
  EXPECT_EQ(SetPropertyText(bc, "CaptionBottom.Text.Line7", "ignored"), SetResult::Ok);
  EXPECT_EQ(bc.CaptionBottom().Text(), (std::vector<std::u16string>{u"", u"middle", u""}));
  EXPECT_EQ(SetPropertyText(bc, "CaptionBottom.Text.Count", "x"), SetResult::Ok);  // non-number counts as 0
  EXPECT_TRUE(bc.CaptionBottom().Text().empty());
  std::string v;
  EXPECT_TRUE(GetPropertyText(bc, "CaptionBottom.Text.Count", v));
  EXPECT_EQ(v, "0");
}

// Line keys take every digit after "Line": a list of more than 10000 lines comes back
// from its own keys unchanged, and setting it line by line does not copy the list each
// time (100,000 lines used to take minutes).
TEST(Properties, LongStringListsLoadLineByLine) {
  TksBarcodeComponent bc;
  const int n = 100000;
  ASSERT_EQ(SetPropertyText(bc, "CaptionUpper.Text.Count", std::to_string(n)), SetResult::Ok);
  for (int i = 0; i < n; ++i)
    ASSERT_EQ(SetPropertyText(bc, "CaptionUpper.Text.Line" + std::to_string(i), "line " + std::to_string(i)),
              SetResult::Ok);
  const auto& text = bc.CaptionUpper().Text();
  ASSERT_EQ(text.size(), static_cast<size_t>(n));
  for (int i : {0, 1234, 9999, 10000, 12345, 99999}) EXPECT_EQ(text[i], FromUtf8("line " + std::to_string(i))) << i;
  std::string v;
  EXPECT_TRUE(GetPropertyText(bc, "CaptionUpper.Text.Line12345", v));
  EXPECT_EQ(v, "line 12345");
  EXPECT_TRUE(GetPropertyText(bc, "CaptionUpper.Text.Count", v));
  EXPECT_EQ(v, "100000");
  // A key past the end is still ignored, and a non-number still means line 0.
  EXPECT_EQ(SetPropertyText(bc, "CaptionUpper.Text.Line100000", "past"), SetResult::Ok);
  EXPECT_EQ(SetPropertyText(bc, "CaptionUpper.Text.Linex", "first"), SetResult::Ok);
  EXPECT_EQ(text.size(), static_cast<size_t>(n));
  EXPECT_EQ(text[0], u"first");
}

TEST(Properties, RefusalsAreReported) {
  TksBarcodeComponent bc;
  struct Case {
    const char* path;
    const char* value;
    SetResult result;
  } cases[] = {
      {"NoSuchProperty", "1", SetResult::NotFound},
      {"CaptionUpper.NoSuch", "1", SetResult::NotFound},
      {"CaptionUpper", "1", SetResult::NotFound},  // an object has no value of its own
      {"OnUpdate", "x", SetResult::NotFound},
      {"Angle", "ninety", SetResult::BadValue},
      {"Angle", "99999999999", SetResult::BadValue},
      {"BarcodeSymbology", "bcNoSuch", SetResult::BadValue},
      {"BarcodeSymbology", "77", SetResult::BadValue},
      {"Options", "boNoSuch", SetResult::BadValue},
      {"Options", "boSecurity,,boTransparent", SetResult::BadValue},
      {"CaptionHuman.Visible", "maybe", SetResult::BadValue},
      {"ErrorInfo.Code", "erOK", SetResult::ReadOnly},
      {"", "1", SetResult::NotFound},
      {"...", "1", SetResult::NotFound},
  };
  for (const auto& c : cases) EXPECT_EQ(SetPropertyText(bc, c.path, c.value), c.result) << c.path;
  EXPECT_EQ(bc.Angle(), 0);
  EXPECT_EQ(bc.BarcodeSymbology(), bcEan13);
}

TEST(Properties, AssignAndPathsAgreeAcrossObjects) {
  // Copying through the table (write every writable key of one object into another)
  // gives the same key list as Assign.
  TksBarcodeComponent a;
  SetPropertyText(a, "BarcodeSymbology", "bcCode93Standard");
  SetPropertyText(a, "CaptionUpper.Font.Style", "fsItalic");
  SetPropertyText(a, "QuietZone.Top", "7");
  TksBarcodeComponent b;
  b.Assign(a);
  auto la = ListProperties(a, false), lb = ListProperties(b, false);
  ASSERT_EQ(la.size(), lb.size());
  for (size_t i = 0; i < la.size(); ++i) {
    if (la[i].path == "Params.Ratio" || la[i].path == "Params.FileID" || la[i].path == "Name") continue;
    EXPECT_EQ(la[i].value, lb[i].value) << la[i].path;
  }
}

TEST(Properties, FloatTextIgnoresTheCLocale) {
  double v = 0;
  EXPECT_TRUE(TextToFloat("52.5", v));
  EXPECT_DOUBLE_EQ(v, 52.5);
  EXPECT_TRUE(TextToFloat("52,5", v));
  EXPECT_DOUBLE_EQ(v, 52.5);
  EXPECT_TRUE(TextToFloat("-1e3", v));
  EXPECT_DOUBLE_EQ(v, -1000);
  EXPECT_FALSE(TextToFloat("5x", v));
  EXPECT_FALSE(TextToFloat("", v));
  EXPECT_FALSE(TextToFloat("inf", v));
  EXPECT_EQ(FloatToText(1.9685), "1.9685");
  EXPECT_EQ(FloatToText(50), "50");
}
