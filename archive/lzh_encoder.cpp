// coLZH encoding: LZSS over a 4096-byte window with matches of 3 to 60 bytes, found in binary
// search trees of the window's positions (one tree per first byte and hash of the next two), each
// node remembering how long a prefix it shares with its parent so that most comparisons start
// where the last one stopped. Characters and lengths go through the adaptive Huffman model.
#include <algorithm>
#include <memory>

#include "archive/codecs.h"
#include "archive/lzh_model.h"

namespace vurerode {
namespace {

using namespace lzh;

constexpr unsigned kMask = kWindowSize - 1;
constexpr uint16_t kNil = kWindowSize;            // no node
constexpr unsigned kFirstRoot = kWindowSize + 1;  // roots take right-child slots 4097 to 8192
constexpr unsigned kRootCount = 256 * 16;

class BitWriter {
 public:
  explicit BitWriter(CodecIO& io) : io_(io) {}

  // Appends the n low bits of value, most significant first; n is at most 32.
  void Put(uint32_t value, unsigned n) {
    acc_ = (acc_ << n) | (value & ((uint64_t{1} << n) - 1));
    count_ += n;
    while (count_ >= 8) {
      count_ -= 8;
      io_.PutByte(static_cast<uint8_t>(acc_ >> count_));
    }
  }
  // The last bits go out in a byte filled up with zero bits.
  void Flush() {
    if (count_ > 0) io_.PutByte(static_cast<uint8_t>(acc_ << (8 - count_)));
    count_ = 0;
  }

 private:
  CodecIO& io_;
  uint64_t acc_ = 0;
  unsigned count_ = 0;
};

class Encoder {
 public:
  explicit Encoder(CodecIO& io) : io_(io), out_(io) {}
  void Run();

 private:
  void InitTree();
  void Insert(unsigned r);
  void Delete(unsigned p);
  void Link(unsigned from, unsigned p, unsigned q);
  void LinkMoved(unsigned p, unsigned q, unsigned r);
  void EncodeChar(int symbol);
  void EncodePosition(unsigned distance);

