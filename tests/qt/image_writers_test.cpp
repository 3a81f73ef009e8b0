// Raster writers and the atomic file writer. Every file written is read back by
// ImageMagick and by Qt's own image readers, and compared pixel by pixel with the image
// it was made from.
#include "output/image_writers.h"
#include "output/atomic_file.h"
#include "tests/qt/image_readers.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <QSet>
#include <algorithm>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <random>
#include <set>
#include <sched.h>
#include <sstream>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

namespace ks {
namespace {

namespace fs = std::filesystem;

// ---- files and folders ----------------------------------------------------------------

// A fresh folder under the system's temporary folder, removed with its content.
class TempFolder {
 public:
  TempFolder() {
    std::string pattern = (fs::temp_directory_path() / "barvello-writers-XXXXXX").string();
    path_ = mkdtemp(pattern.data());
  }
  ~TempFolder() {
    std::error_code ec;
    fs::remove_all(path_, ec);
  }
  const std::string& path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }

  // The names in the folder, sorted.
  std::vector<std::string> Entries() const {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(path_)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

 private:
  std::string path_;
};

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

void PutFile(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

mode_t ModeOf(const std::string& path) {
  struct stat st {};
  stat(path.c_str(), &st);
  return st.st_mode & 07777;
}

// ---- independent readers (tests/qt/image_readers.h) ------------------------------------

using namespace testing_images;

int CountColours(const QImage& img) {
  QSet<QRgb> colours;
  for (int y = 0; y < img.height(); ++y) {
    for (int x = 0; x < img.width(); ++x) colours.insert(img.pixel(x, y) & 0xFFFFFF);
  }
  return static_cast<int>(colours.size());
}

// ---- sample images ---------------------------------------------------------------------

// Bars of a bar pattern, two pixels per module, with a light margin around them.
QImage Bars(QRgb bar, QRgb background) {
  const std::string pattern =
      "10100011010011001001001101100010100011010101000010101000100100111001011010000101";
  QImage img(static_cast<int>(pattern.size()) * 2 + 40, 60, QImage::Format_RGB32);
  img.fill(background);
  for (size_t i = 0; i < pattern.size(); ++i) {
    if (pattern[i] != '1') continue;
    const int x = 20 + 2 * static_cast<int>(i);
    for (int y = 5; y < 55; ++y) img.setPixel(x, y, bar), img.setPixel(x + 1, y, bar);
  }
  return img;
}

// Coloured bars with an antialiased disc over them: a few dozen colours, as a symbol
// with smoothed decorations has.
QImage BarsWithDisc() {
  QImage img = Bars(qRgb(200, 0, 0), qRgb(255, 255, 210));
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0, 60, 200));
  p.drawEllipse(QRectF(60.3, 10.6, 37.2, 37.9));
  return img;
}

// `count` different colours in blocks of 3 x 2 pixels, 16 blocks to a row; the rest of
// the last row stays white.
QImage Blocks(int count) {
  const int rows = (count + 15) / 16;
  QImage img(48, rows * 2, QImage::Format_RGB32);
  img.fill(Qt::white);
  for (int i = 0; i < count; ++i) {
    const QRgb c = qRgb(i % 7 * 40, i / 7 % 7 * 40, i / 49 * 40 + 1);
    for (int dy = 0; dy < 2; ++dy) {
      for (int dx = 0; dx < 3; ++dx) img.setPixel(i % 16 * 3 + dx, i / 16 * 2 + dy, c);
    }
  }
  return img;
}

// 16384 colours in smooth ramps.
QImage Gradient() {
  QImage img(256, 64, QImage::Format_RGB32);
  for (int y = 0; y < 64; ++y) {
    for (int x = 0; x < 256; ++x) img.setPixel(x, y, qRgb(x, y * 4, 255 - x / 2));
  }
  return img;
}

// Random pixels drawn from `colours` random colours: the hardest case for LZW, whose
// string table fills up and restarts many times.
QImage Noise(int w, int h, int colours, unsigned seed) {
  std::mt19937 rng(seed);
  std::vector<QRgb> palette;
  for (int i = 0; i < colours; ++i) palette.push_back(qRgb(rng() & 255, rng() & 255, rng() & 255));
  QImage img(w, h, QImage::Format_RGB32);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) img.setPixel(x, y, palette[rng() % colours]);
  }
  return img;
}

QImage Solid(int w, int h, QRgb colour) {
  QImage img(w, h, QImage::Format_RGB32);
  img.fill(colour);
  return img;
}

struct Sample {
  std::string name;
  QImage image;
};

