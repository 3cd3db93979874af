// Segment names and the normalisation the component's properties apply.
#include <gtest/gtest.h>

#include "platform/windows_path.h"
#include "segment/seg_comp_ez.h"
#include "segment/seg_names.h"
#include "segment/seg_test_util.h"

namespace vurerode::test {
namespace {

TEST(SegNames, NumbersArePaddedToThreeDigitsAndNeverCut) {
  const std::pair<uint32_t, const char*> cases[] = {{1, "disk.001"},   {2, "disk.002"},     {99, "disk.099"},
                                                    {999, "disk.999"}, {1000, "disk.1000"}, {65535, "disk.65535"}};
  for (auto [n, name] : cases) EXPECT_EQ(SegmentFileName("disk", "", n), name);
  EXPECT_EQ(SegmentFileName("disk", "dat", 1), "disk.dat");
  EXPECT_EQ(SegmentFileName("disk", "dat", 7), "disk.dat");
}

TEST(SegNames, PathsJoinWithOneBackslash) {
  EXPECT_EQ(SegmentFilePath("a:\\", "disk.001"), "a:\\disk.001");
  EXPECT_EQ(SegmentFilePath("c:\\set", "disk.001"), "c:\\set\\disk.001");
  EXPECT_EQ(SegmentFilePath("c:\\set\\\\", "x"), "c:\\set\\\\x");  // only one is removed
  EXPECT_EQ(PathDirectoryPart("C:\\Source\\App\\*.*"), "C:\\Source\\App\\");
  EXPECT_EQ(PathDirectoryPart("C:*.*"), "C:");
  EXPECT_EQ(PathDirectoryPart("plain"), "");
}

// Windows path rules over the host's files: a drive-letter current directory and full paths made as
// the system makes them.
class WindowsLikeFileSystem : public NativeFileSystem {
 public:
  std::string CurrentDirectory() override { return "C:\\Current\\Dir"; }
  std::string FullPathName(const std::string& path) override {
    return platform::MakeFullPath(path, CurrentDirectory());
  }
};

TEST(SegProperties, SettersNormalise) {
  WindowsLikeFileSystem host;
  TestOwner owner;
  TSegCompEZ seg(host, owner);
  EXPECT_EQ(seg.SegBaseName(), "SegData");
  EXPECT_EQ(seg.SegDir(), "a:\\");
  EXPECT_EQ(seg.SegExt(), "");
  EXPECT_TRUE(seg.SegPopUp);
  EXPECT_EQ(seg.SegSize(), 1440000);
  EXPECT_EQ(seg.SegTmpDir(), "C:\\Current\\Dir");
  EXPECT_EQ(seg.SegBuildMode, bmRecursive);
  EXPECT_EQ(seg.SegCompType, coLZH);
  EXPECT_FALSE(seg.SegMultiArc);
  EXPECT_EQ(seg.SegMode(), smBuild);

  seg.SetSegBaseName("D:\\Some\\Where\\DISK");
  EXPECT_EQ(seg.SegBaseName(), "disk");
  seg.SetSegBaseName("");
  EXPECT_EQ(seg.SegBaseName(), "SegData");

  seg.SetSegDir("Sets\\One");
  EXPECT_EQ(seg.SegDir(), "c:\\current\\dir\\sets\\one");
  seg.SetSegDir("");
  EXPECT_EQ(seg.SegDir(), "a:\\");

  seg.SetSegExt("abcd");
  EXPECT_EQ(seg.SegExt(), "abc");
  seg.SetSegExt("Dt");
  EXPECT_EQ(seg.SegExt(), "Dt");

  for (auto [in, out] : {std::pair{1000, 16384}, {16383, 16384}, {16384, 16384}, {-5, 16384}, {20000, 20000}}) {
    seg.SetSegSize(in);
    EXPECT_EQ(seg.SegSize(), out);
  }

  seg.SetSegTmpDir("");
  EXPECT_EQ(seg.SegTmpDir(), "c:\\current\\dir");
  seg.SetSegTmpDir("E:\\TEMP\\\\");
  EXPECT_EQ(seg.SegTmpDir(), "e:\\temp\\");
  seg.SetSegTmpDir("\\");
  EXPECT_EQ(seg.SegTmpDir(), "");

  seg.SetSegSource({"one", "two"});
  EXPECT_EQ(seg.SegSource(), (std::vector<std::string>{"one", "two"}));
  EXPECT_EQ(seg.TempArchivePath(), "\\SegData.$A$");
}

}  // namespace
}  // namespace vurerode::test
