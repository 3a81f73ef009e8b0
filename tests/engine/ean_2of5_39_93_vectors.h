// Reading tests/data/ean_2of5_39_93_vectors.txt (reference patterns made by bwip-js
// through tools/refgen/ean_2of5_39_93.js) and reducing our patterns to the same runs.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "engine/barcode.h"
#include "engine/errors.h"
#include "engine/symbology.h"

namespace ks::ref {

struct RefRow {
  int line = 0;
  TksBarcodeSymbology symbology = bcNone;
  std::string options;  // "-" or "+boX,-boY"
  std::u16string text;
  std::string runs;
};

inline std::u16string UnescapeRefText(const std::string& s) {
  std::u16string out;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '\\' && i + 1 < s.size() && s[i + 1] == '\\') {
      out += u'\\';
      ++i;
    } else if (s[i] == '\\' && i + 5 < s.size() && s[i + 1] == 'u') {
      out += static_cast<char16_t>(std::stoi(s.substr(i + 2, 4), nullptr, 16));
      i += 5;
    } else {
      out += static_cast<char16_t>(static_cast<unsigned char>(s[i]));
    }
  }
  return out;
}

// The rows of the given symbologies, in file order.
inline std::vector<RefRow> LoadRefRows(std::initializer_list<TksBarcodeSymbology> wanted) {
  std::vector<RefRow> rows;
  std::ifstream in(BARVELLO_TEST_DATA "/ean_2of5_39_93_vectors.txt");
  EXPECT_TRUE(in.good()) << "reference file missing";
  std::string line;
  int number = 0;
  while (std::getline(in, line)) {
    ++number;
    if (line.empty() || line[0] == '#') continue;
    std::vector<std::string> f;
    std::stringstream ss(line);
    for (std::string field; std::getline(ss, field, '\t');) f.push_back(field);
    if (f.size() != 4) {
      ADD_FAILURE() << "line " << number << " has " << f.size() << " fields";
      continue;
    }
    RefRow r;
    r.line = number;
    if (!SymbologyFromName(f[0], r.symbology)) {
      ADD_FAILURE() << "line " << number << ": unknown symbology " << f[0];
      continue;
    }
    if (std::find(wanted.begin(), wanted.end(), r.symbology) == wanted.end()) continue;
    r.options = f[1];
    r.text = UnescapeRefText(f[2]);
    r.runs = f[3];
    rows.push_back(r);
  }
  return rows;
}

// Applies "+boX"/"-boY" changes to the default options of `bc`.
inline void ApplyOptionChanges(TksBarcodeComponent& bc, const std::string& changes) {
  if (changes == "-") return;
  TksBarcodeOptions o = bc.Options();
  std::stringstream ss(changes);
  for (std::string tok; std::getline(ss, tok, ',');) {
    const int bit = OptionEnum().Find(tok.substr(1));
    ASSERT_GE(bit, 0) << tok;
    if (tok[0] == '+')
      o |= 1u << bit;
    else
      o &= ~(1u << bit);
  }
  bc.SetOptions(o);
}

inline bool IsLight(char c) { return c == '0' || c == ' ' || c == 'X'; }

// Widths of the bars and spaces from the first bar to the last: exact widths, or "n"/"w"
// for symbologies with two widths. A light run holding the add-on marker is "G".
inline std::string PatternRuns(const std::string& pattern, bool twoWidths) {
  size_t first = 0;
  while (first < pattern.size() && IsLight(pattern[first])) ++first;
  size_t last = pattern.size();
  while (last > first && IsLight(pattern[last - 1])) --last;
  std::string out;
  for (size_t i = first; i < last;) {
    const bool light = IsLight(pattern[i]);
    size_t j = i;
    bool marker = false;
    while (j < last && IsLight(pattern[j]) == light) marker |= pattern[j++] == 'X';
    const size_t width = j - i;
    if (marker)
      out += 'G';
    else if (twoWidths)
      out += width > 1 ? 'w' : 'n';
    else
      out += std::to_string(width);
    i = j;
  }
  return out;
}

// Types the row's text into a fresh barcode object (so completion writes check digits)
// and encodes it.
inline std::string EncodeRow(TksBarcodeComponent& bc, const RefRow& r) {
  bc.SetBarcodeSymbology(r.symbology);
  ApplyOptionChanges(bc, r.options);
  bc.SetBarCode(r.text);
  return bc.EncodeBars(bc.BarCode());
}

// Random texts for robustness loops: arbitrary bytes, digit-heavy texts, and the
// symbology's sample text with a few characters changed, inserted or removed, so that
// many texts pass validation and reach the encoder.
inline std::u16string RandomText(std::mt19937& gen, const std::u16string& sample) {
  std::uniform_int_distribution<int> kind(0, 3), len(0, 24), byte(0, 255), digit(0, 9), pick(0, 9);
  std::u16string t;
  const int k = kind(gen);
  if (k == 3) {
    t = sample;
    for (int edits = pick(gen) % 3; edits > 0; --edits) {
      const size_t at = t.empty() ? 0 : gen() % (t.size() + 1);
      const char16_t c = pick(gen) < 7 ? static_cast<char16_t>(u'0' + digit(gen))
                                       : static_cast<char16_t>(pick(gen) < 5 ? u' ' : byte(gen));
      const int op = pick(gen) % 3;
      if (op == 0 || at == t.size())
        t.insert(t.begin() + at, c);
      else if (op == 1)
        t[at] = c;
      else
        t.erase(at, 1);
    }
    return t;
  }
  const int n = len(gen);
  for (int i = 0; i < n; ++i) {
    if (k == 0)
      t += static_cast<char16_t>(byte(gen));
    else if (k == 1 || pick(gen) > 0)
      t += static_cast<char16_t>(u'0' + digit(gen));
    else
      t += pick(gen) < 5 ? u' ' : static_cast<char16_t>(byte(gen));
  }
  return t;
}

}  // namespace ks::ref
