// A whole Windows machine in a host folder ROOT, for running and testing the installer anywhere:
// ROOT/drive_c (and further drives), ROOT/registry.reg, ROOT/metadata.txt, ROOT/journal.log,
// ROOT/pending-renames.txt (files queued to replace others at the restart) and ROOT/setup.lock
// (the machine's setup lock).
//
// Two test devices are read from the environment when the machine is made:
//   VURERODE_SANDBOX_FAULT="N" or "N:abort"  refuses, or ends the process just before, the N-th
//       change to the machine (see change_faults.h);
//   VURERODE_SANDBOX_IN_USE="C:\path;C:\other"  files another program holds open: creating,
//       deleting or moving them fails as for a file in use.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <vector>

#include "platform/ini_profile.h"
#include "platform/platform.h"
#include "platform/sandbox/change_faults.h"
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
  // Drives given a size ('C' -> bytes): DiskFreeBytes is the size less what the drive's files take,
  // and a write that would pass it fails as on a full disk (EWriteError, "There is not enough
  // space on the disk."), having written only what fits. Drives not named have the host's room.
  std::map<char, uint64_t> quotas;
  // What the program's elevated start (RunThisProgramElevated) runs once the user agrees: typically
  // the same entry point again, on a machine over the same ROOT with administrator rights. Empty:
  // the user declines the prompt. Each request is journalled either way.
  ElevatedStart elevatedStart = {};
  // False: IsAdministrator says no, as for a user without the rights (who also has
  // localMachineWritable false); true with that false is an administrator whose registry fails.
  bool administrator = true;
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

  // An exclusive lock on ROOT/setup.lock (flock on POSIX hosts, LockFileEx on Windows), tried again
  // every few milliseconds until wait runs out; the host lets it go when the process dies. Once
  // taken, registry.reg, metadata.txt and the drives' used room are read again. Releasing it first
  // writes metadata.txt, so the next holder reads what this one did. A machine holding the lock
  // takes it again at once, as the thread holding the Windows mutex does.
  std::unique_ptr<SetupLock> AcquireSetupLock(std::chrono::milliseconds wait) override;

  class HeldLock;

  SandboxFileSystem& files() { return files_; }
  SandboxRegistry& sandboxRegistry() { return registry_; }
  Journal& journal() { return journal_; }
  const std::filesystem::path& root() const { return files_.root(); }

 private:
  std::optional<ChangeFaults> faults_;  // before the parts that count against it
  std::weak_ptr<HeldLock> heldLock_;
  SandboxFileSystem files_;
  SandboxRegistry registry_;
  IniProfile profile_;
  Journal journal_;
  SandboxShell shell_;
  SandboxProcesses processes_;
};

}  // namespace vurerode::platform::sandbox
