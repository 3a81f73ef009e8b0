// Code 128 value sequences: the code-set choice that both Code 128 and UCC/EAN 128 use.
#pragma once

#include <string>
#include <vector>

namespace ks {

// Code 128 symbol values that are not data.
inline constexpr int kCode128Shift = 98;
inline constexpr int kCode128CodeC = 99;
inline constexpr int kCode128CodeB = 100;
inline constexpr int kCode128CodeA = 101;
inline constexpr int kCode128StartA = 103;
inline constexpr int kCode128StartB = 104;
inline constexpr int kCode128StartC = 105;

// The symbol values (start code first, no check value, no stop) for `text`, with code
// sets A, B and C chosen by a fixed greedy rule: runs of four or more digits go to set C,
// a control character in set B latches to A (or is shifted in a control, lower-case,
// control triple), a lower-case letter in set A is shifted. Characters 128..134 carry the
// function values 96..102. The empty text gives an empty sequence. A character beyond
// code 134 has no symbol value: TksEncodeError erCharOutOfSet with its 1-based position.
std::vector<int> Compress128(const std::u16string& text);

}  // namespace ks
