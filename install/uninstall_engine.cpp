#include "install/uninstall_engine.h"

#include <optional>

#include "app/display_screen.h"
#include "install/cleanup_batch.h"
#include "install/shared_folders.h"
#include "install/uninstall_log.h"
#include "platform/ansi.h"
#include "platform/exception.h"
#include "platform/file_search.h"
#include "platform/windows_path.h"
#include "shell/del_tree.h"
#include "shell/file_ops.h"

namespace vurerode::setup {

using platform::AnsiUpperCase;
using platform::ExtractFileName;
using platform::ExtractFilePath;

namespace {

std::string CurrentDirWithBackslash(platform::Platform& platform) {
  return platform::IncludeTrailingBackslash(platform.fs().CurrentDirectory());
}

std::string ReadUninstallString(platform::Platform& platform, const std::string& title) {
  try {
    auto key = platform.registry().OpenKey(platform::RegistryRoot::LocalMachine, kUninstallKey + title,
                                           platform::RegistryAccess::Read);
    return key ? key->ReadString("UninstallString").value_or("") : std::string();
  } catch (const Exception&) {
    return {};
  }
}

class Remover {
 public:
  explicit Remover(TDisplayScreen& main) : main_(main), platform_(main.platform()), fs_(platform_.fs()) {}
  void Run();

 private:
  void Step(int index);
  void RemoveFiles(const std::vector<std::string>& files);
  bool IsSystemEntry(const std::string& entry);
  void DeleteEntry(const std::string& dir, const std::string& mask);
  void RemoveRegistry(const std::vector<std::string>& keys);
  // The running setup.exe of the installation: it cannot go while the program runs.
  bool IsOwnProgram(const std::string& path) {
    return platform::AnsiSameText(path, main_.Globals.ExpandDir + "setup.exe");
  }
  // Removes a folder when it is empty, never one that Windows or other programs share (an empty
  // Quick Launch or System folder is still theirs).
  void RemoveEmptyFolder(const std::string& dir) {
    if (IsSharedFolder(Shared(), dir)) return;
    if (fs_.RemoveDirectory(dir)) Record(RecordKind::Removed, dir);
  }
  // Removes the keys above a removed key that it leaves empty (no values, no sub-keys), up to but
  // not including the first level below the root ("Software").
  void PruneEmptyParents(platform::RegistryRoot root, std::string path);
  void Status(const std::string& text) {
    main_.UninstallStatus.Caption = text;
    main_.Repaint();
  }
  void Record(RecordKind kind, const std::string& what) { main_.view().Record(kind, what); }
  // The shared folders and the system directories, looked up once for the whole removal.
  const std::vector<std::string>& Shared() {
    if (!shared_) shared_ = SharedFolders(platform_);
    return *shared_;
  }
  const std::vector<std::string>& System() {
    if (!system_) system_ = SystemDirectories(platform_);
    return *system_;
  }

