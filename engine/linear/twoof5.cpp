#include "engine/barcode.h"
#include "engine/encoders.h"

namespace ks {

std::string EncodeInterleaved(TksBarcodeComponent&, const std::u16string&) { return {}; }

}  // namespace ks
namespace ks {
std::string Encode2of5(TksBarcodeComponent&, const std::u16string&, TksBarcodeSymbology) { return {}; }
}  // namespace ks
