#include "install/previous_installation.h"

#include <set>

#include "install/install_paths.h"
#include "install/shared_folders.h"
#include "install/uninstall_log.h"
#include "media/uninstall_log_format.h"
#include "platform/text.h"
#include "platform/exception.h"
#include "platform/file_search.h"
#include "platform/windows_path.h"
#include "segment/media_sums.h"

namespace vurerode::setup {

using platform::SameText;
using platform::UpperCase;

namespace {

constexpr const char* kChangedLog =
    " (not carried over: the earlier installation's uninstaller.cfg was changed after it was installed, and this "
    "is not inside its folder)";
constexpr const char* kUnvouchedLog =
    " (not carried over: the earlier installation recorded no digest of its uninstaller.cfg, and this is not "
    "inside its folder)";
constexpr const char* kSharedMask =
    " (not carried over: a mask over a folder Windows or other programs share matches their files too)";
constexpr const char* kUnreadSection = " (not carried over: this version's removal does not read that section)";

// The section of the new log an old one's entries go to (as the removal names it), or empty for a
// section the removal does not read.
std::string CarriedSectionName(const std::string& name) {
  for (const char* known : {media::kUninstallFilesSection, media::kUninstallFolderSection,
                            media::kUninstallRegistrySection, media::kUninstallRegistryValuesSection})
    if (SameText(name, known)) return known;
  return {};
}

bool EntryExists(platform::Platform& platform, const std::string& title, platform::RegistryRoot root) {
  return platform.registry().OpenKey(root, media::kUninstallKey + title, platform::RegistryAccess::Read) != nullptr;
}

std::vector<TLogSection> ReadWholeLog(platform::Profile& profile, const std::string& path) {
  std::vector<TLogSection> sections;
  std::set<std::string> seen;
  // A section whose name comes twice reads as its first one: it is listed once.
  for (const std::string& name : profile.ReadSectionNames(path))
    if (seen.insert(UpperCase(name)).second) sections.push_back({name, profile.ReadAllKeyNames(path, name)});
  return sections;
}

// Decides, entry by entry, what the new log takes over. Carried into the new log, an entry gains the
// new digest's word, so only a log its own entry's digest vouched for is carried whole; any other
// (changed since, or of an earlier version that recorded no digest) is followed as the removal
// follows a changed log: only inside the installation's folder, and never into the registry.
class CarryPlan {
 public:
  CarryPlan(platform::Platform& platform, TPreviousInstallation& previous, const std::string& digest)
      : fs_(platform.fs()), shared_(SharedFolders(platform)), p_(previous) {
    const std::string folder = RealPath(fs_, p_.InstallDir);
    folder_ = folder.empty() ? std::string() : UpperCase(platform::IncludeTrailingBackslash(folder));
    untrustedReason_ = digest.empty() ? kUnvouchedLog : kChangedLog;
  }

  void Decide() {
    for (const TLogSection& section : p_.Log) {
      if (SameText(section.Name, media::kUninstallNameSection)) continue;  // the new log's own title
      const std::string carried = CarriedSectionName(section.Name);
      if (carried.empty()) {
        for (const std::string& key : section.Keys) Drop("[" + section.Name + "] " + key, kUnreadSection);
        continue;
      }
      for (const std::string& key : section.Keys) DecideEntry(carried, key);
    }
  }

 private:
  void DecideEntry(const std::string& section, const std::string& key) {
    if (section == media::kUninstallRegistrySection || section == media::kUninstallRegistryValuesSection) {
      if (p_.Vouched)
        Carry(section, key);
      else
        Drop(key, untrustedReason_);
      return;
    }
    if (key.empty()) return;  // names nothing the file system could find
    // What is checked is what is carried: the path as the file system reads it, not the log's spelling.
    const std::string real = RealPath(fs_, key);
    if (!p_.Vouched && !Inside(real)) return Drop(key, untrustedReason_);
    const std::string written = p_.Vouched ? key : real;
    if (section == media::kUninstallFilesSection &&
        platform::ExtractFileName(key).find_first_of("*?") != std::string::npos)
      return CarryMatches(key, real);
    Carry(section, written);
  }

