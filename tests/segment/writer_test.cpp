// Building sets: whatever the writer produces must read back through the reader with templates,
// file lists and contents intact, cut into segment files of at most SegSize bytes.
#include <gtest/gtest.h>

#include <cstdlib>

#include "archive/errors.h"
#include "segment/seg_errors.h"
#include "segment/seg_fixture.h"

namespace vurerode::test {
namespace {

namespace fs = std::filesystem;

class SegWriter : public SegFixture {
 protected:
  SegWriter() { fs::create_directories(srcDir); }

  // A source file with the given bytes; returns the member that stores it under name.
  TArchiveMember Source(const std::string& name, const std::vector<uint8_t>& data) {
    fs::path p = srcDir / ("f" + std::to_string(sources.size()));
    WriteFileBytes(p, data);
    sources[name] = data;
    return {Win(p), name};
  }

  std::vector<TSegBuildArchive> ThreeArchives() {
    std::vector<TSegBuildArchive> archives(3);
    archives[0].Template = Template("app");
    archives[0].Files = {Source("app.exe", RandomBytes(40000, 1)), Source("readme.txt", TextBytes(9000, 2)),
                         Source("data\\empty.dat", {}), Source("data\\deep\\more.txt", TextBytes(30000, 3))};
    archives[1].Template = Template("sys", "*.dll");
    archives[1].Attribute = 7;
    archives[2].Template = Template("fonts");
    archives[2].Files = {Source("x.ttf", RandomBytes(20000, 4))};
    return archives;
  }

  // Expands the set into outDir and checks every file against its source.
  void ExpectReadsBack(const std::vector<TSegBuildArchive>& archives) {
    TestOwner readerOwner;
    WatchedFileSystem readerFiles;
    TSegCompEZ reader(readerFiles, readerOwner);
    reader.SetSegBaseName(seg.SegBaseName());
    reader.SetSegDir(Win(setDir));
    reader.SetSegTmpDir(Win(scratch.path() / "readwork"));
    reader.SetSegExt(seg.SegExt());
    reader.SegPopUp = false;
    reader.Key = seg.Key;
    std::vector<std::vector<std::string>> listed;
    reader.OnSegBeforeExpand = [&](TSegArcList& l) {
      for (size_t i = 0; i < l.Count(); ++i) listed.push_back(l[i].FileList);
    };
    reader.SegExpand();
    ASSERT_EQ(reader.SegArcList.Count(), archives.size());
    for (size_t i = 0; i < archives.size(); ++i) {
      EXPECT_EQ(reader.SegArcList[i].Template, archives[i].Template);
      EXPECT_EQ(reader.SegArcList[i].Attribute, archives[i].Attribute);
      std::vector<std::string> names;
      for (const TArchiveMember& m : archives[i].Files) names.push_back(m.EntryName);
      EXPECT_EQ(listed[i], names);
      ASSERT_EQ(reader.SegArcList[i].FileList.size(), names.size());
      for (const std::string& n : names) {
        std::string rel = n;
        std::replace(rel.begin(), rel.end(), '\\', '/');
        fs::path dir = fs::path(PathDirectoryPartHost(archives[i].Template));
        EXPECT_EQ(ReadFileBytes(dir / rel), sources.at(n)) << n;
      }
    }
    EXPECT_TRUE(FolderEntries(scratch.path() / "readwork").empty());
    EXPECT_EQ(readerFiles.openFiles, 0);
  }

  static std::string PathDirectoryPartHost(const std::string& templ) {
    std::string d = templ.substr(0, templ.find_last_of('\\') + 1);
    std::replace(d.begin(), d.end(), '\\', '/');
    return d;
  }

  // Every segment file: its size, and its header naming it by number.
  std::vector<size_t> SegmentSizes(int count) {
    std::vector<size_t> sizes;
    for (int n = 1; n <= count; ++n) {
      std::string ext = std::to_string(n);
      ext.insert(0, ext.size() < 3 ? 3 - ext.size() : 0, '0');
      auto bytes = ReadFileBytes(setDir / ("disk." + ext));
      EXPECT_GE(bytes.size(), 8u);
      auto h = TSegmentHeader::Unpack(bytes.data());
      EXPECT_EQ(h.Id, kSegmentId);
      EXPECT_EQ(h.Number, n);
      EXPECT_EQ(h.Reserved, 0);
      sizes.push_back(bytes.size());
    }
    return sizes;
  }

