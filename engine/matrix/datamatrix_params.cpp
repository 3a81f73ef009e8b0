#include "engine/matrix/datamatrix_params.h"

namespace ks {

TksDataMatrixParams::TksDataMatrixParams(TksBarcodeComponent* parent) : FParent(parent) {}

void TksDataMatrixParams::Assign(const TksPersistent& source) {
  if (!dynamic_cast<const TksDataMatrixParams*>(&source)) TksPersistent::Assign(source);
}

const PropertyTable& TksDataMatrixParams::Properties() const {
  static const PropertyTable t;
  return t;
}

}  // namespace ks
