// Book numbers (ISBN, ISSN, ISMN) in the forms people type them, and the EAN-13 symbol
// each stands for. Validation, completion, the encoding dispatch and the human-readable
// line all read a data text through these, so they agree on what it means.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "engine/export.h"

namespace ks {

class TksBarcodeComponent;

// The book numbers read into EAN-13; None for every other symbology.
enum class BookNumber : uint8_t { None, Isbn, Issn, Ismn };

// Accepts a book number of the given kind, optionally followed by a blank and a 2- or
// 5-digit add-on, or raises erBarcodeLengthInvalid or erCharOutOfSet (with the
// character's position in the data text) through bc. The number's own check character
// is not examined and may be missing: completion writes it, and the symbol carries the
// EAN-13 check digit instead.
bool CheckBookNumber(TksBarcodeComponent& bc, std::u16string_view text, BookNumber kind);

// The data text with the number's own check character written (appended when it is
// missing, after a hyphen when the number is written with hyphens). Texts of no known
// form, the add-on and an ISSN (whose check character the symbol does not carry) are
// left as they are.
std::u16string CompleteBookNumber(std::u16string_view text, BookNumber kind);

// The EAN-13 data text (with its check digit, and the add-on after a blank) a book
// number of the given kind stands for. For None, the text is taken as an EAN-13 already
// (JAN-13): hyphens removed and the check digit rewritten.
BARVELLO_ENGINE_API std::u16string BookNumberEan13(const std::u16string& text, BookNumber kind);

}  // namespace ks
