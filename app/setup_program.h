// The setup program's start: the command line decides whether an uninstall entry's directory
// becomes the current directory, and uninstaller.cfg there decides the mode; then the main window
// is created and shown. Front ends call this and then drive the window until it closes.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "app/display_screen.h"

namespace vurerode::setup {

// Starts a run: OpenUninstallKeyDirectory, the mode, the main window created and shown. In install
// mode the window's timer is then armed; the front end fires it (Timer1Timer).
std::unique_ptr<TDisplayScreen> StartSetup(platform::Platform& platform, TSetupView& view,
                                           const std::vector<std::string>& args);

// Front ends' exit status for an outcome: 0 installed or removed, 1 failed, 2 cancelled, declined
// or nothing to remove.
int ExitStatus(TSetupOutcome outcome);

}  // namespace vurerode::setup
