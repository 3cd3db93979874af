// The -lh5- encoder: greedy LZ77 parsing with one step of look-ahead over the trie dictionary, and
// blocks of up to about 16 KiB of pending codes sent with static Huffman codes built per block.
// The output depends only on the input bytes; any -lh5- decoder reads it back.

#include <algorithm>
#include <cstring>

#include "archive/codecs.h"
#include "archive/lh5_constants.h"
#include "archive/lh5_huffman.h"
#include "archive/lh5_match_finder.h"

namespace vurerode {
namespace {

using namespace lh5;

// Codes wait here until a block is sent: a flag byte before every eight codes (set bits mark
// matches), then a byte per literal or length and two bytes of distance code per match.
constexpr int kPendingSize = 16384;
// A new flag byte starts a block when fewer than this many bytes remain for its eight codes.
constexpr int kPendingLimit = kPendingSize - 3 * 8;

struct EncoderState {
  MatchFinder dict;
  HuffmanScratch scratch;
  uint8_t pending[kPendingSize + 1];
  uint16_t charFreq[2 * kCharSymbols - 1];
  uint16_t posFreq[2 * kPosSymbols - 1];
  uint16_t lenCodeFreq[2 * kLenCodeSymbols - 1];
  uint8_t charLen[kCharSymbols];
  uint16_t charCode[kCharSymbols];
  uint8_t shortLen[kLenCodeSymbols];
  uint16_t shortCode[kLenCodeSymbols];
};

// Number of significant bits of a distance code: its position symbol.
inline int BitLength(unsigned p) {
  int c = 0;
  while (p) {
    p >>= 1;
    ++c;
  }
  return c;
}

class Lh5Encoder {
 public:
  // The state is not cleared as a whole: the match finder's Init and the code builder set what they
  // read, and only the frequency counts start at zero. A file of a few bytes then costs no clearing
  // of the whole quarter megabyte, which dominated packing thousands of small files.
  explicit Lh5Encoder(CodecIO& io) : io_(io), s_(&io.NewState<EncoderState>(false)) {
    std::fill(std::begin(s_->charFreq), std::end(s_->charFreq), uint16_t{0});
    std::fill(std::begin(s_->posFreq), std::end(s_->posFreq), uint16_t{0});
    std::fill(std::begin(s_->lenCodeFreq), std::end(s_->lenCodeFreq), uint16_t{0});
  }

  void Run();

 private:
  // ---- bit output: bits collect from the top of a 64-bit word, four bytes leave at a time ----
  void PutBits(int n, unsigned x) {
    acc_ = (acc_ << n) | (x & ((1u << n) - 1));
    nbits_ += n;
    if (nbits_ >= 32) {
      nbits_ -= 32;
      const uint32_t word = static_cast<uint32_t>(acc_ >> nbits_);
      io_.PutByte(static_cast<uint8_t>(word >> 24));
      io_.PutByte(static_cast<uint8_t>(word >> 16));
      io_.PutByte(static_cast<uint8_t>(word >> 8));
      io_.PutByte(static_cast<uint8_t>(word));
    }
  }
  // Writes whole pending bytes, then a partly filled one padded with zero bits.
  void FlushBits() {
    while (nbits_ >= 8) {
      nbits_ -= 8;
      io_.PutByte(static_cast<uint8_t>(acc_ >> nbits_));
    }
    if (nbits_ > 0) io_.PutByte(static_cast<uint8_t>(acc_ << (8 - nbits_)));
    nbits_ = 0;
  }

  // ---- input ----
  // Reads up to n bytes into dst; returns how many arrived.
  int ReadInput(uint8_t* dst, int n);
  void NextPosition();

  // ---- blocks ----
  void QueueCode(unsigned c, unsigned p);
  void SendBlock();
  void CountLenCodeFreq();
  void WriteShortLengths(int n, int nbit, int special);
  void WriteCharLengths();
  void PutChar(unsigned c) { PutBits(s_->charLen[c], s_->charCode[c]); }
  void PutPosition(unsigned p) {
    const int c = BitLength(p);
    PutBits(s_->shortLen[c], s_->shortCode[c]);
    if (c > 1) PutBits(c - 1, p);
  }

