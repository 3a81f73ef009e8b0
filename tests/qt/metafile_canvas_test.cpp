// The metafile canvas: EMF and WMF records parsed back here, files read by independent
// readers (emf2svg-conv, wmf2svg from libwmf), bar positions compared with the raster
// canvas, text measured as the raster canvas measures it.
#include <gtest/gtest.h>
#include <iconv.h>

#include <QFile>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <algorithm>
#include <cmath>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "engine/barcode.h"
#include "engine/ustring.h"
#include "output/metafile_canvas.h"
#include "render/paint.h"
#include "render/qt/qt_canvas.h"
#include "render/recording_canvas.h"

using namespace ks;

namespace {

// ---- Little-endian fields --------------------------------------------------------------

uint16_t U16(const std::string& s, size_t at) {
  return static_cast<uint16_t>(static_cast<uint8_t>(s[at]) | static_cast<uint8_t>(s[at + 1]) << 8);
}
int16_t I16(const std::string& s, size_t at) { return static_cast<int16_t>(U16(s, at)); }
uint32_t U32(const std::string& s, size_t at) { return U16(s, at) | static_cast<uint32_t>(U16(s, at + 2)) << 16; }
int32_t I32(const std::string& s, size_t at) { return static_cast<int32_t>(U32(s, at)); }

std::string Hex6(uint32_t c) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%06x", c);
  return buf;
}

// ---- Object table bookkeeping, the same for both formats ----------------------------------
//
// Follows creates, selects and deletes as a player would and reports misuse: a create into
// a live slot, a select of a dead one, a delete of a dead or a currently selected object,
// and objects still alive at the end.
class ObjectTable {
 public:
  enum Kind { kPen, kBrush, kFont };

  void Create(uint32_t slot, Kind kind) {
    EXPECT_FALSE(live_.count(slot)) << "create into live slot " << slot;
    live_[slot] = kind;
    maxSlot_ = std::max<int>(maxSlot_, static_cast<int>(slot));
  }
  void Select(uint32_t slot) {
    if (slot & 0x80000000u) return;  // a stock object
    ASSERT_TRUE(live_.count(slot)) << "select of dead slot " << slot;
    selected_[live_[slot]] = slot;
  }
  void Delete(uint32_t slot) {
    ASSERT_TRUE(live_.count(slot)) << "delete of dead slot " << slot;
    auto it = selected_.find(live_[slot]);
    EXPECT_FALSE(it != selected_.end() && it->second == slot) << "delete of selected slot " << slot;
    live_.erase(slot);
  }
  void SaveDC() { saved_.push_back(selected_); }
  void RestoreDC() {
    ASSERT_FALSE(saved_.empty());
    selected_ = saved_.back();
    saved_.pop_back();
  }
  // The lowest free slot from `first` on: where a WMF player puts the next object.
  uint32_t LowestFree(uint32_t first) const {
    uint32_t s = first;
    while (live_.count(s)) ++s;
    return s;
  }
  bool Empty() const { return live_.empty(); }
  int MaxSlot() const { return maxSlot_; }

 private:
  std::map<uint32_t, Kind> live_;
  std::map<Kind, uint32_t> selected_;
  std::vector<std::map<Kind, uint32_t>> saved_;
  int maxSlot_ = -1;
};

// ---- EMF ------------------------------------------------------------------------------

struct Record {
  uint32_t type;
  size_t offset;
  uint32_t size;  // bytes
};

// Splits an EMF into records; they must tile the file exactly, 4-byte aligned.
std::vector<Record> EmfRecords(const std::string& f) {
  std::vector<Record> out;
  size_t at = 0;
  while (at + 8 <= f.size()) {
    const uint32_t size = U32(f, at + 4);
    if (size < 8 || size % 4 != 0 || at + size > f.size()) {
      ADD_FAILURE() << "bad record size " << size << " at " << at;
      return out;
    }
    out.push_back({U32(f, at), at, size});
    at += size;
  }
  EXPECT_EQ(at, f.size()) << "records do not end at the end of the file";
  return out;
}

std::string Points(const std::string& f, size_t at, uint32_t n, bool small) {
  std::string s;
  for (uint32_t i = 0; i < n; ++i) {
    const int x = small ? I16(f, at + 4 * i) : I32(f, at + 8 * i);
    const int y = small ? I16(f, at + 4 * i + 2) : I32(f, at + 8 * i + 4);
    s += " " + std::to_string(x) + "," + std::to_string(y);
  }
  return s;
}

std::u16string EmfText(const std::string& f, const Record& r) {
  const uint32_t n = U32(f, r.offset + 44), off = U32(f, r.offset + 48);
  std::u16string t;
  for (uint32_t i = 0; i < n; ++i) t += static_cast<char16_t>(U16(f, r.offset + off + 2 * i));
  return t;
}

std::vector<int> EmfDx(const std::string& f, const Record& r) {
  const uint32_t n = U32(f, r.offset + 44), off = U32(f, r.offset + 72);
  std::vector<int> dx;
  for (uint32_t i = 0; i < n; ++i) dx.push_back(I32(f, r.offset + off + 4 * i));
  return dx;
}

std::string FontLine(int height, int width, int esc, int orient, int weight, const std::string& flags, int charset,
                     const std::string& face) {
  return "FONT h=" + std::to_string(height) + " w=" + std::to_string(width) + " esc=" + std::to_string(esc) +
         " orient=" + std::to_string(orient) + " weight=" + std::to_string(weight) + " " + flags +
         " cs=" + std::to_string(charset) + " " + face;
}

