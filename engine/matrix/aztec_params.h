// Aztec parameters of a barcode object. They are stored, copied and saved with the
// other settings; no encoder reads them yet.
#pragma once

#include <cstdint>

#include "engine/export.h"
#include "engine/persistent.h"

namespace ks {

class TksBarcodeComponent;

// Error correction share in percent: 5, 10, 15, 20, 23, then 25 to 90 in steps of 5.
enum TksAztecECC : uint8_t {
  azECC5, azECC10, azECC15, azECC20, azECC23, azECC25, azECC30, azECC35, azECC40, azECC45,
  azECC50, azECC55, azECC60, azECC65, azECC70, azECC75, azECC80, azECC85, azECC90
};

BARVELLO_ENGINE_API const EnumType& AztecECCEnum();

class BARVELLO_ENGINE_API TksAztecParams : public TksPersistent {
 public:
  explicit TksAztecParams(TksBarcodeComponent* parent);

  TksBarcodeComponent* BarcodeObject() const { return FParent; }

  // ---- published properties ----
  bool Compact() const { return FCompact; }
  // Switching between compact and full-range resets Version to 0 (automatic).
  void SetCompact(bool value);
  // 0 is automatic; 1..36 full-range layers, 1..4 compact. Throws ksBarcodeException
  // for a value outside the range of the current kind.
  int32_t Version() const { return FVersion; }
  void SetVersion(int32_t value);
  TksAztecECC ErrorLevel() const { return FErrorLevel; }
  void SetErrorLevel(TksAztecECC value);

  void Assign(const TksPersistent& source) override;
  const PropertyTable& Properties() const override;

 private:
  void Notify();
  TksBarcodeComponent* FParent;
  bool FCompact = false;
  int32_t FVersion = 0;
  TksAztecECC FErrorLevel = azECC23;
};

}  // namespace ks
