// Uninstall mode's start: the uninstaller page, the installation it removes, the cleanup batch and
// the configuration for the setup screen's look.
#include "app/display_screen.h"
#include "install/cleanup_batch.h"
#include "install/uninstall_engine.h"
#include "install/uninstall_log.h"
#include "platform/exception.h"
#include "shell/shell_folders.h"

namespace vurerode::setup {

void TDisplayScreen::StartUninstallMode() {
  TSetupGlobals& g = Globals;
  Wizard.Visible = true;
  g.ExpandDir = g.SourceDir;
  Screen.SubtitleLine.Caption = "Uninstall Software!";
  Screen.ColorStart = 255;
  SetPage(kPageUninstaller);
  Notebook1PageChanged();
  const TInstalledApplication found = FindInstallation(platform(), JoinedArgs);
  StartDirectory = found.Directory;
  UninstallTitle = found.Title;
  Screen.TitleLine.Caption = found.Title;
  Screen.FooterLine.Caption = "ZAD2000 Uninstaller | Zuroduzadod, Inc.";
  g.ExpandDir = StartDirectory;
  if (found.Title.empty()) {
    Screen.TitleLine.Caption = "No Uninstall Information Found!!";
    Remove.Visible = false;
    Remove.Hint = "No Uninstall Info. Click here to Exit.";
    Outcome = TSetupOutcome::NothingToRemove;
    return;
  }
  try {
    const platform::RegistryRoot root = UninstallEntryRoot(platform(), found.Title, g.SourceDir);
    // A machine-wide installation is removed by an administrator: without the rights, setup starts
    // itself elevated before it changes anything.
    if (root == platform::RegistryRoot::LocalMachine && session_->LacksAdministratorRights()) {
      RequestElevation({});
      return;
    }
    // The removal of an installation for the current user only leaves its batch in the user's Temp.
    if (root == platform::RegistryRoot::CurrentUser)
      CleanupTempDir = UserShellFolder(platform(), "Local AppData") + "Temp\\";
    WriteCleanupBatch(platform(), g.SourceDir, CleanupTempDir);
  } catch (const Exception& e) {
    view_.Message(e.what(), Caption, PromptButtons::Ok, PromptIcon::Error);
    return;
  }
  ReadSetupConfig(g.SourceDir);
}

}  // namespace vurerode::setup