  CodecIO& io_;
  BitWriter out_;
  AdaptiveModel model_;
  // The window and, after it, a copy of its first 59 bytes, so that no comparison wraps.
  uint8_t text_[kWindowSize + kMaxMatch - 1];
  uint16_t left_[kWindowSize + 1];
  uint16_t right_[kFirstRoot + kRootCount];
  uint16_t dad_[kWindowSize + 1];
  // How many leading bytes a node shares with its parent (1 under a root).
  uint8_t same_[kWindowSize + 1];
  int bestLen_ = 0;
  unsigned bestDist_ = 0;
};

void Encoder::InitTree() {
  std::fill(right_ + kFirstRoot, right_ + kFirstRoot + kRootCount, kNil);
  std::fill(dad_, dad_ + kWindowSize, kNil);
}

void Encoder::Insert(unsigned r) {
  const uint8_t* key = &text_[r];
  unsigned h = key[1] ^ key[2];
  h = (h ^ (h >> 4)) & 15;
  unsigned p = kFirstRoot + key[0] + (h << 8);
  right_[r] = left_[r] = kNil;
  bestLen_ = 0;
  int cmp = 1;
  int i = 1;
  for (;;) {
    int j;
    if (cmp >= 0) {
      if (right_[p] == kNil) {
        right_[p] = static_cast<uint16_t>(r);
        dad_[r] = static_cast<uint16_t>(p);
        same_[r] = static_cast<uint8_t>(i);
        return;
      }
      p = right_[p];
    } else {
      if (left_[p] == kNil) {
        left_[p] = static_cast<uint16_t>(r);
        dad_[r] = static_cast<uint16_t>(p);
        same_[r] = static_cast<uint8_t>(i);
        return;
      }
      p = left_[p];
    }
    j = same_[p];
    // p shares j bytes with its parent. If r shared more with the parent, r and p first differ
    // at j; if less, p compares with r just as its parent did.
    if (i > j) {
      i = j;
      cmp = key[i] - text_[p + i];
    } else if (i == j) {
      for (; i < kMaxMatch; ++i)
        if ((cmp = key[i] - text_[p + i]) != 0) break;
    }
    if (i >= kMinMatch) {
      const unsigned distance = ((r - p) & kMask) - 1;
      if (i > bestLen_) {
        bestDist_ = distance;
        bestLen_ = i;
        if (i >= kMaxMatch) break;
      } else if (i == bestLen_ && distance < bestDist_) {
        bestDist_ = distance;
      }
    }
  }
  // r equals p for the longest length the trees tell apart: r takes p's place.
  same_[r] = same_[p];
  dad_[r] = dad_[p];
  left_[r] = left_[p];
  right_[r] = right_[p];
  dad_[left_[p]] = static_cast<uint16_t>(r);
  dad_[right_[p]] = static_cast<uint16_t>(r);
  if (right_[dad_[p]] == p)
    right_[dad_[p]] = static_cast<uint16_t>(r);
  else
    left_[dad_[p]] = static_cast<uint16_t>(r);
  dad_[p] = kNil;
}

// Sets how many leading bytes q shares with p, comparing from index `from` on.
void Encoder::Link(unsigned from, unsigned p, unsigned q) {
  if (p >= kNil) {
    same_[q] = 1;
    return;
  }
  for (unsigned k = from; k < kMaxMatch; ++k) {
    if (text_[p + k] != text_[q + k]) {
      same_[q] = static_cast<uint8_t>(k);
      return;
    }
  }
  same_[q] = kMaxMatch;
}

// r moves into the place of q under p: its shared length becomes the smaller of the two, and
// is measured afresh when both are equal.
void Encoder::LinkMoved(unsigned p, unsigned q, unsigned r) {
  if (same_[q] == same_[r])
    Link(same_[q], p, r);
  else if (same_[q] < same_[r])
    same_[r] = same_[q];
}

void Encoder::Delete(unsigned p) {
  if (dad_[p] == kNil) return;
  unsigned q;
  if (right_[p] == kNil) {
    q = left_[p];
    if (q != kNil) LinkMoved(dad_[p], p, q);
  } else if (left_[p] == kNil) {
    q = right_[p];
    LinkMoved(dad_[p], p, q);
  } else {
    q = left_[p];
    if (right_[q] != kNil) {
      do q = right_[q];
      while (right_[q] != kNil);
      if (left_[q] != kNil) LinkMoved(dad_[q], q, left_[q]);
      Link(1, q, left_[p]);
      right_[dad_[q]] = left_[q];
      dad_[left_[q]] = dad_[q];
      left_[q] = left_[p];
      dad_[left_[p]] = static_cast<uint16_t>(q);
    }
    Link(1, dad_[p], q);
    Link(1, q, right_[p]);
    right_[q] = right_[p];
    dad_[right_[p]] = static_cast<uint16_t>(q);
  }
  dad_[q] = dad_[p];
  if (right_[dad_[p]] == p)
    right_[dad_[p]] = static_cast<uint16_t>(q);
  else
    left_[dad_[p]] = static_cast<uint16_t>(q);
  dad_[p] = kNil;
}

void Encoder::EncodeChar(int symbol) {
  // From the leaf up: an odd node is the second child and stands for a 1 bit. The tree can grow
  // deeper than 16 levels, so the code is gathered in 32 bits.
  uint32_t code = 0;
  unsigned len = 0;
  unsigned k = model_.parent[symbol + kNodeCount];
  do {
    code |= (k & 1u) << len;
    ++len;
    k = model_.parent[k];
  } while (k != kRoot);
  out_.Put(code, len);
  model_.Update(symbol);
}

void Encoder::EncodePosition(unsigned distance) {
  const PositionCode& pc = FixedPositionCode();
  const unsigned upper = distance >> 6;
  out_.Put(pc.code[upper] >> (8 - pc.length[upper]), pc.length[upper]);
  out_.Put(distance & 0x3F, 6);
}

void Encoder::Run() {
  // Everything past the first-filled positions is read before it is compared, except beyond the
  // end of short input, where the contents only break ties between equally long matches.
  std::fill(std::begin(text_), std::end(text_), uint8_t{0});
  std::fill(text_, text_ + kFirstPosition, uint8_t{0x20});
  std::fill(text_ + kWindowSize, std::end(text_), uint8_t{0x20});
  int len = 0;
  while (len < kMaxMatch) {
    const uint8_t c = io_.NextByte();
    if (io_.EndOfInput()) break;
    text_[kFirstPosition + len] = c;
    ++len;
  }
  if (len == 0) return;
  model_.Start();
  InitTree();
  for (unsigned i = 1; i <= kMaxMatch; ++i) Insert(kFirstPosition - i);
  Insert(kFirstPosition);
  unsigned s = 0;
  unsigned r = kFirstPosition;
  do {
    if (bestLen_ > len) bestLen_ = len;
    if (bestLen_ < kMinMatch) {
      bestLen_ = 1;
      EncodeChar(text_[r]);
    } else {
      EncodeChar(bestLen_ + kLengthBias);
      EncodePosition(bestDist_);
    }
    const int last = bestLen_;
    int i = 0;
    for (; i < last; ++i) {
      const uint8_t c = io_.NextByte();
      if (io_.EndOfInput()) break;
      Delete(s);
      text_[s] = c;
      if (s < kMaxMatch - 1) text_[s + kWindowSize] = c;
      s = (s + 1) & kMask;
      r = (r + 1) & kMask;
      Insert(r);
    }
    // The input has ended: the look-ahead shrinks by the rest of the match.
    for (; i < last; ++i) {
      Delete(s);
      s = (s + 1) & kMask;
      r = (r + 1) & kMask;
      if (--len) Insert(r);
    }
  } while (len > 0);
  out_.Flush();
}

}  // namespace

void EncodeLZH(CodecIO& io) {
  auto encoder = std::make_unique<Encoder>(io);
  encoder->Run();
}

}  // namespace vurerode
