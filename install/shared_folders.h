// Folders the installation shares with Windows and other programs: it may put files into them, but
// never claims them as its own, so nothing of them is logged by a mask or removed as a tree.
#pragma once

#include <string>
#include <vector>

#include "platform/platform.h"

namespace vurerode::setup {

// A drive's root, "Program Files" itself, the Windows directory, its System, System32 and Fonts
// folders, and the shell folders (Desktop, Start Menu, Programs, Startup, Quick Launch). dir may end
// with a backslash or not; the comparison ignores case.
bool IsSharedFolder(platform::Platform& platform, const std::string& dir);
// The same test against the list SharedFolders gave, for a caller with many folders to test: the
// shell folders are looked up once.
std::vector<std::string> SharedFolders(platform::Platform& platform);
bool IsSharedFolder(const std::vector<std::string>& shared, const std::string& dir);

// Why an installation directory is refused (not a full path, or a shared folder); empty when it
// is acceptable.
std::string RefusedInstallDirectory(platform::Platform& platform, const std::string& dir);

// The INI files of the Windows directory that Windows and every program share (WIN.INI,
// SYSTEM.INI, ...): they are written to, never deleted.
bool IsSharedIniFile(const std::string& name);

}  // namespace vurerode::setup
