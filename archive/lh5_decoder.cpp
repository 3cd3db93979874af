// The -lh5- decoder: blocks of static Huffman codes over an 8192-byte sliding window.
//
// Codes are found through direct lookup tables (12 bits wide for characters, 8 for length codes and
// positions); longer codes continue in small binary trees. The table builder is deliberately
// literal: a malformed stream can leave tables in states that later codes walk into (an over-full
// code whose total wraps to zero in 16 bits, an alphabet sent with zero-bit codes, a table that is
// not rebuilt), and the bytes such a stream decodes to are part of the method's behaviour. Instead
// of trusting the stream, every table write is checked: a table that would reach beyond its storage
// is reported as ELZHBadDecodeTable, as is a tree walk that could never end.
//
// Past the end of the input the stream reads as zero bits, enough for the last code's look-ahead;
// a code that takes one of them is damage (EBadChecksum). Zero bits alone would otherwise make a
// block header of zero-bit codes, and any claimed size would be produced from nothing.

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <iterator>

#include "archive/codecs.h"
#include "archive/errors.h"
#include "archive/lh5_constants.h"

namespace vurerode {
namespace {

using namespace lh5;

constexpr int kCharTableBits = 12;
constexpr int kShortTableBits = 8;

// Decoded bytes collect behind 8192 bytes of history and go to the sink a run at a time.
constexpr size_t kRunSize = 24576;
// A match that starts just before the end of a run may write this far past it.
constexpr size_t kSlack = kMaxMatch + 16;

// Past the bits it can see, a tree walk follows zero branches. Nodes are below kTreeNodes, so a
// walk longer than this is going round a loop and would never end.
constexpr int kWalkLimit = 16 + kTreeNodes;

// Combined table entries: symbol in the low bits, code length from kLenShift on; or kNeedsWalk
// with the tree node in the low bits.
constexpr uint16_t kNeedsWalk = 0x8000;
constexpr int kLenShift = 9;
constexpr uint16_t kSymbolMask = (1u << kLenShift) - 1;

// The value a table entry stands for: a symbol or a tree node.
inline unsigned RawValue(uint16_t e) {
  return (e & kNeedsWalk) ? e & ~kNeedsWalk : e & kSymbolMask;
}

// Most ranges a code fills are a few entries long: four at a time beats a general fill.
inline void FillEntries(uint16_t* t, unsigned from, unsigned to, uint16_t value) {
  const uint64_t four = value * 0x0001000100010001ull;
  unsigned k = from;
  for (; to - k >= 4; k += 4) std::memcpy(t + k, &four, 8);
  for (; k < to; ++k) t[k] = value;
}

// A table of plain values (symbols and node numbers).
struct PlainTable {
  uint16_t* t;
  unsigned Raw(unsigned i) const { return t[i]; }
  void SetNode(unsigned i, unsigned node) { t[i] = static_cast<uint16_t>(node); }
  void Fill(unsigned from, unsigned to, unsigned ch, unsigned) {
    std::fill(t + from, t + to, static_cast<uint16_t>(ch));
  }
};
// A table of combined entries.
struct CombinedTable {
  uint16_t* t;
  unsigned Raw(unsigned i) const { return RawValue(t[i]); }
  void SetNode(unsigned i, unsigned node) { t[i] = static_cast<uint16_t>(kNeedsWalk | node); }
  void Fill(unsigned from, unsigned to, unsigned ch, unsigned len) {
    FillEntries(t, from, to, static_cast<uint16_t>(ch | len << kLenShift));
  }
};

struct DecoderState {
  // The character table keeps each entry's symbol with its code length (or kNeedsWalk with a tree
  // node), so that one lookup gives both; the short table keeps plain values.
  uint16_t charTable[1 << kCharTableBits];
  uint16_t shortTable[1 << kShortTableBits];
  uint16_t zeroChild[kTreeNodes];
  uint16_t oneChild[kTreeNodes];
  uint8_t charLen[kCharSymbols];
  uint8_t shortLen[kLenCodeSymbols];
  // The position table in the character table's form, derived after each header.
  uint16_t fastPos[1 << kShortTableBits];
  // History (the window, initially spaces) followed by the bytes of the current run.
  uint8_t window[kWindowSize + kRunSize + kSlack];
};

inline uint64_t LoadBigEndian64(const uint8_t* p) {
  uint64_t v;
  std::memcpy(&v, p, sizeof v);
#if defined(__GNUC__)
  return __builtin_bswap64(v);
#else
  uint64_t r = 0;
  for (int i = 0; i < 8; ++i) r = (r << 8) | p[i];
  return r;
#endif
}

class Lh5Decoder {
 public:
  explicit Lh5Decoder(CodecIO& io) : io_(io), s_(&io.NewState<DecoderState>(false)) {
    // Tables start empty; the run area needs nothing.
    std::memset(s_, 0, offsetof(DecoderState, window));
    std::memset(s_->window, 0x20, kWindowSize);
    in_ = inEnd_ = io_.InputCursor();
    inEnd_ += io_.InputAvailable();
  }