// The records after the header as readable lines (object slots in brackets).
std::vector<std::string> EmfSummary(const std::string& f) {
  std::vector<std::string> out;
  for (const Record& r : EmfRecords(f)) {
    const size_t p = r.offset + 8;
    auto n = [&](size_t at) { return std::to_string(I32(f, p + at)); };
    switch (r.type) {
      case 1: break;
      case 3: case 86: case 4: case 87: {
        const bool small = r.type >= 86;
        const bool line = r.type == 4 || r.type == 87;
        out.push_back(std::string(line ? "POLYLINE" : "POLYGON") + (small ? "16" : "") +
                      Points(f, p + 20, U32(f, p + 16), small));
        break;
      }
      case 14: out.push_back("EOF"); break;
      case 18: out.push_back("SETBKMODE " + n(0)); break;
      case 22: out.push_back("SETTEXTALIGN " + n(0)); break;
      case 24: out.push_back("SETTEXTCOLOR " + Hex6(U32(f, p))); break;
      case 25: out.push_back("SETBKCOLOR " + Hex6(U32(f, p))); break;
      case 27: out.push_back("MOVETO " + n(0) + "," + n(4)); break;
      case 33: out.push_back("SAVEDC"); break;
      case 34: out.push_back("RESTOREDC " + n(0)); break;
      case 37: out.push_back("SELECT [" + n(0) + "]"); break;
      case 38:
        out.push_back("PEN [" + n(0) + "] style=" + n(4) + " width=" + n(8) + " " + Hex6(U32(f, p + 16)));
        break;
      case 39:
        out.push_back("BRUSH [" + n(0) + "] style=" + n(4) + " " + Hex6(U32(f, p + 8)) + " hatch=" + n(12));
        break;
      case 40: out.push_back("DELETE [" + n(0) + "]"); break;
      case 43: out.push_back("RECTANGLE " + n(0) + "," + n(4) + "," + n(8) + "," + n(12)); break;
      case 54: out.push_back("LINETO " + n(0) + "," + n(4)); break;
      case 82: {
        const size_t lf = p + 4;
        std::u16string face;
        for (int i = 0; i < 32 && U16(f, lf + 28 + 2 * i); ++i) face += static_cast<char16_t>(U16(f, lf + 28 + 2 * i));
        std::string flags = std::string(f[lf + 20] ? "I" : "-") + (f[lf + 21] ? "U" : "-") + (f[lf + 22] ? "S" : "-");
        out.push_back("[" + n(0) + "] " +
                      FontLine(I32(f, lf), I32(f, lf + 4), I32(f, lf + 8), I32(f, lf + 12), I32(f, lf + 16), flags,
                               static_cast<uint8_t>(f[lf + 23]), ToUtf8(face)));
        break;
      }
      case 84:
        out.push_back("TEXT " + std::to_string(I32(f, r.offset + 36)) + "," + std::to_string(I32(f, r.offset + 40)) +
                      " " + ToUtf8(EmfText(f, r)));
        break;
      default: out.push_back("type " + std::to_string(r.type));
    }
  }
  return out;
}

// Header fields, record tiling and the object bookkeeping of a whole EMF.
void CheckEmf(const std::string& f, int w, int h) {
  ASSERT_GE(f.size(), 108u + 20u);
  const std::vector<Record> recs = EmfRecords(f);
  ASSERT_GE(recs.size(), 2u);
  EXPECT_EQ(recs.front().type, 1u);
  EXPECT_EQ(recs.front().size, 108u);
  EXPECT_EQ(recs.back().type, 14u);
  EXPECT_EQ(recs.back().size, 20u);
  EXPECT_EQ(U32(f, f.size() - 4), 20u);  // EMR_EOF ends with its own size
  // Bounds in pixels and frame in .01 mm, inclusive; a 96-dpi reference device.
  EXPECT_EQ(I32(f, 8), 0);
  EXPECT_EQ(I32(f, 12), 0);
  EXPECT_EQ(I32(f, 16), w - 1);
  EXPECT_EQ(I32(f, 20), h - 1);
  EXPECT_EQ(I32(f, 32), MulDiv(w, 2540, 96) - 1);
  EXPECT_EQ(I32(f, 36), MulDiv(h, 2540, 96) - 1);
  EXPECT_EQ(U32(f, 40), 0x464D4520u);
  EXPECT_EQ(U32(f, 44), 0x10000u);
  EXPECT_EQ(U32(f, 48), f.size());
  EXPECT_EQ(U32(f, 52), recs.size());
  const int devX = I32(f, 72), devY = I32(f, 76), mmX = I32(f, 80), mmY = I32(f, 84);
  EXPECT_EQ(devX * 254, mmX * 96 * 10);
  EXPECT_EQ(devY * 254, mmY * 96 * 10);
  EXPECT_EQ(I32(f, 100), mmX * 1000);
  EXPECT_EQ(I32(f, 104), mmY * 1000);

  ObjectTable t;
  for (const Record& r : recs) {
    const size_t p = r.offset + 8;
    switch (r.type) {
      case 33: t.SaveDC(); break;
      case 34: t.RestoreDC(); break;
      case 38: t.Create(U32(f, p), ObjectTable::kPen); break;
      case 39: t.Create(U32(f, p), ObjectTable::kBrush); break;
      case 82: t.Create(U32(f, p), ObjectTable::kFont); break;
      case 37: t.Select(U32(f, p)); break;
      case 40: t.Delete(U32(f, p)); break;
      default: break;
    }
  }
  EXPECT_TRUE(t.Empty()) << "objects left undeleted";
  EXPECT_GT(U16(f, 56), t.MaxSlot()) << "nHandles too small";
}

// ---- WMF ------------------------------------------------------------------------------

constexpr size_t kPlaceable = 22, kMetaHeader = 18;

// Splits the records after the placeable header and METAHEADER (sizes in words).
std::vector<Record> WmfRecords(const std::string& f) {
  std::vector<Record> out;
  size_t at = kPlaceable + kMetaHeader;
  while (at + 6 <= f.size()) {
    const uint32_t words = U32(f, at);
    if (words < 3 || at + 2 * words > f.size()) {
      ADD_FAILURE() << "bad record size " << words << " at " << at;
      return out;
    }
    out.push_back({U16(f, at + 4), at, 2 * words});
    at += 2 * words;
  }
  EXPECT_EQ(at, f.size()) << "records do not end at the end of the file";
  return out;
}

