#include <sys/stat.h>

#include <cstdio>
#include <iostream>

#include "engine/encoders.h"
#include "engine/matrix/matrix.h"
#include "engine/persistent.h"
#include "engine/symbology.h"
#include "engine/ustring.h"
#include "tools/cli/cli_output.h"

using namespace ks;

namespace {

// Decodes the UTF-8 sequence at `i` into `cp` and moves `i` past it. A sequence that is
// not well-formed (a stray continuation byte, an overlong form, a surrogate, a value
// above U+10FFFF, a sequence cut short) consumes one byte and returns false.
bool NextCodePoint(std::string_view s, size_t& i, char32_t& cp) {
  const auto byte = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
  const unsigned char b = byte(i);
  if (b < 0x80) {
    cp = b;
    ++i;
    return true;
  }
  size_t len;
  unsigned char lo = 0x80, hi = 0xBF;  // the allowed range of the second byte
  if (b >= 0xC2 && b <= 0xDF) {
    len = 2;
    cp = b & 0x1F;
  } else if (b >= 0xE0 && b <= 0xEF) {
    len = 3;
    cp = b & 0x0F;
    if (b == 0xE0) lo = 0xA0;
    if (b == 0xED) hi = 0x9F;
  } else if (b >= 0xF0 && b <= 0xF4) {
    len = 4;
    cp = b & 0x07;
    if (b == 0xF0) lo = 0x90;
    if (b == 0xF4) hi = 0x8F;
  } else {
    ++i;
    return false;
  }
  if (i + len > s.size()) {
    ++i;
    return false;
  }
  for (size_t k = 1; k < len; ++k) {
    const unsigned char c = byte(i + k);
    if (c < (k == 1 ? lo : 0x80) || c > (k == 1 ? hi : 0xBF)) {
      ++i;
      return false;
    }
    cp = cp << 6 | (c & 0x3F);
  }
  i += len;
  return true;
}

// Characters that must not reach a terminal as they are: C0 and C1 controls, DEL, and
// the bidirectional embeddings, overrides and isolates that reorder what follows them.
bool IsUnsafeForTerminal(char32_t cp) {
  return cp < 0x20 || (cp >= 0x7F && cp <= 0x9F) || (cp >= 0x202A && cp <= 0x202E) ||
         (cp >= 0x2066 && cp <= 0x2069) || cp == 0x2028 || cp == 0x2029;
}

std::string Hex(unsigned long v, int digits) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%0*lX", digits, v);
  return buf;
}

// "U+0078": the usual name of a code point.
std::string CodePointName(char32_t cp) { return "U+" + Hex(cp, 4); }

// The data text's character at `idx` (1-based, in UTF-16 units) and its position
// counted in characters; false when `idx` is outside the text.
bool CharacterAt(const std::u16string& text, int idx, char32_t& cp, int& position) {
  if (idx < 1 || static_cast<size_t>(idx) > text.size()) return false;
  position = 1;
  for (size_t i = 0; i + 1 < static_cast<size_t>(idx); ++i)
    if (!(text[i] >= 0xDC00 && text[i] <= 0xDFFF && i > 0 && text[i - 1] >= 0xD800 && text[i - 1] <= 0xDBFF))
      ++position;
  const size_t i = static_cast<size_t>(idx) - 1;
  cp = text[i];
  if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF)
    cp = 0x10000 + ((cp - 0xD800) << 10) + (text[i + 1] - 0xDC00);
  return true;
}

std::string SymbologyName(TksBarcodeSymbology s) {
  return SymbologyInfo(s, u"").Name + " (" + SymbologyIdentifier(s) + ")";
}

