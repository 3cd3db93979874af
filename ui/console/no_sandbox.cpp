// setup.exe without the sandbox machine: its file system, registry and host paths would weigh on
// every medium, and on Windows the real machine is there to install on.
#include <stdexcept>

#include "ui/console/sandbox_machine.h"

namespace vurerode::setup::console {

std::unique_ptr<platform::Platform> SandboxMachine(const ConsoleOptions&, TextOutput&) {
  throw std::runtime_error("--sandbox is not in setup.exe: rehearse the media with `vurerode rehearse`");
}

}  // namespace vurerode::setup::console
