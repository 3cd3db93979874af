// The process half of the seam on Windows itself: CreateProcess and waiting, the token's
// privileges and ExitWindowsEx.
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

 private:
  const WideApi& api_;
};

}  // namespace vurerode::platform::win32
