// Australia Post customer barcodes: the formats a format control code names, shared by
// validation and the encoder.
#pragma once

#include <cstddef>
#include <string_view>

namespace ks {

// What a format control code (the first two characters of the data text) decides.
struct AusPostFormat {
  std::u16string_view fcc;
  std::size_t bars;            // bars of the whole symbol
  std::size_t customerDigits;  // customer information of digits only: at most this many
  std::size_t customerChars;   // customer information of other characters: at most this many
  const char* customerMessage;  // a customer character without a code
};

// The format of a format control code; nullptr for a code that names none.
const AusPostFormat* AusPostFormatOf(std::u16string_view fcc);

// Checks a data text: a format control code that names a format, an 8-digit sort code,
// and customer information of the kind and length the format allows. Throws
// TksEncodeError (erErrorInBarCode) with the message of the first rule broken. Whether
// each customer character has a code is left to the encoder.
void CheckAustraliaPostText(std::u16string_view text);

}  // namespace ks
