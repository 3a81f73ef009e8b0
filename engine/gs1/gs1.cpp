#include "engine/gs1/gs1.h"

namespace ks {

TksGS1::TksGS1(TksBarcodeComponent* parent) : FParent(parent) {}

void TksGS1::Assign(const TksPersistent& source) {
  if (!dynamic_cast<const TksGS1*>(&source)) TksPersistent::Assign(source);
}

const PropertyTable& TksGS1::Properties() const {
  static const PropertyTable t;
  return t;
}

}  // namespace ks
