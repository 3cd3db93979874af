#include "platform/win32/windows_api.h"
// (the API first: the seam's headers must not see its renaming macros)
#include <cstring>
#include <vector>

#include "platform/exception.h"
#include "platform/win32/win32_registry.h"

namespace vurerode::platform::win32 {
namespace {

HKEY RootHandle(RegistryRoot root) {
  switch (root) {
    case RegistryRoot::ClassesRoot: return HKEY_CLASSES_ROOT;
    case RegistryRoot::CurrentUser: return HKEY_CURRENT_USER;
    case RegistryRoot::LocalMachine: return HKEY_LOCAL_MACHINE;
    case RegistryRoot::Users: return HKEY_USERS;
    case RegistryRoot::CurrentConfig: return HKEY_CURRENT_CONFIG;
  }
  return HKEY_CURRENT_USER;
}

// The API wants no leading backslash; ours means "from the root" and is dropped.
std::wstring Relative(const std::string& path) {
  size_t start = path.find_first_not_of('\\');
  return start == std::string::npos ? std::wstring() : Wide(path.substr(start));
}

std::vector<std::wstring> EnumerateKeys(HKEY h) {
  std::vector<std::wstring> names;
  wchar_t name[256];
  for (DWORD i = 0;; ++i) {
    DWORD len = 256;
    if (RegEnumKeyExW(h, i, name, &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    names.emplace_back(name, len);
  }
  return names;
}

// A string value's UTF-16 units as text, without the zeros that end it (there may be none, or more
// than one, or an odd byte that holds no whole unit).
std::string StringData(const std::vector<BYTE>& data) {
  std::wstring units(data.size() / 2, L'\0');
  if (!units.empty()) std::memcpy(units.data(), data.data(), units.size() * 2);
  while (!units.empty() && units.back() == L'\0') units.pop_back();
  return Utf8(units);
}

class Win32Key : public RegistryKey {
 public:
  explicit Win32Key(HKEY h) : h_(h) {}
  ~Win32Key() override { RegCloseKey(h_); }

  std::optional<std::string> ReadString(const std::string& name) override {
    std::optional<RegistryValueData> value = ReadValue(name);
    if (!value) return std::nullopt;
    if (value->type != REG_SZ && value->type != REG_EXPAND_SZ) throw ERegistryException::InvalidType(name);
    return StringData(value->data);
  }

  std::optional<uint32_t> ReadInteger(const std::string& name) override {
    const std::wstring wide = Wide(name);
    DWORD type = 0, data = 0, size = sizeof data;
    if (RegQueryValueExW(h_, wide.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&data), &size) != ERROR_SUCCESS) {
      // A value too large for a DWORD is there all the same, of another type.
      if (RegQueryValueExW(h_, wide.c_str(), nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS)
        throw ERegistryException::InvalidType(name);
      return std::nullopt;
    }
    if (type != REG_DWORD || size != sizeof data) throw ERegistryException::InvalidType(name);
    return data;
  }

  void WriteString(const std::string& name, const std::string& value) override {
    const std::wstring wide = Wide(value);
    if (RegSetValueExW(h_, Wide(name).c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(wide.c_str()),
                       static_cast<DWORD>((wide.size() + 1) * sizeof(wchar_t))) != ERROR_SUCCESS)
      throw ERegistryException::SetDataFailed(name);
  }

  void WriteInteger(const std::string& name, uint32_t value) override {
    DWORD data = value;
    if (RegSetValueExW(h_, Wide(name).c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data), sizeof data) !=
        ERROR_SUCCESS)
      throw ERegistryException::SetDataFailed(name);
  }

  // The type and bytes exactly as RegQueryValueExW gives them: a string's in UTF-16, as the registry
  // holds it, so that writing them back restores the value whatever its characters.
  std::optional<RegistryValueData> ReadValue(const std::string& name) override {
    const std::wstring wide = Wide(name);
    RegistryValueData value;
    DWORD type = 0, size = 0;
    // The value may grow between asking its size and reading it: asked again until it fits.
    for (int tries = 0; tries < 8; ++tries) {
      LONG r = RegQueryValueExW(h_, wide.c_str(), nullptr, &type, nullptr, &size);
      if (r != ERROR_SUCCESS) return std::nullopt;
      value.data.resize(size);
      r = RegQueryValueExW(h_, wide.c_str(), nullptr, &type, size ? value.data.data() : nullptr, &size);
      if (r == ERROR_MORE_DATA) continue;
      if (r != ERROR_SUCCESS) return std::nullopt;
      value.data.resize(size);
      value.type = type;
      return value;
    }
    return std::nullopt;
  }

  void WriteValue(const std::string& name, const RegistryValueData& value) override {
    if (RegSetValueExW(h_, Wide(name).c_str(), 0, value.type, value.data.empty() ? nullptr : value.data.data(),
                       static_cast<DWORD>(value.data.size())) != ERROR_SUCCESS)
      throw ERegistryException::SetDataFailed(name);
  }

  bool DeleteValue(const std::string& name) override {
    return RegDeleteValueW(h_, Wide(name).c_str()) == ERROR_SUCCESS;
  }

  std::vector<std::string> SubKeyNames() override {
    std::vector<std::string> names;
    for (const std::wstring& name : EnumerateKeys(h_)) names.push_back(Utf8(name));
    return names;
  }

  std::vector<std::string> ValueNames() override {
    std::vector<std::string> names;
    std::wstring name(16384, L'\0');
    for (DWORD i = 0;; ++i) {
      DWORD len = static_cast<DWORD>(name.size());
      if (RegEnumValueW(h_, i, name.data(), &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
      names.push_back(Utf8(std::wstring_view(name).substr(0, len)));
    }
    return names;
  }

 private:
  HKEY h_;
};

bool DeleteTree(HKEY root, const std::wstring& path) {
  HKEY h = nullptr;
  if (RegOpenKeyExW(root, path.c_str(), 0, KEY_ENUMERATE_SUB_KEYS | KEY_QUERY_VALUE, &h) != ERROR_SUCCESS) return false;
  std::vector<std::wstring> children = EnumerateKeys(h);
  RegCloseKey(h);
  bool ok = true;
  for (const std::wstring& child : children) ok = DeleteTree(root, path + L"\\" + child) && ok;
  return RegDeleteKeyW(root, path.c_str()) == ERROR_SUCCESS && ok;
}

}  // namespace

std::unique_ptr<RegistryKey> Win32Registry::OpenKey(RegistryRoot root, const std::string& path, RegistryAccess access) {
  HKEY h = nullptr;
  REGSAM sam = access == RegistryAccess::Read ? KEY_READ : KEY_READ | KEY_WRITE;
  if (RegOpenKeyExW(RootHandle(root), Relative(path).c_str(), 0, sam, &h) != ERROR_SUCCESS) return nullptr;
  return std::make_unique<Win32Key>(h);
}

std::unique_ptr<RegistryKey> Win32Registry::CreateKey(RegistryRoot root, const std::string& path) {
  HKEY h = nullptr;
  if (RegCreateKeyExW(RootHandle(root), Relative(path).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                      KEY_READ | KEY_WRITE, nullptr, &h, nullptr) != ERROR_SUCCESS)
    return nullptr;
  return std::make_unique<Win32Key>(h);
}

bool Win32Registry::DeleteKeyTree(RegistryRoot root, const std::string& path) {
  std::wstring relative = Relative(path);
  while (!relative.empty() && relative.back() == L'\\') relative.pop_back();
  if (relative.empty()) return false;
  return DeleteTree(RootHandle(root), relative);
}

}  // namespace vurerode::platform::win32
