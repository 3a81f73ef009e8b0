// The family entries called on their own, without a barcode object: each returns its
// symbol (modules, text slots, the parameters it used) or throws its failure with the
// error code, and the barcode object's façade copies exactly that value in.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "engine/barcode.h"
#include "engine/encoders.h"
#include "engine/errors.h"
#include "engine/matrix/datamatrix.h"
#include "engine/matrix/pdf417.h"
#include "engine/matrix/qrcode.h"
#include "engine/params.h"
#include "engine/ustring.h"

namespace ks {
namespace {

std::vector<std::string> Rows(const TksMatrix& m) {
  std::vector<std::string> rows;
  for (int y = 0; y < m.NR; ++y) {
    std::string row;
    for (int x = 0; x < m.NC; ++x) row += m.IsBlack(x, y) ? '1' : '0';
    rows.push_back(row);
  }
  return rows;
}

TEST(Encoders, LinearEntryReturnsModulesAndTextSlots) {
  // EAN-13 4006381333931: guards 101, left digits in sets by the leading 4 (ABAABB),
  // centre guard, right digits in set C; slots bound the two groups of six.
  const BarSymbol sym = EncodeEan13(u"4006381333931");
  EXPECT_EQ(sym.pattern,
            "202" "0001101" "0100111" "0101111" "0111101" "0001001" "0110011"
            "02020" "1000010" "1000010" "1000010" "1110100" "1000010" "1100110" "202");
  EXPECT_EQ(sym.textSlots, (TextSlots{4, 44, 51, 91, 0, 0}));

  // The barcode object shows the same symbol, behind the margin of its human-readable line.
  TksBarcodeComponent bc;
  bc.SetBarCode(u"4006381333931");
  EXPECT_EQ(bc.EncodeBars(bc.BarCode()), std::string(8, ' ') + sym.pattern);
  EXPECT_EQ(bc.TextSlot, (TextSlots{12, 52, 59, 99, 8, 8}));
}

TEST(Encoders, FailuresCarryTheirCodeWithoutABarcodeObject) {
  struct Case {
    const char* note;
    std::function<void()> encode;
    TksBarcodeErrorCode code;
    int idx;               // -1: a failure with a message of its own
    std::string message;
  } cases[] = {
      {"EAN-13 digit", [] { EncodeEan13(u"40063813339x1"); }, erCharOutOfSet, 12, ""},
      {"Code 39 character", [] { EncodeCode39(u"AB*"); }, erCharOutOfSet, 3, ""},
      {"PostBar character", [] { EncodePostbarCpc(u"B K1A 4S2 12$4"); }, erCPCBadCode, 13,
       "Error in CPC/Postbar code $ at 13 position."},
      {"Australia Post format", [] { EncodeAustraliaPost(u"1239987520"); }, erErrorInBarCode, -1,
       "Invalid FCC, must be one from 11, 87, 45, 92, 59, 62, 44"},
      {"QR Code too long", [] { EncodeQRCode(std::string(40, '1'), {.micro = true, .mask = 1}); },
       erOutOfMaxCapacity, -1, "Max. QR code capacity exceded."},
      {"Micro QR with FNC1", [] { EncodeQRCode("01", {.micro = true, .fnc1 = fnc1GS1}); }, erNotSupported, 0, ""},
      {"Data Matrix too long for 10x10", [] { EncodeDataMatrix("ABCDEFGH", {.version = ksDM10x10}); },
       erOutOfMaxCapacity, 3, ""},
      {"PDF417 numeric mode", [] { EncodePdf417("12a", {.mode = ksPDF417Numeric}); }, erCharOutOfSet, -1,
       "Bad char in PDF417, position 3, char : a"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.note);
    try {
      c.encode();
      ADD_FAILURE() << "no failure";
    } catch (const TksEncodeError& e) {
      EXPECT_EQ(e.Code(), c.code);
      EXPECT_EQ(e.OwnMessage(), c.idx < 0);
      if (c.idx >= 0) {
        EXPECT_EQ(e.Idx(), c.idx);
      }
      if (!c.message.empty()) {
        EXPECT_EQ(e.what(), c.message);
      }
    }
  }
}

TEST(Encoders, QrEntryReturnsTheMatrixAndWhatItUsed) {
  const QrSymbol sym = EncodeQRCode("HELLO WORLD", {.ecc = QrEccLevelQ, .mask = -1});
  EXPECT_EQ(sym.version, 1);
  EXPECT_EQ(sym.mode, QrAlphanumeric);
  EXPECT_EQ(sym.ecc, QrEccLevelQ);
  EXPECT_FALSE(sym.micro);
  EXPECT_EQ(sym.matrix.NC, 21);
  EXPECT_GE(sym.mask, 0);
  EXPECT_LE(sym.mask, 7);

  // The barcode object with the same parameters copies the value in.
  TksBarcodeComponent bc;
  bc.SetBarcodeSymbology(bcQRCode);
  bc.Params().QRCode().SetEccLevel(QrEccLevelQ);
  bc.Params().QRCode().SetMask(-1);
  bc.SetBarCode(u"HELLO WORLD");
  bc.EncodeBars(bc.BarCode());
  EXPECT_EQ(Rows(bc.Pixels()), Rows(sym.matrix));
  EXPECT_EQ(bc.Params().QRCode().UsedVersion(), sym.version);
  EXPECT_EQ(bc.Params().QRCode().UsedMask(), sym.mask);
  EXPECT_EQ(bc.Params().QRCode().UsedMode(), sym.mode);
}

TEST(Encoders, DataMatrixAndPdf417EntriesReturnTheirSymbols) {
  EXPECT_FALSE(EncodeDataMatrix("", {}));
  const std::optional<TksMatrix> dm = EncodeDataMatrix("123456", {});
  ASSERT_TRUE(dm);
  EXPECT_EQ(dm->NC, 10);  // three digit pairs, three data codewords: the 10 x 10 symbol
  EXPECT_EQ(dm->NR, 10);

  const Pdf417Symbol pdf = EncodePdf417("PDF417", {.layout = {.cols = 4}});
  EXPECT_EQ(pdf.cols, 4);
  EXPECT_EQ(pdf.patterns.size(), static_cast<size_t>(pdf.rows));
  TksBarcodeComponent bc;
  bc.SetBarcodeSymbology(bcPDF417);
  bc.Params().PDF417().SetCols(4);
  bc.SetBarCode(u"PDF417");
  BuildPdf417Rows(bc, bc.Bars());
  EXPECT_EQ(bc.Bars(), pdf.patterns);
  EXPECT_EQ(bc.Params().PDF417().UsedRows(), pdf.rows);
}

}  // namespace
}  // namespace ks
