#include "engine/matrix/pdf417_params.h"

namespace ks {

TksPDF417Params::TksPDF417Params(TksBarcodeComponent* parent) : FParent(parent) {}

void TksPDF417Params::Assign(const TksPersistent& source) {
  if (!dynamic_cast<const TksPDF417Params*>(&source)) TksPersistent::Assign(source);
}

const PropertyTable& TksPDF417Params::Properties() const {
  static const PropertyTable t;
  return t;
}

}  // namespace ks
