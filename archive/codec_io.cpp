#include "archive/codec_io.h"

#include <algorithm>
#include <thread>

#include "archive/errors.h"
#include "archive/format.h"

namespace vurerode {

int32_t PercentOf(int32_t done, int32_t total) {
  if (total <= 100000) return total == 0 ? 0 : static_cast<int32_t>(static_cast<int64_t>(done) * 100 / total);
  return done / (total / 100);
}

CodecIO::CodecIO(const Setup& s) {
  Reset(s);
}

void CodecIO::Reset(const Setup& s) {
  input_ = s.input;
  output_ = s.output;
  remaining_ = s.inputSize > 0 ? s.inputSize : 0;
  read_so_far_ = 0;
  bytes_read_ = 0;
  abandoned_ = false;
  budget_ = s.outputBudget;
  progress_ = s.progress && *s.progress ? s.progress : nullptr;
  unscramble_ = s.unscrambleInput && s.key != 0;
  scramble_ = s.scrambleOutput && s.key != 0;
  sum_input_ = s.sumInput;
  yield_ = s.yield;
  uint32_t k = static_cast<uint32_t>(s.key);
  for (int i = 0; i < 4; ++i) key_bytes_[i] = static_cast<uint8_t>(k >> (8 * i));
  in_key_index_ = out_key_index_ = 0;
  end_of_input_ = false;
  in_cur_ = in_end_ = in_sum_from_ = in_buf_;
  read_sum_ = 0;
  out_cur_ = out_buf_;
  flushed_ = 0;
  write_sum_ = 0;
  UpdateOutputLimit();
}

void* CodecIO::Workspace(size_t bytes, size_t alignment) {
  if (alignment > workspace_.get_deleter().alignment) throw std::bad_alloc();
  if (bytes > workspace_size_) {
    workspace_.reset();
    workspace_size_ = 0;
    workspace_.reset(::operator new (bytes, std::align_val_t{workspace_.get_deleter().alignment}));
    workspace_size_ = bytes;
  }
  return workspace_.get();
}

bool CodecIO::Refill() {
  // The buffer is used up: flag the end until fresh bytes arrive.
  if (sum_input_ && !unscramble_)
    read_sum_ = ByteSum(in_sum_from_, static_cast<size_t>(in_cur_ - in_sum_from_), read_sum_);
  in_cur_ = in_end_ = in_sum_from_ = in_buf_;
  end_of_input_ = true;
  if (remaining_ <= 0) return false;
  size_t want = static_cast<size_t>(std::min<int64_t>(remaining_, static_cast<int64_t>(kCodecBufferSize)));
  size_t got = input_->Read(in_buf_, want);
  remaining_ -= static_cast<int64_t>(got);
  bytes_read_ += static_cast<int64_t>(got);
  if (got == 0) return false;
  if (progress_) {
    read_so_far_ += static_cast<int64_t>(got);
    int32_t percent = PercentOf(static_cast<int32_t>(read_so_far_), static_cast<int32_t>(read_so_far_ + remaining_));
    (*progress_)(percent);
    if (percent == -1) {
      // Abandoned: no further input for this entry.
      remaining_ = 0;
      abandoned_ = true;
      return false;
    }
  }
  if (yield_) std::this_thread::yield();
  in_end_ = in_buf_ + got;
  if (unscramble_) {
    // The sum counts the bytes as stored; the codec sees them unscrambled.
    if (sum_input_) read_sum_ = ByteSum(in_buf_, got, read_sum_);
    for (size_t i = 0; i < got; ++i) {
      in_buf_[i] ^= key_bytes_[in_key_index_];
      in_key_index_ = (in_key_index_ + 1) & 3;
    }
    in_sum_from_ = in_end_;
  }
  end_of_input_ = false;
  return true;
}

uint8_t CodecIO::NextByteSlow() {
  if (!Refill()) return 0;
  return *in_cur_++;
}

bool CodecIO::FillInput() {
  if (in_cur_ != in_end_) return true;
  return Refill();
}

uint32_t CodecIO::ReadSum() {
  if (sum_input_ && !unscramble_) {
    read_sum_ = ByteSum(in_sum_from_, static_cast<size_t>(in_cur_ - in_sum_from_), read_sum_);
    in_sum_from_ = in_cur_;
  }
  return read_sum_;
}

void CodecIO::UpdateOutputLimit() {
  int64_t room = static_cast<int64_t>(out_buf_ + kCodecBufferSize - out_cur_);
  int64_t budget_left = budget_ - BytesWritten();
  if (budget_left < 0) budget_left = 0;
  out_limit_ = out_cur_ + std::min(room, budget_left);
}

void CodecIO::Flush() {
  size_t n = static_cast<size_t>(out_cur_ - out_buf_);
  if (n == 0) return;
  if (yield_) std::this_thread::yield();
  if (scramble_) {
    for (size_t i = 0; i < n; ++i) {
      out_buf_[i] ^= key_bytes_[out_key_index_];
      out_key_index_ = (out_key_index_ + 1) & 3;
    }
  }
  write_sum_ = ByteSum(out_buf_, n, write_sum_);
  out_cur_ = out_buf_;
  flushed_ += static_cast<int64_t>(n);
  output_->Write(out_buf_, n);
}

void CodecIO::MakeRoom() {
  if (BytesWritten() >= budget_) throw EUnableToCompress();
  if (out_cur_ == out_buf_ + kCodecBufferSize) Flush();
  UpdateOutputLimit();
}

void CodecIO::PutByteSlow(uint8_t b) {
  MakeRoom();
  *out_cur_++ = b;
}

void CodecIO::PutBytes(const uint8_t* p, size_t n) {
  while (n > 0) {
    if (out_cur_ == out_limit_) MakeRoom();
    size_t step = std::min(n, OutputRoom());
    std::copy(p, p + step, out_cur_);
    out_cur_ += step;
    p += step;
    n -= step;
  }
}

uint32_t CodecIO::PendingSum() const {
  uint32_t sum = 0;
  unsigned k = out_key_index_;
  for (const uint8_t* p = out_buf_; p != out_cur_; ++p) {
    sum += scramble_ ? static_cast<uint8_t>(*p ^ key_bytes_[k]) : *p;
    k = (k + 1) & 3;
  }
  return sum;
}

void CodecIO::Finish() {
  Flush();
  UpdateOutputLimit();
}

}  // namespace vurerode
