#include "shell/launch.h"

#include "platform/text.h"

namespace vurerode {

int RunAndWait(platform::Platform& platform, const std::string& commandLine, int showState) {
  constexpr size_t kLongestCommandLine = 511;  // what fits the 512-character buffer, in UTF-16 units
  if (platform::Utf16Length(commandLine) > kLongestCommandLine) return -1;
  return platform.processes().RunAndWait(commandLine, showState);
}

void ExecuteFile(platform::Platform& platform, const std::string& file, const std::string& parameters,
                 const std::string& directory, int showState) {
  platform.shell().Execute(platform::ShellOwner::MainWindow, "", file, parameters, directory, showState);
}

void OpenWithShell(platform::Platform& platform, const std::string& file, int mode) {
  static const int kShowStates[] = {platform::kShowNormal, platform::kShowMaximized, platform::kShowMinimized,
                                    platform::kShowHide};
  if (mode < 0 || mode > 3) return;
  platform.shell().Execute(platform::ShellOwner::Desktop, "open", file, "", "", kShowStates[mode]);
}

}  // namespace vurerode
