// Where the current user's shell folders are, and the Windows directory they fall back to.
#pragma once

#include <string>

#include "platform/platform.h"

namespace vurerode {

// Shell folder kinds.
enum : int { kShellDesktop = 0, kShellPrograms = 1, kShellStartMenu = 2, kShellStartup = 3 };

// The shell folder of a kind, always ending with a backslash: the value named for the kind under
// HKEY_CURRENT_USER's Explorer "Shell Folders" key (a missing value gives a lone backslash), or,
// when that key does not exist, the fallback below the Windows directory.
std::string GetShellFolder(platform::Platform& platform, int kind);

// The Windows directory without a trailing backslash, and its first three characters ("C:\").
std::string WindowsDir(platform::Platform& platform);
std::string WindowsDrive(platform::Platform& platform);
// The Quick Launch folder, which is never looked up in the registry.
std::string QuickLaunchFolder(platform::Platform& platform);

// Index of the file's small icon in the system image list.
int GetFileIconIndex(platform::Platform& platform, const std::string& path);

}  // namespace vurerode
