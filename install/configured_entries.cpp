#include "install/configured_entries.h"

#include "install/install_paths.h"
#include "install/shared_folders.h"
#include "install/uninstall_log.h"
#include "media/fields.h"
#include "media/install_cfg.h"
#include "platform/ansi.h"
#include "platform/exception.h"
#include "shell/shell_folders.h"

namespace vurerode::setup {

namespace {

bool StartsWithRootName(const std::string& text) {
  return platform::AnsiUpperCase(text.substr(0, 5)) == "HKEY_";
}

}  // namespace

bool IsIniEntry(const std::string& field) {
  return platform::AnsiUpperCase(field).find(".INI") != std::string::npos;
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

void RemoveRegistryKey(platform::Platform& platform, const std::string& key) {
  std::string k = key;
  platform::RegistryRoot root = platform::RegistryRoot::CurrentUser;
  std::string rest = k;
  std::string first = media::TakeField(rest, '\\');
  if (StartsWithRootName(first)) {
    if (platform::AnsiUpperCase(first).find("HKEY_LOCAL_MACHINE") != std::string::npos)
      root = platform::RegistryRoot::LocalMachine;
    k = rest;
  }
  rest = k;
  const std::string head = rest.find('\\') != std::string::npos ? media::TakeField(rest, '\\') : std::string();
  const std::string tail = head.empty() ? k : rest;
  if (tail.empty()) return;
  platform.registry().DeleteKeyTree(root, head.empty() ? tail : head + "\\" + tail);
}

void ClearConfiguredEntries(platform::Platform& platform, const std::vector<std::string>& entries,
                            TEngineProgress& progress) {
  for (const std::string& entry : entries) {
    progress.ProcessMessages();
    const media::TConfiguredEntry e = media::ParseConfiguredEntry(entry);
    if (IsIniEntry(e.Place)) {
      if (!IsSharedIniFile(e.Place)) platform.fs().DeleteFile(WindowsDir(platform) + "\\" + e.Place);
    } else {
      RemoveRegistryKey(platform, e.Place + "\\" + e.Section);
    }
  }
}

void WriteConfiguredEntries(platform::Platform& platform, const std::vector<std::string>& entries, TUninstallLog& log,
                            TEngineProgress& progress) {
  progress.Status("Creating Registry Entries");
  progress.ProcessMessages();
  for (const std::string& entry : entries) {
    progress.ProcessMessages();
    const media::TConfiguredEntry e = media::ParseConfiguredEntry(entry);
    progress.Advance();
    progress.ProcessMessages();
    if (IsIniEntry(e.Place)) {
      // Windows' shared INI files take the value but are never listed for deletion.
      if (!IsSharedIniFile(e.Place)) log.AddEntry(media::kUninstallFilesSection, WindowsDir(platform) + "\\" + e.Place);
      platform.profile().WriteString(e.Place, e.Section, e.Name, e.Value);
      progress.Record(RecordKind::IniValue, e.Place + " [" + e.Section + "] " + e.Name + "=" + e.Value);
    } else {
      log.AddEntry(media::kUninstallRegistrySection, e.Place + "\\" + e.Section);
      const TRegistryPlace place = RegistryPlaceOf(e.Place);
      const std::string path = place.keyPath + "\\" + e.Section;
      auto key = platform.registry().CreateKey(place.root, path);
      if (!key) throw ERegistryException::CreateFailed(path);
      key->WriteString(e.Name, e.Value);
      progress.Record(RecordKind::RegistryValue,
                      std::string(platform::RootName(place.root)) + "\\" + path + " " + e.Name + "=" + e.Value);
    }
  }
}

}  // namespace vurerode::setup
