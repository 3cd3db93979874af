#include "install/finish.h"

#include "app/display_screen.h"
#include "install/cleanup_batch.h"
#include "platform/windows_path.h"
#include "shell/del_tree.h"
#include "shell/launch.h"
#include "shell/win_reboot.h"

namespace vurerode::setup {

void FinishInstallation(TDisplayScreen& main) {
  platform::Platform& platform = main.platform();
  if (!main.Globals.LaunchApplications.empty()) main.RxLabel2.Caption = "Launching External Applications";
  main.Repaint();
  for (const std::string& program : main.Globals.LaunchApplications) {
    main.view().Record(RecordKind::Step, "Running " + program);
    RunAndWait(platform, program, 5);
  }
  main.Repaint();
  main.RxLabel2.Caption = "Removing Up Tempoary Files";
  main.Repaint();
  if (main.LaunchItOption.Checked) {
    const std::string& program = main.LaunchIt.Caption;
    main.view().Record(RecordKind::Step, "Starting " + program);
    ExecuteFile(platform, platform::ExtractFileName(program), "", platform::ExtractFilePath(program), 5);
  } else if (main.reboot.Checked) {
    main.view().Record(RecordKind::Step, "Restarting Windows");
    TWinReboot(platform).Reboot(platform::kEwxReboot);
  }
  main.RxLabel2.Caption = "Install Completed";
  main.Repaint();
  main.Close();
}

void DestroyMainWindow(TDisplayScreen& main) {
  main.ListView1.Items.clear();
  main.LicenceMemo.clear();
  TSetupGlobals& g = main.Globals;
  for (auto* list : {&g.InstallFiles, &g.AutoexecBat, &g.IniRegistry, &g.Desktop, &g.LaunchApplications,
                     &g.InstallSources, &g.InstallTargets})
    list->clear();
  if (g.UninstallMode) {
    StartCleanupBatch(main);
  } else if (g.ExpandDir.size() > 4) {
    TMPDelTree tree(main.platform(), nullptr);
    tree.Path = g.ExpandDir;
    tree.Verbose = false;
    tree.Execute();
  }
}

}  // namespace vurerode::setup
