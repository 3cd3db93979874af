// The engines on their own: a sandbox machine with an expanded archive laid out by hand, the
// user's choices as plain data, and a progress that records what it was told. No wizard runs.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "install/finish.h"
#include "install/install_engine.h"
#include "install/install_paths.h"
#include "install/uninstall_engine.h"
#include "install/uninstall_log.h"
#include "platform/sandbox/sandbox_platform.h"
#include "platform/windows_path.h"
#include "shell/file_ops.h"
#include "shell/shell_folders.h"
#include "support/test_support.h"

namespace vurerode::setup::test {
namespace {

// Every call of the engines' progress, one line each, in order.
class RecordingProgress : public TInstallProgress, public TRemovalProgress {
 public:
  void Status(const std::string& text) override { events.push_back("status " + text); }
  void SetRange(int max) override { events.push_back("range " + std::to_string(max)); }
  void Advance() override { ++advances; }
  void Record(RecordKind kind, const std::string& what) override {
    events.push_back(std::string(RecordKindName(kind)) + " " + what);
  }
  void StepReached(TInstallStep step) override { events.push_back("step " + std::to_string(int(step))); }
  void CurrentItem(TInstallStep step, const std::string& text) override {
    events.push_back("item " + std::to_string(int(step)) + " " + text);
  }
  Prompter& Prompts() override { return prompter; }
  std::string Caption() const override { return "Test"; }
  void PassStarted(int pass) override { events.push_back("pass " + std::to_string(pass)); }
  void PassesDone() override { events.push_back("passes done"); }
  YesNoAll AskDelete(const std::string& text) override {
    events.push_back("asked " + text);
    return answer;
  }
  YesNoAll answer = YesNoAll::No;

  // Where the first line starting with prefix stands; events.size() when none does.
  size_t Find(const std::string& prefix) const {
    return std::find_if(events.begin(), events.end(), [&](const std::string& e) { return e.rfind(prefix, 0) == 0; }) -
           events.begin();
  }

  struct : Prompter {
    PromptResult Message(const std::string&, const std::string&, PromptButtons, PromptIcon) override {
      return PromptResult::Cancel;
    }
    bool InputQuery(const std::string&, const std::string&, std::string&) override { return false; }
  } prompter;
  std::vector<std::string> events;
  int advances = 0;
};

void PutFile(platform::Platform& machine, const std::string& path, const std::string& text = "x") {
  ForceDirectories(machine.fs(), platform::ExtractFilePath(path));
  machine.fs().CreateFile(path)->Write(text.data(), text.size());
}

// What the bootstrap leaves: the installer's own files at the top of ExpandDir, the set's below.
const char* const kExpandedFiles[] = {"setup.exe", "install.cfg", "finstall.cfg", "Src\\acme.exe", "Src\\readme.txt"};
void LayOutExpandedFiles(platform::Platform& machine, const TSetupGlobals& g) {
  for (const char* name : kExpandedFiles) PutFile(machine, g.ExpandDir + name, std::string(name) + " bytes");
}

class EngineTest : public ::testing::Test {
 protected:
  EngineTest() : machine_(scratch_.path() / "machine") {
    g_.SourceDir = "A:\\";
    g_.TempDir = "C:\\WINDOWS\\Temp\\";
    g_.ExpandDir = "C:\\WINDOWS\\Temp\\lkst_120000\\";
    LayOutExpandedFiles(machine_, g_);
    g_.InstallFiles = {"Installation Directory,C:\\Src\\acme.exe", "Installation Directory,Docs,C:\\Src\\readme.txt"};
    g_.Desktop = {"Acme,<InstallDir>\\acme.exe,X,,X,C:\\Src\\acme.exe,Acme Tools,"};
    g_.IniRegistry = {"HKEY_LOCAL_MACHINE\\Software\\Acme,Settings,Path,C:\\Acme"};
    choices_.InstallDir = "C:\\Program Files\\Acme";
    choices_.Title = "Acme";
    choices_.Shortcuts = {{true, false, true}};
    std::string dir = choices_.InstallDir;
    BuildInstallFileLists(machine_, g_, dir);  // as reading the configuration does
  }

