// What the zstd method's reader and writer share; each lives in its own file, so that a program
// that only reads (the installer) links no encoder.
#pragma once

#include <zstd.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/exception.h"

namespace vurerode::zstd_method {

struct CContextDeleter {
  void operator()(ZSTD_CCtx* c) const { ZSTD_freeCCtx(c); }
};
struct DContextDeleter {
  void operator()(ZSTD_DCtx* d) const { ZSTD_freeDCtx(d); }
};

// A locked entry's coded bytes are XORed with the key's four bytes in turn, from its first byte on,
// as the built-in methods' are.
class KeyMask {
 public:
  explicit KeyMask(int32_t key) {
    for (int i = 0; i < 4; ++i) bytes_[i] = static_cast<uint8_t>(static_cast<uint32_t>(key) >> (8 * i));
  }
  void Apply(uint8_t* p, size_t n) {
    for (size_t i = 0; i < n; ++i) {
      p[i] ^= bytes_[index_];
      index_ = (index_ + 1) & 3;
    }
  }

 private:
  uint8_t bytes_[4] = {};
  unsigned index_ = 0;
};

inline size_t Checked(size_t result) {
  if (ZSTD_isError(result)) throw Exception(std::string("zstd: ") + ZSTD_getErrorName(result));
  return result;
}

}  // namespace vurerode::zstd_method