  void Run(int64_t count);

 private:
  // ---- bit input ----
  // bits_ holds the next count_ bits of input from its top bit down. The bits below them are
  // zero or already the input's next bits, so an 8-byte load may overlap bytes taken later.
  void FillSlow();
  void Ensure16() {
    if (count_ < 16) FillSlow();
  }
  unsigned Peek16() {
    Ensure16();
    return static_cast<unsigned>(bits_ >> 48);
  }
  void Skip(unsigned n);
  unsigned TakeBits(unsigned n) {
    if (n == 0) return 0;
    unsigned x = Peek16() >> (16 - n);
    Skip(n);
    return x;
  }

  // ---- tables ----
  // Fills the table from the code lengths; true when they form a complete prefix code, so that
  // every entry was written afresh.
  template <typename Table>
  bool BuildTable(int nchar, const uint8_t* bitLen, int tableBits, Table table);
  void BuildFastTables();
  void ReadShortLengths(int nn, int nbit, int special);
  void ReadCharLengths();
  void ReadBlockHeader();
  unsigned WalkCharTree(unsigned j);
  unsigned WalkPosTree(unsigned j);

  // ---- output ----
  void SendPending() {
    io_.PutBytes(s_->window + emitted_, pos_ - emitted_);
    emitted_ = pos_;
  }
  void EndRun() {
    SendPending();
    std::memmove(s_->window, s_->window + pos_ - kWindowSize, kWindowSize);
    pos_ = emitted_ = kWindowSize;
  }
  // What was decoded before the failure reaches the sink, as it would byte by byte.
  [[noreturn]] void Fail() {
    SendPending();
    throw ELZHBadDecodeTable();
  }
  [[noreturn]] void Overrun() {
    SendPending();
    throw EBadChecksum();
  }
  // True once a code took bits from beyond the end of the input.
  bool TookBitsPastEnd() const { return count_ < pastEndFloor_; }

