#include "engine/matrix/datamatrix.h"

#include "engine/errors.h"
#include "engine/matrix/reedsolomon.h"
#include "engine/ustring.h"

namespace ks {

namespace {

using namespace dmcw;

// Reed-Solomon field of ISO/IEC 16022: GF(256) with the prime polynomial 301.
constexpr int kDmGaloisPolynomial = 301;

// ---- C40, Text and X12 character values (ISO/IEC 16022, 5.2.5 and 5.2.7) ----------

// Basic set (values 3..39) of C40 and Text; -1 when the byte is not in it.
int BasicValue(TksDataMatrixEncoding mode, uint8_t b) {
  if (b == ' ') return 3;
  if (IsDigit(b)) return b - '0' + 4;
  if (mode == dmeC40 && b >= 'A' && b <= 'Z') return b - 'A' + 14;
  if (mode == dmeText && b >= 'a' && b <= 'z') return b - 'a' + 14;
  return -1;
}

// Shift 2 set, the same in C40 and Text: codes 33-47, 58-64, 91-95 as values 0..26.
int Shift2Value(uint8_t b) {
  if (b >= 33 && b <= 47) return b - 33;
  if (b >= 58 && b <= 64) return b - 58 + 15;
  if (b >= 91 && b <= 95) return b - 91 + 22;
  return -1;
}

// Shift 3 set: C40 holds codes 96-127; Text holds 96, the capitals and 123-127.
int Shift3Value(TksDataMatrixEncoding mode, uint8_t b) {
  if (mode == dmeC40) return b >= 96 && b <= 127 ? b - 96 : -1;
  if (b == 96) return 0;
  if (b >= 'A' && b <= 'Z') return b - 'A' + 1;
  if (b >= 123 && b <= 127) return b - 123 + 27;
  return -1;
}

// X12: CR, '*', '>', space, digits, capitals.
int X12Value(uint8_t b) {
  switch (b) {
    case 13: return 0;
    case '*': return 1;
    case '>': return 2;
    case ' ': return 3;
    default: break;
  }
  if (IsDigit(b)) return b - '0' + 4;
  if (b >= 'A' && b <= 'Z') return b - 'A' + 14;
  return -1;
}

// The values one byte takes in a triple mode: 1 to 4 of them, none when X12 cannot
// hold the byte.
struct TripleValues {
  int n = 0;
  int v[4] = {};
  void Add(int value) { v[n++] = value; }
};

constexpr int kShift1 = 0, kShift2 = 1, kShift3 = 2, kUpperShiftValue = 30;

TripleValues ValuesOf(TksDataMatrixEncoding mode, uint8_t b) {
  TripleValues r;
  if (mode == dmeX12) {
    int v = X12Value(b);
    if (v >= 0) r.Add(v);
    return r;
  }
  if (b >= 128) {  // upper shift, then the byte less 128
    r.Add(kShift2);
    r.Add(kUpperShiftValue);
    b = static_cast<uint8_t>(b - 128);
  }
  int v;
  if ((v = BasicValue(mode, b)) >= 0) {
    r.Add(v);
  } else if ((v = Shift2Value(b)) >= 0) {
    r.Add(kShift2);
    r.Add(v);
  } else if ((v = Shift3Value(mode, b)) >= 0) {
    r.Add(kShift3);
    r.Add(v);
  } else {  // control characters 0..31
    r.Add(kShift1);
    r.Add(b);
  }
  return r;
}

int LatchOf(TksDataMatrixEncoding mode) {
  switch (mode) {
    case dmeC40: return kLatchC40;
    case dmeText: return kLatchText;
    case dmeX12: return kLatchX12;
    default: return 0;
  }
}

bool IsEdifact(uint8_t b) { return b >= 32 && b <= 94; }

// The 255-state randomising of Base 256 codewords at 1-based stream position pos.
int Randomize255(int value, int pos) { return ((149 * pos) % 255 + 1 + value) % 256; }

// The 253-state randomising of pad codewords at 1-based stream position pos.
int Randomize253(int pos) {
  int v = kPad + (149 * pos) % 253 + 1;
  return v > 254 ? v - 254 : v;
}

// The file identifier as a decimal number; -1 when it is not one.
long FileNumber(const std::u16string& id) {
  if (id.empty()) return -1;
  long v = 0;
  for (char16_t c : id) {
    if (c < u'0' || c > u'9') return -1;
    v = v * 10 + (c - u'0');
    if (v > 1000000) v = 1000000;  // far above any usable identifier
  }
  return v;
}

// Structured append file identifiers are two codewords 1..254.
constexpr long kMaxFileNumber = 254L * 254L - 1;

}  // namespace

// ---- geometry ------------------------------------------------------------------------

TdmMatrixParams DmMatrixParams(TksDataMatrixVersion version) {
  TdmMatrixParams mp;
  if (version <= ksDMAutomatic || version >= kDataMatrixVersionCount) return mp;
  const TdmSymbolSize& z = kDmSymbolSizes[version];
  mp.CellX = z.regionsH;
  mp.CellY = z.regionsV;
  mp.CellSizeX = z.regionCols + 2;
  mp.CellSizeY = z.regionRows + 2;
  mp.TotalMatrixW = mp.CellX * mp.CellSizeX;
  mp.TotalMatrixH = mp.CellY * mp.CellSizeY;
  mp.TotalDW = z.dataCw;
  mp.TotalEW = z.eccCw;
  mp.Inter = z.blocks;
  return mp;
}

int DmCapacity(TksDataMatrixVersion version) {
  if (version == ksDMAutomatic) return kDmSymbolSizes[ksDM144x144].dataCw;
  return DmMatrixParams(version).TotalDW;
}

// ---- encodation ----------------------------------------------------------------------

void TksDataMatrix::UnlatchToAscii() {
  if (FCurrentEncoding == dmeASCII) return;
  if (FCurrentEncoding == dmeEDIFACT) {
    FEdifactUnlatchAt = static_cast<int>(dw.size());
    Push(kUnlatchEdifact);
  } else {
    Push(kUnlatchTriple);
  }
  FCurrentEncoding = dmeASCII;
}

void TksDataMatrix::EncodeAscii(const std::string& s, size_t from, size_t to) {
  if (from >= to) return;
  UnlatchToAscii();
  size_t i = from;
  while (i < to) {
    auto b = static_cast<uint8_t>(s[i]);
    if (IsDigit(b) && i + 1 < to && IsDigit(static_cast<uint8_t>(s[i + 1]))) {
      Push(130 + 10 * (b - '0') + (s[i + 1] - '0'));
      i += 2;
    } else if (b >= 128) {
      Push(kUpperShift);
      Push(b - 127);
      ++i;
    } else {
      Push(b + 1);
      ++i;
    }
  }
}

// C40, Text and X12 pack three values into two codewords. A mode can only be left at
// the end of a triple, so each run of bytes the set holds is split: the longest prefix
// of whole characters that fills whole triples goes in the mode (C40 and Text may end it
// with two values and the pad value Shift 1), the characters after it and the bytes the
// set cannot hold go in ASCII. C40 and Text hold every byte, those above 127 through the
// upper shift; X12 holds only its 40 characters.
void TksDataMatrix::EncodeTripleMode(TksDataMatrixEncoding mode, const std::string& s) {
  const size_t n = s.size();
  size_t asciiFrom = 0;  // start of the bytes waiting to be written in ASCII
  size_t i = 0;
  while (i < n) {
    std::vector<int> vals;
    std::vector<size_t> ends;  // value count after each character of the run
    size_t j = i;
    for (; j < n; ++j) {
      TripleValues tv = ValuesOf(mode, static_cast<uint8_t>(s[j]));
      if (tv.n == 0) break;
      vals.insert(vals.end(), tv.v, tv.v + tv.n);
      ends.push_back(vals.size());
    }
    auto closes = [&](size_t chars) {
      size_t v = chars ? ends[chars - 1] : 0;
      return v % 3 == 0 || (mode != dmeX12 && v % 3 == 2);
    };
    size_t k = j - i;
    while (k > 0 && !closes(k)) --k;
    size_t nv = k ? ends[k - 1] : 0;
    if (nv > 0) {
      EncodeAscii(s, asciiFrom, i);
      if (FCurrentEncoding != mode) {
        UnlatchToAscii();
        Push(LatchOf(mode));
        FCurrentEncoding = mode;
      }
      for (size_t t = 0; t < nv; t += 3) {
        int c1 = vals[t];
        int c2 = t + 1 < nv ? vals[t + 1] : kShift1;
        int c3 = t + 2 < nv ? vals[t + 2] : kShift1;
        int v = 1600 * c1 + 40 * c2 + c3 + 1;
        Push(v / 256);
        Push(v % 256);
      }
      asciiFrom = i + k;
    }
    while (j < n && ValuesOf(mode, static_cast<uint8_t>(s[j])).n == 0) ++j;
    i = j;
  }
  EncodeAscii(s, asciiFrom, n);
}

// EDIFACT packs four 6-bit values (codes 32-94) into three codewords. Groups of four
// are written in EDIFACT; the one to three bytes left of a run and every byte outside
// 32-94 go in ASCII (unlatch 124 first), up to the next run of at least four bytes.
void TksDataMatrix::EncodeEdifact(const std::string& s) {
  if (FCurrentEncoding != dmeEDIFACT) {
    Push(kLatchEdifact);
    FCurrentEncoding = dmeEDIFACT;
  }
  const size_t n = s.size();
  auto in = [&](size_t p) { return IsEdifact(static_cast<uint8_t>(s[p])); };
  size_t i = 0;
  while (i < n) {
    size_t j = i;
    while (j < n && in(j)) ++j;
    size_t groups = (j - i) / 4;
    if (groups > 0 && FCurrentEncoding != dmeEDIFACT) {
      UnlatchToAscii();
      Push(kLatchEdifact);
      FCurrentEncoding = dmeEDIFACT;
    }
    for (size_t g = 0; g < groups; ++g, i += 4) {
      uint32_t bits = 0;
      for (size_t q = i; q < i + 4; ++q) bits = (bits << 6) | (static_cast<uint8_t>(s[q]) & 0x3F);
      Push(static_cast<int>(bits >> 16));
      Push(static_cast<int>((bits >> 8) & 0xFF));
      Push(static_cast<int>(bits & 0xFF));
    }
    size_t m = j;
    while (m < n) {
      if (!in(m)) {
        ++m;
        continue;
      }
      size_t q = m;
      while (q < n && in(q)) ++q;
      if (q - m >= 4) break;
      m = q;
    }
    EncodeAscii(s, i, m);
    i = m;
  }
}

// Base 256: latch, the length field (one codeword up to 249 bytes, else two), then the
// bytes; every codeword after the latch is randomised by its stream position. After
// the counted bytes the reader is back in ASCII.
void TksDataMatrix::EncodeBase256(const std::string& s) {
  UnlatchToAscii();
  Push(kLatchBase256);
  auto pushRandomized = [&](int value) { Push(Randomize255(value, static_cast<int>(dw.size()) + 1)); };
  const int n = static_cast<int>(s.size());
  if (n <= 249) {
    pushRandomized(n);
  } else {
    pushRandomized(n / 250 + 249);
    pushRandomized(n % 250);
  }
  for (char c : s) pushRandomized(static_cast<uint8_t>(c));
  FCurrentEncoding = dmeASCII;
}

void TksDataMatrix::Encode(const std::string& s) {
  dw.clear();
  FCurrentEncoding = dmeASCII;
  FEdifactUnlatchAt = -1;

  // Structured append: position and count nibbles, then the two file identifier codewords.
  // Readers take it only as the first codeword, so it comes before an ECI.
  long f = FileNumber(FFileID);
  if (f > 0 && f <= kMaxFileNumber && FSegmentCount >= 2 && FSegmentCount <= 16 && FSegmentIndex >= 0 &&
      FSegmentIndex <= FSegmentCount - 1) {
    Push(kStructuredAppend);
    Push(FSegmentIndex * 16 + 17 - FSegmentCount);
    Push(static_cast<int>(f / 254 + 1));
    Push(static_cast<int>(f % 254 + 1));
  }

  // Extended Channel Interpretation (ISO/IEC 16022, 5.4.1)
  if (FECI >= 0 && FECI <= 999999) {
    Push(kECI);
    if (FECI <= 126) {
      Push(FECI + 1);
    } else if (FECI <= 16382) {
      Push((FECI - 127) / 254 + 128);
      Push((FECI - 127) % 254 + 1);
    } else {
      int e = FECI - 16383;
      Push(e / 64516 + 192);
      Push((e / 254) % 254 + 1);
      Push(e % 254 + 1);
    }
  }

  if (FNC1 == fnc1FirstPosition || FNC1 == fnc1GS1) Push(kFNC1);

  switch (FEncoding) {
    case dmeBinary: EncodeBase256(s); break;
    case dmeEDIFACT: EncodeEdifact(s); break;
    case dmeText:
    case dmeX12:
    case dmeC40: EncodeTripleMode(FEncoding, s); break;
    case dmeAutomatic:
    case dmeASCII:
    default: EncodeAscii(s, 0, s.size()); break;
  }
}

// ---- size, padding, error correction -----------------------------------------------

// Data that ends in C40, Text or X12 with room left in the symbol is closed by the
// unlatch 254 before the pads, also when it takes the last codeword. After an EDIFACT
// group with one or two codewords left a reader returns to ASCII by itself and would
// read the unlatch 124 there as the character "{", so it is left out.
void TksDataMatrix::LeaveModeAtEnd() {
  const int left = DataSize - static_cast<int>(dw.size());
  if (left > 0 && FCurrentEncoding != dmeASCII) {
    if (FCurrentEncoding != dmeEDIFACT || left >= 3) UnlatchToAscii();
    FCurrentEncoding = dmeASCII;
  }
  // an EDIFACT unlatch already written before the last ASCII bytes
  if (FEdifactUnlatchAt >= 0 && DataSize - FEdifactUnlatchAt < 3) {
    dw.erase(dw.begin() + FEdifactUnlatchAt);
    FEdifactUnlatchAt = -1;
  }
}

void TksDataMatrix::PadCodewords() {
  if (static_cast<int>(dw.size()) < DataSize) Push(kPad);
  while (static_cast<int>(dw.size()) < DataSize) Push(Randomize253(static_cast<int>(dw.size()) + 1));
}

// Data codeword i belongs to block i mod n. The blocks are interleaved whole, each in
// turn: codeword k of block b (data, then check codewords) sits at b + k*n. So the check
// codewords follow the data; in 144x144, where blocks 9 and 10 hold one data codeword
// less, the check codewords of those two blocks come first.
void TksDataMatrix::DmBlockEcc() {
  const int n = mp.Inter;
  const int eccPerBlock = ErrorSize / n;
  TksReedSolomon rs(kDmGaloisPolynomial);
  rs.GeneratePoly(eccPerBlock, 1);
  dw.resize(DataSize + ErrorSize);
  std::vector<uint8_t> data, check(eccPerBlock);
  for (int b = 0; b < n; ++b) {
    data.clear();
    for (int i = b; i < DataSize; i += n) data.push_back(static_cast<uint8_t>(dw[i]));
    rs.Encode(data, check);
    const int k0 = static_cast<int>(data.size());
    for (int j = 0; j < eccPerBlock; ++j) dw[b + (k0 + j) * n] = check[eccPerBlock - 1 - j];
  }
}

TksDataMatrix::Outcome TksDataMatrix::CreateMatrix(const std::string& s) {
  Encode(s);
  return Finish();
}

TksDataMatrix::Outcome TksDataMatrix::CreateMatrixFromCodewords(const std::vector<int>& data) {
  dw = data;
  FCurrentEncoding = dmeASCII;
  FEdifactUnlatchAt = -1;
  return Finish();
}

// Chooses the size for the codewords in dw, then pads and adds the check codewords.
TksDataMatrix::Outcome TksDataMatrix::Finish() {
  FCapacity = DmCapacity(FVersion);
  if (dw.empty()) return Outcome::NoData;
  const int count = static_cast<int>(dw.size());
  TksDataMatrixVersion version = FVersion;
  if (version == ksDMAutomatic) {
    for (int v = ksDM10x10; v < kDataMatrixVersionCount; ++v) {
      if (kDmSymbolSizes[v].dataCw >= count) {
        version = static_cast<TksDataMatrixVersion>(v);
        break;
      }
    }
  }
  mp = DmMatrixParams(version);
  if (mp.TotalDW == 0 || mp.TotalDW < count) return Outcome::TooLarge;
  DataSize = mp.TotalDW;
  ErrorSize = mp.TotalEW;
  LeaveModeAtEnd();
  PadCodewords();
  DmBlockEcc();
  return Outcome::Ok;
}

// ---- module placement (ISO/IEC 16022 Annex F) ----------------------------------------

namespace {

class Placer {
 public:
  Placer(int nrow, int ncol) {
    p_.nrow = nrow;
    p_.ncol = ncol;
    p_.cw.assign(static_cast<size_t>(nrow) * ncol, 0);
    p_.bit.assign(static_cast<size_t>(nrow) * ncol, 0);
  }

