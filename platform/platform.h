// The whole seam to the operating system in one place: the installer gets a Platform and reaches
// Windows only through it. Implementations: the real Win32 API, and a sandbox that behaves like a
// Windows machine inside a host folder.
#pragma once

#include "platform/file_system.h"
#include "platform/process.h"
#include "platform/profile.h"
#include "platform/registry.h"
#include "platform/shell.h"

namespace vurerode::platform {

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
};

}  // namespace vurerode::platform