// erCharOutOfSet names no character in its message; the error object holds it and its
// position. "character 'x' (U+0078) at position 3 is not allowed in EAN 13 (bcEan13)".
std::string CharOutOfSetDetail(TksBarcodeComponent& bc) {
  const TksBarcodeError& err = bc.ErrorInfo();
  if (err.ErrorChar().empty()) return {};
  const std::u16string& text = bc.BarCode();
  char32_t cp = err.ErrorChar()[0];
  int position = 0;
  const bool located = CharacterAt(text, err.Idx(), cp, position) && text[err.Idx() - 1] == err.ErrorChar()[0];
  if (!located) cp = err.ErrorChar()[0];
  std::u16string shown;
  if (cp > 0xFFFF) {
    shown += static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10));
    shown += static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
  } else {
    shown += static_cast<char16_t>(cp);
  }
  std::string detail = "character '" + ToUtf8(shown) + "' (" + CodePointName(cp) + ")";
  if (located) detail += " at position " + std::to_string(position);
  return detail + " is not allowed in " + SymbologyName(bc.BarcodeSymbology());
}

// The lengths of data text the symbology's validation takes, found by asking it: a text
// of n copies of the sample text's first character for n = 1..64. Empty when none is.
std::string AllowedLengths(const TksBarcodeComponent& bc) {
  TksBarcodeComponent probe;
  probe.Assign(bc);
  probe.ErrorInfo().SetMode(emStandardRaise);
  const std::u16string sample = SymbologyInfo(bc.BarcodeSymbology(), u"").InitValue;
  const char16_t c = sample.empty() ? u'0' : sample[0];
  std::string lengths;
  for (size_t n = 1; n <= 64; ++n) {
    probe.ErrorInfo().Init();
    try {
      probe.EncodeBars(std::u16string(n, c));
    } catch (const std::exception&) {
      if (probe.ErrorInfo().Code() == erBarcodeLengthInvalid) continue;
    }
    lengths += (lengths.empty() ? "" : ", ") + std::to_string(n);
  }
  return lengths;
}

// The short text of an error raised through the error channel, with what the channel
// holds and the message does not say.
std::string ChannelMessage(TksBarcodeComponent& bc) {
  const TksBarcodeError& err = bc.ErrorInfo();
  std::string msg = err.ExceptionString();
  switch (err.Code()) {
    case erCharOutOfSet:
      if (std::string detail = CharOutOfSetDetail(bc); !detail.empty()) msg += "; " + detail;
      break;
    case erBarcodeLengthInvalid:
      if (size_t at = msg.find("[]"); at != std::string::npos && err.ErrorChar().empty()) {
        const std::string lengths = AllowedLengths(bc);
        if (!lengths.empty()) {
          msg.insert(at + 1, lengths);
          size_t chars = 0;
          for (size_t i = 0; i < bc.BarCode().size(); ++i)
            if (!(bc.BarCode()[i] >= 0xDC00 && bc.BarCode()[i] <= 0xDFFF)) ++chars;
          msg += " The text has " + std::to_string(chars) + " characters.";
        }
      }
      break;
    case erNotSupported:
      msg += SymbologyName(bc.BarcodeSymbology()) + " is not supported (see --list-symbologies)";
      break;
    default:
      break;
  }
  return msg;
}

void Say(const std::string& message) { std::cerr << "barvello-cli: " << Printable(message) << "\n"; }

// The canonical text of `value` for a property of `info`'s type: what the property reads
// back when it took the value, so that "true", "TRUE" and "True", or a set in another
// order, compare equal. False for types whose setters may rightly rewrite the text
// (strings, lists), which are not compared.
bool CanonicalValue(const PropInfo& info, std::string_view value, std::string& out) {
  switch (info.type) {
    case PropType::Integer: {
      long long v;
      if (!TextToInt(value, v)) return false;
      out = IntToText(v);
      return true;
    }
    case PropType::Color: {
      long long v;
      if (!TextToInt(value, v)) return false;
      out = IntToText(static_cast<int32_t>(static_cast<uint32_t>(v)));
      return true;
    }
    case PropType::Boolean: {
      bool v;
      if (!TextToBool(value, v)) return false;
      out = BoolToText(v);
      return true;
    }
    case PropType::Float: {
      double v;
      if (!TextToFloat(value, v)) return false;
      out = FloatToText(v);
      return true;
    }
    case PropType::Enum: {
      if (!info.enumType) return false;
      int v = info.enumType->Find(value);
      long long n;
      if (v < 0 && TextToInt(value, n) && n >= 0 && n < static_cast<long long>(info.enumType->values.size()))
        v = static_cast<int>(n);
      if (v < 0) return false;
      out = info.enumType->Name(v);
      return true;
    }
    case PropType::Set: {
      uint32_t bits;
      if (!info.enumType || !TextToSet(*info.enumType, value, bits)) return false;
      out = SetToText(*info.enumType, bits);
      return true;
    }
    default:
      return false;
  }
}

