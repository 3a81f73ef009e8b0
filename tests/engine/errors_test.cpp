// The error channel: the message table, the short and long error texts with their
// values, the error object's fields, mode and copying, and its property table.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "engine/barcode.h"
#include "engine/errors.h"
#include "engine/persistent.h"
#include "engine/symbology.h"
#include "engine/ustring.h"

namespace ks {
namespace {

// Messages exactly as stored files and callers know them, typos and double blanks
// included; "\r" is a carriage return inside the text.
TEST(ErrorTable, RowsInCodeOrder) {
  struct Row {
    const char* id;
    const char* msg;
  };
  const Row rows[kErrorCodeCount] = {
      {"erOK", "Nepodporováno"},
      {"erNotSupported", ""},
      {"erMustBe", "Char(s) at(from) position %d must be (equal or in range) %s"},
      {"erErrorInBarCode", "Nespecifická chyba, kód negenerován"},
      {"erCharOutOfSet", "Nespecifická chyba, kód negenerován"},
      {"erSmallPaintBox", "Zvětšete velikost obrázku kódu !"},
      {"erOutOfSecurityBox", "Rectangle for secure painting is very small."},
      {"erBarcodeLengthInvalid", "Nesprávná délka znaků kódu [%s]."},
      {"erBarcodeLengthRange", "Invalid length of barcode, must be between %d and %d."},
      {"erFirstCharMustBeZero", "ITF14 - first char must be 0."},
      {"erCharMustBeSpace", "%d. char must be space."},
      {"erCountCharMustBeEven", "2of5 Interleaved/ITF - count of digits must be even."},
      {"erEmptyCode", "Prázdný kód."},
      {"erBadPrefix", "Bad barcode prefix, must  be %s"},
      {"erBadSuffix", "Bad barcode sufix , must  be %s"},
      {"erCode16KMode", "Mode Code16K must be -1 for automatic mode selection or between 0..6"},
      {"er2DBadColCount", "Bad columns count, you have %d, must be 0 or in %s ."},
      {"er2DBadRowCount", "Bad rows count, you have %d, must be 0 or in %s ."},
      {"er2DOutOfSymbolSpace", "Symbol data capacity is smaller than you need.\rNeed/Have codewords : (%s)."},
      {"erCPCBadCode", "Error in CPC/Postbar code %s at %d position."},
      {"erBarcodeValueOutOfRange", "Barcode value must be between %d and %d"},
      {"erItalianPharmaBad", "Italian Pharmacode value bad.\rMust be in format ANNNNNNNN ."},
      {"erNumericBarcode", "Barcode symbology is accept only digits."},
      {"erNumericRange", "Chars from position %d to %d must be digits."},
      {"erNoSymbology", "Empty barcode."},
      {"erOutOfMaxCapacity", "Max.codeword capacity ( %d codewords) overcome."},
      {"erGS1", "Error in GS1 syntax"},
      {"erGS1_AI_MustBeInteger", "GS1 Application identifier must be integer"},
      {"erGS1_AI_NotFound", "GS1 unknown Application identifier"},
      {"erGS1_BadValueLength", "Value length must be between %d and %d"},
      {"erGS1_ValueMustBeInteger", "Value must be integer"},
  };
  for (int i = 0; i < kErrorCodeCount; ++i) {
    SCOPED_TRACE(rows[i].id);
    const auto code = static_cast<TksBarcodeErrorCode>(i);
    EXPECT_EQ(kBarcodeErrors[i].idx, code);
    EXPECT_STREQ(kBarcodeErrors[i].msg, rows[i].msg);
    EXPECT_EQ(kBarcodeErrors[i].helpIndex, 0);
    EXPECT_STREQ(kBarcodeErrors[i].helpKeyword, "");
    EXPECT_EQ(ErrorCodeIdentifier(code), rows[i].id);
    EXPECT_EQ(ErrorCodeEnum().Find(rows[i].id), i);
  }
  EXPECT_EQ(ErrorCodeIdentifier(static_cast<TksBarcodeErrorCode>(kErrorCodeCount)), "");
}

TEST(ErrorObject, NewAndInitialisedState) {
  TksBarcodeComponent bc;
  TksBarcodeError& e = bc.ErrorInfo();
  EXPECT_EQ(e.Barcode(), &bc);
  EXPECT_EQ(e.Mode(), emDrawErrorString);
  EXPECT_EQ(e.Code(), erOK);
  EXPECT_EQ(e.Idx(), -1);
  EXPECT_EQ(e.Par1(), 1);
  EXPECT_EQ(e.Par2(), 1);
  EXPECT_EQ(e.ErrorChar(), u"");
  EXPECT_EQ(e.HelpIndex(), 0);
  EXPECT_EQ(e.ExceptionString(), "Nepodporováno");

  EXPECT_THROW(e.Execute(erMustBe, 5, u"0-9", 42), ksBarcodeException);
  EXPECT_THROW(e.Execute(erBarcodeLengthRange, 3, 8), ksBarcodeException);
  e.Init();
  EXPECT_EQ(e.Code(), erOK);
  EXPECT_EQ(e.Idx(), -1);
  EXPECT_EQ(e.Par1(), 1);
  EXPECT_EQ(e.Par2(), 1);
  EXPECT_EQ(e.ErrorChar(), u"");
  EXPECT_EQ(e.HelpIndex(), 0);
  EXPECT_EQ(e.Mode(), emDrawErrorString);  // the mode is a setting, not error state
}

// Each raising variant fills its own fields, keeps the others and throws the engine's
// exception with the formatted short text.
TEST(ErrorObject, ExecuteVariantsFillFieldsAndFormatTheMessage) {
  struct Case {
    const char* what;
    std::function<void(TksBarcodeError&)> raise;
    TksBarcodeErrorCode code;
    int idx, par1, par2;
    std::u16string errorChar;
    int help;
    std::string message;
  };
  TksErrRecord rec;
  rec.Err = erCPCBadCode;
  rec.Position = 7;
  rec.Char = u'Q';
  rec.Par1 = 4;
  rec.Par2 = 9;
  rec.StrPar = u"ignored";
  const std::vector<Case> cases = {
      {"Execute(err, idx, str, hlp)", [](TksBarcodeError& e) { e.Execute(erMustBe, 5, u"0..9", 17); }, erMustBe,
       5, 1, 1, u"0..9", 17, "Char(s) at(from) position 5 must be (equal or in range) 0..9"},
      {"ExecuteStr", [](TksBarcodeError& e) { e.ExecuteStr(erBadPrefix, u"]C1"); }, erBadPrefix, -1, 1, 1, u"]C1", 0,
       "Bad barcode prefix, must  be ]C1"},
      {"ExecuteStr sufix", [](TksBarcodeError& e) { e.ExecuteStr(erBadSuffix, u"X"); }, erBadSuffix, -1, 1, 1, u"X",
       0, "Bad barcode sufix , must  be X"},
      {"Execute(err, p1, p2)", [](TksBarcodeError& e) { e.Execute(erGS1_BadValueLength, 14, 14); },
       erGS1_BadValueLength, -1, 14, 14, u"", 0, "Value length must be between 14 and 14"},
      {"length range", [](TksBarcodeError& e) { e.Execute(erBarcodeLengthRange, 3, 80); }, erBarcodeLengthRange, -1,
       3, 80, u"", 0, "Invalid length of barcode, must be between 3 and 80."},
      {"value range", [](TksBarcodeError& e) { e.Execute(erBarcodeValueOutOfRange, -5, 99999); },
       erBarcodeValueOutOfRange, -1, -5, 99999, u"", 0, "Barcode value must be between -5 and 99999"},
      {"numeric range", [](TksBarcodeError& e) { e.Execute(erNumericRange, 2, 7); }, erNumericRange, -1, 2, 7, u"",
       0, "Chars from position 2 to 7 must be digits."},
      {"record", [rec](TksBarcodeError& e) { e.Execute(rec); }, erCPCBadCode, 7, 4, 9, u"Q", 0,
       "Error in CPC/Postbar code Q at 7 position."},
      {"space", [](TksBarcodeError& e) { e.Execute(erCharMustBeSpace, 14, u""); }, erCharMustBeSpace, 14, 1, 1, u"",
       0, "14. char must be space."},
      {"columns", [](TksBarcodeError& e) { e.Execute(er2DBadColCount, 40, u"1..30"); }, er2DBadColCount, 40, 1, 1,
       u"1..30", 0, "Bad columns count, you have 40, must be 0 or in 1..30 ."},
      {"rows", [](TksBarcodeError& e) { e.Execute(er2DBadRowCount, 2, u"3..90"); }, er2DBadRowCount, 2, 1, 1,
       u"3..90", 0, "Bad rows count, you have 2, must be 0 or in 3..90 ."},
      {"space of symbol", [](TksBarcodeError& e) { e.ExecuteStr(er2DOutOfSymbolSpace, u"120/112"); },
       er2DOutOfSymbolSpace, -1, 1, 1, u"120/112", 0,
       "Symbol data capacity is smaller than you need.\rNeed/Have codewords : (120/112)."},
      {"capacity", [](TksBarcodeError& e) { e.Execute(erOutOfMaxCapacity, 928, u""); }, erOutOfMaxCapacity, 928, 1,
       1, u"", 0, "Max.codeword capacity ( 928 codewords) overcome."},
      {"length without text", [](TksBarcodeError& e) { e.ExecuteStr(erBarcodeLengthInvalid, u""); },
       erBarcodeLengthInvalid, -1, 1, 1, u"", 0, "Nesprávná délka znaků kódu []."},
      {"length with text", [](TksBarcodeError& e) { e.ExecuteStr(erBarcodeLengthInvalid, u"12/13"); },
       erBarcodeLengthInvalid, -1, 1, 1, u"12/13", 0, "Nesprávná délka znaků kódu [12/13]."},
      // Values a message has no placeholder for are kept but not shown.
      {"char out of set", [](TksBarcodeError& e) { e.Execute(erCharOutOfSet, 12, u"ř"); }, erCharOutOfSet, 12, 1, 1,
       u"ř", 0, "Nespecifická chyba, kód negenerován"},
      {"no values", [](TksBarcodeError& e) { e.ExecuteStr(erEmptyCode, u""); }, erEmptyCode, -1, 1, 1, u"", 0,
       "Prázdný kód."},
      {"percent in a value", [](TksBarcodeError& e) { e.ExecuteStr(erBadPrefix, u"%d%s"); }, erBadPrefix, -1, 1, 1,
       u"%d%s", 0, "Bad barcode prefix, must  be %d%s"},
      {"not supported", [](TksBarcodeError& e) { e.ExecuteStr(erNotSupported, u""); }, erNotSupported, -1, 1, 1,
       u"", 0, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TksBarcodeComponent bc;
    TksBarcodeError& e = bc.ErrorInfo();
    try {
      c.raise(e);
      ADD_FAILURE() << "no exception";
    } catch (const ksBarcodeException& ex) {
      EXPECT_EQ(ex.what(), c.message);
      EXPECT_EQ(ex.HelpContext(), c.help);
    }
    EXPECT_EQ(e.Code(), c.code);
    EXPECT_EQ(e.Idx(), c.idx);
    EXPECT_EQ(e.Par1(), c.par1);
    EXPECT_EQ(e.Par2(), c.par2);
    EXPECT_EQ(ToUtf8(e.ErrorChar()), ToUtf8(c.errorChar));
    EXPECT_EQ(e.HelpIndex(), c.help);
    EXPECT_EQ(e.ExceptionString(), c.message);
  }
}

// A record always carries its one character, #0 included; the message shows no NUL.
TEST(ErrorObject, RecordCarriesItsCharacterEvenWhenItIsNul) {
  struct Case {
    TksBarcodeErrorCode code;
    char16_t ch;
    std::string message;
  } cases[] = {
      {erBadPrefix, u'\0', "Bad barcode prefix, must  be "},
      {erCPCBadCode, u'\0', "Error in CPC/Postbar code  at 3 position."},
      {erGS1_AI_NotFound, u'\0', "GS1 unknown Application identifier"},
      {erBadPrefix, u'9', "Bad barcode prefix, must  be 9"},
  };
  for (const auto& c : cases) {
    TksBarcodeComponent bc;
    TksErrRecord rec;
    rec.Err = c.code;
    rec.Position = 3;
    rec.Char = c.ch;
    try {
      bc.BarcodeRaise(rec);
      ADD_FAILURE() << "no exception";
    } catch (const ksBarcodeException& e) {
      EXPECT_EQ(std::string(e.what()), c.message);
    }
    EXPECT_EQ(bc.ErrorInfo().ErrorChar(), std::u16string(1, c.ch)) << c.message;
    EXPECT_EQ(bc.ErrorInfo().ExceptionString(), c.message);
  }
}

// The GS1 errors of the engine are raised from records without a character.
TEST(ErrorObject, Gs1ErrorsCarryTheNulCharacter) {
  TksBarcodeComponent bc;
  bc.SetBarcodeSymbology(bcUccEan128);
  bc.SetBarCode(u"(01)123");
  bc.ErrorInfo().SetMode(emSilent);
  EXPECT_THROW(bc.EncodeBars(bc.BarCode()), ksBarcodeException);
  EXPECT_GE(bc.ErrorInfo().Code(), erGS1);
  EXPECT_EQ(bc.ErrorInfo().ErrorChar(), std::u16string(1, u'\0'));
}

TEST(ErrorObject, BarcodeRaiseFillsTheOwnersErrorObject) {
  TksBarcodeComponent bc;
  try {
    bc.BarcodeRaise(erCharOutOfSet, 3, u"x");
    FAIL() << "no exception";
  } catch (const ksBarcodeException& ex) {
    EXPECT_STREQ(ex.what(), "Nespecifická chyba, kód negenerován");
  }
  EXPECT_EQ(bc.ErrorInfo().Code(), erCharOutOfSet);
  EXPECT_EQ(bc.ErrorInfo().Idx(), 3);
  // The engine's exception is the platform's base exception too.
  EXPECT_THROW(bc.BarcodeRaiseStr(erEmptyCode, u""), Exception);
}

TEST(ErrorObject, LongTextNamesTheSymbology) {
  TksBarcodeComponent bc;  // EAN-13
  EXPECT_THROW(bc.BarcodeRaiseStr(erEmptyCode, u""), ksBarcodeException);
  EXPECT_EQ(bc.ErrorInfo().ExceptionStringFull(), "EAN 13( bcEan13 ) : \r\n\r\nPrázdný kód.");

  bc.SetBarcodeSymbology(bcMSIPlessey);
  EXPECT_THROW(bc.BarcodeRaiseStr(erNotSupported, u""), ksBarcodeException);
  EXPECT_EQ(bc.ErrorInfo().ExceptionStringFull(), "MSI/Plessey( bcMSIPlessey ) : \r\n\r\n");

  bc.SetBarcodeSymbology(bc25Matrix);
  bc.ErrorInfo().Init();
  EXPECT_EQ(bc.ErrorInfo().ExceptionStringFull(), "2/5 Matrix ( bc25Matrix ) : \r\n\r\nNepodporováno");

  TksBarcodeError orphan(nullptr);
  EXPECT_EQ(orphan.ExceptionStringFull(), "Undefined symbology( bcNone ) : \r\n\r\nNepodporováno");
}

TEST(ErrorObject, ValidationErrorsReachTheErrorObject) {
  TksBarcodeComponent bc;
  EXPECT_THROW(bc.CheckBarCode(u"40063813339a1"), ksBarcodeException);
  EXPECT_EQ(bc.ErrorInfo().Code(), erCharOutOfSet);
  EXPECT_EQ(bc.ErrorInfo().Idx(), 12);
  EXPECT_EQ(bc.ErrorInfo().ErrorChar(), u"a");
  EXPECT_EQ(bc.ErrorInfo().ExceptionString(), "Nespecifická chyba, kód negenerován");
}

TEST(ErrorObject, ModeWriteAlwaysNotifiesTheOwner) {
  TksBarcodeComponent bc;
  int updates = 0;
  bc.OnUpdate = [&](TksComponent*) { ++updates; };
  bc.ErrorInfo().SetMode(emPaintRedCross);
  EXPECT_EQ(bc.ErrorInfo().Mode(), emPaintRedCross);
  EXPECT_EQ(updates, 1);
  bc.ErrorInfo().SetMode(emPaintRedCross);  // an equal value repaints too
  EXPECT_EQ(updates, 2);

  TksBarcodeError orphan(nullptr);
  orphan.SetMode(emSilent);  // no owner to notify
  EXPECT_EQ(orphan.Mode(), emSilent);
}

TEST(ErrorObject, AssignCopiesOnlyTheMode) {
  TksBarcodeComponent a, b;
  a.ErrorInfo().SetMode(emStandardRaise);
  EXPECT_THROW(a.BarcodeRaise(erMustBe, 4, u"abc", 9), ksBarcodeException);

  b.ErrorInfo().Assign(a.ErrorInfo());
  EXPECT_EQ(b.ErrorInfo().Mode(), emStandardRaise);
  EXPECT_EQ(b.ErrorInfo().Code(), erOK);
  EXPECT_EQ(b.ErrorInfo().Idx(), -1);
  EXPECT_EQ(b.ErrorInfo().ErrorChar(), u"");
  EXPECT_EQ(b.ErrorInfo().HelpIndex(), 0);
  EXPECT_EQ(b.ErrorInfo().Barcode(), &b);

  // Writing the property copies the mode the same way.
  TksBarcodeError other(nullptr);
  other.SetMode(emHideOnError);
  b.SetErrorInfo(other);
  EXPECT_EQ(b.ErrorInfo().Mode(), emHideOnError);

  // Another kind of object cannot be assigned.
  EXPECT_THROW(b.ErrorInfo().Assign(b), Exception);
  EXPECT_EQ(b.ErrorInfo().Mode(), emHideOnError);
}

TEST(ErrorObject, PropertyTable) {
  TksBarcodeComponent bc;
  TksBarcodeError& e = bc.ErrorInfo();
  struct Row {
    const char* name;
    bool stored;
    bool readOnly;
    const char* defaultText;
  };
  const Row rows[] = {
      {"Mode", true, false, "emDrawErrorString"}, {"Code", false, true, "erOK"}, {"Idx", false, true, "-1"},
      {"Par1", false, true, "1"},                 {"Par2", false, true, "1"},    {"ErrorChar", false, true, ""},
      {"HelpIndex", false, true, "0"},
  };
  const PropertyTable& t = e.Properties();
  ASSERT_EQ(t.props.size(), std::size(rows));
  for (size_t i = 0; i < std::size(rows); ++i) {
    SCOPED_TRACE(rows[i].name);
    EXPECT_EQ(t.props[i].name, rows[i].name);
    EXPECT_EQ(t.props[i].stored, rows[i].stored);
    EXPECT_EQ(t.props[i].readOnly, rows[i].readOnly);
    EXPECT_EQ(t.props[i].defaultText, rows[i].defaultText);
  }

  EXPECT_THROW(e.Execute(erMustBe, 5, u"ž", 3), ksBarcodeException);
  std::string v;
  ASSERT_TRUE(GetPropertyText(e, "Code", v));
  EXPECT_EQ(v, "erMustBe");
  ASSERT_TRUE(GetPropertyText(e, "Idx", v));
  EXPECT_EQ(v, "5");
  ASSERT_TRUE(GetPropertyText(e, "ErrorChar", v));
  EXPECT_EQ(v, "ž");
  ASSERT_TRUE(GetPropertyText(e, "HelpIndex", v));
  EXPECT_EQ(v, "3");

  EXPECT_EQ(SetPropertyText(e, "Mode", "emPaintRedBrush"), SetResult::Ok);
  EXPECT_EQ(e.Mode(), emPaintRedBrush);
  EXPECT_EQ(SetPropertyText(e, "Mode", "emNoSuchMode"), SetResult::BadValue);
  EXPECT_EQ(SetPropertyText(e, "Code", "erOK"), SetResult::ReadOnly);
  EXPECT_EQ(e.Code(), erMustBe);

  // Only the mode is saved with the barcode's settings.
  std::vector<std::string> storedKeys;
  for (const auto& p : ListProperties(bc, true, true))
    if (p.path.rfind("ErrorInfo.", 0) == 0) storedKeys.push_back(p.path);
  EXPECT_EQ(storedKeys, std::vector<std::string>{"ErrorInfo.Mode"});
}

TEST(ErrorObject, ModeNames) {
  const char* names[] = {"emStandardRaise", "emDrawErrorString", "emPaintRedCross", "emPaintRedBrush",
                         "emSilent",        "emExtendedRaise",   "emHideIfEmpty",   "emHideOnError"};
  ASSERT_EQ(ErrorModeEnum().values.size(), std::size(names));
  for (int i = 0; i < static_cast<int>(std::size(names)); ++i) EXPECT_EQ(ErrorModeEnum().Name(i), names[i]);
}

}  // namespace
}  // namespace ks
