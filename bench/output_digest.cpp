// Prints one line per case of a fixed corpus (every symbology, many texts, the settings
// that change encoding and painting) with everything encoding and painting produced:
// the error, the pattern rows, the text slots, the module matrix, the QR/PDF417 "used"
// values, and a digest of the pixels and texts painted onto a software canvas at several
// sizes and angles. Run it before and after a change meant only to make things faster;
// the two outputs must be identical.
//
//   output_digest > before.txt   ...change...   output_digest > after.txt
//   cmp before.txt after.txt
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "bench/workloads.h"
#include "engine/barcode.h"
#include "engine/matrix/matrix.h"
#include "engine/matrix/pdf417.h"
#include "engine/params.h"
#include "engine/persistent.h"
#include "engine/ustring.h"
#include "render/canvas.h"
#include "render/paint.h"

namespace {

struct Hash {
  uint64_t h = 1469598103934665603ULL;
  void Byte(uint8_t b) {
    h ^= b;
    h *= 1099511628211ULL;
  }
  void Int(int64_t v) {
    for (int i = 0; i < 8; ++i) Byte(static_cast<uint8_t>(v >> (8 * i)));
  }
  void Str(const std::string& s) {
    Int(static_cast<int64_t>(s.size()));
    for (char c : s) Byte(static_cast<uint8_t>(c));
  }
  void U16(const std::u16string& s) { Str(ks::ToUtf8(s)); }
};

// A small software canvas: fills by pixel centres like the raster canvases, texts and
// lines recorded by their arguments. Only the colour of each pixel and the order of
// text and line calls reach the digest.
class PixelCanvas : public ks::Canvas {
 public:
  PixelCanvas(int w, int h) : w_(w), h_(h), px_(static_cast<size_t>(w) * h, 0xFFFFFF) {}

  void Polygon(const std::vector<ks::TPoint>& pts) override {
    if (pts.empty()) return;
    int l = pts[0].X, r = pts[0].X, t = pts[0].Y, b = pts[0].Y;
    for (const auto& p : pts) {
      l = std::min(l, p.X);
      r = std::max(r, p.X);
      t = std::min(t, p.Y);
      b = std::max(b, p.Y);
    }
    if (Brush.Style == ks::bsSolid && Brush.Color != ks::clNone) Fill({l, t, r, b}, Brush.Color);
    if (Pen.Style() != ks::psClear) Log('P', pts);
  }
  void Rectangle(const ks::TRect& r) override {
    if (Brush.Style == ks::bsSolid && Brush.Color != ks::clNone) Fill(r, Brush.Color);
    Log('R', {{r.Left, r.Top}, {r.Right, r.Bottom}});
  }
  void FillRect(const ks::TRect& r) override {
    if (Brush.Style == ks::bsSolid && Brush.Color != ks::clNone) Fill(r, Brush.Color);
  }
  void Line(ks::TPoint a, ks::TPoint b) override { Log('L', {a, b}); }
  void Polyline(const std::vector<ks::TPoint>& pts) override { Log('Y', pts); }
  void TextOut(int x, int y, const std::u16string& text) override {
    log_.Byte('T');
    log_.Int(x);
    log_.Int(y);
    log_.Int(Font.Height());
    log_.Int(Font.Escapement);
    log_.U16(text);
  }
  int TextWidth(const std::u16string& text) override { return 7 * static_cast<int>(text.size()) * std::abs(Font.Height()) / 13; }
  int TextHeight(const std::u16string&) override { return std::abs(Font.Height()) + 2; }

  uint64_t Digest() {
    Hash h;
    for (uint32_t p : px_) h.Int(p);
    h.Int(static_cast<int64_t>(log_.h));
    return h.h;
  }

