#include "engine/barcode.h"

#include "engine/catalogue.h"
#include "engine/decor.h"
#include "engine/encoders.h"
#include "engine/matrix/matrix.h"
#include "engine/params.h"
#include "engine/ustring.h"

namespace ks {

const EnumType& SymbologyEnum() {
  static const EnumType t = [] {
    EnumType e{"TksBarcodeSymbology", {}};
    for (int i = 0; i < kSymbologyRows; ++i)
      e.values.push_back(SymbologyIdentifier(static_cast<TksBarcodeSymbology>(i)));
    return e;
  }();
  return t;
}

const EnumType& OptionEnum() {
  static const EnumType t{"TksBarcodeOption",
                          {"boTransparent", "boSecurity", "boStartStopLines", "boAddOnUp", "boEnableEditor",
                           "boAutoSize", "boAutoHint", "boAutoCheckDigit", "boEditorAfterCreate",
                           "boFlipVertical", "boFlipHorizontal", "boReflectanceReversal", "boPaintIfSmall",
                           "boAddLeadingZero", "boAutoSecurity", "boHideIfEmpty", "boHideIfException"}};
  return t;
}

TksBarcodeComponent::TksBarcodeComponent(TksComponent* owner) : TksComponent(owner) {
  FErrorInfo = std::make_unique<TksBarcodeError>(this);
  FPixels = std::make_unique<TksMatrix>();
  FCaptionUpper = std::make_unique<TksBarcodeCaption>(this, cpUpper);
  FCaptionBottom = std::make_unique<TksBarcodeCaption>(this, cpBottom);
  FCaptionHuman = std::make_unique<TksBarcodeCaption>(this, cpHuman);
  FHorzLines = std::make_unique<TksHorzLines>();
  FHorzLines->OnChange = [this] { Changed(); };
  FQuietZone = std::make_unique<TksQuietZone>(this);
  FParams = std::make_unique<TksParams>(this);
  FOptions = kDefaultOptions;
  FBackgroundColor = clWhite;
  FBarCode = u"9771210107001";
  FBarcodeSymbology = bcEan13;
  FLinesColor = clBlack;
  FAngle = 0;
}

std::unique_ptr<TksBarcodeComponent> TksBarcodeComponent::CreateFromControl(TksComponent* owner,
                                                                           TNotifyEvent updateProc) {
  auto bc = std::make_unique<TksBarcodeComponent>(owner);
  bc->FOnUpdateBarcodeParent = std::move(updateProc);
  return bc;
}

TksBarcodeComponent::~TksBarcodeComponent() {
  // Sub-objects must not call back into a half-destroyed owner.
  OnUpdate = nullptr;
  FOnUpdateBarcodeParent = nullptr;
  FParams.reset();
  FHorzLines.reset();
  FCaptionHuman.reset();
  FCaptionUpper.reset();
  FCaptionBottom.reset();
  FQuietZone.reset();
  FBars.clear();
  FPixels.reset();
  FErrorInfo.reset();
}

void TksBarcodeComponent::Changed() {
  if (!FErrorInfo || !FParams) return;  // still constructing or destroying
  if (OnUpdate) OnUpdate(this);
  if (FOnUpdateBarcodeParent) FOnUpdateBarcodeParent(this);
}

void TksBarcodeComponent::SetBackgroundColor(TColor c) {
  if (c == FBackgroundColor) return;
  FBackgroundColor = c;
  Changed();
}

void TksBarcodeComponent::SetOptions(TksBarcodeOptions o) {
  o &= (1u << 17) - 1;
  if (o == FOptions) return;
  FOptions = o;
  Changed();
}

void TksBarcodeComponent::SetLinesColor(TColor c) {
  if (c == FLinesColor) return;
  FLinesColor = c;
  Changed();
}

void TksBarcodeComponent::SetBarCode(const std::u16string& value) {
  if (value == FBarCode) return;
  FBarCode = value;
  BarcodeComplete();
  Changed();
  if (OnChangeBarCode) OnChangeBarCode(this);
}

void TksBarcodeComponent::SetBarcodeSymbology(TksBarcodeSymbology value) {
  if (value >= kSymbologyRows || !CatalogueRow(value).selectable || value == FBarcodeSymbology) return;
  FBarcodeSymbology = value;
  SetBarCode(SymbologyInfo(value, FBarCode).InitValue);
  if (OnChangeTypCode) OnChangeTypCode(this);
  Changed();
}

void TksBarcodeComponent::SetAngle(int32_t value) {
  if (value == FAngle) return;
  FAngle = ((value / 90) * 90) % 360;
  Changed();
}

void TksBarcodeComponent::SetQuietZone(const TksQuietZone& v) { FQuietZone->Assign(v); }
void TksBarcodeComponent::SetHorzLines(const TksHorzLines& v) { FHorzLines->Assign(v); }
void TksBarcodeComponent::SetErrorInfo(const TksBarcodeError& v) { FErrorInfo->Assign(v); }
void TksBarcodeComponent::SetCaptionUpper(const TksBarcodeCaption& v) { FCaptionUpper->Assign(v); }
void TksBarcodeComponent::SetCaptionBottom(const TksBarcodeCaption& v) { FCaptionBottom->Assign(v); }
void TksBarcodeComponent::SetCaptionHuman(const TksBarcodeCaption& v) { FCaptionHuman->Assign(v); }
void TksBarcodeComponent::SetParams(const TksParams& v) { FParams->Assign(v); }

void TksBarcodeComponent::Assign(const TksPersistent& source) {
  auto* s = dynamic_cast<const TksBarcodeComponent*>(&source);
  if (!s) {
    TksPersistent::Assign(source);
    return;
  }
  if (s == this) return;
  FBackgroundColor = s->FBackgroundColor;
  FOptions = s->FOptions;
  FBarcodeSymbology = s->FBarcodeSymbology;
  FLinesColor = s->FLinesColor;
  FBarCode = s->FBarCode;
  FAngle = s->FAngle;
  FCaptionUpper->Assign(*s->FCaptionUpper);
  FCaptionBottom->Assign(*s->FCaptionBottom);
  FCaptionHuman->Assign(*s->FCaptionHuman);
  FErrorInfo->Assign(*s->FErrorInfo);
  FHorzLines->Assign(*s->FHorzLines);
  FQuietZone->Assign(*s->FQuietZone);
  FErrorInfo->Assign(*s->FErrorInfo);
  FParams->Assign(*s->FParams);
  Changed();
}

void TksBarcodeComponent::AssignOnlyBarcode(const TksBarcodeComponent* s) {
  if (!s || s == this) return;
  FBarcodeSymbology = s->FBarcodeSymbology;
  FBarCode = s->FBarCode;
  FAngle = s->FAngle;
  FBackgroundColor = s->FBackgroundColor;
  FLinesColor = s->FLinesColor;
  FOptions = s->FOptions;
  FCaptionUpper->Assign(*s->FCaptionUpper);
  FCaptionBottom->Assign(*s->FCaptionBottom);
  FCaptionHuman->Assign(*s->FCaptionHuman);
  FQuietZone->Assign(*s->FQuietZone);
  FParams->Assign(*s->FParams);
  Changed();
}

TksBarCodeInfo TksBarcodeComponent::GetBarcodeInfo() const { return SymbologyInfo(FBarcodeSymbology, FBarCode); }

std::string TksBarcodeComponent::BarcodeTypeName() const { return SymbologyIdentifier(FBarcodeSymbology); }

int TksBarcodeComponent::MinWidth() {
  EncodeBars(FBarCode);
  if (FBars.empty()) return 100;
  // A matrix symbol's row is empty; its width is the matrix's width in modules.
  TksSymbolType st = GetBarcodeInfo().SymbolType;
  if (st == stMatrix && FBars.front().empty() && FPixels->NC > 0) return FPixels->NC;
  if (st == stStacked && FBars.front().empty()) {
    int n = StackedSymbolWidth(*this);
    if (n > 0) return n;
  }
  return static_cast<int>(FBars.front().size());
}

int TksBarcodeComponent::MinHeight(int defHeightPercent) {
  EncodeBars(FBarCode);
  if (FBars.empty()) return 100;
  TksSymbolType st = GetBarcodeInfo().SymbolType;
  if (st == stMatrix && FBars.front().empty() && FPixels->NR > 0) return FPixels->NR;
  // A stacked symbol's rows are built by its own encoder.
  if (st == stStacked && FBars.front().empty()) StackedSymbolWidth(*this);
  if (FBars.size() == 1) return MulDiv(static_cast<int>(FBars.front().size()), defHeightPercent, 100);
  int rows = static_cast<int>(FBars.size());
  return st == stMatrix ? rows : 5 * rows;
}

std::string TksBarcodeComponent::GetHint() const {
  TksBarCodeInfo info = GetBarcodeInfo();
  return Format(
      "Symbology  name : %s\r\nEnumerated name : %s\r\nSymbology type  : %s\r\nCurrent value   : %s\r\nCharset         : %s\r\n",
      {InfoFieldText(info, 1), InfoFieldText(info, 3), InfoFieldText(info, 13), ToUtf8(FBarCode),
       InfoFieldText(info, 5)});
}

std::string TksBarcodeComponent::BarcodeHint() const { return HasOption(boAutoHint) ? GetHint() : std::string(); }

void TksBarcodeComponent::ChangeSymbology(TksDirection dir, bool onlySupported) {
  int s = FBarcodeSymbology;
  const int last = kSymbologyRows - 1;
  // Every row is visited at most twice, so a search that can reach no supported row ends
  // and leaves the symbology unchanged.
  for (int guard = 0; guard < 2 * kSymbologyRows + 2; ++guard) {
    switch (dir) {
      case ksDirFirst:
        s = 0;
        dir = ksDirNext;
        break;
      case ksDirPrevious:
        s = s == 0 ? last : s - 1;
        break;
      case ksDirNext:
        s = s == last ? 0 : s + 1;
        break;
      case ksDirLast:
        s = last;
        dir = ksDirPrevious;
        break;
      case ksDirNone:
        break;
    }
    if (!onlySupported || SymbologyInfo(static_cast<TksBarcodeSymbology>(s), u"").Supported) {
      SetBarcodeSymbology(static_cast<TksBarcodeSymbology>(s));
      return;
    }
    if (dir == ksDirNone) return;
  }
}

// ---- raising -----------------------------------------------------------------------

void TksBarcodeComponent::BarcodeRaise() { FErrorInfo->Execute(); }
void TksBarcodeComponent::BarcodeRaiseStr(TksBarcodeErrorCode err, const std::u16string& str, int hlp) {
  FErrorInfo->ExecuteStr(err, str, hlp);
}
void TksBarcodeComponent::BarcodeRaise(TksBarcodeErrorCode err, int idx, const std::u16string& str, int hlp) {
  FErrorInfo->Execute(err, idx, str, hlp);
}
void TksBarcodeComponent::BarcodeRaise(TksBarcodeErrorCode err, int p1, int p2) { FErrorInfo->Execute(err, p1, p2); }
void TksBarcodeComponent::BarcodeRaise(const TksErrRecord& err) { FErrorInfo->Execute(err); }

// ---- property table ----------------------------------------------------------------

const PropertyTable& TksBarcodeComponent::Properties() const {
  using B = TksBarcodeComponent;
  static const PropertyTable t =
      PropsBuilder<B>()
          .Str("Name", &B::Name, &B::SetName, "")
          .Int("Tag", &B::Tag, &B::SetTag, 0)
          .Color("BackgroundColor", &B::BackgroundColor, &B::SetBackgroundColor, clWhite)
          .Set("Options", OptionEnum(), &B::Options, &B::SetOptions, kDefaultOptions)
          .UStr("BarCode", &B::BarCode, &B::SetBarCode, "9771210107001")
          .Enum("BarcodeSymbology", SymbologyEnum(), &B::BarcodeSymbology, &B::SetBarcodeSymbology, bcEan13)
          .Object("QuietZone", [](B& b) { return &b.QuietZone(); })
          .Object("HorzLines", [](B& b) { return &b.HorzLines(); })
          .Object("ErrorInfo", [](B& b) { return &b.ErrorInfo(); })
          .Color("LinesColor", &B::LinesColor, &B::SetLinesColor, clBlack)
          .Int("Angle", &B::Angle, &B::SetAngle, 0)
          .Object("CaptionUpper", [](B& b) { return &b.CaptionUpper(); })
          .Object("CaptionBottom", [](B& b) { return &b.CaptionBottom(); })
          .Object("CaptionHuman", [](B& b) { return &b.CaptionHuman(); })
          .Object("Params", [](B& b) { return &b.Params(); })
          .Event("OnChangeTypCode")
          .Event("OnChangeBarCode")
          .Event("OnUpdate")
          .Build();
  return t;
}

}  // namespace ks
