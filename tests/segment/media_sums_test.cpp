// SHA-256 and the SHA256SUMS file of the media, checked against published vectors and against
// sha256sum (coreutils) on real files.
#include "segment/media_sums.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

#include "platform/exception.h"
#include "platform/native_file_system.h"
#include "segment/sha256.h"
#include "segment/sha256_blocks.h"
#include "support/test_support.h"

namespace vurerode {
namespace {
namespace fs = std::filesystem;
using platform::NativeFileSystem;

std::string Sha256Hex(const std::string& data, size_t piece) {
  Sha256 sha;
  for (size_t at = 0; at < data.size(); at += piece) sha.Update(data.data() + at, std::min(piece, data.size() - at));
  return Sha256::Hex(sha.Final());
}

// FIPS 180-4 examples and the NIST long-message vector, fed whole and in pieces that straddle the
// 64-byte blocks in every way.
TEST(Sha256, KnownVectorsWhateverThePieces) {
  const std::pair<std::string, const char*> vectors[] = {
      {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
      {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
      {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
       "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
      {"abcdefghbcdefghicdefghijdefghijkefghijklfghijklmghijklmnhijklmnoijklmnopjklmnopqklmnopqrlmnopqrsmnopqrstnopqrs"
       "tu",
       "cf5b16a778af8380036ce59e7b0492370b249b11e8f07a51afac45037afee9d1"},
      {std::string(1000000, 'a'), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
  };
  for (const auto& [data, hex] : vectors)
    for (size_t piece : {size_t{1}, size_t{3}, size_t{63}, size_t{64}, size_t{65}, size_t{1} << 20})
      EXPECT_EQ(Sha256Hex(data, piece), hex) << data.size() << " bytes in pieces of " << piece;
}

// The processor's SHA instructions, where there are any, agree with the portable rounds on every
// block count, from the same starting state.
TEST(Sha256, BothFormsOfTheRoundsAgree) {
  const std::vector<uint8_t> data = test::RandomBytes(64 * 37, 11);
  for (size_t blocks : {size_t{1}, size_t{2}, size_t{37}}) {
    uint32_t portable[8] = {1, 2, 3, 4, 5, 6, 7, 0xffffffffu}, fast[8];
    std::copy(portable, portable + 8, fast);
    sha256_blocks::Portable(portable, data.data(), blocks);
    if (!sha256_blocks::WithShaInstructions(fast, data.data(), blocks)) GTEST_SKIP() << "no SHA instructions here";
    EXPECT_TRUE(std::equal(portable, portable + 8, fast)) << blocks << " blocks";
  }
}

class MediaSums : public ::testing::Test {
 protected:
  std::string Dir() const { return test::Win(scratch_.path()) + "\\"; }
  void WriteText(const std::string& name, const std::string& text) {
    test::WriteFileBytes(scratch_.path() / name, test::Bytes(text));
  }
  int InScratch(const std::string& command) const {
    return test::RunCommand("cd '" + scratch_.str() + "' && " + command);
  }

  test::ScratchDir scratch_;
  NativeFileSystem files_;
};

// Lengths around the padding boundaries and a file larger than the reading buffer: what Format
// writes, sha256sum -c accepts; what sha256sum writes in each of its modes, Load reads and Check
// matches.
TEST_F(MediaSums, AgreeWithSha256sum) {
  if (!test::HaveProgram("sha256sum")) GTEST_SKIP() << "sha256sum is not installed";
  std::vector<std::pair<std::string, std::string>> sums;
  std::string names;
  for (size_t size : {0, 1, 55, 56, 63, 64, 65, 119, 120, (1 << 20) + 7}) {
    const std::string name = "f" + std::to_string(size) + ".bin";
    test::WriteFileBytes(scratch_.path() / name, test::RandomBytes(size, size));
    sums.emplace_back(name, Sha256OfFile(files_, Dir() + name));
    names += " " + name;
  }
  WriteText(kMediaSumsFile, TMediaSums::Format(sums));
  EXPECT_EQ(InScratch("sha256sum --strict --quiet -c SHA256SUMS"), 0);

  for (const char* mode : {"", "-b", "--tag"}) {
    SCOPED_TRACE(mode);
    ASSERT_EQ(InScratch(std::string("sha256sum ") + mode + names + " > SHA256SUMS"), 0);
    std::optional<TMediaSums> peer = TMediaSums::Load(files_, Dir());
    ASSERT_TRUE(peer.has_value());
    EXPECT_EQ(peer->Entries(), sums);
    for (const auto& [name, hex] : sums) EXPECT_EQ(peer->Check(files_, Dir(), name), MediaSumResult::Match) << name;
  }
}

// Two bytes that swap places leave a byte sum as it was; the listed SHA-256 catches them.
TEST_F(MediaSums, CheckTellsMatchMismatchAndUnlisted) {
  std::vector<uint8_t> data = test::RandomBytes(5000, 3);
  data[10] = 1;
  data[11] = 2;
  test::WriteFileBytes(scratch_.path() / "disk.001", data);
  test::WriteFileBytes(scratch_.path() / "disk.002", data);
  WriteText(kMediaSumsFile, TMediaSums::Format({{"DISK.001", Sha256OfFile(files_, Dir() + "disk.001")},
                                                {"disk.002", Sha256OfFile(files_, Dir() + "disk.002")},
                                                {"setup.exe", std::string(64, '0')}}));
  std::swap(data[10], data[11]);
  test::WriteFileBytes(scratch_.path() / "disk.002", data);

  std::optional<TMediaSums> sums = TMediaSums::Load(files_, Dir());
  ASSERT_TRUE(sums.has_value());
  EXPECT_EQ(sums->Check(files_, Dir(), "disk.001"), MediaSumResult::Match) << "names compare without case";
  EXPECT_EQ(sums->Check(files_, Dir(), "disk.002"), MediaSumResult::Mismatch);
  EXPECT_EQ(sums->Check(files_, Dir(), "disk.003"), MediaSumResult::Unlisted);
  EXPECT_THROW(sums->Check(files_, Dir(), "setup.exe"), EFOpenError) << "listed but missing";
  EXPECT_THROW(Sha256OfFile(files_, Dir() + "nowhere"), EFOpenError);

  fs::remove(scratch_.path() / kMediaSumsFile);
  EXPECT_FALSE(TMediaSums::Load(files_, Dir()).has_value());
}

TEST(MediaSumsText, ReadsWhatSha256sumWritesAndRefusesTheRest) {
  const std::string hex(64, 'a'), HEX(64, 'A');
  struct Case {
    std::string text;
    std::vector<std::pair<std::string, std::string>> entries;
    const char* error;
  };
  const Case cases[] = {
      {hex + "  disk.001\n" + HEX + " *setup.exe\r\n\nSHA256 (install.cfg) = " + hex + "\n",
       {{"disk.001", hex}, {"setup.exe", hex}, {"install.cfg", hex}},
       nullptr},
      {hex + "  two  spaces\n", {{"two  spaces", hex}}, nullptr},
      {"\\" + hex + "  back\\\\slash\n", {{"back\\slash", hex}}, nullptr},
      {"", {}, nullptr},
      {hex + "  a\n" + hex + " a\n", {}, "Malformed SHA256SUMS line 2"},
      {hex + "  \n", {}, "Malformed SHA256SUMS line 1"},
      {hex.substr(1) + "  a\n", {}, "Malformed SHA256SUMS line 1"},
      {std::string(64, 'g') + "  a\n", {}, "Malformed SHA256SUMS line 1"},
      {hex + "  a\n\n" + "  a\n", {}, "Malformed SHA256SUMS line 3"},
      {"\\" + hex + "  bad\\escape\n", {}, "Malformed SHA256SUMS line 1"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    if (c.error) {
      try {
        TMediaSums::Parse(c.text);
        ADD_FAILURE() << "accepted";
      } catch (const Exception& e) {
        EXPECT_STREQ(e.what(), c.error);
      }
      continue;
    }
    TMediaSums sums = TMediaSums::Parse(c.text);
    EXPECT_EQ(sums.Entries(), c.entries);
    EXPECT_EQ(TMediaSums::Parse(TMediaSums::Format(sums.Entries())).Entries(), c.entries) << "Format round trip";
  }
}

}  // namespace
}  // namespace vurerode
