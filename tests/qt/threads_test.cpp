// Encoding and painting many barcode objects on several threads at once gives the same
// output as one thread: every object owns its text slots, matrix and error state, and
// the coders' tables are immutable. Run under the tsan preset, this also checks that no
// two threads touch shared data without synchronisation.
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <atomic>
#include <sstream>
#include <thread>
#include <vector>

#include "engine/barcode.h"
#include "engine/decor.h"
#include "engine/params.h"
#include "engine/persistent.h"
#include "engine/ustring.h"
#include "render/paint.h"
#include "render/qt/qt_canvas.h"
#include "render/recording_canvas.h"

using namespace ks;

namespace {

struct Config {
  const char* symbology;
  std::u16string data;
  std::vector<std::pair<const char*, const char*>> settings;
};

// A spread of encoders, painters and decorations, and a few errors shown as graphics.
std::vector<Config> Configs() {
  return {
      {"bcEan13", u"400638133393", {{"Angle", "90"}}},
      {"bcUPCE0", u"0123456", {}},
      {"bcCode128", u"Barvello threads 0123456789", {{"CaptionUpper.Text.Count", "1"}, {"CaptionUpper.Text.Line0", "Horní"}}},
      {"bcUccEan128", u"(01)12345678901231(10)ABC", {}},
      {"bcCode39Full", u"Thread-safe?", {{"Params.Ratio", "ra30"}}},
      {"bcCode93Standard", u"CODE 93", {{"Angle", "180"}}},
      {"bcCodabar", u"A123456B", {}},
      {"bc25Interleaved", u"12345678", {{"QuietZone.Visible", "True"}, {"QuietZone.Left", "10"}}},
      {"bcTelepen", u"Telepen", {}},
      {"bcMSIPlessey", u"1234567", {}},
      {"bcPostNet", u"12345", {}},
      {"bcIntelligentMail", u"00040123456200800001", {}},
      {"bcRoyalMail", u"SN34RD1A", {}},
      {"bcAustraliaPost", u"1139987520", {}},
      {"bcQRCode", u"https://example.com/threads", {{"Params.QRCode.EccLevel", "QrEccLevelH"}}},
      {"bcQRCode", u"12345", {{"Params.QRCode.MicroQR", "True"}, {"Params.QRCode.Mask", "-1"}}},
      {"bcQRCode", u"Kanji 漢字 and bytes", {{"Angle", "270"}}},
      {"bcDataMatrix", u"Data Matrix on threads", {{"Params.DataMatrix.Encoding", "dmeC40"}}},
      {"bcDataMatrix", std::u16string(400, u'7'), {}},
      {"bcPDF417", u"PDF417 on several threads at once", {{"Params.PDF417.Cols", "4"}}},
      {"bcPDF417", u"Micro", {{"Params.PDF417.Kind", "pkMicro"}, {"Angle", "90"}}},
      {"bcEan13", u"12345", {{"ErrorInfo.Mode", "emPaintRedCross"}}},
      {"bcCode39Standard", u"lower case", {{"ErrorInfo.Mode", "emDrawErrorString"}}},
  };
}

void Configure(TksBarcodeComponent& bc, const Config& c) {
  ASSERT_EQ(SetPropertyText(bc, "BarcodeSymbology", c.symbology), SetResult::Ok) << c.symbology;
  for (const auto& [path, value] : c.settings) ASSERT_EQ(SetPropertyText(bc, path, value), SetResult::Ok) << path;
  bc.SetBarCode(c.data);
}

// Everything the recording canvas saw, as text.
std::string Recorded(const Config& c) {
  TksBarcodeComponent bc;
  Configure(bc, c);
  RecordingCanvas canvas;
  PaintBarCode(bc, canvas, TRect{0, 0, 420, 240});
  std::ostringstream out;
  for (const auto& call : canvas.calls) {
    out << call.op << ' ' << call.rect.Left << ',' << call.rect.Top << ',' << call.rect.Right << ','
        << call.rect.Bottom << ' ' << call.brush.Color << ' ' << call.pen.Color() << ' ' << ToUtf8(call.text) << ' '
        << call.escapement;
    for (const auto& p : call.pts) out << ' ' << p.X << ':' << p.Y;
    out << '\n';
  }
  // The encoding's own results belong to the output as well.
  out << bc.Bars().size() << ' ' << (bc.Bars().empty() ? std::string() : bc.Bars().front());
  for (int s : bc.TextSlot) out << ' ' << s;
  out << ' ' << static_cast<int>(bc.ErrorInfo().Code());
  return out.str();
}

// The pixels of a painted image.
std::string Pixels(const Config& c) {
  TksBarcodeComponent bc;
  Configure(bc, c);
  QImage image(300, 200, QImage::Format_RGB32);
  image.fill(Qt::white);
  {
    QPainter painter(&image);
    QtCanvas canvas(&painter);
    PaintBarCode(bc, canvas, TRect{0, 0, 300, 200});
  }
  return std::string(reinterpret_cast<const char*>(image.constBits()), static_cast<size_t>(image.sizeInBytes()));
}

// Runs `produce` for every configuration on one thread, then on `threads` threads that
// each go through all configurations, starting at different places, `rounds` times.
void ExpectSameOnThreads(std::string (*produce)(const Config&), int threads, int rounds) {
  const auto configs = Configs();
  std::vector<std::string> expected;
  for (const auto& c : configs) expected.push_back(produce(c));

  std::atomic<int> mismatches{0};
  std::vector<std::string> firstMismatch(threads);
  std::vector<std::thread> pool;
  for (int t = 0; t < threads; ++t) {
    pool.emplace_back([&, t] {
      for (int r = 0; r < rounds; ++r) {
        for (size_t k = 0; k < configs.size(); ++k) {
          const size_t i = (k + static_cast<size_t>(t) * 5) % configs.size();
          if (produce(configs[i]) != expected[i]) {
            ++mismatches;
            if (firstMismatch[t].empty()) firstMismatch[t] = configs[i].symbology;
          }
        }
      }
    });
  }
  for (auto& th : pool) th.join();
  std::string which;
  for (const auto& m : firstMismatch) which += m.empty() ? "" : m + " ";
  EXPECT_EQ(mismatches.load(), 0) << "first differences on: " << which;
}

}  // namespace

TEST(Threads, EncodingAndPaintingOnTheRecordingCanvas) {
  // Sanity: the configurations give different outputs, so equal outputs mean something.
  const auto configs = Configs();
  EXPECT_NE(Recorded(configs[0]), Recorded(configs[1]));
  ExpectSameOnThreads(&Recorded, 4, 3);
}

// QPainter on a QImage, text included, works on any thread in Qt 6.
TEST(Threads, PaintingImages) {
  ExpectSameOnThreads(&Pixels, 4, 2);
}

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
