// Reading sets: records across segment boundaries, events and their order, list files, the
// application's edits between scanning and expanding, and the one-call front end.
#include <gtest/gtest.h>

#include "archive/errors.h"
#include "segment/seg_errors.h"
#include "segment/seg_fixture.h"

namespace vurerode::test {
namespace {

using Files = std::vector<std::pair<std::string, std::vector<uint8_t>>>;

class SegReader : public SegFixture {
 protected:
  // Two archives: the first lists two of its three files (one in a sub-folder), the second one.
  std::vector<uint8_t> TwoArchiveSet() {
    a = TextBytes(700, 1);
    b = RandomBytes(300, 2);
    c = TextBytes(50, 3);
    RawSet set;
    set.Header(2)
        .ScanNames(Template("first"), {"a.txt", "sub\\b.bin"})
        .ScanNames(Template("second", "x?.*"), {"c.txt"})
        .Arc(0, ArchiveBytes({{"a.txt", a}, {"sub\\b.bin", b}, {"unlisted.txt", c}}))
        .Arc(1, ArchiveBytes({{"c.txt", c}}));
    return set.bytes;
  }
  void ExpectTwoArchiveResult() {
    EXPECT_EQ(ReadFileBytes(Out("first/a.txt")), a);
    EXPECT_EQ(ReadFileBytes(Out("first/sub/b.bin")), b);
    EXPECT_EQ(ReadFileBytes(Out("second/c.txt")), c);
    EXPECT_FALSE(std::filesystem::exists(Out("first/unlisted.txt")));
    ASSERT_EQ(seg.SegArcList.Count(), 2u);
    EXPECT_EQ(seg.SegArcList[0].Template, Template("first"));
    EXPECT_EQ(seg.SegArcList[0].Path, Win(outDir / "first") + "\\");
    EXPECT_EQ(seg.SegArcList[1].Index, 1);
    EXPECT_EQ(seg.SegArcList[0].FileList,
              (std::vector<std::string>{Win(Out("first/a.txt")), Win(Out("first/sub/b.bin"))}));
    EXPECT_EQ(seg.SegSource(), (std::vector<std::string>{Template("first"), Template("second", "x?.*")}));
  }
  std::vector<uint8_t> a, b, c;
};

TEST_F(SegReader, RecordsCrossSegmentBoundariesAtAnyByte) {
  const std::vector<uint8_t> stream = TwoArchiveSet();
  for (size_t cut = 0; cut <= stream.size(); ++cut) {
    SCOPED_TRACE("first payload " + std::to_string(cut) + " of " + std::to_string(stream.size()));
    std::filesystem::remove_all(setDir);
    std::filesystem::remove_all(outDir);
    std::filesystem::create_directories(setDir);
    files.opened.clear();
    Write(stream, {cut});
    seg.SegExpand();
    ExpectTwoArchiveResult();
    ExpectClean();
    // A segment after the last needed byte is never opened.
    const std::string second = Win(setDir / "disk.002");
    bool openedSecond = std::any_of(files.opened.begin(), files.opened.end(),
                                    [&](const std::string& p) { return SamePath(p, second); });
    EXPECT_EQ(openedSecond, cut < stream.size());
    if (HasFailure()) break;
  }
}

TEST_F(SegReader, EmptyPayloadsArePassedOver) {
  const std::vector<uint8_t> stream = TwoArchiveSet();
  Write(stream, {0, 5, 0, 0, 100, 0});
  std::vector<int> before;
  seg.OnSegBefore = [&](TSegMode, const std::string&, uint16_t n) { before.push_back(n); };
  seg.SegExpand();
  ExpectTwoArchiveResult();
  EXPECT_EQ(before, (std::vector<int>{1, 2, 3, 4, 5, 6, 7}));
}

TEST_F(SegReader, NumbersPastNineHundredNinetyNineGrowAFourthDigit) {
  std::vector<size_t> payloads(999, 0);
  payloads[0] = 3;
  Write(TwoArchiveSet(), payloads);
  ASSERT_TRUE(std::filesystem::exists(setDir / "disk.1000"));
  seg.SegExpand();
  ExpectTwoArchiveResult();
}

TEST_F(SegReader, EventsComeInTheirOrder) {
  const std::vector<uint8_t> big = TextBytes(20000, 9);
  RawSet set;
  set.Header(1).ScanNames(Template("app"), {"big.txt"}).Arc(0, ArchiveBytes({{"big.txt", big}}));
  // Cut inside the archive data.
  Write(set.bytes, {set.bytes.size() - 9000});

  std::vector<std::string> events;
  std::vector<int32_t> percents;
  seg.OnSegBefore = [&](TSegMode m, const std::string& name, uint16_t n) {
    events.push_back("before " + name + " " + std::to_string(n) + (m == smExpand ? " expand" : " build"));
  };
  seg.OnSegAfter = [&](TSegMode m, const std::string& name, uint16_t n) {
    events.push_back("after " + name + " " + std::to_string(n) + (m == smExpand ? " expand" : " build"));
  };
  seg.OnSegBeforeExpand = [&](TSegArcList& list) { events.push_back("before expand " + std::to_string(list.Count())); };
  seg.OnSegShowProgress = [&](int32_t p) {
    if (events.back() != "progress") events.push_back("progress");
    percents.push_back(p);
  };
  seg.OnCheckFile = [&](std::string& path, TCProcessMode) { events.push_back("check " + path); };
  seg.OnSegAfterArchive = [&](const TSegArcHeader& h, const std::string& t) {
    events.push_back("after archive " + std::to_string(h.Sequence) + " " + std::to_string(h.DataSize) + " " + t);
  };
  EXPECT_EQ(seg.SegMode(), smBuild);
  seg.SegExpand();
  EXPECT_EQ(seg.SegMode(), smExpand);

  std::vector<std::string> expected = {"before disk.001 1 expand",        "before expand 1",          "progress",
                                       "after disk.001 1 expand",         "before disk.002 2 expand", "progress",
                                       "check " + Win(Out("app/big.txt"))};
  ASSERT_GE(events.size(), expected.size() + 1);
  EXPECT_EQ(std::vector<std::string>(events.begin(), events.begin() + static_cast<long>(expected.size())), expected);
  EXPECT_EQ(events.back().rfind("after archive 0 ", 0), 0u) << events.back();
  EXPECT_EQ(events.back().substr(events.back().size() - Template("app").size()), Template("app"));
  EXPECT_TRUE(std::is_sorted(percents.begin(), percents.end()));
  EXPECT_EQ(percents.back(), 100);
  EXPECT_EQ(percents.size(), 3u);  // 20000-odd bytes in blocks of at most 8192
  EXPECT_GT(owner.messageRuns, 0);
}

TEST_F(SegReader, ListFilesAreExpandedWithTheHandlersMuted) {
  Write(TwoArchiveSet(), {});
  int checks = 0, progress = 0, recognize = 0;
  bool inScan = true;
  seg.OnCheckFile = [&](std::string&, TCProcessMode) { checks += inScan ? 1000 : 1; };
  seg.OnShowProgress = [&](int32_t&) { progress += inScan ? 1000 : 1; };
  seg.OnRecognize = [&](const std::string&, bool&) { ++recognize; };
  seg.OnSegBeforeExpand = [&](TSegArcList&) { inScan = false; };
  seg.SegExpand();
  EXPECT_EQ(checks, 3);  // the three listed data files, none of the list files
  EXPECT_GT(progress, 0);
  EXPECT_LT(progress, 1000);
  EXPECT_EQ(recognize, 0);
  ASSERT_TRUE(seg.OnCheckFile);
  std::string p;
  seg.OnCheckFile(p, cmExpand);
  EXPECT_EQ(checks, 4) << "the application's own handler is back";
}

TEST_F(SegReader, ListRecordsKeepTheirNamesWhateverThePadding) {
  std::vector<uint8_t> list = ListBytes({"readme.txt", "setup.ini   ", "", "    ", "a\0junk", "my file.txt "}, 12);
  list.push_back('z');  // a last record shorter than the others
  list.push_back('z');
  RawSet set;
  set.Header(1).Scan(Template("x"), ArchiveBytes({{"names.lst", list}}), 12).Arc(0, ArchiveBytes({}));
  Write(set.bytes, {});
  std::vector<std::string> names;
  seg.OnSegBeforeExpand = [&](TSegArcList& l) { names = l[0].FileList; };
  seg.SegExpand();
  EXPECT_EQ(names, (std::vector<std::string>{"readme.txt", "setup.ini", "", "", "a", "my file.txt", "zz"}));
  ExpectClean();
}

TEST_F(SegReader, OneByteRecordsAndFullLengthRecords) {
  for (int32_t r : {1, 8191}) {
    SCOPED_TRACE(r);
    std::vector<std::string> names = {std::string(static_cast<size_t>(r), 'q'), "k"};
    std::vector<uint8_t> list = ListBytes({names[0]}, static_cast<size_t>(r));
    if (r > 1) list.push_back('k');
    RawSet set;
    set.Header(1).Scan(Template("x"), ArchiveBytes({{"n.lst", list}}), r).Arc(0, ArchiveBytes({}));
    Write(set.bytes, {});
    std::vector<std::string> got;
    seg.OnSegBeforeExpand = [&](TSegArcList& l) { got = l[0].FileList; };
    seg.SegExpand();
    EXPECT_EQ(got, r == 1 ? std::vector<std::string>{"q"} : names);
  }
}

TEST_F(SegReader, AnArchiveWithoutListExpandsNothingButIsStillRead) {
  RawSet set;
  set.Header(2)
      .Scan(Template("none"), {}, 0, 0x2A)
      .ScanNames(Template("some"), {"s.txt"})
      .Arc(0, ArchiveBytes({{"n.txt", TextBytes(100, 4)}}))
      .Arc(1, ArchiveBytes({{"s.txt", TextBytes(10, 5)}}));
  Write(set.bytes, {});
  std::vector<std::string> afterArchive;
  seg.OnSegAfterArchive = [&](const TSegArcHeader&, const std::string& t) { afterArchive.push_back(t); };
  seg.SegExpand();
  EXPECT_EQ(seg.SegArcList[0].Attribute, 0x2A);
  EXPECT_TRUE(seg.SegArcList[0].FileList.empty());
  EXPECT_FALSE(std::filesystem::exists(Out("none")));
  EXPECT_TRUE(std::filesystem::exists(Out("some/s.txt")));
  EXPECT_EQ(afterArchive, (std::vector<std::string>{Template("none"), Template("some")}));
}

TEST_F(SegReader, TheApplicationMayDropRedirectAndNarrowArchives) {
  RawSet set;
  set.Header(3)
      .ScanNames(Template("zero"), {"0.txt", "00.txt"})
      .ScanNames(Template("one"), {"1.txt"})
      .ScanNames(Template("two"), {"2.txt"})
      .Arc(0, ArchiveBytes({{"0.txt", Bytes("zero")}, {"00.txt", Bytes("double zero")}}))
      .Arc(1, ArchiveBytes({{"1.txt", Bytes("one")}}))
      .Arc(2, ArchiveBytes({{"2.txt", Bytes("two")}}));
  Write(set.bytes, {40, 40, 40});
  seg.OnSegBeforeExpand = [&](TSegArcList& list) {
    list.Delete(1);
    list[0].FileList = {"00.TXT"};  // names compare without case
    list[1].Path = Win(outDir / "elsewhere") + "\\";
  };
  seg.SegExpand();
  EXPECT_FALSE(std::filesystem::exists(Out("zero/0.txt")));
  EXPECT_EQ(ReadFileBytes(Out("zero/00.txt")), Bytes("double zero"));
  EXPECT_FALSE(std::filesystem::exists(Out("one")));
  EXPECT_EQ(ReadFileBytes(Out("elsewhere/2.txt")), Bytes("two"));
  EXPECT_EQ(seg.SegSource(), (std::vector<std::string>{Template("zero"), Template("two")}));
}

TEST_F(SegReader, OneCallExpansionLeavesTargetPathEmptyAndSourceUntouchedOnFailure) {
  Write(TwoArchiveSet(), {});
  seg.SetTargetPath("\\somewhere");
  seg.SegExpand();
  EXPECT_EQ(seg.TargetPath(), "");
  EXPECT_TRUE(seg.MakeDirectories);

  seg.SetSegSource({"kept"});
  std::filesystem::remove(setDir / "disk.001");
  owner.prompter.Answer(PromptResult::Cancel);
  EXPECT_THROW(seg.SegExpand(), ESegError);
  EXPECT_EQ(seg.SegSource(), std::vector<std::string>{"kept"});
  EXPECT_EQ(seg.SegArcList.Count(), 0u);
}

TEST_F(SegReader, FileListNamesCanBeRedirectedOrSkippedByOnCheckFile) {
  Write(TwoArchiveSet(), {100});
  seg.OnCheckFile = [&](std::string& path, TCProcessMode) {
    if (path.find("a.txt") != std::string::npos) path.clear();  // skip
    if (path.find("c.txt") != std::string::npos) path = Win(outDir / "moved.txt");
  };
  seg.SegExpand();
  EXPECT_FALSE(std::filesystem::exists(Out("first/a.txt")));
  EXPECT_TRUE(std::filesystem::exists(Out("first/sub/b.bin")));
  EXPECT_EQ(ReadFileBytes(Out("moved.txt")), c);
  EXPECT_EQ(seg.SegArcList[1].FileList, std::vector<std::string>{Win(outDir / "moved.txt")});
}

TEST_F(SegReader, AFixedExtensionNamesEverySegmentAlikeOnSwappedDisks) {
  const std::vector<uint8_t> stream = TwoArchiveSet();
  std::filesystem::path disks = scratch.path() / "disks";
  std::filesystem::create_directories(disks);
  WriteSegments(disks, "disk", stream, {300, 300});
  seg.SetSegExt("dat");
  // The drive holds one disk at a time; the handler plays the user putting in the one asked for.
  seg.OnSegBefore = [&](TSegMode, const std::string& name, uint16_t n) {
    EXPECT_EQ(name, "disk.dat");
    CopyOver(disks / ("disk.00" + std::to_string(n)), setDir / "disk.dat");
  };
  seg.SegExpand();
  ExpectTwoArchiveResult();
}

TEST_F(SegReader, DataArchivesKeepTheirKeyAndMethod) {
  const std::vector<uint8_t> data = TextBytes(30000, 11);
  RawSet set;
  set.Header(1).ScanNames(Template("k"), {"k.txt"}).Arc(0, ArchiveBytes({{"k.txt", data}}, coNone, 0x1234567));
  Write(set.bytes, {});
  seg.Key = 0x1234567;
  seg.SegExpand();
  EXPECT_EQ(ReadFileBytes(Out("k/k.txt")), data);
}

}  // namespace
}  // namespace vurerode::test

