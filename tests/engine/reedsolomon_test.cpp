// Reed-Solomon coders: field construction, generator polynomials, check codewords of
// published examples, and the defining property that a whole codeword vanishes at
// every root of the generator.
#include "engine/matrix/reedsolomon.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/errors.h"

namespace ks {
namespace {

std::string BytesToBits(const std::vector<int>& bytes) {
  std::string s;
  for (int b : bytes) s += ByteToBits(static_cast<uint8_t>(b));
  return s;
}

std::vector<int> BitsToBytes(const std::string& bits) {
  std::vector<int> out;
  for (size_t i = 0; i + 8 <= bits.size(); i += 8) out.push_back(static_cast<int>(BitsToInt(bits, static_cast<int>(i) + 1, 8)));
  return out;
}

// Check bytes in transmission order (res[nsym-1] first).
std::vector<int> GeneralEcc(TksReedSolomon& rs, const std::vector<uint8_t>& data, int nsym) {
  std::vector<uint8_t> res(nsym, 0xAA);  // garbage: Encode must clear it
  rs.Encode(data.data(), static_cast<int>(data.size()), res.data(), nsym);
  return std::vector<int>(res.rbegin(), res.rend());
}

// Evaluates a codeword (first transmitted = highest power) at x in GF(2^m) of `rs`.
int EvalGf(const TksReedSolomon& rs, const std::vector<int>& cw, int x) {
  int acc = 0;
  for (int c : cw) {
    int prod = (acc == 0 || x == 0) ? 0 : rs.alog[(rs.log[acc] + rs.log[x]) % rs.logmod];
    acc = prod ^ c;
  }
  return acc;
}

TEST(ReedSolomonGeneral, FieldOf301) {
  TksReedSolomon rs(301);
  EXPECT_EQ(rs.gfPoly, 301);
  EXPECT_EQ(rs.symsize, 8);
  EXPECT_EQ(rs.logmod, 255);
  EXPECT_EQ(rs.rlen, -1);
  EXPECT_EQ(rs._index, -1);
  ASSERT_EQ(rs.log.size(), 256u);
  ASSERT_EQ(rs.alog.size(), 255u);
  EXPECT_EQ(rs.alog[0], 1);
  EXPECT_EQ(rs.alog[7], 128);
  EXPECT_EQ(rs.alog[8], 45);  // 256 xor 301
  // alog is a permutation of 1..255 and log inverts it
  std::vector<bool> seen(256, false);
  for (int i = 0; i < 255; ++i) {
    ASSERT_FALSE(seen[rs.alog[i]]);
    seen[rs.alog[i]] = true;
    EXPECT_EQ(rs.log[rs.alog[i]], i);
  }
  EXPECT_EQ(rs.log[0], 0);
}

TEST(ReedSolomonGeneral, SmallerFieldFromDegree) {
  TksReedSolomon rs(0x43);  // x^6 + x + 1, GF(64)
  EXPECT_EQ(rs.symsize, 6);
  EXPECT_EQ(rs.logmod, 63);
  EXPECT_EQ(rs.log.size(), 64u);
  EXPECT_EQ(rs.alog[6], 3);  // x^6 = x + 1
}

TEST(ReedSolomonGeneral, DataMatrix10x10Example) {
  // "123456" in Data Matrix ASCII is 142 164 186; the 10x10 symbol has 5 check words.
  TksReedSolomon rs(301);
  rs.GeneratePoly(5, 1);
  EXPECT_EQ(rs.rlen, 5);
  EXPECT_EQ(rs._index, 1);
  ASSERT_EQ(rs.rspoly.size(), 6u);
  EXPECT_EQ(rs.rspoly[5], 1);
  EXPECT_EQ(GeneralEcc(rs, {142, 164, 186}, 5), (std::vector<int>{114, 25, 5, 88, 102}));
}

TEST(ReedSolomonGeneral, VectorOverloadUsesFullLengths) {
  TksReedSolomon rs(301);
  rs.GeneratePoly(5, 1);
  std::vector<uint8_t> res(5);
  rs.Encode(std::vector<uint8_t>{142, 164, 186}, res);
  EXPECT_EQ(std::vector<int>(res.rbegin(), res.rend()), (std::vector<int>{114, 25, 5, 88, 102}));
}

TEST(ReedSolomonGeneral, CodewordVanishesAtGeneratorRoots) {
  struct Case {
    int poly, nsym, index;
    std::vector<uint8_t> data;
  };
  const std::vector<Case> cases = {
      {301, 7, 1, {1, 2, 3, 4, 5, 6, 7, 8}},
      {301, 28, 1, std::vector<uint8_t>(44, 0xFF)},
      {0x11D, 10, 0, {16, 32, 12, 86, 97, 128, 236, 17}},
      {0x43, 12, 1, {1, 63, 0, 5, 33, 17}},  // GF(64) as the four-state codes use it
  };
  for (const auto& c : cases) {
    TksReedSolomon rs(c.poly);
    rs.GeneratePoly(c.nsym, c.index);
    std::vector<int> cw(c.data.begin(), c.data.end());
    std::vector<uint8_t> res(c.nsym);
    rs.Encode(c.data.data(), static_cast<int>(c.data.size()), res.data(), c.nsym);
    for (int i = c.nsym - 1; i >= 0; --i) cw.push_back(res[i]);
    for (int r = 0; r < c.nsym; ++r)
      EXPECT_EQ(EvalGf(rs, cw, rs.alog[(c.index + r) % rs.logmod]), 0) << "poly " << c.poly << " root " << r;
  }
}

TEST(ReedSolomonGeneral, ZeroDataGivesZeroChecks) {
  TksReedSolomon rs(301);
  rs.GeneratePoly(10, 1);
  EXPECT_EQ(GeneralEcc(rs, std::vector<uint8_t>(12, 0), 10), std::vector<int>(10, 0));
}

TEST(ReedSolomonGeneral, RegeneratingChangesGenerator) {
  TksReedSolomon rs(301);
  rs.GeneratePoly(5, 1);
  rs.GeneratePoly(7, 1);
  EXPECT_EQ(rs.rlen, 7);
  EXPECT_EQ(rs.rspoly.size(), 8u);
}

TEST(QrBlockEccTest, GeneratorExponents) {
  EXPECT_EQ(QrGeneratorExponents(7), (std::vector<int>{87, 229, 146, 149, 238, 102, 21}));
  EXPECT_EQ(QrGeneratorExponents(10), (std::vector<int>{251, 67, 46, 61, 118, 70, 64, 94, 32, 45}));
  EXPECT_EQ(QrGeneratorExponents(2), (std::vector<int>{25, 1}));
  EXPECT_EQ(QrGeneratorExponents(68).size(), 68u);
  EXPECT_TRUE(QrGeneratorExponents(3).empty());
  EXPECT_TRUE(QrGeneratorExponents(69).empty());
}

TEST(QrBlockEccTest, PublishedBlocks) {
  struct Case {
    const char* note;
    std::vector<int> data;
    int ec;
    std::vector<int> expected;
  };
  const std::vector<Case> cases = {
      {"01234567, version 1-M", {16, 32, 12, 86, 97, 128, 236, 17, 236, 17, 236, 17, 236, 17, 236, 17}, 10,
       {165, 36, 212, 193, 237, 54, 199, 135, 44, 85}},
      {"HELLO WORLD, version 1-M", {32, 91, 11, 120, 209, 114, 220, 77, 67, 64, 236, 17, 236, 17, 236, 17}, 10,
       {196, 35, 39, 119, 235, 215, 231, 226, 93, 23}},
      {"zero block", std::vector<int>(19, 0), 7, std::vector<int>(7, 0)},
  };
  for (const auto& c : cases) {
    std::string bits = QrBlockEcc(BytesToBits(c.data), c.ec);
    ASSERT_EQ(bits.size(), static_cast<size_t>(c.ec) * 8) << c.note;
    EXPECT_EQ(BitsToBytes(bits), c.expected) << c.note;
  }
}

TEST(QrBlockEccTest, AgreesWithGeneralCoderForEveryCount) {
  // The QR generator is (x - a^0)...(x - a^(n-1)) over 0x11D: the general coder with
  // first root 0 must give the same check codewords.
  TksReedSolomon rs(0x11D);
  std::vector<int> data;
  for (int i = 0; i < 40; ++i) data.push_back((i * 37 + 11) & 0xFF);
  std::vector<uint8_t> bytes(data.begin(), data.end());
  for (int n : {2, 5, 6, 7, 8, 10, 13, 14, 15, 16, 17, 18, 20, 22, 24, 26, 28, 30, 32, 34, 36, 40, 42, 44, 46,
                48, 50, 52, 54, 56, 58, 60, 62, 64, 66, 68}) {
    rs.GeneratePoly(n, 0);
    EXPECT_EQ(BitsToBytes(QrBlockEcc(BytesToBits(data), n)), GeneralEcc(rs, bytes, n)) << "count " << n;
  }
}

TEST(QrBlockEccTest, UnknownCountRaises) {
  for (int n : {0, 3, 9, 69}) {
    try {
      QrBlockEcc(BytesToBits({1, 2, 3}), n);
      FAIL() << "no exception for " << n;
    } catch (const ksBarcodeException& e) {
      EXPECT_EQ(std::string(e.what()), "Error : No RS koeficients found for ECW count " + std::to_string(n));
    }
  }
}

// ---- PDF417 -------------------------------------------------------------------------

TksArray MakeArray(const std::vector<int>& values, int capacity) {
  TksArray a;
  ArrayInit(a, capacity);
  for (int v : values) ArrayPush(a, v);
  return a;
}

int EvalMod929(const std::vector<int>& cw, int x) {
  long long acc = 0;
  for (int c : cw) acc = (acc * x + c) % 929;
  return static_cast<int>(acc);
}

TEST(Pdf417EccTest, CoefficientsOfTheStandardTables) {
  EXPECT_EQ(Pdf417Coefficients(2), (std::vector<int>{27, 917}));
  EXPECT_EQ(Pdf417Coefficients(4), (std::vector<int>{522, 568, 723, 809}));
  EXPECT_EQ(Pdf417Coefficients(8), (std::vector<int>{237, 308, 436, 284, 646, 653, 428, 379}));
  EXPECT_EQ(Pdf417Coefficients(512).size(), 512u);
  EXPECT_TRUE(Pdf417Coefficients(17).empty());
  EXPECT_TRUE(Pdf417Coefficients(1).empty());
}

TEST(Pdf417EccTest, CodewordVanishesAtEveryRoot) {
  // Data followed by the check words in transmission order is a multiple of the
  // generator, so it is zero at 3^1..3^k.
  std::vector<int> data = {5, 453, 178, 121, 239, 928, 0, 900, 17};
  for (int k : {2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 18, 21, 26, 32, 38, 44, 50, 64, 128, 256, 512}) {
    TksArray cw = MakeArray(data, 20);
    TksArray ec;
    ArrayInit(ec, k);
    Pdf417Ecc(cw, k, ec);
    ASSERT_EQ(ec.count, k);
    std::vector<int> full = data;
    for (int j = k - 1; j >= 0; --j) {
      ASSERT_GE(ec.data[j], 0);
      ASSERT_LT(ec.data[j], 929);
      full.push_back(ec.data[j]);
    }
    int root = 1;
    for (int i = 1; i <= k; ++i) {
      root = root * 3 % 929;
      ASSERT_EQ(EvalMod929(full, root), 0) << "k " << k << " root 3^" << i;
    }
  }
}

TEST(Pdf417EccTest, ZeroDataAndReversedAppend) {
  TksArray cw = MakeArray({0, 0, 0, 0}, 8);
  TksArray ec;
  ArrayInit(ec, 2);
  Pdf417Ecc(cw, 2, ec);
  EXPECT_EQ(ec.count, 2);
  EXPECT_EQ(ec.data[0], 0);
  EXPECT_EQ(ec.data[1], 0);

  // Appending reversed puts the first transmitted check word (index k-1) first.
  TksArray data = MakeArray({3, 1, 2}, 8);
  Pdf417Ecc(data, 2, ec);
  int first = ec.data[1], second = ec.data[0];
  ArrayAppendReversed(ec, data);
  EXPECT_EQ(data.count, 5);
  EXPECT_EQ(data.data[3], first);
  EXPECT_EQ(data.data[4], second);
}

TEST(Pdf417EccTest, BadCountRaises) {
  TksArray cw = MakeArray({1, 2}, 4);
  TksArray ec;
  ArrayInit(ec, 20);
  for (int k : {0, 1, 17, 20, 1024}) {
    try {
      Pdf417Ecc(cw, k, ec);
      FAIL() << "no exception for " << k;
    } catch (const ksBarcodeException& e) {
      EXPECT_STREQ(e.what(), "PDF417 Error correction : bad count of ECW");
    }
  }
}

}  // namespace
}  // namespace ks
