// Encoders for raster image files and the atomic file writer they use. Images come in
// as QImage (Format_RGB32, opaque); files are written to a temporary name in the target
// folder and renamed into place, so a failure never leaves a half-written file and
// never destroys an existing one.
#pragma once

#include <QImage>
#include <string>

#include "output/atomic_file.h"

namespace ks {

enum class ImageKind { Bmp, Gif, Png, Jpeg };

// Encoders: true on success; `out` receives the complete file.
bool EncodeBmp(const QImage& img, std::string& out);
bool EncodeGif(const QImage& img, std::string& out);
bool EncodePng(const QImage& img, std::string& out);
bool EncodeJpeg(const QImage& img, std::string& out, int quality = 100);

// Encodes and writes atomically; false with a clear English message on failure.
bool WriteImageFile(const QImage& img, ImageKind kind, const std::string& path, std::string& error);

// Writes bytes to `path` atomically (temporary file in the same folder, fsync, rename).
bool WriteFileAtomic(const std::string& path, const std::string& bytes, std::string& error);

}  // namespace ks
