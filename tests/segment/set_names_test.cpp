// Templates and list-file names in any script: UTF-8 in sets whose header carries the flag,
// Windows-1252 in the others (every set written before), sets of ASCII names as they always were.
#include <gtest/gtest.h>

#include "segment/seg_errors.h"
#include "segment/seg_fixture.h"

namespace vurerode::test {
namespace {

namespace fs = std::filesystem;

const std::string kCafe = "caf\xC3\xA9.txt";                                     // café.txt
const std::string kGreek = "\xCE\xB1\xCE\xB2\xCE\xB3";                           // αβγ
const std::string kCjkEmoji = "\xE6\x97\xA5\xE6\x9C\xAC\\\xF0\x9F\x8E\x89.dat";  // 日本\🎉.dat
const std::string kPolish = "\xC5\xBC\xC3\xB3\xC5\x82w";                         // żółw

class SetNames : public SegFixture {
 protected:
  // The set's header byte that holds the flag: after the first segment's header, byte 9 of the set
  // header.
  uint8_t FlagByte() { return ReadFileBytes(setDir / "disk.001").at(kSegmentHeaderSize + 9); }

  // Expands the set; returns each archive's list as read before expansion.
  std::vector<std::vector<std::string>> Expand() {
    std::vector<std::vector<std::string>> listed;
    seg.OnSegBeforeExpand = [&](TSegArcList& l) {
      for (size_t i = 0; i < l.Count(); ++i) listed.push_back(l[i].FileList);
    };
    seg.SegExpand();
    return listed;
  }
};

TEST_F(SetNames, TheFlagIsWrittenOnlyWhenNeededAndNamesReadBackExactly) {
  const struct {
    std::string folder;
    std::vector<std::string> names;
    uint8_t flag;
  } cases[] = {
      {"app", {"app.exe", "docs\\readme.txt"}, 0},
      {"app", {kCafe, kCjkEmoji}, kSetUtf8NamesFlag},
      {kGreek + " " + kPolish, {"plain.txt"}, kSetUtf8NamesFlag},
  };
  fs::create_directories(scratch.path() / "src");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.folder + " " + c.names.back());
    fs::remove_all(setDir);
    fs::remove_all(outDir);
    std::vector<TSegBuildArchive> archives(1);
    archives[0].Template = Template(c.folder);
    for (const std::string& n : c.names) {
      const fs::path source = scratch.path() / "src" / ("f" + std::to_string(archives[0].Files.size()));
      WriteFileBytes(source, Bytes(n));
      archives[0].Files.push_back({Win(source), n});
    }
    seg.SegCompressArchives(archives, coLZH5);
    EXPECT_EQ(FlagByte(), c.flag);
    EXPECT_EQ(Expand(), std::vector<std::vector<std::string>>{c.names});
    ASSERT_EQ(seg.SegArcList.Count(), 1u);
    EXPECT_EQ(seg.SegArcList[0].Template, archives[0].Template);
    for (const std::string& n : c.names) {
      std::string host = n;
      std::replace(host.begin(), host.end(), '\\', '/');
      EXPECT_EQ(ReadFileBytes(Out(c.folder + "/" + host)), Bytes(n)) << n;
    }
    ExpectClean();
  }
}

TEST_F(SetNames, OldSetsReadTheirNamesAsWindows1252) {
  RawSet set;
  const std::string oldTemplate = Win(outDir) + "\\Caf\xE9\\*.*";
  set.Header(1).ScanNames(oldTemplate, {"na\xEFve.txt"}).Arc(0, ArchiveBytes({{"na\xC3\xAFve.txt", Bytes("old")}}));
  Write(set.bytes, {set.bytes.size()});
  EXPECT_EQ(Expand(), std::vector<std::vector<std::string>>{{"na\xC3\xAFve.txt"}});
  EXPECT_EQ(seg.SegArcList[0].Template, Win(outDir) + "\\Caf\xC3\xA9\\*.*");
  EXPECT_EQ(ReadFileBytes(Out("Caf\xC3\xA9/na\xC3\xAFve.txt")), Bytes("old"));
  ExpectClean();
}

TEST_F(SetNames, AFlaggedNameThatIsNotUtf8IsDamage) {
  const std::pair<std::string, std::string> cases[] = {
      {"Caf\xE9", "ok.txt"},
      {"ok", "na\xEFve.txt"},
  };
  for (const auto& [folder, name] : cases) {
    SCOPED_TRACE(folder + "/" + name);
    RawSet set;
    set.Header(1).ScanNames(Win(outDir) + "\\" + folder + "\\*.*", {name}).Arc(0, ArchiveBytes({}));
    set.bytes[9] |= kSetUtf8NamesFlag;
    fs::remove_all(setDir);
    fs::create_directories(setDir);
    Write(set.bytes, {set.bytes.size()});
    try {
      seg.SegExpand();
      FAIL() << "read";
    } catch (const ESegError& e) {
      EXPECT_STREQ(e.what(), seg_msg::kNameText);
    }
    ExpectClean();
  }
}

}  // namespace
}  // namespace vurerode::test
