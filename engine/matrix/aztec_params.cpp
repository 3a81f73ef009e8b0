#include "engine/matrix/aztec_params.h"

#include "engine/barcode.h"
#include "engine/errors.h"

namespace ks {

const EnumType& AztecECCEnum() {
  static const EnumType t{"TksAztecECC",
                          {"azECC5", "azECC10", "azECC15", "azECC20", "azECC23", "azECC25", "azECC30",
                           "azECC35", "azECC40", "azECC45", "azECC50", "azECC55", "azECC60", "azECC65",
                           "azECC70", "azECC75", "azECC80", "azECC85", "azECC90"}};
  return t;
}

TksAztecParams::TksAztecParams(TksBarcodeComponent* parent) : FParent(parent) {}

void TksAztecParams::Notify() {
  if (FParent) FParent->Changed();
}

void TksAztecParams::SetCompact(bool value) {
  if (value == FCompact) return;
  FCompact = value;
  FVersion = 0;
  Notify();
}

void TksAztecParams::SetVersion(int32_t value) {
  if (value < 0 || value > 36)
    throw ksBarcodeException(erErrorInBarCode, "Aztec barcode version must be in 0..36");
  if (FCompact && value > 4)
    throw ksBarcodeException(erErrorInBarCode, "Compact Aztec barcode version must be in 0..4");
  if (value == FVersion) return;
  FVersion = value;
  Notify();
}

void TksAztecParams::SetErrorLevel(TksAztecECC value) {
  if (value == FErrorLevel) return;
  FErrorLevel = value;
  Notify();
}

void TksAztecParams::Assign(const TksPersistent& source) {
  auto* p = dynamic_cast<const TksAztecParams*>(&source);
  if (!p) {
    TksPersistent::Assign(source);
    return;
  }
  FCompact = p->FCompact;
  FVersion = p->FVersion;
  FErrorLevel = p->FErrorLevel;
  Notify();
}

const PropertyTable& TksAztecParams::Properties() const {
  using P = TksAztecParams;
  // Compact comes before Version: setting it resets Version, so a saved section must
  // load it first.
  static const PropertyTable t =
      PropsBuilder<P>()
          .Bool("Compact", &P::Compact, &P::SetCompact, false)
          .Int("Version", &P::Version, &P::SetVersion, 0)
          .Enum("ErrorLevel", AztecECCEnum(), &P::ErrorLevel, &P::SetErrorLevel, azECC23)
          .Build();
  return t;
}

}  // namespace ks
