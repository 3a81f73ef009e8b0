// Independent readers for the image files the tests write: ImageMagick (/usr/bin/convert)
// and Qt's own readers, a pixel comparison, and a PNG chunk reader that inflates the
// image data with zlib and checks every chunk's CRC.
#pragma once

#include <QImage>
#include <QString>
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>
#include <zlib.h>

namespace ks::testing_images {

// The standard output of a shell command; empty when it fails.
inline std::string RunCommand(const std::string& command) {
  std::string out;
  FILE* p = popen(command.c_str(), "r");
  if (!p) return out;
  char buffer[65536];
  for (size_t n; (n = fread(buffer, 1, sizeof buffer, p)) > 0;) out.append(buffer, n);
  return pclose(p) == 0 ? out : std::string();
}

// A binary PPM (P6, maxval 255) as ImageMagick writes it, from `pos` on; `pos` moves past
// it, so images written one after the other are read in turn.
inline QImage ParsePpm(const std::string& data, size_t& pos) {
  std::string field[4];
  for (std::string& f : field) {
    while (pos < data.size() && std::isspace(static_cast<unsigned char>(data[pos]))) ++pos;
    const size_t start = pos;
    while (pos < data.size() && !std::isspace(static_cast<unsigned char>(data[pos]))) ++pos;
    f = data.substr(start, pos - start);
  }
  ++pos;
  if (field[0] != "P6" || field[3] != "255") return {};
  const int w = std::stoi(field[1]), h = std::stoi(field[2]);
  if (pos > data.size() || data.size() - pos < static_cast<size_t>(w) * h * 3) return {};
  QImage img(w, h, QImage::Format_RGB32);
  const auto* p = reinterpret_cast<const unsigned char*>(data.data() + pos);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x, p += 3) img.setPixel(x, y, qRgb(p[0], p[1], p[2]));
  }
  pos += static_cast<size_t>(w) * h * 3;
  return img;
}

inline QImage ParsePpm(const std::string& data) {
  size_t pos = 0;
  return ParsePpm(data, pos);
}

inline QImage ReadWithImageMagick(const std::string& path) {
  return ParsePpm(RunCommand("/usr/bin/convert '" + path + "' -depth 8 ppm:- 2>/dev/null"));
}

// Several files read by one run of ImageMagick, in order; an image is null where a file
// cannot be read.
inline std::vector<QImage> ReadAllWithImageMagick(const std::vector<std::string>& paths) {
  std::string command = "/usr/bin/convert";
  for (const std::string& p : paths) command += " '" + p + "'";
  const std::string data = RunCommand(command + " -depth 8 ppm:- 2>/dev/null");
  std::vector<QImage> images;
  size_t pos = 0;
  for (size_t i = 0; i < paths.size(); ++i) images.push_back(ParsePpm(data, pos));
  return images;
}

inline QImage ReadWithQt(const std::string& path) { return QImage(QString::fromStdString(path)); }

// The largest difference of one colour channel between two images; 256 when the sizes
// differ or either image is missing.
inline int MaxChannelDifference(const QImage& a, const QImage& b) {
  if (a.isNull() || b.isNull() || a.size() != b.size()) return 256;
  int worst = 0;
  for (int y = 0; y < a.height(); ++y) {
    for (int x = 0; x < a.width(); ++x) {
      const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
      worst = std::max({worst, std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                        std::abs(qBlue(p) - qBlue(q))});
    }
  }
  return worst;
}

inline uint32_t Be32(const std::string& s, size_t at) {
  uint32_t v = 0;
  for (int i = 0; i < 4; ++i) v = v << 8 | static_cast<unsigned char>(s[at + i]);
  return v;
}

struct PngContent {
  std::string ihdr;
  std::string plte;
  std::string pixels;  // inflated image data: a filter byte before every row
  bool crcsGood = true;
  int Width() const { return ihdr.size() == 13 ? static_cast<int>(Be32(ihdr, 0)) : 0; }
  int Height() const { return ihdr.size() == 13 ? static_cast<int>(Be32(ihdr, 4)) : 0; }
  int BitDepth() const { return ihdr.size() == 13 ? ihdr[8] : 0; }
  int ColourType() const { return ihdr.size() == 13 ? ihdr[9] : -1; }
};

inline PngContent ParsePng(const std::string& png) {
  PngContent c;
  std::string idat;
  for (size_t at = 8; at + 12 <= png.size();) {
    const uint32_t length = Be32(png, at);
    if (length > png.size() - at - 12) {
      c.crcsGood = false;
      break;
    }
    const std::string type = png.substr(at + 4, 4);
    const uLong crc = crc32(0, reinterpret_cast<const Bytef*>(png.data() + at + 4), length + 4);
    if (crc != Be32(png, at + 8 + length)) c.crcsGood = false;
    if (type == "IHDR") c.ihdr = png.substr(at + 8, length);
    if (type == "PLTE") c.plte = png.substr(at + 8, length);
    if (type == "IDAT") idat += png.substr(at + 8, length);
    at += 12 + length;
  }
  // Room for the rows IHDR announces and one byte more, so that extra data shows.
  size_t room = size_t{64} << 20;
  if (c.ihdr.size() == 13) {
    const int channels[] = {1, 0, 3, 1, 2, 0, 4};
    const int type = c.ColourType();
    const size_t bits = static_cast<size_t>(c.Width()) * c.BitDepth() * (type >= 0 && type <= 6 ? channels[type] : 4);
    room = static_cast<size_t>(c.Height()) * (1 + (bits + 7) / 8) + 1;
  }
  std::string raw(room, '\0');
  uLongf size = raw.size();
  if (uncompress(reinterpret_cast<Bytef*>(raw.data()), &size, reinterpret_cast<const Bytef*>(idat.data()),
                 idat.size()) == Z_OK) {
    c.pixels = raw.substr(0, size);
  }
  return c;
}

}  // namespace ks::testing_images
