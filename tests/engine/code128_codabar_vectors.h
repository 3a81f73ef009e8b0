// Reading tests/data/code128_codabar_vectors.txt (reference patterns made by bwip-js
// through tools/refgen/code128_codabar.js) and reducing our patterns to plain modules.
#pragma once

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

namespace ks::testing {

struct RefVector {
  std::string flags;
  std::u16string text;
  std::string modules;  // '1' dark, '0' light

  bool Has(const std::string& flag) const {
    size_t from = 0;
    while (from <= flags.size()) {
      size_t to = flags.find(',', from);
      if (to == std::string::npos) to = flags.size();
      if (flags.compare(from, to - from, flag) == 0) return true;
      from = to + 1;
    }
    return false;
  }
};

// Undoes the file's escapes: \xHH and \\.
inline std::u16string UnescapeText(const std::string& s) {
  std::u16string out;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '\\' && i + 1 < s.size() && s[i + 1] == '\\') {
      out += u'\\';
      ++i;
    } else if (s[i] == '\\' && i + 3 < s.size() && s[i + 1] == 'x') {
      out += static_cast<char16_t>(std::stoi(s.substr(i + 2, 2), nullptr, 16));
      i += 3;
    } else {
      out += static_cast<char16_t>(static_cast<unsigned char>(s[i]));
    }
  }
  return out;
}

// The rows of one family, in file order.
inline std::vector<RefVector> LoadRefVectors(const std::string& family) {
  std::ifstream in(std::string(BARVELLO_TEST_DATA) + "/code128_codabar_vectors.txt");
  EXPECT_TRUE(in.good()) << "code128_codabar_vectors.txt not found";
  std::vector<RefVector> out;
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    std::vector<std::string> f;
    size_t from = 0;
    for (size_t tab; (tab = line.find('\t', from)) != std::string::npos; from = tab + 1) {
      f.push_back(line.substr(from, tab - from));
    }
    f.push_back(line.substr(from));
    if (f.size() != 4 || f[0] != family) continue;
    out.push_back({f[1], UnescapeText(f[2]), f[3]});
  }
  return out;
}

// Our pattern as plain modules: every dark kind (ordinary, guard, text-room bar) is '1',
// every light kind '0'.
inline std::string PlainModules(const std::string& pattern) {
  std::string m;
  m.reserve(pattern.size());
  for (char c : pattern) m += (c == '0' || c == ' ' || c == 'X') ? '0' : '1';
  return m;
}

// Light modules at the end belong to the quiet zone (a trailing gap or space that one
// encoder keeps and the other leaves out); the vectors are stored without them.
inline std::string TrimQuietZone(std::string modules) {
  const size_t last = modules.find_last_of('1');
  modules.resize(last == std::string::npos ? 0 : last + 1);
  return modules;
}

}  // namespace ks::testing
