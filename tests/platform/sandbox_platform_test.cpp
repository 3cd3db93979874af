#include "platform/sandbox/sandbox_platform.h"

#include <gtest/gtest.h>

#include <fstream>

#include "peer.h"
#include "platform/exception.h"
#include "platform/windows_path.h"
#include "support/test_support.h"

namespace vurerode::platform::sandbox {
namespace {

using test::ScratchDir;
namespace stdfs = std::filesystem;
#if defined(_WIN32)
constexpr bool kWindowsHost = true;
#else
constexpr bool kWindowsHost = false;
#endif

SandboxOptions RunningHostPrograms() {
  SandboxOptions options;
  options.runHostPrograms = true;
  return options;
}

class SandboxPlatformTest : public ::testing::Test {
 protected:
  ScratchDir dir;
  // Host scripts run only when the machine is asked to run them.
  SandboxPlatform machine{dir.path(), RunningHostPrograms()};

  void Put(const std::string& path, const std::string& text) {
    auto f = machine.fs().CreateFile(path);
    f->Write(text.data(), text.size());
  }
  std::string HostText(const stdfs::path& p) {
    auto b = test::ReadFileBytes(p);
    return std::string(b.begin(), b.end());
  }
  // A POSIX shell script put from the host at a Windows path, which the sandbox really runs. (On a
  // Windows host the sandbox runs .exe, .bat and .cmd files instead; these tests do not apply there.)
  void PutScript(const std::string& path, const std::string& body) {
    stdfs::path host = machine.files().ToHostPath(path);
    test::WriteFileBytes(host, test::Bytes("#!/bin/sh\n" + body + "\n"));
    stdfs::permissions(host, stdfs::perms::owner_exec, stdfs::perm_options::add);
  }
};

TEST_F(SandboxPlatformTest, ProfilesFollowTheWindowsRules) {
  Profile& ini = machine.profile();
  ini.WriteString("acme.ini", "Options", "Path", "C:\\Acme");
  ini.WriteString("ACME.INI", "options", "Second", "2");
  EXPECT_EQ(HostText(dir.path() / "drive_c" / "WINDOWS" / "acme.ini"), "[Options]\r\nPath=C:\\Acme\r\nSecond=2\r\n");
  EXPECT_EQ(ini.ReadString("C:\\WINDOWS\\Acme.ini", "OPTIONS", "path", "none"), "C:\\Acme");
  EXPECT_EQ(ini.ReadString("acme.ini", "Options", "missing", "dflt  "), "dflt");
  EXPECT_EQ(ini.ReadString("nofile.ini", "S", "K", "d"), "d");
  EXPECT_EQ(ini.ReadKeyNames("acme.ini", "Options"), (std::vector<std::string>{"Path", "Second"}));
  EXPECT_TRUE(ini.ReadKeyNames("nofile.ini", "Options").empty());
  ini.DeleteKey("acme.ini", "Options", "Path");
  ini.EraseSection("acme.ini", "Nothing");
  EXPECT_EQ(ini.ReadSectionNames("acme.ini"), (std::vector<std::string>{"Options"}));
  ini.DeleteKey("gone.ini", "S", "K");
  EXPECT_FALSE(machine.fs().FileExists("C:\\WINDOWS\\gone.ini"));

  machine.fs().CreateDirectory("C:\\App");
  machine.fs().ChangeDirectory("C:\\App");
  ini.WriteString(".\\local.ini", "S", "K", "v");  // a path with a folder is not in the Windows directory
  EXPECT_TRUE(machine.fs().FileExists("C:\\App\\local.ini"));
  machine.fs().SetAttributes("C:\\App\\local.ini", faReadOnly);
  try {
    ini.WriteString(".\\local.ini", "S", "K", "changed");
    FAIL();
  } catch (const EIniFileException& e) {
    EXPECT_STREQ(e.what(), "Unable to write to .\\local.ini");
  }
  EXPECT_NO_THROW(ini.WriteString(".\\local.ini", "S", "K", "v"));  // no change, nothing to write
}

// A link to an ASCII path has the short link information of old; one to any other path carries it
// in UTF-16 too (header size 0x24), and lnkinfo reads every character back.
TEST_F(SandboxPlatformTest, ShortcutsAreRealLnkFilesThatLnkinfoReads) {
  const struct {
    const char* folder;
    const char* program;
    uint8_t linkInfoHeaderSize;
  } cases[] = {
      {"C:\\Program Files\\Acme", "app.exe", 0x1C},
      {"C:\\Program Files\\Café 日本", "ü🎉.exe", 0x24},
      {"C:\\Программы\\Ωμέγα", "журнал.exe", 0x24},
  };
  for (const auto& c : cases) {
    const std::string folder = c.folder, target = folder + "\\" + c.program;
    machine.fs().CreateDirectory(ExcludeTrailingBackslash(ExtractFilePath(folder)));
    machine.fs().CreateDirectory(folder);
    Put(target, "MZ");
    auto link = machine.shell().CreateShellLink();
    link->SetPath(target);
    link->SetWorkingDirectory(folder + "\\");
    link->SetIconLocation(folder + "\\acme.ico", 0);
    ASSERT_TRUE(link->Save("C:\\WINDOWS\\Desktop\\Acme.lnk"));
    EXPECT_FALSE(link->Save("C:\\WINDOWS\\No Such Folder\\Acme.lnk"));

    const stdfs::path file = dir.path() / "drive_c" / "WINDOWS" / "Desktop" / "Acme.lnk";
    auto bytes = test::ReadFileBytes(file);
    ASSERT_GE(bytes.size(), 0x4Cu + 8);
    EXPECT_EQ(bytes[0], 0x4C);
    EXPECT_EQ(bytes[0x4C + 4], c.linkInfoHeaderSize) << target;
    auto report = test::RunHostTool("/usr/bin/lnkinfo", {test::HostToolPath(file)});
    if (!report) GTEST_SKIP() << "lnkinfo is not installed";
    EXPECT_PRED2(test::LnkinfoShows, test::LnkinfoField(*report, "Local path"), target) << *report;
    EXPECT_EQ(test::LnkinfoField(*report, "Working directory"), folder + "\\");
    EXPECT_EQ(test::LnkinfoField(*report, "Icon location"), folder + "\\acme.ico");
    EXPECT_EQ(test::LnkinfoField(*report, "File size"), "2 bytes");
  }
}

TEST_F(SandboxPlatformTest, EmptyIconLocationLeavesItOut) {
  auto link = machine.shell().CreateShellLink();
  link->SetPath("C:\\WINDOWS\\notepad.exe");
  link->SetIconLocation("", 0);
  ASSERT_TRUE(link->Save("C:\\n.lnk"));
  auto report = test::RunHostTool("/usr/bin/lnkinfo", {test::HostToolPath(dir.path() / "drive_c" / "n.lnk")});
  if (!report) GTEST_SKIP() << "lnkinfo is not installed";
  EXPECT_EQ(test::LnkinfoField(*report, "Local path"), "C:\\WINDOWS\\notepad.exe");
  EXPECT_EQ(report->find("Icon location"), std::string::npos);
}

TEST_F(SandboxPlatformTest, ProgramStartsAreJournalledAndScriptsRun) {
  if (kWindowsHost) GTEST_SKIP() << "runs POSIX shell scripts";
  Processes& p = machine.processes();
  EXPECT_EQ(p.RunAndWait("C:\\Tools\\missing.exe /q", kShowNormal), -1);
  machine.fs().CreateDirectory("C:\\Tools");
  PutScript("C:\\Tools\\post.exe", "echo \"$VURERODE_SHOW $*\" > ran.txt; exit 3");
  Put("C:\\Tools\\real.exe", "MZ not for this host");
  machine.fs().ChangeDirectory("C:\\Tools");
  EXPECT_EQ(p.RunAndWait("\"C:\\Tools\\post.exe\" /q \"two words\"", kShowHide), 3);
  EXPECT_EQ(HostText(dir.path() / "drive_c" / "Tools" / "ran.txt"), "SW_HIDE /q two words\n");
  EXPECT_EQ(p.RunAndWait("post /x", kShowNormal), 3);  // found in the current folder, ".exe" added
  EXPECT_EQ(p.RunAndWait("C:\\Tools\\real.exe", kShowMinimized), 0);
  std::vector<std::string> lines = machine.journal().Lines();
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[0], "CreateProcess SW_SHOWNORMAL \"C:\\Tools\\missing.exe /q\" -> not found");
  EXPECT_EQ(lines[1],
            "CreateProcess SW_HIDE \"\"\"C:\\Tools\\post.exe\"\" /q \"\"two words\"\"\" -> exit 3 "
            "\"C:\\Tools\\post.exe\"");
  EXPECT_EQ(lines[3], "CreateProcess SW_SHOWMINIMIZED \"C:\\Tools\\real.exe\" -> recorded \"C:\\Tools\\real.exe\"");
}

TEST_F(SandboxPlatformTest, UnquotedProgramPathsWithSpacesAreTriedPartByPart) {
  if (kWindowsHost) GTEST_SKIP() << "runs POSIX shell scripts";
  machine.fs().CreateDirectory("C:\\Program Files\\Acme");
  PutScript("C:\\Program Files\\Acme\\setup.exe", "exit 7");
  EXPECT_EQ(machine.processes().RunAndWait("C:\\Program Files\\Acme\\setup.exe Acme 1.0", kShowNormal), 7);
}

TEST_F(SandboxPlatformTest, ShellRequestsAreJournalled) {
  if (kWindowsHost) GTEST_SKIP() << "runs POSIX shell scripts";
  Shell& shell = machine.shell();
  machine.fs().CreateDirectory("C:\\Docs");
  Put("C:\\Docs\\readme.txt", "text");
  PutScript("C:\\Docs\\go.bat", "touch went");
  EXPECT_GT(shell.Execute(ShellOwner::Desktop, "open", "C:\\Docs\\readme.txt", "", "", kShowMaximized), 32);
  EXPECT_GT(shell.Execute(ShellOwner::Desktop, "open", "go.bat", "", "C:\\Docs", kShowHide), 32);
  EXPECT_EQ(shell.Execute(ShellOwner::MainWindow, "", "C:\\nothing.txt", "", "", kShowNormal), 2);
  EXPECT_GT(shell.Execute(ShellOwner::MainWindow, "", "C:\\Docs", "", "", kShowNormal), 32);
  std::vector<std::string> lines = machine.journal().Lines();
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[0],
            "ShellExecute desktop open SW_SHOWMAXIMIZED \"C:\\Docs\\readme.txt\" params=\"\" dir=\"\" -> recorded "
            "\"C:\\Docs\\readme.txt\"");
  EXPECT_EQ(lines[1],
            "ShellExecute desktop open SW_HIDE \"go.bat\" params=\"\" dir=\"C:\\Docs\" -> exit 0 "
            "\"C:\\Docs\\go.bat\"");
  EXPECT_EQ(lines[2],
            "ShellExecute main (default) SW_SHOWNORMAL \"C:\\nothing.txt\" params=\"\" dir=\"\" -> not found");
  EXPECT_TRUE(machine.fs().FileExists("C:\\Docs\\went"));  // the script ran in the folder it was given
}

