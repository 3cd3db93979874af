#include "platform/win32/wide_api.h"
// (the API first: the seam's headers must not see its renaming macros)
#include <unordered_set>

#include "platform/exception.h"
#include "platform/ini_document.h"
#include "platform/text.h"
#include "platform/win32/long_path.h"
#include "platform/win32/win32_profile.h"

namespace vurerode::platform::win32 {
namespace {

// Names in a buffer, each ended by a zero, the list by an empty name.
std::vector<std::string> SplitNames(const std::wstring& buf, DWORD used) {
  std::vector<std::string> names;
  size_t pos = 0;
  while (pos < used && buf[pos] != L'\0') {
    size_t end = buf.find(L'\0', pos);
    names.push_back(Utf8(std::wstring_view(buf).substr(pos, end - pos)));
    pos = end + 1;
  }
  return names;
}

}  // namespace

// The profile functions take no \\?\ form (they hold a file's full name in MAX_PATH units): a file
// whose path needs it is read and written by the portable rules over the file system, which lay a
// file out as the system does, byte for byte. (They read an ANSI file as Windows-1252 where the
// system reads its own code page; such a deep file is one the installer made, ASCII or UTF-16.)
bool Win32Profile::Portable(const std::string& file) const {
  return !IsBareProfileName(file) && Wide(file).size() >= kLongPathFrom;
}

std::string Win32Profile::ReadString(const std::string& file, const std::string& section, const std::string& key,
                                     const std::string& defaultValue) {
  if (Portable(file)) return portable_.ReadString(file, section, key, defaultValue);
  std::wstring buf(kProfileValueBuffer, L'\0');
  DWORD n = api_.GetPrivateProfileStringW(Wide(section).c_str(), Wide(key).c_str(), Wide(defaultValue).c_str(),
                                          buf.data(), static_cast<DWORD>(buf.size()), WidePath(file).c_str());
  return Utf8(std::wstring_view(buf).substr(0, n));
}

std::vector<std::string> Win32Profile::ReadKeyNames(const std::string& file, const std::string& section) {
  if (Portable(file)) return portable_.ReadKeyNames(file, section);
  std::wstring buf(kProfileKeyNamesBuffer, L'\0');
  DWORD n = api_.GetPrivateProfileStringW(Wide(section).c_str(), nullptr, L"", buf.data(),
                                          static_cast<DWORD>(buf.size()), WidePath(file).c_str());
  return SplitNames(buf, n);
}

std::vector<std::string> Win32Profile::ReadAllKeyNames(const std::string& file, const std::string& section) {
  if (Portable(file)) return portable_.ReadAllKeyNames(file, section);
  for (size_t size = kProfileKeyNamesBuffer;; size *= 2) {
    std::wstring buf(size, L'\0');
    DWORD n = api_.GetPrivateProfileStringW(Wide(section).c_str(), nullptr, L"", buf.data(),
                                            static_cast<DWORD>(buf.size()), WidePath(file).c_str());
    // A full buffer is reported as its size less two: the names may go on beyond it.
    if (n + 2 < size || size >= (size_t{1} << 30)) return SplitNames(buf, n);
  }
}

std::vector<std::string> Win32Profile::ReadSectionNames(const std::string& file) {
  if (Portable(file)) return portable_.ReadSectionNames(file);
  std::wstring buf(kProfileKeyNamesBuffer, L'\0');
  DWORD n = api_.GetPrivateProfileStringW(nullptr, nullptr, L"", buf.data(), static_cast<DWORD>(buf.size()),
                                          WidePath(file).c_str());
  return SplitNames(buf, n);
}

// The profile functions write Unicode only into a file that begins with the mark FF FE; into any
// other they write the system's code page, which may not hold the text. So before such a text goes
// in, a missing file is made of the mark alone and an ANSI one is rewritten with it, its text so far
// kept. Plain text leaves the file as the profile functions have always written it.
void Win32Profile::PrepareFor(const std::string& file, std::initializer_list<std::string_view> written) {
  if (EncodingForWrite(ProfileEncoding::kAnsi, written) == ProfileEncoding::kAnsi) return;
  const std::string path = IsBareProfileName(file) ? files_.WindowsDirectory() + "\\" + file : file;
  try {
    std::string bytes;
    if (files_.FileExists(path)) {
      auto in = files_.OpenFile(path, FileAccess::Read);
      bytes.resize(static_cast<size_t>(in->Size()));
      if (!bytes.empty()) in->ReadBuffer(bytes.data(), bytes.size());
      if (bytes.substr(0, 2) == "\xFF\xFE" || bytes.substr(0, 3) == "\xEF\xBB\xBF") return;
    }
    std::wstring text;
    if (!bytes.empty()) {
      int n = MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
      text.resize(static_cast<size_t>(n));
      MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), text.data(), n);
    }
    const std::string unicode = EncodeProfileText(Utf8(text), ProfileEncoding::kUtf16);
    auto out = files_.CreateFile(path);
    out->Write(unicode.data(), unicode.size());
  } catch (const Exception&) {
    throw EIniFileException(file);
  }
}

void Win32Profile::WriteString(const std::string& file, const std::string& section, const std::string& key,
                               const std::string& value) {
  if (Portable(file)) return portable_.WriteString(file, section, key, value);
  PrepareFor(file, {section, key, value});
  if (!api_.WritePrivateProfileStringW(Wide(section).c_str(), Wide(key).c_str(), Wide(value).c_str(),
                                       WidePath(file).c_str()))
    throw EIniFileException(file);
}

void Win32Profile::WriteStrings(const std::string& file, const std::string& section,
                                const std::vector<std::pair<std::string, std::string>>& entries) {
  if (Portable(file)) return portable_.WriteStrings(file, section, entries);
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
  PrepareFor(file, {section, text});
  text += '\0';
  if (!api_.WritePrivateProfileSectionW(Wide(section).c_str(), Wide(text).c_str(), WidePath(file).c_str()))
    throw EIniFileException(file);
}

void Win32Profile::DeleteKey(const std::string& file, const std::string& section, const std::string& key) {
  if (Portable(file)) return portable_.DeleteKey(file, section, key);
  api_.WritePrivateProfileStringW(Wide(section).c_str(), Wide(key).c_str(), nullptr, WidePath(file).c_str());
}

void Win32Profile::EraseSection(const std::string& file, const std::string& section) {
  if (Portable(file)) return portable_.EraseSection(file, section);
  api_.WritePrivateProfileStringW(Wide(section).c_str(), nullptr, nullptr, WidePath(file).c_str());
}

}  // namespace vurerode::platform::win32
