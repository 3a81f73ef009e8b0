// The encoding dispatch: the encoder entries the catalogue rows name, EncodeBars
// (validation, the row's encoder, the EAN margin and the wide/narrow ratio), ApplyRatio
// and Zoom from modules to pixels.
#include "engine/dispatch.h"

#include <array>
#include <utility>
#include <vector>

#include "engine/barcode.h"
#include "engine/catalogue.h"
#include "engine/decor.h"
#include "engine/encoders.h"
#include "engine/matrix/pdf417.h"
#include "engine/params.h"
#include "engine/ustring.h"

namespace ks {

namespace {

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

EncodedSymbol Pattern(std::string p) { return {std::move(p), std::nullopt}; }

}  // namespace

// ---- encoder entries -------------------------------------------------------------------

namespace dispatch {

EncodedSymbol Ean8(TksBarcodeComponent& bc, const std::u16string&) { return Pattern(EncodeEan8(bc, bc.BarCode())); }
EncodedSymbol Ean13(TksBarcodeComponent& bc, const std::u16string& text) { return Pattern(EncodeEan13(bc, text)); }
EncodedSymbol BookNumberEan13(TksBarcodeComponent& bc, const std::u16string& text) {
  return Pattern(EncodeEan13(bc, BookNumberEan13(text, CatalogueRow(bc.BarcodeSymbology()).bookNumber)));
}
EncodedSymbol UpcA(TksBarcodeComponent& bc, const std::u16string&) { return Pattern(EncodeUpcA(bc, bc.BarCode())); }
EncodedSymbol UpcE0(TksBarcodeComponent& bc, const std::u16string&) { return Pattern(EncodeUpcE(bc, bc.BarCode())); }
EncodedSymbol UpcE1(TksBarcodeComponent& bc, const std::u16string&) { return Pattern(EncodeUpcE(bc, bc.BarCode())); }
EncodedSymbol UpcShipping(TksBarcodeComponent& bc, const std::u16string&) {
  return Pattern(EncodeUpcShipping(bc, bc.BarCode()));
}
EncodedSymbol Codabar(TksBarcodeComponent& bc, const std::u16string&) {
  return Pattern(EncodeCodabar(bc, bc.BarCode()));
}
EncodedSymbol AbcCodabar(TksBarcodeComponent& bc, const std::u16string&) {
  return Pattern(EncodeABCCodabar(bc, bc.BarCode()));
}
EncodedSymbol CodabarMonarch(TksBarcodeComponent& bc, const std::u16string&) {
  return Pattern(EncodeCodabarMonarch(bc, bc.BarCode()));
}
EncodedSymbol Code39(TksBarcodeComponent& bc, const std::u16string&) { return Pattern(EncodeCode39(bc, bc.BarCode())); }
EncodedSymbol Code39Full(TksBarcodeComponent& bc, const std::u16string&) {
  return Pattern(EncodeCode39Full(bc, bc.BarCode()));
}
EncodedSymbol Code93(TksBarcodeComponent& bc, const std::u16string&) { return Pattern(EncodeCode93(bc, bc.BarCode())); }
EncodedSymbol Code93Full(TksBarcodeComponent& bc, const std::u16string&) {
  return Pattern(EncodeCode93Full(bc, bc.BarCode()));
}
EncodedSymbol Code128(TksBarcodeComponent& bc, const std::u16string&) {
  return Pattern(EncodeCode128(bc, bc.BarCode()));
}
EncodedSymbol Gs1_128(TksBarcodeComponent& bc, const std::u16string&) {
  return Pattern(EncodeCode128(bc, bc.BarCode()));
}
EncodedSymbol TwoOf5Datalogic(TksBarcodeComponent& bc, const std::u16string&) {
  return Pattern(Encode2of5(bc, bc.BarCode(), bc25Datalogic));
}
EncodedSymbol TwoOf5Matrix(TksBarcodeComponent& bc, const std::u16string&) {
  return Pattern(Encode2of5(bc, bc.BarCode(), bc25Matrix));
}
EncodedSymbol TwoOf5Industrial(TksBarcodeComponent& bc, const std::u16string&) {
  return Pattern(Encode2of5(bc, bc.BarCode(), bc25Industrial));
}
EncodedSymbol TwoOf5Iata(TksBarcodeComponent& bc, const std::u16string&) {
  return Pattern(Encode2of5(bc, bc.BarCode(), bc25IATA));
}
EncodedSymbol TwoOf5Invert(TksBarcodeComponent& bc, const std::u16string&) {
  return Pattern(Encode2of5(bc, bc.BarCode(), bc25Invert));
}
EncodedSymbol TwoOf5Coop(TksBarcodeComponent& bc, const std::u16string&) {
  return Pattern(Encode2of5(bc, bc.BarCode(), bc25Coop));
}
EncodedSymbol Interleaved(TksBarcodeComponent& bc, const std::u16string&) {
  return Pattern(EncodeInterleaved(bc, bc.BarCode()));
}
EncodedSymbol Code11(TksBarcodeComponent& bc, const std::u16string&) { return Pattern(EncodeCode11(bc, bc.BarCode())); }
EncodedSymbol Msi(TksBarcodeComponent& bc, const std::u16string&) { return Pattern(EncodeMSI(bc, bc.BarCode())); }
EncodedSymbol Pzn(TksBarcodeComponent& bc, const std::u16string&) { return Pattern(EncodePZN(bc, bc.BarCode())); }
EncodedSymbol Fim(TksBarcodeComponent& bc, const std::u16string&) {
  const std::u16string& stored = bc.BarCode();
  return Pattern(EncodeFim(bc, stored.empty() ? std::u16string() : std::u16string(1, UpperAscii(stored[0]))));
}
EncodedSymbol Telepen(TksBarcodeComponent& bc, const std::u16string& text) { return Pattern(EncodeTelepen(bc, text)); }
EncodedSymbol PostNet(TksBarcodeComponent& bc, const std::u16string&) {
  return Pattern(EncodePostNet(bc, bc.BarCode()));
}
EncodedSymbol Planet(TksBarcodeComponent& bc, const std::u16string&) { return Pattern(EncodePlanet(bc, bc.BarCode())); }
EncodedSymbol RoyalMail(TksBarcodeComponent& bc, const std::u16string&) {
  return Pattern(EncodeRoyalMail(bc, bc.BarCode()));
}
EncodedSymbol FourState(TksBarcodeComponent& bc, const std::u16string&) {
  return Pattern(Encode4State(bc, bc.BarCode()));
}
EncodedSymbol Kix(TksBarcodeComponent& bc, const std::u16string&) { return Pattern(EncodeKix(bc, bc.BarCode())); }
EncodedSymbol IntelligentMail(TksBarcodeComponent& bc, const std::u16string& text) {
  return Pattern(EncodeIntelligentMail(bc, text));
}
EncodedSymbol PostbarCpc(TksBarcodeComponent& bc, const std::u16string& text) {
  return Pattern(EncodePostbarCpc(bc, text));
}
EncodedSymbol AustraliaPost(TksBarcodeComponent& bc, const std::u16string& text) {
  std::u16string caption;
  std::string p = EncodeAustraliaPost(bc, text, true, caption);
  return {std::move(p), std::move(caption)};
}
EncodedSymbol DataMatrix(TksBarcodeComponent& bc, const std::u16string&) {
  EncodeDataMatrix(bc, bc.BarCode());
  return {};
}
EncodedSymbol QRCode(TksBarcodeComponent& bc, const std::u16string&) {
  EncodeQRCode(bc, bc.BarCode());
  return {};
}

}  // namespace dispatch

std::string TksBarcodeComponent::EncodeBars(const std::u16string& text) {
  TextSlot.fill(0);
  FBars.clear();
  if (!CheckBarCode(text)) return {};

  const SymbologyRow& row = CatalogueRow(FBarcodeSymbology);
  EncodedSymbol symbol;
  try {
    if (row.encode) symbol = row.encode(*this, text);
  } catch (const TksEncodeError& e) {
    FErrorInfo->Raise(e);
  }
  std::string p = std::move(symbol.pattern);

  if (row.Has(capEanMargin) && FCaptionHuman->Visible()) {
    p.insert(0, 8, ' ');
    for (auto& slot : TextSlot) slot += 8;
  }
  if (symbol.caption && FCaptionUpper->AutoCaption()) FCaptionUpper->SetText(SplitLines(*symbol.caption));
  if (FParams->Ratio() != ra20 && row.Has(capVariableRatio)) {
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
  return CatalogueRow(bc.BarcodeSymbology()).painter == SymbolPainter::Stacked ? Pdf417SymbolWidth(bc) : 0;
}

std::u16string BookNumberToEan13(const std::u16string& text, TksBarcodeSymbology symbology) {
  return BookNumberEan13(text, CatalogueRow(symbology).bookNumber);
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
