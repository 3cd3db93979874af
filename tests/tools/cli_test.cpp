// The vurerode tool driven as a user drives it: arguments in, exit status and output out.
#include "tools/cli.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "support/test_support.h"

namespace vurerode::cli {
namespace {
namespace fs = std::filesystem;
using test::ReadFileBytes;
using test::WriteFileBytes;

struct ToolRun {
  int status;
  std::string out, err;
};

ToolRun Tool(std::vector<std::string> args) {
  std::ostringstream out, err;
  int status = Main(args, out, err);
  return {status, out.str(), err.str()};
}

// Runs the tests of this file inside a scratch folder, so operands can be relative as users type them.
class ToolTest : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_ = fs::current_path();
    fs::current_path(scratch_.path());
  }
  void TearDown() override { fs::current_path(saved_); }

  // A small application tree: nested folders, an empty file, text, runs and noise.
  void MakeTree(const fs::path& root) {
    fs::create_directories(root / "bin" / "deep");
    fs::create_directories(root / "doc");
    WriteFileBytes(root / "README.TXT", test::Bytes("read me\r\n"));
    WriteFileBytes(root / "doc" / "manual.txt", test::TextBytes(30000, 1));
    WriteFileBytes(root / "bin" / "noise.bin", test::RandomBytes(10000, 2));
    WriteFileBytes(root / "bin" / "deep" / "zeros.dat", std::vector<uint8_t>(70000, 0));
    WriteFileBytes(root / "bin" / "empty", {});
  }

  test::ScratchDir scratch_;
  fs::path saved_;
};

TEST_F(ToolTest, EveryMethodRoundTripsATree) {
  MakeTree("app");
  for (std::string method : {"none", "rle", "lzh", "lh5", "zstd"}) {
    SCOPED_TRACE(method);
    std::string archive = "app." + method;
    ToolRun pack = Tool({"pack", "-m", method, archive, "app"});
    ASSERT_EQ(pack.status, 0) << pack.err;
    ToolRun list = Tool({"list", archive});
    ASSERT_EQ(list.status, 0) << list.err;
    for (const char* name : {"app\\README.TXT", "app\\doc\\manual.txt", "app\\bin\\deep\\zeros.dat", "app\\bin\\empty"})
      EXPECT_NE(list.out.find(name), std::string::npos) << list.out;
    EXPECT_NE(list.out.find("5 entries"), std::string::npos) << list.out;
    ToolRun t = Tool({"test", archive});
    ASSERT_EQ(t.status, 0) << t.err;
    ToolRun unpack = Tool({"unpack", archive, "-C", "out-" + method});
    ASSERT_EQ(unpack.status, 0) << unpack.err;
    test::ExpectSameTree("app", fs::path("out-" + method) / "app");
  }
}

TEST_F(ToolTest, NoiseIsStoredAndRunsShrink) {
  MakeTree("app");
  ASSERT_EQ(Tool({"pack", "a.lzh", "app/bin"}).status, 0);
  ToolRun list = Tool({"list", "a.lzh"});
  std::istringstream lines(list.out);
  std::string line;
  while (std::getline(lines, line)) {
    if (line.find("noise.bin") != std::string::npos) {
      EXPECT_NE(line.find("NON"), std::string::npos) << line;
    }
    if (line.find("zeros.dat") != std::string::npos) {
      EXPECT_NE(line.find("LH5"), std::string::npos) << line;
    }
  }
}

