// The process half of the seam on Windows itself: CreateProcess and waiting, the token's
// privileges and elevation, the elevated start through ShellExecuteEx's "runas", ExitWindowsEx.
#pragma once

#include "platform/process.h"

namespace vurerode::platform::win32 {

struct WideApi;

class Win32Processes : public Processes {
 public:
  explicit Win32Processes(const WideApi& api) : api_(api) {}
  int RunAndWait(const std::string& commandLine, int showState) override;
  bool SetPrivilege(const std::string& name, bool enable) override;
  bool Shutdown(uint32_t flags) override;
  bool IsAdministrator() override;
  std::optional<int> RunThisProgramElevated(const std::vector<std::string>& args,
                                            const std::string& directory) override;

 private:
  const WideApi& api_;
};

}  // namespace vurerode::platform::win32
