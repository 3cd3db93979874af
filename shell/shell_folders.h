// Where the current user's shell folders are, and the Windows directory they fall back to.
#pragma once

#include <string>

#include "platform/platform.h"

namespace vurerode {

// Shell folder kinds.
enum : int { kShellDesktop = 0, kShellPrograms = 1, kShellStartMenu = 2, kShellStartup = 3 };

// Which shell folders an installation uses: the classic ones (the Explorer "Shell Folders" values,
// which every installation has used), or, for an installation for the current user only, the
// folders of the user's own profile (the "User Shell Folders" values), which need no administrator.
enum class TShellSet { Classic, UserProfile };

// The shell folder of a kind, always ending with a backslash: the value named for the kind under
// HKEY_CURRENT_USER's Explorer "Shell Folders" key (a missing value gives a lone backslash), or,
// when that key does not exist, the fallback below the Windows directory.
std::string GetShellFolder(platform::Platform& platform, int kind);
// The same for a set: UserProfile takes the kind from UserShellFolder.
std::string GetShellFolder(platform::Platform& platform, int kind, TShellSet set);

// A folder of the user's own profile, ending with a backslash: the value under HKEY_CURRENT_USER's
// Explorer "User Shell Folders" key ("Desktop", "Programs", "Start Menu", "Startup", "AppData",
// "Local AppData"). Windows keeps those values unexpanded (%USERPROFILE%\Desktop) and the same
// ones expanded under "Shell Folders", which is then read instead. Raises Exception when the
// machine does not say where the folder is: guessing could put a user's files where every user
// reads them.
std::string UserShellFolder(platform::Platform& platform, const std::string& valueName);

// The Windows directory without a trailing backslash, and its first three characters ("C:\").
std::string WindowsDir(platform::Platform& platform);
std::string WindowsDrive(platform::Platform& platform);
// The Quick Launch folder, which is never looked up in the registry.
std::string QuickLaunchFolder(platform::Platform& platform);
// The Quick Launch folder of a set: the user's below their own application data.
std::string QuickLaunchFolder(platform::Platform& platform, TShellSet set);

// Index of the file's small icon in the system image list.
int GetFileIconIndex(platform::Platform& platform, const std::string& path);

}  // namespace vurerode