// The records as readable lines; object slots are where a player puts them.
std::vector<std::string> WmfSummary(const std::string& f, std::string* textBytes = nullptr,
                                    std::vector<int>* textDx = nullptr) {
  std::vector<std::string> out;
  ObjectTable t;
  for (const Record& r : WmfRecords(f)) {
    const size_t p = r.offset + 6;
    auto n = [&](size_t at) { return std::to_string(I16(f, p + at)); };
    auto slot = [&] { return "[" + std::to_string(t.LowestFree(0)) + "]"; };
    switch (r.type) {
      case 0x0000: out.push_back("EOF"); break;
      case 0x001E: out.push_back("SAVEDC"); t.SaveDC(); break;
      case 0x0127: out.push_back("RESTOREDC " + n(0)); t.RestoreDC(); break;
      case 0x0102: out.push_back("SETBKMODE " + n(0)); break;
      case 0x012E: out.push_back("SETTEXTALIGN " + n(0)); break;
      case 0x0209: out.push_back("SETTEXTCOLOR " + Hex6(U32(f, p))); break;
      case 0x0201: out.push_back("SETBKCOLOR " + Hex6(U32(f, p))); break;
      case 0x020B: out.push_back("SETWINDOWORG " + n(2) + "," + n(0)); break;
      case 0x020C: out.push_back("SETWINDOWEXT " + n(2) + "," + n(0)); break;
      case 0x0214: out.push_back("MOVETO " + n(2) + "," + n(0)); break;
      case 0x0213: out.push_back("LINETO " + n(2) + "," + n(0)); break;
      case 0x041B: out.push_back("RECTANGLE " + n(6) + "," + n(4) + "," + n(2) + "," + n(0)); break;
      case 0x012D: out.push_back("SELECT [" + n(0) + "]"); t.Select(U16(f, p)); break;
      case 0x01F0: out.push_back("DELETE [" + n(0) + "]"); t.Delete(U16(f, p)); break;
      case 0x02FA:
        out.push_back("PEN " + slot() + " style=" + n(0) + " width=" + n(2) + " " + Hex6(U32(f, p + 6)));
        t.Create(t.LowestFree(0), ObjectTable::kPen);
        break;
      case 0x02FC:
        out.push_back("BRUSH " + slot() + " style=" + n(0) + " " + Hex6(U32(f, p + 2)) + " hatch=" + n(6));
        t.Create(t.LowestFree(0), ObjectTable::kBrush);
        break;
      case 0x02FB: {
        std::string face;
        for (int i = 0; i < 32 && f[p + 18 + i]; ++i) face += f[p + 18 + i];
        std::string flags = std::string(f[p + 10] ? "I" : "-") + (f[p + 11] ? "U" : "-") + (f[p + 12] ? "S" : "-");
        out.push_back(slot() + " " +
                      FontLine(I16(f, p), I16(f, p + 2), I16(f, p + 4), I16(f, p + 6), I16(f, p + 8), flags,
                               static_cast<uint8_t>(f[p + 13]), face));
        t.Create(t.LowestFree(0), ObjectTable::kFont);
        break;
      }
      case 0x0324: case 0x0325:
        out.push_back(std::string(r.type == 0x0324 ? "POLYGON" : "POLYLINE") + Points(f, p + 2, I16(f, p), true));
        break;
      case 0x0A32: {
        const int len = I16(f, p + 4);
        const std::string bytes = f.substr(p + 8, len);
        out.push_back("TEXT " + n(2) + "," + n(0) + " " + bytes);
        if (textBytes) *textBytes += bytes;
        if (textDx) {
          const size_t dxAt = p + 8 + (len + 1) / 2 * 2;
          EXPECT_EQ(r.offset + r.size, dxAt + 2 * len) << "one advance per byte";
          for (int i = 0; i < len; ++i) textDx->push_back(I16(f, dxAt + 2 * i));
        }
        break;
      }
      default: out.push_back("function " + std::to_string(r.type));
    }
  }
  EXPECT_TRUE(t.Empty()) << "objects left undeleted";
  return out;
}

// Placeable header, METAHEADER, record tiling and object bookkeeping of a whole WMF.
void CheckWmf(const std::string& f, int w, int h) {
  ASSERT_GE(f.size(), kPlaceable + kMetaHeader + 6);
  EXPECT_EQ(U32(f, 0), 0x9AC6CDD7u);
  EXPECT_EQ(I16(f, 6), 0);
  EXPECT_EQ(I16(f, 8), 0);
  EXPECT_EQ(I16(f, 10), w);
  EXPECT_EQ(I16(f, 12), h);
  EXPECT_EQ(U16(f, 14), 96);
  uint16_t sum = 0;
  for (size_t i = 0; i < 20; i += 2) sum ^= U16(f, i);
  EXPECT_EQ(U16(f, 20), sum) << "checksum";
  const size_t m = kPlaceable;
  EXPECT_EQ(U16(f, m), 1);
  EXPECT_EQ(U16(f, m + 2), 9);
  EXPECT_EQ(U16(f, m + 4), 0x0300);
  EXPECT_EQ(2 * U32(f, m + 6), f.size() - kPlaceable) << "size in words";
  const std::vector<Record> recs = WmfRecords(f);
  ASSERT_GE(recs.size(), 3u);
  uint32_t largest = 0;
  for (const Record& r : recs) largest = std::max(largest, r.size / 2);
  EXPECT_EQ(U32(f, m + 12), largest) << "MaxRecord";
  EXPECT_EQ(recs.back().type, 0u);
  EXPECT_EQ(recs.back().size, 6u);
  const std::vector<std::string> lines = WmfSummary(f);
  EXPECT_EQ(lines[0], "SETWINDOWORG 0,0");
  EXPECT_EQ(lines[1], "SETWINDOWEXT " + std::to_string(w) + "," + std::to_string(h));
  // NumberOfObjects covers the highest slot used.
  int highest = -1;
  for (const std::string& l : lines)
    if (l.size() > 2 && (l.rfind("PEN [", 0) == 0 || l.rfind("BRUSH [", 0) == 0 || l[0] == '['))
      highest = std::max(highest, std::stoi(l.substr(l.find('[') + 1)));
  EXPECT_GT(U16(f, m + 10), highest);
}

