// coLZH5 both ways: round trips through TCompress, hand-built streams for the method's corner cases,
// malformed code tables, and the production decoder against the plain reference decoder on
// streams that are damaged on purpose.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "archive/code_bytes.h"
#include "archive/codecs.h"
#include "archive/compress.h"
#include "archive/errors.h"
#include "lh5_reference_decoder.h"
#include "platform/native_file_system.h"
#include "support/lha_wrapper.h"
#include "support/test_support.h"

namespace vurerode {
namespace {

using Bytes = std::vector<uint8_t>;

using platform::NativeFileSystem;

// Codes with the encoder, without the output budget that makes the archive writer store.
Bytes EncodeRaw(const Bytes& data) {
  return CodeBytes(EncodeLZH5, data, INT64_MAX);
}

struct Decoded {
  Bytes out;
  bool badTable = false;
  bool damaged = false;  // a code took bits past the end of the data
};

template <typename Run>
Decoded DecodeWith(const Bytes& coded, int64_t count, Run run) {
  TMemoryStream source(coded);
  TMemoryStream sink;
  CodecIO::Setup setup;
  setup.input = &source;
  setup.output = &sink;
  setup.inputSize = static_cast<int64_t>(coded.size());
  auto io = std::make_unique<CodecIO>(setup);
  Decoded d;
  try {
    run(*io, count);
    io->Finish();
  } catch (const ELZHBadDecodeTable& e) {
    EXPECT_STREQ(e.what(), "Bad decode table in archive!");
    d.badTable = true;  // what the sink held back is lost, as after any codec failure
  } catch (const EBadChecksum&) {
    d.damaged = true;
  }
  d.out = sink.data();
  return d;
}

Decoded Decode(const Bytes& coded, int64_t count) {
  return DecodeWith(coded, count, DecodeLZH5);
}
Decoded DecodeReference(const Bytes& coded, int64_t count) {
  return DecodeWith(coded, count, [](CodecIO& io, int64_t n) { test::ReferenceLh5Decoder(io).Decode(n); });
}

// Writes bits most significant first, as the method reads them.
class BitWriter {
 public:
  BitWriter& Put(int n, uint32_t x) {
    for (int i = n - 1; i >= 0; --i) {
      if (fill_ == 0) bytes_.push_back(0);
      if ((x >> i) & 1) bytes_.back() = static_cast<uint8_t>(bytes_.back() | (0x80 >> fill_));
      fill_ = (fill_ + 1) % 8;
    }
    return *this;
  }
  // A block header that gives every character code (and every position code) zero bits.
  BitWriter& SingleSymbolBlock(uint32_t codes, uint32_t symbol, uint32_t position = 0) {
    return Put(16, codes).Put(5, 0).Put(5, 0).Put(9, 0).Put(9, symbol).Put(4, 0).Put(4, position);
  }
  const Bytes& bytes() const { return bytes_; }

 private:
  Bytes bytes_;
  int fill_ = 0;
};

// ---------------------------------------------------------------------------------------------
// Round trips through the component's stream driver

class Lh5RoundTrip : public ::testing::Test {
 protected:
  // Compresses through ProcessStream (whose budget is the input size) and expands back.
  Bytes RoundTrip(const Bytes& data, int64_t* coded = nullptr) {
    TMemoryStream source(data);
    TMemoryStream packed;
    int64_t written = 0;
    const uint32_t readSum =
        compress_.ProcessStream(TProcessDirection::Compress, packed, source, coLZH5, static_cast<int32_t>(data.size()),
                                static_cast<int32_t>(data.size()), false, &written);
    EXPECT_EQ(written, static_cast<int64_t>(packed.data().size()));
    if (coded) *coded = written;
    packed.SetPosition(0);
    TMemoryStream out;
    const uint32_t writeSum =
        compress_.ProcessStream(TProcessDirection::Expand, out, packed, coLZH5, static_cast<int32_t>(data.size()),
                                static_cast<int32_t>(written), false);
    EXPECT_EQ(readSum, writeSum);
    return out.data();
  }

