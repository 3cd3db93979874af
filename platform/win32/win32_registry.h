// The registry half of the seam on Windows itself (RegOpenKeyEx, RegCreateKeyEx, RegQueryValueEx,
// RegSetValueEx, RegDeleteKey with the sub-keys deleted first).
#pragma once

#include "platform/registry.h"

namespace vurerode::platform::win32 {

class Win32Registry : public Registry {
 public:
  std::unique_ptr<RegistryKey> OpenKey(RegistryRoot root, const std::string& path, RegistryAccess access) override;
  std::unique_ptr<RegistryKey> CreateKey(RegistryRoot root, const std::string& path) override;
  bool DeleteKeyTree(RegistryRoot root, const std::string& path) override;
};

}  // namespace vurerode::platform::win32
