#include "engine/matrix/aztec_params.h"

namespace ks {

TksAztecParams::TksAztecParams(TksBarcodeComponent* parent) : FParent(parent) {}

void TksAztecParams::Assign(const TksPersistent& source) {
  if (!dynamic_cast<const TksAztecParams*>(&source)) TksPersistent::Assign(source);
}

const PropertyTable& TksAztecParams::Properties() const {
  static const PropertyTable t;
  return t;
}

}  // namespace ks
