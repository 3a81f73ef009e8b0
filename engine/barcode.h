// TksBarcodeComponent: the non-visual barcode object. It holds everything that defines
// one barcode, keeps its data text complete, encodes on demand and announces every
// effective change through Changed().
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/component.h"
#include "engine/errors.h"
#include "engine/export.h"
#include "engine/ksmath.h"
#include "engine/persistent.h"
#include "engine/symbology.h"

namespace ks {

class TksBarcodeCaption;
class TksQuietZone;
class TksHorzLines;
class TksParams;
class TksMatrix;

enum TksBarcodeOption : uint8_t {
  boTransparent, boSecurity, boStartStopLines, boAddOnUp, boEnableEditor, boAutoSize,
  boAutoHint, boAutoCheckDigit, boEditorAfterCreate, boFlipVertical, boFlipHorizontal,
  boReflectanceReversal, boPaintIfSmall, boAddLeadingZero, boAutoSecurity, boHideIfEmpty,
  boHideIfException
};
using TksBarcodeOptions = uint32_t;  // bit i = option i
inline constexpr TksBarcodeOptions OptionBit(TksBarcodeOption o) { return 1u << o; }
inline constexpr TksBarcodeOptions kDefaultOptions = 0x1FF;

enum TksDirection : uint8_t { ksDirFirst, ksDirPrevious, ksDirNone, ksDirNext, ksDirLast };

// Enumeration names shared by property tables, CLI and UI lists.
BARVELLO_ENGINE_API const EnumType& SymbologyEnum();
BARVELLO_ENGINE_API const EnumType& OptionEnum();
BARVELLO_ENGINE_API const EnumType& ErrorModeEnum();
BARVELLO_ENGINE_API const EnumType& ErrorCodeEnum();

// The editor reads and writes a barcode through this interface, whether it is the
// barcode object itself or a visual control that owns one.
class BARVELLO_ENGINE_API IBarcodeAccess {
 public:
  virtual ~IBarcodeAccess() = default;
  virtual TksBarcodeComponent* BarcodeComponent() = 0;
};

class BARVELLO_ENGINE_API TksBarcodeComponent : public TksComponent, public TksPersistent, public IBarcodeAccess {
 public:
  explicit TksBarcodeComponent(TksComponent* owner = nullptr);
  static std::unique_ptr<TksBarcodeComponent> CreateFromControl(TksComponent* owner, TNotifyEvent updateProc);
  ~TksBarcodeComponent() override;

  // ---- published properties ----
  TColor BackgroundColor() const { return FBackgroundColor; }
  void SetBackgroundColor(TColor c);
  TksBarcodeOptions Options() const { return FOptions; }
  void SetOptions(TksBarcodeOptions o);
  bool HasOption(TksBarcodeOption o) const { return (FOptions & OptionBit(o)) != 0; }
  const std::u16string& BarCode() const { return FBarCode; }
  void SetBarCode(const std::u16string& value);
  TksBarcodeSymbology BarcodeSymbology() const { return FBarcodeSymbology; }
  void SetBarcodeSymbology(TksBarcodeSymbology value);
  TksQuietZone& QuietZone() const { return *FQuietZone; }
  void SetQuietZone(const TksQuietZone& v);
  TksHorzLines& HorzLines() const { return *FHorzLines; }
  void SetHorzLines(const TksHorzLines& v);
  TksBarcodeError& ErrorInfo() const { return *FErrorInfo; }
  void SetErrorInfo(const TksBarcodeError& v);  // copies the mode into the owned object
  TColor LinesColor() const { return FLinesColor; }
  void SetLinesColor(TColor c);
  int32_t Angle() const { return FAngle; }
  void SetAngle(int32_t value);
  TksBarcodeCaption& CaptionUpper() const { return *FCaptionUpper; }
  void SetCaptionUpper(const TksBarcodeCaption& v);
  TksBarcodeCaption& CaptionBottom() const { return *FCaptionBottom; }
  void SetCaptionBottom(const TksBarcodeCaption& v);
  TksBarcodeCaption& CaptionHuman() const { return *FCaptionHuman; }
  void SetCaptionHuman(const TksBarcodeCaption& v);
  TksParams& Params() const { return *FParams; }
  void SetParams(const TksParams& v);

