// Random texts through barvello-cli and back through public decoders.
//
// For every symbology that ZXingReader, zbarimg or dmtxread reads, a few dozen texts are
// made at random from the symbology's allowed characters (the catalogue's) in the forms
// its users type, with a fixed seed so that a failure repeats. Each text is written by
// `barvello-cli --batch` as PNG with the main window's options (none set), with
// boSecurity, at 0 and at 90 degrees, and each image must decode to exactly the text
// typed or its documented normal form: a completed check digit, GS1 element strings
// without parentheses, Codabar start/stop letters, the EAN-13 of a book number, an
// add-on read beside its main symbol. A text the generator knows to break its symbology's rules
// must be refused with the error that rule raises; any other refusal is a failure.
//
// Environment:
//   BARVELLO_SCAN_REPORT=1   print every failure (the default shows the first few per
//                            row) and a line of counts per row and configuration
//   BARVELLO_SCAN_COUNT=N    texts per row instead of the row's own number
//   BARVELLO_SCAN_SEED=N     another seed, to explore beyond the fixed texts
//   BARVELLO_SCAN_KEEP=DIR   write the images and batch files into DIR and keep them
// One row: --gtest_filter='Rows/ScanRoundTrip.*/Code128'.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <map>
#include <mutex>
#include <ostream>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "engine/symbology.h"

