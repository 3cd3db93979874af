// A deliberately plain -lh5- decoder, step by step as the method is defined: 16-bit hold, a spare
// byte, one input byte and one output byte at a time, one table entry per lookup. The production
// decoder must give the same bytes and the same error for every input; tests and the fuzz target
// compare the two. Storage that malformed input would overrun is rejected with
// ELZHBadDecodeTable, and a code that takes bits past the end of the input with EBadChecksum, as in
// the production decoder.
#pragma once

#include <cstdint>
#include <cstring>
#include <memory>

#include "archive/codec_io.h"
#include "archive/errors.h"

namespace vurerode::test {

class ReferenceLh5Decoder {
 public:
  explicit ReferenceLh5Decoder(CodecIO& io) : io_(io) {}

  void Decode(int64_t count) {
    if (count <= 0) return;
    std::memset(window_, 0x20, sizeof window_);
    Advance(16);
    int64_t produced = 0;
    unsigned r = 0;
    while (produced < count) {
      const unsigned c = DecodeChar();
      if (c <= 255) {
        window_[r] = static_cast<uint8_t>(c);
        io_.PutByte(static_cast<uint8_t>(c));
        r = (r + 1) & 8191;
        ++produced;
      } else {
        const unsigned length = c - 253;
        const unsigned d = DecodePosition();
        unsigned src = (r - d - 1) & 8191;
        produced += length;
        for (unsigned k = 0; k < length; ++k) {
          const uint8_t b = window_[(src + k) & 8191];
          window_[r] = b;
          io_.PutByte(b);
          r = (r + 1) & 8191;
        }
      }
    }
  }

 private:
  static constexpr int kNodes = 1019;
  static constexpr int kWalkLimit = 16 + kNodes;

  // n counts as the 8-bit value it is held in.
  void Advance(unsigned n) {
    n &= 0xFF;
    shifted_ += n;
    while (n > spareCount_) {
      n -= spareCount_;
      hold_ = static_cast<uint16_t>((hold_ << spareCount_) + (spare_ >> (8 - spareCount_)));
      if (io_.EndOfInput()) {
        spare_ = 0;
      } else {
        spare_ = io_.NextByte();
        if (!io_.EndOfInput()) ++bytesRead_;
      }
      spareCount_ = 8;
    }
    spareCount_ -= n;
    hold_ = static_cast<uint16_t>((hold_ << n) + (spare_ >> (8 - n)));
    spare_ = static_cast<uint8_t>(spare_ << n);
    // The first 16 bits shifted in are the look-ahead, not taken by any code.
    if (io_.EndOfInput() && shifted_ - 16 > 8 * bytesRead_) throw EBadChecksum();
  }
  unsigned TakeBits(unsigned n) {
    if (n == 0) return 0;
    const unsigned x = hold_ >> (16 - n);
    Advance(n);
    return x;
  }

  void BuildTable(int nchar, const uint8_t* bitLen, int tableBits, uint16_t* table, int tableSize) {
    uint16_t count[17] = {}, weight[17], start[18];
    for (int i = 1; i <= 16; ++i) weight[i] = static_cast<uint16_t>(1u << (16 - i));
    for (int i = 0; i < nchar; ++i) count[bitLen[i]]++;
    uint16_t total = 0;
    for (int i = 1; i <= 16; ++i) {
      start[i] = total;
      total = static_cast<uint16_t>(total + weight[i] * count[i]);
    }
    if (total != 0) throw ELZHBadDecodeTable();
    const int m = 16 - tableBits;
    for (int i = 1; i <= tableBits; ++i) {
      start[i] = static_cast<uint16_t>(start[i] >> m);
      weight[i] = static_cast<uint16_t>(weight[i] >> m);
    }
    unsigned j = start[tableBits + 1] >> m;
    if (j != 0)
      for (unsigned k = j; k < static_cast<unsigned>(tableSize); ++k) table[k] = 0;
    unsigned avail = static_cast<unsigned>(nchar);
    for (int ch = 0; ch < nchar; ++ch) {
      const int len = bitLen[ch];
      if (len == 0) continue;
      const unsigned l = start[len] + weight[len];
      if (len <= tableBits) {
        for (unsigned k = start[len]; k < l; ++k) {
          if (k >= static_cast<unsigned>(tableSize)) throw ELZHBadDecodeTable();
          table[k] = static_cast<uint16_t>(ch);
        }
      } else {
        uint16_t* p = &table[start[len] >> m];
        uint16_t code = static_cast<uint16_t>(start[len] << tableBits);
        for (int i = len - tableBits; i > 0; --i) {
          if (*p == 0) {
            if (avail >= static_cast<unsigned>(kNodes)) throw ELZHBadDecodeTable();
            left_[avail] = right_[avail] = 0;
            *p = static_cast<uint16_t>(avail++);
          }
          p = (code & 0x8000) ? &right_[*p] : &left_[*p];
          code = static_cast<uint16_t>(code << 1);
        }
        *p = static_cast<uint16_t>(ch);
      }
      start[len] = static_cast<uint16_t>(l);
    }
  }

