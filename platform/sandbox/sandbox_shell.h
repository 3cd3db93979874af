// The shell of the sandbox: icon indexes from a fixed small image list, shortcuts written as real
// .lnk files through the sandbox's file system, and ShellExecute requests journalled (and run when
// they name a program the host may run, when asked to run any).
#pragma once

#include <map>
#include <string>
#include <vector>

#include "platform/sandbox/journal.h"
#include "platform/sandbox/program_runner.h"
#include "platform/shell.h"

namespace vurerode::platform::sandbox {

class SandboxShell : public Shell {
 public:
  SandboxShell(SandboxFileSystem& fs, Journal& journal, bool runHostPrograms)
      : fs_(fs), runner_(fs, runHostPrograms), journal_(journal) {}

  // Folders 3, drive roots 8, programs 2, other files 1 for the first kind and then one index per
  // file extension in the order they were first asked for (from 40 up), as a system list grows;
  // 0 when the file does not exist.
  int FileIconIndex(const std::string& path) override;
  std::unique_ptr<ShellLink> CreateShellLink() override;
  int Execute(ShellOwner owner, const std::string& verb, const std::string& file, const std::string& parameters,
              const std::string& directory, int showState) override;
  void SetMainWindow(uintptr_t) override {}

  // Batch files opened through the shell run after the program that asked has done its work, as on
  // Windows, where the batch's interpreter runs on while the program ends: RunDeferred carries them
  // out with the sandbox's own interpreter.
  void RunDeferred();

 private:
  SandboxFileSystem& fs_;
  ProgramRunner runner_;
  Journal& journal_;
  std::map<std::string, int> extensionIcons_;
  std::vector<std::string> deferred_;
};

}  // namespace vurerode::platform::sandbox
