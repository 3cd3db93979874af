// Upgrades on a sandbox machine: version 1 installed, version 2 installed over it under the same
// title with the old log carried over as the installation does it, then a removal by the real
// removal engine.
#include "install/previous_installation.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "install/install_engine.h"
#include "install/install_paths.h"
#include "install/uninstall_engine.h"
#include "install/uninstall_log.h"
#include "platform/text.h"
#include "platform/sandbox/sandbox_platform.h"
#include "platform/windows_path.h"
#include "segment/media_sums.h"
#include "shell/file_ops.h"
#include "shell/shell_folders.h"
#include "support/test_support.h"

namespace vurerode::setup::test {
namespace {

using platform::RegistryAccess;
using platform::RegistryRoot;

class QuietProgress : public TInstallProgress, public TRemovalProgress {
 public:
  Prompter& Prompts() override { return prompter_; }
  std::string Caption() const override { return "Test"; }
  // The user lets the installation's INI files in the Windows folder go.
  YesNoAll AskDelete(const std::string&) override { return YesNoAll::Yes; }

 private:
  struct : Prompter {
    PromptResult Message(const std::string&, const std::string&, PromptButtons, PromptIcon) override {
      return PromptResult::Cancel;
    }
    bool InputQuery(const std::string&, const std::string&, std::string&) override { return false; }
  } prompter_;
};

void PutFile(platform::Platform& machine, const std::string& path, const std::string& text) {
  ForceDirectories(machine.fs(), platform::ExtractFilePath(path));
  machine.fs().CreateFile(path)->Write(text.data(), text.size());
}

// Everything a machine holds that an installation could leave: each file with its bytes, each
// folder, each registry key and value (with its text where it has one).
std::set<std::string> Snapshot(platform::sandbox::SandboxPlatform& machine) {
  std::set<std::string> items;
  const std::filesystem::path drive = machine.root() / "drive_c";
  for (const auto& entry : std::filesystem::recursive_directory_iterator(drive)) {
    const std::string name = std::filesystem::relative(entry.path(), drive).string();
    if (entry.is_directory())
      items.insert("folder " + name);
    else {
      const std::vector<uint8_t> bytes = vurerode::test::ReadFileBytes(entry.path());
      items.insert("file " + name + " " + std::string(bytes.begin(), bytes.end()));
    }
  }
  std::function<void(RegistryRoot, const std::string&)> walk = [&](RegistryRoot root, const std::string& path) {
    auto key = machine.registry().OpenKey(root, path, RegistryAccess::Read);
    if (!key) return;
    const std::string where = std::string(platform::RootName(root)) + "\\" + path;
    items.insert("key " + where);
    for (const std::string& value : key->ValueNames())
      items.insert("value " + where + "\\\\" + value + "=" + key->ReadString(value).value_or("?"));
    for (const std::string& sub : key->SubKeyNames()) walk(root, path.empty() ? sub : path + "\\" + sub);
  };
  for (RegistryRoot root : {RegistryRoot::LocalMachine, RegistryRoot::CurrentUser}) walk(root, "");
  return items;
}

std::vector<std::string> Difference(const std::set<std::string>& a, const std::set<std::string>& b) {
  std::vector<std::string> d;
  std::set_difference(a.begin(), a.end(), b.begin(), b.end(), std::back_inserter(d));
  return d;
}

bool HoldsKey(const std::vector<std::string>& keys, const std::string& key) {
  return std::any_of(keys.begin(), keys.end(), [&](const std::string& k) { return platform::SameText(k, key); });
}

// The entries of the dropped lines, without the reason each one gives.
std::vector<std::string> DroppedEntries(const std::vector<std::string>& dropped) {
  std::vector<std::string> entries;
  for (const std::string& line : dropped) {
    EXPECT_NE(line.find(" (not carried over: "), std::string::npos) << line;
    entries.push_back(line.substr(0, line.find(" (not carried over: ")));
  }
  std::sort(entries.begin(), entries.end());
  return entries;
}

// What version 1 installs and version 2 no longer does, and what both install.
struct Version {
  std::vector<std::string> files;     // below C:\Src of the expanded set
  std::vector<std::string> installs;  // Install Files entries
  std::vector<std::string> desktop;
  std::vector<TShortcutTicks> ticks;
  std::vector<std::string> entries;  // INI\Registry
  std::string version;
};

const Version kVersion1 = {
    {"acme.exe", "old.dll", "readme.txt"},
    {"Installation Directory,C:\\Src\\acme.exe", "Installation Directory,C:\\Src\\old.dll",
     "Installation Directory,Docs,C:\\Src\\readme.txt"},
    {"Acme,<InstallDir>\\acme.exe,X,,X,C:\\Src\\acme.exe,Acme Tools,",
     "Old Tool,<InstallDir>\\old.dll,X,,,C:\\Src\\old.dll,Acme Tools,"},
    {{true, false, true}, {true, false, false}},
    {"HKEY_LOCAL_MACHINE\\Software\\Acme,Settings,Path,C:\\Acme", "HKEY_LOCAL_MACHINE\\Software\\Acme,Legacy,Mode,1",
     "HKEY_LOCAL_MACHINE\\Software,Shared,AcmeOld,1", "acme.ini,Options,Color,Blue", "acmeold.ini,Options,Size,2"},
    "1.0"};
const Version kVersion2 = {
    {"acme.exe", "new.dll", "readme.txt"},
    {"Installation Directory,C:\\Src\\acme.exe", "Installation Directory,C:\\Src\\new.dll",
     "Installation Directory,Docs,C:\\Src\\readme.txt"},
    {"Acme,<InstallDir>\\acme.exe,X,,X,C:\\Src\\acme.exe,Acme Tools,"},
    {{true, false, true}},
    {"HKEY_LOCAL_MACHINE\\Software\\Acme,Settings,Path,C:\\Acme 2", "acme.ini,Options,Color,Red"},
    "2.0"};

const std::string kDir1 = "C:\\Program Files\\Acme\\";

// One machine: what stood before either version, the two installations and the removal.
class Machine {
 public:
  Machine() : machine_(scratch_.path() / "machine") {
    // A key of someone else's that version 1 writes a value into, the key of every uninstall entry
    // and a file of Windows' own.
    machine_.registry().CreateKey(RegistryRoot::LocalMachine, "Software\\Shared")->WriteString("Other", "theirs");
    machine_.registry().CreateKey(RegistryRoot::LocalMachine, media::kUninstallKey);
    PutFile(machine_, "C:\\WINDOWS\\victim.txt", "Windows' own");
    ForceDirectories(machine_.fs(), "C:\\WINDOWS\\Temp\\");
  }

