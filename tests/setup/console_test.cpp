// The console front end: the wizard walked as text with scripted answers, the switches, the record
// /LOG keeps, and the exit statuses.
#include <csignal>
#include <sstream>

#include "platform/text.h"
#include "setup_fixture.h"
#include "tools/rehearsal.h"
#include "ui/console/console_options.h"
#include "ui/console/console_run.h"
#include "ui/console/console_view.h"

namespace vurerode::setup::test {
namespace {

class ConsoleTest : public SetupTest {
 protected:
  // Runs setup from A:\ with the command line and the typed answers, as the setup program runs
  // it; returns the exit status.
  int Run(const std::vector<std::string>& commandLine, const std::string& typed = "") {
    return Run(Machine(), commandLine, typed);
  }
  int Run(platform::Platform& machine, const std::vector<std::string>& commandLine, const std::string& typed = "") {
    console::ConsoleOptions o = console::ParseConsoleOptions(commandLine);
    console::StringIn in(typed);
    out.clear();
    log.clear();
    std::unique_ptr<console::ConsoleView> v = makeView(in, o.silent);
    machine.fs().ChangeDirectory("A:\\");
    return console::RunSetup(machine, *v, o, out, &log, {std::chrono::milliseconds(0), {}, "A:\\setup.exe"});
  }
  std::function<std::unique_ptr<console::ConsoleView>(console::TextInput&, bool)> makeView =
      [this](console::TextInput& in, bool silent) {
        return std::make_unique<console::ConsoleView>(in, out, out, silent, &log);
      };
  void SetUp() override {
    TestApp app;
    app.files["LICENSE.TXT"] = "Be nice.\r\n";
    app.files["bin\\acme.exe"] = "program";
    app.project = "[Setup]\nTitle = Acme 1.0\n[Shortcuts]\nAcme = bin\\acme.exe, Acme, desktop\n";
    BuildMedia(app);
  }
  console::StringOut out, log;
};

TEST_F(ConsoleTest, SwitchesAreTakenOutOfTheArgumentsWithoutRegardToCase) {
  console::ConsoleOptions o =
      console::ParseConsoleOptions({"/silent", "My", "/Dir=D:\\Apps\\My App", "App", "/LOG=x.log", "--sandbox", "m"});
  EXPECT_TRUE(o.silent);
  EXPECT_EQ(*o.dir, "D:\\Apps\\My App");
  EXPECT_EQ(*o.log, "x.log");
  EXPECT_EQ(*o.sandboxRoot, "m");
  EXPECT_EQ(o.args, (std::vector<std::string>{"My", "App"}));
  for (std::vector<std::string> bad :
       {std::vector<std::string>{"/DIR="}, {"--sandbox"}, {"--media", "x"}, {"--quota", "C=1"}, {"--quota"}})
    EXPECT_THROW(console::ParseConsoleOptions(bad), std::invalid_argument);
  o = console::ParseConsoleOptions({"--sandbox", "m", "--quota", "c=1000", "--quota", "D=2K", "--quota", "C=5M"});
  EXPECT_EQ(o.quotas, (std::map<char, uint64_t>{{'C', 5u << 20}, {'D', 2048}}));  // the last one given counts
}

TEST(ConsoleQuota, ADriveAndItsSize) {
  const struct {
    const char* text;
    char drive;  // 0: refused
    uint64_t bytes;
  } cases[] = {
      {"C=0", 'C', 0},
      {"c=1048576", 'C', 1048576},
      {"D=64k", 'D', 65536},
      {"E=3M", 'E', 3u << 20},
      {"C=2G", 'C', uint64_t{2} << 30},
      {"C=18446744073709551615", 'C', 18446744073709551615u},
      {"C=18446744073709551616", 0, 0},  // one more than 64 bits hold
      {"C=17179869184G", 0, 0},          // the same through the suffix
      {"C=", 0, 0},
      {"C=M", 0, 0},
      {"C=-1", 0, 0},
      {"C=1.5M", 0, 0},
      {"C=10T", 0, 0},
      {"C:=10", 0, 0},
      {"1=10", 0, 0},
      {"CD=10", 0, 0},
      {"C", 0, 0},
  };
  for (const auto& c : cases) {
    if (!c.drive) {
      EXPECT_THROW(console::ParseDriveQuota(c.text), std::invalid_argument) << c.text;
      continue;
    }
    EXPECT_EQ(console::ParseDriveQuota(c.text), std::make_pair(c.drive, c.bytes)) << c.text;
  }
}

TEST_F(ConsoleTest, TheWizardAsTextWithScriptedAnswers) {
  const struct {
    const char* name;
    const char* typed;
    int status;
    const char* installedTo;  // empty: nothing installed
    bool desktopShortcut;
  } cases[] = {
      {"accept, a new destination, untick the desktop row, install, finish", "a\nC:\\Acme\nn\n2\nn\ni\n\n", 0,
       "C:\\Acme\\bin\\acme.exe", false},
      {"decline", "d\n", 2, "", false},
      {"cancel on the destination page", "a\nc\n", 2, "", false},
      {"the input ends: cancelled", "a\n", 2, "", false},
      {"a shared folder and a missing drive are refused, then a good one",
       "a\nC:\\WINDOWS\nn\n\nQ:\\Acme\nn\n\nC:\\Apps\\Acme\nn\nn\ni\n\n", 0, "C:\\Apps\\Acme\\bin\\acme.exe", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    NewMachine();
    EXPECT_EQ(Run({}, c.typed), c.status) << out.str();
    if (*c.installedTo) {
      EXPECT_TRUE(Machine().fs().FileExists(c.installedTo));
    }
    EXPECT_EQ(Machine().fs().FileExists("C:\\WINDOWS\\Desktop\\Acme.lnk"), c.desktopShortcut);
    EXPECT_FALSE(Machine().fs().DirectoryExists("C:\\Program Files\\Acme 1.0"));
  }
}

TEST_F(ConsoleTest, SilentRunsAskNothingAndLogWhatTheyWrite) {
  EXPECT_EQ(Run({"/SILENT", "/DIR=C:\\WINDOWS"}), 1);  // refused destination: the run fails
  EXPECT_NE(out.str().find("Setup cannot install into C:\\WINDOWS"), std::string::npos) << out.str();
  EXPECT_EQ(Run({"/SILENT", "/LOG=ignored", "/DIR=C:\\Apps\\Acme"}), 0) << out.str();
  const std::string record = log.str();
  for (const char* line :
       {"file: C:\\Apps\\Acme\\bin\\acme.exe", "shortcut: C:\\WINDOWS\\Desktop\\Acme.lnk -> ",
        "registry: HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\currentversion\\uninstall\\Acme 1.0",
        "step: Install Completed"})
    EXPECT_NE(record.find(line), std::string::npos) << line << "\n" << record;
  // Removed again, unattended, by the title; nothing is left to remove afterwards.
  EXPECT_EQ(Run({"Acme", "1.0", "/SILENT"}), 0) << out.str();
  EXPECT_FALSE(Machine().fs().FileExists("C:\\Apps\\Acme\\bin\\acme.exe"));
  EXPECT_NE(log.str().find("removed: C:\\Apps\\Acme\\bin\\acme.exe"), std::string::npos) << log.str();
}

// The terminal and the record carry the program's text as it is: UTF-8, whatever the script.
TEST_F(ConsoleTest, NamesOutsideAsciiReachTheTerminalAndTheLogAsUtf8) {
  const std::string title = "Café Ünïcödé 日本語", folder = "Lisez-moi 日本語", dir = "C:\\Descărcări\\日本語";
  TestApp app;
  app.files["LICENSE.TXT"] = "Be nice.\r\n";
  app.files["bin\\acme.exe"] = "program";
  app.project = "[Setup]\nTitle = " + title + "\nDesktop Folder = " + folder + "\n[Shortcuts]\n" + folder +
                " = bin\\acme.exe, " + folder + ", desktop\n";
  BuildMedia(app);
  NewMachine();
  ASSERT_EQ(Run({}, "a\n" + dir + "\nn\nn\ni\n\n"), 0) << out.str();
  for (const std::string& shown :
       {"Destination Directory: " + dir, "Program folder: " + folder, "Installation Completed: " + title})
    EXPECT_NE(out.str().find(shown), std::string::npos) << shown << "\n" << out.str();
  EXPECT_TRUE(platform::IsValidUtf8(out.str()));
  NewMachine();
  ASSERT_EQ(Run({"/SILENT", "/DIR=" + dir}), 0) << out.str();
  for (const std::string& line :
       {"file: " + dir + "\\bin\\acme.exe", "shortcut: C:\\WINDOWS\\Desktop\\" + folder + ".lnk",
        "registry: HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\currentversion\\uninstall\\" + title})
    EXPECT_NE(log.str().find(line), std::string::npos) << line << "\n" << log.str();
  EXPECT_TRUE(platform::IsValidUtf8(out.str()));
  EXPECT_TRUE(platform::IsValidUtf8(log.str()));
}

// A machine whose setup lock another setup never lets go.
class MachineInUse : public platform::Platform {
 public:
  explicit MachineInUse(platform::Platform& machine) : m_(machine) {}
  platform::FileSystem& fs() override { return m_.fs(); }
  platform::Registry& registry() override { return m_.registry(); }
  platform::Profile& profile() override { return m_.profile(); }
  platform::Shell& shell() override { return m_.shell(); }
  platform::Processes& processes() override { return m_.processes(); }
  std::unique_ptr<platform::SetupLock> AcquireSetupLock(std::chrono::milliseconds) override { return nullptr; }

 private:
  platform::Platform& m_;
};

TEST_F(ConsoleTest, AnotherSetupRunningEndsTheRunWith1618AndChangesNothing) {
  // Installed once, so that a removal is tried too.
  ASSERT_EQ(Run({"/SILENT"}), 0) << out.str();
  for (const bool sandboxLock : {false, true}) {
    SCOPED_TRACE(sandboxLock ? "another sandbox machine on the same folder holds the lock" : "a lock never free");
    NewMachine();
    std::unique_ptr<platform::sandbox::SandboxPlatform> other;
    std::unique_ptr<platform::SetupLock> held;
    if (sandboxLock) {
      other = std::make_unique<platform::sandbox::SandboxPlatform>(Root());
      held = other->AcquireSetupLock(std::chrono::milliseconds(0));
      ASSERT_TRUE(held);
      if (platform::sandbox::SandboxPlatform(Root()).AcquireSetupLock(std::chrono::milliseconds(0)))
        GTEST_SKIP() << "this build's sandbox machine keeps no setup lock";
    }
    MachineInUse inUse(Machine());
    platform::Platform& machine = sandboxLock ? static_cast<platform::Platform&>(Machine()) : inUse;
    const cli::MachineState before = cli::ReadMachineState(Root());
    for (const std::vector<std::string>& commandLine :
         {std::vector<std::string>{"/SILENT"}, {"/SILENT", "Acme", "1.0"}, std::vector<std::string>{}}) {
      EXPECT_EQ(Run(machine, commandLine, "a\n\n\n\n\n"), 1618) << out.str();
      EXPECT_NE(out.str().find("Another installation or removal is running on this computer."), std::string::npos)
          << out.str();
      EXPECT_NE(log.str().find("outcome: another setup was running"), std::string::npos) << log.str();
      const cli::MachineState after = cli::ReadMachineState(Root());
      EXPECT_EQ(after.paths, before.paths);
      EXPECT_EQ(after.registryLines, before.registryLines);
    }
  }
}

// The terminal's view with Ctrl+C pressed the first time the installation lets messages run.
class InterruptedView : public console::ConsoleView {
 public:
  InterruptedView(console::TextInput& in, console::TextOutput& out, bool silent, console::TextOutput* log,
                  bool& pressed)
      : ConsoleView(in, out, out, silent, log), pressed_(pressed) {}
  void ProcessMessages() override {
    if (!pressed_ && attached() && attached()->PageIndex == kPageInstall) {
      pressed_ = true;
      std::raise(SIGINT);
    }
    ConsoleView::ProcessMessages();
  }

 private:
  bool& pressed_;
};

TEST_F(ConsoleTest, CtrlCDuringTheInstallationCancelsIt) {
  bool pressed = false;
  makeView = [&](console::TextInput& in, bool silent) -> std::unique_ptr<console::ConsoleView> {
    return std::make_unique<InterruptedView>(in, out, silent, &log, pressed);
  };
  for (const bool silent : {true, false}) {
    SCOPED_TRACE(silent ? "unattended" : "interactive");
    NewMachine();
    pressed = false;
    const int status = silent ? Run({"/SILENT"}) : Run({}, "a\n\nn\ni\n");
    EXPECT_TRUE(pressed) << out.str();
    EXPECT_EQ(status, 2) << out.str();
    EXPECT_NE(out.str().find("Cancelling"), std::string::npos) << out.str();
    EXPECT_NE(log.str().find("Setup was cancelled."), std::string::npos) << log.str();
  }
}

}  // namespace
}  // namespace vurerode::setup::test
