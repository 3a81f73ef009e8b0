#include "engine/barcode.h"
#include "engine/encoders.h"

namespace ks {

std::string EncodeCodabar(TksBarcodeComponent&, const std::u16string&) { return {}; }
std::string EncodeABCCodabar(TksBarcodeComponent&, const std::u16string&) { return {}; }
std::string EncodeCodabarMonarch(TksBarcodeComponent&, const std::u16string&) { return {}; }
std::string EncodeCode11(TksBarcodeComponent&, const std::u16string&) { return {}; }
std::string EncodeMSI(TksBarcodeComponent&, const std::u16string&) { return {}; }
std::string EncodePZN(TksBarcodeComponent&, const std::u16string&) { return {}; }
std::string EncodeFim(TksBarcodeComponent&, const std::u16string&) { return {}; }
std::string EncodeTelepen(TksBarcodeComponent&, const std::u16string&) { return {}; }

}  // namespace ks