// ---- Painting the same barcode on the three canvases ----------------------------------

// The recording canvas with the raster canvas's text metrics, so the layout is the one
// the raster and metafile canvases get.
class QtMetricsRecorder : public RecordingCanvas {
 public:
  int TextWidth(const std::u16string& t) override {
    return QFontMetrics(ToQFont(Font)).horizontalAdvance(QString::fromStdU16String(t));
  }
  int TextHeight(const std::u16string&) override { return QFontMetrics(ToQFont(Font)).height(); }
  int AverageCharWidth() override {
    TksFont natural(Font);
    natural.CharWidth = 0;
    return std::max(1, QFontMetrics(ToQFont(natural)).averageCharWidth());
  }
};

struct Sample {
  const char* name;
  TksBarcodeSymbology symbology;
  int angle;
  int width, height;
};

void PrintTo(const Sample& s, std::ostream* os) { *os << s.name; }

const Sample kSamples[] = {
    {"ean13", bcEan13, 0, 200, 100},
    {"code128_90", bcCode128, 90, 120, 300},
    {"qr", bcQRCode, 0, 150, 150},
};

// An opaque background (so readers map the whole picture) and a red human-readable text
// (so black raster pixels are bars only).
void Setup(TksBarcodeComponent& bc, const Sample& s) {
  bc.SetBarcodeSymbology(s.symbology);
  bc.SetAngle(s.angle);
  bc.SetOptions(bc.Options() & ~OptionBit(boTransparent));
  bc.CaptionHuman().Font().SetColor(clRed);
}

std::string PaintMetafile(const Sample& s, bool enhanced) {
  TksBarcodeComponent bc;
  Setup(bc, s);
  MetafileCanvas c(s.width, s.height);
  PaintBarCode(bc, c, {0, 0, s.width, s.height});
  EXPECT_EQ(bc.ErrorInfo().Code(), erOK);
  return enhanced ? c.EmfBytes() : c.WmfBytes();
}

QImage PaintRaster(const Sample& s) {
  TksBarcodeComponent bc;
  Setup(bc, s);
  QImage img(s.width, s.height, QImage::Format_RGB32);
  img.fill(Qt::white);
  QPainter painter(&img);
  QtCanvas c(&painter);
  PaintBarCode(bc, c, {0, 0, s.width, s.height});
  return img;
}

std::vector<CanvasCall> PaintRecorded(const Sample& s) {
  TksBarcodeComponent bc;
  Setup(bc, s);
  QtMetricsRecorder c;
  PaintBarCode(bc, c, {0, 0, s.width, s.height});
  std::vector<CanvasCall> texts;
  for (const auto& call : c.calls)
    if (call.op == "TextOut" && !call.text.empty() && call.fontColor != clNone) texts.push_back(call);
  return texts;
}

// ---- Independent readers ----------------------------------------------------------------

struct ReaderRun {
  bool ok;
  std::string output;  // the SVG
  std::string log;
};

ReaderRun RunReader(const QString& program, const QStringList& args, const QString& svgPath) {
  QProcess p;
  p.start(program, args);
  const bool finished = p.waitForFinished(60000);
  ReaderRun r;
  r.ok = finished && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
  r.log = (p.readAllStandardError() + p.readAllStandardOutput()).toStdString();
  QFile f(svgPath);
  if (f.open(QIODevice::ReadOnly)) r.output = f.readAll().toStdString();
  return r;
}

// libwmf needs the 35 standard PostScript faces; a Ghostscript font map points the ones
// we use at the metric-compatible Liberation fonts fontconfig finds.
QString WriteWmfFontMap(const QString& dir) {
  const std::pair<const char*, const char*> faces[] = {
      {"Helvetica", "Liberation Sans:style=Regular"},      {"Helvetica-Oblique", "Liberation Sans:style=Italic"},
      {"Helvetica-Bold", "Liberation Sans:style=Bold"},    {"Helvetica-BoldOblique", "Liberation Sans:style=Bold Italic"},
      {"Times-Roman", "Liberation Serif:style=Regular"},   {"Times-Italic", "Liberation Serif:style=Italic"},
      {"Times-Bold", "Liberation Serif:style=Bold"},       {"Times-BoldItalic", "Liberation Serif:style=Bold Italic"},
      {"Courier", "Liberation Mono:style=Regular"},        {"Courier-Oblique", "Liberation Mono:style=Italic"},
      {"Courier-Bold", "Liberation Mono:style=Bold"},      {"Courier-BoldOblique", "Liberation Mono:style=Bold Italic"},
  };
  QString map;
  for (const auto& [ps, pattern] : faces) {
    QProcess p;
    p.start("fc-match", {"--format=%{file}", pattern});
    p.waitForFinished(30000);
    const QString file = QString::fromUtf8(p.readAllStandardOutput()).trimmed();
    if (!file.isEmpty()) map += QString("/%1 (%2) ;\n").arg(ps, file);
  }
  const QString path = dir + "/Fontmap";
  QFile f(path);
  EXPECT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(map.toUtf8());
  return path;
}

ReaderRun ConvertEmf(const QTemporaryDir& dir, const std::string& name, const std::string& bytes) {
  const QString in = dir.filePath(QString::fromStdString(name + ".emf"));
  const QString out = dir.filePath(QString::fromStdString(name + "_emf.svg"));
  QFile f(in);
  EXPECT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(bytes.data(), static_cast<qint64>(bytes.size()));
  f.close();
  return RunReader("emf2svg-conv", {"-i", in, "-o", out}, out);
}

