#include "install/cleanup_batch.h"

#include "install/install_paths.h"
#include "platform/text.h"
#include "platform/windows_path.h"
#include "shell/launch.h"
#include "shell/shell_folders.h"

namespace vurerode::setup {
namespace {

// A path as one argument of cmd: quoted against spaces, and with % doubled, which cmd expands in a
// batch even between quotes.
std::string BatchPath(const std::string& path) {
  std::string quoted = "\"";
  for (const char c : path) quoted += c == '%' ? std::string("%%") : std::string(1, c);
  return quoted + "\"";
}

}  // namespace

std::vector<std::string> CleanupBatchLines(const std::string& shortDir) {
  const std::string dir = platform::ExcludeTrailingBackslash(shortDir);
  // Full paths only: by the time the batch runs the removal may have taken the folder already, and
  // a batch that changed into it and failed would act wherever it then stood. rd without /s removes
  // only an empty folder.
  std::vector<std::string> lines{"Rem Remove the uninstaller and its emptied folder.",
                                 "del " + BatchPath(dir + "\\setup.exe")};
  if (dir.find('\\') != std::string::npos) lines.push_back("rd " + BatchPath(dir));  // never a drive's root
  lines.push_back("exit");
  return lines;
}

std::string CleanupBatchText(const std::string& shortDir) {
  std::string text;
  for (const std::string& line : CleanupBatchLines(shortDir)) text += line + "\r\n";
  // cmd reads a batch in the console's code page, the OEM one, which need not hold every character
  // of a name; so a batch that is not ASCII switches the console to UTF-8 first, and cmd reads the
  // lines after that one as UTF-8.
  if (!platform::IsAscii(text)) text = std::string(kCleanupBatchUtf8Line) + "\r\n" + text;
  return text;
}

void WriteCleanupBatch(platform::Platform& platform, const std::string& installDir, const std::string& tempDir) {
  // The short form is most often plain ASCII without spaces, which any code page and cmd read alike;
  // a volume that keeps no short names gives the long one back.
  std::string shortDir = platform.fs().ShortPathName(installDir);
  if (shortDir.empty()) shortDir = installDir;
  const std::string text = CleanupBatchText(shortDir);
  auto file =
      platform.fs().CreateFile((tempDir.empty() ? WindowsDir(platform) + "\\Temp\\" : tempDir) + kCleanupBatchName);
  file->Write(text.data(), text.size());
}

void StartCleanupBatch(platform::Platform& platform, const std::string& tempDir) {
  OpenWithShell(platform, (tempDir.empty() ? WindowsDir(platform) + "\\temp\\" : tempDir) + kCleanupBatchName, 3);
}

}  // namespace vurerode::setup
