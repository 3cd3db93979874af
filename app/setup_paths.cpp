#include "app/setup_paths.h"

#include <ctime>

#include "install/uninstall_log.h"
#include "platform/text.h"
#include "platform/exception.h"
#include "platform/windows_path.h"
#include "shell/file_ops.h"
#include "shell/shell_folders.h"

namespace vurerode::setup {

using platform::ExtractFileName;
using platform::ExtractFilePath;
using platform::IncludeTrailingBackslash;

namespace {

constexpr int kErrorAlreadyExists = 183;
// Setups started in one second on one machine: far more than the setup lock lets through.
constexpr int kMostExpansionFolders = 1000;

}  // namespace

std::string JoinArguments(const std::vector<std::string>& args) {
  std::string joined;
  for (size_t i = 0; i < args.size(); ++i) joined += (i ? " " : "") + args[i];
  return joined;
}

void OpenUninstallKeyDirectory(platform::Platform& platform, const std::string& joinedArgs) {
  if (joinedArgs.empty()) return;
  std::string command;
  try {
    // The machine's entry, else the current user's (an installation for the current user only).
    for (const auto root : {platform::RegistryRoot::LocalMachine, platform::RegistryRoot::CurrentUser}) {
      auto key = platform.registry().OpenKey(root, media::kUninstallKey + joinedArgs, platform::RegistryAccess::Read);
      if (key) command = key->ReadString("UninstallString").value_or("");
      if (!command.empty()) break;
    }
  } catch (const Exception&) {
    command.clear();  // a value of another type names no directory
  }
  std::string dir = ExtractFilePath(media::ParseUninstallCommand(command).Program);
  if (!dir.empty()) platform.fs().ChangeDirectory(dir);
}

std::string MediumFolder(platform::Platform& platform, const std::string& embeddedFolder,
                         const std::string& joinedArgs) {
  if (!embeddedFolder.empty()) return embeddedFolder;
  if (!joinedArgs.empty() && ExtractFileName(joinedArgs).empty()) return joinedArgs;
  return IncludeTrailingBackslash(platform.fs().CurrentDirectory());
}

std::string LocalTimeText() {
  std::time_t t = std::time(nullptr);
  std::tm local{};
#ifdef _WIN32
  localtime_s(&local, &t);
#else
  localtime_r(&t, &local);
#endif
  char text[8];
  std::strftime(text, sizeof text, "%H%M%S", &local);
  return text;
}

void MakeTempPaths(platform::Platform& platform, TSetupGlobals& globals, const std::string& joinedArgs,
                   const TimeText& now, const std::string& tempRoot) {
  platform::FileSystem& fs = platform.fs();
  const std::string time = now();
  globals.SourceDir = IncludeTrailingBackslash(fs.CurrentDirectory());
  if (!joinedArgs.empty() && ExtractFileName(joinedArgs).empty()) {
    globals.SourceDir = joinedArgs;
    if (!fs.ChangeDirectory(joinedArgs)) throw EInOutError(3);
  }
  const std::string temp = tempRoot.empty() ? WindowsDir(platform) + "\\Temp\\" : tempRoot;
  if (globals.UninstallMode) {
    globals.TempDir = globals.SourceDir;
    globals.ExpandDir = globals.SourceDir;
  } else {
    globals.TempDir = temp;
    ForceDirectories(fs, temp);
    // The folder is made in one step, under a name nobody holds: a folder that is there already,
    // another setup's started in the same second or one someone prepared, is never expanded into.
    const std::string base = "lkst_" + time;
    for (int n = 1;; ++n) {
      const std::string dir = temp + base + (n == 1 ? "" : "_" + std::to_string(n));
      const int error = fs.CreateDirectory(dir);
      if (error == 0) {
        globals.ExpandDir = dir + "\\";
        break;
      }
      if (error != kErrorAlreadyExists || n == kMostExpansionFolders)
        throw EInOutError(error, "Cannot create the folder " + dir + " (error " + std::to_string(error) + ")");
    }
  }
  globals.ClearLists();
}

}  // namespace vurerode::setup
