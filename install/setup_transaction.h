// An installation as a transaction: every change it makes to the machine goes through platform(),
// which journals it first (install/journal_file.h says where), so that whatever happens to the
// setup program the machine ends either as it was before or fully installed. The app makes one
// before the set is expanded, commits it once the installation is complete, or rolls it back on a
// failure, a cancel or an exception; at its next start RecoverInterruptedSetup finishes what a
// killed setup left.
#pragma once

#include <string>
#include <vector>

#include "install/journal_file.h"
#include "install/journaled_platform.h"
#include "platform/platform.h"

namespace vurerode::setup {

class TSetupTransaction {
 public:
  // machine is the machine's own platform, held for the transaction's life. Raises Exception when
  // the journal of an earlier installation is still there: RecoverInterruptedSetup comes first.
  // journalBase empty: the journal lies below the Windows directory; otherwise below that folder
  // (with its trailing backslash), the user's local application data for a per-user installation.
  explicit TSetupTransaction(platform::Platform& machine, const std::string& journalBase = {});
  // An uncommitted transaction leaves its journal for the next start to roll back, as a crash
  // would: nothing is undone here.
  ~TSetupTransaction();
  TSetupTransaction(const TSetupTransaction&) = delete;
  TSetupTransaction& operator=(const TSetupTransaction&) = delete;

  // The platform every change of the installation goes through.
  platform::Platform& platform() { return platform_; }
  // The expansion folder: a rollback or a recovery removes its tree, committed or not, and what is
  // made inside it is not journalled one by one.
  void NoteTemporaryFolder(const std::string& dir);
  // The installation is complete: its changes stay, the copies of what they replaced go, and the
  // journal too unless a temporary folder is still there. Nothing is journalled afterwards.
  void Commit();
  // After a commit, once the expansion folder is gone: the journal goes. Before a commit it does
  // nothing: only a commit or a rollback decides what the machine keeps.
  void Finish();
  // Undoes every change, newest first, and removes the journal. Returns what could not be put
  // back, one line each (normally nothing); the journal then stays while a saved copy is still in
  // it, so that the next start tries again.
  std::vector<std::string> RollBack();

 private:
  enum class State { Open, Committed, Done };

  platform::Platform& machine_;
  TJournalFile journal_;
  TJournaledPlatform platform_;
  std::vector<std::string> temporaryFolders_;
  State state_ = State::Open;
};

// What RecoverInterruptedSetup found and did.
struct TRecoveryResult {
  bool Found = false;                 // a journal was there
  bool Committed = false;             // its installation had committed: only its cleanup was left
  bool RolledBack = false;            // its installation had not: it was undone
  std::string Title;                  // the installation's title, when the journal had come that far
  std::vector<std::string> Problems;  // what could not be put back or removed
  // A message for the user and the log; empty when nothing was found.
  std::string Text() const;
};

// Run at start, with the setup lock held, before anything else changes the machine: rolls back
// an installation that never committed, or clears away what a committed one left. Both journals
// are looked at: the machine's, then the current user's (when the machine says where the user's
// local application data is).
TRecoveryResult RecoverInterruptedSetup(platform::Platform& machine);

}  // namespace vurerode::setup
