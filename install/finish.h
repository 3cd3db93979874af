// How an installation ends: the finish page's actions (follow-up programs, then the application or
// a restart), and the removal of the expansion directory when the program goes away.
#pragma once

#include <string>
#include <vector>

#include "install/engine_progress.h"
#include "platform/platform.h"

namespace vurerode::setup {

enum class TFinishChoice { ReturnToWindows, LaunchProgram, RestartWindows };

struct TFinishChoices {
  std::vector<std::string> FollowUpPrograms;  // run one after the other, each to its end
  TFinishChoice Choice = TFinishChoice::ReturnToWindows;
  std::string Program;  // the full path launched with LaunchProgram
};

// Runs the follow-up programs, then launches the program or restarts Windows; the status line
// tells each stage. A program that cannot be started is passed over silently.
void RunFinishActions(platform::Platform& platform, const TFinishChoices& choices, TEngineProgress& progress);

// Deletes the expansion directory's tree, silently; a path of four characters or fewer (a drive's
// root) is left alone.
void RemoveExpansionDirectory(platform::Platform& platform, const std::string& expandDir);

}  // namespace vurerode::setup
