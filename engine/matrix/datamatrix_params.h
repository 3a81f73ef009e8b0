// Data Matrix parameters of a barcode object: the encodation and the symbol size.
#pragma once

#include <cstdint>

#include "engine/export.h"
#include "engine/persistent.h"

namespace ks {

class TksBarcodeComponent;

// Encodation of the data. Automatic is plain ASCII (digit pairs compacted).
enum TksDataMatrixEncoding : uint8_t { dmeAutomatic, dmeASCII, dmeBinary, dmeEDIFACT, dmeText, dmeX12, dmeC40 };

// Symbol size, rows x columns: automatic, the 24 squares, then the 6 rectangles.
enum TksDataMatrixVersion : uint8_t {
  ksDMAutomatic,
  ksDM10x10, ksDM12x12, ksDM14x14, ksDM16x16, ksDM18x18, ksDM20x20, ksDM22x22, ksDM24x24,
  ksDM26x26, ksDM32x32, ksDM36x36, ksDM40x40, ksDM44x44, ksDM48x48, ksDM52x52, ksDM64x64,
  ksDM72x72, ksDM80x80, ksDM88x88, ksDM96x96, ks104x104, ksDM120x120, ksDM132x132, ksDM144x144,
  ksDM8x18, ksDM8x32, ksDM12x26, ksDM12x36, ksDM16x36, ksDm16x48
};
inline constexpr int kDataMatrixVersionCount = 31;

BARVELLO_ENGINE_API const EnumType& DataMatrixEncodingEnum();
BARVELLO_ENGINE_API const EnumType& DataMatrixVersionEnum();

class BARVELLO_ENGINE_API TksDataMatrixParams : public TksPersistent {
 public:
  explicit TksDataMatrixParams(TksBarcodeComponent* parent);

  TksBarcodeComponent* BarcodeObject() const { return FParent; }

  // ---- published properties ----
  TksDataMatrixEncoding Encoding() const { return FEncoding; }
  void SetEncoding(TksDataMatrixEncoding value);
  TksDataMatrixVersion Version() const { return FVersion; }
  void SetVersion(TksDataMatrixVersion value);

  void Assign(const TksPersistent& source) override;
  const PropertyTable& Properties() const override;

 private:
  void Notify();
  TksBarcodeComponent* FParent;
  TksDataMatrixEncoding FEncoding = dmeAutomatic;
  TksDataMatrixVersion FVersion = ksDMAutomatic;
};

}  // namespace ks
