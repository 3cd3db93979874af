// One run of the setup program on a machine: the machine's setup lock held from its start to its
// end, an interrupted installation recovered first, and, for an installation, the transaction its
// changes go through until they are committed or undone.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/install_transaction.h"
#include "platform/platform.h"

namespace vurerode::setup {

// The switch of the run a setup without administrator rights starts of itself, elevated: that run
// never starts another. Users do not give it.
inline constexpr const char* kElevatedSwitch = "/ELEVATED";

// How long a setup waits for another one on the same machine to end.
inline constexpr std::chrono::milliseconds kSetupLockWait{60000};

// Another setup kept the machine's lock for the whole wait; nothing was changed.
class ESetupBusy : public std::runtime_error {
 public:
  ESetupBusy();
};

// How a session reaches the journal: the transaction and the recovery (tests put their own).
class TEmbeddedMedium;

struct TTransactionLink {
  std::function<std::unique_ptr<TInstallTransaction>(platform::Platform&, TInstallScope)> Begin =
      BeginInstallTransaction;
  std::function<TRecoveryReport(platform::Platform&)> Recover = RecoverInterruptedInstallation;
};

struct TSessionOptions {
  std::chrono::milliseconds LockWait = kSetupLockWait;
  TTransactionLink Link;
  // The running setup program as the machine names it; when it carries its medium, the set is read
  // from inside it. Empty: the set beside the program, as always.
  std::string ProgramFile;
  // The scope /ALLUSERS or /CURRENTUSER asked for; the media's Scope decides whether it may.
  std::optional<TInstallScope> RequestedScope = std::nullopt;
  // A run that asks nothing (/SILENT): under Scope = choose without a switch it installs for all users.
  bool Unattended = false;
  // The run started elevated by another (kElevatedSwitch): it never asks for the rights again.
  bool Elevated = false;
  // The program's arguments as it was started, switches included: what an elevated start passes on.
  std::vector<std::string> CommandLine = {};
};

class TSetupSession {
 public:
  // Takes the setup lock (raises ESetupBusy when it stays taken), then recovers what an earlier
  // setup left unfinished.
  explicit TSetupSession(platform::Platform& machine, TSessionOptions options = {});
  // An installation still open is undone: only a process that dies leaves its journal behind.
  ~TSetupSession();
  TSetupSession(const TSetupSession&) = delete;
  TSetupSession& operator=(const TSetupSession&) = delete;

  const TRecoveryReport& Recovery() const { return recovery_; }

  // The machine as this run changes it: through the transaction while one is open.
  platform::Platform& platform();
  platform::Platform& machine() { return *machine_; }

  // The folder of the medium the program carries (ending with a backslash); empty for a set.
  std::string EmbeddedMediumFolder() const;
  // Raises ESingleFileDamaged when the program carries a medium that is cut short or changed;
  // true when it carries one and every byte of it was found as built.
  bool CheckEmbeddedMedium();

  std::optional<TInstallScope> RequestedScope() const { return requestedScope_; }
  bool Unattended() const { return unattended_; }
  const std::vector<std::string>& CommandLine() const { return commandLine_; }
  // Changes only administrators may make need setup started once more elevated: this process is
  // none, and is not that elevated start already.
  bool LacksAdministratorRights() { return !elevated_ && !machine_->processes().IsAdministrator(); }

  // The transaction of an installation run for scope; the calls below do nothing without one.
  void BeginInstallation(TInstallScope scope);
  void NoteTemporaryFolder(const std::string& dir);
  void Commit();
  // Once the expansion folder is gone, after a commit.
  void Finish();
  // Undoes an open installation; returns what could not be restored.
  std::vector<std::string> RollBack();
  // Begun, neither committed nor undone yet.
  bool Installing() const { return state_ == State::Open; }

 private:
  enum class State { None, Open, Committed, Ended };
  std::string mediumDamage_;
  std::unique_ptr<TEmbeddedMedium> medium_;
  platform::Platform* machine_;
  TTransactionLink link_;
  std::optional<TInstallScope> requestedScope_;
  bool unattended_;
  bool elevated_;
  std::vector<std::string> commandLine_;
  std::unique_ptr<platform::SetupLock> lock_;
  TRecoveryReport recovery_;
  std::unique_ptr<TInstallTransaction> transaction_;
  State state_ = State::None;
};

}  // namespace vurerode::setup
