// One run of the console front end on a machine, from the setup lock to the exit status.
#pragma once

#include "app/setup_program.h"
#include "ui/console/console_options.h"
#include "ui/console/console_view.h"

namespace vurerode::setup::console {

// Starts setup with the options' arguments, walks the wizard (or passes it unattended), ends the
// run and prints its outcome to out (and to log, which may be null). Another setup holding the
// machine is told through the view and gives 1618.
int RunSetup(platform::Platform& machine, ConsoleView& view, const ConsoleOptions& options, TextOutput& out,
             TextOutput* log, TSessionOptions session = {});

}  // namespace vurerode::setup::console
