#include "install/configured_entries.h"

#include "install/install_paths.h"
#include "install/shared_folders.h"
#include "install/uninstall_log.h"
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
  std::string first = TakeField(rest, '\\');
  if (StartsWithRootName(first)) {
    if (platform::AnsiUpperCase(first).find("HKEY_LOCAL_MACHINE") != std::string::npos)
      root = platform::RegistryRoot::LocalMachine;
    k = rest;
  }
  rest = k;
  const std::string head = rest.find('\\') != std::string::npos ? TakeField(rest, '\\') : std::string();
  const std::string tail = head.empty() ? k : rest;
  if (tail.empty()) return;
  platform.registry().DeleteKeyTree(root, head.empty() ? tail : head + "\\" + tail);
}

void ClearConfiguredEntries(platform::Platform& platform, const std::vector<std::string>& entries,
                            TEngineProgress& progress) {
  for (const std::string& entry : entries) {
    progress.ProcessMessages();
    std::vector<std::string> f = SplitFields(entry, 4);
    if (IsIniEntry(f[0])) {
      if (!IsSharedIniFile(f[0])) platform.fs().DeleteFile(WindowsDir(platform) + "\\" + f[0]);
    } else {
      RemoveRegistryKey(platform, f[0] + "\\" + f[1]);
    }
  }
}

void WriteConfiguredEntries(platform::Platform& platform, const std::vector<std::string>& entries, TUninstallLog& log,
                            TEngineProgress& progress) {
  progress.Status("Creating Registry Entries");
  progress.ProcessMessages();
  for (const std::string& entry : entries) {
    progress.ProcessMessages();
    std::vector<std::string> f = SplitFields(entry, 4);
    progress.Advance();
    progress.ProcessMessages();
    if (IsIniEntry(f[0])) {
      // Windows' shared INI files take the value but are never listed for deletion.
      if (!IsSharedIniFile(f[0])) log.AddEntry(kLogFiles, WindowsDir(platform) + "\\" + f[0]);
      platform.profile().WriteString(f[0], f[1], f[2], f[3]);
      progress.Record(RecordKind::IniValue, f[0] + " [" + f[1] + "] " + f[2] + "=" + f[3]);
    } else {
      log.AddEntry(kLogRegistry, f[0] + "\\" + f[1]);
      const TRegistryPlace place = RegistryPlaceOf(f[0]);
      const std::string path = place.keyPath + "\\" + f[1];
      auto key = platform.registry().CreateKey(place.root, path);
      if (!key) throw ERegistryException::CreateFailed(path);
      key->WriteString(f[2], f[3]);
      progress.Record(RecordKind::RegistryValue,
                      std::string(platform::RootName(place.root)) + "\\" + path + " " + f[2] + "=" + f[3]);
    }
  }
}

}  // namespace vurerode::setup
