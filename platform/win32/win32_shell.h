// The shell half of the seam on Windows itself: SHGetFileInfo, the shell's link object through
// COM (IShellLinkW, IPersistFile) and ShellExecuteW.
#pragma once

#include "platform/shell.h"

namespace vurerode::platform::win32 {

struct WideApi;

class Win32Shell : public Shell {
 public:
  explicit Win32Shell(const WideApi& api) : api_(api) {}
  int FileIconIndex(const std::string& path) override;
  std::unique_ptr<ShellLink> CreateShellLink() override;
  int Execute(ShellOwner owner, const std::string& verb, const std::string& file, const std::string& parameters,
              const std::string& directory, int showState) override;
  void SetMainWindow(uintptr_t window) override { mainWindow_ = window; }

 private:
  const WideApi& api_;
  uintptr_t mainWindow_ = 0;
};

}  // namespace vurerode::platform::win32
