// The benchmark workloads: what is encoded, with which settings and at which image size.
// The Google Benchmark suite, the libzint comparison program and the input files of
// bench/compare-peers.sh all take their texts from here, so every side measures the same
// data.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace bench {

struct Workload {
  const char* name;        // short name used in benchmark names and file names
  const char* symbology;   // barvello-cli -s value
  std::vector<std::pair<std::string, std::string>> sets;  // --set PATH=VALUE
  int width;               // image size in pixels, the same as the peer's output
  int height;
  const char* zintArgs;    // zint options giving the same symbol and pixel size
  int batchLines;          // lines per batch run in compare-peers.sh; 0: not compared there
  int zintSymbol;          // libzint symbology number (BARCODE_*)
  int zintOption1;         // libzint option_1 (-1 = default)
  int zintOption2;         // libzint option_2 (0 = default)
  int zintOption3;         // libzint option_3 (0 = default)
  std::string (*text)(uint32_t i);  // the i-th data text (UTF-8)
};

namespace detail {

// A small deterministic generator so that every run sees the same texts.
inline uint32_t Mix(uint32_t x) {
  x ^= x >> 16;
  x *= 0x7feb352dU;
  x ^= x >> 15;
  x *= 0x846ca68bU;
  x ^= x >> 16;
  return x;
}

inline std::string Digits(uint32_t seed, int n) {
  std::string s;
  s.reserve(static_cast<size_t>(n));
  uint32_t x = seed * 2654435761U + 1;
  for (int i = 0; i < n; ++i) {
    x = Mix(x + static_cast<uint32_t>(i));
    s += static_cast<char>('0' + x % 10);
  }
  return s;
}

inline std::string Chars(uint32_t seed, int n, const char* alphabet, uint32_t size) {
  std::string s;
  s.reserve(static_cast<size_t>(n));
  uint32_t x = seed * 40503U + 7;
  for (int i = 0; i < n; ++i) {
    x = Mix(x + static_cast<uint32_t>(i) * 977U);
    s += alphabet[x % size];
  }
  return s;
}

inline constexpr char kMixed[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-.";
inline constexpr uint32_t kMixedSize = sizeof(kMixed) - 1;

// 60 bytes: "https://example.com/" (20) + 40 characters of path and query.
inline std::string Url60(uint32_t i) {
  return "https://example.com/p/" + Chars(i, 22, kMixed, kMixedSize) + "?id=" + Digits(i, 14);
}

}  // namespace detail

inline std::string Ean13Text(uint32_t i) { return detail::Digits(i, 12); }
inline std::string Code128Text(uint32_t i) { return detail::Chars(i, 20, detail::kMixed, detail::kMixedSize); }
inline std::string QrText(uint32_t i) { return detail::Url60(i); }
inline std::string DataMatrixText(uint32_t i) { return detail::Chars(i, 40, detail::kMixed, detail::kMixedSize); }
inline std::string Pdf417Text(uint32_t i) { return detail::Chars(i, 120, detail::kMixed, detail::kMixedSize); }
// Version 40-L holds 2953 bytes.
inline std::string QrLargeText(uint32_t i) { return detail::Chars(i, 2900, detail::kMixed, detail::kMixedSize); }
// 3000 digits need 1500 codewords: the 144 x 144 symbol (1558) in every encodation.
inline std::string DataMatrixLargeText(uint32_t i) { return detail::Digits(i, 3000); }
// Text compaction, two characters per codeword: close to the 928-codeword limit with
// the automatic error-correction level.
inline std::string Pdf417LargeText(uint32_t i) {
  return detail::Chars(i, 1500, "ABCDEFGHIJKLMNOPQRSTUVWXYZ", 26);
}

// Library numbers of zint.h (BARCODE_EANX 13, BARCODE_CODE128 20, BARCODE_DATAMATRIX 71,
// BARCODE_QRCODE 58, BARCODE_PDF417 55), kept here so the suite builds without zint.
inline const std::vector<Workload>& Workloads() {
  static const std::vector<Workload> w = {
      {"ean13", "bcEan13", {}, 339, 174, "--barcode=13 --scale=1.5", 4000, 13, -1, 0, 0, Ean13Text},
      {"code128", "bcCode128", {}, 765, 174, "--barcode=20 --scale=1.5", 2000, 20, -1, 0, 0, Code128Text},
      {"qr", "bcQRCode", {{"Params.QRCode.Mask", "-1"}}, 164, 164, "--barcode=58 --secure=2 --scale=2 --quietzones",
       3000, 58, 2, 0, 0, QrText},
      {"qr_mask0", "bcQRCode", {{"Params.QRCode.Mask", "0"}}, 164, 164,
       "--barcode=58 --secure=2 --scale=2 --quietzones --mask=0", 3000, 58, 2, 0, (0 + 1) << 8 /* mask N: (N + 1) << 8 */,
       QrText},
      {"datamatrix", "bcDataMatrix", {}, 104, 104, "--barcode=71 --scale=2", 4000, 71, -1, 0, 0, DataMatrixText},
      {"pdf417", "bcPDF417", {}, 342, 133, "--barcode=55", 4000, 55, -1, 0, 0, Pdf417Text},
      {"qr40", "bcQRCode", {{"Params.QRCode.Mask", "-1"}, {"Params.QRCode.EccLevel", "QrEccLevelL"}}, 740, 740,
       "--barcode=58 --secure=1 --scale=2 --quietzones", 200, 58, 1, 0, 0, QrLargeText},
      {"dm144", "bcDataMatrix", {}, 576, 576, "--barcode=71 --scale=2", 600, 71, -1, 0, 0, DataMatrixLargeText},
      {"pdf417_large", "bcPDF417", {}, 1200, 700, "--barcode=55", 0, 55, -1, 0, 0, Pdf417LargeText},
  };
  return w;
}

inline const Workload* FindWorkload(const std::string& name) {
  for (const auto& w : Workloads())
    if (name == w.name) return &w;
  return nullptr;
}

}  // namespace bench
