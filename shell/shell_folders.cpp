#include "shell/shell_folders.h"

#include "platform/exception.h"

namespace vurerode {
namespace {

struct FolderKind {
  const char* valueName;
  const char* fallback;
};
constexpr FolderKind kKinds[] = {
    {"Desktop", "Desktop"},
    {"Programs", "Start Menu\\Programs"},
    {"Start Menu", "Start Menu"},
    {"Startup", "Start Menu\\Programs\\StartUp"},
};

constexpr const char* kExplorerKey = "\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\";

std::string ReadFolderValue(platform::Platform& platform, const std::string& key, const std::string& name) {
  try {
    auto opened = platform.registry().OpenKey(platform::RegistryRoot::CurrentUser, kExplorerKey + key,
                                              platform::RegistryAccess::Read);
    return opened ? opened->ReadString(name).value_or("") : std::string();
  } catch (const ERegistryException&) {
    return {};  // a value that is not text names no folder
  }
}

}  // namespace

std::string UserShellFolder(platform::Platform& platform, const std::string& valueName) {
  std::string folder = ReadFolderValue(platform, "User Shell Folders", valueName);
  if (folder.find('%') != std::string::npos) folder = ReadFolderValue(platform, "Shell Folders", valueName);
  if (folder.size() < 3 || folder[1] != ':')
    throw Exception("This computer does not say where the user's folder \"" + valueName +
                    "\" is (User Shell Folders): Setup cannot install for the current user only.");
  return folder.back() == '\\' ? folder : folder + "\\";
}

std::string GetShellFolder(platform::Platform& platform, int kind, TShellSet set) {
  if (set == TShellSet::Classic) return GetShellFolder(platform, kind);
  return UserShellFolder(platform, kKinds[kind >= 0 && kind <= 3 ? kind : 0].valueName);
}

std::string QuickLaunchFolder(platform::Platform& platform, TShellSet set) {
  if (set == TShellSet::Classic) return QuickLaunchFolder(platform);
  return UserShellFolder(platform, "AppData") + "Microsoft\\Internet Explorer\\Quick Launch\\";
}

std::string GetShellFolder(platform::Platform& platform, int kind) {
  const FolderKind& k = kKinds[kind >= 0 && kind <= 3 ? kind : 0];
  auto key = platform.registry().OpenKey(platform::RegistryRoot::CurrentUser,
                                         "\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders",
                                         platform::RegistryAccess::Read);
  if (key) return key->ReadString(k.valueName).value_or("") + "\\";
  return WindowsDir(platform) + "\\" + k.fallback + "\\";
}

std::string WindowsDir(platform::Platform& platform) {
  return platform.fs().WindowsDirectory();
}

std::string WindowsDrive(platform::Platform& platform) {
  return WindowsDir(platform).substr(0, 3);
}

std::string QuickLaunchFolder(platform::Platform& platform) {
  return WindowsDir(platform) + "\\Application Data\\Microsoft\\Internet Explorer\\Quick Launch\\";
}

int GetFileIconIndex(platform::Platform& platform, const std::string& path) {
  return platform.shell().FileIconIndex(path);
}

}  // namespace vurerode
