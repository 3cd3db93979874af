// The profile (INI file) half of the seam, with the rules of the Windows profile functions
// (GetPrivateProfileString, WritePrivateProfileString): section and key names compared without
// regard to case, entries kept in the order first written, CR LF line ends, a value read through a
// buffer of 2048 characters (at most 2047 arrive), a section's key names through a buffer of 16384
// bytes, and a bare file name (no backslash or slash) standing for a file in the Windows directory.
#pragma once

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

namespace vurerode::platform {

inline constexpr size_t kProfileValueBuffer = 2048;
inline constexpr size_t kProfileKeyNamesBuffer = 16384;

class Profile {
 public:
  virtual ~Profile() = default;
  // The value of key in section, trimmed and without enclosing quotes, cut to 2047 characters;
  // defaultValue when the file, the section or the key is missing.
  virtual std::string ReadString(const std::string& file, const std::string& section, const std::string& key,
                                 const std::string& defaultValue) = 0;
  // The key names of a section in file order, as far as they fit the 16384-byte buffer (the last
  // one that only partly fits comes back cut short). Empty for a missing file or section.
  virtual std::vector<std::string> ReadKeyNames(const std::string& file, const std::string& section) = 0;
  // Every key name of a section however long it is: the buffer grows until the names fit. For
  // files such as an uninstall log, whose sections can outgrow the usual buffer.
  virtual std::vector<std::string> ReadAllKeyNames(const std::string& file, const std::string& section) = 0;
  virtual std::vector<std::string> ReadSectionNames(const std::string& file) = 0;
  // Writes key=value into section, creating the file and the section when needed; an existing key
  // keeps its place. Raises EIniFileException "Unable to write to %s" when the file cannot be written.
  virtual void WriteString(const std::string& file, const std::string& section, const std::string& key,
                           const std::string& value) = 0;
  // Writes several key=value entries into one section, each as WriteString would (a key there
  // already keeps its place), in one go where the system allows: one read and one write of the file
  // instead of one of each per entry.
  virtual void WriteStrings(const std::string& file, const std::string& section,
                            const std::vector<std::pair<std::string, std::string>>& entries) {
    for (const auto& [key, value] : entries) WriteString(file, section, key, value);
  }
  // Removing a key or a whole section. Nothing is reported: removing what is not there, or from a
  // file that cannot be written, leaves things as they are, as the profile functions' callers have it.
  virtual void DeleteKey(const std::string& file, const std::string& section, const std::string& key) = 0;
  virtual void EraseSection(const std::string& file, const std::string& section) = 0;
};

}  // namespace vurerode::platform
