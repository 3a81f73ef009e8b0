// Check characters of the Codabar/Code 11/MSI/Telepen family that callers outside the
// encoders may want on their own.
#pragma once

#include <string_view>

namespace ks {

// MSI mod 10 check digit: characters in odd positions (1st, 3rd, ... from the left) are
// added as they are; those in even positions are doubled and the digits of each product
// added; the result is (10 - sum mod 10) mod 10 as a digit. For an even length this is
// the usual MSI mod 10; for an odd length the usual rule doubles the other positions. Hexadecimal 'A'..'F' count
// as 10..15 (so 'F' doubled adds 3 + 0); anything else counts as 0.
char16_t MsiCheckDigit(std::u16string_view text);

// Telepen check character: 127 - (sum of the codes' low seven bits mod 127), so 127
// when the sum is a multiple of 127.
char16_t TelepenCheckChar(std::u16string_view text);

}  // namespace ks
