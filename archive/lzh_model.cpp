#include "archive/lzh_model.h"

#include <algorithm>

namespace vurerode::lzh {

void AdaptiveModel::Start() {
  for (int i = 0; i < kSymbolCount; ++i) {
    freq_[i] = 1;
    child[i] = static_cast<uint16_t>(i + kNodeCount);
    parent[i + kNodeCount] = static_cast<uint16_t>(i);
  }
  for (int i = 0, j = kSymbolCount; j <= kRoot; i += 2, ++j) {
    freq_[j] = static_cast<uint16_t>(freq_[i] + freq_[i + 1]);
    child[j] = static_cast<uint16_t>(i);
    parent[i] = parent[i + 1] = static_cast<uint16_t>(j);
  }
  freq_[kNodeCount] = 0xFFFF;
  parent[kRoot] = 0;
}

void AdaptiveModel::Rebuild() {
  // Halve the leaves' counts, keeping them in their order.
  int j = 0;
  for (int i = 0; i < kNodeCount; ++i) {
    if (child[i] >= kNodeCount) {
      freq_[j] = static_cast<uint16_t>((freq_[i] + 1) / 2);
      child[j] = child[i];
      ++j;
    }
  }
  // Pair them up again, each new node inserted where its frequency keeps the order.
  for (int i = 0, j2 = kSymbolCount; j2 < kNodeCount; i += 2, ++j2) {
    const uint16_t f = static_cast<uint16_t>(freq_[i] + freq_[i + 1]);
    int k = j2 - 1;
    while (f < freq_[k]) --k;
    ++k;
    std::copy_backward(freq_ + k, freq_ + j2, freq_ + j2 + 1);
    std::copy_backward(child + k, child + j2, child + j2 + 1);
    freq_[k] = f;
    child[k] = static_cast<uint16_t>(i);
  }
  for (int i = 0; i < kNodeCount; ++i) {
    const int k = child[i];
    if (k >= kNodeCount) {
      parent[k] = static_cast<uint16_t>(i);
    } else {
      parent[k] = parent[k + 1] = static_cast<uint16_t>(i);
    }
  }
}

void AdaptiveModel::Update(int symbol) {
  if (freq_[kRoot] == 0x8000) Rebuild();
  int c = parent[symbol + kNodeCount];
  do {
    const uint16_t k = ++freq_[c];
    int l = c + 1;
    if (k > freq_[l]) {
      // Move the node past every node of lower frequency so that the order holds again.
      while (k > freq_[++l]) {
      }
      --l;
      freq_[c] = freq_[l];
      freq_[l] = k;
      const int i = child[c];
      parent[i] = static_cast<uint16_t>(l);
      if (i < kNodeCount) parent[i + 1] = static_cast<uint16_t>(l);
      const int j = child[l];
      child[l] = static_cast<uint16_t>(i);
      parent[j] = static_cast<uint16_t>(c);
      if (j < kNodeCount) parent[j + 1] = static_cast<uint16_t>(c);
      child[c] = static_cast<uint16_t>(j);
      c = l;
    }
    c = parent[c];
  } while (c != 0);
}

namespace {

constexpr PositionCode MakePositionCode() {
  PositionCode pc{};
  unsigned next = 0;  // the next code, left-aligned in 8 bits
  for (int u = 0; u < 64; ++u) {
    const int len = u < 1 ? 3 : u < 4 ? 4 : u < 12 ? 5 : u < 24 ? 6 : u < 48 ? 7 : 8;
    pc.length[u] = static_cast<uint8_t>(len);
    pc.code[u] = static_cast<uint8_t>(next);
    const unsigned span = 1u << (8 - len);
    for (unsigned b = next; b < next + span; ++b) {
      pc.upperOf[b] = static_cast<uint8_t>(u);
      pc.lengthOf[b] = static_cast<uint8_t>(len);
    }
    next += span;
  }
  return pc;
}

constexpr PositionCode kPositionCode = MakePositionCode();

}  // namespace

const PositionCode& FixedPositionCode() {
  return kPositionCode;
}

}  // namespace vurerode::lzh
