// The validation and completion rules the catalogue rows name: one function per rule,
// shared by every symbology that follows it.
#pragma once

#include <string>

namespace ks {

class TksBarcodeComponent;

// Validation rules beyond the allowed characters (which every row without a rule of its
// own checks): raise the barcode error of a text the symbology refuses, or answer false
// to refuse it without one (as CheckBarCode does).
namespace validation {
bool Ean13(TksBarcodeComponent& bc, const std::u16string& s);
bool Ean8(TksBarcodeComponent& bc, const std::u16string& s);
bool UpcA(TksBarcodeComponent& bc, const std::u16string& s);
bool UpcE0(TksBarcodeComponent& bc, const std::u16string& s);
bool UpcE1(TksBarcodeComponent& bc, const std::u16string& s);
bool UpcShipping(TksBarcodeComponent& bc, const std::u16string& s);
bool Itf(TksBarcodeComponent& bc, const std::u16string& s);
bool Interleaved(TksBarcodeComponent& bc, const std::u16string& s);
bool Isbn(TksBarcodeComponent& bc, const std::u16string& s);
bool Issn(TksBarcodeComponent& bc, const std::u16string& s);
bool Ismn(TksBarcodeComponent& bc, const std::u16string& s);
bool Msi(TksBarcodeComponent& bc, const std::u16string& s);
bool PostNet(TksBarcodeComponent& bc, const std::u16string& s);
bool Planet(TksBarcodeComponent& bc, const std::u16string& s);
bool Singapore(TksBarcodeComponent& bc, const std::u16string& s);
bool Opc(TksBarcodeComponent& bc, const std::u16string& s);
bool AbcCodabar(TksBarcodeComponent& bc, const std::u16string& s);
bool Codabar(TksBarcodeComponent& bc, const std::u16string& s);
bool Code39Full(TksBarcodeComponent& bc, const std::u16string& s);
bool Code128(TksBarcodeComponent& bc, const std::u16string& s);
bool Code93(TksBarcodeComponent& bc, const std::u16string& s);
bool Telepen(TksBarcodeComponent& bc, const std::u16string& s);
bool Pzn(TksBarcodeComponent& bc, const std::u16string& s);
bool AnyText(TksBarcodeComponent& bc, const std::u16string& s);  // every text passes
bool IntelligentMail(TksBarcodeComponent& bc, const std::u16string& s);
bool AustraliaPost(TksBarcodeComponent& bc, const std::u16string& s);
bool Gs1_128(TksBarcodeComponent& bc, const std::u16string& s);
}  // namespace validation

// Completion rules: write the check digits, prefixes and blanks a stored text lacks.
namespace completion {
void Ean8(std::u16string& t);
void Jan8(std::u16string& t);
void Ean13(std::u16string& t);
void Jan13(std::u16string& t);
void UpcA(std::u16string& t);
void UpcE(std::u16string& t);
void UpcShipping(std::u16string& t);
void Itf(std::u16string& t);
void Isbn(std::u16string& t);
void Issn(std::u16string& t);
void Ismn(std::u16string& t);
void Opc(std::u16string& t);
void Pzn(std::u16string& t);
}  // namespace completion

}  // namespace ks
