// Program starts and restarts in the sandbox: each request goes to the journal; programs the host
// may run (when asked to run any) are run and waited for; a restart is recorded and reported as started.
// The program's elevated start is journalled and handed to whatever the machine's owner set for it.
#pragma once

#include <functional>

#include "platform/process.h"
#include "platform/sandbox/journal.h"
#include "platform/sandbox/program_runner.h"

namespace vurerode::platform::sandbox {

// What the program's elevated start runs, the user having agreed: the arguments and the directory
// it starts in, its exit code back. Empty: the user declines every prompt.
using ElevatedStart = std::function<int(const std::vector<std::string>& args, const std::string& directory)>;

class SandboxProcesses : public Processes {
 public:
  SandboxProcesses(SandboxFileSystem& fs, Journal& journal, bool restartAllowed, bool runHostPrograms,
                   bool administrator, ElevatedStart elevated)
      : runner_(fs, runHostPrograms),
        journal_(journal),
        restartAllowed_(restartAllowed),
        administrator_(administrator),
        elevated_(std::move(elevated)) {}

  int RunAndWait(const std::string& commandLine, int showState) override;
  bool SetPrivilege(const std::string& name, bool enable) override;
  bool Shutdown(uint32_t flags) override;
  bool IsAdministrator() override { return administrator_; }
  std::optional<int> RunThisProgramElevated(const std::vector<std::string>& args,
                                            const std::string& directory) override;

 private:
  ProgramRunner runner_;
  Journal& journal_;
  bool restartAllowed_;
  bool administrator_;
  ElevatedStart elevated_;
};

}  // namespace vurerode::platform::sandbox
