// TDisplayScreen: the setup program's main window as a model. It holds the setup screen, the
// wizard with its eight pages and every control's state, the process-wide paths and lists, and runs
// the program's logic from the events a view forwards to it: the window shown, its timer, the
// buttons, the page changes, a resize. A view renders the state and implements TSetupView; it
// makes no decisions of its own.
#pragma once

#include <array>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/controls.h"
#include "app/setup_config.h"
#include "app/setup_paths.h"
#include "app/setup_screen.h"
#include "app/setup_session.h"
#include "app/setup_settings.h"
#include "app/setup_view.h"
#include "install/install_engine.h"
#include "install/setup_state.h"
#include "platform/platform.h"

namespace vurerode::setup {

// Wizard pages.
enum TPage : int {
  kPageWelcome = 0,
  kPageLicence = 1,
  kPageDestination = 2,
  kPageShortcuts = 3,
  kPageReady = 4,
  kPageInstall = 5,
  kPageFinished = 6,
  kPageUninstaller = 7,
  // Under Scope = choose without a switch: all users or the current user only, before the destination.
  kPageScope = 8
};

// The pages with the wizard's button bar (Back, Next, Cancel).
inline bool WizardBarPage(int page) {
  return page <= kPageReady || page == kPageScope;
}

// How a run ended, for a front end's exit status.
// RemovedInPart: the uninstall log had been changed, so only what lay in the installation's folder
// was removed. InstalledRestartNeeded: a file another program held is replaced at the next restart.
// Busy: another setup kept the machine, and the run never began. NeedsElevation: the run needs
// administrator rights it lacks; nothing was changed, and setup starts itself once more elevated
// (StartElevated) once the window is gone.
enum class TSetupOutcome {
  Running,
  Installed,
  Removed,
  Failed,
  Cancelled,
  Declined,
  NothingToRemove,
  RemovedInPart,
  InstalledRestartNeeded,
  Busy,
  NeedsElevation
};

// How setup starts itself once more, elevated: its arguments (the elevated-run switch among them)
// and the directory it started in.
struct TElevationRequest {
  std::vector<std::string> Arguments;
  std::string Directory;
};

inline constexpr const char* kSetupTitle = "Vurerode 2000";
inline constexpr const char* kUninstallerTitle = "ZAD2000 - Uninstaller";
inline constexpr const char* kErrorExpanding = "Error Expanding Files!!";

class TDisplayScreen {
 public:
  // Creates the main window: its run-time controls, the texts of the welcome page, the start
  // directory and the process-wide paths (which may raise EInOutError for a source directory on
  // the command line that cannot be entered). In install mode the session's transaction begins
  // here, before the expansion folder is made.
  TDisplayScreen(std::unique_ptr<TSetupSession> session, TSetupView& view, bool uninstallMode, std::string joinedArgs,
                 const TimeText& now = LocalTimeText);
  // The same with a session of its own on platform.
  TDisplayScreen(platform::Platform& platform, TSetupView& view, bool uninstallMode, std::string joinedArgs,
                 const TimeText& now = LocalTimeText);
  ~TDisplayScreen();
  TDisplayScreen(const TDisplayScreen&) = delete;
  TDisplayScreen& operator=(const TDisplayScreen&) = delete;

  // ---- events a view forwards ----
  void FormShow();     // the window's first showing
  void Timer1Timer();  // the one-shot timer, 1000 ms after the first showing (install mode)
  void FormResize(int width, int height);
  void Next1Click();
  void Back1Click();
  void acceptClick();
  void declineClick();
  void Cancel1Click();
  // The browse dialog of Main_Dir closed with a chosen folder.
  void Main_DirAfterDialog(const std::string& chosen);
  // Ticks of the shortcut list and the folder boxes.
  void SetRowChecked(size_t row, bool checked);
  void FinishedClick();         // the finish page's button
  void RemoveClick();           // the uninstaller page's Start button
  void UninstallCancelClick();  // the uninstaller page's Cancel button
  // The install page's Cancel button (Ctrl+C on a terminal): the installation stops at its next
  // item and is undone.
  void InstallCancelClick();
  // Closes the window: the close query, then it is gone; Destroy follows.
  void Close();
  // The destruction: releases the lists and removes the expansion directory or starts the cleanup
  // batch. Runs once; the destructor runs it when nobody did.
  void Destroy();

  // ---- the operations of the window ----
  void SetPage(int page);
  void Notebook1PageChanged();
  void BuildShortcutList();
  // Reads install.cfg and finstall.cfg in dir and applies them: the setup screen's look, the
  // settings, the destination, the lists.
  void ReadSetupConfig(const std::string& dir);
  // Raises ESingleFileDamaged when the program carries a medium that is cut short or changed.
  bool CheckEmbeddedMedium() { return session_->CheckEmbeddedMedium(); }
  // The expanded files the wizard shows before the installation, by install.cfg in dir: the logo,
  // the background picture, the programs whose icons the shortcut rows show.
  std::vector<std::string> FilesShownBeforeInstall(const std::string& dir);
  // The setup screen's styling: text stacking, logo loading and placing, background effect.
  void AdjustFonts();
  void LoadLogo();
  void PlaceLogo();
  void ApplyDisplayStyle();
  // Lets pending messages run / repaints, through the view.
  void ProcessMessages() { view_.ProcessMessages(); }
  void Repaint() { view_.Repaint(); }

