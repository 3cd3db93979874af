// A transaction that records nothing and can undo nothing: the setup program built with it
// (setup_unjournalled, bench/ only) installs as setup does but without the journal, so that the
// bench measures what the journal costs in the same runs. Never shipped: a failure it meets
// leaves whatever had landed.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "app/install_transaction.h"

namespace vurerode::bench {

class TUnjournalledTransaction : public setup::TInstallTransaction {
 public:
  explicit TUnjournalledTransaction(platform::Platform& machine) : machine_(machine) {}
  platform::Platform& platform() override { return machine_; }
  void NoteTemporaryFolder(const std::string&) override {}
  void Commit() override {}
  void Finish() override {}
  std::vector<std::string> RollBack() override { return {"this build keeps no journal: nothing was undone"}; }

 private:
  platform::Platform& machine_;
};

inline std::unique_ptr<setup::TInstallTransaction> BeginUnjournalled(platform::Platform& machine,
                                                                     setup::TInstallScope) {
  return std::make_unique<TUnjournalledTransaction>(machine);
}

}  // namespace vurerode::bench
