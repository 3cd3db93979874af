#include "archive/lh5_match_finder.h"

namespace vurerode::lh5 {

void MatchFinder::Init() {
  for (int i = kRoots; i < kRoots + 256; ++i) {
    level_[i] = 1;
    position_[i] = 0;
  }
  for (int i = kDicSize; i < 2 * kDicSize; ++i) parent_[i] = 0;
  avail_ = 1;
  for (int i = 1; i < kDicSize - 1; ++i) next_[i] = static_cast<uint16_t>(i + 1);
  next_[kDicSize - 1] = 0;
  for (int i = kHashBase; i <= kHashEnd; ++i) next_[i] = 0;
}

// Puts a new internal node in old's place, at the depth where pos and the match part ways, with
// old and pos as its two children.
void MatchFinder::Split(int old) {
  const int node = avail_;
  avail_ = next_[node];
  childCount_[node] = 0;
  int t = prev_[old];
  prev_[node] = static_cast<uint16_t>(t);
  next_[t] = static_cast<uint16_t>(node);
  t = next_[old];
  next_[node] = static_cast<uint16_t>(t);
  prev_[t] = static_cast<uint16_t>(node);
  parent_[node] = parent_[old];
  level_[node] = static_cast<uint8_t>(matchLen);
  position_[node] = static_cast<uint16_t>(pos);
  MakeChild(node, text[matchPos + matchLen], old);
  MakeChild(node, text[pos + matchLen], pos);
}

void MatchFinder::Insert() {
  int q;
  int r;
  if (matchLen >= 4) {
    // The previous position matched matchLen bytes at matchPos, so this one matches at least
    // matchLen - 1 at matchPos + 1: start from that leaf's ancestor at the right depth.
    --matchLen;
    r = (matchPos + 1) % kDicSize + kDicSize;
    // A leaf replaced by a longer-lived copy of itself points to it through next_.
    while ((q = parent_[r]) == 0) r = next_[r];
    while (level_[q] >= matchLen) {
      r = q;
      q = parent_[q];
    }
    int t = q;
    while (position_[t] & kPending) {
      position_[t] = static_cast<uint16_t>(pos);
      t = parent_[t];
    }
    if (t < kDicSize) position_[t] = static_cast<uint16_t>(pos | kPending);
  } else {
    q = text[pos] + kRoots;
    const int c = text[pos + 1];
    if ((r = Child(q, c)) == 0) {
      MakeChild(q, c, pos);
      matchLen = 1;
      return;
    }
    matchLen = 2;
  }
  for (;;) {
    int j;
    if (r >= kDicSize) {
      j = kMaxMatch;
      matchPos = r;
    } else {
      j = level_[r];
      matchPos = position_[r] & ~kPending;
    }
    if (matchPos >= pos) matchPos -= kDicSize;
    const uint8_t* t1 = &text[pos + matchLen];
    const uint8_t* t2 = &text[matchPos + matchLen];
    while (matchLen < j) {
      if (*t1 != *t2) {
        Split(r);
        return;
      }
      ++matchLen;
      ++t1;
      ++t2;
    }
    if (matchLen >= kMaxMatch) break;
    position_[r] = static_cast<uint16_t>(pos);
    q = r;
    if ((r = Child(q, *t1)) == 0) {
      MakeChild(q, *t1, pos);
      return;
    }
    ++matchLen;
  }
  // A full-length match: pos takes the old leaf's place, and the old leaf leads to it.
  int t = prev_[r];
  prev_[pos] = static_cast<uint16_t>(t);
  next_[t] = static_cast<uint16_t>(pos);
  t = next_[r];
  next_[pos] = static_cast<uint16_t>(t);
  prev_[t] = static_cast<uint16_t>(pos);
  parent_[pos] = static_cast<uint16_t>(q);
  parent_[r] = 0;
  next_[r] = static_cast<uint16_t>(pos);
}

void MatchFinder::Delete() {
  if (parent_[pos] == 0) return;
  int r = prev_[pos];
  int s = next_[pos];
  next_[r] = static_cast<uint16_t>(s);
  prev_[s] = static_cast<uint16_t>(r);
  r = parent_[pos];
  parent_[pos] = 0;
  if (r >= kDicSize || --childCount_[r] > 1) return;

  // r is left with one child and goes; first carry its latest position up through the
  // ancestors that are marked pending, and mark the first one that is not.
  int t = position_[r] & ~kPending;
  if (t >= pos) t -= kDicSize;
  s = t;
  int q = parent_[r];
  int u;
  while ((u = position_[q]) & kPending) {
    u &= ~kPending;
    if (u >= pos) u -= kDicSize;
    if (u > s) s = u;
    position_[q] = static_cast<uint16_t>(s | kDicSize);
    q = parent_[q];
  }
  if (q < kDicSize) {
    if (u >= pos) u -= kDicSize;
    if (u > s) s = u;
    position_[q] = static_cast<uint16_t>(s | kDicSize | kPending);
  }
  // The remaining child takes r's place in the chain and under r's parent.
  s = Child(r, text[t + level_[r]]);
  t = prev_[s];
  u = next_[s];
  next_[t] = static_cast<uint16_t>(u);
  prev_[u] = static_cast<uint16_t>(t);
  t = prev_[r];
  next_[t] = static_cast<uint16_t>(s);
  prev_[s] = static_cast<uint16_t>(t);
  t = next_[r];
  prev_[t] = static_cast<uint16_t>(s);
  next_[s] = static_cast<uint16_t>(t);
  parent_[s] = parent_[r];
  parent_[r] = 0;
  next_[r] = static_cast<uint16_t>(avail_);
  avail_ = r;
}

}  // namespace vurerode::lh5
