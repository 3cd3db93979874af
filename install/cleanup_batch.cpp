#include "install/cleanup_batch.h"

#include "install/install_paths.h"
#include "media/fields.h"
#include "shell/launch.h"
#include "shell/shell_folders.h"

namespace vurerode::setup {

std::vector<std::string> CleanupBatchLines(const std::string& shortDir) {
  std::string rest = shortDir;
  const std::string drive = media::TakeField(rest, '\\');
  std::vector<std::string> lines{"Rem Goto Drive of Installed Files.", drive, "cd\\"};
  std::string last;
  while (rest.find('\\') != std::string::npos) {
    last = media::TakeField(rest, '\\');
    lines.push_back("cd " + last);
  }
  lines.insert(lines.end(), {"del setup.exe", "cd..", "rd " + last, "exit"});
  return lines;
}

void WriteCleanupBatch(platform::Platform& platform, const std::string& installDir) {
  std::string shortDir = platform.fs().ShortPathName(installDir);
  if (shortDir.empty()) shortDir = installDir;
  std::string text;
  for (const std::string& line : CleanupBatchLines(shortDir)) text += line + "\r\n";
  auto file = platform.fs().CreateFile(WindowsDir(platform) + "\\Temp\\" + kCleanupBatchName);
  file->Write(text.data(), text.size());
}

void StartCleanupBatch(platform::Platform& platform) {
  OpenWithShell(platform, WindowsDir(platform) + "\\temp\\" + kCleanupBatchName, 3);
}

}  // namespace vurerode::setup
