// Font and pen value objects and the decoration sub-objects of a barcode: captions,
// quiet zone and horizontal lines. Painting them lives in render/.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine/export.h"
#include "engine/ksmath.h"
#include "engine/persistent.h"

namespace ks {

class TksBarcodeComponent;

enum TFontStyle : uint8_t { fsBold, fsItalic, fsUnderline, fsStrikeOut };
using TFontStyles = uint32_t;  // bit i = style i
enum TFontPitch : uint8_t { fpDefault, fpVariable, fpFixed };
enum TPenStyle : uint8_t { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame };
enum TPenMode : uint8_t {
  pmBlack, pmWhite, pmNop, pmNot, pmCopy, pmNotCopy, pmMergePenNot, pmMaskPenNot,
  pmMergeNotPen, pmMaskNotPen, pmMerge, pmNotMerge, pmMask, pmNotMask, pmXor, pmNotXor
};
enum TAlignment : uint8_t { taLeftJustify, taRightJustify, taCenter };
enum TksCaptionPosition : uint8_t { cpUpper, cpHuman, cpBottom };
enum TksQuietZoneIndicatorStyle : uint8_t { qzNone, qzLines, qzTriangel, qzRectangle };

BARVELLO_ENGINE_API const EnumType& FontStyleEnum();
BARVELLO_ENGINE_API const EnumType& FontPitchEnum();
BARVELLO_ENGINE_API const EnumType& PenStyleEnum();
BARVELLO_ENGINE_API const EnumType& PenModeEnum();
BARVELLO_ENGINE_API const EnumType& AlignmentEnum();
BARVELLO_ENGINE_API const EnumType& QuietZoneStyleEnum();

// Screen resolution used for font sizes: height = -MulDiv(size, 96, 72).
inline constexpr int kScreenPixelsPerInch = 96;

// A logical font description. Size and Height are two views of one value: setting one
// recomputes the other at PixelsPerInch.
class BARVELLO_ENGINE_API TksFont : public TksPersistent {
 public:
  TksFont();
  TksFont(const TksFont& o);
  TksFont& operator=(const TksFont& o);

  const std::string& Name() const { return name_; }
  void SetName(const std::string& v);
  int Size() const;
  void SetSize(int v);
  int Height() const { return height_; }
  void SetHeight(int v);
  TColor Color() const { return color_; }
  void SetColor(TColor v);
  TFontStyles Style() const { return style_; }
  void SetStyle(TFontStyles v);
  bool HasStyle(TFontStyle s) const { return (style_ & (1u << s)) != 0; }
  int Charset() const { return charset_; }
  void SetCharset(int v);
  TFontPitch Pitch() const { return pitch_; }
  void SetPitch(TFontPitch v);
  int PixelsPerInch() const { return ppi_; }
  void SetPixelsPerInch(int v) { ppi_ = v; }
  // Rotation of the text in tenths of a degree and average character width (0 = natural);
  // set by SetRotatedFont, not published.
  int Escapement = 0;
  int CharWidth = 0;

  void Assign(const TksPersistent& source) override;
  const PropertyTable& Properties() const override;
  std::function<void()> OnChange;

 private:
  void Notify() {
    if (OnChange) OnChange();
  }
  std::string name_ = "Arial";
  int height_ = -13;  // 10 pt at 96 dpi
  TColor color_ = clBlack;
  TFontStyles style_ = 0;
  int charset_ = 1;  // DEFAULT_CHARSET
  TFontPitch pitch_ = fpDefault;
  int ppi_ = kScreenPixelsPerInch;
};

class BARVELLO_ENGINE_API TksPen : public TksPersistent {
 public:
  TksPen() = default;
  TksPen(const TksPen& o) : TksPersistent(), color_(o.color_), width_(o.width_), style_(o.style_), mode_(o.mode_) {}
  TColor Color() const { return color_; }
  void SetColor(TColor v);
  int Width() const { return width_; }
  void SetWidth(int v);
  TPenStyle Style() const { return style_; }
  void SetStyle(TPenStyle v);
  TPenMode Mode() const { return mode_; }
  void SetMode(TPenMode v);

  void Assign(const TksPersistent& source) override;
  const PropertyTable& Properties() const override;
  std::function<void()> OnChange;

 protected:
  void Notify() {
    if (OnChange) OnChange();
  }