  TNotifyEvent OnChangeTypCode;
  TNotifyEvent OnChangeBarCode;
  TNotifyEvent OnUpdate;

  // ---- copying and notification ----
  void Assign(const TksPersistent& source) override;
  virtual void AssignOnlyBarcode(const TksBarcodeComponent* source);
  void Changed();

  // ---- queries ----
  TksBarcodeComponent* BarcodeComponent() override { return this; }
  std::vector<std::string>& Bars() { return FBars; }
  const std::vector<std::string>& Bars() const { return FBars; }
  TksMatrix& Pixels() const { return *FPixels; }
  TksBarCodeInfo GetBarcodeInfo() const;
  TksBarCodeInfo BI() const { return GetBarcodeInfo(); }
  std::string BarcodeTypeName() const;
  int MinWidth();
  int MinHeight(int defHeightPercent);
  std::string GetHint() const;
  std::string BarcodeHint() const;
  void ChangeSymbology(TksDirection dir, bool onlySupported);

  // ---- validation and completion ----
  std::u16string GetSetOfChars() const;
  std::string GetSetOfCharsVisible() const;
  bool CheckChars(const std::u16string& text);
  bool CheckBarCode(const std::u16string& s);
  void BarcodeComplete();

  // ---- encoding ----
  // Validates, dispatches to the symbology's encoder and post-processes (EAN margin,
  // ratio). The row is also left in Bars(); validation that rejects leaves Bars() empty.
  // Patterns are ASCII, one character per module.
  std::string EncodeBars(const std::u16string& text);
  std::string Zoom(const std::string& pattern, int width, bool security);

  // Where the painter writes the human-readable text (see the dispatch for meanings).
  std::array<int32_t, 6> TextSlot{};

  // ---- raising: every variant throws ----
  [[noreturn]] void BarcodeRaise();
  [[noreturn]] void BarcodeRaiseStr(TksBarcodeErrorCode err, const std::u16string& str, int hlp = 0);
  [[noreturn]] void BarcodeRaise(TksBarcodeErrorCode err, int idx, const std::u16string& str, int hlp = 0);
  [[noreturn]] void BarcodeRaise(TksBarcodeErrorCode err, int p1, int p2);
  [[noreturn]] void BarcodeRaise(const TksErrRecord& err);

  const PropertyTable& Properties() const override;

  // Not published: set by CreateFromControl, fired by Changed after OnUpdate.
  TNotifyEvent FOnUpdateBarcodeParent;

 private:
  std::u16string FBarCode;
  TksBarcodeSymbology FBarcodeSymbology = bcEan13;
  TColor FLinesColor = clBlack;
  TColor FBackgroundColor = clWhite;
  int32_t FAngle = 0;
  std::unique_ptr<TksBarcodeCaption> FCaptionUpper;
  std::unique_ptr<TksBarcodeCaption> FCaptionBottom;
  std::unique_ptr<TksBarcodeCaption> FCaptionHuman;
  std::vector<std::string> FBars;
  std::unique_ptr<TksHorzLines> FHorzLines;
  std::unique_ptr<TksQuietZone> FQuietZone;
  std::unique_ptr<TksParams> FParams;
  TksBarcodeOptions FOptions = kDefaultOptions;
  std::unique_ptr<TksMatrix> FPixels;
  std::unique_ptr<TksBarcodeError> FErrorInfo;
};

// The wide/narrow ratio expansion; throws Exception for runs longer than two.
enum TksRatio : uint8_t { ra20, ra25, ra30 };
BARVELLO_ENGINE_API std::string ApplyRatio(const std::string& pattern, TksRatio ratio);

// Check digits and helpers used by completion, validation and the encoders.
BARVELLO_ENGINE_API char16_t CheckDigitEAN13(std::u16string_view text);
BARVELLO_ENGINE_API char16_t CheckDigitUPC(std::u16string_view text);
BARVELLO_ENGINE_API char16_t CheckDigitISBN(std::u16string_view text);
BARVELLO_ENGINE_API char16_t CheckDigitOPC(std::u16string_view text);
BARVELLO_ENGINE_API char16_t CheckDigitPZN(std::u16string_view text);
BARVELLO_ENGINE_API std::u16string DigitsOnly(std::u16string_view text);
BARVELLO_ENGINE_API std::u16string ExpandUpcE(std::u16string_view text);

}  // namespace ks