  CodecIO& io_;
  EncoderState* s_;
  uint64_t acc_ = 0;
  int nbits_ = 0;
  int bytesLeft_ = 0;
  int pendingPos_ = 0;
  int flagPos_ = 0;
  unsigned flagBit_ = 0;
};

int Lh5Encoder::ReadInput(uint8_t* dst, int n) {
  int got = 0;
  while (got < n && io_.FillInput()) {
    const int step = static_cast<int>(std::min<size_t>(static_cast<size_t>(n - got), io_.InputAvailable()));
    std::memcpy(dst + got, io_.InputCursor(), static_cast<size_t>(step));
    io_.Consume(static_cast<size_t>(step));
    got += step;
  }
  return got;
}

void Lh5Encoder::NextPosition() {
  MatchFinder& d = s_->dict;
  --bytesLeft_;
  if (++d.pos == 2 * MatchFinder::kDicSize) {
    // Slide: the upper half and the look-ahead move down, fresh input follows them.
    std::memmove(d.text, d.text + MatchFinder::kDicSize, MatchFinder::kDicSize + kMaxMatch);
    bytesLeft_ += ReadInput(d.text + MatchFinder::kFirstPos, MatchFinder::kDicSize);
    d.pos = MatchFinder::kDicSize;
  }
  d.Delete();
  d.Insert();
}

void Lh5Encoder::QueueCode(unsigned c, unsigned p) {
  EncoderState& s = *s_;
  if ((flagBit_ >>= 1) == 0) {
    flagBit_ = 0x80;
    if (pendingPos_ >= kPendingLimit) {
      SendBlock();
      pendingPos_ = 0;
    }
    flagPos_ = pendingPos_;
    s.pending[pendingPos_++] = 0;
  }
  s.pending[pendingPos_++] = static_cast<uint8_t>(c);
  ++s.charFreq[c];
  if (c >= 256) {
    s.pending[flagPos_] = static_cast<uint8_t>(s.pending[flagPos_] | flagBit_);
    s.pending[pendingPos_++] = static_cast<uint8_t>(p >> 8);
    s.pending[pendingPos_++] = static_cast<uint8_t>(p);
    ++s.posFreq[BitLength(p)];
  }
}

void Lh5Encoder::CountLenCodeFreq() {
  EncoderState& s = *s_;
  std::fill(s.lenCodeFreq, s.lenCodeFreq + kLenCodeSymbols, uint16_t{0});
  int n = kCharSymbols;
  while (n > 0 && s.charLen[n - 1] == 0) --n;
  int i = 0;
  while (i < n) {
    const int k = s.charLen[i++];
    if (k != 0) {
      ++s.lenCodeFreq[k + 2];
      continue;
    }
    int run = 1;
    while (i < n && s.charLen[i] == 0) {
      ++i;
      ++run;
    }
    if (run <= 2) {
      s.lenCodeFreq[0] = static_cast<uint16_t>(s.lenCodeFreq[0] + run);
    } else if (run <= 18) {
      ++s.lenCodeFreq[1];
    } else if (run == 19) {
      ++s.lenCodeFreq[0];
      ++s.lenCodeFreq[1];
    } else {
      ++s.lenCodeFreq[2];
    }
  }
}

void Lh5Encoder::WriteShortLengths(int n, int nbit, int special) {
  const uint8_t* len = s_->shortLen;
  while (n > 0 && len[n - 1] == 0) --n;
  PutBits(nbit, static_cast<unsigned>(n));
  int i = 0;
  while (i < n) {
    const int k = len[i++];
    if (k <= 6) {
      PutBits(3, static_cast<unsigned>(k));
    } else {
      PutBits(k - 3, (1u << (k - 3)) - 2);  // k - 4 one bits and a zero
    }
    if (i == special) {
      while (i < 6 && len[i] == 0) ++i;
      PutBits(2, static_cast<unsigned>(i - 3));
    }
  }
}

void Lh5Encoder::WriteCharLengths() {
  const EncoderState& s = *s_;
  auto putLenCode = [&](int c) { PutBits(s.shortLen[c], s.shortCode[c]); };
  int n = kCharSymbols;
  while (n > 0 && s.charLen[n - 1] == 0) --n;
  PutBits(kCharCountBits, static_cast<unsigned>(n));
  int i = 0;
  while (i < n) {
    const int k = s.charLen[i++];
    if (k != 0) {
      putLenCode(k + 2);
      continue;
    }
    int run = 1;
    while (i < n && s.charLen[i] == 0) {
      ++i;
      ++run;
    }
    if (run <= 2) {
      for (int z = 0; z < run; ++z) putLenCode(0);
    } else if (run <= 18) {
      putLenCode(1);
      PutBits(4, static_cast<unsigned>(run - 3));
    } else if (run == 19) {
      putLenCode(0);
      putLenCode(1);
      PutBits(4, 15);
    } else {
      putLenCode(2);
      PutBits(kCharCountBits, static_cast<unsigned>(run - 20));
    }
  }
}

void Lh5Encoder::SendBlock() {
  EncoderState& s = *s_;
  int root = BuildHuffmanTree(kCharSymbols, s.charFreq, s.charLen, s.charCode, s.scratch);
  const unsigned size = s.charFreq[root];
  PutBits(16, size);
  if (root >= kCharSymbols) {
    CountLenCodeFreq();
    root = BuildHuffmanTree(kLenCodeSymbols, s.lenCodeFreq, s.shortLen, s.shortCode, s.scratch);
    if (root >= kLenCodeSymbols) {
      WriteShortLengths(kLenCodeSymbols, kLenCodeCountBits, kLenCodeSpecial);
    } else {
      PutBits(kLenCodeCountBits, 0);
      PutBits(kLenCodeCountBits, static_cast<unsigned>(root));
    }
    WriteCharLengths();
  } else {
    // One symbol only: it is sent with a zero-bit code.
    PutBits(kLenCodeCountBits, 0);
    PutBits(kLenCodeCountBits, 0);
    PutBits(kCharCountBits, 0);
    PutBits(kCharCountBits, static_cast<unsigned>(root));
  }
  root = BuildHuffmanTree(kPosSymbols, s.posFreq, s.shortLen, s.shortCode, s.scratch);
  if (root >= kPosSymbols) {
    WriteShortLengths(kPosSymbols, kPosCountBits, -1);
  } else {
    PutBits(kPosCountBits, 0);
    PutBits(kPosCountBits, static_cast<unsigned>(root));
  }

  const uint8_t* p = s.pending;
  unsigned flags = 0;
  for (unsigned i = 0; i < size; ++i) {
    if (i % 8 == 0) {
      flags = *p++;
    } else {
      flags <<= 1;
    }
    if (flags & 0x80) {
      PutChar(*p++ + 256u);
      const unsigned distance = static_cast<unsigned>(p[0]) << 8 | p[1];
      p += 2;
      PutPosition(distance);
    } else {
      PutChar(*p++);
    }
  }
  std::fill(s.charFreq, s.charFreq + kCharSymbols, uint16_t{0});
  std::fill(s.posFreq, s.posFreq + kPosSymbols, uint16_t{0});
}

void Lh5Encoder::Run() {
  MatchFinder& d = s_->dict;
  d.Init();
  d.pos = MatchFinder::kFirstPos;
  bytesLeft_ = ReadInput(d.text + MatchFinder::kFirstPos, MatchFinder::kDicSize);
  if (bytesLeft_ == 0) return;  // empty input: no block, not even the final byte
  std::fill(d.text + MatchFinder::kFirstPos + bytesLeft_, d.text + MatchFinder::kTextSize, uint8_t{0x20});

  d.matchLen = 0;
  d.matchPos = 0;
  d.Insert();
  while (bytesLeft_ > 0) {
    int lastLen = d.matchLen;
    const int lastPos = d.matchPos;
    NextPosition();
    if (d.matchLen > bytesLeft_) d.matchLen = bytesLeft_;
    if (d.matchLen > lastLen || lastLen < kMinMatch) {
      QueueCode(d.text[d.pos - 1], 0);
    } else {
      // A match found at the previous position that the next one does not beat.
      QueueCode(static_cast<unsigned>(lastLen + kLengthBias),
                static_cast<unsigned>((d.pos - lastPos - 2) & (kWindowSize - 1)));
      while (--lastLen > 0) {
        NextPosition();
        if (d.matchLen > bytesLeft_) d.matchLen = bytesLeft_;
      }
    }
  }
  SendBlock();
  FlushBits();
}

}  // namespace

void EncodeLZH5(CodecIO& io) {
  Lh5Encoder(io).Run();
}

}  // namespace vurerode