  NativeFileSystem files_;
  TCompress compress_{files_};
};

TEST_F(Lh5RoundTrip, CompressibleInputsComeBackExactly) {
  Bytes spaces = test::TextBytes(30000, 3);
  spaces.insert(spaces.begin(), 5000, ' ');
  Bytes mixed = test::TextBytes(40000, 4);
  Bytes noise = test::RandomBytes(20000, 5);
  mixed.insert(mixed.begin() + 10000, noise.begin(), noise.end());
  const struct {
    const char* name;
    Bytes data;
  } cases[] = {
      {"one window", Bytes(8192, 'q')},
      {"one window and a byte", Bytes(8193, 'q')},
      {"more equal bytes than a block counts", Bytes(200000, 0)},
      {"text", test::TextBytes(300000, 1)},
      {"starts with spaces", spaces},
      {"text around noise", mixed},
      {"two values",
       [] {
         Bytes b(50000);
         for (size_t i = 0; i < b.size(); ++i) b[i] = (i * 7919) % 11 < 5 ? 'a' : 'b';
         return b;
       }()},
  };
  for (const auto& c : cases) {
    int64_t coded = 0;
    EXPECT_EQ(RoundTrip(c.data, &coded), c.data) << c.name;
    EXPECT_LT(coded, static_cast<int64_t>(c.data.size())) << c.name;
  }
}

// Through the archive writer: entries that code smaller keep coLZH5, the rest are stored; either
// way the entry expands back to the file.
TEST_F(Lh5RoundTrip, ArchiveEntriesOfEverySize) {
  const struct {
    const char* name;
    Bytes data;
    bool coded;
  } cases[] = {
      {"empty", {}, false},
      {"one byte", test::Bytes("A"), false},
      {"two bytes", test::Bytes("AB"), false},
      {"three bytes", test::Bytes("AAA"), false},
      {"one window", Bytes(8192, ' '), true},
      {"one window and a byte", test::TextBytes(8193, 12), true},
      {"noise", test::RandomBytes(30000, 13), false},
  };
  for (const auto& c : cases) {
    TMemoryStream archive;
    TMemoryStream source(c.data);
    const TCompressedFileInfo info =
        compress_.AppendEntry(archive, source, static_cast<int32_t>(c.data.size()), "x.bin", 0, 0x20, coLZH5);
    EXPECT_EQ(info.Method, c.coded ? coLZH5 : coNone) << c.name;
    archive.SetPosition(info.HeaderPosition + static_cast<int64_t>(kEntryHeaderSize) + 5);
    TMemoryStream out;
    const uint32_t sum = compress_.ProcessStream(TProcessDirection::Expand, out, archive, info.Method,
                                                 info.OriginalSize, info.CompressedSize, false);
    EXPECT_EQ(out.data(), c.data) << c.name;
    EXPECT_EQ(static_cast<int32_t>(sum), info.Checksum) << c.name;
  }
}

TEST_F(Lh5RoundTrip, EqualBytesShrinkToAFewLongMatches) {
  int64_t coded = 0;
  EXPECT_EQ(RoundTrip(Bytes(70000, 0xAB), &coded), Bytes(70000, 0xAB));
  // One literal, then matches of 256: a handful of bytes per block.
  EXPECT_LT(coded, 100);
}

TEST_F(Lh5RoundTrip, IncompressibleInputGivesUp) {
  const Bytes noise = test::RandomBytes(50000, 9);
  TMemoryStream source(noise);
  TMemoryStream packed;
  try {
    compress_.ProcessStream(TProcessDirection::Compress, packed, source, coLZH5, 50000, 50000, false);
    FAIL() << "random bytes shrank";
  } catch (const EUnableToCompress& e) {
    EXPECT_STREQ(e.what(), "Could not compress data, will store instead");
  }
  // Without the budget the same bytes still code and decode.
  const Bytes coded = EncodeRaw(noise);
  EXPECT_GT(coded.size(), noise.size());
  EXPECT_EQ(Decode(coded, 50000).out, noise);
}

TEST_F(Lh5RoundTrip, LargeBinaryFromTheMachine) {
  const char* const candidates[] = {"/usr/bin/cmake", "/usr/bin/gdb", "/usr/bin/perl", "/usr/bin/bash"};
  for (const char* path : candidates) {
    if (!std::filesystem::exists(path)) continue;
    const Bytes data = test::ReadFileBytes(path);
    ASSERT_FALSE(data.empty());
    int64_t coded = 0;
    EXPECT_TRUE(RoundTrip(data, &coded) == data) << path;
    EXPECT_LT(coded, static_cast<int64_t>(data.size()));
    return;
  }
  GTEST_SKIP() << "no large program found";
}

// ---------------------------------------------------------------------------------------------
// The encoder's exact output

TEST(Lh5Encoder, EmptyInputWritesNothing) {
  EXPECT_TRUE(EncodeRaw({}).empty());
}

TEST(Lh5Encoder, SingleSymbolBlocksUseTheShortHeader) {
  // One distinct symbol: the 5, 5, 9, 9-bit header, no position code, zero-bit codes, and the
  // flush pads the last byte.
  for (const std::string s : {"A", "AA", "AAA"}) {
    BitWriter w;
    w.SingleSymbolBlock(static_cast<uint32_t>(s.size()), 'A');
    EXPECT_EQ(EncodeRaw(test::Bytes(s)), w.bytes()) << s;
  }
  EXPECT_EQ(Decode(EncodeRaw(test::Bytes("AAA")), 3).out, test::Bytes("AAA"));
}

TEST(Lh5Encoder, ShortInputsRoundTrip) {
  for (const std::string s : {"AB", "ABA", "\x00\xFF", "   ", "abcabcabcabc"}) {
    const Bytes data = test::Bytes(s);
    EXPECT_EQ(Decode(EncodeRaw(data), static_cast<int64_t>(data.size())).out, data) << s;
  }
}

// The coded bytes of fixed inputs. Any change to parsing, block building or code assignment
// shows here, even one that still decodes correctly.
// Bytes with the traits of programs: zero runs, repeated records, tables of small numbers, noise.
Bytes ProgramLike(size_t n, uint64_t seed) {
  Bytes out;
  const Bytes noise = test::RandomBytes(n, seed);
  size_t k = 0;
  while (out.size() < n) {
    const uint8_t kind = noise[k++ % noise.size()] % 4;
    const size_t len = 16 + noise[k++ % noise.size()] % 200;
    if (kind == 0) {
      out.insert(out.end(), len, 0);
    } else if (kind == 1 && out.size() > 300) {
      const size_t from = out.size() - 1 - noise[k++ % noise.size()] * 7 % 300;
      for (size_t i = 0; i < len; ++i) out.push_back(out[from + i % 37]);
    } else if (kind == 2) {
      for (size_t i = 0; i < len; ++i) out.push_back(static_cast<uint8_t>(i % 4 == 0 ? noise[(k + i) % n] % 16 : 0));
    } else {
      for (size_t i = 0; i < len; ++i) out.push_back(noise[(k + i * 13) % n]);
    }
  }
  out.resize(n);
  return out;
}

TEST(Lh5Encoder, OutputIsPinned) {
  const struct {
    const char* name;
    Bytes data;
    size_t size;
    uint16_t crc;
  } cases[] = {
      {"text", test::TextBytes(300000, 7), 47185, 0x2F06},
      {"program-like", ProgramLike(400000, 8), 63875, 0x0CE8},
      {"random", test::RandomBytes(30000, 8), 30152, 0x02A0},
      {"equal bytes", Bytes(70000, 'z'), 46, 0x8DA0},
  };
  for (const auto& c : cases) {
    const Bytes coded = EncodeRaw(c.data);
    EXPECT_EQ(coded.size(), c.size) << c.name;
    EXPECT_EQ(test::Crc16Arc(coded), c.crc) << c.name;
    EXPECT_EQ(Decode(coded, static_cast<int64_t>(c.data.size())).out, c.data);
  }
}

// ---------------------------------------------------------------------------------------------
// Hand-built streams

TEST(Lh5Decoder, CountZeroReadsNothing) {
  TMemoryStream source(test::RandomBytes(100, 1));
  TMemoryStream sink;
  CodecIO::Setup setup;
  setup.input = &source;
  setup.output = &sink;
  setup.inputSize = 100;
  CodecIO io(setup);
  DecodeLZH5(io, 0);
  DecodeLZH5(io, -5);
  EXPECT_EQ(source.Position(), 0);
  EXPECT_FALSE(io.EndOfInput());
}

TEST(Lh5Decoder, ZeroBitCodesRepeatOneSymbol) {
  BitWriter w;
  w.SingleSymbolBlock(5, 'A');
  EXPECT_EQ(Decode(w.bytes(), 5).out, test::Bytes("AAAAA"));
}

TEST(Lh5Decoder, DistanceZeroRepeatsThePreviousByte) {
  BitWriter w;
  w.SingleSymbolBlock(1, 'x').SingleSymbolBlock(1, 509, 0);  // a literal, then a match of 256
  Bytes expected(257, 'x');
  EXPECT_EQ(Decode(w.bytes(), 257).out, expected);
}

TEST(Lh5Decoder, MatchesBeforeAnyOutputReadSpaces) {
  BitWriter w;
  // Length 5 (symbol 258) at position code 13: distance 4096 + 12 extra bits, all before r = 0.
  w.SingleSymbolBlock(2, 258, 13).Put(12, 0x123).Put(12, 0xFFF);
  EXPECT_EQ(Decode(w.bytes(), 10).out, Bytes(10, ' '));
}

TEST(Lh5Decoder, BlockSizeZeroMeans65536Codes) {
  BitWriter w;
  w.SingleSymbolBlock(0, 'x').SingleSymbolBlock(3, 'y');
  Bytes expected(65536, 'x');
  expected.insert(expected.end(), 3, 'y');
  Bytes stream = w.bytes();
  EXPECT_EQ(Decode(stream, 65539).out, expected);
  // Again with input to spare, which the decoder reads in larger steps.
  stream.resize(stream.size() + 64, 0);
  EXPECT_EQ(Decode(stream, 65539).out, expected);
}

TEST(Lh5Decoder, LastMatchIsCopiedWhole) {
  BitWriter w;
  w.SingleSymbolBlock(1, 'k').SingleSymbolBlock(1, 262, 0);  // then a match of 9
  EXPECT_EQ(Decode(w.bytes(), 3).out, Bytes(10, 'k'));
}

TEST(Lh5Decoder, TruncatedInputStopsAtItsEnd) {
  const Bytes data = test::TextBytes(50000, 11);
  const Bytes coded = EncodeRaw(data);
  for (size_t keep : {coded.size() - 1, coded.size() / 2, size_t{40}, size_t{0}}) {
    const Bytes cut(coded.begin(), coded.begin() + static_cast<long>(keep));
    const Decoded d = Decode(cut, 50000);
    EXPECT_TRUE(d.damaged) << keep;
    EXPECT_LT(d.out.size(), 50000u);
    EXPECT_TRUE(std::equal(d.out.begin(), d.out.end(), data.begin())) << keep;
    const Decoded r = DecodeReference(cut, 50000);
    EXPECT_TRUE(r.damaged) << keep;
    EXPECT_EQ(d.out, r.out) << keep;
  }
  // The whole stream with a count beyond it: every byte of the data, then the stop.
  const Decoded d = DecodeWith(coded, 50000 + 1000, [](CodecIO& io, int64_t n) {
    try {
      DecodeLZH5(io, n);
    } catch (const EBadChecksum&) {
      io.Finish();  // keep what was put, to see all of it
      throw;
    }
  });
  EXPECT_TRUE(d.damaged);
  EXPECT_EQ(d.out, data);
}

// ---------------------------------------------------------------------------------------------
// Malformed tables

TEST(Lh5Decoder, MalformedTablesAreRejected) {
  const struct {
    const char* name;
    BitWriter stream;
  } cases[] = {
      {"length code above 16", BitWriter().Put(16, 1).Put(5, 3).Put(3, 7).Put(13, 0x1FFF)},
      {"more length codes than 19", BitWriter().Put(16, 1).Put(5, 20)},
      {"more position codes than 14", BitWriter().Put(16, 1).Put(5, 0).Put(5, 0).Put(9, 0).Put(9, 'a').Put(4, 15)},
      // Every length code is symbol 3 (a length of 1) in zero bits; then the count is too large.
      {"more character codes than 510", BitWriter().Put(16, 1).Put(5, 0).Put(5, 3).Put(9, 511)},
      // Every length code is symbol 2, a run of 20 + 9 bits of zeros: 531 in one go.
      {"zero run past the table", BitWriter().Put(16, 1).Put(5, 0).Put(5, 2).Put(9, 500).Put(9, 511)},
      {"over-full length code", BitWriter().Put(16, 1).Put(5, 3).Put(3, 1).Put(3, 1).Put(3, 1).Put(2, 0)},
      {"incomplete character code", BitWriter().Put(16, 1).Put(5, 0).Put(5, 3).Put(9, 1)},  // one 1-bit code
      {"over-full code that wraps to a full count",
       // Four one-bit length codes: 4 x 32768 wraps to 0 in 16 bits, then overruns the table.
       BitWriter().Put(16, 1).Put(5, 4).Put(3, 1).Put(3, 1).Put(3, 1).Put(2, 0).Put(3, 1)},
  };
  for (const auto& c : cases) {
    Bytes stream = c.stream.bytes();
    stream.resize(stream.size() + 64, 0);
    const Decoded d = Decode(stream, 1000);
    EXPECT_TRUE(d.badTable) << c.name;
    EXPECT_TRUE(DecodeReference(stream, 1000).badTable) << c.name;
  }
}

TEST(Lh5Decoder, BadTableThroughTheComponent) {
  NativeFileSystem files;
  TCompress compress(files);
  BitWriter w;
  w.Put(16, 1).Put(5, 20);
  TMemoryStream source(w.bytes());
  TMemoryStream out;
  EXPECT_THROW(compress.ProcessStream(TProcessDirection::Expand, out, source, coLZH5, 100,
                                      static_cast<int32_t>(w.bytes().size()), false),
               ELZHBadDecodeTable);
}

// ---------------------------------------------------------------------------------------------
// Against the reference decoder

// Damaged streams (bits flipped, bytes cut or replaced by noise) give the same bytes and the same
// error in both decoders.
TEST(Lh5Decoder, DamagedStreamsMatchTheReference) {
  const Bytes text = test::TextBytes(40000, 21);
  Bytes binary = test::RandomBytes(3000, 22);
  for (int i = 0; i < 6; ++i) binary.insert(binary.end(), binary.begin(), binary.begin() + 2000);
  const Bytes sources[] = {EncodeRaw(text), EncodeRaw(binary), EncodeRaw(Bytes(20000, 0))};
  const int64_t sizes[] = {40000, static_cast<int64_t>(binary.size()), 20000};
  uint64_t seed = 1;
  int failures = 0;
  for (int s = 0; s < 3; ++s) {
    for (int round = 0; round < 60; ++round, ++seed) {
      Bytes damaged = sources[s];
      const Bytes noise = test::RandomBytes(16, seed);
      switch (round % 4) {
        case 0:  // flip a few bits
          for (int k = 0; k < 3; ++k)
            damaged[(noise[k] * 131 + noise[k + 3] * 7) % damaged.size()] ^=
                static_cast<uint8_t>(1 << (noise[k + 6] % 8));
          break;
        case 1:  // a stretch of noise
          for (size_t k = 0, at = (noise[0] * 257u + noise[1]) % damaged.size(); k < 12 && at + k < damaged.size(); ++k)
            damaged[at + k] = noise[k % 16];
          break;
        case 2:  // cut short
          damaged.resize(damaged.size() * (noise[0] % 100) / 100);
          break;
        default:  // noise all the way
          damaged = test::RandomBytes(200 + noise[0] * 8, seed);
      }
      const int64_t count = sizes[s] + (noise[2] % 3 == 0 ? 20000 : 0);
      const Decoded a = Decode(damaged, count);
      const Decoded b = DecodeReference(damaged, count);
      if (a.badTable != b.badTable || a.damaged != b.damaged || a.out != b.out) {
        ++failures;
        ADD_FAILURE() << "source " << s << " round " << round << ": production " << a.badTable << a.damaged << "/"
                      << a.out.size() << " bytes, reference " << b.badTable << b.damaged << "/" << b.out.size();
      }
    }
  }
  EXPECT_EQ(failures, 0);
}

TEST(Lh5Decoder, RandomStreamsMatchTheReference) {
  for (uint64_t seed = 100; seed < 400; ++seed) {
    Bytes junk = test::RandomBytes(1 + seed % 700, seed);
    // Headers that pass more often: small block counts, n = 0 alphabets.
    if (seed % 3 == 0) junk[0] = 0;
    const int64_t count = static_cast<int64_t>(seed * 37 % 5000) + 1;
    const Decoded a = Decode(junk, count);
    const Decoded b = DecodeReference(junk, count);
    EXPECT_EQ(a.badTable, b.badTable) << seed;
    EXPECT_EQ(a.damaged, b.damaged) << seed;
    EXPECT_TRUE(a.out == b.out) << seed;
  }
}

}  // namespace
}  // namespace vurerode
