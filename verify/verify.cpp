// Decoding a rendered image with zxing-cpp and judging what it read.
//
// The image is turned grey (transparent pixels over white), put on a white margin and
// turned upright by the object's angle, then read in up to three passes, cheapest first; the first pass that
// reads every expected text ends the work, so a good symbol costs one pass:
//   1. the decoder's "pure" mode, for images that hold one symbol on a plain ground
//      (a linear symbol along its middle scan line only);
//   2. the normal detector over the whole image;
//   3. the same trying harder, in every orientation.
// With reflectance reversal the inverted image is read as well.
#define ZX_USE_UTF8 1
#include <ZXing/ReadBarcode.h>

#include <QImage>
#include <algorithm>
#include <exception>

#include "engine/barcode.h"
#include "verify/verify.h"

namespace ks {

namespace {

// What the passes saw: texts of the expected format that were read, and whether a pass
// read every expected text.
struct Seen {
  std::vector<std::string> texts;
  std::vector<std::string> matched;
  std::string failure;  // the decoder's own failure, when it threw
};

// The image in grey on a white margin, as it sits on white paper or in a page: the
// symbol is judged, not whether the file itself leaves room around it (an image exactly
// the size of a Data Matrix symbol has none, and readers want one module). Transparent
// pixels are blended over white; `invert` turns a reversed symbol into a normal one.
QImage GreyOnWhite(const QImage& image, bool invert) {
  const bool alpha = image.hasAlphaChannel();
  const QImage::Format format = alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32;
  const QImage src = image.format() == format ? image : image.convertToFormat(format);
  const int w = src.width(), h = src.height();
  const int margin = std::max(8, std::max(w, h) / 10);
  QImage out(w + 2 * margin, h + 2 * margin, QImage::Format_Grayscale8);
  out.fill(255);
  for (int y = 0; y < h; ++y) {
    const auto* from = reinterpret_cast<const QRgb*>(src.constScanLine(y));
    uchar* to = out.scanLine(y + margin) + margin;
    for (int x = 0; x < w; ++x) {
      const QRgb p = from[x];
      const unsigned a = alpha ? static_cast<unsigned>(qAlpha(p)) : 255, white = 255 * (255 - a);
      auto over = [&](int c) { return a == 255 ? static_cast<unsigned>(c) : (c * a + white + 127) / 255; };
      // The decoder's own weights (ZXing::RGBToLum).
      const unsigned lum = (306 * over(qRed(p)) + 601 * over(qGreen(p)) + 117 * over(qBlue(p)) + 0x200) >> 10;
      to[x] = static_cast<uchar>(invert ? 255 - lum : lum);
    }
  }
  return out;
}

std::string BytesOf(const ZXing::Result& r) {
  const ZXing::ByteArray& b = r.bytes();
  return std::string(b.begin(), b.end());
}

// True when a reading carries `text`: as raw bytes (data written byte by byte) or as
// the decoder's text (Kanji, which the symbol holds as Shift JIS).
bool Carries(const ZXing::Result& r, const std::string& text) { return BytesOf(r) == text || r.text() == text; }

bool IsGs1(const ZXing::Result& r) { return r.contentType() == ZXing::ContentType::GS1; }

void Remember(std::vector<std::string>& list, const std::string& s) {
  if (std::find(list.begin(), list.end(), s) == list.end()) list.push_back(s);
}

// One pass; true when every expected text was read.
bool ReadPass(const ZXing::ImageView& view, const ZXing::DecodeHints& hints, const VerifyTarget& target, Seen& seen) {
  ZXing::Results results;
  try {
    results = ZXing::ReadBarcodes(view, hints);
  } catch (const std::exception& e) {
    // zxing-cpp 1.4 throws on some malformed symbols instead of reporting them.
    seen.failure = e.what();
    return false;
  }
  for (const ZXing::Result& r : results) {
    if (!r.isValid()) continue;
    bool used = false, plain = false;
    for (const std::string& text : target.texts) {
      if (!Carries(r, text)) continue;
      if (target.gs1 && !IsGs1(r)) {
        plain = true;  // the right text without its GS1 marker is still a misreading
        continue;
      }
      Remember(seen.matched, text);
      used = true;
    }
    if (!used) Remember(seen.texts, (r.text().empty() ? BytesOf(r) : r.text()) + (plain ? " (not GS1)" : ""));
  }
  return !target.texts.empty() && seen.matched.size() == target.texts.size();
}

bool ReadAllPasses(const QImage& grey, const VerifyTarget& target, Seen& seen) {
  const ZXing::ImageView upright =
      ZXing::ImageView(grey.constBits(), grey.width(), grey.height(), ZXing::ImageFormat::Lum,
                       static_cast<int>(grey.bytesPerLine()))
          .rotated(target.angle);
  ZXing::DecodeHints hints;
  hints.setFormats(static_cast<ZXing::BarcodeFormat>(target.formats))
      .setTryCode39ExtendedMode(target.code39FullAscii)
      .setReturnCodabarStartEnd(target.codabarStartStop)
      .setEanAddOnSymbol(target.eanAddOn ? ZXing::EanAddOnSymbol::Read : ZXing::EanAddOnSymbol::Ignore)
      .setTryHarder(false)
      .setTryRotate(false);
  if (ReadPass(upright, ZXing::DecodeHints(hints).setIsPure(true), target, seen)) return true;
  if (ReadPass(upright, hints, target, seen)) return true;
  const ZXing::ImageView asIs(grey.constBits(), grey.width(), grey.height(), ZXing::ImageFormat::Lum,
                              static_cast<int>(grey.bytesPerLine()));
  return ReadPass(asIs, hints.setTryHarder(true).setTryRotate(true), target, seen);
}

std::string Joined(const std::vector<std::string>& texts) {
  std::string out;
  for (const std::string& t : texts) out += (out.empty() ? "" : " + ") + PrintableText(t);
  return out;
}

std::string Quoted(const std::string& s) { return "\"" + s + "\""; }

}  // namespace

const char* VerifyStatusName(VerifyStatus status) {
  switch (status) {
    case VerifyStatus::Read: return "read";
    case VerifyStatus::Misread: return "misread";
    case VerifyStatus::Unreadable: return "unreadable";
    case VerifyStatus::NotVerifiable: return "not verifiable";
  }
  return "";
}

std::string PrintableText(const std::string& utf8) {
  static constexpr const char* kNames[32] = {"NUL", "SOH", "STX", "ETX", "EOT", "ENQ", "ACK", "BEL",
                                             "BS",  "HT",  "LF",  "VT",  "FF",  "CR",  "SO",  "SI",
                                             "DLE", "DC1", "DC2", "DC3", "DC4", "NAK", "SYN", "ETB",
                                             "CAN", "EM",  "SUB", "ESC", "FS",  "GS",  "RS",  "US"};
  std::string out;
  out.reserve(utf8.size());
  for (char ch : utf8) {
    const auto c = static_cast<unsigned char>(ch);
    if (c < 32)
      out += std::string("<") + kNames[c] + ">";
    else if (c == 127)
      out += "<DEL>";
    else
      out += ch;
  }
  return out;
}

VerifyResult VerifyImage(const QImage& image, const VerifyTarget& target) {
  VerifyResult result;
  result.expected = Joined(target.texts);
  if (!target.verifiable) {
    result.status = VerifyStatus::NotVerifiable;
    result.message = "not verifiable: " + target.reason;
    return result;
  }
  Seen seen;
  bool read = false;
  if (!image.isNull()) {
    read = ReadAllPasses(GreyOnWhite(image, false), target, seen);
    if (!read && target.reversed) read = ReadAllPasses(GreyOnWhite(image, true), target, seen);
  }
  const std::string kind = target.formatName + (target.gs1 ? " (GS1)" : "");
  if (read) {
    result.status = VerifyStatus::Read;
    result.decoded = result.expected;
    result.message = "the decoder read the " + kind + " symbol as " + Quoted(result.decoded);
    return result;
  }
  std::vector<std::string> all = seen.matched;
  all.insert(all.end(), seen.texts.begin(), seen.texts.end());
  result.decoded = Joined(all);
  if (!seen.texts.empty()) {
    result.status = VerifyStatus::Misread;
    result.message = "the decoder read " + Quoted(result.decoded) + " where the " + kind + " symbol encodes " +
                     Quoted(result.expected);
  } else {
    result.status = VerifyStatus::Unreadable;
    result.message = seen.matched.empty() ? "the decoder read nothing: it found no " + kind + " symbol in the image"
                                          : "the decoder read only " + Quoted(result.decoded) + " of the " + kind +
                                                " symbols " + Quoted(result.expected);
    if (!seen.failure.empty()) result.message += " (it failed: " + seen.failure + ")";
  }
  return result;
}

VerifyResult VerifyImage(const QImage& image, const TksBarcodeComponent& bc) {
  return VerifyImage(image, VerifyTargetOf(bc));
}

}  // namespace ks