// Images of at most 256 colours, which every lossless writer must give back exactly.
std::vector<Sample> PaletteSamples() {
  return {
      {"bars", Bars(qRgb(0, 0, 0), qRgb(255, 255, 255))},
      {"bars-with-disc", BarsWithDisc()},
      {"one-pixel", Solid(1, 1, qRgb(12, 34, 56))},
      {"long-run", Solid(1500, 40, qRgb(255, 255, 255))},
      {"odd-width-3", Noise(3, 5, 2, 1)},
      {"odd-width-5", Noise(5, 2, 7, 2)},
      {"two-colour-noise", Noise(200, 150, 2, 3)},
      {"256-colours", Blocks(256)},
      {"256-colour-noise", Noise(320, 240, 256, 4)},
  };
}

const char* Extension(ImageKind kind) {
  switch (kind) {
    case ImageKind::Bmp: return ".bmp";
    case ImageKind::Gif: return ".gif";
    case ImageKind::Png: return ".png";
    case ImageKind::Jpeg: return ".jpg";
  }
  return "";
}

std::string KindLabel(const testing::TestParamInfo<ImageKind>& info) { return Extension(info.param) + 1; }

// ---- round trips ------------------------------------------------------------------------

class LosslessWriter : public testing::TestWithParam<ImageKind> {};

TEST_P(LosslessWriter, EveryPixelReadsBackExactly) {
  TempFolder dir;
  std::vector<Sample> samples = PaletteSamples();
  if (GetParam() != ImageKind::Gif) samples.push_back({"gradient", Gradient()});  // true colour
  for (const Sample& s : samples) {
    SCOPED_TRACE(s.name);
    const std::string path = dir / (s.name + Extension(GetParam()));
    std::string error;
    ASSERT_TRUE(WriteImageFile(s.image, GetParam(), path, error)) << error;
    EXPECT_EQ(MaxChannelDifference(s.image, ReadWithImageMagick(path)), 0);
    EXPECT_EQ(MaxChannelDifference(s.image, ReadWithQt(path)), 0);
  }
  EXPECT_EQ(dir.Entries().size(), samples.size());  // no temporaries left behind
}

INSTANTIATE_TEST_SUITE_P(Kinds, LosslessWriter, testing::Values(ImageKind::Bmp, ImageKind::Png, ImageKind::Gif),
                         KindLabel);

TEST(JpegWriter, ReadsBackCloseAtQualityHundredWithoutSubsampling) {
  TempFolder dir;
  std::vector<Sample> samples = PaletteSamples();
  samples.push_back({"gradient", Gradient()});
  for (const Sample& s : samples) {
    SCOPED_TRACE(s.name);
    const std::string path = dir / (s.name + ".jpg");
    std::string error;
    ASSERT_TRUE(WriteImageFile(s.image, ImageKind::Jpeg, path, error)) << error;
    // At quality 100 without subsampling every channel comes back within a few levels,
    // random noise included.
    EXPECT_LE(MaxChannelDifference(s.image, ReadWithImageMagick(path)), 6);
    EXPECT_LE(MaxChannelDifference(s.image, ReadWithQt(path)), 6);
    EXPECT_EQ(RunCommand("/usr/bin/identify -format '%Q %[jpeg:sampling-factor]' '" + path + "'"),
              "100 1x1,1x1,1x1");
  }
}

// ---- BMP ---------------------------------------------------------------------------------

uint32_t Le(const std::string& s, size_t at, int bytes) {
  uint32_t v = 0;
  for (int i = bytes - 1; i >= 0; --i) v = v << 8 | static_cast<unsigned char>(s[at + i]);
  return v;
}

TEST(BmpWriter, TwentyFourBitBottomUpRowsPaddedToFourBytes) {
  QImage img(3, 2, QImage::Format_RGB32);
  img.setPixel(0, 0, qRgb(1, 2, 3));
  img.setPixel(1, 0, qRgb(4, 5, 6));
  img.setPixel(2, 0, qRgb(7, 8, 9));
  img.setPixel(0, 1, qRgb(10, 11, 12));
  img.setPixel(1, 1, qRgb(13, 14, 15));
  img.setPixel(2, 1, qRgb(16, 17, 18));
  std::string bmp;
  ASSERT_TRUE(EncodeBmp(img, bmp));
  ASSERT_EQ(bmp.size(), 54u + 2 * 12);
  EXPECT_EQ(bmp.substr(0, 2), "BM");
  EXPECT_EQ(Le(bmp, 2, 4), bmp.size());
  EXPECT_EQ(Le(bmp, 10, 4), 54u);  // pixels follow the two headers
  EXPECT_EQ(Le(bmp, 14, 4), 40u);  // BITMAPINFOHEADER
  EXPECT_EQ(Le(bmp, 18, 4), 3u);
  EXPECT_EQ(Le(bmp, 22, 4), 2u);   // positive height: bottom-up
  EXPECT_EQ(Le(bmp, 28, 2), 24u);
  EXPECT_EQ(Le(bmp, 30, 4), 0u);   // uncompressed
  // The bottom row comes first, blue-green-red, then three bytes of padding.
  EXPECT_EQ(bmp.substr(54), std::string("\x0c\x0b\x0a\x0f\x0e\x0d\x12\x11\x10\0\0\0"
                                        "\x03\x02\x01\x06\x05\x04\x09\x08\x07\0\0\0", 24));
}

