// Reading the reference bar sequences of the postal symbologies and reducing our own
// patterns to the same bar kinds, for the postal and four-state encoder tests.
#pragma once

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "engine/ustring.h"

namespace ks::testing {

struct PostalVector {
  std::string family;
  std::string kinds;  // F full, A ascender, D descender, T tracker, H half
  std::u16string text;
};

// The vectors of one family from tests/data/postal_vectors.txt.
inline std::vector<PostalVector> LoadPostalVectors(const std::string& family) {
  std::ifstream in(std::string(BARVELLO_TEST_DATA) + "/postal_vectors.txt");
  EXPECT_TRUE(in.good()) << "postal_vectors.txt not found";
  std::vector<PostalVector> out;
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    const size_t a = line.find(' ');
    const size_t b = line.find(' ', a + 1);
    if (a == std::string::npos || b == std::string::npos) continue;
    if (line.compare(0, a, family) != 0 || a != family.size()) continue;
    out.push_back({family, line.substr(a + 1, b - a - 1), FromUtf8(line.substr(b + 1))});
  }
  return out;
}

// Reduces a postal pattern to one kind letter per bar. Bars must be separated by single
// light modules "0"; anything else in the pattern yields '?' so the comparison fails.
inline std::string BarKinds(const std::string& pattern) {
  std::string kinds;
  for (size_t i = 0; i < pattern.size(); ++i) {
    const char c = pattern[i];
    if (i % 2 == 1) {
      if (c != '0') kinds += '?';
      continue;
    }
    switch (c) {
      case '1': case 'V': case 'F': kinds += 'F'; break;
      case 'H': case 'A': kinds += 'A'; break;
      case 'D': kinds += 'D'; break;
      case 'S': case 'T': kinds += 'T'; break;
      case 'M': kinds += 'H'; break;
      default: kinds += '?'; break;
    }
  }
  return kinds;
}

}  // namespace ks::testing