  // The machine as the run changes it: through the installation's transaction while it is open.
  platform::Platform& platform() { return session_->platform(); }
  const TRecoveryReport& Recovery() const { return session_->Recovery(); }
  TSetupView& view() { return view_; }
  // Shows an error the way the window's framework shows an unhandled one, ends the run as failed.
  void Fail(const std::string& message);
  // Ends the run as failed after the reason has been shown already (an unattended run that cannot
  // go on).
  void GiveUp(const std::string& reason);

  // ---- state ----
  TSetupGlobals Globals;
  TSetupSettings Settings;
  // Decided before anything changes: from the medium's Scope and the switches.
  TInstallScope Scope = TInstallScope::Machine;
  TSetupScreenState Screen;
  std::string Caption;
  bool Minimized = false;
  bool Closed = false;
  bool Destroyed = false;
  bool TimerArmed = false;
  bool ExpansionFailed = false;
  std::string StartDirectory;
  std::string UninstallTitle;
  // Where the removal's cleanup batch lies; empty: the Windows directory's Temp.
  std::string CleanupTempDir;
  std::string JoinedArgs;
  TSetupOutcome Outcome = TSetupOutcome::Running;
  std::string FailureMessage;

  // The wizard panel and its page book.
  TPanel Wizard;
  int PageIndex = 0;
  int StartPage = 1;
  bool LicenceMissing = true;
  bool ButtonBarVisible = true;
  TButton CancelButton{"&Cancel"}, decline{"&Decline"}, Accept{"&Accept"}, BackButton{"<< &Back"},
      NextButton{"&Next >>"};
  TLabel ExitProgramsWarning, SecondWarning, ThirdWarning;  // page 0
  std::vector<std::string> LicenceMemo;                     // page 1
  std::string Main_Dir;                                     // page 2
  TLabel CreateFolder;                                      // page 3
  TCheckBox AddFolderToStartMenu{"Add Folder to Start Menu"}, AddFolderToDesktop{"Add Folder to Desktop"};
  TListView ShortcutList;
  std::vector<std::string> SummaryMemo;                       // page 4
  TLabel CurrentFileLabel, IconsStepLabel, EntriesStepLabel;  // page 5
  std::array<TMarker, 3> InstallMarkers;  // beside "Installing Files", IconsStepLabel, EntriesStepLabel
  TProgressBar InstallProgress;
  // Not in the page's first design, which had no buttons: the installation can be cancelled.
  TButton InstallCancelButton{"&Cancel"};
  bool InstallCancelRequested = false;
  TLabel FinishStatus{"Installation Completed:"}, FinishTitle, LaunchIt;  // page 6
  TRadioButton reboot{"ReStart Windows"}, LaunchItOption{"Launch Program"}, ReturnToWindows{"Return to Windows "};
  TButton FinishedButton{"&Finished"};
  std::array<TLabel, 4> StartLabels;  // page 7: the four removal steps
  std::array<TMarker, 4> UninstallMarkers;
  TLabel UninstallStatus{"Status:"};
  TProgressBar RemovalProgress;
  TButton Remove{"&Start"}, UninstallCancelButton{"&Cancel"};

  // The scope page (page 8), shown under Scope = choose when no switch chose and the run asks.
  bool ScopeAsked = false;
  TLabel ScopeQuestion{"Who should be able to use this application?"};
  TRadioButton AllUsersOption{"Install for all users of this computer (needs administrator rights)"},
      CurrentUserOption{"Install for me only"};
  // Set with the outcome NeedsElevation.
  std::optional<TElevationRequest> Elevation;

  // Set by the finish page's radio group: exactly one is checked.
  void SelectFinishChoice(TRadioButton& choice);
  // Set by the scope page's pair: exactly one is checked.
  void SelectScopeChoice(TRadioButton& choice);
  // What the user chose on the wizard, as the installation takes it.
  TInstallChoices InstallChoices() const;

 private:
  template <typename Action>
  void Guarded(Action&& action);
  // A button of the wizard's bar that a user can press now; clicks on hidden ones do nothing.
  bool Clickable(const TButton& b) const { return ButtonBarVisible && b.Visible && b.Enabled; }
  void StartInstallMode();
  void StartUninstallMode();
  void ApplySettings(const TSetupConfig& config);
  void TakeLists(const TSetupConfig& config);
  void RunInstallation();
  // Undoes the installation and ends the run with outcome, telling why and what became of it.
  void EndUndone(TSetupOutcome outcome, const std::string& reason);
  void LoadLicence();
  bool CheckDestination();
  // The page Next (or Accept) leads to from page, and the one Back leads to.
  int PageAfter(int page) const;
  int PageBefore(int page) const;
  // Next on the scope page: the choice taken, or, for all users without the rights, the run ended
  // to start once more elevated with /ALLUSERS.
  void TakeScopeChoice();
  // Ends the run, nothing changed, for setup to start itself elevated with extra arguments added.
  void RequestElevation(const std::vector<std::string>& extra);

  std::unique_ptr<TSetupSession> session_;
  TSetupView& view_;
  bool handlersDetached_ = false;
};

}  // namespace vurerode::setup