  TdmPlacement Run() {
    const int nrow = p_.nrow, ncol = p_.ncol;
    int chr = 1, row = 4, col = 0;
    do {
      // the four corner cases
      if (row == nrow && col == 0) Corner1(chr++);
      if (row == nrow - 2 && col == 0 && ncol % 4 != 0) Corner2(chr++);
      if (row == nrow - 2 && col == 0 && ncol % 8 == 4) Corner3(chr++);
      if (row == nrow + 4 && col == 2 && ncol % 8 == 0) Corner4(chr++);
      // sweep upward diagonally
      do {
        if (row < nrow && col >= 0 && Free(row, col)) Utah(row, col, chr++);
        row -= 2;
        col += 2;
      } while (row >= 0 && col < ncol);
      row += 1;
      col += 3;
      // sweep downward diagonally
      do {
        if (row >= 0 && col < ncol && Free(row, col)) Utah(row, col, chr++);
        row += 2;
        col -= 2;
      } while (row < nrow && col >= 0);
      row += 3;
      col += 1;
    } while (row < nrow || col < ncol);
    p_.codewords = chr - 1;
    // the fixed pattern of the lower-right corner when it stays unfilled
    if (!p_.bit[static_cast<size_t>(nrow) * ncol - 1]) {
      Fix(nrow - 1, ncol - 1, -1);
      Fix(nrow - 2, ncol - 2, -1);
      Fix(nrow - 1, ncol - 2, 0);
      Fix(nrow - 2, ncol - 1, 0);
    }
    return std::move(p_);
  }

