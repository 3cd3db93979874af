#include "app/page_progress.h"

#include "app/display_screen.h"

namespace vurerode::setup {

template <typename Interface>
void TPageProgress<Interface>::SetRange(int max) {
  if (!bar_) return;
  bar_->Min = 0;
  bar_->Max = max;
  bar_->Position = 0;
}
template <typename Interface>
void TPageProgress<Interface>::Advance() {
  if (bar_) bar_->StepBy(1);
}
template <typename Interface>
void TPageProgress<Interface>::Record(RecordKind kind, const std::string& what) {
  main_.view().Record(kind, what);
}
template <typename Interface>
void TPageProgress<Interface>::ProcessMessages() {
  main_.ProcessMessages();
}
template <typename Interface>
void TPageProgress<Interface>::Repaint() {
  main_.Repaint();
}

template class TPageProgress<TInstallProgress>;
template class TPageProgress<TRemovalProgress>;
template class TPageProgress<TEngineProgress>;

TInstallPageProgress::TInstallPageProgress(TDisplayScreen& main)
    : TPageProgress(main, main.EntriesStepLabel, &main.InstallProgress) {}
void TInstallPageProgress::StepReached(TInstallStep step) {
  main_.InstallMarkers[static_cast<size_t>(step)].Done = true;
}
void TInstallPageProgress::CurrentItem(TInstallStep step, const std::string& text) {
  // The file line stands under "Installing Files"; the shortcut step's program takes its own line.
  (step == TInstallStep::Files       ? main_.CurrentFileLabel
   : step == TInstallStep::Shortcuts ? main_.IconsStepLabel
                                     : main_.EntriesStepLabel)
      .Caption = text;
}
Prompter& TInstallPageProgress::Prompts() {
  return main_.view();
}
bool TInstallPageProgress::CancelRequested() {
  return main_.InstallCancelRequested;
}
std::string TInstallPageProgress::Caption() const {
  return main_.Caption;
}

TUninstallPageProgress::TUninstallPageProgress(TDisplayScreen& main)
    : TPageProgress(main, main.UninstallStatus, &main.RemovalProgress) {}
void TUninstallPageProgress::PassStarted(int pass) {
  main_.UninstallMarkers[pass].Done = true;
  if (pass > 0) main_.StartLabels[pass - 1].Bold = false;
  main_.StartLabels[pass].Bold = true;
  main_.Repaint();
}
void TUninstallPageProgress::PassesDone() {
  main_.Remove.Caption = "Close";
  main_.Remove.Enabled = true;
  main_.Screen.SubtitleLine.Caption = "All Files,Folders and Icons Removed";
  main_.Repaint();
}
YesNoAll TUninstallPageProgress::AskDelete(const std::string& text) {
  return main_.view().AskYesNoAll(text, main_.Caption);
}

TFinishPageProgress::TFinishPageProgress(TDisplayScreen& main) : TPageProgress(main, main.FinishStatus, nullptr) {}

}  // namespace vurerode::setup