  void ReadShortLengths(int nn, int nbit, int special) {
    const int n = static_cast<int>(TakeBits(static_cast<unsigned>(nbit)));
    if (n == 0) {
      const unsigned c = TakeBits(static_cast<unsigned>(nbit));
      for (int i = 0; i < nn; ++i) shortLen_[i] = 0;
      for (auto& e : shortTable_) e = static_cast<uint16_t>(c);
      return;
    }
    if (n > nn) throw ELZHBadDecodeTable();
    int i = 0;
    while (i < n) {
      unsigned c = hold_ >> 13;
      if (c == 7) {
        unsigned mask = 1u << 12;
        while (mask & hold_) {
          mask >>= 1;
          ++c;
        }
      }
      Advance(c < 7 ? 3 : c - 3);
      if (c > 16) throw ELZHBadDecodeTable();
      shortLen_[i++] = static_cast<uint8_t>(c);
      if (i == special) {
        unsigned z = TakeBits(2);
        while (z-- > 0) shortLen_[i++] = 0;
      }
    }
    while (i < nn) shortLen_[i++] = 0;
    BuildTable(nn, shortLen_, 8, shortTable_, 256);
  }

  void ReadCharLengths() {
    const int n = static_cast<int>(TakeBits(9));
    if (n == 0) {
      const unsigned c = TakeBits(9);
      for (auto& l : charLen_) l = 0;
      for (auto& e : charTable_) e = static_cast<uint16_t>(c);
      return;
    }
    if (n > 510) throw ELZHBadDecodeTable();
    int i = 0;
    while (i < n) {
      unsigned c = shortTable_[hold_ >> 8];
      if (c >= 19) {
        unsigned mask = 1u << 7;
        int steps = 0;
        do {
          c = (hold_ & mask) ? right_[c] : left_[c];
          mask >>= 1;
          if (++steps > kWalkLimit) throw ELZHBadDecodeTable();
        } while (c >= 19);
      }
      Advance(shortLen_[c]);
      if (c <= 2) {
        int run = c == 0 ? 1 : c == 1 ? static_cast<int>(TakeBits(4)) + 3 : static_cast<int>(TakeBits(9)) + 20;
        while (run-- > 0) {
          if (i >= 510) throw ELZHBadDecodeTable();
          charLen_[i++] = 0;
        }
      } else {
        charLen_[i++] = static_cast<uint8_t>(c - 2);
      }
    }
    while (i < 510) charLen_[i++] = 0;
    BuildTable(510, charLen_, 12, charTable_, 4096);
  }

  unsigned DecodeChar() {
    if (codesLeft_ == 0) {
      codesLeft_ = static_cast<uint16_t>(TakeBits(16));
      ReadShortLengths(19, 5, 3);
      ReadCharLengths();
      ReadShortLengths(14, 4, -1);
    }
    --codesLeft_;
    unsigned j = charTable_[hold_ >> 4];
    if (j < 510) {
      Advance(charLen_[j]);
    } else {
      Advance(12);
      unsigned mask = 1u << 15;
      int steps = 0;
      do {
        j = (hold_ & mask) ? right_[j] : left_[j];
        mask >>= 1;
        if (++steps > kWalkLimit) throw ELZHBadDecodeTable();
      } while (j >= 510);
      Advance(charLen_[j] - 12u);
    }
    return j;
  }

  unsigned DecodePosition() {
    unsigned j = shortTable_[hold_ >> 8];
    if (j < 14) {
      Advance(shortLen_[j]);
    } else {
      Advance(8);
      unsigned mask = 1u << 15;
      int steps = 0;
      do {
        j = (hold_ & mask) ? right_[j] : left_[j];
        mask >>= 1;
        if (++steps > kWalkLimit) throw ELZHBadDecodeTable();
      } while (j >= 14);
      Advance(shortLen_[j] - 8u);
    }
    return j == 0 ? 0 : (1u << (j - 1)) + TakeBits(j - 1);
  }

  CodecIO& io_;
  int64_t shifted_ = 0;
  int64_t bytesRead_ = 0;
  uint16_t hold_ = 0;
  uint8_t spare_ = 0;
  unsigned spareCount_ = 0;
  uint16_t codesLeft_ = 0;
  uint8_t window_[8192];
  uint8_t charLen_[510] = {};
  uint8_t shortLen_[19] = {};
  uint16_t charTable_[4096] = {};
  uint16_t shortTable_[256] = {};
  uint16_t left_[kNodes] = {};
  uint16_t right_[kNodes] = {};
};

}  // namespace vurerode::test
