// The installation as a transaction, on the sandbox machine: interrupted anywhere, failed or
// cancelled, it leaves the machine as it was, byte for byte; committed, it leaves the installation
// and nothing of the journal.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>

#include "install/install_engine.h"
#include "install/install_paths.h"
#include "install/journal_file.h"
#include "install/setup_transaction.h"
#include "platform/dos_time.h"
#include "platform/sandbox/sandbox_platform.h"
#include "platform/windows_path.h"
#include "shell/file_ops.h"
#include "support/test_support.h"
#include "tests/install/crashing_platform.h"

namespace vurerode::setup::test {
namespace {

namespace stdfs = std::filesystem;
using platform::RegistryRoot;
using platform::sandbox::SandboxPlatform;

class QuietProgress : public TInstallProgress {
 public:
  void Advance() override { ++items; }
  Prompter& Prompts() override { return prompter; }
  std::string Caption() const override { return "Test"; }
  bool CancelRequested() override { return cancelAfter >= 0 && items >= cancelAfter; }
  struct : Prompter {
    PromptResult Message(const std::string&, const std::string&, PromptButtons, PromptIcon) override {
      return PromptResult::Cancel;
    }
    bool InputQuery(const std::string&, const std::string&, std::string&) override { return false; }
  } prompter;
  int items = 0;
  int cancelAfter = -1;
};

void PutFile(platform::Platform& machine, const std::string& path, const std::string& text, uint32_t dosTime = 0) {
  ForceDirectories(machine.fs(), platform::ExtractFilePath(path));
  auto file = machine.fs().CreateFile(path);
  file->Write(text.data(), text.size());
  if (dosTime) file->SetLastWriteDosTime(dosTime);
}

const uint32_t kOldDate = vurerode::PackDosDateTime({2001, 2, 3, 4, 5, 6});
const std::string kExpandDir = "C:\\WINDOWS\\Temp\\lkst_120000\\";

// What was there before: a file the installation replaces, an INI file and a registry key it
// clears and writes again, a key whose value it overwrites beside one it keeps, and a file in use.
void MakeMachineAsBefore(platform::Platform& machine) {
  PutFile(machine, "C:\\WINDOWS\\shared.dll", "the old shared library", kOldDate);
  PutFile(machine, "C:\\WINDOWS\\acme.ini", "[Old]\r\nKey=1\r\n", kOldDate);
  PutFile(machine, "C:\\WINDOWS\\System\\held.dll", "held by a running program", kOldDate);
  machine.registry().CreateKey(RegistryRoot::CurrentUser, "Software\\Acme Old\\Settings")->WriteString("Path", "old");
  auto shared = machine.registry().CreateKey(RegistryRoot::LocalMachine, "Software\\Shared\\Settings");
  shared->WriteString("Path", "old");
  shared->WriteString("Other", "kept");
}

// Everything a test compares: each file's bytes, date and write permission, each folder, and the
// registry and the file attributes the sandbox keeps beside the drives.
std::string Snapshot(const stdfs::path& root) {
  std::map<std::string, std::string> entries;
  for (const auto& e : stdfs::recursive_directory_iterator(root / "drive_c")) {
    const std::string name = stdfs::relative(e.path(), root).generic_string();
    if (e.is_directory()) {
      entries[name] = "folder";
      continue;
    }
    const auto bytes = vurerode::test::ReadFileBytes(e.path());
    const auto perms = stdfs::status(e.path()).permissions();
    entries[name] = std::to_string(e.last_write_time().time_since_epoch().count() / 1000000000) + " " +
                    ((perms & stdfs::perms::owner_write) != stdfs::perms::none ? "rw " : "ro ") +
                    std::string(bytes.begin(), bytes.end());
  }
  for (const char* name : {"registry.reg", "metadata.txt"}) {
    const auto bytes = vurerode::test::ReadFileBytes(root / name);
    entries[name] = std::string(bytes.begin(), bytes.end());
  }
  std::string text;
  for (const auto& [name, what] : entries) text += name + ": " + what + "\n";
  return text;
}

class TransactionTest : public ::testing::Test {
 protected:
  TransactionTest() {
    g_.SourceDir = "A:\\";
    g_.TempDir = "C:\\WINDOWS\\Temp\\";
    g_.ExpandDir = kExpandDir;
    g_.InstallFiles = {"Installation Directory,C:\\Src\\acme.exe", "Installation Directory,Docs,C:\\Src\\readme.txt",
                       "Windows,C:\\Src\\shared.dll", "System,C:\\Src\\new.dll", "System,C:\\Src\\held.dll"};
    g_.Desktop = {"Acme,<InstallDir>\\acme.exe,X,,X,C:\\Src\\acme.exe,Acme Tools,"};
    g_.IniRegistry = {"acme.ini,Settings,Path,C:\\Acme", "HKEY_CURRENT_USER\\Software\\Acme Old,Settings,Path,new",
                      "HKEY_LOCAL_MACHINE\\Software\\Shared,Settings,Path,new",
                      "HKEY_LOCAL_MACHINE\\Software\\Acme,Settings,Version,1"};
    choices_.InstallDir = "C:\\Program Files\\Acme";
    choices_.Title = "Acme";
    choices_.Shortcuts = {{true, false, true}};
    NewMachine("machine");
  }