ReaderRun ConvertWmf(const QTemporaryDir& dir, const std::string& name, const std::string& bytes) {
  const QString in = dir.filePath(QString::fromStdString(name + ".wmf"));
  const QString out = dir.filePath(QString::fromStdString(name + "_wmf.svg"));
  QFile f(in);
  EXPECT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(bytes.data(), static_cast<qint64>(bytes.size()));
  f.close();
  const QString fontMap = WriteWmfFontMap(dir.path());
  return RunReader("wmf2svg", {"--wmf-gs-fontmap=" + fontMap, "-o", out, in}, out);
}

// A filled polygon of the converted picture, in the reader's coordinates.
struct SvgShape {
  std::vector<std::pair<double, double>> pts;
  bool black = false;
  bool white = false;
};

std::vector<std::pair<double, double>> NumberPairs(const QString& s) {
  static const QRegularExpression num(R"((-?\d+(?:\.\d+)?)\s*,\s*(-?\d+(?:\.\d+)?))");
  std::vector<std::pair<double, double>> pts;
  for (auto it = num.globalMatch(s); it.hasNext();) {
    const auto m = it.next();
    pts.push_back({m.captured(1).toDouble(), m.captured(2).toDouble()});
  }
  return pts;
}

// emf2svg writes <path d="M x,y L x,y ... Z" ... fill="#RRGGBB" />.
std::vector<SvgShape> EmfSvgShapes(const std::string& svg) {
  static const QRegularExpression path(R"re(<path d="([^"]*)"[^>]*fill="([^"]*)")re");
  std::vector<SvgShape> out;
  for (auto it = path.globalMatch(QString::fromStdString(svg)); it.hasNext();) {
    const auto m = it.next();
    const QString fill = m.captured(2).toLower();
    out.push_back({NumberPairs(m.captured(1)), fill == "#000000", fill == "#ffffff"});
  }
  return out;
}

