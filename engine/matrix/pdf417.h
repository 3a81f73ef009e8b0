// PDF417 (standard and truncated) and MicroPDF417: compaction of the data bytes into
// codewords, the Macro PDF417 control block, the symbol size and error-correction level,
// and the rows of modules ("1" bar, "0" space) the row painter draws.
//
// The stages can be used on their own:
//   data bytes --Pdf417DataCodewords--> codewords (with their mode latches)
//   ECI + codewords + macro block --BuildPdf417Symbol--> size, padding, check codewords, rows
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/export.h"
#include "engine/matrix/pdf417_params.h"

namespace ks {

class TksBarcodeComponent;

// Codewords of the data bytes (one char per byte) in the given mode, latches included.
// Throws TksEncodeError (erCharOutOfSet) "Bad char in PDF417, position %d, char : %s"
// for the first byte the mode does not allow.
BARVELLO_ENGINE_API std::vector<int> Pdf417DataCodewords(std::string_view bytes, TksPDF417Mode mode);

// The ECI designator: 927/926/925 and the number's codewords; empty for a negative ECI
// or one above 811799.
BARVELLO_ENGINE_API std::vector<int> Pdf417EciCodewords(int32_t eci);

// The Macro PDF417 fields of one segment.
struct Pdf417Macro {
  int32_t segmentIndex = 0;  // 0-based
  int32_t segmentCount = 1;
  std::u16string fileId;     // groups of three decimal digits
  std::u16string fileName;
  double timeStamp = 0;      // days since 1899-12-30; 0 = none
  std::u16string sender;
  std::u16string addressee;
  int32_t fileSize = 0;
  int32_t checksum = 0;
};
// The Macro PDF417 control block, from 928 to the terminator 922 of the last segment.
BARVELLO_ENGINE_API std::vector<int> Pdf417MacroBlock(const Pdf417Macro& macro);

struct Pdf417Layout {
  TksPDF417Kind kind = pkStandard;
  int32_t rows = 0;  // requested; 0 = automatic
  int32_t cols = 0;  // requested data columns; 0 = automatic
  TksPDF417ErrorCorrection level = ksPDF417AutoEC;  // ignored by MicroPDF417
};

struct Pdf417Symbol {
  std::vector<int> codewords;  // every codeword in reading order, check codewords last
  int rows = 0;
  int cols = 0;  // data columns
  TksPDF417ErrorCorrection level = ksPDF417AutoEC;  // ksPDF417AutoEC for MicroPDF417
  std::vector<std::string> patterns;  // one string of modules per row
};

// Builds the symbol from the ECI designator and data codewords (`data`) and the macro
// control block (`macro`, may be empty): chooses size and level, pads with 900, places
// the control block after the pads, adds the length descriptor (PDF417) and the check
// codewords, and lays out the rows. Throws TksEncodeError (erOutOfMaxCapacity) with
// the capacity messages when the data do not fit.
BARVELLO_ENGINE_API Pdf417Symbol BuildPdf417Symbol(const std::vector<int>& data, const std::vector<int>& macro,
                               const Pdf417Layout& layout);

// What the encoder reads from a barcode's PDF417 and segment parameters.
struct Pdf417Settings {
  TksPDF417Mode mode = ksPDF417AutoCode;
  int32_t eci = -1;
  Pdf417Layout layout{};
  std::optional<Pdf417Macro> macro{};  // the Macro PDF417 fields, when the symbol carries them
};

// The family's entry: the data bytes (one char per byte of the UTF-8 text) in the mode,
// after the ECI designator and before the macro control block, built into a symbol.
// Throws TksEncodeError as Pdf417DataCodewords and BuildPdf417Symbol.
BARVELLO_ENGINE_API Pdf417Symbol EncodePdf417(std::string_view bytes, const Pdf417Settings& settings);

// The barcode object's side (with the encoding dispatch): encodes its data text with its
// PDF417 parameters, replaces `rows` (the barcode's Bars()) by the symbol's rows and
// records UsedRows, UsedCols and UsedECL. In a GS1 role of the GS1 settings the symbol
// holds the verified element string (SolveGS1). Every failure is raised through the
// barcode's error object.
BARVELLO_ENGINE_API void BuildPdf417Rows(TksBarcodeComponent& bc, std::vector<std::string>& rows);

// Builds the rows into bc.Bars() and answers the symbol's width in modules.
BARVELLO_ENGINE_API int Pdf417SymbolWidth(TksBarcodeComponent& bc);

}  // namespace ks
