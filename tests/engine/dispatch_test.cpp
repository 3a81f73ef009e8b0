// Encoding dispatch: text slots, the EAN margin, the ratio expansion and Zoom.
#include <gtest/gtest.h>

#include "engine/barcode.h"
#include "engine/decor.h"
#include "engine/params.h"

using namespace ks;

TEST(ApplyRatio, ExpandsRunsOfOneAndTwo) {
  EXPECT_EQ(ApplyRatio("1001101", ra20), "1001101");
  EXPECT_EQ(ApplyRatio("1001101", ra25), "1100000111110011");
  EXPECT_EQ(ApplyRatio("1001101", ra30), "100011101");
  EXPECT_EQ(ApplyRatio("", ra25), "");
}

TEST(ApplyRatio, RefusesLongerRuns) {
  for (const char* p : {"1110", "1   01", "22202020"}) {
    try {
      ApplyRatio(p, ra25);
      ADD_FAILURE() << p;
    } catch (const ksBarcodeException&) {
      ADD_FAILURE() << "must be the ordinary exception: " << p;
    } catch (const Exception& e) {
      EXPECT_STREQ(e.what(), "Not possible use ratio for selected symbology");
    }
  }
}

TEST(EncodeBars, Ean13SlotsWithAndWithoutTheHumanLine) {
  TksBarcodeComponent bc;
  std::string p = bc.EncodeBars(bc.BarCode());
  ASSERT_EQ(p.size(), 103u);
  EXPECT_EQ(p.substr(0, 8), "        ");
  EXPECT_EQ(bc.Bars().size(), 1u);
  EXPECT_EQ(bc.Bars()[0], p);
  EXPECT_EQ(bc.TextSlot, (std::array<int32_t, 6>{12, 52, 59, 99, 8, 8}));
  EXPECT_EQ(bc.MinWidth(), 103);

  bc.CaptionHuman().SetVisible(false);
  p = bc.EncodeBars(bc.BarCode());
  EXPECT_EQ(p.size(), 95u);
  EXPECT_EQ(bc.TextSlot, (std::array<int32_t, 6>{4, 44, 51, 91, 0, 0}));
}

TEST(EncodeBars, NoEncoderGivesTheEmptyRow) {
  TksBarcodeComponent bc;
  bc.SetBarcodeSymbology(bcNone);
  bc.SetBarCode(u"5");
  EXPECT_EQ(bc.EncodeBars(bc.BarCode()), "");
  ASSERT_EQ(bc.Bars().size(), 1u);
  EXPECT_EQ(bc.Bars()[0], "");
  EXPECT_EQ(bc.TextSlot[0], 0);
  EXPECT_EQ(bc.TextSlot[1], -1);  // length of the pattern minus one
  EXPECT_EQ(bc.MinWidth(), 0);
}

TEST(EncodeBars, SilentRejectionLeavesNoRow) {
  TksBarcodeComponent bc;
  bc.SetBarcodeSymbology(bc25Interleaved);
  bc.SetBarCode(u"12345");  // odd length
  bc.TextSlot.fill(7);
  EXPECT_EQ(bc.EncodeBars(bc.BarCode()), "");
  EXPECT_TRUE(bc.Bars().empty());
  EXPECT_EQ(bc.TextSlot, (std::array<int32_t, 6>{}));
  EXPECT_EQ(bc.MinWidth(), 100);
  EXPECT_EQ(bc.MinHeight(50), 100);
}

TEST(EncodeBars, RatioAppliesOnlyToVariableRatioRows) {
  TksBarcodeComponent bc;
  bc.SetBarcodeSymbology(bc25Interleaved);
  bc.Params().SetRatio(ra25);
  EXPECT_THROW(bc.EncodeBars(bc.BarCode()), Exception);
  bc.SetBarcodeSymbology(bc25Datalogic);
  bc.Params().SetRatio(ra30);
  std::string plain;
  {
    TksBarcodeComponent ref;
    ref.SetBarcodeSymbology(bc25Datalogic);
    plain = ref.EncodeBars(ref.BarCode());
  }
  EXPECT_EQ(bc.EncodeBars(bc.BarCode()), ApplyRatio(plain, ra30));
  // EAN-13 has no variable ratio: the setting is ignored.
  TksBarcodeComponent ean;
  ean.Params().SetRatio(ra25);
  EXPECT_EQ(ean.EncodeBars(ean.BarCode()).size(), 103u);
}

TEST(EncodeBars, ValidationErrorsPropagate) {
  TksBarcodeComponent bc;
  bc.SetBarCode(u"12345678901234");
  EXPECT_THROW(bc.EncodeBars(bc.BarCode()), ksBarcodeException);
  EXPECT_EQ(bc.ErrorInfo().Code(), erBarcodeLengthInvalid);
  EXPECT_THROW(bc.MinWidth(), ksBarcodeException);
}

TEST(Zoom, IntegralBranch) {
  TksBarcodeComponent bc;
  std::string p(95, '1');
  p[1] = '0';
  bc.TextSlot = {4, 44, 51, 91, 0, 0};
  std::string z = bc.Zoom(p, 300, true);
  EXPECT_EQ(z.size(), 285u);
  EXPECT_EQ(z.substr(0, 6), "111000");
  EXPECT_EQ(bc.TextSlot, (std::array<int32_t, 6>{12, 132, 153, 273, 0, 0}));
  EXPECT_EQ(bc.Zoom("", 300, true), "");
}

TEST(Zoom, IntegralBranchTooNarrowRaises) {
  TksBarcodeComponent bc;
  EXPECT_THROW(bc.Zoom(std::string(95, '1'), 90, true), ksBarcodeException);
  EXPECT_EQ(bc.ErrorInfo().Code(), erOutOfSecurityBox);
}

TEST(Zoom, DistributingBranch) {
  TksBarcodeComponent bc;
  std::string p;
  for (int i = 0; i < 95; ++i) p += static_cast<char>('a' + i % 26);
  bc.TextSlot = {4, 44, 51, 91, 0, 96};
  std::string z = bc.Zoom(p, 300, false);
  ASSERT_EQ(z.size(), 300u);
  EXPECT_EQ(z.substr(0, 7), "aaaabbb");  // ceil(300/95) = 4, then 3
  // Character i is emitted ceil(i*W/n) - ceil((i-1)*W/n) times; a slot i maps to the
  // pixels emitted before character i.
  auto before = [](int i) { return (300 * (i - 1) + 94) / 95; };
  EXPECT_EQ(bc.TextSlot[0], before(4));
  EXPECT_EQ(bc.TextSlot[1], before(44));
  EXPECT_EQ(bc.TextSlot[3], before(91));
  EXPECT_EQ(bc.TextSlot[4], 0);   // 0 means not set
  EXPECT_EQ(bc.TextSlot[5], 96);  // beyond the pattern: unchanged

  std::string narrow = bc.Zoom(p, 90, false);
  EXPECT_EQ(narrow.size(), 90u);  // five characters dropped
}
