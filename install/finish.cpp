#include "install/finish.h"

#include "platform/text.h"
#include "platform/windows_path.h"
#include "shell/del_tree.h"
#include "shell/launch.h"
#include "shell/win_reboot.h"

namespace vurerode::setup {

void RunFinishActions(platform::Platform& platform, const TFinishChoices& choices, TEngineProgress& progress) {
  if (!choices.FollowUpPrograms.empty()) progress.Status("Launching External Applications");
  progress.Repaint();
  for (const std::string& program : choices.FollowUpPrograms) {
    progress.Record(RecordKind::Step, "Running " + program);
    RunAndWait(platform, program, 5);
  }
  progress.Repaint();
  progress.Status("Removing Up Tempoary Files");
  progress.Repaint();
  if (choices.Choice == TFinishChoice::LaunchProgram) {
    const std::string& program = choices.Program;
    progress.Record(RecordKind::Step, "Starting " + program);
    ExecuteFile(platform, platform::ExtractFileName(program), "", platform::ExtractFilePath(program), 5);
  } else if (choices.Choice == TFinishChoice::RestartWindows) {
    progress.Record(RecordKind::Step, "Restarting Windows");
    TWinReboot(platform).Reboot(platform::kEwxReboot);
  }
  progress.Status("Install Completed");
  progress.Repaint();
}

void RemoveExpansionDirectory(platform::Platform& platform, const std::string& expandDir) {
  if (platform::Utf16Length(expandDir) <= 4) return;
  TMPDelTree tree(platform, nullptr);
  tree.Path = expandDir;
  tree.Verbose = false;
  tree.Execute();
}

}  // namespace vurerode::setup
