// EncodeBars: validation, the encoder of the symbology, the EAN margin and the
// wide/narrow ratio; ApplyRatio; Zoom from modules to pixels.
#include <array>

#include "engine/barcode.h"
#include "engine/decor.h"
#include "engine/encoders.h"
#include "engine/matrix/pdf417.h"
#include "engine/params.h"
#include "engine/ustring.h"

namespace ks {

namespace {

bool HasEanMargin(TksBarcodeSymbology s) {
  switch (s) {
    case bcEan13: case bcISBN: case bcISSN: case bcISMN: case bcJAN13:
    case bcUPCA: case bcUPCE0: case bcUPCE1:
      return true;
    default:
      return false;
  }
}

std::vector<std::u16string> SplitLines(const std::u16string& s) {
  std::vector<std::u16string> lines;
  std::u16string cur;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == u'\r' || s[i] == u'\n') {
      lines.push_back(cur);
      cur.clear();
      if (s[i] == u'\r' && i + 1 < s.size() && s[i + 1] == u'\n') ++i;
    } else {
      cur += s[i];
    }
  }
  lines.push_back(cur);
  return lines;
}

}  // namespace

std::string TksBarcodeComponent::EncodeBars(const std::u16string& text) {
  std::string p;
  TextSlot.fill(0);
  FBars.clear();
  if (!CheckBarCode(text)) return {};

  const TksBarcodeSymbology s = FBarcodeSymbology;
  const std::u16string& stored = FBarCode;
  std::u16string caption;
  try {
  switch (s) {
    case bcEan8: case bcJAN8: p = EncodeEan8(*this, stored); break;
    case bcEan13: p = EncodeEan13(*this, text); break;
    case bcISBN: case bcISSN: case bcISMN: case bcJAN13: p = EncodeEan13(*this, BookNumberToEan13(text, s)); break;
    case bcUPCA: p = EncodeUpcA(*this, stored); break;
    case bcUPCE0: case bcUPCE1: p = EncodeUpcE(*this, stored); break;
    case bcUPCShipping: p = EncodeUpcShipping(*this, stored); break;
    case bcCodabar: p = EncodeCodabar(*this, stored); break;
    case bcABCCodabar: p = EncodeABCCodabar(*this, stored); break;
    case bcCodabarMonarch: p = EncodeCodabarMonarch(*this, stored); break;
    case bcCode39Standard: p = EncodeCode39(*this, stored); break;
    case bcCode39Full: p = EncodeCode39Full(*this, stored); break;
    case bcCode93Standard: p = EncodeCode93(*this, stored); break;
    case bcCode93Full: p = EncodeCode93Full(*this, stored); break;
    case bcCode128: case bcUccEan128: p = EncodeCode128(*this, stored); break;
    case bc25Datalogic: case bc25Matrix: case bc25Industrial: case bc25IATA: case bc25Invert: case bc25Coop:
      p = Encode2of5(*this, stored, s);
      break;
    case bc25Interleaved: case bcITF: case bcOPC: p = EncodeInterleaved(*this, stored); break;
    case bcCode11: p = EncodeCode11(*this, stored); break;
    case bcMSIPlessey: p = EncodeMSI(*this, stored); break;
    case bcPZN: p = EncodePZN(*this, stored); break;
    case bcFim: p = EncodeFim(*this, stored.empty() ? std::u16string() : std::u16string(1, UpperAscii(stored[0]))); break;
    case bcTelepen: p = EncodeTelepen(*this, text); break;
    case bcPostNet: p = EncodePostNet(*this, stored); break;
    case bcPlanet: p = EncodePlanet(*this, stored); break;
    case bcRoyalMail: case bcSingapore4StatePostalCode: p = EncodeRoyalMail(*this, stored); break;
    case bc4State: p = Encode4State(*this, stored); break;
    case bcDutch4StatePostal: p = EncodeKix(*this, stored); break;
    case bcIntelligentMail: p = EncodeIntelligentMail(*this, text); break;
    case bcPostbarCPC4State: p = EncodePostbarCpc(*this, text); break;
    case bcAustraliaPost: p = EncodeAustraliaPost(*this, text, true, caption); break;
    case bcDataMatrix: EncodeDataMatrix(*this, stored); break;
    case bcQRCode: EncodeQRCode(*this, stored); break;
    default: break;  // no encoder: the pattern stays empty
  }
  } catch (const TksEncodeError& e) {
    FErrorInfo->Raise(e);
  }

  if (HasEanMargin(s) && FCaptionHuman->Visible()) {
    p.insert(0, 8, ' ');
    for (auto& slot : TextSlot) slot += 8;
  }
  if (s == bcAustraliaPost && FCaptionUpper->AutoCaption()) FCaptionUpper->SetText(SplitLines(caption));
  if (FParams->Ratio() != ra20 && SymbologyVariableRatio(s)) {
    // A pattern the ratio cannot widen fails as an ordinary exception, which the error
    // modes do not handle; the error object still names it.
    try {
      p = ApplyRatio(p, FParams->Ratio());
    } catch (const Exception& e) {
      FErrorInfo->Record(e);
      throw;
    }
  }
  FBars.push_back(p);
  if (TextSlot[1] <= 0) TextSlot[1] = static_cast<int32_t>(p.size()) - 1;
  return p;
}

int StackedSymbolWidth(TksBarcodeComponent& bc) {
  return bc.BarcodeSymbology() == bcPDF417 ? Pdf417SymbolWidth(bc) : 0;
}

std::string ApplyRatio(const std::string& pattern, TksRatio ratio) {
  if (ratio == ra20) return pattern;
  std::string out;
  out.reserve(pattern.size() * 3);
  size_t i = 0;
  while (i < pattern.size()) {
    size_t j = i;
    while (j < pattern.size() && pattern[j] == pattern[i]) ++j;
    size_t run = j - i;
    if (run > 2) throw Exception(erErrorInBarCode, "Not possible use ratio for selected symbology");
    size_t n = ratio == ra25 ? (run == 1 ? 2 : 5) : (run == 1 ? 1 : 3);
    out.append(n, pattern[i]);
    i = j;
  }
  return out;
}

std::string TksBarcodeComponent::Zoom(const std::string& pattern, int width, bool security) {
  const int n = static_cast<int>(pattern.size());
  if (n == 0) return {};
  std::string out;
  if (security) {
    int k = width / n;
    if (k <= 0) BarcodeRaiseStr(erOutOfSecurityBox, u"");
    out.reserve(static_cast<size_t>(k) * n);
    for (char c : pattern) out.append(static_cast<size_t>(k), c);
    for (auto& slot : TextSlot) slot *= k;
    return out;
  }
  if (width > 0) out.reserve(width);
  const std::array<int32_t, 6> entry = TextSlot;
  long long a = 0;
  for (int i = 1; i <= n; ++i) {
    a -= width;
    for (int k = 0; k < 6; ++k)
      if (entry[k] == i) TextSlot[k] = static_cast<int32_t>(out.size());
    while (a < 0) {
      a += n;
      out += pattern[i - 1];
    }
  }
  return out;
}

}  // namespace ks