// libwmf writes <polygon points="x,y x,y ..." style="...; fill:black; ..." />.
std::vector<SvgShape> WmfSvgShapes(const std::string& svg) {
  static const QRegularExpression poly(R"re(<polygon points="([^"]*)"\s*style="[^"]*fill:\s*([^;"]*))re");
  std::vector<SvgShape> out;
  for (auto it = poly.globalMatch(QString::fromStdString(svg)); it.hasNext();) {
    const auto m = it.next();
    const QString fill = m.captured(2).trimmed().toLower();
    out.push_back({NumberPairs(m.captured(1)), fill == "black" || fill == "#000000",
                   fill == "white" || fill == "#ffffff"});
  }
  return out;
}

// Paints the axis-parallel shapes back into pixels, after undoing the reader's scale and
// offset (taken from the background, which covers the whole picture). Every corner must
// land on a whole pixel.
std::vector<std::vector<char>> ShapesToPixels(const std::vector<SvgShape>& shapes, int w, int h) {
  std::vector<std::vector<char>> grid(h, std::vector<char>(w, '?'));
  if (shapes.empty() || !shapes.front().white) {
    ADD_FAILURE() << "the first shape is not the white background";
    return grid;
  }
  double x0 = 1e9, y0 = 1e9, x1 = -1e9, y1 = -1e9;
  for (auto [x, y] : shapes.front().pts) {
    x0 = std::min(x0, x);
    y0 = std::min(y0, y);
    x1 = std::max(x1, x);
    y1 = std::max(y1, y);
  }
  const double sx = (x1 - x0) / w, sy = (y1 - y0) / h;
  for (const SvgShape& s : shapes) {
    int l = INT32_MAX, t = INT32_MAX, r = INT32_MIN, b = INT32_MIN;
    for (auto [x, y] : s.pts) {
      const double px = (x - x0) / sx, py = (y - y0) / sy;
      EXPECT_NEAR(px, std::round(px), 0.01);
      EXPECT_NEAR(py, std::round(py), 0.01);
      const int ix = static_cast<int>(std::lround(px)), iy = static_cast<int>(std::lround(py));
      l = std::min(l, ix);
      t = std::min(t, iy);
      r = std::max(r, ix);
      b = std::max(b, iy);
    }
    for (auto [x, y] : s.pts) {
      const int ix = static_cast<int>(std::lround((x - x0) / sx)), iy = static_cast<int>(std::lround((y - y0) / sy));
      EXPECT_TRUE((ix == l || ix == r) && (iy == t || iy == b)) << "shape is not an axis-parallel rectangle";
    }
    for (int y = std::max(0, t); y < std::min(h, b); ++y)
      for (int x = std::max(0, l); x < std::min(w, r); ++x) grid[y][x] = s.black ? 'B' : s.white ? 'W' : 'o';
  }
  return grid;
}

// Pure black raster pixels must be exactly the black shapes of the converted picture;
// pixels of the (red, antialiased) text are left out.
void ExpectBarsWhereRasterHasThem(const QImage& img, const std::vector<std::vector<char>>& grid) {
  int black = 0, mismatches = 0;
  for (int y = 0; y < img.height(); ++y) {
    for (int x = 0; x < img.width(); ++x) {
      const QRgb px = img.pixel(x, y);
      const bool isBlack = qRed(px) == 0 && qGreen(px) == 0 && qBlue(px) == 0;
      const bool isWhite = px == qRgb(255, 255, 255);
      if (!isBlack && !isWhite) continue;
      black += isBlack;
      if (isBlack != (grid[y][x] == 'B')) {
        if (++mismatches <= 5) ADD_FAILURE() << "pixel " << x << "," << y << " raster " << (isBlack ? "black" : "white");
      }
    }
  }
  EXPECT_EQ(mismatches, 0);
  EXPECT_GT(black, img.width() * img.height() / 10) << "too few bar pixels to compare";
}

class Readers : public ::testing::TestWithParam<Sample> {};

}  // namespace

// ---- Tests --------------------------------------------------------------------------------

TEST_P(Readers, FilesAreWellFormedAndReadBack) {
  const Sample& s = GetParam();
  const std::string emf = PaintMetafile(s, true), wmf = PaintMetafile(s, false);
  CheckEmf(emf, s.width, s.height);
  CheckWmf(wmf, s.width, s.height);

  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const ReaderRun e = ConvertEmf(dir, s.name, emf);
  EXPECT_TRUE(e.ok) << e.log;
  EXPECT_NE(e.output.find("</svg>"), std::string::npos);
  const ReaderRun w = ConvertWmf(dir, s.name, wmf);
  EXPECT_TRUE(w.ok) << w.log;
  EXPECT_NE(w.output.find("</svg>"), std::string::npos);

  // The bars of both converted pictures sit on the raster canvas's pixels.
  const QImage raster = PaintRaster(s);
  {
    SCOPED_TRACE("emf2svg");
    ExpectBarsWhereRasterHasThem(raster, ShapesToPixels(EmfSvgShapes(e.output), s.width, s.height));
  }
  {
    SCOPED_TRACE("wmf2svg");
    ExpectBarsWhereRasterHasThem(raster, ShapesToPixels(WmfSvgShapes(w.output), s.width, s.height));
  }
}

TEST_P(Readers, TextRecordsFollowTheLayoutWithTheirEscapement) {
  const Sample& s = GetParam();
  const std::vector<CanvasCall> calls = PaintRecorded(s);
  const std::string emf = PaintMetafile(s, true), wmf = PaintMetafile(s, false);

  // EMF: each text in the order painted, at its anchor, under a font of its height and
  // escapement, with advances that add up to the measured width.
  std::vector<std::string> texts;
  std::optional<int> escapement, height;
  std::map<uint32_t, std::pair<int, int>> fonts;
  const std::vector<Record> recs = EmfRecords(emf);
  for (const Record& r : recs) {
    const size_t p = r.offset + 8;
    if (r.type == 82) fonts[U32(emf, p)] = {I32(emf, p + 4), I32(emf, p + 12)};
    if (r.type == 37 && fonts.count(U32(emf, p))) std::tie(height, escapement) = fonts[U32(emf, p)];
    if (r.type != 84) continue;
    const size_t i = texts.size();
    ASSERT_LT(i, calls.size());
    EXPECT_EQ(EmfText(emf, r), calls[i].text);
    EXPECT_EQ(I32(emf, r.offset + 36), calls[i].pts[0].X);
    EXPECT_EQ(I32(emf, r.offset + 40), calls[i].pts[0].Y);
    EXPECT_EQ(escapement.value_or(-1), calls[i].escapement);
    EXPECT_EQ(height.value_or(0), calls[i].fontHeight);
    TksFont font;
    font.SetName(calls[i].fontName);
    font.SetHeight(calls[i].fontHeight);
    font.SetStyle(calls[i].fontStyle);
    font.CharWidth = calls[i].charWidth;
    const std::vector<int> dx = EmfDx(emf, r);
    int sum = 0;
    // Each glyph starts where the raster canvas puts it, kerning included, give or take
    // the rounding: the width of the text up to and including that glyph, less its own.
    const QFontMetrics fm(ToQFont(font));
    const QString q = QString::fromStdU16String(calls[i].text);
    for (size_t k = 0; k + 1 < dx.size(); ++k) {
      sum += dx[k];
      const auto next = static_cast<qsizetype>(k + 1);
      EXPECT_NEAR(sum, fm.horizontalAdvance(q.left(next + 1)) - fm.horizontalAdvance(q.mid(next, 1)), 1)
          << ToUtf8(calls[i].text) << " glyph " << next;
    }
    sum += dx.back();
    EXPECT_EQ(sum, fm.horizontalAdvance(q));
    texts.push_back(ToUtf8(calls[i].text));
  }
  EXPECT_EQ(texts.size(), calls.size());

  // WMF: the same texts at the same anchors, fonts with the same escapement.
  std::vector<std::string> wmfTexts;
  for (const std::string& l : WmfSummary(wmf)) {
    if (l.rfind("TEXT ", 0) == 0) wmfTexts.push_back(l);
    if (l.find("FONT ") != std::string::npos) {
      EXPECT_NE(l.find(" esc=" + std::to_string(s.angle * 10) + " "), std::string::npos) << l;
    }
  }
  ASSERT_EQ(wmfTexts.size(), calls.size());
  for (size_t i = 0; i < calls.size(); ++i)
    EXPECT_EQ(wmfTexts[i], "TEXT " + std::to_string(calls[i].pts[0].X) + "," + std::to_string(calls[i].pts[0].Y) + " " +
                               ToUtf8(calls[i].text));
}

INSTANTIATE_TEST_SUITE_P(Metafile, Readers, ::testing::ValuesIn(kSamples),
                         [](const auto& info) { return std::string(info.param.name); });

// Both readers turn the text of a quarter-turned symbol by the font's escapement.
TEST(MetafileCanvas, ReadersTurnTextByTheEscapement) {
  const Sample& s = kSamples[1];
  ASSERT_EQ(s.angle, 90);
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const ReaderRun e = ConvertEmf(dir, s.name, PaintMetafile(s, true));
  const ReaderRun w = ConvertWmf(dir, s.name, PaintMetafile(s, false));
  ASSERT_TRUE(e.ok && w.ok) << e.log << w.log;
  EXPECT_NE(e.output.find("<text"), std::string::npos);
  EXPECT_NE(e.output.find("rotate(-90"), std::string::npos);
  EXPECT_NE(w.output.find("<text"), std::string::npos);
  EXPECT_NE(w.output.find("matrix(0.000000 -1.000000 1.000000 0.000000"), std::string::npos);
}

TEST(MetafileCanvas, ToolsBecomeObjectsAndDrawingRecords) {
  MetafileCanvas c(100, 50);
  c.Pen.SetStyle(psClear);
  c.Brush.Color = clRed;
  c.Brush.Style = bsSolid;
  c.FillRect({1, 2, 11, 22});
  c.FillRect({5, 5, 5, 9});  // empty: nothing
  c.Pen.SetStyle(psSolid);
  c.Pen.SetColor(clBlue);
  c.Pen.SetWidth(2);
  c.Brush.Style = bsDiagCross;
  c.Rectangle({5, 5, 20, 20});
  c.Brush.Style = bsClear;
  c.Polygon({{0, 0}, {10, 0}, {5, 8}});
  c.Line({0, 30}, {40, 30});
  c.Line({7, 7}, {7, 7});  // no length: nothing
  c.Pen.SetStyle(psDash);
  c.Pen.SetWidth(0);
  c.Polyline({{1, 1}, {2, 3}, {4, 1}});
  c.Font.SetName("Liberation Serif");
  c.Font.SetHeight(-20);
  c.Font.SetColor(clBlue);
  c.Font.SetStyle((1u << fsBold) | (1u << fsItalic) | (1u << fsStrikeOut));
  c.Font.Escapement = 900;
  c.Font.CharWidth = 6;
  c.BkMode = bkOpaque;
  c.Brush.Style = bsSolid;
  c.Brush.Color = clYellow;
  c.TextOut(3, 4, u"Ab");
  c.BkMode = bkTransparent;
  c.TextOut(3, 40, u"Ab");
  c.Pen.SetStyle(psClear);
  c.Rectangle({30, 30, 35, 33});      // without a pen: filled exactly like FillRect
  c.Polygon({{40000, 0}, {40001, 0}, {40001, -40000}});  // beyond 16 bits
  c.Pen.SetColor(clNone);
  c.Pen.SetStyle(psSolid);
  c.Brush.Style = bsClear;
  c.Polygon({{0, 0}, {1, 1}, {0, 1}});  // neither pen nor brush: nothing

  const std::string font = FontLine(-20, 6, 900, 0, 700, "I-S", 1, "Liberation Serif");
  EXPECT_EQ(EmfSummary(c.EmfBytes()), (std::vector<std::string>{
      "SAVEDC", "SETTEXTALIGN 0",
      "PEN [1] style=5 width=1 000000", "SELECT [1]",
      "BRUSH [2] style=0 0000ff hatch=0", "SELECT [2]",
      "SETBKMODE 1",
      "POLYGON16 1,2 11,2 11,22 1,22",
      "PEN [3] style=0 width=2 ff0000", "SELECT [3]", "DELETE [1]",
      "BRUSH [1] style=2 0000ff hatch=5", "SELECT [1]", "DELETE [2]",
      "RECTANGLE 5,5,20,20",
      "BRUSH [2] style=1 000000 hatch=0", "SELECT [2]", "DELETE [1]",
      "POLYGON16 0,0 10,0 5,8",
      "MOVETO 0,30", "LINETO 40,30",
      "PEN [1] style=1 width=1 ff0000", "SELECT [1]", "DELETE [3]",
      "POLYLINE16 1,1 2,3 4,1",
      "[3] " + font, "SELECT [3]",
      "SETTEXTCOLOR ff0000", "SETBKCOLOR 00ffff", "SETBKMODE 2",
      "TEXT 3,4 Ab",
      "SETBKMODE 1",
      "TEXT 3,40 Ab",
      "PEN [4] style=5 width=1 000000", "SELECT [4]", "DELETE [1]",
      "BRUSH [1] style=0 00ffff hatch=0", "SELECT [1]", "DELETE [2]",
      "POLYGON16 30,30 35,30 35,33 30,33",
      "POLYGON 40000,0 40001,0 40001,-40000",
      "RESTOREDC -1", "DELETE [1]", "DELETE [3]", "DELETE [4]",
      "EOF"}));

  // The same picture as a WMF: objects in the lowest free slot from 0, coordinates
  // clamped to 16 bits, the default charset named as Central European.
  const std::string wfont = FontLine(-20, 6, 900, 0, 700, "I-S", 238, "Liberation Serif");
  EXPECT_EQ(WmfSummary(c.WmfBytes()), (std::vector<std::string>{
      "SETWINDOWORG 0,0", "SETWINDOWEXT 100,50",
      "SAVEDC", "SETTEXTALIGN 0",
      "PEN [0] style=5 width=1 000000", "SELECT [0]",
      "BRUSH [1] style=0 0000ff hatch=0", "SELECT [1]",
      "SETBKMODE 1",
      "POLYGON 1,2 11,2 11,22 1,22",
      "PEN [2] style=0 width=2 ff0000", "SELECT [2]", "DELETE [0]",
      "BRUSH [0] style=2 0000ff hatch=5", "SELECT [0]", "DELETE [1]",
      "RECTANGLE 5,5,20,20",
      "BRUSH [1] style=1 000000 hatch=0", "SELECT [1]", "DELETE [0]",
      "POLYGON 0,0 10,0 5,8",
      "MOVETO 0,30", "LINETO 40,30",
      "PEN [0] style=1 width=1 ff0000", "SELECT [0]", "DELETE [2]",
      "POLYLINE 1,1 2,3 4,1",
      "[2] " + wfont, "SELECT [2]",
      "SETTEXTCOLOR ff0000", "SETBKCOLOR 00ffff", "SETBKMODE 2",
      "TEXT 3,4 Ab",
      "SETBKMODE 1",
      "TEXT 3,40 Ab",
      "PEN [3] style=5 width=1 000000", "SELECT [3]", "DELETE [0]",
      "BRUSH [0] style=0 00ffff hatch=0", "SELECT [0]", "DELETE [1]",
      "POLYGON 30,30 35,30 35,33 30,33",
      "POLYGON 32767,0 32767,0 32767,-32768",
      "RESTOREDC -1", "DELETE [0]", "DELETE [2]", "DELETE [3]",
      "EOF"}));
  CheckEmf(c.EmfBytes(), 100, 50);
  CheckWmf(c.WmfBytes(), 100, 50);

  // Every kind of record is understood by both readers.
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const ReaderRun e = ConvertEmf(dir, "tools", c.EmfBytes());
  EXPECT_TRUE(e.ok) << e.log;
  const ReaderRun w = ConvertWmf(dir, "tools", c.WmfBytes());
  EXPECT_TRUE(w.ok) << w.log;
}

TEST(MetafileCanvas, EmptyPictureIsStillAWholeFile) {
  MetafileCanvas c(140, 30);
  CheckEmf(c.EmfBytes(), 140, 30);
  CheckWmf(c.WmfBytes(), 140, 30);
  EXPECT_EQ(EmfSummary(c.EmfBytes()), (std::vector<std::string>{"SAVEDC", "SETTEXTALIGN 0", "RESTOREDC -1", "EOF"}));
  // libwmf takes the picture's size from what is drawn and refuses an empty one, so
  // only the EMF reader is asked here.
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const ReaderRun e = ConvertEmf(dir, "empty", c.EmfBytes());
  EXPECT_TRUE(e.ok) << e.log;
}

TEST(MetafileCanvas, OutputIsDeterministic) {
  const Sample& s = kSamples[0];
  EXPECT_EQ(PaintMetafile(s, true), PaintMetafile(s, true));
  EXPECT_EQ(PaintMetafile(s, false), PaintMetafile(s, false));
  TksBarcodeComponent bc;
  MetafileCanvas c(s.width, s.height);
  PaintBarCode(bc, c, {0, 0, s.width, s.height});
  EXPECT_EQ(c.EmfBytes(), c.EmfBytes());
}

// Text is UTF-16 in EMF; in WMF it is one byte per character in Windows-1250 (or
// Windows-1252 for a font of the ANSI charset), '?' where the code page has no such
// character. glibc's iconv tables are the reference.
TEST(MetafileCanvas, TextEncodings) {
  std::u16string text;
  auto range = [&](char16_t a, char16_t b) {
    for (char16_t c = a; c <= b; ++c) text += c;
  };
  range(0x20, 0x7E);
  range(0xA0, 0x2FF);
  range(0x2013, 0x2022);
  text += u"\u2026\u2030\u2039\u203A\u20AC\u2122\u0410\u6F22";
  text += u"\U0001F600";  // a surrogate pair: one character

  struct Row {
    int charset;
    const char* codePage;
    int writtenCharset;
  };
  for (const Row& row : {Row{1, "CP1250", 238}, Row{238, "CP1250", 238}, Row{0, "CP1252", 0}}) {
    SCOPED_TRACE(row.codePage + std::string(" charset ") + std::to_string(row.charset));
    MetafileCanvas c(400, 40);
    c.Font.SetCharset(row.charset);
    c.TextOut(0, 0, text);
    const int width = c.TextWidth(text);

    std::string expected;
    iconv_t cd = iconv_open(row.codePage, "UTF-16LE");
    ASSERT_NE(cd, reinterpret_cast<iconv_t>(-1));
    for (size_t i = 0; i < text.size(); ++i) {
      if (text[i] >= 0xD800 && text[i] <= 0xDBFF) {
        expected += '?';
        ++i;
        continue;
      }
      char in[2] = {static_cast<char>(text[i] & 0xFF), static_cast<char>(text[i] >> 8)};
      char out[8];
      char* ip = in;
      char* op = out;
      size_t il = 2, ol = sizeof out;
      iconv(cd, nullptr, nullptr, nullptr, nullptr);
      const size_t rc = iconv(cd, &ip, &il, &op, &ol);
      expected += (rc == static_cast<size_t>(-1) || op - out != 1) ? '?' : out[0];
    }
    iconv_close(cd);

    std::string bytes;
    std::vector<int> dx;
    const std::vector<std::string> lines = WmfSummary(c.WmfBytes(), &bytes, &dx);
    EXPECT_EQ(bytes, expected);
    ASSERT_EQ(dx.size(), bytes.size());
    int sum = 0;
    for (int d : dx) sum += d;
    EXPECT_EQ(sum, width);
    const auto font = std::find_if(lines.begin(), lines.end(), [](const std::string& l) { return l.find("FONT ") != std::string::npos; });
    ASSERT_NE(font, lines.end());
    EXPECT_NE(font->find(" cs=" + std::to_string(row.writtenCharset) + " "), std::string::npos) << *font;

    const std::string emf = c.EmfBytes();
    for (const Record& r : EmfRecords(emf)) {
      if (r.type != 84) continue;
      EXPECT_EQ(EmfText(emf, r), text);
      const std::vector<int> edx = EmfDx(emf, r);
      ASSERT_EQ(edx.size(), text.size());
      EXPECT_EQ(edx.back(), 0) << "the low half of a pair advances nothing";
      sum = 0;
      for (int d : edx) sum += d;
      EXPECT_EQ(sum, width);
    }
  }
}

// Layouts agree with the raster canvas only if text is measured alike.
TEST(MetafileCanvas, MeasuresTextLikeTheRasterCanvas) {
  struct Row {
    const char* face;
    int height;
    TFontStyles style;
    int charWidth;
  };
  const Row rows[] = {
      {"Arial", -13, 0, 0},
      {"Arial", -27, 1u << fsBold, 0},
      {"Arial", -16, 0, 5},
      {"Liberation Serif", 20, 1u << fsItalic, 0},
  };
  QImage img(10, 10, QImage::Format_RGB32);
  QPainter painter(&img);
  QtCanvas raster(&painter);
  MetafileCanvas meta(10, 10);
  for (const Row& r : rows) {
    SCOPED_TRACE(std::string(r.face) + " " + std::to_string(r.height));
    for (Canvas* c : {static_cast<Canvas*>(&raster), static_cast<Canvas*>(&meta)}) {
      c->Font.SetName(r.face);
      c->Font.SetHeight(r.height);
      c->Font.SetStyle(r.style);
      c->Font.CharWidth = r.charWidth;
    }
    for (const std::u16string& t : {std::u16string(u"4006381333931"), std::u16string(u"Příliš žluťoučký kůň")}) {
      EXPECT_EQ(meta.TextWidth(t), raster.TextWidth(t));
      EXPECT_EQ(meta.TextHeight(t), raster.TextHeight(t));
    }
    EXPECT_EQ(meta.AverageCharWidth(), raster.AverageCharWidth());
  }
}

int main(int argc, char** argv) {
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
