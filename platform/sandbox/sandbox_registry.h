// The sandbox's registry: a tree kept in ROOT/registry.reg, read when the machine starts and
// written back after every change, so the file always holds what the installer left behind. Each
// write goes beside the file, to the disk, and then over it: a write that fails (a full host disk)
// leaves the file as it was, and the change is refused as the registry refuses one. A new machine's
// registry holds the Shell Folders of a classic desktop and the Program Files folder.
#pragma once

#include <filesystem>
#include <memory>

#include "platform/registry.h"
#include "platform/sandbox/change_faults.h"
#include "platform/sandbox/reg_file.h"

namespace vurerode::platform::sandbox {

class SandboxRegistry : public Registry {
 public:
  // localMachineWritable false makes HKEY_LOCAL_MACHINE behave as for a user without
  // administrator rights: it can be read but not changed.
  SandboxRegistry(std::filesystem::path file, bool localMachineWritable);

  std::unique_ptr<RegistryKey> OpenKey(RegistryRoot root, const std::string& path, RegistryAccess access) override;
  std::unique_ptr<RegistryKey> CreateKey(RegistryRoot root, const std::string& path) override;
  bool DeleteKeyTree(RegistryRoot root, const std::string& path) override;

  RegTree& tree() { return tree_; }
  // Writes the file now (every change already does). False when it could not be written: the
  // tree is then read back from the file, which still holds what it held.
  bool Save();
  // Reads the file again, dropping what is held (another process may have written it).
  void Reload();
  // Counts each change against a fault device (see change_faults.h); nullptr: none.
  void SetChangeFaults(ChangeFaults* faults) { faults_ = faults; }

 private:
  friend class SandboxKey;
  bool Writable(RegistryRoot root) const { return root != RegistryRoot::LocalMachine || localMachineWritable_; }
  // False when the fault device refuses the change about to be made.
  bool AllowChange() { return !faults_ || faults_->Allow(); }
  void Seed();

  std::filesystem::path file_;
  bool localMachineWritable_;
  RegTree tree_;
  ChangeFaults* faults_ = nullptr;
};

}  // namespace vurerode::platform::sandbox
