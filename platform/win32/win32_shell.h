// The shell half of the seam on Windows itself: SHGetFileInfo, the shell's link object through
// COM (IShellLinkA, IPersistFile) and ShellExecute.
#pragma once

#include "platform/shell.h"

namespace vurerode::platform::win32 {

class Win32Shell : public Shell {
 public:
  int FileIconIndex(const std::string& path) override;
  std::unique_ptr<ShellLink> CreateShellLink() override;
  int Execute(ShellOwner owner, const std::string& verb, const std::string& file, const std::string& parameters,
              const std::string& directory, int showState) override;
  void SetMainWindow(uintptr_t window) override { mainWindow_ = window; }

 private:
  uintptr_t mainWindow_ = 0;
};

}  // namespace vurerode::platform::win32
