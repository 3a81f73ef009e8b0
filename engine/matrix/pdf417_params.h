// PDF417 and MicroPDF417 parameters of a barcode object.
#pragma once

#include <cstdint>
#include <string>

#include "engine/export.h"
#include "engine/persistent.h"

namespace ks {

class TksBarcodeComponent;

// Compaction: text, bytes, hexadecimal digit pairs as bytes, digits, or an automatic
// split of the data into numeric, text and byte runs.
enum TksPDF417Mode : uint8_t {
  ksPDF417Alphanumeric, ksPDF417Binary, ksPDF417BinaryHex, ksPDF417Numeric, ksPDF417AutoCode
};
// Error-correction level: automatic, or level s = value - 1 with 2^(s+1) check codewords.
enum TksPDF417ErrorCorrection : uint8_t {
  ksPDF417AutoEC, ksPDF417Error0, ksPDF417Error1, ksPDF417Error2, ksPDF417Error3,
  ksPDF417Error4, ksPDF417Error5, ksPDF417Error6, ksPDF417Error7, ksPDF417Error8
};
enum TksPDF417Kind : uint8_t { pkStandard, pkTruncated, pkMicro };

BARVELLO_ENGINE_API const EnumType& PDF417ModeEnum();
BARVELLO_ENGINE_API const EnumType& PDF417ErrorCorrectionEnum();
BARVELLO_ENGINE_API const EnumType& PDF417KindEnum();

class BARVELLO_ENGINE_API TksPDF417Params : public TksPersistent {
 public:
  explicit TksPDF417Params(TksBarcodeComponent* parent);

  TksBarcodeComponent* BarcodeObject() const { return FParent; }

  // ---- published properties ----
  TksPDF417Mode Mode() const { return FMode; }
  void SetMode(TksPDF417Mode v);
  // Requested rows and data columns; 0 (or less) chooses automatically.
  int32_t Rows() const { return FRows; }
  void SetRows(int32_t v);
  int32_t Cols() const { return FCols; }
  void SetCols(int32_t v);
  TksPDF417ErrorCorrection SecurityLevel() const { return FSecurityLevel; }
  void SetSecurityLevel(TksPDF417ErrorCorrection v);
  // Macro PDF417 fields, written only with UseMacro.
  int32_t FileSize() const { return FFileSize; }
  void SetFileSize(int32_t v);
  const std::u16string& Sender() const { return FSender; }
  void SetSender(const std::u16string& v);
  const std::u16string& Addresse() const { return FAddresse; }
  void SetAddresse(const std::u16string& v);
  // Date and time in days since 1899-12-30 (0 = none).
  double TimeStamp() const { return FTimeStamp; }
  void SetTimeStamp(double v);
  TksPDF417Kind Kind() const { return FKind; }
  void SetKind(TksPDF417Kind v);
  bool UseMacro() const { return FUseMacro; }
  void SetUseMacro(bool v);
  const std::u16string& FileName() const { return FFileName; }
  void SetFileName(const std::u16string& v);
  int32_t Checksum() const { return FChecksum; }
  void SetChecksum(int32_t v);

  // Rows, data columns and level of the last symbol built (read-only).
  int32_t UsedRows() const { return FUsedRows; }
  int32_t UsedCols() const { return FUsedCols; }
  TksPDF417ErrorCorrection UsedECL() const { return FUsedECL; }
  // Records the size of a symbol just built; a result, so the barcode is not notified.
  void SetUsed(int32_t rows, int32_t cols, TksPDF417ErrorCorrection ecl);

  void Assign(const TksPersistent& source) override;
  const PropertyTable& Properties() const override;

 private:
  void Notify();
  template <class T>
  void Store(T& field, const T& value) {
    if (field == value) return;
    field = value;
    Notify();
  }

  TksBarcodeComponent* FParent;
  TksPDF417Mode FMode = ksPDF417Alphanumeric;
  int32_t FRows = 0;
  int32_t FCols = 10;
  TksPDF417ErrorCorrection FSecurityLevel = ksPDF417AutoEC;
  int32_t FFileSize = 0;
  std::u16string FSender;
  std::u16string FAddresse;
  double FTimeStamp = 0;
  TksPDF417Kind FKind = pkStandard;
  bool FUseMacro = false;
  std::u16string FFileName;
  int32_t FChecksum = 0;
  int32_t FUsedRows = 0;
  int32_t FUsedCols = 0;
  TksPDF417ErrorCorrection FUsedECL = ksPDF417AutoEC;
};

}  // namespace ks
