// QR Code and Micro QR Code encoder. EncodeQRCode is the family's entry: the data bytes
// and the settings in, the module matrix and the parameters it used out. TksQRCode holds
// one encoding and exposes its stages:
// text -> data bit stream (EncodeData) -> interleaved codewords with check codewords
// (EncodeECC) -> module matrix: function patterns, codewords, mask, format and version
// information (BuildQrMatrix).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/errors.h"
#include "engine/gs1/gs1.h"
#include "engine/matrix/matrix.h"
#include "engine/matrix/qr_params.h"

namespace ks {

class TksParams;

// What the encoder reads from a barcode's QR Code, GS1 and segment parameters.
struct QrSettings {
  bool micro = false;
  int32_t version = 0;  // 0: the smallest that fits
  TksQrMode mode = QrAutomatic;
  TksQrEccLevel ecc = QrEccLevelM;
  int32_t mask = 0;  // -1 (or one Micro QR cannot signal): the lowest penalty
  TksFNC1Type fnc1 = fnc1None;
  int32_t eci = -1;
  int32_t segmentCount = 1;  // structured append over more than one symbol
  int32_t segmentIndex = 0;
  int32_t checksum = 0;  // parity byte of the structured-append header
};
QrSettings QrSettingsOf(const TksParams& params);

// The symbol and the parameters it was built with.
struct QrSymbol {
  TksMatrix matrix;
  int32_t version = 0;
  TksQrEccLevel ecc = QrEccLevelL;
  bool micro = false;
  TksQrMode mode = QrAutomatic;
  int32_t mask = 0;
};

// Refuses settings no symbol can honour: Micro QR has no FNC1 modes, and a symbol without
// its FNC1 would not read as GS1 or industry data (erNotSupported).
void CheckQrSettings(const QrSettings& settings);

// Encodes `bytes` (one char per byte of the UTF-8 text) into a symbol. Throws
// TksEncodeError: erNotSupported (see CheckQrSettings); erCharOutOfSet for a byte outside
// an explicit mode or, with FNC1 in second position, for a text that does not begin with
// two digits or a letter; erOutOfMaxCapacity when a fixed version is too small, and when
// no version fits (then with the message "Max. QR code capacity exceded.").
QrSymbol EncodeQRCode(const std::string& bytes, const QrSettings& settings);

class TksQRCode {
 public:
  explicit TksQRCode(const QrSettings& settings);

  // Picks the version (fixed or the smallest that fits) and builds the encoded data:
  // the interleaved codewords followed by the remainder bits. `toEncode` holds one byte
  // per character (UTF-8). Throws as EncodeQRCode.
  void Encode(const std::string& toEncode);
  // Data bit stream for the version in use: headers, segment, terminator, bit padding and
  // pad codewords; empty when the text does not fit that version and level.
  std::string EncodeData(const std::string& toEncode) const;
  // Data codewords split into blocks, a check block per block, both interleaved.
  std::string EncodeECC(const std::string& data) const;

  int GetDataCodeWords(int ver, bool micro, TksQrEccLevel ecc) const;
  int TotalDataBits() const;  // of the version and level in use
  static int MaxVersion(bool micro) { return micro ? 4 : 40; }
  static bool CheckVersion(bool micro, int ver) { return ver >= 1 && ver <= MaxVersion(micro); }
  static int RemainderBits(bool micro, int ver);
  int SizeInModules() const;

  // Draws the whole symbol of the encoded data into m (resized to SizeInModules) and
  // settles the mask applied.
  void BuildQrMatrix(TksMatrix& m);
  // Mask with the lowest penalty among the candidates (0..7, Micro QR 1, 4, 6, 7).
  int ChooseQrMask(const TksMatrix& m) const;
  // Penalty of a masked matrix; lower is better (negated evaluation for Micro QR).
  int QrMaskPenalty(const TksMatrix& m) const;

  // ---- what the encoding used ----
  bool Micro() const { return micro_; }
  int32_t UsedVersion() const { return version_; }
  TksQrMode UsedMode() const { return mode_; }
  TksQrEccLevel UsedEcc() const { return ecc_; }
  int32_t UsedMask() const { return mask_; }
  const std::string& EncodedData() const { return encoded_; }

 private:
  // FNC1 processing: an FNC1 role is set and the symbol is not Micro QR, which has no
  // FNC1 mode.
  bool Fnc1Active() const;
  // FNC1 in second position: the text begins with the application indicator (two digits
  // or one letter), written after the FNC1 mode indicator instead of in the segment.
  bool SecondPosition() const;
  // The text of the data segment: toEncode without its application indicator.
  std::string SegmentText(const std::string& toEncode) const;
  // The mode of the single segment; refuses (erCharOutOfSet) an explicit mode the text
  // does not fit, at its position plus `offset` (the characters before the segment).
  TksQrMode ResolveMode(const std::string& text, int offset) const;
  // The data bits and character count of the segment; false when the text has a
  // character the mode cannot hold. They do not depend on the version, so they are
  // made once per text and mode and reused while the version search tries each size.
  bool SegmentData(const std::string& text, TksQrMode mode, const std::string*& bits, int& count) const;
  static bool MakeSegmentData(const std::string& text, TksQrMode mode, bool fnc1, std::string& data, int& count);

  // The steps of BuildQrMatrix.
  void DrawFunctionPatterns(TksMatrix& m) const;
  void DrawCodewords(TksMatrix& m) const;
  void DrawFormatAndVersion(TksMatrix& m) const;

  QrSettings settings_;
  bool micro_;
  int32_t version_;
  TksQrMode mode_;
  TksQrEccLevel ecc_;
  int32_t mask_;
  std::string encoded_;

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
