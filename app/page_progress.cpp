#include "app/page_progress.h"

#include "app/display_screen.h"

namespace vurerode::setup {

namespace {

void Restart(TProgressBar& bar, int max) {
  bar.Min = 0;
  bar.Max = max;
  bar.Position = 0;
}

}  // namespace

void TInstallPageProgress::Status(const std::string& text) {
  main_.EntriesStepLabel.Caption = text;
}
void TInstallPageProgress::SetRange(int max) {
  Restart(main_.InstallProgress, max);
}
void TInstallPageProgress::Advance() {
  main_.InstallProgress.StepBy(1);
}
void TInstallPageProgress::Record(RecordKind kind, const std::string& what) {
  main_.view().Record(kind, what);
}
void TInstallPageProgress::ProcessMessages() {
  main_.ProcessMessages();
}
void TInstallPageProgress::Repaint() {
  main_.Repaint();
}
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
std::string TInstallPageProgress::Caption() const {
  return main_.Caption;
}

void TUninstallPageProgress::Status(const std::string& text) {
  main_.UninstallStatus.Caption = text;
}
void TUninstallPageProgress::SetRange(int max) {
  Restart(main_.RemovalProgress, max);
}
void TUninstallPageProgress::Advance() {
  main_.RemovalProgress.StepBy(1);
}
void TUninstallPageProgress::Record(RecordKind kind, const std::string& what) {
  main_.view().Record(kind, what);
}
void TUninstallPageProgress::ProcessMessages() {
  main_.ProcessMessages();
}
void TUninstallPageProgress::Repaint() {
  main_.Repaint();
}
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

void TFinishPageProgress::Status(const std::string& text) {
  main_.FinishStatus.Caption = text;
}
void TFinishPageProgress::Record(RecordKind kind, const std::string& what) {
  main_.view().Record(kind, what);
}
void TFinishPageProgress::Repaint() {
  main_.Repaint();
}

}  // namespace vurerode::setup