// ---- GIF ---------------------------------------------------------------------------------

TEST(GifWriter, PaletteIsExactUpTo256Colours) {
  struct Case {
    std::string name;
    QImage image;
    int tableSize;     // entries of the global colour table
    int minCodeSize;   // LZW minimum code size
  };
  const std::vector<Case> cases = {
      {"one colour", Solid(4, 4, qRgb(9, 9, 9)), 2, 2},
      {"black and white bars", Bars(qRgb(0, 0, 0), qRgb(255, 255, 255)), 2, 2},
      {"five colours and white", Blocks(5), 8, 3},
      {"256 colours", Blocks(256), 256, 8},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string gif;
    ASSERT_TRUE(EncodeGif(c.image, gif));
    EXPECT_EQ(gif.substr(0, 6), "GIF89a");
    const int packed = static_cast<unsigned char>(gif[10]);
    EXPECT_EQ(packed & 0x80, 0x80);
    EXPECT_EQ(2 << (packed & 7), c.tableSize);
    const size_t descriptor = 13 + 3 * c.tableSize;
    EXPECT_EQ(gif[descriptor], ',');
    EXPECT_EQ(static_cast<int>(gif[descriptor + 10]), c.minCodeSize);
    EXPECT_EQ(gif.back(), ';');
    // Every colour of the image is in the table.
    std::set<QRgb> table;
    for (int i = 0; i < c.tableSize; ++i) {
      const auto* e = reinterpret_cast<const unsigned char*>(gif.data() + 13 + 3 * i);
      table.insert(qRgb(e[0], e[1], e[2]) & 0xFFFFFF);
    }
    for (int y = 0; y < c.image.height(); ++y) {
      for (int x = 0; x < c.image.width(); ++x) ASSERT_TRUE(table.count(c.image.pixel(x, y) & 0xFFFFFF));
    }
  }
}

TEST(GifWriter, OverTwoHundredFiftySixColoursReduceThePaletteAndReadBackClose) {
  struct Case {
    std::string name;
    QImage image;
    int tolerance;
  };
  const std::vector<Case> cases = {
      {"257 colours and white", Blocks(257), 20},  // two pairs 40 apart must share entries
      {"smooth ramps", Gradient(), 12},
      {"random colours", Noise(64, 64, 4096, 5), 48},
  };
  TempFolder dir;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = dir / "reduced.gif";
    std::string error;
    ASSERT_TRUE(WriteImageFile(c.image, ImageKind::Gif, path, error)) << error;
    EXPECT_EQ(static_cast<unsigned char>(ReadFile(path)[10]) & 7, 7);  // 256-entry table
    const QImage back = ReadWithImageMagick(path);
    EXPECT_LE(MaxChannelDifference(c.image, back), c.tolerance);
    EXPECT_LE(CountColours(back), 256);
    EXPECT_EQ(MaxChannelDifference(back, ReadWithQt(path)), 0);
  }
}

// Decodes the image data of a single-image GIF strictly: every code must be defined or
// the next one to be defined, and the code after the last pixel must be the end code at
// the width the encoder had to use. Many readers stop at the last pixel and would not
// notice a wrong width there. Returns the palette indexes, or an empty vector with `why`.
std::vector<uint8_t> DecodeGifStrictly(const std::string& gif, std::string& why) {
  const int tableSize = 2 << (static_cast<unsigned char>(gif[10]) & 7);
  size_t at = 13 + 3 * tableSize;
  const size_t pixelCount = static_cast<size_t>(Le(gif, at + 5, 2)) * Le(gif, at + 7, 2);
  at += 10;
  const int minCodeSize = gif[at++];
  std::string data;
  while (at < gif.size() && gif[at] != 0) {
    const size_t length = static_cast<unsigned char>(gif[at]);
    data += gif.substr(at + 1, length);
    at += 1 + length;
  }
  size_t bit = 0;
  auto read = [&](int width) -> int {
    if (bit + width > data.size() * 8) return -1;
    int code = 0;
    for (int i = 0; i < width; ++i, ++bit) code |= (data[bit / 8] >> (bit % 8) & 1) << i;
    return code;
  };

  const int clearCode = 1 << minCodeSize, endCode = clearCode + 1;
  // table[code] is the string of a code; the single-index strings come first.
  std::vector<std::vector<uint8_t>> table(4096);
  for (int i = 0; i < clearCode; ++i) table[i] = {static_cast<uint8_t>(i)};
  int width = minCodeSize + 1, next = clearCode + 2, prev = -1;
  std::vector<uint8_t> pixels;
  for (;;) {
    const int code = read(width);
    if (code < 0) return why = "data ends without an end code", std::vector<uint8_t>{};
    if (pixels.size() == pixelCount && code != endCode && code != clearCode) {
      return why = "code " + std::to_string(code) + " after the last pixel", std::vector<uint8_t>{};
    }
    if (code == endCode) break;
    if (code == clearCode) {
      width = minCodeSize + 1, next = clearCode + 2, prev = -1;
      continue;
    }
    std::vector<uint8_t> entry;
    if (code < clearCode || (code > endCode && code < next)) {
      entry = table[code];
    } else if (code == next && prev >= 0) {
      entry = table[prev];
      entry.push_back(entry[0]);
    } else {
      return why = "undefined code " + std::to_string(code), std::vector<uint8_t>{};
    }
    if (prev >= 0 && next < 4096) {
      table[next] = table[prev];
      table[next].push_back(entry[0]);
      if (++next == (1 << width) && width < 12) ++width;
    }
    pixels.insert(pixels.end(), entry.begin(), entry.end());
    prev = code;
  }
  if (pixels.size() != pixelCount) return why = "wrong pixel count", std::vector<uint8_t>{};
  return pixels;
}

