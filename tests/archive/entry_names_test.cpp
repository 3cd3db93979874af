// Entry names in any script: UTF-8 in archives whose header carries the flag, Windows-1252 in the
// others (every archive written before), and archives of ASCII names exactly as they always were.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
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

const std::string kCafe = "caf\xC3\xA9.txt";                                           // café.txt
const std::string kCyrillic = "\xD0\xB6\xD1\x83\xD1\x80\xD0\xBD\xD0\xB0\xD0\xBB.txt";  // журнал.txt
const std::string kCjkEmoji = "\xE6\x97\xA5\xE6\x9C\xAC\\\xF0\x9F\x8E\x89.dat";        // 日本\🎉.dat

int32_t ReservedOf(const Bytes& archive) {
  return static_cast<int32_t>(archive[13] | archive[14] << 8 | archive[15] << 16 | uint32_t{archive[16]} << 24);
}

TEST(EntryNameForms, StoredAndReadBack) {
  const struct {
    std::string stored;
    bool utf8;
    std::string text;  // empty: refused as damage
  } cases[] = {
      {"plain\\name.txt", false, "plain\\name.txt"},
      {"plain\\name.txt", true, "plain\\name.txt"},
      {"caf\xE9.txt", false, kCafe},
      {"\x80uro", false,
       "\xE2\x82\xAC"
       "uro"},
      {kCafe, true, kCafe},
      {kCjkEmoji, true, kCjkEmoji},
      {"caf\xE9.txt", true, ""},
      {"\xED\xA0\x80", true, ""},  // a lone surrogate
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.stored);
    if (c.text.empty()) {
      EXPECT_THROW(EntryNameText(c.stored, c.utf8), EInvalidEntryName);
      continue;
    }
    EXPECT_EQ(EntryNameText(c.stored, c.utf8), c.text);
    EXPECT_EQ(StoredEntryName(c.text, c.utf8), c.stored);
  }
  EXPECT_THROW(StoredEntryName(kCyrillic, false), Exception) << "Windows-1252 has no Cyrillic";
}

class EntryNames : public ::testing::Test {
 protected:
  EntryNames() {
    fs::create_directory(in_);
    fs::create_directory(out_);
  }
  TArchiveMember Member(const std::string& name) {
    const fs::path host = in_ / ("f" + std::to_string(count_++));
    test::WriteFileBytes(host, test::Bytes("bytes of " + name));
    return {Win(host), name};
  }
  std::vector<std::string> Names(const fs::path& archive) {
    TArchiveList list;
    compress_.ListArchiveFile(Win(archive), list);
    std::vector<std::string> names;
    for (const TListedEntry& e : list) names.push_back(e.Name);
    return names;
  }
  // An archive as written before names could hold any character: Windows-1252, no flag.
  fs::path OldArchive(const std::string& name) {
    const fs::path path = scratch_.path() / "old.arc";
    TMemoryStream archive;
    auto header = MakeArchiveHeader("NON", caMulti, 3, 0).Pack();
    archive.Write(header.data(), header.size());
    TMemoryStream source(test::Bytes("old"));
    compress_.Utf8Names = false;
    compress_.AppendEntry(archive, source, 3, name, 0x58210000u, 0x20, coNone);
    test::WriteFileBytes(path, archive.data());
    return path;
  }

  test::ScratchDir scratch_;
  fs::path in_ = scratch_.path() / "in", out_ = scratch_.path() / "out";
  int count_ = 0;
  platform::NativeFileSystem files_;
  TCompress compress_{files_};
};

TEST_F(EntryNames, TheFlagIsWrittenOnlyForNamesThatAreNotAscii) {
  const struct {
    std::vector<std::string> names;
    int32_t reserved;
  } cases[] = {
      {{"app.exe", "docs\\readme.txt"}, 0},
      {{"app.exe", kCafe}, kUtf8NamesFlag},
      {{kCyrillic, kCjkEmoji}, kUtf8NamesFlag},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.names.back());
    const fs::path archive = scratch_.path() / "a.arc";
    fs::remove(archive);
    std::vector<TArchiveMember> members;
    for (const std::string& n : c.names) members.push_back(Member(n));
    compress_.CompressFiles(Win(archive), members, coLZH5);
    EXPECT_EQ(ReservedOf(test::ReadFileBytes(archive)), c.reserved);
    EXPECT_EQ(Names(archive), c.names);
    fs::remove_all(out_);
    compress_.SetTargetPath(Win(out_));
    compress_.MakeDirectories = true;
    compress_.ExpandArchiveFile(Win(archive));
    for (const std::string& name : c.names) {
      std::string host = name;
      std::replace(host.begin(), host.end(), '\\', '/');
      EXPECT_EQ(test::ReadFileBytes(out_ / test::U8Path(host)), test::Bytes("bytes of " + name)) << name;
    }
  }
}

TEST_F(EntryNames, OldArchivesReadTheirNamesAsWindows1252) {
  const fs::path archive = OldArchive(kCafe);
  const Bytes bytes = test::ReadFileBytes(archive);
  EXPECT_EQ(ReservedOf(bytes), 0);
  EXPECT_EQ(std::string(bytes.begin() + 21 + 25, bytes.begin() + 21 + 25 + 8), "caf\xE9.txt");
  EXPECT_EQ(Names(archive), std::vector<std::string>{kCafe});
  compress_.SetTargetPath(Win(out_));
  std::vector<std::string> selection = {"CAF\xC3\x89.TXT"};  // CAFÉ.TXT: names compare as Windows compares them
  compress_.ExpandArchiveFile(Win(archive), &selection);
  EXPECT_EQ(test::ReadFileBytes(out_ / test::U8Path(kCafe)), test::Bytes("old"));
}

TEST_F(EntryNames, AFlaggedNameThatIsNotUtf8IsDamage) {
  const fs::path archive = OldArchive(kCafe);
  Bytes bytes = test::ReadFileBytes(archive);
  bytes[13] |= kUtf8NamesFlag;
  test::WriteFileBytes(archive, bytes);
  EXPECT_THROW(Names(archive), EInvalidEntryName);
  compress_.SetTargetPath(Win(out_));
  EXPECT_THROW(compress_.ExpandArchiveFile(Win(archive)), EInvalidEntryName);
  EXPECT_TRUE(fs::is_empty(out_));
}

TEST_F(EntryNames, AppendingKeepsTheNamesForm) {
  const fs::path ascii = scratch_.path() / "ascii.arc";
  compress_.CompressFiles(Win(ascii), {Member("a.txt")}, coNone);
  compress_.CompressFiles(Win(ascii), {Member(kCjkEmoji)}, coNone);
  EXPECT_EQ(ReservedOf(test::ReadFileBytes(ascii)), kUtf8NamesFlag) << "ASCII names read alike either way";
  EXPECT_EQ(Names(ascii), (std::vector<std::string>{"a.txt", kCjkEmoji}));

  const fs::path old = OldArchive(kCafe);
  compress_.CompressFiles(Win(old), {Member("na\xC3\xAFve.txt")}, coNone);  // naïve.txt
  EXPECT_EQ(ReservedOf(test::ReadFileBytes(old)), 0);
  EXPECT_EQ(Names(old), (std::vector<std::string>{kCafe, "na\xC3\xAFve.txt"}));
  EXPECT_THROW(compress_.CompressFiles(Win(old), {Member(kCyrillic)}, coNone), Exception);
  EXPECT_EQ(Names(old), (std::vector<std::string>{kCafe, "na\xC3\xAFve.txt"}));
}

}  // namespace
}  // namespace vurerode
