#include "install/shared_folders.h"

#include "install/install_paths.h"
#include "install/install_scope.h"
#include "platform/exception.h"
#include "platform/text.h"
#include "platform/windows_path.h"
#include "shell/shell_folders.h"

namespace vurerode::setup {

namespace {

std::string Normal(const std::string& dir) {
  std::string full = platform::MakeFullPath(dir, "C:\\");
  return platform::UpperCase(platform::IncludeTrailingBackslash(full));
}

}  // namespace

std::vector<std::string> SharedFolders(platform::Platform& platform) {
  std::vector<std::string> shared = SystemDirectories(platform);
  shared.push_back(WindowsDrive(platform) + "Program Files\\");
  for (int kind : {kShellDesktop, kShellPrograms, kShellStartMenu, kShellStartup})
    shared.push_back(GetShellFolder(platform, kind));
  shared.push_back(QuickLaunchFolder(platform));
  // The user's own folders, where the machine says where they are: per-user installations go below them.
  for (const char* name : {"Desktop", "Programs", "Start Menu", "Startup", "AppData", "Local AppData"}) {
    try {
      shared.push_back(UserShellFolder(platform, name));
    } catch (const Exception&) {
      // Not known on this machine: nothing installs there.
    }
  }
  try {
    shared.push_back(UserProgramsFolder(platform));
    shared.push_back(QuickLaunchFolder(platform, TShellSet::UserProfile));
  } catch (const Exception&) {
  }
  std::vector<std::string> normal;
  for (const std::string& s : shared)
    if (s.size() > 1) normal.push_back(Normal(s));
  return normal;
}

bool IsSharedFolder(const std::vector<std::string>& shared, const std::string& dir) {
  const std::string d = Normal(dir);
  if (d.empty() || platform::IsDriveRoot(d)) return true;
  for (const std::string& s : shared)
    if (s == d) return true;
  return false;
}

bool IsSharedFolder(platform::Platform& platform, const std::string& dir) {
  return IsSharedFolder(SharedFolders(platform), dir);
}

std::string RefusedInstallDirectory(platform::Platform& platform, const std::string& dir) {
  const bool full = dir.size() >= 3 && dir[1] == ':' && platform::IsPathDelimiter(dir[2]);
  if (!full)
    return "The installation directory must be a full path such as " + WindowsDrive(platform) +
           "Program Files\\Application.";
  if (!platform.fs().DirectoryExists(dir.substr(0, 3)))
    return "Setup cannot install into " + dir + ": there is no drive " + dir.substr(0, 2) + ".";
  if (IsSharedFolder(platform, dir))
    return "Setup cannot install into " + dir +
           ": Windows and other programs share that folder, and removing the application would remove "
           "their files too. Choose a folder of the application's own, such as " +
           platform::IncludeTrailingBackslash(dir) + "Application.";
  return {};
}

bool IsSharedIniFile(const std::string& name) {
  static const char* const kShared[] = {"WIN.INI",     "SYSTEM.INI",   "CONTROL.INI", "PROTOCOL.INI",
                                        "PROGMAN.INI", "WINFILE.INI",  "DOSAPP.INI",  "MSACM.INI",
                                        "ODBC.INI",    "ODBCINST.INI", "MOUSE.INI",   "WINHELP.INI"};
  const std::string upper = platform::UpperCase(platform::ExtractFileName(name));
  for (const char* s : kShared)
    if (upper == s) return true;
  return false;
}

}  // namespace vurerode::setup
