// Removal end to end: install the test application, uninstall it as Windows starts the uninstaller,
// and compare the machine with its state before the installation.
#include <set>

#include "media/uninstall_log_format.h"
#include "platform/sandbox/command_line.h"
#include "setup_fixture.h"
#include "ui/console/console_options.h"

namespace vurerode::setup::test {
namespace {

TestApp Acme() {
  TestApp app;
  app.files["acme.exe"] = "program";
  app.files["docs\\manual.txt"] = "manual";
  app.files["redist\\acmecore.dll"] = "core";
  app.emptyFolders = {"cache"};
  app.project =
      "[Setup]\nTitle = Acme 1.0\nMain Directory = Acme\n[Files]\nredist\\acmecore.dll = System\n"
      "[Shortcuts]\nAcme = acme.exe, Acme\\Tools\\Extra, start menu + desktop + quick launch\n"
      "[Registry]\nHKEY_LOCAL_MACHINE\\Software\\Acme, App, Version, 1.0\n"
      "[INI Files]\nacme.ini, Options, Path, C:\\Program Files\\Acme\n";
  return app;
}

class UninstallTest : public SetupTest {
 protected:
  // Every file and folder of drive C:, and the registry's text.
  std::set<std::string> Snapshot() {
    std::set<std::string> all;
    for (auto& e : fs::recursive_directory_iterator(Root() / "drive_c"))
      all.insert(fs::relative(e.path(), Root()).generic_string() + (e.is_directory() ? "/" : ""));
    auto reg = vurerode::test::ReadFileBytes(Root() / "registry.reg");
    all.insert("registry.reg:" + std::string(reg.begin(), reg.end()));
    return all;
  }
  std::set<std::string> before_;
  // Another program's setup.exe beside the installation's folder, where a cleanup batch that lost
  // its way would delete.
  void PlaceSentinel() {
    auto f = Machine().fs().CreateFile("C:\\Program Files\\setup.exe");
    f->Write("theirs", 6);
  }
  void Install() {
    BuildMedia(Acme());
    PlaceSentinel();
    before_ = Snapshot();
    TDisplayScreen& s = Start();
    s.AddFolderToStartMenu.Checked = s.AddFolderToDesktop.Checked = true;
    InstallWithDefaults(s);
    ASSERT_EQ(s.Outcome, TSetupOutcome::Installed) << s.FailureMessage;
    view.messages.clear();
  }
  // What the uninstall left that was not there before, and what it took that was.
  std::vector<std::string> Difference() {
    std::set<std::string> now = Snapshot();
    std::vector<std::string> d;
    for (const std::string& x : now)
      if (!before_.count(x)) d.push_back("+" + x.substr(0, x.find('\n')));
    for (const std::string& x : before_)
      if (!now.count(x)) d.push_back("-" + x.substr(0, x.find('\n')));
    return d;
  }
};

TEST_F(UninstallTest, RemovalLeavesTheMachineAsItWasButForTheBatch) {
  Install();
  const struct {
    const char* name;
    std::vector<std::string> args;
    const char* dir;
  } starts[] = {{"by its title, as Add/Remove Programs starts it", {"Acme", "1.0"}, "C:\\"},
                {"from the installed folder", {}, "C:\\Program Files\\Acme"}};
  for (const auto& start : starts) {
    SCOPED_TRACE(start.name);
    if (&start != &starts[0]) Install();
    view.yesNoAll = {YesNoAll::Yes, YesNoAll::Yes};
    TDisplayScreen& s = StartIn(start.dir, start.args);
    ASSERT_TRUE(s.Globals.UninstallMode);
    EXPECT_EQ(s.PageIndex, kPageUninstaller);
    EXPECT_EQ(s.UninstallTitle, "Acme 1.0");
    s.RemoveClick();
    EXPECT_TRUE(s.Closed);
    EXPECT_EQ(s.Outcome, TSetupOutcome::Removed);
    // The system file and the INI file in the Windows directory; shortcuts are never asked about.
    EXPECT_EQ(view.questions.size(), 2u);
    s.Destroy();
    EXPECT_EQ(Difference(), (std::vector<std::string>{"+drive_c/WINDOWS/Temp/zad2000.bat"}));
    const std::string batch = Text("C:\\WINDOWS\\Temp\\zad2000.bat");
    EXPECT_EQ(batch,
              "Rem Remove the uninstaller and its emptied folder.\r\ndel \"C:\\PROGRA~1\\Acme\\setup.exe\"\r\n"
              "rd \"C:\\PROGRA~1\\Acme\"\r\nexit\r\n");
    // The batch runs once the program has ended, carried out by the sandbox's interpreter: the
    // removal has taken the folder already, and the batch touches nothing else.
    Machine().RunDeferredPrograms();
    EXPECT_NE(
        Text("C:\\..\\journal.log").find("\"rd C:\\PROGRA~1\\Acme\" -> the system cannot find the path specified"),
        std::string::npos)
        << Text("C:\\..\\journal.log");
    EXPECT_EQ(Difference(), (std::vector<std::string>{"+drive_c/WINDOWS/Temp/zad2000.bat"}));
    NewMachine();
    fs::remove_all(Root());
    view.questions.clear();
  }
}

TEST_F(UninstallTest, AnswersDecideWhatStays) {
  const struct {
    const char* name;
    std::deque<YesNoAll> answers;
    bool cancel;
    std::vector<std::string> left;
  } cases[] = {
      {"No keeps exactly the system file",
       {YesNoAll::No, YesNoAll::Yes},
       false,
       {"+drive_c/WINDOWS/System/acmecore.dll", "+drive_c/WINDOWS/Temp/zad2000.bat"}},
      {"All deletes without asking again", {YesNoAll::All}, false, {"+drive_c/WINDOWS/Temp/zad2000.bat"}},
      {"Cancel removes nothing and starts no batch", {}, true, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    NewMachine();
    fs::remove_all(Root());
    Install();
    const std::set<std::string> installed = Snapshot();
    view.yesNoAll = c.answers;
    TDisplayScreen& s = StartIn("C:\\", {"Acme", "1.0"});
    c.cancel ? s.UninstallCancelClick() : s.RemoveClick();
    s.Destroy();
    if (c.cancel) {
      EXPECT_EQ(s.Outcome, TSetupOutcome::Cancelled);
      std::set<std::string> now = Snapshot();
      now.erase("drive_c/WINDOWS/Temp/zad2000.bat");
      EXPECT_EQ(now, installed);
      EXPECT_EQ(Text("C:\\..\\journal.log").find("zad2000.bat"), std::string::npos);
    } else {
      std::vector<std::string> d = Difference();
      std::sort(d.begin(), d.end());
      EXPECT_EQ(d, c.left);
    }
  }
}

TEST_F(UninstallTest, NoUninstallInformationLeavesOnlyCancel) {
  Machine();
  TDisplayScreen& s = StartIn("C:\\", {"Nothing", "Here"});
  EXPECT_FALSE(s.Globals.UninstallMode);  // no log anywhere: the program would install
  fs::create_directories(Host("C:\\Empty"));
  Machine().fs().CreateFile("C:\\Empty\\uninstaller.cfg");
  TDisplayScreen& u = StartIn("C:\\Empty");
  ASSERT_TRUE(u.Globals.UninstallMode);
  EXPECT_EQ(u.Screen.TitleLine.Caption, "No Uninstall Information Found!!");
  EXPECT_FALSE(u.Remove.Visible);
  u.UninstallCancelClick();
  u.Destroy();
  EXPECT_EQ(u.Outcome, TSetupOutcome::NothingToRemove);
  EXPECT_EQ(ExitStatus(u.Outcome), 2);
  EXPECT_FALSE(fs::exists(Host("C:\\WINDOWS\\Temp\\zad2000.bat")));
}

}  // namespace
}  // namespace vurerode::setup::test

namespace vurerode::setup::test {
namespace {

// Removal when things are not as the log says: it goes on, reports what it kept, and touches
// nothing but what the log names and the installation directory.
TEST_F(UninstallTest, RemovalGoesOnPastWhatItCannotRemove) {
  const struct {
    const char* name;
    std::function<void(UninstallTest&)> spoil;
    std::vector<std::string> left;  // beside the batch and what was there before
    TSetupOutcome outcome = TSetupOutcome::Removed;
  } cases[] = {
      {"a read-only installed file",
       [](UninstallTest& t) {
         t.Machine().fs().SetAttributes("C:\\Program Files\\Acme\\docs\\manual.txt", platform::faReadOnly);
       },
       {}},
      {"a log cut short after its first entries",
       [](UninstallTest& t) {
         std::string log = t.Text("C:\\Program Files\\Acme\\uninstaller.cfg");
         log.resize(log.find("docs"));  // [Files] with the directory's mask only
         vurerode::test::WriteFileBytes(t.Host("C:\\Program Files\\Acme\\uninstaller.cfg"),
                                        std::vector<uint8_t>(log.begin(), log.end()));
       },
       // Without a title in the log the entry is found by the command line all the same. The log no
       // longer matches what the entry recorded of it: it is followed only inside the installation's
       // folder (so the shortcuts and entries elsewhere stay), and what its lost lines named stays.
       {"+drive_c/Program Files/Acme/",
        "+drive_c/Program Files/Acme/cache/",
        "+drive_c/Program Files/Acme/docs/",
        "+drive_c/Program Files/Acme/docs/manual.txt",
        "+drive_c/Program Files/Acme/finstall.cfg",
        "+drive_c/Program Files/Acme/install.cfg",
        "+drive_c/Program Files/Acme/setup.exe",
        "+drive_c/Program Files/Acme/uninstaller.cfg",
        "+drive_c/WINDOWS/Application Data/Microsoft/Internet Explorer/Quick Launch/Acme.lnk",
        "+drive_c/WINDOWS/Desktop/Acme.lnk",
        "+drive_c/WINDOWS/Desktop/Acme/",
        "+drive_c/WINDOWS/Desktop/Acme/Tools/",
        "+drive_c/WINDOWS/Desktop/Acme/Tools/Extra/",
        "+drive_c/WINDOWS/Desktop/Acme/Tools/Extra/Acme.lnk",
        "+drive_c/WINDOWS/Start Menu/Acme.lnk",
        "+drive_c/WINDOWS/Start Menu/Acme/",
        "+drive_c/WINDOWS/Start Menu/Acme/Tools/",
        "+drive_c/WINDOWS/Start Menu/Acme/Tools/Extra/",
        "+drive_c/WINDOWS/Start Menu/Acme/Tools/Extra/Acme.lnk",
        "+drive_c/WINDOWS/Start Menu/Programs/Acme/",
        "+drive_c/WINDOWS/Start Menu/Programs/Acme/Tools/",
        "+drive_c/WINDOWS/Start Menu/Programs/Acme/Tools/Extra/",
        "+drive_c/WINDOWS/Start Menu/Programs/Acme/Tools/Extra/Acme.lnk",
        "+drive_c/WINDOWS/System/acmecore.dll",
        "+drive_c/WINDOWS/acme.ini",
        "+registry.reg:"},
       TSetupOutcome::RemovedInPart},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    NewMachine();
    fs::remove_all(Root());
    Install();
    c.spoil(*this);
    view.yesNoAll = {YesNoAll::All};
    TDisplayScreen& s = StartIn("C:\\", {"Acme", "1.0"});
    s.RemoveClick();
    s.Destroy();
    EXPECT_EQ(s.Outcome, c.outcome);
    std::vector<std::string> d = Difference(), want = c.left;
    want.push_back("+drive_c/WINDOWS/Temp/zad2000.bat");
    std::sort(d.begin(), d.end());
    std::sort(want.begin(), want.end());
    // The registry's text is one entry of the difference; its lines are checked elsewhere.
    for (auto& x : d)
      if (x.rfind("+registry.reg:", 0) == 0 || x.rfind("-registry.reg:", 0) == 0) x = x.substr(0, 14);
    d.erase(std::remove(d.begin(), d.end(), "-registry.reg:"), d.end());
    EXPECT_EQ(d, want);
  }
}

}  // namespace
}  // namespace vurerode::setup::test

namespace vurerode::setup::test {
namespace {

// A large installation's log outgrows the 16384 bytes the profile functions usually read a
// section's names through; the entries after that point are removed all the same.
TEST_F(UninstallTest, EveryEntryOfALargeLogIsRemoved) {
  TestApp app;
  for (int i = 0; i < 260; ++i)
    app.files["a_folder_with_a_rather_long_name_to_fill_the_log_" + std::to_string(i) + "\\f.txt"] = "x";
  app.project =
      "[Setup]\nTitle = Acme 1.0\nMain Directory = Acme\n[Shortcuts]\nAcme = "
      "a_folder_with_a_rather_long_name_to_fill_the_log_0\\f.txt, Acme, desktop\n";
  BuildMedia(app);
  PlaceSentinel();
  before_ = Snapshot();
  InstallWithDefaults(Start());
  ASSERT_GT(fs::file_size(Host("C:\\Program Files\\Acme\\uninstaller.cfg")), 16384u);
  ASSERT_TRUE(fs::exists(Host("C:\\WINDOWS\\Desktop\\Acme.lnk")));
  TDisplayScreen& s = StartIn("C:\\", {"Acme", "1.0"});
  s.RemoveClick();
  s.Destroy();
  EXPECT_EQ(Difference(), (std::vector<std::string>{"+drive_c/WINDOWS/Temp/zad2000.bat"}));
}

// Windows starts the entry's command line as it stands: the quoted program, and the C run-time
// hands setup the quoted title as one argument, spaces and all.
TEST_F(UninstallTest, TitlesRemoveThroughTheirEntrysCommandLine) {
  for (const std::string title : {"Acme  Two  Spaces", "50% off & more ^ !", "Acme 1.0"}) {
    SCOPED_TRACE(title);
    NewMachine();
    fs::remove_all(Root());
    TestApp app;
    app.files["acme.exe"] = "program";
    app.project = "[Setup]\nTitle = " + title + "\nMain Directory = Acme App\n";
    BuildMedia(app);
    PlaceSentinel();
    before_ = Snapshot();
    InstallWithDefaults(Start());
    auto entry =
        Machine().registry().OpenKey(platform::RegistryRoot::LocalMachine, std::string(media::kUninstallKey) + title,
                                     platform::RegistryAccess::Read);
    ASSERT_TRUE(entry);
    const std::string command = entry->ReadString("UninstallString").value_or("");
    EXPECT_EQ(entry->ReadString("QuietUninstallString").value_or(""), command + " /SILENT");
    entry.reset();
    const auto readings = platform::sandbox::ProgramReadings(command);
    ASSERT_EQ(readings.size(), 1u) << command;
    EXPECT_EQ(readings[0].program, "C:\\Program Files\\Acme App\\setup.exe");
    const console::ConsoleOptions o = console::ParseConsoleOptions(platform::sandbox::SplitArguments(readings[0].rest));
    TDisplayScreen& s = StartIn("C:\\WINDOWS", o.args);
    ASSERT_TRUE(s.Globals.UninstallMode);
    EXPECT_EQ(s.UninstallTitle, title);
    s.RemoveClick();
    s.Destroy();
    EXPECT_EQ(s.Outcome, TSetupOutcome::Removed);
    Machine().RunDeferredPrograms();
    EXPECT_EQ(Difference(), (std::vector<std::string>{"+drive_c/WINDOWS/Temp/zad2000.bat"}));
  }
}

}  // namespace
}  // namespace vurerode::setup::test
