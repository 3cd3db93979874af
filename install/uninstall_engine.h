// Uninstall mode's engine: finding the installation an uninstaller run removes, and removing
// everything its uninstall log names, pass by pass, then its registration and directory tree.
#pragma once

#include <string>

#include "install/engine_progress.h"
#include "platform/platform.h"

namespace vurerode::setup {

// The installation a run in uninstall mode removes.
struct TInstalledApplication {
  std::string Title;      // names the uninstall entry; empty when nothing names one
  std::string Directory;  // where its uninstall log lies, with a trailing backslash
};

// Finds the installation from the title on the command line (joinedArgs), the log in the current
// directory and the uninstall entry: the log's title wins over the command line's (a log cut short
// has lost it, and the command line's still names it); the entry's UninstallString names the
// directory, the current one does when there is no entry.
TInstalledApplication FindInstallation(platform::Platform& platform, const std::string& joinedArgs);

struct TRemovalRequest {
  std::string LogDirectory;  // holds uninstaller.cfg; ends with a backslash
  std::string InstallDir;    // the tree removed at the end, holding the running setup.exe
  std::string Title;         // the uninstall entry removed
};

// LogChanged: the log differs from the one the installation recorded in its uninstall entry; only
// what it names inside the recorded installation folder was removed, the rest is listed as kept.
enum class TRemovalOutcome { Removed, LogMissing, LogChanged };

struct TRemovalResult {
  TRemovalOutcome Outcome = TRemovalOutcome::Removed;
};

// Removes the installation: the logged files (asking before those Windows may use), their
// directories and the logged folders when empty, the logged registry keys, then the uninstall entry
// and the installation's directory tree. A log that is missing or names no file skips the four
// passes; the entry and the tree go all the same.
TRemovalResult RemoveApplication(platform::Platform& platform, const TRemovalRequest& request,
                                 TRemovalProgress& progress);

}  // namespace vurerode::setup
