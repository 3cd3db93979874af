// uninstaller.cfg, the log the installer leaves in the installation directory for the uninstaller:
// an INI file whose key names say what to remove, with empty values. [Files] holds files and
// wildcard patterns (C:\Program Files\App\*.*), [Folder] folders to remove once empty, [Registry]
// registry keys the installation created, to delete with everything below them, [RegistryValues]
// values it wrote into keys that stood before it (only the values go); [Name] Title= is the
// application's title, which also names its uninstall entry.
#pragma once

#include <optional>
#include <string>
#include <vector>

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
// [Name] Format=2: the log names every file the installation wrote by its full path and, in
// [Folder], only the folders it made, so the removal deletes those and nothing else; the
// installation directory goes only when that leaves it empty. A log without it (written by earlier
// versions, with masks such as C:\Program Files\App\*.*) is removed as before: masks, then the
// directory's whole tree.
inline constexpr const char* kUninstallFormatKey = "Format";
// Values of the uninstall entry beside DisplayName and UninstallString: the installation's folder,
// and the SHA-256 of the log as the installation left it (64 lower-case hex digits). Under
// HKEY_LOCAL_MACHINE only administrators can change them; the log lies in a folder users may write.
inline constexpr const char* kInstallLocationValue = "InstallLocation";
inline constexpr const char* kLogDigestValue = "LogSHA256";
inline constexpr const char* kUninstallLogFilesByName = "2";

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

// The entry's "UninstallString": the program and the title, each quoted ("C:\Program Files\App\setup.exe"
// "Title"). Unquoted, Windows would start the first program the path's words name (C:\Program.exe),
// and the C run-time would split the title at its spaces.
std::string UninstallCommand(const std::string& program, const std::string& title);
// The entry's "QuietUninstallString": the same followed by /SILENT.
std::string QuietUninstallCommand(const std::string& program, const std::string& title);

// A command read back from an entry: the program's path and the arguments as the C run-time hands
// them to it.
struct TUninstallCommand {
  std::string Program;
  std::vector<std::string> Arguments;
};
// Reads the quoted form and the unquoted one earlier versions wrote (C:\Program Files\App\setup.exe
// Title), whose program ends with the first ".exe" followed by a blank or the end.
TUninstallCommand ParseUninstallCommand(const std::string& command);

}  // namespace vurerode::media