  TDisplayScreen& main_;
  platform::Platform& platform_;
  platform::FileSystem& fs_;
  bool deleteAll_ = false;
  std::optional<std::vector<std::string>> shared_, system_;
};

void Remover::Step(int index) {
  main_.UninstallMarkers[index].Done = true;
  if (index > 0) main_.StartLabels[index - 1].Bold = false;
  main_.StartLabels[index].Bold = true;
  main_.Repaint();
}

void Remover::Run() {
  Step(0);
  main_.Remove.Enabled = false;
  TUninstallLog log(platform_.profile());
  log.Open(main_.StartDirectory);
  const std::vector<std::string> files = log.ReadEntries("Files");
  const std::vector<std::string> folders = log.ReadEntries("Folder");
  const std::vector<std::string> keys = log.ReadEntries("Registry");
  deleteAll_ = false;
  if (files.empty()) {
    Status("Unable to Find uninstall.cfg!!");
  } else {
    RemoveFiles(files);
    Step(1);
    for (const std::string& e : files) {
      const std::string dir = ExtractFilePath(e);
      Status("Removing " + dir);
      RemoveEmptyFolder(dir);
      main_.ProgressBar2.StepBy(1);
      main_.Repaint();
    }
    Step(2);
    for (const std::string& f : folders) {
      Status("Removing " + f);
      RemoveEmptyFolder(f);
    }
    Step(3);
    RemoveRegistry(keys);
  }
  main_.Remove.Caption = "Close";
  main_.Remove.Enabled = true;
  main_.Screen.TextInfo2.Caption = "All Files,Folders and Icons Removed";
  main_.Repaint();
  auto uninstall = platform_.registry().OpenKey(platform::RegistryRoot::LocalMachine, kUninstallKey,
                                                platform::RegistryAccess::ReadWrite);
  if (!main_.UninstallTitle.empty() &&
      platform_.registry().DeleteKeyTree(platform::RegistryRoot::LocalMachine, kUninstallKey + main_.UninstallTitle))
    Record(RecordKind::Removed, "HKEY_LOCAL_MACHINE\\" + std::string(kUninstallKey) + main_.UninstallTitle);
  if (uninstall) uninstall->DeleteValue(main_.UninstallTitle);
  // A directory Windows or other programs share is never removed as a tree.
  const std::string& dir = main_.Globals.ExpandDir;
  if (IsSharedFolder(Shared(), dir)) {
    Status("Keeping " + dir + ": other programs share it");
    Record(RecordKind::Kept, dir + " (a folder other programs share)");
  } else {
    TMPDelTree tree(platform_, nullptr);
    tree.Path = dir;
    tree.Verbose = false;
    tree.Execute();
    if (fs_.DirectoryExists(dir))
      Record(RecordKind::Kept, dir + " (the cleanup batch removes it once setup.exe is gone)");
    else
      Record(RecordKind::Removed, dir);
  }
  main_.Outcome = TSetupOutcome::Removed;
  main_.Close();
}

bool Remover::IsSystemEntry(const std::string& entry) {
  const std::string upper = AnsiUpperCase(entry);
  if (upper.find(".LNK") != std::string::npos) return false;
  for (const std::string& dir : System())
    if (upper.find(AnsiUpperCase(dir)) != std::string::npos) return true;
  // A mask over a folder others share would empty it: asked about like a system file.
  return ExtractFileName(entry).find_first_of("*?") != std::string::npos &&
         IsSharedFolder(Shared(), ExtractFilePath(entry));
}

void Remover::RemoveFiles(const std::vector<std::string>& files) {
  main_.ProgressBar2.Min = 0;
  main_.ProgressBar2.Max = static_cast<int>(2 * files.size());
  main_.ProgressBar2.Position = 0;
  for (const std::string& e : files) {
    const std::string name = ExtractFileName(e);
    bool remove = true;
    if (IsSharedIniFile(e) && AnsiUpperCase(ExtractFilePath(e)) == AnsiUpperCase(System()[0])) {
      remove = false;  // Windows' own INI files hold every program's settings
    } else if (IsSystemEntry(e) && !deleteAll_) {
      switch (main_.view().AskYesNoAll("File Possible used by Windows.\r" + e + "\rDelete Anyway?", main_.Caption)) {
        case YesNoAll::Yes: break;
        case YesNoAll::All: deleteAll_ = true; break;
        default: remove = false; break;
      }
    }
    if (remove) {
      Status("Deleteing " + name);
      DeleteEntry(ExtractFilePath(e), name);
    } else {
      Status("Skipping " + name);
      Record(RecordKind::Kept, e);
    }
    main_.ProgressBar2.StepBy(1);
    main_.Repaint();
  }
}

void Remover::DeleteEntry(const std::string& dir, const std::string& mask) {
  // What DeleteFilesByMask does (a drive's root refused, folders and files that cannot go left),
  // in one pass that also tells what went and what stayed.
  if (IsDriveRootFolder(fs_, dir.empty() ? std::string(".") : dir)) return;
  std::vector<std::string> matched;
  {
    platform::TFileSearch search(fs_, dir + mask, platform::faAnyFile);
    platform::TSearchRec rec;
    while (search.Next(rec))
      if (!(rec.Attr & platform::faDirectory)) matched.push_back(dir + rec.Name);
  }
  for (const std::string& path : matched) {
    if (fs_.DeleteFile(path))
      Record(RecordKind::Removed, path);
    else
      Record(RecordKind::Kept, path + (IsOwnProgram(path) ? " (in use; the cleanup batch deletes it)" : ""));
  }
}

void Remover::RemoveRegistry(const std::vector<std::string>& keys) {
  for (const std::string& entry : keys) {
    std::string k = entry;
    std::string r = k.find('\\') != std::string::npos ? k.substr(0, k.find('\\')) : std::string();
    platform::RegistryRoot root = platform::RegistryRoot::CurrentUser;
    if (AnsiUpperCase(r.substr(0, 5)) == "HKEY_") {
      if (AnsiUpperCase(r).find("HKEY_LOCAL_MACHINE") != std::string::npos) root = platform::RegistryRoot::LocalMachine;
      k = k.substr(r.size() + 1);
      r = k.find('\\') != std::string::npos ? k.substr(0, k.find('\\')) : std::string();
    }
    const std::string rest = k.find('\\') != std::string::npos ? k.substr(k.find('\\') + 1) : k;
    if (rest.empty()) continue;
    const std::string path = r.empty() ? rest : r + "\\" + rest;
    const bool gone = platform_.registry().DeleteKeyTree(root, path);
    Record(gone ? RecordKind::Removed : RecordKind::Kept, std::string(platform::RootName(root)) + "\\" + path);
    if (gone) PruneEmptyParents(root, path);
  }
}

void Remover::PruneEmptyParents(platform::RegistryRoot root, std::string path) {
  for (;;) {
    const size_t cut = path.rfind('\\');
    if (cut == std::string::npos) return;
    path.erase(cut);
    if (path.find('\\') == std::string::npos) return;
    auto key = platform_.registry().OpenKey(root, path, platform::RegistryAccess::Read);
    if (!key || !key->SubKeyNames().empty() || !key->ValueNames().empty()) return;
    key.reset();
    if (!platform_.registry().DeleteKeyTree(root, path)) return;
    Record(RecordKind::Removed, std::string(platform::RootName(root)) + "\\" + path);
  }
}

}  // namespace

void UninstallStart(TDisplayScreen& main) {
  platform::Platform& platform = main.platform();
  TSetupGlobals& g = main.Globals;
  main.Wizard.Visible = true;
  g.ExpandDir = g.SourceDir;
  main.Screen.TextInfo2.Caption = "Uninstall Software!";
  main.Screen.ColorStart = 255;
  main.SetPage(kPageUninstaller);
  main.Notebook1PageChanged();
  std::string title = main.JoinedArgs;
  main.StartDirectory = CurrentDirWithBackslash(platform);
  TUninstallLog log(platform.profile());
  if (platform.fs().FileExists(main.StartDirectory + kUninstallLogName)) {
    log.Open(main.StartDirectory);
    // A log cut short has lost its title; the one the entry was started with still names it.
    if (std::string logged = log.ReadTitle(); !logged.empty()) title = logged;
  }
  std::string command = ReadUninstallString(platform, title);
  main.StartDirectory = ExtractFilePath(command.empty() ? CurrentDirWithBackslash(platform) : command);
  if (title.empty()) {
    main.StartDirectory = CurrentDirWithBackslash(platform);
    log.Open(main.StartDirectory);
    title = log.ReadTitle();
  }
  main.UninstallTitle = title;
  main.Screen.TextInfo1.Caption = title;
  main.Screen.TextInfo4.Caption = "ZAD2000 Uninstaller | Zuroduzadod, Inc.";
  g.ExpandDir = main.StartDirectory;
  if (main.Screen.TextInfo1.Caption.empty()) {
    main.Screen.TextInfo1.Caption = "No Uninstall Information Found!!";
    main.Remove.Visible = false;
    main.Remove.Hint = "No Uninstall Info. Click here to Exit.";
    main.Outcome = TSetupOutcome::NothingToRemove;
    return;
  }
  try {
    WriteCleanupBatch(main);
  } catch (const Exception& e) {
    main.view().Message(e.what(), main.Caption, PromptButtons::Ok, PromptIcon::Error);
    return;
  }
  main.ReadSetupConfig(g.SourceDir);
}

void RemoveInstallation(TDisplayScreen& main) {
  Remover(main).Run();
}

bool RemovalCompleted(const TDisplayScreen& main) {
  return main.Outcome == TSetupOutcome::Removed;
}

}  // namespace vurerode::setup