 private:
  bool Free(int row, int col) const { return p_.bit[static_cast<size_t>(row) * p_.ncol + col] == 0; }
  void Fix(int row, int col, int cw) {
    size_t i = static_cast<size_t>(row) * p_.ncol + col;
    p_.cw[i] = cw;
    p_.bit[i] = -1;
  }
  // One module of codeword chr, bit 1..8, wrapping around the edges.
  void Module(int row, int col, int chr, int bit) {
    const int nrow = p_.nrow, ncol = p_.ncol;
    if (row < 0) {
      row += nrow;
      col += 4 - ((nrow + 4) % 8);
    }
    if (col < 0) {
      col += ncol;
      row += 4 - ((ncol + 4) % 8);
    }
    size_t i = static_cast<size_t>(row) * ncol + col;
    p_.cw[i] = chr;
    p_.bit[i] = static_cast<int8_t>(bit);
  }
  // The standard 8-module shape with its last module at (row, col).
  void Utah(int row, int col, int chr) {
    Module(row - 2, col - 2, chr, 1);
    Module(row - 2, col - 1, chr, 2);
    Module(row - 1, col - 2, chr, 3);
    Module(row - 1, col - 1, chr, 4);
    Module(row - 1, col, chr, 5);
    Module(row, col - 2, chr, 6);
    Module(row, col - 1, chr, 7);
    Module(row, col, chr, 8);
  }
  void Corner1(int chr) {
    const int nrow = p_.nrow, ncol = p_.ncol;
    Module(nrow - 1, 0, chr, 1);
    Module(nrow - 1, 1, chr, 2);
    Module(nrow - 1, 2, chr, 3);
    Module(0, ncol - 2, chr, 4);
    Module(0, ncol - 1, chr, 5);
    Module(1, ncol - 1, chr, 6);
    Module(2, ncol - 1, chr, 7);
    Module(3, ncol - 1, chr, 8);
  }
  void Corner2(int chr) {
    const int nrow = p_.nrow, ncol = p_.ncol;
    Module(nrow - 3, 0, chr, 1);
    Module(nrow - 2, 0, chr, 2);
    Module(nrow - 1, 0, chr, 3);
    Module(0, ncol - 4, chr, 4);
    Module(0, ncol - 3, chr, 5);
    Module(0, ncol - 2, chr, 6);
    Module(0, ncol - 1, chr, 7);
    Module(1, ncol - 1, chr, 8);
  }
  void Corner3(int chr) {
    const int nrow = p_.nrow, ncol = p_.ncol;
    Module(nrow - 3, 0, chr, 1);
    Module(nrow - 2, 0, chr, 2);
    Module(nrow - 1, 0, chr, 3);
    Module(0, ncol - 2, chr, 4);
    Module(0, ncol - 1, chr, 5);
    Module(1, ncol - 1, chr, 6);
    Module(2, ncol - 1, chr, 7);
    Module(3, ncol - 1, chr, 8);
  }
  void Corner4(int chr) {
    const int nrow = p_.nrow, ncol = p_.ncol;
    Module(nrow - 1, 0, chr, 1);
    Module(nrow - 1, ncol - 1, chr, 2);
    Module(0, ncol - 3, chr, 3);
    Module(0, ncol - 2, chr, 4);
    Module(0, ncol - 1, chr, 5);
    Module(1, ncol - 3, chr, 6);
    Module(1, ncol - 2, chr, 7);
    Module(1, ncol - 1, chr, 8);
  }