TEST(GifWriter, CodeStreamDecodesStrictly) {
  std::vector<Sample> samples = PaletteSamples();
  // Widths from 1 to 64 end the code stream at every point of the width steps.
  for (int w = 1; w <= 64; ++w) samples.push_back({"noise " + std::to_string(w), Noise(w, 3, 3, 10 + w)});
  for (const Sample& s : samples) {
    SCOPED_TRACE(s.name);
    std::string gif, why;
    ASSERT_TRUE(EncodeGif(s.image, gif));
    const std::vector<uint8_t> indexes = DecodeGifStrictly(gif, why);
    ASSERT_FALSE(indexes.empty()) << why;
    for (int y = 0, i = 0; y < s.image.height(); ++y) {
      for (int x = 0; x < s.image.width(); ++x, ++i) {
        const auto* e = reinterpret_cast<const unsigned char*>(gif.data() + 13 + 3 * indexes[i]);
        ASSERT_EQ(qRgb(e[0], e[1], e[2]), s.image.pixel(x, y)) << "pixel " << x << "," << y;
      }
    }
  }
}

// ---- PNG ---------------------------------------------------------------------------------

TEST(PngWriter, TrueColourWithoutAlpha) {
  std::string png;
  ASSERT_TRUE(EncodePng(BarsWithDisc(), png));
  EXPECT_EQ(png.substr(0, 8), std::string("\x89PNG\r\n\x1a\n", 8));
  const PngContent c = ParsePng(png);
  EXPECT_TRUE(c.crcsGood);
  ASSERT_EQ(c.ihdr.size(), 13u);
  EXPECT_EQ(Be32(c.ihdr, 0), static_cast<uint32_t>(BarsWithDisc().width()));
  EXPECT_EQ(Be32(c.ihdr, 4), 60u);
  EXPECT_EQ(c.ihdr[8], 8);   // bits per channel
  EXPECT_EQ(c.ihdr[9], 2);   // RGB, no alpha
  EXPECT_EQ(c.ihdr[12], 0);  // not interlaced
}

