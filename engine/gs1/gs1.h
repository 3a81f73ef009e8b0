// GS1 settings of a barcode object and the application-identifier machinery.
#pragma once

#include "engine/persistent.h"

namespace ks {

class TksBarcodeComponent;

class TksGS1 : public TksPersistent {
 public:
  explicit TksGS1(TksBarcodeComponent* parent);

  TksBarcodeComponent* BarcodeObject() const { return FParent; }
  void Assign(const TksPersistent& source) override;
  const PropertyTable& Properties() const override;

 private:
  TksBarcodeComponent* FParent;
};

}  // namespace ks
