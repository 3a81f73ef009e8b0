// What a decoder must read from a symbol of one barcode object: the symbologies zxing-cpp
// reads, each with the text its readers report. That text is the completed data text
// after the normalisations readers apply: check digits as the symbol carries them, an
// EAN/UPC add-on after a blank, GS1 element strings without parentheses (FNC1 as a
// group separator), Codabar with its start and stop letters, UPC-E in its 8-digit form
// (the number system of the symbology, the check digit of the expansion).
#include <ZXing/BarcodeFormat.h>

#include <array>

#include "engine/barcode.h"
#include "engine/encoders.h"
#include "engine/gs1/gs1.h"
#include "engine/linear/codabar_misc.h"
#include "engine/matrix/pdf417_params.h"
#include "engine/matrix/qr_params.h"
#include "engine/params.h"
#include "engine/ustring.h"
#include "verify/verify.h"

namespace ks {

namespace {

using ZXing::BarcodeFormat;

// How the text a reader reports follows from the data text.
enum class Reading : uint8_t {
  Ean,          // the first `length` digits, an add-on after a blank
  BookNumber,   // the EAN-13 of a book number (or JAN-13), then as Ean
  UpcE0,
  UpcE1,
  Interleaved,  // digits, led by 0 when odd and boAddLeadingZero asks for it
  UpcShipping,  // 14 digits, and a second interleaved symbol for the add-on
  Code39,
  Code39Full,
  Pzn,          // Code 39 of "-" and the seven digits
  Code93,
  Code93Full,
  Code128,
  Gs1_128,
  Codabar,
  AbcCodabar,   // blank-separated Codabar symbols
  Pdf417,
  DataMatrix,
  QRCode,
};

struct Row {
  TksBarcodeSymbology symbology;
  Reading reading;
  BarcodeFormat format;
  int length;  // main digits of an EAN/UPC symbol
};

// Every symbology zxing-cpp 1.4 reads, with the format its readers report.
constexpr std::array<Row, 26> kReadable = {{
    {bcEan8, Reading::Ean, BarcodeFormat::EAN8, 8},
    {bcJAN8, Reading::Ean, BarcodeFormat::EAN8, 8},
    {bcEan13, Reading::Ean, BarcodeFormat::EAN13, 13},
    {bcJAN13, Reading::BookNumber, BarcodeFormat::EAN13, 13},
    {bcISBN, Reading::BookNumber, BarcodeFormat::EAN13, 13},
    {bcISSN, Reading::BookNumber, BarcodeFormat::EAN13, 13},
    {bcISMN, Reading::BookNumber, BarcodeFormat::EAN13, 13},
    {bcUPCA, Reading::Ean, BarcodeFormat::UPCA, 12},
    {bcUPCE0, Reading::UpcE0, BarcodeFormat::UPCE, 8},
    {bcUPCE1, Reading::UpcE1, BarcodeFormat::UPCE, 8},
    {bc25Interleaved, Reading::Interleaved, BarcodeFormat::ITF, 0},
    {bcITF, Reading::Interleaved, BarcodeFormat::ITF, 0},
    {bcOPC, Reading::Interleaved, BarcodeFormat::ITF, 0},
    {bcUPCShipping, Reading::UpcShipping, BarcodeFormat::ITF, 0},
    {bcCode39Standard, Reading::Code39, BarcodeFormat::Code39, 0},
    {bcCode39Full, Reading::Code39Full, BarcodeFormat::Code39, 0},
    {bcPZN, Reading::Pzn, BarcodeFormat::Code39, 0},
    {bcCode93Standard, Reading::Code93, BarcodeFormat::Code93, 0},
    {bcCode93Full, Reading::Code93Full, BarcodeFormat::Code93, 0},
    {bcCode128, Reading::Code128, BarcodeFormat::Code128, 0},
    {bcUccEan128, Reading::Gs1_128, BarcodeFormat::Code128, 0},
    {bcCodabar, Reading::Codabar, BarcodeFormat::Codabar, 0},
    {bcABCCodabar, Reading::AbcCodabar, BarcodeFormat::Codabar, 0},
    {bcPDF417, Reading::Pdf417, BarcodeFormat::PDF417, 0},
    {bcDataMatrix, Reading::DataMatrix, BarcodeFormat::DataMatrix, 0},
    {bcQRCode, Reading::QRCode, BarcodeFormat::QRCode, 0},
}};

// zxing-cpp reads interleaved 2 of 5 from six digits on.
constexpr size_t kShortestInterleaved = 6;

const Row* FindRow(TksBarcodeSymbology s) {
  for (const Row& r : kReadable)
    if (r.symbology == s) return &r;
  return nullptr;
}

bool AllDigits(std::u16string_view s) {
  for (char16_t c : s)
    if (c < u'0' || c > u'9') return false;
  return true;
}

// Characters from 0-based position `from` on, at most `count` of them.
std::u16string Part(const std::u16string& t, size_t from, size_t count) {
  return t.size() > from ? t.substr(from, count) : std::u16string();
}

void NotVerifiable(VerifyTarget& target, std::string reason) {
  target.verifiable = false;
  target.reason = std::move(reason);
}

// Main digits and an add-on of 2 or 5 digits after one separating character: the
// encoders draw no add-on of any other length.
void EanText(VerifyTarget& target, const std::u16string& main, const std::u16string& addOnField) {
  const std::u16string addOn = addOnField.substr(0, std::min<size_t>(addOnField.size(), 5));
  std::u16string text = main;
  if ((addOn.size() == 2 || addOn.size() == 5) && AllDigits(addOn)) {
    text += u' ' + addOn;
    target.eanAddOn = true;
  }
  target.texts.push_back(ToUtf8(text));
}

// The digits an interleaved symbol carries, or empty when the text draws none.
std::u16string InterleavedDigits(const TksBarcodeComponent& bc, const std::u16string& t) {
  if (t.size() % 2 == 0) return t;
  return bc.HasOption(boAddLeadingZero) ? u"0" + t : std::u16string();
}

void CodabarText(const TksBarcodeComponent& bc, const std::u16string& t, VerifyTarget& target) {
  const bool ownStart = !t.empty() && IsCodabarStartStop(t.front());
  const bool ownStop = t.size() >= 2 && IsCodabarStartStop(t.back());
  const char16_t start = ownStart ? t.front() : u'A';
  const char16_t stop = ownStop ? t.back() : u'A';
  const size_t from = ownStart ? 1 : 0;
  const size_t to = t.size() - (ownStop ? 1 : 0);
  std::u16string data = to > from ? t.substr(from, to - from) : std::u16string();
  if (bc.HasOption(boAutoCheckDigit)) data.push_back(CodabarCheckChar(start, data, stop));
  target.texts.push_back(ToUtf8(CodabarCanonical(start) + data + CodabarCanonical(stop)));
}

// ABC Codabar: every blank-separated piece is a Codabar symbol of its own, which a
// reader reads only when it has its start and stop letters and none between.
void AbcCodabarText(const std::u16string& t, VerifyTarget& target) {
  size_t from = 0;
  while (from <= t.size()) {
    const size_t blank = std::min(t.find(u' ', from), t.size());
    const std::u16string piece = UpperAscii(std::u16string_view(t).substr(from, blank - from));
    from = blank + 1;
    if (piece.empty()) continue;
    bool whole = piece.size() >= 2 && IsCodabarStartStop(piece.front()) && IsCodabarStartStop(piece.back());
    for (size_t i = 1; whole && i + 1 < piece.size(); ++i) whole = !IsCodabarStartStop(piece[i]);
    if (!whole) {
      NotVerifiable(target, "ABC Codabar pieces without their own start and stop letters are not read on their own");
      return;
    }
    target.texts.push_back(ToUtf8(piece));
  }
}

// PDF417 in hexadecimal mode writes the bytes the digit pairs stand for (an odd count
// reads as if led by "0").
std::string HexBytes(const std::string& digits) {
  auto value = [](char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return 0;
  };
  std::string bytes;
  size_t i = digits.size() % 2;
  if (i) bytes += static_cast<char>(value(digits[0]));
  for (; i + 1 < digits.size(); i += 2) bytes += static_cast<char>(16 * value(digits[i]) + value(digits[i + 1]));
  return bytes;
}

// The text the matrix encoders receive: the data text prepared by the GS1 settings.
void MatrixText(const TksBarcodeComponent& bc, VerifyTarget& target, bool fnc1Possible) {
  const TksGS1& gs1 = bc.Params().GS1();
  TksErrRecord err;
  const std::u16string text = gs1.SolveGS1(bc.BarCode(), err);
  if (err.Err == erOK) target.texts.push_back(ToUtf8(text));
  const TksFNC1Type fnc1 = gs1.FNC1Type();
  target.gs1 = fnc1Possible && (fnc1 == fnc1FirstPosition || fnc1 == fnc1GS1);
}

void Expect(const Row& row, const TksBarcodeComponent& bc, VerifyTarget& target) {
  const std::u16string& t = bc.BarCode();
  const size_t n = static_cast<size_t>(row.length);
  switch (row.reading) {
    case Reading::Ean:
      EanText(target, t.substr(0, std::min(t.size(), n)), Part(t, n + 1, 5));
      break;
    case Reading::BookNumber: {
      const std::u16string ean = BookNumberToEan13(t, bc.BarcodeSymbology());
      EanText(target, ean.substr(0, std::min<size_t>(ean.size(), 13)), Part(ean, 14, 5));
      break;
    }
    case Reading::UpcE0:
      EanText(target, t.substr(0, std::min<size_t>(t.size(), 8)), Part(t, 9, 5));
      break;
    case Reading::UpcE1: {
      // Number system 1 whatever the first character, with the check digit of the
      // number-system-1 expansion (the one the parity carries).
      const std::u16string digits = u"1" + Part(t, 1, 6);
      EanText(target, digits + CheckDigitUPC(ExpandUpcE(digits)), Part(t, 9, 5));
      break;
    }
    case Reading::Interleaved: {
      const std::u16string digits = InterleavedDigits(bc, t);
      if (digits.size() < kShortestInterleaved)
        return NotVerifiable(target, "the decoder reads interleaved 2 of 5 only from 6 digits on");
      target.texts.push_back(ToUtf8(digits));
      break;
    }
    case Reading::UpcShipping: {
      target.texts.push_back(ToUtf8(InterleavedDigits(bc, Part(t, 0, 14))));
      // The add-on is a symbol of its own; one shorter than six digits no decoder here
      // reads, and it is left out of the comparison.
      const std::u16string addOn = InterleavedDigits(bc, Part(t, 15, 6));
      if (addOn.size() >= kShortestInterleaved) target.texts.push_back(ToUtf8(addOn));
      break;
    }
    case Reading::Code39Full:
      target.code39FullAscii = true;
      [[fallthrough]];
    case Reading::Code39:
    case Reading::Code93Full:
      target.texts.push_back(ToUtf8(t));
      break;
    case Reading::Pzn:
      target.texts.push_back(ToUtf8(u"-" + t));
      break;
    case Reading::Code93:
      // A reader takes the four shift characters as the start of a full-ASCII pair.
      if (t.find_first_of(u"&\"()") != std::u16string::npos)
        return NotVerifiable(target, "Code 93 texts holding the shift characters & \" ( ) read as full ASCII");
      target.texts.push_back(ToUtf8(t));
      break;
    case Reading::Code128:
      for (char16_t c : t)
        if (c > 127) return NotVerifiable(target, "Code 128 function characters are interpreted by readers");
      target.texts.push_back(ToUtf8(t));
      break;
    case Reading::Gs1_128: {
      std::u16string elements = t;
      if (!t.empty() && t.front() == u'(') {
        TksErrRecord err;
        elements = TksGS1::Prepare(t, err);
        if (err.Err != erOK) break;  // nothing is drawn; any reading is wrong
      }
      while (!elements.empty() && elements.back() == kGroupSeparator) elements.pop_back();
      target.texts.push_back(ToUtf8(elements));
      target.gs1 = true;
      break;
    }
    case Reading::Codabar:
      target.codabarStartStop = true;
      CodabarText(bc, t, target);
      break;
    case Reading::AbcCodabar:
      target.codabarStartStop = true;
      AbcCodabarText(t, target);
      break;
    case Reading::Pdf417: {
      const TksPDF417Params& p = bc.Params().PDF417();
      if (p.Kind() == pkMicro) return NotVerifiable(target, "the decoder does not read MicroPDF417");
      const std::string bytes = ToUtf8(t);
      target.texts.push_back(p.Mode() == ksPDF417BinaryHex ? HexBytes(bytes) : bytes);
      break;
    }
    case Reading::DataMatrix:
      MatrixText(bc, target, true);
      break;
    case Reading::QRCode: {
      const bool micro = bc.Params().QRCode().MicroQR();
      if (micro) {
        target.formats = static_cast<uint32_t>(BarcodeFormat::MicroQRCode);
        target.formatName = ZXing::ToString(BarcodeFormat::MicroQRCode);
      }
      MatrixText(bc, target, !micro);
      break;
    }
  }
}

}  // namespace

VerifyTarget VerifyTargetOf(const TksBarcodeComponent& bc) {
  VerifyTarget target;
  const TksBarcodeSymbology s = bc.BarcodeSymbology();
  const Row* row = FindRow(s);
  if (!row || !SymbologySupported(s)) {
    NotVerifiable(target, "no decoder here reads " + SymbologyInfo(s, u"").Name);
    return target;
  }
  target.verifiable = true;
  target.formats = static_cast<uint32_t>(row->format);
  target.formatName = ZXing::ToString(row->format);
  target.reversed = bc.HasOption(boReflectanceReversal);
  target.angle = ((bc.Angle() % 360) + 360) % 360 / 90 * 90;
  Expect(*row, bc, target);
  return target;
}

std::vector<TksBarcodeSymbology> UnverifiableSymbologies() {
  std::vector<TksBarcodeSymbology> out;
  for (int i = 1; i < kSymbologyRows; ++i) {
    const auto s = static_cast<TksBarcodeSymbology>(i);
    if (SymbologySupported(s) && !FindRow(s)) out.push_back(s);
  }
  return out;
}

}  // namespace ks
