#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "archive/code_bytes.h"
#include "archive/codecs.h"
#include "archive/errors.h"
#include "support/test_support.h"

namespace vurerode {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes Encode(const Bytes& b) {
  return CodeBytes(EncodeRLE, b);
}
Bytes Decode(const Bytes& b) {
  return CodeBytes(DecodeRLE, b);
}

Bytes Repeat(uint8_t b, size_t n) {
  return Bytes(n, b);
}
Bytes Join(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& p : parts)
    for (uint8_t x : p) out.push_back(x);
  return out;
}

TEST(Rle, CodesTheDocumentedForms) {
  const struct {
    const char* what;
    Bytes plain;
    Bytes coded;
  } cases[] = {
      {"empty", {}, {}},
      {"one byte", {0x41}, {0x41}},
      {"two equal bytes stay", {0x41, 0x41}, {0x41, 0x41}},
      {"three equal bytes", {0x41, 0x41, 0x41}, {0x41, 0x94, 0x03}},
      {"three zeros at the start", {0, 0, 0}, {0x00, 0x94, 0x03}},
      {"a lone zero is not a run with the initial last byte", {0}, {0}},
      {"300 zeros: 255, then a run of 45 started by a literal", Repeat(0, 300), {0x00, 0x94, 0xFF, 0x00, 0x94, 0x2D}},
      {"256 equal bytes", Repeat(7, 256), {7, 0x94, 0xFF, 7}},
      {"257 equal bytes", Repeat(7, 257), {7, 0x94, 0xFF, 7, 7}},
      {"escape byte", {0x94}, {0x94, 0x00}},
      {"three escape bytes never form a run", Repeat(0x94, 3), {0x94, 0, 0x94, 0, 0x94, 0}},
      {"run ending in an escape byte", {5, 5, 5, 5, 0x94}, {5, 0x94, 4, 0x94, 0}},
      {"escape then equal bytes", {0x94, 5, 5, 5}, {0x94, 0, 5, 0x94, 3}},
      {"mixed", {1, 2, 2, 3, 3, 3, 2}, {1, 2, 2, 3, 0x94, 3, 2}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Encode(c.plain), c.coded) << c.what;
    EXPECT_EQ(Decode(c.coded), c.plain) << c.what;
  }
}

TEST(Rle, DecodesWhatOnlyDamagedOrForeignStreamsHold) {
  const struct {
    const char* what;
    Bytes coded;
    Bytes plain;
  } cases[] = {
      {"escape at the very end stands for itself", {0x41, 0x94}, {0x41, 0x94}},
      {"a repeat at the start copies the initial zero", {0x94, 4}, {0, 0, 0}},
      {"a repeat of 1 adds nothing", {9, 0x94, 1}, {9}},
      {"a repeat after an escape sequence repeats the escape byte", {0x94, 0, 0x94, 3}, {0x94, 0x94, 0x94}},
      {"a repeat after a repeat repeats the escape byte", {8, 0x94, 2, 0x94, 2}, {8, 8, 0x94}},
  };
  for (const auto& c : cases) EXPECT_EQ(Decode(c.coded), c.plain) << c.what;
}

TEST(Rle, RoundTripsAcrossBufferBoundaries) {
  // Runs and escape bytes placed around the 8192-byte refills of input and output.
  std::vector<Bytes> inputs = {
      Join({Repeat('a', 8190), Repeat('b', 10), Repeat(0x94, 5), test::RandomBytes(9000, 1)}),
      Join({test::RandomBytes(8191, 2), Repeat(0x94, 3), Repeat(0, 600)}),
      test::TextBytes(50000, 3),
      test::RandomBytes(40000, 4),
      Repeat(0x94, 20000),
  };
  for (size_t i = 0; i < inputs.size(); ++i) EXPECT_EQ(Decode(Encode(inputs[i])), inputs[i]) << "input " << i;
  // Every byte value, twice and thrice in a row.
  Bytes all;
  for (int b = 0; b < 256; ++b)
    for (int k = 0; k < 2 + b % 2; ++k) all.push_back(static_cast<uint8_t>(b));
  EXPECT_EQ(Decode(Encode(all)), all);
}

TEST(Rle, EncoderGivesUpAtTheBudget) {
  // Random bytes only grow (each escape byte doubles), so coding them must fail at their own size.
  Bytes random = test::RandomBytes(20000, 5);
  EXPECT_THROW(CodeBytes(EncodeRLE, random, 20000), EUnableToCompress);
  EXPECT_EQ(CodeBytes(EncodeRLE, Repeat(3, 20000), 300).size(), Encode(Repeat(3, 20000)).size());
}

}  // namespace
}  // namespace vurerode
