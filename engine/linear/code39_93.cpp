#include "engine/barcode.h"
#include "engine/encoders.h"

namespace ks {

std::string EncodeCode39(TksBarcodeComponent&, const std::u16string&) { return {}; }
std::string EncodeCode39Full(TksBarcodeComponent&, const std::u16string&) { return {}; }
std::string EncodeCode93(TksBarcodeComponent&, const std::u16string&) { return {}; }
std::string EncodeCode93Full(TksBarcodeComponent&, const std::u16string&) { return {}; }

}  // namespace ks
