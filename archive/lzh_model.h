// The coLZH method's shared pieces: the adaptive Huffman model of characters and match lengths,
// and the fixed prefix code of the upper six bits of a match position. Encoder and decoder must
// keep the model in step symbol by symbol, so both use this one implementation.
#pragma once

#include <array>
#include <cstdint>

namespace vurerode::lzh {

inline constexpr int kWindowSize = 4096;
inline constexpr int kMaxMatch = 60;
inline constexpr int kMinMatch = 3;
// 256 literal bytes, then match lengths 3 to 60.
inline constexpr int kSymbolCount = 256 - kMinMatch + 1 + kMaxMatch;  // 314
inline constexpr int kNodeCount = 2 * kSymbolCount - 1;               // 627
inline constexpr int kRoot = kNodeCount - 1;                          // 626
// The symbol of a match of length n is n + kLengthBias.
inline constexpr int kLengthBias = 253;
// Window positions below this start as spaces; the first byte goes here.
inline constexpr int kFirstPosition = kWindowSize - kMaxMatch;  // 4036

// Nodes are kept in order of frequency, siblings side by side with the first at an even index;
// that order is what lets a code bit be read off a node number.
class AdaptiveModel {
 public:
  void Start();
  void Update(int symbol);

  // Internal node: index of its first child (the second is the next index). Leaf: kNodeCount + symbol.
  uint16_t child[kNodeCount];
  // Parent of each node; at kNodeCount + symbol the leaf node of each symbol.
  uint16_t parent[kNodeCount + kSymbolCount];

 private:
  void Rebuild();

  // One more than the nodes: the last is a sentinel that stops the upward search in Update.
  uint16_t freq_[kNodeCount + 1];
};

// The fixed code of a position's upper six bits: 3 bits for 0, up to 8 bits for 48-63, canonical
// in increasing value.
struct PositionCode {
  uint8_t length[64];
  uint8_t code[64];  // left-aligned in 8 bits
  // By the next input byte: the upper six bits and the length of the code that byte begins with.
  uint8_t upperOf[256];
  uint8_t lengthOf[256];
};

const PositionCode& FixedPositionCode();

}  // namespace vurerode::lzh
