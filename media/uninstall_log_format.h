// uninstaller.cfg, the log the installer leaves in the installation directory for the uninstaller:
// an INI file whose key names say what to remove, with empty values. [Files] holds files and
// wildcard patterns (C:\Program Files\App\*.*), [Folder] folders to remove once empty, [Registry]
// registry keys to delete with everything below them; [Name] Title= is the application's title,
// which also names its uninstall entry.
#pragma once

namespace vurerode::media {

inline constexpr const char* kUninstallLogFile = "uninstaller.cfg";

inline constexpr const char* kUninstallFilesSection = "Files";
inline constexpr const char* kUninstallFolderSection = "Folder";
inline constexpr const char* kUninstallRegistrySection = "Registry";
inline constexpr const char* kUninstallNameSection = "Name";
inline constexpr const char* kUninstallTitleKey = "Title";

// The uninstall entries' key below HKEY_LOCAL_MACHINE; an installation's entry is this followed by
// its title.
inline constexpr const char* kUninstallKey = "Software\\Microsoft\\Windows\\currentversion\\uninstall\\";

}  // namespace vurerode::media
