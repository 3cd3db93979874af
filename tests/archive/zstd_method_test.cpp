// The zstd method: archives written as one stream read back whole, in part and with keys; damage
// is refused with the checksum message; readers that do not know the method refuse it cleanly.
#include "archive/zstd_method.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "archive/compress.h"
#include "archive/errors.h"
#include "platform/native_file_system.h"
#include "support/test_support.h"

namespace vurerode {
namespace {

namespace fs = std::filesystem;
using test::Win;
using Bytes = std::vector<uint8_t>;

class ZstdMethod : public ::testing::Test {
 protected:
  ZstdMethod() : in_(scratch_.path() / "in"), out_(scratch_.path() / "out"), archive_(scratch_.path() / "z.arc") {
    fs::create_directory(in_);
    fs::create_directory(out_);
    UseZstdMethod(compress_, {.Level = 3});  // the level changes nothing the tests look at
  }

  // Four files: text, the same text again (which the stream codes in a few bytes), an empty file
  // and random bytes.
  void Write(int32_t key = 0) {
    files_ = {{"a.txt", test::TextBytes(60000, 1)},
              {"b.txt", {}},
              {"empty", {}},
              {"random.bin", test::RandomBytes(20000, 2)}};
    files_[1].second = files_[0].second;
    std::vector<TArchiveMember> members;
    for (const auto& [name, data] : files_) {
      test::WriteFileBytes(in_ / name, data);
      members.push_back({Win(in_ / name), name});
    }
    compress_.Key = key;
    compress_.CompressFiles(Win(archive_), members, coCustom);
  }
  TArchiveList List() {
    TArchiveList list;
    compress_.ListArchiveFile(Win(archive_), list);
    return list;
  }
  void Expand(std::vector<std::string>* selection = nullptr) {
    compress_.SetTargetPath(Win(out_));
    compress_.ExpandArchiveFile(Win(archive_), selection);
  }
  Bytes Out(const std::string& name) { return test::ReadFileBytes(out_ / name); }

  test::ScratchDir scratch_;
  fs::path in_, out_, archive_;
  platform::NativeFileSystem fs_;
  TCompress compress_{fs_};
  std::vector<std::pair<std::string, Bytes>> files_;
};

TEST_F(ZstdMethod, ArchivesReadBackWholeAndCodeEachFileWithTheOnesBefore) {
  Write();
  const Bytes bytes = test::ReadFileBytes(archive_);
  EXPECT_EQ(std::string(bytes.begin() + 5, bytes.begin() + 8), "ZST");
  TArchiveList list = List();
  ASSERT_EQ(list.size(), 4u);
  for (const TListedEntry& e : list) EXPECT_EQ(e.Info.Method, coCustom) << e.Name;
  EXPECT_EQ(compress_.ArchiveMethodId(), "ZST");
  // The second copy of the text refers to the first.
  EXPECT_LT(list[1].Info.CompressedSize * 20, list[0].Info.CompressedSize);
  Expand();
  for (const auto& [name, data] : files_) EXPECT_EQ(Out(name), data) << name;
}

TEST_F(ZstdMethod, FilesLeftOutAreStillDecodedForTheOnesAfterThem) {
  Write();
  struct Case {
    const char* what;
    std::function<void()> run;
  };
  const std::vector<Case> cases = {
      {"a selection of the last files",
       [&] {
         std::vector<std::string> selection = {"b.txt", "random.bin"};
         Expand(&selection);
       }},
      {"a handler that skips the first files", [&] {
         compress_.OnCheckFile = [](std::string& path, TCProcessMode) {
           if (path.find("a.txt") != std::string::npos || path.find("empty") != std::string::npos) path.clear();
         };
         Expand();
         compress_.OnCheckFile = nullptr;
       }}};
  for (const Case& c : cases) {
    fs::remove_all(out_);
    fs::create_directory(out_);
    c.run();
    EXPECT_FALSE(fs::exists(out_ / "a.txt")) << c.what;
    EXPECT_EQ(Out("b.txt"), files_[1].second) << c.what;
    EXPECT_EQ(Out("random.bin"), files_[3].second) << c.what;
  }
}

TEST_F(ZstdMethod, DamageIsRefusedWithTheChecksumMessage) {
  Write();
  const Bytes good = test::ReadFileBytes(archive_);
  const TArchiveList list = List();
  auto dataOf = [&](size_t i) { return static_cast<size_t>(list[i].Info.HeaderPosition) + 25 + list[i].Name.size(); };
  struct Case {
    const char* what;
    std::function<void(Bytes&)> damage;
  };
  const std::vector<Case> cases = {
      {"a byte of the first entry changed", [&](Bytes& b) { b[dataOf(0) + 300] ^= 0x55; }},
      {"a byte of the last entry changed", [&](Bytes& b) { b[dataOf(3) + 5000] ^= 0x01; }},
      {"the archive cut inside the last entry", [&](Bytes& b) { b.resize(dataOf(3) + 100); }},
      {"an entry claiming a byte more", [&](Bytes& b) { ++b[static_cast<size_t>(list[0].Info.HeaderPosition) + 8]; }},
      {"an entry's data shortened", [&](Bytes& b) { --b[static_cast<size_t>(list[0].Info.HeaderPosition) + 12]; }},
  };
  for (const Case& c : cases) {
    Bytes bad = good;
    c.damage(bad);
    test::WriteFileBytes(archive_, bad);
    try {
      Expand();
      ADD_FAILURE() << c.what << ": expanded";
    } catch (const EBadChecksum& e) {
      EXPECT_STREQ(e.what(), "Bad checksum during expansion -- data may be invalid") << c.what;
    } catch (const std::exception& e) {
      ADD_FAILURE() << c.what << ": " << e.what();
    }
  }
}

TEST_F(ZstdMethod, LockedArchivesNeedTheirKey) {
  Write(0x12345678);
  EXPECT_TRUE(List()[0].Info.Locked);
  for (int32_t key : {0, 0x12345679}) {
    compress_.Key = key;
    EXPECT_THROW(Expand(), EInvalidKey) << key;
  }
  compress_.Key = 0x12345678;
  Expand();
  for (const auto& [name, data] : files_) EXPECT_EQ(Out(name), data) << name;
}

TEST_F(ZstdMethod, OthersRefuseTheMethodAndNothingIsAppended) {
  Write();
  TCompress plain(fs_);
  TArchiveList list;
  try {
    plain.ListArchiveFile(Win(archive_), list);
    ADD_FAILURE() << "listed";
  } catch (const EUnrecognizedCompressionMethod& e) {
    EXPECT_STREQ(e.what(), "Unrecognized compression method: \"ZST\" in header");
  }
  const Bytes before = test::ReadFileBytes(archive_);
  EXPECT_THROW(compress_.CompressFiles(Win(archive_), {{Win(in_ / "a.txt"), "more.txt"}}, coCustom), Exception);
  EXPECT_EQ(test::ReadFileBytes(archive_), before);
}

TEST(ZstdWindow, HoldsTheWholeArchiveWithinBounds) {
  const std::vector<std::pair<int64_t, int>> cases = {{0, 10},
                                                      {1024, 10},
                                                      {1025, 11},
                                                      {16 << 20, 24},
                                                      {(16 << 20) + 1, kZstdMaxWindowLog},
                                                      {int64_t{1} << 40, kZstdMaxWindowLog}};
  for (const auto& [bytes, log] : cases) EXPECT_EQ(ZstdWindowLogFor(bytes), log) << bytes;
}

}  // namespace
}  // namespace vurerode
