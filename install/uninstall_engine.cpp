#include "install/uninstall_engine.h"

#include <algorithm>
#include <optional>
#include <set>

#include "install/install_paths.h"
#include "install/shared_folders.h"
#include "install/uninstall_log.h"
#include "media/registry_keys.h"
#include "platform/text.h"
#include "platform/exception.h"
#include "platform/file_search.h"
#include "platform/windows_path.h"
#include "segment/media_sums.h"
#include "shell/del_tree.h"
#include "shell/file_ops.h"

namespace vurerode::setup {

using platform::UpperCase;
using platform::ExtractFileName;
using platform::ExtractFilePath;

namespace {

std::string CurrentDirWithBackslash(platform::Platform& platform) {
  return platform::IncludeTrailingBackslash(platform.fs().CurrentDirectory());
}

class Remover {
 public:
  Remover(platform::Platform& platform, const TRemovalRequest& request, TRemovalProgress& progress)
      : platform_(platform),
        fs_(platform.fs()),
        request_(request),
        progress_(progress),
        entryRoot_(UninstallEntryRoot(platform, request.Title, request.InstallDir)) {}
  TRemovalResult Run();

 private:
  void RemovePasses(const std::vector<std::string>& files, const std::vector<std::string>& folders,
                    const std::vector<std::string>& keys);
  void RemoveRegistration();
  void RemoveInstallDirectory(bool logMissing);
  void RemoveTree(const std::string& dir);
  // A file the installation wrote is its own, read-only or not (a mask's matches keep the old rule).
  bool DeleteReadOnly(const std::string& path) {
    const uint32_t attributes = fs_.GetAttributes(path);
    if (attributes == platform::kInvalidAttributes || !(attributes & platform::faReadOnly)) return false;
    return fs_.SetAttributes(path, attributes & ~platform::faReadOnly) && fs_.DeleteFile(path);
  }
  std::vector<std::string> RealPaths(const std::vector<std::string>& entries) {
    std::vector<std::string> real;
    for (const std::string& e : entries) real.push_back(RealPath(fs_, e));
    return real;
  }
  void RemoveFiles(const std::vector<std::string>& files);
  bool IsSystemEntry(const std::string& entry);
  void DeleteEntry(const std::string& dir, const std::string& mask);
  // The logged keys the installation created, then the values it wrote into keys that stood
  // before it (values_); never a protected key nor a value in one, whatever the log says.
  void RemoveRegistry(const std::vector<std::string>& keys);
  void RemoveRegistryValue(const std::string& entry);
  // Records what as kept, saying why, when reason (a protected key's) is not empty.
  bool KeptAsProtected(const std::string& what, const std::string& reason);
  // The running setup.exe of the installation: it cannot go while the program runs.
  bool IsOwnProgram(const std::string& path) { return platform::SameText(path, request_.InstallDir + "setup.exe"); }
  // Removes a folder when it is empty, never one that Windows or other programs share (an empty
  // Quick Launch or System folder is still theirs).
  void RemoveEmptyFolder(const std::string& dir) {
    if (IsSharedFolder(Shared(), dir)) return;
    if (fs_.RemoveDirectory(dir)) Record(RecordKind::Removed, dir);
  }
  // Removes the keys above a removed key that it leaves empty (no values, no sub-keys), up to but
  // not including the first level below the root ("Software") or the first protected key.
  void PruneEmptyParents(platform::RegistryRoot root, std::string path);
  void Status(const std::string& text) {
    progress_.Status(text);
    progress_.Repaint();
  }
  void Record(RecordKind kind, const std::string& what) { progress_.Record(kind, what); }
  // The shared folders and the system directories, looked up once for the whole removal.
  const std::vector<std::string>& Shared() {
    if (!shared_) shared_ = SharedFolders(platform_);
    return *shared_;
  }
  const std::vector<std::string>& System() {
    if (!system_) system_ = SystemDirectories(platform_);
    return *system_;
  }

