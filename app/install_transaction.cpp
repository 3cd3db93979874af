// The link to the journal: an installation run's changes go through a TSetupTransaction, and a
// setup's start recovers what an earlier one left unfinished.
#include "app/install_transaction.h"

#include "install/setup_transaction.h"

namespace vurerode::setup {

namespace {

class TJournalledChanges : public TInstallTransaction {
 public:
  TJournalledChanges(platform::Platform& machine, const std::string& journalBase)
      : transaction_(machine, journalBase) {}
  platform::Platform& platform() override { return transaction_.platform(); }
  void NoteTemporaryFolder(const std::string& dir) override { transaction_.NoteTemporaryFolder(dir); }
  void Commit() override { transaction_.Commit(); }
  void Finish() override { transaction_.Finish(); }
  std::vector<std::string> RollBack() override { return transaction_.RollBack(); }

 private:
  TSetupTransaction transaction_;
};

}  // namespace

std::unique_ptr<TInstallTransaction> BeginInstallTransaction(platform::Platform& machine, TInstallScope scope) {
  return std::make_unique<TJournalledChanges>(
      machine, scope == TInstallScope::User ? UserShellFolder(machine, "Local AppData") : std::string());
}

TRecoveryReport RecoverInterruptedInstallation(platform::Platform& machine) {
  const TRecoveryResult found = RecoverInterruptedSetup(machine);
  TRecoveryReport report;
  report.RolledBack = found.RolledBack;
  report.Title = found.Title;
  report.Problems = found.Problems;
  return report;
}

}  // namespace vurerode::setup
