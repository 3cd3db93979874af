// The byte source and byte sink that every codec runs against: 8192-byte input and output buffers
// between the codec and the entry's streams, the key scrambling of locked entries, the byte sums
// that become checksums, the output budget that makes an encoder give up, and progress reports.
//
// Codecs take bytes with NextByte() and give them with PutByte(); both are inline with the slow
// path out of line. Fast codecs may also work on the buffers directly through the bulk calls.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <new>
#include <type_traits>

#include "platform/stream.h"

namespace vurerode {

using TShowProgressEvent = std::function<void(int32_t& PercentageDone)>;

inline constexpr size_t kCodecBufferSize = 8192;

// done * 100 / total with signed 32-bit truncating division, dividing total first once it is large
// enough for the product to overflow.
int32_t PercentOf(int32_t done, int32_t total);

class CodecIO {
 public:
  struct Setup {
    TStream* input = nullptr;
    TStream* output = nullptr;
    int64_t inputSize = 0;              // bytes the source may deliver for this entry
    int64_t outputBudget = 0x7FFFFFFF;  // bytes the sink may take before EUnableToCompress
    int32_t key = 0;                    // the component's key
    bool unscrambleInput = false;       // XOR input bytes with the key (reading a locked entry)
    bool scrambleOutput = false;        // XOR output bytes with the key (writing with a key)
    bool sumInput = true;               // keep ReadSum() (only compressing needs it)
    bool yield = true;                  // give up the processor at every refill and flush
    const TShowProgressEvent* progress = nullptr;
  };

  explicit CodecIO(const Setup& setup);
  CodecIO(const CodecIO&) = delete;
  CodecIO& operator=(const CodecIO&) = delete;

  // Starts over on another entry: empty buffers, fresh sums and counts, the new streams and key.
  // The workspace stays.
  void Reset(const Setup& setup);

  // ---- working memory ----

  // A codec's tables for one entry, in memory that outlives the entry: a component that expands
  // thousands of small files then takes its tables from the heap once, not once a file. The state
  // is value-initialised (all zero) when zeroed, else default-initialised, and is valid until the
  // next call or the end of this CodecIO.
  template <typename State>
  State& NewState(bool zeroed) {
    static_assert(std::is_trivially_destructible_v<State>, "the workspace never runs destructors");
    void* block = Workspace(sizeof(State), alignof(State));
    return zeroed ? *::new (block) State() : *::new (block) State;
  }

  // ---- byte source ----

  // The next input byte; 0 once the input is used up or abandoned (EndOfInput() is then true).
  uint8_t NextByte() {
    if (in_cur_ != in_end_) [[likely]]
      return *in_cur_++;
    return NextByteSlow();
  }
  // True once a read found no more input; stays true after the input was abandoned.
  bool EndOfInput() const { return end_of_input_; }

  // Bulk input: the unread bytes of the buffer. FillInput() refills an empty buffer exactly as
  // NextByte() would (progress, yield) without taking a byte; false at the end of the input.
  const uint8_t* InputCursor() const { return in_cur_; }
  size_t InputAvailable() const { return static_cast<size_t>(in_end_ - in_cur_); }
  void Consume(size_t n) { in_cur_ += n; }
  bool FillInput();

  // ---- byte sink ----

  void PutByte(uint8_t b) {
    if (out_cur_ != out_limit_) [[likely]] {
      *out_cur_++ = b;
      return;
    }
    PutByteSlow(b);
  }
  void PutBytes(const uint8_t* p, size_t n);

  // Bulk output: room that can be written now without a flush and within the budget. MakeRoom()
  // flushes a full buffer, or raises EUnableToCompress when the budget is spent.
  uint8_t* OutputCursor() { return out_cur_; }
  size_t OutputRoom() const { return static_cast<size_t>(out_limit_ - out_cur_); }
  void Commit(size_t n) { out_cur_ += n; }
  void MakeRoom();

  // Writes what is left in the output buffer to the output stream.
  void Finish();

  // ---- results ----

  // Sum of the input bytes taken, as stored (0 unless the setup asked for it).
  uint32_t ReadSum();
  // Sum of the bytes written, as written (after scrambling).
  uint32_t WriteSum() const { return write_sum_ + PendingSum(); }
  int64_t BytesWritten() const { return flushed_ + (out_cur_ - out_buf_); }
  // Bytes taken from the input stream, and whether the progress handler abandoned the input.
  int64_t BytesRead() const { return bytes_read_; }
  bool Abandoned() const { return abandoned_; }

 private:
  uint8_t NextByteSlow();
  bool Refill();
  void PutByteSlow(uint8_t b);
  void Flush();
  void UpdateOutputLimit();
  uint32_t PendingSum() const;
  void* Workspace(size_t bytes, size_t alignment);

  struct AlignedFree {
    size_t alignment;
    void operator()(void* p) const { ::operator delete (p, std::align_val_t{alignment}); }
  };
  std::unique_ptr<void, AlignedFree> workspace_{nullptr, AlignedFree{64}};
  size_t workspace_size_ = 0;

  TStream* input_;
  TStream* output_;
  int64_t remaining_;
  int64_t read_so_far_ = 0;
  int64_t bytes_read_ = 0;
  bool abandoned_ = false;
  int64_t budget_;
  const TShowProgressEvent* progress_;
  bool unscramble_;
  bool scramble_;
  bool sum_input_;
  bool yield_;
  uint8_t key_bytes_[4];
  unsigned in_key_index_ = 0;
  unsigned out_key_index_ = 0;
  bool end_of_input_ = false;

  uint8_t* in_cur_;
  uint8_t* in_end_;
  uint8_t* in_sum_from_;
  uint32_t read_sum_ = 0;

  uint8_t* out_cur_;
  uint8_t* out_limit_;
  int64_t flushed_ = 0;
  uint32_t write_sum_ = 0;

  alignas(64) uint8_t in_buf_[kCodecBufferSize];
  alignas(64) uint8_t out_buf_[kCodecBufferSize];
};

}  // namespace vurerode
