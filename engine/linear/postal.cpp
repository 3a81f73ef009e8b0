#include "engine/barcode.h"
#include "engine/encoders.h"

namespace ks {

std::string EncodePostNet(TksBarcodeComponent&, const std::u16string&) { return {}; }
std::string EncodePlanet(TksBarcodeComponent&, const std::u16string&) { return {}; }
std::string EncodeRoyalMail(TksBarcodeComponent&, const std::u16string&) { return {}; }
std::string Encode4State(TksBarcodeComponent&, const std::u16string&) { return {}; }
std::string EncodeKix(TksBarcodeComponent&, const std::u16string&) { return {}; }
std::string EncodeIntelligentMail(TksBarcodeComponent&, const std::u16string&) { return {}; }

}  // namespace ks
