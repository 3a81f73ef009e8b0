// Reed-Solomon error correction for the 2D symbologies: a general coder over GF(2^m)
// (Data Matrix uses GF(256) with polynomial 301), the QR block coder (GF(256), 0x11D)
// and the PDF417 coder (arithmetic modulo 929). Each answers the check codewords of one
// block; splitting into blocks and interleaving belong to the symbologies.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/matrix/matrix.h"

namespace ks {

// General Reed-Solomon coder over GF(2^m). Not shared: an encoder creates its own
// instance (cheap: two tables of 2^m integers), so two symbols can encode at once.
//
//   TksReedSolomon rs(301);          // GF(256), x^8+x^5+x^3+x^2+1
//   rs.GeneratePoly(5, 1);           // generator (x+a^1)...(x+a^5)
//   rs.Encode(data, len, res, 5);    // res[4] is the first check byte transmitted
class TksReedSolomon {
 public:
  // Builds the field of the primitive polynomial `poly` (bit i = coefficient of x^i).
  explicit TksReedSolomon(int poly);

  // Rebuilds the log/antilog tables for `poly`; m is the degree of poly.
  void GenerateGF(int poly);
  // Generator polynomial (x + a^index)(x + a^(index+1))...(x + a^(index+nsym-1)).
  void GeneratePoly(int nsym, int index);

  // Check bytes of data[0..len-1] into res[0..nsym-1], highest power first at
  // res[nsym-1] (transmit res[nsym-1] first). nsym must equal rlen.
  void Encode(const uint8_t* data, int len, uint8_t* res, int nsym) const;
  // The same over whole arrays: len = data.size(), nsym = res.size().
  void Encode(const std::vector<uint8_t>& data, std::vector<uint8_t>& res) const;

  int32_t gfPoly = -1;
  int32_t symsize = -1;  // m
  int32_t logmod = 0;    // 2^m - 1
  int32_t rlen = -1;     // check symbols of the current generator
  int32_t _index = -1;   // exponent of the generator's first root
  std::vector<int32_t> log;     // log[a^i] = i; log[0] = 0 is never used as a logarithm
  std::vector<int32_t> alog;    // alog[i] = a^i, i < logmod
  std::vector<int32_t> rspoly;  // rspoly[k] = coefficient of x^k; rspoly[rlen] = 1
  std::vector<int32_t> rspolyLog;  // log[rspoly[k]], -1 for a zero coefficient
};

// QR Code block coder: blockBits is the block's data codewords as a bit string
// (whole bytes, most significant bit first); answers the ecCount check codewords as a
// bit string, first codeword first. Throws TksEncodeError (erErrorInBarCode)
// "Error : No RS koeficients found for ECW count <n>" for a count without generator.
std::string QrBlockEcc(const std::string& blockBits, int ecCount);
// The same on bytes: the ecCount check codewords of data[0..count-1] into check[],
// first codeword first.
void QrBlockEccBytes(const uint8_t* data, int count, int ecCount, uint8_t* check);

// Exponents of the QR generator polynomial for n check codewords, from x^(n-1) down to
// x^0 (the leading x^n coefficient is 1 and not listed); empty for a count not in the
// generator list of ISO/IEC 18004 Annex A.
std::vector<int> QrGeneratorExponents(int n);

// PDF417 coder: check codewords of codewords.data[0..count-1] (values 0..928, the
// length descriptor included). ec receives count = k and the check codewords in
// data[0..k-1], the first to be transmitted at index k-1 (append with
// ArrayAppendReversed). Throws TksEncodeError (erErrorInBarCode)
// "PDF417 Error correction : bad count of ECW" for a k outside
// 2..16, 18, 21, 26, 32, 38, 44, 50, 64, 128, 256, 512.
void Pdf417Ecc(const TksArray& codewords, int k, TksArray& ec);

// Generator coefficients a_0..a_(k-1) of (x-3)(x-3^2)...(x-3^k) mod 929 below the
// leading term, constant term first; empty for a count not in the list above.
std::vector<int> Pdf417Coefficients(int k);

}  // namespace ks