  TdmPlacement p_;
};

}  // namespace

TdmPlacement DmPlacement(int nrow, int ncol) {
  if (nrow < 6 || ncol < 6) return {};  // smaller than any mapping matrix
  return Placer(nrow, ncol).Run();
}

// Writes the symbol row by row: each data region gets a solid finder line on its left
// and bottom edge and alternating clock tracks on its top and right edge; the modules
// inside take the mapping matrix in row-major order.
void TksDataMatrix::dmGrid(TksMatrix& d2) const {
  d2.InitializeWH(mp.TotalMatrixW, mp.TotalMatrixH);
  const TdmPlacement pl = DmPlacement(mp.MappingH(), mp.MappingW());
  std::vector<char16_t> bits(pl.cw.size());
  for (size_t i = 0; i < bits.size(); ++i) {
    int cw = pl.cw[i];
    bool dark = cw > 0 ? ((dw[cw - 1] >> (8 - pl.bit[i])) & 1) != 0 : cw < 0;
    bits[i] = dark ? u'1' : u'0';
  }
  // x and y modulo the region size are counted along rather than divided out per module.
  size_t k = 0;
  for (int y = 0, ry = 0; y < mp.TotalMatrixH; ++y, ry = ry + 1 == mp.CellSizeY ? 0 : ry + 1) {
    for (int x = 0, rx = 0; x < mp.TotalMatrixW; ++x, rx = rx + 1 == mp.CellSizeX ? 0 : rx + 1) {
      char16_t ch;
      if (rx == 0 || ry == mp.CellSizeY - 1)
        ch = u'1';
      else if (ry == 0 || rx == mp.CellSizeX - 1)
        ch = (x % 2 == 1 && y % 2 == 0) ? u'0' : u'1';
      else
        ch = bits[k++];
      d2.PutChar(ch);
    }
  }
}

// ---- entry -----------------------------------------------------------------------------

std::optional<TksMatrix> EncodeDataMatrix(const std::string& bytes, const DataMatrixSettings& settings) {
  TksDataMatrix dm;
  dm.FEncoding = settings.encoding;
  dm.FVersion = settings.version;
  dm.FECI = settings.eci;
  dm.FSegmentCount = settings.segmentCount;
  dm.FSegmentIndex = settings.segmentIndex;
  dm.FFileID = settings.fileId;
  dm.FNC1 = settings.fnc1;
  switch (dm.CreateMatrix(bytes)) {
    case TksDataMatrix::Outcome::Ok: {
      TksMatrix m;
      dm.dmGrid(m);
      return m;
    }
    case TksDataMatrix::Outcome::NoData:
      return std::nullopt;
    case TksDataMatrix::Outcome::TooLarge:
      break;
  }
  throw TksEncodeError(erOutOfMaxCapacity, dm.Capacity(), u"");
}

}  // namespace ks
