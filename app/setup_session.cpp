#include "app/setup_session.h"

#include "app/embedded_medium.h"

namespace vurerode::setup {

ESetupBusy::ESetupBusy()
    : std::runtime_error(
          "Another installation or removal is running on this computer. Setup waited a minute for it to end. "
          "Let it finish, then start this setup again. Nothing was changed.") {}

TSetupSession::TSetupSession(platform::Platform& machine, TSessionOptions options)
    : mediumDamage_(),
      medium_(OpenEmbeddedMedium(machine, options.ProgramFile, mediumDamage_)),
      machine_(medium_ ? medium_.get() : &machine),
      link_(std::move(options.Link)),
      requestedScope_(options.RequestedScope),
      unattended_(options.Unattended),
      elevated_(options.Elevated),
      commandLine_(std::move(options.CommandLine)) {
  lock_ = machine_->AcquireSetupLock(options.LockWait);
  if (!lock_) throw ESetupBusy();
  recovery_ = link_.Recover(*machine_);
}

std::string TSetupSession::EmbeddedMediumFolder() const {
  return medium_ ? medium_->Folder() : std::string();
}

bool TSetupSession::CheckEmbeddedMedium() {
  if (!mediumDamage_.empty()) throw ESingleFileDamaged(mediumDamage_);
  if (!medium_) return false;
  medium_->Verify();
  return true;
}

TSetupSession::~TSetupSession() {
  try {
    RollBack();
  } catch (...) {
    // What cannot be undone now stays in the journal for the next setup to undo.
  }
}

platform::Platform& TSetupSession::platform() {
  return state_ == State::Open ? transaction_->platform() : *machine_;
}

void TSetupSession::BeginInstallation(TInstallScope scope) {
  if (state_ != State::None) return;
  transaction_ = link_.Begin(*machine_, scope);
  state_ = State::Open;
}

void TSetupSession::NoteTemporaryFolder(const std::string& dir) {
  if (state_ == State::Open) transaction_->NoteTemporaryFolder(dir);
}

void TSetupSession::Commit() {
  if (state_ != State::Open) return;
  transaction_->Commit();
  state_ = State::Committed;
}

void TSetupSession::Finish() {
  if (state_ != State::Committed) return;
  state_ = State::Ended;
  transaction_->Finish();
}

std::vector<std::string> TSetupSession::RollBack() {
  if (state_ != State::Open) return {};
  state_ = State::Ended;
  return transaction_->RollBack();
}

}  // namespace vurerode::setup
