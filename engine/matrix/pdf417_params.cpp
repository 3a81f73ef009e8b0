#include "engine/matrix/pdf417_params.h"

#include "engine/barcode.h"

namespace ks {

const EnumType& PDF417ModeEnum() {
  static const EnumType t{"TksPDF417Mode",
                          {"ksPDF417Alphanumeric", "ksPDF417Binary", "ksPDF417BinaryHex", "ksPDF417Numeric",
                           "ksPDF417AutoCode"}};
  return t;
}

const EnumType& PDF417ErrorCorrectionEnum() {
  static const EnumType t{"TksPDF417ErrorCorrection",
                          {"ksPDF417AutoEC", "ksPDF417Error0", "ksPDF417Error1", "ksPDF417Error2",
                           "ksPDF417Error3", "ksPDF417Error4", "ksPDF417Error5", "ksPDF417Error6",
                           "ksPDF417Error7", "ksPDF417Error8"}};
  return t;
}

const EnumType& PDF417KindEnum() {
  static const EnumType t{"TksPDF417Kind", {"pkStandard", "pkTruncated", "pkMicro"}};
  return t;
}

TksPDF417Params::TksPDF417Params(TksBarcodeComponent* parent) : FParent(parent) {}

void TksPDF417Params::Notify() {
  if (FParent) FParent->Changed();
}

void TksPDF417Params::SetMode(TksPDF417Mode v) { Store(FMode, v); }
void TksPDF417Params::SetRows(int32_t v) { Store(FRows, v); }
void TksPDF417Params::SetCols(int32_t v) { Store(FCols, v); }
void TksPDF417Params::SetSecurityLevel(TksPDF417ErrorCorrection v) { Store(FSecurityLevel, v); }
void TksPDF417Params::SetFileSize(int32_t v) { Store(FFileSize, v); }
void TksPDF417Params::SetSender(const std::u16string& v) { Store(FSender, v); }
void TksPDF417Params::SetAddresse(const std::u16string& v) { Store(FAddresse, v); }
void TksPDF417Params::SetTimeStamp(double v) { Store(FTimeStamp, v); }
void TksPDF417Params::SetKind(TksPDF417Kind v) { Store(FKind, v); }
void TksPDF417Params::SetUseMacro(bool v) { Store(FUseMacro, v); }
void TksPDF417Params::SetFileName(const std::u16string& v) { Store(FFileName, v); }
void TksPDF417Params::SetChecksum(int32_t v) { Store(FChecksum, v); }

void TksPDF417Params::SetUsed(int32_t rows, int32_t cols, TksPDF417ErrorCorrection ecl) {
  FUsedRows = rows;
  FUsedCols = cols;
  FUsedECL = ecl;
}

void TksPDF417Params::Assign(const TksPersistent& source) {
  auto* s = dynamic_cast<const TksPDF417Params*>(&source);
  if (!s) {
    TksPersistent::Assign(source);
    return;
  }
  FMode = s->FMode;
  FRows = s->FRows;
  FCols = s->FCols;
  FSecurityLevel = s->FSecurityLevel;
  FFileSize = s->FFileSize;
  FSender = s->FSender;
  FAddresse = s->FAddresse;
  FTimeStamp = s->FTimeStamp;
  FKind = s->FKind;
  FUseMacro = s->FUseMacro;
  FFileName = s->FFileName;
  FChecksum = s->FChecksum;
  FUsedRows = s->FUsedRows;
  FUsedCols = s->FUsedCols;
  FUsedECL = s->FUsedECL;
  Notify();
}

const PropertyTable& TksPDF417Params::Properties() const {
  using P = TksPDF417Params;
  static const PropertyTable t =
      PropsBuilder<P>()
          .Enum("Mode", PDF417ModeEnum(), &P::Mode, &P::SetMode, ksPDF417Alphanumeric)
          .Int("Rows", &P::Rows, &P::SetRows, 0)
          .Int("Cols", &P::Cols, &P::SetCols, 10)
          .Enum("SecurityLevel", PDF417ErrorCorrectionEnum(), &P::SecurityLevel, &P::SetSecurityLevel,
                ksPDF417AutoEC)
          .Int("FileSize", &P::FileSize, &P::SetFileSize, 0)
          .UStr("Sender", &P::Sender, &P::SetSender)
          .UStr("Addresse", &P::Addresse, &P::SetAddresse)
          .Float("TimeStamp", &P::TimeStamp, &P::SetTimeStamp, 0)
          .Enum("Kind", PDF417KindEnum(), &P::Kind, &P::SetKind, pkStandard)
          .Bool("UseMacro", &P::UseMacro, &P::SetUseMacro, false)
          .UStr("FileName", &P::FileName, &P::SetFileName)
          .Int("Checksum", &P::Checksum, &P::SetChecksum, 0)
          .Int("UsedRows", &P::UsedRows, nullptr, 0, false)
          .Int("UsedCols", &P::UsedCols, nullptr, 0, false)
          .Enum("UsedECL", PDF417ErrorCorrectionEnum(), &P::UsedECL, nullptr, ksPDF417AutoEC, false)
          .Build();
  return t;
}

}  // namespace ks
