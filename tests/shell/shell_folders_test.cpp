#include "shell/shell_folders.h"

#include <gtest/gtest.h>

#include "shell_test_support.h"

namespace vurerode {
namespace {

const char* const kShellFoldersKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

TEST(ShellFolders, ReadFromTheRegistryWithABackslashAppended) {
  test::Machine m;
  EXPECT_EQ(GetShellFolder(m.platform, kShellDesktop), "C:\\WINDOWS\\Desktop\\");
  EXPECT_EQ(GetShellFolder(m.platform, kShellPrograms), "C:\\WINDOWS\\Start Menu\\Programs\\");
  EXPECT_EQ(GetShellFolder(m.platform, kShellStartMenu), "C:\\WINDOWS\\Start Menu\\");
  EXPECT_EQ(GetShellFolder(m.platform, kShellStartup), "C:\\WINDOWS\\Start Menu\\Programs\\StartUp\\");
  m.platform.registry()
      .OpenKey(platform::RegistryRoot::CurrentUser, kShellFoldersKey, platform::RegistryAccess::ReadWrite)
      ->WriteString("Desktop", "D:\\Profile\\Desktop");
  EXPECT_EQ(GetShellFolder(m.platform, kShellDesktop), "D:\\Profile\\Desktop\\");
}

TEST(ShellFolders, AMissingValueGivesALoneBackslash) {
  test::Machine m;
  m.platform.registry()
      .OpenKey(platform::RegistryRoot::CurrentUser, kShellFoldersKey, platform::RegistryAccess::ReadWrite)
      ->DeleteValue("Startup");
  EXPECT_EQ(GetShellFolder(m.platform, kShellStartup), "\\");
}

TEST(ShellFolders, WithoutTheKeyTheWindowsDirectoryServes) {
  test::Machine m;
  ASSERT_TRUE(m.platform.registry().DeleteKeyTree(platform::RegistryRoot::CurrentUser, kShellFoldersKey));
  EXPECT_EQ(GetShellFolder(m.platform, kShellDesktop), "C:\\WINDOWS\\Desktop\\");
  EXPECT_EQ(GetShellFolder(m.platform, kShellPrograms), "C:\\WINDOWS\\Start Menu\\Programs\\");
  EXPECT_EQ(GetShellFolder(m.platform, kShellStartMenu), "C:\\WINDOWS\\Start Menu\\");
  EXPECT_EQ(GetShellFolder(m.platform, kShellStartup), "C:\\WINDOWS\\Start Menu\\Programs\\StartUp\\");
  EXPECT_EQ(WindowsDir(m.platform), "C:\\WINDOWS");
  EXPECT_EQ(WindowsDrive(m.platform), "C:\\");
  EXPECT_EQ(QuickLaunchFolder(m.platform),
            "C:\\WINDOWS\\Application Data\\Microsoft\\Internet Explorer\\Quick Launch\\");
}

TEST(ShellFolders, IconIndexComesFromTheShell) {
  test::Machine m;
  EXPECT_EQ(GetFileIconIndex(m.platform, "C:\\WINDOWS"), 3);
  EXPECT_EQ(GetFileIconIndex(m.platform, "C:\\nothing.txt"), 0);
}

}  // namespace
}  // namespace vurerode
