// The installation's transaction as the setup program sees it: every change an installation run
// makes to the machine goes through its platform(), so that a failure, a Cancel or a crash can be
// undone, and an installation that never ended is undone when the next setup starts.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "install/install_scope.h"
#include "platform/platform.h"

namespace vurerode::setup {

class TInstallTransaction {
 public:
  virtual ~TInstallTransaction() = default;
  // The machine as the installation changes it: each change is recorded before it is made.
  virtual platform::Platform& platform() = 0;
  // The expansion folder: undoing the run deletes its tree, and what is written inside it is not
  // recorded item by item.
  virtual void NoteTemporaryFolder(const std::string& dir) = 0;
  // The new state is kept.
  virtual void Commit() = 0;
  // After the commit, once the expansion folder is gone: nothing is left to undo.
  virtual void Finish() = 0;
  // Undoes every recorded change, the last first; returns what could not be restored.
  virtual std::vector<std::string> RollBack() = 0;
};

// What a setup found at its start of an earlier one that never ended.
struct TRecoveryReport {
  bool RolledBack = false;            // it had not committed, and its changes were undone
  std::string Title;                  // the installation's title, when known
  std::vector<std::string> Problems;  // what could not be restored
};

// A transaction over machine, begun now; its journal lies where the scope's installation may write.
std::unique_ptr<TInstallTransaction> BeginInstallTransaction(platform::Platform& machine, TInstallScope scope);
// Undoes an installation that was interrupted before its commit, or finishes the cleanup of one
// that committed; called with the setup lock held.
TRecoveryReport RecoverInterruptedInstallation(platform::Platform& machine);

}  // namespace vurerode::setup
