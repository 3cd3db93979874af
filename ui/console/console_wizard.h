// Walking the setup program on a terminal: the wizard's pages as text with their buttons as
// letters, or, unattended, every page passed with its safe choice.
#pragma once

#include "app/display_screen.h"
#include "ui/console/console_options.h"
#include "ui/console/console_view.h"

namespace vurerode::setup::console {

// Drives the window until it closes.
void DriveInteractive(TDisplayScreen& screen, ConsoleView& view);
void DriveSilent(TDisplayScreen& screen, ConsoleView& view, const ConsoleOptions& options);

}  // namespace vurerode::setup::console
