// Huffman codes for the -lh5- encoder: code lengths limited to 16 bits and canonical codes, built
// the same way for every block so that the coded bytes depend only on the input.
#pragma once

#include <cstdint>

#include "archive/lh5_constants.h"

namespace vurerode::lh5 {

// Working storage of BuildHuffmanTree, shared by the three alphabets of a block.
struct HuffmanScratch {
  uint16_t zeroChild[kTreeNodes];
  uint16_t oneChild[kTreeNodes];
  int16_t heap[kCharSymbols + 1];
  uint16_t order[kCharSymbols];  // symbols in the order they left the heap
};

// Builds a code for the n symbols of `freq` (which must have room for n - 1 tree nodes after
// them): lengths into len[0..n), codes (right-aligned, len bits each) into code[0..n). Returns the
// root: a node number of at least n, or the single symbol (0 when there is none) when fewer than
// two symbols occur; that symbol gets a zero-bit code and every length stays 0.
int BuildHuffmanTree(int n, uint16_t* freq, uint8_t* len, uint16_t* code, HuffmanScratch& scratch);

}  // namespace vurerode::lh5