  fs::path srcDir = scratch.path() / "src";
  std::map<std::string, std::vector<uint8_t>> sources;
};

TEST_F(SegWriter, EveryMethodReadsBackAcrossSmallSegments) {
  const auto archives = ThreeArchives();
  for (TCompressionMethod method : {coNone, coRLE, coLZH, coLZH5}) {
    SCOPED_TRACE(static_cast<int>(method));
    fs::remove_all(setDir);
    fs::remove_all(outDir);
    seg.SetSegSize(16384);
    const uint16_t count = seg.SegCompressArchives(archives, method);
    ASSERT_GT(count, 1);
    EXPECT_FALSE(fs::exists(setDir / ("disk.00" + std::to_string(count + 1))));
    auto sizes = SegmentSizes(count);
    for (size_t i = 0; i < sizes.size(); ++i) {
      EXPECT_LE(sizes[i], 16384u);
      if (i + 1 < sizes.size()) {
        EXPECT_EQ(sizes[i], 16384u) << "only the last segment is short";
      }
    }
    ExpectClean();
    ExpectReadsBack(archives);
  }
}

TEST_F(SegWriter, WorkerThreadsWriteTheSameSet) {
  auto archives = ThreeArchives();
  seg.SetSegSize(16384);
  const uint16_t count = seg.SegCompressArchives(archives, coLZH);
  std::vector<std::vector<uint8_t>> single;
  for (int n = 1; n <= count; ++n) single.push_back(ReadFileBytes(setDir / ("disk.00" + std::to_string(n))));
  for (int threads : {2, 3, 8, -2}) {
    SCOPED_TRACE(threads);
    // Sizes that put the last archive first: the workers then code out of order.
    for (size_t i = 0; i < archives.size(); ++i) archives[i].Bytes = threads < 0 ? static_cast<int64_t>(i) : 0;
    fs::remove_all(setDir);
    seg.BuildThreads = std::abs(threads);
    int checks = 0;
    seg.OnCheckFile = [&](std::string&, TCProcessMode) { ++checks; };
    ASSERT_EQ(seg.SegCompressArchives(archives, coLZH), count);
    EXPECT_EQ(checks, 5);
    for (int n = 1; n <= count; ++n)
      EXPECT_EQ(ReadFileBytes(setDir / ("disk.00" + std::to_string(n))), single[static_cast<size_t>(n - 1)]) << n;
    ExpectClean();
  }
}

TEST_F(SegWriter, AFailingWorkerEndsTheBuildCleanly) {
  std::vector<TSegBuildArchive> archives;
  for (int i = 0; i < 12; ++i) {
    TSegBuildArchive a;
    a.Template = Template("d" + std::to_string(i));
    a.Files = {Source("f" + std::to_string(i), TextBytes(5000, static_cast<uint64_t>(i)))};
    if (i == 7) a.Files.push_back({Win(srcDir / "missing"), "missing.txt"});
    archives.push_back(a);
  }
  seg.BuildThreads = 3;
  EXPECT_THROW(seg.SegCompressArchives(archives, coLZH), EFOpenError);
  EXPECT_TRUE(FolderEntries(setDir).empty());
  ExpectClean();
}

TEST_F(SegWriter, OneSegmentWhenEverythingFits) {
  const auto archives = ThreeArchives();
  EXPECT_EQ(seg.SegCompressArchives(archives, coLZH), 1);
  ExpectReadsBack(archives);
}

TEST_F(SegWriter, AStreamThatFillsItsLastSegmentExactlyEndsThere) {
  std::vector<TSegBuildArchive> archives(1);
  archives[0].Template = Template("exact");
  archives[0].Files = {Source("a.bin", RandomBytes(20000, 5))};
  seg.SetSegSize(16384);
  ASSERT_EQ(seg.SegCompressArchives(archives, coNone), 2);
  const size_t payload = SegmentSizes(2)[0] - 8 + SegmentSizes(2)[1] - 8;
  // Grow the stored file by what the second segment lacks.
  archives[0].Files = {Source("a.bin", RandomBytes(20000 + 2 * (16384 - 8) - payload, 5))};
  fs::remove_all(setDir);
  ASSERT_EQ(seg.SegCompressArchives(archives, coNone), 2);
  EXPECT_EQ(SegmentSizes(2), (std::vector<size_t>{16384, 16384}));
  ExpectReadsBack(archives);
}

TEST_F(SegWriter, ReportsEachSegmentAsItIsWritten) {
  std::vector<std::string> events;
  seg.OnSegBefore = [&](TSegMode m, const std::string& name, uint16_t n) {
    events.push_back("before " + name + " " + std::to_string(n) + (m == smBuild ? "" : " expand?"));
  };
  seg.OnSegAfter = [&](TSegMode, const std::string& name, uint16_t n) {
    events.push_back("after " + name + " " + std::to_string(n));
  };
  int lastPercent = -1;
  seg.OnSegShowProgress = [&](int32_t p) { lastPercent = p; };
  seg.SetSegSize(40000);
  const uint16_t count = seg.SegCompressArchives(ThreeArchives(), coNone);
  ASSERT_EQ(count, 3);
  EXPECT_EQ(events, (std::vector<std::string>{"before disk.001 1", "after disk.001 1", "before disk.002 2",
                                              "after disk.002 2", "before disk.003 3"}));
  EXPECT_EQ(lastPercent, 100);
  EXPECT_EQ(seg.SegMode(), smBuild);
}

TEST_F(SegWriter, AKeyLocksTheDataButNotTheLists) {
  const auto archives = ThreeArchives();
  seg.Key = 77;
  seg.SegCompressArchives(archives, coLZH);
  ExpectReadsBack(archives);

  seg.Key = 0;
  std::vector<std::string> names;
  seg.OnSegBeforeExpand = [&](TSegArcList& l) { names = l[0].FileList; };
  try {
    seg.SegExpand();
    FAIL() << "locked data expanded without its key";
  } catch (const EInvalidKey&) {
  }
  EXPECT_EQ(names.size(), 4u);
  ExpectClean();
}

TEST_F(SegWriter, NamesTheReaderWouldChangeAreRefused) {
  const std::vector<std::string> bad = {"trailing ", "", std::string("zero\0byte", 9), std::string(8192, 'n')};
  for (const std::string& name : bad) {
    std::vector<TSegBuildArchive> archives(1);
    archives[0].Template = Template("x");
    archives[0].Files = {Source(name, Bytes("data"))};
    EXPECT_THROW(seg.SegCompressArchives(archives, coNone), ESegError) << name.size();
  }
  std::vector<TSegBuildArchive> longTemplate(1);
  longTemplate[0].Template = std::string(8192, 't');
  EXPECT_THROW(seg.SegCompressArchives(longTemplate, coNone), ESegError);
  EXPECT_TRUE(FolderEntries(setDir).empty());
}

TEST_F(SegWriter, AFailedBuildLeavesNoSegmentsBehind) {
  auto archives = ThreeArchives();
  archives[2].Files.push_back({Win(srcDir / "missing"), "missing.txt"});
  seg.SetSegSize(16384);
  EXPECT_THROW(seg.SegCompressArchives(archives, coNone), EFOpenError);
  EXPECT_TRUE(FolderEntries(setDir).empty());
  ExpectClean();

  files.writeBudget = 50000;
  EXPECT_THROW(seg.SegCompressArchives(ThreeArchives(), coNone), EWriteError);
  EXPECT_TRUE(FolderEntries(setDir).empty());
  ExpectClean();
}

TEST_F(SegWriter, AFixedExtensionNeedsADiskPerSegment) {
  const auto archives = ThreeArchives();
  seg.SetSegExt("dat");
  seg.SetSegSize(40000);
  EXPECT_THROW(seg.SegCompressArchives(archives, coNone), ESegError);
  EXPECT_TRUE(FolderEntries(setDir).empty());

  // A handler that puts each segment on its own disk (folder) makes it work.
  const fs::path disks = scratch.path() / "disks";
  seg.OnSegBefore = [&](TSegMode, const std::string& name, uint16_t n) {
    EXPECT_EQ(name, "disk.dat");
    fs::create_directories(disks / std::to_string(n));
    seg.SetSegDir(Win(disks / std::to_string(n)));
  };
  const uint16_t count = seg.SegCompressArchives(archives, coNone);
  ASSERT_EQ(count, 3);
  seg.OnSegBefore = nullptr;
  seg.SetSegDir(Win(setDir));
  // The reader's drive holds one disk at a time.
  TestOwner readerOwner;
  WatchedFileSystem readerFiles;
  TSegCompEZ reader(readerFiles, readerOwner);
  reader.SetSegBaseName("disk");
  reader.SetSegExt("dat");
  reader.SetSegDir(Win(setDir));
  reader.SetSegTmpDir(Win(tmpDir));
  reader.SegPopUp = false;
  reader.OnSegBefore = [&](TSegMode, const std::string&, uint16_t n) {
    CopyOver(disks / std::to_string(n) / "disk.dat", setDir / "disk.dat");
  };
  reader.SegExpand();
  EXPECT_EQ(ReadFileBytes(Out("fonts/x.ttf")), sources.at("x.ttf"));
}

TEST_F(SegWriter, AnEmptySetIsJustItsHeader) {
  EXPECT_EQ(seg.SegCompressArchives({}, coLZH), 1);
  EXPECT_EQ(ReadFileBytes(setDir / "disk.001").size(), 8u + kSetHeaderSize);
  seg.SegExpand();
  EXPECT_EQ(seg.SegArcList.Count(), 0u);
}

}  // namespace
}  // namespace vurerode::test
