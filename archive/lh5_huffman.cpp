#include "archive/lh5_huffman.h"

namespace vurerode::lh5 {
namespace {

class TreeBuilder {
 public:
  TreeBuilder(int n, uint16_t* freq, HuffmanScratch& s) : n_(n), freq_(freq), s_(s) {}

  int Build(uint8_t* len, uint16_t* code);

 private:
  // Sifts heap[i] down. A child replaces its sibling only when strictly less frequent, and the
  // item stops at the first child that is not less frequent than itself: ties keep their places.
  void DownHeap(int i) {
    int16_t* heap = s_.heap;
    const int k = heap[i];
    int j;
    while ((j = 2 * i) <= heapSize_) {
      if (j < heapSize_ && freq_[heap[j]] > freq_[heap[j + 1]]) ++j;
      if (freq_[k] <= freq_[heap[j]]) break;
      heap[i] = heap[j];
      i = j;
    }
    heap[i] = static_cast<int16_t>(k);
  }
  void CountDepths(int node, int depth);
  void MakeLengths(int root, uint8_t* len);
  void MakeCodes(const uint8_t* len, uint16_t* code) const;

  int n_;
  uint16_t* freq_;
  HuffmanScratch& s_;
  int heapSize_ = 0;
  uint16_t lenCount_[17] = {};
};

void TreeBuilder::CountDepths(int node, int depth) {
  if (node < n_) {
    ++lenCount_[depth < 16 ? depth : 16];
    return;
  }
  CountDepths(s_.zeroChild[node], depth + 1);
  CountDepths(s_.oneChild[node], depth + 1);
}

void TreeBuilder::MakeLengths(int root, uint8_t* len) {
  CountDepths(root, 0);
  // Leaves deeper than 16 were counted at 16, which over-fills the code; take the excess back
  // from the longest codes, each step moving one code a level deeper to make room.
  uint16_t sum = 0;
  for (int i = 16; i > 0; --i) sum = static_cast<uint16_t>(sum + (lenCount_[i] << (16 - i)));
  if (sum != 0) {
    lenCount_[16] = static_cast<uint16_t>(lenCount_[16] - sum);
    for (; sum != 0; --sum) {
      for (int i = 15; i > 0; --i) {
        if (lenCount_[i] != 0) {
          --lenCount_[i];
          lenCount_[i + 1] = static_cast<uint16_t>(lenCount_[i + 1] + 2);
          break;
        }
      }
    }
  }
  // The least frequent symbols left the heap first; they get the longest codes.
  const uint16_t* next = s_.order;
  for (int i = 16; i > 0; --i)
    for (int k = lenCount_[i]; k > 0; --k) len[*next++] = static_cast<uint8_t>(i);
}

void TreeBuilder::MakeCodes(const uint8_t* len, uint16_t* code) const {
  uint16_t start[18];
  start[1] = 0;
  for (int i = 1; i <= 16; ++i) start[i + 1] = static_cast<uint16_t>((start[i] + lenCount_[i]) << 1);
  for (int i = 0; i < n_; ++i) code[i] = start[len[i]]++;
}

int TreeBuilder::Build(uint8_t* len, uint16_t* code) {
  int16_t* heap = s_.heap;
  heap[1] = 0;
  for (int i = 0; i < n_; ++i) {
    len[i] = 0;
    if (freq_[i] != 0) heap[++heapSize_] = static_cast<int16_t>(i);
  }
  if (heapSize_ < 2) {
    code[heap[1]] = 0;
    return heap[1];
  }
  for (int i = heapSize_ / 2; i >= 1; --i) DownHeap(i);

  uint16_t* order = s_.order;
  int nextNode = n_;
  int k;
  do {
    const int i = heap[1];
    if (i < n_) *order++ = static_cast<uint16_t>(i);
    heap[1] = heap[heapSize_--];
    DownHeap(1);
    const int j = heap[1];
    if (j < n_) *order++ = static_cast<uint16_t>(j);
    k = nextNode++;
    freq_[k] = static_cast<uint16_t>(freq_[i] + freq_[j]);
    heap[1] = static_cast<int16_t>(k);
    DownHeap(1);
    s_.zeroChild[k] = static_cast<uint16_t>(i);
    s_.oneChild[k] = static_cast<uint16_t>(j);
  } while (heapSize_ > 1);
  MakeLengths(k, len);
  MakeCodes(len, code);
  return k;
}

}  // namespace

int BuildHuffmanTree(int n, uint16_t* freq, uint8_t* len, uint16_t* code, HuffmanScratch& scratch) {
  return TreeBuilder(n, freq, scratch).Build(len, code);
}

}  // namespace vurerode::lh5
