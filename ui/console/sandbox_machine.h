// The machine setup runs on with --sandbox (and, on hosts other than Windows, without it): a
// Windows machine kept in a host folder. Only the native setup carries it; setup.exe leaves it to
// `vurerode rehearse`, which keeps the file system and the registry out of the shipped program.
#pragma once

#include <memory>

#include "platform/platform.h"
#include "ui/console/console_options.h"
#include "ui/console/text_io.h"

namespace vurerode::setup::console {

// The sandbox the options name (made when missing), with their medium as A: and the current
// directory; out tells where a sandbox chosen by default lies. Raises std::exception on failure.
std::unique_ptr<platform::Platform> SandboxMachine(const ConsoleOptions& options, TextOutput& out);

}  // namespace vurerode::setup::console