// A symbology the catalogue marks unsupported, refused as painting refuses it.
int RefuseUnsupported(TksBarcodeSymbology s) {
  Say("erNotSupported: " + SymbologyName(s) + " is not supported (see --list-symbologies)");
  return 1;
}

// Sets one property and reads it back. A value the property does not take as given (a
// QR version beyond 40 that the object drops, an angle between the quarter turns) is a
// usage error like a value that does not convert.
int ApplySet(TksBarcodeComponent& bc, const std::string& path, const std::string& value) {
  const std::string shown = "'" + value + "' for property '" + path + "'";
  SetResult result;
  try {
    result = SetPropertyText(bc, path, value);
  } catch (const Exception& e) {
    // A setter that refuses a value raises with its own message (a QR mask outside
    // the allowed ones, say): a usage error like any other value that does not fit.
    Say("invalid value " + shown + ": " + e.what());
    return 2;
  }
  switch (result) {
    case SetResult::Ok:
      break;
    case SetResult::NotFound:
      Say("unknown property '" + path + "'");
      return 2;
    case SetResult::ReadOnly:
      Say("property '" + path + "' is read-only");
      return 2;
    case SetResult::BadValue:
      Say("invalid value " + shown);
      return 2;
  }
  TksPersistent* owner = nullptr;
  const PropInfo* info = FindPropertyPath(bc, path, &owner);
  std::string expected, actual;
  if (!info || !CanonicalValue(*info, value, expected) || !GetPropertyText(bc, path, actual) || actual == expected)
    return 0;
  TksPersistent* top = nullptr;
  if (info == FindPropertyPath(bc, "BarcodeSymbology", &top)) {
    const int row = info->enumType->Find(expected);
    if (row >= 0 && !SymbologySupported(static_cast<TksBarcodeSymbology>(row)))
      return RefuseUnsupported(static_cast<TksBarcodeSymbology>(row));
  }
  Say("invalid value " + shown + ": the barcode does not take it and holds " + actual);
  return 2;
}

// "FILE" or "FILE:SECTION". A name that exists as it stands is a file, colon or not.
void SplitIniArgument(const std::string& arg, std::string& file, std::string& section) {
  file = arg;
  section = "ksBarcode";
  struct stat st {};
  if (stat(arg.c_str(), &st) == 0) return;
  const size_t colon = arg.rfind(':');
  if (colon != std::string::npos && colon > 1) {
    section = arg.substr(colon + 1);
    file = arg.substr(0, colon);
  }
}

}  // namespace

std::string Printable(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  size_t i = 0;
  while (i < text.size()) {
    const size_t start = i;
    char32_t cp = 0;
    if (!NextCodePoint(text, i, cp)) {
      out += "\\x" + Hex(static_cast<unsigned char>(text[start]), 2);
      continue;
    }
    if (!IsUnsafeForTerminal(cp)) {
      out.append(text.substr(start, i - start));
    } else if (cp == '\n') {
      out += "\\n";
    } else if (cp == '\r') {
      out += "\\r";
    } else if (cp == '\t') {
      out += "\\t";
    } else if (cp < 0x80) {
      out += "\\x" + Hex(cp, 2);
    } else {
      out += "\\u" + Hex(cp, 4);
    }
  }
  return out;
}

int CheckDataText(std::string_view text, std::string& error) {
  if (text.size() > kMaxDataBytes) {
    error = "the data text has more than " + std::to_string(kMaxDataBytes) + " bytes (1 MB), the most one barcode takes";
    return 1;
  }
  for (size_t i = 0; i < text.size();) {
    const size_t at = i;
    char32_t cp;
    if (!NextCodePoint(text, i, cp)) {
      error = "data is not valid UTF-8 at byte " + std::to_string(at + 1);
      return 2;
    }
  }
  return 0;
}