 private:
  TColor color_ = clBlack;
  int width_ = 1;
  TPenStyle style_ = psSolid;
  TPenMode mode_ = pmCopy;
};

class BARVELLO_ENGINE_API TksBarcodeCaption : public TksPersistent {
 public:
  TksBarcodeCaption(TksBarcodeComponent* owner, TksCaptionPosition pos);  // CreateEAN

  bool Visible() const { return FVisible; }
  void SetVisible(bool v);
  const std::vector<std::u16string>& Text() const { return FText; }
  void SetText(const std::vector<std::u16string>& lines);  // copies and notifies always
  // Replaces one existing line and notifies; an index past the end changes nothing.
  void SetLine(size_t index, const std::u16string& line);
  TksFont& Font() { return FFont; }
  const TksFont& Font() const { return FFont; }
  void SetFont(const TksFont& f);  // copies and notifies always
  bool AutoSize() const { return FAutoSize; }
  void SetAutoSize(bool v);
  TAlignment Alignment() const { return FAlignment; }
  void SetAlignment(TAlignment v);
  bool AutoCaption() const { return FAutoCaption; }
  void SetAutoCaption(bool v);
  int32_t MaxHeight() const { return FMaxHeight; }
  void SetMaxHeight(int32_t v);
  bool ParentFont() const { return FParentFont; }
  void SetParentFont(bool v);
  int32_t LineSpacing() const { return FLineSpacing; }
  void SetLineSpacing(int32_t v);
  TColor BgColor() const { return FBgColor; }
  void SetBgColor(TColor v);
  TksCaptionPosition Position() const { return FPosition; }
  TksBarcodeComponent* ParentBarcode() const { return FParentBarcode; }

  void Assign(const TksPersistent& source) override;
  const PropertyTable& Properties() const override;

 private:
  void Notify();
  TksBarcodeComponent* FParentBarcode;
  bool FVisible = true;
  std::vector<std::u16string> FText;
  TksFont FFont;
  bool FAutoSize = true;
  TAlignment FAlignment = taLeftJustify;
  bool FAutoCaption = false;
  int32_t FMaxHeight = 25;
  bool FParentFont = false;
  int32_t FLineSpacing = 0;
  TColor FBgColor = clNone;
  TksCaptionPosition FPosition;
};

class BARVELLO_ENGINE_API TksQuietZone : public TksPersistent {
 public:
  explicit TksQuietZone(TksBarcodeComponent* owner);  // CreateEan

  int32_t IndicatorSize() const { return FIndicatorSize; }
  void SetIndicatorSize(int32_t v);
  TksQuietZoneIndicatorStyle Style() const { return FStyle; }
  void SetStyle(TksQuietZoneIndicatorStyle v);
  TksPen& Pen() { return FPen; }
  const TksPen& Pen() const { return FPen; }
  void SetPen(const TksPen& p);
  // Sides 0..3 = Left, Top, Right, Bottom; an index outside reads 0.
  int32_t Space(int index) const { return (index >= 0 && index < 4) ? FSpace[index] : 0; }
  void SetSpace(int index, int32_t v);
  bool Visible() const { return FVisible; }
  void SetVisible(bool v);
  TksBarcodeComponent* ParentBarcode() const { return FParentBarcode; }
  // Stores the four sides without a range check and notifies.
  void SetZone(int left, int top, int right, int bottom);
  void ClearZone();

  void Assign(const TksPersistent& source) override;
  const PropertyTable& Properties() const override;

 private:
  void Change();
  int32_t FIndicatorSize = 5;
  TksQuietZoneIndicatorStyle FStyle = qzLines;
  TksPen FPen;
  int32_t FSpace[4] = {0, 0, 0, 0};
  TksBarcodeComponent* FParentBarcode;
  bool FVisible = false;
};

class BARVELLO_ENGINE_API TksHorzLines : public TksPen {
 public:
  TksHorzLines() = default;  // plain pen constructor: no barcode bound
  explicit TksHorzLines(TksBarcodeComponent* owner) : FBarcodeComp(owner) {}  // CreateEAN
  int32_t LinesCount() const { return FLinesCount; }
  void SetLinesCount(int32_t v);

  void Assign(const TksPersistent& source) override;
  const PropertyTable& Properties() const override;

 private:
  TksBarcodeComponent* FBarcodeComp = nullptr;
  int32_t FLinesCount = 0;
};

}  // namespace ks
