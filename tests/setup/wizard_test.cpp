// The wizard driven as a user drives it: buttons, ticks and the destination box; pages, buttons,
// list rows and summary lines checked.
#include "setup_fixture.h"
#include "shell/shell_folders.h"

namespace vurerode::setup::test {
namespace {

class WizardTest : public SetupTest {
 protected:
  TDisplayScreen& StartWith(const std::string& setupLines, bool licence = true, const std::string& shortcuts = "") {
    TestApp app;
    app.files["bin\\acme.exe"] = "program";
    app.files["bin\\tool.exe"] = "tool";
    if (licence) app.files["LICENSE.TXT"] = "Licence line 1\r\nLicence line 2\r\n";
    app.project = "[Setup]\nTitle = Acme 1.0\n" + setupLines + "\n[Shortcuts]\n" + shortcuts;
    BuildMedia(app);
    return Start();
  }
  // Runs one click per letter: N next, B back, A accept, D decline, C cancel.
  static void Click(TDisplayScreen& s, char c) {
    switch (c) {
      case 'N': s.Next1Click(); break;
      case 'B': s.Back1Click(); break;
      case 'A': s.acceptClick(); break;
      case 'D': s.declineClick(); break;
      case 'C': s.Cancel1Click(); break;
    }
  }
  // The buttons a user sees: letters of the visible ones, in the bar's order.
  static std::string Visible(const TDisplayScreen& s) {
    std::string v;
    if (!s.ButtonBarVisible) return v;
    if (s.decline.Visible) v += 'D';
    if (s.Accept.Visible) v += 'A';
    if (s.BackButton.Visible) v += 'B';
    if (s.NextButton.Visible) v += 'N';
    return v;
  }
};

TEST_F(WizardTest, PagesAndButtonsFollowTheClicks) {
  const struct {
    const char* name;
    const char* setup;
    bool licence;
    const char* clicks;
    // After the start and after each click: page and visible buttons, as "page:buttons".
    std::vector<std::string> states;
  } cases[] = {
      {"licence first", "", true, "ANNBB", {"1:DA", "2:BN", "3:BN", "4:BN", "3:BN", "2:BN"}},
      {"no licence: the destination page, and Back lands on it again", "", false, "BN", {"2:BN", "2:N", "3:BN"}},
      {"welcome first", "ReStart Option = 1", true, "NBNA", {"0:N", "1:DAB", "0:N", "1:DAB", "2:BN"}},
      {"no folder page", "Display Desktop Options = 0", true, "ANB", {"1:DA", "2:BN", "4:BN", "2:BN"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    NewMachine();
    TDisplayScreen& s = StartWith(c.setup, c.licence);
    std::vector<std::string> states{std::to_string(s.PageIndex) + ":" + Visible(s)};
    for (const char* k = c.clicks; *k; ++k) {
      Click(s, *k);
      states.push_back(std::to_string(s.PageIndex) + ":" + Visible(s));
    }
    EXPECT_EQ(states, c.states);
    EXPECT_EQ(s.NextButton.Caption, s.PageIndex == kPageReady ? "&Install" : "&Next >>");
    EXPECT_FALSE(s.Closed);
  }
}

TEST_F(WizardTest, DeclineAndCancelEndTheRunAndRemoveTheExpandedFiles) {
  for (char k : {'D', 'C'}) {
    NewMachine();
    TDisplayScreen& s = StartWith("");
    const std::string expanded = s.Globals.ExpandDir;
    ASSERT_TRUE(Machine().fs().DirectoryExists(expanded));
    Click(s, k);
    EXPECT_TRUE(s.Closed);
    EXPECT_EQ(s.Outcome, k == 'D' ? TSetupOutcome::Declined : TSetupOutcome::Cancelled);
    s.Destroy();
    EXPECT_FALSE(Machine().fs().DirectoryExists(expanded));
    EXPECT_FALSE(Machine().fs().DirectoryExists("C:\\Program Files\\Acme 1.0"));
  }
}

TEST_F(WizardTest, ShortcutRowsAndSummary) {
  TDisplayScreen& s = StartWith("", true,
                                "Acme = bin\\acme.exe, Acme, start menu + quick launch\n"
                                "Tool = bin\\tool.exe, Acme\\Tools, desktop\n");
  s.acceptClick();
  s.AddFolderToStartMenu.Checked = s.AddFolderToDesktop.Checked = true;
  s.Next1Click();
  std::vector<std::string> rows;
  for (const TListRow& r : s.ShortcutList.Items) rows.push_back(r.Caption + "/" + r.Where + (r.Checked ? "/x" : ""));
  EXPECT_EQ(rows, (std::vector<std::string>{"Acme/StartMenu/x", "Acme/Desktop", "Acme/Quick Launch/x", "Tool/StartMenu",
                                            "Tool/Desktop/x", "Tool/Quick Launch"}));
  EXPECT_TRUE(s.ShortcutList.CheckBoxes);
  s.SetRowChecked(1, true);
  s.Next1Click();
  EXPECT_EQ(s.SummaryMemo,
            (std::vector<std::string>{"Install To: C:\\Program Files\\Acme 1.0\\", "", "Folders:", "Acme: Acme",
                                      "Acme Desktop : Acme", "Acme StartMenu : Acme", "Acme\\Tools: Tool",
                                      "Acme\\Tools Desktop : Tool", "Acme\\Tools StartMenu : Tool"}));
  // Going back to the destination and forward again resets the ticks to the defaults.
  s.Back1Click();
  s.Back1Click();
  s.Next1Click();
  EXPECT_FALSE(s.ShortcutList.Items[1].Checked);
}

TEST_F(WizardTest, EachFolderBoxPutsTheProgramFolderWhereItSays) {
  struct Row {
    bool startMenu, desktop;
  };
  for (const Row& row : {Row{true, false}, Row{false, true}}) {
    SCOPED_TRACE(row.startMenu ? "Start menu box alone" : "Desktop box alone");
    NewMachine();
    fs::remove_all(Root());
    TDisplayScreen& s = StartWith("", true, "Acme = bin\\acme.exe, Acme, start menu\n");
    s.acceptClick();
    s.Next1Click();
    s.AddFolderToStartMenu.Checked = row.startMenu;
    s.AddFolderToDesktop.Checked = row.desktop;
    s.Next1Click();
    s.Next1Click();
    ASSERT_EQ(s.PageIndex, kPageFinished) << s.FailureMessage;
    EXPECT_EQ(Machine().fs().FileExists(GetShellFolder(Machine(), kShellStartMenu) + "Acme\\Acme.lnk"), row.startMenu);
    EXPECT_EQ(Machine().fs().FileExists(GetShellFolder(Machine(), kShellDesktop) + "Acme\\Acme.lnk"), row.desktop);
  }
}

TEST_F(WizardTest, SharedFoldersAndRelativePathsAreRefusedAsDestination) {
  TDisplayScreen& s = StartWith("");
  s.acceptClick();
  for (const char* dir : {"C:\\", "C:\\Program Files", "c:\\program files\\", "C:\\WINDOWS", "C:\\WINDOWS\\System32\\",
                          "C:\\WINDOWS\\Desktop", "C:\\WINDOWS\\Start Menu\\Programs", "Acme", "Q:\\Acme"}) {
    view.messages.clear();
    s.Main_Dir = dir;
    s.Next1Click();
    EXPECT_EQ(s.PageIndex, kPageDestination) << dir;
    EXPECT_EQ(view.messages.size(), 1u) << dir;
  }
  s.Main_DirAfterDialog("C:\\Apps");
  EXPECT_EQ(s.Main_Dir, "C:\\Apps\\");
  s.Next1Click();
  EXPECT_EQ(s.PageIndex, kPageShortcuts);
}

}  // namespace
}  // namespace vurerode::setup::test