  void Put(const std::string& path, const std::string& text) { PutFile(machine_, path, text); }
  bool Exists(const std::string& path) { return machine_.fs().FileExists(path); }
  TInstallResult Install() { return InstallApplication(machine_, g_, choices_, progress_); }

  vurerode::test::ScratchDir scratch_;
  platform::sandbox::SandboxPlatform machine_;
  TSetupGlobals g_;
  TInstallChoices choices_;
  RecordingProgress progress_;
};

TEST_F(EngineTest, InstallationReportsItsStepsAndReturnsWhatItInstalled) {
  const TInstallResult result = Install();
  EXPECT_EQ(result.Outcome, TInstallOutcome::Installed) << result.FailureText();
  EXPECT_EQ(result.InstallDir, "C:\\Program Files\\Acme\\");
  EXPECT_TRUE(Exists("C:\\Program Files\\Acme\\acme.exe"));
  EXPECT_TRUE(Exists("C:\\Program Files\\Acme\\Docs\\readme.txt"));
  EXPECT_TRUE(Exists("C:\\Program Files\\Acme\\uninstaller.cfg"));
  int64_t bytes = 0;
  for (const char* name : kExpandedFiles) bytes += static_cast<int64_t>(std::string(name).size() + 6);
  EXPECT_EQ(result.BytesInstalled, bytes);
  // The bar covers twice the pairs read from the configuration and one per shortcut and entry row;
  // it moves once per pair (the installer's own three files too), shortcut and entry.
  const size_t range = progress_.Find("range ");
  ASSERT_LT(range, progress_.events.size()) << "the bar was given no range";
  EXPECT_EQ(progress_.events[range], "range 6");
  EXPECT_EQ(progress_.advances, 5 + 1 + 1);
  // Each step is reached before its items are shown, in the order of the steps.
  const std::vector<std::string> order = {"step 0",
                                          "item 0 Installing : acme.exe",
                                          "step 1",
                                          "item 1 Folders: Acme",
                                          "step 2",
                                          "status Creating Registry Entries",
                                          "status Creating Uninstaller",
                                          "status Finished"};
  for (size_t i = 1; i < order.size(); ++i)
    EXPECT_LT(progress_.Find(order[i - 1]), progress_.Find(order[i])) << order[i - 1] << " before " << order[i];
  EXPECT_LT(progress_.Find(order.back()), progress_.events.size());
}

TEST_F(EngineTest, ShortcutsGoWhereTheChoicesSay) {
  const std::string start = GetShellFolder(machine_, kShellStartMenu),
                    desktop = GetShellFolder(machine_, kShellDesktop),
                    programs = GetShellFolder(machine_, kShellPrograms), quick = QuickLaunchFolder(machine_);
  struct Row {
    bool folderOnStartMenu, folderOnDesktop;
    TShortcutTicks ticks;
  };
  for (const Row& row : std::vector<Row>{{true, false, {false, false, false}},
                                         {false, true, {true, false, false}},
                                         {false, false, {false, true, true}},
                                         {true, true, {true, true, true}}}) {
    SCOPED_TRACE(std::to_string(row.folderOnStartMenu) + std::to_string(row.folderOnDesktop) +
                 std::to_string(row.ticks.StartMenu) + std::to_string(row.ticks.Desktop) +
                 std::to_string(row.ticks.QuickLaunch));
    vurerode::test::ScratchDir scratch;
    platform::sandbox::SandboxPlatform machine(scratch.path() / "machine");
    TSetupGlobals g = g_;
    LayOutExpandedFiles(machine, g);
    TInstallChoices choices = choices_;
    choices.FolderOnStartMenu = row.folderOnStartMenu;
    choices.FolderOnDesktop = row.folderOnDesktop;
    choices.Shortcuts = {row.ticks};
    RecordingProgress progress;
    ASSERT_EQ(InstallApplication(machine, g, choices, progress).Outcome, TInstallOutcome::Installed);
    const std::vector<std::pair<std::string, bool>> expected = {
        // The program group stands under Programs unless the folder goes to the Start menu alone.
        {programs + "Acme Tools\\Acme.lnk", row.folderOnDesktop || !row.folderOnStartMenu},
        {start + "Acme Tools\\Acme.lnk", row.folderOnStartMenu},
        {desktop + "Acme Tools\\Acme.lnk", row.folderOnDesktop},
        {start + "Acme.lnk", row.ticks.StartMenu},
        {desktop + "Acme.lnk", row.ticks.Desktop},
        {quick + "Acme.lnk", row.ticks.QuickLaunch}};
    for (const auto& [lnk, present] : expected) EXPECT_EQ(machine.fs().FileExists(lnk), present) << lnk;
  }
}

TEST_F(EngineTest, RemovalReportsItsPassesAndTakesAwayWhatTheInstallationMade) {
  ASSERT_EQ(Install().Outcome, TInstallOutcome::Installed);
  struct Row {
    std::string logDirectory;
    TRemovalOutcome outcome;
    std::vector<std::string> passes;
  };
  // Once the log is gone the four passes are skipped; the entry and the tree still go.
  for (const Row& row :
       std::vector<Row>{{"C:\\Program Files\\Acme\\",
                         TRemovalOutcome::Removed,
                         {"pass 0", "pass 1", "pass 2", "pass 3", "passes done"}},
                        {"C:\\Program Files\\Acme\\", TRemovalOutcome::LogMissing, {"pass 0", "passes done"}}}) {
    SCOPED_TRACE(row.logDirectory);
    RecordingProgress progress;
    const TRemovalResult result =
        RemoveApplication(machine_, {row.logDirectory, "C:\\Program Files\\Acme\\", "Acme"}, progress);
    EXPECT_EQ(result.Outcome, row.outcome);
    std::vector<std::string> passes;
    for (const std::string& e : progress.events)
      if (e.rfind("pass", 0) == 0) passes.push_back(e);
    EXPECT_EQ(passes, row.passes);
  }
  EXPECT_FALSE(machine_.fs().DirectoryExists("C:\\Program Files\\Acme\\"));
  EXPECT_FALSE(Exists(GetShellFolder(machine_, kShellPrograms) + "Acme Tools\\Acme.lnk"));
  EXPECT_FALSE(machine_.registry().OpenKey(platform::RegistryRoot::LocalMachine, "Software\\Acme\\Settings",
                                           platform::RegistryAccess::Read));
  EXPECT_FALSE(machine_.registry().OpenKey(platform::RegistryRoot::LocalMachine,
                                           "Software\\Microsoft\\Windows\\currentversion\\uninstall\\Acme",
                                           platform::RegistryAccess::Read));
}

TEST_F(EngineTest, TheRemovalChecksThePathItDeletesNotTheLogsSpellingOfIt) {
  struct Row {
    std::string logged, file;  // the log's spelling, and the file it names
    bool asked;                // a file Windows may use: asked about, and kept on No
  };
  const std::vector<Row> rows = {
      {"C:\\Program Files\\App\\..\\..\\WINDOWS\\win.ini", "C:\\WINDOWS\\win.ini", false},
      {"C:\\\\WINDOWS\\\\system.ini", "C:\\WINDOWS\\system.ini", false},
      {"C:\\PROGRA~1\\..\\WINDOWS\\System\\other.dll", "C:\\WINDOWS\\System\\other.dll", true},
      {"\\WINDOWS\\System32\\kernel32.dll", "C:\\WINDOWS\\System32\\kernel32.dll", true},
      {"C:\\WINDOWS\\x.lnk\\..\\Fonts\\arial.ttf", "C:\\WINDOWS\\Fonts\\arial.ttf", true},
  };
  std::string log = "[Files]\r\n";
  for (const Row& row : rows) {
    Put(row.file, "theirs");
    log += row.logged + "=\r\n";
  }
  Put("C:\\Program Files\\App\\app.exe", "ours");
  Put("C:\\Program Files\\App\\uninstaller.cfg", log + "C:\\PROGRA~1\\App\\app.exe=\r\n[Name]\r\nTitle=App\r\n");
  machine_.fs().ChangeDirectory("C:\\Program Files\\App");
  RecordingProgress progress;  // answers No to every question
  RemoveApplication(machine_, {"C:\\Program Files\\App\\", "C:\\Program Files\\App\\", "App"}, progress);
  for (const Row& row : rows) {
    EXPECT_TRUE(Exists(row.file)) << row.logged;
    EXPECT_EQ(progress.Find("asked File Possible used by Windows.\r" + row.file) < progress.events.size(), row.asked)
        << row.logged;
  }
  EXPECT_LT(progress.Find("removed C:\\Program Files\\App\\app.exe"), progress.events.size());
}

// A registry value of someone's, or one an entry writes.
struct RegValue {
  platform::RegistryRoot root;
  std::string key, name, value;
};

constexpr platform::RegistryRoot kMachine = platform::RegistryRoot::LocalMachine;
constexpr platform::RegistryRoot kUser = platform::RegistryRoot::CurrentUser;
const std::string kRun = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

void Plant(platform::Platform& machine, const std::vector<RegValue>& values) {
  for (const RegValue& v : values) machine.registry().CreateKey(v.root, v.key)->WriteString(v.name, v.value);
}

// The value's text; nothing when it or its key is gone.
std::optional<std::string> Read(platform::Platform& machine, const RegValue& v) {
  auto key = machine.registry().OpenKey(v.root, v.key, platform::RegistryAccess::Read);
  return key ? key->ReadString(v.name) : std::nullopt;
}

TEST_F(EngineTest, RegistryEntriesRemoveWhatTheyMadeAndLeaveWhatOthersKeep) {
  // Other programs' values: each is there after the installations and after the removal.
  const std::vector<RegValue> theirs = {
      {kMachine, kRun, "Other", "C:\\Other\\other.exe"},
      {kMachine, "Software\\Microsoft", "Sentinel", "1"},
      {kMachine, "Software\\Acme", "Shared", "our vendor's key, there before us"},
      {kMachine, "Software\\Acme\\Other Product", "Path", "C:\\Other"},
  };
  Plant(machine_, theirs);
  g_.IniRegistry = {
      "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion,Run,Acme,C:\\Acme\\acme.exe",
      "HKEY_LOCAL_MACHINE\\Software,Acme,Version,1.0",
      "HKEY_LOCAL_MACHINE\\Software\\Acme,Settings,Path,C:\\Acme",
      "HKEY_CURRENT_USER\\Software\\Acme Tools,Prefs,A,1",  // two entries into one new key log the key
      "HKEY_CURRENT_USER\\Software\\Acme Tools,Prefs,B,2",
  };
  const std::vector<RegValue> ours = {{kMachine, kRun, "Acme", "C:\\Acme\\acme.exe"},
                                      {kMachine, "Software\\Acme", "Version", "1.0"},
                                      {kMachine, "Software\\Acme\\Settings", "Path", "C:\\Acme"},
                                      {kUser, "Software\\Acme Tools\\Prefs", "A", "1"},
                                      {kUser, "Software\\Acme Tools\\Prefs", "B", "2"}};
  // Installed twice from the same set: the second clears only the keys that hold nothing but the
  // entries' own values.
  const TSetupGlobals expanded = g_;
  for (int round = 1; round <= 2; ++round) {
    SCOPED_TRACE("installation " + std::to_string(round));
    g_ = expanded;
    LayOutExpandedFiles(machine_, g_);
    const TInstallResult result = Install();
    ASSERT_EQ(result.Outcome, TInstallOutcome::Installed) << result.FailureText();
    for (const RegValue& v : theirs) EXPECT_EQ(Read(machine_, v), v.value) << v.key << " " << v.name;
    for (const RegValue& v : ours) EXPECT_EQ(Read(machine_, v), v.value) << v.key << " " << v.name;
    TUninstallLog log(machine_.profile());
    log.Open("C:\\Program Files\\Acme\\");
    EXPECT_EQ(log.ReadEntries(media::kUninstallRegistrySection),
              (std::vector<std::string>{"HKEY_LOCAL_MACHINE\\Software\\Acme\\Settings",
                                        "HKEY_CURRENT_USER\\Software\\Acme Tools\\Prefs"}));
    EXPECT_EQ(log.ReadEntries(media::kUninstallRegistryValuesSection),
              (std::vector<std::string>{"HKEY_LOCAL_MACHINE\\" + kRun + "\\\\Acme",
                                        "HKEY_LOCAL_MACHINE\\Software\\Acme\\\\Version"}));
  }
  RemoveApplication(machine_, {"C:\\Program Files\\Acme\\", "C:\\Program Files\\Acme\\", "Acme"}, progress_);
  for (const RegValue& v : theirs) EXPECT_EQ(Read(machine_, v), v.value) << v.key << " " << v.name;
  for (const RegValue& v : ours) EXPECT_EQ(Read(machine_, v), std::nullopt) << v.key << " " << v.name;
  EXPECT_FALSE(machine_.registry().OpenKey(kMachine, "Software\\Acme\\Settings", platform::RegistryAccess::Read));
  EXPECT_FALSE(machine_.registry().OpenKey(kUser, "Software\\Acme Tools", platform::RegistryAccess::Read))
      << "a parent the removal left empty goes with it";
}

TEST_F(EngineTest, ALogThatNamesProtectedKeysNeverRemovesThem) {
  ASSERT_EQ(Install().Outcome, TInstallOutcome::Installed);
  const std::string uninstall = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
  const std::vector<RegValue> theirs = {
      {kMachine, "Software\\Microsoft\\Windows\\CurrentVersion", "ProgramFilesDir", "C:\\Program Files"},
      {kMachine, uninstall + "\\Other App", "DisplayName", "Other App"},
      {kMachine, "System\\CurrentControlSet", "Sentinel", "1"},
      {kMachine, "Software\\Classes\\.txt", "", "txtfile"},
      {kUser, "Software\\Classes\\.doc", "", "docfile"},
      {kUser, kRun, "Other", "C:\\Other\\other.exe"},
  };
  Plant(machine_, theirs);
  const struct {
    const char* section;
    std::string entry;
  } logged[] = {
      {"Registry", "HKEY_LOCAL_MACHINE\\Software"},
      {"Registry", "HKEY_LOCAL_MACHINE\\\\software\\\\MICROSOFT\\"},
      {"Registry", "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows"},
      {"Registry", "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion"},
      {"Registry", "HKEY_LOCAL_MACHINE\\" + uninstall},
      {"Registry", "HKEY_LOCAL_MACHINE\\System"},
      {"Registry", "HKEY_LOCAL_MACHINE\\Software\\Classes"},
      {"Registry", "HKEY_CURRENT_USER\\Software\\Classes"},
      {"Registry", "HKEY_CLASSES_ROOT"},
      {"Registry", "HKEY_LOCAL_MACHINE\\"},
      {"Registry", "Software"},
      {"RegistryValues", "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\\\ProgramFilesDir"},
  };
  std::string text = "[Files]\r\nC:\\Program Files\\Acme\\*.*=\r\n";
  for (const char* section : {"Registry", "RegistryValues"}) {
    text += "[" + std::string(section) + "]\r\n";
    for (const auto& l : logged)
      if (std::string(l.section) == section) text += l.entry + "=\r\n";
    if (std::string(section) == "Registry") text += "HKEY_LOCAL_MACHINE\\Software\\Acme\\Settings=\r\n";
  }
  Put("C:\\Program Files\\Acme\\uninstaller.cfg", text);
  // As a log of an earlier version, which the entry vouches for by no digest: every guard holds all
  // the same. (A log the entry's digest disowns is followed only inside the installation's folder.)
  machine_.registry()
      .OpenKey(kMachine, "Software\\Microsoft\\Windows\\currentversion\\uninstall\\Acme",
               platform::RegistryAccess::ReadWrite)
      ->DeleteValue("LogSHA256");

  RemoveApplication(machine_, {"C:\\Program Files\\Acme\\", "C:\\Program Files\\Acme\\", "Acme"}, progress_);
  for (const RegValue& v : theirs) EXPECT_EQ(Read(machine_, v), v.value) << v.key << " " << v.name;
  // Each is kept and the removal says why.
  EXPECT_EQ(std::count_if(progress_.events.begin(), progress_.events.end(),
                          [](const std::string& e) {
                            return e.rfind("kept ", 0) == 0 &&
                                   e.find("(a protected registry key: ") != std::string::npos;
                          }),
            std::size(logged));
  // The installation's own key in the same log still goes.
  EXPECT_FALSE(machine_.registry().OpenKey(kMachine, "Software\\Acme\\Settings", platform::RegistryAccess::Read));
}

TEST_F(EngineTest, TheRemovalTakesOnlyWhatTheInstallationMade) {
  struct Row {
    std::string name, installDir;
    std::vector<std::string> others;  // files that are not the installation's, there before or put there after
    bool dropLog;                     // the log is lost before the removal
    YesNoAll answer;                  // to the question whether the folder's tree goes
    bool folderStays;
    bool installedTwice = false;  // the second installation finds its folders made already
  };
  const std::string common = "C:\\Program Files\\Common Files\\";
  for (const Row& row : std::vector<Row>{
           {"an existing folder as the destination",
            common,
            {common + "Shared\\other.dll", common + "readme.txt"},
            false,
            YesNoAll::No,
            true},
           {"a file the user saved in the program's folder",
            "C:\\Program Files\\Acme\\",
            {"C:\\Program Files\\Acme\\notes.txt", "C:\\Program Files\\Acme\\Docs\\mine.txt"},
            false,
            YesNoAll::No,
            true},
           {"a new folder", "C:\\Program Files\\Acme\\", {}, false, YesNoAll::No, false},
           {"a folder installed into twice", "C:\\Program Files\\Acme\\", {}, false, YesNoAll::No, false, true},
           {"no log, the tree kept", "C:\\Program Files\\Acme\\", {}, true, YesNoAll::No, true},
           {"no log, the tree taken", "C:\\Program Files\\Acme\\", {}, true, YesNoAll::Yes, false}}) {
    SCOPED_TRACE(row.name);
    vurerode::test::ScratchDir scratch;
    platform::sandbox::SandboxPlatform machine(scratch.path() / "machine");
    auto put = [&](const std::string& path) { PutFile(machine, path); };
    if (row.installDir == common) put(row.others[0]), put(row.others[1]);
    TSetupGlobals g = g_;
    LayOutExpandedFiles(machine, g);
    TInstallChoices choices = choices_;
    choices.InstallDir = row.installDir;
    RecordingProgress progress;
    ASSERT_EQ(InstallApplication(machine, g, choices, progress).Outcome, TInstallOutcome::Installed);
    if (row.installedTwice) {
      TSetupGlobals again = g_;
      LayOutExpandedFiles(machine, again);
      ASSERT_EQ(InstallApplication(machine, again, choices, progress).Outcome, TInstallOutcome::Installed);
    }
    if (row.installDir != common)
      for (const std::string& file : row.others) put(file);
    if (row.dropLog) machine.fs().DeleteFile(row.installDir + "uninstaller.cfg");
    RecordingProgress removal;
    removal.answer = row.answer;
    RemoveApplication(machine, {row.installDir, row.installDir, "Acme"}, removal);
    for (const std::string& file : row.others) EXPECT_TRUE(machine.fs().FileExists(file)) << file;
    if (!row.dropLog || row.answer == YesNoAll::Yes) {
      for (const char* mine : {"acme.exe", "Docs\\readme.txt", "uninstaller.cfg"})
        EXPECT_FALSE(machine.fs().FileExists(row.installDir + mine)) << mine;
    }
    EXPECT_EQ(machine.fs().DirectoryExists(row.installDir), row.folderStays);
    EXPECT_EQ(removal.Find("asked No uninstall log was found in " + row.installDir) < removal.events.size(),
              row.dropLog);
  }
}

TEST_F(EngineTest, ALogChangedAfterTheInstallationIsFollowedOnlyInsideItsFolder) {
  const std::string dir = "C:\\Program Files\\Acme\\";
  struct Row {
    std::string name, added;  // lines put into [Files] after the installation
    TRemovalOutcome outcome;
  };
  for (const Row& row :
       std::vector<Row>{{"the log as written", "", TRemovalOutcome::Removed},
                        {"entries added outside and inside",
                         "C:\\Program Files\\Other App\\*.*=\r\nC:\\My Documents\\*.*=\r\n" + dir + "extra.txt=\r\n",
                         TRemovalOutcome::LogChanged}}) {
    SCOPED_TRACE(row.name);
    vurerode::test::ScratchDir scratch;
    platform::sandbox::SandboxPlatform machine(scratch.path() / "machine");
    auto put = [&](const std::string& path) { PutFile(machine, path); };
    TSetupGlobals g = g_;
    LayOutExpandedFiles(machine, g);
    RecordingProgress progress;
    ASSERT_EQ(InstallApplication(machine, g, choices_, progress).Outcome, TInstallOutcome::Installed);
    const std::vector<std::string> others = {"C:\\Program Files\\Other App\\other.exe", "C:\\My Documents\\letter.doc"};
    for (const std::string& file : others) put(file);
    put(dir + "extra.txt");
    machine.registry().CreateKey(platform::RegistryRoot::LocalMachine, "Software\\Other")->WriteString("Key", "1");
    const std::string logPath = (scratch.path() / "machine/drive_c/Program Files/Acme/uninstaller.cfg").string();
    std::vector<uint8_t> bytes = vurerode::test::ReadFileBytes(logPath);
    std::string log(bytes.begin(), bytes.end());
    log.insert(log.find("[Files]\r\n") + 9, row.added);
    log.insert(log.find("[Registry]\r\n") + 12, row.added.empty() ? "" : "HKEY_LOCAL_MACHINE\\Software\\Other=\r\n");
    vurerode::test::WriteFileBytes(logPath, std::vector<uint8_t>(log.begin(), log.end()));
    RecordingProgress removal;
    removal.answer = YesNoAll::All;  // what an interactive user answers to the first question
    EXPECT_EQ(RemoveApplication(machine, {dir, dir, "Acme"}, removal).Outcome, row.outcome);
    for (const std::string& file : others) EXPECT_TRUE(machine.fs().FileExists(file)) << file;
    EXPECT_TRUE(machine.registry().OpenKey(platform::RegistryRoot::LocalMachine, "Software\\Other",
                                           platform::RegistryAccess::Read));
    // Inside the installation's folder the log is followed all the same, and the entry goes.
    EXPECT_EQ(machine.fs().FileExists(dir + "extra.txt"), row.added.empty());
    EXPECT_FALSE(machine.fs().FileExists(dir + "acme.exe"));
    EXPECT_FALSE(machine.registry().OpenKey(platform::RegistryRoot::LocalMachine,
                                            "Software\\Microsoft\\Windows\\currentversion\\uninstall\\Acme",
                                            platform::RegistryAccess::Read));
    // Everything else the log names (the added entries, and the installation's own shortcuts and keys
    // outside the folder) is listed as kept, with the reason.
    for (const char* entry :
         {"C:\\Program Files\\Other App\\*.*", "C:\\My Documents\\*.*", "HKEY_LOCAL_MACHINE\\Software\\Other"})
      EXPECT_EQ(
          removal.Find(std::string("kept ") + entry + " (skipped: uninstaller.cfg was changed") < removal.events.size(),
          !row.added.empty())
          << entry;
  }
}

TEST_F(EngineTest, TheFinishRunsTheFollowUpProgramsThenTheChoice) {
  struct Row {
    TFinishChoice choice;
    std::string lastJournalLine;  // the start of the journal's last line
  };
  for (const Row& row : std::vector<Row>{{TFinishChoice::LaunchProgram, "ShellExecute"},
                                         {TFinishChoice::RestartWindows, "ExitWindowsEx"},
                                         {TFinishChoice::ReturnToWindows, "CreateProcess"}}) {
    vurerode::test::ScratchDir scratch;
    platform::sandbox::SandboxPlatform machine(scratch.path() / "machine");
    RecordingProgress progress;
    RunFinishActions(machine, {{"C:\\WINDOWS\\Temp\\lkst_1\\Src\\after.exe"}, row.choice, "C:\\Acme\\acme.exe"},
                     static_cast<TInstallProgress&>(progress));
    const std::vector<std::string> lines = machine.journal().Lines();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.front().rfind("CreateProcess", 0), 0u) << lines.front();
    EXPECT_EQ(lines.back().rfind(row.lastJournalLine, 0), 0u) << lines.back();
    EXPECT_EQ(progress.events.back(), "status Install Completed");
  }
}

}  // namespace
}  // namespace vurerode::setup::test
