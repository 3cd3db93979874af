// The paths Windows cannot take longer than MAX_PATH: a shortcut's target (the shell stores and
// starts it in a buffer of that size) and a profile file's path (the profile functions refuse a
// longer one). The files themselves may lie deeper: the installer writes them through the \\?\ form.
// `vurerode build` checks install.cfg's entries against the limit as the default installation
// would lay them out, and refuses those that would not fit.
#pragma once

#include <cstddef>
#include <string>

#include "tools/build_config.h"

namespace vurerode::cli {

// 260 UTF-16 units with the terminating zero.
inline constexpr size_t kMaxWindowsPathUnits = 259;

// The installation directory the installer proposes: below C:\Program Files unless "Under Program
// Files" is 0, named by "Main Directory" (for a registry lookup, by the name it falls back to).
std::string DefaultInstallDirectory(const IniText& installConfig);

// A path with the installer's tokens (<InstallDir>\, <Windows>\, ...) as the default installation
// on a C: drive lays it out; a relative path lies in the installation directory.
std::string DefaultMachinePath(const std::string& path, const std::string& installDir);

// Raises Exception naming every shortcut target and INI file path of install.cfg that would be
// longer than Windows allows there.
void CheckPathLengths(const IniText& installConfig);

}  // namespace vurerode::cli
