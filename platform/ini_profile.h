// The profile functions carried out on any FileSystem: each call reads the whole file, applies the
// change and writes the file back only when something changed, as the system's profile code does.
#pragma once

#include <string>
#include <vector>

#include "platform/file_system.h"
#include "platform/ini_document.h"
#include "platform/profile.h"

namespace vurerode::platform {

class IniProfile : public Profile {
 public:
  explicit IniProfile(FileSystem& fs) : fs_(fs) {}

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

  // Where a profile file name points: a bare name lies in the Windows directory.
  std::string ResolveFile(const std::string& file);

 private:
  struct Loaded {
    IniDocument doc;
    ProfileEncoding encoding = ProfileEncoding::kAnsi;
  };
  Loaded Load(const std::string& path);
  void Store(const std::string& file, const std::string& path, const IniDocument& doc, ProfileEncoding encoding);

  FileSystem& fs_;
};

}  // namespace vurerode::platform