TEST(PngWriter, RowFilterFollowsTheContent) {
  // A row repeating the one above costs nothing with Up; rows of one colour that step
  // slowly down the image cost least with Sub.
  QImage steps(400, 30, QImage::Format_RGB32);
  for (int y = 0; y < 30; ++y) {
    for (int x = 0; x < 400; ++x) steps.setPixel(x, y, qRgb(y, 2 * y, 3 * y));
  }
  struct Case {
    std::string name;
    QImage image;
    int filter;  // expected for every row after the first
  };
  const std::vector<Case> cases = {
      {"bars", Bars(qRgb(0, 0, 0), qRgb(255, 255, 255)).copy(0, 5, 200, 50), 2},
      {"identical rows of noise", Noise(100, 1, 50, 6).scaled(100, 20), 2},
      {"black rows, where None costs nothing too", Solid(50, 10, qRgb(0, 0, 0)), 2},
      {"one-colour rows stepping", steps, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string png;
    ASSERT_TRUE(EncodePng(c.image, png));
    const PngContent content = ParsePng(png);
    const size_t rowBytes = 1 + 3 * static_cast<size_t>(c.image.width());
    ASSERT_EQ(content.pixels.size(), rowBytes * c.image.height());
    for (int y = 1; y < c.image.height(); ++y) EXPECT_EQ(content.pixels[y * rowBytes], c.filter) << "row " << y;
  }
}

TEST(PngWriter, RepeatedRowsReadBackExactlyAndCostLittle) {
  // Barcode-shaped images: long runs of rows that repeat the row above between rows that
  // do not, rows wider than the 32 KiB the compressed data may look back, a single row.
  auto stack = [](const std::vector<std::pair<QImage, int>>& parts) {
    int w = parts.front().first.width(), h = 0;
    for (const auto& [img, times] : parts) h += img.height() * times;
    QImage out(w, h, QImage::Format_RGB32);
    QPainter p(&out);
    int y = 0;
    for (const auto& [img, times] : parts)
      for (int i = 0; i < times; ++i, y += img.height()) p.drawImage(0, y, img);
    return out;
  };
  const QImage bars = Bars(qRgb(0, 0, 0), qRgb(255, 255, 255));
  const QImage barRow = bars.copy(0, 10, bars.width(), 1);
  struct Case {
    std::string name;
    QImage image;
    size_t maxBytes;  // 0: no limit; a deflate copy covers 258 bytes at most
  };
  const std::vector<Case> cases = {
      {"one bar row 3000 times", stack({{barRow, 3000}}), 3000 * (3 * static_cast<size_t>(barRow.width()) / 258 + 1)},
      {"runs between noise rows",
       stack({{Noise(bars.width(), 2, 256, 8), 1}, {barRow, 700}, {Noise(bars.width(), 3, 5, 9), 1}, {barRow, 2}}), 0},
      {"rows wider than the window", stack({{Noise(12000, 1, 2, 10), 1}, {Noise(12000, 1, 2, 10), 40}}), 0},
      {"many rows that all differ", Noise(3000, 60, 4, 18), 0},
      {"rows just inside the window", stack({{Noise(10922, 1, 2, 12), 3}, {Noise(10922, 1, 256, 13), 1}}), 0},
      {"one-pixel columns that repeat", stack({{Noise(1, 1, 256, 14), 5}, {Noise(1, 1, 256, 15), 2}}), 0},
      {"two-pixel columns, a repeat at the end", stack({{Noise(2, 3, 256, 16), 1}, {Noise(2, 1, 256, 17), 2}}), 0},
      {"a single row", Noise(77, 1, 256, 11), 0},
      {"a single pixel", Solid(1, 1, qRgb(9, 8, 7)), 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string png;
    ASSERT_TRUE(EncodePng(c.image, png));
    QImage back;
    ASSERT_TRUE(back.loadFromData(reinterpret_cast<const uchar*>(png.data()), static_cast<int>(png.size()), "PNG"));
    EXPECT_EQ(MaxChannelDifference(c.image, back), 0);
    if (c.maxBytes > 0) {
      EXPECT_LE(png.size(), c.maxBytes);
    }
  }
}

// ---- PNG: the smallest exact form ----------------------------------------------------------

// Columns of the given grey levels in turn, `width` pixels wide, four rows of which the
// last two repeat the second.
QImage Greys(const std::vector<int>& levels, int width) {
  QImage img(width, 4, QImage::Format_RGB32);
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < width; ++x) {
      const int v = levels[(x + std::min(y, 1)) % levels.size()];
      img.setPixel(x, y, qRgb(v, v, v));
    }
  }
  return img;
}

std::vector<int> Steps(int count, int step) {
  std::vector<int> levels;
  for (int i = 0; i < count; ++i) levels.push_back(i * step);
  return levels;
}

// Writes `image` in its smallest form as `path` and checks the file: chunks, the form, the
// palette and every pixel as Qt reads it. ImageMagick reads the files afterwards, many in
// one run.
void ExpectSmallestForm(const QImage& image, int colourType, int bitDepth, const std::string& path) {
  std::string png;
  ASSERT_TRUE(EncodePng(image, png, pfSmallest));
  const PngContent c = ParsePng(png);
  EXPECT_TRUE(c.crcsGood);
  EXPECT_EQ(c.ColourType(), colourType);
  EXPECT_EQ(c.BitDepth(), bitDepth);
  // A palette lists each colour once; it is there for colour type 3 only.
  if (colourType == 3) {
    EXPECT_EQ(static_cast<int>(c.plte.size()), 3 * CountColours(image));
  } else {
    EXPECT_TRUE(c.plte.empty());
  }
  const int bitsPerPixel = bitDepth * (colourType == 2 ? 3 : 1);
  EXPECT_EQ(c.pixels.size(), (1 + (static_cast<size_t>(image.width()) * bitsPerPixel + 7) / 8) * image.height());
  std::string error;
  ASSERT_TRUE(WriteImageFile(image, ImageKind::Png, path, error, pfSmallest)) << error;
  EXPECT_EQ(ReadFile(path), png);
  EXPECT_EQ(MaxChannelDifference(image, ReadWithQt(path)), 0);
}

// Every file as ImageMagick reads it is exactly its image.
void ExpectImageMagickReads(const std::vector<std::pair<std::string, QImage>>& files) {
  std::vector<std::string> paths;
  for (const auto& f : files) paths.push_back(f.first);
  const std::vector<QImage> read = ReadAllWithImageMagick(paths);
  for (size_t i = 0; i < files.size(); ++i) EXPECT_EQ(MaxChannelDifference(files[i].second, read[i]), 0) << paths[i];
}

