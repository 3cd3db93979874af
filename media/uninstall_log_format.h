// uninstaller.cfg, the log the installer leaves in the installation directory for the uninstaller:
// an INI file whose key names say what to remove, with empty values. [Files] holds files and
// wildcard patterns (C:\Program Files\App\*.*), [Folder] folders to remove once empty, [Registry]
// registry keys the installation created, to delete with everything below them, [RegistryValues]
// values it wrote into keys that stood before it (only the values go); [Name] Title= is the
// application's title, which also names its uninstall entry.
#pragma once

#include <optional>
#include <string>

namespace vurerode::media {

inline constexpr const char* kUninstallLogFile = "uninstaller.cfg";

inline constexpr const char* kUninstallFilesSection = "Files";
inline constexpr const char* kUninstallFolderSection = "Folder";
inline constexpr const char* kUninstallRegistrySection = "Registry";
// Uninstallers that know only the sections above skip this one, as they skip any section they do
// not read.
inline constexpr const char* kUninstallRegistryValuesSection = "RegistryValues";
inline constexpr const char* kUninstallNameSection = "Name";
inline constexpr const char* kUninstallTitleKey = "Title";

// The uninstall entries' key below HKEY_LOCAL_MACHINE; an installation's entry is this followed by
// its title.
inline constexpr const char* kUninstallKey = "Software\\Microsoft\\Windows\\currentversion\\uninstall\\";

// A [RegistryValues] key: the key (root name, backslash, key path) and the value's name, joined by
// a doubled backslash. The key's separators are collapsed first, so the first doubled backslash is
// always the join; an empty name is the key's default value ("HKEY_CURRENT_USER\Software\Acme\\").
struct TLoggedRegistryValue {
  std::string Key;
  std::string Name;

  bool operator==(const TLoggedRegistryValue&) const = default;
};
std::string FormatLoggedRegistryValue(const TLoggedRegistryValue& value);
// Nothing when the entry holds no doubled backslash or names no key before it.
std::optional<TLoggedRegistryValue> ParseLoggedRegistryValue(const std::string& entry);

}  // namespace vurerode::media