TEST_F(SandboxPlatformTest, RestartsAreJournalled) {
  EXPECT_TRUE(machine.processes().SetPrivilege("SeShutdownPrivilege", true));
  EXPECT_FALSE(machine.processes().SetPrivilege("SeNoSuchPrivilege", true));
  EXPECT_TRUE(machine.processes().Shutdown(kEwxReboot));
  EXPECT_EQ(machine.journal().Lines().back(), "ExitWindowsEx 0x00000002 EWX_REBOOT -> started");
  ScratchDir other;
  SandboxPlatform refusing(other.path(), SandboxOptions{{}, true, false, false, {}});
  EXPECT_FALSE(refusing.processes().Shutdown(kEwxShutdown | kEwxForce));
  EXPECT_EQ(refusing.journal().Lines().back(), "ExitWindowsEx 0x00000005 EWX_SHUTDOWN|EWX_FORCE -> refused");
}

TEST(SandboxMachine, MediaMountedFromTheOptions) {
  ScratchDir root, medium;
  test::WriteFileBytes(medium.path() / "SETUP.EXE", test::Bytes("MZ"));
  SandboxPlatform machine(root.path(), SandboxOptions{{{'a', medium.path()}}, true, true, false, {}});
  EXPECT_TRUE(machine.fs().FileExists("A:\\setup.exe"));
  EXPECT_EQ(machine.fs().GetAttributes("A:\\setup.exe") & faReadOnly, faReadOnly);
  EXPECT_FALSE(machine.fs().DeleteFile("A:\\setup.exe"));
}

TEST_F(SandboxPlatformTest, IconIndexesComeFromAStableList) {
  Put("C:\\a.txt", "");
  Put("C:\\b.TXT", "");
  Put("C:\\c.doc", "");
  Put("C:\\d.exe", "");
  Shell& shell = machine.shell();
  EXPECT_EQ(shell.FileIconIndex("C:\\WINDOWS"), 3);
  EXPECT_EQ(shell.FileIconIndex("C:\\"), 8);
  EXPECT_EQ(shell.FileIconIndex("C:\\d.exe"), 2);
  EXPECT_EQ(shell.FileIconIndex("C:\\a.txt"), 1);
  EXPECT_EQ(shell.FileIconIndex("C:\\c.doc"), 40);
  EXPECT_EQ(shell.FileIconIndex("C:\\b.TXT"), 1);
  EXPECT_EQ(shell.FileIconIndex("C:\\missing.txt"), 0);
}

}  // namespace
}  // namespace vurerode::platform::sandbox
