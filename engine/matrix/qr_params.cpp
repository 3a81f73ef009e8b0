#include "engine/matrix/qr_params.h"

namespace ks {

TksQRParams::TksQRParams(TksBarcodeComponent* parent) : FParent(parent) {}

void TksQRParams::Assign(const TksPersistent& source) {
  if (!dynamic_cast<const TksQRParams*>(&source)) TksPersistent::Assign(source);
}

const PropertyTable& TksQRParams::Properties() const {
  static const PropertyTable t;
  return t;
}

}  // namespace ks
