#include "platform/windows_path.h"

#include <gtest/gtest.h>

namespace vurerode::platform {
namespace {

struct FullPathCase {
  const char* path;
  const char* cwd;
  const char* full;
};

TEST(WindowsPath, FullPathsAsGetFullPathNameMakesThem) {
  const FullPathCase cases[] = {
      {"C:\\a\\b", "C:\\x", "C:\\a\\b"},
      {"c:\\a\\\\b\\", "C:\\x", "C:\\a\\b\\"},
      {"a\\b", "C:\\x", "C:\\x\\a\\b"},
      {"..\\b", "C:\\x\\y", "C:\\x\\b"},
      {"..\\..\\..\\b", "C:\\x", "C:\\b"},
      {".\\b\\.\\c", "C:\\", "C:\\b\\c"},
      {"\\b", "D:\\x", "D:\\b"},
      {"D:b", "D:\\x", "D:\\x\\b"},
      {"D:b", "C:\\x", "D:\\b"},
      {"C:", "C:\\x", "C:\\x"},
      {"C:/a/b", "C:\\", "C:\\a\\b"},
      {"C:\\a\\name.  ", "C:\\", "C:\\a\\name"},
      {"C:\\a.\\b", "C:\\", "C:\\a\\b"},
      {"C:\\Temp\\X\\..", "C:\\", "C:\\Temp"},
      {"C:\\", "D:\\", "C:\\"},
      {"\\\\srv\\share\\a\\..\\b", "C:\\", "\\\\srv\\share\\b"},
  };
  for (const auto& c : cases) EXPECT_EQ(MakeFullPath(c.path, c.cwd), c.full) << c.path << " in " << c.cwd;
  EXPECT_EQ(MakeFullPath("", "C:\\"), "");
}

TEST(WindowsPath, NameAndFolderParts) {
  EXPECT_EQ(ExtractFileName("C:\\a\\b.txt"), "b.txt");
  EXPECT_EQ(ExtractFileName("C:b.txt"), "b.txt");
  EXPECT_EQ(ExtractFileName("C:\\a\\"), "");
  EXPECT_EQ(ExtractFilePath("C:\\a\\b.txt"), "C:\\a\\");
  EXPECT_EQ(ExtractFilePath("b.txt"), "");
  EXPECT_EQ(IncludeTrailingBackslash("C:\\a"), "C:\\a\\");
  EXPECT_EQ(IncludeTrailingBackslash("C:\\a\\"), "C:\\a\\");
  EXPECT_EQ(ExcludeTrailingBackslash("C:\\a\\"), "C:\\a");
  EXPECT_TRUE(IsDriveRoot("C:\\"));
  EXPECT_TRUE(IsDriveRoot("\\\\srv\\share\\"));
  EXPECT_FALSE(IsDriveRoot("C:\\a"));
}

}  // namespace
}  // namespace vurerode::platform
