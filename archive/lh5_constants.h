// Shape of the -lh5- method shared by its decoder and encoder.
#pragma once

namespace vurerode::lh5 {

inline constexpr int kWindowBits = 13;
inline constexpr int kWindowSize = 1 << kWindowBits;  // 8192
inline constexpr int kMaxMatch = 256;
inline constexpr int kMinMatch = 3;

// Character/length alphabet: 256 literal bytes, then match lengths 3..256.
inline constexpr int kCharSymbols = 510;
inline constexpr int kCharCountBits = 9;
// Length-code alphabet that describes the character code lengths.
inline constexpr int kLenCodeSymbols = 19;
inline constexpr int kLenCodeCountBits = 5;
inline constexpr int kLenCodeSpecial = 3;
// Position alphabet: the number of significant bits of a distance code.
inline constexpr int kPosSymbols = kWindowBits + 1;  // 14
inline constexpr int kPosCountBits = 4;

inline constexpr int kMaxCodeLength = 16;
// Huffman tree nodes: leaves are symbols, internal nodes are numbered from the alphabet size on.
inline constexpr int kTreeNodes = 2 * kCharSymbols - 1;  // 1019

// A symbol above 255 stands for a match of length symbol - 253.
inline constexpr int kLengthBias = 256 - kMinMatch;  // 253

}  // namespace vurerode::lh5
