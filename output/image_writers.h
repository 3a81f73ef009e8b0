// Encoders for raster image files and the atomic file writer they use. Images come in
// as QImage (Format_RGB32, opaque); files are written to a temporary name in the target
// folder and renamed into place, so a failure never leaves a half-written file and
// never destroys an existing one.
#pragma once

#include <QImage>
#include <cstdint>
#include <string>

#include "output/atomic_file.h"

namespace ks {

enum class ImageKind { Bmp, Gif, Png, Jpeg };

// How a PNG file holds its pixels. pfTrueColor: 8 bits for each of red, green and blue,
// whatever the image. pfSmallest: the smallest exact form. An image of at most 256
// colours is written with a palette of its own colours, or as grey levels when every
// colour is a grey and that takes no more bits a pixel, at 1, 2, 4 or 8 bits a pixel,
// whichever holds them; an image of more colours in true colour. Either way a reader
// gets the same red, green and blue values for every pixel.
enum TksPngFormat : uint8_t { pfTrueColor, pfSmallest };

// Encoders: true on success; `out` receives the complete file.
bool EncodeBmp(const QImage& img, std::string& out);
bool EncodeGif(const QImage& img, std::string& out);
bool EncodePng(const QImage& img, std::string& out, TksPngFormat format = pfTrueColor);
bool EncodeJpeg(const QImage& img, std::string& out, int quality = 100);

// Encodes and writes atomically; false with a clear English message on failure.
bool WriteImageFile(const QImage& img, ImageKind kind, const std::string& path, std::string& error,
                    TksPngFormat pngFormat = pfTrueColor);

// Writes bytes to `path` atomically (temporary file in the same folder, fsync, rename).
bool WriteFileAtomic(const std::string& path, const std::string& bytes, std::string& error);

}  // namespace ks
