// Runs that need administrator rights they lack: setup started by a user whose process is not
// elevated starts itself once more elevated (on the sandbox, the console entry point again, on a
// machine over the same folder with the rights), passes its arguments on and ends with that run's
// status; a declined prompt ends it with 2 and nothing changed.
#include "setup_fixture.h"
#include "tools/rehearsal.h"
#include "ui/console/console_options.h"
#include "ui/console/console_run.h"
#include "ui/console/console_view.h"

namespace vurerode::setup::test {
namespace {

class ElevationTest : public SetupTest {
 protected:
  struct Start {
    std::vector<std::string> args;
    std::string directory;
  };

  // Runs setup through the console entry point on a machine whose user is an administrator or not;
  // an elevated start the user agrees to (when agree) runs the same entry point as administrator.
  int Run(const std::vector<std::string>& args, bool administrator, bool agree = true, const std::string& typed = "",
          const std::string& dir = "A:\\") {
    platform::sandbox::SandboxOptions o;
    o.localMachineWritable = o.administrator = administrator;
    if (agree)
      o.elevatedStart = [this](const std::vector<std::string>& a, const std::string& d) {
        starts.push_back({a, d});
        if (starts.size() > 1) return 99;  // a second elevated start would loop
        platform::sandbox::SandboxOptions elevated;
        elevated.mounts.push_back({'A', Media(), true});
        elevated.elevatedStart = [this](const std::vector<std::string>& again, const std::string& d2) {
          starts.push_back({again, d2});
          return 99;
        };
        platform::sandbox::SandboxPlatform machine(Root(), elevated);
        return RunOn(machine, a, childTyped, d);
      };
    NewMachine();
    return RunOn(Machine(o), args, typed, dir);
  }
  int RunOn(platform::Platform& machine, const std::vector<std::string>& args, const std::string& typed,
            const std::string& dir) {
    const console::ConsoleOptions o = console::ParseConsoleOptions(args);
    console::StringIn in(typed);
    console::ConsoleView v(in, out, out, o.silent, nullptr);
    machine.fs().ChangeDirectory(dir);
    return console::RunSetup(machine, v, o, out, nullptr, {std::chrono::milliseconds(0), {}, "A:\\setup.exe"});
  }
  void Build(const std::string& setup) {
    TestApp app;
    app.files["bin\\acme.exe"] = "program";
    app.files["LICENSE.TXT"] = "Be nice.\r\n";
    app.project = "[Setup]\nTitle = Acme 1.0\nMain Directory = Acme\n" + setup;
    BuildMedia(app);
  }
  bool InstalledFor(TInstallScope scope) {
    return fs::exists(Host(scope == TInstallScope::Machine
                               ? "C:\\Program Files\\Acme\\bin\\acme.exe"
                               : "C:\\Users\\User\\AppData\\Local\\Programs\\Acme\\bin\\acme.exe"));
  }