  platform::Platform& platform_;
  platform::FileSystem& fs_;
  const TRemovalRequest& request_;
  TRemovalProgress& progress_;
  // Where the installation's uninstall entry is: HKEY_CURRENT_USER for one for the current user only.
  platform::RegistryRoot entryRoot_;
  bool deleteAll_ = false;
  std::vector<std::string> values_;  // the log's [RegistryValues], read with the other sections
  bool filesByName_ = false;         // the log names every file and made folder, no masks
  // A log changed since the installation is followed only inside the folder the entry recorded.
  bool untrusted_ = false;
  std::string trustedFolder_;
  void CheckLogDigest(const std::string& logPath);
  bool Trusted(const std::string& path) const {
    return !untrusted_ || (!path.empty() && !trustedFolder_.empty() &&
                           (PathIsBelow(path, trustedFolder_) ||
                            UpperCase(platform::IncludeTrailingBackslash(path)) == UpperCase(trustedFolder_)));
  }
  static constexpr const char* kUntrusted =
      " (skipped: uninstaller.cfg was changed after the installation, and this is not inside the installation's "
      "folder)";
  std::optional<std::vector<std::string>> shared_, system_;
};

TRemovalResult Remover::Run() {
  progress_.PassStarted(0);
  TUninstallLog log(platform_.profile());
  log.Open(request_.LogDirectory);
  // Read whole before anything goes: the log lies among the files it names.
  // Every check and every deletion works on the path the file system reads, whatever its spelling in
  // the log: what is checked is what is deleted.
  const std::vector<std::string> files = RealPaths(log.ReadEntries(media::kUninstallFilesSection));
  const std::vector<std::string> folders = RealPaths(log.ReadEntries(media::kUninstallFolderSection));
  const std::vector<std::string> keys = log.ReadEntries(media::kUninstallRegistrySection);
  values_ = log.ReadEntries(media::kUninstallRegistryValuesSection);
  filesByName_ = log.ReadFormat() == media::kUninstallLogFilesByName;
  CheckLogDigest(log.Path());
  TRemovalResult result;
  deleteAll_ = false;
  if (files.empty()) {
    Status("Unable to Find uninstall.cfg!!");
    result.Outcome = TRemovalOutcome::LogMissing;
  } else {
    RemovePasses(files, folders, keys);
  }
  if (untrusted_ && result.Outcome == TRemovalOutcome::Removed) result.Outcome = TRemovalOutcome::LogChanged;
  progress_.PassesDone();
  RemoveRegistration();
  RemoveInstallDirectory(result.Outcome == TRemovalOutcome::LogMissing);
  return result;
}

// The entry (which only administrators can write) vouches for the log it recorded; a log that
// differs was written by someone else since, and is followed only where the installation lies.
void Remover::CheckLogDigest(const std::string& logPath) {
  const TRecordedInstallation recorded = ReadRecordedInstallation(platform_, request_.Title, entryRoot_);
  if (recorded.LogDigest.empty()) return;  // an installation of an earlier version: as before
  std::string actual;
  try {
    actual = Sha256OfFile(fs_, logPath);
  } catch (const Exception&) {
    actual.clear();
  }
  if (actual == recorded.LogDigest) return;
  untrusted_ = true;
  trustedFolder_ = recorded.InstallLocation.empty()
                       ? std::string()
                       : platform::IncludeTrailingBackslash(RealPath(fs_, recorded.InstallLocation));
  Status("uninstaller.cfg was changed after the installation: only what lies in " + trustedFolder_ + " is removed");
}

void Remover::RemovePasses(const std::vector<std::string>& files, const std::vector<std::string>& folders,
                           const std::vector<std::string>& keys) {
  RemoveFiles(files);
  progress_.PassStarted(1);
  // Each folder once, inner ones first, so that a folder emptied by the removal of the one inside it
  // goes too.
  std::vector<std::string> dirs;
  std::set<std::string> seen;
  for (const std::string& e : files)
    if (!e.empty() && seen.insert(UpperCase(ExtractFilePath(e))).second) dirs.push_back(ExtractFilePath(e));
  std::stable_sort(dirs.begin(), dirs.end(), [](const std::string& a, const std::string& b) {
    return std::count(a.begin(), a.end(), '\\') > std::count(b.begin(), b.end(), '\\');
  });
  for (const std::string& dir : dirs) {
    Status("Removing " + dir);
    if (Trusted(dir)) RemoveEmptyFolder(dir);
    progress_.Repaint();
  }
  for (size_t i = 0; i < files.size(); ++i) progress_.Advance();
  progress_.PassStarted(2);
  for (const std::string& f : folders) {
    if (f.empty()) continue;
    if (!Trusted(f)) {
      Record(RecordKind::Kept, f + kUntrusted);
      continue;
    }
    Status("Removing " + f);
    RemoveEmptyFolder(f);
  }
  progress_.PassStarted(3);
  if (!untrusted_) return RemoveRegistry(keys);
  for (const std::string& k : keys) Record(RecordKind::Kept, k + kUntrusted);
  for (const std::string& v : values_) Record(RecordKind::Kept, v + kUntrusted);
}

void Remover::RemoveRegistration() {
  const std::string& title = request_.Title;
  auto uninstall = platform_.registry().OpenKey(entryRoot_, media::kUninstallKey, platform::RegistryAccess::ReadWrite);
  if (!title.empty() && platform_.registry().DeleteKeyTree(entryRoot_, media::kUninstallKey + title))
    Record(RecordKind::Removed, std::string(platform::RootName(entryRoot_)) + "\\" + media::kUninstallKey + title);
  if (uninstall) uninstall->DeleteValue(title);
}

// A log that names every file takes the directory only when the removal left it empty (but for the
// running setup.exe, which the cleanup batch deletes before it removes the emptied folder). A log of
// masks takes the whole tree, as it always did. Without a log nothing says what is the
// application's: the tree goes only when the user says so.
void Remover::RemoveInstallDirectory(bool logMissing) {
  const std::string& dir = request_.InstallDir;
  if (!fs_.DirectoryExists(dir)) return;  // the passes took it: it held nothing else
  // A directory Windows or other programs share is never removed as a tree.
  if (IsSharedFolder(Shared(), dir)) {
    Status("Keeping " + dir + ": other programs share it");
    Record(RecordKind::Kept, dir + " (a folder other programs share)");
    return;
  }
  if (logMissing) {
    const YesNoAll answer =
        progress_.AskDelete("No uninstall log was found in " + dir + ".\rDelete this folder and everything in it?");
    if (answer == YesNoAll::Yes || answer == YesNoAll::All) return RemoveTree(dir);
    Status("Keeping " + dir + ": no uninstall log says what in it was installed");
    Record(RecordKind::Kept, dir + " (no uninstall log says what in it was installed)");
    return;
  }
  if (!filesByName_ && !untrusted_) return RemoveTree(dir);
  // The folder cannot go while it is the current one (of this program, or of the batch it starts).
  fs_.ChangeDirectory(ExtractFilePath(platform::ExcludeTrailingBackslash(dir)));
  if (fs_.RemoveDirectory(dir))
    Record(RecordKind::Removed, dir);
  else if (fs_.DirectoryExists(dir))
    Record(RecordKind::Kept, dir + " (the cleanup batch removes it once setup.exe is gone, if nothing else is left)");
}

void Remover::RemoveTree(const std::string& dir) {
  TMPDelTree tree(platform_, nullptr);
  tree.Path = dir;
  tree.Verbose = false;
  tree.Execute();
  if (fs_.DirectoryExists(dir))
    Record(RecordKind::Kept, dir + " (the cleanup batch removes it once setup.exe is gone)");
  else
    Record(RecordKind::Removed, dir);
}

bool Remover::IsSystemEntry(const std::string& entry) {
  const std::string upper = UpperCase(entry);
  // A shortcut lies in the Windows directory's Start Menu and Desktop; it is never Windows' own.
  if (upper.size() > 4 && upper.compare(upper.size() - 4, 4, ".LNK") == 0) return false;
  for (const std::string& dir : System())
    if (upper.compare(0, dir.size(), UpperCase(dir)) == 0) return true;
  // A mask over a folder others share would empty it: asked about like a system file.
  return ExtractFileName(entry).find_first_of("*?") != std::string::npos &&
         IsSharedFolder(Shared(), ExtractFilePath(entry));
}

void Remover::RemoveFiles(const std::vector<std::string>& files) {
  progress_.SetRange(static_cast<int>(2 * files.size()));
  for (const std::string& e : files) {
    const std::string name = ExtractFileName(e);
    bool remove = true;
    std::string why;
    if (e.empty()) {
      remove = false;  // names nothing the file system could find
    } else if (!Trusted(e)) {
      remove = false;
      why = kUntrusted;
    } else if (IsSharedIniFile(e) && UpperCase(ExtractFilePath(e)) == UpperCase(System()[0])) {
      remove = false;  // Windows' own INI files hold every program's settings
    } else if (IsSystemEntry(e) && !deleteAll_) {
      switch (progress_.AskDelete("File Possible used by Windows.\r" + e + "\rDelete Anyway?")) {
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
      Record(RecordKind::Kept, e + why);
    }
    progress_.Advance();
    progress_.Repaint();
  }
}

void Remover::DeleteEntry(const std::string& dir, const std::string& mask) {
  // What DeleteFilesByMask does (a drive's root refused, folders and files that cannot go left),
  // in one pass that also tells what went and what stayed.
  if (IsDriveRootFolder(fs_, dir.empty() ? std::string(".") : dir)) return;
  if (mask.find_first_of("*?") == std::string::npos) {  // one file, by its name: no search needed
    const std::string path = dir + mask;
    if (fs_.DeleteFile(path) || DeleteReadOnly(path))
      Record(RecordKind::Removed, path);
    else if (fs_.FileExists(path))
      Record(RecordKind::Kept, path + (IsOwnProgram(path) ? " (in use; the cleanup batch deletes it)" : ""));
    return;
  }
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
  // Keys first: a key that stood before the installation keeps its place, only its values go.
  for (const std::string& entry : keys) {
    const media::TRegistryKeyName key = media::ParseRegistryKeyName(entry);
    if (KeptAsProtected(key.FullName(), media::ProtectedKeyReason(entry))) continue;
    const bool gone = platform_.registry().DeleteKeyTree(key.Root, key.Path);
    Record(gone ? RecordKind::Removed : RecordKind::Kept, key.FullName());
    if (gone) PruneEmptyParents(key.Root, key.Path);
  }
  for (const std::string& entry : values_) RemoveRegistryValue(entry);
}

void Remover::RemoveRegistryValue(const std::string& entry) {
  const std::optional<media::TLoggedRegistryValue> value = media::ParseLoggedRegistryValue(entry);
  if (!value) {
    Record(RecordKind::Kept, entry + " (it names no registry value)");
    return;
  }
  const media::TRegistryKeyName key = media::ParseRegistryKeyName(value->Key);
  const std::string what = key.FullName() + "\\\\" + value->Name;
  // A value in a protected key is Windows' or every program's: a log that lists one was not
  // written by an installation of ours.
  if (KeptAsProtected(what, media::ProtectedKeyReason(value->Key))) return;
  auto opened = platform_.registry().OpenKey(key.Root, key.Path, platform::RegistryAccess::ReadWrite);
  const bool gone = opened && opened->DeleteValue(value->Name);
  Record(gone ? RecordKind::Removed : RecordKind::Kept, what);
}

bool Remover::KeptAsProtected(const std::string& what, const std::string& reason) {
  if (reason.empty()) return false;
  Status("Keeping " + what);
  Record(RecordKind::Kept, what + " (a protected registry key: " + reason + ")");
  return true;
}

void Remover::PruneEmptyParents(platform::RegistryRoot root, std::string path) {
  for (;;) {
    const size_t cut = path.rfind('\\');
    if (cut == std::string::npos) return;
    path.erase(cut);
    if (path.find('\\') == std::string::npos) return;
    // An empty Uninstall or CurrentVersion key is still Windows' own.
    if (!media::ProtectedKeyReason(std::string(platform::RootName(root)) + "\\" + path).empty()) return;
    auto key = platform_.registry().OpenKey(root, path, platform::RegistryAccess::Read);
    if (!key || !key->SubKeyNames().empty() || !key->ValueNames().empty()) return;
    key.reset();
    if (!platform_.registry().DeleteKeyTree(root, path)) return;
    Record(RecordKind::Removed, std::string(platform::RootName(root)) + "\\" + path);
  }
}

}  // namespace

TInstalledApplication FindInstallation(platform::Platform& platform, const std::string& joinedArgs) {
  std::string title = joinedArgs;
  std::string dir = CurrentDirWithBackslash(platform);
  TUninstallLog log(platform.profile());
  if (platform.fs().FileExists(dir + media::kUninstallLogFile)) {
    log.Open(dir);
    // A log cut short has lost its title; the one the entry was started with still names it.
    if (std::string logged = log.ReadTitle(); !logged.empty()) title = logged;
  }
  const std::string program =
      media::ParseUninstallCommand(ReadUninstallString(platform, title, UninstallEntryRoot(platform, title, dir)))
          .Program;
  dir = program.empty() ? CurrentDirWithBackslash(platform) : ExtractFilePath(program);
  if (title.empty()) {
    dir = CurrentDirWithBackslash(platform);
    log.Open(dir);
    title = log.ReadTitle();
  }
  return {title, dir};
}

TRemovalResult RemoveApplication(platform::Platform& platform, const TRemovalRequest& request,
                                 TRemovalProgress& progress) {
  return Remover(platform, request, progress).Run();
}

}  // namespace vurerode::setup