namespace ks {
namespace {

// ---- processes and files ---------------------------------------------------------------

std::string Quote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

// Runs a shell command; its standard output goes to `out`. Answers the exit status, or
// -1 when the command did not end normally (a decoder that aborts, say).
int Run(const std::string& cmd, std::string& out) {
  out.clear();
  FILE* p = popen(cmd.c_str(), "r");
  if (!p) return -1;
  std::array<char, 65536> buf;
  size_t n;
  while ((n = fread(buf.data(), 1, buf.size(), p)) > 0) out.append(buf.data(), n);
  const int status = pclose(p);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool Have(const std::string& program) {
  static std::mutex m;
  static std::map<std::string, bool> known;
  std::lock_guard<std::mutex> lock(m);
  if (auto it = known.find(program); it != known.end()) return it->second;
  std::string out;
  return known[program] = Run("command -v " + program + " 2>/dev/null", out) == 0 && !out.empty();
}

bool FileExists(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

const char* Env(const char* name) {
  const char* v = std::getenv(name);
  return v && *v ? v : nullptr;
}

// Runs `jobs` on `threads` threads.
void Parallel(std::vector<std::function<void()>>& jobs, unsigned threads) {
  std::atomic<size_t> next{0};
  std::vector<std::thread> pool;
  for (unsigned t = 0; t < std::max(1u, threads); ++t)
    pool.emplace_back([&] {
      for (size_t i; (i = next++) < jobs.size();) jobs[i]();
    });
  for (auto& t : pool) t.join();
}

unsigned Cores() { return std::max(1u, std::min(4u, std::thread::hardware_concurrency())); }

// ---- text ---------------------------------------------------------------------------------

using Text = std::u32string;

std::string Utf8(const Text& t) {
  std::string s;
  for (char32_t c : t) {
    if (c < 0x80) {
      s += static_cast<char>(c);
    } else if (c < 0x800) {
      s += static_cast<char>(0xC0 | (c >> 6));
      s += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      s += static_cast<char>(0xE0 | (c >> 12));
      s += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      s += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      s += static_cast<char>(0xF0 | (c >> 18));
      s += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      s += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      s += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return s;
}

Text FromAscii(const std::string& s) { return Text(s.begin(), s.end()); }

Text Only(const Text& set, const std::function<bool(char32_t)>& keep) {
  Text r;
  for (char32_t c : set)
    if (keep(c)) r += c;
  return r;
}

bool In(const Text& set, char32_t c) { return set.find(c) != Text::npos; }

bool IsDigit(char32_t c) { return c >= U'0' && c <= U'9'; }

// Characters shown as escapes in a failure message.
std::string Visible(const std::string& s) {
  std::string r;
  for (unsigned char c : s) {
    if (c < 32 || c == 127) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "<%02X>", c);
      r += buf;
    } else {
      r += static_cast<char>(c);
    }
  }
  return r;
}

// ---- random texts ---------------------------------------------------------------------

// splitmix64: the same sequence on every platform and library.
class Rng {
 public:
  explicit Rng(uint64_t seed) : s_(seed) {}
  uint64_t Next() {
    uint64_t z = (s_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  int Int(int lo, int hi) { return lo + static_cast<int>(Next() % static_cast<uint64_t>(hi - lo + 1)); }
  bool Chance(int percent) { return Int(0, 99) < percent; }
  char32_t Pick(const Text& set) { return set[static_cast<size_t>(Int(0, static_cast<int>(set.size()) - 1))]; }
  Text Of(const Text& set, int n) {
    Text r;
    for (int i = 0; i < n; ++i) r += Pick(set);
    return r;
  }
  std::string Digits(int n) { return Utf8(Of(U"0123456789", n)); }

 private:
  uint64_t s_;
};

uint64_t Fnv1a(const std::string& s) {
  uint64_t h = 1469598103934665603ull;
  for (unsigned char c : s) h = (h ^ c) * 1099511628211ull;
  return h;
}

// What a reader must report for one image. Results are compared as bytes; `must` are all
// required, `may` are tolerated besides them (a reader that reports an EAN main part both
// with and without its add-on, say).
struct Reads {
  std::vector<std::string> must;
  std::vector<std::string> may;
};

struct Sample {
  std::string text;     // as typed (UTF-8)
  std::string refusal;  // non-empty: the engine must refuse the text with this error ("*": any)
  Reads zxing, zbar;
  std::string dmtx;
};

Sample Refused(std::string text, std::string error) {
  Sample s;
  s.text = std::move(text);
  s.refusal = std::move(error);
  return s;
}

Sample Same(const std::string& text, const std::string& decoded) {
  Sample s;
  s.text = text;
  s.zxing.must = {decoded};
  s.zbar.must = {decoded};
  s.dmtx = decoded;
  return s;
}

struct Gen {
  Rng& rng;
  Text chars;        // the catalogue's allowed characters; empty: any
  bool checkOption;  // boAutoCheckDigit is set
};

using Generator = std::function<Sample(Gen&)>;

// ---- check digits, computed here independently of the engine --------------------------

// GS1 modulo 10: weight 3 on the rightmost digit, then 1, 3, ... to the left.
char Gs1Check(const std::string& digits) {
  int sum = 0;
  bool three = true;
  for (auto it = digits.rbegin(); it != digits.rend(); ++it, three = !three) sum += (*it - '0') * (three ? 3 : 1);
  return static_cast<char>('0' + (10 - sum % 10) % 10);
}

// ISBN-10 and ISSN: weights 10 (or 8) down to 2 over the leading digits, modulo 11.
char Mod11Check(const std::string& digits) {
  int sum = 0, w = static_cast<int>(digits.size()) + 1;
  for (char c : digits) sum += (c - '0') * w--;
  const int r = (11 - sum % 11) % 11;
  return r == 10 ? 'X' : static_cast<char>('0' + r);
}

// UPC-E (number system and six digits) to the eleven UPC-A digits before the check.
std::string ExpandUpcE(const std::string& e) {
  const std::string d = e.substr(1, 6);
  const char last = d[5];
  std::string a(1, e[0]);
  if (last <= '2')
    a += d.substr(0, 2) + last + "0000" + d.substr(2, 3);
  else if (last == '3')
    a += d.substr(0, 3) + "00000" + d.substr(3, 2);
  else if (last == '4')
    a += d.substr(0, 4) + "00000" + d.substr(4, 1);
  else
    a += d.substr(0, 5) + "0000" + last;
  return a;
}

// The 43 data characters of Code 39 in value order (Code 93 has them as its first 43).
constexpr const char* kCode39Set = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ-. $/+%";

// The standard Code 39 full-ASCII encoding of one character (what a reader that does not
// decode full ASCII reports for it).
std::string Code39FullAscii(char32_t c) {
  static const char* const kPunct33 = "ABCDEFGHIJKL";  // ! " # $ % & ' ( ) * + ,
  if (c == 0) return "%U";
  if (c >= 1 && c <= 26) return std::string("$") + static_cast<char>('A' + c - 1);
  if (c >= 27 && c <= 31) return std::string("%") + static_cast<char>('A' + c - 27);
  if (c == ' ' || c == '-' || c == '.' || IsDigit(c) || (c >= 'A' && c <= 'Z'))
    return std::string(1, static_cast<char>(c));
  if (c >= 33 && c <= 44) return std::string("/") + kPunct33[c - 33];
  if (c == '/') return "/O";
  if (c == ':') return "/Z";
  if (c >= ';' && c <= '?') return std::string("%") + static_cast<char>('F' + c - ';');
  if (c == '@') return "%V";
  if (c >= '[' && c <= '_') return std::string("%") + static_cast<char>('K' + c - '[');
  if (c == '`') return "%W";
  if (c >= 'a' && c <= 'z') return std::string("+") + static_cast<char>(c - 'a' + 'A');
  if (c >= '{' && c <= '~') return std::string("%") + static_cast<char>('P' + c - '{');
  return "%T";  // DEL
}

// Codabar: the standard modulo-16 check over start, data and stop.
constexpr const char* kCodabarValues = "0123456789-$:/.+ABCD";
char CodabarCheck(const std::string& full) {
  int sum = 0;
  for (char c : full) sum += static_cast<int>(std::string(kCodabarValues).find(c));
  return kCodabarValues[(16 - sum % 16) % 16];
}

// Codabar start/stop letters and the letter a reader reports for each.
char CodabarLetter(char32_t c) {
  switch (c) {
    case 'a':
    case 'A':
    case 't':
    case 'T':
      return 'A';
    case 'b':
    case 'B':
    case 'n':
    case 'N':
      return 'B';
    case 'c':
    case 'C':
    case '*':
      return 'C';
    default:
      return 'D';  // d D e E
  }
}

// ---- generators -------------------------------------------------------------------------

// " " and a 2- or 5-digit add-on.
std::string AddOn(Rng& rng) { return " " + rng.Digits(rng.Chance(50) ? 2 : 5); }

// EAN-8, EAN-13, UPC-A and JAN: `data` digits after `prefix`, typed bare, with their check
// digit, or with the check digit and an add-on.
Generator Ean(int data, std::vector<std::string> prefixes = {""}) {
  return [=](Gen& g) {
    const std::string& prefix = prefixes[static_cast<size_t>(g.rng.Int(0, static_cast<int>(prefixes.size()) - 1))];
    const std::string main = prefix + g.rng.Digits(data - static_cast<int>(prefix.size()));
    const std::string full = main + Gs1Check(main);
    const int form = g.rng.Int(0, 99);
    const std::string addOn = form >= 70 ? AddOn(g.rng) : "";
    Sample s = Same(form < 45 ? main : full + addOn, full + addOn);
    if (!addOn.empty()) {
      s.zxing.may = {full};
      s.zbar.must = {full, addOn.substr(1)};
    }
    return s;
  };
}

// UPC-E: six digits, typed alone, after the number system, with the check digit, or with
// an add-on. Number system 1 (UPC-E1) is typed with its leading 1; its older form with a
// leading 0 (or none) keeps meaning number system 1.
Generator UpcE(char system) {
  return [=](Gen& g) {
    const std::string six = g.rng.Digits(6);
    const std::string coded = std::string(1, system) + six;
    const std::string full = coded + Gs1Check(ExpandUpcE(coded));
    const int form = g.rng.Int(0, 99);
    std::string typed;
    if (form < 15) {
      typed = six;
    } else if (system == '1' && form < 30) {
      typed = "0" + six;
    } else if (form < 60) {
      typed = coded;
    } else {
      typed = full;
    }
    const std::string addOn = form >= 80 ? AddOn(g.rng) : "";
    if (!addOn.empty() && typed.size() != 8) typed = full;
    Sample s = Same(typed + addOn, full + addOn);
    if (!addOn.empty()) {
      s.zxing.may = {full};
      s.zbar.must = {full, addOn.substr(1)};
    }
    return s;
  };
}

// Hyphens put between some of the characters of `s`, as people type book numbers.
std::string Hyphenate(Rng& rng, const std::string& s) {
  std::string r;
  for (size_t i = 0; i < s.size(); ++i) {
    if (i > 0 && rng.Chance(25)) r += '-';
    r += s[i];
  }
  return r;
}

// The EAN-13 of a book number and its optional add-on, read as typed.
Sample Book(Rng& rng, const std::string& typedNumber, const std::string& ean12) {
  const std::string ean = ean12 + Gs1Check(ean12);
  const std::string addOn = rng.Chance(25) ? AddOn(rng) : "";
  Sample s = Same(typedNumber + addOn, ean + addOn);
  if (!addOn.empty()) {
    s.zxing.may = {ean};
    s.zbar.must = {ean, addOn.substr(1)};
  }
  return s;
}

// ISBN-10 (check digit or X, with or without hyphens), the older nine-digit form with two
// hyphens (without add-on), and ISBN-13 with prefix 978 or 979.
Sample Isbn(Gen& g) {
  const int form = g.rng.Int(0, 99);
  if (form < 50) {
    const std::string nine = g.rng.Digits(9);
    const std::string typed = nine + Mod11Check(nine);
    return Book(g.rng, form < 25 ? typed : Hyphenate(g.rng, typed), "978" + nine);
  }
  if (form < 65) {
    const std::string nine = g.rng.Digits(9);
    const std::string ean12 = "978" + nine;
    return Same(nine.substr(0, 2) + "-" + nine.substr(2, 4) + "-" + nine.substr(6), ean12 + Gs1Check(ean12));
  }
  // 979-0 is the ISMN range.
  const std::string prefix =
      g.rng.Chance(60) ? "978" : "979" + std::string(1, static_cast<char>('1' + g.rng.Int(0, 8)));
  const std::string ean12 = prefix + g.rng.Digits(12 - static_cast<int>(prefix.size()));
  const std::string typed = ean12 + Gs1Check(ean12);
  return Book(g.rng, g.rng.Chance(50) ? typed : Hyphenate(g.rng, typed), ean12);
}

// ISSN: eight characters with or without the hyphen, optionally followed by the two-digit
// issue code (00 when not given).
Sample Issn(Gen& g) {
  const std::string seven = g.rng.Digits(7);
  const std::string issn = seven + Mod11Check(seven);
  const std::string typedIssn = g.rng.Chance(50) ? issn : issn.substr(0, 4) + "-" + issn.substr(4);
  const bool issue = g.rng.Chance(40);
  const std::string code = issue ? g.rng.Digits(2) : "00";
  return Book(g.rng, typedIssn + (issue ? code : ""), "977" + seven + code);
}

// ISMN-10 (M and nine characters) and ISMN-13 (979-0 ...), with or without hyphens.
Sample Ismn(Gen& g) {
  const std::string eight = g.rng.Digits(8);
  const std::string ean12 = "9790" + eight;
  const char check = Gs1Check(ean12);  // the ISMN-10 check equals the EAN-13 one
  std::string typed = g.rng.Chance(50) ? "M" + eight + check : ean12 + check;
  if (g.rng.Chance(50))
    typed = typed[0] == 'M' ? "M-" + Hyphenate(g.rng, typed.substr(1)) : "979-0-" + Hyphenate(g.rng, typed.substr(4));
  return Book(g.rng, typed, ean12);
}

// Texts made of runs: digit runs (Code 128 set C), control characters, lower case, and
// any allowed character. Line ends cannot travel in a batch line, and NUL not at all.
Text Runs(Rng& rng, const Text& chars, int maxLength) {
  const Text usable = Only(chars, [](char32_t c) { return c != 0 && c != '\n' && c != '\r'; });
  const Text digits = Only(usable, IsDigit);
  const Text controls = Only(usable, [](char32_t c) { return c < 32; });
  const Text lower = Only(usable, [](char32_t c) { return c >= 'a' && c <= 'z'; });
  Text t;
  const int length = rng.Int(1, maxLength);
  while (static_cast<int>(t.size()) < length) {
    const int kind = rng.Int(0, 9);
    const Text& from = kind < 2 && !digits.empty()      ? digits
                       : kind == 2 && !controls.empty() ? controls
                       : kind == 3 && !lower.empty()    ? lower
                                                        : usable;
    t += rng.Of(from, rng.Int(1, kind < 2 ? 9 : 4));
  }
  return t.substr(0, static_cast<size_t>(length));
}

Sample Code128(Gen& g) {
  const std::string t = Utf8(Runs(g.rng, g.chars, 30));
  return Same(t, t);
}

Sample Code39(Gen& g) {
  const std::string t = Utf8(g.rng.Of(g.chars, g.rng.Int(1, 20)));
  return Same(t, t);
}

// Code 39 Full ASCII: readers that do not decode full ASCII report the pairs, which is
// what is compared. A character the pairs cannot carry (the euro sign, which would read
// as DEL) must be refused.
Sample Code39Full(Gen& g) {
  const Text t = g.rng.Of(g.chars, g.rng.Int(1, 16));
  std::string raw;
  for (char32_t c : t) {
    if (c > 126) return Refused(Utf8(t), "erCharOutOfSet");
    raw += Code39FullAscii(c);
  }
  return Same(Utf8(t), raw);
}

// Code 93 standard: the 43 data characters, and the four characters the catalogue adds
// for the shift characters ($) (%) (/) (+), typed before a letter as a full-ASCII pair; a
// reader reports the character the pair stands for.
Sample Code93(Gen& g) {
  const Text data = Only(g.chars, [](char32_t c) {
    return std::string(kCode39Set).find(static_cast<char>(c)) != std::string::npos && c < 128;
  });
  const Text shifts = Only(g.chars, [&](char32_t c) { return !In(data, c); });
  Text typed;
  std::string decoded;
  const int length = g.rng.Int(1, 16);
  if (!shifts.empty() && g.rng.Chance(8)) {
    // A shift character without a letter after it (at the end, or before a digit) has no
    // meaning; no reader reads such a symbol, so the text must be refused.
    typed = g.rng.Of(data, length);
    const size_t at = static_cast<size_t>(g.rng.Int(0, static_cast<int>(typed.size())));
    typed.insert(at, 1, g.rng.Pick(shifts));
    if (at + 1 < typed.size()) typed[at + 1] = g.rng.Pick(U"0123456789");
    return Refused(Utf8(typed), "erCharOutOfSet");
  }
  while (static_cast<int>(typed.size()) < length) {
    if (shifts.empty() || !g.rng.Chance(20)) {
      const char32_t c = g.rng.Pick(data);
      typed += c;
      decoded += static_cast<char>(c);
      continue;
    }
    // The shift characters in catalogue order: ($) (%) (/) (+).
    const size_t which = static_cast<size_t>(g.rng.Int(0, static_cast<int>(shifts.size()) - 1));
    char letter;
    char meaning;
    switch (which) {
      case 0:  // ($)A..Z: control characters 1..26
        letter = static_cast<char>('A' + g.rng.Int(0, 25));
        meaning = static_cast<char>(letter - 'A' + 1);
        break;
      case 1: {  // (%)F..J ; < = > ?   (%)K..O [ \ ] ^ _   (%)P..S { | } ~
        static const std::string from = "FGHIJKLMNOPQRS", to = ";<=>?[\\]^_{|}~";
        const size_t k = static_cast<size_t>(g.rng.Int(0, static_cast<int>(from.size()) - 1));
        letter = from[k];
        meaning = to[k];
        break;
      }
      case 2:  // (/)A..L: ! " # $ % & ' ( ) * + ,
        letter = static_cast<char>('A' + g.rng.Int(0, 11));
        meaning = static_cast<char>(letter - 'A' + '!');
        break;
      default:  // (+)A..Z: lower case
        letter = static_cast<char>('A' + g.rng.Int(0, 25));
        meaning = static_cast<char>(letter - 'A' + 'a');
        break;
    }
    typed += shifts[which];
    typed += static_cast<char32_t>(letter);
    decoded += meaning;
  }
  return Same(Utf8(typed), decoded);
}

Sample Code93Full(Gen& g) {
  const std::string t = Utf8(g.rng.Of(g.chars, g.rng.Int(1, 20)));
  return Same(t, t);
}

// Codabar: data alone (drawn between A and A), data between start and stop letters, or
// a start/stop letter inside the data, which must be refused. ZXingReader reports the
// data, zbarimg the start and stop letters too.
Sample Codabar(Gen& g) {
  const Text data = Only(g.chars, [](char32_t c) {
    return std::string("0123456789-$:/.+").find(static_cast<char>(c)) != std::string::npos;
  });
  const Text letters = Only(g.chars, [&](char32_t c) { return !In(data, c); });
  // Readers want four characters with start and stop.
  const Text body = g.rng.Of(data, g.rng.Int(2, 16));
  const int form = g.rng.Int(0, 99);
  if (form < 12 && body.size() >= 2) {
    Text t = body;
    t.insert(static_cast<size_t>(g.rng.Int(1, static_cast<int>(body.size()) - 1)), 1, g.rng.Pick(letters));
    if (g.rng.Chance(50)) t = g.rng.Pick(letters) + t + g.rng.Pick(letters);
    return Refused(Utf8(t), "erCharOutOfSet");
  }
  char32_t start = 'A', stop = 'A';
  Text typed = body;
  if (form >= 50) {
    start = g.rng.Pick(letters);
    stop = g.rng.Pick(letters);
    typed = start + body + stop;
  }
  const std::string start1(1, CodabarLetter(start)), stop1(1, CodabarLetter(stop));
  std::string data1 = Utf8(body);
  if (g.checkOption) data1 += CodabarCheck(start1 + data1 + stop1);
  Sample s = Same(Utf8(typed), data1);
  s.zbar.must = {start1 + data1 + stop1};
  return s;
}

// ABC Codabar: one to three symbols separated by blanks, each with its start and stop
// letters (and at least two data characters, which readers want); the last one must
// stop with A, B or C.
Sample AbcCodabar(Gen& g) {
  const Text data = Only(g.chars, [](char32_t c) {
    return std::string("0123456789-$:/.+").find(static_cast<char>(c)) != std::string::npos;
  });
  const Text letters = Only(g.chars, [](char32_t c) { return c >= 'A' && c <= 'D'; });
  const int symbols = g.rng.Int(1, 3);
  Sample s;
  std::set<std::string> seen;
  for (int i = 0; i < symbols; ++i) {
    std::string body;
    do body = Utf8(g.rng.Of(data, g.rng.Int(2, 8)));
    while (!seen.insert(body).second);
    const char start = static_cast<char>(g.rng.Pick(letters));
    const char stop = static_cast<char>(g.rng.Pick(i + 1 == symbols ? Text(U"ABC") : letters));
    if (i > 0) s.text += ' ';
    s.text += start + body + stop;
    s.zxing.must.push_back(body);
    s.zbar.must.push_back(start + body + stop);
  }
  return s;
}

// PZN: six digits, or seven with the check digit; a number whose check would be 10 does
// not exist and must be refused. Drawn as Code 39 of "-" and the seven digits.
Sample Pzn(Gen& g) {
  const std::string six = g.rng.Digits(6);
  int sum = 0;
  for (int i = 0; i < 6; ++i) sum += (six[static_cast<size_t>(i)] - '0') * (i + 2);
  if (sum % 11 == 10) return Refused(six, "erCharOutOfSet");
  const std::string seven = six + static_cast<char>('0' + sum % 11);
  return Same(g.rng.Chance(30) ? seven : six, "-" + seven);
}

// Interleaved 2 of 5: an even number of digits (readers need six or more); an odd number
// must be refused.
Sample Interleaved(Gen& g) {
  if (g.rng.Chance(10)) return Refused(g.rng.Digits(2 * g.rng.Int(3, 10) + 1), "erErrorInBarCode");
  const std::string t = g.rng.Digits(2 * g.rng.Int(3, 12));
  return Same(t, t);
}

// ITF: 5, 13 and 15 digits get their check digit (ITF-6, ITF-14, ITF-16), as do 6, 14
// and 16 typed with it; other even lengths are written as typed; other odd ones refused.
Sample Itf(Gen& g) {
  const int form = g.rng.Int(0, 99);
  if (form < 10) {
    int n;
    do n = 2 * g.rng.Int(3, 10) + 1;
    while (n == 13 || n == 15);
    return Refused(g.rng.Digits(n), "erErrorInBarCode");
  }
  if (form < 70) {
    const int n = std::array<int, 3>{5, 13, 15}[static_cast<size_t>(g.rng.Int(0, 2))];
    const std::string t = g.rng.Digits(n);
    const std::string full = t + Gs1Check(t);
    return Same(g.rng.Chance(30) ? full : t, full);
  }
  int n;
  do n = 2 * g.rng.Int(4, 12);
  while (n == 14 || n == 16);
  const std::string t = g.rng.Digits(n);
  return Same(t, t);
}

// OPC: nine digits and the OPC check digit (odd positions doubled, as Luhn).
Sample Opc(Gen& g) {
  const std::string nine = g.rng.Digits(9);
  int sum = 0;
  for (size_t i = 0; i < 9; ++i) {
    int d = (nine[i] - '0') * (i % 2 == 0 ? 2 : 1);
    sum += d >= 10 ? d - 9 : d;
  }
  const std::string full = nine + static_cast<char>('0' + (10 - sum % 10) % 10);
  return Same(g.rng.Chance(30) ? full : nine, full);
}

// UPC shipping: 13 digits and the check digit, optionally with a six-digit add-on that is
// a second interleaved symbol beside it.
Sample UpcShipping(Gen& g) {
  const std::string t = g.rng.Digits(13);
  const std::string full = t + Gs1Check(t);
  if (g.rng.Chance(25)) {
    const std::string addOn = g.rng.Digits(6);
    Sample s = Same(full + " " + addOn, full);
    s.zxing.must = s.zbar.must = {full, addOn};
    return s;
  }
  return Same(g.rng.Chance(30) ? full : t, full);
}

// ---- GS1 element strings ------------------------------------------------------------------

struct Ai {
  const char* ai;
  int min, max;
  enum Kind { kNumeric, kCheck, kDate, kAlnum } kind;
};
// A sample of application identifiers of every kind: fixed-length numeric with a check
// digit, dates, fixed and variable numeric, variable alphanumeric.
constexpr Ai kAis[] = {
    {"00", 18, 18, Ai::kCheck},   {"01", 14, 14, Ai::kCheck},    {"02", 14, 14, Ai::kCheck},
    {"10", 1, 20, Ai::kAlnum},    {"11", 6, 6, Ai::kDate},       {"13", 6, 6, Ai::kDate},
    {"15", 6, 6, Ai::kDate},      {"17", 6, 6, Ai::kDate},       {"20", 2, 2, Ai::kNumeric},
    {"21", 1, 20, Ai::kAlnum},    {"240", 1, 30, Ai::kAlnum},    {"30", 1, 8, Ai::kNumeric},
    {"3103", 6, 6, Ai::kNumeric}, {"3922", 1, 15, Ai::kNumeric}, {"37", 1, 8, Ai::kNumeric},
    {"400", 1, 30, Ai::kAlnum},   {"410", 13, 13, Ai::kCheck},   {"414", 13, 13, Ai::kCheck},
    {"420", 1, 20, Ai::kAlnum},   {"8005", 6, 6, Ai::kNumeric},  {"90", 1, 30, Ai::kAlnum},
};

// AIs whose first two digits give a predefined length: a reader ends their values by
// length, every other value by a group separator (or the end of the data).
bool PredefinedLength(const std::string& ai) {
  static const std::set<std::string> kFixed = {"00", "01", "02", "03", "04", "11", "12", "13", "14", "15", "16",
                                               "17", "18", "19", "20", "31", "32", "33", "34", "35", "36", "41"};
  return kFixed.count(ai.substr(0, 2)) > 0;
}

// The GS1 encodable characters (character set 82), without the parentheses that the
// typed form uses to mark AIs.
const Text& Gs1Chars() {
  static const Text t = FromAscii("!\"%&'*+,-./0123456789:;<=>?ABCDEFGHIJKLMNOPQRSTUVWXYZ_abcdefghijklmnopqrstuvwxyz");
  return t;
}

// One to four elements in the classic notation "(AI)value"; values of alphanumeric AIs
// use the allowed characters that GS1 allows. About one text in seven breaks a GS1 rule (a wrong
// check digit, a value longer than its AI allows) and must be refused with a GS1 error.
Sample Gs1(Gen& g) {
  const Text valueChars = g.chars.empty() ? Gs1Chars() : Only(g.chars, [](char32_t c) { return In(Gs1Chars(), c); });
  const int elements = g.rng.Int(1, 4);
  const bool broken = g.rng.Chance(15);
  const int brokenAt = g.rng.Int(0, elements - 1);
  std::string typed, decoded;
  std::set<std::string> used;
  // Pairs that GS1 forbids in one element string.
  const auto clash = [&used](const std::string& ai) {
    return (ai == "02" && used.count("01")) || (ai == "01" && (used.count("02") || used.count("37"))) ||
           (ai == "37" && used.count("01"));
  };
  for (int i = 0; i < elements; ++i) {
    // Most broken texts have a wrong check digit, the mistake people make most.
    const bool wrongCheck = broken && i == brokenAt && g.rng.Chance(60);
    const Ai* ai;
    do ai = &kAis[g.rng.Int(0, static_cast<int>(std::size(kAis)) - 1)];
    while ((wrongCheck && ai->kind != Ai::kCheck) || clash(ai->ai) || !used.insert(ai->ai).second);
    const int length = g.rng.Int(ai->min, ai->max);
    std::string value;
    switch (ai->kind) {
      case Ai::kNumeric:
        value = g.rng.Digits(length);
        break;
      case Ai::kCheck:
        value = g.rng.Digits(length - 1);
        value += Gs1Check(value);
        break;
      case Ai::kDate: {
        char date[8];
        std::snprintf(date, sizeof date, "%02d%02d%02d", g.rng.Int(0, 99), g.rng.Int(1, 12), g.rng.Int(1, 28));
        value = date;
        break;
      }
      case Ai::kAlnum:
        value = Utf8(g.rng.Of(valueChars, length));
        break;
    }
    if (broken && i == brokenAt) {
      if (ai->kind == Ai::kCheck)
        value.back() = static_cast<char>('0' + (value.back() - '0' + g.rng.Int(1, 9)) % 10);
      else
        value += ai->kind == Ai::kAlnum ? Utf8(g.rng.Of(valueChars, ai->max + 1 - length))
                                        : g.rng.Digits(ai->max + 1 - length);
    }
    typed += std::string("(") + ai->ai + ")" + value;
    decoded += ai->ai + value;
    if (i + 1 < elements && !PredefinedLength(ai->ai)) decoded += '\x1D';
  }
  if (broken) return Refused(typed, "erGS1");
  return Same(typed, decoded);
}

// ---- free texts for the two-dimensional symbologies ---------------------------------------

const Text& Printable() {
  static const Text t = [] {
    Text r;
    for (char32_t c = 32; c < 127; ++c) r += c;
    return r;
  }();
  return t;
}

// Runs of printable ASCII, digits, upper-case letters (QR alphanumeric), Czech letters,
// other characters beyond ASCII (euro, CJK, one outside the BMP) and a few control
// characters. `flavour`, when given, is the run most texts are made of.
Text FreeText(Rng& rng, int maxLength, const Text& flavour = {}) {
  static const Text kDigits = U"0123456789";
  static const Text kUpper = U"0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ $%*+-./:";
  static const Text kCzech = U"áčďéěíňóřšťúůýžÁČĎÉĚÍŇÓŘŠŤÚŮÝŽ";
  static const Text kOther = U"€§°µß日本語漢字😀";
  static const Text kControl = U"\t\x01\x04\x1B\x1D\x1F";
  Text t;
  const int length = rng.Int(1, maxLength);
  while (static_cast<int>(t.size()) < length) {
    const int kind = rng.Int(0, 19);
    const Text* from;
    if (!flavour.empty() && kind < 12)
      from = &flavour;
    else if (kind < 8)
      from = &Printable();
    else if (kind < 11)
      from = &kDigits;
    else if (kind < 14)
      from = &kUpper;
    else if (kind < 17)
      from = &kCzech;
    else if (kind < 19)
      from = &kOther;
    else
      from = &kControl;
    t += rng.Of(*from, rng.Int(1, from == &kDigits ? 16 : 6));
  }
  return t.substr(0, static_cast<size_t>(length));
}

Generator Free(int maxLength, Text flavour = {}) {
  return [=](Gen& g) {
    const std::string t = Utf8(FreeText(g.rng, maxLength, flavour));
    return Same(t, t);
  };
}

// Micro QR holds little: short printable texts or digits.
Sample MicroQr(Gen& g) {
  const std::string t =
      g.rng.Chance(30) ? g.rng.Digits(g.rng.Int(1, 20)) : Utf8(g.rng.Of(Printable(), g.rng.Int(1, 8)));
  return Same(t, t);
}

// Kanji mode: characters of JIS X 0208; a reader decodes the Shift JIS back to text.
Sample Kanji(Gen& g) {
  static const Text kKanji =
      U"日本語漢字東京大阪京都北海道山川田中森林花鳥風月雪あいうえおかきくけこアイウエオカキクケコ";
  const std::string t = Utf8(g.rng.Of(kKanji, g.rng.Int(1, 20)));
  return Same(t, t);
}

// FNC1 in second position: the application indicator (two digits or one letter) starts
// the text; a text that starts otherwise must be refused.
Sample Fnc1Second(Gen& g) {
  static const Text kLetters = U"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
  const std::string data = Utf8(g.rng.Of(Printable(), g.rng.Int(1, 30)));
  if (g.rng.Chance(10)) return Refused(std::string(g.rng.Chance(50) ? "#" : "1-") + data, "erCharOutOfSet");
  const std::string indicator = g.rng.Chance(50) ? g.rng.Digits(2) : Utf8(Text(1, g.rng.Pick(kLetters)));
  return Same(indicator + data, indicator + data);
}

// Micro QR has no FNC1 mode: a GS1 element string short enough for it must be refused,
// not written without its FNC1.
Sample MicroQrGs1(Gen& g) {
  static const Text kAlnum = U"0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";
  std::string t;
  switch (g.rng.Int(0, 2)) {
    case 0:
      t = "(20)" + g.rng.Digits(2);
      break;
    case 1:
      t = "(17)" + g.rng.Digits(2) + "0" + std::to_string(g.rng.Int(1, 9)) + "1" + std::to_string(g.rng.Int(0, 9));
      break;
    default:
      t = "(10)" + Utf8(g.rng.Of(kAlnum, g.rng.Int(1, 4)));
      break;
  }
  return Refused(t, "*");
}

// PDF417 text compaction holds printable ASCII and tab; a character beyond ASCII must be
// refused.
Sample Pdf417Text(Gen& g) {
  Text t = g.rng.Of(Printable() + U"\t", g.rng.Int(1, 80));
  if (g.rng.Chance(10)) {
    t.insert(static_cast<size_t>(g.rng.Int(0, static_cast<int>(t.size()))), 1, g.rng.Pick(U"řž€"));
    return Refused(Utf8(t), "erCharOutOfSet");
  }
  return Same(Utf8(t), Utf8(t));
}

Sample Pdf417Numeric(Gen& g) {
  const std::string t = g.rng.Digits(g.rng.Int(1, 120));
  return Same(t, t);
}

// ---- rows -----------------------------------------------------------------------------------

struct Row {
  std::string name;
  const char* symbology;
  std::vector<std::string> sets;  // further --set PATH=VALUE
  const char* zxing;              // ZXingReader's format; nullptr: not read there
  const char* zxingId;            // the symbology identifier it must report; "": any
  const char* zbar;               // zbarimg's symbologies (comma-separated); nullptr: none
  bool dmtx;                      // read by dmtxread as well
  bool checkOption;               // written with boAutoCheckDigit too
  int count;                      // texts
  Generator generate;
  bool zxingText = false;  // compare ZXingReader's text instead of its bytes (Shift JIS data)
  // ZXingReader 1.4 takes the reversed stop pattern of an interleaved 2 of 5 symbol with a
  // 2:1 wide/narrow ratio for a start pattern, and so may read a rotated symbol end-first
  // as another number of the same length (as well as the right one). zbarimg, which
  // checks both guard patterns, must read these rows exactly.
  bool zxingEndFirst = false;
};

// clang-format off
const std::vector<Row>& Rows() {
  static const Text kEdifact = Only(Printable(), [](char32_t c) { return c <= 94; });
  static const std::vector<Row> rows = {
      // name, symbology, --set, ZXingReader format and identifier, zbarimg, dmtxread,
      // with boAutoCheckDigit too, texts, generator, [compare text, end-first reads]
      {"Ean8", "bcEan8", {}, "EAN-8", "", "ean8,ean2,ean5", false, false, 30, Ean(7)},
      {"Ean13", "bcEan13", {}, "EAN-13", "", "ean13,ean2,ean5", false, false, 30, Ean(12)},
      {"UpcA", "bcUPCA", {}, "UPC-A", "", "ean13,upca,ean2,ean5", false, false, 30, Ean(11)},
      {"UpcE0", "bcUPCE0", {}, "UPC-E", "", "upce,ean2,ean5", false, false, 30, UpcE('0')},
      {"UpcE1", "bcUPCE1", {}, "UPC-E", "", nullptr, false, false, 30, UpcE('1')},  // zbarimg: system 0 only
      {"Jan8", "bcJAN8", {}, "EAN-8", "", "ean8,ean2,ean5", false, false, 30, Ean(7, {"45", "49"})},
      {"Jan13", "bcJAN13", {}, "EAN-13", "", "ean13,ean2,ean5", false, false, 30, Ean(12, {"45", "49"})},
      {"Isbn", "bcISBN", {}, "EAN-13", "", "ean13,ean2,ean5", false, false, 30, Isbn},
      {"Issn", "bcISSN", {}, "EAN-13", "", "ean13,ean2,ean5", false, false, 30, Issn},
      {"Ismn", "bcISMN", {}, "EAN-13", "", "ean13,ean2,ean5", false, false, 30, Ismn},
      {"UpcShipping", "bcUPCShipping", {}, "ITF", "", "i25", false, false, 30, UpcShipping, false, true},
      {"Code39", "bcCode39Standard", {}, "Code39", "", "code39", false, false, 30, Code39},
      {"Code39Full", "bcCode39Full", {}, "Code39", "", "code39", false, false, 30, Code39Full},
      {"Pzn", "bcPZN", {}, "Code39", "", "code39", false, false, 30, Pzn},
      {"Code93", "bcCode93Standard", {}, "Code93", "", "code93", false, true, 30, Code93},
      {"Code93Full", "bcCode93Full", {}, "Code93", "", "code93", false, true, 30, Code93Full},
      {"Code128", "bcCode128", {}, "Code128", "", "code128", false, true, 40, Code128},
      {"UccEan128", "bcUccEan128", {}, "Code128", "]C1", "code128", false, false, 30, Gs1},
      {"Codabar", "bcCodabar", {}, "Codabar", "", "codabar", false, true, 30, Codabar},
      {"AbcCodabar", "bcABCCodabar", {}, "Codabar", "", "codabar", false, false, 20, AbcCodabar},
      {"Interleaved25", "bc25Interleaved", {}, "ITF", "", "i25", false, false, 30, Interleaved, false, true},
      {"Itf", "bcITF", {}, "ITF", "", "i25", false, false, 30, Itf, false, true},
      {"Opc", "bcOPC", {}, "ITF", "", "i25", false, false, 20, Opc, false, true},
      {"QRCode", "bcQRCode", {}, "QRCode", "", nullptr, false, false, 30, Free(120)},
      {"QRCodeHighEcc", "bcQRCode", {"Params.QRCode.EccLevel=QrEccLevelH"}, "QRCode", "", nullptr, false, false, 10,
       Free(60)},
      {"QRCodeKanji", "bcQRCode", {"Params.QRCode.Mode=QrKanji"}, "QRCode", "", nullptr, false, false, 10, Kanji, true},
      {"MicroQRCode", "bcQRCode", {"Params.QRCode.MicroQR=True"}, "MicroQRCode", "", nullptr, false, false, 12,
       MicroQr},
      {"QRCodeGS1", "bcQRCode", {"Params.GS1.FNC1Type=fnc1GS1", "Params.GS1.FNC1InputType=gs1Classic"}, "QRCode",
       "]Q3", nullptr, false, false, 30, Gs1},
      {"MicroQRCodeGS1", "bcQRCode",
       {"Params.QRCode.MicroQR=True", "Params.GS1.FNC1Type=fnc1GS1", "Params.GS1.FNC1InputType=gs1Classic"},
       "MicroQRCode", "", nullptr, false, false, 5, MicroQrGs1},
      {"QRCodeFnc1Second", "bcQRCode", {"Params.GS1.FNC1Type=fnc1SecondPosition"}, "QRCode", "]Q5", nullptr, false,
       false, 12, Fnc1Second},
      {"DataMatrix", "bcDataMatrix", {}, "DataMatrix", "", nullptr, true, false, 30, Free(120)},
      {"DataMatrixAscii", "bcDataMatrix", {"Params.DataMatrix.Encoding=dmeASCII"}, "DataMatrix", "", nullptr, true,
       false, 10, Free(60)},
      {"DataMatrixC40", "bcDataMatrix", {"Params.DataMatrix.Encoding=dmeC40"}, "DataMatrix", "", nullptr, true, false,
       12, Free(60, U"ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789 ")},
      {"DataMatrixText", "bcDataMatrix", {"Params.DataMatrix.Encoding=dmeText"}, "DataMatrix", "", nullptr, true,
       false, 12, Free(60, U"abcdefghijklmnopqrstuvwxyz0123456789 ")},
      {"DataMatrixX12", "bcDataMatrix", {"Params.DataMatrix.Encoding=dmeX12"}, "DataMatrix", "", nullptr, true, false,
       12, Free(60, U"ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789 *>")},
      {"DataMatrixEdifact", "bcDataMatrix", {"Params.DataMatrix.Encoding=dmeEDIFACT"}, "DataMatrix", "", nullptr,
       true, false, 12, Free(60, kEdifact)},
      {"DataMatrixBase256", "bcDataMatrix", {"Params.DataMatrix.Encoding=dmeBinary"}, "DataMatrix", "", nullptr,
       true, false, 12, Free(60)},
      {"DataMatrixGS1", "bcDataMatrix", {"Params.GS1.FNC1Type=fnc1GS1", "Params.GS1.FNC1InputType=gs1Classic"},
       "DataMatrix", "]d2", nullptr, false, false, 30, Gs1},
      {"PDF417", "bcPDF417", {}, "PDF417", "", nullptr, false, false, 30, Pdf417Text},
      {"PDF417Binary", "bcPDF417", {"Params.PDF417.Mode=ksPDF417Binary"}, "PDF417", "", nullptr, false, false, 12,
       Free(100)},
      {"PDF417Auto", "bcPDF417", {"Params.PDF417.Mode=ksPDF417AutoCode"}, "PDF417", "", nullptr, false, false, 12,
       Free(100)},
      {"PDF417Numeric", "bcPDF417", {"Params.PDF417.Mode=ksPDF417Numeric"}, "PDF417", "", nullptr, false, false, 10,
       Pdf417Numeric},
      // The element string as data, its group separators as bytes (text compaction has
      // no group separator, hence the automatic mode).
      {"PDF417GS1", "bcPDF417",
       {"Params.PDF417.Mode=ksPDF417AutoCode", "Params.GS1.FNC1Type=fnc1GS1", "Params.GS1.FNC1InputType=gs1Classic"},
       "PDF417", "", nullptr, false, false, 12, Gs1},
  };
  return rows;
}
// clang-format on

// Supported symbologies that no installed decoder reads; their patterns are compared with
// an independent encoder's elsewhere.
constexpr TksBarcodeSymbology kNoPublicReader[] = {bcNone,
                                                   bc25Datalogic,
                                                   bc25Matrix,
                                                   bc25Industrial,
                                                   bc25IATA,
                                                   bc25Invert,
                                                   bc25Coop,
                                                   bcCode11,
                                                   bcTelepen,
                                                   bcFim,
                                                   bcPostNet,
                                                   bcPlanet,
                                                   bcRoyalMail,
                                                   bc4State,
                                                   bcDutch4StatePostal,
                                                   bcSingapore4StatePostalCode,
                                                   bcPostBar,
                                                   bcIntelligentMail,
                                                   bcAustraliaPost};

// ---- decoding ------------------------------------------------------------------------------

struct Result {
  std::string bytes;
  std::string text;
  std::string id;
};
using Decoded = std::map<std::string, std::vector<Result>>;  // by file

std::string FromHex(const std::string& s) {
  std::string r;
  std::istringstream in(s);
  std::string pair;
  while (in >> pair) r += static_cast<char>(std::stoi(pair, nullptr, 16));
  return r;
}

std::string Base64(const std::string& s) {
  static const std::string kAlphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string r;
  int bits = 0, value = 0;
  for (char c : s) {
    const size_t v = kAlphabet.find(c);
    if (v == std::string::npos) continue;  // line breaks, padding
    value = (value << 6) | static_cast<int>(v);
    bits += 6;
    if (bits >= 8) {
      bits -= 8;
      r += static_cast<char>((value >> bits) & 0xFF);
    }
  }
  return r;
}

// ZXingReader's full output for one or more files: a block per symbol found, led by
// "File:" when several files were given.
void ParseZXing(const std::string& out, const std::vector<std::string>& files, Decoded& decoded) {
  std::istringstream in(out);
  std::string line, file = files.size() == 1 ? files[0] : "";
  Result* current = nullptr;
  auto value = [&line](size_t key) { return line.substr(std::min(line.size(), line.find_first_not_of(' ', key))); };
  while (std::getline(in, line)) {
    if (line.rfind("File:", 0) == 0) {
      file = value(5);
      current = nullptr;
    } else if (line.rfind("Text:", 0) == 0) {
      if (!current || !current->text.empty()) current = &decoded[file].emplace_back();
      const std::string v = value(5);
      current->text = v.size() >= 2 ? v.substr(1, v.size() - 2) : v;
    } else if (line.rfind("Bytes:", 0) == 0 && current) {
      current->bytes = FromHex(value(6));
    } else if (line.rfind("Identifier:", 0) == 0 && current) {
      current->id = value(11);
    }
  }
}

// zbarimg --xml: a <source> per file, a <symbol> per symbol, the data in CDATA sections
// (base64 when it is not text).
void ParseZbar(const std::string& out, Decoded& decoded) {
  size_t at = 0;
  std::string file;
  for (;;) {
    const size_t source = out.find("<source href='", at);
    const size_t symbol = out.find("<symbol ", at);
    if (source == std::string::npos && symbol == std::string::npos) return;
    if (source < symbol) {
      const size_t begin = source + 14, end = out.find('\'', begin);
      file = out.substr(begin, end - begin);
      at = end;
      continue;
    }
    const size_t dataTag = out.find("<data", symbol), dataEnd = out.find("</data>", dataTag);
    if (dataTag == std::string::npos || dataEnd == std::string::npos) return;
    const std::string part = out.substr(dataTag, dataEnd - dataTag);
    std::string data;
    for (size_t c = part.find("<![CDATA["); c != std::string::npos; c = part.find("<![CDATA[", c)) {
      const size_t end = part.find("]]>", c);
      data += part.substr(c + 9, end - c - 9);
      c = end;
    }
    if (part.substr(0, part.find('>')).find("format='base64'") != std::string::npos) data = Base64(data);
    Result r;
    r.bytes = r.text = data;
    decoded[file].push_back(r);
    at = dataEnd;
  }
}

// Splits `files` into chunks for as many decoder processes as there are cores.
std::vector<std::vector<std::string>> Chunks(const std::vector<std::string>& files, size_t size) {
  std::vector<std::vector<std::string>> chunks;
  for (size_t i = 0; i < files.size(); i += size)
    chunks.emplace_back(files.begin() + static_cast<long>(i),
                        files.begin() + static_cast<long>(std::min(files.size(), i + size)));
  return chunks;
}

std::string Join(const std::vector<std::string>& files) {
  std::string r;
  for (const auto& f : files) r += " " + Quote(f);
  return r;
}

Decoded DecodeZXing(const std::vector<std::string>& files, const std::string& format) {
  Decoded decoded;
  std::mutex m;
  std::vector<std::function<void()>> jobs;
  for (auto& chunk : Chunks(files, 40)) {
    jobs.push_back([chunk, &format, &decoded, &m] {
      std::string out;
      const std::string cmd = "ZXingReader -format " + format;
      if (Run(cmd + Join(chunk) + " 2>/dev/null", out) == 0) {
        std::lock_guard<std::mutex> lock(m);
        ParseZXing(out, chunk, decoded);
        return;
      }
      // It stops at an image it cannot handle: then one file at a time, and an abort is
      // what that file reads as.
      for (const auto& f : chunk) {
        const int rc = Run(cmd + " " + Quote(f) + " 2>/dev/null", out);
        std::lock_guard<std::mutex> lock(m);
        if (rc == 0)
          ParseZXing(out, {f}, decoded);
        else
          decoded[f].push_back({"<ZXingReader failed>", "<ZXingReader failed>", ""});
      }
    });
  }
  Parallel(jobs, Cores());
  return decoded;
}

Decoded DecodeZbar(const std::vector<std::string>& files, const std::string& symbologies) {
  std::string enable = " -Sdisable";
  std::istringstream in(symbologies);
  for (std::string s; std::getline(in, s, ',');) enable += " -S" + s + ".enable";
  Decoded decoded;
  std::mutex m;
  std::vector<std::function<void()>> jobs;
  for (auto& chunk : Chunks(files, 40)) {
    jobs.push_back([chunk, enable, &decoded, &m] {
      std::string out;
      Run("zbarimg -q --xml" + enable + Join(chunk) + " 2>/dev/null", out);
      std::lock_guard<std::mutex> lock(m);
      ParseZbar(out, decoded);
    });
  }
  Parallel(jobs, Cores());
  return decoded;
}

Decoded DecodeDmtx(const std::vector<std::string>& files) {
  Decoded decoded;
  std::mutex m;
  std::vector<std::function<void()>> jobs;
  for (const auto& f : files) {
    jobs.push_back([f, &decoded, &m] {
      std::string out;
      Run("dmtxread -N1 -m 3000 " + Quote(f) + " 2>/dev/null", out);
      // It sometimes takes a large rotated square symbol for a rectangle and gives up;
      // told the shape, it reads it.
      if (out.empty()) Run("dmtxread -N1 -m 3000 -s s " + Quote(f) + " 2>/dev/null", out);
      std::lock_guard<std::mutex> lock(m);
      if (!out.empty()) decoded[f].push_back({out, out, ""});
    });
  }
  Parallel(jobs, Cores());
  return decoded;
}

// ---- one row --------------------------------------------------------------------------------

struct Config {
  std::string name;
  std::string options;
  int angle;
  bool check;
};

std::vector<Config> ConfigsOf(const Row& row) {
  std::vector<Config> c = {{"plain-0", "", 0, false},
                           {"plain-90", "", 90, false},
                           {"security-0", "boSecurity", 0, false},
                           {"security-90", "boSecurity", 90, false}};
  if (row.checkOption) c.push_back({"check-0", "boSecurity,boAutoCheckDigit", 0, true});
  return c;
}

std::string List(const std::vector<std::string>& v) {
  std::string r = "[";
  for (size_t i = 0; i < v.size(); ++i) r += (i ? ", \"" : "\"") + Visible(v[i]) + "\"";
  return r + "]";
}

// Whether the results of one reader are what the sample expects: every required result
// is there and nothing else but the tolerated ones.
bool Matches(const Reads& want, const std::vector<std::string>& got) {
  for (const auto& w : want.must)
    if (std::find(got.begin(), got.end(), w) == got.end()) return false;
  for (const auto& g : got)
    if (std::find(want.must.begin(), want.must.end(), g) == want.must.end() &&
        std::find(want.may.begin(), want.may.end(), g) == want.may.end())
      return false;
  return true;
}

struct RowOutcome {
  int images = 0, decodedOk = 0, refusedAsExpected = 0, refusedWrongly = 0, writtenThoughForbidden = 0;
  std::map<std::string, int> failuresByConfig;
  std::vector<std::string> failures;
};

class TempFolder {
 public:
  explicit TempFolder(const std::string& name) {
    if (const char* keep = Env("BARVELLO_SCAN_KEEP")) {
      path_ = std::string(keep) + "/" + name;
      keep_ = true;
    } else {
      path_ = ::testing::TempDir() + "scan_" + std::to_string(getpid()) + "_" + name;
    }
    std::string out;
    Run("mkdir -p " + Quote(path_), out);
  }
  ~TempFolder() {
    std::string out;
    if (!keep_) Run("rm -rf " + Quote(path_), out);
  }
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
  bool keep_ = false;
};

RowOutcome RunRow(const Row& row) {
  RowOutcome outcome;
  TempFolder folder(row.name);
  const uint64_t seed =
      (Env("BARVELLO_SCAN_SEED") ? std::strtoull(Env("BARVELLO_SCAN_SEED"), nullptr, 10) : 20260101u) ^ Fnv1a(row.name);
  const int count = Env("BARVELLO_SCAN_COUNT") ? std::atoi(Env("BARVELLO_SCAN_COUNT")) : row.count;
  const auto info = SymbologyInfo(
      [&] {
        TksBarcodeSymbology s = bcNone;
        SymbologyFromName(row.symbology, s);
        return s;
      }(),
      u"");

  struct Written {
    std::string file;
    const Config* config;
    Sample sample;
  };
  std::vector<Written> written;
  const std::vector<Config> configs = ConfigsOf(row);
  for (const Config& config : configs) {
    // The same texts in every configuration; only what they must read as may differ.
    Rng rng(seed);
    Gen gen{rng, Text(info.Chars.begin(), info.Chars.end()), config.check};
    std::vector<Sample> samples;
    for (int i = 0; i < count; ++i) samples.push_back(row.generate(gen));

    const std::string base = folder.Path() + "/" + config.name;
    {
      std::ofstream batch(base + ".txt", std::ios::binary);
      for (const Sample& s : samples) batch << s.text << "\n";
    }
    std::string cmd = std::string(BARVELLO_CLI) + " -s " + row.symbology + " --set " +
                      Quote("Options=" + config.options) + " --set Angle=" + std::to_string(config.angle);
    for (const auto& set : row.sets) cmd += " --set " + Quote(set);
    cmd += " --batch " + Quote(base + ".txt") + " -o " + Quote(base + "-%04d.png") + " --threads " +
           std::to_string(Cores()) + " 2>&1 >/dev/null";
    std::string out;
    Run(cmd, out);
    // "barvello-cli: line N: erSomething: message" for every line refused.
    std::map<int, std::string> refused;
    std::istringstream lines(out);
    for (std::string line; std::getline(lines, line);) {
      int n = 0;
      char id[64] = {};
      if (std::sscanf(line.c_str(), "barvello-cli: line %d: %63[^:]", &n, id) == 2) refused[n] = id;
    }
    for (int i = 0; i < count; ++i) {
      const Sample& s = samples[static_cast<size_t>(i)];
      char name[16];
      std::snprintf(name, sizeof name, "-%04d.png", i + 1);
      const std::string file = base + name;
      const std::string where = "[" + config.name + "] \"" + Visible(s.text) + "\": ";
      auto fail = [&](const std::string& what) {
        ++outcome.failuresByConfig[config.name];
        outcome.failures.push_back(where + what);
      };
      if (auto r = refused.find(i + 1); r != refused.end()) {
        if (!s.refusal.empty() && (s.refusal == "*" || r->second.rfind(s.refusal, 0) == 0)) {
          ++outcome.refusedAsExpected;
        } else {
          ++outcome.refusedWrongly;
          fail("refused with " + r->second + (s.refusal.empty() ? "" : ", expected " + s.refusal));
        }
        continue;
      }
      if (!FileExists(file)) {
        fail("neither written nor refused");
        continue;
      }
      ++outcome.images;
      if (!s.refusal.empty()) {
        ++outcome.writtenThoughForbidden;
        fail("written, but its rules forbid it (expected " + s.refusal + ")");
        continue;
      }
      written.push_back({file, &config, s});
    }
  }

  std::vector<std::string> files;
  for (const auto& w : written) files.push_back(w.file);
  Decoded zxing, zbar, dmtx;
  if (row.zxing) zxing = DecodeZXing(files, row.zxing);
  if (row.zbar && Have("zbarimg")) zbar = DecodeZbar(files, row.zbar);
  if (row.dmtx && Have("dmtxread")) dmtx = DecodeDmtx(files);

  for (const auto& w : written) {
    std::vector<std::string> problems;
    if (row.zxing) {
      std::vector<std::string> got;
      bool idOk = true;
      for (const Result& r : zxing[w.file]) {
        got.push_back(row.zxingText ? r.text : r.bytes);
        if (*row.zxingId && r.id != row.zxingId) idOk = false;
      }
      if (row.zxingEndFirst) {
        const auto endFirst = [&want = w.sample.zxing.must](const std::string& r) {
          if (std::find(want.begin(), want.end(), r) != want.end()) return false;
          if (r.empty() || !std::all_of(r.begin(), r.end(), [](char c) { return c >= '0' && c <= '9'; })) return false;
          return std::any_of(want.begin(), want.end(), [&r](const std::string& m) { return m.size() == r.size(); });
        };
        got.erase(std::remove_if(got.begin(), got.end(), endFirst), got.end());
      }
      if (!Matches(w.sample.zxing, got))
        problems.push_back("ZXingReader read " + List(got) + ", expected " + List(w.sample.zxing.must));
      else if (!idOk)
        problems.push_back(std::string("ZXingReader reported another symbology identifier than ") + row.zxingId);
    }
    if (row.zbar && Have("zbarimg")) {
      std::vector<std::string> got;
      for (const Result& r : zbar[w.file]) got.push_back(r.bytes);
      if (!Matches(w.sample.zbar, got))
        problems.push_back("zbarimg read " + List(got) + ", expected " + List(w.sample.zbar.must));
    }
    if (row.dmtx && Have("dmtxread")) {
      std::vector<std::string> got;
      for (const Result& r : dmtx[w.file]) got.push_back(r.bytes);
      if (!Matches(Reads{{w.sample.dmtx}, {}}, got))
        problems.push_back("dmtxread read " + List(got) + ", expected " + List({w.sample.dmtx}));
    }
    if (problems.empty()) {
      ++outcome.decodedOk;
      continue;
    }
    std::string what;
    for (const auto& p : problems) what += (what.empty() ? "" : "; ") + p;
    ++outcome.failuresByConfig[w.config->name];
    outcome.failures.push_back("[" + w.config->name + "] \"" + Visible(w.sample.text) + "\": " + what);
  }
  return outcome;
}

void PrintTo(const Row& row, std::ostream* os) { *os << row.name; }

class ScanRoundTrip : public ::testing::TestWithParam<Row> {};

TEST_P(ScanRoundTrip, EveryTextReadsAsTypedOrIsRefusedByItsRules) {
  if (!Have("ZXingReader")) GTEST_SKIP() << "ZXingReader is not installed";
  const Row& row = GetParam();
  const RowOutcome o = RunRow(row);
  const bool report = Env("BARVELLO_SCAN_REPORT") != nullptr;
  std::string byConfig;
  for (const auto& [config, n] : o.failuresByConfig) byConfig += " " + config + "=" + std::to_string(n);
  std::printf(
      "[   scan   ] %s: %d images, %d read as typed, %zu failures%s; refused as its rules say %d, "
      "refused wrongly %d, written though forbidden %d\n",
      row.name.c_str(), o.images, o.decodedOk, o.failures.size(), byConfig.c_str(), o.refusedAsExpected,
      o.refusedWrongly, o.writtenThoughForbidden);
  if (o.failures.empty()) return;
  std::string message =
      row.name + ": " + std::to_string(o.failures.size()) + " failures (" + byConfig.substr(1) + ")\n";
  const size_t shown = report ? o.failures.size() : std::min<size_t>(o.failures.size(), 8);
  for (size_t i = 0; i < shown; ++i) message += "  " + o.failures[i] + "\n";
  if (shown < o.failures.size())
    message += "  ... " + std::to_string(o.failures.size() - shown) + " more (BARVELLO_SCAN_REPORT=1 lists them all)\n";
  ADD_FAILURE() << message;
}

INSTANTIATE_TEST_SUITE_P(Rows, ScanRoundTrip, ::testing::ValuesIn(Rows()),
                         [](const auto& info) { return info.param.name; });

// Every supported symbology has a row above, or no installed decoder reads it.
TEST(ScanRoundTripCoverage, EverySupportedSymbologyHasARowOrNoPublicReader) {
  std::set<std::string> covered;
  for (const Row& row : Rows()) covered.insert(row.symbology);
  for (TksBarcodeSymbology s : kNoPublicReader) covered.insert(SymbologyIdentifier(s));
  for (int i = 0; i < kSymbologyRows; ++i) {
    const auto s = static_cast<TksBarcodeSymbology>(i);
    if (SymbologyInfo(s, u"").Supported) {
      EXPECT_TRUE(covered.count(SymbologyIdentifier(s))) << SymbologyIdentifier(s);
    }
  }
}

}  // namespace
}  // namespace ks

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
