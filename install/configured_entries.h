// The INI and registry entries of install.cfg's "INI\Registry" list: cleared before the files are
// copied, written after the shortcuts, and each place logged for the uninstaller.
#pragma once

#include <string>
#include <vector>

#include "install/engine_progress.h"
#include "platform/platform.h"

namespace vurerode::setup {

class TUninstallLog;

// An entry's registry place: the root and the key path below it (the root name taken off).
struct TRegistryPlace {
  platform::RegistryRoot root = platform::RegistryRoot::CurrentUser;
  std::string keyPath;
};
// The first field of a registry entry: HKEY_LOCAL_MACHINE when it names that root, HKEY_CURRENT_USER otherwise;
// a leading root name is taken off, and a path without one stands as it is.
TRegistryPlace RegistryPlaceOf(const std::string& place);
bool IsIniEntry(const std::string& place);

// Deletes the INI files the entries name (never Windows' shared ones) and their registry keys.
void ClearConfiguredEntries(platform::Platform& platform, const std::vector<std::string>& entries,
                            TEngineProgress& progress);
// Writes the entries, logging each; raises the INI or registry layer's error when one cannot be
// written.
void WriteConfiguredEntries(platform::Platform& platform, const std::vector<std::string>& entries, TUninstallLog& log,
                            TEngineProgress& progress);
// Removes a key given as root name, backslash, key path (or a path under HKEY_CURRENT_USER), with
// all its sub-keys; failures are ignored.
void RemoveRegistryKey(platform::Platform& platform, const std::string& key);

}  // namespace vurerode::setup
