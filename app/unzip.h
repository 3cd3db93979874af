// TUNZIP: the small modal window that expands the archive set beside setup.exe into the expansion
// directory, copies the installer and its configuration next to the files, asks for missing disks,
// and reads the configuration.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "app/controls.h"
#include "install/media_check.h"
#include "segment/seg_comp_ez.h"
#include "segment/seg_owner.h"

namespace vurerode::setup {

class TDisplayScreen;

class TUnzip : public TSegOwner {
 public:
  explicit TUnzip(TDisplayScreen& main);
  ~TUnzip() override;

  // ---- events the view forwards ----
  void FormShow();     // starts the one-shot timer
  void Timer1Timer();  // 1000 ms later: runs the expansion, then the window closes

  // ---- state ----
  std::string Caption = "ZAD2000 - Setup";
  TLabel PleaseWaitLabel{"Vurerode is De-Compressing files needed to Setup the Wizard. Please Standby."};
  TProgressBar ExpansionProgress;
  bool TimerArmed = false;
  bool Closed = false;
  static constexpr int kClientWidth = 339;
  static constexpr int kClientHeight = 71;

  // ---- TSegOwner ----
  Prompter& SegPrompter() override;
  void Repaint() override;
  void ProcessMessages() override;

 private:
  void Expand();
  void OnSegBefore(uint16_t segNumber);
  void OnCheckFile(std::string& filepath);
  void CopyBesideFiles();
  // On a whole, verified medium: expands only what the wizard shows (the licence, the pictures,
  // the programs whose icons the shortcut rows show) and leaves the rest in the set for the
  // installation, which places each file straight where it goes.
  void LeaveInSet(TSegArcList& list);
  void Close() { Closed = true; }

  TDisplayScreen& main_;
  std::unique_ptr<TSegCompEZ> SetReader;
  std::optional<TMediumCheck> medium_;
  bool leaveInSet_ = false;
};

}  // namespace vurerode::setup
