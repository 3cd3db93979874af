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

// Deletes the INI files the entries name (never Windows' shared ones), and each entry's registry key
// when that destroys nothing of anyone else's: never a protected key, and only a key that holds
// nothing but the values the entries write into it and sub-keys that are entries' keys of the same
// kind (what an earlier installation of the same entries left).
void ClearConfiguredEntries(platform::Platform& platform, const std::vector<std::string>& entries,
                            TEngineProgress& progress);
// Writes the entries, logging each: an INI file by its path, a registry key that did not exist
// before the first entry was written by its name in [Registry], a value written into a key that
// stood before (or a protected one) in [RegistryValues]. Raises the INI or registry layer's error
// when one cannot be written.
void WriteConfiguredEntries(platform::Platform& platform, const std::vector<std::string>& entries, TUninstallLog& log,
                            TEngineProgress& progress);
}  // namespace vurerode::setup
