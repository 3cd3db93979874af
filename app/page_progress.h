// The engines' progress shown on the wizard's pages: the install page's markers, lines and bar, the
// uninstaller page's step labels, status and bar, the finish page's status line.
#pragma once

#include <string>

#include "install/engine_progress.h"

namespace vurerode::setup {

class TDisplayScreen;

class TInstallPageProgress : public TInstallProgress {
 public:
  explicit TInstallPageProgress(TDisplayScreen& main) : main_(main) {}
  void Status(const std::string& text) override;
  void SetRange(int max) override;
  void Advance() override;
  void Record(RecordKind kind, const std::string& what) override;
  void ProcessMessages() override;
  void Repaint() override;
  void StepReached(TInstallStep step) override;
  void CurrentItem(TInstallStep step, const std::string& text) override;
  Prompter& Prompts() override;
  std::string Caption() const override;

 private:
  TDisplayScreen& main_;
};

class TUninstallPageProgress : public TRemovalProgress {
 public:
  explicit TUninstallPageProgress(TDisplayScreen& main) : main_(main) {}
  void Status(const std::string& text) override;
  void SetRange(int max) override;
  void Advance() override;
  void Record(RecordKind kind, const std::string& what) override;
  void ProcessMessages() override;
  void Repaint() override;
  void PassStarted(int pass) override;
  void PassesDone() override;
  YesNoAll AskDelete(const std::string& text) override;

 private:
  TDisplayScreen& main_;
};

class TFinishPageProgress : public TEngineProgress {
 public:
  explicit TFinishPageProgress(TDisplayScreen& main) : main_(main) {}
  void Status(const std::string& text) override;
  void Record(RecordKind kind, const std::string& what) override;
  void Repaint() override;

 private:
  TDisplayScreen& main_;
};

}  // namespace vurerode::setup
