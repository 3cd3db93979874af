#include "platform/stream.h"

#include <algorithm>
#include <cstring>

#include "platform/exception.h"

namespace vurerode {

void TStream::ReadBuffer(void* buffer, size_t n) {
  if (Read(buffer, n) != n) throw EReadError("Stream read error");
}

void TStream::CopyFrom(TStream& source, int64_t count) {
  std::vector<uint8_t> chunk(65536);
  while (count > 0) {
    size_t want = static_cast<size_t>(std::min<int64_t>(count, static_cast<int64_t>(chunk.size())));
    size_t got = source.Read(chunk.data(), want);
    if (got == 0) throw EReadError("Stream read error");
    Write(chunk.data(), got);
    count -= static_cast<int64_t>(got);
  }
}

size_t TMemoryStream::Read(void* buffer, size_t n) {
  if (pos_ >= data_.size()) return 0;
  n = std::min(n, data_.size() - pos_);
  std::memcpy(buffer, data_.data() + pos_, n);
  pos_ += n;
  return n;
}

void TMemoryStream::Write(const void* buffer, size_t n) {
  if (n == 0) return;
  if (pos_ + n > data_.size()) data_.resize(pos_ + n);
  std::memcpy(data_.data() + pos_, buffer, n);
  pos_ += n;
}

int64_t TMemoryStream::Seek(int64_t offset, SeekOrigin origin) {
  int64_t base = origin == SeekOrigin::Begin     ? 0
                 : origin == SeekOrigin::Current ? static_cast<int64_t>(pos_)
                                                 : static_cast<int64_t>(data_.size());
  int64_t target = base + offset;
  if (target < 0) target = 0;
  pos_ = static_cast<size_t>(target);
  return target;
}

}  // namespace vurerode
