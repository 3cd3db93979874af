#include "app/setup_program.h"

#include "install/uninstall_log.h"
#include "platform/windows_path.h"

namespace vurerode::setup {

namespace {

void TellRecovery(const TRecoveryReport& recovery, TSetupView& view) {
  if (!recovery.RolledBack) return;
  std::string text = "An earlier installation" + (recovery.Title.empty() ? "" : " of \"" + recovery.Title + "\"") +
                     " was interrupted before it ended. Setup has undone it";
  if (recovery.Problems.empty()) {
    text += ": this computer is as it was before it.";
  } else {
    text += ", but could not restore:";
    for (const std::string& p : recovery.Problems) text += "\n" + p;
  }
  view.Message(text, kSetupTitle, PromptButtons::Ok, PromptIcon::Information);
}

}  // namespace

std::unique_ptr<TDisplayScreen> StartSetup(platform::Platform& platform, TSetupView& view,
                                           const std::vector<std::string>& args, TSessionOptions options) {
  auto session = std::make_unique<TSetupSession>(platform, std::move(options));
  TellRecovery(session->Recovery(), view);
  const std::string joined = JoinArguments(args);
  OpenUninstallKeyDirectory(platform, joined);
  const std::string log =
      platform::IncludeTrailingBackslash(platform.fs().CurrentDirectory()) + media::kUninstallLogFile;
  const bool uninstall = platform.fs().FileExists(log);
  auto screen = std::make_unique<TDisplayScreen>(std::move(session), view, uninstall, joined);
  screen->FormShow();
  return screen;
}

int ExitStatus(TSetupOutcome outcome) {
  switch (outcome) {
    case TSetupOutcome::Installed:
    case TSetupOutcome::Removed: return 0;
    case TSetupOutcome::Failed:
    case TSetupOutcome::RemovedInPart: return 1;
    case TSetupOutcome::InstalledRestartNeeded: return 3010;
    case TSetupOutcome::Busy: return 1618;
    default: return 2;
  }
}

const char* OutcomeText(TSetupOutcome outcome) {
  switch (outcome) {
    case TSetupOutcome::Running: return "setup ended";
    case TSetupOutcome::Installed: return "installed";
    case TSetupOutcome::Removed: return "removed";
    case TSetupOutcome::Failed: return "failed (what it had changed was undone)";
    case TSetupOutcome::Cancelled: return "cancelled";
    case TSetupOutcome::Declined: return "declined";
    case TSetupOutcome::NothingToRemove: return "nothing to remove";
    case TSetupOutcome::RemovedInPart:
      return "removed in part (uninstaller.cfg was changed after the installation; what it named elsewhere was kept)";
    case TSetupOutcome::InstalledRestartNeeded: return "installed; restart Windows to finish the installation";
    case TSetupOutcome::Busy: return "another setup was running; nothing was changed";
    case TSetupOutcome::NeedsElevation: return "administrator rights needed; nothing was changed";
  }
  return "setup ended";
}

}  // namespace vurerode::setup
