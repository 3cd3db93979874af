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

std::string RunningProgramPath() {
  // The path may pass MAX_PATH: the buffer grows until it holds it whole.
  for (DWORD size = MAX_PATH;; size *= 2) {
    std::wstring path(size, L'\0');
    const DWORD n = GetModuleFileNameW(nullptr, path.data(), size);
    if (n == 0) return {};
    if (n < size) return Utf8(path.substr(0, n));
    if (size >= 32768) return {};
  }
}

}  // namespace vurerode::platform::win32
