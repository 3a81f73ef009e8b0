// The error channel: error codes with their message table, the error object every
// barcode owns, and the exceptions the engine raises.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

#include "engine/export.h"
#include "engine/ksmath.h"
#include "engine/persistent.h"

namespace ks {

class TksBarcodeComponent;

enum TksBarcodeErrorCode : uint8_t {
  erOK, erNotSupported, erMustBe, erErrorInBarCode, erCharOutOfSet, erSmallPaintBox,
  erOutOfSecurityBox, erBarcodeLengthInvalid, erBarcodeLengthRange, erFirstCharMustBeZero,
  erCharMustBeSpace, erCountCharMustBeEven, erEmptyCode, erBadPrefix, erBadSuffix,
  erCode16KMode, er2DBadColCount, er2DBadRowCount, er2DOutOfSymbolSpace, erCPCBadCode,
  erBarcodeValueOutOfRange, erItalianPharmaBad, erNumericBarcode, erNumericRange,
  erNoSymbology, erOutOfMaxCapacity, erGS1, erGS1_AI_MustBeInteger, erGS1_AI_NotFound,
  erGS1_BadValueLength, erGS1_ValueMustBeInteger
};
inline constexpr int kErrorCodeCount = 31;

struct TksBarcodeErrorInfo {
  TksBarcodeErrorCode idx;
  const char* msg;
  int32_t helpIndex;
  const char* helpKeyword;
};
// One row per code, in code order.
extern BARVELLO_ENGINE_API const TksBarcodeErrorInfo kBarcodeErrors[kErrorCodeCount];
BARVELLO_ENGINE_API std::string ErrorCodeIdentifier(TksBarcodeErrorCode code);  // "erEmptyCode"

struct TksErrRecord {
  TksBarcodeErrorCode Err = erOK;
  int32_t Position = 0;
  char16_t Char = 0;
  int32_t Par1 = 0;
  int32_t Par2 = 0;
  std::u16string StrPar;
};

enum TksBarcodeErrorMode : uint8_t {
  emStandardRaise, emDrawErrorString, emPaintRedCross, emPaintRedBrush, emSilent,
  emExtendedRaise, emHideIfEmpty, emHideOnError
};

enum TksGrShape : uint8_t { gsBorder, gsCross, gsBrush, gsMSG };
using TksGrShapes = uint32_t;  // bit i = shape i

// The platform's base exception: a message (UTF-8) and a help context.
class BARVELLO_ENGINE_API Exception : public std::runtime_error {
 public:
  explicit Exception(const std::string& msg, int helpContext = 0)
      : std::runtime_error(msg), helpContext_(helpContext) {}
  int HelpContext() const { return helpContext_; }

 private:
  int helpContext_;
};

// The silent abort: callers treat it as "stop without a message".
class BARVELLO_ENGINE_API EAbort : public Exception {
 public:
  EAbort() : Exception("Operation aborted") {}
};

// The engine's own exception; its message is the short error text.
class BARVELLO_ENGINE_API ksBarcodeException : public Exception {
 public:
  using Exception::Exception;
};

class BARVELLO_ENGINE_API TksBarcodeError : public TksPersistent {
 public:
  explicit TksBarcodeError(TksBarcodeComponent* bc);  // CreateBC
  ~TksBarcodeError() override;

  void Init();
  void Assign(const TksPersistent& source) override;

  TksBarcodeErrorMode Mode() const { return FMode; }
  void SetMode(TksBarcodeErrorMode m);
  TksBarcodeErrorCode Code() const { return FCode; }
  int32_t Idx() const { return FIdx; }
  int32_t Par1() const { return FPar1; }
  int32_t Par2() const { return FPar2; }
  const std::u16string& ErrorChar() const { return FErrorChar; }
  int32_t HelpIndex() const { return FHelpIndex; }
  TksBarcodeComponent* Barcode() const { return FBarcode; }

  // Every Execute variant fills the fields and throws ksBarcodeException.
  [[noreturn]] void Execute();
  [[noreturn]] void ExecuteStr(TksBarcodeErrorCode err, const std::u16string& str, int hlp = 0);
  [[noreturn]] void Execute(TksBarcodeErrorCode err, int idx, const std::u16string& str, int hlp = 0);
  [[noreturn]] void Execute(TksBarcodeErrorCode err, int p1, int p2);
  [[noreturn]] void Execute(const TksErrRecord& err);

  std::string ExceptionString() const;
  std::string ExceptionStringFull() const;

  const PropertyTable& Properties() const override;

 private:
  TksBarcodeErrorMode FMode = emDrawErrorString;
  TksBarcodeErrorCode FCode = erOK;
  int32_t FIdx = -1;
  int32_t FPar1 = 1;
  int32_t FPar2 = 1;
  std::u16string FErrorChar;
  int32_t FHelpIndex = 0;
  TksBarcodeComponent* FBarcode = nullptr;
};

}  // namespace ks
