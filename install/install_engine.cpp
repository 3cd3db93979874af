#include "install/install_engine.h"

#include <algorithm>
#include <map>
#include <optional>
#include <set>
#include <stdexcept>
#include <thread>
#include <unordered_map>
#include <unordered_set>

#include "install/configured_entries.h"
#include "install/free_space.h"
#include "install/install_paths.h"
#include "install/journaled_platform.h"
#include "install/previous_installation.h"
#include "install/set_files.h"
#include "install/set_placement.h"
#include "install/shared_folders.h"
#include "install/uninstall_log.h"
#include "media/finstall_cfg.h"
#include "media/install_cfg.h"
#include "platform/text.h"
#include "platform/exception.h"
#include "platform/windows_path.h"
#include "segment/media_sums.h"
#include "shell/del_tree.h"
#include "shell/file_ops.h"
#include "shell/shell_folders.h"
#include "shell/shortcuts.h"

namespace vurerode::setup {

using platform::ExtractFileName;
using platform::ExtractFilePath;

namespace {

// Where each target (by its exact text) occurs last: a target is repeated after position k when it
// occurs last after k.
std::unordered_map<std::string, size_t> LastPositions(const std::vector<std::string>& targets) {
  std::unordered_map<std::string, size_t> last;
  for (size_t i = 0; i < targets.size(); ++i) last[targets[i]] = i;
  return last;
}

// A file that was to go straight from the medium to its place and did not arrive.
constexpr int64_t kNotWritten = -2;

bool Contains(const std::vector<std::string>& list, const std::string& s) {
  for (const std::string& x : list)
    if (x == s) return true;
  return false;
}

// Raised at the next item once the user asked to cancel; the installation ends there.
class InstallCancelled : public std::runtime_error {
 public:
  InstallCancelled() : std::runtime_error("The installation was cancelled.") {}
};

// The caller's progress, which ends the installation at its next item (the next file, shortcut or
// entry) once a cancel was asked for.
class CancellableProgress : public TInstallProgress {
 public:
  explicit CancellableProgress(TInstallProgress& inner) : in_(inner) {}

  bool Cancelled() const { return cancelled_; }
  void Status(const std::string& text) override { in_.Status(text); }
  void SetRange(int max) override { in_.SetRange(max); }
  void Advance() override {
    Check();
    in_.Advance();
  }
  void Record(RecordKind kind, const std::string& what) override { in_.Record(kind, what); }
  void ProcessMessages() override { in_.ProcessMessages(); }
  void Repaint() override { in_.Repaint(); }
  void StepReached(TInstallStep step) override { in_.StepReached(step); }
  void CurrentItem(TInstallStep step, const std::string& text) override {
    Check();
    in_.CurrentItem(step, text);
  }
  Prompter& Prompts() override { return in_.Prompts(); }
  bool CancelRequested() override { return in_.CancelRequested(); }
  std::string Caption() const override { return in_.Caption(); }

 private:
  void Check() {
    // Once raised it is raised again: code that caught it on its way out must not go on.
    if (cancelled_ || in_.CancelRequested()) {
      cancelled_ = true;
      throw InstallCancelled();
    }
  }

  TInstallProgress& in_;
  bool cancelled_ = false;
};

class Installer {
 public:
  Installer(platform::Platform& platform, TSetupGlobals& globals, const TInstallChoices& choices,
            TInstallProgress& progress, const TInUseRetry& inUse)
      : platform_(platform),
        fs_(platform.fs()),
        g_(globals),
        choices_(choices),
        progress_(progress),
        inUse_(inUse),
        mainDir_(platform::IncludeTrailingBackslash(choices.InstallDir)),
        log_(platform.profile()) {}

  TInstallResult Run();