  const stdfs::path& Root() const { return root_; }
  // A machine of its own for a case of a table, as it was before.
  void NewMachine(const std::string& name) {
    root_ = scratch_.path() / name;
    SandboxPlatform machine(root_);
    MakeMachineAsBefore(machine);
  }
  static std::string ReadFileText(platform::Platform& machine, const std::string& path) {
    auto file = machine.fs().OpenFile(path, platform::FileAccess::Read);
    std::string text(static_cast<size_t>(file->Size()), '\0');
    file->ReadBuffer(text.data(), text.size());
    return text;
  }

  // The bootstrap's part, through the transaction: the expansion folder made in one step, noted,
  // and the set's files expanded into it.
  void Expand(TSetupTransaction& tx) {
    platform::Platform& p = tx.platform();
    ASSERT_EQ(p.fs().CreateDirectory(platform::ExcludeTrailingBackslash(kExpandDir)), 0);
    tx.NoteTemporaryFolder(kExpandDir);
    for (const char* name : {"setup.exe", "install.cfg", "finstall.cfg", "Src\\acme.exe", "Src\\readme.txt",
                             "Src\\shared.dll", "Src\\new.dll", "Src\\held.dll"})
      PutFile(p, kExpandDir + name, std::string(name) + " bytes of the new version", expandDate_);
    for (int k = 0; k < extraFiles_; ++k)
      PutFile(p, kExpandDir + "Src\\data" + std::to_string(k) + ".bin", "data " + std::to_string(k), expandDate_);
  }

  // The installation done and committed, its files dated so: an earlier version for an upgrade.
  void InstallCommitted(uint32_t dosTime) {
    SandboxPlatform machine(Root());
    expandDate_ = dosTime;
    TSetupTransaction tx(machine);
    Expand(tx);
    QuietProgress progress;
    const TInstallResult result = Install(tx.platform(), progress);
    expandDate_ = 0;
    ASSERT_EQ(result.Outcome, TInstallOutcome::Installed) << result.FailureText();
    tx.Commit();
    tx.Finish();
    // Dated in the two-second steps the platform sets dates in, as a file copied back is.
    for (const auto& e : stdfs::recursive_directory_iterator(Root() / "drive_c"))
      if (e.is_regular_file()) {
        const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(e.last_write_time().time_since_epoch());
        stdfs::last_write_time(e.path(), stdfs::file_time_type(seconds - seconds % 2));
      }
  }

  TInstallResult Install(platform::Platform& p, QuietProgress& progress) {
    TSetupGlobals g = g_;
    std::string dir = choices_.InstallDir;
    BuildInstallFileLists(p, g, dir);
    return InstallApplication(p, g, choices_, progress, retry_);
  }

  // Recovery on a machine started afresh, as the next setup would; crashAt kills it there.
  TRecoveryResult Recover(long crashAt = 0) {
    SandboxPlatform machine(Root());
    CrashingPlatform dying(machine, crashAt);
    try {
      return RecoverInterruptedSetup(dying);
    } catch (const Crash&) {
      return {};
    }
  }

