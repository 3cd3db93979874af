// The sandbox's registry: a tree kept in ROOT/registry.reg, read when the machine starts and
// written back after every change, so the file always holds what the installer left behind. A new
// machine's registry holds the Shell Folders of a classic desktop and the Program Files folder.
#pragma once

#include <filesystem>
#include <memory>

#include "platform/registry.h"
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
  // Writes the file now (every change already does).
  void Save();

 private:
  friend class SandboxKey;
  bool Writable(RegistryRoot root) const { return root != RegistryRoot::LocalMachine || localMachineWritable_; }
  void Seed();

  std::filesystem::path file_;
  bool localMachineWritable_;
  RegTree tree_;
};

}  // namespace vurerode::platform::sandbox
