// coLZH encoding. The stream is what LHA calls -lh1-, so an independent -lh1- decoder checks that
// the encoder writes a correct stream; our decoder must read the same.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "archive/code_bytes.h"
#include "archive/codecs.h"
#include "archive/errors.h"
#include "archive/lzh_model.h"
#include "support/test_support.h"

#if VURERODE_HAVE_LHASA
#include <lha_decoder.h>
#endif

namespace vurerode {
namespace {

using test::Bytes;
using test::RandomBytes;
using test::TextBytes;

std::vector<uint8_t> Encode(const std::vector<uint8_t>& input) {
  return CodeBytes(EncodeLZH, input);
}
std::vector<uint8_t> Decode(const std::vector<uint8_t>& coded, int64_t count) {
  return CodeBytes([count](CodecIO& io) { DecodeLZH(io, count); }, coded);
}

std::vector<uint8_t> Repeat(uint8_t b, size_t n) {
  return std::vector<uint8_t>(n, b);
}

std::vector<uint8_t> Concat(std::vector<uint8_t> a, const std::vector<uint8_t>& b) {
  for (uint8_t x : b) a.push_back(x);
  return a;
}

// A real binary: the test program itself (on Linux; elsewhere a stand-in of code-like bytes).
std::vector<uint8_t> OwnExecutable() {
  auto bytes = test::ReadFileBytes("/proc/self/exe");
  if (bytes.empty()) {
    bytes = RandomBytes(100000, 12);
    for (size_t i = 0; i < bytes.size(); i += 3) bytes[i] = static_cast<uint8_t>(bytes[i] & 0x0F);
  }
  if (bytes.size() > 300000) bytes.resize(300000);
  return bytes;
}

struct Sample {
  std::string name;
  std::vector<uint8_t> data;
};

std::vector<Sample> Samples() {
  return {
      {"empty", {}},
      {"one byte", Bytes("A")},
      {"two bytes", Bytes("AB")},
      {"three equal bytes", Bytes("xxx")},
      {"59 bytes", TextBytes(59, 1)},
      {"60 bytes", TextBytes(60, 2)},
      {"61 bytes", TextBytes(61, 3)},
      {"8192 bytes", TextBytes(8192, 4)},
      {"8193 bytes", RandomBytes(8193, 5)},
      {"70000 equal bytes", Repeat(0x41, 70000)},
      {"70000 zero bytes", Repeat(0x00, 70000)},
      {"random", RandomBytes(50000, 6)},
      {"starting with spaces", Concat(Repeat(0x20, 5000), TextBytes(3000, 7))},
      {"all spaces", Repeat(0x20, 1000)},
      {"text", TextBytes(200000, 8)},
      {"real binary", OwnExecutable()},
  };
}

TEST(LzhCodec, EmptyInputWritesNothing) {
  EXPECT_TRUE(Encode({}).empty());
}

TEST(LzhCodec, RoundTripsThroughOwnDecoder) {
  for (const Sample& s : Samples()) {
    auto coded = Encode(s.data);
    EXPECT_EQ(Decode(coded, static_cast<int64_t>(s.data.size())), s.data) << s.name;
  }
}

TEST(LzhCodec, CompressesWhatRepeats) {
  EXPECT_LT(Encode(Repeat(0x41, 70000)).size(), 1600u);
  EXPECT_LT(Encode(TextBytes(200000, 8)).size(), 200000u / 2);
  // A match into the initial spaces before any output costs a few bits, not 1000 literals.
  EXPECT_LT(Encode(Repeat(0x20, 1000)).size(), 60u);
}

TEST(LzhCodec, TruncatedInputDecodesUpToItsEnd) {
  auto data = TextBytes(20000, 9);
  auto coded = Encode(data);
  coded.resize(coded.size() / 2);
  // What was complete decodes right; the whole count needs codes beyond the end.
  auto out = Decode(coded, 1000);
  ASSERT_GE(out.size(), 1000u);
  EXPECT_TRUE(std::equal(data.begin(), data.begin() + 1000, out.begin()));
  EXPECT_THROW(Decode(coded, 20000), EBadChecksum);
}

TEST(LzhCodec, EncoderStopsAtTheBudget) {
  auto data = RandomBytes(30000, 10);
  EXPECT_THROW(CodeBytes(EncodeLZH, data, 29000), EUnableToCompress);
  EXPECT_NO_THROW(CodeBytes(EncodeLZH, TextBytes(30000, 10), 29000));
}

TEST(LzhPositionCode, IsTheCanonicalCodeOfTheGivenLengths) {
  const lzh::PositionCode& pc = lzh::FixedPositionCode();
  const struct {
    int upper;
    const char* bits;
  } known[] = {{0, "000"},     {1, "0010"},    {2, "0011"},     {3, "0100"},     {4, "01010"},     {11, "10001"},
               {12, "100100"}, {23, "101111"}, {24, "1100000"}, {47, "1110111"}, {48, "11110000"}, {63, "11111111"}};
  for (auto k : known) {
    std::string bits;
    for (int i = 0; i < pc.length[k.upper]; ++i) bits += (pc.code[k.upper] >> (7 - i)) & 1 ? '1' : '0';
    EXPECT_EQ(bits, k.bits) << "upper bits " << k.upper;
  }
  for (int b = 0; b < 256; ++b) {
    const int u = pc.upperOf[b];
    EXPECT_EQ(pc.lengthOf[b], pc.length[u]);
    EXPECT_EQ(b >> (8 - pc.length[u]), pc.code[u] >> (8 - pc.length[u])) << b;
  }
}

// Replays a coLZH stream through the model the way the decoder does and reports the deepest
// character code met, so a test can show that it covered codes of more than 16 bits.
int DeepestCode(const std::vector<uint8_t>& coded, int64_t count) {
  lzh::AdaptiveModel model;
  model.Start();
  size_t pos = 0;
  uint32_t bits = 0;
  int have = 0;
  auto bit = [&]() -> unsigned {
    if (have == 0) {
      bits = pos < coded.size() ? coded[pos] : 0;
      ++pos;
      have = 8;
    }
    --have;
    return (bits >> have) & 1;
  };
  int deepest = 0;
  for (int64_t produced = 0; produced < count;) {
    unsigned c = model.child[lzh::kRoot];
    int depth = 1;
    while (c < lzh::kNodeCount) {
      c = model.child[c + bit()];
      ++depth;
    }
    deepest = std::max(deepest, depth - 1);
    const int symbol = static_cast<int>(c) - lzh::kNodeCount;
    model.Update(symbol);
    if (symbol < 256) {
      ++produced;
    } else {
      unsigned b = 0;
      for (int i = 0; i < 8; ++i) b = (b << 1) | bit();
      for (int i = 2; i < lzh::FixedPositionCode().lengthOf[b]; ++i) bit();
      produced += symbol - lzh::kLengthBias;
    }
  }
  return deepest;
}

// Data made of copies from the recent past whose lengths follow Fibonacci-like frequencies, with
// a random literal now and then. The length symbols make the model's tree lopsided; the literals,
// rare once the model has halved their early counts away, then get codes of more than 16 bits.
// Each copy is chosen so that it cannot be extended into the next one, keeping the lengths true.
std::vector<uint8_t> SkewedMatches(size_t n, uint64_t seed) {
  std::vector<uint32_t> weight = {1, 1};
  while (weight.size() < 7) weight.push_back(weight[weight.size() - 1] + weight[weight.size() - 2]);
  uint64_t total = 0;
  for (uint32_t w : weight) total += w;
  std::vector<uint8_t> out = RandomBytes(1024, seed);
  uint64_t x = seed * 0x9E3779B97F4A7C15ull + 7;
  auto next = [&x]() {
    x ^= x << 13;
    x ^= x >> 7;
    x ^= x << 17;
    return x;
  };
  int avoid = -1;  // the byte that would extend the last copy
  while (out.size() < n) {
    if (next() % 100 == 0) {
      uint8_t b;
      do b = static_cast<uint8_t>(next());
      while (b == avoid);
      out.push_back(b);
      avoid = -1;
    }
    uint64_t pick = next() % total;
    size_t k = 0;
    while (pick >= weight[k]) pick -= weight[k++];
    const size_t length = 8 + k;
    const size_t reach = std::min<size_t>(out.size(), 4000);
    size_t src;
    do src = out.size() - reach + next() % (reach - length);
    while (out[src] == avoid);
    for (size_t i = 0; i < length; ++i) out.push_back(out[src + i]);
    avoid = out[src + length];
  }
  return out;
}

TEST(LzhCodec, CodesDeeperThanSixteenBitsGoOutWhole) {
  auto data = SkewedMatches(1000000, 11);
  auto coded = Encode(data);
  EXPECT_GT(DeepestCode(coded, static_cast<int64_t>(data.size())), 16);
  EXPECT_EQ(Decode(coded, static_cast<int64_t>(data.size())), data);
}

#if VURERODE_HAVE_LHASA

struct LhasaSource {
  const std::vector<uint8_t>* data;
  size_t pos;
};

size_t LhasaRead(void* buf, size_t len, void* user) {
  auto* src = static_cast<LhasaSource*>(user);
  size_t n = std::min(len, src->data->size() - src->pos);
  std::copy(src->data->begin() + static_cast<std::ptrdiff_t>(src->pos),
            src->data->begin() + static_cast<std::ptrdiff_t>(src->pos + n), static_cast<uint8_t*>(buf));
  src->pos += n;
  return n;
}

std::vector<uint8_t> LhasaDecode(const char* method, const std::vector<uint8_t>& coded, size_t length) {
  LhasaSource src{&coded, 0};
  std::string name = method;
  LHADecoderType* type = lha_decoder_for_name(name.data());
  if (!type) return {};
  LHADecoder* decoder = lha_decoder_new(type, LhasaRead, &src, length);
  std::vector<uint8_t> out;
  uint8_t buf[4096];
  for (;;) {
    size_t got = lha_decoder_read(decoder, buf, sizeof buf);
    if (got == 0) break;
    out.insert(out.end(), buf, buf + got);
  }
  lha_decoder_free(decoder);
  return out;
}

TEST(LzhOracle, IndependentDecoderReadsOurStream) {
  for (const Sample& s : Samples()) {
    auto coded = Encode(s.data);
    EXPECT_EQ(LhasaDecode("-lh1-", coded, s.data.size()), s.data) << s.name;
  }
  auto skewed = SkewedMatches(1000000, 11);
  EXPECT_EQ(LhasaDecode("-lh1-", Encode(skewed), skewed.size()), skewed) << "deep codes";
}

#endif

}  // namespace
}  // namespace vurerode