TEST(PngWriter, SmallestFormHoldsTheColoursInTheFewestBits) {
  const QRgb white = qRgb(255, 255, 255), black = qRgb(0, 0, 0);
  const auto stack = [](const QImage& top, const QImage& bottom) {
    QImage out(top.width(), top.height() + bottom.height(), QImage::Format_RGB32);
    QPainter p(&out);
    p.drawImage(0, 0, top);
    p.drawImage(0, top.height(), bottom);
    return out;
  };
  struct Case {
    std::string name;
    QImage image;
    int colourType;  // 0 grey, 2 true colour, 3 palette
    int bitDepth;
  };
  const std::vector<Case> cases = {
      {"one white pixel", Solid(1, 1, white), 0, 1},
      {"black bars on white", Bars(black, white), 0, 1},
      {"one colour that is not a grey level of 1 bit", Solid(5, 3, qRgb(12, 34, 56)), 3, 1},
      {"one grey that only 8 bits hold: a palette of 1 bit is smaller", Solid(5, 3, qRgb(9, 9, 9)), 3, 1},
      {"red bars on yellow", Bars(qRgb(200, 0, 0), qRgb(255, 255, 210)), 3, 1},
      {"greys 0, 85, 170, 255", Greys({0, 85, 170, 255}, 9), 0, 2},
      {"greys 0, 128, 255: 2 bits of palette, not 8 of grey", Greys({0, 128, 255}, 9), 3, 2},
      {"three colours", Blocks(2), 3, 2},
      {"16 greys, multiples of 17", Greys(Steps(16, 17), 21), 0, 4},
      {"five colours", Blocks(4), 3, 4},
      {"16 colours", Blocks(16), 3, 4},
      {"18 colours", Blocks(17), 3, 8},
      {"17 greys", Greys(Steps(17, 15), 19), 0, 8},
      {"antialiased disc on coloured bars", BarsWithDisc(), 3, 8},
      {"256 colours", Blocks(256), 3, 8},
      {"random pixels of up to 256 colours", Noise(256, 3, 256, 19), 3, 8},
      {"257 colours", Blocks(257), 2, 8},
      {"smooth ramps", Gradient(), 2, 8},
      // Runs of over 4 kB of repeated rows, written as blocks of their own; after them the
      // white rows below the bars repeat the white rows above, which zlib must not copy.
      {"wide bars at 1 bit", Bars(black, white).scaled(16000, 30), 0, 1},
      {"wide greys at 8 bits", stack(Greys(Steps(17, 15), 6000), Greys(Steps(17, 15), 6000).scaled(6000, 20)), 0, 8},
  };
  TempFolder dir;
  std::vector<std::pair<std::string, QImage>> files;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    files.emplace_back(dir / (std::to_string(files.size()) + ".png"), c.image);
    ExpectSmallestForm(c.image, c.colourType, c.bitDepth, files.back().first);
  }
  ExpectImageMagickReads(files);
  // The default stays true colour.
  std::string error;
  ASSERT_TRUE(WriteImageFile(Bars(black, white), ImageKind::Png, dir / "default.png", error)) << error;
  EXPECT_EQ(ParsePng(ReadFile(dir / "default.png")).ColourType(), 2);
}

TEST(PngWriter, PackedRowsEndOnEveryBitOfTheLastByte) {
  // Every width from 1 to 17 at 1, 2 and 4 bits a pixel, in grey levels and in palettes.
  struct Form {
    std::vector<QRgb> colours;
    int colourType;
    int bitDepth;
  };
  auto greys = [](const std::vector<int>& levels) {
    std::vector<QRgb> c;
    for (int v : levels) c.push_back(qRgb(v, v, v));
    return c;
  };
  const std::vector<Form> forms = {
      {greys({0, 255}), 0, 1},
      {greys({0, 85, 170, 255}), 0, 2},
      {greys(Steps(16, 17)), 0, 4},
      {{qRgb(1, 2, 3), qRgb(250, 0, 0)}, 3, 1},
      {{qRgb(1, 2, 3), qRgb(250, 0, 0), qRgb(0, 250, 0), qRgb(0, 0, 250)}, 3, 2},
      {{qRgb(1, 2, 3), qRgb(250, 0, 0), qRgb(0, 250, 0), qRgb(0, 0, 250), qRgb(9, 9, 9)}, 3, 4},
  };
  TempFolder dir;
  std::vector<std::pair<std::string, QImage>> files;
  std::mt19937 rng(20);
  for (const Form& f : forms) {
    for (int w = 1; w <= 17; ++w) {
      SCOPED_TRACE("depth " + std::to_string(f.bitDepth) + ", width " + std::to_string(w));
      // Every colour appears once in the first row, whatever the width; random below.
      QImage img(w, 1 + (static_cast<int>(f.colours.size()) + w - 1) / w + 3, QImage::Format_RGB32);
      for (int i = 0; i < img.width() * img.height(); ++i) {
        const size_t k = i < static_cast<int>(f.colours.size()) ? i : rng() % f.colours.size();
        img.setPixel(i % w, i / w, f.colours[k]);
      }
      files.emplace_back(dir / (std::to_string(files.size()) + ".png"), img);
      ExpectSmallestForm(img, f.colourType, f.bitDepth, files.back().first);
    }
  }
  ExpectImageMagickReads(files);
}