 private:
  void Install();
  bool CheckRoom();
  int64_t SizeOf(const std::string& path);
  bool CopyFiles();
  int64_t CopyOrLeaveForRestart(const std::string& source, const std::string& dir);
  void LogCopyStep(const std::vector<std::string>& targets);
  std::vector<int64_t> PlaceDeferredFiles(const std::vector<std::string>& sources,
                                          const std::vector<std::string>& targets);
  bool NameTaken(const std::string& dir, const std::string& name);
  std::vector<bool> MovableSources(const std::vector<std::string>& sources);
  int64_t MoveIntoPlace(const std::string& source, const std::string& dir);
  void MakeShortcuts();
  void LogShortcutPlaces(const TShortcuts& s, const std::vector<std::string>& chain);
  void Record(RecordKind kind, const std::string& what) { progress_.Record(kind, what); }
  void RegisterUninstaller();
  // A directory the log must not claim by a mask: the four system directories, and (never to
  // destroy what others own) every other shared folder.
  bool IsSystem(const std::string& dir) {
    auto known = system_cache_.find(dir);
    if (known != system_cache_.end()) return known->second;
    if (!shared_) shared_ = SharedFolders(platform_);
    return system_cache_[dir] = Contains(system_, dir) || IsSharedFolder(*shared_, dir);
  }
  // A key the log holds already stays one line where it was first written: writing it again
  // changes nothing, so it is not written again.
  void Log(const std::string& section, const std::string& key) {
    if (logged_.insert(section + "\n" + platform::UpperCase(key)).second) log_.AddEntry(section, key);
  }
  // Notes the folders of dir (itself and those above it) that are not there yet: they are the
  // installation's own, and its removal takes them away once they are empty. Shared folders never.
  void NoteFoldersToMake(const std::string& dir);
  void MakeDirectory(const std::string& dir) {
    if (made_.insert(platform::UpperCase(dir)).second) ForceDirectories(fs_, dir);
  }

