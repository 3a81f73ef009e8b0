#include "engine/barcode.h"
#include "engine/encoders.h"

namespace ks {

std::string EncodePostbarCpc(TksBarcodeComponent&, const std::u16string&) { return {}; }

}  // namespace ks
namespace ks {
std::string EncodeAustraliaPost(TksBarcodeComponent&, const std::u16string&, bool, std::u16string&) { return {}; }
}  // namespace ks
