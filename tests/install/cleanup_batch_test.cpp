// The uninstaller's cleanup batch for folders of any name: plain bytes while its text is ASCII,
// UTF-8 after a change of code page otherwise, and carried out as cmd carries it out (the sandbox's
// interpreter here, Wine's cmd in the Windows leg).
#include "install/cleanup_batch.h"

#include <gtest/gtest.h>

#include "platform/sandbox/batch_runner.h"
#include "platform/sandbox/sandbox_platform.h"
#include "support/test_support.h"

#if defined(_WIN32)
#include "platform/win32/windows_api.h"
// (the API with its renaming macros taken away again, see windows_api.h)
#include "platform/win32/win32_platform.h"
#endif

namespace vurerode::setup {
namespace {

TEST(CleanupBatch, IsPlainWhileASCIIAndUtf8AfterAChangeOfCodePageOtherwise) {
  const struct {
    std::string dir, text;
  } kCases[] = {
      {"C:\\PROGRA~1\\ACME\\",
       "Rem Remove the uninstaller and its emptied folder.\r\ndel \"C:\\PROGRA~1\\ACME\\setup.exe\"\r\n"
       "rd \"C:\\PROGRA~1\\ACME\"\r\nexit\r\n"},
      {"C:\\Program Files\\Ünïcödé 日本",
       "@chcp 65001 >nul\r\nRem Remove the uninstaller and its emptied folder.\r\n"
       "del \"C:\\Program Files\\Ünïcödé 日本\\setup.exe\"\r\nrd \"C:\\Program Files\\Ünïcödé 日本\"\r\nexit\r\n"},
  };
  for (const auto& c : kCases) EXPECT_EQ(CleanupBatchText(c.dir), c.text);
}

// The sandbox's interpreter reads the batch as cmd does: the batch written for the short form, and
// one that names the folder by its long name in UTF-8.
TEST(CleanupBatch, TheSandboxRemovesAFolderOfAnyName) {
  for (const bool longName : {false, true}) {
    SCOPED_TRACE(longName ? "long name" : "short form");
    test::ScratchDir root;
    platform::sandbox::SandboxPlatform machine(root.path());
    const std::string dir = "C:\\Program Files\\Ünïcödé 日本 🚀";
    const std::string batch = machine.fs().WindowsDirectory() + "\\Temp\\" + kCleanupBatchName;
    ASSERT_EQ(machine.fs().CreateDirectory(dir), 0);
    machine.fs().CreateFile(dir + "\\setup.exe");
    WriteCleanupBatch(machine, dir);
    if (longName) {
      const std::string text = CleanupBatchText(dir);
      machine.fs().CreateFile(batch)->Write(text.data(), text.size());
    }
    EXPECT_TRUE(platform::sandbox::BatchRunner(machine.fs(), machine.journal()).Run(batch));
    EXPECT_FALSE(machine.fs().DirectoryExists(dir));
    EXPECT_TRUE(machine.fs().DirectoryExists("C:\\Program Files"));
  }
}

#if defined(_WIN32)
// Windows' own cmd, started as the uninstaller starts it, removes a folder whose name no single code
// page holds.
TEST(CleanupBatch, WindowsRemovesAFolderOfAnyName) {
  test::ScratchDir scratch;
  platform::win32::Win32Platform win;
  const std::string dir = scratch.str() + "\\Ünïcödé 日本 Ελληνικά";
  ASSERT_EQ(win.fs().CreateDirectory(dir), 0);
  win.fs().CreateFile(dir + "\\setup.exe");
  WriteCleanupBatch(win, dir);
  StartCleanupBatch(win);
  for (int i = 0; i < 200 && win.fs().DirectoryExists(dir); ++i) Sleep(50);
  EXPECT_FALSE(win.fs().DirectoryExists(dir));
  EXPECT_TRUE(win.fs().DirectoryExists(scratch.str()));
}
#endif

}  // namespace
}  // namespace vurerode::setup
