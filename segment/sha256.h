// SHA-256 (FIPS 180-4), fed in pieces of any size. The media carry a SHA256SUMS file because an
// archive's byte sum misses bytes that only moved.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace vurerode {

class Sha256 {
 public:
  using Digest = std::array<uint8_t, 32>;

  Sha256();
  void Update(const void* data, size_t n);
  // The digest of everything fed so far; the object is spent afterwards.
  Digest Final();

  // Lower-case hex, as sha256sum prints a digest.
  static std::string Hex(const Digest& digest);

 private:
  void Compress(const uint8_t* blocks, size_t count);

  std::array<uint32_t, 8> state_;
  std::array<uint8_t, 64> block_{};
  size_t blockUsed_ = 0;
  uint64_t totalBytes_ = 0;
};

}  // namespace vurerode
