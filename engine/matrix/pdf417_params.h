// PDF417 and MicroPDF417 parameters of a barcode object.
#pragma once

#include "engine/persistent.h"

namespace ks {

class TksBarcodeComponent;

class TksPDF417Params : public TksPersistent {
 public:
  explicit TksPDF417Params(TksBarcodeComponent* parent);

  TksBarcodeComponent* BarcodeObject() const { return FParent; }
  void Assign(const TksPersistent& source) override;
  const PropertyTable& Properties() const override;

 private:
  TksBarcodeComponent* FParent;
};

}  // namespace ks
