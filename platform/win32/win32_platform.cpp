#include "platform/win32/wide_api.h"
// (the API first: the seam's headers must not see its renaming macros)
#include "platform/win32/win32_platform.h"

namespace vurerode::platform::win32 {

Win32Platform::Win32Platform(const WideApi& api)
    : api_(std::make_unique<const WideApi>(api)),
      files_(*api_),
      profile_(*api_, files_),
      shell_(*api_),
      processes_(*api_) {}

Win32Platform::~Win32Platform() = default;

}  // namespace vurerode::platform::win32
