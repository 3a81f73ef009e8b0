// Data Matrix parameters of a barcode object.
#pragma once

#include "engine/persistent.h"

namespace ks {

class TksBarcodeComponent;

class TksDataMatrixParams : public TksPersistent {
 public:
  explicit TksDataMatrixParams(TksBarcodeComponent* parent);

  TksBarcodeComponent* BarcodeObject() const { return FParent; }
  void Assign(const TksPersistent& source) override;
  const PropertyTable& Properties() const override;

 private:
  TksBarcodeComponent* FParent;
};

}  // namespace ks
