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
#include "engine/gs1/gs1.h"
#include "engine/matrix/datamatrix.h"
#include "engine/matrix/pdf417.h"
#include "engine/matrix/qrcode.h"
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

EncodedSymbol Linear(BarSymbol bars) { return {std::move(bars), std::nullopt}; }

// The prepared text of a matrix symbol as UTF-8 bytes; a text over the byte limit
// converts to nothing, which no symbol could hold (erOutOfMaxCapacity naming `capacity`).
std::string MatrixBytes(TksBarcodeComponent& bc, const std::u16string& text, int capacity) {
  std::string bytes = Utf8ByteString(text);
  if (bytes.empty() && !text.empty()) bc.BarcodeRaise(erOutOfMaxCapacity, capacity, u"");
  return bytes;
}

// The matrix cells of an encoder's symbol into the barcode's matrix; the drawing
// geometry set at paint time stays.
void TakeCells(TksMatrix& to, TksMatrix&& from) {
  to.NC = from.NC;
  to.NR = from.NR;
  to.idxOut = from.idxOut;
  to.Pixels = std::move(from.Pixels);
  to.PixelsBackup = std::move(from.PixelsBackup);
}

}  // namespace

// ---- encoder entries -------------------------------------------------------------------

namespace dispatch {

EncodedSymbol Ean8(TksBarcodeComponent& bc, const std::u16string&) { return Linear(EncodeEan8(bc.BarCode())); }
EncodedSymbol Ean13(TksBarcodeComponent&, const std::u16string& text) { return Linear(EncodeEan13(text)); }
EncodedSymbol BookNumberEan13(TksBarcodeComponent& bc, const std::u16string& text) {
  return Linear(EncodeEan13(ks::BookNumberEan13(text, CatalogueRow(bc.BarcodeSymbology()).bookNumber)));
}
EncodedSymbol UpcA(TksBarcodeComponent& bc, const std::u16string&) {
  return Linear(EncodeUpcA(bc.BarCode(), bc.CaptionHuman().Visible()));
}
EncodedSymbol UpcE0(TksBarcodeComponent& bc, const std::u16string&) {
  return Linear(EncodeUpcE(bc.BarCode(), false, bc.CaptionHuman().Visible()));
}
EncodedSymbol UpcE1(TksBarcodeComponent& bc, const std::u16string&) {
  return Linear(EncodeUpcE(bc.BarCode(), true, bc.CaptionHuman().Visible()));
}
EncodedSymbol UpcShipping(TksBarcodeComponent& bc, const std::u16string&) {
  return Linear(EncodeUpcShipping(bc.BarCode(), bc.HasOption(boAddLeadingZero)));
}
EncodedSymbol Codabar(TksBarcodeComponent& bc, const std::u16string&) {
  return Linear(EncodeCodabar(bc.BarCode(), bc.HasOption(boAutoCheckDigit)));
}
EncodedSymbol AbcCodabar(TksBarcodeComponent& bc, const std::u16string&) {
  return Linear(EncodeABCCodabar(bc.BarCode()));
}
EncodedSymbol CodabarMonarch(TksBarcodeComponent& bc, const std::u16string&) {
  return Linear(EncodeCodabarMonarch(bc.BarCode()));
}
EncodedSymbol Code39(TksBarcodeComponent& bc, const std::u16string&) { return Linear(EncodeCode39(bc.BarCode())); }
EncodedSymbol Code39Full(TksBarcodeComponent& bc, const std::u16string&) {
  return Linear(EncodeCode39Full(bc.BarCode()));
}
EncodedSymbol Code93(TksBarcodeComponent& bc, const std::u16string&) { return Linear(EncodeCode93(bc.BarCode())); }
EncodedSymbol Code93Full(TksBarcodeComponent& bc, const std::u16string&) {
  return Linear(EncodeCode93Full(bc.BarCode()));
}
EncodedSymbol Code128(TksBarcodeComponent& bc, const std::u16string&) { return Linear(EncodeCode128(bc.BarCode())); }
// The data text as a verified GS1 element string, by the rule the 2D symbols use in their
// GS1 role; its errors are raised through the barcode.
EncodedSymbol Gs1_128(TksBarcodeComponent& bc, const std::u16string&) {
  const std::u16string& stored = bc.BarCode();
  return Linear(EncodeCode128(stored.empty() ? stored : Gs1_128Text(GS1ElementString(bc, stored))));
}
EncodedSymbol TwoOf5Datalogic(TksBarcodeComponent& bc, const std::u16string&) {
  return Linear(Encode2of5(bc.BarCode(), TwoOf5::Datalogic));
}
EncodedSymbol TwoOf5Matrix(TksBarcodeComponent& bc, const std::u16string&) {
  return Linear(Encode2of5(bc.BarCode(), TwoOf5::Matrix));
}
EncodedSymbol TwoOf5Industrial(TksBarcodeComponent& bc, const std::u16string&) {
  return Linear(Encode2of5(bc.BarCode(), TwoOf5::Industrial));
}
EncodedSymbol TwoOf5Iata(TksBarcodeComponent& bc, const std::u16string&) {
  return Linear(Encode2of5(bc.BarCode(), TwoOf5::Iata));
}
EncodedSymbol TwoOf5Invert(TksBarcodeComponent& bc, const std::u16string&) {
  return Linear(Encode2of5(bc.BarCode(), TwoOf5::Invert));
}
EncodedSymbol TwoOf5Coop(TksBarcodeComponent& bc, const std::u16string&) {
  return Linear(Encode2of5(bc.BarCode(), TwoOf5::Coop));
}
EncodedSymbol Interleaved(TksBarcodeComponent& bc, const std::u16string&) {
  return Linear(EncodeInterleaved(bc.BarCode(), bc.HasOption(boAddLeadingZero)));
}
EncodedSymbol Code11(TksBarcodeComponent& bc, const std::u16string&) { return Linear(EncodeCode11(bc.BarCode())); }
EncodedSymbol Msi(TksBarcodeComponent& bc, const std::u16string&) { return Linear(EncodeMSI(bc.BarCode())); }
EncodedSymbol Pzn(TksBarcodeComponent& bc, const std::u16string&) { return Linear(EncodePZN(bc.BarCode())); }
// The mark of the first character.
EncodedSymbol Fim(TksBarcodeComponent& bc, const std::u16string&) {
  const std::u16string& stored = bc.BarCode();
  return Linear(EncodeFim(stored.empty() ? std::u16string() : std::u16string(1, UpperAscii(stored[0]))));
}
EncodedSymbol Telepen(TksBarcodeComponent&, const std::u16string& text) { return Linear(EncodeTelepen(text)); }
EncodedSymbol PostNet(TksBarcodeComponent& bc, const std::u16string&) {
  return Linear(EncodePostNet(bc.BarCode(), bc.HasOption(boAutoCheckDigit)));
}
EncodedSymbol Planet(TksBarcodeComponent& bc, const std::u16string&) { return Linear(EncodePlanet(bc.BarCode())); }
EncodedSymbol RoyalMail(TksBarcodeComponent& bc, const std::u16string&) {
  return Linear(EncodeRoyalMail(bc.BarCode()));
}
EncodedSymbol FourState(TksBarcodeComponent& bc, const std::u16string&) { return Linear(Encode4State(bc.BarCode())); }
EncodedSymbol Kix(TksBarcodeComponent& bc, const std::u16string&) { return Linear(EncodeKix(bc.BarCode())); }
EncodedSymbol IntelligentMail(TksBarcodeComponent&, const std::u16string& text) {
  return Linear(EncodeIntelligentMail(text));
}
EncodedSymbol PostbarCpc(TksBarcodeComponent&, const std::u16string& text) { return Linear(EncodePostbarCpc(text)); }
EncodedSymbol AustraliaPost(TksBarcodeComponent&, const std::u16string& text) {
  return Linear(EncodeAustraliaPost(text));
}

EncodedSymbol DataMatrix(TksBarcodeComponent& bc, const std::u16string&) {
  if (bc.BarCode().empty()) return {};
  const TksParams& params = bc.Params();
  DataMatrixSettings settings;
  settings.encoding = params.DataMatrix().Encoding();
  settings.version = params.DataMatrix().Version();
  settings.eci = params.ECI();
  settings.segmentCount = params.SegmentCount();
  settings.segmentIndex = params.SegmentIndex();
  settings.fileId = params.QRCode().FileName();
  settings.fnc1 = params.GS1().FNC1Type();
  const std::string bytes = MatrixBytes(bc, SolveGS1(bc), DmCapacity(settings.version));
  return {{}, EncodeDataMatrix(bytes, settings)};
}

EncodedSymbol QRCode(TksBarcodeComponent& bc, const std::u16string&) {
  if (bc.BarCode().empty()) return {};
  const QrSettings settings = QrSettingsOf(bc.Params());
  // Settings no symbol can honour are refused before the text is looked at.
  CheckQrSettings(settings);
  const std::string bytes = MatrixBytes(bc, SolveGS1(bc), kMaxUtf8Bytes);
  QrSymbol symbol = EncodeQRCode(bytes, settings);
  TksQRParams& used = bc.Params().QRCode();
  used.SetUsed(symbol.version, symbol.ecc, symbol.micro, symbol.mode);
  used.SetUsedMask(symbol.mask);
  return {{}, std::move(symbol.matrix)};
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
  if (symbol.matrix) TakeCells(*FPixels, std::move(*symbol.matrix));
  TextSlot = symbol.bars.textSlots;
  std::string p = std::move(symbol.bars.pattern);

  if (row.Has(capEanMargin) && FCaptionHuman->Visible()) {
    p.insert(0, 8, ' ');
    for (auto& slot : TextSlot) slot += 8;
  }
  if (!symbol.bars.caption.empty() && FCaptionUpper->AutoCaption())
    FCaptionUpper->SetText(SplitLines(symbol.bars.caption));
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

void BuildPdf417Rows(TksBarcodeComponent& bc, std::vector<std::string>& rows) {
  rows.clear();
  const TksParams& params = bc.Params();
  // In a GS1 role the symbol holds the verified element string, group separators
  // included; otherwise the data text as it stands.
  const std::u16string text = IsGS1Role(params.GS1().FNC1Type()) ? SolveGS1(bc) : bc.BarCode();
  const std::string bytes = MatrixBytes(bc, text, kMaxUtf8Bytes);

  TksPDF417Params& p = params.PDF417();
  Pdf417Settings settings;
  settings.mode = p.Mode();
  settings.eci = params.ECI();
  settings.layout = {p.Kind(), p.Rows(), p.Cols(), p.SecurityLevel()};
  if (p.UseMacro()) {
    Pdf417Macro& fields = settings.macro.emplace();
    fields.segmentIndex = params.SegmentIndex();
    fields.segmentCount = params.SegmentCount();
    fields.fileId = params.FileID();
    fields.fileName = p.FileName();
    fields.timeStamp = p.TimeStamp();
    fields.sender = p.Sender();
    fields.addressee = p.Addresse();
    fields.fileSize = p.FileSize();
    fields.checksum = p.Checksum();
  }
  Pdf417Symbol symbol;
  try {
    symbol = EncodePdf417(bytes, settings);
  } catch (const TksEncodeError& e) {
    bc.ErrorInfo().Raise(e);
  }
  p.SetUsed(symbol.rows, symbol.cols, symbol.level);
  rows = std::move(symbol.patterns);
}

int Pdf417SymbolWidth(TksBarcodeComponent& bc) {
  BuildPdf417Rows(bc, bc.Bars());
  return bc.Bars().empty() ? 0 : static_cast<int>(bc.Bars().front().size());
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