  std::vector<Start> starts;
  std::string childTyped;
  console::StringOut out;
};

TEST_F(ElevationTest, AnInstallationAsksForTheRightsExactlyWhenItNeedsThem) {
  const struct {
    const char* name;
    const char* setup;
    std::vector<std::string> args;
    bool administrator;
    const char* typed;  // interactive answers of the first run (the elevated one runs /SILENT or gets "a\n\n\ni\n\n")
    std::vector<std::string> elevatedArgs;  // empty: no elevated start
    std::optional<TInstallScope> installed;
  } cases[] = {
      {"machine-wide without the rights",
       "",
       {"/SILENT", "/DIR=C:\\Program Files\\Acme"},
       false,
       "",
       {"/SILENT", "/DIR=C:\\Program Files\\Acme", "/ELEVATED"},
       TInstallScope::Machine},
      {"machine-wide as administrator", "", {"/SILENT"}, true, "", {}, TInstallScope::Machine},
      {"per-user media", "Scope = user\n", {"/SILENT"}, false, "", {}, TInstallScope::User},
      {"choose, unattended without a switch: for all users",
       "Scope = choose\n",
       {"/SILENT"},
       false,
       "",
       {"/SILENT", "/ELEVATED"},
       TInstallScope::Machine},
      {"choose with /CURRENTUSER", "Scope = choose\n", {"/CURRENTUSER", "/SILENT"}, false, "", {}, TInstallScope::User},
      {"choose with /ALLUSERS",
       "Scope = choose\n",
       {"/allusers", "/SILENT"},
       false,
       "",
       {"/allusers", "/SILENT", "/ELEVATED"},
       TInstallScope::Machine},
      {"the page's default without the rights: me only",
       "Scope = choose\n",
       {},
       false,
       "a\n\n\n\ni\n\n",
       {},
       TInstallScope::User},
      {"all users picked on the page",
       "Scope = choose\n",
       {},
       false,
       "a\n1\n\n",
       {"/ALLUSERS", "/ELEVATED"},
       TInstallScope::Machine},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove_all(Root());
    Build(c.setup);
    starts.clear();
    childTyped = "a\n\n\ni\n\n";
    EXPECT_EQ(Run(c.args, c.administrator, true, c.typed), 0) << out.str();
    ASSERT_EQ(starts.size(), c.elevatedArgs.empty() ? 0u : 1u) << out.str();
    if (!starts.empty()) {
      EXPECT_EQ(starts[0].args, c.elevatedArgs);
      EXPECT_EQ(starts[0].directory, "A:\\");
    }
    EXPECT_TRUE(InstalledFor(*c.installed)) << out.str();
    EXPECT_FALSE(InstalledFor(*c.installed == TInstallScope::Machine ? TInstallScope::User : TInstallScope::Machine));
  }
}

TEST_F(ElevationTest, ADeclinedPromptEndsWithTwoAndChangesNothing) {
  Build("");
  for (const bool silent : {true, false}) {
    SCOPED_TRACE(silent ? "unattended" : "interactive");
    Machine();
    const cli::MachineState before = cli::ReadMachineState(Root());
    EXPECT_EQ(Run(silent ? std::vector<std::string>{"/SILENT"} : std::vector<std::string>{}, false, false), 2);
    const std::string shown = out.str();
    EXPECT_NE(shown.find("administrator rights were declined; nothing was changed"), std::string::npos) << shown;
    // The box is for a user at the screen only.
    EXPECT_EQ(shown.find("Setup needs administrator rights") != std::string::npos, !silent) << shown;
    NewMachine();
    const cli::MachineState after = cli::ReadMachineState(Root());
    EXPECT_EQ(after.paths, before.paths);
    EXPECT_EQ(after.registryLines, before.registryLines);
    out.clear();
  }
  const std::vector<uint8_t> journal = vurerode::test::ReadFileBytes(Root() / "journal.log");
  EXPECT_NE(std::string(journal.begin(), journal.end()).find("-> declined"), std::string::npos);
}

// Should the elevated run still lack the rights, it goes on as any run does: it never starts another.
TEST_F(ElevationTest, TheElevatedRunNeverAsksAgain) {
  Build("");
  Run({"/SILENT", "/ELEVATED"}, false);
  EXPECT_TRUE(starts.empty()) << out.str();
  EXPECT_NE(out.str().find("Destination Directory: C:\\Program Files\\Acme"), std::string::npos) << out.str();
}

TEST_F(ElevationTest, ARemovalAsksOnlyForAMachineWideEntry) {
  for (const bool machineWide : {true, false}) {
    SCOPED_TRACE(machineWide ? "HKEY_LOCAL_MACHINE entry" : "HKEY_CURRENT_USER entry");
    fs::remove_all(Root());
    Build("Scope = choose\n");
    ASSERT_EQ(Run({"/SILENT", machineWide ? "/ALLUSERS" : "/CURRENTUSER"}, true), 0) << out.str();
    starts.clear();
    EXPECT_EQ(Run({"/SILENT", "Acme", "1.0"}, false, true, "", "C:\\"), 0) << out.str();
    ASSERT_EQ(starts.size(), machineWide ? 1u : 0u);
    if (machineWide) {
      EXPECT_EQ(starts[0].args, (std::vector<std::string>{"/SILENT", "Acme", "1.0", "/ELEVATED"}));
    }
    EXPECT_FALSE(InstalledFor(machineWide ? TInstallScope::Machine : TInstallScope::User)) << out.str();
  }
}

}  // namespace
}  // namespace vurerode::setup::test
