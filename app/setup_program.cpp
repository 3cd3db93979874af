#include "app/setup_program.h"

#include "install/uninstall_log.h"
#include "platform/windows_path.h"

namespace vurerode::setup {

std::unique_ptr<TDisplayScreen> StartSetup(platform::Platform& platform, TSetupView& view,
                                           const std::vector<std::string>& args) {
  const std::string joined = JoinArguments(args);
  OpenUninstallKeyDirectory(platform, joined);
  const std::string log =
      platform::IncludeTrailingBackslash(platform.fs().CurrentDirectory()) + media::kUninstallLogFile;
  const bool uninstall = platform.fs().FileExists(log);
  auto screen = std::make_unique<TDisplayScreen>(platform, view, uninstall, joined);
  screen->FormShow();
  return screen;
}

int ExitStatus(TSetupOutcome outcome) {
  switch (outcome) {
    case TSetupOutcome::Installed:
    case TSetupOutcome::Removed: return 0;
    case TSetupOutcome::Failed:
    case TSetupOutcome::RemovedInPart: return 1;
    default: return 2;
  }
}

}  // namespace vurerode::setup
