// The process half of the seam: starting programs, the process's rights, and asking Windows to end
// the session.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vurerode::platform {

// ExitWindowsEx flags.
enum : uint32_t {
  kEwxLogoff = 0,
  kEwxShutdown = 1,
  kEwxReboot = 2,
  kEwxForce = 4,
  kEwxPowerOff = 8,
};

class Processes {
 public:
  virtual ~Processes() = default;
  // Starts the command line (program and arguments, as CreateProcess takes it) in a new console
  // with the given show state, in the current directory, and waits until it ends. Returns its exit
  // code, or -1 when it could not be started.
  virtual int RunAndWait(const std::string& commandLine, int showState) = 0;
  // Enables or disables a privilege of the process's token; false when the privilege is unknown
  // or the token could not be adjusted.
  virtual bool SetPrivilege(const std::string& name, bool enable) = 0;
  // ExitWindowsEx: true when the shutdown was started.
  virtual bool Shutdown(uint32_t flags) = 0;
  // Whether this process holds administrator rights (an elevated token): what HKEY_LOCAL_MACHINE
  // and the machine's folders need.
  virtual bool IsAdministrator() = 0;
  // Starts this same program once more with administrator rights (Windows asks the user first),
  // with the arguments, in directory, and waits until it ends: its exit code, or nullopt when the
  // user declined. Raises Exception when it could not be started for another reason.
  virtual std::optional<int> RunThisProgramElevated(const std::vector<std::string>& args,
                                                    const std::string& directory) = 0;
};

}  // namespace vurerode::platform
