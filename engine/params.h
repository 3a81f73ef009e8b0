// TksParams: the per-symbology parameters a barcode object owns.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "engine/barcode.h"
#include "engine/export.h"
#include "engine/gs1/gs1.h"
#include "engine/matrix/aztec_params.h"
#include "engine/matrix/datamatrix_params.h"
#include "engine/matrix/pdf417_params.h"
#include "engine/matrix/qr_params.h"
#include "engine/persistent.h"

namespace ks {

BARVELLO_ENGINE_API const EnumType& RatioEnum();

class BARVELLO_ENGINE_API TksParams : public TksPersistent {
 public:
  explicit TksParams(TksBarcodeComponent* parent);
  ~TksParams() override;

  int32_t ECI() const { return FECI; }
  void SetECI(int32_t v);
  int32_t SegmentIndex() const { return FSegmentIndex; }
  void SetSegmentIndex(int32_t v);
  int32_t SegmentCount() const { return FSegmentCount; }
  void SetSegmentCount(int32_t v);
  TksRatio Ratio() const { return FRatio; }
  void SetRatio(TksRatio v);
  const std::u16string& FileID() const { return FFileID; }
  void SetFileID(const std::u16string& v);
  TksPDF417Params& PDF417() const { return *FPDF417; }
  TksGS1& GS1() const { return *FGS1; }
  TksDataMatrixParams& DataMatrix() const { return *FdmParams; }
  TksQRParams& QRCode() const { return *FQrParams; }
  TksAztecParams& Aztec() const { return *FAztecParams; }
  TksBarcodeComponent* BarcodeObject() const { return FParentBarcode; }

  void Assign(const TksPersistent& source) override;
  const PropertyTable& Properties() const override;

 private:
  void Notify();
  TksBarcodeComponent* FParentBarcode;
  int32_t FECI = -1;
  int32_t FSegmentIndex = 0;
  int32_t FSegmentCount = 1;
  TksRatio FRatio = ra20;
  std::unique_ptr<TksPDF417Params> FPDF417;
  std::unique_ptr<TksGS1> FGS1;
  std::u16string FFileID;
  std::unique_ptr<TksDataMatrixParams> FdmParams;
  std::unique_ptr<TksQRParams> FQrParams;
  std::unique_ptr<TksAztecParams> FAztecParams;
};

}  // namespace ks
