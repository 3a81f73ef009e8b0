// Pieces shared by the fuzz targets: a byte reader that never runs past its input,
// property values made from bytes through the property tables, and the encode-and-paint
// step every target ends with.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "engine/barcode.h"
#include "engine/errors.h"
#include "engine/persistent.h"
#include "engine/ustring.h"
#include "render/paint.h"
#include "render/recording_canvas.h"

namespace ks::fuzz {

// Reads fixed-size pieces from the front of the input; past the end it reads zeros.
class ByteReader {
 public:
  ByteReader(const uint8_t* data, size_t size) : p_(data), n_(size) {}

  uint8_t Byte() { return i_ < n_ ? p_[i_++] : 0; }
  uint32_t U32() {
    uint32_t v = 0;
    for (int k = 0; k < 4; ++k) v = v << 8 | Byte();
    return v;
  }
  // A short piece of bytes: one length byte (below `maxLen`), then the bytes.
  std::string Bytes(size_t maxLen) {
    const size_t len = std::min<size_t>(Byte() % maxLen, n_ - std::min(i_, n_));
    std::string s(reinterpret_cast<const char*>(p_ + i_), len);
    i_ += len;
    return s;
  }
  std::string_view Rest() const {
    return i_ < n_ ? std::string_view(reinterpret_cast<const char*>(p_ + i_), n_ - i_) : std::string_view();
  }

 private:
  const uint8_t* p_;
  size_t n_;
  size_t i_ = 0;
};

// The data text from raw bytes: UTF-8 (invalid sequences become U+FFFD), or UTF-16LE
// code units as they come, so lone surrogates and NULs reach the encoders too.
inline std::u16string DataText(std::string_view bytes, bool utf16) {
  if (!utf16) return FromUtf8(bytes);
  std::u16string s;
  s.reserve(bytes.size() / 2);
  for (size_t i = 0; i + 1 < bytes.size(); i += 2)
    s += static_cast<char16_t>(static_cast<uint8_t>(bytes[i]) | static_cast<uint8_t>(bytes[i + 1]) << 8);
  return s;
}

// A small number most of the time, now and then any 32-bit value: sizes, counts and
// indexes matter most near zero, but the extremes must not break anything either.
inline long long IntegerFrom(ByteReader& in) {
  const uint8_t tag = in.Byte();
  if (tag & 0x80) return static_cast<int32_t>(in.U32());
  return static_cast<int8_t>(static_cast<uint8_t>(tag << 1)) / 2;
}

// A value text for a property of the given kind, made from the input.
inline std::string ValueTextFor(const PropInfo& p, ByteReader& in) {
  switch (p.type) {
    case PropType::Enum: {
      const uint8_t b = in.Byte();
      const size_t n = p.enumType ? p.enumType->values.size() : 0;
      // Mostly a valid name; sometimes a number, in or out of range.
      if (b & 0x80 || n == 0) return IntToText(static_cast<int8_t>(b));
      return p.enumType->values[b % n];
    }
    case PropType::Boolean: return BoolToText(in.Byte() & 1);
    case PropType::Set: return p.enumType ? SetToText(*p.enumType, in.U32()) : std::string();
    case PropType::Integer:
    case PropType::Color: return IntToText(IntegerFrom(in));
    case PropType::Float: return FloatToText(static_cast<double>(IntegerFrom(in)) / 8.0);
    case PropType::String: return in.Bytes(24);
    default: return {};
  }
}

// Every writable property path of a fresh barcode object (string lists as their Count
// key), in table order; the targets pick from it by index.
inline const std::vector<std::string>& WritablePaths() {
  static const std::vector<std::string> paths = [] {
    std::vector<std::string> r;
    TksBarcodeComponent bc;
    for (const auto& pv : ListProperties(bc, false)) r.push_back(pv.path);
    return r;
  }();
  return paths;
}

// Sets a property by path. A setter may refuse a value by raising (a QR mask outside
// the allowed ones, say); that counts as refused, like a value that does not convert.
inline SetResult TrySetProperty(TksBarcodeComponent& bc, const std::string& path, std::string_view value) {
  // FUZZ_DEBUG=1 shows what an input sets, for reading a finding.
  static const bool debug = std::getenv("FUZZ_DEBUG") != nullptr;
  if (debug) std::fprintf(stderr, "set %s=%.*s\n", path.c_str(), static_cast<int>(value.size()), value.data());
  try {
    return SetPropertyText(bc, path, value);
  } catch (const Exception&) {
    return SetResult::BadValue;
  }
}

// Sets a property from bytes. String lists get a few lines of their own.
inline void SetPropertyFromBytes(TksBarcodeComponent& bc, const std::string& path, ByteReader& in) {
  TksPersistent* owner = nullptr;
  const PropInfo* p = FindPropertyPath(bc, path, &owner);
  if (!p) return;
  if (p->type == PropType::StringList) {
    const int n = in.Byte() % 5;
    const std::string base = path.substr(0, path.rfind('.'));
    TrySetProperty(bc, base + ".Count", IntToText(n));
    for (int i = 0; i < n; ++i) TrySetProperty(bc, base + ".Line" + std::to_string(i), in.Bytes(40));
    return;
  }
  TrySetProperty(bc, path, ValueTextFor(*p, in));
}

// True when the object's data text passes validation. Completion (check digits) of a
// text that does not is not required to be stable: such a text is never encoded.
inline bool DataTextIsValid(TksBarcodeComponent& bc) {
  try {
    return bc.CheckBarCode(bc.BarCode());
  } catch (const Exception&) {
    return false;
  }
}

// Encodes as export does, then paints through the error boundary on a recording canvas.
// Engine errors are expected results; anything else escapes and is a finding.
inline void EncodeAndRecord(TksBarcodeComponent& bc, const TRect& r) {
  try {
    bc.EncodeBars(bc.BarCode());
  } catch (const Exception&) {
  }
  RecordingCanvas canvas;
  try {
    PaintBarCode(bc, canvas, r);
  } catch (const Exception&) {
  }
  // Every property must still read back.
  (void)ListProperties(bc, true);
}

}  // namespace ks::fuzz
