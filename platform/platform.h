// The whole seam to the operating system in one place: the installer gets a Platform and reaches
// Windows only through it. Implementations: the real Win32 API, and a sandbox that behaves like a
// Windows machine inside a host folder.
#pragma once

#include <chrono>
#include <memory>

#include "platform/file_system.h"
#include "platform/process.h"
#include "platform/profile.h"
#include "platform/registry.h"
#include "platform/shell.h"

namespace vurerode::platform {

// Held while a setup installs or removes: one at a time on a machine. Released when destroyed, and
// by the system when the process dies.
class SetupLock {
 public:
  virtual ~SetupLock() = default;
};

class Platform {
 public:
  virtual ~Platform() = default;
  Platform() = default;
  Platform(const Platform&) = delete;
  Platform& operator=(const Platform&) = delete;

  virtual FileSystem& fs() = 0;
  virtual Registry& registry() = 0;
  virtual Profile& profile() = 0;
  virtual Shell& shell() = 0;
  virtual Processes& processes() = 0;

  // Takes the machine's setup lock (a named mutex on Windows, "Global\VurerodeSetup"), waiting up
  // to wait for another setup to let it go; nullptr when it is still held then. Once it is taken,
  // what the platform read of the machine before is read again: another setup may have changed it.
  virtual std::unique_ptr<SetupLock> AcquireSetupLock(std::chrono::milliseconds wait) {
    (void)wait;
    return std::make_unique<SetupLock>();
  }
};

}  // namespace vurerode::platform
