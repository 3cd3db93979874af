#include "platform/win32/windows_api.h"
// (the API first: the seam's headers must not see its renaming macros)
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
std::string Relative(const std::string& path) {
  size_t start = path.find_first_not_of('\\');
  return start == std::string::npos ? std::string() : path.substr(start);
}

std::vector<std::string> EnumerateKeys(HKEY h) {
  std::vector<std::string> names;
  char name[256];
  for (DWORD i = 0;; ++i) {
    DWORD len = sizeof name;
    if (RegEnumKeyExA(h, i, name, &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    names.emplace_back(name, len);
  }
  return names;
}

class Win32Key : public RegistryKey {
 public:
  explicit Win32Key(HKEY h) : h_(h) {}
  ~Win32Key() override { RegCloseKey(h_); }

  std::optional<std::string> ReadString(const std::string& name) override {
    DWORD type = 0, size = 0;
    if (RegQueryValueExA(h_, name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return std::nullopt;
    if (type != REG_SZ && type != REG_EXPAND_SZ) throw ERegistryException::InvalidType(name);
    std::vector<char> buf(size + 1, '\0');
    if (RegQueryValueExA(h_, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buf.data()), &size) != ERROR_SUCCESS)
      return std::nullopt;
    std::string value(buf.data(), size);
    while (!value.empty() && value.back() == '\0') value.pop_back();
    return value;
  }

  std::optional<uint32_t> ReadInteger(const std::string& name) override {
    DWORD type = 0, data = 0, size = sizeof data;
    if (RegQueryValueExA(h_, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&data), &size) != ERROR_SUCCESS) {
      // A value too large for a DWORD is there all the same, of another type.
      if (RegQueryValueExA(h_, name.c_str(), nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS)
        throw ERegistryException::InvalidType(name);
      return std::nullopt;
    }
    if (type != REG_DWORD || size != sizeof data) throw ERegistryException::InvalidType(name);
    return data;
  }

  void WriteString(const std::string& name, const std::string& value) override {
    if (RegSetValueExA(h_, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                       static_cast<DWORD>(value.size() + 1)) != ERROR_SUCCESS)
      throw ERegistryException::SetDataFailed(name);
  }

  void WriteInteger(const std::string& name, uint32_t value) override {
    DWORD data = value;
    if (RegSetValueExA(h_, name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data), sizeof data) !=
        ERROR_SUCCESS)
      throw ERegistryException::SetDataFailed(name);
  }

  // The type and bytes exactly as RegQueryValueExA gives them.
  std::optional<RegistryValueData> ReadValue(const std::string& name) override {
    RegistryValueData value;
    DWORD type = 0, size = 0;
    // The value may grow between asking its size and reading it: asked again until it fits.
    for (int tries = 0; tries < 8; ++tries) {
      LONG r = RegQueryValueExA(h_, name.c_str(), nullptr, &type, nullptr, &size);
      if (r != ERROR_SUCCESS) return std::nullopt;
      value.data.resize(size);
      r = RegQueryValueExA(h_, name.c_str(), nullptr, &type, size ? value.data.data() : nullptr, &size);
      if (r == ERROR_MORE_DATA) continue;
      if (r != ERROR_SUCCESS) return std::nullopt;
      value.data.resize(size);
      value.type = type;
      return value;
    }
    return std::nullopt;
  }

  void WriteValue(const std::string& name, const RegistryValueData& value) override {
    if (RegSetValueExA(h_, name.c_str(), 0, value.type, value.data.empty() ? nullptr : value.data.data(),
                       static_cast<DWORD>(value.data.size())) != ERROR_SUCCESS)
      throw ERegistryException::SetDataFailed(name);
  }

  bool DeleteValue(const std::string& name) override { return RegDeleteValueA(h_, name.c_str()) == ERROR_SUCCESS; }

  std::vector<std::string> SubKeyNames() override { return EnumerateKeys(h_); }

  std::vector<std::string> ValueNames() override {
    std::vector<std::string> names;
    std::vector<char> name(16384);
    for (DWORD i = 0;; ++i) {
      DWORD len = static_cast<DWORD>(name.size());
      if (RegEnumValueA(h_, i, name.data(), &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
      names.emplace_back(name.data(), len);
    }
    return names;
  }

 private:
  HKEY h_;
};

bool DeleteTree(HKEY root, const std::string& path) {
  HKEY h = nullptr;
  if (RegOpenKeyExA(root, path.c_str(), 0, KEY_ENUMERATE_SUB_KEYS | KEY_QUERY_VALUE, &h) != ERROR_SUCCESS) return false;
  std::vector<std::string> children = EnumerateKeys(h);
  RegCloseKey(h);
  bool ok = true;
  for (const std::string& child : children) ok = DeleteTree(root, path + "\\" + child) && ok;
  return RegDeleteKeyA(root, path.c_str()) == ERROR_SUCCESS && ok;
}

}  // namespace

std::unique_ptr<RegistryKey> Win32Registry::OpenKey(RegistryRoot root, const std::string& path, RegistryAccess access) {
  HKEY h = nullptr;
  REGSAM sam = access == RegistryAccess::Read ? KEY_READ : KEY_READ | KEY_WRITE;
  if (RegOpenKeyExA(RootHandle(root), Relative(path).c_str(), 0, sam, &h) != ERROR_SUCCESS) return nullptr;
  return std::make_unique<Win32Key>(h);
}

std::unique_ptr<RegistryKey> Win32Registry::CreateKey(RegistryRoot root, const std::string& path) {
  HKEY h = nullptr;
  if (RegCreateKeyExA(RootHandle(root), Relative(path).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                      KEY_READ | KEY_WRITE, nullptr, &h, nullptr) != ERROR_SUCCESS)
    return nullptr;
  return std::make_unique<Win32Key>(h);
}

bool Win32Registry::DeleteKeyTree(RegistryRoot root, const std::string& path) {
  std::string relative = Relative(path);
  while (!relative.empty() && relative.back() == '\\') relative.pop_back();
  if (relative.empty()) return false;
  return DeleteTree(RootHandle(root), relative);
}

}  // namespace vurerode::platform::win32
