// The coLZH encoder's trees remember how many leading bytes each node shares with its parent so
// that comparisons can resume where they stopped. That bookkeeping must never change a decision:
// an encoder with the same trees that compares every node from its second byte must write the very
// same stream. Decoders cannot tell a wrong tie-break from a right one, so this is its only check.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "archive/code_bytes.h"
#include "archive/codecs.h"
#include "archive/lzh_model.h"
#include "support/test_support.h"

namespace vurerode {
namespace {

using Bytes = std::vector<uint8_t>;
using namespace lzh;

class PlainTreeEncoder {
 public:
  Bytes Encode(const Bytes& input) {
    in_ = &input;
    std::fill(std::begin(text_), std::end(text_), uint8_t{0});
    std::fill(text_, text_ + kFirstPosition, uint8_t{0x20});
    std::fill(text_ + kWindowSize, std::end(text_), uint8_t{0x20});
    int len = 0;
    while (len < kMaxMatch && next_ < input.size()) text_[kFirstPosition + len++] = input[next_++];
    if (len == 0) return out_;
    model_.Start();
    std::fill(std::begin(right_), std::end(right_), kNil);
    std::fill(std::begin(dad_), std::end(dad_), kNil);
    for (int i = 1; i <= kMaxMatch; ++i) Insert(kFirstPosition - i);
    Insert(kFirstPosition);
    unsigned s = 0, r = kFirstPosition;
    do {
      if (matchLen_ > len) matchLen_ = len;
      if (matchLen_ < kMinMatch) {
        matchLen_ = 1;
        Char(text_[r]);
      } else {
        Char(matchLen_ + kLengthBias);
        const PositionCode& pc = FixedPositionCode();
        Bits(pc.code[matchPos_ >> 6] >> (8 - pc.length[matchPos_ >> 6]), pc.length[matchPos_ >> 6]);
        Bits(matchPos_ & 0x3F, 6);
      }
      const int last = matchLen_;
      int i = 0;
      for (; i < last && next_ < in_->size(); ++i) {
        Delete(s);
        text_[s] = (*in_)[next_++];
        if (s < kMaxMatch - 1) text_[s + kWindowSize] = text_[s];
        s = (s + 1) & (kWindowSize - 1);
        r = (r + 1) & (kWindowSize - 1);
        Insert(r);
      }
      for (; i < last; ++i) {
        Delete(s);
        s = (s + 1) & (kWindowSize - 1);
        r = (r + 1) & (kWindowSize - 1);
        if (--len) Insert(r);
      }
    } while (len > 0);
    if (count_) out_.push_back(static_cast<uint8_t>(acc_ << (8 - count_)));
    return out_;
  }

 private:
  static constexpr uint16_t kNil = kWindowSize;

  void Bits(uint32_t v, unsigned n) {
    for (unsigned k = n; k-- > 0;) {
      acc_ = (acc_ << 1) | ((v >> k) & 1);
      if (++count_ == 8) {
        out_.push_back(static_cast<uint8_t>(acc_));
        count_ = 0;
      }
    }
  }

  void Char(int symbol) {
    std::vector<unsigned> path;
    for (unsigned k = model_.parent[symbol + kNodeCount]; k != kRoot; k = model_.parent[k]) path.push_back(k & 1);
    for (auto it = path.rbegin(); it != path.rend(); ++it) Bits(*it, 1);
    model_.Update(symbol);
  }

  void Insert(unsigned r) {
    const uint8_t* key = &text_[r];
    unsigned h = key[1] ^ key[2];
    h = (h ^ (h >> 4)) & 15;
    unsigned p = kWindowSize + 1 + key[0] + (h << 8);
    right_[r] = left_[r] = kNil;
    matchLen_ = 0;
    int cmp = 1;
    for (;;) {
      uint16_t& link = cmp >= 0 ? right_[p] : left_[p];
      if (link == kNil) {
        link = static_cast<uint16_t>(r);
        dad_[r] = static_cast<uint16_t>(p);
        return;
      }
      p = link;
      int i = 1;
      for (; i < kMaxMatch; ++i)
        if ((cmp = key[i] - text_[p + i]) != 0) break;
      if (i >= kMinMatch) {
        const unsigned d = ((r - p) & (kWindowSize - 1)) - 1;
        if (i > matchLen_) {
          matchPos_ = d;
          matchLen_ = i;
          if (i >= kMaxMatch) break;
        } else if (i == matchLen_ && d < matchPos_) {
          matchPos_ = d;
        }
      }
    }
    dad_[r] = dad_[p];
    left_[r] = left_[p];
    right_[r] = right_[p];
    dad_[left_[p]] = dad_[right_[p]] = static_cast<uint16_t>(r);
    (right_[dad_[p]] == p ? right_[dad_[p]] : left_[dad_[p]]) = static_cast<uint16_t>(r);
    dad_[p] = kNil;
  }

  void Delete(unsigned p) {
    if (dad_[p] == kNil) return;
    unsigned q;
    if (right_[p] == kNil) {
      q = left_[p];
    } else if (left_[p] == kNil) {
      q = right_[p];
    } else {
      q = left_[p];
      if (right_[q] != kNil) {
        do q = right_[q];
        while (right_[q] != kNil);
        right_[dad_[q]] = left_[q];
        dad_[left_[q]] = dad_[q];
        left_[q] = left_[p];
        dad_[left_[p]] = static_cast<uint16_t>(q);
      }
      right_[q] = right_[p];
      dad_[right_[p]] = static_cast<uint16_t>(q);
    }
    dad_[q] = dad_[p];
    (right_[dad_[p]] == p ? right_[dad_[p]] : left_[dad_[p]]) = static_cast<uint16_t>(q);
    dad_[p] = kNil;
  }

  const Bytes* in_ = nullptr;
  size_t next_ = 0;
  Bytes out_;
  uint32_t acc_ = 0;
  unsigned count_ = 0;
  AdaptiveModel model_;
  uint8_t text_[kWindowSize + kMaxMatch - 1];
  uint16_t left_[kWindowSize + 1];
  uint16_t right_[kWindowSize + 1 + 4096];
  uint16_t dad_[kWindowSize + 1];
  int matchLen_ = 0;
  unsigned matchPos_ = 0;
};

Bytes Encode(const Bytes& input) {
  return CodeBytes(EncodeLZH, input);
}

TEST(LzhMatchFinder, SharedPrefixBookkeepingChangesNoDecision) {
  // Inputs rich in long equal stretches and near-ties: text, runs of varied lengths, a small
  // alphabet, and data that keeps hitting the 60-byte limit.
  Bytes runs;
  for (size_t i = 0; runs.size() < 60000; ++i) runs.insert(runs.end(), 1 + i * 7 % 90, static_cast<uint8_t>(i % 5));
  Bytes small = test::RandomBytes(60000, 3);
  for (uint8_t& b : small) b = static_cast<uint8_t>('a' + b % 3);
  Bytes periodic;
  for (size_t i = 0; i < 60000; ++i) periodic.push_back(static_cast<uint8_t>("abcabcabd"[i % 9]));
  const std::pair<const char*, Bytes> inputs[] = {
      {"text", test::TextBytes(120000, 1)},
      {"runs", runs},
      {"three letters", small},
      {"periodic", periodic},
      {"short", test::TextBytes(100, 2)},
      {"random", test::RandomBytes(20000, 4)},
  };
  for (const auto& [what, data] : inputs) {
    auto reference = std::make_unique<PlainTreeEncoder>();
    EXPECT_EQ(Encode(data), reference->Encode(data)) << what;
  }
}

}  // namespace
}  // namespace vurerode