  platform::sandbox::SandboxPlatform& sandbox() { return machine_; }

  TInstallResult Install(const Version& v, const std::string& dir) {
    TSetupGlobals g;
    g.SourceDir = "A:\\";
    g.TempDir = "C:\\WINDOWS\\Temp\\";
    g.ExpandDir = "C:\\WINDOWS\\Temp\\lkst_120000\\";
    for (const char* name : {"setup.exe", "install.cfg", "finstall.cfg"})
      PutFile(machine_, g.ExpandDir + name, std::string(name) + " " + v.version);
    for (const std::string& name : v.files) PutFile(machine_, g.ExpandDir + "Src\\" + name, name + " " + v.version);
    g.InstallFiles = v.installs;
    g.Desktop = v.desktop;
    g.IniRegistry = v.entries;
    TInstallChoices choices;
    choices.InstallDir = dir;
    choices.Title = "Acme";
    choices.Shortcuts = v.ticks;
    choices.DisplayVersion = v.version;
    std::string mainDir = dir;
    BuildInstallFileLists(machine_, g, mainDir);
    return InstallApplication(machine_, g, choices, progress_);
  }

  // Version 2 as the installation runs it: the old log read before anything changes, its entries
  // carried into the new log once that holds its own, and only then the digest recorded.
  std::vector<std::string> Upgrade(const std::string& dir, TPreviousInstallation& previous) {
    previous = ReadPreviousInstallation(machine_, "Acme");
    const TInstallResult result = Install(kVersion2, dir);
    EXPECT_EQ(result.Outcome, TInstallOutcome::Installed) << result.FailureText();
    TUninstallLog log(machine_.profile());
    log.Open(result.InstallDir);
    const std::vector<std::string> dropped = CarryOverPreviousEntries(previous, log);
    RecordLogDigest(machine_, "Acme", Sha256OfFile(machine_.fs(), log.Path()));
    return dropped;
  }

  TRemovalOutcome Remove(const std::string& dir) {
    machine_.fs().ChangeDirectory("C:\\");
    return RemoveApplication(machine_, {dir, dir, "Acme"}, progress_).Outcome;
  }

  std::unique_ptr<platform::RegistryKey> Entry() {
    return machine_.registry().OpenKey(RegistryRoot::LocalMachine, std::string(media::kUninstallKey) + "Acme",
                                       RegistryAccess::ReadWrite);
  }

