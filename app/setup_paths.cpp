#include "app/setup_paths.h"

#include <ctime>

#include "install/uninstall_log.h"
#include "platform/ansi.h"
#include "platform/exception.h"
#include "platform/windows_path.h"
#include "shell/shell_folders.h"

namespace vurerode::setup {

using platform::ExtractFileName;
using platform::ExtractFilePath;
using platform::IncludeTrailingBackslash;

std::string JoinArguments(const std::vector<std::string>& args) {
  std::string joined;
  for (size_t i = 0; i < args.size(); ++i) joined += (i ? " " : "") + args[i];
  return joined;
}

void OpenUninstallKeyDirectory(platform::Platform& platform, const std::string& joinedArgs) {
  if (joinedArgs.empty()) return;
  std::string command;
  try {
    auto key = platform.registry().OpenKey(platform::RegistryRoot::LocalMachine, media::kUninstallKey + joinedArgs,
                                           platform::RegistryAccess::Read);
    if (key) command = key->ReadString("UninstallString").value_or("");
  } catch (const Exception&) {
    command.clear();  // a value of another type names no directory
  }
  std::string dir = ExtractFilePath(media::ParseUninstallCommand(command).Program);
  if (!dir.empty()) platform.fs().ChangeDirectory(dir);
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
                   const TimeText& now) {
  platform::FileSystem& fs = platform.fs();
  const std::string time = now();
  globals.SourceDir = IncludeTrailingBackslash(fs.CurrentDirectory());
  if (!joinedArgs.empty() && ExtractFileName(joinedArgs).empty()) {
    globals.SourceDir = joinedArgs;
    if (!fs.ChangeDirectory(joinedArgs)) throw EInOutError(3);
  }
  const std::string temp = WindowsDir(platform) + "\\Temp\\";
  if (globals.UninstallMode) {
    globals.TempDir = globals.SourceDir;
    globals.ExpandDir = globals.SourceDir;
  } else {
    globals.TempDir = temp;
    // Never expand into a folder that is there already: someone else may have prepared it.
    std::string name = "lkst_" + time;
    for (int n = 1; fs.GetAttributes(temp + name) != platform::kInvalidAttributes; ++n)
      name = "lkst_" + time + "_" + std::to_string(n);
    globals.ExpandDir = temp + name + "\\";
  }
  globals.ClearLists();
}

}  // namespace vurerode::setup