// ---- encoder refusals ----------------------------------------------------------------------

TEST(ImageWriters, NullImageIsRefusedAndWritesNothing) {
  TempFolder dir;
  const std::pair<ImageKind, std::string> kinds[] = {
      {ImageKind::Bmp, "BMP"}, {ImageKind::Gif, "GIF"}, {ImageKind::Png, "PNG"}, {ImageKind::Jpeg, "JPEG"}};
  for (const auto& [kind, name] : kinds) {
    const std::string path = dir / (std::string("empty") + Extension(kind));
    std::string error;
    EXPECT_FALSE(WriteImageFile(QImage(), kind, path, error));
    EXPECT_EQ(error, "Cannot encode the image as " + name + " for \"" + path + "\"");
  }
  EXPECT_TRUE(dir.Entries().empty());
}

// ---- atomic writing ------------------------------------------------------------------------

TEST(AtomicFile, NewFileGetsTheBytesAndTheUmaskPermissions) {
  TempFolder dir;
  const mode_t saved = umask(022);
  std::string error;
  const std::string bytes = std::string("\0binary\r\n", 9) + std::string(100000, 'x');
  EXPECT_TRUE(WriteFileAtomic(dir / "new.bin", bytes, error)) << error;
  umask(saved);
  EXPECT_EQ(ReadFile(dir / "new.bin"), bytes);
  EXPECT_EQ(ModeOf(dir / "new.bin"), 0644u);
  EXPECT_EQ(dir.Entries(), std::vector<std::string>{"new.bin"});
}

TEST(AtomicFile, ReplacingKeepsThePermissionsOfTheOldFile) {
  TempFolder dir;
  PutFile(dir / "old.png", "previous content, longer than the new one");
  chmod((dir / "old.png").c_str(), 0640);
  std::string error;
  EXPECT_TRUE(WriteFileAtomic(dir / "old.png", "new", error)) << error;
  EXPECT_EQ(ReadFile(dir / "old.png"), "new");
  EXPECT_EQ(ModeOf(dir / "old.png"), 0640u);
  EXPECT_EQ(dir.Entries(), std::vector<std::string>{"old.png"});
}

TEST(AtomicFile, UnsyncedReplacementIsJustAsAtomicAndTheFolderFlushesAfterwards) {
  TempFolder dir;
  PutFile(dir / "old.png", "previous content");
  chmod((dir / "old.png").c_str(), 0640);
  std::string error;
  EXPECT_TRUE(WriteFileAtomicUnsynced(dir / "old.png", "new", error)) << error;
  EXPECT_TRUE(WriteFileAtomicUnsynced(dir / "other.png", "other", error)) << error;
  EXPECT_EQ(ReadFile(dir / "old.png"), "new");
  EXPECT_EQ(ModeOf(dir / "old.png"), 0640u);
  EXPECT_EQ(dir.Entries(), (std::vector<std::string>{"old.png", "other.png"}));
  EXPECT_TRUE(SyncFolderToDisk(dir.path(), error)) << error;

  EXPECT_FALSE(WriteFileAtomicUnsynced(dir / "missing/x.png", "x", error));
  EXPECT_EQ(error, "Cannot write \"" + (dir / "missing/x.png") + "\": the folder does not exist");
  EXPECT_FALSE(SyncFolderToDisk(dir / "missing", error));
  EXPECT_EQ(error, "Cannot flush \"" + (dir / "missing") + "\" to the disk: the folder does not exist");
}

TEST(AtomicFile, NameWithoutFolderIsWrittenInTheCurrentFolder) {
  TempFolder dir;
  const fs::path previous = fs::current_path();
  fs::current_path(dir.path());
  std::string error;
  const bool ok = WriteFileAtomic("here.gif", "GIF", error);
  fs::current_path(previous);
  EXPECT_TRUE(ok) << error;
  EXPECT_EQ(ReadFile(dir / "here.gif"), "GIF");
  EXPECT_EQ(dir.Entries(), std::vector<std::string>{"here.gif"});
}

