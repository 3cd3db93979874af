#include "app/display_screen.h"

#include "app/page_progress.h"
#include "app/text_lines.h"
#include "app/unzip.h"
#include "install/cleanup_batch.h"
#include "install/finish.h"
#include "install/install_engine.h"
#include "install/shared_folders.h"
#include "install/uninstall_engine.h"
#include "media/install_cfg.h"
#include "platform/exception.h"
#include "platform/text.h"
#include "platform/windows_path.h"
#include "shell/shell_folders.h"

namespace vurerode::setup {

namespace {

const char kWelcomeText[] =
    "It is strongly recommended that you exit all windows programs before running this Setup program. Click "
    "Cancel to quit Setup and then close any programs you have running ( Re-Boot if Necessary ). Click Next "
    "continue with Setup Program.";

}  // namespace

TDisplayScreen::TDisplayScreen(platform::Platform& platform, TSetupView& view, bool uninstallMode,
                               std::string joinedArgs, const TimeText& now)
    : TDisplayScreen(std::make_unique<TSetupSession>(platform), view, uninstallMode, std::move(joinedArgs), now) {}

TDisplayScreen::TDisplayScreen(std::unique_ptr<TSetupSession> session, TSetupView& view, bool uninstallMode,
                               std::string joinedArgs, const TimeText& now)
    : JoinedArgs(std::move(joinedArgs)), session_(std::move(session)), view_(view) {
  Globals.UninstallMode = uninstallMode;
  // Everything an installation run changes, its expansion folder first, can be undone. Its journal
  // and expansion folder lie where its scope lets it write, so the scope is decided first.
  Caption = uninstallMode ? kUninstallerTitle : kSetupTitle;
  if (!uninstallMode) {
    const media::TScopeSetting setting = MediumScope(
        session_->machine(), MediumFolder(session_->machine(), session_->EmbeddedMediumFolder(), JoinedArgs));
    Scope = ResolveInstallScope(setting, session_->RequestedScope());
    // Left to the user, the scope page asks, starting on the choice this process can carry out by
    // itself: all users for an administrator, the user's own folders otherwise.
    ScopeAsked = setting == media::TScopeSetting::Choose && !session_->RequestedScope() && !session_->Unattended();
    const bool lacksRights = session_->LacksAdministratorRights();
    if (ScopeAsked && lacksRights) Scope = TInstallScope::User;
    SelectScopeChoice(Scope == TInstallScope::Machine ? AllUsersOption : CurrentUserOption);
    if (Scope == TInstallScope::Machine && lacksRights) {
      // Nothing is made here: the elevated run does it all.
      StartDirectory = platform().fs().CurrentDirectory();
      RequestElevation({});
      return;
    }
    session_->BeginInstallation(Scope);
  }
  // Markers of the install and uninstaller pages start with the pending picture.
  for (TMarker& m : InstallMarkers) m = TMarker{false, false};
  static const char* const kSteps[4] = {"Remove Installed Files.", "Remove Extra Directories Created.",
                                        "Remove Folders.", "Remove Register Information."};
  for (size_t i = 0; i < StartLabels.size(); ++i) StartLabels[i].Caption = kSteps[i];
  for (TMarker& m : UninstallMarkers) m = TMarker{true, false};
  ExitProgramsWarning.Caption = kWelcomeText;
  IconsStepLabel.Caption = "Create Icons and Folders";
  EntriesStepLabel.Caption = "Process Registry Entires";
  ReturnToWindows.Checked = true;
  StartDirectory = platform().fs().CurrentDirectory();
  MakeTempPaths(platform(), Globals, JoinedArgs, now,
                Scope == TInstallScope::User ? UserShellFolder(platform(), "Local AppData") + "Temp\\" : std::string());
  // A program that carries its medium reads it from itself, wherever it was started from.
  if (const std::string folder = session_->EmbeddedMediumFolder(); !uninstallMode && !folder.empty())
    Globals.SourceDir = folder;
  if (!uninstallMode) session_->NoteTemporaryFolder(Globals.ExpandDir);
}

TDisplayScreen::~TDisplayScreen() {
  try {
    Destroy();
  } catch (...) {
    // The destruction reports nothing.
  }
}

template <typename Action>
void TDisplayScreen::Guarded(Action&& action) {
  if (handlersDetached_) return;
  try {
    action();
  } catch (const std::exception& e) {
    Fail(e.what());
  }
}

void TDisplayScreen::Fail(const std::string& message) {
  FailureMessage = message;
  Outcome = TSetupOutcome::Failed;
  view_.Message(message, Caption, PromptButtons::Ok, PromptIcon::Error);
  Close();
}

void TDisplayScreen::GiveUp(const std::string& reason) {
  FailureMessage = reason;
  Outcome = TSetupOutcome::Failed;
  Close();
}

void TDisplayScreen::FormShow() {
  if (Globals.UninstallMode)
    Guarded([&] { StartUninstallMode(); });
  else
    TimerArmed = true;
}

void TDisplayScreen::Timer1Timer() {
  if (!TimerArmed || Closed) return;
  TimerArmed = false;
  Guarded([&] { StartInstallMode(); });
}

void TDisplayScreen::StartInstallMode() {
  {
    TUnzip unzip(*this);
    view_.ShowModal(unzip);
  }
  Wizard.Visible = true;
  Repaint();
  if (ExpansionFailed) {
    Outcome = TSetupOutcome::Failed;
    Close();
    return;
  }
  // The title names the uninstall entry; an empty one would write into the uninstall key itself.
  if (Screen.TitleLine.Caption.empty()) {
    Fail(
        "This setup has no application title (\"Text Line 1\" of install.cfg is empty), so it could not "
        "register its uninstaller. Nothing was installed.");
    return;
  }
  if (const std::string fault = media::TitleFault(Screen.TitleLine.Caption); !fault.empty()) {
    Fail("This setup's application title \"" + Screen.TitleLine.Caption + "\" holds " + fault +
         ", which its uninstall entry cannot carry, so it could not register its uninstaller. Nothing was "
         "installed.");
    return;
  }
  Screen.LogoAnimated = true;
  LoadLicence();
  const int first = Settings.RestartOption ? kPageWelcome : kPageLicence;
  SetPage(first);
  StartPage = first;
  Notebook1PageChanged();
}

void TDisplayScreen::LoadLicence() {
  LicenceMemo.clear();
  LicenceMissing = true;
  Repaint();
  std::string licence;
  for (const std::string& source : Globals.InstallSources)
    if (platform::UpperCase(platform::ExtractFileName(source)) == "LICENSE.TXT") licence = source;
  if (licence.empty() || !platform().fs().FileExists(licence)) return;
  try {
    LicenceMemo = ReadTextLines(platform().fs(), licence, UnmarkedText::kUtf8WhenValid);
    LicenceMissing = false;
  } catch (const Exception&) {
    LicenceMemo.clear();  // an unreadable licence is a missing one
  }
}

void TDisplayScreen::FormResize(int width, int height) {
  Screen.Width = width;
  Screen.Height = height;
  Wizard.Left = width / 2 - Wizard.Width / 2;
  Wizard.Top = height / 2 - Wizard.Height / 2;
  AdjustFonts();
  PlaceLogo();
  ApplyDisplayStyle();
}

void TDisplayScreen::SetPage(int page) {
  if (PageIndex == page) return;
  PageIndex = page;
  Notebook1PageChanged();
}

bool TDisplayScreen::CheckDestination() {
  std::string reason = RefusedInstallDirectory(platform(), Main_Dir);
  if (reason.empty()) return true;
  view_.Message(reason, Caption, PromptButtons::Ok, PromptIcon::Warning);
  return false;
}

int TDisplayScreen::PageAfter(int page) const {
  switch (page) {
    case kPageLicence: return ScopeAsked ? kPageScope : kPageDestination;
    case kPageScope: return kPageDestination;
    default: return page + 1;
  }
}

int TDisplayScreen::PageBefore(int page) const {
  switch (page) {
    case kPageDestination: return ScopeAsked ? kPageScope : kPageLicence;
    case kPageScope: return kPageLicence;
    case kPageReady: return Settings.DisplayDesktopOptions ? kPageShortcuts : kPageDestination;
    default: return page - 1;
  }
}

void TDisplayScreen::SelectScopeChoice(TRadioButton& choice) {
  AllUsersOption.Checked = &choice == &AllUsersOption;
  CurrentUserOption.Checked = &choice == &CurrentUserOption;
}

void TDisplayScreen::TakeScopeChoice() {
  const TInstallScope chosen = AllUsersOption.Checked ? TInstallScope::Machine : TInstallScope::User;
  if (chosen == TInstallScope::Machine && session_->LacksAdministratorRights()) {
    RequestElevation({kAllUsersSwitch});
    return;
  }
  if (chosen != Scope) {
    // The destination, HKEY_AUTO and the entries a per-user installation refuses follow the scope.
    // The transaction stays where it began: this process may write there.
    Scope = chosen;
    ReadSetupConfig(Globals.ExpandDir);
  }
  SetPage(kPageDestination);
}

void TDisplayScreen::RequestElevation(const std::vector<std::string>& extra) {
  TElevationRequest request;
  request.Arguments = session_->CommandLine();
  request.Arguments.insert(request.Arguments.end(), extra.begin(), extra.end());
  request.Arguments.push_back(kElevatedSwitch);
  request.Directory = StartDirectory;
  Elevation = std::move(request);
  Outcome = TSetupOutcome::NeedsElevation;
  Close();
}

void TDisplayScreen::Next1Click() {
  Guarded([&] {
    if (PageIndex == kPageUninstaller || !Clickable(NextButton)) return;
    if (PageIndex == kPageScope) {
      TakeScopeChoice();
      return;
    }
    if (PageIndex == kPageDestination) {
      if (!CheckDestination()) return;
      if (Settings.DisplayDesktopOptions) {
        SetPage(kPageShortcuts);
      } else {
        BuildShortcutList();
        SetPage(kPageReady);
      }
      return;
    }
    SetPage(PageAfter(PageIndex));
  });
}

void TDisplayScreen::Back1Click() {
  Guarded([&] {
    if (PageIndex == StartPage || !WizardBarPage(PageIndex) || !Clickable(BackButton)) return;
    SetPage(PageBefore(PageIndex));
  });
}

void TDisplayScreen::acceptClick() {
  Guarded([&] {
    if (Clickable(Accept)) SetPage(PageAfter(PageIndex));
  });
}

void TDisplayScreen::declineClick() {
  Guarded([&] {
    if (!Clickable(decline)) return;
    Outcome = TSetupOutcome::Declined;
    Close();
  });
}

void TDisplayScreen::Cancel1Click() {
  Guarded([&] {
    if (!Clickable(CancelButton)) return;
    Outcome = TSetupOutcome::Cancelled;
    Close();
  });
}

void TDisplayScreen::Main_DirAfterDialog(const std::string& chosen) {
  Main_Dir = platform::IncludeTrailingBackslash(chosen);
}

void TDisplayScreen::SetRowChecked(size_t row, bool checked) {
  if (row < ShortcutList.Items.size()) ShortcutList.Items[row].Checked = checked;
}

void TDisplayScreen::SelectFinishChoice(TRadioButton& choice) {
  for (TRadioButton* r : {&reboot, &LaunchItOption, &ReturnToWindows}) r->Checked = r == &choice;
}

void TDisplayScreen::Notebook1PageChanged() {
  if (handlersDetached_) return;
  BackButton.Visible = NextButton.Visible = true;
  decline.Visible = Accept.Visible = false;
  NextButton.Caption = "&Next >>";
  ProcessMessages();
  const int page = PageIndex;
  auto centre = [&](int w, int h) {
    Wizard.Width = w;
    Wizard.Height = h;
    Wizard.Left = Screen.Width / 2 - w / 2;
    Wizard.Top = Screen.Height / 2 - h / 2;
  };
  switch (page) {
    case kPageLicence:
      decline.Visible = Accept.Visible = true;
      NextButton.Visible = false;
      if (LicenceMissing) {
        SetPage(PageAfter(kPageLicence));
        BackButton.Visible = NextButton.Visible = true;
        decline.Visible = Accept.Visible = false;
      }
      break;
    case kPageScope:
      // Without a licence page the scope page is the first one.
      if (LicenceMissing && StartPage == kPageLicence) BackButton.Visible = false;
      break;
    case kPageShortcuts: BuildShortcutList(); break;
    case kPageReady: NextButton.Caption = "&Install"; break;
    case kPageInstall:
      ButtonBarVisible = false;
      Wizard.Width = 300;
      Wizard.Height = 140;  // room below the bar for the Cancel button
      InstallCancelButton.Visible = InstallCancelButton.Enabled = true;
      InstallCancelRequested = false;
      for (TMarker& m : InstallMarkers) m.Visible = true;
      Wizard.Left = Screen.Width / 2 - Wizard.Width / 2;
      Wizard.Top = Screen.FooterLine.Top - 15 - Wizard.Height;
      ProcessMessages();
      Repaint();
      break;
    case kPageFinished:
      FinishTitle.Caption = Screen.TitleLine.Caption;
      LaunchIt.Caption = SubstitutePathTokens(platform(), Main_Dir, Settings.LaunchApplication);
      ProcessMessages();
      ButtonBarVisible = false;
      centre(440, 230);
      ProcessMessages();
      Repaint();
      break;
    case kPageUninstaller:
      ButtonBarVisible = false;
      centre(335, 125);
      Repaint();
      break;
    default: break;
  }
  if (page == StartPage) BackButton.Visible = false;
  if (page == kPageInstall) RunInstallation();
}

TInstallChoices TDisplayScreen::InstallChoices() const {
  TInstallChoices c;
  c.InstallDir = Main_Dir;
  c.FolderOnStartMenu = AddFolderToStartMenu.Checked;
  c.FolderOnDesktop = AddFolderToDesktop.Checked;
  // The list holds three rows per Desktop entry: Start menu, Desktop, Quick Launch.
  auto ticked = [&](size_t row) { return row < ShortcutList.Items.size() && ShortcutList.Items[row].Checked; };
  for (size_t k = 0; k < Globals.Desktop.size(); ++k)
    c.Shortcuts.push_back({ticked(3 * k), ticked(3 * k + 1), ticked(3 * k + 2)});
  c.Title = Screen.TitleLine.Caption;
  c.LogoFile = Settings.LogoFile;
  c.BitMap = Settings.BitMap;
  c.DisplayVersion = Settings.DisplayVersion;
  c.Publisher = Settings.Publisher;
  c.Scope = Scope;
  return c;
}

// The install page runs the installation to its end, then the finish page follows. Nothing of it is
// kept until the commit: a failure, a Cancel (even one that came while the last item was being
// written) or an error undoes it all and ends the run.
void TDisplayScreen::RunInstallation() {
  TInstallPageProgress progress(*this);
  TInstallResult result;
  try {
    result = InstallApplication(platform(), Globals, InstallChoices(), progress);
    Main_Dir = result.InstallDir;
    InstallCancelButton.Enabled = false;
    if (InstallCancelRequested || result.Outcome == TInstallOutcome::Cancelled) {
      EndUndone(TSetupOutcome::Cancelled, "Setup was cancelled.");
      return;
    }
    if (result.Outcome == TInstallOutcome::Failed) {
      EndUndone(TSetupOutcome::Failed, result.FailureText());
      return;
    }
    session_->Commit();
  } catch (const std::exception& e) {
    EndUndone(TSetupOutcome::Failed, e.what());
    return;
  }
  InstallCancelButton.Visible = false;
  Outcome = result.RestartNeeded ? TSetupOutcome::InstalledRestartNeeded : TSetupOutcome::Installed;
  if (result.RestartNeeded) {
    // The finish page offers the restart it offers when install.cfg asks for one, chosen already.
    FinishStatus.Caption = "Installation Completed. Restart Windows to finish it:";
    reboot.Visible = true;
    SelectFinishChoice(reboot);
  }
  try {
    SetPage(kPageFinished);
  } catch (const std::exception&) {
    // A page that cannot be shown changes nothing of what was installed.
  }
}

void TDisplayScreen::EndUndone(TSetupOutcome outcome, const std::string& reason) {
  InstallCancelButton.Visible = false;
  std::string text = reason.empty() ? std::string() : reason + "\n\n";
  try {
    const std::vector<std::string> left = session_->RollBack();
    if (left.empty()) {
      text += "Nothing was changed on this computer: it is as it was before setup started.";
    } else {
      text += "Setup undid its changes, but could not restore:";
      for (const std::string& item : left) text += "\n" + item;
    }
  } catch (const std::exception& e) {
    text += std::string("Setup could not undo its changes: ") + e.what() +
            "\nThe next setup started on this computer undoes them.";
  }
  FailureMessage = text;
  Outcome = outcome;
  view_.Message(text, Caption, PromptButtons::Ok,
                outcome == TSetupOutcome::Failed ? PromptIcon::Error : PromptIcon::Information);
  Close();
}

void TDisplayScreen::BuildShortcutList() {
  ShortcutList.Items.clear();
  ShortcutList.CheckBoxes = false;
  SummaryMemo = {"Install To: " + Main_Dir, "", "Folders:"};
  for (const std::string& entry : Globals.Desktop) {
    const bool toDesktop = AddFolderToDesktop.Checked;
    const bool toStartMenu = AddFolderToStartMenu.Checked;
    const media::TDesktopEntry e = media::ParseDesktopEntry(entry);
    const std::string& name = e.Name;
    // The icon is the expanded copy of the program: its path on the building machine, drive left out.
    const std::string iconSource = Globals.ExpandDir + std::string(platform::Utf16Tail(e.IconSource, 3));
    const std::string& folder = e.Folder;
    SummaryMemo.push_back(folder + ": " + name);
    if (toDesktop) SummaryMemo.push_back(folder + " Desktop : " + name);
    if (toStartMenu) SummaryMemo.push_back(folder + " StartMenu : " + name);
    const int icon = GetFileIconIndex(platform(), iconSource);
    ShortcutList.Items.push_back({name, "StartMenu", icon, e.StartMenu});
    ShortcutList.Items.push_back({name, "Desktop", icon, e.Desktop});
    ShortcutList.Items.push_back({name, "Quick Launch", icon, e.QuickLaunch});
  }
  ProcessMessages();
  ShortcutList.CheckBoxes = true;
  ProcessMessages();
}

void TDisplayScreen::FinishedClick() {
  Guarded([&] {
    if (PageIndex != kPageFinished || !FinishedButton.Visible || !FinishedButton.Enabled) return;
    TFinishChoices finish;
    finish.FollowUpPrograms = Globals.LaunchApplications;
    finish.Program = LaunchIt.Caption;
    finish.Choice = LaunchItOption.Checked ? TFinishChoice::LaunchProgram
                    : reboot.Checked       ? TFinishChoice::RestartWindows
                                           : TFinishChoice::ReturnToWindows;
    TFinishPageProgress progress(*this);
    RunFinishActions(platform(), finish, progress);
    Close();
  });
}

void TDisplayScreen::RemoveClick() {
  Guarded([&] {
    if (PageIndex != kPageUninstaller || !Remove.Visible || !Remove.Enabled) return;
    Remove.Enabled = false;
    TUninstallPageProgress progress(*this);
    const TRemovalResult result =
        RemoveApplication(platform(), {StartDirectory, Globals.ExpandDir, UninstallTitle}, progress);
    Outcome = result.Outcome == TRemovalOutcome::LogChanged ? TSetupOutcome::RemovedInPart : TSetupOutcome::Removed;
    Close();
  });
}

void TDisplayScreen::UninstallCancelClick() {
  Guarded([&] {
    if (Outcome == TSetupOutcome::Running) Outcome = TSetupOutcome::Cancelled;
    Close();
  });
}

void TDisplayScreen::InstallCancelClick() {
  // Only a flag: the installation running below this click looks at it before its next item.
  if (PageIndex == kPageInstall && InstallCancelButton.Visible && InstallCancelButton.Enabled)
    InstallCancelRequested = true;
}

void TDisplayScreen::Close() {
  if (Closed) return;
  // The close query: nothing of the wizard runs while the window goes away.
  handlersDetached_ = true;
  Minimized = true;
  Closed = true;
}

void TDisplayScreen::Destroy() {
  if (Destroyed) return;
  Destroyed = true;
  ShortcutList.Items.clear();
  LicenceMemo.clear();
  Globals.ClearLists();
  if (!Globals.UninstallMode) {
    // A run that ends before its commit (declined, cancelled in the wizard, failed) keeps nothing,
    // its expansion folder included; a committed one is finished once that folder is gone.
    try {
      if (session_->Installing()) session_->RollBack();
    } catch (const std::exception&) {
      // Left in the journal: the next setup on this machine undoes it.
    }
    RemoveExpansionDirectory(platform(), Globals.ExpandDir);
    session_->Finish();
  } else if (Outcome == TSetupOutcome::Removed || Outcome == TSetupOutcome::RemovedInPart) {
    // A batch left by an earlier run, or one written before a Cancel, is never started.
    StartCleanupBatch(platform(), CleanupTempDir);
  }
}

}  // namespace vurerode::setup
