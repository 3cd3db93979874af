// The link to the journal: an installation run's changes go through a TSetupTransaction, and a
// setup's start recovers what an earlier one left unfinished.
#include "app/install_transaction.h"

#include "install/setup_transaction.h"

namespace vurerode::setup {

namespace {

class TJournalledChanges : public TInstallTransaction {
 public:
  explicit TJournalledChanges(platform::Platform& machine) : transaction_(machine) {}
  platform::Platform& platform() override { return transaction_.platform(); }
  void NoteTemporaryFolder(const std::string& dir) override { transaction_.NoteTemporaryFolder(dir); }
  void Commit() override { transaction_.Commit(); }
  void Finish() override { transaction_.Finish(); }
  std::vector<std::string> RollBack() override { return transaction_.RollBack(); }

 private:
  TSetupTransaction transaction_;
};

}  // namespace

std::unique_ptr<TInstallTransaction> BeginInstallTransaction(platform::Platform& machine) {
  return std::make_unique<TJournalledChanges>(machine);
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
