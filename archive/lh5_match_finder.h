// The -lh5- encoder's dictionary: the last 8192 positions of the input in a trie of their suffixes,
// which gives for each new position the longest earlier match (up to 256 bytes) and, among equal
// ones, the most recent.
//
// Node numbers: 1-8191 are internal nodes, 8192-8447 the roots (one per first byte), and the text
// positions 8192-16383 are the leaves. A node's children hang in hash chains keyed by the parent
// and the byte that leads to the child. An internal node remembers the latest position below it;
// updating that on every insertion would climb to the root, so the update stops at the first node
// that is not yet marked pending and marks it, and later passes carry it further.
#pragma once

#include <cstdint>
#include <cstring>

#include "archive/lh5_constants.h"

namespace vurerode::lh5 {

class MatchFinder {
 public:
  static constexpr int kDicSize = kWindowSize;
  // Two dictionary halves and the look-ahead of the longest match.
  static constexpr int kTextSize = 2 * kDicSize + kMaxMatch;
  static constexpr int kFirstPos = kDicSize + kMaxMatch;  // where the first input goes
  static constexpr int kRoots = kDicSize;                 // root of byte c is kRoots + c
  static constexpr int kHashBase = 2 * kDicSize;
  // Chain heads: twice as many as there are nodes with a parent. A chain link holds a head's number
  // in 16 bits, which bounds them.
  static constexpr int kHashBits = 15;
  static constexpr int kHashEnd = kHashBase + (1 << kHashBits) - 1;
  static constexpr uint16_t kPending = 0x8000;

  // text[pos .. pos + 255] may be read; text[kTextSize] is spare room.
  uint8_t text[kTextSize + 1];
  int pos = kFirstPos;
  int matchLen = 0;
  int matchPos = 0;

  // Empties the trie.
  void Init();
  // Adds pos to the trie and sets matchLen / matchPos for it. A previous match of 4 or more
  // (matchLen, matchPos of the previous position) lets the walk start deep in the trie.
  void Insert();
  // Removes leaf pos (the position 8192 bytes back that pos now replaces), if it is in the trie.
  void Delete();

 private:
  // Which chain holds q's child for byte c. Only the node with parent q is looked for along a
  // chain, so any spread works; a multiplicative one keeps chains short.
  static int Hash(int q, int c) {
    return kHashBase + static_cast<int>((static_cast<uint32_t>(q << 8 | c) * 0x9E3779B1u) >> (32 - kHashBits));
  }
  int Child(int q, int c) {
    int r = next_[Hash(q, c)];
    parent_[0] = static_cast<uint16_t>(q);  // the chain's end stops the walk
    while (parent_[r] != q) r = next_[r];
    return r;
  }
  void MakeChild(int q, int c, int r) {
    const int h = Hash(q, c);
    const int t = next_[h];
    next_[h] = static_cast<uint16_t>(r);
    next_[r] = static_cast<uint16_t>(t);
    prev_[t] = static_cast<uint16_t>(r);
    prev_[r] = static_cast<uint16_t>(h);
    parent_[r] = static_cast<uint16_t>(q);
    ++childCount_[q];
  }
  void Split(int old);

  uint8_t level_[kDicSize + 256 + 1];
  uint8_t childCount_[kDicSize + 256 + 1];  // counts modulo 256; only "more than one" matters
  uint16_t position_[kDicSize + 256 + 1];
  uint16_t parent_[2 * kDicSize + 1];
  uint16_t prev_[2 * kDicSize + 1];
  uint16_t next_[kHashEnd + 1];  // chain links, hash heads from kHashBase, free list of nodes
  int avail_ = 1;
};

}  // namespace vurerode::lh5
