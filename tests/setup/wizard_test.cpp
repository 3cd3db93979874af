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

// Scope = choose without a switch asks on a page of its own between the licence and the destination,
// starting on what the user can do without asking for rights; a switch, unattended runs and media
// with a fixed scope skip it.
TEST_F(WizardTest, TheScopePageAppearsOnlyWhenTheChoiceIsLeftToTheUser) {
  const struct {
    const char* name;
    const char* setup;
    std::optional<TInstallScope> requested;
    bool unattended, administrator, licence;
    const char* clicks;
    std::vector<std::string> states;  // "page:buttons", as above
    bool allUsersFirst;               // the page's choice at the start
  } cases[] = {
      {"choose",
       "Scope = choose",
       std::nullopt,
       false,
       true,
       true,
       "ANBB",
       {"1:DA", "8:BN", "2:BN", "8:BN", "1:DA"},
       true},
      {"choose without the rights",
       "Scope = choose",
       std::nullopt,
       false,
       false,
       true,
       "AN",
       {"1:DA", "8:BN", "2:BN"},
       false},
      {"choose, no licence: the page comes first",
       "Scope = choose",
       std::nullopt,
       false,
       true,
       false,
       "NB",
       {"8:N", "2:BN", "8:N"},
       true},
      {"choose with /ALLUSERS",
       "Scope = choose",
       TInstallScope::Machine,
       false,
       true,
       true,
       "A",
       {"1:DA", "2:BN"},
       true},
      {"choose with /CURRENTUSER",
       "Scope = choose",
       TInstallScope::User,
       false,
       true,
       true,
       "A",
       {"1:DA", "2:BN"},
       false},
      {"choose, unattended", "Scope = choose", std::nullopt, true, true, true, "A", {"1:DA", "2:BN"}, true},
      {"machine", "Scope = machine", std::nullopt, false, true, true, "A", {"1:DA", "2:BN"}, true},
      {"user", "Scope = user", std::nullopt, false, false, true, "A", {"1:DA", "2:BN"}, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    NewMachine();
    platform::sandbox::SandboxOptions o;
    o.localMachineWritable = o.administrator = c.administrator;
    Machine(o);
    session.RequestedScope = c.requested;
    session.Unattended = c.unattended;
    TDisplayScreen& s = StartWith(c.setup, c.licence);
    std::vector<std::string> states{std::to_string(s.PageIndex) + ":" + Visible(s)};
    for (const char* k = c.clicks; *k; ++k) {
      Click(s, *k);
      states.push_back(std::to_string(s.PageIndex) + ":" + Visible(s));
    }
    EXPECT_EQ(states, c.states);
    EXPECT_EQ(s.AllUsersOption.Checked, c.allUsersFirst);
    EXPECT_NE(s.AllUsersOption.Checked, s.CurrentUserOption.Checked);
    EXPECT_FALSE(s.Closed);
  }
}

// An administrator who picks "me only" gets the user's own folders: the destination follows the choice.
TEST_F(WizardTest, TheScopePicksTheDestination) {
  TDisplayScreen& s = StartWith("Scope = choose");
  s.acceptClick();
  ASSERT_EQ(s.PageIndex, kPageScope);
  s.SelectScopeChoice(s.CurrentUserOption);
  s.Next1Click();
  EXPECT_EQ(s.Main_Dir, "C:\\Users\\User\\AppData\\Local\\Programs\\Acme 1.0\\");
  InstallWithDefaults(s);
  EXPECT_EQ(s.Outcome, TSetupOutcome::Installed) << s.FailureMessage;
  EXPECT_TRUE(Machine().fs().FileExists("C:\\Users\\User\\AppData\\Local\\Programs\\Acme 1.0\\bin\\acme.exe"));
  EXPECT_FALSE(Machine().fs().DirectoryExists("C:\\Program Files\\Acme 1.0"));
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

// A transaction that changes the machine directly and writes down what the run asked of it, and
// when: Finish notes whether the expansion folder was gone by then.
struct RecordingTransaction : TInstallTransaction {
  RecordingTransaction(platform::Platform& machine, std::vector<std::string>& calls, bool commitFails)
      : machine(machine), calls(calls), commitFails(commitFails) {}
  platform::Platform& platform() override { return machine; }
  void NoteTemporaryFolder(const std::string& dir) override {
    folder = dir;
    calls.push_back(std::string("note ") + (machine.fs().DirectoryExists(dir) ? "made" : "missing"));
  }
  void Commit() override {
    calls.push_back("commit");
    if (commitFails) throw std::runtime_error("the journal could not be written");
  }
  void Finish() override { calls.push_back(machine.fs().DirectoryExists(folder) ? "finish early" : "finish"); }
  std::vector<std::string> RollBack() override {
    calls.push_back("roll back");
    return {};
  }
  platform::Platform& machine;
  std::vector<std::string>& calls;
  bool commitFails;
  std::string folder;
};

TEST_F(WizardTest, TheInstallationIsCommittedOrUndoneAsTheRunEnds) {
  const struct {
    const char* name;
    const char* clicks;  // as Click; I: Install on the ready page, then the page's Cancel while it runs
    bool cancelOnInstallPage;
    bool commitFails;
    TSetupOutcome outcome;
    int status;
    std::vector<std::string> calls;
    const char* message;  // the last message's start; empty: none
  } cases[] = {
      {"installed", "ANNN", false, false, TSetupOutcome::Installed, 0, {"begin", "note made", "commit", "finish"}, ""},
      {"declined", "D", false, false, TSetupOutcome::Declined, 2, {"begin", "note made", "roll back"}, ""},
      {"cancelled in the wizard",
       "AC",
       false,
       false,
       TSetupOutcome::Cancelled,
       2,
       {"begin", "note made", "roll back"},
       ""},
      {"cancelled on the install page",
       "ANNN",
       true,
       false,
       TSetupOutcome::Cancelled,
       2,
       {"begin", "note made", "roll back"},
       "Setup was cancelled.\n\nNothing was changed on this computer"},
      {"the commit fails",
       "ANNN",
       false,
       true,
       TSetupOutcome::Failed,
       1,
       {"begin", "note made", "commit", "roll back"},
       "the journal could not be written\n\nNothing was changed"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    NewMachine();
    std::vector<std::string> calls;
    session.Link.Begin = [&](platform::Platform& machine, TInstallScope) -> std::unique_ptr<TInstallTransaction> {
      calls.push_back("begin");
      return std::make_unique<RecordingTransaction>(machine, calls, c.commitFails);
    };
    bool cancelShown = false;
    view.messages.clear();
    view.onProcessMessages = [&] {
      if (!c.cancelOnInstallPage || !screen_ || screen_->PageIndex != kPageInstall) return;
      cancelShown = screen_->InstallCancelButton.Visible && screen_->InstallCancelButton.Enabled;
      screen_->InstallCancelClick();
    };
    TDisplayScreen& s = StartWith("");
    for (const char* k = c.clicks; *k; ++k) Click(s, *k);
    if (s.PageIndex == kPageFinished && !s.Closed) {
      EXPECT_FALSE(s.InstallCancelButton.Visible);
      s.FinishedClick();
    }
    s.Destroy();
    EXPECT_EQ(s.Outcome, c.outcome);
    EXPECT_EQ(ExitStatus(s.Outcome), c.status);
    EXPECT_EQ(calls, c.calls);
    EXPECT_EQ(cancelShown, c.cancelOnInstallPage);
    if (*c.message) {
      ASSERT_FALSE(view.messages.empty());
      EXPECT_EQ(view.messages.back().rfind(c.message, 0), 0u) << view.messages.back();
    }
    view.onProcessMessages = nullptr;
  }
}

TEST_F(WizardTest, AnInterruptedInstallationFoundAtTheStartIsToldAndTheRunGoesOn) {
  const struct {
    TRecoveryReport found;
    const char* told;  // empty: nothing said
  } cases[] = {
      {{}, ""},
      {{true, "Acme 0.9", {}},
       "An earlier installation of \"Acme 0.9\" was interrupted before it ended. Setup has "
       "undone it: this computer is as it was before it."},
      {{true, "", {"C:\\Acme\\held.dll"}},
       "An earlier installation was interrupted before it ended. Setup has "
       "undone it, but could not restore:\nC:\\Acme\\held.dll"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.told);
    NewMachine();
    view.messages.clear();
    session.Link.Recover = [&](platform::Platform&) { return c.found; };
    TDisplayScreen& s = StartWith("");
    EXPECT_EQ(view.messages, *c.told ? std::vector<std::string>{c.told} : std::vector<std::string>{});
    InstallWithDefaults(s);
    EXPECT_EQ(s.Outcome, TSetupOutcome::Installed) << s.FailureMessage;
  }
}

}  // namespace
}  // namespace vurerode::setup::test
