#include "shell/launch.h"

#include <gtest/gtest.h>

#include "platform/text.h"
#include "shell/win_reboot.h"
#include "shell_test_support.h"

namespace vurerode {
namespace {

#if defined(_WIN32)
constexpr bool kWindowsHost = true;  // the sandbox runs .exe, .bat and .cmd there, not shell scripts
#else
constexpr bool kWindowsHost = false;
#endif

platform::sandbox::SandboxOptions RunningHostPrograms() {
  platform::sandbox::SandboxOptions options;
  options.runHostPrograms = true;
  return options;
}

class LaunchTest : public ::testing::Test {
 protected:
  // Host scripts run only when the machine is asked to run them.
  test::Machine m{RunningHostPrograms()};
  // A script put into ROOT from the host (one written through the sandbox is never run).
  void PutScript(const std::string& path, const std::string& body) {
    std::filesystem::path host = m.platform.files().ToHostPath(path);
    test::WriteFileBytes(host, test::Bytes("#!/bin/sh\n" + body + "\n"));
    std::filesystem::permissions(host, std::filesystem::perms::owner_exec, std::filesystem::perm_options::add);
  }
  std::vector<std::string> Journal() { return m.platform.journal().Lines(); }
};

TEST_F(LaunchTest, RunAndWaitReturnsTheExitCodeOrMinusOne) {
  if (kWindowsHost) GTEST_SKIP() << "runs POSIX shell scripts";
  EXPECT_EQ(RunAndWait(m.platform, "C:\\Tools\\missing.exe", platform::kShowNormal), -1);
  m.MakeDirs({"C:\\Tools"});
  PutScript("C:\\Tools\\post.exe", "exit 4");
  EXPECT_EQ(RunAndWait(m.platform, "C:\\Tools\\post.exe /s", platform::kShowMinimized), 4);
  EXPECT_EQ(Journal().back(),
            "CreateProcess SW_SHOWMINIMIZED \"C:\\Tools\\post.exe /s\" -> exit 4 \"C:\\Tools\\post.exe\"");
  std::string tooLong = "C:\\Tools\\post.exe " + std::string(500, 'x');
  EXPECT_EQ(RunAndWait(m.platform, tooLong, platform::kShowNormal), -1);
  EXPECT_EQ(Journal().size(), 2u);  // not even attempted
}

// A program and its arguments in any script reach the program as they were written, and the
// command line's limit counts UTF-16 units as the 512-character buffer does, not bytes.
TEST_F(LaunchTest, CommandLinesOfAnyScriptRunWhole) {
  if (kWindowsHost) GTEST_SKIP() << "runs POSIX shell scripts";
  m.MakeDirs({"C:\\Программы", "C:\\Программы\\日本"});
  PutScript("C:\\Программы\\日本\\🎉.exe", "printf '%s|' \"$@\" > \"$(dirname \"$0\")/args.txt\"");
  const std::string head = "\"C:\\Программы\\日本\\🎉.exe\" \"Ελληνικά αρχεία\" łódź.txt ";
  std::string line = head;
  while (platform::Utf16Length(line) < 511) line += "ж";
  ASSERT_GT(line.size(), 511u);
  EXPECT_EQ(RunAndWait(m.platform, line, platform::kShowNormal), 0);
  EXPECT_EQ(m.Get("C:\\ПРОГРАММЫ\\日本\\ARGS.TXT"), "Ελληνικά αρχεία|łódź.txt|" + line.substr(head.size()) + "|");
  line.replace(line.size() - 2, 2, "🎉");  // one unit more
  EXPECT_EQ(RunAndWait(m.platform, line, platform::kShowNormal), -1);
}

TEST_F(LaunchTest, OpenWithShellMapsModesToShowStates) {
  m.MakeDirs({"C:\\Docs"});
  m.Put("C:\\Docs\\readme.txt", "");
  const char* const expected[] = {"SW_SHOWNORMAL", "SW_SHOWMAXIMIZED", "SW_SHOWMINIMIZED", "SW_HIDE"};
  for (int mode = 0; mode < 4; ++mode) {
    OpenWithShell(m.platform, "C:\\Docs\\readme.txt", mode);
    EXPECT_EQ(Journal().back(),
              std::string("ShellExecute desktop open ") + expected[mode] +
                  " \"C:\\Docs\\readme.txt\" params=\"\" dir=\"\" -> recorded \"C:\\Docs\\readme.txt\"");
  }
  OpenWithShell(m.platform, "C:\\Docs\\readme.txt", 4);
  OpenWithShell(m.platform, "C:\\Docs\\readme.txt", -1);
  EXPECT_EQ(Journal().size(), 4u);
}

TEST_F(LaunchTest, OpenWithShellHiddenRunsABatchFile) {
  if (kWindowsHost) GTEST_SKIP() << "runs POSIX shell scripts";
  m.MakeDirs({"C:\\Docs"});
  PutScript("C:\\Docs\\after.bat", "echo $VURERODE_SHOW > shown.txt");
  m.fs().ChangeDirectory("C:\\Docs");
  OpenWithShell(m.platform, "C:\\Docs\\after.bat", 3);
  EXPECT_EQ(m.Get("C:\\Docs\\shown.txt"), "SW_HIDE\n");
}

TEST_F(LaunchTest, ExecuteFileAsksForTheDefaultActionOwnedByTheMainWindow) {
  m.MakeDirs({"C:\\App"});
  m.Put("C:\\App\\app.exe", "MZ");
  ExecuteFile(m.platform, "app.exe", "-x", "C:\\App", platform::kShowNormal);
  EXPECT_EQ(Journal().back(),
            "ShellExecute main (default) SW_SHOWNORMAL \"app.exe\" params=\"-x\" dir=\"C:\\App\" -> recorded "
            "\"C:\\App\\app.exe\"");
}

TEST_F(LaunchTest, RebootHoldsTheShutdownPrivilegeForTheRequest) {
  TWinReboot WinReboot1(m.platform);
  EXPECT_TRUE(WinReboot1.Reboot(platform::kEwxReboot));
  EXPECT_EQ(Journal().back(), "ExitWindowsEx 0x00000002 EWX_REBOOT -> started");
  EXPECT_TRUE(WinReboot1.SetPrivilege("SeShutdownPrivilege", false));
  EXPECT_FALSE(WinReboot1.SetPrivilege("NotAPrivilege", true));
  test::ScratchDir other;
  platform::sandbox::SandboxPlatform refusing(other.path(), {{}, true, false, false, {}});
  EXPECT_FALSE(TWinReboot(refusing).Reboot(platform::kEwxReboot));
}

}  // namespace
}  // namespace vurerode
