// coLZH5 against LHA tools nobody here wrote: our coded bytes, wrapped in LHA headers, must
// extract exactly with lhasa, bsdtar and 7z; the -lh5- members jlha writes must decode exactly
// with our decoder. Each tool runs once per test over a batch of files. Missing tools skip.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "archive/code_bytes.h"
#include "archive/codecs.h"
#include "support/lha_wrapper.h"
#include "support/test_support.h"

namespace vurerode {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

Bytes Encode(const Bytes& data) {
  return CodeBytes(EncodeLZH5, data, INT64_MAX);
}

Bytes Decode(const Bytes& coded, int64_t count) {
  return CodeBytes([count](CodecIO& io) { DecodeLZH5(io, count); }, coded);
}

// A program from the machine, cut to a size the tools handle quickly.
Bytes MachineBinary(size_t limit) {
  for (const char* path : {"/usr/bin/cmake", "/usr/bin/perl", "/usr/bin/bash", "/bin/sh"}) {
    if (!fs::exists(path)) continue;
    Bytes b = test::ReadFileBytes(path);
    if (b.size() > limit) b.resize(limit);
    if (!b.empty()) return b;
  }
  return test::TextBytes(limit, 99);
}

// Inputs that exercise blocks, windows and the single-symbol header.
std::map<std::string, Bytes> Samples(bool singleLiteral) {
  std::map<std::string, Bytes> s;
  if (singleLiteral) {
    s["a.txt"] = test::Bytes("A");
    s["aa.txt"] = test::Bytes("AA");
    s["aaaa.txt"] = Bytes(5000, 'A');  // a literal, then matches: two symbols
  }
  s["abc.txt"] = test::Bytes("ABC");
  s["text.txt"] = test::TextBytes(250000, 31);
  s["zeros.bin"] = Bytes(150000, 0);
  s["noise.bin"] = test::RandomBytes(40000, 32);
  s["program.bin"] = MachineBinary(1500000);
  Bytes spaces(9000, ' ');
  const Bytes tail = test::TextBytes(9000, 33);
  spaces.insert(spaces.end(), tail.begin(), tail.end());
  s["spaces.txt"] = spaces;
  return s;
}

// Writes one .lzh of our coded members (level 1 headers, one member with level 0) and extracts it
// with `command`, run in `out` with the archive's path appended; then compares the files.
void ExtractWith(const std::string& tool, const std::string& command, bool singleLiteral) {
  if (!test::HaveProgram(tool)) GTEST_SKIP() << tool << " is not installed";
  test::ScratchDir dir;
  const auto samples = Samples(singleLiteral);
  std::vector<Bytes> members;
  int level = 0;
  for (const auto& [name, data] : samples) {
    members.push_back(test::LhaMemberBytes(name, data, Encode(data), level));
    level = 1;
  }
  const fs::path archive = dir.path() / "ours.lzh";
  test::WriteFileBytes(archive, test::LhaArchive(members));
  const fs::path out = dir.path() / "out";
  fs::create_directory(out);
  ASSERT_EQ(test::RunCommand("cd '" + out.string() + "' && " + command + " '" + archive.string() + "' >/dev/null 2>&1"),
            0)
      << tool << " failed on our archive";
  for (const auto& [name, data] : samples) {
    ASSERT_TRUE(fs::exists(out / name)) << tool << " did not extract " << name;
    EXPECT_TRUE(test::ReadFileBytes(out / name) == data) << tool << " extracted " << name << " differently";
  }
}

TEST(Lh5Interop, LhasaExtractsOurStreams) {
  ExtractWith("lhasa", "lhasa xq", true);
}

TEST(Lh5Interop, SevenZipExtractsOurStreams) {
  ExtractWith("7z", "7z x -y", true);
}

// bsdtar 3.6 refuses blocks whose only code is a single literal ("A", "AA"), which are valid.
TEST(Lh5Interop, BsdtarExtractsOurStreams) {
  ExtractWith("bsdtar", "bsdtar -xf", false);
}

TEST(Lh5Interop, WeDecodeJlhaMembers) {
  if (!test::HaveProgram("jlha")) GTEST_SKIP() << "jlha is not installed";
  test::ScratchDir dir;
  const auto samples = Samples(true);
  std::string names;
  for (const auto& [name, data] : samples) {
    test::WriteFileBytes(dir.path() / name, data);
    names += " " + name;
  }
  ASSERT_EQ(test::RunCommand("cd '" + dir.str() + "' && jlha c2o5q j.lzh" + names + " >/dev/null 2>&1"), 0);
  const auto archive = test::ParseLhaArchive(test::ReadFileBytes(dir.path() / "j.lzh"));
  ASSERT_EQ(archive.size(), samples.size());
  int decoded = 0;
  for (const auto& m : archive) {
    ASSERT_TRUE(samples.count(m.name)) << m.name;
    const Bytes& original = samples.at(m.name);
    EXPECT_EQ(m.originalSize, original.size());
    EXPECT_EQ(m.crc, test::Crc16Arc(original)) << m.name;
    if (m.method != "-lh5-") continue;  // jlha stores what does not shrink
    EXPECT_TRUE(Decode(m.data, m.originalSize) == original) << m.name;
    ++decoded;
  }
  EXPECT_GE(decoded, 4);
}

TEST(Lh5Interop, HeaderLevelsParse) {
  const Bytes data = test::TextBytes(3000, 5);
  const Bytes coded = Encode(data);
  for (int level : {0, 1}) {
    const auto parsed = test::ParseLhaArchive(test::LhaArchive({test::LhaMemberBytes("x/y.txt", data, coded, level)}));
    ASSERT_EQ(parsed.size(), 1u);
    EXPECT_EQ(parsed[0].level, level);
    EXPECT_EQ(parsed[0].name, "x/y.txt");
    EXPECT_EQ(parsed[0].method, "-lh5-");
    EXPECT_EQ(parsed[0].data, coded);
    EXPECT_EQ(parsed[0].crc, test::Crc16Arc(data));
  }
  EXPECT_EQ(test::Crc16Arc(test::Bytes("123456789")), 0xBB3D);  // the CRC-16/ARC check value
}

}  // namespace
}  // namespace vurerode
