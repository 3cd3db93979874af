// TWinReboot: restarting Windows with the shutdown privilege held for the request.
#pragma once

#include <cstdint>
#include <string>

#include "platform/platform.h"

namespace vurerode {

class TWinReboot {
 public:
  explicit TWinReboot(platform::Platform& platform) : platform_(platform) {}

  // ExitWindowsEx with flags (the installer passes EWX_REBOOT); true when the shutdown started.
  bool Reboot(uint32_t flags);
  // Enables or disables a privilege of the process; true when the token was adjusted.
  bool SetPrivilege(const std::string& name, bool enable);

 private:
  platform::Platform& platform_;
};

}  // namespace vurerode
