#include "engine/matrix/datamatrix_params.h"

#include "engine/barcode.h"

namespace ks {

const EnumType& DataMatrixEncodingEnum() {
  static const EnumType t{"TksDataMatrixEncoding",
                          {"dmeAutomatic", "dmeASCII", "dmeBinary", "dmeEDIFACT", "dmeText", "dmeX12", "dmeC40"}};
  return t;
}

const EnumType& DataMatrixVersionEnum() {
  static const EnumType t{
      "TksDataMatrixVersion",
      {"ksDMAutomatic", "ksDM10x10",   "ksDM12x12",   "ksDM14x14",   "ksDM16x16", "ksDM18x18", "ksDM20x20",
       "ksDM22x22",     "ksDM24x24",   "ksDM26x26",   "ksDM32x32",   "ksDM36x36", "ksDM40x40", "ksDM44x44",
       "ksDM48x48",     "ksDM52x52",   "ksDM64x64",   "ksDM72x72",   "ksDM80x80", "ksDM88x88", "ksDM96x96",
       "ks104x104",     "ksDM120x120", "ksDM132x132", "ksDM144x144", "ksDM8x18",  "ksDM8x32",  "ksDM12x26",
       "ksDM12x36",     "ksDM16x36",   "ksDm16x48"}};
  return t;
}

TksDataMatrixParams::TksDataMatrixParams(TksBarcodeComponent* parent) : FParent(parent) {}

void TksDataMatrixParams::Notify() {
  if (FParent) FParent->Changed();
}

void TksDataMatrixParams::SetEncoding(TksDataMatrixEncoding value) {
  if (value == FEncoding) return;
  FEncoding = value;
  Notify();
}

void TksDataMatrixParams::SetVersion(TksDataMatrixVersion value) {
  if (value == FVersion) return;
  FVersion = value;
  Notify();
}

void TksDataMatrixParams::Assign(const TksPersistent& source) {
  auto* p = dynamic_cast<const TksDataMatrixParams*>(&source);
  if (!p) {
    TksPersistent::Assign(source);
    return;
  }
  FEncoding = p->FEncoding;
  FVersion = p->FVersion;
  Notify();
}

const PropertyTable& TksDataMatrixParams::Properties() const {
  using P = TksDataMatrixParams;
  static const PropertyTable t =
      PropsBuilder<P>()
          .Enum("Encoding", DataMatrixEncodingEnum(), &P::Encoding, &P::SetEncoding, dmeAutomatic)
          .Enum("Version", DataMatrixVersionEnum(), &P::Version, &P::SetVersion, ksDMAutomatic)
          .Build();
  return t;
}

}  // namespace ks
