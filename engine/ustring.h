// Text helpers: data texts are UTF-16 (std::u16string); display strings, messages and
// property values are UTF-8 (std::string).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "engine/export.h"

namespace ks {

BARVELLO_ENGINE_API std::string ToUtf8(std::u16string_view s);
// Invalid UTF-8 sequences become U+FFFD; never throws.
BARVELLO_ENGINE_API std::u16string FromUtf8(std::string_view s);

// Decodes the UTF-8 sequence that starts at s[i] and moves i past it. A malformed
// sequence (cut short, overlong, a surrogate or beyond U+10FFFF) answers kBadUtf8 and
// moves i on by one byte.
inline constexpr char32_t kBadUtf8 = 0xFFFFFFFF;
char32_t DecodeUtf8(std::string_view s, size_t& i);

// '0'..'9', for characters of any width (a negative char is no digit).
constexpr bool IsDigit(char32_t c) { return c >= U'0' && c <= U'9'; }
// True when every character is a digit (and for the empty text).
bool AllDigits(std::u16string_view s);

// Upper-cases only 'a'..'z'.
BARVELLO_ENGINE_API std::u16string UpperAscii(std::u16string_view s);
BARVELLO_ENGINE_API char16_t UpperAscii(char16_t c);
BARVELLO_ENGINE_API std::string UpperAscii(std::string_view s);
BARVELLO_ENGINE_API bool EqualsNoCase(std::string_view a, std::string_view b);

// printf-like formatting with only %d (int) and %s (UTF-8 string) placeholders, in order.
// Missing arguments leave the placeholder empty; "%%" writes '%'.
struct FmtArg {
  bool isInt;
  long long i;
  std::string s;
  FmtArg(int v) : isInt(true), i(v) {}
  FmtArg(long long v) : isInt(true), i(v) {}
  FmtArg(const char* v) : isInt(false), i(0), s(v) {}
  FmtArg(std::string v) : isInt(false), i(0), s(std::move(v)) {}
  FmtArg(std::u16string_view v) : isInt(false), i(0), s(ToUtf8(v)) {}
};
BARVELLO_ENGINE_API std::string Format(std::string_view fmt, std::initializer_list<FmtArg> args);

}  // namespace ks
