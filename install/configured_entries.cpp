#include "install/configured_entries.h"

#include <map>
#include <set>

#include "install/install_paths.h"
#include "install/shared_folders.h"
#include "install/uninstall_log.h"
#include "media/install_cfg.h"
#include "media/registry_keys.h"
#include "platform/text.h"
#include "platform/exception.h"
#include "shell/shell_folders.h"

namespace vurerode::setup {

namespace {

bool StartsWithRootName(const std::string& text) {
  return platform::UpperCase(text.substr(0, 5)) == "HKEY_";
}

// The value names the entries write, upper case, by key (root name, backslash, upper-case path).
using WrittenValues = std::map<std::string, std::set<std::string>>;

std::string WrittenKeyOf(platform::RegistryRoot root, const std::string& path) {
  return std::string(platform::RootName(root)) + "\\" + platform::UpperCase(media::CollapseKeySeparators(path));
}

WrittenValues ValuesTheEntriesWrite(const std::vector<std::string>& entries) {
  WrittenValues written;
  for (const std::string& entry : entries) {
    const media::TConfiguredEntry e = media::ParseConfiguredEntry(entry);
    if (entry.empty() || IsIniEntry(e.Place)) continue;
    const TRegistryPlace place = RegistryPlaceOf(e.Place);
    written[WrittenKeyOf(place.root, place.keyPath + "\\" + e.Section)].insert(platform::UpperCase(e.Name));
  }
  return written;
}

// Whether the key holds nothing but what the entries write: each value one an entry writes into
// this key, each sub-key itself an entry's key holding nothing else. Such a key is the entries'
// own, left by an earlier installation of theirs; anything else in it (another program's value in
// a Run key, a sibling product's sub-key under a vendor key) belongs to someone else. A key that
// does not exist holds nothing.
bool HoldsOnlyWhatEntriesWrite(platform::Registry& registry, platform::RegistryRoot root, const std::string& path,
                               const WrittenValues& written) {
  auto key = registry.OpenKey(root, path, platform::RegistryAccess::Read);
  if (!key) return true;
  const auto own = written.find(WrittenKeyOf(root, path));
  if (own == written.end()) return false;
  for (const std::string& name : key->ValueNames())
    if (!own->second.count(platform::UpperCase(name))) return false;
  for (const std::string& sub : key->SubKeyNames())
    if (!HoldsOnlyWhatEntriesWrite(registry, root, path + "\\" + sub, written)) return false;
  return true;
}

}  // namespace

bool IsIniEntry(const std::string& field) {
  return platform::UpperCase(field).find(".INI") != std::string::npos;
}

TRegistryPlace RegistryPlaceOf(const std::string& field) {
  TRegistryPlace place;
  place.root = field.find("HKEY_LOCAL_MACHINE") != std::string::npos ? platform::RegistryRoot::LocalMachine
                                                                     : platform::RegistryRoot::CurrentUser;
  place.keyPath = field;
  // Only a root name at the front is taken off; a path without one is a key path as it stands.
  if (StartsWithRootName(field)) {
    size_t slash = field.find('\\');
    place.keyPath = slash == std::string::npos ? std::string() : field.substr(slash + 1);
  }
  return place;
}

void ClearConfiguredEntries(platform::Platform& platform, const std::vector<std::string>& entries,
                            TEngineProgress& progress) {
  const WrittenValues written = ValuesTheEntriesWrite(entries);
  for (const std::string& entry : entries) {
    progress.ProcessMessages();
    if (entry.empty()) continue;  // a missing entry (Count beyond the entries given) names nothing
    const media::TConfiguredEntry e = media::ParseConfiguredEntry(entry);
    if (IsIniEntry(e.Place)) {
      if (!IsSharedIniFile(e.Place)) platform.fs().DeleteFile(WindowsDir(platform) + "\\" + e.Place);
      continue;
    }
    // A key goes only when everything in it is the entries' own (see HoldsOnlyWhatEntriesWrite);
    // otherwise the entries' values overwrite their old selves and the rest stays.
    const TRegistryPlace place = RegistryPlaceOf(e.Place);
    const std::string path = media::CollapseKeySeparators(place.keyPath + "\\" + e.Section);
    if (!media::ProtectedKeyReason(e).empty()) continue;
    if (HoldsOnlyWhatEntriesWrite(platform.registry(), place.root, path, written))
      platform.registry().DeleteKeyTree(place.root, path);
  }
}

void WriteConfiguredEntries(platform::Platform& platform, const std::vector<std::string>& entries, TUninstallLog& log,
                            TEngineProgress& progress) {
  progress.Status("Creating Registry Entries");
  progress.ProcessMessages();
  // Whether each entry's key stood before this installation wrote anything, decided for all of them
  // first: two entries into one new key both log the key. A protected key counts as standing.
  std::vector<bool> stood(entries.size(), false);
  for (size_t i = 0; i < entries.size(); ++i) {
    const media::TConfiguredEntry e = media::ParseConfiguredEntry(entries[i]);
    if (entries[i].empty() || IsIniEntry(e.Place)) continue;
    const TRegistryPlace place = RegistryPlaceOf(e.Place);
    stood[i] = !media::ProtectedKeyReason(e).empty() ||
               platform.registry().OpenKey(place.root, place.keyPath + "\\" + e.Section,
                                           platform::RegistryAccess::Read) != nullptr;
  }
  for (size_t i = 0; i < entries.size(); ++i) {
    progress.ProcessMessages();
    const media::TConfiguredEntry e = media::ParseConfiguredEntry(entries[i]);
    progress.Advance();
    progress.ProcessMessages();
    if (entries[i].empty()) continue;  // a missing entry (Count beyond the entries given) names nothing
    if (IsIniEntry(e.Place)) {
      // Windows' shared INI files take the value but are never listed for deletion.
      if (!IsSharedIniFile(e.Place)) log.AddEntry(media::kUninstallFilesSection, WindowsDir(platform) + "\\" + e.Place);
      platform.profile().WriteString(e.Place, e.Section, e.Name, e.Value);
      progress.Record(RecordKind::IniValue, e.Place + " [" + e.Section + "] " + e.Name + "=" + e.Value);
    } else {
      const TRegistryPlace place = RegistryPlaceOf(e.Place);
      const std::string path = media::CollapseKeySeparators(place.keyPath + "\\" + e.Section);
      const std::string key = std::string(platform::RootName(place.root)) + "\\" + path;
      // A key that stood before holds others' values too: only the value written is ours to remove.
      if (stood[i])
        log.AddEntry(media::kUninstallRegistryValuesSection, media::FormatLoggedRegistryValue({key, e.Name}));
      else
        log.AddEntry(media::kUninstallRegistrySection, key);
      auto opened = platform.registry().CreateKey(place.root, path);
      if (!opened) throw ERegistryException::CreateFailed(path);
      opened->WriteString(e.Name, e.Value);
      progress.Record(RecordKind::RegistryValue, key + " " + e.Name + "=" + e.Value);
    }
  }
}

}  // namespace vurerode::setup
