// Reads a file opened for reading through an 8 KiB buffer: the archive component reads entry
// headers and names a few bytes at a time and seeks over data, which would otherwise each be a
// system call.
#pragma once

#include <algorithm>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/file_system.h"

namespace vurerode::cli {

class BufferedReadFile : public platform::TFileStream {
 public:
  explicit BufferedReadFile(std::unique_ptr<platform::TFileStream> inner)
      : inner_(std::move(inner)), size_(inner_->Size()), buffer_(8 * 1024) {}

  size_t Read(void* out, size_t n) override {
    uint8_t* dest = static_cast<uint8_t*>(out);
    size_t done = 0;
    while (done < n) {
      if (pos_ < start_ || pos_ >= start_ + filled_) {
        MoveInner();
        if (n - done >= buffer_.size()) {  // large reads go straight through
          size_t got = inner_->Read(dest + done, n - done);
          pos_ += static_cast<int64_t>(got);
          innerPos_ = pos_;
          return done + got;
        }
        start_ = pos_;
        filled_ = static_cast<int64_t>(inner_->Read(buffer_.data(), buffer_.size()));
        innerPos_ = start_ + filled_;
        if (filled_ == 0) break;
      }
      size_t k = std::min(n - done, static_cast<size_t>(start_ + filled_ - pos_));
      std::copy_n(buffer_.data() + (pos_ - start_), k, dest + done);
      done += k;
      pos_ += static_cast<int64_t>(k);
    }
    return done;
  }
  void Write(const void* b, size_t n) override {
    filled_ = 0;
    MoveInner();
    inner_->Write(b, n);
    pos_ += static_cast<int64_t>(n);
    innerPos_ = pos_;
    size_ = inner_->Size();
  }
  int64_t Seek(int64_t offset, SeekOrigin origin) override {
    int64_t base = origin == SeekOrigin::Begin ? 0 : origin == SeekOrigin::Current ? pos_ : size_;
    pos_ = std::max<int64_t>(0, base + offset);
    return pos_;
  }
  int64_t Size() override { return size_; }
  void Truncate() override {
    filled_ = 0;
    MoveInner();
    inner_->Truncate();
    size_ = inner_->Size();
  }
  void SetLastWriteDosTime(uint32_t t) override { inner_->SetLastWriteDosTime(t); }
  uint32_t LastWriteDosTime() override { return inner_->LastWriteDosTime(); }
  const std::string& Path() const override { return inner_->Path(); }

 private:
  // The inner file's position is kept here, so that reading on where the last read stopped takes no
  // seek.
  void MoveInner() {
    if (innerPos_ != pos_) innerPos_ = inner_->Seek(pos_, SeekOrigin::Begin);
  }

  std::unique_ptr<platform::TFileStream> inner_;
  int64_t size_;
  std::vector<uint8_t> buffer_;
  int64_t start_ = 0, filled_ = 0, pos_ = 0;
  int64_t innerPos_ = 0;
};

}  // namespace vurerode::cli
