// Aztec parameters: stored and copied, used by no encoder.
#pragma once

#include "engine/persistent.h"

namespace ks {

class TksBarcodeComponent;

class TksAztecParams : public TksPersistent {
 public:
  explicit TksAztecParams(TksBarcodeComponent* parent);

  TksBarcodeComponent* BarcodeObject() const { return FParent; }
  void Assign(const TksPersistent& source) override;
  const PropertyTable& Properties() const override;

 private:
  TksBarcodeComponent* FParent;
};

}  // namespace ks
