// A platform that journals every change to the machine before making it: file creates, deletes,
// moves, writes in place and attributes, folders, profile (INI) writes, shortcut files, registry
// keys and values. Reading passes straight through, and so do programs, restarts and the setup
// lock. Wrapped around the machine's own platform by TSetupTransaction.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "install/journal_ledger.h"
#include "platform/platform.h"

namespace vurerode::setup {

class TJournaledPlatform : public platform::Platform {
 public:
  TJournaledPlatform(platform::Platform& inner, TJournalFile& journal);
  ~TJournaledPlatform() override;

  platform::FileSystem& fs() override;
  platform::Registry& registry() override;
  platform::Profile& profile() override;
  platform::Shell& shell() override;
  platform::Processes& processes() override { return inner_.processes(); }
  std::unique_ptr<platform::SetupLock> AcquireSetupLock(std::chrono::milliseconds wait) override {
    return inner_.AcquireSetupLock(wait);
  }

  TJournalLedger& ledger() { return ledger_; }

 private:
  class Files;
  class Keys;
  class Profiles;
  class Links;

  platform::Platform& inner_;
  TJournalLedger ledger_;
  std::unique_ptr<Files> files_;
  std::unique_ptr<Keys> keys_;
  std::unique_ptr<Profiles> profiles_;
  std::unique_ptr<Links> links_;
};

// What an installation tells the journal of a platform that has one, and nothing elsewhere: the
// title it installs, and the files and folders it is about to make (none of them there yet), so
// that one record covers them all.
void JournalInstallationTitle(platform::Platform& platform, const std::string& title);
void JournalExpectedFiles(platform::Platform& platform, const std::vector<std::string>& files,
                          const std::vector<std::string>& folders);

}  // namespace vurerode::setup
