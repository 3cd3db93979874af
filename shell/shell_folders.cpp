#include "shell/shell_folders.h"

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

}  // namespace

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
