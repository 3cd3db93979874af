#include "segment/sha256.h"

#include <algorithm>
#include <cstring>

#include "segment/sha256_blocks.h"

namespace vurerode::sha256_blocks {
namespace {

constexpr uint32_t Rotr(uint32_t x, int n) {
  return (x >> n) | (x << (32 - n));
}

}  // namespace

void Portable(uint32_t state[8], const uint8_t* blocks, size_t count) {
  for (; count > 0; --count, blocks += 64) {
    const uint8_t* block = blocks;
    uint32_t w[64];
    for (int i = 0; i < 16; ++i)
      w[i] = static_cast<uint32_t>(block[4 * i]) << 24 | static_cast<uint32_t>(block[4 * i + 1]) << 16 |
             static_cast<uint32_t>(block[4 * i + 2]) << 8 | static_cast<uint32_t>(block[4 * i + 3]);
    for (int i = 16; i < 64; ++i) {
      const uint32_t s0 = Rotr(w[i - 15], 7) ^ Rotr(w[i - 15], 18) ^ (w[i - 15] >> 3);
      const uint32_t s1 = Rotr(w[i - 2], 17) ^ Rotr(w[i - 2], 19) ^ (w[i - 2] >> 10);
      w[i] = w[i - 16] + s0 + w[i - 7] + s1;
    }
    uint32_t a = state[0], b = state[1], c = state[2], d = state[3];
    uint32_t e = state[4], f = state[5], g = state[6], h = state[7];
    for (int i = 0; i < 64; ++i) {
      const uint32_t t1 = h + (Rotr(e, 6) ^ Rotr(e, 11) ^ Rotr(e, 25)) + ((e & f) ^ (~e & g)) + kRound[i] + w[i];
      const uint32_t t2 = (Rotr(a, 2) ^ Rotr(a, 13) ^ Rotr(a, 22)) + ((a & b) ^ (a & c) ^ (b & c));
      h = g;
      g = f;
      f = e;
      e = d + t1;
      d = c;
      c = b;
      b = a;
      a = t1 + t2;
    }
    state[0] += a;
    state[1] += b;
    state[2] += c;
    state[3] += d;
    state[4] += e;
    state[5] += f;
    state[6] += g;
    state[7] += h;
  }
}

}  // namespace vurerode::sha256_blocks

namespace vurerode {

Sha256::Sha256()
    : state_{0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a, 0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19} {}

void Sha256::Compress(const uint8_t* blocks, size_t count) {
  if (!sha256_blocks::WithShaInstructions(state_.data(), blocks, count))
    sha256_blocks::Portable(state_.data(), blocks, count);
}

void Sha256::Update(const void* data, size_t n) {
  const uint8_t* p = static_cast<const uint8_t*>(data);
  totalBytes_ += n;
  if (blockUsed_ > 0) {
    const size_t take = std::min(n, block_.size() - blockUsed_);
    std::memcpy(block_.data() + blockUsed_, p, take);
    blockUsed_ += take;
    p += take;
    n -= take;
    if (blockUsed_ < block_.size()) return;
    Compress(block_.data(), 1);
    blockUsed_ = 0;
  }
  // Whole blocks straight from the caller's bytes.
  const size_t whole = n / block_.size();
  if (whole > 0) Compress(p, whole);
  p += whole * block_.size();
  n -= whole * block_.size();
  std::memcpy(block_.data(), p, n);
  blockUsed_ = n;
}

Sha256::Digest Sha256::Final() {
  const uint64_t bits = totalBytes_ * 8;
  // A one bit, zeros up to 56 bytes into a block, then the message length in bits, big-endian.
  block_[blockUsed_++] = 0x80;
  if (blockUsed_ > 56) {
    std::fill(block_.begin() + static_cast<std::ptrdiff_t>(blockUsed_), block_.end(), uint8_t{0});
    Compress(block_.data(), 1);
    blockUsed_ = 0;
  }
  std::fill(block_.begin() + static_cast<std::ptrdiff_t>(blockUsed_), block_.begin() + 56, uint8_t{0});
  for (int i = 0; i < 8; ++i) block_[56 + i] = static_cast<uint8_t>(bits >> (56 - 8 * i));
  Compress(block_.data(), 1);
  Digest digest;
  for (int i = 0; i < 8; ++i)
    for (int k = 0; k < 4; ++k) digest[4 * i + k] = static_cast<uint8_t>(state_[i] >> (24 - 8 * k));
  return digest;
}

std::string Sha256::Hex(const Digest& digest) {
  static const char kDigits[] = "0123456789abcdef";
  std::string hex;
  hex.reserve(2 * digest.size());
  for (uint8_t byte : digest) {
    hex += kDigits[byte >> 4];
    hex += kDigits[byte & 15];
  }
  return hex;
}

}  // namespace vurerode
