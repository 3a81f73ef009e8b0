#include "engine/matrix/reedsolomon.h"

#include <algorithm>
#include <array>
#include <cstddef>

#include "engine/errors.h"

namespace ks {

// ---- General coder over GF(2^m) ----------------------------------------------------

TksReedSolomon::TksReedSolomon(int poly) { GenerateGF(poly); }

void TksReedSolomon::GenerateGF(int poly) {
  int m = -1;
  for (long long b = 1; b <= poly; b <<= 1) ++m;
  symsize = m;
  logmod = (1 << m) - 1;
  log.assign(static_cast<size_t>(logmod) + 1, 0);
  alog.assign(static_cast<size_t>(logmod), 0);
  int p = 1;
  for (int i = 0; i < logmod; ++i) {
    alog[i] = p;
    log[p] = i;
    p <<= 1;
    if (p & (1 << m)) p ^= poly;
  }
  gfPoly = poly;
}

void TksReedSolomon::GeneratePoly(int nsym, int index) {
  rlen = nsym;
  _index = index;
  rspoly.assign(static_cast<size_t>(nsym) + 1, 0);
  rspoly[0] = 1;
  for (int i = 1; i <= nsym; ++i) {
    int r = index + i - 1;
    rspoly[i] = 1;
    for (int k = i - 1; k >= 1; --k) {
      if (rspoly[k] != 0) rspoly[k] = alog[(log[rspoly[k]] + r) % logmod];
      rspoly[k] ^= rspoly[k - 1];
    }
    rspoly[0] = alog[(log[rspoly[0]] + r) % logmod];
  }
  // Encode multiplies by the coefficients through their logarithms.
  rspolyLog.resize(rspoly.size());
  for (size_t k = 0; k < rspoly.size(); ++k) rspolyLog[k] = rspoly[k] != 0 ? log[rspoly[k]] : -1;
}

void TksReedSolomon::Encode(const uint8_t* data, int len, uint8_t* res, int nsym) const {
  for (int k = 0; k < nsym; ++k) res[k] = 0;
  if (nsym <= 0) return;
  // Each product is one addition of logarithms and one table look-up.
  const int32_t* glog = rspolyLog.data();
  auto mul = [&](int logm, int k) -> int {
    if (glog[k] < 0) return 0;
    int e = logm + glog[k];
    if (e >= logmod) e -= logmod;
    return alog[e];
  };
  for (int i = 0; i < len; ++i) {
    const int m = res[nsym - 1] ^ data[i];
    if (m == 0) {
      for (int k = nsym - 1; k >= 1; --k) res[k] = res[k - 1];
      res[0] = 0;
      continue;
    }
    const int logm = log[m];
    for (int k = nsym - 1; k >= 1; --k) res[k] = static_cast<uint8_t>(res[k - 1] ^ mul(logm, k));
    res[0] = static_cast<uint8_t>(mul(logm, 0));
  }
}

void TksReedSolomon::Encode(const std::vector<uint8_t>& data, std::vector<uint8_t>& res) const {
  Encode(data.data(), static_cast<int>(data.size()), res.data(), static_cast<int>(res.size()));
}

// ---- QR block coder -----------------------------------------------------------------

namespace {

// GF(256) with x^8+x^4+x^3+x^2+1 (0x11D), ISO/IEC 18004 Annex A.
struct QrField {
  std::array<uint8_t, 256> antilog{};  // a^0 .. a^254, then a^255 = 1
  std::array<uint8_t, 256> log{};      // log[0] = 0, unused
};

constexpr QrField MakeQrField() {
  QrField f;
  int p = 1;
  for (int i = 0; i < 255; ++i) {
    f.antilog[i] = static_cast<uint8_t>(p);
    f.log[p] = static_cast<uint8_t>(i);
    p <<= 1;
    if (p & 0x100) p ^= 0x11D;
  }
  f.antilog[255] = 1;
  return f;
}

constexpr QrField kQrField = MakeQrField();

// Check-codeword counts with a generator polynomial, ISO/IEC 18004 Annex A.
constexpr std::array<int, 36> kQrGeneratorCounts = {
    2,  5,  6,  7,  8,  10, 13, 14, 15, 16, 17, 18, 20, 22, 24, 26, 28, 30,
    32, 34, 36, 40, 42, 44, 46, 48, 50, 52, 54, 56, 58, 60, 62, 64, 66, 68};

struct QrGenerator {
  int n = 0;
  std::array<uint8_t, 68> exponents{};  // e_(n-1) .. e_0, highest power first
};

// (x - a^0)(x - a^1)...(x - a^(n-1)), coefficients kept as exponents of a.
constexpr QrGenerator MakeQrGenerator(int n) {
  std::array<int, 69> c{};  // c[k] = coefficient of x^k as a field element
  c[0] = 1;
  for (int i = 0; i < n; ++i) {
    // multiply by (x + a^i)
    for (int k = i + 1; k >= 1; --k) {
      int prod = c[k] == 0 ? 0 : kQrField.antilog[(kQrField.log[c[k]] + i) % 255];
      c[k] = c[k - 1] ^ prod;
    }
    c[0] = c[0] == 0 ? 0 : kQrField.antilog[(kQrField.log[c[0]] + i) % 255];
  }
  QrGenerator g;
  g.n = n;
  for (int j = 0; j < n; ++j) g.exponents[j] = kQrField.log[c[n - 1 - j]];
  return g;
}

constexpr std::array<QrGenerator, 36> MakeQrGenerators() {
  std::array<QrGenerator, 36> list{};
  for (size_t i = 0; i < kQrGeneratorCounts.size(); ++i) list[i] = MakeQrGenerator(kQrGeneratorCounts[i]);
  return list;
}

constexpr std::array<QrGenerator, 36> kQrGenerators = MakeQrGenerators();

const QrGenerator* FindQrGenerator(int n) {
  for (const auto& g : kQrGenerators)
    if (g.n == n) return &g;
  return nullptr;
}

}  // namespace

std::vector<int> QrGeneratorExponents(int n) {
  const QrGenerator* g = FindQrGenerator(n);
  if (!g) return {};
  return std::vector<int>(g->exponents.begin(), g->exponents.begin() + n);
}

void QrBlockEccBytes(const uint8_t* data, int count, int ecCount, uint8_t* check) {
  const QrGenerator* g = FindQrGenerator(ecCount);
  if (!g)
    throw TksEncodeError(erErrorInBarCode, "Error : No RS koeficients found for ECW count " + std::to_string(ecCount));
  // Long division by the generator, one data codeword at a time: `check` holds the
  // running remainder, its first byte the coefficient of the highest power.
  for (int i = 0; i < ecCount; ++i) check[i] = 0;
  for (int step = 0; step < count; ++step) {
    const uint8_t lead = static_cast<uint8_t>(data[step] ^ check[0]);
    for (int i = 0; i + 1 < ecCount; ++i) check[i] = check[i + 1];
    check[ecCount - 1] = 0;
    if (lead == 0) continue;
    const int t = kQrField.log[lead];
    for (int i = 0; i < ecCount; ++i) check[i] ^= kQrField.antilog[(g->exponents[i] + t) % 255];
  }
}

std::string QrBlockEcc(const std::string& blockBits, int ecCount) {
  // Whole bytes of the bit string; a block is at most 256 codewords long and anything
  // past that is read as zeros.
  const int dataCount = static_cast<int>(blockBits.size() / 8);
  std::vector<uint8_t> bytes(static_cast<size_t>(dataCount), 0);
  for (int i = 0; i < dataCount && i < 256; ++i) bytes[i] = static_cast<uint8_t>(BitsToInt(blockBits, i * 8 + 1, 8));
  std::vector<uint8_t> check(static_cast<size_t>(std::max(ecCount, 0)));
  QrBlockEccBytes(bytes.data(), dataCount, ecCount, check.data());

  std::string out;
  out.reserve(static_cast<size_t>(ecCount) * 8);
  for (uint8_t b : check) out += ByteToBits(b);
  return out;
}

// ---- PDF417 coder -------------------------------------------------------------------

namespace {

// Check-codeword counts: 2^(s+1) for security levels 0..8 (ISO/IEC 15438) and the
// MicroPDF417 counts (ISO/IEC 24728).
constexpr std::array<int, 26> kPdfCounts = {2,  3,  4,  5,  6,  7,  8,   9,   10,  11,  12, 13, 14,
                                            15, 16, 18, 21, 26, 32, 38,  44,  50,  64,  128, 256, 512};

constexpr int PdfTotalCoefficients() {
  int n = 0;
  for (int k : kPdfCounts) n += k;
  return n;
}

// All coefficient lists back to back, in the order of kPdfCounts.
constexpr std::array<int16_t, PdfTotalCoefficients()> MakePdfCoefficients() {
  std::array<int16_t, PdfTotalCoefficients()> all{};
  int offset = 0;
  for (int k : kPdfCounts) {
    std::array<int, 513> c{};  // c[j] = coefficient of x^j
    c[0] = 1;
    int root = 1;
    for (int i = 1; i <= k; ++i) {
      root = root * 3 % 929;
      // multiply by (x - root)
      for (int j = i; j >= 1; --j) c[j] = (c[j - 1] + 929 - c[j] * root % 929) % 929;
      c[0] = (929 - c[0] * root % 929) % 929;
    }
    for (int j = 0; j < k; ++j) all[offset + j] = static_cast<int16_t>(c[j]);
    offset += k;
  }
  return all;
}

constexpr auto kPdfCoefficients = MakePdfCoefficients();

// Pointer to a_0 of the list for k, or nullptr.
const int16_t* FindPdfCoefficients(int k) {
  int offset = 0;
  for (int n : kPdfCounts) {
    if (n == k) return kPdfCoefficients.data() + offset;
    offset += n;
  }
  return nullptr;
}

}  // namespace

std::vector<int> Pdf417Coefficients(int k) {
  const int16_t* a = FindPdfCoefficients(k);
  if (!a) return {};
  return std::vector<int>(a, a + k);
}

void Pdf417Ecc(const TksArray& codewords, int k, TksArray& ec) {
  const int16_t* a = FindPdfCoefficients(k);
  if (!a) throw TksEncodeError(erErrorInBarCode, "PDF417 Error correction : bad count of ECW");
  if (ec.capacity < k || static_cast<int>(ec.data.size()) < k) ArrayInit(ec, k);
  for (int j = 0; j < k; ++j) ec.data[j] = 0;
  ec.count = k;

  int n = codewords.count < static_cast<int>(codewords.data.size()) ? codewords.count
                                                                    : static_cast<int>(codewords.data.size());
  // The remainder is kept unreduced: a value enters at index 0 and moves up one place
  // per codeword, losing one product a[j]*t (< 929^2) at each, so it stays within
  // k * 929^2 (under 2^31 for k <= 512) until it is read at index k-1, where it is
  // reduced. Only that one value needs a division per codeword.
  auto reduce = [](int32_t v) { return (v % 929 + 929) % 929; };
  int32_t* r = ec.data.data();
  for (int i = 0; i < n; ++i) {
    const int32_t t = (codewords.data[i] + reduce(r[k - 1])) % 929;
    for (int j = k - 1; j >= 1; --j) r[j] = r[j - 1] - a[j] * t;
    r[0] = -a[0] * t;
  }
  for (int j = 0; j < k; ++j) {
    r[j] = reduce(r[j]);
    if (r[j] != 0) r[j] = 929 - r[j];
  }
}

}  // namespace ks
