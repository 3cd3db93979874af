// Program starts and restarts in the sandbox: each request goes to the journal; programs the host
// may run (when asked to run any) are run and waited for; a restart is recorded and reported as started.
#pragma once

#include "platform/process.h"
#include "platform/sandbox/journal.h"
#include "platform/sandbox/program_runner.h"

namespace vurerode::platform::sandbox {

class SandboxProcesses : public Processes {
 public:
  SandboxProcesses(SandboxFileSystem& fs, Journal& journal, bool restartAllowed, bool runHostPrograms)
      : runner_(fs, runHostPrograms), journal_(journal), restartAllowed_(restartAllowed) {}

  int RunAndWait(const std::string& commandLine, int showState) override;
  bool SetPrivilege(const std::string& name, bool enable) override;
  bool Shutdown(uint32_t flags) override;

 private:
  ProgramRunner runner_;
  Journal& journal_;
  bool restartAllowed_;
};

}  // namespace vurerode::platform::sandbox
