// The shell services on the Win32 implementation, where the real file system's behaviour matters:
// copying, tree removal with attributes and files in use, launching. (Nothing here touches the
// user's shell folders or anything outside a scratch folder.)
#if defined(_WIN32)

#include <gtest/gtest.h>

#include "../platform/peer.h"
#include "platform/exception.h"
#include "platform/win32/win32_platform.h"
#include "shell/del_tree.h"
#include "shell/file_ops.h"
#include "shell/launch.h"
#include "shell/shell_folders.h"
#include "shell/win_reboot.h"
#include "shell_test_support.h"

namespace vurerode {
namespace {

using platform::faHidden;
using platform::faReadOnly;
using platform::faSysFile;

class Win32ServicesTest : public ::testing::Test {
 protected:
  test::ScratchDir scratch;
  std::string dir = scratch.str() + "\\";
  platform::win32::Win32Platform win;
  test::RecordingPrompter prompter;

  void Put(const std::string& path, const std::string& text) {
    auto f = win.fs().CreateFile(path);
    f->Write(text.data(), text.size());
  }
};

TEST_F(Win32ServicesTest, CopyFileInto) {
  win.fs().CreateDirectory(dir + "Dest");
  std::vector<uint8_t> bytes = test::RandomBytes(8192, 3);
  Put(dir + "a.bin", std::string(bytes.begin(), bytes.end()));
  CopyFileInto(win.fs(), dir + "a.bin", dir + "Dest");
  EXPECT_EQ(test::ReadFileBytes(scratch.path() / "Dest" / "a.bin"), bytes);
  try {
    CopyFileInto(win.fs(), dir + "missing.bin", dir + "Dest\\");
    FAIL();
  } catch (const EFOpenError& e) {
    EXPECT_EQ(std::string(e.what()), "Cannot open file " + dir + "missing.bin");
  }
  EXPECT_THROW(CopyFileInto(win.fs(), dir + "a.bin", dir + "No Such Folder"), EFCreateError);
}

TEST_F(Win32ServicesTest, TreeRemovalWithAttributesAndAFileInUse) {
  std::string x = dir + "X";
  for (const std::string& d : {x, x + "\\A", x + "\\A\\B", x + "\\Z"}) win.fs().CreateDirectory(d);
  for (const std::string& f : {x + "\\top.txt", x + "\\A\\B\\1.txt", x + "\\A\\B\\2.txt", x + "\\Z\\z.txt"}) Put(f, f);
  win.fs().SetAttributes(x + "\\top.txt", faReadOnly);
  win.fs().SetAttributes(x + "\\A\\B\\1.txt", faHidden | faSysFile | faReadOnly);
  win.fs().SetAttributes(x + "\\Z", faReadOnly);
  TMPDelTree MPDelTree1(win, &prompter);
  MPDelTree1.Verbose = true;
  MPDelTree1.Path = x + "\\";
  {
    auto busy = win.fs().OpenFile(x + "\\A\\B\\2.txt", platform::FileAccess::Read);
    EXPECT_FALSE(MPDelTree1.Execute());
    EXPECT_TRUE(win.fs().FileExists(x + "\\A\\B\\2.txt"));
    EXPECT_FALSE(win.fs().FileExists(x + "\\A\\B\\1.txt"));
    EXPECT_FALSE(win.fs().DirectoryExists(x + "\\Z"));
    EXPECT_TRUE(win.fs().DirectoryExists(x + "\\A\\B"));
    EXPECT_EQ(prompter.messages, (std::vector<std::string>{"Cannot delete file " + x + "\\A\\B\\2.txt"}));
  }
  EXPECT_TRUE(MPDelTree1.Execute());
  EXPECT_FALSE(win.fs().DirectoryExists(x));
  EXPECT_EQ(MPDelTree1.Path, x);
}

TEST_F(Win32ServicesTest, TheWindowsFoldersAreRecognisedAsProtected) {
  std::string windows = WindowsDir(win);
  for (const std::string& d : {windows, windows + "\\", windows + "\\system32", windows + "\\FONTS\\"})
    EXPECT_TRUE(IsProtectedFolder(win.fs(), d)) << d;
  EXPECT_TRUE(IsProtectedFolder(win.fs(), WindowsDrive(win)));
  EXPECT_TRUE(IsDriveRootFolder(win.fs(), windows.substr(0, 2)));
  EXPECT_FALSE(IsProtectedFolder(win.fs(), dir));
  EXPECT_FALSE(IsProtectedFolder(win.fs(), windows + "\\Temp"));
}

TEST_F(Win32ServicesTest, DeleteFilesByMaskLeavesReadOnlyFilesAndFolders) {
  win.fs().CreateDirectory(dir + "sub");
  Put(dir + "a.txt", "");
  Put(dir + "b.dat", "");
  Put(dir + "ro.txt", "");
  win.fs().SetAttributes(dir + "ro.txt", faReadOnly);
  DeleteFilesByMask(win.fs(), dir, "*.*");
  EXPECT_FALSE(win.fs().FileExists(dir + "a.txt"));
  EXPECT_FALSE(win.fs().FileExists(dir + "b.dat"));
  EXPECT_TRUE(win.fs().FileExists(dir + "ro.txt"));
  EXPECT_TRUE(win.fs().DirectoryExists(dir + "sub"));
  win.fs().SetAttributes(dir + "ro.txt", 0);
}

TEST_F(Win32ServicesTest, LaunchingPrograms) {
  EXPECT_EQ(RunAndWait(win, "cmd /c exit 5", platform::kShowHide), 5);
  EXPECT_EQ(RunAndWait(win, "\"" + dir + "missing.exe\"", platform::kShowNormal), -1);
  Put(dir + "hidden.bat", "@echo off\r\necho ran> \"" + dir + "ran.txt\"\r\n");
  OpenWithShell(win, dir + "hidden.bat", 3);
  for (int i = 0; i < 200 && !win.fs().FileExists(dir + "ran.txt"); ++i) Sleep(50);
  EXPECT_TRUE(win.fs().FileExists(dir + "ran.txt"));
  TWinReboot WinReboot1(win);
  EXPECT_TRUE(WinReboot1.SetPrivilege("SeShutdownPrivilege", true));
  EXPECT_TRUE(WinReboot1.SetPrivilege("SeShutdownPrivilege", false));
}

TEST_F(Win32ServicesTest, ShellFoldersEndWithABackslash) {
  for (int kind : {kShellDesktop, kShellPrograms, kShellStartMenu, kShellStartup}) {
    std::string folder = GetShellFolder(win, kind);
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder.back(), '\\');
  }
}

}  // namespace
}  // namespace vurerode

#endif  // _WIN32
