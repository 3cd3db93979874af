// A whole Windows machine in a host folder ROOT, for running and testing the installer anywhere:
// ROOT/drive_c (and further drives), ROOT/registry.reg, ROOT/metadata.txt and ROOT/journal.log.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <vector>

#include "platform/ini_profile.h"
#include "platform/platform.h"
#include "platform/sandbox/journal.h"
#include "platform/sandbox/sandbox_file_system.h"
#include "platform/sandbox/sandbox_processes.h"
#include "platform/sandbox/sandbox_registry.h"
#include "platform/sandbox/sandbox_shell.h"

namespace vurerode::platform::sandbox {

struct SandboxMount {
  char letter;                       // 'A', 'D', ...
  std::filesystem::path hostFolder;  // what the drive holds
  bool readOnly = true;              // a distribution medium is not written to
};

struct SandboxOptions {
  // Host folders to mount as drives, besides C: (ROOT/drive_c) and any ROOT/drive_<letter>.
  std::vector<SandboxMount> mounts;
  // False: HKEY_LOCAL_MACHINE can be read but not changed, as for a user without administrator rights.
  bool localMachineWritable = true;
  // False: restart requests are refused (ExitWindowsEx fails).
  bool restartAllowed = true;
  // True: a program started through the sandbox that is an executable host file the caller put into
  // ROOT is really run, with the caller's rights (a test device). Files on mounted media and files
  // written through the sandbox are never run. False: every start is only journalled.
  bool runHostPrograms = false;
  // Drives given a size ('C' -> bytes): DiskFreeBytes counts down from it, and a write that would
  // pass it fails as on a full disk. Drives not named have the host's room.
  std::map<char, uint64_t> quotas;
};

class SandboxPlatform : public Platform {
 public:
  explicit SandboxPlatform(const std::filesystem::path& root, const SandboxOptions& options = {});
  // Carries out what runs after the program has ended (batch files it opened through the shell).
  ~SandboxPlatform() override;

  // Runs those batch files now: a program's own work is done.
  void RunDeferredPrograms() { shell_.RunDeferred(); }

  FileSystem& fs() override { return files_; }
  Registry& registry() override { return registry_; }
  Profile& profile() override { return profile_; }
  Shell& shell() override { return shell_; }
  Processes& processes() override { return processes_; }

  SandboxFileSystem& files() { return files_; }
  SandboxRegistry& sandboxRegistry() { return registry_; }
  Journal& journal() { return journal_; }
  const std::filesystem::path& root() const { return files_.root(); }

 private:
  SandboxFileSystem files_;
  SandboxRegistry registry_;
  IniProfile profile_;
  Journal journal_;
  SandboxShell shell_;
  SandboxProcesses processes_;
};

}  // namespace vurerode::platform::sandbox