  platform::Platform& platform_;
  platform::FileSystem& fs_;
  TSetupGlobals& g_;
  const TInstallChoices& choices_;
  CancellableProgress progress_;
  const TInUseRetry& inUse_;
  std::string mainDir_;
  TUninstallLog log_;
  std::vector<std::string> system_;
  std::vector<std::string> failures_;
  std::map<std::string, bool> system_cache_;
  std::optional<std::vector<std::string>> shared_;
  std::set<std::string> logged_, made_;
  std::set<std::string> looked_;            // folders NoteFoldersToMake looked at, upper case
  std::vector<std::string> foldersToMake_;  // in the order found: each below the ones after it
  std::unordered_map<std::string, std::unordered_set<std::string>> taken_;  // names in a folder, by folder
  // Sizes of the files in a folder, by upper-case name, for the folders CheckRoom looked at.
  std::unordered_map<std::string, std::unordered_map<std::string, int64_t>> sizes_;
  int64_t installedBytes_ = 0;
  bool restartNeeded_ = false;
  TPreviousInstallation previous_;       // an earlier installation under the same title
  std::vector<std::string> notCarried_;  // its entries the new log does not take over
};

TInstallResult Installer::Run() {
  bool cancelled = false;
  try {
    Install();
  } catch (const InstallCancelled&) {
    cancelled = true;
  }
  TInstallResult result;
  result.Outcome = cancelled || progress_.Cancelled() ? TInstallOutcome::Cancelled
                   : failures_.empty()                ? TInstallOutcome::Installed
                                                      : TInstallOutcome::Failed;
  result.Failures = failures_;
  result.BytesInstalled = installedBytes_;
  result.InstallDir = mainDir_;
  result.RestartNeeded = restartNeeded_;
  result.NotCarriedOver = notCarried_;
  return result;
}

void Installer::Install() {
  // The bar counts the pairs the configuration gave, without the installer's own files.
  const size_t configuredPairs = g_.InstallTargets.size();
  for (const char* name : {"setup.exe", media::kInstallConfigFile, media::kFileListFile})
    g_.InstallFiles.push_back(std::string("Installation Directory,C:\\") + name);
  BuildInstallFileLists(platform_, g_, mainDir_);
  if (!CheckRoom()) return;
  JournalInstallationTitle(platform_, choices_.Title);
  // An earlier installation under the same title is read before anything replaces its log: the
  // new log takes over what the new version no longer installs, so that one removal takes both.
  previous_ = ReadPreviousInstallation(platform_, choices_.Title, ScopeRoot(choices_.Scope));
  progress_.StepReached(TInstallStep::Files);
  Record(RecordKind::Step, "Installing files into " + mainDir_);
  // The log lives in the installation directory, which must be there before its first entry even
  // when the first file goes elsewhere (into System, say).
  NoteFoldersToMake(mainDir_);
  MakeDirectory(mainDir_);
  log_.Create(fs_, mainDir_);
  ClearConfiguredEntries(platform_, g_.IniRegistry, progress_);
  progress_.SetRange(
      static_cast<int>(2 * configuredPairs + g_.Desktop.size() + g_.IniRegistry.size() + g_.AutoexecBat.size()));
  log_.Open(mainDir_);
  system_ = SystemDirectories(platform_);
  if (!CopyFiles()) return;
  for (const std::string* extra : {&choices_.LogoFile, &choices_.BitMap}) {
    if (extra->empty()) continue;
    try {
      CopyFileInto(fs_, g_.ExpandDir + *extra, mainDir_);
    } catch (const Exception&) {
      // The uninstaller only shows them; a missing picture is not shown.
    }
  }
  // The follow-up programs run from the expanded files: keep them until the finish has run them.
  if (!KeepExpandDirForFinish(g_)) {
    TMPDelTree tree(platform_, nullptr);
    tree.Path = g_.ExpandDir;
    tree.Execute();
  }
  progress_.StepReached(TInstallStep::Shortcuts);
  progress_.ProcessMessages();
  progress_.Status("Creating Folders");
  progress_.ProcessMessages();
  Record(RecordKind::Step, "Creating folders and shortcuts");
  MakeShortcuts();
  progress_.StepReached(TInstallStep::Entries);
  Record(RecordKind::Step, "Writing INI and registry entries");
  WriteConfiguredEntries(platform_, g_.IniRegistry, log_, progress_);
  RegisterUninstaller();
  progress_.Status("Finished");
}

// The files expanded already are counted by their size; those still in the set are not known
// before the set is read again, and are not counted.
bool Installer::CheckRoom() {
  TDriveNeeds needs;
  std::unordered_set<std::string> counted;
  for (size_t k = 0; k < g_.InstallTargets.size(); ++k) {
    const std::string& target = g_.InstallTargets[k];
    if (ExtractFileName(target).empty() || !counted.insert(FileKey(target)).second) continue;
    const int64_t size = SizeOf(g_.InstallSources[k]);
    if (size > 0) needs.Add(fs_, target, size);
  }
  for (const std::string* picture : {&choices_.LogoFile, &choices_.BitMap})
    if (!picture->empty())
      if (const int64_t size = SizeOf(g_.ExpandDir + *picture); size > 0) needs.Add(fs_, mainDir_, size);
  const std::vector<std::string> shortfalls = needs.Shortfalls(fs_);
  failures_.insert(failures_.end(), shortfalls.begin(), shortfalls.end());
  return shortfalls.empty();
}

// A file's size from its folder's listing, read once per folder; -1 for a file that is not there.
int64_t Installer::SizeOf(const std::string& path) {
  const std::string folder = platform::UpperCase(ExtractFilePath(path));
  auto listed = sizes_.find(folder);
  if (listed == sizes_.end()) {
    listed = sizes_.emplace(folder, std::unordered_map<std::string, int64_t>()).first;
    platform::FindData found;
    if (auto search = fs_.FindFirst(ExtractFilePath(path) + "*.*", found)) do {
        if (found.attributes & platform::faDirectory) continue;
        listed->second[platform::UpperCase(found.name)] = found.size;
        if (!found.shortName.empty()) listed->second[platform::UpperCase(found.shortName)] = found.size;
      } while (search->Next(found));
  }
  auto size = listed->second.find(platform::UpperCase(ExtractFileName(path)));
  return size == listed->second.end() ? -1 : size->second;
}

void Installer::RegisterUninstaller() {
  progress_.Status("Creating Uninstaller");
  progress_.Repaint();
  TUninstallRegistration r;
  r.Title = choices_.Title;
  r.InstallDir = mainDir_;
  r.DisplayIcon = mainDir_ + "setup.exe";
  if (!g_.Desktop.empty()) {
    const std::string program = media::ParseDesktopEntry(g_.Desktop.front()).Program;
    if (!program.empty()) r.DisplayIcon = SubstitutePathTokens(platform_, mainDir_, program);
  }
  r.DisplayVersion = choices_.DisplayVersion;
  r.Publisher = choices_.Publisher;
  r.EstimatedSizeKB = static_cast<uint32_t>((installedBytes_ + 1023) / 1024);
  r.Root = ScopeRoot(choices_.Scope);
  RegisterUninstall(platform_, r);
  Record(RecordKind::RegistryValue,
         std::string(platform::RootName(r.Root)) + "\\" + std::string(media::kUninstallKey) + r.Title +
             " UninstallString=" + media::UninstallCommand(r.InstallDir + "setup.exe", r.Title));
  log_.SetTitle(r.Title);
  log_.SetFormat(media::kUninstallLogFilesByName);
  for (const std::string& dropped : CarryOverPreviousEntries(previous_, log_)) {
    Record(RecordKind::Kept, dropped);
    notCarried_.push_back(dropped);
  }
  // Written last: what the removal finds in a log that differs from this was not written here.
  try {
    RecordLogDigest(platform_, r.Title, Sha256OfFile(fs_, log_.Path()), r.Root);
  } catch (const Exception&) {
    // A log that cannot be read back is not vouched for; its removal works as for earlier versions.
  }
  Record(RecordKind::File, log_.Path());
}

bool Installer::CopyFiles() {
  const std::vector<std::string> sources = g_.InstallSources, targets = g_.InstallTargets;
  const std::vector<bool> movable = MovableSources(sources);
  const std::unordered_map<std::string, size_t> lastPosition = LastPositions(targets);
  LogCopyStep(targets);
  std::vector<std::string> files;
  for (const std::string& target : targets)
    if (!ExtractFileName(target).empty()) files.push_back(target);
  JournalExpectedFiles(platform_, files, foldersToMake_);
  const std::vector<int64_t> placed = PlaceDeferredFiles(sources, targets);
  if (!failures_.empty()) return false;
  for (size_t k = 0; k < targets.size(); ++k) {
    const std::string& target = targets[k];
    const std::string dir = ExtractFilePath(target);
    progress_.Advance();
    const std::string name = ExtractFileName(target);
    if (!name.empty()) {
      if (placed[k] < 0) {  // one placed already was shown as it arrived
        progress_.CurrentItem(TInstallStep::Files, "Installing : " + name);
        progress_.ProcessMessages();
      }
      MakeDirectory(dir);
      if (placed[k] >= 0) {  // expanded straight into place, its source never written
        installedBytes_ += placed[k];
        Record(RecordKind::File, target);
        continue;
      }
      if (placed[k] == kNotWritten) {
        failures_.push_back(target + " (it could not be written from the installation medium)");
        return false;
      }
      try {
        const int64_t moved = movable[k] ? MoveIntoPlace(sources[k], dir) : -1;
        installedBytes_ += moved >= 0 ? moved : CopyOrLeaveForRestart(sources[k], dir);
        Record(RecordKind::File, target);
      } catch (const Exception& e) {
        failures_.push_back(target + " (" + e.what() + ")");
        return false;
      }
      if (lastPosition.at(target) > k) fs_.DeleteFile(sources[k]);
    } else {
      progress_.CurrentItem(TInstallStep::Files, "Creating Directories .. ");
      progress_.ProcessMessages();
      MakeDirectory(dir);
      if (!fs_.DirectoryExists(dir)) {
        failures_.push_back(dir + " (the folder could not be created)");
        return false;
      }
      Record(RecordKind::Folder, dir);
    }
  }
  return true;
}

// Copies source into dir; a file there that another program holds is tried again a few times, and
// then the copy is written beside it under a name of its own and put in its place at the next
// restart. Only an administrator may ask Windows for that: an installation for the current user
// fails instead, naming the file, and is rolled back.
int64_t Installer::CopyOrLeaveForRestart(const std::string& source, const std::string& dir) {
  for (int retry = 0;; ++retry) {
    try {
      return CopyFileInto(fs_, source, dir);
    } catch (const EFileInUse&) {
      if (retry >= inUse_.Retries) {
        if (choices_.Scope == TInstallScope::User)
          throw Exception("another program holds it, and only an administrator can have it replaced at the "
                          "next restart: close that program and run setup again");
        break;
      }
      if (inUse_.Wait)
        inUse_.Wait(inUse_.Interval);
      else
        std::this_thread::sleep_for(inUse_.Interval);
    }
  }
  const std::string folder = platform::IncludeTrailingBackslash(fs_.FullPathName(dir));
  const std::string target = folder + ExtractFileName(source);
  std::string pending;
  for (int n = 1; pending.empty() || fs_.GetAttributes(pending) != platform::kInvalidAttributes; ++n)
    pending = folder + "~VR" + std::to_string(n) + ".TMP";
  int64_t bytes = 0;
  {
    auto in = fs_.OpenFile(source, platform::FileAccess::Read);
    auto out = fs_.CreateFile(pending);
    bytes = in->Size();
    out->CopyFrom(*in, bytes);
  }
  if (!fs_.ReplaceAtRestart(pending, target)) {
    fs_.DeleteFile(pending);
    throw EFileInUse(target);
  }
  restartNeeded_ = true;
  return bytes;
}

// The copy step's log entries, written before anything is copied, a section at a time: every file
// the installation writes into the installation directory and elsewhere by its full name (the log
// itself and the pictures the uninstaller shows too), and the folders it makes, each before the
// folders above it. Nothing is logged by a mask: the removal deletes what was installed and nothing
// a user or another program put beside it.
void Installer::LogCopyStep(const std::vector<std::string>& targets) {
  std::vector<std::pair<std::string, std::string>> entries;
  for (const std::string& target : targets) {
    NoteFoldersToMake(ExtractFilePath(target));
    if (!ExtractFileName(target).empty()) entries.emplace_back(media::kUninstallFilesSection, target);
  }
  for (const std::string* picture : {&choices_.LogoFile, &choices_.BitMap})
    if (!picture->empty()) entries.emplace_back(media::kUninstallFilesSection, mainDir_ + ExtractFileName(*picture));
  entries.emplace_back(media::kUninstallFilesSection, log_.Path());
  std::vector<std::string> folders = foldersToMake_;
  std::stable_sort(folders.begin(), folders.end(), [](const std::string& a, const std::string& b) {
    return std::count(a.begin(), a.end(), '\\') > std::count(b.begin(), b.end(), '\\');
  });
  for (const std::string& folder : folders) entries.emplace_back(media::kUninstallFolderSection, folder);
  std::vector<std::string> sections;
  std::unordered_map<std::string, std::vector<std::string>> keys;
  for (const auto& [section, key] : entries) {
    if (!logged_.insert(section + "\n" + platform::UpperCase(key)).second) continue;
    if (!keys.count(section)) sections.push_back(section);
    keys[section].push_back(key);
  }
  for (const std::string& section : sections) log_.AddEntries(section, keys[section]);
}

void Installer::NoteFoldersToMake(const std::string& dir) {
  for (std::string folder = platform::IncludeTrailingBackslash(dir); folder.size() > 3;
       folder = ExtractFilePath(platform::ExcludeTrailingBackslash(folder))) {
    if (!looked_.insert(platform::UpperCase(folder)).second || IsSystem(folder) || fs_.DirectoryExists(folder))
      return;
    foldersToMake_.push_back(folder);
  }
}

// Places the files the bootstrap left in the set: straight into its destination a file that one
// entry alone installs to a place no other entry writes and where no file is yet (an existing one
// is replaced by copying, under the copy's rules); into ExpandDir every other file an entry copies,
// and every file when follow-up programs will run from there. The sizes of the files placed
// straight, kNotWritten for those that were to be and are not, -1 for the rest.
std::vector<int64_t> Installer::PlaceDeferredFiles(const std::vector<std::string>& sources,
                                                   const std::vector<std::string>& targets) {
  std::vector<int64_t> placed(targets.size(), -1);
  if (g_.DeferredFiles.empty()) return placed;
  std::vector<std::string> keys(sources.size());
  std::unordered_map<std::string, int> sourceUses, targetUses;
  for (size_t k = 0; k < sources.size(); ++k) {
    if (ExtractFileName(targets[k]).empty()) continue;
    keys[k] = FileKey(sources[k]);
    ++sourceUses[keys[k]];
    ++targetUses[FileKey(targets[k])];
  }
  TPlacementPlan plan;
  const bool keepAll = KeepExpandDirForFinish(g_);
  if (keepAll) plan.Expand = g_.DeferredFiles;
  std::vector<std::pair<size_t, std::string>> direct;
  for (size_t k = 0; k < sources.size(); ++k) {
    if (keys[k].empty() || !g_.DeferredFiles.count(keys[k]) || keepAll) continue;
    if (sourceUses[keys[k]] == 1 && targetUses[FileKey(targets[k])] == 1) {
      const std::string dir = ExtractFilePath(targets[k]);
      const std::string folder = fs_.FullPathName(dir);
      // A folder this installation makes holds nothing yet: it needs no listing.
      if (!folder.empty() && !made_.count(platform::UpperCase(dir)) && !fs_.DirectoryExists(folder))
        taken_.emplace(platform::UpperCase(platform::IncludeTrailingBackslash(folder)),
                       std::unordered_set<std::string>());
      MakeDirectory(dir);
      const std::string name = ExtractFileName(sources[k]);
      if (!folder.empty() && fs_.DirectoryExists(folder) && !NameTaken(folder, name)) {
        const std::string file = platform::IncludeTrailingBackslash(folder) + name;
        plan.Direct[keys[k]] = file;
        direct.emplace_back(k, file);
        continue;
      }
    }
    plan.Expand.insert(keys[k]);
  }
  g_.DeferredFiles.clear();
  if (plan.Direct.empty() && plan.Expand.empty()) return placed;
  const TPlacementResult result = PlaceSetFiles(platform_, g_, plan, progress_);
  // A cancel stops the reading as a failure would; it is told apart here.
  if (progress_.Cancelled()) throw InstallCancelled();
  if (!result.Stopped.empty())
    failures_.push_back("the installation medium could not be read to its end (" + result.Stopped + ")");
  for (const auto& [k, file] : direct) {
    auto written = result.Written.find(file);
    placed[k] = written != result.Written.end() ? written->second : kNotWritten;
  }
  return placed;
}

// Whether a folder holds an entry of that name already (its long or its short name).
bool Installer::NameTaken(const std::string& dir, const std::string& name) {
  const std::string folder = platform::UpperCase(platform::IncludeTrailingBackslash(dir));
  auto listed = taken_.find(folder);
  if (listed == taken_.end()) {
    listed = taken_.emplace(folder, std::unordered_set<std::string>()).first;
    platform::FindData found;
    if (auto search = fs_.FindFirst(platform::IncludeTrailingBackslash(dir) + "*.*", found)) do {
        listed->second.insert(platform::UpperCase(found.name));
        if (!found.shortName.empty()) listed->second.insert(platform::UpperCase(found.shortName));
      } while (search->Next(found));
  }
  return listed->second.count(platform::UpperCase(name)) > 0;
}

// The expanded files nothing reads after their own copy: those can be moved into place rather than
// copied and deleted with the rest of the expanded archive. Kept are a source a later entry copies
// again, the pictures the installation directory gets afterwards, and every file when follow-up
// programs will run from the expanded archive.
std::vector<bool> Installer::MovableSources(const std::vector<std::string>& sources) {
  std::vector<bool> movable(sources.size(), !KeepExpandDirForFinish(g_));
  std::vector<std::string> keys;
  for (const std::string& s : sources) keys.push_back(FileKey(s));
  std::unordered_set<std::string> later;
  for (const std::string* picture : {&choices_.LogoFile, &choices_.BitMap})
    if (!picture->empty()) later.insert(FileKey(g_.ExpandDir + *picture));
  for (size_t k = sources.size(); k-- > 0;) {
    if (later.count(keys[k])) movable[k] = false;
    later.insert(keys[k]);
  }
  return movable;
}

// Moves an expanded file into dir under its own name, as CopyFileInto would have copied it: the
// file's size, or -1 when it must be copied after all (a target that exists is replaced by copying,
// under the rules a copy obeys).
int64_t Installer::MoveIntoPlace(const std::string& source, const std::string& dir) {
  // A folder that is not there fails the move, and the copy then reports it.
  std::string folder = fs_.FullPathName(dir);
  if (folder.empty()) return -1;
  return fs_.RelocateFile(source, platform::IncludeTrailingBackslash(folder) + ExtractFileName(source));
}

void Installer::MakeShortcuts() {
  std::vector<std::string> chain;
  for (size_t k = 0; k < g_.Desktop.size(); ++k) {
    progress_.Advance();
    progress_.ProcessMessages();
    const media::TDesktopEntry e = media::ParseDesktopEntry(g_.Desktop[k]);
    TShortcuts s(platform_);
    s.Folders = ShellSetOf(choices_.Scope);
    s.FolderDesktop = choices_.FolderOnDesktop;
    s.FolderStartMenu = choices_.FolderOnStartMenu;
    s.ProgramName = e.Name;
    s.RunProgram = SubstitutePathTokens(platform_, mainDir_, e.Program);
    const TShortcutTicks ticks = k < choices_.Shortcuts.size() ? choices_.Shortcuts[k] : TShortcutTicks();
    s.StartMenu = ticks.StartMenu;
    s.Desktop = ticks.Desktop;
    s.QuickLaunch = ticks.QuickLaunch;
    s.Folder = e.Folder;
    s.IconFile = ExtractFileName(e.IconFile);
    if (!s.IconFile.empty()) s.IconFile = mainDir_ + s.IconFile;
    for (const std::string& part : FolderChain(s.Folder)) chain.push_back(part);
    LogShortcutPlaces(s, chain);
    progress_.CurrentItem(TInstallStep::Shortcuts, "Folders: " + s.ProgramName);
    s.CreateShortcut();
    progress_.ProcessMessages();
  }
}

void Installer::LogShortcutPlaces(const TShortcuts& s, const std::vector<std::string>& chain) {
  const std::string S = GetShellFolder(platform_, kShellStartMenu, s.Folders),
                    D = GetShellFolder(platform_, kShellDesktop, s.Folders),
                    P = GetShellFolder(platform_, kShellPrograms, s.Folders),
                    Q = QuickLaunchFolder(platform_, s.Folders);
  const std::string lnk = s.ProgramName + ".lnk";
  auto file = [&](const std::string& path) {
    Log(media::kUninstallFilesSection, path);
    Record(RecordKind::Shortcut, path + " -> " + s.RunProgram);
  };
  auto folders = [&](const std::string& base) {
    // Only the folders this installation makes are its own; a group that stood before stays.
    for (const std::string& f : chain)
      if (!fs_.DirectoryExists(base + f)) Log(media::kUninstallFolderSection, base + f);
  };
  folders(S);
  if (s.StartMenu) file(S + lnk);
  if (s.Desktop) file(D + lnk);
  if (s.QuickLaunch) file(Q + lnk);
  if (s.FolderDesktop) {
    folders(D);
    file(D + s.Folder + "\\" + lnk);
  }
  if (s.FolderStartMenu) {
    folders(S);
    file(S + s.Folder + "\\" + lnk);
  }
  folders(P);
  file(P + s.Folder + "\\" + lnk);
}

}  // namespace

std::vector<std::string> FolderChain(const std::string& folder) {
  std::vector<std::string> chain{folder};
  if (folder.find('\\') == std::string::npos) return chain;
  std::string f = folder;
  while (f.find('\\') != std::string::npos) {
    f = f.substr(0, f.rfind('\\'));
    chain.push_back(f);
  }
  chain.push_back(f);
  return chain;
}

std::string TInstallResult::FailureText() const {
  if (Outcome == TInstallOutcome::Installed && Failures.empty()) return {};
  std::string text;
  if (Outcome == TInstallOutcome::Cancelled) {
    text = "The installation was cancelled.";
  } else {
    text = "Setup could not complete the installation:";
    for (size_t i = 0; i < Failures.size() && i < 10; ++i) text += "\n" + Failures[i];
    if (Failures.size() > 10) text += "\n...";
  }
  // Whoever undoes the installation says how that went.
  return text;
}

TInstallResult InstallApplication(platform::Platform& platform, TSetupGlobals& globals, const TInstallChoices& choices,
                                  TInstallProgress& progress, const TInUseRetry& inUse) {
  return Installer(platform, globals, choices, progress, inUse).Run();
}

}  // namespace vurerode::setup
