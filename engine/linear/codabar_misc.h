// Check characters of the Codabar/Code 11/MSI/Telepen family and the Codabar start/stop
// letters, for callers outside the encoders (validation among them).
#pragma once

#include <string>
#include <string_view>

#include "engine/export.h"

namespace ks {

// MSI mod 10 check digit: characters in odd positions (1st, 3rd, ... from the left) are
// added as they are; those in even positions are doubled and the digits of each product
// added; the result is (10 - sum mod 10) mod 10 as a digit. For an even length this is
// the usual MSI mod 10; for an odd length the usual rule doubles the other positions. Hexadecimal 'A'..'F' count
// as 10..15 (so 'F' doubled adds 3 + 0); anything else counts as 0.
BARVELLO_ENGINE_API char16_t MsiCheckDigit(std::u16string_view text);

// Telepen check character: 127 - (sum of the codes mod 127), written as 0 when the sum
// is a multiple of 127 (the check value is always 0..126). Telepen carries codes 0..127;
// validation refuses anything above.
BARVELLO_ENGINE_API char16_t TelepenCheckChar(std::u16string_view text);

// Codabar start/stop letters: A..D and the names a..d, T/t, N/n, '*', E/e that draw the
// same bars. Such a letter is only valid at either end of a Codabar text.
BARVELLO_ENGINE_API bool IsCodabarStartStop(char16_t c);

// The letter A..D a start/stop name stands for: a..d, T/t (A), N/n (B), '*' (C) and E/e
// (D); every other character maps onto itself.
BARVELLO_ENGINE_API char16_t CodabarCanonical(char16_t c);

// The Codabar mod 16 check: the complement of the sum of the values of start, data and
// stop (A..D count 16..19), written as the character of that value.
BARVELLO_ENGINE_API char16_t CodabarCheckChar(char16_t start, std::u16string_view data, char16_t stop);

}  // namespace ks
