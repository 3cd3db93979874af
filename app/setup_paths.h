// The start-up paths of the setup program: the joined command line, the directory of a named
// uninstall entry, and the process-wide source, expansion and work directories.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "install/install_paths.h"
#include "install/setup_state.h"
#include "platform/platform.h"

namespace vurerode::setup {

// All arguments joined with one space between them.
std::string JoinArguments(const std::vector<std::string>& args);

// When the command line names an uninstall entry, moves into the directory of its uninstall command.
void OpenUninstallKeyDirectory(platform::Platform& platform, const std::string& joinedArgs);

// The folder the medium's install.cfg lies in before anything is expanded: the folder of the medium
// the program carries (embeddedFolder, when not empty), else the one the command line names or the
// current directory, as MakeTempPaths takes them. Ends with a backslash.
std::string MediumFolder(platform::Platform& platform, const std::string& embeddedFolder,
                         const std::string& joinedArgs);

// The current local time as six digits, hhnnss.
using TimeText = std::function<std::string()>;
std::string LocalTimeText();

// Sets SourceDir, ExpandDir and TempDir and empties the lists. In install mode the expansion
// directory is made here, in one step: lkst_hhnnss, or lkst_hhnnss_2, _3, ... when that name is
// taken. A source directory named on the command line that cannot be entered, or an expansion
// directory that cannot be made, raises EInOutError.
// tempRoot is the folder the expansion folder is made in (with its trailing backslash); empty: the
// Windows directory's Temp.
void MakeTempPaths(platform::Platform& platform, TSetupGlobals& globals, const std::string& joinedArgs,
                   const TimeText& now = LocalTimeText, const std::string& tempRoot = {});

}  // namespace vurerode::setup
