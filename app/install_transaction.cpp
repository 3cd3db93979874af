// The link to the journal: while the installation is not journalled, the machine is changed
// directly, there is nothing to undo and nothing to recover.
#include "app/install_transaction.h"

namespace vurerode::setup {

namespace {

class TDirectChanges : public TInstallTransaction {
 public:
  explicit TDirectChanges(platform::Platform& machine) : machine_(machine) {}
  platform::Platform& platform() override { return machine_; }
  void NoteTemporaryFolder(const std::string&) override {}
  void Commit() override {}
  void Finish() override {}
  std::vector<std::string> RollBack() override { return {}; }

 private:
  platform::Platform& machine_;
};

}  // namespace

std::unique_ptr<TInstallTransaction> BeginInstallTransaction(platform::Platform& machine) {
  return std::make_unique<TDirectChanges>(machine);
}

TRecoveryReport RecoverInterruptedInstallation(platform::Platform&) {
  return {};
}

}  // namespace vurerode::setup
