// QR Code parameters of a barcode object (the QRCode sub-object of its parameters).
#pragma once

#include <cstdint>
#include <string>

#include "engine/export.h"
#include "engine/persistent.h"

namespace ks {

class TksBarcodeComponent;

enum TksQrMode : uint8_t { QrAutomatic, QrNumeric, QrAlphanumeric, QrBytes, QrKanji };
enum TksQrEccLevel : uint8_t { QrEccLevelL, QrEccLevelM, QrEccLevelQ, QrEccLevelH };

BARVELLO_ENGINE_API const EnumType& QrModeEnum();
BARVELLO_ENGINE_API const EnumType& QrEccLevelEnum();

class BARVELLO_ENGINE_API TksQRParams : public TksPersistent {
 public:
  explicit TksQRParams(TksBarcodeComponent* parent);

  TksBarcodeComponent* BarcodeObject() const { return FParent; }

  // ---- published properties ----
  TksQrMode Mode() const { return FMode; }
  void SetMode(TksQrMode v);
  bool MicroQR() const { return FMicroQR; }
  // Any change caps a Version above 4 at 4.
  void SetMicroQR(bool v);
  TksQrEccLevel EccLevel() const { return FEccLevel; }
  void SetEccLevel(TksQrEccLevel v);
  // 0 = automatic; 1..40 (QR) or 1..4 (Micro QR). Other values are ignored.
  int32_t Version() const { return FVersion; }
  void SetVersion(int32_t v);
  // -1 = automatic; 0..7, or for Micro QR 1, 4, 6, 7. Other values throw
  // ksBarcodeException(erErrorInBarCode, "QR code bad mask value") and keep the old value.
  int32_t Mask() const { return FMask; }
  void SetMask(int32_t v);
  // Not used by QR Code; Data Matrix takes its file identification from it.
  const std::u16string& FileName() const { return FFileName; }
  void SetFileName(const std::u16string& v);
  // Parity byte of the structured-append header.
  int32_t Checksum() const { return FChecksum; }
  void SetChecksum(int32_t v);

  // ---- read-only: what the last successful build used ----
  int32_t UsedVersion() const { return FUsedVersion; }
  int32_t UsedMask() const { return FUsedMask; }
  bool UsedMicroQR() const { return FUsedMicroQR; }
  TksQrMode UsedMode() const { return FUsedMode; }
  TksQrEccLevel UsedECCLevel() const { return FUsedECCLevel; }
  // Written by the encoder after a successful build; no notification.
  void SetUsed(int32_t version, TksQrEccLevel ecc, bool micro, TksQrMode mode) {
    FUsedVersion = version;
    FUsedECCLevel = ecc;
    FUsedMicroQR = micro;
    FUsedMode = mode;
  }
  void SetUsedMask(int32_t mask) { FUsedMask = mask; }

  // Copies the published values without validation, then notifies.
  void Assign(const TksPersistent& source) override;
  const PropertyTable& Properties() const override;

 private:
  void Notify();

  TksBarcodeComponent* FParent;
  TksQrMode FMode = QrAutomatic;
  bool FMicroQR = false;
  TksQrEccLevel FEccLevel = QrEccLevelM;
  int32_t FVersion = 0;
  int32_t FMask = 0;
  std::u16string FFileName;
  int32_t FChecksum = 0;
  int32_t FUsedVersion = 0;
  int32_t FUsedMask = 0;
  bool FUsedMicroQR = false;
  TksQrMode FUsedMode = QrAutomatic;
  TksQrEccLevel FUsedECCLevel = QrEccLevelL;
};

}  // namespace ks
