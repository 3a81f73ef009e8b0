#include "engine/params.h"

namespace ks {

const EnumType& RatioEnum() {
  static const EnumType t{"TksRatio", {"ra20", "ra25", "ra30"}};
  return t;
}

TksParams::TksParams(TksBarcodeComponent* parent) : FParentBarcode(parent) {
  FGS1 = std::make_unique<TksGS1>(parent);
  FPDF417 = std::make_unique<TksPDF417Params>(parent);
  FdmParams = std::make_unique<TksDataMatrixParams>(parent);
  FQrParams = std::make_unique<TksQRParams>(parent);
  FAztecParams = std::make_unique<TksAztecParams>(parent);
}

TksParams::~TksParams() {
  FAztecParams.reset();
  FdmParams.reset();
  FQrParams.reset();
  FGS1.reset();
  FPDF417.reset();
}

void TksParams::Notify() {
  if (FParentBarcode) FParentBarcode->Changed();
}

void TksParams::SetECI(int32_t v) {
  if (v == FECI) return;
  FECI = v;
  Notify();
}
void TksParams::SetSegmentIndex(int32_t v) {
  if (v == FSegmentIndex) return;
  FSegmentIndex = v;
  Notify();
}
void TksParams::SetSegmentCount(int32_t v) {
  if (v == FSegmentCount) return;
  FSegmentCount = v;
  Notify();
}
void TksParams::SetRatio(TksRatio v) {
  if (v == FRatio || v > ra30) return;
  FRatio = v;
  Notify();
}
void TksParams::SetFileID(const std::u16string& v) {
  if (v == FFileID) return;
  FFileID = v;
  Notify();
}

void TksParams::Assign(const TksPersistent& source) {
  auto* p = dynamic_cast<const TksParams*>(&source);
  if (!p) return;  // other sources are ignored
  FSegmentCount = p->FSegmentCount;
  FSegmentIndex = p->FSegmentIndex;
  FECI = p->FECI;
  FGS1->Assign(*p->FGS1);
  FPDF417->Assign(*p->FPDF417);
  FdmParams->Assign(*p->FdmParams);
  FQrParams->Assign(*p->FQrParams);
  FAztecParams->Assign(*p->FAztecParams);
  Notify();
}

const PropertyTable& TksParams::Properties() const {
  using P = TksParams;
  static const PropertyTable t =
      PropsBuilder<P>()
          .Int("SegmentCount", &P::SegmentCount, &P::SetSegmentCount, 1)
          .Int("SegmentIndex", &P::SegmentIndex, &P::SetSegmentIndex, 0)
          .Int("ECI", &P::ECI, &P::SetECI, -1)
          .Enum("Ratio", RatioEnum(), &P::Ratio, &P::SetRatio, ra20)
          .Object("GS1", [](P& p) { return &p.GS1(); })
          .Object("PDF417", [](P& p) { return &p.PDF417(); })
          .UStr("FileID", &P::FileID, &P::SetFileID, "")
          .Object("DataMatrix", [](P& p) { return &p.DataMatrix(); })
          .Object("QRCode", [](P& p) { return &p.QRCode(); })
          .Build();
  return t;
}

}  // namespace ks
