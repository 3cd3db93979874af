// A setup program that carries its medium: the machine as the run sees it, with the set's files in
// the folder the program lies in, read from inside the program. Everything else is the machine's.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "platform/platform.h"
#include "segment/embedded_set_file_system.h"

namespace vurerode::setup {

class TEmbeddedMedium : public platform::Platform {
 public:
  TEmbeddedMedium(platform::Platform& machine, TSingleFile medium)
      : machine_(machine), files_(machine.fs(), std::move(medium)) {}

  platform::FileSystem& fs() override { return files_; }
  platform::Registry& registry() override { return machine_.registry(); }
  platform::Profile& profile() override { return machine_.profile(); }
  platform::Shell& shell() override { return machine_.shell(); }
  platform::Processes& processes() override { return machine_.processes(); }
  std::unique_ptr<platform::SetupLock> AcquireSetupLock(std::chrono::milliseconds wait) override {
    return machine_.AcquireSetupLock(wait);
  }

  // The folder the set's files appear in, ending with a backslash.
  const std::string& Folder() const { return files_.Folder(); }
  // Reads the whole program once and raises ESingleFileDamaged when a byte of it changed. The
  // program stays open from then on: Windows then lets nobody write, rename or delete it, so the
  // file read later is the file verified.
  void Verify();

 private:
  platform::Platform& machine_;
  TEmbeddedSetFileSystem files_;
  std::unique_ptr<platform::TFileStream> held_;
  bool verified_ = false;
};

// The medium a program carries, wrapped around the machine; nullptr for a plain setup program (or
// one that cannot be read, which then looks for a set beside it). A program whose medium is cut
// short or damaged gives the reason in damage, for the expansion to report before it changes
// anything.
std::unique_ptr<TEmbeddedMedium> OpenEmbeddedMedium(platform::Platform& machine, const std::string& program,
                                                    std::string& damage);

}  // namespace vurerode::setup
