// Byte helpers the single file's reader and writer share; the writer lives in a file of its own,
// so that the installer links no encoder.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/stream.h"

namespace vurerode::single_file_bytes {

inline uint64_t Align8(uint64_t n) {
  return (n + 7) & ~uint64_t{7};
}

template <typename T>
inline void PutLe(std::vector<uint8_t>& out, T v) {
  for (size_t i = 0; i < sizeof(T); ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

// The size bytes at offset; empty when the file ends first.
inline std::vector<uint8_t> ReadAt(TStream& in, uint64_t offset, uint64_t size) {
  std::vector<uint8_t> bytes(static_cast<size_t>(size));
  in.SetPosition(static_cast<int64_t>(offset));
  for (size_t got = 0, n = 1; got < bytes.size(); got += n)
    if ((n = in.Read(bytes.data() + got, bytes.size() - got)) == 0) return {};  // the file ends first
  return bytes;
}

}  // namespace vurerode::single_file_bytes