 private:
  void Fill(ks::TRect r, ks::TColor c) {
    r.Left = std::max(r.Left, 0);
    r.Top = std::max(r.Top, 0);
    r.Right = std::min(r.Right, w_);
    r.Bottom = std::min(r.Bottom, h_);
    for (int y = r.Top; y < r.Bottom; ++y)
      for (int x = r.Left; x < r.Right; ++x) px_[static_cast<size_t>(y) * w_ + x] = c;
  }
  void Log(char kind, const std::vector<ks::TPoint>& pts) {
    log_.Byte(static_cast<uint8_t>(kind));
    log_.Int(Pen.Color());
    log_.Int(Brush.Style);
    for (const auto& p : pts) {
      log_.Int(p.X);
      log_.Int(p.Y);
    }
  }
  int w_, h_;
  std::vector<uint32_t> px_;
  Hash log_;
};

struct Variant {
  const char* name;
  std::vector<std::pair<std::string, std::string>> sets;
};

std::vector<Variant> VariantsFor(ks::TksBarcodeSymbology s) {
  std::vector<Variant> v = {
      {"default", {}},
      {"nocaption", {{"CaptionHuman.Visible", "False"}}},
      {"security", {{"Options", "boSecurity,boStartStopLines,boAutoCheckDigit"}}},
      {"plain", {{"Options", ""}}},
      {"addonup", {{"Options", "boAddOnUp,boStartStopLines,boPaintIfSmall,boReflectanceReversal"}}},
      {"ra25", {{"Params.Ratio", "ra25"}}},
      {"ra30", {{"Params.Ratio", "ra30"}}},
      {"angle90", {{"Angle", "90"}}},
      {"angle180", {{"Angle", "180"}, {"Options", "boSecurity,boTransparent"}}},
      {"angle270", {{"Angle", "270"}, {"Options", "boFlipHorizontal,boFlipVertical"}}},
  };
  if (s == ks::bcQRCode) {
    for (int m = -1; m <= 7; ++m) v.push_back({"mask", {{"Params.QRCode.Mask", std::to_string(m)}}});
    for (const char* l : {"QrEccLevelL", "QrEccLevelQ", "QrEccLevelH"})
      v.push_back({"ecc", {{"Params.QRCode.EccLevel", l}, {"Params.QRCode.Mask", "-1"}}});
    v.push_back({"version", {{"Params.QRCode.Version", "10"}, {"Params.QRCode.Mask", "-1"}}});
    v.push_back({"micro", {{"Params.QRCode.MicroQR", "True"}, {"Params.QRCode.Mask", "-1"}}});
    v.push_back({"micro4", {{"Params.QRCode.MicroQR", "True"}, {"Params.QRCode.Mask", "4"}}});
    v.push_back({"alnum", {{"Params.QRCode.Mode", "QrAlphanumeric"}}});
    v.push_back({"gs1", {{"Params.GS1.FNC1Type", "fnc1GS1"}, {"Params.QRCode.Mask", "-1"}}});
    v.push_back({"eci", {{"Params.ECI", "26"}, {"Params.SegmentCount", "3"}, {"Params.SegmentIndex", "2"}}});
  }
  if (s == ks::bcPDF417) {
    v.push_back({"truncated", {{"Params.PDF417.Kind", "pkTruncated"}}});
    v.push_back({"micro", {{"Params.PDF417.Kind", "pkMicro"}}});
    v.push_back({"binary", {{"Params.PDF417.Mode", "ksPDF417Binary"}}});
    v.push_back({"auto", {{"Params.PDF417.Mode", "ksPDF417AutoCode"}, {"Params.PDF417.SecurityLevel", "ksPDF417Error4"}}});
    v.push_back({"cols", {{"Params.PDF417.Cols", "6"}}});
  }
  return v;
}

std::vector<std::string> TextsFor(ks::TksBarcodeComponent& bc, uint32_t seed) {
  std::vector<std::string> texts;
  texts.push_back(ks::ToUtf8(ks::SymbologyInfo(bc.BarcodeSymbology(), u"").InitValue));
  std::u16string allowed = bc.GetSetOfChars();
  std::string alphabet;
  for (char16_t c : allowed)
    if (c < 128) alphabet += static_cast<char>(c);
  if (alphabet.empty()) alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789 -.$/+%";
  const bool matrix = bc.BarcodeSymbology() == ks::bcQRCode || bc.BarcodeSymbology() == ks::bcDataMatrix ||
                      bc.BarcodeSymbology() == ks::bcPDF417;
  const int lengths[] = {1, 2, 5, 6, 7, 8, 9, 11, 12, 13, 14, 16, 20, 31, 45};
  uint32_t x = seed * 2654435761U + 12345;
  for (int len : lengths) {
    std::string t;
    for (int i = 0; i < len; ++i) {
      x = bench::detail::Mix(x + 0x9E3779B9U);
      t += alphabet[x % alphabet.size()];
    }
    texts.push_back(t);
  }
  if (matrix) {
    for (int len : {60, 150, 400, 1000}) {
      std::string t;
      for (int i = 0; i < len; ++i) {
        x = bench::detail::Mix(x + 0x9E3779B9U);
        t += alphabet[x % alphabet.size()];
      }
      texts.push_back(t);
    }
    texts.push_back(bench::detail::Digits(seed, 300));
    texts.push_back("Příliš žluťoučký kůň úpěl ďábelské ódy 123 \xE6\x97\xA5\xE6\x9C\xAC");
    texts.push_back(std::string("01034531200000111719112510ABCD1234\x1D") + "2112345678");
  }
  return texts;
}

void Run() {
  const ks::TRect sizes[] = {{0, 0, 339, 174}, {0, 0, 101, 51}, {0, 0, 250, 250}};
  for (int si = 0; si < ks::kSymbologyRows; ++si) {
    const auto s = static_cast<ks::TksBarcodeSymbology>(si);
    {
      ks::TksBarcodeComponent probe;
      probe.SetBarcodeSymbology(s);
    }
    for (const Variant& v : VariantsFor(s)) {
      ks::TksBarcodeComponent bc;
      bc.ErrorInfo().SetMode(ks::emDrawErrorString);
      bc.SetBarcodeSymbology(s);
      bool ok = true;
      for (const auto& [path, value] : v.sets) ok = ok && ks::SetPropertyText(bc, path, value) == ks::SetResult::Ok;
      if (!ok) continue;
      const std::vector<std::string> texts = TextsFor(bc, static_cast<uint32_t>(si * 131 + v.sets.size()));
      for (size_t ti = 0; ti < texts.size(); ++ti) {
        bc.SetBarCode(ks::FromUtf8(texts[ti]));
        Hash h;
        h.U16(bc.BarCode());
        std::string outcome = "ok";
        try {
          bc.EncodeBars(bc.BarCode());
          if (s == ks::bcPDF417) ks::BuildPdf417Rows(bc, bc.Bars());
        } catch (const std::exception& e) {
          outcome = std::string("raise ") + std::to_string(bc.ErrorInfo().Code()) + " " + e.what();
        }
        for (const auto& row : bc.Bars()) h.Str(row);
        for (int32_t slot : bc.TextSlot) h.Int(slot);
        const ks::TksMatrix& m = bc.Pixels();
        h.Int(m.NC);
        h.Int(m.NR);
        for (char16_t c : m.Pixels) h.Int(c);
        const auto& qr = bc.Params().QRCode();
        h.Int(qr.UsedVersion());
        h.Int(qr.UsedMask());
        const auto& pdf = bc.Params().PDF417();
        h.Int(pdf.UsedRows());
        h.Int(pdf.UsedCols());
        std::string paints;
        for (const ks::TRect& r : sizes) {
          PixelCanvas c(r.Right + 1, r.Bottom + 1);
          try {
            ks::PaintBarCode(bc, c, r);
            paints += " " + std::to_string(c.Digest() % 1000000007ULL);
          } catch (const std::exception& e) {
            paints += std::string(" E:") + e.what();
          }
        }
        std::printf("%s %s %zu %016llx %s |%s\n", ks::SymbologyIdentifier(s).c_str(), v.name, ti,
                    static_cast<unsigned long long>(h.h), outcome.c_str(), paints.c_str());
      }
    }
  }
}

}  // namespace

int main() {
  Run();
  return 0;
}
