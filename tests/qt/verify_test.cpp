// The verification unit: symbols painted as the export paints them are decoded by
// zxing-cpp and judged read, misread, unreadable or not verifiable.
#include "verify/verify.h"

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QImage>
#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "engine/barcode.h"
#include "engine/persistent.h"
#include "engine/ustring.h"
#include "output/export.h"

namespace ks {
namespace {

using Sets = std::vector<std::pair<const char*, const char*>>;

struct Case {
  const char* symbology;
  const char* data;
  Sets sets;
  const char* read;  // what the decoder reads, as the result shows it
};

void Configure(TksBarcodeComponent& bc, const char* symbology, const char* data, const Sets& sets) {
  bc.ErrorInfo().SetMode(emStandardRaise);
  ASSERT_EQ(SetPropertyText(bc, "BarcodeSymbology", symbology), SetResult::Ok) << symbology;
  for (const auto& [path, value] : sets) ASSERT_EQ(SetPropertyText(bc, path, value), SetResult::Ok) << path;
  bc.SetBarCode(FromUtf8(data));
}

bool IsMatrix(const TksBarcodeComponent& bc) { return SymbologyType(bc.BarcodeSymbology()) == stMatrix; }

// The symbol painted with a white margin around it, as an export with a quiet zone.
QImage Render(TksBarcodeComponent& bc, int angle = 0) {
  int w = IsMatrix(bc) ? 300 : 720, h = IsMatrix(bc) ? 300 : 220;
  if (angle % 180 != 0) std::swap(w, h);
  const int m = 40;
  return RenderBarcodeImage(&bc, w, h, {m, m, w - m, h - m});
}

class ReadsBack : public ::testing::TestWithParam<Case> {};

TEST_P(ReadsBack, DecodedTextIsWhatTheObjectEncodes) {
  const Case& c = GetParam();
  TksBarcodeComponent bc;
  Configure(bc, c.symbology, c.data, c.sets);
  const VerifyResult r = VerifyImage(Render(bc), bc);
  EXPECT_EQ(r.status, VerifyStatus::Read) << c.symbology << " " << c.data << ": " << r.message;
  EXPECT_EQ(r.decoded, c.read) << c.symbology << " " << c.data;
  EXPECT_EQ(r.expected, c.read);
}

const Case kReadable[] = {
    {"bcEan13", "400638133393", {}, "4006381333931"},  // check digit completed
    {"bcEan13", "4006381333931 12", {}, "4006381333931 12"},  // 2-digit add-on
    {"bcEan8", "5512345", {}, "55123457"},
    {"bcJAN8", "4912345", {}, "49123456"},
    {"bcUPCA", "012345678905 12345", {}, "012345678905 12345"},  // 5-digit add-on
    {"bcUPCE0", "0123456", {}, "01234565"},
    {"bcUPCE1", "0123456", {}, "11234562"},  // number system 1 with its own check digit
    {"bcISBN", "80-7226-102", {}, "9788072261024"},
    {"bcJAN13", "491234567890", {}, "4912345678904"},
    {"bcITF", "1234567", {{"Options", "boSecurity,boAddLeadingZero"}}, "01234567"},
    {"bcITF", "1234567890123", {}, "12345678901231"},
    {"bcOPC", "123456789", {}, "1234567897"},
    {"bcUPCShipping", "12345678901231 123456", {}, "12345678901231 + 123456"},  // add-on symbol
    {"bcCode39Standard", "BARVELLO-2026 $/+%", {}, "BARVELLO-2026 $/+%"},
    {"bcCode39Full", "Barvello 39!", {}, "Barvello 39!"},
    {"bcPZN", "123456", {}, "-1234562"},  // Code 39 of "-" and the completed number
    {"bcCode93Standard", "TAVRIX 93", {}, "TAVRIX 93"},
    {"bcCode93Full", "Tavrix 93!", {}, "Tavrix 93!"},
    {"bcCode128", "Barvello 128\ttest", {}, "Barvello 128<HT>test"},
    {"bcUccEan128", "(01)12345678901231(10)12345", {}, "01123456789012311012345"},
    {"bcCodabar", "A40156B", {}, "A40156+B"},  // start/stop kept, mod 16 check "+"
    {"bcCodabar", "t123e", {{"Options", "boSecurity"}}, "A123D"},  // letter names, no check
    {"bcABCCodabar", "A123C D456C", {}, "A123C + D456C"},
    {"bcPDF417", "Barvello label run 0001", {}, "Barvello label run 0001"},
    {"bcPDF417", "Truncated 417", {{"Params.PDF417.Kind", "pkTruncated"}}, "Truncated 417"},
    {"bcPDF417", "4241524E", {{"Params.PDF417.Mode", "ksPDF417BinaryHex"}}, "BARN"},
    {"bcDataMatrix", "Barvello by tavrix", {}, "Barvello by tavrix"},
    {"bcDataMatrix",
     "(10)AB12(01)12345678901231",
     {{"Params.GS1.FNC1Type", "fnc1GS1"}, {"Params.GS1.FNC1InputType", "gs1Classic"}},
     "10AB12<GS>0112345678901231"},
    {"bcQRCode", "https://example.com/barvello?q=1", {}, "https://example.com/barvello?q=1"},
    {"bcQRCode", "Příliš žluťoučký kůň", {}, "Příliš žluťoučký kůň"},
    {"bcQRCode", "漢字テスト", {{"Params.QRCode.Mode", "QrKanji"}}, "漢字テスト"},
    {"bcQRCode", "MICRO 42", {{"Params.QRCode.MicroQR", "True"}}, "MICRO 42"},
};

INSTANTIATE_TEST_SUITE_P(Symbologies, ReadsBack, ::testing::ValuesIn(kReadable), [](const auto& info) {
  return std::string(info.param.symbology).substr(2) + "_" + std::to_string(info.index);
});

TEST(VerifyImage, ReadsAtEveryAngle) {
  const Case cases[] = {{"bcEan13", "400638133393", {}, ""},
                        {"bcCode128", "Angle 128", {}, ""},
                        {"bcPDF417", "Angle PDF417", {}, ""},
                        {"bcQRCode", "Angle QR", {}, ""}};
  for (const Case& c : cases) {
    for (int angle : {0, 90, 180, 270}) {
      TksBarcodeComponent bc;
      Configure(bc, c.symbology, c.data, {});
      bc.SetAngle(angle);
      const VerifyResult r = VerifyImage(Render(bc, angle), bc);
      EXPECT_EQ(r.status, VerifyStatus::Read) << c.symbology << " at " << angle << ": " << r.message;
    }
  }
}

// A hand-made image of another text: the decoder reads a valid symbol, but not ours.
TEST(VerifyImage, AnotherTextIsAMisreading) {
  TksBarcodeComponent ours, other;
  Configure(ours, "bcEan13", "590123412345", {});
  Configure(other, "bcEan13", "400638133393", {});
  const VerifyResult r = VerifyImage(Render(other), ours);
  EXPECT_EQ(r.status, VerifyStatus::Misread) << r.message;
  EXPECT_EQ(r.decoded, "4006381333931");
  EXPECT_EQ(r.expected, "5901234123457");
  EXPECT_NE(r.message.find("4006381333931"), std::string::npos) << r.message;
}

// The same digits as plain Code 128 are not the GS1-128 symbol the object encodes.
TEST(VerifyImage, PlainCode128IsNotGs1) {
  TksBarcodeComponent gs1, plain;
  Configure(gs1, "bcUccEan128", "(01)12345678901231", {});
  Configure(plain, "bcCode128", "0112345678901231", {});
  const VerifyResult r = VerifyImage(Render(plain), gs1);
  EXPECT_EQ(r.status, VerifyStatus::Misread) << r.message;
  EXPECT_EQ(r.decoded, "0112345678901231 (not GS1)");
}

// A missing add-on: the main symbol alone is not what the object encodes.
TEST(VerifyImage, MissingAddOnIsAMisreading) {
  TksBarcodeComponent withAddOn, without;
  Configure(withAddOn, "bcEan13", "4006381333931 12", {});
  Configure(without, "bcEan13", "4006381333931", {});
  const VerifyResult r = VerifyImage(Render(without), withAddOn);
  EXPECT_EQ(r.status, VerifyStatus::Misread) << r.message;
  EXPECT_EQ(r.decoded, "4006381333931");
}

TEST(VerifyImage, BarsInTheBackgroundColourAreUnreadable) {
  for (const char* symbology : {"bcEan13", "bcQRCode"}) {
    TksBarcodeComponent bc;
    Configure(bc, symbology, "400638133393", {});
    bc.SetBackgroundColor(clWhite);
    bc.SetLinesColor(clWhite);
    const VerifyResult r = VerifyImage(Render(bc), bc);
    EXPECT_EQ(r.status, VerifyStatus::Unreadable) << symbology << ": " << r.message;
    EXPECT_EQ(r.decoded, "");
    EXPECT_NE(r.message.find("found no"), std::string::npos) << r.message;
  }
}

// Light bars on a dark background are unreadable, unless the object asks for
// reflectance reversal, which readers that take reversed symbols expect.
TEST(VerifyImage, ReversedColoursReadOnlyWithReflectanceReversal) {
  for (const char* symbology : {"bcQRCode", "bcCode128"}) {
    TksBarcodeComponent bc;
    Configure(bc, symbology, "Reversed", {});
    QImage image = Render(bc);
    image.invertPixels();  // light modules on a dark ground, to the image's edges
    EXPECT_EQ(VerifyImage(image, bc).status, VerifyStatus::Unreadable) << symbology;
    bc.SetOptions(bc.Options() | OptionBit(boReflectanceReversal));
    EXPECT_EQ(VerifyImage(image, bc).status, VerifyStatus::Read) << symbology;
  }
}

// Transparent pixels count as white, as on paper: an image whose light modules are
// transparent black reads.
TEST(VerifyImage, TransparentPixelsCountAsWhite) {
  TksBarcodeComponent bc;
  Configure(bc, "bcCode128", "Transparent", {});
  QImage image = Render(bc).convertToFormat(QImage::Format_ARGB32);
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if (image.pixel(x, y) == qRgb(255, 255, 255)) image.setPixel(x, y, qRgba(0, 0, 0, 0));
  EXPECT_EQ(VerifyImage(image, bc).status, VerifyStatus::Read);
}

TEST(VerifyImage, SymbologiesNoDecoderReadsAreNotVerifiable) {
  const Case cases[] = {
      {"bcPostNet", "12345", {}, ""},
      {"bcCode11", "123-45", {}, ""},
      {"bc25Industrial", "123456", {}, ""},
      {"bcPDF417", "Micro", {{"Params.PDF417.Kind", "pkMicro"}}, ""},  // MicroPDF417
      {"bc25Interleaved", "1234", {}, ""},  // shorter than the decoder reads
  };
  for (const Case& c : cases) {
    TksBarcodeComponent bc;
    Configure(bc, c.symbology, c.data, c.sets);
    const VerifyResult r = VerifyImage(Render(bc), bc);
    EXPECT_EQ(r.status, VerifyStatus::NotVerifiable) << c.symbology;
    EXPECT_EQ(r.message.rfind("not verifiable: ", 0), 0u) << r.message;
  }
}

TEST(VerifyImage, UnverifiableListHoldsTheSymbologiesNoDecoderReads) {
  const std::vector<TksBarcodeSymbology> list = UnverifiableSymbologies();
  auto has = [&](TksBarcodeSymbology s) { return std::find(list.begin(), list.end(), s) != list.end(); };
  for (TksBarcodeSymbology s : {bcPostNet, bcPlanet, bcRoyalMail, bcIntelligentMail, bcAustraliaPost, bcCode11,
                                bcTelepen, bcFim, bc25Industrial, bc25Matrix, bc25Datalogic, bc25IATA, bc25Invert,
                                bc25Coop, bcPostBar, bc4State, bcDutch4StatePostal, bcSingapore4StatePostalCode})
    EXPECT_TRUE(has(s)) << SymbologyIdentifier(s);
  for (TksBarcodeSymbology s : {bcEan13, bcQRCode, bcPZN, bcPDF417, bcITF, bcCodabar, bcNone, bcMSIPlessey})
    EXPECT_FALSE(has(s)) << SymbologyIdentifier(s);  // read, or not a supported symbology
}

TEST(VerifyImage, PrintableTextNamesControlCharacters) {
  EXPECT_EQ(PrintableText("01\x1D" "10AB\r\x7F"), "01<GS>10AB<CR><DEL>");
  EXPECT_EQ(PrintableText("kůň"), "kůň");
}

}  // namespace
}  // namespace ks

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
