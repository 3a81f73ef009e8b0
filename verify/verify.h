// Reading a rendered symbol back with a real decoder (zxing-cpp): the pixels an export,
// a label print or the preview draws are decoded, and the text read is compared with
// what the barcode object encodes. The engine knows nothing of the decoder; only this
// unit links it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/symbology.h"

class QImage;

namespace ks {

class TksBarcodeComponent;

enum class VerifyStatus : uint8_t {
  Read,           // the decoder read exactly what the object encodes
  Misread,        // it read a symbol of the expected kind, but another text
  Unreadable,     // it found no symbol of the expected kind
  NotVerifiable,  // no decoder here reads this symbology (or this form of it)
};

// "read", "misread", "unreadable", "not verifiable".
const char* VerifyStatusName(VerifyStatus status);

// What a decoder has to read from an image of one barcode object. It is taken from the
// object on the thread that owns it; decoding needs only this and the pixels, so it may
// run on another thread while the object changes.
struct VerifyTarget {
  bool verifiable = false;
  std::string reason;           // why not, when not verifiable
  std::string formatName;       // the symbology as the decoder names it, e.g. "EAN-13"
  uint32_t formats = 0;         // the decoder's format flags
  std::vector<std::string> texts;  // UTF-8; each must be read: a symbol, a separate add-on
  bool gs1 = false;             // the symbol must carry GS1 data (FNC1 in first position)
  bool code39FullAscii = false;
  bool codabarStartStop = false;
  bool eanAddOn = false;        // an EAN/UPC add-on belongs to the symbol
  bool reversed = false;        // reflectance reversal: the inverted image reads too
  int angle = 0;                // 0, 90, 180 or 270
};

struct VerifyResult {
  VerifyStatus status = VerifyStatus::NotVerifiable;
  std::string expected;  // what the object encodes (texts joined by " + "), printable
  std::string decoded;   // what the decoder read (joined by " + "), printable; "" if nothing
  std::string message;   // one English sentence for logs and the command line
};

VerifyTarget VerifyTargetOf(const TksBarcodeComponent& bc);

// Decodes `image` (any format; transparent pixels count as white) and compares. The image
// is read as it sits on white paper, with a white margin around it: what is judged is
// the symbol (its encoding, colours and module sizes), not the room the file leaves.
VerifyResult VerifyImage(const QImage& image, const VerifyTarget& target);
VerifyResult VerifyImage(const QImage& image, const TksBarcodeComponent& bc);

// The supported symbologies no decoder here reads at all, in catalogue order.
std::vector<TksBarcodeSymbology> UnverifiableSymbologies();

// A text as people read it in a message: control characters as <GS>, <CR> and so on.
std::string PrintableText(const std::string& utf8);

}  // namespace ks
