// The engines' progress shown on the wizard's pages: the install page's markers, lines and bar, the
// uninstaller page's step labels, status and bar, the finish page's status line.
#pragma once

#include <string>

#include "app/controls.h"
#include "install/engine_progress.h"

namespace vurerode::setup {

class TDisplayScreen;

// What every page shows alike: a status label, a bar when the page has one, the view's record and
// its chance to repaint.
template <typename Interface>
class TPageProgress : public Interface {
 public:
  TPageProgress(TDisplayScreen& main, TLabel& status, TProgressBar* bar) : main_(main), status_(status), bar_(bar) {}
  void Status(const std::string& text) override { status_.Caption = text; }
  void SetRange(int max) override;
  void Advance() override;
  void Record(RecordKind kind, const std::string& what) override;
  void ProcessMessages() override;
  void Repaint() override;

 protected:
  TDisplayScreen& main_;

 private:
  TLabel& status_;
  TProgressBar* bar_;
};

class TInstallPageProgress : public TPageProgress<TInstallProgress> {
 public:
  explicit TInstallPageProgress(TDisplayScreen& main);
  void StepReached(TInstallStep step) override;
  void CurrentItem(TInstallStep step, const std::string& text) override;
  Prompter& Prompts() override;
  std::string Caption() const override;
  // The page's Cancel button was clicked (or Ctrl+C pressed), here or while messages ran.
  bool CancelRequested() override;
};

class TUninstallPageProgress : public TPageProgress<TRemovalProgress> {
 public:
  explicit TUninstallPageProgress(TDisplayScreen& main);
  void PassStarted(int pass) override;
  void PassesDone() override;
  YesNoAll AskDelete(const std::string& text) override;
};

class TFinishPageProgress : public TPageProgress<TEngineProgress> {
 public:
  explicit TFinishPageProgress(TDisplayScreen& main);
};

}  // namespace vurerode::setup
