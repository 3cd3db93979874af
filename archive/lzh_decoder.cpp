// coLZH decoding: every bit pattern decodes to some symbol, and the window is indexed modulo its
// size, so damaged input yields wrong bytes but never a fault; the checksum tells the difference.
// Only a code that needs bits beyond the entry's data ends decoding early: a valid stream holds
// every bit of its codes, so such an entry is damaged, and a size field that claims far more than
// the data holds must not turn into gigabytes of output.
#include <algorithm>

#include "archive/codecs.h"
#include "archive/errors.h"
#include "archive/lzh_model.h"

namespace vurerode {
namespace {

using namespace lzh;

class BitReader {
 public:
  explicit BitReader(CodecIO& io) : io_(io) {}

  unsigned Bit() {
    Refill(1);
    const unsigned b = bits_ >> 15;
    bits_ = static_cast<uint16_t>(bits_ << 1);
    --count_;
    return b;
  }
  // n is at most 8.
  unsigned Bits(unsigned n) {
    Refill(n);
    const unsigned x = bits_ >> (16 - n);
    bits_ = static_cast<uint16_t>(bits_ << n);
    count_ -= n;
    return x;
  }

 private:
  // Makes sure the next `need` bits are the entry's own; the bits below count_ are zero.
  void Refill(unsigned need) {
    if (count_ <= 8) {
      const uint8_t byte = io_.NextByte();
      // The source gives 0 at its end.
      if (byte == 0 && io_.EndOfInput()) [[unlikely]] {
        if (need > count_) throw EBadChecksum();
        return;
      }
      bits_ = static_cast<uint16_t>(bits_ | (byte << (8 - count_)));
      count_ += 8;
    }
  }

  CodecIO& io_;
  uint16_t bits_ = 0;
  unsigned count_ = 0;
};

struct DecoderState {
  AdaptiveModel model;
  uint8_t window[kWindowSize];
};

int DecodeChar(AdaptiveModel& m, BitReader& in) {
  unsigned c = m.child[kRoot];
  while (c < kNodeCount) c = m.child[c + in.Bit()];
  const int symbol = static_cast<int>(c) - kNodeCount;
  m.Update(symbol);
  return symbol;
}

unsigned DecodePosition(BitReader& in) {
  const PositionCode& pc = FixedPositionCode();
  const unsigned b = in.Bits(8);
  const unsigned extra = pc.lengthOf[b] - 2u;
  const unsigned low = (b << extra) | in.Bits(extra);
  return (static_cast<unsigned>(pc.upperOf[b]) << 6) | (low & 0x3F);
}

}  // namespace

void DecodeLZH(CodecIO& io, int64_t count) {
  if (count <= 0) return;
  DecoderState* state = &io.NewState<DecoderState>(true);
  AdaptiveModel& model = state->model;
  uint8_t* window = state->window;
  model.Start();
  // Positions past the first one are written before a conforming stream refers to them.
  std::fill(window, window + kWindowSize, uint8_t{0x20});
  constexpr unsigned kMask = kWindowSize - 1;
  unsigned r = kFirstPosition;
  BitReader in(io);
  int64_t produced = 0;
  while (produced < count) {
    const int c = DecodeChar(model, in);
    if (c < 256) {
      const uint8_t b = static_cast<uint8_t>(c);
      io.PutByte(b);
      window[r] = b;
      r = (r + 1) & kMask;
      ++produced;
    } else {
      // Copied byte by byte: a match may overlap the bytes it produces. It is copied whole even
      // when it runs past count.
      unsigned src = (r - DecodePosition(in) - 1) & kMask;
      const int length = c - kLengthBias;
      for (int k = 0; k < length; ++k) {
        const uint8_t b = window[src];
        src = (src + 1) & kMask;
        io.PutByte(b);
        window[r] = b;
        r = (r + 1) & kMask;
      }
      produced += length;
    }
  }
}

}  // namespace vurerode
