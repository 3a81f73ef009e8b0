// Data Matrix ECC 200 encoder: the stages from data bytes to codewords, the symbol size,
// padding, Reed-Solomon blocks and the module placement. EncodeDataMatrix (encoders.h)
// runs them; they are declared here so each stage can be used and checked on its own.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/gs1/gs1.h"
#include "engine/matrix/datamatrix_params.h"
#include "engine/matrix/matrix.h"

namespace ks {

// One symbol size: the geometry and codeword counts of ISO/IEC 16022 Table 7.
struct TdmSymbolSize {
  int16_t rows, cols;              // symbol size in modules, finder and clock included
  int16_t regionsV, regionsH;      // data regions vertically, horizontally
  int16_t regionRows, regionCols;  // one data region without its finder and clock
  int16_t dataCw, eccCw;           // data and error-correction codewords
  int16_t blocks;                  // interleaved Reed-Solomon blocks
};

// ISO/IEC 16022 Table 7 (ECC 200 symbol attributes), indexed by TksDataMatrixVersion:
// row 0 (automatic) is all zero, then the 24 squares and the 6 rectangles.
inline constexpr std::array<TdmSymbolSize, kDataMatrixVersionCount> kDmSymbolSizes = {{
    {0, 0, 0, 0, 0, 0, 0, 0, 0},
    {10, 10, 1, 1, 8, 8, 3, 5, 1},
    {12, 12, 1, 1, 10, 10, 5, 7, 1},
    {14, 14, 1, 1, 12, 12, 8, 10, 1},
    {16, 16, 1, 1, 14, 14, 12, 12, 1},
    {18, 18, 1, 1, 16, 16, 18, 14, 1},
    {20, 20, 1, 1, 18, 18, 22, 18, 1},
    {22, 22, 1, 1, 20, 20, 30, 20, 1},
    {24, 24, 1, 1, 22, 22, 36, 24, 1},
    {26, 26, 1, 1, 24, 24, 44, 28, 1},
    {32, 32, 2, 2, 14, 14, 62, 36, 1},
    {36, 36, 2, 2, 16, 16, 86, 42, 1},
    {40, 40, 2, 2, 18, 18, 114, 48, 1},
    {44, 44, 2, 2, 20, 20, 144, 56, 1},
    {48, 48, 2, 2, 22, 22, 174, 68, 1},
    {52, 52, 2, 2, 24, 24, 204, 84, 2},
    {64, 64, 4, 4, 14, 14, 280, 112, 2},
    {72, 72, 4, 4, 16, 16, 368, 144, 4},
    {80, 80, 4, 4, 18, 18, 456, 192, 4},
    {88, 88, 4, 4, 20, 20, 576, 224, 4},
    {96, 96, 4, 4, 22, 22, 696, 272, 4},
    {104, 104, 4, 4, 24, 24, 816, 336, 6},
    {120, 120, 6, 6, 18, 18, 1050, 408, 6},
    {132, 132, 6, 6, 20, 20, 1304, 496, 8},
    {144, 144, 6, 6, 22, 22, 1558, 620, 10},
    {8, 18, 1, 1, 6, 16, 5, 7, 1},
    {8, 32, 1, 2, 6, 14, 10, 11, 1},
    {12, 26, 1, 1, 10, 24, 16, 14, 1},
    {12, 36, 1, 2, 10, 16, 22, 18, 1},
    {16, 36, 1, 2, 14, 16, 32, 24, 1},
    {16, 48, 1, 2, 14, 22, 49, 28, 1},
}};

// Geometry of one symbol, derived from its size row.
struct TdmMatrixParams {
  int CellX = 0, CellY = 0;          // data regions horizontally, vertically
  int CellSizeX = 0, CellSizeY = 0;  // one region with its finder and clock lines
  int TotalMatrixW = 0, TotalMatrixH = 0;
  int TotalDW = 0, TotalEW = 0;  // data and error-correction codewords
  int Inter = 0;                 // interleaved blocks
  int MappingW() const { return CellX * (CellSizeX - 2); }
  int MappingH() const { return CellY * (CellSizeY - 2); }
};
TdmMatrixParams DmMatrixParams(TksDataMatrixVersion version);
// Data codewords a version holds; for automatic those of the largest symbol.
int DmCapacity(TksDataMatrixVersion version);

// Codeword values of the encodation scheme (ISO/IEC 16022, 5.2).
namespace dmcw {
inline constexpr int kPad = 129;
inline constexpr int kLatchC40 = 230;
inline constexpr int kLatchBase256 = 231;
inline constexpr int kFNC1 = 232;
inline constexpr int kStructuredAppend = 233;
inline constexpr int kUpperShift = 235;
inline constexpr int kLatchX12 = 238;
inline constexpr int kLatchText = 239;
inline constexpr int kLatchEdifact = 240;
inline constexpr int kECI = 241;
inline constexpr int kUnlatchTriple = 254;   // C40, Text, X12 back to ASCII
inline constexpr int kUnlatchEdifact = 124;  // the EDIFACT value 011111 and two zero bits
}  // namespace dmcw

// What the encoder reads from a barcode's Data Matrix, GS1 and segment parameters.
struct DataMatrixSettings {
  TksDataMatrixEncoding encoding = dmeAutomatic;
  TksDataMatrixVersion version = ksDMAutomatic;
  int32_t eci = -1;
  int32_t segmentIndex = 0;
  int32_t segmentCount = 1;
  std::u16string fileId{};
  TksFNC1Type fnc1 = fnc1None;
};

// The family's entry: encodes `bytes` (one char per byte of the UTF-8 text) into a
// symbol; nothing when no codeword results. Throws TksEncodeError erOutOfMaxCapacity,
// naming the data codewords of the fixed or the largest size, when the data do not fit.
std::optional<TksMatrix> EncodeDataMatrix(const std::string& bytes, const DataMatrixSettings& settings);

// Encodes one symbol. Each encoding creates its own object; nothing is shared.
class TksDataMatrix {
 public:
  enum class Outcome { Ok, NoData, TooLarge };

