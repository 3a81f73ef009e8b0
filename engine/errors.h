// The error channel: error codes with their message table, the error object every
// barcode owns, and the exceptions the engine raises.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>

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

// The platform's base exception: a message (UTF-8), a help context and the error code of
// the failure (erOK only for exceptions that are not a failure of the engine).
class BARVELLO_ENGINE_API Exception : public std::runtime_error {
 public:
  explicit Exception(const std::string& msg, int helpContext = 0)
      : std::runtime_error(msg), helpContext_(helpContext) {}
  Exception(TksBarcodeErrorCode code, const std::string& msg, int helpContext = 0)
      : std::runtime_error(msg), helpContext_(helpContext), code_(code) {}
  int HelpContext() const { return helpContext_; }
  TksBarcodeErrorCode Code() const { return code_; }

 private:
  int helpContext_;
  TksBarcodeErrorCode code_ = erOK;
};

// The silent abort: callers treat it as "stop without a message".
class BARVELLO_ENGINE_API EAbort : public Exception {
 public:
  EAbort() : Exception("Operation aborted") {}
};

// The engine's own exception; its message is the short error text. It always carries
// the code of the failure.
class BARVELLO_ENGINE_API ksBarcodeException : public Exception {
 public:
  ksBarcodeException(TksBarcodeErrorCode code, const std::string& msg, int helpContext = 0)
      : Exception(code, msg, helpContext) {}
};

// The short text of a code with the values its placeholders take (the message table,
// as the error object shows it).
std::string ErrorMessage(TksBarcodeErrorCode code, int idx, std::u16string_view text, int par1, int par2);

// A failure found where no barcode object is at hand (an encoder, a symbol builder, a
// check-codeword generator): the code with the position and the character or text its
// message names, or a message of its own. The barcode object that ran the encoder takes
// it over into its error object (TksBarcodeError::Raise), so callers of the object see
// one channel.
class TksEncodeError : public ksBarcodeException {
 public:
  TksEncodeError(TksBarcodeErrorCode code, int idx, std::u16string text)
      : ksBarcodeException(code, ErrorMessage(code, idx, text, 1, 1)), idx_(idx), text_(std::move(text)) {}
  TksEncodeError(TksBarcodeErrorCode code, const std::string& message)
      : ksBarcodeException(code, message), ownMessage_(true) {}
  int Idx() const { return idx_; }
  const std::u16string& Text() const { return text_; }
  bool OwnMessage() const { return ownMessage_; }

 private:
  int idx_ = -1;
  std::u16string text_;
  bool ownMessage_ = false;
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
  // A failure with a message of its own instead of the code's text.
  [[noreturn]] void ExecuteMessage(TksBarcodeErrorCode err, const std::string& message);
  // Takes over a failure raised where no barcode object was at hand.
  [[noreturn]] void Raise(const TksEncodeError& e);
  // Records a failure that travels on as it is (an exception other than the engine's
  // own, which error modes do not handle): the code and its message, without raising.
  void Record(const Exception& e);

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
  std::string FMessage;  // a message of its own; empty: the code's text
  TksBarcodeComponent* FBarcode = nullptr;
};

}  // namespace ks
