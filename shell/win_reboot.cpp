#include "shell/win_reboot.h"

namespace vurerode {

bool TWinReboot::SetPrivilege(const std::string& name, bool enable) {
  return platform_.processes().SetPrivilege(name, enable);
}

bool TWinReboot::Reboot(uint32_t flags) {
  // Systems without privileges simply refuse the first call; the request goes out regardless.
  SetPrivilege("SeShutdownPrivilege", true);
  bool started = platform_.processes().Shutdown(flags);
  SetPrivilege("SeShutdownPrivilege", false);
  return started;
}

}  // namespace vurerode