TEST(AtomicFile, PathsThatCannotBeWrittenLeaveEverythingAsItWas) {
  TempFolder dir;
  fs::create_directory(dir / "folder");
  PutFile(dir / "folder/inside.txt", "kept");
  PutFile(dir / "plain.txt", "kept too");
  struct Case {
    std::string path;
    std::string error;
  };
  const std::vector<Case> cases = {
      {dir / "missing/out.png", "Cannot write \"" + dir / "missing/out.png" + "\": the folder does not exist"},
      {dir / "folder", "Cannot write \"" + dir / "folder" + "\": the target is a folder"},
      {dir / "folder/", "Cannot write \"" + dir / "folder/" + "\": the target is a folder"},
      {dir / "plain.txt/out.png",
       "Cannot write \"" + dir / "plain.txt/out.png" + "\": a part of the folder path is not a folder"},
      {"", "Cannot write a file without a name"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    std::string error;
    EXPECT_FALSE(WriteFileAtomic(c.path, "bytes", error));
    EXPECT_EQ(error, c.error);
  }
  EXPECT_EQ(dir.Entries(), (std::vector<std::string>{"folder", "plain.txt"}));
  EXPECT_EQ(ReadFile(dir / "folder/inside.txt"), "kept");
  EXPECT_EQ(ReadFile(dir / "plain.txt"), "kept too");
}

// Runs `body` in a child process so that mounts and resource limits stay there. The
// body returns "" when its checks pass, "skip: why" when the machine does not allow the
// set-up, or a description of what failed.
std::string InChildProcess(const std::function<std::string()>& body) {
  int fds[2];
  if (pipe(fds) != 0) return "pipe failed";
  const pid_t pid = fork();
  if (pid == 0) {
    close(fds[0]);
    const std::string result = body();
    if (!result.empty() && write(fds[1], result.data(), result.size()) < 0) _exit(2);
    _exit(0);
  }
  close(fds[1]);
  std::string result;
  char buffer[512];
  for (ssize_t n; (n = read(fds[0], buffer, sizeof buffer)) > 0;) result.append(buffer, static_cast<size_t>(n));
  close(fds[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) result += " (child process did not end normally)";
  return result;
}

// In the child: puts a small tmpfs of its own over `folder`.
std::string MountSmallTmpfs(const std::string& folder) {
  if (unshare(CLONE_NEWNS) != 0) return "skip: no private mount namespace here";
  if (mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) return "skip: mounts cannot be made private";
  if (mount("tmpfs", folder.c_str(), "tmpfs", 0, "size=64k") != 0) return "skip: tmpfs cannot be mounted";
  return "";
}

TEST(AtomicFile, FailedWriteKeepsTheOldFileAndLeavesNoTemporary) {
  struct Case {
    std::string name;
    bool ownTmpfs;                                     // a 64 KiB tmpfs over the folder
    std::function<void(const std::string&)> restrict;  // applied once the old file exists
    std::string reason;
  };
  const std::vector<Case> cases = {
      {"disk full", true, [](const std::string&) {}, "the disk is full"},
      {"read-only file system", true,
       [](const std::string& folder) {
         mount("tmpfs", folder.c_str(), "tmpfs", MS_REMOUNT | MS_RDONLY, "size=64k");
       },
       "the folder is on a read-only file system"},
      {"file size limit", false,
       [](const std::string&) {
         signal(SIGXFSZ, SIG_IGN);
         rlimit limit{};
         getrlimit(RLIMIT_FSIZE, &limit);
         limit.rlim_cur = 4096;
         setrlimit(RLIMIT_FSIZE, &limit);
       },
       "the file is too large"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempFolder dir;
    const std::string target = dir / "label.png";
    const std::string result = InChildProcess([&]() -> std::string {
      if (c.ownTmpfs) {
        if (std::string why = MountSmallTmpfs(dir.path()); !why.empty()) return why;
      }
      PutFile(target, "old picture");
      c.restrict(dir.path());
      std::string error;
      if (WriteFileAtomic(target, std::string(256 * 1024, 'n'), error)) return "the write succeeded";
      std::string failures;
      if (error != "Cannot write \"" + target + "\": " + c.reason) failures += "error text: " + error + "; ";
      if (ReadFile(target) != "old picture") failures += "old file changed; ";
      if (dir.Entries() != std::vector<std::string>{"label.png"}) failures += "temporary left behind; ";
      return failures;
    });
    if (result.rfind("skip:", 0) == 0) {
      std::cout << c.name << ": " << result << "\n";
      continue;
    }
    EXPECT_EQ(result, "");
  }
}

TEST(AtomicFile, ImageWriteFailureKeepsTheOldImage) {
  TempFolder dir;
  fs::create_directory(dir / "sub");
  PutFile(dir / "sub/old.png", "old");
  std::string error;
  EXPECT_FALSE(WriteImageFile(Bars(qRgb(0, 0, 0), qRgb(255, 255, 255)), ImageKind::Png, dir / "sub", error));
  EXPECT_EQ(error, "Cannot write \"" + dir / "sub" + "\": the target is a folder");
  EXPECT_EQ(ReadFile(dir / "sub/old.png"), "old");
}

}  // namespace
}  // namespace ks

// No Qt application object: the writers and Qt's image readers need none, and without
// one the process has no other threads when the atomic-write tests fork.
int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