 private:
  vurerode::test::ScratchDir scratch_;
  platform::sandbox::SandboxPlatform machine_;
  QuietProgress progress_;
};

TEST(Upgrade, TheNewLogKeepsWhatTheOldOneNamedAndOneRemovalTakesBoth) {
  enum class OldLog { None, AsInstalled, Changed, OfAnEarlierVersion };
  struct Row {
    std::string name;
    OldLog old;
    std::string dir2;  // where version 2 goes
    // Entries of version 1's log not carried over (<P> stands for the Programs folder, <S> for the
    // Start menu, <Q> for Quick Launch); with none, the removal leaves the machine as it was before
    // version 1.
    std::vector<std::string> dropped;
  };
  const std::vector<Row> rows = {
      {"no earlier installation", OldLog::None, kDir1, {}},
      {"the same folder", OldLog::AsInstalled, kDir1, {}},
      {"another folder for version 2", OldLog::AsInstalled, "C:\\Apps\\Acme 2\\", {}},
      {"a log changed after version 1",
       OldLog::Changed,
       kDir1,
       {"<P>Acme Tools", "<P>Acme Tools\\Acme.lnk", "<P>Acme Tools\\Old Tool.lnk", "<Q>Acme.lnk", "<S>Acme Tools",
        "<S>Acme.lnk", "<S>Old Tool.lnk", "C:\\WINDOWS\\acme.ini", "C:\\WINDOWS\\acmeold.ini",
        "C:\\WINDOWS\\victim.txt", "HKEY_LOCAL_MACHINE\\Software\\Acme\\Legacy",
        "HKEY_LOCAL_MACHINE\\Software\\Acme\\Settings", "HKEY_LOCAL_MACHINE\\Software\\Shared\\\\AcmeOld"}},
      // No digest vouches for it: only its masks in the installation's folder are carried, as names.
      {"an earlier version's log of masks",
       OldLog::OfAnEarlierVersion,
       kDir1,
       {"<P>Acme Tools", "C:\\WINDOWS\\acmeold.ini", "HKEY_LOCAL_MACHINE\\Software\\Acme\\Legacy"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Machine m;
    const std::string P = GetShellFolder(m.sandbox(), kShellPrograms), S = GetShellFolder(m.sandbox(), kShellStartMenu),
                      Q = QuickLaunchFolder(m.sandbox());
    auto expand = [&](std::string s) {
      for (const auto& [token, dir] : {std::pair{"<P>", P}, {"<S>", S}, {"<Q>", Q}})
        if (s.rfind(token, 0) == 0) s = dir + s.substr(3);
      return s;
    };
    const std::set<std::string> before = Snapshot(m.sandbox());
    if (row.old != OldLog::None) {
      ASSERT_EQ(m.Install(kVersion1, kDir1).Outcome, TInstallOutcome::Installed);
    }
    const std::string log1 = kDir1 + media::kUninstallLogFile;
    if (row.old == OldLog::Changed) m.sandbox().profile().WriteString(log1, "Files", "C:\\WINDOWS\\victim.txt", "");
    if (row.old == OldLog::OfAnEarlierVersion) {
      m.sandbox().fs().DeleteFile(log1);
      PutFile(
          m.sandbox(), log1,
          "[Files]\r\n" + kDir1 + "*.*=\r\n" + kDir1 + "Docs\\*.*=\r\nC:\\WINDOWS\\acmeold.ini=\r\n[Folder]\r\n" + P +
              "Acme Tools=\r\n[Registry]\r\nHKEY_LOCAL_MACHINE\\Software\\Acme\\Legacy=\r\n[Name]\r\nTitle=Acme\r\n");
      m.Entry()->DeleteValue(media::kInstallLocationValue);
      m.Entry()->DeleteValue(media::kLogDigestValue);
    }

    TPreviousInstallation previous;
    const std::vector<std::string> dropped = m.Upgrade(row.dir2, previous);
    EXPECT_EQ(m.Entry()->ReadString("DisplayVersion"), "2.0");
    EXPECT_EQ(previous.Vouched, row.old == OldLog::AsInstalled);
    std::vector<std::string> expected;
    for (const std::string& e : row.dropped) expected.push_back(expand(e));
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(DroppedEntries(dropped), expected);

    // The new log holds every entry of its own and every carried one, each once; never a mask.
    TUninstallLog log(m.sandbox().profile());
    log.Open(platform::IncludeTrailingBackslash(row.dir2));
    for (const TLogSection& section : previous.Carried) {
      const std::vector<std::string> held = log.ReadEntries(section.Name);
      std::set<std::string> once;
      for (const std::string& key : held) EXPECT_TRUE(once.insert(platform::UpperCase(key)).second) << key;
      for (const std::string& key : section.Keys) EXPECT_TRUE(HoldsKey(held, key)) << section.Name << " " << key;
    }
    for (const std::string& file : log.ReadEntries(media::kUninstallFilesSection))
      EXPECT_EQ(file.find_first_of("*?"), std::string::npos) << file;
    if (row.old != OldLog::None) {
      EXPECT_TRUE(HoldsKey(log.ReadEntries(media::kUninstallFilesSection), kDir1 + "old.dll"))
          << "version 1's file that version 2 does not ship is still the installation's";
    }

    EXPECT_EQ(m.Remove(platform::IncludeTrailingBackslash(row.dir2)), TRemovalOutcome::Removed);
    const std::set<std::string> after = Snapshot(m.sandbox());
    if (row.dropped.empty()) {
      EXPECT_EQ(Difference(after, before), std::vector<std::string>()) << "left behind";
      EXPECT_EQ(Difference(before, after), std::vector<std::string>()) << "taken away";
      continue;
    }
    // What was dropped stays where it was; what was carried went.
    EXPECT_TRUE(m.sandbox().fs().FileExists("C:\\WINDOWS\\acmeold.ini"));
    EXPECT_TRUE(m.sandbox().fs().FileExists("C:\\WINDOWS\\victim.txt"));
    EXPECT_FALSE(m.sandbox().fs().DirectoryExists(kDir1));
  }
}

}  // namespace
}  // namespace vurerode::setup::test
