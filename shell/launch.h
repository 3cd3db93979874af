// Starting programs and handing files to the shell.
#pragma once

#include <string>

#include "platform/platform.h"

namespace vurerode {

// Starts a command line (program and arguments) with a show state (a Windows SW_ value) in the
// current directory and waits, without servicing the GUI, until it ends. Returns its exit code;
// -1 when it could not be started, or when the command line is longer than the 511 characters it
// supports (then nothing is started).
int RunAndWait(platform::Platform& platform, const std::string& commandLine, int showState);

// Asks the shell to carry out the file's default action, owned by the main window. The result is
// not examined.
void ExecuteFile(platform::Platform& platform, const std::string& file, const std::string& parameters,
                 const std::string& directory, int showState);

// Asks the shell to open the file, owned by the desktop window. Modes: 0 normal, 1 maximized,
// 2 minimized, 3 hidden; any other mode does nothing.
void OpenWithShell(platform::Platform& platform, const std::string& file, int mode);

}  // namespace vurerode