TEST_F(ToolTest, UsageErrorsExitWithTwo) {
  const std::vector<std::vector<std::string>> cases = {
      {},
      {"frobnicate"},
      {"pack"},
      {"pack", "a.arc"},
      {"pack", "-m", "zip", "a.arc", "x"},
      {"pack", "-k", "twelve", "a.arc", "x"},
      {"pack", "-k", "99999999999", "a.arc", "x"},
      {"pack", "--bogus", "a.arc", "x"},
      {"pack", "a.arc", "../x"},
      {"list"},
      {"list", "a", "b"},
      {"test"},
      {"unpack", "a.arc", "-C"},
  };
  for (const auto& args : cases) {
    ToolRun r = Tool(args);
    EXPECT_EQ(r.status, 2) << ::testing::PrintToString(args) << r.err;
    EXPECT_FALSE(r.err.empty());
  }
  for (std::string cmd : {"pack", "list", "test", "unpack"}) {
    ToolRun r = Tool({cmd, "--help"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out.rfind("usage: vurerode " + cmd, 0), 0u) << r.out;
  }
}

TEST_F(ToolTest, DataErrorsExitWithOneAndTheLibrarysMessage) {
  WriteFileBytes("text.txt", test::TextBytes(20000, 9));
  ASSERT_EQ(Tool({"pack", "-m", "none", "good.arc", "text.txt"}).status, 0);
  auto bytes = ReadFileBytes("good.arc");

  auto corrupt = bytes;
  corrupt[21 + 25 + 8 + 100] ^= 0x55;  // a byte of the stored data
  WriteFileBytes("corrupt.arc", corrupt);
  auto badMagic = bytes;
  badMagic[0] = 'X';
  WriteFileBytes("magic.arc", badMagic);
  // An entry whose size field claims 2 GB: test and unpack stop where its data ends.
  ASSERT_EQ(Tool({"pack", "-m", "lzh", "claims.arc", "text.txt"}).status, 0);
  auto claims = ReadFileBytes("claims.arc");
  for (size_t at : {size_t{8}, size_t{21 + 8}}) {  // the archive's total, the entry's original size
    claims[at] = claims[at + 1] = claims[at + 2] = 0xFF;
    claims[at + 3] = 0x7F;
  }
  WriteFileBytes("claims.arc", claims);

  struct Case {
    std::vector<std::string> args;
    std::string message;
  };
  const std::vector<Case> cases = {
      {{"test", "corrupt.arc"}, "Bad checksum during expansion -- data may be invalid"},
      {{"unpack", "corrupt.arc", "-C", "o1"}, "Bad checksum during expansion -- data may be invalid"},
      {{"test", "claims.arc"}, "Bad checksum during expansion -- data may be invalid"},
      {{"unpack", "claims.arc", "-C", "o2"}, "Bad checksum during expansion -- data may be invalid"},
      {{"list", "magic.arc"}, "Can't recognize compressed file header"},
      {{"test", "missing.arc"}, "Cannot open file missing.arc"},
      {{"pack", "x.arc", "no-such-file"}, "no-such-file"},
  };
  for (const Case& c : cases) {
    ToolRun r = Tool(c.args);
    EXPECT_EQ(r.status, 1) << ::testing::PrintToString(c.args);
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
  }
  EXPECT_LE(fs::file_size("o2/text.txt"), 20000u);
}

TEST_F(ToolTest, KeysLockTheArchive) {
  WriteFileBytes("secret.txt", test::TextBytes(5000, 3));
  ASSERT_EQ(Tool({"pack", "-m", "none", "-k", "4242", "s.arc", "secret.txt"}).status, 0);
  ToolRun noKey = Tool({"test", "s.arc"});
  EXPECT_EQ(noKey.status, 1);
  EXPECT_NE(noKey.err.find("File locked -- valid key required"), std::string::npos);
  EXPECT_EQ(Tool({"test", "-k", "4241", "s.arc"}).status, 1);
  EXPECT_EQ(Tool({"test", "-k", "4242", "s.arc"}).status, 0);
  // Unpacking without the key leaves no file behind.
  EXPECT_EQ(Tool({"unpack", "s.arc", "-C", "out"}).status, 1);
  EXPECT_FALSE(fs::exists("out/secret.txt"));
  EXPECT_EQ(Tool({"unpack", "-k", "4242", "s.arc", "-C", "out"}).status, 0);
  EXPECT_EQ(ReadFileBytes("out/secret.txt"), ReadFileBytes("secret.txt"));
}

TEST_F(ToolTest, AFailedPackLeavesTheOldArchiveAlone) {
  WriteFileBytes("a.txt", test::Bytes("first"));
  ASSERT_EQ(Tool({"pack", "old.arc", "a.txt"}).status, 0);
  auto before = ReadFileBytes("old.arc");
  EXPECT_EQ(Tool({"pack", "old.arc", "a.txt", "missing"}).status, 1);
  EXPECT_EQ(ReadFileBytes("old.arc"), before);
  EXPECT_FALSE(fs::exists("old.arc.partial"));
}

// Hand-made archives with names a hostile or careless builder could store.
std::vector<uint8_t> ArchiveWithName(const std::string& name, const std::string& data) {
  std::vector<uint8_t> a = {'R', 'E', 'Z', 'U', 0x1A, 'N', 'O', 'N'};
  auto put32 = [&](uint32_t v) {
    for (int i = 0; i < 4; ++i) a.push_back(static_cast<uint8_t>(v >> (8 * i)));
  };
  put32(static_cast<uint32_t>(data.size()));
  a.push_back(1);
  put32(0);
  put32(0);
  a.push_back(static_cast<uint8_t>(name.size()));
  a.push_back(0);
  put32(0x5A000000);
  a.push_back(0x20);
  a.push_back(0);
  put32(static_cast<uint32_t>(data.size()));
  put32(static_cast<uint32_t>(data.size()));
  a.push_back(0);
  uint32_t sum = 0;
  for (unsigned char c : data) sum += c;
  put32(sum);
  put32(0);
  a.insert(a.end(), name.begin(), name.end());
  a.insert(a.end(), data.begin(), data.end());
  return a;
}

TEST_F(ToolTest, UnpackKeepsEveryEntryBelowTheTarget) {
  WriteFileBytes("rooted.arc", ArchiveWithName("\\rooted\\file.txt", "inside"));
  ASSERT_EQ(Tool({"unpack", "rooted.arc", "-C", "out"}).status, 0);
  EXPECT_EQ(ReadFileBytes("out/rooted/file.txt"), test::Bytes("inside"));

  for (std::string name : {"..\\escape.txt", "a\\..\\..\\escape.txt", "C:escape.txt", "a/../../escape.txt"}) {
    SCOPED_TRACE(name);
    WriteFileBytes("evil.arc", ArchiveWithName(name, "outside"));
    ToolRun r = Tool({"unpack", "evil.arc", "-C", "deep/out"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find(name), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists("escape.txt"));
    EXPECT_FALSE(fs::exists("deep/escape.txt"));
  }
}

}  // namespace
}  // namespace vurerode::cli
