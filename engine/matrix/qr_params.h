// QR Code parameters of a barcode object.
#pragma once

#include "engine/persistent.h"

namespace ks {

class TksBarcodeComponent;

class TksQRParams : public TksPersistent {
 public:
  explicit TksQRParams(TksBarcodeComponent* parent);

  TksBarcodeComponent* BarcodeObject() const { return FParent; }
  void Assign(const TksPersistent& source) override;
  const PropertyTable& Properties() const override;

 private:
  TksBarcodeComponent* FParent;
};

}  // namespace ks