  CodecIO& io_;
  DecoderState* s_;
  uint64_t bits_ = 0;
  unsigned count_ = 0;
  bool ended_ = false;
  // Once the input has ended, count_ falls below this when bits past its end have been taken.
  unsigned pastEndFloor_ = 0;
  const uint8_t* in_;
  const uint8_t* inEnd_;
  uint32_t codesLeft_ = 0;
  bool charCodeComplete_ = false;
  size_t pos_ = kWindowSize;
  size_t emitted_ = kWindowSize;
};

void Lh5Decoder::FillSlow() {
  for (;;) {
    if (inEnd_ - in_ >= 8) {
      bits_ |= LoadBigEndian64(in_) >> count_;
      unsigned take = (63 - count_) >> 3;
      in_ += take;
      count_ += take * 8;
      return;
    }
    while (count_ <= 56 && in_ != inEnd_) {
      bits_ |= static_cast<uint64_t>(*in_++) << (56 - count_);
      count_ += 8;
    }
    if (count_ >= 16) return;
    // The buffer is used up: only now is the next block of input due.
    if (ended_) Overrun();  // the zero bits given at the end are used up as well
    io_.Consume(static_cast<size_t>(in_ - io_.InputCursor()));
    if (io_.FillInput()) {
      in_ = io_.InputCursor();
      inEnd_ = in_ + io_.InputAvailable();
      continue;
    }
    ended_ = true;
    // After the end the input reads as zero bits, which is what the bits below count_ are.
    pastEndFloor_ = 64 - count_;
    count_ = 64;
    return;
  }
}

void Lh5Decoder::Skip(unsigned n) {
  while (n > 0) {
    Ensure16();
    unsigned step = std::min(n, 16u);
    bits_ <<= step;
    count_ -= step;
    n -= step;
  }
  if (TookBitsPastEnd()) Overrun();
}

template <typename Table>
bool Lh5Decoder::BuildTable(int nchar, const uint8_t* bitLen, int tableBits, Table table) {
  uint16_t count[17] = {};
  uint16_t weight[17];
  uint16_t start[18];
  for (int len = 1; len <= 16; ++len) weight[len] = static_cast<uint16_t>(1u << (16 - len));
  // Four separate tallies: runs of equal lengths would otherwise wait on one counter.
  uint16_t tally[4][17] = {};
  int i = 0;
  for (; i + 4 <= nchar; i += 4)
    for (int k = 0; k < 4; ++k) ++tally[k][bitLen[i + k]];
  for (; i < nchar; ++i) ++tally[0][bitLen[i]];
  for (int len = 1; len <= 16; ++len)
    count[len] = static_cast<uint16_t>(tally[0][len] + tally[1][len] + tally[2][len] + tally[3][len]);
  uint16_t total = 0;
  uint32_t exactTotal = 0;
  for (int len = 1; len <= 16; ++len) {
    start[len] = total;
    total = static_cast<uint16_t>(total + weight[len] * count[len]);
    exactTotal += uint32_t{weight[len]} * count[len];
  }
  if (total != 0) Fail();

  const int m = 16 - tableBits;
  const unsigned tableSize = 1u << tableBits;
  for (int len = 1; len <= tableBits; ++len) {
    start[len] = static_cast<uint16_t>(start[len] >> m);
    weight[len] = static_cast<uint16_t>(weight[len] >> m);
  }
  unsigned j = start[tableBits + 1] >> m;
  if (j != 0) table.Fill(j, tableSize, 0, 0);

  DecoderState& s = *s_;
  unsigned nextNode = static_cast<unsigned>(nchar);
  auto newNode = [&] {
    if (nextNode >= static_cast<unsigned>(kTreeNodes)) Fail();
    s.zeroChild[nextNode] = s.oneChild[nextNode] = 0;
    return nextNode++;
  };
  for (int ch = 0; ch < nchar; ++ch) {
    const int len = bitLen[ch];
    if (len == 0) continue;
    const unsigned l = start[len] + weight[len];
    if (len <= tableBits) {
      if (l > tableSize) Fail();
      table.Fill(start[len], l, static_cast<unsigned>(ch), static_cast<unsigned>(len));
    } else {
      // The code continues below the table slot in a tree, one bit per level. A slot holding 0 is
      // free, even where 0 stands for symbol 0.
      const unsigned at = start[len] >> m;
      unsigned code = static_cast<uint16_t>(start[len] << tableBits);
      unsigned node = table.Raw(at);
      if (node == 0) {
        node = newNode();
        table.SetNode(at, node);
      }
      uint16_t* slot = (code & 0x8000) ? &s.oneChild[node] : &s.zeroChild[node];
      code = (code << 1) & 0xFFFF;
      for (int i = len - tableBits - 1; i > 0; --i) {
        if (*slot == 0) *slot = static_cast<uint16_t>(newNode());
        slot = (code & 0x8000) ? &s.oneChild[*slot] : &s.zeroChild[*slot];
        code = (code << 1) & 0xFFFF;
      }
      *slot = static_cast<uint16_t>(ch);
    }
    start[len] = static_cast<uint16_t>(l);
  }
  return exactTotal == 0x10000;
}

void Lh5Decoder::ReadShortLengths(int nn, int nbit, int special) {
  DecoderState& s = *s_;
  const int n = static_cast<int>(TakeBits(static_cast<unsigned>(nbit)));
  if (n == 0) {
    const uint16_t c = static_cast<uint16_t>(TakeBits(static_cast<unsigned>(nbit)));
    std::fill(s.shortLen, s.shortLen + nn, uint8_t{0});
    std::fill(std::begin(s.shortTable), std::end(s.shortTable), c);
    return;
  }
  if (n > nn) Fail();
  int i = 0;
  while (i < n) {
    const unsigned hold = Peek16();
    unsigned c = hold >> 13;
    if (c == 7) {
      for (unsigned mask = 1u << 12; hold & mask; mask >>= 1) ++c;
    }
    Skip(c < 7 ? 3 : c - 3);
    if (c > static_cast<unsigned>(kMaxCodeLength)) Fail();
    s.shortLen[i++] = static_cast<uint8_t>(c);
    if (i == special) {
      for (unsigned z = TakeBits(2); z > 0; --z) s.shortLen[i++] = 0;
    }
  }
  while (i < nn) s.shortLen[i++] = 0;
  BuildTable(nn, s.shortLen, kShortTableBits, PlainTable{s.shortTable});
}

void Lh5Decoder::ReadCharLengths() {
  DecoderState& s = *s_;
  charCodeComplete_ = false;
  const int n = static_cast<int>(TakeBits(kCharCountBits));
  if (n == 0) {
    const uint16_t c = static_cast<uint16_t>(TakeBits(kCharCountBits));
    std::fill(std::begin(s.charLen), std::end(s.charLen), uint8_t{0});
    std::fill(std::begin(s.charTable), std::end(s.charTable),
              static_cast<uint16_t>(c < static_cast<unsigned>(kCharSymbols) ? c : kNeedsWalk | c));
    return;
  }
  if (n > kCharSymbols) Fail();
  int i = 0;
  while (i < n) {
    const unsigned hold = Peek16();
    unsigned c = s.shortTable[hold >> 8];
    if (c >= static_cast<unsigned>(kLenCodeSymbols)) {
      unsigned mask = 1u << 7;
      int steps = 0;
      do {
        c = (hold & mask) ? s.oneChild[c] : s.zeroChild[c];
        mask >>= 1;
        if (++steps > kWalkLimit) Fail();
      } while (c >= static_cast<unsigned>(kLenCodeSymbols));
    }
    Skip(s.shortLen[c]);
    if (c <= 2) {
      int run = c == 0 ? 1 : c == 1 ? static_cast<int>(TakeBits(4)) + 3 : static_cast<int>(TakeBits(9)) + 20;
      if (i + run > kCharSymbols) Fail();
      std::fill(s.charLen + i, s.charLen + i + run, uint8_t{0});
      i += run;
    } else {
      s.charLen[i++] = static_cast<uint8_t>(c - 2);
    }
  }
  std::fill(s.charLen + i, std::end(s.charLen), uint8_t{0});
  charCodeComplete_ = BuildTable(kCharSymbols, s.charLen, kCharTableBits, CombinedTable{s.charTable});
}

void Lh5Decoder::ReadBlockHeader() {
  SendPending();
  // The count is decremented before it is tested again, so 0 stands for 65536 codes.
  codesLeft_ = TakeBits(16);
  if (codesLeft_ == 0) codesLeft_ = 0x10000;
  ReadShortLengths(kLenCodeSymbols, kLenCodeCountBits, kLenCodeSpecial);
  ReadCharLengths();
  ReadShortLengths(kPosSymbols, kPosCountBits, -1);

  BuildFastTables();
}

void Lh5Decoder::BuildFastTables() {
  DecoderState& s = *s_;
  // Entries that this header did not write decode with today's lengths.
  if (!charCodeComplete_) {
    for (uint16_t& e : s.charTable) {
      const unsigned c = RawValue(e);
      e = c < static_cast<unsigned>(kCharSymbols) ? static_cast<uint16_t>(c | s.charLen[c] << kLenShift)
                                                  : static_cast<uint16_t>(kNeedsWalk | c);
    }
  }
  for (size_t i = 0; i < std::size(s.fastPos); ++i) {
    const unsigned p = s.shortTable[i];
    s.fastPos[i] =
        p < static_cast<unsigned>(kPosSymbols) ? static_cast<uint16_t>(p | s.shortLen[p] << kLenShift) : kNeedsWalk;
  }
}

// A character code longer than the 12-bit table: the table gave a tree node.
unsigned Lh5Decoder::WalkCharTree(unsigned j) {
  DecoderState& s = *s_;
  Skip(kCharTableBits);
  const unsigned hold = Peek16();
  unsigned mask = 1u << 15;
  int steps = 0;
  do {
    j = (hold & mask) ? s.oneChild[j] : s.zeroChild[j];
    mask >>= 1;
    if (++steps > kWalkLimit) Fail();
  } while (j >= static_cast<unsigned>(kCharSymbols));
  // Only a damaged table leads to a symbol shorter than the table: the count then wraps as the
  // 8-bit shift count it is.
  Skip(static_cast<uint8_t>(s.charLen[j] - kCharTableBits));
  return j;
}

unsigned Lh5Decoder::WalkPosTree(unsigned j) {
  DecoderState& s = *s_;
  Skip(kShortTableBits);
  const unsigned hold = Peek16();
  unsigned mask = 1u << 15;
  int steps = 0;
  do {
    j = (hold & mask) ? s.oneChild[j] : s.zeroChild[j];
    mask >>= 1;
    if (++steps > kWalkLimit) Fail();
  } while (j >= static_cast<unsigned>(kPosSymbols));
  Skip(static_cast<uint8_t>(s.shortLen[j] - kShortTableBits));
  return j;
}

// Copies a match of `length` bytes from `distance` bytes back; may write up to 15 bytes past the
// end, into the window's slack.
inline void CopyMatch(uint8_t* out, size_t distance, unsigned length) {
  const uint8_t* src = out - distance;
  uint8_t* const end = out + length;
  if (distance >= 16) {
    // Chunks never read bytes this match has not yet written.
    do {
      std::memcpy(out, src, 16);
      out += 16;
      src += 16;
    } while (out < end);
  } else if (distance >= 8) {
    do {
      std::memcpy(out, src, 8);
      out += 8;
      src += 8;
    } while (out < end);
  } else if (distance == 1) {
    std::memset(out, out[-1], length);
  } else {
    for (unsigned k = 0; k < length; ++k) out[k] = src[k];
  }
}

void Lh5Decoder::Run(int64_t count) {
  DecoderState& s = *s_;
  uint8_t* const window = s.window;
  uint8_t* const runEnd = window + kWindowSize + kRunSize;
  const uint16_t* const fastChar = s.charTable;
  const uint16_t* const fastPos = s.fastPos;

  // The hot state lives in locals so that byte stores cannot force it back to memory.
  uint64_t bits = bits_;
  unsigned avail = count_;
  const uint8_t* in = in_;
  const uint8_t* inEnd = inEnd_;
  uint8_t* out = window + pos_;
  uint32_t codesLeft = codesLeft_;
  auto save = [&] {
    bits_ = bits;
    count_ = avail;
    in_ = in;
    pos_ = static_cast<size_t>(out - window);
    codesLeft_ = codesLeft;
  };
  auto load = [&] {
    bits = bits_;
    avail = count_;
    in = in_;
    inEnd = inEnd_;
    out = window + pos_;
    codesLeft = codesLeft_;
  };
  auto need16 = [&] {
    if (avail >= 16) return;
    save();
    FillSlow();
    load();
  };
  auto drop = [&](unsigned n) {
    bits <<= n;
    avail -= n;
  };
  // Only the one-code-at-a-time path below can reach the end of the input.
  auto checkInputEnd = [&] {
    if (avail < pastEndFloor_) [[unlikely]] {
      save();
      Overrun();
    }
  };
  // The position code and its extra bits; distance 1 is the byte just before.
  auto distanceAfterWalk = [&](unsigned p) -> size_t {
    save();
    p = WalkPosTree(s.shortTable[bits_ >> (64 - kShortTableBits)]);
    const unsigned extra = p > 1 ? p - 1 : 0;
    const size_t d = p > 1 ? (size_t{1} << extra) + TakeBits(extra) : p;
    load();
    return d + 1;
  };

  // Decoding stops at the end of the run or once count bytes exist, whichever comes first.
  int64_t left = count;
  uint8_t* limit = out;
  auto setLimit = [&] {
    limit = left < runEnd - out ? out + left : runEnd;
    left -= limit - out;
  };
  setLimit();
  for (;;) {
    if (out >= limit) {
      left += limit - out;  // a match may have run past the limit
      if (left <= 0) break;
      if (out >= runEnd) {
        save();
        EndRun();
        load();
      }
      setLimit();
    }
    if (codesLeft == 0) {
      save();
      ReadBlockHeader();
      load();
    }

    // While 8 input bytes can be read at once, one branch-free refill per code leaves at least 56
    // bits: enough for a character, a position and its extra bits (16 + 16 + 12).
    if (inEnd - in >= 8) {
      const uint8_t* const inSafe = inEnd - 8;
      while (out < limit && codesLeft != 0 && in <= inSafe) {
        bits |= LoadBigEndian64(in) >> avail;
        in += (63 - avail) >> 3;
        avail |= 56;
        const unsigned e = fastChar[bits >> (64 - kCharTableBits)];
        if (e & kNeedsWalk) [[unlikely]]
          break;
        drop(e >> kLenShift);
        --codesLeft;
        const unsigned c = e & kSymbolMask;
        if (c < 256) {
          *out++ = static_cast<uint8_t>(c);
          continue;
        }
        const unsigned length = c - kLengthBias;
        const unsigned pe = fastPos[bits >> (64 - kShortTableBits)];
        if (pe & kNeedsWalk) [[unlikely]] {
          CopyMatch(out, distanceAfterWalk(pe), length);
          out += length;
          break;  // the walk may have moved to fresh input
        }
        drop(pe >> kLenShift);
        const unsigned p = pe & kSymbolMask;
        size_t distance = p + 1;
        if (p > 1) {
          const unsigned extra = p - 1;
          distance = (size_t{1} << extra) + static_cast<size_t>(bits >> (64 - extra)) + 1;
          drop(extra);
        }
        CopyMatch(out, distance, length);
        out += length;
      }
      if (out >= limit || codesLeft == 0) continue;
    }

    // One code at a time, taking input exactly as it is needed: near the end of the input buffer,
    // and for the codes the loop above leaves alone.
    need16();
    const unsigned e = fastChar[bits >> (64 - kCharTableBits)];
    --codesLeft;
    unsigned c;
    if (!(e & kNeedsWalk)) {
      drop(e >> kLenShift);
      checkInputEnd();
      c = e & kSymbolMask;
    } else {
      save();
      c = WalkCharTree(e & ~kNeedsWalk);
      load();
    }
    if (c < 256) {
      *out++ = static_cast<uint8_t>(c);
      continue;
    }
    const unsigned length = c - kLengthBias;
    need16();
    size_t distance;
    if (const unsigned pe = fastPos[bits >> (64 - kShortTableBits)]; !(pe & kNeedsWalk)) {
      drop(pe >> kLenShift);
      const unsigned p = pe & kSymbolMask;
      distance = p + 1;
      if (p > 1) {
        need16();
        const unsigned extra = p - 1;
        distance = (size_t{1} << extra) + static_cast<size_t>(bits >> (64 - extra)) + 1;
        drop(extra);
      }
      checkInputEnd();
    } else {
      distance = distanceAfterWalk(pe);
    }
    CopyMatch(out, distance, length);
    out += length;
  }
  save();
  SendPending();
  io_.Consume(static_cast<size_t>(in_ - io_.InputCursor()));
}

}  // namespace

void DecodeLZH5(CodecIO& io, int64_t count) {
  if (count <= 0) return;
  Lh5Decoder decoder(io);
  decoder.Run(count);
}

}  // namespace vurerode
