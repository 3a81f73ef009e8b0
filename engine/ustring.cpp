#include "engine/ustring.h"

#include <cstdint>

namespace ks {

std::string ToUtf8(std::u16string_view s) {
  std::string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size(); ++i) {
    uint32_t c = s[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (s[i + 1] - 0xDC00);
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = 0xFFFD;
    }
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (c >> 18));
      out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

char32_t DecodeUtf8(std::string_view s, size_t& i) {
  const size_t n = s.size();
  const unsigned char b = static_cast<unsigned char>(s[i]);
  uint32_t c;
  int extra;
  if (b < 0x80) { c = b; extra = 0; }
  else if ((b & 0xE0) == 0xC0) { c = b & 0x1F; extra = 1; }
  else if ((b & 0xF0) == 0xE0) { c = b & 0x0F; extra = 2; }
  else if ((b & 0xF8) == 0xF0) { c = b & 0x07; extra = 3; }
  else { ++i; return kBadUtf8; }
  for (int k = 1; k <= extra; ++k) {
    if (i + k >= n) { ++i; return kBadUtf8; }
    const unsigned char cb = static_cast<unsigned char>(s[i + k]);
    if ((cb & 0xC0) != 0x80) { ++i; return kBadUtf8; }
    c = (c << 6) | (cb & 0x3F);
  }
  static const uint32_t kMin[4] = {0, 0x80, 0x800, 0x10000};
  if (c < kMin[extra] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
    ++i;
    return kBadUtf8;
  }
  i += extra + 1;
  return c;
}

std::u16string FromUtf8(std::string_view s) {
  std::u16string out;
  out.reserve(s.size());
  size_t i = 0;
  while (i < s.size()) {
    char32_t c = DecodeUtf8(s, i);
    if (c == kBadUtf8) {
      out += u'\uFFFD';
    } else if (c >= 0x10000) {
      c -= 0x10000;
      out += static_cast<char16_t>(0xD800 + (c >> 10));
      out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
    } else {
      out += static_cast<char16_t>(c);
    }
  }
  return out;
}

bool AllDigits(std::u16string_view s) {
  for (char16_t c : s)
    if (!IsDigit(c)) return false;
  return true;
}

char16_t UpperAscii(char16_t c) { return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - 32) : c; }

std::u16string UpperAscii(std::u16string_view s) {
  std::u16string r(s);
  for (auto& c : r) c = UpperAscii(c);
  return r;
}

std::string UpperAscii(std::string_view s) {
  std::string r(s);
  for (auto& c : r)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  return r;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 32);
    if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 32);
    if (x != y) return false;
  }
  return true;
}

std::string Format(std::string_view fmt, std::initializer_list<FmtArg> args) {
  std::string out;
  auto it = args.begin();
  for (size_t i = 0; i < fmt.size(); ++i) {
    if (fmt[i] == '%' && i + 1 < fmt.size()) {
      char k = fmt[i + 1];
      if (k == '%') { out += '%'; ++i; continue; }
      if (k == 'd' || k == 's') {
        if (it != args.end()) {
          if (it->isInt) out += std::to_string(it->i);
          else out += it->s;
          ++it;
        }
        ++i;
        continue;
      }
    }
    out += fmt[i];
  }
  return out;
}

}  // namespace ks
