// The error channel: the message table, the error object's fields and the raising
// operations. Drawing an error is done by the render layer.
#include "engine/errors.h"

#include <string>

#include "engine/barcode.h"
#include "engine/symbology.h"
#include "engine/ustring.h"

namespace ks {

// Messages are kept exactly as callers and stored files know them.
const TksBarcodeErrorInfo kBarcodeErrors[kErrorCodeCount] = {
    {erOK, "Nepodporováno", 0, ""},
    {erNotSupported, "", 0, ""},
    {erMustBe, "Char(s) at(from) position %d must be (equal or in range) %s", 0, ""},
    {erErrorInBarCode, "Nespecifická chyba, kód negenerován", 0, ""},
    {erCharOutOfSet, "Nespecifická chyba, kód negenerován", 0, ""},
    {erSmallPaintBox, "Zvětšete velikost obrázku kódu !", 0, ""},
    {erOutOfSecurityBox, "Rectangle for secure painting is very small.", 0, ""},
    {erBarcodeLengthInvalid, "Nesprávná délka znaků kódu [%s].", 0, ""},
    {erBarcodeLengthRange, "Invalid length of barcode, must be between %d and %d.", 0, ""},
    {erFirstCharMustBeZero, "ITF14 - first char must be 0.", 0, ""},
    {erCharMustBeSpace, "%d. char must be space.", 0, ""},
    {erCountCharMustBeEven, "2of5 Interleaved/ITF - count of digits must be even.", 0, ""},
    {erEmptyCode, "Prázdný kód.", 0, ""},
    {erBadPrefix, "Bad barcode prefix, must  be %s", 0, ""},
    {erBadSuffix, "Bad barcode sufix , must  be %s", 0, ""},
    {erCode16KMode, "Mode Code16K must be -1 for automatic mode selection or between 0..6", 0, ""},
    {er2DBadColCount, "Bad columns count, you have %d, must be 0 or in %s .", 0, ""},
    {er2DBadRowCount, "Bad rows count, you have %d, must be 0 or in %s .", 0, ""},
    {er2DOutOfSymbolSpace, "Symbol data capacity is smaller than you need.\rNeed/Have codewords : (%s).", 0, ""},
    {erCPCBadCode, "Error in CPC/Postbar code %s at %d position.", 0, ""},
    {erBarcodeValueOutOfRange, "Barcode value must be between %d and %d", 0, ""},
    {erItalianPharmaBad, "Italian Pharmacode value bad.\rMust be in format ANNNNNNNN .", 0, ""},
    {erNumericBarcode, "Barcode symbology is accept only digits.", 0, ""},
    {erNumericRange, "Chars from position %d to %d must be digits.", 0, ""},
    {erNoSymbology, "Empty barcode.", 0, ""},
    {erOutOfMaxCapacity, "Max.codeword capacity ( %d codewords) overcome.", 0, ""},
    {erGS1, "Error in GS1 syntax", 0, ""},
    {erGS1_AI_MustBeInteger, "GS1 Application identifier must be integer", 0, ""},
    {erGS1_AI_NotFound, "GS1 unknown Application identifier", 0, ""},
    {erGS1_BadValueLength, "Value length must be between %d and %d", 0, ""},
    {erGS1_ValueMustBeInteger, "Value must be integer", 0, ""},
};

const EnumType& ErrorModeEnum() {
  static const EnumType t{"TksBarcodeErrorMode",
                          {"emStandardRaise", "emDrawErrorString", "emPaintRedCross", "emPaintRedBrush",
                           "emSilent", "emExtendedRaise", "emHideIfEmpty", "emHideOnError"}};
  return t;
}

const EnumType& ErrorCodeEnum() {
  static const EnumType t{"TksBarcodeErrorCode",
                          {"erOK",
                           "erNotSupported",
                           "erMustBe",
                           "erErrorInBarCode",
                           "erCharOutOfSet",
                           "erSmallPaintBox",
                           "erOutOfSecurityBox",
                           "erBarcodeLengthInvalid",
                           "erBarcodeLengthRange",
                           "erFirstCharMustBeZero",
                           "erCharMustBeSpace",
                           "erCountCharMustBeEven",
                           "erEmptyCode",
                           "erBadPrefix",
                           "erBadSuffix",
                           "erCode16KMode",
                           "er2DBadColCount",
                           "er2DBadRowCount",
                           "er2DOutOfSymbolSpace",
                           "erCPCBadCode",
                           "erBarcodeValueOutOfRange",
                           "erItalianPharmaBad",
                           "erNumericBarcode",
                           "erNumericRange",
                           "erNoSymbology",
                           "erOutOfMaxCapacity",
                           "erGS1",
                           "erGS1_AI_MustBeInteger",
                           "erGS1_AI_NotFound",
                           "erGS1_BadValueLength",
                           "erGS1_ValueMustBeInteger"}};
  return t;
}

std::string ErrorCodeIdentifier(TksBarcodeErrorCode code) { return ErrorCodeEnum().Name(code); }

TksBarcodeError::TksBarcodeError(TksBarcodeComponent* bc) : FBarcode(bc) {
  // The owner is still being built; its Changed must not run yet.
  FMode = emDrawErrorString;
  Init();
}

TksBarcodeError::~TksBarcodeError() { FBarcode = nullptr; }

void TksBarcodeError::Init() {
  FCode = erOK;
  FMessage.clear();
  FIdx = -1;
  FPar1 = 1;
  FPar2 = 1;
  FErrorChar.clear();
  FHelpIndex = 0;
}

void TksBarcodeError::SetMode(TksBarcodeErrorMode m) {
  FMode = m;
  // Every write repaints the owner, even an equal value.
  if (FBarcode) FBarcode->Changed();
}

void TksBarcodeError::Assign(const TksPersistent& source) {
  if (auto* e = dynamic_cast<const TksBarcodeError*>(&source)) {
    SetMode(e->FMode);
    return;
  }
  TksPersistent::Assign(source);
}

void TksBarcodeError::Execute() { throw ksBarcodeException(FCode, ExceptionString(), FHelpIndex); }

void TksBarcodeError::ExecuteStr(TksBarcodeErrorCode err, const std::u16string& str, int hlp) {
  FCode = err;
  FMessage.clear();
  FErrorChar = str;
  FHelpIndex = hlp;
  Execute();
}

void TksBarcodeError::Execute(TksBarcodeErrorCode err, int idx, const std::u16string& str, int hlp) {
  FCode = err;
  FMessage.clear();
  FIdx = idx;
  FErrorChar = str;
  FHelpIndex = hlp;
  Execute();
}

void TksBarcodeError::Execute(TksBarcodeErrorCode err, int p1, int p2) {
  FCode = err;
  FMessage.clear();
  FPar1 = p1;
  FPar2 = p2;
  Execute();
}

void TksBarcodeError::Execute(const TksErrRecord& err) {
  FCode = err.Err;
  FMessage.clear();
  FIdx = err.Position;
  // Always the one character of the record, #0 included (every GS1 error carries #0).
  FErrorChar = std::u16string(1, err.Char);
  FPar1 = err.Par1;
  FPar2 = err.Par2;
  Execute();
}

void TksBarcodeError::ExecuteMessage(TksBarcodeErrorCode err, const std::string& message) {
  FCode = err;
  FMessage = message;
  Execute();
}

void TksBarcodeError::Raise(const TksEncodeError& e) {
  if (e.OwnMessage()) ExecuteMessage(e.Code(), e.what());
  Execute(e.Code(), e.Idx(), e.Text());
}

void TksBarcodeError::Record(const Exception& e) {
  FCode = e.Code();
  FMessage = e.what();
}

std::string ErrorMessage(TksBarcodeErrorCode code, int idx, std::u16string_view text, int par1, int par2) {
  if (code >= kErrorCodeCount) return {};
  const char* msg = kBarcodeErrors[code].msg;
  // A NUL character (the #0 of a record without a character) has no place in a message:
  // it would end the text wherever the message is shown as a C string.
  std::u16string shown(text);
  std::erase(shown, u'\0');
  const std::u16string_view t(shown);
  // Each message takes its own values, in the order of its placeholders.
  switch (code) {
    case erMustBe:
    case er2DBadColCount:
    case er2DBadRowCount:
      return Format(msg, {idx, t});
    case erBarcodeLengthInvalid:
    case erBadPrefix:
    case erBadSuffix:
    case er2DOutOfSymbolSpace:
      return Format(msg, {t});
    case erCPCBadCode:
      return Format(msg, {t, idx});
    case erCharMustBeSpace:
    case erOutOfMaxCapacity:
      return Format(msg, {idx});
    case erBarcodeLengthRange:
    case erBarcodeValueOutOfRange:
    case erNumericRange:
    case erGS1_BadValueLength:
      return Format(msg, {par1, par2});
    default:
      return msg;
  }
}

std::string TksBarcodeError::ExceptionString() const {
  if (!FMessage.empty()) return FMessage;
  return ErrorMessage(FCode, FIdx, FErrorChar, FPar1, FPar2);
}

std::string TksBarcodeError::ExceptionStringFull() const {
  TksBarCodeInfo info = SymbologyInfo(FBarcode ? FBarcode->BarcodeSymbology() : bcNone, {});
  return InfoFieldText(info, 1) + "( " + InfoFieldText(info, 3) + " ) : \r\n\r\n" + ExceptionString();
}

const PropertyTable& TksBarcodeError::Properties() const {
  using E = TksBarcodeError;
  static const PropertyTable table =
      PropsBuilder<E>()
          .Enum("Mode", ErrorModeEnum(), &E::Mode, &E::SetMode, emDrawErrorString)
          .Enum("Code", ErrorCodeEnum(), &E::Code, nullptr, erOK, false)
          .Int("Idx", &E::Idx, nullptr, -1, false)
          .Int("Par1", &E::Par1, nullptr, 1, false)
          .Int("Par2", &E::Par2, nullptr, 1, false)
          .UStr("ErrorChar", &E::ErrorChar, nullptr, "", false)
          .Int("HelpIndex", &E::HelpIndex, nullptr, 0, false)
          .Build();
  return table;
}

}  // namespace ks