  TksDataMatrixEncoding FEncoding = dmeAutomatic;
  TksDataMatrixVersion FVersion = ksDMAutomatic;
  int32_t FECI = -1;
  int32_t FSegmentIndex = 0;
  int32_t FSegmentCount = 1;
  std::u16string FFileID;
  TksFNC1Type FNC1 = fnc1None;

  // Header codewords (ECI, structured append, FNC1) and the data bytes in the chosen
  // encodation, into Codewords().
  void Encode(const std::string& s);
  // Encode, choose the size, pad and add the check codewords. NoData when nothing was
  // encoded; TooLarge when the codewords exceed the fixed or the largest size (then
  // Capacity() is that size's data codeword count).
  Outcome CreateMatrix(const std::string& s);
  // The same from data codewords encoded elsewhere (values 0..255, in ASCII state at
  // their end): size, padding and check codewords.
  Outcome CreateMatrixFromCodewords(const std::vector<int>& data);
  // Draws the finished symbol into d2 (resized to the symbol).
  void dmGrid(TksMatrix& d2) const;

  const std::vector<int>& Codewords() const { return dw; }
  const TdmMatrixParams& Geometry() const { return mp; }
  int Capacity() const { return FCapacity; }

 private:
  void Push(int cw) { dw.push_back(cw); }
  void UnlatchToAscii();
  void EncodeAscii(const std::string& s, size_t from, size_t to);
  void EncodeTripleMode(TksDataMatrixEncoding mode, const std::string& s);
  void EncodeEdifact(const std::string& s);
  void EncodeBase256(const std::string& s);
  Outcome Finish();
  void LeaveModeAtEnd();
  void PadCodewords();
  void DmBlockEcc();

  TksDataMatrixEncoding FCurrentEncoding = dmeASCII;
  int DataSize = 0;
  int ErrorSize = 0;
  int FCapacity = 0;
  int FEdifactUnlatchAt = -1;  // index of the last EDIFACT unlatch written, -1 for none
  TdmMatrixParams mp;
  std::vector<int> dw;
};

// The mapping matrix of ISO/IEC 16022 Annex F for nrow x ncol modules, row-major: for
// each module the 1-based codeword number and the bit (1 = most significant, 8 = least).
// The fixed pattern in the lower-right corner of some sizes has codeword 0 for its light
// modules and -1 for its dark ones.
struct TdmPlacement {
  int nrow = 0, ncol = 0;
  std::vector<int> cw;
  std::vector<int8_t> bit;
  int codewords = 0;  // codewords placed
};
TdmPlacement DmPlacement(int nrow, int ncol);

}  // namespace ks