std::string EngineErrorText(TksBarcodeComponent& bc, const std::exception& e) {
  // The error object holds the engine's failure: its code's identifier and its short text.
  const TksBarcodeError& err = bc.ErrorInfo();
  std::string id, msg = e.what();
  if (err.Code() != erOK) {
    // Raised through the error channel: the code's identifier and its short text.
    id = ErrorCodeIdentifier(err.Code());
    msg = ChannelMessage(bc);
  } else if (const auto* failure = dynamic_cast<const Exception*>(&e); failure && failure->Code() != erOK) {
    // A failure raised past the error object carries its code itself.
    id = ErrorCodeIdentifier(failure->Code());
  } else {
    id = "error";
  }
  // The message may quote the data text; it reaches a terminal.
  return id + ": " + Printable(msg);
}

void ReportEngineError(TksBarcodeComponent& bc, const std::exception& e) {
  std::cerr << "barvello-cli: " << EngineErrorText(bc, e) << "\n";
}

int ConfigureBarcode(const CliOptions& o, TksBarcodeComponent& bc) {
  if (!o.ini.empty()) {
    std::string file, section, error;
    SplitIniArgument(o.ini, file, section);
    if (int rc = LoadIniInto(file, section, bc, error)) {
      Say(error);
      return rc;
    }
  }
  if (o.haveSymbology) {
    // The object keeps its symbology when asked for one it cannot take; the catalogue
    // says which those are.
    if (!SymbologySupported(o.symbology)) return RefuseUnsupported(o.symbology);
    bc.SetBarcodeSymbology(o.symbology);
  }
  for (const auto& [path, value] : o.sets)
    if (int rc = ApplySet(bc, path, value)) return rc;
  return 0;
}

bool EncodeChecked(TksBarcodeComponent& bc, std::string& error) {
  bc.ErrorInfo().Init();
  try {
    if (bc.BarCode().empty()) bc.BarcodeRaiseStr(erEmptyCode, u"");
    if (!bc.GetBarcodeInfo().Supported) bc.BarcodeRaiseStr(erNotSupported, u"");
    bc.EncodeBars(bc.BarCode());
    if (bc.Bars().empty()) bc.BarcodeRaiseStr(erErrorInBarCode, u"");
  } catch (const std::exception& e) {
    error = EngineErrorText(bc, e);
    return false;
  }
  return true;
}

int EncodeForOutput(TksBarcodeComponent& bc) {
  std::string error;
  if (EncodeChecked(bc, error)) return 0;
  std::cerr << "barvello-cli: " << error << "\n";
  return 1;
}

namespace {

int PrintEncoded(TksBarcodeComponent& bc);

int PrintPattern(TksBarcodeComponent& bc) {
  if (int rc = EncodeForOutput(bc)) return rc;
  try {
    return PrintEncoded(bc);
  } catch (const std::exception& e) {
    ReportEngineError(bc, e);
    return 1;
  }
}

int PrintEncoded(TksBarcodeComponent& bc) {
  const TksBarCodeInfo info = bc.GetBarcodeInfo();
  if (info.SymbolType == stMatrix) {
    const TksMatrix& m = bc.Pixels();
    std::string out;
    for (int y = 0; y < m.NR; ++y) {
      for (int x = 0; x < m.NC; ++x) out += m.IsBlack(x, y) ? '1' : '0';
      out += '\n';
    }
    std::cout << out;
    return 0;
  }
  if (info.SymbolType == stStacked) {
    if (StackedSymbolWidth(bc) > 0) {
      for (const auto& row : bc.Bars()) std::cout << row << "\n";
      return 0;
    }
  }
  std::cout << bc.Bars().front() << "\n";
  return 0;
}

}  // namespace

int RunCli(const CliOptions& o) {
  if (!o.batch.empty()) return RunBatch(o);
  TksBarcodeComponent bc;
  // The CLI raises errors instead of drawing them.
  bc.ErrorInfo().SetMode(emStandardRaise);
  if (int rc = ConfigureBarcode(o, bc)) return rc;
  bc.SetBarCode(FromUtf8(o.data));
  if (o.pattern) return PrintPattern(bc);
  if (!o.labels.empty()) return RunLabels(o, bc);
  return WriteImageFile(o, bc);
}
