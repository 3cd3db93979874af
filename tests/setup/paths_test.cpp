// Start-up paths, directory tokens and the pairs built from finstall.cfg entries.
#include <gtest/gtest.h>

#include "app/setup_paths.h"
#include "platform/exception.h"
#include "platform/sandbox/sandbox_platform.h"
#include "support/test_support.h"

namespace vurerode::setup {
namespace {

struct PathsTest : ::testing::Test {
  vurerode::test::ScratchDir dir;
  platform::sandbox::SandboxPlatform machine{dir.path()};
  const std::string mainDir = "C:\\Program Files\\Acme\\";
};

TEST_F(PathsTest, SubstitutePathTokensReplacesALeadingTokenAndKeepsEveryOtherPath) {
  const struct {
    const char* path;
    const char* expected;
  } cases[] = {
      {"<ProgramFiles>\\Acme\\a.exe", "C:\\Program Files\\Acme\\a.exe"},
      {"<Root>\\data", "C:\\data"},
      {"<InstallDir>\\bin\\a.exe", "C:\\Program Files\\Acme\\bin\\a.exe"},
      {"<Windows>\\System32\\x.dll", "C:\\WINDOWS\\System32\\x.dll"},
      {"<Windows>\\Fonts\\f.ttf", "C:\\WINDOWS\\Fonts\\f.ttf"},
      {"", "C:\\Program Files\\Acme\\"},
      // No token: an absolute path stays, a relative one is taken below the installation directory.
      {"D:\\Tools\\t.exe", "D:\\Tools\\t.exe"},
      {"\\\\server\\share\\t.exe", "\\\\server\\share\\t.exe"},
      {"plain.txt", "C:\\Program Files\\Acme\\plain.txt"},
      {"<windows>\\x", "C:\\Program Files\\Acme\\<windows>\\x"},
  };
  for (const auto& c : cases) EXPECT_EQ(SubstitutePathTokens(machine, mainDir, c.path), c.expected) << c.path;
}

TEST_F(PathsTest, BuildInstallFileListsPairsEachEntryWithItsDestination) {
  TSetupGlobals g;
  g.ExpandDir = "C:\\WINDOWS\\Temp\\lkst_090507\\";
  g.InstallFiles = {"Installation Directory,bin,C:\\Work\\App\\bin\\app.exe",
                    "System,C:\\Work\\x.dll",
                    "",
                    "Program Files\tAcme\tTools\tC:\\Src\\Tools\\t.exe",
                    "Installation Directory,Data,C:\\Src\\Data\\",
                    "Acme,Installation Directory,C:\\Src\\r.txt"};
  std::string dir = "C:\\Program Files\\Acme";  // the box's text gets its backslash
  BuildInstallFileLists(machine, g, dir);
  EXPECT_EQ(dir, mainDir);
  const std::vector<std::string> sources = {
      "C:\\WINDOWS\\Temp\\lkst_090507\\Work\\App\\bin\\app.exe", "C:\\WINDOWS\\Temp\\lkst_090507\\Work\\x.dll",
      "C:\\WINDOWS\\Temp\\lkst_090507\\Src\\Tools\\t.exe", "C:\\WINDOWS\\Temp\\lkst_090507\\Src\\Data\\",
      "C:\\WINDOWS\\Temp\\lkst_090507\\Src\\r.txt"};
  const std::vector<std::string> targets = {"C:\\Program Files\\Acme\\bin\\app.exe", "C:\\WINDOWS\\System\\x.dll",
                                            "C:\\Program Files\\Acme\\Tools\\t.exe", "C:\\Program Files\\Acme\\Data\\",
                                            "C:\\Program Files\\Acme\\r.txt"};
  EXPECT_EQ(g.InstallSources, sources);
  EXPECT_EQ(g.InstallTargets, targets);
}

TEST_F(PathsTest, InstallFileEntriesThatWouldLandOutsideTheirBaseAreRefused) {
  const struct {
    const char* entry;
    bool sound;
  } cases[] = {
      {"Installation Directory,bin,C:\\Src\\a.exe", true},
      {"Fonts,C:\\Src\\f.ttf", true},
      {"", true},
      {"C:\\Src\\a.exe", false},                            // no base directory
      {"Acme,C:\\Src\\a.exe", false},                       // a relative folder only
      {"Installation Directory,..,C:\\Src\\a.exe", false},  // climbs out of its base
      {"Windows,a\\..\\..,C:\\Src\\a.exe", false},
      {"Installation Directory,C:\\..\\..\\x\\a.exe", false},  // source outside the expanded files
      {"Installation Directory,C:\\Src\\..", false},
      {"Installation Directory,D:,C:\\Src\\a.exe", false},  // a drive as a folder
      {"Installation Directory,a.exe", false},              // not a full path
  };
  for (const auto& c : cases) EXPECT_EQ(CheckInstallFileEntry(c.entry).empty(), c.sound) << c.entry;
}

TEST_F(PathsTest, MakeTempPathsTakesANewExpansionDirectory) {
  TSetupGlobals g;
  MakeTempPaths(machine, g, "", [] { return std::string("090507"); });
  EXPECT_EQ(g.SourceDir, "C:\\");
  EXPECT_EQ(g.ExpandDir, "C:\\WINDOWS\\Temp\\lkst_090507\\");
  EXPECT_EQ(g.TempDir, "C:\\WINDOWS\\Temp\\");
  EXPECT_TRUE(machine.fs().DirectoryExists(g.ExpandDir));

  ASSERT_EQ(machine.fs().CreateDirectory("C:\\Media"), 0);
  MakeTempPaths(machine, g, "C:\\Media\\", [] { return std::string("000000"); });
  EXPECT_EQ(g.SourceDir, "C:\\Media\\");
  EXPECT_EQ(machine.fs().CurrentDirectory(), "C:\\Media");
  MakeTempPaths(machine, g, "C:\\Media\\setup", [] { return std::string("000000"); });
  EXPECT_EQ(g.SourceDir, "C:\\Media\\");  // a file-name part: not a source directory
  EXPECT_THROW(MakeTempPaths(machine, g, "C:\\Nowhere\\", [] { return std::string("000000"); }), EInOutError);

  g.UninstallMode = true;
  MakeTempPaths(machine, g, "", [] { return std::string("000000"); });
  EXPECT_EQ(g.ExpandDir, g.SourceDir);
  EXPECT_EQ(g.TempDir, g.SourceDir);
}

TEST_F(PathsTest, TheExpansionFolderIsMadeUnderANameNobodyHolds) {
  // Names taken before the run (a folder another setup made in the same second, or a file in the
  // way), and the folder the run must make then.
  const struct {
    std::vector<std::string> taken;
    const char* made;
  } cases[] = {
      {{}, "lkst_101010"},
      {{"lkst_101010\\"}, "lkst_101010_2"},
      {{"lkst_101010\\", "lkst_101010_2\\"}, "lkst_101010_3"},
      {{"lkst_101010"}, "lkst_101010_2"},  // a file of the name
      {{"lkst_101010_2\\"}, "lkst_101010"},
  };
  for (const auto& c : cases) {
    vurerode::test::ScratchDir scratch;
    platform::sandbox::SandboxPlatform fresh(scratch.path());
    const std::string temp = "C:\\WINDOWS\\Temp\\";
    ASSERT_TRUE(fresh.fs().DirectoryExists(temp));
    for (const std::string& name : c.taken) {
      if (name.back() == '\\')
        ASSERT_EQ(fresh.fs().CreateDirectory(temp + name), 0);
      else
        fresh.fs().CreateFile(temp + name)->Write("x", 1);
    }
    TSetupGlobals g;
    MakeTempPaths(fresh, g, "", [] { return std::string("101010"); });
    EXPECT_EQ(g.ExpandDir, temp + c.made + "\\") << c.made;
    EXPECT_TRUE(fresh.fs().DirectoryExists(g.ExpandDir)) << c.made;
    for (const std::string& name : c.taken)  // nothing that stood there was touched
      EXPECT_TRUE(name.back() == '\\' ? fresh.fs().DirectoryExists(temp + name) : fresh.fs().FileExists(temp + name));
  }
}

TEST_F(PathsTest, AnUninstallEntryOnTheCommandLineMovesIntoItsDirectory) {
  ASSERT_EQ(machine.fs().CreateDirectory("C:\\Apps"), 0);
  ASSERT_EQ(machine.fs().CreateDirectory("C:\\Apps\\Tool"), 0);
  ASSERT_EQ(machine.fs().CreateDirectory("C:\\Program Files\\My  Tool"), 0);
  const struct {
    const char* name;
    const char* command;  // the entry's UninstallString
    std::vector<std::string> args;
    const char* dir;
  } cases[] = {
      {"written by earlier versions, unquoted", "C:\\Apps\\Tool\\setup.exe My App", {"My", "App"}, "C:\\Apps\\Tool"},
      {"quoted, the title one argument",
       "\"C:\\Program Files\\My  Tool\\setup.exe\" \"My  App\"",
       {"My  App"},
       "C:\\Program Files\\My  Tool"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    machine.fs().ChangeDirectory("C:\\");
    const std::string title = JoinArguments(c.args);
    auto key = machine.registry().CreateKey(platform::RegistryRoot::LocalMachine,
                                            "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + title);
    key->WriteString("UninstallString", c.command);
    OpenUninstallKeyDirectory(machine, "Other App");
    EXPECT_EQ(machine.fs().CurrentDirectory(), "C:\\");
    OpenUninstallKeyDirectory(machine, title);
    EXPECT_EQ(machine.fs().CurrentDirectory(), c.dir);
  }
}

}  // namespace
}  // namespace vurerode::setup
