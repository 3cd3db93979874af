// The process half of the seam on Windows itself: CreateProcess and waiting, the token's
// privileges and ExitWindowsEx.
#pragma once

#include "platform/process.h"

namespace vurerode::platform::win32 {

class Win32Processes : public Processes {
 public:
  int RunAndWait(const std::string& commandLine, int showState) override;
  bool SetPrivilege(const std::string& name, bool enable) override;
  bool Shutdown(uint32_t flags) override;
};

}  // namespace vurerode::platform::win32
