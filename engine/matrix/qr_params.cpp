#include "engine/matrix/qr_params.h"

#include "engine/barcode.h"
#include "engine/errors.h"

namespace ks {

const EnumType& QrModeEnum() {
  static const EnumType t{"TksQrMode", {"QrAutomatic", "QrNumeric", "QrAlphanumeric", "QrBytes", "QrKanji"}};
  return t;
}

const EnumType& QrEccLevelEnum() {
  static const EnumType t{"TksQrEccLevel", {"QrEccLevelL", "QrEccLevelM", "QrEccLevelQ", "QrEccLevelH"}};
  return t;
}

TksQRParams::TksQRParams(TksBarcodeComponent* parent) : FParent(parent) {}

void TksQRParams::Notify() {
  if (FParent) FParent->Changed();
}

void TksQRParams::SetMode(TksQrMode v) {
  if (v == FMode) return;
  FMode = v;
  Notify();
}

void TksQRParams::SetMicroQR(bool v) {
  if (v == FMicroQR) return;
  FMicroQR = v;
  if (FVersion > 4) FVersion = 4;
  Notify();
}

void TksQRParams::SetEccLevel(TksQrEccLevel v) {
  if (v == FEccLevel) return;
  FEccLevel = v;
  Notify();
}

void TksQRParams::SetVersion(int32_t v) {
  if (v < 0 || v > (FMicroQR ? 4 : 40)) return;
  if (v == FVersion) return;
  FVersion = v;
  Notify();
}

void TksQRParams::SetMask(int32_t v) {
  bool ok = v == -1 || (FMicroQR ? (v == 1 || v == 4 || v == 6 || v == 7) : (v >= 0 && v <= 7));
  if (!ok) throw ksBarcodeException(erErrorInBarCode, "QR code bad mask value");
  if (v == FMask) return;
  FMask = v;
  Notify();
}

void TksQRParams::SetFileName(const std::u16string& v) {
  if (v == FFileName) return;
  FFileName = v;
  Notify();
}

void TksQRParams::SetChecksum(int32_t v) {
  if (v == FChecksum) return;
  FChecksum = v;
  Notify();
}

void TksQRParams::Assign(const TksPersistent& source) {
  auto* s = dynamic_cast<const TksQRParams*>(&source);
  if (!s) {
    TksPersistent::Assign(source);
    return;
  }
  FEccLevel = s->FEccLevel;
  FMode = s->FMode;
  FMicroQR = s->FMicroQR;
  FVersion = s->FVersion;
  FMask = s->FMask;
  FFileName = s->FFileName;
  FChecksum = s->FChecksum;
  Notify();
}

const PropertyTable& TksQRParams::Properties() const {
  using T = TksQRParams;
  static const PropertyTable t =
      PropsBuilder<T>()
          .Enum("Mode", QrModeEnum(), &T::Mode, &T::SetMode, QrAutomatic)
          .Bool("MicroQR", &T::MicroQR, &T::SetMicroQR, false)
          .Enum("EccLevel", QrEccLevelEnum(), &T::EccLevel, &T::SetEccLevel, QrEccLevelM)
          .Int("Version", &T::Version, &T::SetVersion, 0)
          .Int("Mask", &T::Mask, &T::SetMask, 0)
          .UStr("FileName", &T::FileName, &T::SetFileName)
          .Int("Checksum", &T::Checksum, &T::SetChecksum, 0)
          .Int("UsedVersion", &T::UsedVersion, nullptr, 0)
          .Int("UsedMask", &T::UsedMask, nullptr, 0)
          .Bool("UsedMicroQR", &T::UsedMicroQR, nullptr, false)
          .Enum("UsedMode", QrModeEnum(), &T::UsedMode, nullptr, QrAutomatic)
          .Enum("UsedECCLevel", QrEccLevelEnum(), &T::UsedECCLevel, nullptr, QrEccLevelL)
          .Build();
  return t;
}

}  // namespace ks