  // A mask of a log without Format=2 would, in the new log, delete whatever it matches at removal
  // time, a file a user saves there later too. The files it matches now are the ones the old removal
  // would have taken: they are carried by name. A mask over a folder others share is not carried:
  // its old removal asked before deleting, and names carry no question.
  void CarryMatches(const std::string& key, const std::string& real) {
    const std::string dir = platform::ExtractFilePath(real);
    if (dir.empty()) return;  // a path that cannot be made full matches nothing
    if (IsSharedFolder(shared_, dir)) return Drop(key, kSharedMask);
    platform::TFileSearch search(fs_, real, platform::faAnyFile);
    platform::TSearchRec rec;
    while (search.Next(rec))
      if (!(rec.Attr & platform::faDirectory)) Carry(media::kUninstallFilesSection, dir + rec.Name);
  }

  bool Inside(const std::string& path) const {
    return !path.empty() && !folder_.empty() &&
           (PathIsBelow(path, folder_) || UpperCase(platform::IncludeTrailingBackslash(path)) == folder_);
  }

  void Carry(const std::string& section, const std::string& key) {
    if (!carried_.insert(section + "\n" + UpperCase(key)).second) return;
    for (TLogSection& s : p_.Carried)
      if (s.Name == section) return s.Keys.push_back(key);
    p_.Carried.push_back({section, {key}});
  }

  void Drop(const std::string& what, const char* reason) { p_.Dropped.push_back(what + reason); }

  platform::FileSystem& fs_;
  const std::vector<std::string> shared_;
  TPreviousInstallation& p_;
  std::string folder_;  // the installation's folder as the file system reads it, upper case
  const char* untrustedReason_;
  std::set<std::string> carried_;  // section, newline, upper-case key
};

}  // namespace

TPreviousInstallation ReadPreviousInstallation(platform::Platform& platform, const std::string& title,
                                               platform::RegistryRoot root) {
  TPreviousInstallation previous;
  previous.Title = title;
  // An empty title would name the key of every uninstall entry.
  if (title.empty() || !EntryExists(platform, title, root)) return previous;
  const TRecordedInstallation recorded = ReadRecordedInstallation(platform, title, root);
  // An entry of an earlier version records no folder; its UninstallString starts the setup.exe
  // beside the log, as the removal finds it.
  std::string dir = recorded.InstallLocation;
  if (dir.empty())
    dir = platform::ExtractFilePath(media::ParseUninstallCommand(ReadUninstallString(platform, title, root)).Program);
  if (dir.empty()) return previous;
  previous.InstallDir = platform::IncludeTrailingBackslash(dir);
  const std::string log = previous.InstallDir + media::kUninstallLogFile;
  if (!platform.fs().FileExists(log)) return previous;
  previous.LogPath = log;
  previous.Log = ReadWholeLog(platform.profile(), log);
  if (!recorded.LogDigest.empty()) {
    try {
      previous.Vouched = Sha256OfFile(platform.fs(), log) == recorded.LogDigest;
    } catch (const Exception&) {
      previous.Vouched = false;  // a log that cannot be read back is not the one recorded
    }
  }
  CarryPlan(platform, previous, recorded.LogDigest).Decide();
  return previous;
}

std::vector<std::string> CarryOverPreviousEntries(const TPreviousInstallation& previous, TUninstallLog& newLog) {
  for (const TLogSection& section : previous.Carried) {
    // The new version's own entries keep their places; the profile compares keys without case too.
    std::set<std::string> held;
    for (const std::string& key : newLog.ReadEntries(section.Name)) held.insert(UpperCase(key));
    std::vector<std::string> missing;
    for (const std::string& key : section.Keys)
      if (held.insert(UpperCase(key)).second) missing.push_back(key);
    if (!missing.empty()) newLog.AddEntries(section.Name, missing);
  }
  return previous.Dropped;
}

}  // namespace vurerode::setup
