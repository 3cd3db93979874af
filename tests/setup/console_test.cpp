// The console front end: the wizard walked as text with scripted answers, the switches, the record
// /LOG keeps, and the exit statuses.
#include <sstream>

#include "setup_fixture.h"
#include "ui/console/console_options.h"
#include "ui/console/console_view.h"
#include "ui/console/console_wizard.h"

namespace vurerode::setup::test {
namespace {

class ConsoleTest : public SetupTest {
 protected:
  // Runs setup from A:\ with the command line and the typed answers; returns the exit status.
  int Run(const std::vector<std::string>& commandLine, const std::string& typed = "") {
    console::ConsoleOptions o = console::ParseConsoleOptions(commandLine);
    std::istringstream in(typed);
    out.str("");
    log.str("");
    console::ConsoleView view(in, out, out, o.silent, &log);
    Machine().fs().ChangeDirectory("A:\\");
    auto screen = StartSetup(Machine(), view, o.args);
    view.Attach(screen.get());
    if (!screen->Globals.UninstallMode) screen->Timer1Timer();
    if (!screen->Closed) o.silent ? console::DriveSilent(*screen, view, o) : console::DriveInteractive(*screen, view);
    screen->Destroy();
    return ExitStatus(screen->Outcome);
  }
  void SetUp() override {
    TestApp app;
    app.files["LICENSE.TXT"] = "Be nice.\r\n";
    app.files["bin\\acme.exe"] = "program";
    app.project = "[Setup]\nTitle = Acme 1.0\n[Shortcuts]\nAcme = bin\\acme.exe, Acme, desktop\n";
    BuildMedia(app);
  }
  std::ostringstream out, log;
};

TEST_F(ConsoleTest, SwitchesAreTakenOutOfTheArgumentsWithoutRegardToCase) {
  console::ConsoleOptions o =
      console::ParseConsoleOptions({"/silent", "My", "/Dir=D:\\Apps\\My App", "App", "/LOG=x.log", "--sandbox", "m"});
  EXPECT_TRUE(o.silent);
  EXPECT_EQ(*o.dir, "D:\\Apps\\My App");
  EXPECT_EQ(*o.log, "x.log");
  EXPECT_EQ(*o.sandboxRoot, "m");
  EXPECT_EQ(o.args, (std::vector<std::string>{"My", "App"}));
  for (std::vector<std::string> bad : {std::vector<std::string>{"/DIR="}, {"--sandbox"}, {"--media", "x"}})
    EXPECT_THROW(console::ParseConsoleOptions(bad), std::invalid_argument);
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

}  // namespace
}  // namespace vurerode::setup::test
