// The installer `vurerode build` ships must be a Windows program: the media are started on Windows,
// and a native build of setup shipped by mistake would leave media that cannot install.
#pragma once

#include <filesystem>

namespace vurerode::cli {

// True when the file starts with an MZ header whose e_lfanew (at 0x3C) points at "PE\0\0".
bool IsWindowsProgram(const std::filesystem::path& file);

// The Windows setup.exe a build tree holds for the tool in toolDir, or empty when there is none:
// beside the tool, in the tree of a Windows build of the tool (<tree>/tools and <tree>/ui), or in the
// Windows build beside a native one (<root>/native/tools or <root>/release/tools, and
// <root>/windows/ui). Files that are not Windows programs are passed over.
std::filesystem::path WindowsSetupFor(const std::filesystem::path& toolDir);

}  // namespace vurerode::cli
