#include "media/registry_keys.h"

#include "platform/text.h"

namespace vurerode::media {

namespace {

// The paths below any root that are never deleted, upper case, with why.
struct ProtectedPath {
  const char* path;
  const char* reason;
};
constexpr ProtectedPath kProtectedPaths[] = {
    {"", "it is a registry root"},
    {"SOFTWARE", "every program keeps its settings below it"},
    {"SOFTWARE\\CLASSES", "it holds every program's file types and classes"},
    {"SOFTWARE\\MICROSOFT", "Windows and other programs keep their settings below it"},
    {"SOFTWARE\\MICROSOFT\\WINDOWS", "Windows keeps its settings below it"},
    {"SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION", "Windows keeps its settings below it"},
    {"SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\UNINSTALL",
     "it holds every program's uninstall entry (only an application's own entry below it may go)"},
    {"SYSTEM", "Windows keeps its configuration below it"},
};

bool StartsWithRootName(const std::string& text) {
  return platform::UpperCase(text.substr(0, 5)) == "HKEY_";
}

}  // namespace

std::string TRegistryKeyName::FullName() const {
  return std::string(platform::RootName(Root)) + (Path.empty() ? "" : "\\" + Path);
}

std::string CollapseKeySeparators(const std::string& path) {
  std::string out;
  for (char c : path) {
    if (c == '\\' && (out.empty() || out.back() == '\\')) continue;
    out += c;
  }
  if (!out.empty() && out.back() == '\\') out.pop_back();
  return out;
}

TRegistryKeyName ParseRegistryKeyName(const std::string& key) {
  TRegistryKeyName name;
  const size_t slash = key.find('\\');
  const std::string first = key.substr(0, slash);
  if (!StartsWithRootName(first)) {
    name.Path = CollapseKeySeparators(key);
    return name;
  }
  if (platform::UpperCase(first).find("HKEY_LOCAL_MACHINE") != std::string::npos)
    name.Root = platform::RegistryRoot::LocalMachine;
  name.Path = slash == std::string::npos ? std::string() : CollapseKeySeparators(key.substr(slash + 1));
  return name;
}

std::string ProtectedKeyReason(const std::string& key) {
  // Every root is treated alike: a key protected under one root is protected under all of them.
  const std::string path = platform::UpperCase(ParseRegistryKeyName(key).Path);
  for (const ProtectedPath& p : kProtectedPaths)
    if (path == p.path) return p.reason;
  return {};
}

std::string ProtectedKeyReason(const TConfiguredEntry& entry) {
  if (platform::UpperCase(entry.Place).find(".INI") != std::string::npos) return {};
  return ProtectedKeyReason(entry.Place + "\\" + entry.Section);
}

}  // namespace vurerode::media
