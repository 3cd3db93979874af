#include "shell/shortcuts.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "../platform/peer.h"
#include "platform/exception.h"
#include "platform/file_search.h"
#include "shell_test_support.h"

namespace vurerode {
namespace {

const std::string kDesktop = "C:\\WINDOWS\\Desktop\\";
const std::string kPrograms = "C:\\WINDOWS\\Start Menu\\Programs\\";
const std::string kStartMenu = "C:\\WINDOWS\\Start Menu\\";
const std::string kQuickLaunch = "C:\\WINDOWS\\Application Data\\Microsoft\\Internet Explorer\\Quick Launch\\";

// Every .lnk file on drive C:, as full paths.
std::vector<std::string> Links(platform::FileSystem& fs, const std::string& dir = "C:\\") {
  std::vector<std::string> out;
  platform::TFileSearch search(fs, dir + "*.*", platform::faAnyFile);
  platform::TSearchRec rec;
  while (search.Next(rec)) {
    if (rec.Name == "." || rec.Name == "..") continue;
    if (rec.Attr & platform::faDirectory) {
      auto inner = Links(fs, dir + rec.Name + "\\");
      out.insert(out.end(), inner.begin(), inner.end());
    } else if (rec.Name.size() > 4 && rec.Name.substr(rec.Name.size() - 4) == ".lnk") {
      out.push_back(dir + rec.Name);
    }
  }
  std::sort(out.begin(), out.end());
  return out;
}

class ShortcutsTest : public ::testing::Test {
 protected:
  test::Machine m;
  TShortcuts DesktopProp{m.platform};
  void SetUp() override {
    DesktopProp.RunProgram = "C:\\Program Files\\Acme\\acme.exe";
    DesktopProp.ProgramName = "Acme";
    DesktopProp.Folder = "Acme Tools";
  }
};

TEST_F(ShortcutsTest, WithoutGroupFlagsTheGroupGoesIntoProgramsWithNestedFolders) {
  DesktopProp.Folder = "Tools\\Extra";
  DesktopProp.CreateShortcut();
  EXPECT_TRUE(m.fs().DirectoryExists(kPrograms + "Tools\\Extra"));
  EXPECT_EQ(Links(m.fs()), (std::vector<std::string>{kPrograms + "Tools\\Extra\\Acme.lnk"}));
}

TEST_F(ShortcutsTest, FolderDesktopAlsoPutsTheGroupIntoPrograms) {
  DesktopProp.FolderDesktop = true;
  DesktopProp.CreateShortcut();
  EXPECT_EQ(Links(m.fs()),
            (std::vector<std::string>{kDesktop + "Acme Tools\\Acme.lnk", kPrograms + "Acme Tools\\Acme.lnk"}));
}

TEST_F(ShortcutsTest, FolderStartMenuAloneMakesOneGroup) {
  DesktopProp.FolderStartMenu = true;
  DesktopProp.CreateShortcut();
  EXPECT_EQ(Links(m.fs()), (std::vector<std::string>{kStartMenu + "Acme Tools\\Acme.lnk"}));
}

TEST_F(ShortcutsTest, DirectShortcutsBesideAGroup) {
  DesktopProp.FolderStartMenu = true;
  DesktopProp.Desktop = DesktopProp.StartMenu = DesktopProp.QuickLaunch = true;
  DesktopProp.CreateShortcut();
  EXPECT_EQ(Links(m.fs()), (std::vector<std::string>{kQuickLaunch + "Acme.lnk", kDesktop + "Acme.lnk",
                                                     kStartMenu + "Acme Tools\\Acme.lnk", kStartMenu + "Acme.lnk"}));
}

TEST_F(ShortcutsTest, QuickLaunchGroupAndMissingFoldersForDirectShortcuts) {
  ASSERT_TRUE(m.fs().RemoveDirectory(kQuickLaunch));
  DesktopProp.QuickLaunch = true;  // the folder is gone: silently not written
  DesktopProp.CreateShortcut();
  EXPECT_EQ(Links(m.fs()), (std::vector<std::string>{kPrograms + "Acme Tools\\Acme.lnk"}));
  DesktopProp.QuickLaunch = false;
  DesktopProp.FolderQuickLaunch = true;  // a group folder is made, with its parents
  DesktopProp.CreateShortcut();
  EXPECT_TRUE(m.fs().FileExists(kQuickLaunch + "Acme Tools\\Acme.lnk"));
}

TEST_F(ShortcutsTest, AGroupFolderThatCannotBeMadeStopsTheRest) {
  m.Put(kDesktop + "Acme Tools", "a file where the group folder should go");
  DesktopProp.FolderDesktop = true;
  DesktopProp.Desktop = true;
  EXPECT_THROW(DesktopProp.CreateShortcut(), Exception);
  EXPECT_TRUE(Links(m.fs()).empty());
}

TEST_F(ShortcutsTest, TheLinkPointsAtTheProgramAndItsFolder) {
  DesktopProp.IconFile = "C:\\Program Files\\Acme\\acme.ico";
  DesktopProp.Desktop = true;
  DesktopProp.CreateShortcut();
  auto host = m.platform.files().ToHostPath(kDesktop + "Acme.lnk");
  auto report = test::RunHostTool("/usr/bin/lnkinfo", {test::HostToolPath(host)});
  if (!report) GTEST_SKIP() << "lnkinfo is not installed";
  EXPECT_EQ(test::LnkinfoField(*report, "Local path"), "C:\\Program Files\\Acme\\acme.exe");
  EXPECT_EQ(test::LnkinfoField(*report, "Working directory"), "C:\\Program Files\\Acme\\");
  EXPECT_EQ(test::LnkinfoField(*report, "Icon location"), "C:\\Program Files\\Acme\\acme.ico");
}

TEST(ShortcutsFolderList, ListsFoldersAndFilesButNoShortcuts) {
  test::Machine m;
  m.MakeDirs({kPrograms + "Accessories", kPrograms + "Games", kPrograms + ".hidden"});
  m.Put(kPrograms + "MS-DOS Prompt.pif", "");
  m.Put(kPrograms + "Explorer.lnk", "");
  m.Put(kPrograms + "OLD.LNK", "");
  m.Put(kPrograms + "notes.lnk.txt", "");
  TShortcuts DesktopProp(m.platform);
  EXPECT_EQ(DesktopProp.FolderList, (std::vector<std::string>{"Accessories", "Games", "MS-DOS Prompt.pif", "StartUp"}));
  m.fs().CreateDirectory(kPrograms + "Zeta");
  DesktopProp.RefreshFolderList();
  EXPECT_EQ(DesktopProp.FolderList.back(), "Zeta");
}

}  // namespace
}  // namespace vurerode
