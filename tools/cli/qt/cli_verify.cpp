// barvello-cli --verify: every image is decoded before it is written, and one that does
// not read back is never put in place.
#include <QImage>
#include <iostream>

#include "tools/cli/cli_output.h"

using namespace ks;

std::string VerifyFailureText(const VerifyResult& result) {
  return "erVerifyFailed: the symbol does not read back: " + result.message + "; no file written";
}

bool VerifyRendered(TksBarcodeComponent& bc, const QImage& image, VerifyStatus* verified, std::string& error) {
  const VerifyResult result = VerifyImage(image, bc);
  if (verified) *verified = result.status;
  if (result.status == VerifyStatus::Read || result.status == VerifyStatus::NotVerifiable) return true;
  error = VerifyFailureText(result);
  return false;
}

void NoteNotVerified(const TksBarcodeComponent& bc) {
  std::cerr << "barvello-cli: note: written without verification: " << VerifyTargetOf(bc).reason << "\n";
}
