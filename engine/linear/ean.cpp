#include "engine/barcode.h"
#include "engine/encoders.h"

namespace ks {

std::string EncodeEan8(TksBarcodeComponent&, const std::u16string&) { return {}; }
std::string EncodeEan13(TksBarcodeComponent&, const std::u16string&) { return {}; }
std::string EncodeUpcA(TksBarcodeComponent&, const std::u16string&) { return {}; }
std::string EncodeUpcE(TksBarcodeComponent&, const std::u16string&) { return {}; }
std::string EncodeUpcShipping(TksBarcodeComponent&, const std::u16string&) { return {}; }

}  // namespace ks
namespace ks {
std::u16string BookNumberToEan13(const std::u16string& text, TksBarcodeSymbology) { return text; }
}  // namespace ks
