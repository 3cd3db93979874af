// The paths of an installation: the directory tokens of configured paths, the base directories of
// finstall.cfg entries and the pairs of source and destination built from them, the system
// directories.
#pragma once

#include <string>
#include <vector>

#include "install/setup_state.h"
#include "platform/platform.h"

namespace vurerode::setup {

inline constexpr int kBaseDirCount = 7;
// The tokens other paths begin with; index i stands for the directory of finstall.cfg's base
// directory i (media::kBaseDirectoryNames).
extern const char* const kPathTokens[kBaseDirCount];

// The directory a base index stands for; index 0 is the installation directory (mainDir).
std::string BaseDirectory(platform::Platform& platform, int index, const std::string& mainDir);

// A path with a leading token replaced by its directory. A path with no token stays as it is when
// absolute and is taken relative to the installation directory otherwise.
std::string SubstitutePathTokens(platform::Platform& platform, const std::string& mainDir, const std::string& path);

// Rebuilds InstallSources and InstallTargets from the Install Files list; mainDir gets its trailing
// backslash first.
void BuildInstallFileLists(platform::Platform& platform, TSetupGlobals& globals, std::string& mainDir);

// Reasons an Install Files entry cannot be installed safely (no base directory, a ".." that leaves
// it, a source outside the expanded set); empty when it is sound.
std::string CheckInstallFileEntry(const std::string& entry);

// The four system directories: WindowsDir followed by "\", "\System\", "\System32\" and "\Fonts\".
std::vector<std::string> SystemDirectories(platform::Platform& platform);

// A path as the file system reads it: made full against the current directory ("." and ".."
// resolved, separators collapsed, a missing drive the current one's) and every 8.3 part that names
// an existing file or folder replaced by its long name. Empty when the path cannot be made full.
std::string RealPath(platform::FileSystem& fs, const std::string& path);

// True when a full path lies below dir (both compared without case, after resolving "." and "..").
bool PathIsBelow(const std::string& path, const std::string& dir);

}  // namespace vurerode::setup
