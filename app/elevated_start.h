// A run that needs administrator rights it lacks (a machine-wide installation or removal started
// by a user whose process is not elevated) ends without changing anything; setup then starts itself
// once more, elevated, and ends as that run ends. Front ends call this once the window is gone, so
// that the machine's setup lock is free for the elevated run.
#pragma once

#include "app/display_screen.h"

namespace vurerode::setup {

struct TElevatedEnd {
  bool Declined = false;  // the user said no to Windows' prompt; nothing was changed
  int Status = 2;         // the exit status the run ends with
};

// Starts setup elevated as requested and waits for it: its exit status, or 2 when the prompt was
// declined, which the view is told unless the run is unattended. Raises Exception when the elevated
// run could not be started at all.
TElevatedEnd StartElevated(platform::Platform& machine, TSetupView& view, const TElevationRequest& request,
                           bool unattended);
// The end in words, for the line a front end ends with.
std::string ElevatedEndText(const TElevatedEnd& end);

}  // namespace vurerode::setup
