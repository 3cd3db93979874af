// The profile half of the seam on Windows itself (GetPrivateProfileString, WritePrivateProfileString).
#pragma once

#include "platform/profile.h"

namespace vurerode::platform::win32 {

class Win32Profile : public Profile {
 public:
  std::string ReadString(const std::string& file, const std::string& section, const std::string& key,
                         const std::string& defaultValue) override;
  std::vector<std::string> ReadKeyNames(const std::string& file, const std::string& section) override;
  std::vector<std::string> ReadAllKeyNames(const std::string& file, const std::string& section) override;
  std::vector<std::string> ReadSectionNames(const std::string& file) override;
  void WriteString(const std::string& file, const std::string& section, const std::string& key,
                   const std::string& value) override;
  void WriteStrings(const std::string& file, const std::string& section,
                    const std::vector<std::pair<std::string, std::string>>& entries) override;
  void DeleteKey(const std::string& file, const std::string& section, const std::string& key) override;
  void EraseSection(const std::string& file, const std::string& section) override;
};

}  // namespace vurerode::platform::win32
