// Seekable byte streams: the archive and segment layers work on these, whether the bytes live in a
// file of the target system or in memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace vurerode {

enum class SeekOrigin { Begin, Current, End };

class TStream {
 public:
  virtual ~TStream() = default;
  TStream() = default;
  TStream(const TStream&) = delete;
  TStream& operator=(const TStream&) = delete;

  // Reads up to n bytes; returns how many arrived (0 at the end).
  virtual size_t Read(void* buffer, size_t n) = 0;
  // Writes n bytes or raises: a stream never reports a short write as success.
  virtual void Write(const void* buffer, size_t n) = 0;
  // Moves the position; returns the new position from the beginning.
  virtual int64_t Seek(int64_t offset, SeekOrigin origin) = 0;
  virtual int64_t Size() = 0;
  // Cuts the stream at its current position.
  virtual void Truncate() = 0;

  int64_t Position() { return Seek(0, SeekOrigin::Current); }
  void SetPosition(int64_t pos) { Seek(pos, SeekOrigin::Begin); }
  int64_t Remaining() {
    int64_t pos = Position();
    int64_t size = Size();
    return size > pos ? size - pos : 0;
  }
  // Reads exactly n bytes or raises EReadError.
  void ReadBuffer(void* buffer, size_t n);
  // Copies count bytes from source to this stream; raises EReadError when source runs short.
  void CopyFrom(TStream& source, int64_t count);
};

// A growable stream held in memory.
class TMemoryStream : public TStream {
 public:
  TMemoryStream() = default;
  explicit TMemoryStream(std::vector<uint8_t> data) : data_(std::move(data)) {}

  size_t Read(void* buffer, size_t n) override;
  void Write(const void* buffer, size_t n) override;
  int64_t Seek(int64_t offset, SeekOrigin origin) override;
  int64_t Size() override { return static_cast<int64_t>(data_.size()); }
  void Truncate() override { data_.resize(pos_ < data_.size() ? pos_ : data_.size()); }

  const std::vector<uint8_t>& data() const { return data_; }
  std::vector<uint8_t>& data() { return data_; }

 private:
  std::vector<uint8_t> data_;
  size_t pos_ = 0;
};

}  // namespace vurerode
