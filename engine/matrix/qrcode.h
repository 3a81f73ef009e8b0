// QR Code and Micro QR Code encoder. EncodeQRCode (encoders.h) is the entry the
// dispatch calls; TksQRCode holds one encoding and exposes its stages:
// text -> data bit stream (EncodeData) -> interleaved codewords with check codewords
// (EncodeECC) -> module matrix with mask, format and version information
// (BuildQrMatrix).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/errors.h"
#include "engine/gs1/gs1.h"
#include "engine/matrix/matrix.h"
#include "engine/matrix/qr_params.h"

namespace ks {

class TksBarcodeComponent;
class TksParams;

class TksQRCode {
 public:
  // Reads the barcode's QR, GS1 and segment parameters.
  explicit TksQRCode(TksBarcodeComponent& barcode);

  // Picks the version (fixed or the smallest that fits) and builds EncodedData: the
  // interleaved codewords followed by the remainder bits. `toEncode` holds one byte per
  // character (UTF-8). Raises erCharOutOfSet for a byte outside an explicit mode or,
  // with FNC1 in second position, for a text that does not begin with two digits or a
  // letter; erOutOfMaxCapacity when a fixed version is too small, and when no version
  // fits (then with the message "Max. QR code capacity exceded.").
  bool Encode(const std::string& toEncode);
  // Data bit stream for FUsedVersion: headers, segment, terminator, bit padding and
  // pad codewords; empty when the text does not fit that version and level.
  std::string EncodeData(const std::string& toEncode) const;
  // Data codewords split into blocks, a check block per block, both interleaved.
  std::string EncodeECC(const std::string& data) const;

  int GetDataCodeWords(int ver, bool micro, TksQrEccLevel ecc) const;
  int TotalDataBits() const;  // of FUsedVersion at FUsedECC
  static int MaxVersion(bool micro) { return micro ? 4 : 40; }
  static bool CheckVersion(bool micro, int ver) { return ver >= 1 && ver <= MaxVersion(micro); }
  static int RemainderBits(bool micro, int ver);
  int SizeInModules() const;

  // Draws the whole symbol of EncodedData into m (resized to SizeInModules) and sets
  // FUsedMask to the mask applied.
  void BuildQrMatrix(TksMatrix& m);
  // Mask with the lowest penalty among the candidates (0..7, Micro QR 1, 4, 6, 7).
  int ChooseQrMask(TksMatrix& m) const;
  // Penalty of a masked matrix; lower is better (negated evaluation for Micro QR).
  int QrMaskPenalty(const TksMatrix& m) const;

  const TksParams& Params;
  bool FMicroQR;
  int32_t FUsedVersion;
  TksQrMode FUsedMode;
  TksQrEccLevel FUsedECC;
  int32_t FUsedMask;
  bool fUsedMicroQR;
  TksFNC1Type FNC1;
  int32_t MatrixW = 0;
  int32_t MatrixH = 0;
  std::string EncodedData;
  TksErrRecord err{};

 private:
  // FNC1 processing: an FNC1 role is set and the symbol is not Micro QR, which has no
  // FNC1 mode.
  bool Fnc1Active() const;
  // FNC1 in second position: the text begins with the application indicator (two digits
  // or one letter), written after the FNC1 mode indicator instead of in the segment.
  bool SecondPosition() const;
  // The text of the data segment: toEncode without its application indicator.
  std::string SegmentText(const std::string& toEncode) const;
  // The mode of the single segment; raises erCharOutOfSet for an explicit mode the
  // text does not fit, at its position plus `offset` (the characters before the segment).
  TksQrMode ResolveMode(const std::string& text, int offset) const;
  // The data bits and character count of the segment; false when the text has a
  // character the mode cannot hold. They do not depend on the version, so they are
  // made once per text and mode and reused while the version search tries each size.
  bool SegmentData(const std::string& text, TksQrMode mode, const std::string*& bits, int& count) const;
  static bool MakeSegmentData(const std::string& text, TksQrMode mode, bool fnc1, std::string& data, int& count);

  TksBarcodeComponent& FBarcode;

  struct SegmentCache {
    bool valid = false;
    TksQrMode mode = QrAutomatic;
    bool fnc1 = false;
    std::string text;
    bool fits = false;
    std::string bits;
    int count = 0;
  };
  mutable SegmentCache segment_;
};

// Shift JIS code of a character for QR Kanji mode, or 0 when it has none in the
// ranges Kanji mode can compact.
uint16_t QrShiftJis(char32_t ch);

}  // namespace ks
