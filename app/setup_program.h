// The setup program's start: the command line decides whether an uninstall entry's directory
// becomes the current directory, and uninstaller.cfg there decides the mode; then the main window
// is created and shown. Front ends call this and then drive the window until it closes.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "app/display_screen.h"

namespace vurerode::setup {

// Starts a run: the machine's setup lock taken before anything else (ESetupBusy when another setup
// keeps it), an interrupted installation undone (and said so through the view), then
// OpenUninstallKeyDirectory, the mode, the main window created and shown. In install mode the
// window's timer is then armed; the front end fires it (Timer1Timer). The window holds the lock
// until it is destroyed.
std::unique_ptr<TDisplayScreen> StartSetup(platform::Platform& platform, TSetupView& view,
                                           const std::vector<std::string>& args, TSessionOptions options = {});

// Front ends' exit status for an outcome: 0 installed or removed, 1 failed (and undone), 2
// cancelled, declined or nothing to remove, 1618 another setup was running (ERROR_INSTALL_ALREADY_
// RUNNING), 3010 installed but Windows must restart to finish (ERROR_SUCCESS_REBOOT_REQUIRED).
int ExitStatus(TSetupOutcome outcome);
// The outcome in words, for the line a front end ends with.
const char* OutcomeText(TSetupOutcome outcome);

}  // namespace vurerode::setup