namespace vurerode::test {
namespace {

// Archives held in memory give the same files and never touch the work folder: a file there that
// bears the list file's name keeps its bytes, even when the list entry is locked and no key given.
TEST_F(SegFixture, ArchivesHeldInMemoryLeaveTheWorkFolderAlone) {
  for (int32_t key : {0, 7}) {
    SCOPED_TRACE(key ? "locked list" : "open list");
    RawSet set;
    set.Header(1)
        .Scan(Template("x"), ArchiveBytes({{"l.lst", ListBytes({"a.txt"}, 8)}}, coNone, key), 8)
        .Arc(0, ArchiveBytes({{"a.txt", Bytes("hello")}}));
    Write(set.bytes, {});
    std::filesystem::create_directories(tmpDir);
    WriteFileBytes(tmpDir / "l.lst", Bytes("mine"));
    files.created.clear();
    seg.SmallArchivesInMemory = true;
    std::vector<std::pair<std::string, int64_t>> expanded;
    seg.OnFileExpanded = [&](const std::string& path, int64_t size) { expanded.emplace_back(path, size); };
    if (key) {
      EXPECT_THROW(seg.SegExpand(), EInvalidKey);
    } else {
      seg.SegExpand();
      EXPECT_EQ(ReadFileBytes(Out("x/a.txt")), Bytes("hello"));
      EXPECT_EQ(expanded, (std::vector<std::pair<std::string, int64_t>>{{Win(Out("x")) + "\\a.txt", 5}}));
    }
    EXPECT_EQ(ReadFileBytes(tmpDir / "l.lst"), Bytes("mine"));
    for (const std::string& path : files.created) EXPECT_EQ(path.find(Win(tmpDir)), std::string::npos) << path;
  }
}

}  // namespace
}  // namespace vurerode::test
