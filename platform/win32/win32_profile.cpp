#include "platform/win32/windows_api.h"
// (the API first: the seam's headers must not see its renaming macros)
#include <unordered_set>

#include "platform/text.h"
#include "platform/exception.h"
#include "platform/win32/win32_profile.h"

namespace vurerode::platform::win32 {
namespace {

// Names in a buffer, each ended by a zero, the list by an empty name.
std::vector<std::string> SplitNames(const std::vector<char>& buf, DWORD used) {
  std::vector<std::string> names;
  size_t pos = 0;
  while (pos < used && buf[pos] != '\0') {
    std::string name(buf.data() + pos);
    pos += name.size() + 1;
    names.push_back(std::move(name));
  }
  return names;
}

}  // namespace

std::string Win32Profile::ReadString(const std::string& file, const std::string& section, const std::string& key,
                                     const std::string& defaultValue) {
  std::vector<char> buf(kProfileValueBuffer, '\0');
  DWORD n = GetPrivateProfileStringA(section.c_str(), key.c_str(), defaultValue.c_str(), buf.data(),
                                     static_cast<DWORD>(buf.size()), file.c_str());
  return std::string(buf.data(), n);
}

std::vector<std::string> Win32Profile::ReadKeyNames(const std::string& file, const std::string& section) {
  std::vector<char> buf(kProfileKeyNamesBuffer, '\0');
  DWORD n =
      GetPrivateProfileStringA(section.c_str(), nullptr, "", buf.data(), static_cast<DWORD>(buf.size()), file.c_str());
  return SplitNames(buf, n);
}

std::vector<std::string> Win32Profile::ReadAllKeyNames(const std::string& file, const std::string& section) {
  for (size_t size = kProfileKeyNamesBuffer;; size *= 2) {
    std::vector<char> buf(size, '\0');
    DWORD n = GetPrivateProfileStringA(section.c_str(), nullptr, "", buf.data(), static_cast<DWORD>(buf.size()),
                                       file.c_str());
    // A full buffer is reported as its size less two: the names may go on beyond it.
    if (n + 2 < size || size >= (size_t{1} << 30)) return SplitNames(buf, n);
  }
}

std::vector<std::string> Win32Profile::ReadSectionNames(const std::string& file) {
  std::vector<char> buf(kProfileKeyNamesBuffer, '\0');
  DWORD n = GetPrivateProfileStringA(nullptr, nullptr, "", buf.data(), static_cast<DWORD>(buf.size()), file.c_str());
  return SplitNames(buf, n);
}

void Win32Profile::WriteString(const std::string& file, const std::string& section, const std::string& key,
                               const std::string& value) {
  if (!WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(), file.c_str()))
    throw EIniFileException(file);
}

void Win32Profile::WriteStrings(const std::string& file, const std::string& section,
                                const std::vector<std::pair<std::string, std::string>>& entries) {
  // Into a section without keys the entries go as its whole text in one call; elsewhere, or with a
  // key the section text could not carry as a key, one call per entry keeps the keys there.
  std::unordered_set<std::string> seen;
  std::string text;
  bool whole = ReadKeyNames(file, section).empty();
  for (const auto& [key, value] : entries) {
    if (!whole) break;
    whole = !key.empty() && key.find_first_of("=\r\n") == std::string::npos && key[0] != '[' && key[0] != ';' &&
            value.find_first_of("\r\n") == std::string::npos && seen.insert(UpperCase(key)).second;
    text += key + "=" + value;
    text += '\0';
  }
  if (!whole) {
    Profile::WriteStrings(file, section, entries);
    return;
  }
  text += '\0';
  if (!WritePrivateProfileSectionA(section.c_str(), text.c_str(), file.c_str())) throw EIniFileException(file);
}

void Win32Profile::DeleteKey(const std::string& file, const std::string& section, const std::string& key) {
  WritePrivateProfileStringA(section.c_str(), key.c_str(), nullptr, file.c_str());
}

void Win32Profile::EraseSection(const std::string& file, const std::string& section) {
  WritePrivateProfileStringA(section.c_str(), nullptr, nullptr, file.c_str());
}

}  // namespace vurerode::platform::win32