  vurerode::test::ScratchDir scratch_;
  uint32_t expandDate_ = 0;  // the expanded files' date; 0: now
  int extraFiles_ = 0;       // files data0.bin ... expanded besides the set's own
  stdfs::path root_;
  TSetupGlobals g_;
  TInstallChoices choices_;
  int waits_ = 0;
  TInUseRetry retry_{3, std::chrono::milliseconds(200), [this](std::chrono::milliseconds) { ++waits_; }};
};

// A setup killed at every change it makes in turn, the journal's own writes included (a write is
// cut in the middle): the next start rolls it back to the machine as it was, onto a fresh machine
// or over an earlier installation whose every file it replaces (each comes back whole, with its
// date). Some recoveries are killed themselves and run again.
TEST_F(TransactionTest, AnInstallationKilledAnywhereIsRolledBackByTheNextStart) {
  for (const bool upgrade : {false, true}) {
    SCOPED_TRACE(upgrade ? "over an earlier installation" : "on a fresh machine");
    NewMachine(upgrade ? "upgrade" : "fresh");
    if (upgrade) InstallCommitted(kOldDate);
    const std::string before = Snapshot(Root());
    long total = 0;
    {
      SandboxPlatform machine(Root());
      CrashingPlatform counting(machine, 0);
      TSetupTransaction tx(counting);
      Expand(tx);
      QuietProgress progress;
      ASSERT_EQ(Install(tx.platform(), progress).Outcome, TInstallOutcome::Installed);
      total = counting.changes();
      // The installation as the journal left it, uncommitted, is rolled back too.
    }
    ASSERT_TRUE(Recover().RolledBack);
    ASSERT_EQ(Snapshot(Root()), before);
    ASSERT_GT(total, 30);

    for (long crashAt = 1; crashAt <= total; ++crashAt) {
      SCOPED_TRACE("killed at change " + std::to_string(crashAt) + " of " + std::to_string(total));
      {
        SandboxPlatform machine(Root());
        CrashingPlatform dying(machine, crashAt);
        try {
          TSetupTransaction tx(dying);
          Expand(tx);
          QuietProgress progress;
          Install(tx.platform(), progress);
        } catch (const Crash&) {
        }
        ASSERT_TRUE(dying.dead());
      }
      if (crashAt % 7 == 3) Recover(crashAt % 5 + 1);
      const TRecoveryResult recovered = Recover();
      EXPECT_TRUE(recovered.Problems.empty()) << recovered.Text();
      EXPECT_FALSE(recovered.Committed);
      ASSERT_EQ(Snapshot(Root()), before);
    }
  }
}

// Power loss: the journal is on the disk itself before every change that destroys what was there
// (a file replaced, moved aside or deleted, an INI file changed in place, a value overwritten, a
// key tree deleted), and its syncs do not grow with the files installed: the files about to be
// made and those about to be replaced are recorded in one record, synced once, also where the
// file system moves no file and every file is copied (Windows).
TEST_F(TransactionTest, TheJournalIsOnTheDiskBeforeEachDestructiveChangeWithSyncsIndependentOfTheFiles) {
  const struct {
    const char* name;
    bool upgrade;
    int extraFiles;
    bool neverRelocates;
  } cases[] = {{"fresh", false, 0, false},
               {"fresh, 60 files more", false, 60, false},
               {"upgrade", true, 0, false},
               {"upgrade, 60 files more", true, 60, false},
               {"fresh, copied", false, 60, true},
               {"upgrade, copied", true, 0, true},
               {"upgrade, copied, 60 files more", true, 60, true}};
  const std::vector<std::string> files = g_.InstallFiles;
  std::map<bool, long> syncs;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    NewMachine(c.name);
    g_.InstallFiles = files;
    extraFiles_ = c.extraFiles;
    for (int k = 0; k < c.extraFiles; ++k)
      g_.InstallFiles.push_back("Installation Directory,Data,C:\\Src\\data" + std::to_string(k) + ".bin");
    if (c.upgrade) InstallCommitted(kOldDate);
    SandboxPlatform machine(Root());
    CrashingPlatform watching(machine, 0);
    watching.neverRelocates = c.neverRelocates;
    watching.journalFolder = "C:\\WINDOWS\\VURERODE\\";
    watching.scratchFolders = {platform::UpperCase(kExpandDir)};
    TSetupTransaction tx(watching);
    Expand(tx);
    QuietProgress progress;
    ASSERT_EQ(Install(tx.platform(), progress).Outcome, TInstallOutcome::Installed);
    tx.Commit();
    tx.Finish();
    EXPECT_EQ(watching.unsynced, std::vector<std::string>());
    EXPECT_GT(watching.syncs, 1);
    if (!syncs.count(c.upgrade)) syncs[c.upgrade] = watching.syncs;
    EXPECT_EQ(watching.syncs, syncs[c.upgrade]);
  }
  g_.InstallFiles = files;
  extraFiles_ = 0;
}

// The ways an installation ends short of its commit, each rolled back by the app's RollBack.
TEST_F(TransactionTest, FailureCancelAndRefusalLeaveTheMachineAsItWas) {
  const struct {
    const char* name;
    std::function<void(SandboxPlatform&)> arrange;  // before the "before" picture is taken
    bool noRoom;                                    // the disk fills with the expanded files
    int cancelAfter;                                // items; -1 never
    TInstallOutcome outcome;
    const char* says;  // in the failure text
  } cases[] = {
      {"a read-only file in the way",
       [](SandboxPlatform& p) { p.fs().SetAttributes("C:\\WINDOWS\\System\\held.dll", platform::faReadOnly); }, false,
       -1, TInstallOutcome::Failed, "C:\\WINDOWS\\System\\held.dll (Cannot create file"},
      {"a drive without room", [](SandboxPlatform&) {}, true, -1, TInstallOutcome::Failed,
       "on C:, which has 10 bytes free."},
      {"a cancel at the first file", [](SandboxPlatform&) {}, false, 0, TInstallOutcome::Cancelled, "cancelled"},
      {"a cancel at the shortcuts", [](SandboxPlatform&) {}, false, 8, TInstallOutcome::Cancelled, "cancelled"},
      {"a cancel at the registry entries", [](SandboxPlatform&) {}, false, 9, TInstallOutcome::Cancelled, "cancelled"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    NewMachine(c.name);
    {
      SandboxPlatform machine(Root());
      c.arrange(machine);
    }
    const std::string before = Snapshot(Root());
    {
      SandboxPlatform sandbox(Root());
      c.arrange(sandbox);
      TSetupTransaction tx(sandbox);
      Expand(tx);
      if (c.noRoom) {
        sandbox.files().SetQuota('C', int64_t{1} << 30);
        const double used = double(int64_t{1} << 30) - sandbox.fs().DiskFreeBytes("C:\\");
        sandbox.files().SetQuota('C', static_cast<int64_t>(used) + 10);
      }
      QuietProgress progress;
      progress.cancelAfter = c.cancelAfter;
      const TInstallResult result = Install(tx.platform(), progress);
      EXPECT_EQ(result.Outcome, c.outcome);
      EXPECT_NE(result.FailureText().find(c.says), std::string::npos) << result.FailureText();
      EXPECT_EQ(tx.RollBack(), std::vector<std::string>());
    }
    EXPECT_EQ(Snapshot(Root()), before);
  }
}

// A file another program holds is tried again, then left beside its place for the restart; a
// rollback takes the waiting file away again. For the current user only, which may not ask Windows
// to replace it at the restart, the installation fails naming it, and the rollback leaves nothing.
TEST_F(TransactionTest, AFileInUseIsReplacedAtTheRestartAndARollbackForgetsIt) {
  const std::string before = Snapshot(Root());
  for (const TInstallScope scope : {TInstallScope::Machine, TInstallScope::User}) {
    SCOPED_TRACE(scope == TInstallScope::User ? "current user" : "machine");
    waits_ = 0;
    choices_.Scope = scope;
    {
      SandboxPlatform sandbox(Root());
      CrashingPlatform machine(sandbox, 0);
      machine.inUse.insert("C:\\WINDOWS\\SYSTEM\\HELD.DLL");
      TSetupTransaction tx(machine);
      Expand(tx);
      QuietProgress progress;
      const TInstallResult result = Install(tx.platform(), progress);
      EXPECT_EQ(waits_, 3);
      std::string pending;
      if (scope == TInstallScope::User) {
        EXPECT_EQ(result.Outcome, TInstallOutcome::Failed);
        EXPECT_NE(result.FailureText().find("C:\\WINDOWS\\System\\held.dll (another program holds it"),
                  std::string::npos)
            << result.FailureText();
        EXPECT_TRUE(machine.restartReplacements.empty());
      } else {
        EXPECT_EQ(result.Outcome, TInstallOutcome::Installed) << result.FailureText();
        EXPECT_TRUE(result.RestartNeeded);
        ASSERT_EQ(machine.restartReplacements.size(), 1u);
        pending = machine.restartReplacements[0].first;
        EXPECT_EQ(machine.restartReplacements[0].second, "C:\\WINDOWS\\System\\held.dll");
        EXPECT_EQ(platform::ExtractFilePath(pending), "C:\\WINDOWS\\System\\");
        EXPECT_TRUE(sandbox.fs().FileExists(pending));
      }
      EXPECT_EQ(tx.RollBack(), std::vector<std::string>());
      if (!pending.empty()) {
        EXPECT_FALSE(sandbox.fs().FileExists(pending));
      }
    }
    EXPECT_EQ(Snapshot(Root()), before);
  }
}

// Committed, the installation stays whatever happens next: a kill before the expansion folder is
// gone leaves the rest of the cleanup to the next start, and a finished one leaves nothing.
TEST_F(TransactionTest, ACommittedInstallationIsKeptAndItsJournalCleared) {
  for (bool killedBeforeFinish : {true, false}) {
    SCOPED_TRACE(killedBeforeFinish ? "killed before the finish" : "finished");
    NewMachine(killedBeforeFinish ? "killed" : "finished");
    // A follow-up program keeps the expansion folder until the finish has run it.
    g_.LaunchApplications.clear();
    if (killedBeforeFinish) g_.LaunchApplications.push_back("C:\\Src\\acme.exe");
    {
      SandboxPlatform machine(Root());
      TSetupTransaction tx(machine);
      Expand(tx);
      QuietProgress progress;
      ASSERT_EQ(Install(tx.platform(), progress).Outcome, TInstallOutcome::Installed);
      tx.Commit();
      EXPECT_EQ(TJournalFile(machine.fs()).Exists(), killedBeforeFinish);
      if (!killedBeforeFinish) tx.Finish();
    }
    const TRecoveryResult recovered = Recover();
    EXPECT_EQ(recovered.Found, killedBeforeFinish);
    EXPECT_EQ(recovered.Committed, killedBeforeFinish);
    if (killedBeforeFinish) {
      EXPECT_EQ(recovered.Title, "Acme");
    }
    SandboxPlatform machine(Root());
    EXPECT_EQ(ReadFileText(machine, "C:\\WINDOWS\\shared.dll"), "Src\\shared.dll bytes of the new version");
    EXPECT_TRUE(machine.fs().FileExists("C:\\Program Files\\Acme\\uninstaller.cfg"));
    EXPECT_FALSE(machine.fs().DirectoryExists(kExpandDir));
    EXPECT_FALSE(machine.fs().DirectoryExists("C:\\WINDOWS\\Vurerode"));
  }
}

// What was replaced comes back as it was, and so do the values overwritten or deleted (a value
// deleted comes back last in its key: only the last one keeps its place) and key trees deleted,
// their values in their order; the title is told.
TEST_F(TransactionTest, ReplacedFilesAndChangedValuesComeBack) {
  {
    SandboxPlatform machine(Root());
    machine.fs().SetAttributes("C:\\WINDOWS\\shared.dll", platform::faHidden | platform::faArchive);
    auto key = machine.registry().CreateKey(RegistryRoot::LocalMachine, "Software\\Shared\\Settings");
    key->WriteInteger("Count", 7);
    machine.registry().CreateKey(RegistryRoot::CurrentUser, "Software\\Acme Old\\Settings")->WriteString("Alpha", "a");
  }
  const std::string before = Snapshot(Root());
  {
    SandboxPlatform machine(Root());
    TSetupTransaction tx(machine);
    platform::Platform& p = tx.platform();
    p.fs().SetAttributes("C:\\WINDOWS\\shared.dll", 0);
    PutFile(p, "C:\\WINDOWS\\shared.dll", "replaced");
    p.fs().DeleteFile("C:\\WINDOWS\\acme.ini");
    p.profile().WriteString("acme.ini", "New", "Key", "2");
    auto key = p.registry().CreateKey(RegistryRoot::LocalMachine, "Software\\Shared\\Settings");
    key->WriteString("Path", "new");
    key->DeleteValue("Count");
    key->WriteString("Added", "x");
    p.registry().DeleteKeyTree(RegistryRoot::CurrentUser, "Software\\Acme Old");
    p.registry().CreateKey(RegistryRoot::CurrentUser, "Software\\Acme Old\\Else")->WriteString("", "y");
    JournalInstallationTitle(p, "Acme");
  }
  const TRecoveryResult recovered = Recover();
  EXPECT_TRUE(recovered.RolledBack);
  EXPECT_EQ(recovered.Title, "Acme");
  EXPECT_NE(recovered.Text().find("An earlier installation of Acme was interrupted"), std::string::npos);
  EXPECT_EQ(Snapshot(Root()), before);
}

// An upgrade replacing hundreds of files keeps each copy in a folder of a few hundred at most (a
// lookup in a folder of thousands is slow under Wine), writes over no copy an older setup left,
// loose or in a folder, and a rollback brings every file back and clears the journal's folders.
TEST_F(TransactionTest, ManyReplacedFilesAreSavedInSmallFoldersAndComeBack) {
  const std::vector<std::string> files = g_.InstallFiles;
  extraFiles_ = 600;
  for (int k = 0; k < extraFiles_; ++k)
    g_.InstallFiles.push_back("Installation Directory,Data,C:\\Src\\data" + std::to_string(k) + ".bin");
  NewMachine("many");
  InstallCommitted(kOldDate);
  const std::string saved = "C:\\WINDOWS\\Vurerode\\Journal\\saved\\";
  const std::map<std::string, std::string> leftBefore = {{saved + "00000002.SAV", "loose, from an older setup"},
                                                         {saved + "000001\\00000300.SAV", "in a copy folder"}};
  {
    SandboxPlatform machine(Root());
    for (const auto& [path, text] : leftBefore) PutFile(machine, path, text);
  }
  const auto withoutJournal = [](const std::string& snapshot) {
    std::istringstream lines(snapshot);
    std::string kept, line;
    while (std::getline(lines, line))
      if (platform::UpperCase(line).find("VURERODE") == std::string::npos) kept += line + "\n";
    return kept;
  };
  const std::string before = withoutJournal(Snapshot(Root()));
  {
    SandboxPlatform machine(Root());
    TSetupTransaction tx(machine);
    Expand(tx);
    QuietProgress progress;
    ASSERT_EQ(Install(tx.platform(), progress).Outcome, TInstallOutcome::Installed);
    for (const auto& [path, text] : leftBefore) EXPECT_EQ(ReadFileText(machine, path), text);
    size_t copies = 0, largest = 0;
    for (const auto& folder : stdfs::directory_iterator(Root() / "drive_c/WINDOWS/Vurerode/Journal/saved")) {
      if (!folder.is_directory()) continue;
      const auto n = static_cast<size_t>(std::distance(stdfs::directory_iterator(folder), stdfs::directory_iterator()));
      copies += n;
      largest = std::max(largest, n);
    }
    EXPECT_GE(copies, 600u);
    EXPECT_LE(largest, 256u);
  }
  const TRecoveryResult recovered = Recover();
  EXPECT_TRUE(recovered.RolledBack) << recovered.Text();
  EXPECT_TRUE(recovered.Problems.empty()) << recovered.Text();
  EXPECT_EQ(withoutJournal(Snapshot(Root())), before);
  EXPECT_FALSE(stdfs::exists(Root() / "drive_c/WINDOWS/Vurerode"));
  g_.InstallFiles = files;
  extraFiles_ = 0;
}

}  // namespace
}  // namespace vurerode::setup::test
