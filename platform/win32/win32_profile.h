// The profile half of the seam on Windows itself (GetPrivateProfileStringW, WritePrivateProfileStringW,
// WritePrivateProfileSectionW). Text that is not ASCII goes into a file in UTF-16, as the profile
// functions keep it. A file deeper than they reach is kept by the portable rules (IniProfile).
#pragma once

#include <initializer_list>
#include <string_view>

#include "platform/file_system.h"
#include "platform/ini_profile.h"
#include "platform/profile.h"

namespace vurerode::platform::win32 {

struct WideApi;

class Win32Profile : public Profile {
 public:
  // files reads and rewrites a profile file that must take UTF-16 first.
  Win32Profile(const WideApi& api, FileSystem& files) : api_(api), files_(files), portable_(files) {}
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

 private:
  bool Portable(const std::string& file) const;
  void PrepareFor(const std::string& file, std::initializer_list<std::string_view> written);

  const WideApi& api_;
  FileSystem& files_;
  IniProfile portable_;
};

}  // namespace vurerode::platform::win32
