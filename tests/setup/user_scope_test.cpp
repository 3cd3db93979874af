// Installations for the current user only, on a sandbox machine with a user profile: the scope the
// media and the switches decide, where such an installation goes and what it must never touch.
#include "install/setup_transaction.h"
#include "setup_fixture.h"
#include "tools/rehearsal.h"
#include "ui/console/console_options.h"

namespace vurerode::setup::test {
namespace {

constexpr const char* kUserPrograms = "C:\\Users\\User\\AppData\\Local\\Programs\\";

TestApp Writer(const std::string& setup, const std::string& rest = {}) {
  TestApp app;
  app.files["writer.exe"] = "MZ writer";
  app.files["docs\\manual.txt"] = "manual\r\n";
  app.project = "[Setup]\nTitle = Acme Writer\nMain Directory = Acme\n" + setup +
                "[Shortcuts]\nAcme Writer = writer.exe, Acme, start menu + desktop\n"
                "[Registry]\nHKEY_AUTO\\Software\\Acme, Writer, Version, 2.0\n"
                "HKEY_CURRENT_USER\\Software\\Acme, Writer\\Recent, Max, 8\n" +
                rest;
  return app;
}

class UserScopeTest : public SetupTest {
 protected:
  // Installs with the wizard's defaults, asking for a scope as the switch would.
  TDisplayScreen& Install(std::optional<TInstallScope> requested) {
    session.RequestedScope = requested;
    TDisplayScreen& s = Start();
    InstallWithDefaults(s);
    return s;
  }
  cli::MachineState State() {
    Machine();  // laid out first
    return cli::ReadMachineState(Root());
  }
};

TEST_F(UserScopeTest, TheSwitchesChooseOnlyWhereTheMediaLeaveTheChoice) {
  const struct {
    const char* setting;  // the project's Scope line
    std::optional<TInstallScope> requested;
    const char* installedIn;  // empty: refused, naming the switch
    const char* refusal;
  } cases[] = {
      {"", std::nullopt, "C:\\Program Files\\Acme\\", ""},
      {"", TInstallScope::Machine, "C:\\Program Files\\Acme\\", ""},
      {"", TInstallScope::User, "", "/CURRENTUSER: this application installs for all users only"},
      {"Scope = user\n", std::nullopt, "C:\\Users\\User\\AppData\\Local\\Programs\\Acme\\", ""},
      {"Scope = user\n", TInstallScope::User, "C:\\Users\\User\\AppData\\Local\\Programs\\Acme\\", ""},
      {"Scope = User\n", TInstallScope::Machine, "", "/ALLUSERS: this application installs for the current user only"},
      {"Scope = choose\n", std::nullopt, "C:\\Program Files\\Acme\\", ""},
      {"Scope = choose\n", TInstallScope::Machine, "C:\\Program Files\\Acme\\", ""},
      {"Scope = choose\n", TInstallScope::User, "C:\\Users\\User\\AppData\\Local\\Programs\\Acme\\", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.setting) +
                 (c.requested ? (*c.requested == TInstallScope::User ? " /CURRENTUSER" : " /ALLUSERS") : ""));
    NewMachine();
    fs::remove_all(Root());
    BuildMedia(Writer(c.setting));
    const cli::MachineState before = State();
    session.RequestedScope = c.requested;
    if (*c.installedIn == '\0') {
      try {
        Start();
        ADD_FAILURE() << "the switch was accepted";
      } catch (const Exception& e) {
        EXPECT_NE(std::string(e.what()).find(c.refusal), std::string::npos) << e.what();
      }
      NewMachine();
      EXPECT_EQ(State().paths, before.paths);  // refused before anything changed
      continue;
    }
    TDisplayScreen& s = Install(c.requested);
    ASSERT_EQ(s.Outcome, TSetupOutcome::Installed) << s.FailureMessage;
    EXPECT_TRUE(fs::exists(Host(std::string(c.installedIn) + "writer.exe")));
  }
}

TEST_F(UserScopeTest, ConsoleSwitches) {
  const struct {
    std::vector<std::string> args;
    std::optional<TInstallScope> scope;
    bool refused;
  } cases[] = {
      {{"/SILENT"}, std::nullopt, false},
      {{"/CURRENTUSER"}, TInstallScope::User, false},
      {{"/allusers", "/SILENT"}, TInstallScope::Machine, false},
      {{"/ALLUSERS", "/ALLUSERS"}, TInstallScope::Machine, false},
      {{"/ALLUSERS", "/CURRENTUSER"}, std::nullopt, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args.front());
    if (c.refused) {
      EXPECT_THROW(console::ParseConsoleOptions(c.args), std::invalid_argument);
      continue;
    }
    const console::ConsoleOptions o = console::ParseConsoleOptions(c.args);
    EXPECT_EQ(o.scope, c.scope);
    EXPECT_TRUE(o.args.empty());
  }
}

// The rehearsal as a user without administrator rights would run it: installed into the user's own
// programs folder, registered under HKEY_CURRENT_USER, nothing written outside the profile or under
// HKEY_LOCAL_MACHINE, and removed through that entry without a trace.
TEST_F(UserScopeTest, APerUserRoundTripStaysInTheProfileAndLeavesNothing) {
  BuildMedia(Writer("Scope = choose\n"));
  const cli::MachineState before = State();
  NewMachine();
  std::ostringstream out;
  cli::RehearsalOptions options;
  options.currentUser = true;
  const cli::RehearsalResult r = cli::Rehearse(Media(), Root(), out, options);
  EXPECT_TRUE(r.installed && r.removed) << out.str();
  EXPECT_TRUE(r.outsideUser.empty()) << out.str();
  EXPECT_TRUE(r.leftOver.empty()) << out.str();
  // The removal too: its cleanup batch stays in the user's own Temp.
  EXPECT_EQ(cli::WrittenOutsideUser(before, State()), std::vector<std::string>{});
  const std::string report = out.str();
  for (const std::string& shown :
       {std::string("file      ") + kUserPrograms + "Acme\\writer.exe",
        std::string("shortcut  C:\\Users\\User\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs\\Acme\\"),
        std::string("shortcut  C:\\Users\\User\\Desktop\\Acme Writer.lnk"),
        std::string("registry  HKEY_CURRENT_USER\\Software\\Acme\\Writer Version=2.0"),
        std::string("uninstall entry HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\currentversion\\uninstall\\Acme "
                    "Writer")})
    EXPECT_NE(report.find(shown), std::string::npos) << shown << "\n" << report;
}

// The same media for every user: what the rehearsal's check catches (the machine's uninstall entry,
// Program Files, HKEY_AUTO as HKEY_LOCAL_MACHINE) is what a machine-wide installation writes.
TEST_F(UserScopeTest, AllUsersInstallsAsBefore) {
  BuildMedia(Writer("Scope = choose\n"));
  const cli::MachineState before = State();
  TDisplayScreen& s = Install(TInstallScope::Machine);
  ASSERT_EQ(s.Outcome, TSetupOutcome::Installed) << s.FailureMessage;
  NewMachine();
  const std::vector<std::string> outside = cli::WrittenOutsideUser(before, State());
  auto has = [&](const std::string& text) {
    for (const std::string& o : outside)
      if (o.find(text) != std::string::npos) return true;
    return false;
  };
  EXPECT_TRUE(has("C:\\Program Files\\Acme\\writer.exe"));
  EXPECT_TRUE(has("C:\\WINDOWS\\Start Menu\\Programs\\Acme\\Acme Writer.lnk"));
  EXPECT_TRUE(has("[HKEY_LOCAL_MACHINE\\Software\\Acme\\Writer]"));
  EXPECT_TRUE(has("[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Acme Writer]"));
}

// Media for the current user only cannot be built with such entries; media whose users choose can,
// and setup refuses them when /CURRENTUSER asks for the current user.
TEST_F(UserScopeTest, EntriesEveryUserSharesAreRefusedBeforeAnythingChanges) {
  const struct {
    const char* rest;
    const char* named;
  } cases[] = {
      {"HKEY_LOCAL_MACHINE\\Software\\Acme, Shared, Path, x\n", "HKEY_LOCAL_MACHINE\\Software\\Acme,Shared,Path,x"},
      {"[INI Files]\nacme.ini, Options, Path, x\n", "acme.ini"},
      {"[Files]\ndocs\\manual.txt = System\n", "System"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.rest);
    NewMachine();
    fs::remove_all(Root());
    BuildMedia(Writer("Scope = choose\n", c.rest));
    const cli::MachineState before = State();
    TDisplayScreen& s = Install(TInstallScope::User);
    EXPECT_EQ(s.Outcome, TSetupOutcome::Failed);
    EXPECT_NE(s.FailureMessage.find(c.named), std::string::npos) << s.FailureMessage;
    EXPECT_NE(s.FailureMessage.find("for the current user only"), std::string::npos) << s.FailureMessage;
    NewMachine();
    const cli::MachineState after = State();
    EXPECT_EQ(after.paths, before.paths);
    EXPECT_EQ(after.registryLines, before.registryLines);
  }
}

// A per-user installation killed half way leaves its journal in the user's own folder; the next
// setup finds it there and undoes it.
TEST_F(UserScopeTest, AnInterruptedPerUserInstallationIsUndoneFromTheUsersJournal) {
  platform::sandbox::SandboxPlatform& machine = Machine();
  const std::string base = "C:\\Users\\User\\AppData\\Local\\";
  {
    TSetupTransaction tx(machine, base);
    ASSERT_EQ(tx.platform().fs().CreateDirectory(base + "Acme"), 0);
  }  // not committed: as if killed
  EXPECT_TRUE(machine.fs().FileExists(base + "Vurerode\\Journal\\setup.journal"));
  EXPECT_FALSE(machine.fs().DirectoryExists("C:\\WINDOWS\\Vurerode"));
  const TRecoveryResult found = RecoverInterruptedSetup(machine);
  EXPECT_TRUE(found.RolledBack);
  EXPECT_FALSE(machine.fs().DirectoryExists(base + "Acme"));
  EXPECT_FALSE(machine.fs().DirectoryExists(base + "Vurerode"));
}

}  // namespace
}  // namespace vurerode::setup::test
