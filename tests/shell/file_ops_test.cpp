#include "shell/file_ops.h"

#include <gtest/gtest.h>

#include "platform/dos_time.h"
#include "platform/exception.h"
#include "shell_test_support.h"

namespace vurerode {
namespace {

using platform::faArchive;
using platform::faDirectory;
using platform::faHidden;
using platform::faReadOnly;

class CopyFileIntoTest : public ::testing::Test {
 protected:
  void SetUp() override { m.MakeDirs({"C:\\Src", "C:\\Dest"}); }
  test::Machine m;
};

TEST_F(CopyFileIntoTest, IntoAFolderWithOrWithoutItsBackslash) {
  m.Put("C:\\Src\\a.txt", "alpha");
  CopyFileInto(m.fs(), "C:\\Src\\a.txt", "C:\\Dest\\");
  EXPECT_EQ(m.Get("C:\\Dest\\a.txt"), "alpha");
  m.fs().DeleteFile("C:\\Dest\\a.txt");
  CopyFileInto(m.fs(), "C:\\Src\\a.txt", "C:\\Dest");
  EXPECT_EQ(m.Get("C:\\Dest\\a.txt"), "alpha");
  m.Put("C:\\Dest\\other.txt", "to be replaced");
  m.fs().ChangeDirectory("C:\\Dest");
  CopyFileInto(m.fs(), "C:\\Src\\a.txt", "other.txt");  // an existing file is the target itself
  EXPECT_EQ(m.Get("C:\\Dest\\other.txt"), "alpha");
}

TEST_F(CopyFileIntoTest, SizesAroundTheBuffer) {
  for (size_t size :
       {size_t{0}, size_t{1}, size_t{8191}, size_t{8192}, size_t{8193}, size_t{3 * 8192}, size_t{100000}}) {
    std::vector<uint8_t> bytes = test::RandomBytes(size, size);
    m.Put("C:\\Src\\data.bin", std::string(bytes.begin(), bytes.end()));
    CopyFileInto(m.fs(), "C:\\Src\\data.bin", "C:\\Dest\\");
    EXPECT_EQ(m.Get("C:\\Dest\\data.bin"), std::string(bytes.begin(), bytes.end())) << size;
  }
}

TEST_F(CopyFileIntoTest, FailuresNameTheFile) {
  m.Put("C:\\Src\\a.txt", "new");
  m.Put("C:\\Dest\\a.txt", "old");
  m.fs().SetAttributes("C:\\Dest\\a.txt", faReadOnly);
  try {
    CopyFileInto(m.fs(), "C:\\Src\\a.txt", "C:\\Dest\\");
    FAIL();
  } catch (const EFCreateError& e) {
    EXPECT_STREQ(e.what(), "Cannot create file C:\\Dest\\a.txt");
  }
  EXPECT_EQ(m.Get("C:\\Dest\\a.txt"), "old");
  try {
    CopyFileInto(m.fs(), "C:\\Src\\missing.txt", "C:\\Dest\\");
    FAIL();
  } catch (const EFOpenError& e) {
    EXPECT_STREQ(e.what(), "Cannot open file C:\\Src\\missing.txt");
  }
  // A destination that does not exist counts as a folder.
  try {
    CopyFileInto(m.fs(), "C:\\Src\\a.txt", "C:\\New");
    FAIL();
  } catch (const EFCreateError& e) {
    EXPECT_STREQ(e.what(), "Cannot create file C:\\New\\a.txt");
  }
}

TEST_F(CopyFileIntoTest, AFullDiskIsAnErrorAndLeavesNoShortFile) {
  std::vector<uint8_t> bytes = test::RandomBytes(50000, 7);
  m.Put("C:\\Src\\big.bin", std::string(bytes.begin(), bytes.end()));
  m.platform.files().SetQuota('C', 0);
  EXPECT_EQ(m.fs().DiskFreeBytes("C:\\"), 0);
  try {
    CopyFileInto(m.fs(), "C:\\Src\\big.bin", "C:\\Dest\\");
    FAIL() << "a short copy must not pass for a copy";
  } catch (const EWriteError& e) {
    EXPECT_EQ(std::string(e.what()).rfind("Cannot copy C:\\Src\\big.bin to C:\\Dest\\big.bin: ", 0), 0u) << e.what();
    EXPECT_NE(std::string(e.what()).find("not enough space"), std::string::npos);
  }
  EXPECT_FALSE(m.fs().FileExists("C:\\Dest\\big.bin"));
}

TEST_F(CopyFileIntoTest, TheCopyGetsFreshTimeAndAttributes) {
  m.Put("C:\\Src\\old.txt", "x");
  {
    auto f = m.fs().OpenFile("C:\\Src\\old.txt", platform::FileAccess::ReadWrite);
    f->SetLastWriteDosTime(PackDosDateTime({1995, 8, 24, 12, 0, 0}));
  }
  m.fs().SetAttributes("C:\\Src\\old.txt", faReadOnly | faHidden);
  CopyFileInto(m.fs(), "C:\\Src\\old.txt", "C:\\Dest\\");
  EXPECT_EQ(m.fs().GetAttributes("C:\\Dest\\old.txt"), faArchive);
  platform::FindData fd;
  ASSERT_TRUE(m.fs().FindFirst("C:\\Dest\\old.txt", fd));
  EXPECT_GT(UnpackDosDateTime(fd.lastWriteDosTime).year, 2020);
}

TEST(HasAttributes, AllBitsOfTheMask) {
  test::Machine m;
  m.Put("C:\\f.txt", "");
  m.fs().SetAttributes("C:\\f.txt", faHidden | faArchive);
  EXPECT_TRUE(HasAttributes(m.fs(), "C:\\f.txt", faHidden));
  EXPECT_TRUE(HasAttributes(m.fs(), "C:\\f.txt", faHidden | faArchive));
  EXPECT_FALSE(HasAttributes(m.fs(), "C:\\f.txt", faHidden | faReadOnly));
  EXPECT_TRUE(HasAttributes(m.fs(), "C:\\WINDOWS", faDirectory));
  EXPECT_TRUE(HasAttributes(m.fs(), "C:\\missing", faDirectory | faReadOnly));  // unreadable: every bit set
}

TEST(ForceDirectories, MakesEveryMissingParent) {
  test::Machine m;
  EXPECT_TRUE(ForceDirectories(m.fs(), "C:\\A\\B\\C\\"));
  EXPECT_TRUE(m.fs().DirectoryExists("C:\\A\\B\\C"));
  EXPECT_TRUE(ForceDirectories(m.fs(), "C:\\A\\B"));
  m.Put("C:\\A\\file", "");
  EXPECT_FALSE(ForceDirectories(m.fs(), "C:\\A\\file\\sub"));
  EXPECT_THROW(ForceDirectories(m.fs(), ""), Exception);
}

}  // namespace
}  // namespace vurerode
